// Owner types for the handles the code base holds, and scope guards for state.
//
// Each owner frees its resource when it goes, is non-copyable and movable; a moved-from
// owner holds nothing. Kernel handles and file handles are different types because their
// "no handle" values differ: null for events, threads and processes, INVALID_HANDLE_VALUE
// for what CreateFile returns. The three kinds of device context differ in how they are
// given back (ReleaseDC, DeleteDC, EndPaint), so each has its own type as well.
//
// Freeing cannot be reported from a destructor. A failed CloseHandle, DeleteObject or
// DeleteDC leaves a leak and nothing to undo, so its result is ignored; an owner never
// ends the process over it.
//
// Any thread may use the kernel and file owners and the thread suspension. The DC, GDI
// object and selection owners follow GDI's rule: the thread that made the DC uses it.
#pragma once

#include <windows.h>

#include <utility>

// Closes a handle of the kind Traits names (Traits::Invalid(), Traits::Close(handle)).
template <class Traits>
class TUniqueHandle {
public:
    using THandleType = typename Traits::THandleType;

    TUniqueHandle() noexcept = default;
    // Takes ownership of handle (Traits::Invalid() for none).
    explicit TUniqueHandle(THandleType handle) noexcept : FHandle(handle) {}
    TUniqueHandle(TUniqueHandle&& other) noexcept : FHandle(other.Release()) {}
    TUniqueHandle& operator=(TUniqueHandle&& other) noexcept
    {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;
    ~TUniqueHandle() { Reset(); }

    THandleType Get() const noexcept { return FHandle; }
    bool IsValid() const noexcept { return FHandle != Traits::Invalid(); }
    explicit operator bool() const noexcept { return IsValid(); }

    // Gives up ownership: the caller frees the returned handle.
    THandleType Release() noexcept { return std::exchange(FHandle, Traits::Invalid()); }
    // Frees the handle held (if any) and takes ownership of handle.
    void Reset(THandleType handle = Traits::Invalid()) noexcept
    {
        const THandleType old = std::exchange(FHandle, handle);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

private:
    THandleType FHandle = Traits::Invalid();
};

struct TKernelHandleTraits {
    using THandleType = HANDLE;
    static HANDLE Invalid() noexcept { return nullptr; }
    static void Close(HANDLE handle) noexcept { CloseHandle(handle); }
};

struct TFileHandleTraits {
    using THandleType = HANDLE;
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) noexcept { CloseHandle(handle); }
};

struct TGdiObjectTraits {
    using THandleType = HGDIOBJ;
    static HGDIOBJ Invalid() noexcept { return nullptr; }
    // DeleteObject fails only for an object still selected into a DC; selections are
    // scoped by TSelectGuard, so such a failure is a leak at worst.
    static void Close(HGDIOBJ object) noexcept { DeleteObject(object); }
};

struct TCompatibleDCTraits {
    using THandleType = HDC;
    static HDC Invalid() noexcept { return nullptr; }
    static void Close(HDC dc) noexcept { DeleteDC(dc); }
};

struct TMenuTraits {
    using THandleType = HMENU;
    static HMENU Invalid() noexcept { return nullptr; }
    // Only for a menu no window holds: DestroyMenu of a window's menu bar leaves the
    // window pointing at a freed menu.
    static void Close(HMENU menu) noexcept { DestroyMenu(menu); }
};

struct TMappedViewTraits {
    using THandleType = const void*;
    static const void* Invalid() noexcept { return nullptr; }
    static void Close(const void* view) noexcept { UnmapViewOfFile(view); }
};

// Events, threads, processes, mutexes, file mappings: null means none.
using TKernelHandle = TUniqueHandle<TKernelHandleTraits>;
// What CreateFile returns: INVALID_HANDLE_VALUE means none.
using TFileHandle = TUniqueHandle<TFileHandleTraits>;
// Fonts, brushes, pens, bitmaps, regions. Must not be selected into a DC when it goes.
using TGdiObject = TUniqueHandle<TGdiObjectTraits>;
// A DC from CreateCompatibleDC (DeleteDC). Restore every selection before it goes.
using TCompatibleDC = TUniqueHandle<TCompatibleDCTraits>;

// A menu from CreateMenu or CreatePopupMenu that no window holds as its menu bar.
using TMenu = TUniqueHandle<TMenuTraits>;
// A view from MapViewOfFile (UnmapViewOfFile).
using TMappedView = TUniqueHandle<TMappedViewTraits>;

// A DC of a window from GetDC or GetWindowDC (null window: the screen), given back with
// ReleaseDC to the same window.
class TWindowDC {
public:
    TWindowDC() noexcept = default;
    // Takes ownership of dc, which came from GetDC(window) or GetWindowDC(window).
    TWindowDC(HWND window, HDC dc) noexcept : FWindow(window), FDC(dc) {}
    // GetDC(window); invalid (IsValid false, GetLastError set) when the system refuses.
    static TWindowDC ForClient(HWND window) noexcept { return TWindowDC(window, GetDC(window)); }
    static TWindowDC ForWindow(HWND window) noexcept { return TWindowDC(window, GetWindowDC(window)); }
    TWindowDC(TWindowDC&& other) noexcept : FWindow(other.FWindow), FDC(std::exchange(other.FDC, nullptr)) {}
    TWindowDC& operator=(TWindowDC&& other) noexcept
    {
        if (this != &other) {
            Reset();
            FWindow = other.FWindow;
            FDC = std::exchange(other.FDC, nullptr);
        }
        return *this;
    }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    ~TWindowDC() { Reset(); }

