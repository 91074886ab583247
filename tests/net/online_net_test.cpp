// The real libcurl components against the demo gallery on a free loopback port: what arrives,
// what the gallery logs, and every fault the gallery can be told to make.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "../unit/harness.h"
#include "gallery_fixture.h"
#include "platform/base/error.h"
#include "platform/curl/curl_online.h"
#include "platform/model/form.h"
#include "raw_server.h"
#include "shell/program.h"

using namespace vb;
using vantry::test::Gallery;
using vantry::test::Harness;
using vantry::test::RawServer;
using vantry::test::runUntil;
using vantry::test::TempDir;

namespace vantry::test {
int closedPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    ::close(s);
    return ntohs(a.sin_port);
}
}  // namespace vantry::test

namespace {

class NetForm : public Form {
public:
    static constexpr const char* kName = "NetForm";
    explicit NetForm(App& a) : Form(a, kName) {
        Transfer1.TransferProgress = [this](int, std::int64_t total, std::int64_t done, int) {
            ++reports;
            if (done < total) ++interim;
            if (done == total) {
                completed = true;
                fileAtCompletion = app().fs().fileExists(target);
            }
        };
        Transfer1.TransferError = [this](int code, const std::string&) {
            ++errors;
            errorCode = code;
        };
        Browser1.DownloadBegin = [this] { trace += "begin "; };
        Browser1.DownloadComplete = [this] { trace += "complete "; };
    }
    FileTransfer Transfer1{this, "Transfer1"};
    FileTransfer Transfer2{this, "Transfer2"};  // events unheard
    WebBrowser Browser1{this, "Browser1"};
    std::string target;
    int reports = 0, interim = 0, errors = 0, errorCode = 0;
    bool completed = false, fileAtCompletion = false;
    std::string trace;
    bool ended() const { return completed || errors > 0; }
};

// Short limits keep the time-outs quick; the figures in use are CurlLimits' defaults.
CurlLimits quick() {
    CurlLimits l;
    l.fetchTimeoutMs = 1500;
    l.stallTimeoutMs = 2000;
    return l;
}

struct Net : ::testing::Test {
    TempDir logDir;
    Harness h;
    std::optional<CurlTransfers> transfers;
    CurlPageFetcher pages{h.loop, quick()};
    std::unique_ptr<App> app;
    NetForm* form = nullptr;

    Net() { build(quick()); }
    ~Net() override { finish(); }
    // The program anew, its transfers bound by these limits.
    void build(const CurlLimits& limits) {
        finish();
        transfers.emplace(h.loop, h.fs, nullptr, limits);
        Services s{&h.fs,   &h.dialogs, &h.loop, &h.system,   &h.programs, &h.wallpaper,
                   &h.tray, &h.log,     &pages,  &*transfers, nullptr};
        app = std::make_unique<App>(s);
        app->registerForm<NetForm>();
        form = &app->form<NetForm>();
        form->target = h.pf / "img/got.jpg";
    }
    // Ends the program and waits for the transfer workers, so what they leave behind is final.
    void finish() {
        app.reset();
        transfers.reset();
    }
    std::string logPath() const { return logDir / "gallery.log"; }
    // Files in the picture folder, temporary ones included.
    std::vector<std::string> folder() const {
        std::vector<std::string> names;
        for (auto& e : std::filesystem::directory_iterator(h.pf / "img"))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    void download(const std::string& url) {
        form->Transfer1.StartDownload(form->target, url);
        ASSERT_TRUE(runUntil(h.loop, [&] { return form->ended(); })) << "no end reported for " << url;
        h.loop.advance(0);
    }
};

TEST_F(Net, OpenURLReturnsAnyAnswerAndFailsEveryFaultWithinItsBounds) {
    Gallery g(logPath());
    ASSERT_GT(g.port(), 0);
    CurlInternet inet(quick());
    const std::string doc = inet.openURL(g.url("/vantry_version_number.js", "site"));
    EXPECT_EQ(doc.substr(31, 8), "3.5.2006");
    EXPECT_EQ(inet.openURL(g.url("/utils/pelloria/counter/dcount/x_low.jpg.txt", "site")), "0");
    // An error status is an answer: its page comes back as the text.
    EXPECT_NE(inet.openURL(g.url("/no/such/page")).find("There is no page /no/such/page here."),
              std::string::npos);
    Gallery failing(logDir / "fail.log", {"--status", "500"});
    EXPECT_EQ(inet.openURL(failing.url("/vantry_version_number.js", "site")),
              "<html><body><h1>Error 500</h1></body></html>");

    Gallery slow(logDir / "slow.log", {"--slow", "30000"});
    Gallery huge(logDir / "huge.log", {"--oversize", "10485760"});
    const std::string down =
        "http://www.vantry-site.localhost:" + std::to_string(vantry::test::closedPort()) + "/";
    for (const std::string& url : {slow.url("/vantry_version_number.js", "site"),
                                   huge.url("/vantry_version_number.js", "site"), down}) {
        const auto begin = std::chrono::steady_clock::now();
        try {
            inet.openURL(url);
            ADD_FAILURE() << url << " answered";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), err::InetFailed) << url;
        }
        EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(5000)) << url;
    }
    EXPECT_EQ(CurlLimits{}.fetchTimeoutMs, 15000);
    EXPECT_EQ(CurlLimits{}.fetchCapBytes, 1 << 20);
}

