// The main window built in this process from configuration files of the tests: what it
// reads through the platform's private-profile functions, the buttons it makes, and the
// real window's size and places once its private message has shown it.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Main.h"
#include "app/SwitchConfig.h"
#include "framework/application.h"
#include "framework/screen.h"
#include "tests/support/gui_pump.h"
#include "tests/support/scratch_dir.h"

namespace {

using zv::test::ScratchDir;

using zv::test::FormDeleter;
using FormPtr = std::unique_ptr<TFrmMain, FormDeleter>;

// A main window over a configuration file holding exactly `ini`.
class MainWindow : public ::testing::Test {
protected:
    FormPtr Build(const std::string& ini) { return FormPtr(new TFrmMain(nullptr, Dir.Write(ini))); }

    static std::vector<std::string> Captions(const TFrmMain& form)
    {
        std::vector<std::string> captions;
        for (int i = 0; i < form.SwitchCount(); ++i) captions.push_back(form.SwitchButtons(i)->Caption());
        return captions;
    }

    // Handles messages until the form's private message has made it visible.
    static bool WaitUntilShown(TFrmMain& form)
    {
        const ULONGLONG end = GetTickCount64() + 5000;
        while (!IsWindowVisible(form.Handle())) {
            if (GetTickCount64() > end) return false;
            Application->ProcessMessages();
            Sleep(5);
        }
        Application->ProcessMessages();
        return true;
    }

