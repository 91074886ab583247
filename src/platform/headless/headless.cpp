#include "platform/headless/headless.h"

#include <algorithm>

#include "platform/base/error.h"
#include "platform/base/text.h"
#include "platform/model/app.h"
#include "platform/model/control.h"

namespace vb {

void VirtualLoop::arm(Timer& t, int intervalMs) {
    disarm(t);
    timers_.push_back({&t, intervalMs, now_ + intervalMs, seq_++});
}

void VirtualLoop::disarm(Timer& t) {
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [&](const Armed& a) { return a.timer == &t; }),
                  timers_.end());
}

bool VirtualLoop::armed(const Timer& t) const {
    return std::any_of(timers_.begin(), timers_.end(), [&](const Armed& a) { return a.timer == &t; });
}

void VirtualLoop::post(std::function<void()> fn, int delayMs) {
    std::lock_guard<std::mutex> lock(postsMutex_);
    posts_.push_back({std::move(fn), now_ + delayMs, seq_++});
}

void VirtualLoop::advance(std::int64_t ms) {
    const std::int64_t target = now_ + ms;
    for (;;) {
        if (app_ && app_->ended()) break;
        // The earliest due item; ties go to whichever was armed or posted first.
        const Armed* t = nullptr;
        for (const Armed& a : timers_)
            if (a.due <= target && (!t || a.due < t->due || (a.due == t->due && a.seq < t->seq))) t = &a;
        std::unique_lock<std::mutex> lock(postsMutex_);
        const Posted* p = nullptr;
        for (const Posted& q : posts_)
            if (q.due <= target && (!p || q.due < p->due || (q.due == p->due && q.seq < p->seq))) p = &q;
        if (!t && !p) break;
        if (p && (!t || p->due < t->due || (p->due == t->due && p->seq < t->seq))) {
            now_ = std::max(now_.load(), p->due);
            auto fn = std::move(const_cast<Posted*>(p)->fn);
            posts_.erase(posts_.begin() + (p - posts_.data()));
            lock.unlock();
            if (app_) app_->deliver(fn);
            else fn();
        } else {
            lock.unlock();
            now_ = std::max(now_.load(), t->due);
            Timer* timer = t->timer;
            Armed& a = *const_cast<Armed*>(t);
            a.due = now_ + a.interval;
            a.seq = seq_++;
            auto tick = [timer] { timer->Tick(); };
            if (app_) app_->deliver(tick);
            else tick();
        }
    }
    if (!(app_ && app_->ended())) now_ = std::max(now_.load(), target);
}

void VirtualLoop::block(std::int64_t ms) {
    now_ += ms;
    for (Armed& a : timers_)
        if (a.due < now_) a.due = now_;
}

int ScriptedDialogs::MsgBox(const std::string& prompt, int style, const std::string& title) {
    shown.push_back({prompt, style, title});
    if (!answers.empty()) {
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    return (style & 7) == mb::YesNo ? mb::No : mb::OK;
}

std::optional<std::string> ScriptedDialogs::InputBox(const std::string& prompt, const std::string&,
                                                     const std::string&) {
    inputPrompts.push_back(prompt);
    if (inputs.empty()) return std::nullopt;
    auto a = inputs.front();
    inputs.pop_front();
    return a;
}

std::string ScriptedDialogs::BrowseForFolder(const std::string& prompt) {
    folderPrompts.push_back(prompt);
    if (folders.empty()) return "";
    std::string a = folders.front();
    folders.pop_front();
    return a;
}

namespace {

bool isPath(const std::string& name) { return name.find_first_of("/\\") != std::string::npos; }

// The declared behaviours are kept by bare name, whether the program was named bare or by path.
std::string programKey(const std::string& name) {
    const std::size_t sep = name.find_last_of("/\\");
    return toLowerAscii(sep == std::string::npos ? name : name.substr(sep + 1));
}

}  // namespace

int FakePrograms::start(const std::string& name, const std::string&) {
    const std::string key = programKey(name);
    started.push_back({name, false});
    if (!programs.count(key)) throw Error(err::FileNotFound, "program not found: " + name);
    if (isPath(name) && !FileSystem().fileExists(name)) throw Error(err::FileNotFound, "no such file: " + name);
    const int pid = next_++;
    pids_[pid] = started.size() - 1;
    return pid;
}

int FakePrograms::wait(int pid) {
    auto it = pids_.find(pid);
    if (it == pids_.end()) return -1;
    Started& s = started[it->second];
    s.waited = true;
    const Behaviour& b = programs[programKey(s.name)];
    if (loop && b.runMs > 0) loop->block(b.runMs);
    pids_.erase(it);
    return b.exitCode;
}

HeadlessPlatform::HeadlessPlatform(const std::string& windowsDir, const std::string& root) {
    system.windowsDir = windowsDir;
    system.root = root;
    programs.loop = &loop;
}

std::unique_ptr<App> HeadlessPlatform::makeApp() {
    auto app = std::make_unique<App>(Services{&fs, &dialogs, &loop, &system, &programs, &wallpaper, &tray,
                                              &log, &browsers, &transfers, &internet, &random, &jobs});
    loop.setApp(app.get());
    return app;
}

void ScriptedJobs::run(std::function<void()> work, std::function<void()> done) {
    ++started;
    waiting_.emplace_back(std::move(work), std::move(done));
    if (!hold) finishNext();
}

bool ScriptedJobs::finishNext() {
    if (waiting_.empty()) return false;
    auto job = std::move(waiting_.front());
    waiting_.pop_front();
    job.first();
    job.second();
    return true;
}

void RecordingTray::addIcon(const std::string& tip) {
    events.push_back("added");
    tips.push_back(tip);
}

}  // namespace vb
