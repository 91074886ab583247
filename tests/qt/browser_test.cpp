// The browser control on Qt's web engine against the demo gallery: the pane is there from the
// start, the engine's library is loaded after the first navigation on screen (a browser out of
// sight fetches without it) and the view put into the pane, the events arrive, the address
// keeps its spelling and each load reaches the server.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "../net/gallery_fixture.h"
#include "../unit/harness.h"
#include "../unit/xvfb.h"
#include "online/hosts.h"
#include "platform/headless/headless.h"
#include "platform/model/app.h"
#include "platform/posix/posix_services.h"
#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_front_end.h"
#include "platform/qt/qt_loop.h"
#include "platform/system/process.h"
#include "qt_test_support.h"

using namespace vb;

namespace {

class PageForm : public Form {
public:
    static constexpr const char* kName = "PageForm";
    explicit PageForm(App& app) : Form(app, kName) {
        design("Pages", 9000, 6000);
        Browser1.pos(150, 150, 8400, 5400);
        Browser1.DownloadBegin = [this] { ++begins; };
        Browser1.DownloadComplete = [this] { ++completes; };
    }
    WebBrowser Browser1{this, "Browser1"};
    int begins = 0, completes = 0;
};

// A window kept above the others, as the splash is.
class CoverForm : public Form {
public:
    static constexpr const char* kName = "CoverForm";
    explicit CoverForm(App& app) : Form(app, kName) {
        design("Cover", 3000, 2000);
        topmost = true;
    }
};

// A program holding one page form, its browsers loaded from library on first navigation.
struct PageProgram {
    explicit PageProgram(std::string library) : browsers(std::move(library), &log) {
        loop.setApp(&app);
        browsers.setApp(&app);
    }
    ~PageProgram() { loop.setApp(nullptr); }

    QApplication& qt = vbqt::test::qtApp();
    vbqt::QtLoop loop;
    vbqt::QtDialogs dialogs;
    RecordingTray tray;
    FileSystem fs;
    CollectingLogger log;
    vbqt::LazyWebBrowsers browsers;
    App app{
        Services{&fs, &dialogs, &loop, nullptr, nullptr, nullptr, &tray, &log, &browsers, nullptr, nullptr}};
    bool registered = (app.registerForm<PageForm>(), true);
    vbqt::QtFrontEnd fe{app};
    PageForm& form = app.form<PageForm>();
};

TEST(QtBrowser, LoadsOnFirstNavigationKeepsTheAddressAndReportsEachLoad) {
    vantry::test::TempDir dir;
    vantry::test::Gallery gallery(dir / "gallery.log");
    ASSERT_GT(gallery.port(), 0);

    QWidget* pane = nullptr;
    auto view = [&](const WebBrowser&) { return pane->findChild<QWebEngineView*>(); };
    {
        PageProgram program(VANTRY_WEBENGINE_LIB);
        App& app = program.app;
        vbqt::LazyWebBrowsers& browsers = program.browsers;
        PageForm& form = program.form;
        app.deliver([&] { form.Show(); });
        pane = program.fe.window(form)->findChild<QWidget*>("Browser1");
        ASSERT_NE(pane, nullptr);
        EXPECT_EQ(browsers.engine(), nullptr) << "no engine before the first navigation";
        EXPECT_EQ(form.Browser1.LocationURL(), "");

        const std::string target = "/pelloria/gallery/index.php?album=sea%2Fboats%2F&pic=dawn.jpg";
        app.deliver([&] { form.Browser1.Navigate(gallery.url(target)); });
        EXPECT_EQ(browsers.engine(), nullptr) << "the engine waits for the event loop";
        // The engine is loaded once a window is on screen (this one is) and the page follows.
        ASSERT_TRUE(QTest::qWaitFor([&] { return view(form.Browser1) != nullptr; }, 5000));
        EXPECT_EQ(view(form.Browser1)->parentWidget(), pane);
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.completes >= 1; }, 30000))
            << "the page never completed";
        EXPECT_GE(form.begins, 1);
        EXPECT_EQ(form.Browser1.LocationURL(), gallery.url(target));
        EXPECT_EQ(gallery.requestsFor(target), 1);

        app.deliver([&] { form.Browser1.Refresh(); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return gallery.requestsFor(target) == 2; }, 30000));
        app.deliver([&] { form.Unload(); });
        QCoreApplication::processEvents();
    }
    QTest::qWait(50);  // deferred deletions
}

