#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/exceptions.h"
#include "framework/persistent.h"

namespace {

// --- TPersistent ---

class TPoint : public TPersistent {
    RUNTIME_CLASS(TPoint, TPersistent)
public:
    int X = 0, Y = 0;

    void Assign(const TPersistent* source) override
    {
        if (const auto* point = dynamic_cast<const TPoint*>(source)) {
            X = point->X;
            Y = point->Y;
            return;
        }
        TPersistent::Assign(source);
    }
};

// Knows how to copy itself into a TPoint, which does not know it.
class TPolar : public TPersistent {
    RUNTIME_CLASS(TPolar, TPersistent)
public:
    int Radius = 0;

protected:
    void AssignTo(TPersistent* dest) const override
    {
        if (auto* point = dynamic_cast<TPoint*>(dest)) {
            point->X = Radius;
            point->Y = 0;
            return;
        }
        TPersistent::AssignTo(dest);
    }
};

class TUnrelated : public TPersistent {
    RUNTIME_CLASS(TUnrelated, TPersistent)
};

TEST(Persistent, AssignCopiesFromASourceTheDestinationKnows)
{
    TPoint source;
    source.X = 3;
    source.Y = 4;
    TPoint dest;
    dest.Assign(&source);
    EXPECT_EQ(dest.X, 3);
    EXPECT_EQ(dest.Y, 4);
}

TEST(Persistent, AssignFallsBackToTheSourcesAssignTo)
{
    TPolar polar;
    polar.Radius = 9;
    TPoint dest;
    dest.Y = 5;
    dest.Assign(&polar);
    EXPECT_EQ(dest.X, 9);
    EXPECT_EQ(dest.Y, 0);
}

TEST(Persistent, NullOrUnsupportedSourcesRaiseAssignError)
{
    TPoint point;
    TPolar polar;
    TUnrelated unrelated;
    struct {
        const char* label;
        TPersistent* dest;
        const TPersistent* source;
        const char* message;
    } cases[] = {
        {"unknown to both", &point, &unrelated, "Cannot assign a TUnrelated to a TPoint"},
        {"null source", &point, nullptr, "Cannot assign a nil to a TPoint"},
        {"AssignTo knows only points", &unrelated, &polar, "Cannot assign a TPolar to a TUnrelated"},
        {"base knows nothing", &polar, &point, "Cannot assign a TPoint to a TPolar"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        try {
            c.dest->Assign(c.source);
            ADD_FAILURE() << "no exception";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
}

// --- TComponent ---

// Writes what happens to it into a shared journal: notifications as "<receiver> insert|remove
// <subject>", destruction as "~<label>".
struct TJournal {
    std::vector<std::pair<std::string, const TComponent*>> Entries;
    std::map<const TComponent*, std::string> Labels;

    std::vector<std::string> Recorded() const
    {
        std::vector<std::string> lines;
        for (const auto& [text, subject] : Entries) {
            auto label = Labels.find(subject);
            lines.push_back(subject ? text + " " + (label == Labels.end() ? "?" : label->second) : text);
        }
        return lines;
    }
};

class TProbe : public TComponent {
    RUNTIME_CLASS(TProbe, TComponent)
public:
    TProbe(TComponent* owner, std::string label, TJournal& journal)
        : TComponent(owner), FLabel(std::move(label)), FJournal(journal)
    {
    }
    ~TProbe() override { FJournal.Entries.push_back({"~" + FLabel, nullptr}); }

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        FJournal.Entries.push_back({FLabel + (operation == opInsert ? " insert" : " remove"), component});
        TComponent::Notification(component, operation);
    }

private:
    std::string FLabel;
    TJournal& FJournal;
};

// Keeps a pointer to another component and lets go of it when told it is going.
class TListener : public TComponent {
    RUNTIME_CLASS(TListener, TComponent)
public:
    using TComponent::TComponent;
    ~TListener() override
    {
        if (HeldAtDestruction) *HeldAtDestruction = FTarget != nullptr;
    }

    TComponent* Target() const { return FTarget; }
    void SetTarget(TComponent* target, bool askForFreeNotification)
    {
        FTarget = target;
        if (target && askForFreeNotification) target->FreeNotification(this);
    }
    int RemovalsSeen = 0;   // of the target
    int RemoveNotices = 0;  // about any component
    TComponentState TargetStateWhenRemoved = 0;
    bool* HeldAtDestruction = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        if (operation == opRemove) ++RemoveNotices;
        if (operation == opRemove && component == FTarget) {
            ++RemovalsSeen;
            TargetStateWhenRemoved = component->ComponentState();
            FTarget = nullptr;
        }
        TComponent::Notification(component, operation);
    }

private:
    TComponent* FTarget = nullptr;
};

class ComponentTest : public ::testing::Test {
protected:
    TProbe* Make(TComponent* owner, const std::string& label)
    {
        auto* probe = new TProbe(owner, label, FJournal);
        FJournal.Labels[probe] = label;
        return probe;
    }
    std::vector<std::string> Recorded() const { return FJournal.Recorded(); }
    void ClearJournal() { FJournal.Entries.clear(); }

    TJournal FJournal;
};

using Lines = std::vector<std::string>;

TEST_F(ComponentTest, TheOwnerListsItsComponentsInInsertionOrder)
{
    std::unique_ptr<TProbe> owner(Make(nullptr, "O"));
    TProbe* a = Make(owner.get(), "A");
    TProbe* b = Make(owner.get(), "B");
    EXPECT_EQ(owner->Owner(), nullptr);
    EXPECT_EQ(owner->ComponentIndex(), -1);
    ASSERT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->Components(0), a);
    EXPECT_EQ(owner->Components(1), b);
    EXPECT_EQ(a->Owner(), owner.get());
    EXPECT_EQ(a->ComponentIndex(), 0);
    EXPECT_EQ(b->ComponentIndex(), 1);
    for (int index : {-1, 2}) {
        SCOPED_TRACE(index);
        try {
            owner->Components(index);
            ADD_FAILURE() << "no exception";
        } catch (const EListError& e) {
            EXPECT_EQ(e.Message(), "List index out of bounds (" + std::to_string(index) + ")");
        }
    }
}

TEST_F(ComponentTest, TheOwnerDestroysItsComponentsLastFirst)
{
    TProbe* owner = Make(nullptr, "O");
    TProbe* a = Make(owner, "A");
    Make(owner, "B");
    Make(a, "A1");
    ClearJournal();
    delete owner;
    // Each component leaves its owner as it goes, and the owner passes the news down to the
    // components still there. The owner's own overrides are gone by then.
    EXPECT_EQ(Recorded(), (Lines{"~O", "~B", "A remove B", "A1 remove B", "~A", "~A1"}));
}

TEST_F(ComponentTest, ConstructionWithAnOwnerTellsTheOwnerAndTheSiblings)
{
    std::unique_ptr<TProbe> owner(Make(nullptr, "O"));
    TProbe* a = Make(owner.get(), "A");
    Make(owner.get(), "B");
    ClearJournal();
    TProbe* c = Make(owner.get(), "C");
    // C's own override does not exist yet while its TComponent part is being built.
    EXPECT_EQ(Recorded(), (Lines{"O insert C", "B insert C", "A insert C"}));
    EXPECT_EQ(c->ComponentIndex(), 2);
    (void)a;
}

TEST_F(ComponentTest, DeletingAnOwnedComponentLeavesItsOwnerFirst)
{
    std::unique_ptr<TProbe> owner(Make(nullptr, "O"));
    Make(owner.get(), "A");
    TProbe* b = Make(owner.get(), "B");
    Make(owner.get(), "C");
    ClearJournal();
    delete b;
    EXPECT_EQ(Recorded(), (Lines{"~B", "O remove B", "C remove B", "A remove B"}));
    ASSERT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->FindComponent("B"), nullptr);
    EXPECT_EQ(owner->Components(1)->ComponentIndex(), 1);
}

