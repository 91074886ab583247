#pragma once
// One scenario file run against the program on the headless back end: fresh folders, fresh
// services, one App. Steps run in order; a failing step is reported and the run goes on, so
// one file reports every fault it finds.
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless/headless.h"
#include "platform/model/app.h"
#include "testkit/scenario_lexer.h"

namespace scenario {

using vb::scenario::Name;
using vb::scenario::Op;
using vb::scenario::Step;

struct Folders {
    std::string base;    // holds the other three; removed afterwards
    std::string root;    // <root>, the drive root
    std::string pf;      // <pf>, the program folder
    std::string windir;  // <windir>
};

class Session {
public:
    // Creates the folders and makes the program folder the current directory.
    Session(std::string file, std::ostream& out, bool verbose);
    // Restores the current directory and removes the folders.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Runs the scenario text; true when every step passed. A file with syntax faults runs
    // no step.
    bool run(std::string_view text);

    const Folders& folders() const { return dirs_; }

private:
    // Folders, services and the App; and undoing all of it (the current directory included).
    void setUp();
    void cleanUp();

    // The four kinds of step (prepare.cpp, act.cpp, expect.cpp).
    void prepare(const Step& s);
    void answer(const Step& s);
    void act(const Step& s);
    void expect(const Step& s);

    // Acting helpers (act.cpp).
    void actOn(const Step& s);
    void click(const Step& s, bool twice);
    void listStep(const Step& s);
    void editStep(const Step& s);
    void menuPick(const Step& s);
    void setStep(const Step& s);
    void deliver(const std::function<void()>& event);
    // Takes note of what the last act did to the tray and its pop-ups.
    void noteEvents();

    // Expectation helpers (expect.cpp).
    void expectProperty(const Step& s);
    void expectList(const Step& s);
    void expectFile(const Step& s);
    void expectPicture(const Step& s);
    void expectMessage(const Step& s);
    void expectEvents(const Step& s);

    // Host placeholders: markers in the parsed steps, resolved when each step runs.
    static constexpr const char* kGalleryMark = "\x01gallery\x01";
    static constexpr const char* kSiteMark = "\x01site\x01";
    static constexpr const char* kSecureMark = "\x01secure\x01";
    static constexpr const char* kPhoneMark = "\x01phone\x01";
    Step withHosts(const Step& written) const;
    static bool hasHostMark(const Step& s);
    // The online steps (online.cpp).
    void onlineAnswer(const Step& s);
    void expectOnline(const Step& s);
    vb::WebBrowser* browserOf(const Step& s);

    // Reports "FILE:LINE: expected ... seen ...".
    void fail(const Step& s, const std::string& expected, const std::string& seen);
    void failLine(int line, const std::string& expected, const std::string& seen);
    void unsupported(const Step& s, const std::string& what);
    // The absolute path of a scenario path: relative ones are in the program folder; existing
    // components are matched without regard to letter case, as the program's files are.
    std::string pathOf(const std::string& path) const;
    // The loaded form, or a failure (nullptr) when it is unknown or not loaded.
    vb::Form* loadedForm(const Step& s, const std::string& form);
    // The named control of a loaded form, or a failure (nullptr).
    vb::Control* controlOf(const Step& s, const Name& n);

    std::string file_;
    std::ostream& out_;
    bool verbose_;
    Folders dirs_;
    std::string oldCwd_;
    int failures_ = 0;

    // Made by setUp, once the folders exist.
    std::unique_ptr<vb::HeadlessPlatform> platform_;
    vb::FileSystem fs_;
    std::unique_ptr<vb::App> app_;  // after the services: it goes first

    bool started_ = false;
    bool trayIcon_ = false;  // the icon is in the notification area now
    std::size_t trayEventsSeen_ = 0;
    std::size_t popupsSeen_ = 0;
    struct PopupRecord {
        std::string form, menu, defaultItem;
    };
    std::vector<PopupRecord> popupLog_;  // every pop-up opened, by name
    std::optional<PopupRecord> openPopup_;

    // What the "since the last check" expectations have consumed.
    std::size_t messagesChecked_ = 0;
    // The box the last step checked when that step was "expect message": a "message-text" step
    // right after it checks the same box.
    struct Paired {
        std::size_t step;  // the step's position in the run
        std::size_t box;   // the box's position among those shown
    };
    std::optional<Paired> pairedMessage_;
    std::size_t stepNumber_ = 0;
    std::size_t wallpapersChecked_ = 0;
    std::size_t popupsChecked_ = 0;
    std::vector<bool> startedChecked_, openedChecked_, trayChecked_, logChecked_;
    std::vector<bool> navigationsChecked_, requestsChecked_;
};

}  // namespace scenario
