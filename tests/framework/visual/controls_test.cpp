#include <gtest/gtest.h>


#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/screen.h"
#include "framework/stdctrls.h"
#include "tests/framework/visual/visual_test_util.h"
#include "tests/support/gui_driver.h"

namespace {

using zv::test::PumpFor;
using zv::test::PumpUntil;

constexpr UINT kShowMessage = WM_APP + 7;

// A form that shows itself through a private message posted from its constructor, as the
// utility's main window does.
class TSelfShowingForm : public TForm {
    RUNTIME_CLASS(TSelfShowingForm, TForm)
public:
    explicit TSelfShowingForm(TComponent* owner) : TForm(owner)
    {
        SetCaption("Self-showing form");
        SetBorderIcons(biSystemMenu | biMinimize);
        SetPosition(poScreenCenter);
        SetClientWidth(311);
        SetClientHeight(187);
        PostToSelf(kShowMessage);
    }

protected:
    void Dispatch(TMessage& message) override
    {
        if (message.Msg == kShowMessage) {
            SetVisible(true);
            return;
        }
        TForm::Dispatch(message);
    }
};

// Two buttons like the utility's, on a form with KeyPreview that records its key presses.
struct TKeyForm {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TButton* Exit = new TButton(Form.get());
    TButton* AllOff = new TButton(Form.get());
    int ExitClicks = 0;
    int AllOffClicks = 0;
    std::string Pressed;

    TKeyForm()
    {
        Application->Initialize();
        Form->SetCaption("Key route");
        Form->SetKeyPreview(true);
        Form->SetOnKeyPress([this](TObject*, char& key) { Pressed += key; });
        Exit->SetCaption("E&xit");
        Exit->SetBounds(10, 10, 75, 25);
        Exit->SetTabStop(false);
        Exit->SetOnClick([this](TObject*) { ++ExitClicks; });
        Exit->SetParent(Form.get());
        AllOff->SetCaption("T&urn All Off");
        AllOff->SetBounds(100, 10, 75, 25);
        AllOff->SetTabStop(false);
        AllOff->SetOnClick([this](TObject*) { ++AllOffClicks; });
        AllOff->SetParent(Form.get());
        Form->Show();
        PumpFor(50);
    }
};

TEST(KeyboardRoute, AcceleratorsClickAndSwallowOtherKeysReachKeyPreview)
{
    struct Case {
        const char* Label;
        char Key;
        int ExitClicks;
        int AllOffClicks;
        const char* Pressed;
    };
    const Case cases[] = {
        {"x", 'x', 1, 0, ""}, {"X", 'X', 1, 0, ""}, {"u", 'u', 0, 1, ""},
        {"U", 'U', 0, 1, ""}, {"a", 'a', 0, 0, "a"}, {"Q", 'Q', 0, 0, "Q"},
    };
    TKeyForm keys;
    struct Target {
        const char* Label;
        HWND Window;
    };
    // The focused control's window, and the form's own window when no control has the focus.
    const Target targets[] = {{"button", keys.Exit->Handle()}, {"form", keys.Form->Handle()}};
    for (const Target& target : targets) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(target.Label) + ": " + c.Label);
            keys.ExitClicks = keys.AllOffClicks = 0;
            keys.Pressed.clear();
            PostMessageA(target.Window, WM_CHAR, static_cast<unsigned char>(c.Key), 1);
            PumpFor(30);
            EXPECT_EQ(keys.ExitClicks, c.ExitClicks);
            EXPECT_EQ(keys.AllOffClicks, c.AllOffClicks);
            EXPECT_EQ(keys.Pressed, c.Pressed);
        }
    }
}

TEST(KeyboardRoute, DisabledButtonLetsItsAcceleratorThrough)
{
    TKeyForm keys;
    keys.Exit->SetEnabled(false);
    PostMessageA(keys.Form->Handle(), WM_CHAR, 'x', 1);
    PumpFor(30);
    EXPECT_EQ(keys.ExitClicks, 0);
    EXPECT_EQ(keys.Pressed, "x");
}

TEST(Form, ShownByItsPrivateMessageCentredWithItsFinalSize)
{
    Application->Initialize();
    TSelfShowingForm form(nullptr);
    HWND window = form.Handle();
    EXPECT_FALSE(IsWindowVisible(window)) << "invisible until its message arrives";
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }));

    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 311);
    EXPECT_EQ(client.bottom, 187);
    EXPECT_EQ(form.ClientWidth(), 311);
    RECT outer{};
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2);

    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0) << "no maximise box";
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_NE(style & WS_SYSMENU, 0);
}