TEST_F(Net, ATransferArrivesWholeUnderItsNameOnlyAtCompletion) {
    Gallery g(logPath());
    h.put("img/got.jpg", "old");
    const std::string path = "/pelloria/gallery/murlo-cache/sea/boats/dawn_800.jpg";
    download(g.url(path));
    EXPECT_TRUE(form->completed);
    EXPECT_TRUE(form->fileAtCompletion);
    EXPECT_EQ(form->errors, 0);
    const std::string got = h.file("img/got.jpg");
    EXPECT_GT(got.size(), 10000u);
    EXPECT_EQ(got.substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_EQ(folder(), std::vector<std::string>{"got.jpg"}) << "no temporary file is left";
    EXPECT_EQ(g.requestsFor(path), 1);
}

// The umask restored on every way out of a test.
struct Umask {
    mode_t old;
    explicit Umask(mode_t m) : old(::umask(m)) {}
    ~Umask() { ::umask(old); }
};

TEST_F(Net, ATransferredFileGetsWhatTheUmaskLeavesAndTheUmaskIsNeverChanged) {
    Umask mask(027);
    // Files that another thread creates meanwhile must get the same mode every time.
    const std::string probe = h.pf / "probe";
    std::atomic<bool> stop{false};
    std::atomic<int> made{0}, wrong{0};
    std::thread creator([&] {
        while (!stop) {
            const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            struct stat st {};
            if (fd >= 0 && ::fstat(fd, &st) == 0 && (st.st_mode & 0777) != 0640) ++wrong;
            if (fd >= 0) ::close(fd);
            ::unlink(probe.c_str());
            ++made;
        }
    });
    for (int i = 0; i < 1'000'000 && made < 1000; ++i) {
        CurlTransfers starting(h.loop, h.fs);
    }
    stop = true;
    creator.join();
    EXPECT_GE(made, 1000);
    EXPECT_EQ(wrong, 0) << "of " << made << " files made while transfer services started";

    build(quick());
    Gallery g(logPath());
    download(g.url("/pelloria/gallery/murlo-cache/sea/boats/dawn_800.jpg"));
    ASSERT_TRUE(form->completed);
    EXPECT_EQ(std::filesystem::status(form->target).permissions(), std::filesystem::perms(0640));
}

TEST_F(Net, TheLargePictureReportsProgressBeforeCompletion) {
    Gallery g(logPath());
    const std::string url = g.url("/pelloria/gallery/murlo-albums/mountains/alps/north/panorama.bmp");
    // The gallery makes the picture at its first request; that first wait is not a stall.
    try {
        CurlInternet{}.openURL(url);
    } catch (const Error&) {
    }
    download(url);
    EXPECT_TRUE(form->completed);
    EXPECT_GE(std::filesystem::file_size(form->target), 20u * 1000 * 1000);
    EXPECT_GE(form->reports, 2);
}

TEST_F(Net, FailedTransfersReportOneErrorAndLeaveNoHalfFile) {
    struct Row {
        std::vector<std::string> faults;
        int code;
    };
    const Row rows[] = {
        {{"--cut"}, transfer_error::ConnectionReset},
        {{"--wrong-length"}, transfer_error::ConnectionReset},
        {{"--status", "500"}, 500},
        {{"--slow", "30000"}, transfer_error::TimedOut},
    };
    h.put("img/got.jpg", "old");
    for (const Row& r : rows) {
        Gallery g(logDir / "fault.log", r.faults);
        form->errors = 0;
        form->completed = false;
        download(g.url("/pelloria/gallery/murlo-albums/sea/boats/dawn.jpg"));
        EXPECT_EQ(form->errors, 1) << r.faults[0];
        EXPECT_EQ(form->errorCode, r.code) << r.faults[0];
        EXPECT_FALSE(form->completed) << r.faults[0];
        EXPECT_EQ(h.file("img/got.jpg"), "old") << r.faults[0];
    }
    // Nothing listening.
    form->errors = 0;
    download("http://www.vantry-gallery.localhost:" + std::to_string(vantry::test::closedPort()) + "/x.jpg");
    EXPECT_EQ(form->errorCode, transfer_error::ConnectionRefused);
    finish();
    EXPECT_EQ(folder(), std::vector<std::string>{"got.jpg"});
}

TEST_F(Net, ATransferPastTheSizeCapOrWithoutRealProgressFailsAndLeavesNoHalfFile) {
    CurlLimits limits = quick();
    limits.transferCapBytes = 1 << 20;
    limits.stallTimeoutMs = 1000;
    build(limits);
    // A length past the cap, announced.
    Gallery announced(logPath(), {"--oversize", std::to_string(4 << 20)});
    // Far past the cap with no length announced: the body ends when the connection closes.
    RawServer unannounced([](RawServer&, int fd) {
        if (!RawServer::readHead(fd)) return;
        RawServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nConnection: close\r\n\r\n");
        const std::string block(64 * 1024, 'x');
        for (int i = 0; i < 128 && RawServer::send(fd, block); ++i) {
        }
    });
    // A byte every tenth of a second: never silent, never getting anywhere.
    RawServer trickle([](RawServer& s, int fd) {
        if (!RawServer::readHead(fd)) return;
        RawServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nContent-Length: 100000\r\n\r\n");
        while (s.running() && RawServer::send(fd, "x"))
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    });
    struct Row {
        std::string url;
        int code;
    };
    const Row rows[] = {
        {announced.url("/vantry_version_number.js", "site"), transfer_error::Other},
        {unannounced.url("http", "/endless.jpg"), transfer_error::Other},
        {trickle.url("http", "/trickle.jpg"), transfer_error::TimedOut},
    };
    h.put("img/got.jpg", "old");
    for (const Row& r : rows) {
        form->errors = 0;
        form->completed = false;
        download(r.url);
        EXPECT_EQ(form->errors, 1) << r.url;
        EXPECT_EQ(form->errorCode, r.code) << r.url;
        EXPECT_FALSE(form->completed) << r.url;
        EXPECT_TRUE(h.file("img/got.jpg") == "old") << "the earlier file stays: " << r.url;
        EXPECT_EQ(folder(), std::vector<std::string>{"got.jpg"}) << r.url;
    }
}

TEST_F(Net, ATargetFolderThatDoesNotExistFailsWithoutFetching) {
    Gallery g(logPath());
    form->target = h.pf / "no/such/folder/got.jpg";
    download(g.url("/pelloria/gallery/murlo-cache/sea/boats/dawn_800.jpg"));
    EXPECT_EQ(form->errors, 1);
    EXPECT_EQ(form->errorCode, transfer_error::Other);
    EXPECT_EQ(g.requestsFor("/pelloria/gallery/murlo-cache/sea/boats/dawn_800.jpg"), 0);
}

TEST_F(Net, CancelEndsWithInterruptedAndARelativePathIsFixedAtTheStart) {
    Gallery g(logPath(), {"--slow", "30000"});
    form->Transfer1.StartDownload("img/got.jpg", g.url("/pelloria/gallery/murlo-albums/sea/boats/dawn.jpg"));
    ::chdir(h.windir.path().c_str());  // the program moves on; the transfer keeps its folder
    form->Transfer1.CancelTransfer();
    h.loop.advance(0);
    EXPECT_EQ(form->errors, 1);
    EXPECT_EQ(form->errorCode, transfer_error::Interrupted);

    Gallery fast(logDir / "fast.log");
    form->errors = 0;
    form->Transfer1.StartDownload("got.jpg",
                                  fast.url("/pelloria/gallery/murlo-cache/sea/boats/harbour_800.gif"));
    ASSERT_TRUE(runUntil(h.loop, [&] { return form->ended(); }));
    EXPECT_TRUE(std::filesystem::exists(h.windir / "got.jpg"));
    EXPECT_EQ(form->errors, 0);
    finish();
    EXPECT_TRUE(folder().empty()) << "the cancelled transfer left " << folder().size() << " files";
}

TEST_F(Net, ARestartReplacesTheRunningTransferWithoutAWord) {
    Gallery slow(logDir / "slow.log", {"--slow", "30000"});
    Gallery fast(logPath());
    form->Transfer1.StartDownload(form->target,
                                  slow.url("/pelloria/gallery/murlo-albums/sea/boats/dawn.jpg"));
    download(fast.url("/pelloria/gallery/murlo-cache/sea/boats/dawn_800.jpg"));
    h.loop.advance(100);
    EXPECT_EQ(form->errors, 0);
    EXPECT_TRUE(form->completed);
    EXPECT_EQ(h.file("img/got.jpg").substr(0, 3), "\xFF\xD8\xFF");
    app.reset();
    EXPECT_EQ(folder(), std::vector<std::string>{"got.jpg"});
}

// Part files of a transfer of the same name killed with the program go before the next
// transfer of that name; files merely like them, part files of other names, and the part file of
// a transfer still running, stay.
TEST_F(Net, AStartRemovesPartFilesLeftBehindAndNothingElse) {
    Gallery slow(logDir / "slow.log", {"--slow", "30000"});
    Gallery fast(logPath());
    form->Transfer2.StartDownload(h.pf / "img/slow.jpg",
                                  slow.url("/pelloria/gallery/murlo-albums/sea/boats/dawn.jpg"));
    auto running = [&] {
        for (const std::string& n : folder())
            if (n.rfind(".slow.jpg.part-", 0) == 0) return n;
        return std::string();
    };
    ASSERT_TRUE(runUntil(h.loop, [&] { return !running().empty(); }));
    const std::vector<std::string> stale = {".got.jpg.part-Ab12Cd", ".got.jpg.part-x1Y2z3"};
    const std::vector<std::string> kept = {
        ".got.jpg.part-Ab12C", ".got.jpg.part-Ab12Cde", "got.jpg.part-Ab12Cd", ".got.jpg.part-Ab_2Cd",
        ".part-Ab12Cd",        ".got.jpg.Part-Ab12Cd",  "holiday.jpg", "..dawn_higres.jpg.download.part-x1Y2z3"};
    for (const std::string& n : stale) h.put("img/" + n, "left behind");
    for (const std::string& n : kept) h.put("img/" + n, "the user's");
    std::filesystem::create_directory(h.pf / "img/.album.part-Ab12Cd");
    std::filesystem::create_symlink(h.pf / "img/holiday.jpg", h.pf / "img/.link.part-Ab12Cd");

    download(fast.url("/pelloria/gallery/murlo-cache/sea/boats/dawn_800.jpg"));
    EXPECT_TRUE(form->completed);
    std::vector<std::string> expected = kept;
    expected.insert(expected.end(), {".album.part-Ab12Cd", ".link.part-Ab12Cd", "got.jpg", running()});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(folder(), expected);
}

// A folder is shared with the user and with other copies of the program: a start removes only
// leftovers of the name it is about to write, and of those only the ones no one holds locked, as
// a transfer holds its part file for as long as it writes it.
TEST_F(Net, AStartLeavesOtherNamesAndPartFilesStillBeingWritten) {
    Gallery slow(logDir / "slow.log", {"--slow", "30000"});
    Gallery fast(logPath());
    h.put("img/.thesis.part-draft2", "the user's");
    h.put("img/.got.jpg.part-Lk34Ef", "being written");
    const int held = ::open((h.pf / "img/.got.jpg.part-Lk34Ef").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);  // as a second copy writing it would
    h.put("img/.got.jpg.part-St56Gh", "left behind");
    // A second copy of the program, its own transfers, downloading the same name.
    std::optional<CurlTransfers> second(std::in_place, h.loop, h.fs, nullptr, quick());
    second->start(form->Transfer2, form->target, slow.url("/pelloria/gallery/murlo-albums/sea/boats/dawn.jpg"));
    auto secondsPart = [&] {
        for (const std::string& n : folder())
            if (n.rfind(".got.jpg.part-", 0) == 0 && n != ".got.jpg.part-Lk34Ef" && n != ".got.jpg.part-St56Gh")
                return n;
        return std::string();
    };
    ASSERT_TRUE(runUntil(h.loop, [&] { return !secondsPart().empty(); }));
    const std::string live = secondsPart();

    download(fast.url("/pelloria/gallery/murlo-cache/sea/boats/dawn_800.jpg"));
    EXPECT_TRUE(form->completed);
    std::vector<std::string> expected = {".thesis.part-draft2", ".got.jpg.part-Lk34Ef", live, "got.jpg"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(folder(), expected);
    EXPECT_EQ(h.file("img/.got.jpg.part-Lk34Ef"), "being written");
    ::close(held);
    second.reset();
    EXPECT_FALSE(std::filesystem::exists(h.pf / ("img/" + live))) << "the second copy removes its own when it stops";
}

TEST_F(Net, TheBrowserStandInRequestsEachPageAndReportsBeginAndComplete) {
    Gallery g(logPath());
    const std::string news = "/pelloria/gallery/portal_news.htm";
    form->Browser1.Navigate(g.url(news));
    ASSERT_TRUE(runUntil(h.loop, [&] { return form->trace == "begin complete "; })) << form->trace;
    EXPECT_EQ(form->Browser1.LocationURL(), g.url(news));
    form->Browser1.Refresh();
    ASSERT_TRUE(runUntil(h.loop, [&] { return g.requestsFor(news) == 2; }));
    const std::string album = "/pelloria/gallery/index.php?album=sea%2Fboats%2F&pic=dawn.jpg";
    form->Browser1.Navigate(g.url(album));
    ASSERT_TRUE(runUntil(h.loop, [&] { return form->Browser1.LocationURL() == g.url(album); }));
    EXPECT_EQ(g.requestsFor(album), 1) << "the address reaches the server as written";
    form->Browser1.GoBack();
    ASSERT_TRUE(runUntil(h.loop, [&] { return form->Browser1.LocationURL() == g.url(news); }));
}

TEST_F(Net, OnlyWebAddressesAreFetchedWhetherGivenOrRedirectedTo) {
    RawServer ftp([](RawServer&, int) {});  // what connects here left the web
    const std::string elsewhere = ftp.url("ftp", "/pub/dawn.jpg");
    RawServer redirect([&elsewhere](RawServer&, int fd) {
        if (RawServer::readHead(fd))
            RawServer::send(fd,
                            "HTTP/1.1 302 Found\r\nLocation: " + elsewhere + "\r\nContent-Length: 0\r\n\r\n");
    });
    h.put("secret.txt", "private");
    const std::string local = "file://" + (h.pf / "secret.txt");
    const std::string urls[] = {elsewhere, redirect.url("http", "/dawn.jpg"), local};

    CurlInternet inet(quick());
    for (const std::string& url : urls) EXPECT_THROW(inet.openURL(url), Error) << url;

    h.put("img/got.jpg", "old");
    for (const std::string& url : urls) {
        form->errors = 0;
        form->completed = false;
        download(url);
        EXPECT_EQ(form->errors, 1) << url;
        EXPECT_TRUE(h.file("img/got.jpg") == "old") << "the earlier file stays: " << url;
    }

    form->Browser1.Navigate(redirect.url("http", "/news.htm"));
    ASSERT_TRUE(runUntil(h.loop, [&] { return form->trace == "begin complete "; })) << form->trace;
    EXPECT_EQ(redirect.connections(), 3);
    EXPECT_EQ(ftp.connections(), 0);
}

// What a fetch brought is kept for a later rendering only when it is all there: a body past the
// cap or a failed fetch leaves nothing to show, and the address asked for to navigate to.
TEST_F(Net, TheBrowserStandInKeepsAWholeDocumentOnly) {
    Gallery g(logPath());
    Gallery huge(logDir / "huge.log", {"--oversize", "300000"});
    CurlPageFetcher keeper{h.loop, quick(), 64 << 10};
    WebBrowser& b = form->Browser1;
    auto fetch = [&](const std::string& url) -> const CurlPageFetcher::Document* {
        keeper.navigate(b, url);
        EXPECT_EQ(keeper.document(b), nullptr) << "a document while the fetch runs";
        EXPECT_TRUE(runUntil(h.loop, [&] { return !keeper.fetching(b); })) << url;
        return keeper.document(b);
    };
    const std::string news = g.url("/pelloria/gallery/portal_news.htm");
    const CurlPageFetcher::Document* d = fetch(news);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->whole);
    EXPECT_EQ(d->location, news);
    EXPECT_EQ(d->contentType.rfind("text/html", 0), 0u) << d->contentType;
    EXPECT_NE(d->body.find("<title>Vantry news</title>"), std::string::npos);

    d = fetch(huge.url("/vantry_version_number.js", "site"));
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->whole) << "a body past the cap";
    EXPECT_EQ(d->location, huge.url("/vantry_version_number.js", "site"));

    const std::string down =
        "http://www.vantry-gallery.localhost:" + std::to_string(vantry::test::closedPort()) + "/";
    d = fetch(down);
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->whole);
    EXPECT_EQ(d->location, "");
    EXPECT_EQ(d->url, down);
    keeper.forget(b);
}

}  // namespace

