#pragma once
// Background jobs on one worker thread of the program's own, started with the first job. Each
// job's end is posted to the user-interface thread through the event loop, as the transfers'
// reports are (curl_online.h), so it runs there between other events.
//
// Destroying the service drops the jobs that have not started, waits for the running one and
// keeps every `done` not yet run from running.
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/model/services.h"

namespace vb {

class WorkerThread : public BackgroundJobs {
public:
    explicit WorkerThread(EventLoop& loop);
    ~WorkerThread() override;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // From the user-interface thread.
    void run(std::function<void()> work, std::function<void()> done) override;

private:
    struct Job {
        std::function<void()> work, done;
    };
    void serve();

    EventLoop& loop_;
    // Expires with the service: a `done` posted before then finds it gone and does nothing.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> waiting_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace vb
