// Look-and-feel settings: effective values from the root and masters, change
// notifications, the controller and its count, listeners, the skin registry, the style
// view, system colour changes and the control walk.
//
// The root object is process-wide: every test leaves it with no assigned values.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/exceptions.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "lookandfeel/dxOffice11.h"
#include "tests/support/child_process.h"
#include "tests/support/gui_pump.h"

namespace {

constexpr TcxLookAndFeelValues vKind = 1u << lfvKind;
constexpr TcxLookAndFeelValues vNative = 1u << lfvNativeStyle;
constexpr TcxLookAndFeelValues vSkin = 1u << lfvSkinName;

// Records every OnChanged of an object.
struct TChangeLog {
    std::vector<TcxLookAndFeelValues> Changes;
    void Attach(TcxLookAndFeel& lookAndFeel)
    {
        lookAndFeel.SetOnChanged([this](TcxLookAndFeel*, TcxLookAndFeelValues values) { Changes.push_back(values); });
    }
};

class LookAndFeel : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(RootLookAndFeel(), nullptr);
        ASSERT_EQ(RootLookAndFeel()->AssignedValues(), lfvNone) << "an earlier test left the root assigned";
        ASSERT_EQ(cxLookAndFeelControllerCount(), 0);
    }
    void TearDown() override { RootLookAndFeel()->Reset(); }
};

TEST_F(LookAndFeel, ANewObjectReportsTheRootDefaults)
{
    TcxLookAndFeel lookAndFeel(nullptr);
    EXPECT_EQ(lookAndFeel.Kind(), lfUltraFlat);
    EXPECT_FALSE(lookAndFeel.NativeStyle());
    EXPECT_EQ(lookAndFeel.SkinName(), "");
    EXPECT_EQ(lookAndFeel.AssignedValues(), lfvNone);
    EXPECT_EQ(lookAndFeel.Painter(), TcxUltraFlatLookAndFeelPainter::PainterClass());
    EXPECT_EQ(lookAndFeel.SkinPainter(), nullptr);
    EXPECT_FALSE(lookAndFeel.IsRoot());
    EXPECT_TRUE(RootLookAndFeel()->IsRoot());
    EXPECT_FALSE(lookAndFeel.IsKindStored());
}

TEST_F(LookAndFeel, SettingAKindReportsOneChangeAndNoneForTheSameKindAgain)
{
    TcxLookAndFeel lookAndFeel(nullptr);
    TChangeLog log;
    log.Attach(lookAndFeel);
    lookAndFeel.SetKind(lfOffice11);
    ASSERT_EQ(log.Changes.size(), 1u);
    EXPECT_EQ(log.Changes[0], vKind);
    EXPECT_EQ(lookAndFeel.Painter(), TcxOffice11LookAndFeelPainter::PainterClass());
    EXPECT_TRUE(lookAndFeel.IsKindStored());
    lookAndFeel.SetKind(lfOffice11);
    EXPECT_EQ(log.Changes.size(), 1u);
    // Assigning the inherited value is an assignment, but no effective change.
    TcxLookAndFeel other(nullptr);
    TChangeLog otherLog;
    otherLog.Attach(other);
    other.SetKind(lfUltraFlat);
    EXPECT_TRUE(otherLog.Changes.empty());
    EXPECT_EQ(other.AssignedValues(), vKind);
}

TEST_F(LookAndFeel, EachSetterReportsItsOwnValue)
{
    const struct {
        const char* Label;
        std::function<void(TcxLookAndFeel&)> Set;
        TcxLookAndFeelValues Expected;
    } cases[] = {
        {"kind", [](TcxLookAndFeel& l) { l.SetKind(lfStandard); }, vKind},
        {"native style", [](TcxLookAndFeel& l) { l.SetNativeStyle(true); }, vNative},
        {"skin name", [](TcxLookAndFeel& l) { l.SetSkinName("Blue"); }, vSkin},
        {"painter", [](TcxLookAndFeel& l) { l.SetPainter(TcxFlatLookAndFeelPainter::PainterClass()); },
         vKind | vNative},
        {"refresh", [](TcxLookAndFeel& l) { l.Refresh(); }, lfvAll},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        TcxLookAndFeel lookAndFeel(nullptr);
        TChangeLog log;
        log.Attach(lookAndFeel);
        c.Set(lookAndFeel);
        ASSERT_EQ(log.Changes.size(), 1u);
        EXPECT_EQ(log.Changes[0], c.Expected);
    }
}

