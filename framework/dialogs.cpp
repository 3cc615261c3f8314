#include "framework/dialogs.h"

#include <algorithm>

#include "framework/application.h"
#include "framework/stdctrls.h"
#include "framework/sysutils.h"

namespace {

constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 8;
constexpr int kMaxTextWidth = 400;

class TMessageForm : public TForm {
    RUNTIME_CLASS(TMessageForm, TForm)
public:
    TMessageForm(const std::string& message, TMsgDlgType type) : TForm(nullptr), FMessage(message), FType(type)
    {
        SetBorderStyle(bsDialog);
        SetPosition(poScreenCenter);
        static const char* const captions[] = {"Warning", "Error", "Information", "Confirm"};
        SetCaption(captions[type]);
    }

    const std::string& Message() const noexcept { return FMessage; }

    // The text's bounds, measured with the form's font.
    RECT MeasureText()
    {
        // The DC goes back to the system even when creating the font or measuring throws.
        const TWindowDC dc = TWindowDC::ForClient(nullptr);
        if (!dc) RaiseLastOSError();
        TCanvas canvas;
        canvas.SetHandle(dc.Get());
        canvas.Font().Assign(&Font());
        RECT r{0, 0, kMaxTextWidth, 0};
        canvas.DrawText(FMessage, r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
        return r;
    }

protected:
    void PaintWindow(TCanvas& canvas) override
    {
        static const LPCSTR icons[] = {IDI_WARNING, IDI_ERROR, IDI_INFORMATION, IDI_QUESTION};
        if (HICON icon = LoadIconA(nullptr, icons[FType])) DrawIcon(canvas.Handle(), kMargin, kMargin, icon);
    }

private:
    std::string FMessage;
    TMsgDlgType FType;
};

} // namespace

TModalResult MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons)
{
    if (!buttons) buttons = mbOK;
    TMessageForm form(message, type);
    struct TButtonInfo {
        TMsgDlgBtn Bit;
        const char* Caption;
        TModalResult Result;
    };
    static const TButtonInfo infos[] = {
        {mbYes, "&Yes", mrYes}, {mbNo, "&No", mrNo}, {mbOK, "OK", mrOk}, {mbCancel, "Cancel", mrCancel}};
    const TMsgDlgBtn cancelBit = (buttons & mbCancel) ? mbCancel : (buttons & mbNo) ? mbNo : mbOK;

    const RECT text = form.MeasureText();
    const int textBottom = kMargin + std::max<int>(kIconSize, text.bottom);
    const int count = static_cast<int>(std::count_if(std::begin(infos), std::end(infos),
                                                     [buttons](const TButtonInfo& i) { return buttons & i.Bit; }));
    const int rowWidth = count * kButtonWidth + (count - 1) * kButtonGap;
    const int clientWidth = std::max(kMargin * 3 + kIconSize + static_cast<int>(text.right), rowWidth + kMargin * 2);
    form.SetClientWidth(clientWidth);
    form.SetClientHeight(textBottom + kMargin * 2 + kButtonHeight);

    // The message is a static control, so it is the window text that readers find.
    auto* label = new TStaticText(&form);
    label->SetCaption(form.Message());
    label->SetBounds(kMargin * 2 + kIconSize, kMargin, text.right, text.bottom);
    label->SetParent(&form);

    int x = (clientWidth - rowWidth) / 2;
    bool first = true;
    for (const TButtonInfo& info : infos) {
        if (!(buttons & info.Bit)) continue;
        auto* button = new TButton(&form);
        button->SetCaption(info.Caption);
        button->SetModalResult(info.Result);
        button->SetDefault(first);
        button->SetCancel(info.Bit == cancelBit);
        button->SetBounds(x, textBottom + kMargin, kButtonWidth, kButtonHeight);
        button->SetParent(&form);
        x += kButtonWidth + kButtonGap;
        first = false;
    }
    return form.ShowModal();
}

void ShowMessage(const std::string& message)
{
    MessageBoxA(GetActiveWindow(), message.c_str(), Application->Title().c_str(), MB_OK);
}

void Beep()
{
    MessageBeep(MB_OK);
}
