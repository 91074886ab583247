// The online components' model and their headless doubles: the event order a transfer promises,
// cancelling and forgetting, browser history; and reading "HOSTS.CFG".
#include <gtest/gtest.h>

#include "harness.h"
#include "online/hosts.h"
#include "platform/base/error.h"
#include "platform/model/form.h"
#include "platform/model/online.h"

using namespace vb;
using vantry::test::Harness;

namespace {

class NetForm : public Form {
public:
    static constexpr const char* kName = "NetForm";
    explicit NetForm(App& a) : Form(a, kName) {
        Transfer1.TransferProgress = [this](int, std::int64_t total, std::int64_t done, int) {
            trace.push_back("progress " + std::to_string(done) + "/" + std::to_string(total) +
                            (fileThere() ? " file" : ""));
        };
        Transfer1.TransferError = [this](int code, const std::string&) {
            trace.push_back("error " + std::to_string(code));
        };
    }
    bool fileThere() const { return app().fs().fileExists(target); }
    WebBrowser Browser1{this, "Browser1"};
    FileTransfer Transfer1{this, "Transfer1"};
    InternetTransfer Inet1{this, "Inet1"};
    std::vector<std::string> trace;
    std::string target;
};

struct OnlineComponentsTest : ::testing::Test {
    Harness h;
    NetForm* form = nullptr;
    OnlineComponentsTest() {
        h.app->registerForm<NetForm>();
        form = &h.app->form<NetForm>();
        form->target = h.pf / "got.jpg";
    }
    ScriptedTransfers& transfers() { return h.platform.transfers; }
};

TEST_F(OnlineComponentsTest, DeliveryReportsFourTimesAndTheFileIsThereOnlyAtTheLast) {
    transfers().scripts["http://x/a.jpg"] = {ScriptedTransfers::Script::Deliver, std::string(400, 'j'), 0};
    form->Transfer1.StartDownload(form->target, "http://x/a.jpg");
    EXPECT_TRUE(form->trace.empty()) << "events never fire inside the call";
    for (int i = 0; i < 4; ++i) h.loop.advance(1);
    EXPECT_EQ(form->trace, (std::vector<std::string>{"progress 100/400", "progress 200/400",
                                                     "progress 300/400", "progress 400/400 file"}));
    EXPECT_EQ(h.file("got.jpg"), std::string(400, 'j'));
    h.loop.advance(100);
    EXPECT_EQ(form->trace.size(), 4u) << "nothing after completion";
}

TEST_F(OnlineComponentsTest, FailuresEndWithOneErrorAndLeaveTheOldFile) {
    h.put("got.jpg", "old");
    form->Transfer1.StartDownload(form->target, "http://x/unlisted.jpg");
    transfers().scripts["http://x/e.jpg"] = {ScriptedTransfers::Script::Fail, "", 500};
    h.loop.advance(0);
    form->Transfer1.StartDownload(form->target, "http://x/e.jpg");
    h.loop.advance(10);
    EXPECT_EQ(form->trace, (std::vector<std::string>{"error 404", "error 500"}));
    EXPECT_EQ(h.file("got.jpg"), "old");
}

TEST_F(OnlineComponentsTest, CancelReportsInterruptedOnceAndARestartReplacesTheRunningOneSilently) {
    transfers().scripts["http://x/h.jpg"] = {ScriptedTransfers::Script::Hold, "", 0};
    form->Transfer1.StartDownload(form->target, "http://x/h.jpg");
    form->Transfer1.CancelTransfer();
    form->Transfer1.CancelTransfer();  // nothing running any more
    EXPECT_FALSE(transfers().finish("http://x/h.jpg", "late")) << "a cancelled transfer cannot finish";
    h.loop.advance(0);
    EXPECT_EQ(form->trace, (std::vector<std::string>{"error 10004"}));

    // Replaced by a new start: only the new transfer is heard of.
    form->trace.clear();
    form->Transfer1.StartDownload(form->target, "http://x/h.jpg");
    transfers().scripts["http://x/a.jpg"] = {ScriptedTransfers::Script::Deliver, "abcd", 0};
    form->Transfer1.StartDownload(form->target, "http://x/a.jpg");
    EXPECT_FALSE(transfers().running("http://x/h.jpg"));
    h.loop.advance(10);
    EXPECT_EQ(form->trace, (std::vector<std::string>{"progress 1/4", "progress 2/4", "progress 3/4",
                                                     "progress 4/4 file"}));

    // Cancelled, then started again before the loop turned: the cancel is still reported.
    form->trace.clear();
    form->target = h.pf / "again.jpg";
    form->Transfer1.StartDownload(form->target, "http://x/h.jpg");
    form->Transfer1.CancelTransfer();
    form->Transfer1.StartDownload(form->target, "http://x/a.jpg");
    h.loop.advance(10);
    EXPECT_EQ(form->trace, (std::vector<std::string>{"error 10004", "progress 1/4", "progress 2/4",
                                                     "progress 3/4", "progress 4/4 file"}));
}

TEST_F(OnlineComponentsTest, HeldTransfersEndOnRequestAndAnUnloadedFormHearsNothing) {
    transfers().scripts["http://x/h.jpg"] = {ScriptedTransfers::Script::Hold, "", 0};
    form->Transfer1.StartDownload(form->target, "http://x/h.jpg");
    h.loop.advance(1000);
    EXPECT_TRUE(form->trace.empty());
    EXPECT_TRUE(transfers().finish("http://x/h.jpg", "done"));
    h.loop.advance(0);
    EXPECT_EQ(form->trace, (std::vector<std::string>{"progress 4/4 file"}));

    form->Transfer1.StartDownload(h.pf / "other.jpg", "http://x/h.jpg");
    form->Transfer1.CancelTransfer();
    h.app->deliver([&] { form->Unload(); });
    h.loop.advance(10);  // the Interrupted event of a forgotten control must not run
    EXPECT_FALSE(transfers().running("http://x/h.jpg"));
    EXPECT_EQ(h.platform.requests.size(), 2u);
}

TEST_F(OnlineComponentsTest, BrowserHistoryAndTheRequestLog) {
    WebBrowser& b = form->Browser1;
    EXPECT_EQ(b.LocationURL(), "");
    b.GoBack();  // nothing to go back to
    b.Navigate("http://a/1");
    b.Navigate("http://a/2");
    b.GoBack();
    EXPECT_EQ(b.LocationURL(), "http://a/1");
    b.Navigate("http://a/3");  // drops the forward history
    b.GoForward();
    EXPECT_EQ(b.LocationURL(), "http://a/3");
    b.GoBack();
    b.GoBack();
    EXPECT_EQ(b.LocationURL(), "http://a/1");
    b.Refresh();
    EXPECT_EQ(h.platform.browsers.navigations.size(), 3u);
    EXPECT_EQ(h.platform.requests,
              (std::vector<std::string>{"http://a/1", "http://a/2", "http://a/3", "http://a/1"}));
}

TEST_F(OnlineComponentsTest, OpenURLAnswersFromItsTableAndFailsOtherwise) {
    h.platform.internet.answers["http://v/doc"] = std::string("body");
    h.platform.internet.answers["http://v/bad"] = std::nullopt;
    form->Inet1.URL = "http://v/doc";
    EXPECT_EQ(form->Inet1.OpenURL(), "body");
    for (const char* url : {"http://v/bad", "http://v/none"}) {
        try {
            form->Inet1.OpenURL(url);
            ADD_FAILURE() << url << " answered";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), err::InetFailed);
        }
    }
}

