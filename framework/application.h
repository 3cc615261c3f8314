// The application object: the message loop of the GUI thread, the main form, and the two
// top-level routines every escaping exception goes through.
//
// HandleException is called for an exception that escapes an event handler, a window
// procedure or another callback of the framework; ShowException shows an exception's
// message in a modal message box. Each is one replaceable function (SetHandleExceptionProc,
// SetShowExceptionProc), so a library that reports exceptions can take over either at one
// place: every caller goes through TApplication::HandleException and ::ShowException.
//
// GUI thread only (the thread that calls Initialize and Run), except where a function says
// otherwise.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

#include "framework/exceptions.h"
#include "framework/persistent.h"

class TCustomForm;

// Replaceable top-level routines. sender is the object whose handler or window procedure
// let the exception escape (may be null); error is never null. Neither may throw.
using THandleExceptionProc = void (*)(TObject* sender, std::exception_ptr error);
using TShowExceptionProc = void (*)(const Exception& error);

// The built-in routines. DefaultHandleException lets EAbort pass silently, hands any other
// Exception to Application->OnException when assigned, else to Application->ShowException;
// a std::exception is wrapped in an Exception with its what() text, anything else in an
// Exception with an empty message. DefaultShowException shows the message (a full stop
// added when it ends without one) in a message box with an OK button and the stop icon,
// captioned with the application's title.
void DefaultHandleException(TObject* sender, std::exception_ptr error);
void DefaultShowException(const Exception& error);

// Install a replacement (null: the built-in one again); return the routine that was in
// place, so a hook can pass on to it. Any thread; take effect at the next call.
THandleExceptionProc SetHandleExceptionProc(THandleExceptionProc proc) noexcept;
TShowExceptionProc SetShowExceptionProc(TShowExceptionProc proc) noexcept;

using TExceptionEvent = std::function<void(TObject* sender, const Exception& error)>;

class TApplication : public TComponent {
    RUNTIME_CLASS(TApplication, TComponent)
public:
    TApplication();
    ~TApplication() override;

    // Creates the application's hidden window and routes the worker threads' Synchronize
    // wake-ups to it. Raises EOSError when the window cannot be created. Calling it again
    // does nothing.
    void Initialize();

    // The application's name for the user: the text of its task-bar entry (the application
    // window, which owns every form) and the caption of message boxes. Defaults to the
    // executable's file name without extension.
    const std::string& Title() const noexcept { return FTitle; }
    void SetTitle(const std::string& title);

    // When off, Run does not show the main form (the form shows itself).
    bool ShowMainForm() const noexcept { return FShowMainForm; }
    void SetShowMainForm(bool value) noexcept { FShowMainForm = value; }

    // Creates a form of class T owned by the application and stores it in reference; the
    // first form created this way becomes the main form. The constructor runs before the
    // assignment: a form that needs the reference during construction sets it itself.
    template <class T>
    void CreateForm(T*& reference)
    {
        T* form = new T(this);
        reference = form;
        if (!FMainForm) FMainForm = form;
    }
    // Null before the first CreateForm and after the main form is destroyed.
    TCustomForm* MainForm() const noexcept { return FMainForm; }

    // Shows the main form (unless ShowMainForm is off) and handles messages until
    // Terminate is called or the main form closes. Exceptions that escape a message go to
    // HandleException and the loop goes on. When the loop ends, the forms (every component
    // the application owns) are destroyed, before any unit's state goes.
    void Run();
    // Destroys every component the application owns, now. Run does it when its loop ends,
    // and an exit handler registered by Initialize does it for a program that exits
    // without leaving the loop. Main thread only.
    void DestroyForms() noexcept;
    // Makes Run return once the current message is handled. Posts WM_QUIT.
    void Terminate();
    bool Terminated() const noexcept { return FTerminated; }

    // Handles every message waiting in the queue, and pending Synchronize requests, then
    // returns without waiting.
    void ProcessMessages();
    // Handles one message, or when there is none runs pending Synchronize requests and
    // waits for the next message or request.
    void HandleMessage();

    // Call only inside a catch block: hands the exception being handled to the current
    // top-level routine (see SetHandleExceptionProc). Never throws.
    void HandleException(TObject* sender) noexcept;
    // Hands error to the current ShowException routine. Never throws.
    void ShowException(const Exception& error) noexcept;

    const TExceptionEvent& OnException() const noexcept { return FOnException; }
    void SetOnException(TExceptionEvent handler) { FOnException = std::move(handler); }

    // The application window: the task-bar entry, owner of the forms, receiver of the
    // worker threads' wake-ups. It has no size; it is visible while the main form is.
    // Null before Initialize.
    HWND Handle() const noexcept { return FHandle; }
    // Minimises the application: the task-bar entry, and with it every form it owns.
    void Minimize();

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TCustomForm;
    void ShowTaskBarEntry(bool visible);
    void ActivateMainForm();
    bool ProcessMessage(MSG& msg);
    bool IsKeyMsg(const MSG& msg);
    void Idle();
    static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

    HWND FHandle = nullptr;
    std::string FTitle;
    bool FShowMainForm = true;
    bool FTerminated = false;
    TCustomForm* FMainForm = nullptr;
    TExceptionEvent FOnException;
};

// The one application object; valid for the life of the process.
extern TApplication* const Application;
