// The gallery explorer's design, its browser bar, picture actions, layout, page-load strip and
// site-status blinking. The address watcher is in explorer_watcher.cpp.
#include "online/my_explorer.h"

#include <memory>

#include "localisation/language.h"
#include "online/explorer_pictures.h"
#include "online/gallery_picture.h"
#include "online/my_ecards.h"
#include "platform/base/error.h"
#include "platform/model/procedures.h"
#include "platform/pictures/picture.h"
#include "platform/system/fs.h"
#include "shell/main_form.h"

namespace vantry {

namespace {
constexpr const char* kGalleryRoot = "/pelloria/gallery";
constexpr const char* kCounterPage = "/pelloria/gallery/counter.php";
constexpr const char* kForumPage = "/forum/viewforum.php?f=17";
constexpr const char* kNewTopicPage = "/forum/posting.php?mode=newtopic&f=12";
constexpr const char* kUploadTool = "/utils/halden/index.php";
constexpr const char* kForumNews = "/pelloria/gallery/forum_news.htm";

constexpr Color kStripColor = rgb(250, 250, 252);
// What a window of the designed client size measures with its classic frame.
constexpr int kDesignWidth = 11865, kDesignHeight = 8175;
}  // namespace

MyExplorer::MyExplorer(App& app) : Form(app, kName) {
    design("Vantry", kDesignWidth, kDesignHeight);
    ownLayout = true;
    img_NetStatusYES.pos(120, 1200, 240, 240).hidden();
    img_NetStatusYES.setPicture(statusLight(true));
    img_NetStatusNO.pos(480, 1200, 240, 240).hidden();
    img_NetStatusNO.setPicture(statusLight(false));
    WebBrowser2.pos(-90, 380, kDesignWidth + 240, 735);
    WebBrowser_DownloadCounter.pos(0, 0, 1215, 975).hidden();
    Review_Panel.pos(0, 5400, kDesignWidth - 400, 1935).hidden();
    WebBrowser3.pos(0, 0, kDesignWidth - 400, 1935);
    CoolButton7.pos(120, 120, 615, 555);
    designBar();
    Frame1.pos(3000, 610, 20000, 255).colors(0, kStripColor);
    Image1.pos(60, 0, 240, 240);
    Image1.setPicture(addressIcon());
    txt_URL.pos(360, 10, 15000, 240);
    WebBrowser1.pos(0, 840, kDesignWidth, kDesignHeight - 840 - 255);
    designStatusBar();
    Timer1.interval(2000);
    Timer_NetStatus.interval(500).disabled();
    for (TextBox* t : {&Text2, &Text3, &txt_Extension, &Text4}) t->pos(0, 0, 1215, 285).hidden();

    CoolButton1.Click = [this] { CoolButton1_Click(); };
    CoolButton2.Click = [this] { CoolButton2_Click(); };
    CoolButton3.Click = [this] { CoolButton3_Click(); };
    CoolButton4.Click = [this] { CoolButton4_Click(); };
    CoolButton5.Click = [this] { CoolButton5_Click(); };
    CoolButton6.Click = [this] { CoolButton6_Click(); };
    CoolButton8.Click = [this] { CoolButton8_Click(); };
    CB_Download.Click = [this] { CB_Download_Click(); };
    CB_eCards.Click = [this] { CB_eCards_Click(); };
    CB_To_Mobile.Click = [this] { CB_To_Mobile_Click(); };
    CB_Upload.Click = [this] { CB_Upload_Click(); };
    WebBrowser1.DownloadBegin = [this] { WebBrowser1_DownloadBegin(); };
    WebBrowser1.DownloadComplete = [this] { WebBrowser1_DownloadComplete(); };
    TimerProgressBar.Tick = [this] { TimerProgressBar_Timer(); };
    Timer_NetStatus.Tick = [this] { Timer_NetStatus_Timer(); };
    img_NetStatus.DblClick = [this] { img_NetStatus_DblClick(); };
    Timer1.Tick = [this] { Timer1_Timer(); };
}

void MyExplorer::designBar() {
    BrowserBar_Panel.pos(0, 0, kDesignWidth, 615).colors(0, kBarColor);
    Image_TopBackground.pos(0, 0, 20000, 615);
    Image_TopBackground.stretch = true;
    Image_TopBackground.setPicture(barBackground());
    const struct {
        ImageButton* button;
        int left;
        Glyph glyph;
    } bar[] = {{&CoolButton1, 120, Glyph::Back},  {&CoolButton2, 840, Glyph::Forward},
               {&CoolButton3, 1560, Glyph::Stop}, {&CoolButton4, 2280, Glyph::Refresh},
               {&CoolButton5, 3000, Glyph::Home}, {&CoolButton6, 3720, Glyph::NewTopic},
               {&CoolButton8, 4440, Glyph::Forum}};
    for (const auto& b : bar) {
        b.button->pos(b.left, 0, 615, 615);
        b.button->setPicture(buttonFace(b.glyph));
    }
    // The picture actions sit at the right edge; the layout places them from the window's width.
    const struct {
        ImageButton* button;
        Glyph glyph;
    } actions[] = {{&CB_Download, Glyph::Download},
                   {&CB_Upload, Glyph::Upload},
                   {&CB_To_Mobile, Glyph::Phone},
                   {&CB_eCards, Glyph::ECard}};
    int left = kDesignWidth - 615 - 240;
    for (const auto& a : actions) {
        a.button->pos(left, 30, 615, 555);
        a.button->setPicture(buttonFace(a.glyph));
        left -= 615 + 120;
    }
}

void MyExplorer::designStatusBar() {
    Panel_StatusBar.pos(0, kDesignHeight - 255, kDesignWidth, 255).colors(rgb(40, 40, 40), kStatusColor);
    strip.design(kStatusColor);
    img_NetStatus.pos(kDesignWidth - 240 - 500, 8, 240, 240);
    lbl_NetStatus.pos(kDesignWidth - 240 - 500 - 1815, 20, 1815, 255).colors(rgb(40, 40, 40), kStatusColor);
    img_NetStatus.setPicture(statusLight(true));
}

Hosts MyExplorer::hosts() const {
    return app().form<Main>().hosts();
}

void MyExplorer::Form_Load() {
    Get_Language();
    Load_Skin();
}

void MyExplorer::Get_Language() {
    auto& store = app().form<Main>().lst_Language;
    captionStep(store, 78, [&](const std::string& t) { setCaption(t); });
    const std::pair<int, Control*> tips[] = {{320, &CoolButton1}, {321, &CoolButton2}, {322, &CoolButton3},
                                             {323, &CoolButton4}, {327, &CoolButton5}, {329, &CoolButton8},
                                             {325, &CB_Upload},   {326, &CB_Download}, {328, &CB_To_Mobile},
                                             {330, &CB_eCards},   {249, &CoolButton6}};
    for (const auto& [n, c] : tips)
        captionStep(store, n, [c = c](const std::string& t) { c->setToolTipText(t); });
    captionStep(store, 334, [&](const std::string& t) { lbl_NetStatus.setCaption(t); });
}

// Skin files, by bare name from the current folder; one that cannot be loaded leaves the
// built-in picture.
void MyExplorer::Load_Skin() {
    const std::pair<const char*, PictureHolder*> skin[] = {
        {"vtx_top.bmp", &Image_TopBackground}, {"vtx_01.bmp", &CoolButton1}, {"vtx_02.bmp", &CoolButton2},
        {"vtx_03.bmp", &CoolButton3},          {"vtx_04.bmp", &CoolButton4}, {"vtx_05.bmp", &CoolButton5},
        {"vtx_06.bmp", &CoolButton6},          {"vtx_07.bmp", &CoolButton8}, {"vtx_11.bmp", &CB_eCards},
        {"vtx_12.bmp", &CB_To_Mobile},         {"vtx_13.bmp", &CB_Upload},   {"vtx_14.bmp", &CB_Download}};
    for (const auto& [file, control] : skin)
        vb::resume([&, file = file, control = control] {
            auto picture = std::make_shared<const Picture>(loadPicture(app().fs().resolve(file)));
            control->setPicture(std::move(picture));
        });
}

// W and H are the window's outer size. A step that fails (a negative size in a very small
// window) is skipped and the next one runs.
void MyExplorer::Form_Resize() {
    const int W = outerWidth(), H = outerHeight();
    using vb::resume;
    resume([&] { BrowserBar_Panel.setWidth(W); });
    resume([&] { Review_Panel.setWidth(W - 400); });
    resume([&] { WebBrowser3.setWidth(Review_Panel.Width()); });
    resume([&] { WebBrowser3.setHeight(Review_Panel.Height()); });
    resume([&] { Review_Panel.setTop(H - Review_Panel.Height() - Panel_StatusBar.Height()); });
    resume([&] { CB_Download.setLeft(W - CB_Download.Width() - 240); });
    resume([&] { CB_Upload.setLeft(CB_Download.Left() - CB_Upload.Width() - 120); });
    resume([&] { CB_To_Mobile.setLeft(CB_Upload.Left() - CB_To_Mobile.Width() - 120); });
    resume([&] { CB_eCards.setLeft(CB_To_Mobile.Left() - CB_eCards.Width() - 120); });
    resume([&] { WebBrowser1.setWidth(W - 120); });
    resume([&] { WebBrowser1.setHeight(H - WebBrowser1.Top() - 500 - Panel_StatusBar.Height()); });
    resume([&] { WebBrowser2.setWidth(W + 240); });
    resume([&] { Panel_StatusBar.setWidth(W); });
    resume([&] { Panel_StatusBar.setTop(H - WebBrowser1.Top() + 90); });
    resume([&] { img_NetStatus.setLeft(Panel_StatusBar.Width() - img_NetStatus.Width() - 500); });
    resume([&] { lbl_NetStatus.setLeft(img_NetStatus.Left() - lbl_NetStatus.Width()); });
}

// ---- browser bar

void MyExplorer::CoolButton1_Click() {
    vb::resume([&] { WebBrowser1.GoBack(); });
}
void MyExplorer::CoolButton2_Click() {
    vb::resume([&] { WebBrowser1.GoForward(); });
}
void MyExplorer::CoolButton3_Click() {
    WebBrowser1.Stop();
}

void MyExplorer::CoolButton4_Click() {
    vb::resume([&] { WebBrowser1.Refresh(); });
    vb::resume([&] { WebBrowser2.Refresh(); });
}

void MyExplorer::CoolButton5_Click() {
    const Hosts h = hosts();
    WebBrowser1.Navigate(h.galleryAddress(kGalleryRoot));
    WebBrowser2.Navigate(h.galleryAddress(kCounterPage));
}

void MyExplorer::CoolButton6_Click() {
    WebBrowser1.Navigate(hosts().siteAddress(kNewTopicPage));
}
void MyExplorer::CoolButton8_Click() {
    WebBrowser1.Navigate(hosts().siteAddress(kForumPage));
}

// ---- picture actions

// The download wizard is its own window; it is reached by name, so the explorer does not depend
// on how the wizard is built.
void MyExplorer::CB_Download_Click() {
    Hide();
    Form& wizard = app().touch("Download_Wizard");
    wizard.Show();
    auto* browser = dynamic_cast<WebBrowser*>(wizard.find("WebBrowser1"));
    if (!browser) throw Error(err::InvalidCall, "the download wizard has no browser");
    browser->Navigate(hosts().galleryAddress(kForumNews));
    Control* highResolution = wizard.find("Command7");
    if (!highResolution) throw Error(err::InvalidCall, "the download wizard has no Command7");
    highResolution->setEnabled(true);
    if (!vb::callProcedure(app(), "Download_Wizard", "Prepara_Anteprima_Thumbnail"))
        throw Error(err::InvalidCall, "no Download_Wizard.Prepara_Anteprima_Thumbnail");
}

void MyExplorer::CB_eCards_Click() {
    Hide();
    MyeCards& cards = app().form<MyeCards>();
    cards.Hide();
    const std::string& file = Text3.Text();
    const std::string code = pictureCode(file);
    txt_Extension.setText(pictureExtension(file));
    const Hosts h = hosts();
    const std::string picture = webSizeAddress(h, Text2.Text(), code, txt_Extension.Text());
    cards.WebBrowser1.Navigate(eCardAddress(h, picture));
    cards.Show();
}

void MyExplorer::CB_To_Mobile_Click() {
    const std::string code = pictureCode(Text3.Text());
    setWindowState(WindowState::Minimized);
    const Hosts h = hosts();
    // The phone service is always asked for the JPEG version.
    app().programs().open(phoneAddress(h, webSizeAddress(h, Text2.Text(), code, "jpg")));
}

void MyExplorer::CB_Upload_Click() {
    WebBrowser1.Navigate(hosts().galleryAddress(kUploadTool));
}

// ---- page-load strip and site status

void MyExplorer::WebBrowser1_DownloadBegin() {
    for (ImageButton* b : {&CB_Download, &CB_Upload, &CB_To_Mobile, &CB_eCards}) b->setEnabled(false);
    strip.begin();
}

void MyExplorer::WebBrowser1_DownloadComplete() {
    Panel_StatusBar.setCaption("");
    strip.complete();
}

void MyExplorer::TimerProgressBar_Timer() {
    strip.tick();
}

void MyExplorer::Timer_NetStatus_Timer() {
    img_NetStatus.setVisible(!img_NetStatus.Visible());
}

// Stops the blinking until the watcher's next tick; the icon stays as it is now.
void MyExplorer::img_NetStatus_DblClick() {
    Timer_NetStatus.setEnabled(false);
}

}  // namespace vantry
