#include "platform/model/app.h"

#include "platform/base/log.h"
#include "platform/model/random.h"

#include <exception>
#include <new>

namespace vb {

namespace {
// Without a worker, a job is an ordinary call: the work and then its end, before run() returns.
class ImmediateJobs : public BackgroundJobs {
public:
    void run(std::function<void()> work, std::function<void()> done) override {
        work();
        done();
    }
};
}  // namespace

App::App(Services services) : s_(services) {}

RandomSource& App::random() {
    if (s_.random) return *s_.random;
    if (!ownRandom_) ownRandom_ = std::make_unique<TimeOfDayRandom>();
    return *ownRandom_;
}

BackgroundJobs& App::jobs() {
    if (s_.jobs) return *s_.jobs;
    if (!ownJobs_) ownJobs_ = std::make_unique<ImmediateJobs>();
    return *ownJobs_;
}

App::~App() {
    // Forms go first: their timers disarm through the loop, which must still exist.
    for (auto& [name, f] : forms_)
        if (frontEnd_) frontEnd_->formUnloading(*f);
    forms_.clear();
    graveyard_.clear();
}

void App::registerForm(const std::string& name, Factory factory) { factories_[name] = std::move(factory); }

Form& App::touch(const std::string& name) {
    if (auto it = forms_.find(name); it != forms_.end()) return *it->second;
    auto fit = factories_.find(name);
    if (fit == factories_.end()) throw Error(err::InvalidCall, "no form named " + name);
    // Registered before its load runs, so a touch from inside the load finds this instance.
    Form& f = *(forms_[name] = fit->second(*this));
    f.startTimers();
    if (frontEnd_) frontEnd_->formLoaded(f);
    f.Form_Load();
    return f;
}

bool App::isLoaded(const std::string& name) const { return forms_.count(name) != 0; }

Form* App::loaded(const std::string& name) const {
    auto it = forms_.find(name);
    return it == forms_.end() ? nullptr : it->second.get();
}

std::vector<Form*> App::loadedForms() const {
    std::vector<Form*> out;
    for (auto& [n, f] : forms_) out.push_back(f.get());
    return out;
}

void App::unload(Form& f) {
    auto it = forms_.find(f.name());
    if (it == forms_.end() || it->second.get() != &f) return;
    int cancel = 0;
    f.Form_Unload(cancel);
    if (cancel) return;
    it = forms_.find(f.name());  // the handler may have changed the registry
    if (it == forms_.end() || it->second.get() != &f) return;
    f.Hide();
    if (frontEnd_) frontEnd_->formUnloading(f);
    // Freed after the current event: the caller may be a handler of this very form.
    graveyard_.push_back(std::move(it->second));
    forms_.erase(it);
    if (depth_ == 0) collect();
}

void App::end(int code) {
    ended_ = true;
    exitCode_ = code;
    throw ProgramEnded{code};
}

void App::collect() { graveyard_.clear(); }

void App::deliver(const std::function<void()>& event) {
    if (ended_) return;
    ++depth_;
    try {
        event();
    } catch (const ProgramEnded&) {
        ended_ = true;
    } catch (const Error& e) {
        // A failure that no procedure handles: the design leaves the outcome open, and losing the
        // whole program to it would lose the user's session, so it is logged and the program goes on.
        if (s_.log) s_.log->log(std::string("unhandled error ") + std::to_string(e.number()) + ": " + e.what());
    } catch (const std::bad_alloc&) {
        // Out of memory in one event (a huge picture, say): that event is lost, the program is not.
        if (s_.log) s_.log->log("unhandled exception: out of memory");
    } catch (const std::exception& e) {
        // Anything else the standard library or a codec throws stops here too: nothing may unwind
        // through the front end's event loop.
        if (s_.log) s_.log->log(std::string("unhandled exception: ") + e.what());
    } catch (...) {
        if (s_.log) s_.log->log("unhandled exception of an unknown kind");
    }
    --depth_;
    if (depth_ == 0) {
        collect();
        if (ended_ && onEnded) onEnded();
    }
}

}  // namespace vb
