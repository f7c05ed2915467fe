// Ownership, loading and removal notification of components.
#include "ui/Component.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using ui::Component;

// Records its own end and what it hears, in a log shared by the test.
class Probe : public Component {
public:
    Probe(Component* owner, std::vector<std::string>* log, std::string label)
        : Component(owner), log_(log), label_(std::move(label))
    {
    }
    ~Probe() override { log_->push_back("~" + label_); }
    void Loaded() override
    {
        // Whether every sibling made after us already exists when we load.
        std::string seen;
        if (Owner())
            for (Component* c : Owner()->Components())
                seen += c->Name() + ",";
        log_->push_back("loaded " + label_ + " [" + seen + "]");
    }
    void Notification(Component* c, ui::Operation op) override
    {
        if (op == ui::opRemove) {
            log_->push_back(label_ + " heard " + c->Name() + " go");
            if (c == held)
                held = nullptr;
        }
    }
    Component* held = nullptr;

private:
    std::vector<std::string>* log_;
    std::string label_;
};

TEST(ComponentOwnership, OwnerDeletesWhatItOwnsLastMadeFirst)
{
    std::vector<std::string> log;
    {
        Component owner;
        owner.Make<Probe>(&log, "a");
        owner.Make<Probe>(&log, "b");
        owner.Make<Probe>(&log, "c");
        EXPECT_EQ(owner.ComponentCount(), 3);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"~c", "~b", "~a"}));
}

TEST(ComponentOwnership, DeletingAnOwnedComponentTakesItOutOfItsOwner)
{
    std::vector<std::string> log;
    Component owner;
    auto& a = owner.MakeNamed<Probe>("a", &log, "a");
    owner.MakeNamed<Probe>("b", &log, "b");
    delete &a;
    ASSERT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components()[0]->Name(), "b");
    EXPECT_EQ(owner.FindComponent("a"), nullptr);
    EXPECT_NE(owner.FindComponent("b"), nullptr);
}

TEST(ComponentOwnership, NestedOwnersDeleteWhatTheyOwnToo)
{
    std::vector<std::string> log;
    {
        Component root;
        auto& panel = root.Make<Probe>(&log, "panel");
        panel.Make<Probe>(&log, "button");
        root.Make<Probe>(&log, "timer");
    }
    // A destructor's own body runs before the components it owns go.
    EXPECT_EQ(log, (std::vector<std::string>{"~timer", "~panel", "~button"}));
}

TEST(ComponentLoading, LoadedRunsOnceForEachComponentAfterAllSiblingsExist)
{
    std::vector<std::string> log;
    Component form;
    form.MakeNamed<Probe>("first", &log, "first");
    form.MakeNamed<Probe>("second", &log, "second");
    form.LoadedAll();
    ASSERT_EQ(log.size(), 2u);
    // The first one loads knowing about the second, made after it.
    EXPECT_EQ(log[0], "loaded first [first,second,]");
    EXPECT_EQ(log[1], "loaded second [first,second,]");
}

TEST(ComponentNotification, WatcherHearsTheWatchedGoAndDropsItsReference)
{
    std::vector<std::string> log;
    Component form;
    auto& watcher = form.MakeNamed<Probe>("watcher", &log, "watcher");
    auto* graph = new Probe(nullptr, &log, "graph");
    graph->SetName("graph");
    watcher.held = graph;
    graph->FreeNotification(&watcher);
    delete graph;
    EXPECT_EQ(watcher.held, nullptr);
    EXPECT_NE(std::find(log.begin(), log.end(), "watcher heard graph go"), log.end());
}

TEST(ComponentNotification, WatcherGoingFirstIsNotCalledLater)
{
    std::vector<std::string> log;
    auto* graph = new Probe(nullptr, &log, "graph");
    graph->SetName("graph");
    {
        Probe watcher(nullptr, &log, "watcher");
        watcher.SetName("watcher");
        graph->FreeNotification(&watcher);
    }
    log.clear();
    delete graph;   // must not reach the dead watcher (the sanitizer build catches a call)
    EXPECT_EQ(log, (std::vector<std::string>{"~graph"}));
}

TEST(ComponentNotification, RemovedRequestIsNoLongerHonoured)
{
    std::vector<std::string> log;
    Probe watcher(nullptr, &log, "watcher");
    auto* graph = new Probe(nullptr, &log, "graph");
    graph->FreeNotification(&watcher);
    graph->RemoveFreeNotification(&watcher);
    delete graph;
    EXPECT_EQ(log, (std::vector<std::string>{"~graph"}));
}

TEST(ComponentNotification, OwnerHearsOfItsComponentsRemoval)
{
    std::vector<std::string> log;
    Probe owner(nullptr, &log, "owner");
    auto& child = owner.MakeNamed<Probe>("child", &log, "child");
    delete &child;
    EXPECT_EQ(log, (std::vector<std::string>{"~child", "owner heard child go"}));
}

TEST(ComponentDestroying, BeginDestroyMarksEverythingOwned)
{
    Component root;
    auto& a = root.Make<Component>();
    auto& b = a.Make<Component>();
    EXPECT_FALSE(b.Destroying());
    root.BeginDestroy();
    EXPECT_TRUE(root.Destroying());
    EXPECT_TRUE(a.Destroying());
    EXPECT_TRUE(b.Destroying());
}

} // namespace
