#include "platform/db/TComponent.h"

#include "platform/system/DateTime.h"
#include "platform/system/TStringList.h"

#include <algorithm>

using platform::SameText;

TComponent::TComponent(TComponent* owner)
{
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    State |= csDestroying;
    // Whoever asked to hear of this component's end is told, and forgets it.
    while (!FreeNotifies.empty()) {
        TComponent* other = FreeNotifies.back();
        FreeNotifies.pop_back();
        other->FreeNotifies.erase(std::remove(other->FreeNotifies.begin(), other->FreeNotifies.end(), this),
                                  other->FreeNotifies.end());
        other->Notification(this, opRemove);
    }
    // Owned components go last first, as they were made.
    while (!OwnedComponents.empty())
        delete OwnedComponents.back();
    if (OwnerComponent)
        OwnerComponent->RemoveComponent(this);
}

TComponent* TComponent::FindComponent(const std::string& name) const
{
    for (TComponent* component : OwnedComponents)
        if (!name.empty() && SameText(component->Name(), name))
            return component;
    return nullptr;
}

void TComponent::SetDesigning(bool designing)
{
    State = designing ? (State | csDesigning) : (State & ~unsigned(csDesigning));
}

void TComponent::SetLoading(bool loading)
{
    State = loading ? (State | csLoading) : (State & ~unsigned(csLoading));
}

void TComponent::ReadProperties(const TPropertyValues& values)
{
    const std::vector<TPublishedProperty> properties = PublishedProperties();
    for (const auto& value : values) {
        const bool published = std::any_of(properties.begin(), properties.end(),
                                           [&](const TPublishedProperty& p) { return SameText(p.Name, value.first); });
        if (!published)
            throw EReadError("Property " + value.first + " does not exist");
    }
    SetLoading(true);
    for (const TPublishedProperty& property : properties)
        for (const auto& [name, text] : values)
            if (SameText(property.Name, name))
                property.Write(*this, text);
}

TPropertyValues TComponent::WriteProperties() const
{
    TPropertyValues values;
    for (const TPublishedProperty& property : PublishedProperties())
        values.emplace_back(property.Name, property.Read(*this));
    return values;
}

void TComponent::Loaded()
{
    SetLoading(false);
}

void TComponent::FreeNotification(TComponent* component)
{
    if (!component || component == this)
        return;
    if (std::find(FreeNotifies.begin(), FreeNotifies.end(), component) == FreeNotifies.end())
        FreeNotifies.push_back(component);
    if (std::find(component->FreeNotifies.begin(), component->FreeNotifies.end(), this)
        == component->FreeNotifies.end())
        component->FreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component)
{
    if (!component)
        return;
    FreeNotifies.erase(std::remove(FreeNotifies.begin(), FreeNotifies.end(), component), FreeNotifies.end());
    component->FreeNotifies.erase(std::remove(component->FreeNotifies.begin(), component->FreeNotifies.end(), this),
                                  component->FreeNotifies.end());
}

void TComponent::Notification(TComponent* /*component*/, TOperation /*operation*/)
{
}

void TComponent::InsertComponent(TComponent* component)
{
    OwnedComponents.push_back(component);
    component->OwnerComponent = this;
}

void TComponent::RemoveComponent(TComponent* component)
{
    OwnedComponents.erase(std::remove(OwnedComponents.begin(), OwnedComponents.end(), component),
                          OwnedComponents.end());
    component->OwnerComponent = nullptr;
    if (IsDestroying())
        return;
    Notification(component, opRemove);
    for (TComponent* owned : OwnedComponents)
        owned->Notification(component, opRemove);
}

std::string BoolToStreamText(bool value)
{
    return value ? "True" : "False";
}

bool StreamTextToBool(const std::string& text)
{
    if (SameText(text, "True") || text == "-1" || text == "1")
        return true;
    if (SameText(text, "False") || text == "0")
        return false;
    throw EReadError("Invalid property value: " + text);
}

int StreamTextToInt(const std::string& text)
{
    int value = 0;
    if (!platform::TryStrToInt(text, value))
        throw EReadError("Invalid property value: " + text);
    return value;
}
