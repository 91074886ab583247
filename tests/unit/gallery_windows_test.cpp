// The gallery explorer, its address watcher at work, and the e-card and upload windows, driven
// headless: what the picture actions ask for, which buttons a page enables, the page-load
// strip's sequence, the site-status blinking, the layout, the skin files and the ways back.
#include <gtest/gtest.h>

#include "harness.h"
#include "online/my_ecards.h"
#include "online/my_explorer.h"
#include "online/my_upload.h"
#include "platform/model/procedures.h"
#include "platform/pictures/picture.h"
#include "shell/main_form.h"
#include "shell/start_form.h"
#include "testkit/scenario_support.h"

using namespace vantry;
using vantry::test::Harness;

namespace {

// Line N reads "sN", so a caption tells which string it came from.
std::string languageFile(int lines) {
    std::string s;
    for (int n = 0; n < lines; ++n) s += "s" + std::to_string(n) + "\r\n";
    return s;
}

const char* kGallery = "http://www.vantry-gallery.localhost:8642";
const char* kSite = "http://www.vantry-site.localhost:8642";

struct Gallery : Harness {
    explicit Gallery(int languageLines = 353) {
        put("LANGUAGE.DRV", languageFile(languageLines));
        programs.programs["fresco.exe"] = {};
        start();
        loop.advance(10000);  // the splash's steps are over
    }
    Main& main() { return app->form<Main>(); }
    MyExplorer& explorer() { return app->form<MyExplorer>(); }
    vb::RecordingBrowsers& browsers() { return platform.browsers; }
    // The page the explorer's browser shows from now on, then one watcher tick.
    void showPage(const std::string& path) {
        browsers().setLocation("MyExplorer.WebBrowser1", std::string(kGallery) + path);
        loop.advance(2000);
    }
    // A new page: its load begins (disabling the actions), and the next tick sees its address.
    void loadPage(const std::string& path) {
        app->deliver([&] { explorer().WebBrowser1.DownloadBegin(); });
        showPage(path);
    }
    std::string lastNavigation(const std::string& control) const {
        for (auto it = platform.browsers.navigations.rbegin(); it != platform.browsers.navigations.rend();
             ++it)
            if (it->control == control) return it->url;
        return "";
    }
    // download, e-card, phone, upload
    std::string actions() {
        MyExplorer& e = explorer();
        std::string s;
        for (vb::Control* c :
             {static_cast<vb::Control*>(&e.CB_Download), static_cast<vb::Control*>(&e.CB_eCards),
              static_cast<vb::Control*>(&e.CB_To_Mobile), static_cast<vb::Control*>(&e.CB_Upload)})
            s += c->Enabled() ? '1' : '0';
        return s;
    }
};

TEST(GalleryExplorer, OpensOnTheGalleryIndexAndHidesTheMainWindow) {
    Gallery g;
    EXPECT_FALSE(g.app->isLoaded("MyExplorer")) << "nothing opens the explorer at start";
    g.app->deliver([&] { g.main().SSCommand1.Click(); });  // the gallery button
    EXPECT_TRUE(g.explorer().Visible());
    EXPECT_FALSE(g.main().Visible());
    EXPECT_EQ(g.lastNavigation("MyExplorer.WebBrowser1"),
              std::string(kGallery) + "/pelloria/gallery/index.htm");
    EXPECT_EQ(g.lastNavigation("MyExplorer.WebBrowser2"),
              std::string(kGallery) + "/pelloria/gallery/counter.php");
    EXPECT_EQ(g.explorer().Caption(), "s78");
    EXPECT_EQ(g.explorer().CoolButton6.ToolTipText(), "s249");
    EXPECT_EQ(g.explorer().lbl_NetStatus.Caption(), "s334");
    // The first tick copies the address and finds the gallery.
    g.loop.advance(2000);
    EXPECT_EQ(g.explorer().txt_URL.Text(), std::string(kGallery) + "/pelloria/gallery/index.htm");
    EXPECT_EQ(g.explorer().lbl_NetStatus.ToolTipText(), "s332");
    EXPECT_FALSE(g.explorer().Timer_NetStatus.Enabled());
}

TEST(GalleryExplorer, TheTrayItemsOpenItOnTheUploadToolAndTheForum) {
    Gallery g;
    g.app->deliver([&] { g.app->form<StartForm>().Go_Uploader.Click(); });
    EXPECT_TRUE(g.explorer().Visible());
    EXPECT_EQ(g.lastNavigation("MyExplorer.WebBrowser1"), std::string(kGallery) + "/utils/halden/index.php");
    EXPECT_EQ(g.lastNavigation("MyExplorer.WebBrowser2"),
              std::string(kGallery) + "/pelloria/gallery/counter.php");
    g.app->deliver([&] { g.app->form<StartForm>().Go_News.Click(); });
    EXPECT_EQ(g.lastNavigation("MyExplorer.WebBrowser1"), std::string(kSite) + "/forum/viewforum.php?f=17");
    int explorerNavigations = 0;
    for (const auto& n : g.browsers().navigations)
        explorerNavigations += n.control.rfind("MyExplorer.", 0) == 0;
    EXPECT_EQ(explorerNavigations, 4);
}

TEST(GalleryExplorer, APicturePageEnablesEveryActionAndAnAlbumPageOnlyUpload) {
    Gallery g;
    g.app->deliver([&] { g.main().Start_Pelloria(); });
    g.loadPage("/pelloria/gallery/index.php?album=sea%2Fboats%2F&pic=dawn.jpg");
    EXPECT_EQ(g.explorer().Text2.Text(), "sea/boats");
    EXPECT_EQ(g.explorer().Text3.Text(), "dawn.jpg");
    EXPECT_EQ(g.actions(), "1111");

    g.loadPage("/pelloria/gallery/index.php?album=sea%2Fboats");
    EXPECT_EQ(g.actions(), "0001");
    EXPECT_EQ(g.explorer().Text2.Text(), "sea/boats");
    EXPECT_EQ(g.explorer().Text3.Text(), "dawn.jpg") << "the last picture's name is kept";

    g.loadPage("/pelloria/gallery/index.php?album=Pello%2Fanimals%2F&pic=cat.gif");
    EXPECT_EQ(g.actions(), "1110") << "a Pello album never takes uploads";
    g.loadPage("/pelloria/gallery/index.php?album=Pello%2Fanimals");
    EXPECT_EQ(g.actions(), "0000");

    // An address naming no album empties the path and enables nothing.
    g.loadPage("/pelloria/gallery/index.htm");
    EXPECT_EQ(g.explorer().Text2.Text(), "");
    EXPECT_EQ(g.explorer().Text3.Text(), "cat.gif");
    EXPECT_EQ(g.actions(), "0000");
}

TEST(GalleryExplorer, ATickWritesEachTextBoxOnceAndAnUnchangedAddressNotAtAll) {
    // Each write of a text box redraws it; on a long address that is what freezes the window.
    Gallery g;
    g.app->deliver([&] { g.main().Start_Pelloria(); });
    MyExplorer& e = g.explorer();
    int writes = 0;
    for (vb::TextBox* box : {&e.txt_URL, &e.Text2, &e.Text3}) box->Change = [&writes] { ++writes; };
    g.loadPage("/pelloria/gallery/index.php?album=sea%2Fboats%2F&pic=dawn.jpg");
    EXPECT_EQ(writes, 3) << "the address, the path and the file name";
    EXPECT_EQ(e.Text2.Text(), "sea/boats");
    writes = 0;
    g.loadPage("/pelloria/gallery/index.php?album=sea%2Fboats%2F&pic=dawn.jpg");
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(g.actions(), "1111") << "the actions still come back after the page's load began";
    g.loadPage("/pelloria/gallery/index.php?album=sea%2Fboats");
    EXPECT_EQ(writes, 1) << "only the address";
    EXPECT_EQ(g.actions(), "0001");
}

TEST(GalleryExplorer, ALanguageFileWithoutTheStatusTextsDoesNotStopTheWatcher) {
    Gallery g(300);
    g.app->deliver([&] { g.main().Start_Pelloria(); });
    g.loadPage("/pelloria/gallery/index.php?album=sea%2Fboats%2F&pic=dawn.jpg");
    EXPECT_EQ(g.explorer().Text3.Text(), "dawn.jpg");
    EXPECT_EQ(g.actions(), "1111");
    EXPECT_TRUE(g.explorer().img_NetStatus.Visible());
}

TEST(GalleryExplorer, ATickNeverDisablesAndAnEmptyAddressTouchesNothing) {
    Gallery g;
    MyExplorer& e = g.explorer();  // created hidden, never navigated
    EXPECT_EQ(g.actions(), "1111") << "enabled at creation";
    e.img_NetStatus.setVisible(false);
    g.loop.advance(2000);
    EXPECT_EQ(e.txt_URL.Text(), "");
    EXPECT_FALSE(e.img_NetStatus.Visible()) << "the indicator stays as it was";
    EXPECT_EQ(e.lbl_NetStatus.ToolTipText(), "");
    g.showPage("/pelloria/gallery/index.htm");
    EXPECT_EQ(g.actions(), "1111");
}

TEST(GalleryExplorer, APictureThatCouldLeaveTheLibraryIsNeverOfferedForDownload) {
    Gallery g;
    g.app->deliver([&] { g.main().Start_Pelloria(); });
    for (const char* path : {"/x?album=sea%2F&pic=..%2F..%2Fx.jpg", "/x?album=sea%5Cboats%2F&pic=a\\b.jpg",
                             "/x?album=sea%2F&pic=a\x01.jpg"}) {
        g.loadPage(path);
        EXPECT_EQ(g.actions(), "0111") << path;
    }
    // The album only goes into addresses: whatever it holds, the picture is offered.
    for (const char* path : {"/x?album=..%2F..%2Fhome%2F&pic=dawn.jpg", "/x?album=sea\\boats%2F&pic=dawn.jpg",
                             "/x?album=sea\x01%2F&pic=dawn.jpg"}) {
        g.loadPage(path);
        EXPECT_EQ(g.actions(), "1111") << path;
    }
    g.loadPage("/x?album=sea%2F&pic=a\x01.jpg");
    // The e-card still names the picture as the address had it.
    EXPECT_EQ(g.explorer().Text3.Text(), "a\x01.jpg");
}

TEST(GalleryExplorer, OffTheSitesTheIconBlinksAndADoubleClickStopsItUntilTheNextTick) {
    Gallery g;
    g.app->deliver([&] { g.main().Start_Pelloria(); });
    MyExplorer& e = g.explorer();
    g.browsers().setLocation("MyExplorer.WebBrowser1", "http://elsewhere.test/");
    g.loop.advance(2000);
    EXPECT_EQ(e.lbl_NetStatus.ToolTipText(), "s333");
    EXPECT_EQ(e.img_NetStatus.picture(), e.img_NetStatusNO.picture());
    EXPECT_TRUE(e.Timer_NetStatus.Enabled());
    const bool before = e.img_NetStatus.Visible();
    g.loop.advance(500);
    EXPECT_NE(e.img_NetStatus.Visible(), before);
    g.app->deliver([&] { e.img_NetStatus.DblClick(); });
    const bool kept = e.img_NetStatus.Visible();
    g.loop.advance(1000);
    EXPECT_EQ(e.img_NetStatus.Visible(), kept) << "no blinking after the double click";
    g.loop.advance(500);  // the watcher's next tick, still off the sites
    EXPECT_TRUE(e.Timer_NetStatus.Enabled());
    // Back on the sites: the green light, shown, steady.
    g.showPage("/pelloria/gallery/index.htm");
    EXPECT_EQ(e.img_NetStatus.picture(), e.img_NetStatusYES.picture());
    EXPECT_TRUE(e.img_NetStatus.Visible());
    EXPECT_FALSE(e.Timer_NetStatus.Enabled());
}

TEST(GalleryExplorer, ThePageLoadStripCyclesAndGoesOnFromItsWidth) {
    Gallery g;
    MyExplorer& e = g.explorer();
    g.app->deliver([&] { e.WebBrowser1.DownloadBegin(); });
    EXPECT_TRUE(e.ProgressBar1.Visible());
    EXPECT_TRUE(e.ProgressBar2.Visible());
    std::vector<int> widths;
    for (int i = 0; i < 18; ++i) {
        g.loop.advance(500);
        widths.push_back(e.ProgressBar2.Width());
    }
    std::vector<int> expected;
    for (int w = 115; w <= 1615; w += 100) expected.push_back(w);
    expected.push_back(15);
    expected.push_back(115);
    EXPECT_EQ(widths, expected);
    e.Panel_StatusBar.setCaption("loading");
    g.app->deliver([&] { e.WebBrowser1.DownloadComplete(); });
    EXPECT_EQ(e.ProgressBar2.Width(), 1695);
    EXPECT_FALSE(e.ProgressBar1.Visible());
    EXPECT_FALSE(e.ProgressBar2.Visible());
    EXPECT_EQ(e.Panel_StatusBar.Caption(), "");
    g.loop.advance(2000);
    EXPECT_EQ(e.ProgressBar2.Width(), 1695) << "the timer is off";
    g.app->deliver([&] { e.WebBrowser1.DownloadBegin(); });
    g.loop.advance(500);
    EXPECT_EQ(e.ProgressBar2.Width(), 15) << "a new load starts from the full bar";
}

TEST(GalleryExplorer, ECardActionOpensTheSitesECardPageNamingTheWebSizePicture) {
    Gallery g;
    g.app->deliver([&] { g.main().Start_Pelloria(); });
    g.loadPage("/pelloria/gallery/index.php?album=sea%2Fboats%2F&pic=sail.gif");
    g.app->deliver([&] { g.explorer().CB_eCards.Click(); });
    EXPECT_FALSE(g.explorer().Visible());
    MyeCards& cards = g.app->form<MyeCards>();
    EXPECT_TRUE(cards.Visible());
    EXPECT_EQ(g.explorer().txt_Extension.Text(), "gif");
    EXPECT_EQ(g.lastNavigation("MyeCards.WebBrowser1"),
              std::string(kSite) + "/utils/pelloria/ecards/index.php?picture=" + kGallery +
                  "/pelloria/gallery/murlo-cache/sea/boats/sail_800.gif");
    EXPECT_EQ(cards.Caption(), "s331");
    EXPECT_EQ(cards.Command1.Caption(), "s290");
    EXPECT_EQ(cards.CoolButton3.ToolTipText(), "s322");
    EXPECT_FALSE(cards.lbl_Description.Visible());

    // Its address strip follows each begin and end of a fetch.
    g.browsers().setLocation("MyeCards.WebBrowser1", std::string(kSite) + "/utils/pelloria/ecards/sent.php");
    g.app->deliver([&] { cards.WebBrowser1.DownloadBegin(); });
    EXPECT_EQ(cards.lbl_URL.Caption(), std::string(kSite) + "/utils/pelloria/ecards/sent.php");
    EXPECT_TRUE(cards.ProgressBar2.Visible());
    g.app->deliver([&] { cards.WebBrowser1.DownloadComplete(); });
    EXPECT_FALSE(cards.ProgressBar2.Visible());

    // Back to the gallery: the e-card window goes, the explorer comes back.
    g.app->deliver([&] { cards.Command1.Click(); });
    EXPECT_FALSE(g.app->isLoaded("MyeCards"));
    EXPECT_TRUE(g.explorer().Visible());
}

TEST(GalleryExplorer, ECardBeforeAnyPictureAndCancelLeaveNothingShown) {
    Gallery g;
    g.app->deliver([&] { g.main().Start_Pelloria(); });
    g.app->deliver([&] { g.explorer().CB_eCards.Click(); });
    EXPECT_EQ(g.lastNavigation("MyeCards.WebBrowser1"),
              std::string(kSite) + "/utils/pelloria/ecards/index.php?picture=" + kGallery +
                  "/pelloria/gallery/murlo-cache//_800.");
    MyeCards& cards = g.app->form<MyeCards>();
    // Back and forward without pages: nothing happens, no message.
    g.app->deliver([&] { cards.CoolButton1.Click(); });
    g.app->deliver([&] { cards.CoolButton2.Click(); });
    EXPECT_TRUE(g.dialogs.shown.empty());
    g.app->deliver([&] { cards.Command2.Click(); });
    EXPECT_EQ(g.browsers().stops["MyeCards.WebBrowser1"], 1);
    EXPECT_FALSE(g.app->isLoaded("MyeCards"));
    EXPECT_FALSE(g.explorer().Visible());
    EXPECT_FALSE(g.main().Visible());
}

// What the download action needs of the wizard, and nothing more.
class WizardDouble : public vb::Form {
public:
    static constexpr const char* kName = "Download_Wizard";
    explicit WizardDouble(vb::App& a) : Form(a, kName) { Command7.disabled(); }
    vb::WebBrowser WebBrowser1{this, "WebBrowser1"};
    vb::CommandButton Command7{this, "Command7"};
    std::vector<std::string> prepared;  // the picture each preparation found
};

TEST(GalleryExplorer, DownloadActionHandsThePictureToTheWizard) {
    Gallery g;
    g.app->deliver([&] { g.main().Start_Pelloria(); });
    g.loadPage("/pelloria/gallery/index.php?album=sea%2Fboats%2F&pic=dawn.jpg");
    // A stand-in wizard in the real one's place records what it was asked to prepare.
    g.app->registerForm<WizardDouble>();
    vb::registerProcedure(*g.app, "Download_Wizard", "Prepara_Anteprima_Thumbnail", [](vb::App& a) {
        MyExplorer& e = a.form<MyExplorer>();
        a.form<WizardDouble>().prepared.push_back(e.Text2.Text() + "|" + e.Text3.Text());
    });
    g.app->deliver([&] { g.explorer().CB_Download.Click(); });
    WizardDouble& wizard = g.app->form<WizardDouble>();
    EXPECT_FALSE(g.explorer().Visible());
    EXPECT_TRUE(wizard.Visible());
    EXPECT_EQ(g.lastNavigation("Download_Wizard.WebBrowser1"),
              std::string(kGallery) + "/pelloria/gallery/forum_news.htm");
    EXPECT_TRUE(wizard.Command7.Enabled());
    EXPECT_EQ(wizard.prepared, std::vector<std::string>{"sea/boats|dawn.jpg"});
}

TEST(GalleryExplorer, PhoneActionOpensThePhoneServiceForTheJpegAndMinimises) {
    Gallery g;
    g.app->deliver([&] { g.main().Start_Pelloria(); });
    g.loadPage("/pelloria/gallery/index.php?album=sea%2Fboats%2F&pic=sail.gif");
    g.app->deliver([&] { g.explorer().CB_To_Mobile.Click(); });
    ASSERT_EQ(g.programs.opened.size(), 1u);
    EXPECT_EQ(g.programs.opened[0], std::string("http://vantry-phone.localhost:8642/download/?url=") +
                                        kGallery + "/pelloria/gallery/murlo-cache/sea/boats/sail_800.jpg");
    EXPECT_EQ(g.explorer().windowState(), vb::WindowState::Minimized);
    EXPECT_EQ(g.explorer().txt_Extension.Text(), "") << "the phone action leaves the extension alone";
}

TEST(GalleryExplorer, BarButtonsAndUploadGoWhereTheyShould) {
    Gallery g;
    g.put("HOSTS.CFG", "gallery=g.test\nsite=s.test\n");
    MyExplorer& e = g.explorer();
    g.app->deliver([&] { e.CB_Upload.Click(); });
    EXPECT_EQ(g.lastNavigation("MyExplorer.WebBrowser1"), "http://www.g.test/utils/halden/index.php");
    g.app->deliver([&] { e.CoolButton8.Click(); });
    EXPECT_EQ(g.lastNavigation("MyExplorer.WebBrowser1"), "http://www.s.test/forum/viewforum.php?f=17");
    g.app->deliver([&] { e.CoolButton6.Click(); });
    EXPECT_EQ(g.lastNavigation("MyExplorer.WebBrowser1"),
              "http://www.s.test/forum/posting.php?mode=newtopic&f=12");
    g.app->deliver([&] { e.CoolButton5.Click(); });
    EXPECT_EQ(g.lastNavigation("MyExplorer.WebBrowser1"), "http://www.g.test/pelloria/gallery");
    EXPECT_EQ(g.lastNavigation("MyExplorer.WebBrowser2"), "http://www.g.test/pelloria/gallery/counter.php");
    g.app->deliver([&] { e.CoolButton1.Click(); });
    EXPECT_EQ(e.WebBrowser1.LocationURL(), "http://www.s.test/forum/posting.php?mode=newtopic&f=12");
    g.app->deliver([&] { e.CoolButton2.Click(); });
    EXPECT_EQ(e.WebBrowser1.LocationURL(), "http://www.g.test/pelloria/gallery");
    g.app->deliver([&] { e.CoolButton3.Click(); });
    EXPECT_EQ(g.browsers().stops["MyExplorer.WebBrowser1"], 1);
    EXPECT_TRUE(g.dialogs.shown.empty());
}

TEST(GalleryExplorer, LayoutFollowsTheOuterSizeAndSkipsOnlyTheStepsThatFail) {
    Gallery g;
    MyExplorer& e = g.explorer();
    // Client 12000 x 9000 with a frame of 120 x 405: W = 12120, H = 9405.
    g.app->deliver([&] { e.resized(12000, 9000, 120, 405); });
    EXPECT_EQ(e.BrowserBar_Panel.Width(), 12120);
    EXPECT_EQ(e.CB_Download.Left(), 12120 - 615 - 240);
    EXPECT_EQ(e.CB_Upload.Left(), e.CB_Download.Left() - 735);
    EXPECT_EQ(e.CB_To_Mobile.Left(), e.CB_Upload.Left() - 735);
    EXPECT_EQ(e.CB_eCards.Left(), e.CB_To_Mobile.Left() - 735);
    EXPECT_EQ(e.WebBrowser1.Top(), 840);
    EXPECT_EQ(e.WebBrowser1.Width(), 12000);
    EXPECT_EQ(e.WebBrowser1.Height(), 9405 - 840 - 500 - 255);
    EXPECT_EQ(e.WebBrowser2.Width(), 12360);
    EXPECT_EQ(e.WebBrowser2.Left(), -90);
    EXPECT_EQ(e.Panel_StatusBar.Top(), 9405 - 750);
    EXPECT_EQ(e.Review_Panel.Width(), 11720);
    EXPECT_EQ(e.WebBrowser3.Width(), 11720);
    EXPECT_EQ(e.Review_Panel.Top(), 9405 - e.Review_Panel.Height() - 255);
    EXPECT_EQ(e.img_NetStatus.Left(), 12120 - 240 - 500);
    EXPECT_EQ(e.lbl_NetStatus.Left() + e.lbl_NetStatus.Width(), e.img_NetStatus.Left());

    // Very small: the browser's height and the review panel's width would be negative and keep
    // their values; every other step still applies, negative positions included.
    const int browserHeight = e.WebBrowser1.Height(), reviewWidth = e.Review_Panel.Width();
    g.app->deliver([&] { e.resized(180, 600, 120, 405); });
    EXPECT_EQ(e.WebBrowser1.Height(), browserHeight);
    EXPECT_EQ(e.Review_Panel.Width(), reviewWidth);
    EXPECT_EQ(e.BrowserBar_Panel.Width(), 300);
    EXPECT_EQ(e.CB_Download.Left(), 300 - 615 - 240);
    EXPECT_EQ(e.CB_eCards.Left(), 300 - 615 - 240 - 3 * 735);
    EXPECT_EQ(e.WebBrowser1.Width(), 180);
    EXPECT_EQ(e.Panel_StatusBar.Top(), 1005 - 750);
    EXPECT_TRUE(g.dialogs.shown.empty());
}

TEST(GalleryExplorer, SkinFilesFromTheCurrentFolderReplaceTheBuiltInFaces) {
    Gallery g;
    g.fs.ChDir(g.pf.path());
    const auto face = vb::scenario::pictureFile("bmp", 30, 20, 24);
    g.put("VTX_01.BMP", std::string(face.begin(), face.end()));  // found whatever the letter case
    g.put("vtx_14.bmp", "not a picture");
    MyExplorer& e = g.explorer();
    ASSERT_TRUE(e.CoolButton1.picture());
    EXPECT_EQ(e.CoolButton1.picture()->width, 30);
    ASSERT_TRUE(e.CB_Download.picture()) << "a broken skin file keeps the built-in face";
    EXPECT_NE(e.CB_Download.picture()->width, 30);
    EXPECT_TRUE(g.dialogs.shown.empty());
}

TEST(GalleryExplorer, ClosingDiscardsTheCurrentPictureAndTheWatcherStops) {
    Gallery g;
    g.app->deliver([&] { g.main().Start_Pelloria(); });
    g.showPage("/pelloria/gallery/index.php?album=sea%2F&pic=dawn.jpg");
    EXPECT_EQ(g.explorer().Text3.Text(), "dawn.jpg");
    g.app->deliver([&] { g.explorer().Unload(); });
    g.loop.advance(4000);
    EXPECT_FALSE(g.app->isLoaded("MyExplorer")) << "no tick brings it back";
    EXPECT_EQ(g.explorer().Text3.Text(), "");
    EXPECT_FALSE(g.main().Visible()) << "the main window stays hidden";
}

TEST(UploadWindow, BackToTheGalleryOpensItAfreshWhenTheExplorerHasNoAddress) {
    Gallery g;
    MyUpload& up = g.app->form<MyUpload>();
    g.app->deliver([&] { up.Show(); });
    EXPECT_EQ(up.Caption(), "Vantry Uploader");
    EXPECT_EQ(up.Command2.Caption(), "s352");
    EXPECT_TRUE(up.lbl_Working.Visible());
    EXPECT_EQ(up.lbl_Working.Caption(), "");
    g.app->deliver([&] { up.Command1.Click(); });
    EXPECT_FALSE(g.app->isLoaded("MyUpload"));
    EXPECT_TRUE(g.explorer().Visible());
    EXPECT_FALSE(g.main().Visible());
    EXPECT_EQ(g.lastNavigation("MyExplorer.WebBrowser1"),
              std::string(kGallery) + "/pelloria/gallery/index.htm");
}

TEST(UploadWindow, BackToTheGalleryRestoresTheExplorerOnItsLastPage) {
    Gallery g;
    g.app->deliver([&] { g.main().Start_Pelloria(); });
    g.showPage("/pelloria/gallery/index.php?album=sea%2Fboats");
    g.app->deliver([&] { g.explorer().CB_To_Mobile.Click(); });  // minimises it
    const auto navigations = g.browsers().navigations.size();
    MyUpload& up = g.app->form<MyUpload>();
    g.app->deliver([&] { up.Show(); });
    g.app->deliver([&] { up.Command1.Click(); });
    EXPECT_TRUE(g.explorer().Visible());
    EXPECT_EQ(g.explorer().windowState(), vb::WindowState::Normal);
    EXPECT_EQ(g.browsers().navigations.size(), navigations) << "no page is loaded again";

    MyUpload& again = g.app->form<MyUpload>();
    g.app->deliver([&] { again.Show(); });
    g.app->deliver([&] { again.Command2.Click(); });
    EXPECT_FALSE(g.app->isLoaded("MyUpload"));
}

}  // namespace