TEST_F(ComponentTest, DestructionNotifiesLinksThenDestroysOwnedThenLeavesTheOwner)
{
    std::unique_ptr<TProbe> owner(Make(nullptr, "O"));
    TProbe* sibling = Make(owner.get(), "S");
    TProbe* dying = Make(owner.get(), "X");
    Make(dying, "X1");
    Make(dying, "X2");
    std::unique_ptr<TProbe> linked(Make(nullptr, "L"));
    dying->FreeNotification(linked.get());
    ClearJournal();
    delete dying;
    EXPECT_EQ(Recorded(), (Lines{"~X", "L remove X", "~X2", "X1 remove X2", "~X1", "O remove X", "S remove X"}));
    EXPECT_EQ(owner->ComponentCount(), 1);
    EXPECT_EQ(owner->Components(0), sibling);
}

TEST_F(ComponentTest, InsertComponentMovesAComponentBetweenOwners)
{
    std::unique_ptr<TProbe> from(Make(nullptr, "A"));
    std::unique_ptr<TProbe> to(Make(nullptr, "B"));
    TProbe* x = Make(from.get(), "X");
    ClearJournal();
    to->InsertComponent(x);
    EXPECT_EQ(Recorded(), (Lines{"A remove X", "X remove X", "B insert X", "X insert X"}));
    EXPECT_EQ(x->Owner(), to.get());
    EXPECT_EQ(from->ComponentCount(), 0);
    EXPECT_EQ(to->ComponentCount(), 1);

    ClearJournal();
    to->InsertComponent(x);   // already there
    EXPECT_EQ(Recorded(), Lines{});
}

