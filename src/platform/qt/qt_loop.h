#pragma once
// The user-interface thread's clock on Qt: one QTimer per armed model timer, posted events as
// queued calls on the GUI thread, and a monotonic clock.
//
// Every tick and posted event runs through App::deliver, one at a time. post() may be called
// from any thread; the rest only from the GUI thread. The loop must outlive the App whose
// timers it runs (timers disarm themselves as their forms go).
#include <QObject>
#include <map>
#include <memory>
#include <vector>

#include "platform/model/services.h"

class QTimer;

namespace vb {
class App;
}

namespace vbqt {

class QtLoop : public vb::EventLoop {
public:
    QtLoop();
    ~QtLoop() override;
    QtLoop(const QtLoop&) = delete;
    QtLoop& operator=(const QtLoop&) = delete;

    // The app that ticks and posted events are delivered through; without one they run bare.
    void setApp(vb::App* app) { app_ = app; }

    void arm(vb::Timer& t, int intervalMs) override;
    void disarm(vb::Timer& t) override;
    void post(std::function<void()> fn, int delayMs = 0) override;
    std::int64_t nowMs() const override;

    bool armed(const vb::Timer& t) const { return timers_.count(&t) != 0; }

    // While one exists, the program's own events wait, so that an event which lets Qt draw in
    // its midst is not entered by another: a timer's tick is skipped (the next comes in its
    // time) and posted events are posted again, in their order, when the last hold goes.
    class Hold {
    public:
        explicit Hold(QtLoop& loop) : loop_(loop) { ++loop_.held_; }
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        QtLoop& loop_;
    };

private:
    void run(const std::function<void()>& fn);

    vb::App* app_ = nullptr;
    int held_ = 0;
    std::vector<std::function<void()>> deferred_;
    std::map<const vb::Timer*, QTimer*> timers_;
    // Context of every queued call: when the loop goes, calls still queued go with it.
    std::unique_ptr<QObject> context_;
};

}  // namespace vbqt
