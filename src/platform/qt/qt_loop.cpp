#include "platform/qt/qt_loop.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>
#include <chrono>

#include "platform/model/app.h"
#include "platform/model/control.h"

namespace vbqt {

QtLoop::QtLoop() : context_(std::make_unique<QObject>()) {}

QtLoop::~QtLoop() {
    for (auto& [timer, qtimer] : timers_) delete qtimer;
}

QtLoop::Hold::~Hold() {
    if (--loop_.held_ > 0) return;
    std::vector<std::function<void()>> deferred;
    deferred.swap(loop_.deferred_);
    for (auto& fn : deferred) loop_.post(std::move(fn));
}

void QtLoop::run(const std::function<void()>& fn) {
    if (held_ > 0) {
        deferred_.push_back(fn);
        return;
    }
    if (app_)
        app_->deliver(fn);
    else
        fn();
}

void QtLoop::arm(vb::Timer& t, int intervalMs) {
    disarm(t);
    auto* q = new QTimer;
    q->setInterval(intervalMs);
    // Slow timers may be late by a few per cent: the system can then bundle wake-ups, which
    // keeps an idle program from costing power.
    q->setTimerType(intervalMs >= 1000 ? Qt::CoarseTimer : Qt::PreciseTimer);
    vb::Timer* timer = &t;
    QObject::connect(q, &QTimer::timeout, context_.get(), [this, timer] {
        if (held_ == 0) run([timer] { timer->Tick(); });
    });
    timers_[&t] = q;
    q->start();
}

void QtLoop::disarm(vb::Timer& t) {
    auto it = timers_.find(&t);
    if (it == timers_.end()) return;
    QTimer* q = it->second;
    timers_.erase(it);
    // A handler may disarm the very timer whose tick it runs: stop it now, free it later.
    q->stop();
    q->disconnect();
    q->deleteLater();
}

void QtLoop::post(std::function<void()> fn, int delayMs) {
    QObject* context = context_.get();
    // The queued call carries the event to the GUI thread, whichever thread posted it.
    QMetaObject::invokeMethod(
        context,
        [this, context, fn = std::move(fn), delayMs]() mutable {
            if (delayMs <= 0)
                run(fn);
            else
                QTimer::singleShot(delayMs, context, [this, fn = std::move(fn)] { run(fn); });
        },
        Qt::QueuedConnection);
}

std::int64_t QtLoop::nowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace vbqt