TEST_F(LookAndFeel, AnExplicitPainterOverridesTheDerivedOne)
{
    TcxLookAndFeel lookAndFeel(nullptr);
    lookAndFeel.SetPainter(TcxFlatLookAndFeelPainter::PainterClass());
    lookAndFeel.SetKind(lfOffice11);
    EXPECT_EQ(lookAndFeel.Painter(), TcxFlatLookAndFeelPainter::PainterClass());
    TChangeLog log;
    log.Attach(lookAndFeel);
    lookAndFeel.SetPainter(TcxFlatLookAndFeelPainter::PainterClass());
    EXPECT_TRUE(log.Changes.empty()) << "the same painter again";
    lookAndFeel.SetPainter(nullptr);
    EXPECT_EQ(lookAndFeel.Painter(), TcxOffice11LookAndFeelPainter::PainterClass());
}

TEST_F(LookAndFeel, ARootChangeReachesOnlyObjectsWithoutAnAssignedKind)
{
    TcxLookAndFeel inherits(nullptr), assigned(nullptr);
    assigned.SetKind(lfStandard);
    TChangeLog inheritsLog, assignedLog;
    inheritsLog.Attach(inherits);
    assignedLog.Attach(assigned);
    {
        TcxLookAndFeelController controller(nullptr);
        controller.SetKind(lfFlat);
        EXPECT_EQ(controller.Kind(), lfFlat);
        ASSERT_EQ(inheritsLog.Changes.size(), 1u);
        EXPECT_EQ(inheritsLog.Changes[0], vKind);
        EXPECT_EQ(inherits.Kind(), lfFlat);
        EXPECT_EQ(inherits.Painter(), TcxFlatLookAndFeelPainter::PainterClass());
        EXPECT_TRUE(assignedLog.Changes.empty());
        EXPECT_EQ(assigned.Kind(), lfStandard);
    }
    // The last controller went: the root is back at its defaults, and tells its objects.
    ASSERT_EQ(inheritsLog.Changes.size(), 2u);
    EXPECT_EQ(inherits.Kind(), lfUltraFlat);
    EXPECT_TRUE(assignedLog.Changes.empty());
}

TEST_F(LookAndFeel, RemovingTheLastControllerResetsTheRoot)
{
    TcxLookAndFeel* root = RootLookAndFeel();
    auto first = std::make_unique<TcxLookAndFeelController>(nullptr);
    auto second = std::make_unique<TcxLookAndFeelController>(nullptr);
    EXPECT_EQ(cxLookAndFeelControllerCount(), 2);
    first->SetKind(lfFlat);
    first->SetNativeStyle(true);
    first->SetSkinName("Caramel");
    EXPECT_EQ(second->Kind(), lfFlat) << "both edit the root";
    first.reset();
    EXPECT_EQ(cxLookAndFeelControllerCount(), 1);
    EXPECT_EQ(root->Kind(), lfFlat) << "another controller still holds the settings";
    second.reset();
    EXPECT_EQ(cxLookAndFeelControllerCount(), 0);
    EXPECT_EQ(root->AssignedValues(), lfvNone);
    EXPECT_EQ(root->Kind(), lfUltraFlat);
    EXPECT_FALSE(root->NativeStyle());
    EXPECT_EQ(root->SkinName(), "");
}

