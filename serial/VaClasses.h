// Base classes of the serial component family and the thin wrappers it puts around the
// system's events and critical sections.
//
// The wrappers own their kernel objects and are neither copyable nor movable. Any thread
// may use them, as the system allows.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "framework/controls.h"
#include "framework/exceptions.h"
#include "framework/handles.h"
#include "framework/persistent.h"

// Every failure of the serial component; the message is one of the component's fixed forms.
class EVaCommError : public Exception {
    RUNTIME_CLASS(EVaCommError, Exception)
public:
    using Exception::Exception;
};

// A set of enumeration members, member n at bit n (at most 32 members).
template <class E>
class TVaSet {
public:
    constexpr TVaSet() noexcept = default;
    constexpr TVaSet(std::initializer_list<E> members) noexcept
    {
        for (E member : members) Include(member);
    }
    static constexpr TVaSet FromBits(unsigned bits) noexcept
    {
        TVaSet set;
        set.FBits = bits;
        return set;
    }
    constexpr bool Contains(E member) const noexcept { return (FBits & Bit(member)) != 0; }
    constexpr void Include(E member) noexcept { FBits |= Bit(member); }
    constexpr void Exclude(E member) noexcept { FBits &= ~Bit(member); }
    constexpr bool Empty() const noexcept { return FBits == 0; }
    constexpr unsigned Bits() const noexcept { return FBits; }
    friend constexpr bool operator==(TVaSet a, TVaSet b) noexcept { return a.FBits == b.FBits; }

private:
    static constexpr unsigned Bit(E member) noexcept { return 1u << static_cast<unsigned>(member); }
    unsigned FBits = 0;
};

// The family's component base; adds nothing to the framework's component.
class TVaComponent : public TComponent {
    RUNTIME_CLASS(TVaComponent, TComponent)
public:
    using TComponent::TComponent;
};

// An option group that tells its owner about changes. BeginUpdate/EndUpdate bracket a
// batch of changes so the owner hears one; the owner's handler may raise (a setting that
// may not change while the port is open), and the exception reaches whoever made the change.
class TVaPersistent : public TPersistent {
    RUNTIME_CLASS(TVaPersistent, TPersistent)
public:
    using TChangeHandler = std::function<void()>;

    void BeginUpdate() noexcept { ++FUpdateCount; }
    // Ends one bracket and calls Changed (which notifies only at the outermost level).
    void EndUpdate();
    // Calls the change handler when no bracket is open and a handler is bound.
    void Changed();

    int UpdateCount() const noexcept { return FUpdateCount; }
    // Binds the owner's handler (empty: none). Set by the owning component.
    void SetOnChange(TChangeHandler handler) { FOnChange = std::move(handler); }

private:
    int FUpdateCount = 0;
    TChangeHandler FOnChange;
};

// The base of display controls that the component refreshes.
class TVaGraphicControl : public TControl {
    RUNTIME_CLASS(TVaGraphicControl, TControl)
public:
    using TControl::TControl;
};

// A kernel handle owned by the object, with the error of its last failed wait.
class TVaHandleObject : public TObject {
    RUNTIME_CLASS(TVaHandleObject, TObject)
public:
    TVaHandleObject() = default;
    TVaHandleObject(const TVaHandleObject&) = delete;
    TVaHandleObject& operator=(const TVaHandleObject&) = delete;

    // Valid while the object lives; null only if a derived constructor failed.
    HANDLE Handle() const noexcept { return FHandle.Get(); }
    // The system error of the last wait that failed; 0 before any.
    DWORD LastError() const noexcept { return FLastError; }

protected:
    TKernelHandle FHandle;
    DWORD FLastError = 0;
};

// Results of TVaEvent::Wait, as the component's callers compare them.
enum TVaWaitResult { vwSignaled = 0, vwTimeout = 1, vwAbandoned = 2, vwError = 3 };

class TVaEvent : public TVaHandleObject {
    RUNTIME_CLASS(TVaEvent, TVaHandleObject)
public:
    // Raises EVaCommError with the system's text when the event cannot be created.
    TVaEvent(bool manualReset, bool initialState);

    // Both return false when the system refuses (GetLastError has the reason).
    bool Signal() noexcept;
    bool Reset() noexcept;
    // Waits up to milliseconds (INFINITE allowed). vwError leaves the system's error in
    // LastError().
    int Wait(DWORD milliseconds) noexcept;
};

// A manual-reset event, created non-signalled.
class TVaWaitEvent : public TVaEvent {
    RUNTIME_CLASS(TVaWaitEvent, TVaEvent)
public:
    TVaWaitEvent() : TVaEvent(true, false) {}
};

// A re-entrant lock around the system's critical section.
class TVaCriticalSection : public TObject {
    RUNTIME_CLASS(TVaCriticalSection, TObject)
public:
    TVaCriticalSection() noexcept { InitializeCriticalSection(&FSection); }
    ~TVaCriticalSection() override { DeleteCriticalSection(&FSection); }
    TVaCriticalSection(const TVaCriticalSection&) = delete;
    TVaCriticalSection& operator=(const TVaCriticalSection&) = delete;

    void Enter() noexcept { EnterCriticalSection(&FSection); }
    void Leave() noexcept { LeaveCriticalSection(&FSection); }

private:
    CRITICAL_SECTION FSection;
};

// Holds a TVaCriticalSection for its own lifetime, so every path leaves it.
class TVaLock {
public:
    explicit TVaLock(TVaCriticalSection& section) noexcept : FSection(section) { FSection.Enter(); }
    ~TVaLock() { FSection.Leave(); }
    TVaLock(const TVaLock&) = delete;
    TVaLock& operator=(const TVaLock&) = delete;

private:
    TVaCriticalSection& FSection;
};

// The system's message text with the trailing blanks, control characters and full stops
// removed ("Access is denied.\r\n" -> "Access is denied").
std::string VaTrimSystemText(std::string_view text);
// The system's message for an error code (the runtime's SysErrorMessage), trimmed as above;
// empty when the system has none.
std::string VaSystemErrorText(DWORD errorCode);
// text with every '%' doubled, so it passes through Format unchanged.
std::string VaEscapeFormat(std::string_view text);
