// The switch commands' failure paths, in the test's own process, on COM1 (a pseudo-terminal
// behind Wine's COM stack) through a port whose device can be made to vanish mid-command.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "app/Main.h"
#include "framework/format.h"
#include "framework/screen.h"
#include "serial/VaComm.h"
#include "tests/support/scratch_dir.h"

namespace {

using zv::test::ScratchDir;

// COM1 as it is until told to vanish: from then on every status query fails as it does
// for a serial adapter pulled out of its socket.
class TVanishingPort : public TVaComm {
    RUNTIME_CLASS(TVanishingPort, TVaComm)
public:
    using TVaComm::TVaComm;
    // Status queries still answered; negative: the device never vanishes.
    int QueriesBeforeVanishing = -1;
    int Opens = 0;

protected:
    void OpenHandle() override
    {
        ++Opens;
        TVaComm::OpenHandle();
    }
    bool FetchCommStatus(DWORD& errors, COMSTAT& status) override
    {
        if (QueriesBeforeVanishing == 0) {
            SetLastError(ERROR_DEVICE_NOT_CONNECTED);
            return false;
        }
        if (QueriesBeforeVanishing > 0) --QueriesBeforeVanishing;
        return TVaComm::FetchCommStatus(errors, status);
    }
};

struct FormDeleter {
    void operator()(TFrmMain* form) const { delete form; }
};
using FormPtr = std::unique_ptr<TFrmMain, FormDeleter>;

class SwitchCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        Form.reset(new TFrmMain(nullptr, Dir.Write("[Serial]\r\nComPort=COM1\r\n[SwitchNames]\r\nA=Fan\r\n"),
                                [this](TComponent* owner) { return Port = new TVanishingPort(owner); }));
        ASSERT_EQ(Form->VaComm, Port);
    }

    ScratchDir Dir;
    TVanishingPort* Port = nullptr;
    FormPtr Form;
};

TEST_F(SwitchCommands, AFailedWriteClosesThePortAndRestoresTheCursorBeforeItGoesOn)
{
    struct Case {
        const char* label;
        std::function<void(TFrmMain&)> command;
    };
    const Case cases[] = {
        {"turn on A", [](TFrmMain& form) { form.SpeedButtonClick(form.SwitchButtons(0)); }},
        {"all off", [](TFrmMain& form) { form.BtnAllOffClick(form.BtnAllOff); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const int opensBefore = Port->Opens;
        Port->QueriesBeforeVanishing = 1;  // the first byte goes out, then the device is gone
        std::string message = "no exception";
        try {
            c.command(*Form);
        } catch (const EVaCommError& e) {
            message = e.Message();
            // What the application's handler will find.
            EXPECT_FALSE(Port->IsOpen());
            EXPECT_EQ(Screen->Cursor(), crDefault);
        }
        EXPECT_EQ(message, Format("Error retrieving statistics (%d), %s",
                                  {ERROR_DEVICE_NOT_CONNECTED, VaSystemErrorText(ERROR_DEVICE_NOT_CONNECTED)}));
        EXPECT_EQ(Port->Opens, opensBefore + 1);

        // The device is back: the next command opens the port afresh and closes it again.
        Port->QueriesBeforeVanishing = -1;
        c.command(*Form);
        EXPECT_EQ(Port->Opens, opensBefore + 2);
        EXPECT_FALSE(Port->IsOpen());
        EXPECT_EQ(Screen->Cursor(), crDefault);
    }
}

} // namespace
