#include "lookandfeel/cxLookAndFeels.h"

#include <algorithm>

#include "framework/application.h"
#include "framework/hiddenwindow.h"
#include "framework/units.h"
#include "lookandfeel/dxOffice11.h"

bool cxUseSkins = true;

namespace {

TcxLookAndFeel* GRoot = nullptr;
int GControllerCount = 0;

std::string UpperName(const std::string& name)
{
    std::string result = name;
    for (char& c : result)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return result;
}

bool IsController(IcxLookAndFeelNotificationListener* listener)
{
    TObject* object = listener->GetObject();
    return object != nullptr && dynamic_cast<TcxLookAndFeelController*>(object) != nullptr;
}

// ---- The system-palette listener ----

const char* const kPaletteListenerClassName = "TcxSystemPaletteChangedListener";

class TcxSystemPaletteChangedListener {
public:
    TcxSystemPaletteChangedListener()
    {
        CreateOffice11Colors();
        CreateWindowNow();
    }
    TcxSystemPaletteChangedListener(const TcxSystemPaletteChangedListener&) = delete;
    TcxSystemPaletteChangedListener& operator=(const TcxSystemPaletteChangedListener&) = delete;
    ~TcxSystemPaletteChangedListener()
    {
        if (FWindow != nullptr) DestroyWindow(FWindow);
        ReleaseOffice11Colors();
    }

    HWND Window() const noexcept { return FWindow; }
    bool Empty() const noexcept { return FPrimary.empty() && FOther.empty(); }
    void Add(TcxSystemPaletteChangedNotifier* notifier)
    {
        (notifier->IsPrimary() ? FPrimary : FOther).push_back(notifier);
    }
    void Remove(TcxSystemPaletteChangedNotifier* notifier)
    {
        std::vector<TcxSystemPaletteChangedNotifier*>& list = notifier->IsPrimary() ? FPrimary : FOther;
        list.erase(std::remove(list.begin(), list.end(), notifier), list.end());
    }

    void SystemColorsChanged()
    {
        // The colours first: every notifier's owner repaints with the new set.
        RefreshOffice11Colors();
        ++FFiring;
        FireFromLast(FPrimary);
        FireFromLast(FOther);
        --FFiring;
    }

    // A handler may destroy the last notifier while the listener walks its lists; the
    // listener then goes only when the walk is over.
    bool Firing() const noexcept { return FFiring > 0; }
    void SetReleasePending() noexcept { FReleasePending = true; }
    // True when the listener should be freed now that the walk is over.
    bool TakeReleasePending() noexcept
    {
        const bool pending = FReleasePending && FFiring == 0 && Empty();
        FReleasePending = false;
        return pending;
    }

private:
    // A handler may destroy notifiers (its own or others); walk a snapshot and skip those
    // that have left the list meanwhile.
    void FireFromLast(const std::vector<TcxSystemPaletteChangedNotifier*>& list)
    {
        const std::vector<TcxSystemPaletteChangedNotifier*> snapshot = list;
        for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
            if (!IsRegistered(*it)) continue;
            try {
                (*it)->DoChanged();
            } catch (...) {
                Application->HandleException(*it);
            }
        }
    }
    bool IsRegistered(TcxSystemPaletteChangedNotifier* notifier) const
    {
        return std::find(FPrimary.begin(), FPrimary.end(), notifier) != FPrimary.end() ||
               std::find(FOther.begin(), FOther.end(), notifier) != FOther.end();
    }

    void CreateWindowNow();

    HWND FWindow = nullptr;
    int FFiring = 0;
    bool FReleasePending = false;
    std::vector<TcxSystemPaletteChangedNotifier*> FPrimary;
    std::vector<TcxSystemPaletteChangedNotifier*> FOther;
};

TcxSystemPaletteChangedListener* GPaletteListener = nullptr;

LRESULT CALLBACK PaletteListenerProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    // Every message, this one included, also goes to the default procedure.
    const LRESULT result = DefWindowProcA(window, msg, wParam, lParam);
    if (msg == WM_SYSCOLORCHANGE && GPaletteListener != nullptr && GPaletteListener->Window() == window) {
        TcxSystemPaletteChangedListener* listener = GPaletteListener;
        try {
            listener->SystemColorsChanged();
        } catch (...) {
            // No exception may cross a window procedure.
            Application->HandleException(nullptr);
        }
        if (listener->TakeReleasePending() && GPaletteListener == listener) {
            GPaletteListener = nullptr;
            delete listener;   // destroys this window; nothing of it is used after this
        }
    }
    return result;
}

