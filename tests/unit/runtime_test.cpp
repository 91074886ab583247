// The runtime model's own semantics: first-touch loading, unload and reload, change events,
// the error styles and timers in virtual time.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "harness.h"
#include "platform/base/error.h"
#include "platform/model/control.h"
#include "platform/model/form.h"
#include "platform/posix/worker_thread.h"

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
    int ticks = 0;
    f.fast.interval(1000);
    f.fast.Tick = [&] { ++ticks; };
    f.fast.start();
    f.slow.interval(1500);
    f.slow.start();
    ASSERT_EQ(h.loop.armedCount(), 2u);
    h.app->deliver([&] { f.Unload(); });
    EXPECT_FALSE(h.app->isLoaded("Second"));
    EXPECT_EQ(h.loop.armedCount(), 0u);  // both disarmed with their form
    h.loop.advance(5000);                // would touch a freed timer if one were still armed
    EXPECT_EQ(ticks, 0);
    EXPECT_FALSE(h.app->isLoaded("Second"));  // no tick loaded the form again
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

// Failures other than the runtime's own (the standard library's, a codec's) stop at the event
// boundary too: logged, the event lost, the program going on with its next event.
TEST_F(RuntimeTest, OtherExceptionsStopAtTheEventBoundaryAndAreLogged) {
    EXPECT_NO_THROW(h.app->deliver([] { throw std::bad_alloc(); }));
    EXPECT_NO_THROW(h.app->deliver(
        [] { throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again), "thread"); }));
    EXPECT_NO_THROW(h.app->deliver([] { throw 42; }));
    ASSERT_EQ(h.log.lines.size(), 3u);
    EXPECT_EQ(h.log.lines[0], "unhandled exception: out of memory");
    EXPECT_NE(h.log.lines[1].find("unhandled exception: thread"), std::string::npos) << h.log.lines[1];
    EXPECT_EQ(h.log.lines[2], "unhandled exception of an unknown kind");
    EXPECT_FALSE(h.app->ended());
    // A form unloaded by the failing event is still freed, and the next event runs.
    auto& f = h.app->form<Second>();
    h.app->deliver([&] {
        f.Unload();
        throw std::runtime_error("after unload");
    });
    EXPECT_FALSE(h.app->isLoaded("Second"));
    bool ran = false;
    h.app->deliver([&] { ran = true; });
    EXPECT_TRUE(ran);
}

// Jobs run away from the calling thread, one after the other; their ends come back through the
// loop in the order the jobs were started, and none once the worker has gone.
TEST(WorkerThreadJobs, WorkRunsElsewhereAndEndsComeBackInOrderThroughTheLoop) {
    VirtualLoop loop;
    std::vector<int> ended;
    std::atomic<int> worked{0};
    std::thread::id workers[3];
    auto waitFor = [](const std::function<bool()>& ready) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!ready() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    {
        WorkerThread jobs(loop);
        for (int i = 0; i < 3; ++i)
            jobs.run(
                [&, i] {
                    workers[i] = std::this_thread::get_id();
                    ++worked;
                },
                [&, i] { ended.push_back(i); });
        waitFor([&] { return worked == 3; });
        EXPECT_TRUE(ended.empty()) << "ends run only as events of the loop";
        waitFor([&] {
            loop.advance(0);
            return ended.size() == 3;
        });
        EXPECT_EQ(ended, (std::vector<int>{0, 1, 2}));
        for (const std::thread::id& id : workers) EXPECT_NE(id, std::this_thread::get_id());
        jobs.run([&] { ++worked; }, [&] { ended.push_back(3); });
        waitFor([&] { return worked == 4; });
    }
    loop.advance(0);
    EXPECT_EQ(ended.size(), 3u) << "the last end came after the worker went";
}

}  // namespace
