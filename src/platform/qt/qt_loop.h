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

#include "platform/services.h"

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

private:
    void run(const std::function<void()>& fn);

    vb::App* app_ = nullptr;
    std::map<const vb::Timer*, QTimer*> timers_;
    // Context of every queued call: when the loop goes, calls still queued go with it.
    std::unique_ptr<QObject> context_;
};

}  // namespace vbqt
