#include "framework/application.h"

#include <commctrl.h>

#include <atomic>
#include <cstdlib>

#include "framework/controls.h"
#include "framework/forms.h"
#include "framework/hiddenwindow.h"
#include "framework/sysutils.h"
#include "framework/thread.h"
#include "framework/units.h"

namespace {

TApplication applicationInstance ZV_UNIT(zv::unit::kVisual);

std::atomic<THandleExceptionProc> handleExceptionProc{&DefaultHandleException};
std::atomic<TShowExceptionProc> showExceptionProc{&DefaultShowException};

// Posted to the hidden window by worker threads that queued a Synchronize request.
constexpr UINT WM_ZV_WAKE = WM_APP + 0x100;
// Posted to the application window when it is activated (from the task bar): the main
// form takes the activation over once the activation itself is done.
constexpr UINT WM_ZV_ACTIVATE_MAIN_FORM = WM_APP + 0x101;
constexpr char kWindowClass[] = "TApplication";

} // namespace

TApplication* const Application = &applicationInstance;

void DefaultHandleException(TObject* sender, std::exception_ptr error)
{
    const auto hand = [sender](const Exception& e) {
        if (Application->OnException()) Application->OnException()(sender, e);
        else Application->ShowException(e);
    };
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
    } catch (const Exception& e) {
        hand(e);
    } catch (const std::exception& e) {
        hand(Exception(e.what()));
    } catch (...) {
        hand(Exception());
    }
}

void DefaultShowException(const Exception& error)
{
    std::string text = error.Message();
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    HWND owner = GetActiveWindow();
    MessageBoxA(owner, text.c_str(), Application->Title().c_str(), MB_OK | MB_ICONSTOP);
}

THandleExceptionProc SetHandleExceptionProc(THandleExceptionProc proc) noexcept
{
    return handleExceptionProc.exchange(proc ? proc : &DefaultHandleException);
}

TShowExceptionProc SetShowExceptionProc(TShowExceptionProc proc) noexcept
{
    return showExceptionProc.exchange(proc ? proc : &DefaultShowException);
}

TApplication::TApplication() : TComponent(nullptr)
{
    FTitle = ChangeFileExt(ExtractFileName(GetModuleName(nullptr)), "");
}

TApplication::~TApplication()
{
    // Normally empty by now (forms go with the message loop or at exit, before the units).
    DestroyForms();
    if (FHandle) {
        SetWakeMainThread({});
        DestroyWindow(FHandle);
    }
}

void TApplication::Initialize()
{
    if (FHandle) return;
    // Registered during the entry point, so it runs before any unit's state is destroyed:
    // a program that ends without leaving the message loop (exit, or a test) still loses
    // its forms while everything they use is there.
    static const bool formsGoAtExit = std::atexit([] { Application->DestroyForms(); }) == 0;
    (void)formsGoAtExit;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    // The application window is the task-bar entry: an unowned window with a caption and a
    // system menu, shown with no size while the main form is visible. Forms are owned by
    // it, so they get no task-bar entries of their own and the entry shows Title. Until
    // then it is hidden and receives the wake-ups of Synchronize and the activations.
    FHandle = CreateHiddenTopLevelWindow({.ClassName = kWindowClass,
                                          .Procedure = &TApplication::WindowProc,
                                          .Caption = FTitle.c_str(),
                                          .Style = WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                                          .ExStyle = 0,
                                          .X = GetSystemMetrics(SM_CXSCREEN) / 2,
                                          .Y = GetSystemMetrics(SM_CYSCREEN) / 2});
    if (!FHandle) RaiseLastOSError();
    HWND window = FHandle;
    SetWakeMainThread([window] { PostMessageA(window, WM_ZV_WAKE, 0, 0); });
}

void TApplication::SetTitle(const std::string& title)
{
    FTitle = title;
    if (FHandle && !SetWindowTextA(FHandle, title.c_str())) RaiseLastOSError();
}

void TApplication::ShowTaskBarEntry(bool visible)
{
    if (!FHandle || (IsWindowVisible(FHandle) != FALSE) == visible) return;
    ShowWindow(FHandle, visible ? SW_SHOWNOACTIVATE : SW_HIDE);
}

void TApplication::Minimize()
{
    if (!FHandle) return;
    // Not every platform hides the owned windows with their minimised owner; say so.
    ShowOwnedPopups(FHandle, FALSE);
    ShowWindow(FHandle, SW_MINIMIZE);
}

void TApplication::ActivateMainForm()
{
    if (!FMainForm || !FMainForm->HandleAllocated()) return;
    HWND form = FMainForm->Handle();
    if (IsWindowVisible(form) && IsWindowEnabled(form)) SetForegroundWindow(form);
}

LRESULT CALLBACK TApplication::WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    try {
        switch (msg) {
        case WM_ZV_WAKE:
            CheckSynchronize();
            return 0;
        case WM_ZV_ACTIVATE_MAIN_FORM:
            Application->ActivateMainForm();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) PostMessageA(window, WM_ZV_ACTIVATE_MAIN_FORM, 0, 0);
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_RESTORE && IsIconic(window)) {
                const LRESULT result = DefWindowProcA(window, msg, wParam, lParam);
                ShowOwnedPopups(window, TRUE);
                Application->ActivateMainForm();
                return result;
            }
            break;
        case WM_CLOSE:
            // "Close" of the task-bar entry closes the main form, which ends the application.
            if (TCustomForm* form = Application->MainForm()) form->Close();
            return 0;
        default:
            break;
        }
    } catch (...) {
        Application->HandleException(Application);
        return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

void TApplication::Run()
{
    if (FMainForm && FShowMainForm) FMainForm->Show();
    while (!FTerminated) {
        try {
            HandleMessage();
        } catch (...) {
            HandleException(this);
        }
    }
    // The forms go with the loop, while every unit they use is still there.
    DestroyForms();
}

void TApplication::DestroyForms() noexcept
{
    // Forms go before the hidden window, which some of them may still post to.
    try {
        DestroyComponents();
    } catch (...) {
        HandleException(this);
    }
}

void TApplication::Terminate()
{
    FTerminated = true;
    PostQuitMessage(0);
}

bool TApplication::IsKeyMsg(const MSG& msg)
{
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSCHAR:
        break;
    default:
        return false;
    }
    TWinControl* control = TWinControl::FindControl(msg.hwnd);
    if (!control) return false;
    try {
        return control->Perform(CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
    } catch (...) {
        HandleException(control);
        return true;
    }
}

bool TApplication::ProcessMessage(MSG& msg)
{
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    if (!IsKeyMsg(msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

void TApplication::Idle()
{
    CheckSynchronize();
    HANDLE sync = SyncEvent();
    // MWMO_INPUTAVAILABLE: also wake for input that arrived before this call but was not
    // yet looked at.
    MsgWaitForMultipleObjectsEx(1, &sync, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void TApplication::ProcessMessages()
{
    MSG msg{};
    while (ProcessMessage(msg)) {
    }
    CheckSynchronize();
}

void TApplication::HandleMessage()
{
    MSG msg{};
    if (!ProcessMessage(msg)) Idle();
}

void TApplication::HandleException(TObject* sender) noexcept
{
    std::exception_ptr error = std::current_exception();
    if (!error) return;
    try {
        handleExceptionProc.load()(sender, error);
    } catch (...) {
    }
}

void TApplication::ShowException(const Exception& error) noexcept
{
    try {
        showExceptionProc.load()(error);
    } catch (...) {
    }
}

void TApplication::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove && static_cast<TComponent*>(FMainForm) == component) FMainForm = nullptr;
    TComponent::Notification(component, operation);
}
