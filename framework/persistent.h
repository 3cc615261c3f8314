// TPersistent: objects that can copy their state from one another with Assign.
// TComponent: persistent objects that own one another, have names unique among their
// owner's components, and tell each other when one goes away.
//
// Used by one thread at a time (the thread that owns the component tree, normally the
// main thread).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "object.h"

class TPersistent : public TObject {
    RUNTIME_CLASS(TPersistent, TObject)
public:
    // Copies source's state into this object. The base asks source to copy itself into
    // this one (source->AssignTo(this)); a class that knows how to take from some sources
    // overrides Assign for them and calls the inherited Assign for the rest. A null or
    // unsupported source raises EConvertError "Cannot assign a <source> to a <this>".
    virtual void Assign(const TPersistent* source);

protected:
    // Copies this object's state into dest, which is never null. The base cannot, and
    // raises dest's AssignError with this object as the source.
    virtual void AssignTo(TPersistent* dest) const;
    // Raises EConvertError "Cannot assign a %s to a %s" with source's class name ("nil"
    // for a null source) and this object's class name.
    [[noreturn]] void AssignError(const TPersistent* source) const;
};

enum TOperation { opInsert, opRemove };

// Bits of TComponent::ComponentState(); a component state is a set of them.
enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0,     // between BeginLoading() and Loaded()
    csDestroying = 1u << 1,  // the destructor has started
};
using TComponentState = unsigned;

// Components are created with new. A component with an owner belongs to it: the owner
// deletes its components (the last inserted first) when it is destroyed. Deleting an
// owned component directly is allowed; it leaves its owner first.
class TComponent : public TPersistent {
    RUNTIME_CLASS(TComponent, TPersistent)
public:
    // owner may be null; otherwise the new component is inserted into it (opInsert).
    explicit TComponent(TComponent* owner);
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    // Sets csDestroying, sends opRemove to every component linked by FreeNotification,
    // destroys the owned components, then leaves the owner (which is told opRemove).
    ~TComponent() override;

    TComponent* Owner() const noexcept { return FOwner; }
    int ComponentCount() const noexcept { return static_cast<int>(FComponents.size()); }
    // The owned component at index 0..ComponentCount()-1; EListError "List index out of
    // bounds (%d)" otherwise.
    TComponent* Components(int index) const;
    // This component's position in its owner's list; -1 without an owner.
    int ComponentIndex() const noexcept;
    // The owned component with that name (ASCII case ignored); null when none or name is empty.
    TComponent* FindComponent(const std::string& name) const;

    // Puts component (not null, not this) into this owner's list, taking it from its
    // previous owner first. Raises EComponentError when its name clashes with one of ours;
    // nothing changes then. Tells this owner opInsert once the component is in.
    void InsertComponent(TComponent* component);
    // Takes component out of this owner's list (it then has no owner and nobody deletes
    // it). This owner is told opRemove while the component is still in the list.
    // A component that is not ours is ignored.
    void RemoveComponent(TComponent* component);
    // Deletes every owned component, the last one first.
    void DestroyComponents();

    const std::string& Name() const noexcept { return FName; }
    // A non-empty name must be an identifier (a letter or '_', then letters, digits and
    // '_'): EComponentError "'%s' is not a valid component name". It must also differ,
    // ignoring ASCII case, from the names of the owner's other components:
    // EComponentError "A component named %s already exists". Empty names never clash.
    void SetName(const std::string& name);

    // A value free for the application's use; the framework never reads it.
    std::intptr_t Tag() const noexcept { return FTag; }
    void SetTag(std::intptr_t tag) noexcept { FTag = tag; }

    TComponentState ComponentState() const noexcept { return FComponentState; }
    // Sets csLoading; property setters may then put off work that depends on other
    // properties until Loaded().
    void BeginLoading() noexcept { FComponentState |= csLoading; }
    // Clears csLoading. Overrides call the inherited Loaded first.
    virtual void Loaded();

    // Links this component and component (not null) so that each is told opRemove when
    // the other is destroyed, whoever owns them. Linking twice links once.
    void FreeNotification(TComponent* component);
    // Undoes FreeNotification in both directions; unlinked components are ignored.
    void RemoveFreeNotification(TComponent* component);

protected:
    // Called when component was inserted into (opInsert) or is leaving (opRemove) this
    // component's owner tree, or when a component linked by FreeNotification is being
    // destroyed. The base passes the call on to every owned component (the component
    // itself included when it is one of them), so siblings learn too; overrides that
    // keep a pointer to component clear it on opRemove and call the inherited Notification.
    // During opRemove for a destroyed component, component is only good for comparing
    // addresses: its derived parts are already gone.
    virtual void Notification(TComponent* component, TOperation operation);

private:
    void MarkDestroying() noexcept;
    void NotifyFreeNotifiesOfDestruction();
    void ValidateNewName(const TComponent* component, const std::string& name) const;

    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    std::string FName;
    std::intptr_t FTag = 0;
    TComponentState FComponentState = 0;
};
