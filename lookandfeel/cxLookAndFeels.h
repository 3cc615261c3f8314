// Look-and-feel settings: which kind of drawing a control uses, whether it follows the
// desktop theme, and which named skin, each either assigned on the object or inherited
// from a master object (by default the process-wide root). From the effective settings an
// object derives its painter class (cxLookAndFeelPainters.h) and tells its listeners and
// its owner whenever an effective setting changes.
//
// GUI thread only. The root object, the controller count, the skin registry and the
// system-palette listener are process-wide and unguarded.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/persistent.h"
#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/dxThemeManager.h"

enum TcxLookAndFeelValue { lfvKind, lfvNativeStyle, lfvSkinName };
// A set of TcxLookAndFeelValue: member n at bit n.
using TcxLookAndFeelValues = unsigned;
constexpr TcxLookAndFeelValues cxLookAndFeelValue(TcxLookAndFeelValue value) noexcept { return 1u << value; }
constexpr TcxLookAndFeelValues lfvNone = 0;
constexpr TcxLookAndFeelValues lfvAll = 0x7u;

class TcxLookAndFeel;

// Tells a registered painter user that the skin registry changed.
class IcxLookAndFeelPainterListener {
public:
    virtual void PainterChanged(TcxLookAndFeelPainterClass painter) = 0;

protected:
    ~IcxLookAndFeelPainterListener() = default;
};

// A listener of a TcxLookAndFeel. The list holds plain references: a listener must
// unregister itself (RemoveChangeListener) before it goes.
class IcxLookAndFeelNotificationListener {
public:
    // The object behind the listener (the TcxLookAndFeel, the controller, ...).
    virtual TObject* GetObject() = 0;
    // The sender's effective values in changed are different now.
    virtual void MasterLookAndFeelChanged(TcxLookAndFeel* sender, TcxLookAndFeelValues changed) = 0;
    // The sender is being destroyed; drop every reference to it.
    virtual void MasterLookAndFeelDestroying(TcxLookAndFeel* sender) = 0;

protected:
    ~IcxLookAndFeelNotificationListener() = default;
};

// A control whose look-and-feel SetControlLookAndFeel can reach.
class IcxLookAndFeelContainer {
public:
    virtual TcxLookAndFeel* GetLookAndFeel() = 0;

protected:
    ~IcxLookAndFeelContainer() = default;
};

// The registry of extended-style (skin) painters, found by name. Nothing in this system
// registers one, so every skin painter is none, but the registry works: registering or
// unregistering tells every listener (PainterChanged).
class TcxExtendedStylePainters : public TObject {
    RUNTIME_CLASS(TcxExtendedStylePainters, TObject)
public:
    TcxExtendedStylePainters() = default;
    TcxExtendedStylePainters(const TcxExtendedStylePainters&) = delete;
    TcxExtendedStylePainters& operator=(const TcxExtendedStylePainters&) = delete;

    int Count() const noexcept { return static_cast<int>(FPainters.size()); }
    // Adds or replaces the painter of name (case ignored; an empty name or null painter
    // is refused with false), then tells the listeners.
    bool Register(const std::string& name, TcxLookAndFeelPainterClass painter);
    // Removes name; tells the listeners when it was there.
    bool Unregister(const std::string& name);
    // The painter of name (case ignored); false and null when none.
    bool GetPainterByName(const std::string& name, TcxLookAndFeelPainterClass& painter) const;
    // Listeners are plain references; adding twice keeps one entry.
    void AddListener(IcxLookAndFeelPainterListener* listener);
    void RemoveListener(IcxLookAndFeelPainterListener* listener);
    bool HasListener(IcxLookAndFeelPainterListener* listener) const;

private:
    void NotifyListeners(TcxLookAndFeelPainterClass painter);
    std::map<std::string, TcxLookAndFeelPainterClass> FPainters;   // upper-case names
    std::vector<IcxLookAndFeelPainterListener*> FListeners;
};

// The process-wide skin registry; never null. It lives from the start of its unit to the end.
TcxExtendedStylePainters* GetExtendedStylePainters();

// Whether skin painters take effect (initially true).
extern bool cxUseSkins;

using TcxSystemPaletteChangedEvent = std::function<void()>;

// Tells its owner that the system colours changed, after the Office 2003 colours were
// recomputed. The first notifier creates the process-wide listener (which creates the
// Office 2003 colours and a hidden window); the last one frees it (which releases them).
// Primary notifiers are told before the others, each list from the last registered to
// the first.
class TcxSystemPaletteChangedNotifier : public TObject {
    RUNTIME_CLASS(TcxSystemPaletteChangedNotifier, TObject)
public:
    explicit TcxSystemPaletteChangedNotifier(bool isPrimary = false);
    TcxSystemPaletteChangedNotifier(const TcxSystemPaletteChangedNotifier&) = delete;
    TcxSystemPaletteChangedNotifier& operator=(const TcxSystemPaletteChangedNotifier&) = delete;
    ~TcxSystemPaletteChangedNotifier() override;

