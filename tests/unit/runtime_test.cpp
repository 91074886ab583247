// The runtime model's own semantics: first-touch loading, unload and reload, change events,
// the error styles and timers in virtual time.
#include <gtest/gtest.h>

#include "harness.h"
#include "platform/control.h"
#include "platform/error.h"
#include "platform/form.h"

using namespace vb;
using vantry::test::Harness;

namespace {

int gLoads = 0;
std::vector<std::string> gTrace;

class Second : public Form {
public:
    static constexpr const char* kName = "Second";
    explicit Second(App& a) : Form(a, kName) {
        txt.txt("design");
        txt.Change = [this] { gTrace.push_back("change:" + txt.Text()); };
    }
    void Form_Load() override {
        ++gLoads;
        gTrace.push_back("load");
        // A touch of the form during its own load finds the instance being loaded.
        app().form<Second>().lbl.setCaption("loaded");
    }
    void Form_Unload(int& cancel) override {
        gTrace.push_back("unload");
        cancel = keepLoaded;
    }
    TextBox txt{this, "txt"};
    Label lbl{this, "lbl"};
    Timer fast{this, "fast"};
    Timer slow{this, "slow"};
    int keepLoaded = 0;
};

struct RuntimeTest : ::testing::Test {
    Harness h;
    RuntimeTest() {
        gLoads = 0;
        gTrace.clear();
        h.app->registerForm<Second>();
    }
};

TEST_F(RuntimeTest, FirstTouchLoadsBeforeTheStatementGoesOn) {
    EXPECT_FALSE(h.app->isLoaded("Second"));
    h.app->deliver([&] {
        gTrace.push_back("before");
        h.app->form<Second>().txt.setText("x");
        gTrace.push_back("after");
    });
    EXPECT_EQ(gLoads, 1);
    EXPECT_EQ(gTrace, (std::vector<std::string>{"before", "load", "change:x", "after"}));
    EXPECT_EQ(h.app->form<Second>().lbl.Caption(), "loaded");
    EXPECT_EQ(gLoads, 1);
}

TEST_F(RuntimeTest, UnloadedFormComesBackWithDesignValues) {
    h.app->deliver([&] { h.app->form<Second>().txt.setText("changed"); });
    h.app->deliver([&] { h.app->form<Second>().Unload(); });
    EXPECT_FALSE(h.app->isLoaded("Second"));
    EXPECT_EQ(h.app->form<Second>().txt.Text(), "design");
    EXPECT_EQ(gLoads, 2);
    EXPECT_EQ(std::count(gTrace.begin(), gTrace.end(), "unload"), 1);
}

TEST_F(RuntimeTest, UnloadCanBeCancelledAndAFormMayUnloadItselfInItsHandler) {
    auto& f = h.app->form<Second>();
    f.keepLoaded = 1;
    h.app->deliver([&] { f.Unload(); });
    EXPECT_TRUE(h.app->isLoaded("Second"));
    f.keepLoaded = 0;
    f.lbl.Click = [&f] {
        f.Unload();
        f.lbl.setCaption("still safe until the event ends");
    };
    h.app->deliver([&] { f.lbl.Click(); });
    EXPECT_FALSE(h.app->isLoaded("Second"));
}

TEST_F(RuntimeTest, ChangeFiresOnEveryRealChangeWhoeverMadeIt) {
    auto& f = h.app->form<Second>();
    gTrace.clear();
    f.txt.setText("1");
    f.txt.setText("1");  // no change, no event
    f.txt.setProperty("Text", "2");
    EXPECT_EQ(gTrace, (std::vector<std::string>{"change:1", "change:2"}));
    // A handler that sets its own box again runs again, nested, as the step counters rely on.
    f.txt.Change = [&f] {
        gTrace.push_back("c" + f.txt.Text());
        if (f.txt.Text() == "6") f.txt.setText("0");
    };
    gTrace.clear();
    f.txt.setText("6");
    EXPECT_EQ(gTrace, (std::vector<std::string>{"c6", "c0"}));
}

TEST(ErrorStyles, ResumeSkipsGuardedStopsAndEndingPassesThroughBoth) {
    std::vector<int> ran;
    resume([&] { throw Error(53); });
    resume([&] { ran.push_back(2); });
    EXPECT_EQ(ran, std::vector<int>{2});

    int handled = 0;
    guarded(
        [&] {
            ran.push_back(3);
            throw Error(76);
            ran.push_back(4);  // never runs
        },
        [&](const Error& e) { handled = e.number(); });
    EXPECT_EQ(handled, 76);
    EXPECT_EQ(ran, (std::vector<int>{2, 3}));

    EXPECT_THROW(resume([] { throw ProgramEnded{}; }), ProgramEnded);
    EXPECT_THROW(guarded([] { throw ProgramEnded{}; }, [](const Error&) {}), ProgramEnded);
}

TEST_F(RuntimeTest, TimersFireInTimeOrderInVirtualTime) {
    auto& f = h.app->form<Second>();
    f.fast.interval(1000);
    f.slow.interval(1500);
    f.fast.Tick = [&] { gTrace.push_back("fast@" + std::to_string(h.loop.nowMs())); };
    f.slow.Tick = [&] {
        gTrace.push_back("slow@" + std::to_string(h.loop.nowMs()));
        f.fast.setEnabled(false);  // a tick may stop another timer
    };
    f.fast.start();
    f.slow.start();
    gTrace.clear();
    h.loop.advance(999);
    EXPECT_TRUE(gTrace.empty());
    h.loop.advance(2001);
    EXPECT_EQ(gTrace, (std::vector<std::string>{"fast@1000", "slow@1500", "slow@3000"}));
    EXPECT_FALSE(h.loop.armed(f.fast));
}

TEST_F(RuntimeTest, ABlockedThreadFiresNoTimerAndOneCoalescedTickAfter) {
    auto& f = h.app->form<Second>();
    int ticks = 0;
    f.fast.interval(1000);
    f.fast.Tick = [&] { ++ticks; };
    f.fast.start();
    h.loop.block(5000);
    EXPECT_EQ(ticks, 0);
    h.loop.advance(0);
    EXPECT_EQ(ticks, 1);
    h.loop.advance(1000);
    EXPECT_EQ(ticks, 2);
}

TEST_F(RuntimeTest, UnloadedFormsTimersStop) {
    auto& f = h.app->form<Second>();
    f.fast.interval(1000);
    f.fast.start();
    h.app->deliver([&] { f.Unload(); });
    h.loop.advance(5000);  // would touch a freed timer if it were still armed
    SUCCEED();
}

TEST_F(RuntimeTest, ListSelectionOutOfRangeFailsAndKeepsTheSelection) {
    auto& f = h.app->form<Second>();
    ListBox list{&f, "list"};
    list.AddItem("a");
    list.AddItem("b");
    list.setListIndex(1);
    EXPECT_THROW(list.setListIndex(2), Error);
    EXPECT_EQ(list.ListIndex(), 1);
    EXPECT_EQ(list.Text(), "b");
    list.Clear();
    EXPECT_EQ(list.Text(), "");
}

TEST_F(RuntimeTest, AnUnhandledErrorIsLoggedAndTheProgramGoesOn) {
    h.app->deliver([] { throw Error(53, "boom"); });
    EXPECT_FALSE(h.app->ended());
    ASSERT_EQ(h.log.lines.size(), 1u);
    h.app->deliver([&] { h.app->end(); });
    EXPECT_TRUE(h.app->ended());
}

}  // namespace