TEST_F(LookAndFeel, OnlyTheRootAcceptsAController)
{
    TcxLookAndFeelController controller(nullptr);
    TcxLookAndFeel lookAndFeel(nullptr);
    lookAndFeel.AddChangeListener(&controller);
    EXPECT_EQ(lookAndFeel.ChangeListenerCount(), 0);
    EXPECT_EQ(cxLookAndFeelControllerCount(), 1);
    RootLookAndFeel()->AddChangeListener(&controller);
    EXPECT_EQ(cxLookAndFeelControllerCount(), 1) << "a listed listener is not added twice";
    lookAndFeel.AddChangeListener(nullptr);
    EXPECT_EQ(lookAndFeel.ChangeListenerCount(), 0);
}

// A listener that records its calls and can run an action inside one.
class TRecordingListener : public TObject, public IcxLookAndFeelNotificationListener {
public:
    TRecordingListener(std::string name, std::vector<std::string>& calls) : FName(std::move(name)), FCalls(calls) {}
    std::function<void()> OnChange;
    TObject* GetObject() override { return this; }
    void MasterLookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues) override
    {
        FCalls.push_back(FName);
        if (OnChange) OnChange();
    }
    void MasterLookAndFeelDestroying(TcxLookAndFeel*) override { FCalls.push_back(FName + " destroying"); }

private:
    std::string FName;
    std::vector<std::string>& FCalls;
};

TEST_F(LookAndFeel, AListenerLeavingDuringANotificationDoesNotMakeTheNextBeSkipped)
{
    std::vector<std::string> calls;
    auto lookAndFeel = std::make_unique<TcxLookAndFeel>(nullptr);
    TRecordingListener a("a", calls), b("b", calls), c("c", calls), late("late", calls);
    lookAndFeel->AddChangeListener(&a);
    lookAndFeel->AddChangeListener(&b);
    lookAndFeel->AddChangeListener(&c);
    a.OnChange = [&] { lookAndFeel->RemoveChangeListener(&a); };
    // One that brings in a new listener is not told twice.
    b.OnChange = [&] { lookAndFeel->AddChangeListener(&late); };
    lookAndFeel->SetKind(lfFlat);
    EXPECT_EQ(calls, (std::vector<std::string>{"a", "b", "c", "late"}));
    calls.clear();
    b.OnChange = nullptr;
    lookAndFeel.reset();
    EXPECT_EQ(calls, (std::vector<std::string>{"b destroying", "c destroying", "late destroying"}));
}

TEST_F(LookAndFeel, MastersPassTheirValuesAndDroppingOneFallsBackToTheRoot)
{
    auto master = std::make_unique<TcxLookAndFeel>(nullptr);
    TcxLookAndFeel child(nullptr);
    TChangeLog log;
    log.Attach(child);
    master->SetKind(lfStandard);
    EXPECT_TRUE(log.Changes.empty()) << "not yet its master";
    child.SetMasterLookAndFeel(master.get());
    ASSERT_EQ(log.Changes.size(), 1u);
    EXPECT_EQ(log.Changes[0], vKind);
    EXPECT_EQ(child.Kind(), lfStandard);
    EXPECT_EQ(child.MasterLookAndFeel(), master.get());
    master->SetNativeStyle(true);
    EXPECT_TRUE(child.NativeStyle());
    // An assigned value masks the master's.
    child.SetKind(lfFlat);
    log.Changes.clear();
    master->SetKind(lfOffice11);
    EXPECT_TRUE(log.Changes.empty());
    master.reset();
    EXPECT_EQ(child.MasterLookAndFeel(), nullptr);
    EXPECT_FALSE(child.NativeStyle()) << "the root's again";
    EXPECT_EQ(child.Kind(), lfFlat);
    // Setting the root, or the same master again, changes nothing.
    log.Changes.clear();
    child.SetMasterLookAndFeel(RootLookAndFeel());
    child.SetMasterLookAndFeel(nullptr);
    EXPECT_TRUE(log.Changes.empty());
}

