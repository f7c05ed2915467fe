#pragma once
// Component: the base of everything placed on a form (controls, timers,
// dialogs, image lists, the program's own non-visual parts).
//
// Ownership. A component may have an owner; the owner deletes the components
// it owns when it goes (last made, first deleted). `Make<T>(args...)` creates
// a component owned by this one: it calls `new T(this, args...)`, so every
// component class takes its owner as the first constructor argument:
//
//     class TFilterGraph : public ui::Component {
//     public:
//         explicit TFilterGraph(ui::Component* owner) : ui::Component(owner) {}
//     };
//     auto& graph = form.Make<TFilterGraph>();
//
// Loaded. `Loaded()` is called once for every component of a form after the
// form's constructor has made all of them (Application::CreateForm), before
// the form's window exists: the place for set-up that needs the sibling
// components to exist. Default: nothing.
//
// Removal notification. `watched.FreeNotification(&watcher)` asks that
// `watcher.Notification(&watched, opRemove)` be called when `watched` is
// destroyed, so that the watcher can drop its reference. The bookkeeping is
// mutual: if the watcher goes first nothing dangles. The owner is always
// notified of an owned component's removal. `RemoveFreeNotification` undoes
// the request.
//
// Destroying. `Destroying()` is true once the component (or its form) has
// started to go; the framework fires no events of a destroying component.
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ui {

enum Operation { opInsert, opRemove };

class Component {
public:
    explicit Component(Component* owner = nullptr);
    virtual ~Component();
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    const std::string& Name() const { return name_; }
    virtual void SetName(std::string name);
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    Component* Owner() const { return owner_; }
    const std::vector<Component*>& Components() const { return components_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    // The owned component with this name (exact match), or null.
    Component* FindComponent(std::string_view name) const;

    // Creates a component owned by this one: new T(this, args...).
    template <class T, class... A>
    T& Make(A&&... args)
    {
        return *new T(this, std::forward<A>(args)...);
    }
    // The same, naming it.
    template <class T, class... A>
    T& MakeNamed(std::string name, A&&... args)
    {
        T& c = *new T(this, std::forward<A>(args)...);
        c.SetName(std::move(name));
        return c;
    }

    // Runs Loaded() on every owned component (recursively, in creation
    // order) and then on this one. Called once by Application::CreateForm.
    void LoadedAll();
    virtual void Loaded() {}

    void FreeNotification(Component* watcher);
    void RemoveFreeNotification(Component* watcher);
    virtual void Notification(Component* component, Operation operation);

    // Marks this component and everything it owns as going away.
    void BeginDestroy();
    bool Destroying() const { return destroying_; }

    // The class name the skin and tests see ("TSpeedButton", "TMainForm"...).
    virtual const char* ClassName() const { return "TComponent"; }

protected:
    // Deletes every owned component now (last made first). Used by classes
    // whose owned components must go before their own members do.
    void DestroyComponents();

private:
    void InsertComponent(Component* c);
    void RemoveComponent(Component* c);

    std::string name_;
    int tag_ = 0;
    Component* owner_ = nullptr;
    std::vector<Component*> components_;
    std::vector<Component*> freeNotifies_;
    bool destroying_ = false;
};

} // namespace ui