    bool IsPrimary() const noexcept { return FIsPrimary; }
    const TcxSystemPaletteChangedEvent& OnSystemPaletteChanged() const noexcept { return FOnSystemPaletteChanged; }
    void SetOnSystemPaletteChanged(TcxSystemPaletteChangedEvent handler)
    {
        FOnSystemPaletteChanged = std::move(handler);
    }
    // Fires the event when assigned.
    void DoChanged();

private:
    bool FIsPrimary;
    TcxSystemPaletteChangedEvent FOnSystemPaletteChanged;
};

// The hidden top-level window of the process-wide system-palette listener, null when no
// notifier exists (or the window could not be made). For tests and diagnostics: sending
// it WM_SYSCOLORCHANGE acts as a change of the desktop colours.
HWND cxSystemPaletteChangedListenerWindow();

// Sender and the set of effective values that changed.
using TcxLookAndFeelChangedEvent = std::function<void(TcxLookAndFeel* sender, TcxLookAndFeelValues changed)>;

class TcxLookAndFeel : public TPersistent,
                       public IcxLookAndFeelNotificationListener,
                       public IcxLookAndFeelPainterListener {
    RUNTIME_CLASS(TcxLookAndFeel, TPersistent)
public:
    // owner (may be null) is the control that owns the object; it is only reported back.
    // Registers with the root object when one exists.
    explicit TcxLookAndFeel(TPersistent* owner);
    TcxLookAndFeel(const TcxLookAndFeel&) = delete;
    TcxLookAndFeel& operator=(const TcxLookAndFeel&) = delete;
    ~TcxLookAndFeel() override;

    TPersistent* Owner() const noexcept { return FOwner; }

    // Assigned values: which settings are set on this object itself.
    TcxLookAndFeelValues AssignedValues() const noexcept { return FAssignedValues; }
    void SetAssignedValues(TcxLookAndFeelValues values);
    // The effective values (own when assigned, else the master's or root's).
    TcxLookAndFeelKind Kind() const noexcept { return FCurrentKind; }
    void SetKind(TcxLookAndFeelKind value);
    bool NativeStyle() const noexcept { return FCurrentNativeStyle; }
    void SetNativeStyle(bool value);
    const std::string& SkinName() const noexcept { return FCurrentSkinName; }
    void SetSkinName(const std::string& value);
    // Same as Kind(), NativeStyle(), SkinName().
    TcxLookAndFeelKind GetKind() const noexcept { return Kind(); }
    bool GetNativeStyle() const noexcept { return NativeStyle(); }
    std::string GetSkinName() const { return SkinName(); }
    // Stored in a form only when assigned.
    bool IsKindStored() const noexcept { return (FAssignedValues & cxLookAndFeelValue(lfvKind)) != 0; }
    bool IsNativeStyleStored() const noexcept { return (FAssignedValues & cxLookAndFeelValue(lfvNativeStyle)) != 0; }
    bool IsSkinNameStored() const noexcept { return (FAssignedValues & cxLookAndFeelValue(lfvSkinName)) != 0; }

    // The explicit painter when set, else the one derived from the effective values.
    TcxLookAndFeelPainterClass Painter() const noexcept;
    TcxLookAndFeelPainterClass GetPainter() const noexcept { return Painter(); }
    // An explicit painter (null: none) that overrides the derived one.
    void SetPainter(TcxLookAndFeelPainterClass painter);
    // The painter of the effective skin; null when none.
    TcxLookAndFeelPainterClass SkinPainter() const noexcept { return FSkinPainter; }
    // The painter for the effective values, with native style requiring the themed
    // object types to open (an empty set asks only whether themes are available).
    TcxLookAndFeelPainterClass GetAvailablePainter(const TdxThemedObjectTypes& neededThemedObjectTypes) const;
    TcxLookAndFeelPainterClass GetAvailablePainter(TdxThemedObjectType neededThemedObjectType) const;

    // The explicit master, or null (then the root is the master).
    TcxLookAndFeel* MasterLookAndFeel() const noexcept { return FMasterLookAndFeel; }
    // Makes master (null: the root) the master; ignored for the root object itself.
    void SetMasterLookAndFeel(TcxLookAndFeel* master);
    bool IsRoot() const noexcept { return FIsRootLookAndFeel; }

    // Copies another TcxLookAndFeel's own values, assigned values and master; any other
    // source raises EConvertError.
    void Assign(const TPersistent* source) override;
    // Assigned values := empty.
    void Reset();
    // Reports all three values changed.
    void Refresh();

    // The style view of the settings.
    TcxLookAndFeelStyle GetActiveStyle() const;
    void SetStyle(TcxLookAndFeelStyle style);

    // listener may be null (ignored). A controller is accepted only by the root.
    void AddChangeListener(IcxLookAndFeelNotificationListener* listener);
    void RemoveChangeListener(IcxLookAndFeelNotificationListener* listener);
    int ChangeListenerCount() const noexcept { return static_cast<int>(FChangeListeners.size()); }

    const TcxLookAndFeelChangedEvent& OnChanged() const noexcept { return FOnChanged; }
    void SetOnChanged(TcxLookAndFeelChangedEvent handler) { FOnChanged = std::move(handler); }

    // IcxLookAndFeelNotificationListener
    TObject* GetObject() override { return this; }
    void MasterLookAndFeelChanged(TcxLookAndFeel* sender, TcxLookAndFeelValues changed) override;
    void MasterLookAndFeelDestroying(TcxLookAndFeel* sender) override;
    // IcxLookAndFeelPainterListener
    void PainterChanged(TcxLookAndFeelPainterClass painter) override;

protected:
    // Added virtual operations, in slot order.
    virtual TcxLookAndFeelKind InternalGetKind() const;
    virtual bool InternalGetNativeStyle() const;
    virtual std::string InternalGetSkinName() const;
    virtual TcxLookAndFeelPainterClass InternalGetSkinPainter() const;
    // True when name is not empty and the skin registry has it; painter is that painter
    // when cxUseSkins, else null.
    virtual bool IsVisualSkinAvailable(const std::string& name, TcxLookAndFeelPainterClass& painter) const;
    virtual void SystemPaletteChanged();

    // Recomputes the effective values and painters, then tells the listeners and OnChanged.
    void Changed(TcxLookAndFeelValues changed);

private:
    friend TcxLookAndFeel* RootLookAndFeel();
    struct TRootTag {};
    TcxLookAndFeel(TPersistent* owner, TRootTag);
    void Construct();
    // The master in force: the explicit one, else the root (null for the root itself).
    TcxLookAndFeel* EffectiveMaster() const noexcept;
    void SavePreviousState();
    void CheckStateChanges();
    void UpdateSkinPainterListener();
    void ThemeChanged();
    // True when making master this object's master would make this object its own master.
    bool WouldCycle(const TcxLookAndFeel* master) const noexcept;

    TPersistent* FOwner;
    TcxLookAndFeelValues FAssignedValues = lfvNone;
    TcxLookAndFeelKind FKind = lfUltraFlat;
    bool FNativeStyle = false;
    std::string FSkinName;
    TcxLookAndFeelKind FCurrentKind = lfUltraFlat;
    bool FCurrentNativeStyle = false;
    std::string FCurrentSkinName;
    TcxLookAndFeelPainterClass FCurrentPainter = nullptr;
    TcxLookAndFeelKind FPrevKind = lfUltraFlat;
    bool FPrevNativeStyle = false;
    std::string FPrevSkinName;
    TcxLookAndFeel* FMasterLookAndFeel = nullptr;
    TcxLookAndFeelPainterClass FPainter = nullptr;
    TcxLookAndFeelPainterClass FSkinPainter = nullptr;
    bool FIsRootLookAndFeel = false;
    bool FIsDestruction = false;
    std::vector<IcxLookAndFeelNotificationListener*> FChangeListeners;
    std::unique_ptr<TcxSystemPaletteChangedNotifier> FSystemPaletteChangedNotifier;
    std::unique_ptr<TdxThemeChangedNotificator> FThemeChangedNotificator;
    TcxLookAndFeelChangedEvent FOnChanged;
};