// The engine's load signals reach the program through the event loop, never from inside the
// event that is running: a hold (the one before a blocking fetch) keeps them waiting, and they
// run once it goes.
TEST(QtBrowser, TheEnginesLoadEventsWaitForTheLoopAndItsHolds) {
    {
        PageProgram program(VANTRY_WEBENGINE_LIB);
        App& app = program.app;
        PageForm& form = program.form;
        app.deliver([&] { form.Show(); });
        QWidget* pane = program.fe.window(form)->findChild<QWidget*>("Browser1");
        ASSERT_NE(pane, nullptr);
        app.deliver([&] { form.Browser1.Navigate("about:blank"); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.completes >= 1; }, 30000)) << "the page never completed";
        QTest::qWait(200);
        QWebEnginePage* page = pane->findChild<QWebEngineView*>()->page();
        const int begins = form.begins, completes = form.completes;

        emit page->loadStarted();
        emit page->loadFinished(true);
        EXPECT_EQ(form.begins, begins) << "run from inside the signal";
        EXPECT_EQ(form.completes, completes) << "run from inside the signal";
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.completes == completes + 1; }, 2000));
        EXPECT_EQ(form.begins, begins + 1);
        {
            const vbqt::QtLoop::Hold hold(program.loop);
            emit page->loadStarted();
            emit page->loadFinished(true);
            QCoreApplication::processEvents();
            EXPECT_EQ(form.begins, begins + 1) << "run while the loop is held";
            EXPECT_EQ(form.completes, completes + 1) << "run while the loop is held";
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.completes == completes + 2; }, 2000));
        EXPECT_EQ(form.begins, begins + 2);
        app.deliver([&] { form.Unload(); });
        QCoreApplication::processEvents();
    }
    QTest::qWait(50);  // deferred deletions
}

// A browser out of sight fetches without the engine, which a tray program sitting all day with
// its news closed never loads; once on screen the engine shows the document it holds, without a
// second request, and a refresh asks the server again.
TEST(QtBrowser, AHiddenBrowserFetchesWithoutTheEngineAndShowsItsDocumentOnceShown) {
    vantry::test::TempDir dir;
    vantry::test::Gallery gallery(dir / "gallery.log");
    ASSERT_GT(gallery.port(), 0);
    {
        PageProgram program(VANTRY_WEBENGINE_LIB);
        App& app = program.app;
        PageForm& form = program.form;
        QWidget* pane = program.fe.window(form)->findChild<QWidget*>("Browser1");
        ASSERT_NE(pane, nullptr);

        const std::string target = "/pelloria/gallery/portal_news.htm";
        app.deliver([&] { form.Browser1.Navigate(gallery.url(target)); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.completes >= 1; }, 10000))
            << "the page never completed";
        EXPECT_EQ(form.begins, 1);
        EXPECT_EQ(form.Browser1.LocationURL(), gallery.url(target));
        EXPECT_EQ(gallery.requestsFor(target), 1);
        QTest::qWait(300);
        EXPECT_EQ(program.browsers.engine(), nullptr) << "the engine started for a browser never shown";
        EXPECT_EQ(pane->findChild<QWebEngineView*>(), nullptr);

        app.deliver([&] { form.Show(); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return pane->findChild<QWebEngineView*>() != nullptr; }, 10000));
        QWebEngineView* view = pane->findChild<QWebEngineView*>();
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->title() == "Vantry news"; }, 30000))
            << "the held document was not shown: " << view->title().toStdString();
        QTest::qWait(300);
        EXPECT_EQ(gallery.requestsFor(target), 1) << "the document was fetched again";
        EXPECT_EQ(form.begins, 1);
        EXPECT_EQ(form.completes, 1);
        EXPECT_EQ(form.Browser1.LocationURL(), gallery.url(target));

        app.deliver([&] { form.Browser1.Refresh(); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.completes == 2; }, 30000));
        EXPECT_EQ(gallery.requestsFor(target), 2);
        EXPECT_EQ(form.begins, 2);
        EXPECT_EQ(form.Browser1.LocationURL(), gallery.url(target));
        app.deliver([&] { form.Unload(); });
        QCoreApplication::processEvents();
    }
    QTest::qWait(50);  // deferred deletions
}

