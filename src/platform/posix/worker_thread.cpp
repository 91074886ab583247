#include "platform/posix/worker_thread.h"

namespace vb {

WorkerThread::WorkerThread(EventLoop& loop) : loop_(loop) {}

WorkerThread::~WorkerThread() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
}

void WorkerThread::run(std::function<void()> work, std::function<void()> done) {
    {
        std::lock_guard lock(mutex_);
        waiting_.push_back({std::move(work), std::move(done)});
    }
    if (!thread_.joinable()) thread_ = std::thread([this] { serve(); });
    wake_.notify_one();
}

void WorkerThread::serve() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_) return;
            job = std::move(waiting_.front());
            waiting_.pop_front();
        }
        try {
            job.work();
        } catch (...) {
            // A job that broke its promise not to throw still ends: its `done` runs all the same.
        }
        loop_.post([alive = std::weak_ptr<bool>(alive_), done = std::move(job.done)] {
            if (!alive.expired()) done();
        });
    }
}

}  // namespace vb