TEST(OnlineComponentsNoService, ControlsFailCleanlyWithoutTheirServices) {
    App app{Services{}};
    app.registerForm<NetForm>();
    NetForm& f = app.form<NetForm>();
    EXPECT_THROW(f.Browser1.Navigate("http://a/"), Error);
    EXPECT_THROW(f.Transfer1.StartDownload("/tmp/x", "http://a/"), Error);
    EXPECT_THROW(f.Inet1.OpenURL("http://a/"), Error);
    std::string loc;
    EXPECT_TRUE(f.Browser1.getProperty("LocationURL", loc));
    EXPECT_EQ(loc, "");
}

// ---- HOSTS.CFG ----

TEST(HostsFile, DefaultsPointAtTheDemoGallery) {
    const vantry::Hosts h;
    EXPECT_EQ(h.galleryAddress("/pelloria/gallery/portal_news.htm"),
              "http://www.vantry-gallery.localhost:8642/pelloria/gallery/portal_news.htm");
    EXPECT_EQ(h.site, "vantry-site.localhost:8642");
    EXPECT_EQ(h.secure, "vantry-secure.localhost:8642");
    EXPECT_EQ(h.phone, "vantry-phone.localhost:8642");
}

TEST(HostsFile, BlankUnknownAndMalformedLinesAreIgnored) {
    struct Row {
        const char* text;
        const char* gallery;
        const char* site;
    };
    const Row rows[] = {
        {"", "vantry-gallery.localhost:8642", "vantry-site.localhost:8642"},
        {"gallery=g.example\r\nsite=s.example\r\n", "g.example", "s.example"},
        {"gallery=g.example\nsite=s.example", "g.example", "s.example"},  // lone LF, no last end
        {"\r\n   \r\n\tgallery = g.example \r\n", "g.example", "vantry-site.localhost:8642"},
        {"colour=blue\r\ngallery\r\n=g.example\r\nsite=\r\n", "vantry-gallery.localhost:8642",
         "vantry-site.localhost:8642"},
        {"GALLERY=g1\rGallery=g2\r", "g2", "vantry-site.localhost:8642"},  // lone CR; later wins
        {"site=a=b\r\n", "vantry-gallery.localhost:8642", "a=b"},
    };
    for (const Row& r : rows) {
        const vantry::Hosts h = vantry::parseHosts(r.text);
        EXPECT_EQ(h.gallery, r.gallery) << r.text;
        EXPECT_EQ(h.site, r.site) << r.text;
    }
}

TEST(HostsFile, ReadFromTheProgramFolderWhateverTheCurrentDirectory) {
    Harness h;
    EXPECT_EQ(vantry::readHosts(h.fs, h.pf.path()).gallery, "vantry-gallery.localhost:8642");
    h.put("hosts.cfg", "phone=p.example\r\n");  // letter case of the name does not matter
    ::chdir(h.windir.path().c_str());
    EXPECT_EQ(vantry::readHosts(h.fs, h.pf.path()).phone, "p.example");
}

}  // namespace