// The main window comes up with its news panel behind the splash, and the last start-up step
// decides whether the panel stays: a browser beneath a window kept above the others waits, and
// one hidden again as that window goes never loads the engine; shown later, it gets its page.
TEST(QtBrowser, ABrowserBeneathTheSplashWaitsForItToGo) {
    vantry::test::TempDir dir;
    vantry::test::Gallery gallery(dir / "gallery.log");
    ASSERT_GT(gallery.port(), 0);
    {
        PageProgram program(VANTRY_WEBENGINE_LIB);
        App& app = program.app;
        PageForm& form = program.form;
        app.registerForm<CoverForm>();
        CoverForm& cover = app.form<CoverForm>();
        QWidget* pane = program.fe.window(form)->findChild<QWidget*>("Browser1");
        ASSERT_NE(pane, nullptr);

        const std::string target = "/pelloria/gallery/portal_news.htm";
        app.deliver([&] { form.Browser1.Navigate(gallery.url(target)); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.completes >= 1; }, 10000));
        app.deliver([&] {
            cover.Show();
            form.Show();
        });
        QTest::qWait(500);
        EXPECT_EQ(program.browsers.engine(), nullptr) << "the engine started beneath the splash";
        app.deliver([&] {
            cover.Hide();
            form.Browser1.setVisible(false);
        });
        QTest::qWait(500);
        EXPECT_EQ(program.browsers.engine(), nullptr) << "the engine started for a browser hidden again";

        app.deliver([&] { form.Browser1.setVisible(true); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return pane->findChild<QWebEngineView*>() != nullptr; }, 10000));
        QWebEngineView* view = pane->findChild<QWebEngineView*>();
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->title() == "Vantry news"; }, 30000));
        EXPECT_EQ(gallery.requestsFor(target), 1);
        app.deliver([&] {
            cover.Unload();
            form.Unload();
        });
        QCoreApplication::processEvents();
    }
    QTest::qWait(50);  // deferred deletions
}

}  // namespace

namespace {

// Without the engine's library the program goes on with blank browsers and says why once.
TEST(QtBrowser, AMissingEngineLeavesTheBrowsersBlankAndIsLogged) {
    {
        PageProgram program("/nonexistent/libvantry_webengine.so");
        App& app = program.app;
        vbqt::LazyWebBrowsers& browsers = program.browsers;
        PageForm& form = program.form;
        app.deliver([&] { form.Show(); });
        app.deliver([&] { form.Browser1.Navigate("http://www.vantry-gallery.localhost:1/"); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return !program.log.lines.empty(); }, 10000))
            << "no word of the failure";
        app.deliver([&] {
            form.Browser1.Navigate("http://www.vantry-gallery.localhost:1/again");
            form.Browser1.Refresh();
        });
        QTest::qWait(200);
        EXPECT_EQ(browsers.engine(), nullptr);
        EXPECT_EQ(form.Browser1.LocationURL(), "");
        EXPECT_EQ(form.begins + form.completes, 0);
        EXPECT_EQ(program.log.lines.size(), 1u);
    }
}

}  // namespace

namespace {

// What the real program writes to its standard error before a display that cannot open ends it
// (so it ends before it touches any file), with or without the user's own word on the sandbox.
std::string programStartOutput(bool sandboxTurnedOff) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string v(*e);
        if (v.rfind("QTWEBENGINE_DISABLE_SANDBOX=", 0) != 0 && v.rfind("QT_QPA_PLATFORM=", 0) != 0)
            env.push_back(v);
    }
    env.push_back("QT_QPA_PLATFORM=vantry-no-such-display");
    if (sandboxTurnedOff) env.push_back("QTWEBENGINE_DISABLE_SANDBOX=1");
    std::vector<char*> envp;
    for (auto& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    int out[2];
    if (::pipe(out) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        ::dup2(out[1], 2);
        ::close(out[0]);
        ::close(out[1]);
        char* argv[] = {const_cast<char*>(VANTRY_PROGRAM_BIN), nullptr};
        ::execve(VANTRY_PROGRAM_BIN, argv, envp.data());
        ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    char buf[4096];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;) text.append(buf, std::size_t(n));
    ::close(out[0]);
    ::waitpid(child, nullptr, 0);
    return text;
}

// Run as root, where the web engine's sandbox cannot run, the program never turns it off by
// itself: pages from the Internet would render unconfined as root. Without the user's own
// QTWEBENGINE_DISABLE_SANDBOX=1 there are no pages, and the log says why.
TEST(QtBrowser, AsRootNoPageIsShownUnlessTheUserTurnedTheSandboxOff) {
    if (::geteuid() != 0) GTEST_SKIP() << "only a run as root has no sandbox";
    const std::string refused = programStartOutput(false);
    EXPECT_NE(refused.find("vantry: web pages are not shown"), std::string::npos) << refused;
    EXPECT_NE(refused.find("QTWEBENGINE_DISABLE_SANDBOX=1"), std::string::npos);
    const std::string chosen = programStartOutput(true);
    EXPECT_EQ(chosen.find("web pages are not shown"), std::string::npos) << chosen;
    EXPECT_NE(chosen.find("vantry-no-such-display"), std::string::npos) << "did the program start at all?";
}

}  // namespace