void TcxSystemPaletteChangedListener::CreateWindowNow()
{
    // Top-level (WM_SYSCOLORCHANGE is broadcast to top-level windows only, so a
    // message-only window would never hear it), never shown.
    FWindow = CreateHiddenTopLevelWindow({.ClassName = kPaletteListenerClassName, .Procedure = PaletteListenerProc});
    // Without the window colour changes go unnoticed; drawing works all the same.
}

// The root is made on first use and freed when the unit stops: after every form (and so
// every other look-and-feel object) has gone, and before the theme cache and colour set
// that its destructor still uses.
struct TcxRootUnit {
    TcxRootUnit() = default;
    TcxRootUnit(const TcxRootUnit&) = delete;
    TcxRootUnit& operator=(const TcxRootUnit&) = delete;
    ~TcxRootUnit()
    {
        delete GRoot;
        GRoot = nullptr;
    }
};
TcxRootUnit rootUnit ZV_UNIT(zv::unit::kLookAndFeelRoot);

}  // namespace

// ---- Skin registry ----

bool TcxExtendedStylePainters::Register(const std::string& name, TcxLookAndFeelPainterClass painter)
{
    if (name.empty() || painter == nullptr) return false;
    FPainters[UpperName(name)] = painter;
    NotifyListeners(painter);
    return true;
}

bool TcxExtendedStylePainters::Unregister(const std::string& name)
{
    const auto it = FPainters.find(UpperName(name));
    if (it == FPainters.end()) return false;
    const TcxLookAndFeelPainterClass painter = it->second;
    FPainters.erase(it);
    NotifyListeners(painter);
    return true;
}

bool TcxExtendedStylePainters::GetPainterByName(const std::string& name, TcxLookAndFeelPainterClass& painter) const
{
    const auto it = FPainters.find(UpperName(name));
    painter = it == FPainters.end() ? nullptr : it->second;
    return painter != nullptr;
}

void TcxExtendedStylePainters::AddListener(IcxLookAndFeelPainterListener* listener)
{
    if (listener != nullptr && !HasListener(listener)) FListeners.push_back(listener);
}

void TcxExtendedStylePainters::RemoveListener(IcxLookAndFeelPainterListener* listener)
{
    FListeners.erase(std::remove(FListeners.begin(), FListeners.end(), listener), FListeners.end());
}

bool TcxExtendedStylePainters::HasListener(IcxLookAndFeelPainterListener* listener) const
{
    return std::find(FListeners.begin(), FListeners.end(), listener) != FListeners.end();
}

void TcxExtendedStylePainters::NotifyListeners(TcxLookAndFeelPainterClass painter)
{
    // A listener may leave (or others join) while being told.
    const std::vector<IcxLookAndFeelPainterListener*> snapshot = FListeners;
    for (IcxLookAndFeelPainterListener* listener : snapshot)
        if (HasListener(listener)) listener->PainterChanged(painter);
}

namespace {
// Below the root's unit: every look-and-feel object, the root last, leaves its listener list
// before it goes.
TcxExtendedStylePainters extendedStylePainters ZV_UNIT(zv::unit::kLookAndFeelRegistry);
}  // namespace

TcxExtendedStylePainters* GetExtendedStylePainters() { return &extendedStylePainters; }

// ---- System palette notifier ----

TcxSystemPaletteChangedNotifier::TcxSystemPaletteChangedNotifier(bool isPrimary) : FIsPrimary(isPrimary)
{
    if (GPaletteListener == nullptr) GPaletteListener = new TcxSystemPaletteChangedListener();
    GPaletteListener->Add(this);
}

TcxSystemPaletteChangedNotifier::~TcxSystemPaletteChangedNotifier()
{
    if (GPaletteListener == nullptr) return;
    GPaletteListener->Remove(this);
    if (GPaletteListener->Empty() && GPaletteListener->Firing()) {
        GPaletteListener->SetReleasePending();
    } else if (GPaletteListener->Empty()) {
        TcxSystemPaletteChangedListener* listener = GPaletteListener;
        GPaletteListener = nullptr;
        delete listener;
    }
}

void TcxSystemPaletteChangedNotifier::DoChanged()
{
    if (FOnSystemPaletteChanged) FOnSystemPaletteChanged();
}