    HDC Get() const noexcept { return FDC; }
    HWND Window() const noexcept { return FWindow; }
    bool IsValid() const noexcept { return FDC != nullptr; }
    explicit operator bool() const noexcept { return IsValid(); }
    void Reset() noexcept
    {
        if (HDC dc = std::exchange(FDC, nullptr)) ReleaseDC(FWindow, dc);
    }

private:
    HWND FWindow = nullptr;
    HDC FDC = nullptr;
};

// BeginPaint on construction, EndPaint when it goes. EndPaint must follow every
// BeginPaint (it also shows the caret again), whatever the painting code throws.
class TPaintDC {
public:
    explicit TPaintDC(HWND window) noexcept : FWindow(window), FDC(BeginPaint(window, &FPaint)) {}
    TPaintDC(TPaintDC&& other) noexcept
        : FWindow(other.FWindow), FPaint(other.FPaint), FDC(std::exchange(other.FDC, nullptr))
    {
    }
    TPaintDC& operator=(TPaintDC&&) = delete;
    TPaintDC(const TPaintDC&) = delete;
    TPaintDC& operator=(const TPaintDC&) = delete;
    ~TPaintDC()
    {
        if (FDC) EndPaint(FWindow, &FPaint);
    }

    // Null when BeginPaint failed.
    HDC Get() const noexcept { return FDC; }
    bool IsValid() const noexcept { return FDC != nullptr; }
    explicit operator bool() const noexcept { return IsValid(); }
    const PAINTSTRUCT& Paint() const noexcept { return FPaint; }

private:
    HWND FWindow;
    PAINTSTRUCT FPaint{};
    HDC FDC;
};

// Selects object into dc and puts the previously selected object back when it goes, so
// the DC never keeps an object past the guard. A null object selects nothing; so does a
// refused selection (then nothing is restored).
class TSelectGuard {
public:
    TSelectGuard(HDC dc, HGDIOBJ object) noexcept : FDC(dc), FPrevious(object ? SelectObject(dc, object) : nullptr)
    {
        // SelectObject answers HGDI_ERROR for a region it cannot select.
        if (FPrevious == HGDI_ERROR) FPrevious = nullptr;
    }
    TSelectGuard(TSelectGuard&& other) noexcept : FDC(other.FDC), FPrevious(std::exchange(other.FPrevious, nullptr)) {}
    TSelectGuard& operator=(TSelectGuard&&) = delete;
    TSelectGuard(const TSelectGuard&) = delete;
    TSelectGuard& operator=(const TSelectGuard&) = delete;
    ~TSelectGuard() { Restore(); }

    // True when the object was selected (and the previous one will be restored).
    bool Selected() const noexcept { return FPrevious != nullptr; }
    // Puts the previous object back now; the guard then does nothing more.
    void Restore() noexcept
    {
        if (HGDIOBJ previous = std::exchange(FPrevious, nullptr)) SelectObject(FDC, previous);
    }

private:
    HDC FDC;
    HGDIOBJ FPrevious;
};

// Saves the whole state of dc (origins, clip region, selected objects, colours, modes)
// with SaveDC and restores exactly that level with RestoreDC when it goes, also when the
// drawing in between throws. Guards on one DC must end in reverse order of their making.
// When SaveDC fails (Saved() false, GetLastError set) nothing is restored.
class TSavedDCState {
public:
    explicit TSavedDCState(HDC dc) noexcept : FDC(dc), FLevel(dc ? SaveDC(dc) : 0) {}
    TSavedDCState(TSavedDCState&& other) noexcept : FDC(other.FDC), FLevel(std::exchange(other.FLevel, 0)) {}
    TSavedDCState& operator=(TSavedDCState&&) = delete;
    TSavedDCState(const TSavedDCState&) = delete;
    TSavedDCState& operator=(const TSavedDCState&) = delete;
    ~TSavedDCState() { Restore(); }

    bool Saved() const noexcept { return FLevel != 0; }
    explicit operator bool() const noexcept { return Saved(); }
    // Restores now; the guard then does nothing more.
    void Restore() noexcept
    {
        if (const int level = std::exchange(FLevel, 0)) RestoreDC(FDC, level);
    }

private:
    HDC FDC;
    int FLevel;
};

// Suspends a thread for the guard's lifetime: SuspendThread now, ResumeThread when it
// goes. The handle must carry THREAD_SUSPEND_RESUME and stay open while the guard lives.
// Never suspend the calling thread with it (nothing would resume it).
class TThreadSuspension {
public:
    explicit TThreadSuspension(HANDLE thread) noexcept
        : FThread(thread), FPreviousCount(thread ? SuspendThread(thread) : static_cast<DWORD>(-1))
    {
        if (FPreviousCount == static_cast<DWORD>(-1)) FThread = nullptr;
    }
    TThreadSuspension(TThreadSuspension&& other) noexcept
        : FThread(std::exchange(other.FThread, nullptr)), FPreviousCount(other.FPreviousCount)
    {
    }
    TThreadSuspension& operator=(TThreadSuspension&&) = delete;
    TThreadSuspension(const TThreadSuspension&) = delete;
    TThreadSuspension& operator=(const TThreadSuspension&) = delete;
    ~TThreadSuspension() { Resume(); }

    // False when SuspendThread failed (GetLastError then holds the reason).
    bool Suspended() const noexcept { return FThread != nullptr; }
    explicit operator bool() const noexcept { return Suspended(); }
    // The thread's suspend count before this guard; meaningful only when Suspended().
    DWORD PreviousCount() const noexcept { return FPreviousCount; }
    // Resumes now; the guard then does nothing more.
    void Resume() noexcept
    {
        if (HANDLE thread = std::exchange(FThread, nullptr)) ResumeThread(thread);
    }

private:
    HANDLE FThread;
    DWORD FPreviousCount;
};
