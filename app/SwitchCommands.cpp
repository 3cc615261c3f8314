// The switch commands of the main window: the byte sequences that turn one port on or
// every port off, with their pauses, on a port opened for the command and closed after it.
#include "app/Main.h"

#include <functional>

#include "app/PauseClock.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/screen.h"
#include "serial/VaComm.h"

namespace {

constexpr unsigned char kSelectCommand = 'w';
constexpr unsigned char kTerminator = 'x';
constexpr DWORD kAfterFirstAttentionMs = 500;
constexpr DWORD kBetweenBytesMs = 50;
// Far longer than one byte takes at 9600 baud; only a port that stopped sending waits it out.
constexpr DWORD kDrainTimeoutMs = 1000;

bool IsLetter(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

bool TFrmMain::OpenPortForCommand()
{
    VaComm->SetBaudrate(br9600);
    VaComm->SetDatabits(db8);
    VaComm->SetParity(paNone);
    VaComm->SetStopbits(sb1);
    if (!VaComm->IsOpen()) {
        try {
            VaComm->Open();
        } catch (const Exception& error) {
            Screen->SetCursor(crDefault);
            Beep();
            Application->ShowException(error);
            return false;
        }
    }
    if (!VaComm->IsOpen()) {
        Beep();
        Screen->SetCursor(crDefault);
        ShowMessage("Cannot open " + VaComm->DeviceName());
        return false;
    }
    return true;
}

// The box reads the pauses between the bytes, so each byte must be on the line when its
// pause starts: the write path's report for this thread is serviced at once (Drain), and
// the pause counts from the write (see TPauseClock for why not from the tick count).
void TFrmMain::SendByte(unsigned char value, DWORD pauseMs)
{
    const TPauseClock written;
    VaComm->WriteByte(value);
    VaComm->Drain(kDrainTimeoutMs);
    written.SleepUntilElapsed(pauseMs);
}

// Both commands begin alike: attention twice, then the port-select command.
void TFrmMain::SendAttentionAndSelect()
{
    SendByte(static_cast<unsigned char>(FAttentionChar), kAfterFirstAttentionMs);
    SendByte(static_cast<unsigned char>(FAttentionChar), kBetweenBytesMs);
    SendByte(kSelectCommand, kBetweenBytesMs);
}

// After a failed write or close the port is closed, so that the next command opens it
// afresh rather than writing on a device that may have gone. The first failure is the one
// the user sees: one from this close is dropped.
void TFrmMain::ClosePortAfterFailure() noexcept
{
    try {
        VaComm->Close();
    } catch (...) {
    }
}

// The frame of every command, under the hourglass: open, the bytes, close. Without bytes to
// send (a click from something that is not a port button) only the cursor comes and goes.
// A failure while sending or closing leaves the port closed and the cursor restored before
// it goes on to the application's handler.
void TFrmMain::RunCommand(const std::function<void()>& sendBytes)
{
    Screen->SetCursor(crHourGlass);
    Application->ProcessMessages();
    if (sendBytes) {
        if (!OpenPortForCommand()) return;
        try {
            sendBytes();
            VaComm->Close();
        } catch (...) {
            ClosePortAfterFailure();
            Screen->SetCursor(crDefault);
            throw;
        }
    }
    Screen->SetCursor(crDefault);
    Application->ProcessMessages();
}

void TFrmMain::SpeedButtonClick(TObject* sender)
{
    auto* button = dynamic_cast<TSwitchButton*>(sender);
    if (!button) {
        RunCommand({});
        return;
    }
    const auto letter = static_cast<unsigned char>(button->Tag() & 0xFF);
    RunCommand([this, letter] {
        SendAttentionAndSelect();
        SendByte(letter, kBetweenBytesMs);
        SendByte(kTerminator, 0);
    });
}

void TFrmMain::BtnAllOffClick(TObject*)
{
    RunCommand([this] { SendAttentionAndSelect(); });
}

void TFrmMain::FormKeyPress(TObject*, char& key)
{
    const auto c = static_cast<unsigned char>(key);
    if (!IsLetter(c)) return;
    const int upper = c >= 'a' ? c - ('a' - 'A') : c;
    for (int i = 0; i < FSwitchCount; ++i) {
        TSwitchButton* button = FSwitchButtons[static_cast<std::size_t>(i)];
        if (button->Tag() == upper) {
            SpeedButtonClick(button);
            return;
        }
    }
}