HWND cxSystemPaletteChangedListenerWindow()
{
    return GPaletteListener == nullptr ? nullptr : GPaletteListener->Window();
}

// ---- TcxLookAndFeel ----

TcxLookAndFeel::TcxLookAndFeel(TPersistent* owner) : FOwner(owner)
{
    Construct();
}

TcxLookAndFeel::TcxLookAndFeel(TPersistent* owner, TRootTag) : FOwner(owner), FIsRootLookAndFeel(true)
{
    Construct();
}

void TcxLookAndFeel::Construct()
{
    FSystemPaletteChangedNotifier = std::make_unique<TcxSystemPaletteChangedNotifier>(false);
    FSystemPaletteChangedNotifier->SetOnSystemPaletteChanged([this] { SystemPaletteChanged(); });
    FThemeChangedNotificator = std::make_unique<TdxThemeChangedNotificator>();
    FThemeChangedNotificator->SetOnThemeChanged([this] { ThemeChanged(); });
    if (!FIsRootLookAndFeel) {
        if (TcxLookAndFeel* root = RootLookAndFeel()) {
            root->AddChangeListener(this);
            FCurrentKind = InternalGetKind();
            FCurrentNativeStyle = InternalGetNativeStyle();
            FCurrentSkinName = InternalGetSkinName();
            FSkinPainter = FCurrentNativeStyle ? nullptr : InternalGetSkinPainter();
        }
    }
    FCurrentPainter = GetAvailablePainter(TdxThemedObjectTypes{});
    UpdateSkinPainterListener();
}

TcxLookAndFeel::~TcxLookAndFeel()
{
    if (TcxExtendedStylePainters* registry = GetExtendedStylePainters()) registry->RemoveListener(this);
    FSystemPaletteChangedNotifier.reset();
    FThemeChangedNotificator.reset();
    FIsDestruction = true;
    // Listeners drop us here; their RemoveChangeListener calls leave the list alone, so
    // an index walk sees every one of them once.
    for (std::size_t i = 0; i < FChangeListeners.size(); ++i) FChangeListeners[i]->MasterLookAndFeelDestroying(this);
    FIsDestruction = false;
    FChangeListeners.clear();
    if (!FIsRootLookAndFeel) {
        if (TcxLookAndFeel* master = EffectiveMaster()) master->RemoveChangeListener(this);
    } else if (GRoot == this) {
        GRoot = nullptr;
        GControllerCount = 0;
    }
}

TcxLookAndFeel* TcxLookAndFeel::EffectiveMaster() const noexcept
{
    if (FMasterLookAndFeel != nullptr) return FMasterLookAndFeel;
    return FIsRootLookAndFeel ? nullptr : GRoot;
}

bool TcxLookAndFeel::WouldCycle(const TcxLookAndFeel* master) const noexcept
{
    for (const TcxLookAndFeel* m = master; m != nullptr; m = m->FMasterLookAndFeel)
        if (m == this) return true;
    return false;
}

TcxLookAndFeelKind TcxLookAndFeel::InternalGetKind() const
{
    if (FAssignedValues & cxLookAndFeelValue(lfvKind)) return FKind;
    const TcxLookAndFeel* master = EffectiveMaster();
    return master != nullptr ? master->Kind() : lfUltraFlat;
}

bool TcxLookAndFeel::InternalGetNativeStyle() const
{
    if (FAssignedValues & cxLookAndFeelValue(lfvNativeStyle)) return FNativeStyle;
    const TcxLookAndFeel* master = EffectiveMaster();
    return master != nullptr ? master->NativeStyle() : false;
}

std::string TcxLookAndFeel::InternalGetSkinName() const
{
    if (FAssignedValues & cxLookAndFeelValue(lfvSkinName)) return FSkinName;
    const TcxLookAndFeel* master = EffectiveMaster();
    return master != nullptr ? master->SkinName() : std::string();
}

TcxLookAndFeelPainterClass TcxLookAndFeel::InternalGetSkinPainter() const
{
    TcxLookAndFeelPainterClass painter = nullptr;
    if (FAssignedValues & cxLookAndFeelValue(lfvSkinName)) {
        IsVisualSkinAvailable(FSkinName, painter);
        return painter;
    }
    const TcxLookAndFeel* master = EffectiveMaster();
    if (master == nullptr) return nullptr;
    IsVisualSkinAvailable(master->SkinName(), painter);
    return painter;
}

