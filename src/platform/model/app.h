#pragma once
// The forms registry and the program's services.
//
// One instance per form class. Touching a form that is not loaded (through form<F>()) creates it
// with its design values and runs its Form_Load before the touching statement goes on; a form
// touched again during its own load is the one being loaded. Unload destroys the form (after the
// current event, so a handler may unload its own form) and the next touch creates it afresh.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <typeindex>
#include <vector>

#include "platform/base/error.h"
#include "platform/model/form.h"
#include "platform/model/procedures.h"
#include "platform/model/services.h"
#include "platform/system/fs.h"

namespace vb {

class WallpaperService;
class Logger;
class WebBrowsers;
class FileTransfers;
class InternetTransfers;

// The front end learns of forms coming and going through this.
class FrontEnd {
public:
    virtual ~FrontEnd() = default;
    virtual void formLoaded(Form& f) = 0;
    virtual void formUnloading(Form& f) = 0;
};

struct Services {
    FileSystem* fs = nullptr;
    Dialogs* dialogs = nullptr;
    EventLoop* loop = nullptr;
    System* system = nullptr;
    Programs* programs = nullptr;
    WallpaperService* wallpaper = nullptr;
    Tray* tray = nullptr;
    Logger* log = nullptr;
    // The online components' services (platform/model/online.h); absent ones make the controls fail.
    WebBrowsers* browsers = nullptr;
    FileTransfers* transfers = nullptr;
    InternetTransfers* internet = nullptr;
    RandomSource* random = nullptr;  // none given: reseeded from the time of day
    BackgroundJobs* jobs = nullptr;  // none given: each job runs at once, on the calling thread
};

class App {
public:
    explicit App(Services services);
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    using Factory = std::function<std::unique_ptr<Form>(App&)>;
    void registerForm(const std::string& name, Factory factory);
    template <class F>
    void registerForm() {
        registerForm(F::kName, [](App& a) { return std::unique_ptr<Form>(new F(a)); });
    }

    // Loads on first touch.
    Form& touch(const std::string& name);
    template <class F>
    F& form() {
        return static_cast<F&>(touch(F::kName));
    }
    bool isLoaded(const std::string& name) const;
    Form* loaded(const std::string& name) const;
    bool knows(const std::string& name) const { return factories_.count(name) != 0; }
    std::vector<Form*> loadedForms() const;
    void unload(Form& f);

    // Ends the program at once: no unload handler runs.
    [[noreturn]] void end(int code = 0);
    bool ended() const { return ended_; }
    int exitCode() const { return exitCode_; }

    // Runs one event from outside (user input, a timer, a posted event): failures that escape the
    // handler are logged, an end of the program is recorded; forms unloaded meanwhile are freed.
    void deliver(const std::function<void()>& event);

    FileSystem& fs() { return *s_.fs; }
    Dialogs& dialogs() { return *s_.dialogs; }
    EventLoop& loop() { return *s_.loop; }
    System& system() { return *s_.system; }
    Programs& programs() { return *s_.programs; }
    WallpaperService& wallpaper() { return *s_.wallpaper; }
    Tray& tray() { return *s_.tray; }
    Logger& log() { return *s_.log; }
    // Null when the program wired none in.
    WebBrowsers* browsers() const { return s_.browsers; }
    FileTransfers* transfers() const { return s_.transfers; }
    InternetTransfers* internet() const { return s_.internet; }

    // The public procedures callable by name in this program instance (platform/model/procedures.h).
    ProcedureTable& procedures() { return procedures_; }
    const ProcedureTable& procedures() const { return procedures_; }

    // A record the whole program shares (what a module-level variable holds): one T per program
    // instance, value-initialised on first use and kept until the instance goes.
    template <class T>
    T& shared() {
        std::shared_ptr<void>& slot = shared_[std::type_index(typeid(T))];
        if (!slot) slot = std::make_shared<T>();
        return *static_cast<T*>(slot.get());
    }
    RandomSource& random();
    BackgroundJobs& jobs();

    void setFrontEnd(FrontEnd* fe) { frontEnd_ = fe; }
    FrontEnd* frontEnd() const { return frontEnd_; }
    // Called by the front end when the program ends, so it can leave its event loop.
    std::function<void()> onEnded;

private:
    void collect();

    Services s_;
    std::unique_ptr<RandomSource> ownRandom_;
    std::unique_ptr<BackgroundJobs> ownJobs_;
    std::map<std::string, Factory> factories_;
    std::map<std::string, std::unique_ptr<Form>> forms_;
    std::vector<std::unique_ptr<Form>> graveyard_;
    ProcedureTable procedures_;
    std::map<std::type_index, std::shared_ptr<void>> shared_;
    FrontEnd* frontEnd_ = nullptr;
    bool ended_ = false;
    int exitCode_ = 0;
    int depth_ = 0;
};

}  // namespace vb
