// Settings of the serial component without a device: the option groups and their change
// notification, the translation into the device control block and the event mask, the
// change rules of a closed component, and the message helpers.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <functional>
#include <string>

#include "framework/exceptions.h"
#include "serial/VaComm.h"

namespace {

// The DCB's bit fields as the one 32-bit word that follows BaudRate.
DWORD FlagWord(const DCB& dcb)
{
    DWORD word = 0;
    std::memcpy(&word, reinterpret_cast<const char*>(&dcb) + offsetof(DCB, BaudRate) + sizeof(DWORD), sizeof word);
    return word;
}

struct DcbCase {
    const char* label;
    std::function<void(TVaLineSettings&)> change;
    DWORD baud;
    BYTE byteSize, parity, stopBits;
    DWORD flags;
};

TEST(VaBuildDCB, TranslatesEachSettingIntoItsFieldAndFlag)
{
    const DcbCase cases[] = {
        {"defaults", [](TVaLineSettings&) {}, 1200, 8, NOPARITY, ONESTOPBIT, 0x1},
        {"switch command line", [](TVaLineSettings& s) { s.Baudrate = br9600; }, 9600, 8, NOPARITY, ONESTOPBIT, 0x1},
        {"user rate", [](TVaLineSettings& s) { s.Baudrate = brUser; s.UserBaudrate = 31250; }, 31250, 8, 0, 0, 0x1},
        {"115200 7E2",
         [](TVaLineSettings& s) { s.Baudrate = br115200; s.Databits = db7; s.Parity = paEven; s.Stopbits = sb2; },
         115200, 7, EVENPARITY, TWOSTOPBITS, 0x1},
        {"odd parity, 5 bits, 1.5 stop", [](TVaLineSettings& s) { s.Parity = paOdd; s.Stopbits = sb15; s.Databits = db5; },
         1200, 5, ODDPARITY, ONE5STOPBITS, 0x1},
        {"mark parity, 4 bits", [](TVaLineSettings& s) { s.Parity = paMark; s.Databits = db4; }, 1200, 4, MARKPARITY, 0, 0x1},
        {"space parity, 6 bits", [](TVaLineSettings& s) { s.Parity = paSpace; s.Databits = db6; }, 1200, 6, SPACEPARITY, 0, 0x1},
        {"parity check", [](TVaLineSettings& s) { s.Options.Include(coParityCheck); }, 1200, 8, 0, 0, 0x3},
        {"CTS flow", [](TVaLineSettings& s) { s.OutCtsFlow = true; }, 1200, 8, 0, 0, 0x5},
        {"DSR flow", [](TVaLineSettings& s) { s.OutDsrFlow = true; }, 1200, 8, 0, 0, 0x9},
        {"DTR enabled", [](TVaLineSettings& s) { s.ControlDtr = dtrEnabled; }, 1200, 8, 0, 0, 0x11},
        {"DTR handshake", [](TVaLineSettings& s) { s.ControlDtr = dtrHandshake; }, 1200, 8, 0, 0, 0x21},
        {"DSR sensitivity", [](TVaLineSettings& s) { s.DsrSensitivity = true; }, 1200, 8, 0, 0, 0x41},
        {"continue on XOFF", [](TVaLineSettings& s) { s.TxContinueOnXoff = true; }, 1200, 8, 0, 0, 0x81},
        {"XON/XOFF out", [](TVaLineSettings& s) { s.XonXoffOut = true; }, 1200, 8, 0, 0, 0x101},
        {"XON/XOFF in", [](TVaLineSettings& s) { s.XonXoffIn = true; }, 1200, 8, 0, 0, 0x201},
        {"error char", [](TVaLineSettings& s) { s.Options.Include(coErrorChar); }, 1200, 8, 0, 0, 0x401},
        {"null strip", [](TVaLineSettings& s) { s.Options.Include(coNullStrip); }, 1200, 8, 0, 0, 0x801},
        {"RTS enabled", [](TVaLineSettings& s) { s.ControlRts = rtsEnabled; }, 1200, 8, 0, 0, 0x1001},
        {"RTS handshake", [](TVaLineSettings& s) { s.ControlRts = rtsHandshake; }, 1200, 8, 0, 0, 0x2001},
        {"RTS toggle", [](TVaLineSettings& s) { s.ControlRts = rtsToggle; }, 1200, 8, 0, 0, 0x3001},
        {"everything",
         [](TVaLineSettings& s) {
             s.Options = {coErrorChar, coNullStrip, coParityCheck};
             s.OutCtsFlow = s.OutDsrFlow = s.XonXoffOut = s.XonXoffIn = true;
             s.DsrSensitivity = s.TxContinueOnXoff = true;
             s.ControlDtr = dtrHandshake;
             s.ControlRts = rtsToggle;
         },
         1200, 8, 0, 0, 0x3FEF},
    };
    for (const DcbCase& c : cases) {
        SCOPED_TRACE(c.label);
        TVaLineSettings settings;
        c.change(settings);
        DCB dcb = VaBuildDCB(settings);
        EXPECT_EQ(dcb.DCBlength, sizeof(DCB));
        EXPECT_EQ(dcb.BaudRate, c.baud);
        EXPECT_EQ(dcb.ByteSize, c.byteSize);
        EXPECT_EQ(dcb.Parity, c.parity);
        EXPECT_EQ(dcb.StopBits, c.stopBits);
        EXPECT_EQ(FlagWord(dcb), c.flags) << std::hex << FlagWord(dcb);
        EXPECT_FALSE(dcb.fAbortOnError);
    }
}

TEST(VaBuildDCB, CarriesTheEventCharactersAndLimits)
{
    TVaLineSettings settings;
    settings.XonChar = 0x11;
    settings.XoffChar = 0x13;
    settings.ErrorChar = '?';
    settings.EventChar = '\n';
    settings.EofChar = 0x1A;
    settings.XonLimit = 0x12345;  // only the low 16 bits fit
    settings.XoffLimit = 300;
    DCB dcb = VaBuildDCB(settings);
    EXPECT_EQ(static_cast<unsigned char>(dcb.XonChar), 0x11);
    EXPECT_EQ(static_cast<unsigned char>(dcb.XoffChar), 0x13);
    EXPECT_EQ(dcb.ErrorChar, '?');
    EXPECT_EQ(dcb.EvtChar, '\n');
    EXPECT_EQ(static_cast<unsigned char>(dcb.EofChar), 0x1A);
    EXPECT_EQ(dcb.XonLim, 0x2345);
    EXPECT_EQ(dcb.XoffLim, 300);
}

TEST(VaBaudrateValue, FollowsTheRateTable)
{
    const std::pair<TVaBaudrate, DWORD> table[] = {
        {br110, 110},       {br300, 300},       {br600, 600},         {br1200, 1200},
        {br2400, 2400},     {br4800, 4800},     {br9600, 9600},       {br14400, 14400},
        {br19200, 19200},   {br38400, 38400},   {br56000, 56000},     {br57600, 57600},
        {br115200, 115200}, {br128000, 128000}, {br256000, 256000},
    };
    for (const auto& [rate, bps] : table) {
        SCOPED_TRACE(bps);
        EXPECT_EQ(VaBaudrateValue(rate, 77), bps) << "the user rate counts only for brUser";
    }
    EXPECT_EQ(VaBaudrateValue(brUser, 31250), 31250u);
}

TEST(VaEventMask, UnitesTheFlagsOfTheWatchedEvents)
{
    struct Case {
        const char* label;
        TVaCommEvents events;
        bool directWrite;
        DWORD mask;
    };
    const Case cases[] = {
        {"defaults, queued writes", {ceError, ceRxChar, ceTxEmpty}, false, 0x81},
        {"defaults, direct writes", {ceError, ceRxChar, ceTxEmpty}, true, 0x85},
        {"none", {}, true, 0},
        {"only transmit-empty, queued writes", {ceTxEmpty}, false, 0},
        {"only transmit-empty, direct writes", {ceTxEmpty}, true, 0x4},
        {"each flag",
         {ceBreak, ceCts, ceDsr, ceError, ceRing, ceRlsd, ceRxChar, ceRxFlag, cePErr, ceRx80Full, ceEvent1, ceEvent2},
         false, 0x1FFB},
        {"break", {ceBreak}, false, 0x40},
        {"cts", {ceCts}, false, 0x8},
        {"dsr", {ceDsr}, false, 0x10},
        {"ring", {ceRing}, false, 0x100},
        {"rlsd", {ceRlsd}, false, 0x20},
        {"rxflag", {ceRxFlag}, false, 0x2},
        {"perr", {cePErr}, false, 0x200},
        {"rx80full", {ceRx80Full}, false, 0x400},
        {"event1", {ceEvent1}, false, 0x800},
        {"event2", {ceEvent2}, false, 0x1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(VaEventMask(c.events, c.directWrite), c.mask);
    }
}

TEST(VaComm, HasItsPublishedDefaults)
{
    TVaComm comm(nullptr);
    EXPECT_FALSE(comm.AutoOpen());
    EXPECT_EQ(comm.Baudrate(), br1200);
    EXPECT_EQ(comm.Parity(), paNone);
    EXPECT_EQ(comm.Databits(), db8);
    EXPECT_EQ(comm.Stopbits(), sb1);
    EXPECT_TRUE(comm.Options().Empty());
    EXPECT_EQ(comm.PortNum(), 0);
    EXPECT_EQ(comm.DeviceName(), "COM%d");
    EXPECT_TRUE(comm.MonitorEvents() == (TVaCommEvents{ceError, ceRxChar, ceTxEmpty}));
    EXPECT_EQ(comm.EventMask(), 0x81u);
    EXPECT_EQ(comm.EventPriority(), tpNormal);
    EXPECT_EQ(comm.WritePriority(), tpHighest);
    EXPECT_FALSE(comm.DirectWrite());
    EXPECT_TRUE(comm.UpdateDCB());
    EXPECT_EQ(comm.UserBaudrate(), 0);
    EXPECT_EQ(comm.Display(), nullptr);
    EXPECT_FALSE(comm.IsOpen());

    EXPECT_EQ(comm.Buffers().ReadSize(), 4096);
    EXPECT_EQ(comm.Buffers().WriteSize(), 2048);
    EXPECT_EQ(comm.Buffers().ReadTimeout(), 1000);
    EXPECT_EQ(comm.Buffers().WriteTimeout(), 1000);
    EXPECT_EQ(comm.Buffers().XonLimit(), 1024);
    EXPECT_EQ(comm.Buffers().XoffLimit(), 1024);
    EXPECT_EQ(comm.EventChars().XonChar(), 17);
    EXPECT_EQ(comm.EventChars().XoffChar(), 19);
    EXPECT_EQ(comm.EventChars().ErrorChar(), 0);
    EXPECT_EQ(comm.EventChars().EventChar(), 0);
    EXPECT_EQ(comm.EventChars().EofChar(), 0);
    EXPECT_FALSE(comm.FlowControl().OutCtsFlow());
    EXPECT_EQ(comm.FlowControl().ControlDtr(), dtrDisabled);
    EXPECT_EQ(comm.FlowControl().ControlRts(), rtsDisabled);

    EXPECT_EQ(comm.ClassName(), "TVaComm");
    EXPECT_TRUE(comm.InheritsFrom("TVaCustomComm"));
    EXPECT_TRUE(comm.InheritsFrom("TVaComponent"));
    EXPECT_TRUE(comm.InheritsFrom("TComponent"));
}

TEST(VaComm, VersionIsFixed)
{
    TVaComm comm(nullptr);
    comm.SetVersion("9.9");
    EXPECT_EQ(comm.Version(), "1.3.5.0");
}

TEST(VaComm, BaudrateAndUserBaudrateResetEachOther)
{
    TVaComm comm(nullptr);
    comm.SetBaudrate(br9600);
    EXPECT_EQ(comm.Baudrate(), br9600);
    comm.SetUserBaudrate(31250);
    EXPECT_EQ(comm.Baudrate(), brUser);
    EXPECT_EQ(comm.UserBaudrate(), 31250);
    EXPECT_EQ(comm.LineSettings().Baudrate, brUser);
    EXPECT_EQ(VaBuildDCB(comm.LineSettings()).BaudRate, 31250u);
    comm.SetBaudrate(br4800);
    EXPECT_EQ(comm.UserBaudrate(), 0);
    EXPECT_EQ(VaBuildDCB(comm.LineSettings()).BaudRate, 4800u);
}

TEST(VaComm, EofCharIsIndependentOfEventChar)
{
    TVaComm comm(nullptr);
    comm.EventChars().SetEofChar(0x1A);
    comm.EventChars().SetEventChar('\r');
    EXPECT_EQ(comm.EventChars().EofChar(), 0x1A);
    EXPECT_EQ(comm.EventChars().EventChar(), '\r');
    DCB dcb = VaBuildDCB(comm.LineSettings());
    EXPECT_EQ(static_cast<unsigned char>(dcb.EofChar), 0x1A);
    EXPECT_EQ(dcb.EvtChar, '\r');
}

TEST(VaComm, ClosedOnlySettingsAreStoredWhileClosed)
{
    TVaComm comm(nullptr);
    comm.SetPortNum(3);
    comm.SetDeviceName("COM%d");
    comm.SetDirectWrite(true);
    comm.SetMonitorEvents({ceRxChar});
    comm.SetUpdateDCB(false);
    comm.Buffers().SetWriteSize(64);
    EXPECT_EQ(comm.DevicePath(), "\\\\.\\COM3");
    EXPECT_TRUE(comm.DirectWrite());
    EXPECT_EQ(comm.EventMask(), 0x1u);
    EXPECT_FALSE(comm.UpdateDCB());
    EXPECT_EQ(comm.Buffers().WriteSize(), 64);
}

TEST(VaComm, DevicePathFormatsTheNameWithThePortNumber)
{
    struct Case {
        const char* name;
        int port;
        const char* path;
    };
    for (const Case& c : {Case{"COM%d", 0, "\\\\.\\COM0"}, Case{"COM%d", 3, "\\\\.\\COM3"},
                          Case{"COM1", 7, "\\\\.\\COM1"}, Case{"CNCA%d", 12, "\\\\.\\CNCA12"}}) {
        SCOPED_TRACE(c.path);
        TVaComm comm(nullptr);
        comm.SetDeviceName(c.name);
        comm.SetPortNum(c.port);
        EXPECT_EQ(comm.DevicePath(), c.path);
    }
    TVaComm bad(nullptr);
    bad.SetDeviceName("COM%s");
    EXPECT_THROW(bad.DevicePath(), EConvertError);
}

// --- Option groups ---

struct Counter {
    int changes = 0;
    std::function<void()> Handler()
    {
        return [this] { ++changes; };
    }
};

TEST(VaFlowControl, NotifiesOnlyRealChanges)
{
    TVaFlowControl flow;
    Counter counter;
    flow.SetOnChange(counter.Handler());
    flow.SetOutCtsFlow(false);
    flow.SetControlDtr(dtrDisabled);
    EXPECT_EQ(counter.changes, 0);
    flow.SetOutCtsFlow(true);
    flow.SetControlRts(rtsToggle);
    flow.SetXonXoffIn(true);
    EXPECT_EQ(counter.changes, 3);
}

TEST(VaEventChars, NotifiesEvenWhenTheValueIsTheSame)
{
    TVaEventChars chars;
    Counter counter;
    chars.SetOnChange(counter.Handler());
    chars.SetXonChar(17);
    chars.SetXonChar(17);
    EXPECT_EQ(counter.changes, 2);
    chars.SetChar(9, 1);  // no such index
    EXPECT_EQ(counter.changes, 2);
}

TEST(VaBuffers, TimeoutsChangeWithoutNotification)
{
    TVaBuffers buffers;
    Counter counter;
    buffers.SetOnChange(counter.Handler());
    buffers.SetReadTimeout(5);
    buffers.SetWriteTimeout(6);
    EXPECT_EQ(counter.changes, 0);
    buffers.SetReadSize(4096);
    EXPECT_EQ(counter.changes, 0) << "unchanged";
    buffers.SetReadSize(100);
    buffers.SetXoffLimit(10);
    EXPECT_EQ(counter.changes, 2);
    EXPECT_THROW(buffers.SetWriteSize(-1), EVaCommError);
    EXPECT_EQ(buffers.WriteSize(), 2048);
}

TEST(VaOptionGroups, AssignCopiesEverythingWithOneNotification)
{
    {
        SCOPED_TRACE("flow control");
        TVaFlowControl source, dest;
        source.SetOutCtsFlow(true);
        source.SetOutDsrFlow(true);
        source.SetControlDtr(dtrHandshake);
        source.SetControlRts(rtsHandshake);
        source.SetXonXoffOut(true);
        source.SetXonXoffIn(true);
        source.SetDsrSensitivity(true);
        source.SetTxContinueOnXoff(true);
        Counter counter;
        dest.SetOnChange(counter.Handler());
        dest.Assign(&source);
        EXPECT_EQ(counter.changes, 1);
        EXPECT_TRUE(dest.OutCtsFlow() && dest.OutDsrFlow() && dest.XonXoffOut() && dest.XonXoffIn());
        EXPECT_TRUE(dest.DsrSensitivity() && dest.TxContinueOnXoff());
        EXPECT_EQ(dest.ControlDtr(), dtrHandshake);
        EXPECT_EQ(dest.ControlRts(), rtsHandshake);
        EXPECT_EQ(dest.UpdateCount(), 0);
    }
    {
        SCOPED_TRACE("event chars");
        TVaEventChars source, dest;
        for (int i = 1; i <= 5; ++i) source.SetChar(i, static_cast<unsigned char>(100 + i));
        Counter counter;
        dest.SetOnChange(counter.Handler());
        dest.Assign(&source);
        EXPECT_EQ(counter.changes, 1);
        EXPECT_EQ(dest.XonChar(), 101);
        EXPECT_EQ(dest.EofChar(), 105);
    }
    {
        SCOPED_TRACE("buffers");
        TVaBuffers source, dest;
        source.SetReadSize(1);
        source.SetWriteSize(2);
        source.SetReadTimeout(3);
        source.SetWriteTimeout(4);
        source.SetXonLimit(5);
        source.SetXoffLimit(6);
        Counter counter;
        dest.SetOnChange(counter.Handler());
        dest.Assign(&source);
        EXPECT_EQ(counter.changes, 1);
        EXPECT_EQ(dest.ReadSize() * 100000 + dest.WriteSize() * 10000 + dest.ReadTimeout() * 1000 +
                      dest.WriteTimeout() * 100 + dest.XonLimit() * 10 + dest.XoffLimit(),
                  123456);
    }
    {
        SCOPED_TRACE("from another class");
        TVaBuffers buffers;
        TVaFlowControl flow;
        EXPECT_THROW(buffers.Assign(&flow), EConvertError);
    }
}

TEST(VaPersistent, EndUpdateNotifiesOnceAtTheOutermostLevel)
{
    TVaEventChars chars;
    Counter counter;
    chars.SetOnChange(counter.Handler());
    chars.BeginUpdate();
    chars.BeginUpdate();
    chars.SetXoffChar(1);
    chars.EndUpdate();
    EXPECT_EQ(counter.changes, 0);
    chars.EndUpdate();
    EXPECT_EQ(counter.changes, 1);
    chars.EndUpdate();  // unbalanced: the counter stays at 0 and Changed still runs
    EXPECT_EQ(chars.UpdateCount(), 0);
    EXPECT_EQ(counter.changes, 2);
}

// --- Message helpers ---

TEST(VaSystemText, TrimsTrailingBlanksControlCharactersAndFullStops)
{
    struct Case {
        const char* raw;
        const char* trimmed;
    };
    for (const Case& c : {Case{"Access is denied.\r\n", "Access is denied"}, Case{"Done...  \t", "Done"},
                          Case{"v1.2 ok", "v1.2 ok"}, Case{". . .", ""}, Case{"", ""}}) {
        SCOPED_TRACE(c.raw);
        EXPECT_EQ(VaTrimSystemText(c.raw), c.trimmed);
    }
    for (DWORD code : {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_INVALID_PARAMETER}) {
        SCOPED_TRACE(code);
        std::string text = VaSystemErrorText(code);
        ASSERT_FALSE(text.empty());
        EXPECT_NE(text.back(), '.');
        EXPECT_GT(static_cast<unsigned char>(text.back()), ' ');
    }
    EXPECT_EQ(VaEscapeFormat("a%b%%c"), "a%%b%%%%c");
}

TEST(VaComm, RaiseCommErrorFormatsTheCodeAndItsText)
{
    TVaComm comm(nullptr);
    try {
        comm.RaiseCommError("Error writing dcb (%d), %s", ERROR_INVALID_PARAMETER);
        FAIL() << "did not raise";
    } catch (const EVaCommError& e) {
        EXPECT_EQ(e.Message(), "Error writing dcb (87), " + VaSystemErrorText(ERROR_INVALID_PARAMETER));
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_THROW(comm.CheckCommResult(false, "x (%d), %s"), EVaCommError);
    EXPECT_NO_THROW(comm.CheckCommResult(true, "x (%d), %s"));
}

} // namespace