// Records what the framework tells a button.
class TRecordingButton : public TButton {
    RUNTIME_CLASS(TRecordingButton, TButton)
public:
    using TButton::TButton;
    std::vector<UINT> Notices;
    std::vector<bool> Styles;

protected:
    void Dispatch(TMessage& message) override
    {
        if (message.Msg >= CM_BASE && message.Msg < CN_BASE && message.Msg != CM_FOCUSCHANGED)
            Notices.push_back(message.Msg);
        TButton::Dispatch(message);
    }
    void SetButtonStyle(bool isDefault) override
    {
        Styles.push_back(isDefault);
        TButton::SetButtonStyle(isDefault);
    }
};

TEST(Button, PropertyChangesNotifyTheControlAndReachTheWindow)
{
    Application->Initialize();
    TForm form(nullptr);
    auto* button = new TRecordingButton(&form);
    button->SetParent(&form);
    HWND window = button->Handle();
    button->Notices.clear();

    button->SetCaption("&Go");
    EXPECT_EQ(button->Notices, std::vector<UINT>{CM_TEXTCHANGED});
    char text[32] = {};
    GetWindowTextA(window, text, sizeof text);
    EXPECT_STREQ(text, "&Go");

    button->Notices.clear();
    button->SetEnabled(false);
    EXPECT_EQ(button->Notices, std::vector<UINT>{CM_ENABLEDCHANGED});
    EXPECT_FALSE(IsWindowEnabled(window));

    button->Notices.clear();
    button->Font().SetName("Arial");
    EXPECT_EQ(button->Notices, std::vector<UINT>{CM_FONTCHANGED});
    EXPECT_FALSE(button->ParentFont());
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), button->Font().Handle());

    button->Notices.clear();
    form.Font().SetHeight(-20);
    EXPECT_EQ(button->Font().Name(), "Arial") << "a font of its own no longer follows the form";
}

TEST(Button, MouseEnterAndLeaveAndBroadcastNotices)
{
    Application->Initialize();
    TForm form(nullptr);
    auto* first = new TRecordingButton(&form);
    first->SetParent(&form);
    auto* second = new TRecordingButton(&form);
    second->SetLeft(80);
    second->SetParent(&form);
    form.Show();
    PumpFor(30);
    first->Notices.clear();
    second->Notices.clear();

    PostMessageA(first->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    PostMessageA(first->Handle(), WM_MOUSELEAVE, 0, 0);
    PumpFor(50);
    ASSERT_GE(first->Notices.size(), 2u);
    EXPECT_EQ(first->Notices.front(), CM_MOUSEENTER);
    EXPECT_EQ(first->Notices.back(), CM_MOUSELEAVE);
    EXPECT_TRUE(second->Notices.empty());

    first->Notices.clear();
    TMessage pressed{CM_BUTTONPRESSED, 1, reinterpret_cast<LPARAM>(first), 0};
    form.Broadcast(pressed);
    EXPECT_EQ(first->Notices, std::vector<UINT>{CM_BUTTONPRESSED});
    EXPECT_EQ(second->Notices, std::vector<UINT>{CM_BUTTONPRESSED});
}

TEST(Button, ParentFontFollowsTheForm)
{
    Application->Initialize();
    TForm form(nullptr);
    auto* button = new TButton(&form);
    button->SetParent(&form);
    form.Font().SetName("Terminal");
    form.Font().SetHeight(-15);
    EXPECT_EQ(button->Font().Name(), "Terminal");
    EXPECT_EQ(button->Font().Height(), -15);
    EXPECT_TRUE(button->ParentFont());
}

TEST(Button, DefaultLookMovesWithTheFocus)
{
    Application->Initialize();
    TForm form(nullptr);
    auto* ok = new TRecordingButton(&form);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->SetParent(&form);
    auto* other = new TRecordingButton(&form);
    other->SetCaption("Other");
    other->SetLeft(80);
    other->SetParent(&form);
    form.Show();
    PumpFor(30);
    const auto isDefault = [](TButton* b) { return (GetWindowLongPtrA(b->Handle(), GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON; };
    ok->Styles.clear();
    other->Styles.clear();

    other->SetFocus();
    PumpFor(20);
    EXPECT_EQ(ok->Styles, std::vector<bool>{false});
    EXPECT_EQ(other->Styles, std::vector<bool>{true});
    EXPECT_FALSE(isDefault(ok));
    EXPECT_TRUE(isDefault(other));

    ok->Styles.clear();
    other->Styles.clear();
    ok->SetEnabled(false);
    ok->SetEnabled(true);
    SetFocus(form.Handle());
    PumpFor(20);
    EXPECT_EQ(ok->Styles, std::vector<bool>{true}) << "without a focused button the Default one looks default";
    EXPECT_EQ(other->Styles, std::vector<bool>{false});
}

TEST(Form, ForgetsItsActiveControlWhenAnotherOwnerDestroysIt)
{
    Application->Initialize();
    TForm form(nullptr);
    auto owner = std::make_unique<TComponent>(nullptr);
    auto* borrowed = new TButton(owner.get());  // placed on the form, owned elsewhere
    borrowed->SetCaption("Borrowed");
    borrowed->SetParent(&form);
    form.Show();
    PumpFor(30);
    borrowed->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return form.ActiveControl() == borrowed; }));

    owner.reset();  // destroys the button
    EXPECT_EQ(form.ActiveControl(), nullptr);
}