TEST_F(LookAndFeel, AMasterChainNeverClosesIntoACircle)
{
    TcxLookAndFeel a(nullptr), b(nullptr);
    b.SetMasterLookAndFeel(&a);
    a.SetMasterLookAndFeel(&b);
    EXPECT_EQ(a.MasterLookAndFeel(), nullptr);
    a.SetMasterLookAndFeel(&a);
    EXPECT_EQ(a.MasterLookAndFeel(), nullptr);
    a.SetKind(lfStandard);   // would recurse for ever through a circle
    EXPECT_EQ(b.Kind(), lfStandard);
    RootLookAndFeel()->SetMasterLookAndFeel(&a);
    EXPECT_EQ(RootLookAndFeel()->MasterLookAndFeel(), nullptr);
}

TEST_F(LookAndFeel, AssignedValuesDecideWhatIsInherited)
{
    TcxLookAndFeel lookAndFeel(nullptr);
    lookAndFeel.SetKind(lfOffice11);
    lookAndFeel.SetNativeStyle(false);
    TChangeLog log;
    log.Attach(lookAndFeel);
    lookAndFeel.SetAssignedValues(vNative);
    ASSERT_EQ(log.Changes.size(), 1u);
    EXPECT_EQ(log.Changes[0], vKind) << "native style did not change effectively";
    EXPECT_EQ(lookAndFeel.Kind(), lfUltraFlat);
    lookAndFeel.SetAssignedValues(vNative);
    EXPECT_EQ(log.Changes.size(), 1u);
    lookAndFeel.SetAssignedValues(vNative | vKind);
    EXPECT_EQ(lookAndFeel.Kind(), lfOffice11) << "the own kind was kept";
    lookAndFeel.Reset();
    EXPECT_EQ(lookAndFeel.AssignedValues(), lfvNone);
}

TEST_F(LookAndFeel, AssignCopiesOwnValuesAndMaster)
{
    TcxLookAndFeel master(nullptr), source(nullptr), target(nullptr);
    master.SetNativeStyle(true);
    source.SetMasterLookAndFeel(&master);
    source.SetKind(lfFlat);
    TChangeLog log;
    log.Attach(target);
    target.Assign(&source);
    EXPECT_EQ(target.AssignedValues(), vKind);
    EXPECT_EQ(target.Kind(), lfFlat);
    EXPECT_TRUE(target.NativeStyle());
    EXPECT_EQ(target.MasterLookAndFeel(), &master);
    ASSERT_EQ(log.Changes.size(), 1u);
    EXPECT_EQ(log.Changes[0], vKind | vNative);
    master.SetNativeStyle(false);
    EXPECT_FALSE(target.NativeStyle()) << "registered with its new master";

    TcxLookAndFeelController other(nullptr);
    try {
        target.Assign(&other);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TcxLookAndFeelController to a TcxLookAndFeel");
    }
}

TEST_F(LookAndFeel, NativeStyleWithAThemeAlwaysGivesTheNativePainter)
{
    ASSERT_TRUE(AreVisualStylesAvailable()) << "a new Wine prefix runs its light style";
    for (TcxLookAndFeelKind kind : {lfFlat, lfStandard, lfUltraFlat, lfOffice11}) {
        SCOPED_TRACE(static_cast<int>(kind));
        TcxLookAndFeel lookAndFeel(nullptr);
        lookAndFeel.SetKind(kind);
        lookAndFeel.SetNativeStyle(true);
        EXPECT_EQ(lookAndFeel.Painter(), TcxWinXPLookAndFeelPainter::PainterClass());
        EXPECT_EQ(lookAndFeel.GetActiveStyle(), lfsNative);
        EXPECT_EQ(lookAndFeel.GetAvailablePainter(totButton), TcxWinXPLookAndFeelPainter::PainterClass());
        EXPECT_EQ(lookAndFeel.GetAvailablePainter(TdxThemedObjectTypes{totButton, totListView}),
                  TcxWinXPLookAndFeelPainter::PainterClass());
    }
}