// The process-wide root object: made on first use, freed when the library shuts down
// (null afterwards). Every object without an explicit master inherits from it.
TcxLookAndFeel* RootLookAndFeel();

// How many controllers are registered with the root.
int cxLookAndFeelControllerCount();

// Lets a form edit the root object. Registers with the root on creation (raising the
// controller count) and leaves on destruction; when the last controller goes the root's
// assigned values are reset. Without a root its properties read lfUltraFlat, false and
// an empty name, and writes do nothing.
class TcxLookAndFeelController : public TComponent, public IcxLookAndFeelNotificationListener {
    RUNTIME_CLASS(TcxLookAndFeelController, TComponent)
public:
    explicit TcxLookAndFeelController(TComponent* owner);
    ~TcxLookAndFeelController() override;

    TcxLookAndFeelKind Kind() const;
    void SetKind(TcxLookAndFeelKind value);
    bool NativeStyle() const;
    void SetNativeStyle(bool value);
    std::string SkinName() const;
    void SetSkinName(const std::string& value);

    // IcxLookAndFeelNotificationListener
    TObject* GetObject() override { return this; }
    // Added virtual operations, in slot order. At run time a root change needs nothing;
    // the root going away drops the registration.
    void MasterLookAndFeelChanged(TcxLookAndFeel* sender, TcxLookAndFeelValues changed) override;
    void MasterLookAndFeelDestroying(TcxLookAndFeel* sender) override;

private:
    bool FRegistered = false;
};

// Walks control and every windowed descendant; each one that implements
// IcxLookAndFeelContainer gets lookAndFeel as the master of its look-and-feel object
// (first form), or its kind and native style set (second form). Null control: nothing.
void SetControlLookAndFeel(TWinControl* control, TcxLookAndFeel* lookAndFeel);
void SetControlLookAndFeel(TWinControl* control, TcxLookAndFeelKind kind, bool nativeStyle);