TEST(Button, EnterClicksTheDefaultAndEscapeTheCancelButton)
{
    Application->Initialize();
    TForm form(nullptr);
    std::string clicked;
    auto* ok = new TButton(&form);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    ok->SetOnClick([&](TObject*) { clicked += "ok "; });
    ok->SetParent(&form);
    auto* cancel = new TButton(&form);
    cancel->SetCaption("Cancel");
    cancel->SetCancel(true);
    cancel->SetLeft(80);
    cancel->SetOnClick([&](TObject*) { clicked += "cancel "; });
    cancel->SetParent(&form);
    form.Show();
    SetFocus(form.Handle());
    PumpFor(30);

    PostMessageA(form.Handle(), WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(form.Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
    PumpFor(30);
    EXPECT_EQ(clicked, "ok cancel ");
    EXPECT_EQ(form.ModalResult(), mrOk) << "the OK click set the form's result";
}

// What reached the top-level routines.
std::vector<std::string> shown;
std::vector<std::string> handledSenders;
THandleExceptionProc previousHandler = nullptr;

void RecordShow(const Exception& e)
{
    shown.push_back(e.Message());
}

void RecordHandle(TObject* sender, std::exception_ptr error)
{
    handledSenders.push_back(sender ? sender->ClassName() : "null");
    previousHandler(sender, error);
}

TEST(Application, ExceptionInAClickHandlerGoesThroughHandleAndShowException)
{
    Application->Initialize();
    shown.clear();
    handledSenders.clear();
    const TShowExceptionProc oldShow = SetShowExceptionProc(&RecordShow);
    previousHandler = SetHandleExceptionProc(&RecordHandle);

    TForm form(nullptr);
    auto* button = new TButton(&form);
    int clicks = 0;
    button->SetOnClick([&](TObject*) {
        ++clicks;
        throw EConvertError("Boom " + std::to_string(clicks));
    });
    button->SetParent(&form);
    form.Show();
    PostMessageA(button->Handle(), BM_CLICK, 0, 0);
    PumpUntil([&] { return shown.size() >= 1; });
    PostMessageA(button->Handle(), BM_CLICK, 0, 0);
    PumpUntil([&] { return shown.size() >= 2; });
    // Non-runtime exceptions are wrapped; EAbort is silent.
    button->SetOnClick([&](TObject*) { throw std::runtime_error("plain"); });
    PostMessageA(button->Handle(), BM_CLICK, 0, 0);
    PumpUntil([&] { return shown.size() >= 3; });
    button->SetOnClick([&](TObject*) { throw EAbort(); });
    PostMessageA(button->Handle(), BM_CLICK, 0, 0);
    PumpUntil([&] { return handledSenders.size() >= 4; });
    PumpFor(30);

    SetHandleExceptionProc(previousHandler);
    SetShowExceptionProc(oldShow);
    EXPECT_EQ(shown, (std::vector<std::string>{"Boom 1", "Boom 2", "plain"}));
    ASSERT_EQ(handledSenders.size(), 4u);
    EXPECT_EQ(handledSenders[0], "TForm") << "caught in the window procedure that reflected the click";
    EXPECT_TRUE(IsWindow(form.Handle())) << "the application goes on";
}

TEST(Screen, HourglassIsSetAndRestoredAroundABlockingHandler)
{
    Application->Initialize();
    TForm form(nullptr);
    auto* button = new TButton(&form);
    HCURSOR during = nullptr;
    button->SetOnClick([&](TObject*) {
        TCursorGuard hourglass(crHourGlass);
        during = GetCursor();
        Sleep(100);  // blocks the thread: no WM_SETCURSOR can change it meanwhile
        EXPECT_EQ(GetCursor(), during);
    });
    button->SetParent(&form);
    form.Show();
    PostMessageA(button->Handle(), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return during != nullptr; }));
    EXPECT_EQ(during, LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
    // Back to each window's own cursor: which one shows depends on where the pointer rests.
    EXPECT_NE(GetCursor(), during);
    EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST(Screen, SizeAndWorkArea)
{
    EXPECT_EQ(Screen->Width(), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(Screen->Height(), GetSystemMetrics(SM_CYSCREEN));
    const RECT work = Screen->WorkAreaNear({Screen->Width() + 500, -500});
    EXPECT_GT(work.right - work.left, 0);
    EXPECT_GT(work.bottom - work.top, 0);
    EXPECT_LE(work.right, Screen->Width()) << "the nearest monitor for a point outside every monitor";
}

// An owner-drawn button that paints itself red when its parent reflects the draw request.
class TRedButton : public TButton {
    RUNTIME_CLASS(TRedButton, TButton)
public:
    using TButton::TButton;
    int Draws = 0;
    bool IntoMemoryDC = false;

protected:
    void CreateParams(TCreateParams& params) override
    {
        TButton::CreateParams(params);
        params.Style = (params.Style & ~0xFu) | BS_OWNERDRAW;
    }
    void Dispatch(TMessage& message) override
    {
        if (message.Msg == CN_DRAWITEM) {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
            TCanvas canvas;
            canvas.SetHandle(item->hDC);
            canvas.Brush().SetColor(clRed);
            canvas.FillRect(item->rcItem);
            ++Draws;
            IntoMemoryDC = GetObjectType(item->hDC) == OBJ_MEMDC;
            message.Result = 1;
            return;
        }
        TButton::Dispatch(message);
    }
};

TEST(Reflection, DrawRequestsReachTheOwnerDrawnButtonAlsoDoubleBuffered)
{
    Application->Initialize();
    for (bool doubleBuffered : {false, true}) {
        SCOPED_TRACE(doubleBuffered ? "double-buffered" : "direct");
        TForm form(nullptr);
        form.SetBounds(100, 100, 200, 120);
        auto* button = new TRedButton(&form);
        button->SetDoubleBuffered(doubleBuffered);
        button->SetBounds(10, 10, 60, 30);
        button->SetParent(&form);
        form.Show();
        PumpFor(100);
        const int draws = button->Draws;
        InvalidateRect(button->Handle(), nullptr, TRUE);
        UpdateWindow(button->Handle());
        EXPECT_GT(button->Draws, draws);
        EXPECT_EQ(button->IntoMemoryDC, doubleBuffered) << "double buffering draws off-screen";
        POINT centre{30, 15};
        ClientToScreen(button->Handle(), &centre);
        PumpFor(200);
        EXPECT_EQ(zv::test::ScreenPixel(centre), RGB(255, 0, 0));
    }
}

BOOL CALLBACK FindTooltip(HWND window, LPARAM found)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, TOOLTIPS_CLASSA) == 0) *reinterpret_cast<HWND*>(found) = window;
    return TRUE;
}

TEST(Hints, ShownForControlsWhenTheFormShowsHints)
{
    Application->Initialize();
    TForm form(nullptr);
    form.SetShowHint(true);
    auto* button = new TButton(&form);
    button->SetHint("Exit the application (X)");
    button->SetParent(&form);
    form.Show();
    HWND tooltip = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindTooltip, reinterpret_cast<LPARAM>(&tooltip));
    ASSERT_NE(tooltip, nullptr);
    char text[80] = {};
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = form.Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(button->Handle());
    tool.lpszText = text;
    SendMessageA(tooltip, TTM_GETTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, "Exit the application (X)");

    form.SetShowHint(false);
    text[0] = 0;
    SendMessageA(tooltip, TTM_GETTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, "") << "no tool once hints are off";
}

} // namespace
