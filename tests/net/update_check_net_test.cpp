// The update-check window against the demo gallery's version document, fetched for real.
#include <gtest/gtest.h>

#include <filesystem>

#include "../unit/harness.h"
#include "gallery_fixture.h"
#include "platform/curl/curl_online.h"
#include "shell/fresco.h"
#include "shell/program.h"

using namespace vb;
using vantry::test::Gallery;
using vantry::test::Harness;
using vantry::test::TempDir;

namespace {

// The program on the headless doubles, with the real internet transfer, its site host the
// gallery's; the update-check window shown.
struct Program {
    Harness h;
    CurlInternet internet;
    std::unique_ptr<App> app;

    Program(const std::string& siteHost, CurlLimits limits = {}) : internet(limits) {
        std::filesystem::copy(
            std::string(VANTRY_SOURCE_DIR) + "/data", h.pf.path(),
            std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
        std::filesystem::remove(h.pf / "CONNECT.TMP");
        h.put("HOSTS.CFG", "site=" + siteHost + "\r\n");
        h.programs.programs["fresco.exe"] = {0, 0};
        Services s{&h.fs,   &h.dialogs, &h.loop, &h.system, &h.programs, &h.wallpaper,
                   &h.tray, &h.log,     nullptr, nullptr,   &internet};
        app = std::make_unique<App>(s);
        h.loop.setApp(app.get());
        vantry::registerForms(*app);
        vantry::startProgram(*app);
        h.loop.advance(6000);
        h.dialogs.shown.clear();
        app->deliver([&] { fresco().Show(); });
    }
    ~Program() {
        app.reset();
        h.loop.setApp(h.app.get());
    }
    vantry::Fresco& fresco() { return app->form<vantry::Fresco>(); }
    void query() {
        app->deliver([&] { fresco().Command1_Click(); });
    }
};

TEST(NetUpdateCheck, TheGallerysVersionIsTheRunningOneSoTheProgramIsUpToDate) {
    TempDir logDir;
    Gallery g(logDir / "gallery.log");
    ASSERT_GT(g.port(), 0);
    Program p(g.host("site"));
    p.query();
    EXPECT_TRUE(p.h.dialogs.shown.empty());
    EXPECT_EQ(p.fresco().lbl_RemoteVersion.Caption(), "3.5.2006");
    EXPECT_TRUE(p.fresco().cmd_Close.Visible());
    EXPECT_FALSE(p.fresco().cmd_PageProduct.Visible());
    EXPECT_FALSE(p.fresco().Command1.Enabled());
    // The gallery logs a request after answering it: wait for the line, then count.
    EXPECT_TRUE(
        vantry::test::runUntil(p.h.loop, [&] { return g.requestsFor("/vantry_version_number.js") > 0; }));
    EXPECT_EQ(g.requestsFor("/vantry_version_number.js"), 1);
}

TEST(NetUpdateCheck, AnErrorPageASlowSiteOrNoSiteWarnsAndLeavesTheWindowAsItWas) {
    TempDir logDir;
    Gallery failing(logDir / "fail.log", {"--status", "500"});
    Gallery slow(logDir / "slow.log", {"--slow", "30000"});
    ASSERT_GT(failing.port(), 0);
    ASSERT_GT(slow.port(), 0);
    CurlLimits quick;
    quick.fetchTimeoutMs = 1500;
    const std::string down = "vantry-site.localhost:" + std::to_string(vantry::test::closedPort());
    // The error page is an answer that holds no version: its slice is shown, then warned about;
    // a fetch that failed leaves the caption as it was.
    const struct {
        std::string site, shown;
    } rows[] = {{failing.host("site"), "/body></"}, {slow.host("site"), "-"}, {down, "-"}};
    for (const auto& [site, shown] : rows) {
        Program p(site, quick);
        p.query();
        ASSERT_EQ(p.h.dialogs.shown.size(), 1u) << site;
        EXPECT_EQ(p.h.dialogs.shown[0].prompt.rfind("(225)The version check failed.", 0), 0u) << site;
        EXPECT_EQ(p.h.dialogs.shown[0].style, 48);
        EXPECT_EQ(p.fresco().lbl_RemoteVersion.Caption(), shown) << site;
        EXPECT_TRUE(p.fresco().Command1.Enabled()) << site;
        EXPECT_FALSE(p.fresco().cmd_Close.Visible()) << site;
    }
}

}  // namespace