    static RECT ChildRect(TFrmMain& form, TControl* control)
    {
        RECT r{};
        GetWindowRect(static_cast<TWinControl*>(control)->Handle(), &r);
        MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    ScratchDir Dir;
};

TEST_F(MainWindow, ReadsTheSettingsByThePrivateProfileRules)
{
    struct Case {
        const char* label;
        std::string ini;
        std::string device;
        char attention;
        std::vector<std::string> captions;
    };
    const Case cases[] = {
        {"default file", DefaultConfigText(), "COM1", '~',
         {"&A - Turn on switch  1", "&B - Turn on switch  2", "&C - Turn on switch  3", "&D - Turn on switch  4",
          "&E - Turn on switch  5", "&F - Turn on switch  6", "&G - Turn on switch  7", "&H - Turn on switch  8",
          "&I - Turn on switch  9", "&J - Turn on switch 10", "&K - Turn on switch 11", "&L - Turn on switch 12",
          "&M - Turn on switch 13", "&N - Turn on switch 14"}},
        {"names in other case, blanks and quotes",
         "[serial]\r\n  comport =  COM%d  \r\n ALTCHAR =  false \r\n[switchnames]\r\n"
         "f = \"Pump  2\"\r\nc=  Fan  \r\nU=Extra\r\nV=More\r\n",
         "COM%d", '~', {"&C - Fan", "&F - Pump  2"}},
        {"single quotes, empty and disabled letters",
         "[Serial]\r\nComPort=COM7\r\nAltChar=\r\n[SwitchNames]\r\nA=\r\n;B=Hidden\r\nD='Lamp'\r\n",
         "COM7", '`', {"&D - Lamp"}},
        {"no serial section", "[SwitchNames]\r\nT=Last\r\n", "COM1", '~', {"&T - Last"}},
        {"alternative attention character", "[Serial]\r\nAltChar=Yes\r\n", "COM1", '`', {}},
        {"empty file", "", "COM1", '~', {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FormPtr form = Build(c.ini);
        EXPECT_EQ(form->VaComm->DeviceName(), c.device);
        EXPECT_EQ(form->AttentionChar(), c.attention);
        EXPECT_EQ(Captions(*form), c.captions);
        EXPECT_EQ(form->SwitchButtons(form->SwitchCount()), nullptr);
    }
}

TEST_F(MainWindow, TheComPortValueIsTheSerialDeviceNameWithPortNum2)
{
    EXPECT_EQ(Build("[Serial]\r\nComPort=COM%d\r\n")->VaComm->DevicePath(), "\\\\.\\COM2");
    EXPECT_EQ(Build("[Serial]\r\nComPort=COM7\r\n")->VaComm->DevicePath(), "\\\\.\\COM7");
}

TEST_F(MainWindow, AMissingDeviceShowsTheSerialMessageAndLeavesThePortClosed)
{
    static std::vector<std::string> shown;
    shown.clear();
    const TShowExceptionProc previous = SetShowExceptionProc([](const Exception& e) { shown.push_back(e.Message()); });
    FormPtr form = Build("[Serial]\r\nComPort=ZVNOPORT9\r\n[SwitchNames]\r\nA=Fan\r\n");
    form->SpeedButtonClick(form->SwitchButtons(0));
    SetShowExceptionProc(previous);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind("Specified device not found", 0), 0u) << shown[0];
    EXPECT_FALSE(form->VaComm->IsOpen());
}

TEST_F(MainWindow, AClickFromAnythingButAPortButtonLeavesThePortAlone)
{
    static int shown;
    shown = 0;
    const TShowExceptionProc previous = SetShowExceptionProc([](const Exception&) { ++shown; });
    // A missing device: any attempt to open the port would be shown.
    FormPtr form = Build("[Serial]\r\nComPort=ZVNOPORT9\r\n[SwitchNames]\r\nA=Fan\r\n");
    form->SpeedButtonClick(form->BtnExit);
    form->SpeedButtonClick(nullptr);
    SetShowExceptionProc(previous);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(MainWindow, AValueIsCutTo2047Characters)
{
    FormPtr form = Build("[SwitchNames]\r\nB=" + std::string(3000, 'n') + "\r\n");
    ASSERT_EQ(form->SwitchCount(), 1);
    EXPECT_EQ(form->SwitchButtons(0)->Caption(), "&B - " + std::string(2047, 'n'));
}

TEST_F(MainWindow, PortButtonsCarryTheirLetter)
{
    FormPtr form = Build("[SwitchNames]\r\nC=Fan\r\nF=Pump\r\n");
    ASSERT_EQ(form->SwitchCount(), 2);
    TSwitchButton* pump = form->SwitchButtons(1);
    EXPECT_EQ(pump->Tag(), 'F');
    EXPECT_EQ(pump->Hint(), "Press F or click this button to turn on the port");
    EXPECT_FALSE(pump->TabStop());
    EXPECT_EQ(pump->Font().Name(), "Terminal");
    EXPECT_EQ(pump->Font().Size(), 10);
    EXPECT_EQ(pump->Width(), 8 * 9 + 18);  // "&F - Pump"
    EXPECT_EQ(pump->Height(), 25);
}

TEST_F(MainWindow, ShowsItselfOnceCentredWithItsFinalSize)
{
    FormPtr form = Build(DefaultConfigText());
    EXPECT_FALSE(IsWindowVisible(form->Handle())) << "visible before its private message";
    ASSERT_TRUE(WaitUntilShown(*form));

    RECT window{};
    GetWindowRect(form->Handle(), &window);
    EXPECT_EQ(window.right - window.left, 428);
    EXPECT_EQ(window.bottom - window.top, 276);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR((window.left + window.right) / 2, screenWidth / 2, 1);
    EXPECT_NEAR((window.top + window.bottom) / 2, screenHeight / 2, 1);

    const LONG style = GetWindowLongA(form->Handle(), GWL_STYLE);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    char caption[64]{};
    GetWindowTextA(form->Handle(), caption, sizeof caption);
    EXPECT_STREQ(caption, "Zorvan Menu Utility");

    struct Place { TControl* control; LONG left, top; };
    const Place places[] = {
        {form->SwitchButtons(0), 10, 10},  {form->SwitchButtons(6), 10, 166},
        {form->SwitchButtons(7), 214, 10}, {form->SwitchButtons(13), 214, 166},
        {form->BtnExit, 333, 206},         {form->BtnAllOff, 10, 206},
    };
    for (const Place& p : places) {
        SCOPED_TRACE(p.control->Caption());
        const RECT r = ChildRect(*form, p.control);
        EXPECT_EQ(r.left, p.left);
        EXPECT_EQ(r.top, p.top);
    }
}

TEST_F(MainWindow, WithoutAnyPortButtonTheWindowStillHoldsBothBottomButtons)
{
    FormPtr form = Build("[Serial]\r\nComPort=COM1\r\n");
    ASSERT_EQ(form->SwitchCount(), 0);
    ASSERT_TRUE(WaitUntilShown(*form));
    RECT window{}, client{};
    GetWindowRect(form->Handle(), &window);
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(window.right - window.left, 210);
    EXPECT_EQ(window.bottom - window.top, 80);
    const RECT exit = ChildRect(*form, form->BtnExit), allOff = ChildRect(*form, form->BtnAllOff);
    EXPECT_EQ(allOff.right + 10, exit.left) << "side by side";
    EXPECT_EQ(allOff.top, exit.top);
    for (const RECT& r : {exit, allOff}) {
        EXPECT_GE(r.left, 0);
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.right, client.right);
        EXPECT_LE(r.bottom, client.bottom);
    }
}

} // namespace