bool TcxLookAndFeel::IsVisualSkinAvailable(const std::string& name, TcxLookAndFeelPainterClass& painter) const
{
    painter = nullptr;
    if (name.empty()) return false;
    TcxExtendedStylePainters* registry = GetExtendedStylePainters();
    TcxLookAndFeelPainterClass found = nullptr;
    if (registry == nullptr || !registry->GetPainterByName(name, found)) return false;
    if (cxUseSkins) painter = found;
    return true;
}

void TcxLookAndFeel::SystemPaletteChanged() { Changed(cxLookAndFeelValue(lfvNativeStyle)); }

void TcxLookAndFeel::ThemeChanged()
{
    // A native look follows the desktop theme: its derived painter changes with it.
    if (FCurrentNativeStyle) Changed(cxLookAndFeelValue(lfvNativeStyle));
}

void TcxLookAndFeel::UpdateSkinPainterListener()
{
    TcxExtendedStylePainters* registry = GetExtendedStylePainters();
    if (registry == nullptr) return;
    if (FSkinPainter != nullptr)
        registry->AddListener(this);
    else
        registry->RemoveListener(this);
}

void TcxLookAndFeel::Changed(TcxLookAndFeelValues changed)
{
    if (changed == lfvNone || FIsDestruction) return;
    FCurrentKind = InternalGetKind();
    FCurrentNativeStyle = InternalGetNativeStyle();
    FCurrentSkinName = InternalGetSkinName();
    FSkinPainter = nullptr;
    if (!FCurrentNativeStyle) FSkinPainter = InternalGetSkinPainter();
    FCurrentPainter = GetAvailablePainter(TdxThemedObjectTypes{});
    UpdateSkinPainterListener();
    // A listener that leaves during its call must not make the next one be skipped, and
    // one that adds or removes others must not be told twice: advance unless the entry
    // at the position is no longer the one just told.
    std::size_t i = 0;
    while (i < FChangeListeners.size()) {
        IcxLookAndFeelNotificationListener* listener = FChangeListeners[i];
        listener->MasterLookAndFeelChanged(this, changed);
        if (i < FChangeListeners.size() && FChangeListeners[i] == listener) {
            ++i;
        } else {
            const auto it = std::find(FChangeListeners.begin(), FChangeListeners.end(), listener);
            // Still listed (others before it left): continue after it; gone: the next
            // one has moved up to the position already.
            if (it != FChangeListeners.end()) i = static_cast<std::size_t>(it - FChangeListeners.begin()) + 1;
        }
    }
    if (FOnChanged) FOnChanged(this, changed);
}

void TcxLookAndFeel::SavePreviousState()
{
    FPrevKind = FCurrentKind;
    FPrevNativeStyle = FCurrentNativeStyle;
    FPrevSkinName = FCurrentSkinName;
}

void TcxLookAndFeel::CheckStateChanges()
{
    TcxLookAndFeelValues changed = lfvNone;
    if (InternalGetKind() != FPrevKind) changed |= cxLookAndFeelValue(lfvKind);
    if (InternalGetNativeStyle() != FPrevNativeStyle) changed |= cxLookAndFeelValue(lfvNativeStyle);
    if (InternalGetSkinName() != FPrevSkinName) changed |= cxLookAndFeelValue(lfvSkinName);
    Changed(changed);
}

void TcxLookAndFeel::SetAssignedValues(TcxLookAndFeelValues values)
{
    values &= lfvAll;
    if (values == FAssignedValues) return;
    SavePreviousState();
    FAssignedValues = values;
    CheckStateChanges();
}

void TcxLookAndFeel::SetKind(TcxLookAndFeelKind value)
{
    const TcxLookAndFeelKind previous = FCurrentKind;
    FAssignedValues |= cxLookAndFeelValue(lfvKind);
    FKind = value;
    if (InternalGetKind() != previous) Changed(cxLookAndFeelValue(lfvKind));
}

void TcxLookAndFeel::SetNativeStyle(bool value)
{
    const bool previous = FCurrentNativeStyle;
    FAssignedValues |= cxLookAndFeelValue(lfvNativeStyle);
    FNativeStyle = value;
    if (InternalGetNativeStyle() != previous) Changed(cxLookAndFeelValue(lfvNativeStyle));
}

void TcxLookAndFeel::SetSkinName(const std::string& value)
{
    const std::string previous = FCurrentSkinName;
    FAssignedValues |= cxLookAndFeelValue(lfvSkinName);
    FSkinName = value;
    if (InternalGetSkinName() != previous) Changed(cxLookAndFeelValue(lfvSkinName));
}