TEST_F(ComponentTest, RemoveComponentReleasesOwnership)
{
    std::unique_ptr<TProbe> owner(Make(nullptr, "O"));
    TProbe* x = Make(owner.get(), "X");
    std::unique_ptr<TProbe> stranger(Make(nullptr, "Z"));
    ClearJournal();
    owner->RemoveComponent(stranger.get());   // not ours: ignored
    EXPECT_EQ(Recorded(), Lines{});
    owner->RemoveComponent(x);
    EXPECT_EQ(Recorded(), (Lines{"O remove X", "X remove X"}));
    EXPECT_EQ(x->Owner(), nullptr);
    EXPECT_EQ(x->ComponentIndex(), -1);
    EXPECT_EQ(owner->ComponentCount(), 0);
    ClearJournal();
    delete x;   // the caller's now
    EXPECT_EQ(Recorded(), Lines{"~X"});
}

TEST_F(ComponentTest, NamesAreUniqueAmongTheOwnersComponentsIgnoringCase)
{
    std::unique_ptr<TProbe> owner(Make(nullptr, "O"));
    TProbe* a = Make(owner.get(), "A");
    TProbe* b = Make(owner.get(), "B");
    a->SetName("Button1");
    try {
        b->SetName("BUTTON1");
        ADD_FAILURE() << "no exception";
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message(), "A component named BUTTON1 already exists");
    }
    EXPECT_EQ(b->Name(), "");

    a->SetName("BUTTON1");   // its own name in another case
    EXPECT_EQ(a->Name(), "BUTTON1");
    b->SetName("Button2");
    EXPECT_EQ(owner->FindComponent("button2"), b);
    EXPECT_EQ(owner->FindComponent("Button1"), a);
    EXPECT_EQ(owner->FindComponent("Button3"), nullptr);
    EXPECT_EQ(owner->FindComponent(""), nullptr);

    // Empty names never clash.
    Make(owner.get(), "C");
    Make(owner.get(), "D");
    a->SetName("");
    EXPECT_EQ(owner->ComponentCount(), 4);

    // Other owners' names do not count.
    std::unique_ptr<TProbe> other(Make(nullptr, "P"));
    TProbe* c = Make(other.get(), "Q");
    EXPECT_NO_THROW(c->SetName("Button2"));
    owner->SetName("Button2");
}

TEST_F(ComponentTest, ANameMustBeAnIdentifier)
{
    std::unique_ptr<TProbe> x(Make(nullptr, "X"));
    for (const char* name : {"1abc", "a b", "a-b", " a", "a.b", "\xE4"}) {
        SCOPED_TRACE(name);
        try {
            x->SetName(name);
            ADD_FAILURE() << "no exception";
        } catch (const EComponentError& e) {
            EXPECT_EQ(e.Message(), std::string("'") + name + "' is not a valid component name");
        }
    }
    for (const char* name : {"a", "_", "Form_1", "A9"}) {
        SCOPED_TRACE(name);
        EXPECT_NO_THROW(x->SetName(name));
        EXPECT_EQ(x->Name(), name);
    }
}

