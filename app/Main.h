// The utility's only window: one port button per switch named in the configuration file,
// arranged in one or two columns, with "E&xit" and "T&urn All Off" under them.
//
// The window is created hidden, filled and sized by its constructor, and shown once by
// the private message the constructor posts to it, so it never appears before it has its
// final size. GUI thread only.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "app/ButtonLayout.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "lookandfeel/cxButtons.h"
#include "serial/VaComm.h"

// The private message that shows the window. Any message of the application's private
// range posted to the window does; this one is remembered by its number's tail (FA9).
constexpr UINT WM_SHOWMAINFORM = WM_APP + 0xFA9;

// The class of the generated port buttons. Only CreateSwitchButton depends on it.
using TSwitchButton = TcxButton;

class TFrmMain : public TForm {
    RUNTIME_CLASS(TFrmMain, TForm)
public:
    // Reads the configuration file beside the executable (offering to write the default
    // one when it is missing) and builds the window.
    explicit TFrmMain(TComponent* owner);
    // Makes the window's serial port, owned by owner (the window). Empty: a plain TVaComm.
    using TPortFactory = std::function<TVaComm*(TComponent* owner)>;
    // The same with the configuration file at configPath, and the port from makePort (a
    // seam for tests that need a port that fails).
    TFrmMain(TComponent* owner, const std::string& configPath, const TPortFactory& makePort = {});

    static constexpr int kSwitchSlots = 25;

    TButton* BtnExit = nullptr;
    TButton* BtnAllOff = nullptr;

    TVaComm* VaComm = nullptr;
    int SwitchCount() const noexcept { return FSwitchCount; }
    // Slots 0 to SwitchCount() - 1 hold the port buttons in letter order; the rest are null.
    TSwitchButton* SwitchButtons(int slot) const { return FSwitchButtons.at(static_cast<std::size_t>(slot)); }
    char AttentionChar() const noexcept { return FAttentionChar; }
    const std::string& ConfigPath() const noexcept { return FConfigPath; }

    void BtnExitClick(TObject* sender);
    void BtnAllOffClick(TObject* sender);
    void SpeedButtonClick(TObject* sender);
    void FormKeyPress(TObject* sender, char& key);

protected:
    void Dispatch(TMessage& message) override;

private:
    void CreateStoredDesign(const TPortFactory& makePort);
    void EnsureConfigFile();
    void CreateSwitchButtons();
    TSwitchButton* CreateSwitchButton(int letterIndex, const std::string& caption);
    void ArrangeButtons();
    void RunCommand(const std::function<void()>& sendBytes);
    bool OpenPortForCommand();
    void ClosePortAfterFailure() noexcept;
    void SendAttentionAndSelect();
    void SendByte(unsigned char value, DWORD pauseMs);

    std::string FConfigPath;
    int FSwitchCount = 0;
    std::array<TSwitchButton*, kSwitchSlots> FSwitchButtons{};
    char FAttentionChar = '~';
};

// The main window while it exists (set as soon as its construction starts).
extern TFrmMain* FrmMain;
