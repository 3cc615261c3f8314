// The switch commands in the test's own process, on COM1 (a pseudo-terminal behind Wine's
// COM stack): their failure paths, through a port whose device can be made to vanish
// mid-command, and their pauses on a line whose event waits fail.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Main.h"
#include "framework/format.h"
#include "framework/screen.h"
#include "serial/VaComm.h"
#include "tests/support/import_patch.h"
#include "tests/support/line_refusals.h"
#include "tests/support/scratch_dir.h"

namespace {

using zv::test::ScratchDir;

// What one thread does during a command, on the performance counter: its sleeps' returns
// ('S'), its status queries ('Q', Drain's after each byte's write), the port's opening
// ('O') and closing ('C'). Off unless a test records.
struct TTimelineEntry {
    char Kind;
    LONGLONG At;
};
std::vector<TTimelineEntry> timeline;
DWORD timelineThread = 0;

void Note(char kind)
{
    if (timelineThread == 0 || GetCurrentThreadId() != timelineThread) return;
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    timeline.push_back({kind, now.QuadPart});
}

using TSleep = VOID(WINAPI*)(DWORD);
TSleep realSleep = nullptr;

VOID WINAPI NotedSleep(DWORD ms)
{
    realSleep(ms);
    Note('S');
}

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
        Note('Q');
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

// The pauses of a recorded command, in ms: the first from the port's opening, each other
// from the end of the pause before. A pause is a run of sleeps between two byte writes
// (the status queries of the write's Drain separate the runs); it ends at its last sleep.
std::vector<double> RecordedPausesMs()
{
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    const double countsPerMs = static_cast<double>(frequency.QuadPart) / 1000.0;
    std::vector<double> pauses;
    LONGLONG from = -1, runEnd = -1;
    for (const TTimelineEntry& entry : timeline) {
        if (entry.Kind == 'O') from = entry.At;
        if (from < 0) continue;
        if (entry.Kind == 'S') runEnd = entry.At;
        if ((entry.Kind == 'Q' || entry.Kind == 'C') && runEnd >= 0) {
            pauses.push_back(static_cast<double>(runEnd - from) / countsPerMs);
            from = runEnd;
            runEnd = -1;
        }
        if (entry.Kind == 'C') break;
    }
    return pauses;
}

// Under Wine the tick count is refreshed only when the wine server wakes (about every
// 16 ms), and on a line whose event waits fail nothing wakes it between the bytes: a pause
// counted from it ended up to 16 ms early. Measured on the performance counter here, every
// pause lasts at least its length. A pause ends when its clock says so, right after its
// last sleep returns; the mark of that return comes a moment before that reading, hence
// the small allowance.
TEST_F(SwitchCommands, EveryPauseLastsItsLengthOnALineWhoseEventWaitsFail)
{
    zv::test::LineRefusals line;
    if (!line.Available()) GTEST_SKIP() << "no pty shim control file (ZV_PTYSHIM_CONTROL)";
    line.Refuse("modem");
    constexpr double kAllowanceMs = 0.1;
    struct Case {
        const char* label;
        std::function<void(TFrmMain&)> command;
        std::vector<double> pausesMs;
    };
    const Case cases[] = {
        {"turn on A", [](TFrmMain& form) { form.SpeedButtonClick(form.SwitchButtons(0)); }, {500, 50, 50, 50}},
        {"all off", [](TFrmMain& form) { form.BtnAllOffClick(form.BtnAllOff); }, {500, 50, 50}},
    };
    Port->OnOpen = [](TObject*) { Note('O'); };
    Port->OnClose = [](TObject*) { Note('C'); };
    zv::test::ImportPatch sleeps("Sleep", reinterpret_cast<void*>(&NotedSleep));
    realSleep = reinterpret_cast<TSleep>(sleeps.Original());
    for (int round = 0; round < 2; ++round) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.label);
            timeline.clear();
            timeline.reserve(4096);
            timelineThread = GetCurrentThreadId();
            c.command(*Form);
            timelineThread = 0;
            const std::vector<double> pauses = RecordedPausesMs();
            ASSERT_EQ(pauses.size(), c.pausesMs.size()) << ::testing::PrintToString(pauses);
            for (std::size_t i = 0; i < pauses.size(); ++i)
                EXPECT_GE(pauses[i], c.pausesMs[i] - kAllowanceMs) << "pause " << i + 1 << " of "
                                                                   << ::testing::PrintToString(pauses);
        }
    }
}

} // namespace
