#include "ui/Component.h"

#include <algorithm>

namespace ui {

Component::Component(Component* owner)
{
    if (owner)
        owner->InsertComponent(this);
}

Component::~Component()
{
    destroying_ = true;
    // Watchers drop their references before anything of ours goes.
    std::vector<Component*> watchers;
    watchers.swap(freeNotifies_);
    for (Component* w : watchers) {
        auto& theirs = w->freeNotifies_;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        w->Notification(this, opRemove);
    }
    DestroyComponents();
    if (owner_)
        owner_->RemoveComponent(this);
}

void Component::SetName(std::string name)
{
    name_ = std::move(name);
}

Component* Component::FindComponent(std::string_view name) const
{
    if (name.empty())
        return nullptr;
    for (Component* c : components_)
        if (c->name_ == name)
            return c;
    return nullptr;
}

void Component::LoadedAll()
{
    const std::vector<Component*> owned = components_;
    for (Component* c : owned)
        c->LoadedAll();
    Loaded();
}

void Component::FreeNotification(Component* watcher)
{
    if (!watcher || watcher == this)
        return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), watcher) == freeNotifies_.end())
        freeNotifies_.push_back(watcher);
    auto& theirs = watcher->freeNotifies_;
    if (std::find(theirs.begin(), theirs.end(), this) == theirs.end())
        theirs.push_back(this);
}

void Component::RemoveFreeNotification(Component* watcher)
{
    if (!watcher)
        return;
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), watcher), freeNotifies_.end());
    auto& theirs = watcher->freeNotifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void Component::Notification(Component*, Operation) {}

void Component::BeginDestroy()
{
    destroying_ = true;
    for (Component* c : components_)
        c->BeginDestroy();
}

void Component::DestroyComponents()
{
    while (!components_.empty()) {
        Component* c = components_.back();
        delete c;   // its destructor takes it out of our list
        if (!components_.empty() && components_.back() == c)
            components_.pop_back();
    }
}

void Component::InsertComponent(Component* c)
{
    c->owner_ = this;
    components_.push_back(c);
    Notification(c, opInsert);
}

void Component::RemoveComponent(Component* c)
{
    components_.erase(std::remove(components_.begin(), components_.end(), c), components_.end());
    c->owner_ = nullptr;
    Notification(c, opRemove);
}

} // namespace ui