namespace {

// Whether a copy of the program holds the lock of this user's copies, which would end the one a
// test starts at once.
bool anotherCopyRuns() {
    const std::string lock = "/tmp/vantry-" + std::to_string(::geteuid()) + "/vantry.lock";
    const int fd = ::open(lock.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

// The processes started by pid, and theirs.
std::vector<pid_t> descendants(pid_t pid) {
    std::vector<pid_t> out;
    std::error_code ec;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream children(task.path() / "children");
        for (pid_t c; children >> c;) {
            out.push_back(c);
            for (pid_t d : descendants(c)) out.push_back(d);
        }
    }
    return out;
}

bool runsTheEngine(pid_t program) {
    for (pid_t p : descendants(program)) {
        std::ifstream cmdline("/proc/" + std::to_string(p) + "/cmdline");
        std::string text((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
        if (text.find("QtWebEngineProcess") != std::string::npos) return true;
    }
    return false;
}

// The real program on an X server of its own, started as a user starts it after the first
// start, with news at start: its news panel shows the gallery's news page, which starts the web
// engine. Whatever the engine says as it starts is on the program's standard error, which comes
// only from the program's own log otherwise.
TEST(QtBrowser, TheEngineStartsInTheRealProgramWithoutAWordFromQt) {
    if (!PosixCommandRunner().available("Xvfb")) GTEST_SKIP() << "Xvfb not installed";
    if (!PosixSystem("/", [] { return std::make_pair(1024, 768); }).online())
        GTEST_SKIP() << "offline: the program never asks for the news page";
    if (anotherCopyRuns()) GTEST_SKIP() << "a copy of the program runs for this user, which would end the test's";
    vantry::test::TempDir dir;
    vantry::test::Gallery gallery(dir / "gallery.log");
    ASSERT_GT(gallery.port(), 0);
    vantry::test::Xvfb server("1024x768x24");
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not come up";

    namespace fsys = std::filesystem;
    const std::string pf = dir / "program";
    fsys::copy(std::string(VANTRY_SOURCE_DIR) + "/data", pf, fsys::copy_options::recursive);
    fsys::copy(fsys::path(VANTRY_PROGRAM_BIN).parent_path() / "fresco.exe", pf + "/fresco.exe");
    fsys::remove(pf + "/START.1ST");
    fsys::remove(pf + "/CONNECT.TMP");
    vantry::test::writeFile(pf + "/HOSTS.CFG", vantry::test::crlf({"gallery=" + gallery.host(), "site=" + gallery.host("site")}));
    vantry::test::writeFile(pf + "/NEWS.CFG", vantry::test::crlf({"Vantry, Get news when program starts"}));
    const std::string run = dir / "run";
    fsys::create_directory(run);
    ::chmod(run.c_str(), 0700);

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string v(*e);
        const std::string name = v.substr(0, v.find('='));
        if (name != "DISPLAY" && name != "XDG_RUNTIME_DIR" && name != "XDG_DATA_HOME" && name.rfind("QT", 0) != 0)
            env.push_back(v);
    }
    env.push_back("DISPLAY=" + server.display());
    env.push_back("XDG_RUNTIME_DIR=" + run);
    env.push_back("XDG_DATA_HOME=" + dir / "xdg");
    // No GPU here; and as root the sandbox cannot run, which the user turns off.
    env.push_back("QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu");
    if (::geteuid() == 0) env.push_back("QTWEBENGINE_DISABLE_SANDBOX=1");
    std::vector<char*> envp;
    for (auto& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);

    const std::string errors = dir / "stderr.txt";
    const pid_t program = ::fork();
    if (program == 0) {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0), ::dup2(null, 1), ::dup2(err, 2);
        if (::chdir(pf.c_str()) != 0) ::_exit(126);
        char* argv[] = {const_cast<char*>(VANTRY_PROGRAM_BIN), nullptr};
        ::execve(VANTRY_PROGRAM_BIN, argv, envp.data());
        ::_exit(127);
    }
    ASSERT_GT(program, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    bool started = false, ended = false;
    while (!(started = runsTheEngine(program)) && std::chrono::steady_clock::now() < deadline)
        if (::waitpid(program, nullptr, WNOHANG) == program) {
            ended = true;
            break;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    // The page is shown by then, and what the engine had to say said.
    if (started) std::this_thread::sleep_for(std::chrono::seconds(2));
    if (!ended) {
        ::kill(program, SIGTERM);
        ::waitpid(program, nullptr, 0);
    }
    std::ifstream in(errors);
    const std::string said((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_TRUE(started) << "the web engine never started; standard error:\n" << said;
    EXPECT_GE(gallery.requestsFor(vantry::kNewsPage), 1);
    for (const char* word : {"AA_ShareOpenGLContexts", "initialized from a plugin", "qt.webenginecontext"})
        EXPECT_TRUE(said.find(word) == std::string::npos) << "\"" << word << "\" on standard error:\n" << said;
}

}  // namespace