TcxLookAndFeelPainterClass TcxLookAndFeel::Painter() const noexcept
{
    return FPainter != nullptr ? FPainter : FCurrentPainter;
}

void TcxLookAndFeel::SetPainter(TcxLookAndFeelPainterClass painter)
{
    if (painter == Painter()) return;
    FPainter = painter;
    Changed(cxLookAndFeelValue(lfvKind) | cxLookAndFeelValue(lfvNativeStyle));
}

TcxLookAndFeelPainterClass TcxLookAndFeel::GetAvailablePainter(const TdxThemedObjectTypes& types) const
{
    if (FCurrentNativeStyle && (types.Empty() ? AreVisualStylesAvailable() : AreVisualStylesAvailable(types)))
        return TcxWinXPLookAndFeelPainter::PainterClass();
    if (FSkinPainter != nullptr) return FSkinPainter;
    switch (FCurrentKind) {
    case lfFlat: return TcxFlatLookAndFeelPainter::PainterClass();
    case lfStandard: return TcxStandardLookAndFeelPainter::PainterClass();
    case lfOffice11: return TcxOffice11LookAndFeelPainter::PainterClass();
    case lfUltraFlat: break;
    }
    return TcxUltraFlatLookAndFeelPainter::PainterClass();
}

TcxLookAndFeelPainterClass TcxLookAndFeel::GetAvailablePainter(TdxThemedObjectType type) const
{
    return GetAvailablePainter(TdxThemedObjectTypes{type});
}

void TcxLookAndFeel::SetMasterLookAndFeel(TcxLookAndFeel* master)
{
    if (FIsRootLookAndFeel || master == this) return;
    // The root as master is the same as no explicit master.
    if (master != nullptr && master == GRoot) master = nullptr;
    if (master == FMasterLookAndFeel) return;
    // A chain that leads back here would pass every notification round for ever.
    if (WouldCycle(master)) return;
    SavePreviousState();
    if (TcxLookAndFeel* old = EffectiveMaster()) old->RemoveChangeListener(this);
    FMasterLookAndFeel = master;
    if (TcxLookAndFeel* now = EffectiveMaster()) now->AddChangeListener(this);
    CheckStateChanges();
}

void TcxLookAndFeel::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TcxLookAndFeel*>(source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this) return;
    SavePreviousState();
    FKind = other->FKind;
    FNativeStyle = other->FNativeStyle;
    FSkinName = other->FSkinName;
    FAssignedValues = other->FAssignedValues;
    TcxLookAndFeel* master = other->FMasterLookAndFeel;
    if (!FIsRootLookAndFeel && master != FMasterLookAndFeel && !WouldCycle(master) && master != this) {
        if (TcxLookAndFeel* old = EffectiveMaster()) old->RemoveChangeListener(this);
        FMasterLookAndFeel = master;
        if (TcxLookAndFeel* now = EffectiveMaster()) now->AddChangeListener(this);
    }
    CheckStateChanges();
}

void TcxLookAndFeel::Reset() { SetAssignedValues(lfvNone); }

void TcxLookAndFeel::Refresh() { Changed(lfvAll); }

TcxLookAndFeelStyle TcxLookAndFeel::GetActiveStyle() const
{
    if (FCurrentNativeStyle && AreVisualStylesAvailable()) return lfsNative;
    switch (FCurrentKind) {
    case lfFlat: return lfsFlat;
    case lfStandard: return lfsStandard;
    case lfOffice11: return lfsOffice11;
    case lfUltraFlat: break;
    }
    return lfsUltraFlat;
}

void TcxLookAndFeel::SetStyle(TcxLookAndFeelStyle style)
{
    SetNativeStyle(style == lfsNative);
    if (NativeStyle()) return;
    switch (style) {
    case lfsFlat: SetKind(lfFlat); break;
    case lfsStandard:
    case lfsNative: SetKind(lfStandard); break;
    case lfsUltraFlat: SetKind(lfUltraFlat); break;
    case lfsOffice11: SetKind(lfOffice11); break;
    }
}

