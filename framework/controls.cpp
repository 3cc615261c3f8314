#include "framework/controls.h"

#include "framework/forms.h"

bool IsAccel(char key, const std::string& text) noexcept
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        const auto upper = [](char c) {
            return static_cast<char>(reinterpret_cast<UINT_PTR>(
                CharUpperA(reinterpret_cast<LPSTR>(static_cast<UINT_PTR>(static_cast<unsigned char>(c))))));
        };
        return upper(text[i + 1]) == upper(key);
    }
    return false;
}

std::string StripHotkey(const std::string& text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        else if (text[i] == '&') continue;
        result += text[i];
    }
    return result;
}

// --- TControl ---

TControl::TControl(TComponent* owner) : TComponent(owner)
{
    FFont.SetOnChange([this](TObject*) { FontChanged(); });
}

TControl::~TControl()
{
    if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == FParent) return;
    if (FParent) FParent->RemoveControl(this);
    FParent = nullptr;
    if (!parent) return;
    parent->InsertControl(this);
    FParent = parent;
    if (FParentFont) Perform(CM_PARENTFONTCHANGED);
    if (auto* win = dynamic_cast<TWinControl*>(this); win && parent->HandleAllocated()) win->HandleNeeded();
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    UpdateBounds();
}

void TControl::SetVisible(bool value)
{
    if (value == FVisible) return;
    FVisible = value;
    UpdateVisible();
    Perform(CM_VISIBLECHANGED, value);
}

void TControl::SetEnabled(bool value)
{
    if (value == FEnabled) return;
    FEnabled = value;
    UpdateEnabled();
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetCaption(const std::string& value)
{
    if (value == FCaption) return;
    FCaption = value;
    UpdateCaption();
    Perform(CM_TEXTCHANGED);
}

void TControl::SetHint(const std::string& value)
{
    if (value == FHint) return;
    FHint = value;
    UpdateHint();
}

bool TControl::ShowHint() const noexcept
{
    return FParentShowHint && FParent ? FParent->ShowHint() : FShowHint;
}

void TControl::SetShowHint(bool value)
{
    FShowHint = value;
    FParentShowHint = false;
    UpdateHint();
}

void TControl::SetParentShowHint(bool value)
{
    FParentShowHint = value;
    UpdateHint();
}

void TControl::SetParentFont(bool value)
{
    FParentFont = value;
    if (value && FParent) Perform(CM_PARENTFONTCHANGED);
}

void TControl::SetColor(TColor value)
{
    if (value == FColor) return;
    FColor = value;
    Perform(CM_COLORCHANGED);
}

void TControl::FontChanged()
{
    if (!FSettingParentFont) FParentFont = false;
    Perform(CM_FONTCHANGED);
}

void TControl::Click()
{
    if (FOnClick) FOnClick(this);
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam)
{
    TMessage message{msg, wParam, lParam, 0};
    WndProc(message);
    return message.Result;
}

TCustomForm* TControl::GetParentForm() const noexcept
{
    const TControl* control = this;
    while (control->FParent) control = control->FParent;
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(control));
}

void TControl::WndProc(TMessage& message)
{
    Dispatch(message);
}

void TControl::Dispatch(TMessage& message)
{
    if (message.Msg == CM_PARENTFONTCHANGED) {
        if (FParentFont && FParent) {
            FSettingParentFont = true;
            try {
                FFont.Assign(&FParent->Font());
            } catch (...) {
                FSettingParentFont = false;
                throw;
            }
            FSettingParentFont = false;
        }
        return;
    }
    DefaultHandler(message);
}

void TControl::DefaultHandler(TMessage& message)
{
    message.Result = 0;
}
