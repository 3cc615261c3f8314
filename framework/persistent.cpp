#include "framework/persistent.h"

#include <algorithm>

#include "framework/exceptions.h"
#include "framework/format.h"
#include "framework/strutils.h"

namespace {

bool IsValidIdentifier(const std::string& name) noexcept
{
    auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (name.empty() || !isLetter(name[0])) return false;
    return std::all_of(name.begin() + 1, name.end(), [&](char c) { return isLetter(c) || (c >= '0' && c <= '9'); });
}

} // namespace

// --- TPersistent ---

void TPersistent::Assign(const TPersistent* source)
{
    if (!source) AssignError(nullptr);
    source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const
{
    dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent* source) const
{
    throw EConvertError(
        Format("Cannot assign a %s to a %s", {source ? source->ClassName() : std::string("nil"), ClassName()}));
}

// --- TComponent ---

TComponent::TComponent(TComponent* owner)
{
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    // Everything below the dying component learns first, so an owned component can tell
    // from csDestroying that its owner is going rather than being taken apart.
    MarkDestroying();
    NotifyFreeNotifiesOfDestruction();
    DestroyComponents();
    // Last, so the owner's opRemove cascade reaches siblings that may still hold us.
    if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::MarkDestroying() noexcept
{
    if (FComponentState & csDestroying) return;
    FComponentState |= csDestroying;
    for (TComponent* component : FComponents) component->MarkDestroying();
}

void TComponent::NotifyFreeNotifiesOfDestruction()
{
    // A listener may delete other linked components while it is told; each of those
    // unlinks itself from our list in its own destructor, so take one at a time.
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        std::erase(other->FFreeNotifies, this);
        other->Notification(this, opRemove);
    }
}

TComponent* TComponent::Components(int index) const
{
    if (index < 0 || index >= ComponentCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
    return FComponents[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const noexcept
{
    if (!FOwner) return -1;
    const auto& siblings = FOwner->FComponents;
    auto it = std::find(siblings.begin(), siblings.end(), this);
    return it == siblings.end() ? -1 : static_cast<int>(it - siblings.begin());
}

TComponent* TComponent::FindComponent(const std::string& name) const
{
    if (name.empty()) return nullptr;
    for (TComponent* component : FComponents)
        if (SameText(component->FName, name)) return component;
    return nullptr;
}

void TComponent::ValidateNewName(const TComponent* component, const std::string& name) const
{
    if (name.empty()) return;
    for (const TComponent* other : FComponents)
        if (other != component && SameText(other->FName, name))
            throw EComponentError(Format("A component named %s already exists", {name}));
}

void TComponent::InsertComponent(TComponent* component)
{
    if (!component || component->FOwner == this) return;
    ValidateNewName(component, component->FName);
    if (component->FOwner) component->FOwner->RemoveComponent(component);
    FComponents.push_back(component);
    component->FOwner = this;
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component)
{
    if (!component || component->FOwner != this) return;
    Notification(component, opRemove);
    // A handler may already have moved or deleted it; only unlink what is still ours.
    auto it = std::find(FComponents.begin(), FComponents.end(), component);
    if (it == FComponents.end()) return;
    FComponents.erase(it);
    component->FOwner = nullptr;
}

void TComponent::DestroyComponents()
{
    // Each component leaves the list in its own destructor (telling us and its siblings).
    while (!FComponents.empty()) delete FComponents.back();
}

void TComponent::SetName(const std::string& name)
{
    if (name == FName) return;
    if (!name.empty() && !IsValidIdentifier(name))
        throw EComponentError(Format("'%s' is not a valid component name", {name}));
    if (FOwner) FOwner->ValidateNewName(this, name);
    FName = name;
}

void TComponent::Loaded()
{
    FComponentState &= ~static_cast<TComponentState>(csLoading);
}

void TComponent::FreeNotification(TComponent* component)
{
    if (!component || component == this) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) != FFreeNotifies.end()) return;
    FFreeNotifies.push_back(component);
    component->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component)
{
    if (!component) return;
    std::erase(FFreeNotifies, component);
    std::erase(component->FFreeNotifies, this);
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    // Handlers may delete or move components, so the index is pulled back into range
    // after each call rather than trusting the count taken at the start.
    for (int i = ComponentCount() - 1; i >= 0;) {
        FComponents[static_cast<size_t>(i)]->Notification(component, operation);
        --i;
        if (i >= ComponentCount()) i = ComponentCount() - 1;
    }
}
