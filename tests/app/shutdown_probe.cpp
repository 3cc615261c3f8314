// A program with what the utility's shutdown involves: a main form with a framework button,
// look-and-feel buttons (one with a glyph, so the shared glyph cache exists, one hot-tracked
// under the pointer) and a serial component left open on COM1, plus a second form. It is
// linked with the debug heap (tests/support/heap_audit.cpp), which ends the process with
// its own exit code when a block is still allocated after every unit has stopped, or when a
// block is freed twice; an access to a destroyed object meets freed, filled memory and
// faults. So exit code 0 means a clean shutdown.
//
// The probe says on its standard output what it did before it ended (the port open, the
// button hot, the way it ended), so a run that ended cleanly by another way is told apart.
//
//   shutdown_probe loop   the main form closes; the message loop ends; WinMain returns
//   shutdown_probe exit   exit(0) from inside an event handler, the loop still running
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "lookandfeel/cxButtons.h"
#include "serial/VaComm.h"

namespace {

class TProbeForm : public TForm {
public:
    explicit TProbeForm(TComponent* owner) : TForm(owner)
    {
        SetCaption("Shutdown probe");
        SetBounds(100, 100, 320, 200);
        auto* plain = new TButton(this);
        plain->SetParent(this);
        plain->SetBounds(10, 10, 75, 25);
        plain->SetCaption("&Plain");
        auto* styled = new TcxButton(this);
        styled->SetParent(this);
        styled->SetBounds(10, 45, 120, 30);
        styled->SetCaption("&Styled");
        TBitmap glyph;
        glyph.SetSize(16, 16);
        styled->SetGlyph(&glyph);
        Hot = new TcxButton(this);
        Hot->SetParent(this);
        Hot->SetBounds(10, 85, 120, 30);
        Hot->SetCaption("&Hot");
        Comm = new TVaComm(this);
        Comm->SetDeviceName("COM1");
        Comm->OnRxChar = [](TObject*, int) {};
    }

    TcxButton* Hot = nullptr;
    TVaComm* Comm = nullptr;
};

TProbeForm* probeForm = nullptr;
TForm* secondForm = nullptr;
bool exitFromHandler = false;

// To the standard output handle (a GUI program's C runtime may have no stdout).
void Say(const std::string& line)
{
    const std::string text = "shutdown probe: " + line + "\r\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Runs once the loop is going: the port opens, the pointer goes over a button (so mouse
// tracking holds an entry), and then the program ends the way the mode says.
void CALLBACK Step(HWND, UINT, UINT_PTR timer, DWORD) noexcept
{
    KillTimer(nullptr, timer);
    try {
        probeForm->Comm->Open();
        if (probeForm->Comm->IsOpen()) Say("COM1 open");
        POINT centre{60, 15};
        ClientToScreen(probeForm->Hot->Handle(), &centre);
        SetCursorPos(centre.x, centre.y);
        probeForm->Hot->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(60, 15));
        if (probeForm->Hot->IsHot()) Say("pointer over a hot-tracked button");
        if (exitFromHandler) {
            Say("exit from a timer handler, the loop running");
            std::exit(0);
        }
        probeForm->Close();
    } catch (...) {
        Application->HandleException(nullptr);
        std::exit(2);
    }
}

// No message box: a failure is the probe's output and exit code.
void ReportAndEnd(const Exception& error)
{
    Say(error.Message());
    ExitProcess(2);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    SetShowExceptionProc(&ReportAndEnd);
    exitFromHandler = std::strstr(commandLine, "exit") != nullptr;
    Application->Initialize();
    Application->CreateForm(probeForm);
    Application->CreateForm(secondForm);
    secondForm->Show();
    SetTimer(nullptr, 0, 200, &Step);
    Application->Run();
    Say("the main form closed, the loop ended");
    return 0;
}
