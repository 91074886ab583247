// The whole program's picture download over libcurl against the demo gallery: the picture lands
// under its final name with the download counted, and a transfer cut in the middle or an error
// page in the picture's place leaves an earlier download of the same name as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "../unit/harness.h"
#include "gallery_fixture.h"
#include "online/download_wizard.h"
#include "online/my_explorer.h"
#include "platform/curl/curl_online.h"
#include "shell/main_form.h"
#include "shell/program.h"

using namespace vb;
using vantry::test::Gallery;
using vantry::test::Harness;
using vantry::test::runUntil;
using vantry::test::TempDir;

namespace {

struct Program {
    Harness h;
    CurlTransfers transfers{h.loop, h.fs};
    CurlInternet internet;
    CurlPageFetcher pages{h.loop};
    std::unique_ptr<App> app;

    explicit Program(const Gallery& g) {
        std::filesystem::copy(
            std::string(VANTRY_SOURCE_DIR) + "/data", h.pf.path(),
            std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
        std::filesystem::remove(h.pf / "CONNECT.TMP");
        h.put("HOSTS.CFG", "gallery=" + g.host() + "\r\nsite=" + g.host("site") + "\r\n");
        h.programs.programs["fresco.exe"] = {0, 0};
        app = std::make_unique<App>(Services{&h.fs, &h.dialogs, &h.loop, &h.system, &h.programs, &h.wallpaper,
                                             &h.tray, &h.log, &pages, &transfers, &internet});
        h.loop.setApp(app.get());
        vantry::registerForms(*app);
        vantry::startProgram(*app);
        h.loop.advance(6000);
    }
    ~Program() {
        app.reset();
        h.loop.setApp(h.app.get());
    }
    // The picture recognised and the wizard prepared by the explorer's download button.
    void prepare(const std::string& album, const std::string& name) {
        app->deliver([&] {
            auto& e = app->form<vantry::MyExplorer>();
            e.Text2.setText(album);
            e.Text3.setText(name);
            e.Show();
            e.CB_Download_Click();
        });
    }
    // The same, then high resolution chosen.
    void downloadHigh(const std::string& album, const std::string& name) {
        prepare(album, name);
        app->deliver([&] { wizard().Command7_Click(); });
    }
    vantry::Main& main() { return app->form<vantry::Main>(); }
    vantry::Download_Wizard& wizard() { return app->form<vantry::Download_Wizard>(); }
};

TEST(NetDownload, HighResolutionLandsAndIsCounted) {
    TempDir logDir;
    Gallery g(logDir / "gallery.log");
    ASSERT_GT(g.port(), 0);
    Program p(g);
    p.downloadHigh("sea/boats", "dawn.jpg");
    ASSERT_TRUE(runUntil(p.h.loop, [&] { return p.main().Timer2.Enabled(); })) << "no completion";
    EXPECT_TRUE(p.h.fs.fileExists(p.h.pf / "img/dawn_higres.jpg"));
    EXPECT_TRUE(runUntil(p.h.loop, [&] {
        return g.requestsFor("/utils/pelloria/counter/download.php?id=dawn_high.jpg") == 1;
    }));
    EXPECT_TRUE(p.h.fs.fileExists(p.h.pf / "temp.jpg"));
    p.h.loop.advance(10000);
    EXPECT_EQ(p.h.wallpaper.set.size(), 1u);
    EXPECT_TRUE(p.main().Options.Visible());
    EXPECT_TRUE(p.h.dialogs.shown.empty());
}

TEST(NetDownload, ACutTransferOrAnErrorPageKeepsTheEarlierPicture) {
    const struct {
        std::vector<std::string> flags;
        const char* prompt;
    } rows[] = {{{"--cut"}, "(92) "}, {{"--status", "500"}, "(500)"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.flags[0]);
        TempDir logDir;
        std::vector<std::string> flags = r.flags;
        flags.insert(flags.end(), {"--only", "/pelloria/gallery/murlo-albums"});
        Gallery g(logDir / "gallery.log", flags);
        ASSERT_GT(g.port(), 0);
        Program p(g);
        p.h.put("img/dawn_higres.jpg", "earlier download");
        p.downloadHigh("sea/boats", "dawn.jpg");
        ASSERT_TRUE(runUntil(p.h.loop, [&] { return !p.h.dialogs.shown.empty(); })) << "no message";
        EXPECT_NE(p.h.dialogs.shown[0].prompt.find(r.prompt), std::string::npos)
            << p.h.dialogs.shown[0].prompt;
        EXPECT_EQ(p.h.file("img/dawn_higres.jpg"), "earlier download");
        std::vector<std::string> names;
        for (auto& e : std::filesystem::directory_iterator(p.h.pf / "img"))
            if (e.path().filename().string().front() == '.') names.push_back(e.path().filename().string());
        EXPECT_TRUE(names.empty()) << "a temporary file was left: " << names.front();
        EXPECT_TRUE(p.main().Options.Visible());
        EXPECT_EQ(p.main().ProgressBar1.Width(), 0);
    }
}

// The counter host answering with its error page: the page is the answer, too long for a count,
// so both boxes show "-" rather than the counts of the picture before.
TEST(NetDownload, ACounterErrorPageShowsADashNotTheEarlierCount) {
    TempDir logDir;
    Gallery g(logDir / "gallery.log", {"--status", "500", "--only", "/utils/pelloria/counter/dcount"});
    ASSERT_GT(g.port(), 0);
    Program p(g);
    p.app->deliver([&] {
        p.wizard().txt_DownloadCounter_Low.setText("3");
        p.wizard().txt_DownloadCounter_High.setText("0");
    });
    p.prepare("sea/boats", "dawn.jpg");
    EXPECT_EQ(p.wizard().txt_DownloadCounter_Low.Text(), "-");
    EXPECT_EQ(p.wizard().txt_DownloadCounter_High.Text(), "-");
    EXPECT_TRUE(p.h.dialogs.shown.empty());
}

}  // namespace