TEST_F(LookAndFeel, APainterAskedForThemesThatDoNotOpenFollowsTheKind)
{
    // Wine's light style has no class for the start panel.
    ASSERT_FALSE(AreVisualStylesAvailable(totStartPanel));
    TcxLookAndFeel lookAndFeel(nullptr);
    lookAndFeel.SetKind(lfOffice11);
    lookAndFeel.SetNativeStyle(true);
    EXPECT_EQ(lookAndFeel.GetAvailablePainter(totStartPanel), TcxOffice11LookAndFeelPainter::PainterClass());
    EXPECT_EQ(lookAndFeel.GetAvailablePainter(TdxThemedObjectTypes{totButton, totStartPanel}),
              TcxOffice11LookAndFeelPainter::PainterClass());
    EXPECT_EQ(lookAndFeel.Painter(), TcxWinXPLookAndFeelPainter::PainterClass())
        << "the stored painter asks only whether themes are on";
}

TEST_F(LookAndFeel, StyleViewMapsBothWays)
{
    const struct {
        TcxLookAndFeelStyle Style;
        TcxLookAndFeelKind Kind;
        bool Native;
    } cases[] = {
        {lfsFlat, lfFlat, false},
        {lfsStandard, lfStandard, false},
        {lfsUltraFlat, lfUltraFlat, false},
        {lfsOffice11, lfOffice11, false},
        {lfsNative, lfUltraFlat, true},   // with styles on, the kind is left alone
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Style));
        TcxLookAndFeel lookAndFeel(nullptr);
        lookAndFeel.SetStyle(c.Style);
        EXPECT_EQ(lookAndFeel.Kind(), c.Kind);
        EXPECT_EQ(lookAndFeel.NativeStyle(), c.Native);
        EXPECT_EQ(lookAndFeel.GetActiveStyle(), c.Style);
    }
}

// A painter that stands for a skin.
class TSkinPainter : public TcxOffice11LookAndFeelPainter {
    RUNTIME_CLASS(TSkinPainter, TcxOffice11LookAndFeelPainter)
public:
    static TcxLookAndFeelPainterClass PainterClass() noexcept
    {
        static const TSkinPainter instance;
        return &instance;
    }
};

TEST_F(LookAndFeel, SkinsComeFromTheRegistry)
{
    TcxExtendedStylePainters* registry = GetExtendedStylePainters();
    ASSERT_NE(registry, nullptr);
    EXPECT_EQ(registry->Count(), 0) << "nothing in this system registers a skin";
    TcxLookAndFeel lookAndFeel(nullptr);
    lookAndFeel.SetKind(lfFlat);
    lookAndFeel.SetSkinName("Lilian");
    EXPECT_EQ(lookAndFeel.SkinPainter(), nullptr);
    EXPECT_EQ(lookAndFeel.Painter(), TcxFlatLookAndFeelPainter::PainterClass());

    // Registering tells nobody who has no skin painter yet; a refresh picks it up.
    ASSERT_TRUE(registry->Register("LILIAN", TSkinPainter::PainterClass()));
    lookAndFeel.Refresh();
    EXPECT_EQ(lookAndFeel.SkinPainter(), TSkinPainter::PainterClass());
    EXPECT_EQ(lookAndFeel.Painter(), TSkinPainter::PainterClass());
    EXPECT_TRUE(registry->HasListener(&lookAndFeel));

    cxUseSkins = false;
    lookAndFeel.Refresh();
    EXPECT_EQ(lookAndFeel.SkinPainter(), nullptr);
    cxUseSkins = true;
    lookAndFeel.Refresh();

    // Unregistering tells the users of the skin, which fall back to their kind.
    TChangeLog log;
    log.Attach(lookAndFeel);
    ASSERT_TRUE(registry->Unregister("lilian"));
    ASSERT_EQ(log.Changes.size(), 1u);
    EXPECT_EQ(log.Changes[0], lfvAll);
    EXPECT_EQ(lookAndFeel.Painter(), TcxFlatLookAndFeelPainter::PainterClass());
    EXPECT_FALSE(registry->HasListener(&lookAndFeel));
    EXPECT_FALSE(registry->Register("", TSkinPainter::PainterClass()));
    EXPECT_FALSE(registry->Unregister("lilian"));
}

