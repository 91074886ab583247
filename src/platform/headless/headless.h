#pragma once
// The headless back end: virtual time, scripted dialogs and recording doubles of the operating
// system's services. The scenario runner and the tests run the real program logic on these.
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <memory>
#include <mutex>

#include "platform/base/log.h"
#include "platform/headless/headless_online.h"
#include "platform/model/services.h"
#include "platform/system/fs.h"

namespace vb {

class App;

// post() may be called from any thread (a worker's event waits for the next advance); the rest
// only from the thread that advances.
class VirtualLoop : public EventLoop {
public:
    void setApp(App* app) { app_ = app; }
    void arm(Timer& t, int intervalMs) override;
    void disarm(Timer& t) override;
    void post(std::function<void()> fn, int delayMs = 0) override;
    std::int64_t nowMs() const override { return now_; }

    // Fires every timer and posted event due up to now + ms, in time order (ties in the order
    // they were armed or posted), one at a time.
    void advance(std::int64_t ms);
    // Moves time on while the user-interface thread is blocked: nothing fires meanwhile, and a
    // timer that fell due fires once, at the next chance, as a coalesced tick.
    void block(std::int64_t ms);
    bool armed(const Timer& t) const;
    std::size_t armedCount() const { return timers_.size(); }

private:
    struct Armed {
        Timer* timer;
        int interval;
        std::int64_t due;
        std::uint64_t seq;
    };
    struct Posted {
        std::function<void()> fn;
        std::int64_t due;
        std::uint64_t seq;
    };
    App* app_ = nullptr;
    std::atomic<std::int64_t> now_{0};
    std::atomic<std::uint64_t> seq_{0};
    std::vector<Armed> timers_;
    std::vector<Posted> posts_;
    mutable std::mutex postsMutex_;
};

struct ShownMessage {
    std::string prompt;
    int style = 0;
    std::string title;
};

class ScriptedDialogs : public Dialogs {
public:
    int MsgBox(const std::string& prompt, int style, const std::string& title) override;
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText) override;
    std::string BrowseForFolder(const std::string& prompt) override;
    std::deque<int> answers;                          // queued message-box answers
    std::deque<std::optional<std::string>> inputs;    // queued input-box answers
    std::deque<std::string> folders;                  // queued folder-browser answers ("" cancels)
    std::vector<ShownMessage> shown;
    std::vector<std::string> inputPrompts;
    std::vector<std::string> folderPrompts;
};

// Draws queued by the test; an empty queue draws 0.
class ScriptedRandom : public RandomSource {
public:
    double draw() override {
        if (draws.empty()) return 0.0;
        const double r = draws.front();
        draws.pop_front();
        return r;
    }
    std::deque<double> draws;
};

class FakeSystem : public System {
public:
    std::string windowsDirectory() override { return windowsDir; }
    VersionInfo version() override { return versionInfo; }
    bool initCommonControls() override {
        ++commonControlsInitialised;
        return true;
    }
    int screenWidthPx() override { return screenW; }
    int screenHeightPx() override { return screenH; }
    double devicePixelRatio() override { return pixelRatio; }
    std::string driveRoot(const std::string&) override { return root; }
    bool anotherInstanceRunning() override { return anotherInstance; }
    bool online() override { return isOnline; }

    std::string windowsDir, root;
    VersionInfo versionInfo;
    int screenW = 1024, screenH = 768;
    double pixelRatio = 1.0;
    bool anotherInstance = false, isOnline = true;
    int commonControlsInitialised = 0;
};

class FakePrograms : public Programs {
public:
    struct Behaviour {
        int exitCode = 0;
        int runMs = 0;
    };
    struct Started {
        std::string name;
        bool waited = false;
    };
    // A bare name starts when it is declared in programs. A path (a name holding "\" or "/")
    // starts when that file exists and its bare name is declared: the fake runs nothing, so a
    // file on disk alone cannot say whether it would start.
    int start(const std::string& name, const std::string& programFolder) override;
    void launch(const std::string& name, const std::string& programFolder) override {
        start(name, programFolder);
    }
    int wait(int pid) override;
    void open(const std::string& address) override { opened.push_back(address); }

    VirtualLoop* loop = nullptr;                // moved on by a waited program's run time
    std::map<std::string, Behaviour> programs;  // by lower-case bare name; absent = missing
    std::vector<Started> started;
    std::vector<std::string> opened;

private:
    std::map<int, std::size_t> pids_;
    int next_ = 1000;
};

class RecordingWallpaper : public WallpaperService {
public:
    void setWallpaper(const std::string& path) override {
        set.push_back(path);
        handedOver.push_back(nullptr);
    }
    void setWallpaperWritten(const std::string& path, const Picture& written) override {
        set.push_back(path);
        handedOver.push_back(&written);
    }
    std::vector<std::string> set;
    std::vector<const Picture*> handedOver;  // the picture handed over with each set, if any
};

class RecordingTray : public Tray {
public:
    struct Popup {
        Menu* menu;
        MenuItem* defaultItem;
    };
    void addIcon(const std::string& tip) override;
    void removeIcon() override { events.push_back("removed"); }
    void popup(Menu& menu, MenuItem* defaultItem) override { popups.push_back({&menu, defaultItem}); }
    bool available() override { return true; }
    std::vector<std::string> events;  // "added" / "removed"
    std::vector<std::string> tips;
    std::vector<Popup> popups;
};

// Runs each job at once, inside run(), so scenarios stay in step with virtual time; a test that
// sets `hold` keeps the jobs waiting instead and ends them itself, one by one, in order.
class ScriptedJobs : public BackgroundJobs {
public:
    void run(std::function<void()> work, std::function<void()> done) override;
    // Runs the first waiting job's work and then its `done`; false when none waits.
    bool finishNext();
    std::size_t waiting() const { return waiting_.size(); }
    bool hold = false;
    int started = 0;

private:
    std::deque<std::pair<std::function<void()>, std::function<void()>>> waiting_;
};

class CollectingLogger : public Logger {
public:
    void log(const std::string& line) override { lines.push_back(line); }
    std::vector<std::string> lines;
};

// Every headless double in one place, wired to each other, and an app built on them. The
// platform must outlive the app it makes (the app's timers disarm through its loop).
struct HeadlessPlatform {
    FileSystem fs;
    ScriptedDialogs dialogs;
    VirtualLoop loop;
    FakeSystem system;
    FakePrograms programs;
    RecordingWallpaper wallpaper;
    RecordingTray tray;
    CollectingLogger log;
    // Every address the online doubles were asked for, in order.
    std::vector<std::string> requests;
    RecordingBrowsers browsers{&requests};
    ScriptedTransfers transfers{loop, fs, &requests};
    ScriptedInternet internet{&requests};
    ScriptedRandom random;
    ScriptedJobs jobs;

    HeadlessPlatform(const std::string& windowsDir, const std::string& root);
    std::unique_ptr<App> makeApp();
};

}  // namespace vb