namespace {

// The whole program's news loading against the gallery: requested during the main window's
// load, not again while online, again after the connection came back.
TEST(NetProgram, TheNewsPageIsRequestedOncePerOnlinePeriod) {
    TempDir logDir;
    Gallery g(logDir / "gallery.log");
    ASSERT_GT(g.port(), 0);
    Harness h;
    std::filesystem::copy(
        std::string(VANTRY_SOURCE_DIR) + "/data", h.pf.path(),
        std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(h.pf / "CONNECT.TMP");
    h.put("HOSTS.CFG", "gallery=" + g.host() + "\r\nsite=" + g.host("site") + "\r\n");
    h.programs.programs["fresco.exe"] = {0, 0};
    CurlPageFetcher pages{h.loop};
    Services s{&h.fs,   &h.dialogs, &h.loop, &h.system, &h.programs, &h.wallpaper,
               &h.tray, &h.log,     &pages,  nullptr,   nullptr};
    auto app = std::make_unique<App>(s);
    h.loop.setApp(app.get());
    vantry::registerForms(*app);
    vantry::startProgram(*app);
    const std::string news = "/pelloria/gallery/portal_news.htm";
    ASSERT_TRUE(runUntil(h.loop, [&] { return g.requestsFor(news) == 1; })) << "no request during the load";
    h.loop.advance(9000);
    h.system.isOnline = false;
    h.loop.advance(3000);
    h.system.isOnline = true;
    h.loop.advance(3000);
    ASSERT_TRUE(runUntil(h.loop, [&] { return g.requestsFor(news) == 2; }));
    h.loop.advance(6000);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(g.requestsFor(news), 2);
    app.reset();
    h.loop.setApp(h.app.get());
}

}  // namespace
