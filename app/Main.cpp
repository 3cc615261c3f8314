#include "app/Main.h"

#include <memory>

#include "app/SwitchConfig.h"
#include "framework/dialogs.h"
#include "framework/inifile.h"
#include "framework/screen.h"
#include "framework/sysutils.h"

TFrmMain* FrmMain = nullptr;

namespace {

constexpr char kCaption[] = "Zorvan Menu Utility";
constexpr char kSwitchFontName[] = "Terminal";
constexpr int kSwitchFontSize = 10;
constexpr int kSwitchButtonHeight = 25;
// The caption starts at the content edge + margin + the 1-pixel glyph-free text inset.
constexpr int kSwitchButtonMargin = 5;
constexpr int kDeclinedExitCode = 1;

std::string ExecutablePath()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) RaiseLastOSError();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

} // namespace

TFrmMain::TFrmMain(TComponent* owner) : TFrmMain(owner, ConfigFilePathFor(ExecutablePath())) {}

TFrmMain::TFrmMain(TComponent* owner, const std::string& configPath, const TPortFactory& makePort)
    : TForm(owner), FConfigPath(configPath)
{
    FrmMain = this;
    CreateStoredDesign(makePort);
    FSwitchButtons.fill(nullptr);
    EnsureConfigFile();
    CreateSwitchButtons();
    ArrangeButtons();
    PostToSelf(WM_SHOWMAINFORM);
}

void TFrmMain::CreateStoredDesign(const TPortFactory& makePort)
{
    SetCaption(kCaption);
    SetBorderIcons(biSystemMenu | biMinimize);
    SetBounds(1209, 173, Width(), Height());
    SetClientWidth(477);
    SetClientHeight(451);
    SetPosition(poScreenCenter);
    SetColor(clBtnFace);
    Font().SetName("MS Sans Serif");
    Font().SetHeight(-11);
    Font().SetColor(clWindowText);
    SetKeyPreview(true);
    SetShowHint(true);
    SetOnKeyPress([this](TObject* sender, char& key) { FormKeyPress(sender, key); });

    BtnExit = new TButton(this);
    BtnExit->SetParent(this);
    BtnExit->SetBounds(385, 424, 75, 25);
    BtnExit->SetCaption("E&xit");
    BtnExit->SetHint("Exit the application (X)");
    BtnExit->SetTabOrder(0);
    BtnExit->SetOnClick([this](TObject* sender) { BtnExitClick(sender); });

    BtnAllOff = new TButton(this);
    BtnAllOff->SetParent(this);
    BtnAllOff->SetBounds(17, 424, 75, 25);
    BtnAllOff->SetCaption("T&urn All Off");
    BtnAllOff->SetHint("Turn all ports off (U)");
    BtnAllOff->SetTabOrder(1);
    BtnAllOff->SetOnClick([this](TObject* sender) { BtnAllOffClick(sender); });

    // The switch box needs no flow control and no modem lines.
    VaComm = makePort ? makePort(this) : new TVaComm(this);
    TVaFlowControl& flow = VaComm->FlowControl();
    flow.SetOutCtsFlow(false);
    flow.SetOutDsrFlow(false);
    flow.SetXonXoffOut(false);
    flow.SetXonXoffIn(false);
    flow.SetDsrSensitivity(false);
    flow.SetTxContinueOnXoff(false);
    flow.SetControlDtr(dtrDisabled);
    flow.SetControlRts(rtsDisabled);
    VaComm->SetPortNum(2);
    VaComm->SetDeviceName("COM1");
}

void TFrmMain::EnsureConfigFile()
{
    if (FileExists(FConfigPath)) return;
    Beep();
    // Closing the dialog by its close box counts as cancel, which writes the file too:
    // only an explicit No leaves the user without one.
    if (MessageDlg(MissingFileQuestion(FConfigPath), mtWarning, mbYes | mbNo) == mrNo)
        ExitProcess(kDeclinedExitCode);
    WriteDefaultConfig(FConfigPath);
}

void TFrmMain::CreateSwitchButtons()
{
    auto config = std::make_unique<TIniFile>(FConfigPath);
    VaComm->SetDeviceName(config->ReadString(kSerialSection, kComPortKey, kDefaultComPort));
    FAttentionChar = AttentionCharFor(config->ReadString(kSerialSection, kAltCharKey, kDefaultAltChar));
    FSwitchCount = 0;
    for (int k = 0; k < kMaxSwitches; ++k) {
        const std::string letter(1, char(kFirstSwitchLetter + k));
        if (config->ReadString(kSwitchNamesSection, letter, "").empty()) continue;
        const std::string name = config->ReadString(kSwitchNamesSection, letter, "");
        FSwitchButtons[static_cast<std::size_t>(FSwitchCount)] = CreateSwitchButton(k, SwitchCaption(letter[0], name));
        ++FSwitchCount;
    }
}

TSwitchButton* TFrmMain::CreateSwitchButton(int letterIndex, const std::string& caption)
{
    const char letter = char(kFirstSwitchLetter + letterIndex);
    const TButtonBox box = InitialSwitchBox(letterIndex, kSwitchButtonHeight);
    auto* button = new TSwitchButton(this);
    button->SetParent(this);
    button->Font().SetName(kSwitchFontName);
    button->Font().SetSize(kSwitchFontSize);
    button->SetLeft(box.Left);
    button->SetTop(box.Top);
    button->SetHeight(box.Height);
    button->SetTag(letter);
    button->SetOnClick([this](TObject* sender) { SpeedButtonClick(sender); });
    button->SetHint(SwitchHint(letter));
    button->SetTabStop(false);
    button->SetCaption(caption);
    button->SetMargin(kSwitchButtonMargin);
    button->LookAndFeel().SetKind(lfOffice11);
    return button;
}

void TFrmMain::ArrangeButtons()
{
    std::vector<std::string> captions;
    for (int i = 0; i < FSwitchCount; ++i) captions.push_back(FSwitchButtons[static_cast<std::size_t>(i)]->Caption());
    const int width = CommonButtonWidth(captions);

    std::vector<TButtonBox> boxes;
    for (int i = 0; i < FSwitchCount; ++i) {
        TSwitchButton* button = FSwitchButtons[static_cast<std::size_t>(i)];
        button->SetWidth(width);
        boxes.push_back({button->Left(), button->Top(), button->Width(), button->Height()});
    }
    auto boxOf = [](const TControl* c) { return TButtonBox{c->Left(), c->Top(), c->Width(), c->Height()}; };
    const TPanelLayout layout = ::ArrangeButtons(boxes, boxOf(BtnExit), boxOf(BtnAllOff), Screen->Width());

    auto place = [](TControl* c, const TButtonBox& b) { c->SetBounds(b.Left, b.Top, b.Width, b.Height); };
    for (int i = 0; i < FSwitchCount; ++i) place(FSwitchButtons[static_cast<std::size_t>(i)], layout.Switches[static_cast<std::size_t>(i)]);
    place(BtnExit, layout.Exit);
    place(BtnAllOff, layout.AllOff);
    SetBounds(Left(), Top(), layout.WindowWidth, layout.WindowHeight);
}

void TFrmMain::Dispatch(TMessage& message)
{
    if (message.Msg == WM_SHOWMAINFORM) {
        SetVisible(true);
        return;
    }
    TForm::Dispatch(message);
}

void TFrmMain::BtnExitClick(TObject*)
{
    Close();
}
