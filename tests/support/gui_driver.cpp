#include "tests/support/gui_driver.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace zv::test {
namespace {

struct EnumState {
    DWORD ProcessId;
    std::vector<HWND> Windows;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM param)
{
    auto* state = reinterpret_cast<EnumState*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == state->ProcessId) state->Windows.push_back(window);
    return TRUE;
}

struct ChildSearch {
    const std::string* Text;
    HWND Found;
};

BOOL CALLBACK MatchChildText(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<ChildSearch*>(param);
    if (WindowText(window) == *search->Text) {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}

void SendKeyboard(WORD virtualKey, DWORD flags)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

} // namespace

std::vector<HWND> TopLevelWindowsOf(DWORD processId)
{
    EnumState state{processId, {}};
    EnumWindows(&CollectProcessWindow, reinterpret_cast<LPARAM>(&state));
    return state.Windows;
}

std::string WindowText(HWND window)
{
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string WindowClassName(HWND window)
{
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

HWND WaitForTopLevelWindow(DWORD processId, const std::function<bool(HWND)>& accept, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    do {
        for (HWND window : TopLevelWindowsOf(processId))
            if (accept(window)) return window;
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

HWND WaitForVisibleWindow(DWORD processId, const std::string& caption, DWORD timeoutMs)
{
    return WaitForTopLevelWindow(
        processId, [&](HWND w) { return IsWindowVisible(w) && WindowText(w) == caption; }, timeoutMs);
}

HWND FindChildByText(HWND parent, const std::string& text)
{
    ChildSearch search{&text, nullptr};
    EnumChildWindows(parent, &MatchChildText, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

void PostCharacter(HWND window, char character)
{
    PostMessageA(window, WM_CHAR, static_cast<unsigned char>(character), 1);
}

void PostClick(HWND window, POINT client)
{
    LPARAM position = MAKELPARAM(client.x, client.y);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, position);
    PostMessageA(window, WM_LBUTTONUP, 0, position);
}

bool BringToFront(HWND window)
{
    ShowWindow(window, SW_SHOW);
    BringWindowToTop(window);
    return SetForegroundWindow(window) != FALSE;
}

void TypeKey(WORD virtualKey)
{
    SendKeyboard(virtualKey, 0);
    SendKeyboard(virtualKey, KEYEVENTF_KEYUP);
}

void ClickAt(POINT screen)
{
    SetCursorPos(screen.x, screen.y);
    INPUT inputs[2]{};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof inputs[0]);
}

void ClickWindow(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    ClickAt({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

bool WaitUntilIdle(HWND window, DWORD timeoutMs)
{
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &ignored) != 0;
}

bool SaveScreenshot(HWND window, const std::string& bmpPath)
{
    RECT rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (window && !GetWindowRect(window, &rect)) return false;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;

    HDC screen = GetDC(nullptr);
    if (!screen) return false;
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = memory ? CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    bool captured = false;
    if (bitmap) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        // Under the emulated 32-bit Wine a read of the screen now and then fails outright
        // (about one in five while another process's window is on it); a second read works.
        for (int attempt = 0; attempt < 3 && !captured; ++attempt) {
            if (attempt) Sleep(100);
            captured = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != FALSE;
        }
        GdiFlush();
        SelectObject(memory, previous);
    }

    bool written = false;
    if (captured) {
        const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
        const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;  // "BM"
        file.bfOffBits = sizeof file + sizeof info.bmiHeader;
        file.bfSize = file.bfOffBits + imageBytes;
        info.bmiHeader.biSizeImage = imageBytes;
        if (FILE* out = std::fopen(bmpPath.c_str(), "wb")) {
            written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                      std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
                      std::fwrite(bits, imageBytes, 1, out) == 1;
            written = (std::fclose(out) == 0) && written;
        }
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return written;
}

COLORREF ScreenPixel(POINT screen)
{
    HDC dc = GetDC(nullptr);
    COLORREF colour = GetPixel(dc, screen.x, screen.y);
    ReleaseDC(nullptr, dc);
    return colour;
}

std::string ArtifactPath(const std::string& name)
{
    const char* artifacts = std::getenv("ZV_ARTIFACTS");
    return std::string(artifacts ? artifacts : ".") + "\\" + name;
}

} // namespace zv::test
