// Driving windows on the (virtual) display from a test: find a process's windows, type,
// click, and take screenshots. All functions run on the calling thread and wait with
// bounded time-outs; none throws.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace zv::test {

// Visible or hidden top-level windows owned by the process.
std::vector<HWND> TopLevelWindowsOf(DWORD processId);

std::string WindowText(HWND window);
std::string WindowClassName(HWND window);

// Polls until a top-level window of the process satisfies `accept`, for up to
// timeoutMs. Returns null on time-out.
HWND WaitForTopLevelWindow(DWORD processId, const std::function<bool(HWND)>& accept, DWORD timeoutMs);
// The same for a visible window with exactly this caption.
HWND WaitForVisibleWindow(DWORD processId, const std::string& caption, DWORD timeoutMs);

// A child window of `parent` (any depth) with this caption, or null.
HWND FindChildByText(HWND parent, const std::string& text);

// Posted input: reaches the window's queue directly, whatever has the focus.
// Posts WM_CHAR for a character. (Not the key-down: the receiving loop's TranslateMessage
// would turn it into a second WM_CHAR.)
void PostCharacter(HWND window, char character);
// Posts a left click at a point of the window's client area.
void PostClick(HWND window, POINT client);

// Real input, as a user's: brings the window to the front and synthesises keyboard or
// mouse input that goes wherever the platform routes it.
bool BringToFront(HWND window);
void TypeKey(WORD virtualKey);
void ClickAt(POINT screen);
// Clicks the centre of a window.
void ClickWindow(HWND window);

// Waits until the window's thread has processed everything sent to it so far.
bool WaitUntilIdle(HWND window, DWORD timeoutMs);

// Captures the window's rectangle as it appears on the screen (null: the whole screen)
// into a 24-bit BMP file. Returns false when capture or writing fails.
bool SaveScreenshot(HWND window, const std::string& bmpPath);

// Where a test keeps a file for people to look at after the run: the folder named by
// ZV_ARTIFACTS (the build tree's artifacts folder), else the current one.
std::string ArtifactPath(const std::string& name);
// The colour of one screen pixel.
COLORREF ScreenPixel(POINT screen);

} // namespace zv::test
