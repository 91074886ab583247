// The download wizard and the picture download, driven headless: the names and addresses built
// from a gallery picture, the counters and thumbnail of the wizard, a whole download to the
// applied wallpaper, and the ways a download can go wrong (bad names, error answers, cancel,
// a server that sends a page instead of the picture), each leaving the library as it was.
#include <gtest/gtest.h>

#include "harness.h"
#include "online/download_names.h"
#include "online/download_wizard.h"
#include "online/my_explorer.h"
#include "platform/pictures/picture.h"
#include "shell/main_form.h"
#include "testkit/scenario_support.h"

using namespace vantry;
using vantry::test::Harness;

namespace {

const std::string kGallery = "http://www.vantry-gallery.localhost:8642";
const std::string kSite = "http://www.vantry-site.localhost:8642";
const std::string kThumb = kGallery + "/pelloria/gallery/murlo-cache/sea/boats/dawn_thumb_135.jpg";
const std::string kHigh = kGallery + "/pelloria/gallery/murlo-albums/sea/boats/dawn.jpg";
const std::string kLow = kGallery + "/pelloria/gallery/murlo-cache/sea/boats/dawn_800.jpg";

std::string jpeg(int w, int h) {
    auto bytes = vb::scenario::pictureFile("jpg", w, h, 0);
    return std::string(bytes.begin(), bytes.end());
}

std::string languageFile() {
    std::string s;
    for (int n = 0; n < 353; ++n) s += "s" + std::to_string(n) + "\r\n";
    return s;
}

struct Download : Harness {
    Download() {
        put("LANGUAGE.DRV", languageFile());
        put("notavailable.jpg", jpeg(20, 10));
        put("notavailable_1.jpg", jpeg(30, 10));
        programs.programs["fresco.exe"] = {};
        start();
        loop.advance(10000);
    }
    Main& main() { return app->form<Main>(); }
    Download_Wizard& wizard() { return app->form<Download_Wizard>(); }
    // What the address watcher would have recognised on a picture page.
    void recognise(const std::string& album, const std::string& name) {
        app->deliver([&] {
            MyExplorer& e = app->form<MyExplorer>();
            e.Text2.setText(album);
            e.Text3.setText(name);
        });
    }
    void counters(const std::string& code, const std::string& low, const std::string& high) {
        platform.internet.answers[kSite + "/utils/pelloria/counter/dcount/" + code + "_low.jpg.txt"] = low;
        platform.internet.answers[kSite + "/utils/pelloria/counter/dcount/" + code + "_high.jpg.txt"] = high;
    }
    void deliver(const std::string& url, const std::string& bytes) {
        platform.transfers.scripts[url] = {vb::ScriptedTransfers::Script::Deliver, bytes, 0};
    }
    void hold(const std::string& url) {
        platform.transfers.scripts[url] = {vb::ScriptedTransfers::Script::Hold, "", 0};
    }
    // The explorer's download button, as the user presses it.
    void openWizard() {
        app->deliver([&] { app->form<MyExplorer>().CB_Download_Click(); });
    }
    void choose(bool low) {
        app->deliver([&] { low ? wizard().Command6_Click() : wizard().Command7_Click(); });
    }
    std::vector<std::string> prompts() {
        std::vector<std::string> p;
        for (auto& m : dialogs.shown) p.push_back(m.prompt);
        dialogs.shown.clear();
        return p;
    }
    bool requested(const std::string& url) const {
        return std::find(platform.requests.begin(), platform.requests.end(), url) != platform.requests.end();
    }
    std::vector<std::string> rows() {
        std::vector<std::string> r;
        for (auto& row : main().ListView1.rows()) r.push_back(row.text);
        return r;
    }
};

TEST(DownloadNames, AddressesAndLocalNamesFollowTheGalleryPicture) {
    const Hosts h;
    EXPECT_EQ(pictureAddress(h, "sea/boats", "dawn", "jpg", true), kLow);
    EXPECT_EQ(pictureAddress(h, "sea/boats", "dawn", "png", false),
              kGallery + "/pelloria/gallery/murlo-albums/sea/boats/dawn.png");
    EXPECT_EQ(downloadCounterAddress(h, "dawn", true),
              kSite + "/utils/pelloria/counter/download.php?id=dawn_low.jpg");
    EXPECT_EQ(downloadCounterAddress(h, "dawn", false),
              kSite + "/utils/pelloria/counter/download.php?id=dawn_high.jpg");
    EXPECT_EQ(downloadedPictureName("dawn", true), "dawn_lowres.jpg");
    EXPECT_EQ(downloadedPictureName("dawn", false), "dawn_higres.jpg");  // whatever the remote extension
    EXPECT_EQ(downloadedPictureName("", true), "_lowres.jpg");
    EXPECT_EQ(thumbnailAddress(h, "sea/boats", "dawn", "gif"),
              kGallery + "/pelloria/gallery/murlo-cache/sea/boats/dawn_thumb_135.gif");
    EXPECT_EQ(downloadCountAddress(h, "dawn", false),
              kSite + "/utils/pelloria/counter/dcount/dawn_high.jpg.txt");
    EXPECT_TRUE(isLowResolution("1"));
    EXPECT_FALSE(isLowResolution("2"));
    EXPECT_FALSE(isLowResolution(""));
}

TEST(DownloadNames, CountersAndProgressTexts) {
    EXPECT_EQ(counterText("1234567890"), "1234567890");
    EXPECT_EQ(counterText("12345678901"), "-");
    EXPECT_EQ(counterText(""), "");
    EXPECT_EQ(counterText("ééééééééé1"), "ééééééééé1") << "ten characters, more bytes";
    // No total or nothing done yet: 0 and no strip, never a division by zero.
    EXPECT_EQ(percentText(downloadPercent(0, 0)), "0");
    EXPECT_EQ(percentText(downloadPercent(1000, 0)), "0");
    EXPECT_EQ(progressStripWidth(downloadPercent(0, 0)), 0);
    EXPECT_EQ(percentText(downloadPercent(3, 1)), "33.3333333333333");
    EXPECT_EQ(percentText(downloadPercent(4, 4)), "100");
    EXPECT_EQ(progressStripWidth(100), 2415);
    EXPECT_EQ(progressStripWidth(50), 1208);
    EXPECT_EQ(byteCountText(2000, 500), "500 bytes   |   2000 bytes");
}

TEST(DownloadWizard, ShowsCountersThenTheThumbnailThreeSecondsAfterItArrived) {
    Download d;
    d.recognise("sea/boats", "dawn.jpg");
    d.counters("dawn", "1234567890", "12345678901");
    d.deliver(kThumb, jpeg(135, 90));
    d.openWizard();
    Download_Wizard& w = d.wizard();
    EXPECT_TRUE(w.Visible());
    EXPECT_FALSE(d.app->form<MyExplorer>().Visible());
    EXPECT_EQ(w.txt_DownloadCounter_Low.Text(), "1234567890");
    EXPECT_EQ(w.txt_DownloadCounter_High.Text(), "-");
    EXPECT_EQ(d.app->form<MyExplorer>().txt_Extension.Text(), "jpg");
    EXPECT_TRUE(w.Step3.Visible());
    EXPECT_FALSE(w.img_Preview.Visible());
    d.loop.advance(4);  // four reports: complete
    EXPECT_TRUE(d.fs.fileExists(d.pf / "temp.jpg"));
    d.loop.advance(2990);
    EXPECT_FALSE(w.img_Preview.Visible()) << "the preview waits 3000 ms after completion";
    d.loop.advance(10);
    ASSERT_TRUE(w.img_Preview.Visible());
    EXPECT_EQ(w.img_Preview.picture()->width, 135);
    EXPECT_EQ(w.img_Preview.Width(), 2055);
    EXPECT_FALSE(w.Timer1.Enabled());
    // The panel of the main window keeps its picture until the next reset.
    EXPECT_EQ(d.main().lbl_TimeLastDownloaded.Caption(), "-");
}

TEST(DownloadWizard, ThumbnailFailuresShowThePlaceholder) {
    for (const char* how : {"error", "not a picture", "error before the tick"}) {
        SCOPED_TRACE(how);
        Download d;
        d.recognise("sea/boats", "dawn.jpg");
        const std::string h = how;
        if (h == "error")
            d.platform.transfers.scripts[kThumb] = {vb::ScriptedTransfers::Script::Fail, "", 500};
        else if (h == "not a picture")
            d.deliver(kThumb, "<html>Not found</html>");
        else
            d.hold(kThumb);
        d.openWizard();
        if (h == "error before the tick") {
            d.platform.transfers.finish(kThumb, jpeg(135, 90));
            d.loop.advance(1);
            EXPECT_TRUE(d.wizard().Timer1.Enabled());
            // The same control's next transfer fails: the placeholder stays, the tick never runs.
            d.app->deliver([&] { d.wizard().FileTransfer1_TransferError(10054, "reset"); });
        }
        d.loop.advance(5000);
        Download_Wizard& w = d.wizard();
        ASSERT_TRUE(w.img_Preview.Visible());
        EXPECT_EQ(w.img_Preview.picture()->width, 30) << "notavailable_1.jpg";
        EXPECT_FALSE(w.Timer1.Enabled());
        EXPECT_TRUE(d.dialogs.shown.empty());
    }
}

TEST(DownloadWizard, ShortNamesGiveEmptyCodesAndKeepTheExtension) {
    const struct {
        const char* name;
        const char* extension;
        const char* counter;
    } rows[] = {{"x.gif", "gif", "x_low.jpg.txt"},
                {"a.gi", ".gi", "_low.jpg.txt"},
                {"gif", "gif", "_low.jpg.txt"},
                {"", "old", "_low.jpg.txt"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Download d;
        d.app->deliver([&] { d.app->form<MyExplorer>().txt_Extension.setText("old"); });
        d.recognise("sea", r.name);
        d.openWizard();
        EXPECT_EQ(d.app->form<MyExplorer>().txt_Extension.Text(), r.extension);
        EXPECT_TRUE(d.requested(kSite + "/utils/pelloria/counter/dcount/" + r.counter));
    }
}

TEST(PictureDownload, HighResolutionLandsThenBecomesTheWallpaperTenSecondsLater) {
    Download d;
    d.recognise("sea/boats", "dawn.jpg");
    d.deliver(kThumb, jpeg(135, 90));
    d.deliver(kHigh, jpeg(640, 480));
    d.openWizard();
    d.loop.advance(4000);
    d.choose(false);
    Main& m = d.main();
    EXPECT_TRUE(d.requested(kSite + "/utils/pelloria/counter/download.php?id=dawn_high.jpg"));
    EXPECT_TRUE(m.Visible());
    EXPECT_TRUE(m.Download.Visible());
    EXPECT_FALSE(m.Options.Visible());
    EXPECT_FALSE(m.img_About.Enabled());
    EXPECT_EQ(m.img_Downloading.picture()->width, 135);
    EXPECT_FALSE(d.wizard().Visible());
    EXPECT_EQ(d.wizard().txt_Img_Code.Text(), "dawn");
    d.loop.advance(2);  // half-way
    EXPECT_EQ(m.lbl_Percent.Caption().substr(0, 4), "49.9");
    EXPECT_GT(m.ProgressBar1.Width(), 1200);
    EXPECT_FALSE(d.fs.fileExists(d.pf / "img/dawn_higres.jpg")) << "no half file under the final name";
    // A right click on the tray icon while the strip runs opens no menu.
    d.tray.popups.clear();
    deliverTrayMessage(*d.app, 516);
    EXPECT_TRUE(d.tray.popups.empty());
    d.loop.advance(2);  // complete
    EXPECT_TRUE(d.fs.fileExists(d.pf / "img/dawn_higres.jpg"));
    EXPECT_EQ(m.lbl_Downloading.Caption(), "s36");
    EXPECT_EQ(m.lbl_FileLenght.Caption(), "s37");
    EXPECT_FALSE(m.Command3.Enabled());
    d.loop.advance(9000);
    EXPECT_TRUE(d.wallpaper.set.empty());
    ASSERT_TRUE(m.Picture_Preview.picture());
    EXPECT_EQ(m.Picture_Preview.picture()->width, 640) << "tick 3 loaded the new picture";
    d.loop.advance(1000);
    ASSERT_EQ(d.wallpaper.set.size(), 1u);
    EXPECT_EQ(m.txt_Timer2.Text(), "0");
    EXPECT_FALSE(m.Timer2.Enabled());
    // Back on the picture list, with the new row, and the panel shows the thumbnail's date.
    EXPECT_TRUE(m.Options.Visible());
    EXPECT_FALSE(m.Download.Visible());
    EXPECT_EQ(m.ProgressBar1.Width(), 0);
    EXPECT_TRUE(m.Command3.Enabled());
    EXPECT_TRUE(m.img_About.Enabled());
    EXPECT_EQ(m.Caption(), "Vantry 3.5");
    auto rows = d.rows();
    EXPECT_NE(std::find(rows.begin(), rows.end(), "dawn_higres.jpg"), rows.end());
    EXPECT_EQ(m.img_LastDownloaded.picture()->width, 135);
    EXPECT_EQ(m.lbl_TimeLastDownloaded.Caption().substr(0, 2), "[ ");
    EXPECT_TRUE(d.dialogs.shown.empty());
    // The wizard is there again, hidden, with its design values.
    EXPECT_FALSE(d.wizard().Visible());
    EXPECT_EQ(d.wizard().Check1.Value(), 1);
    EXPECT_EQ(d.wizard().Check2.Value(), 0);
    EXPECT_TRUE(d.wizard().Command8.Enabled());
}

// However long the picture takes to decode, to write and to draw on the desktop, the window goes
// on meanwhile: these are background jobs, and a tick that comes before the job it needs has
// ended waits for that job.
TEST(PictureDownload, PreviewSaveAndApplyRunInTheBackgroundAndLaterTicksWaitForThem) {
    Download d;
    vb::ScriptedJobs& jobs = d.platform.jobs;
    jobs.hold = true;
    d.recognise("sea/boats", "dawn.jpg");
    d.deliver(kHigh, jpeg(640, 480));
    d.openWizard();
    d.choose(false);
    d.loop.advance(4);  // landed
    Main& m = d.main();
    const std::string bitmap = d.platform.system.windowsDir + "/vantry.bmp";
    d.loop.advance(3000);  // tick 3
    EXPECT_EQ(jobs.started, 1) << "the picture decodes in the background";
    EXPECT_FALSE(m.Picture_Preview.picture());
    d.loop.advance(3000);  // ticks 4 to 6: the save waits for the picture
    EXPECT_EQ(jobs.started, 1);
    EXPECT_FALSE(d.fs.fileExists(bitmap));
    d.app->deliver([&] { jobs.finishNext(); });
    ASSERT_TRUE(m.Picture_Preview.picture());
    EXPECT_EQ(m.Picture_Preview.picture()->width, 640);
    EXPECT_EQ(jobs.started, 2) << "the save follows at once, in the background too";
    EXPECT_FALSE(d.fs.fileExists(bitmap));
    d.loop.advance(4000);  // ticks 7 to 10: the apply waits for the bitmap
    EXPECT_TRUE(d.wallpaper.set.empty());
    EXPECT_TRUE(m.Download.Visible());
    d.app->deliver([&] { jobs.finishNext(); });
    EXPECT_EQ(vb::loadPicture(bitmap).width, 640);
    EXPECT_EQ(jobs.started, 3) << "the desktop is told in the background";
    EXPECT_TRUE(d.wallpaper.set.empty());
    EXPECT_TRUE(m.Download.Visible()) << "the reset follows the hand-over";
    d.app->deliver([&] { jobs.finishNext(); });
    ASSERT_EQ(d.wallpaper.set.size(), 1u);
    EXPECT_EQ(d.wallpaper.handedOver[0], m.Picture_Preview.picture().get()) << "the picture just written";
    EXPECT_FALSE(m.Timer2.Enabled());
    EXPECT_EQ(m.txt_Timer2.Text(), "0");
    EXPECT_TRUE(m.Options.Visible());
    EXPECT_EQ(jobs.waiting(), 0u);
}

// A picture the user previews while the downloaded one still decodes came later: it stays in
// the preview and is the one saved and applied.
TEST(PictureDownload, APicturePreviewedWhileTheDownloadDecodesIsTheOneKept) {
    Download d;
    d.platform.jobs.hold = true;
    d.put("img/other.jpg", jpeg(90, 60));
    d.recognise("sea/boats", "dawn.jpg");
    d.deliver(kHigh, jpeg(640, 480));
    d.openWizard();
    d.choose(false);
    d.loop.advance(3004);  // landed, then tick 3
    d.app->deliver([&] { d.main().previewFile("other.jpg"); });
    d.app->deliver([&] { d.platform.jobs.finishNext(); });
    EXPECT_EQ(d.main().Picture_Preview.picture()->width, 90);
    d.loop.advance(3000);
    d.app->deliver([&] { d.platform.jobs.finishNext(); });
    EXPECT_EQ(vb::loadPicture(d.platform.system.windowsDir + "/vantry.bmp").width, 90);
}

// A picture the user applies while the downloaded one is still being saved came later: the save
// ending after it leaves the file alone, and the download's own apply shows the user's picture.
TEST(PictureDownload, APictureAppliedWhileTheDownloadSavesIsTheOneThatStays) {
    Download d;
    vb::ScriptedJobs& jobs = d.platform.jobs;
    jobs.hold = true;
    d.put("img/other.jpg", jpeg(90, 60));
    d.recognise("sea/boats", "dawn.jpg");
    d.deliver(kHigh, jpeg(640, 480));
    d.openWizard();
    d.choose(false);
    d.loop.advance(3004);  // landed, then tick 3
    d.app->deliver([&] { jobs.finishNext(); });
    d.loop.advance(3000);  // tick 6: the save starts
    ASSERT_EQ(jobs.waiting(), 1u);
    Main& m = d.main();
    const std::string bitmap = d.platform.system.windowsDir + "/vantry.bmp";
    d.app->deliver([&] {
        m.previewFile("other.jpg");
        m.Save_Wallpaper();
        m.Put_Wallpaper();
    });
    EXPECT_EQ(vb::loadPicture(bitmap).width, 90);
    d.app->deliver([&] { jobs.finishNext(); });  // the save ends
    EXPECT_EQ(vb::loadPicture(bitmap).width, 90) << "the later apply's picture stays on file";
    d.loop.advance(4000);  // tick 10: the download's apply
    while (jobs.waiting() > 0) d.app->deliver([&] { jobs.finishNext(); });
    EXPECT_EQ(vb::loadPicture(bitmap).width, 90);
    ASSERT_FALSE(d.wallpaper.set.empty());
    EXPECT_EQ(d.wallpaper.set.back(), bitmap);
    const vb::Picture* shown = d.wallpaper.handedOver.back();
    EXPECT_TRUE(!shown || shown->width == 90) << "the desktop shows the file, or the picture applied";
}

// The same when the user applies while the desktop is being told of the downloaded picture: the
// hand-over ending after the apply does not put the downloaded picture back.
TEST(PictureDownload, APictureAppliedWhileTheDownloadIsHandedToTheDesktopIsTheOneShown) {
    Download d;
    vb::ScriptedJobs& jobs = d.platform.jobs;
    jobs.hold = true;
    d.put("img/other.jpg", jpeg(90, 60));
    d.recognise("sea/boats", "dawn.jpg");
    d.deliver(kHigh, jpeg(640, 480));
    d.openWizard();
    d.choose(false);
    d.loop.advance(3004);
    d.app->deliver([&] { jobs.finishNext(); });  // decoded
    d.loop.advance(3000);
    d.app->deliver([&] { jobs.finishNext(); });  // saved
    d.loop.advance(4000);  // tick 10: the hand-over starts
    ASSERT_EQ(jobs.waiting(), 1u);
    Main& m = d.main();
    d.app->deliver([&] {
        m.previewFile("other.jpg");
        m.Save_Wallpaper();
        m.Put_Wallpaper();
    });
    ASSERT_EQ(d.wallpaper.set.size(), 1u);
    const vb::Picture* applied = m.Picture_Preview.picture().get();
    EXPECT_EQ(d.wallpaper.handedOver[0], applied);
    d.app->deliver([&] { jobs.finishNext(); });  // the hand-over ends
    EXPECT_EQ(d.wallpaper.handedOver.back(), applied) << "the desktop keeps the later apply's picture";
    EXPECT_EQ(vb::loadPicture(d.platform.system.windowsDir + "/vantry.bmp").width, 90);
}

TEST(PictureDownload, OptionsMinimiseAndNotApplying) {
    Download d;
    d.recognise("sea/boats", "dawn.jpg");
    d.deliver(kLow, jpeg(80, 60));
    d.openWizard();
    d.app->deliver([&] {
        d.wizard().Check1.setValue(0);
        d.wizard().Check2.setValue(1);
    });
    d.choose(true);
    d.loop.advance(1);
    EXPECT_EQ(d.main().windowState(), vb::WindowState::Minimized);
    EXPECT_EQ(d.main().Caption(), "Vantry :: " + d.main().lbl_FileLenght.Caption());
    d.loop.advance(11000);
    EXPECT_TRUE(d.wallpaper.set.empty()) << "not applied";
    EXPECT_TRUE(d.fs.fileExists(d.platform.system.windowsDir + "/vantry.bmp")) << "but saved";
    EXPECT_EQ(d.main().Caption(), "Vantry 3.5");
    EXPECT_EQ(d.main().windowState(), vb::WindowState::Normal);
    EXPECT_TRUE(d.fs.fileExists(d.pf / "img/dawn_lowres.jpg"));
}

TEST(PictureDownload, NamesThatCannotBeDownloadedResetAndWarn) {
    const struct {
        const char* name;
        const char* why;
    } rows[] = {{"", "nothing recognised"},
                {"abc", "shorter than four"},
                {"../../x.jpg", "leaves the folder"},
                {"a/b.jpg", "a folder in the code"},
                {"a\\b.jpg", "backslash"},
                {"a\nb.jpg", "control character"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.why);
        Download d;
        d.recognise("sea", r.name);
        d.openWizard();
        d.loop.advance(4000);
        d.platform.requests.clear();
        d.choose(true);
        EXPECT_EQ(d.prompts(), std::vector<std::string>{"(92) s92"});
        EXPECT_TRUE(d.platform.transfers.started.size() <= 1) << "only the thumbnail";
        EXPECT_TRUE(d.platform.requests.empty()) << "no transfer, no counter request";
        EXPECT_TRUE(d.main().Options.Visible());
        EXPECT_FALSE(d.main().Download.Visible());
        EXPECT_TRUE(d.fs.listFiles(d.pf / "img").empty());
    }
}

TEST(PictureDownload, FourCharacterNameDownloadsUnderTheBareSuffix) {
    Download d;
    d.recognise("sea", "a.jp");
    d.deliver(kGallery + "/pelloria/gallery/murlo-cache/sea/_800..jp", jpeg(40, 30));
    d.openWizard();
    d.choose(true);
    d.loop.advance(20);
    EXPECT_TRUE(d.fs.fileExists(d.pf / "img/_lowres.jpg"));
}

// An earlier good download of the same name survives every way this one can end badly.
TEST(PictureDownload, FailuresAndCancelKeepTheEarlierPicture) {
    const std::string earlier = jpeg(50, 50);
    for (const char* how : {"404", "page instead of picture", "cut", "cancel", "empty"}) {
        SCOPED_TRACE(how);
        Download d;
        d.put("img/dawn_higres.jpg", earlier);
        d.recognise("sea/boats", "dawn.jpg");
        const std::string h = how;
        if (h == "404")
            d.platform.transfers.scripts[kHigh] = {vb::ScriptedTransfers::Script::Fail, "", 404};
        else if (h == "cut")
            d.platform.transfers.scripts[kHigh] = {vb::ScriptedTransfers::Script::Fail, "", 10054};
        else if (h == "page instead of picture")
            d.deliver(kHigh, "<html><body>Server error</body></html>");
        else if (h == "empty")
            d.deliver(kHigh, "");
        else
            d.hold(kHigh);
        d.openWizard();
        d.choose(false);
        if (h == "cancel") {
            d.loop.advance(1);
            d.app->deliver([&] { d.main().Command3.Click(); });
        }
        d.loop.advance(12000);
        EXPECT_EQ(d.file("img/dawn_higres.jpg"), earlier);
        EXPECT_EQ(d.fs.listFiles(d.pf / "img").size(), 1u) << "no staging file left";
        EXPECT_TRUE(d.wallpaper.set.empty());
        EXPECT_TRUE(d.main().Options.Visible());
        EXPECT_EQ(d.main().ProgressBar1.Width(), 0);
        const auto p = d.prompts();
        if (h == "404")
            EXPECT_EQ(p, std::vector<std::string>{"(92) s92 (404)"});
        else if (h == "cut")
            EXPECT_EQ(p, std::vector<std::string>{"(92) s92 (10054)"});
        else if (h == "cancel")
            EXPECT_TRUE(p.empty()) << "the cancel's own 10004 is silent";
        else
            EXPECT_EQ(p, std::vector<std::string>{"(92) s92"});
    }
}

TEST(PictureDownload, ACompletionAfterCancelStartsNoSequence) {
    Download d;
    d.recognise("sea/boats", "dawn.jpg");
    d.hold(kHigh);
    d.openWizard();
    d.choose(false);
    d.app->deliver([&] { d.main().Command3_Click(); });
    EXPECT_EQ(d.main().txt_CancelDownload.Text(), "1");
    // A completion report that was already on its way when the user cancelled.
    d.app->deliver([&] { d.main().FileTransfer1_TransferProgress(0, 100, 100, 0); });
    EXPECT_FALSE(d.main().Timer2.Enabled());
    d.loop.advance(12000);
    EXPECT_TRUE(d.wallpaper.set.empty());
    EXPECT_FALSE(d.fs.fileExists(d.pf / "img/dawn_higres.jpg"));
}

TEST(PictureDownload, ZeroByteReportsShowZero) {
    Download d;
    // A reset (after any wallpaper) makes the wizard again, not the gallery explorer.
    d.app->deliver([&] { d.main().Reset_Controls(); });
    EXPECT_TRUE(d.app->isLoaded("Download_Wizard"));
    EXPECT_FALSE(d.app->isLoaded("MyExplorer"));
    d.app->deliver([&] { d.main().FileTransfer1_TransferProgress(0, 5000, 0, 0); });
    EXPECT_EQ(d.main().lbl_Percent.Caption(), "0");
    EXPECT_EQ(d.main().ProgressBar1.Width(), 0);
    EXPECT_EQ(d.main().lbl_FileLenght.Caption(), "0 bytes   |   5000 bytes");
}

TEST(LastDownloaded, ThumbnailWithDateElseThePlaceholder) {
    {
        Download d;  // first start: no temp.jpg
        EXPECT_EQ(d.main().lbl_TimeLastDownloaded.Caption(), "-");
        EXPECT_EQ(d.main().img_LastDownloaded.picture()->width, 20);
        d.put("temp.jpg", "not a picture");
        d.app->deliver([&] { d.main().Get_LastDownloaded(); });
        EXPECT_EQ(d.main().lbl_TimeLastDownloaded.Caption(), "-");
        EXPECT_EQ(d.main().img_LastDownloaded.picture()->width, 20);
        d.put("temp.jpg", jpeg(70, 50));
        d.app->deliver([&] { d.main().Get_LastDownloaded(); });
        EXPECT_EQ(d.main().img_LastDownloaded.picture()->width, 70);
        EXPECT_EQ(d.main().img_LastDownloaded.Width(), 2055);
        EXPECT_EQ(d.main().img_LastDownloaded.Height(), 1575);
        const std::string date = d.main().lbl_TimeLastDownloaded.Caption();
        EXPECT_EQ(date.front(), '[');
        EXPECT_EQ(date.back(), ']');
        // Without the placeholder either the program goes on with an empty picture.
        d.fs.Kill(d.pf / "temp.jpg");
        d.fs.Kill(d.pf / "notavailable.jpg");
        d.app->deliver([&] { d.main().Get_LastDownloaded(); });
        EXPECT_EQ(d.main().lbl_TimeLastDownloaded.Caption(), "-");
        EXPECT_FALSE(d.main().img_LastDownloaded.picture());
    }
}

TEST(DownloadWizard, EnterInTheGetAPictureBoxPressesItsButtonOnceTheBoxHadTheFocus) {
    Download d;
    int key = 13;
    d.app->deliver([&] { d.main().txt_GetURL.KeyDown(key, 0); });
    EXPECT_FALSE(d.app->isLoaded("Download_Wizard")) << "no default button before the focus";
    d.app->deliver([&] { d.main().txt_GetURL.GotFocus(); });
    d.app->deliver([&] { d.main().txt_GetURL.KeyDown(key, 0); });
    EXPECT_EQ(key, 0);
    EXPECT_TRUE(d.wizard().Visible());
}

TEST(DownloadWizard, CloseAndBackLeaveTheDownloadAlone) {
    Download d;
    d.recognise("sea/boats", "dawn.jpg");
    d.app->deliver([&] { d.main().Hide(); });
    d.openWizard();
    d.app->deliver([&] { d.wizard().Command8_Click(); });
    EXPECT_FALSE(d.wizard().Visible());
    EXPECT_FALSE(d.app->form<MyExplorer>().Visible()) << "close does not bring the explorer back";
    EXPECT_FALSE(d.main().Visible());
    d.openWizard();
    d.app->deliver([&] { d.wizard().cmd_goMyExplorer_Click(); });
    EXPECT_TRUE(d.app->form<MyExplorer>().Visible());
    EXPECT_TRUE(d.platform.transfers.started.size() == 2u) << "two thumbnails, no picture";
    // The pages nobody sees still turn.
    Download_Wizard& w = d.wizard();
    d.app->deliver([&] { w.Command5_Click(); });
    EXPECT_TRUE(w.Step2.Visible());
    EXPECT_FALSE(w.Step3.Visible());
    d.app->deliver([&] { w.Command4_Click(); });
    EXPECT_TRUE(w.Step1.Visible());
    d.app->deliver([&] { w.Command1_Click(); });
    EXPECT_TRUE(w.Step2.Visible());
    EXPECT_EQ(d.main().txt_Server.Text(), kGallery + "/pelloria/gallery/murlo-albums");
}

}  // namespace
