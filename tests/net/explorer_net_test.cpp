// The gallery explorer against the demo gallery over real HTTP: the links of the gallery's own
// pages lead the address watcher to the albums and pictures they name, and the e-card action's
// request reaches the site naming the web-size picture.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "../unit/harness.h"
#include "gallery_fixture.h"
#include "online/my_ecards.h"
#include "online/my_explorer.h"
#include "platform/curl/curl_online.h"
#include "shell/main_form.h"
#include "shell/program.h"

using namespace vb;
using vantry::MyExplorer;
using vantry::test::Gallery;
using vantry::test::Harness;
using vantry::test::runUntil;
using vantry::test::TempDir;

namespace {

// The targets of a page's links, in order.
std::vector<std::string> links(const std::string& html) {
    std::vector<std::string> out;
    const std::regex href("href=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), href); it != std::sregex_iterator(); ++it)
        out.push_back((*it)[1]);
    return out;
}

// The web-size bitmaps are larger than a document fetch normally takes.
CurlLimits bigDocuments() {
    CurlLimits l;
    l.fetchCapBytes = 64 << 20;
    return l;
}

struct ExplorerNet : ::testing::Test {
    TempDir logDir;
    Gallery g{logDir / "gallery.log"};
    Harness h;
    CurlPageFetcher pages{h.loop};
    CurlInternet inet{bigDocuments()};
    std::unique_ptr<App> app;

    ExplorerNet() {
        std::filesystem::copy(
            std::string(VANTRY_SOURCE_DIR) + "/data", h.pf.path(),
            std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
        std::filesystem::remove(h.pf / "CONNECT.TMP");
        h.put("HOSTS.CFG", "gallery=" + g.host() + "\r\nsite=" + g.host("site") +
                               "\r\nsecure=" + g.host("secure") + "\r\nphone=" + g.host("phone") + "\r\n");
        h.programs.programs["fresco.exe"] = {0, 0};
        Services s{&h.fs,   &h.dialogs, &h.loop, &h.system, &h.programs, &h.wallpaper,
                   &h.tray, &h.log,     &pages,  nullptr,   &inet};
        app = std::make_unique<App>(s);
        h.loop.setApp(app.get());
        vantry::registerForms(*app);
        vantry::startProgram(*app);
        h.loop.advance(10000);
    }
    ~ExplorerNet() override {
        app.reset();
        h.loop.setApp(h.app.get());
    }
    MyExplorer& explorer() { return app->form<MyExplorer>(); }
    // Follows a link as the user's click would, and lets the watcher look at the page.
    void follow(const std::string& target) {
        const std::string url = "http://www." + g.host() + target;
        app->deliver([&] { explorer().WebBrowser1.Navigate(url); });
        ASSERT_TRUE(runUntil(h.loop, [&] { return explorer().WebBrowser1.LocationURL() == url; })) << url;
        h.loop.advance(2000);
    }
    std::string page(const std::string& target) { return inet.openURL("http://www." + g.host() + target); }
};

TEST_F(ExplorerNet, TheGallerysOwnLinksLeadTheWatcherToAlbumsAndPictures) {
    ASSERT_GT(g.port(), 0);
    app->deliver([&] { app->form<vantry::Main>().Start_Pelloria(); });
    ASSERT_TRUE(runUntil(h.loop, [&] { return g.requestsFor("/pelloria/gallery/counter.php") == 1; }));
    const auto albums = links(page("/pelloria/gallery/index.htm"));
    ASSERT_GE(albums.size(), 3u);
    int pictures = 0, closedAlbums = 0;
    for (const std::string& album : albums) {
        SCOPED_TRACE(album);
        follow(album);
        const std::string path = explorer().Text2.Text();
        EXPECT_FALSE(path.empty());
        EXPECT_EQ(path.find("%2F"), std::string::npos);
        const bool closed = path.rfind("Pello", 0) == 0;
        closedAlbums += closed;
        EXPECT_EQ(explorer().CB_Upload.Enabled(), !closed);
        EXPECT_FALSE(explorer().CB_Download.Enabled());
        for (const std::string& picture : links(page(album))) {
            SCOPED_TRACE(picture);
            follow(picture);
            ++pictures;
            EXPECT_EQ(explorer().Text2.Text(), path);
            EXPECT_TRUE(explorer().CB_eCards.Enabled());
            EXPECT_TRUE(explorer().CB_To_Mobile.Enabled());
            EXPECT_TRUE(explorer().CB_Download.Enabled());
            EXPECT_EQ(explorer().CB_Upload.Enabled(), !closed);
            // The web-size picture the actions name is one the gallery serves.
            const std::string& file = explorer().Text3.Text();
            const std::string web = "/pelloria/gallery/murlo-cache/" + path + "/" +
                                    file.substr(0, file.size() - 4) + "_800." + file.substr(file.size() - 3);
            const std::string served = page(web);
            EXPECT_TRUE(served.rfind("\xFF\xD8\xFF", 0) == 0 || served.rfind("GIF8", 0) == 0 ||
                        served.rfind("BM", 0) == 0)
                << web;
        }
    }
    EXPECT_GE(pictures, 5);
    EXPECT_EQ(closedAlbums, 1);
    EXPECT_EQ(explorer().lbl_NetStatus.ToolTipText(), "You are on the Vantry gallery site.");
}

TEST_F(ExplorerNet, TheECardPageIsAskedForTheWebSizePicture) {
    ASSERT_GT(g.port(), 0);
    app->deliver([&] { app->form<vantry::Main>().Start_Pelloria(); });
    follow("/pelloria/gallery/index.php?album=sea%2Fboats%2F&pic=harbour.gif");
    ASSERT_TRUE(explorer().CB_eCards.Enabled());
    app->deliver([&] { explorer().CB_eCards.Click(); });
    const std::string target = "/utils/pelloria/ecards/index.php?picture=http://www." + g.host() +
                               "/pelloria/gallery/murlo-cache/sea/boats/harbour_800.gif";
    ASSERT_TRUE(runUntil(h.loop, [&] { return g.requestsFor(target) == 1; }));
    ASSERT_TRUE(runUntil(h.loop, [&] { return !app->form<vantry::MyeCards>().lbl_URL.Caption().empty(); }));
    EXPECT_EQ(app->form<vantry::MyeCards>().lbl_URL.Caption(), "http://www." + g.host("site") + target);
}

}  // namespace