TEST_F(ComponentTest, InsertingAComponentWhoseNameClashesChangesNothing)
{
    std::unique_ptr<TProbe> from(Make(nullptr, "A"));
    std::unique_ptr<TProbe> to(Make(nullptr, "B"));
    Make(to.get(), "Y")->SetName("Edit");
    TProbe* x = Make(from.get(), "X");
    x->SetName("EDIT");
    ClearJournal();
    EXPECT_THROW(to->InsertComponent(x), EComponentError);
    EXPECT_EQ(x->Owner(), from.get());
    EXPECT_EQ(to->ComponentCount(), 1);
    EXPECT_EQ(Recorded(), Lines{});
}

TEST_F(ComponentTest, TagAndLoadingStateAreKept)
{
    std::unique_ptr<TProbe> x(Make(nullptr, "X"));
    EXPECT_EQ(x->Tag(), 0);
    x->SetTag(-65);
    EXPECT_EQ(x->Tag(), -65);
    EXPECT_EQ(x->ComponentState(), 0u);
    x->BeginLoading();
    EXPECT_TRUE(x->ComponentState() & csLoading);
    x->Loaded();
    EXPECT_FALSE(x->ComponentState() & csLoading);
}

TEST(ComponentNotification, AFreeNotificationClearsAListenersPointerWhoeverOwnsTheTarget)
{
    std::unique_ptr<TComponent> formA(new TComponent(nullptr));
    std::unique_ptr<TComponent> formB(new TComponent(nullptr));
    auto* listener = new TListener(formA.get());
    auto* target = new TComponent(formB.get());
    auto* target2 = new TComponent(formB.get());

    listener->SetTarget(target, true);
    delete target;
    EXPECT_EQ(listener->Target(), nullptr);
    EXPECT_EQ(listener->RemovalsSeen, 1);
    EXPECT_TRUE(listener->TargetStateWhenRemoved & csDestroying);

    // The target going with its owner is the same.
    listener->SetTarget(target2, true);
    formB.reset();
    EXPECT_EQ(listener->Target(), nullptr);
    EXPECT_EQ(listener->RemovalsSeen, 2);
}

TEST(ComponentNotification, LinksAreMutualAndMadeOnce)
{
    std::unique_ptr<TListener> listener(new TListener(nullptr));
    auto* target = new TListener(nullptr);
    listener->SetTarget(target, true);
    listener->SetTarget(target, true);
    target->FreeNotification(listener.get());
    target->SetTarget(listener.get(), false);
    delete target;
    EXPECT_EQ(listener->RemoveNotices, 1);

    // The other direction: the target learns of the listener's end.
    std::unique_ptr<TListener> survivor(new TListener(nullptr));
    auto* goner = new TListener(nullptr);
    goner->SetTarget(survivor.get(), true);
    survivor->SetTarget(goner, false);
    delete goner;
    EXPECT_EQ(survivor->Target(), nullptr);
    EXPECT_EQ(survivor->RemovalsSeen, 1);
}

TEST(ComponentNotification, RemoveFreeNotificationUndoesTheLink)
{
    std::unique_ptr<TListener> listener(new TListener(nullptr));
    auto* target = new TComponent(nullptr);
    listener->SetTarget(target, true);
    target->RemoveFreeNotification(listener.get());
    delete target;
    EXPECT_EQ(listener->RemoveNotices, 0);
    EXPECT_NE(listener->Target(), nullptr);   // stale, as the listener asked for
}

TEST(ComponentNotification, SiblingsLearnThroughTheirOwnerWithoutALink)
{
    std::unique_ptr<TComponent> form(new TComponent(nullptr));
    auto* listener = new TListener(form.get());
    auto* target = new TComponent(form.get());
    listener->SetTarget(target, false);
    delete target;
    EXPECT_EQ(listener->Target(), nullptr);
    EXPECT_EQ(listener->RemovalsSeen, 1);
}

TEST(ComponentNotification, AnOwnerGoingDoesNotLeaveAnEarlierSiblingHoldingALaterOne)
{
    bool heldAtDestruction = true;
    auto* form = new TComponent(nullptr);
    auto* listener = new TListener(form);   // destroyed after the target: it was inserted first
    listener->HeldAtDestruction = &heldAtDestruction;
    listener->SetTarget(new TComponent(form), false);
    delete form;
    EXPECT_FALSE(heldAtDestruction);
}

} // namespace