void TcxLookAndFeel::AddChangeListener(IcxLookAndFeelNotificationListener* listener)
{
    if (listener == nullptr) return;
    const bool controller = IsController(listener);
    if (controller && !FIsRootLookAndFeel) return;
    if (std::find(FChangeListeners.begin(), FChangeListeners.end(), listener) != FChangeListeners.end()) return;
    FChangeListeners.push_back(listener);
    if (controller) ++GControllerCount;
}

void TcxLookAndFeel::RemoveChangeListener(IcxLookAndFeelNotificationListener* listener)
{
    if (listener == nullptr || FIsDestruction) return;
    const auto it = std::find(FChangeListeners.begin(), FChangeListeners.end(), listener);
    if (it == FChangeListeners.end()) return;
    FChangeListeners.erase(it);
    if (FIsRootLookAndFeel && IsController(listener) && GControllerCount > 0) {
        --GControllerCount;
        if (GControllerCount == 0) Reset();
    }
}

void TcxLookAndFeel::MasterLookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues changed)
{
    Changed(changed & ~FAssignedValues);
}

void TcxLookAndFeel::MasterLookAndFeelDestroying(TcxLookAndFeel* sender)
{
    if (sender == nullptr || sender != FMasterLookAndFeel) return;
    SavePreviousState();
    FMasterLookAndFeel = nullptr;
    if (GRoot != nullptr && GRoot != sender) GRoot->AddChangeListener(this);
    CheckStateChanges();
}

void TcxLookAndFeel::PainterChanged(TcxLookAndFeelPainterClass) { Changed(lfvAll); }

TcxLookAndFeel* RootLookAndFeel()
{
    if (GRoot == nullptr) GRoot = new TcxLookAndFeel(nullptr, TcxLookAndFeel::TRootTag{});
    return GRoot;
}

int cxLookAndFeelControllerCount() { return GControllerCount; }

// ---- Controller ----

TcxLookAndFeelController::TcxLookAndFeelController(TComponent* owner) : TComponent(owner)
{
    if (TcxLookAndFeel* root = RootLookAndFeel()) {
        root->AddChangeListener(this);
        FRegistered = true;
    }
}

TcxLookAndFeelController::~TcxLookAndFeelController()
{
    if (FRegistered && GRoot != nullptr) GRoot->RemoveChangeListener(this);
}

TcxLookAndFeelKind TcxLookAndFeelController::Kind() const { return GRoot != nullptr ? GRoot->Kind() : lfUltraFlat; }
void TcxLookAndFeelController::SetKind(TcxLookAndFeelKind value)
{
    if (GRoot != nullptr) GRoot->SetKind(value);
}
bool TcxLookAndFeelController::NativeStyle() const { return GRoot != nullptr && GRoot->NativeStyle(); }
void TcxLookAndFeelController::SetNativeStyle(bool value)
{
    if (GRoot != nullptr) GRoot->SetNativeStyle(value);
}
std::string TcxLookAndFeelController::SkinName() const { return GRoot != nullptr ? GRoot->SkinName() : std::string(); }
void TcxLookAndFeelController::SetSkinName(const std::string& value)
{
    if (GRoot != nullptr) GRoot->SetSkinName(value);
}

// Designer hook only: at run time nothing needs to follow a root change.
void TcxLookAndFeelController::MasterLookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues) {}

void TcxLookAndFeelController::MasterLookAndFeelDestroying(TcxLookAndFeel* sender)
{
    if (sender == GRoot) FRegistered = false;
}

// ---- Control walk ----

namespace {
template <typename Apply>
void WalkContainers(TWinControl* control, const Apply& apply)
{
    if (control == nullptr) return;
    if (auto* container = dynamic_cast<IcxLookAndFeelContainer*>(control))
        if (TcxLookAndFeel* lookAndFeel = container->GetLookAndFeel()) apply(*lookAndFeel);
    for (int i = 0; i < control->ControlCount(); ++i)
        if (auto* child = dynamic_cast<TWinControl*>(control->Controls(i))) WalkContainers(child, apply);
}
}  // namespace

void SetControlLookAndFeel(TWinControl* control, TcxLookAndFeel* lookAndFeel)
{
    WalkContainers(control, [lookAndFeel](TcxLookAndFeel& target) { target.SetMasterLookAndFeel(lookAndFeel); });
}

void SetControlLookAndFeel(TWinControl* control, TcxLookAndFeelKind kind, bool nativeStyle)
{
    WalkContainers(control, [kind, nativeStyle](TcxLookAndFeel& target) {
        target.SetKind(kind);
        target.SetNativeStyle(nativeStyle);
    });
}