TEST_F(LookAndFeel, ASystemColourChangeArrivesAfterTheColoursWereRecomputed)
{
    TcxLookAndFeel first(nullptr), second(nullptr);
    const HWND window = cxSystemPaletteChangedListenerWindow();
    ASSERT_NE(window, nullptr);
    const TColor computed = dxOffice11DockColor1;
    constexpr TColor kStale = 0x123456;
    dxOffice11DockColor1 = kStale;
    // Each object hears it from its own notifier and again through the root, its master.
    std::vector<std::pair<TcxLookAndFeel*, TColor>> seen;
    for (TcxLookAndFeel* l : {&first, &second})
        l->SetOnChanged([&](TcxLookAndFeel* sender, TcxLookAndFeelValues values) {
            EXPECT_EQ(values, vNative);
            seen.emplace_back(sender, dxOffice11DockColor1);
        });
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    for (TcxLookAndFeel* l : {&first, &second}) {
        SCOPED_TRACE(l == &first ? "first" : "second");
        EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [&](const auto& s) { return s.first == l; }));
    }
    for (const auto& [sender, colour] : seen) EXPECT_EQ(colour, computed) << "told before the colours were recomputed";
}

using zv::test::PumpUntil;

TEST_F(LookAndFeel, TheDesktopsColourChangeReachesTheHiddenWindow)
{
    // Setting a system colour to the value it has changes nothing on the desktop but is
    // broadcast to every top-level window all the same.
    TcxLookAndFeel lookAndFeel(nullptr);
    TChangeLog log;
    log.Attach(lookAndFeel);
    const INT element = COLOR_BTNFACE;
    const COLORREF value = GetSysColor(element);
    ASSERT_TRUE(SetSysColors(1, &element, &value)) << GetLastError();
    PumpUntil([&] { return !log.Changes.empty(); }, 5'000);
    ASSERT_FALSE(log.Changes.empty());
    EXPECT_EQ(log.Changes[0], vNative);
}

TEST_F(LookAndFeel, PaletteNotifiersFirePrimariesThenOthersEachFromTheLast)
{
    std::vector<std::string> order;
    TcxSystemPaletteChangedNotifier p1(true), o1(false), p2(true), o2(false);
    p1.SetOnSystemPaletteChanged([&] { order.push_back("p1"); });
    p2.SetOnSystemPaletteChanged([&] { order.push_back("p2"); });
    o1.SetOnSystemPaletteChanged([&] { order.push_back("o1"); });
    o2.SetOnSystemPaletteChanged([&] { order.push_back("o2"); });
    SendMessageA(cxSystemPaletteChangedListenerWindow(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(order, (std::vector<std::string>{"p2", "p1", "o2", "o1"}));
}

// The listener (and its window and the Office 2003 colours) goes with the last notifier.
ZV_CHILD_MODE(PaletteListenerLifetime)
{
    zv::test::ChildChecks checks;
    checks.Check(cxSystemPaletteChangedListenerWindow() == nullptr, "no listener before any notifier");
    const int before = Office11ColorsRefCount();
    HWND window = nullptr;
    {
        TcxSystemPaletteChangedNotifier a(true);
        window = cxSystemPaletteChangedListenerWindow();
        if (!checks.Check(window != nullptr && IsWindow(window), "the first notifier makes the listener window"))
            return checks.ExitCode();
        checks.Check(Office11ColorsRefCount() == before + 1, "the first notifier holds the colours");
        TcxSystemPaletteChangedNotifier b;
        checks.Check(cxSystemPaletteChangedListenerWindow() == window, "the second notifier shares the listener");
    }
    checks.Check(cxSystemPaletteChangedListenerWindow() == nullptr && !IsWindow(window),
                 "the listener goes with the last notifier");
    checks.Check(Office11ColorsRefCount() == before, "the colours are released with it");
    // The last notifier may go inside its own handler: the listener waits for the walk.
    auto* last = new TcxSystemPaletteChangedNotifier();
    bool called = false;
    last->SetOnSystemPaletteChanged([&] {
        called = true;
        delete last;
    });
    window = cxSystemPaletteChangedListenerWindow();
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    if (!checks.Check(called, "the last notifier is told")) return checks.ExitCode();
    checks.Check(cxSystemPaletteChangedListenerWindow() == nullptr && !IsWindow(window),
                 "the listener goes when a handler frees the last notifier");
    checks.Check(Office11ColorsRefCount() == before, "the colours are released then");
    return checks.ExitCode();
}

TEST(PaletteListener, LivesFromTheFirstNotifierToTheLast)
{
    zv::test::ChildProcess child = zv::test::ChildProcess::Start("PaletteListenerLifetime");
    EXPECT_EQ(child.WaitForExit(60'000), 0u);
    EXPECT_EQ(child.Output(),
              zv::test::ChildChecks::Passed(
                  {"no listener before any notifier", "the first notifier makes the listener window",
                   "the first notifier holds the colours", "the second notifier shares the listener",
                   "the listener goes with the last notifier", "the colours are released with it",
                   "the last notifier is told", "the listener goes when a handler frees the last notifier",
                   "the colours are released then"}));
}

TEST_F(LookAndFeel, AThemeChangeReachesObjectsWithNativeStyle)
{
    const HWND receiver = dxThemeChangeReceiverWindow();
    ASSERT_NE(receiver, nullptr);
    TcxLookAndFeel native(nullptr), classic(nullptr);
    native.SetNativeStyle(true);
    TChangeLog nativeLog, classicLog;
    nativeLog.Attach(native);
    classicLog.Attach(classic);
    SendMessageA(receiver, WM_THEMECHANGED, 0, 0);
    ASSERT_EQ(nativeLog.Changes.size(), 1u);
    EXPECT_EQ(nativeLog.Changes[0], vNative);
    EXPECT_TRUE(classicLog.Changes.empty());
}

// A windowed control with a look-and-feel object.
class TLookAndFeelControl : public TWinControl, public IcxLookAndFeelContainer {
    RUNTIME_CLASS(TLookAndFeelControl, TWinControl)
public:
    explicit TLookAndFeelControl(TComponent* owner) : TWinControl(owner), FLookAndFeel(this) {}
    TcxLookAndFeel* GetLookAndFeel() override { return &FLookAndFeel; }

private:
    TcxLookAndFeel FLookAndFeel;
};

TEST_F(LookAndFeel, SetControlLookAndFeelReachesEveryWindowedDescendant)
{
    TWinControl top(nullptr);
    auto* direct = new TLookAndFeelControl(&top);
    direct->SetParent(&top);
    auto* panel = new TWinControl(&top);
    panel->SetParent(&top);
    auto* nested = new TLookAndFeelControl(&top);
    nested->SetParent(panel);
    TLookAndFeelControl outside(nullptr);

    SetControlLookAndFeel(&top, lfOffice11, false);
    EXPECT_EQ(direct->GetLookAndFeel()->Kind(), lfOffice11);
    EXPECT_EQ(nested->GetLookAndFeel()->Kind(), lfOffice11);
    EXPECT_EQ(nested->GetLookAndFeel()->AssignedValues(), vKind | vNative);
    EXPECT_EQ(outside.GetLookAndFeel()->Kind(), lfUltraFlat);

    TcxLookAndFeel master(nullptr);
    SetControlLookAndFeel(&top, &master);
    EXPECT_EQ(direct->GetLookAndFeel()->MasterLookAndFeel(), &master);
    EXPECT_EQ(nested->GetLookAndFeel()->MasterLookAndFeel(), &master);
    SetControlLookAndFeel(nullptr, &master);   // nothing
    SetControlLookAndFeel(&top, nullptr);
    EXPECT_EQ(nested->GetLookAndFeel()->MasterLookAndFeel(), nullptr);
}

} // namespace
