// The About window.
#include "shell/about.h"

#include <cstdint>
#include <memory>

#include "localisation/language.h"
#include "platform/base/error.h"
#include "platform/base/log.h"
#include "shell/main_form.h"
#include "shell/site_pages.h"
#include "shell/version.h"

namespace vantry {

namespace {

constexpr Color kBlack = rgb(0, 0, 0);
constexpr Color kOrange = rgb(255, 140, 0);
constexpr Color kWhite = rgb(255, 255, 255);
constexpr Color kYellow = rgb(255, 255, 0);

// The band along the top, fading from orange into the black of the window.
std::shared_ptr<const Picture> bandPicture() {
    auto p = std::make_shared<Picture>();
    p->width = 368;
    p->height = 64;
    p->rgb.assign(std::size_t(368 * 64 * 3), 0);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 368; ++x) {
            std::uint8_t* px = &p->rgb[std::size_t(y * 368 + x) * 3];
            const int fade = 255 - x * 255 / 367;
            if ((x + y) % 24 < 12 || y > 52) {
                px[0] = std::uint8_t(fade);
                px[1] = std::uint8_t(fade * 140 / 255);
            }
        }
    return p;
}

}  // namespace

std::shared_ptr<const Picture> makerMark() {
    auto p = std::make_shared<Picture>();
    p->width = p->height = 64;
    p->rgb.assign(64 * 64 * 3, 0);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int dx = x - 32, dy = y - 32, d2 = dx * dx + dy * dy;
            std::uint8_t* px = &p->rgb[std::size_t(y * 64 + x) * 3];
            if (d2 < 30 * 30 && d2 >= 18 * 18)
                px[0] = 255, px[1] = 140, px[2] = 0;
            else if (d2 < 12 * 12)
                px[0] = 255, px[1] = 200, px[2] = 40;
        }
    return p;
}

std::string aboutVersionText(int major, int minor, int revision) {
    return versionNumbers(major, minor, revision) + (major == 0 ? " BETA" : "");
}

About::About(App& app) : Form(app, kName) {
    design("About", 7200, 5100);
    borderless = true;
    centred = true;

    Shape_Back.pos(0, 0, 7200, 5100).fill(kBlack, kBlack);
    Shape1.pos(0, 0, 7200, 90).fill(kOrange, kOrange);
    Shape2.pos(0, 4290, 7200, 45).fill(kOrange, kOrange);
    Image1.pos(240, 240, 960, 960);
    Image1.setPicture(makerMark());
    Image11.pos(1440, 240, 5520, 960);
    Image11.setPicture(bandPicture());

    // One row per fact: the caption on the left in white, its value beside it in yellow.
    const std::pair<Label*, Label*> rows[] = {
        {&Label1, &lbl_Version},     {&Label2, &Label9},         {&Label3, &Label10},
        {&Label4, &lbl_Copyright},   {&Label5, &Label12},        {&Label6, &lbl_DRVVersion},
        {&Label7, &lbl_DRVLanguage}, {&Label8, &lbl_DriverMade},
    };
    int top = 1440;
    for (auto [caption, value] : rows) {
        caption->pos(240, top, 2520, 285).colors(kWhite, kBlack);
        value->pos(2880, top, 4080, 285).colors(kYellow, kBlack);
        top += 330;
    }
    Label1.cap("Product version");
    Label2.cap("Created by");
    Label3.cap("e-Mail");
    Label4.cap("Developed by");
    Label5.cap("Page product");
    Label6.cap("Language driver version");
    Label7.cap("Language");
    Label8.cap("Driver made by");
    Label9.cap("The Vantry developers");
    Label10.cap("vantry@example.org");

    Command3.pos(240, 4530, 1575, 375).cap("ReFresco...");
    WebLink2.pos(2040, 4590, 1200, 255).cap("Forum").colors(kOrange, kBlack);
    WebLink2.url = "/forum";
    WebLink1.pos(3360, 4590, 2040, 255).colors(kOrange, kBlack);
    WebLink1.url = "/bugreport.htm";
    Command1.pos(5640, 4530, 1320, 375);
    lbl_Chiudi.pos(6840, 120, 300, 255).cap(" X ").colors(kWhite, kBlack).hidden();

    Command1.Click = [this] { Command1_Click(); };
    Command3.Click = [this] { Command3_Click(); };
    WebLink1.Click = [this] { openSitePage(this->app(), WebLink1.url); };
    WebLink2.Click = [this] { openSitePage(this->app(), WebLink2.url); };
    lbl_Chiudi.Click = [this] { lbl_Chiudi_Click(); };
}

void About::Form_Load() {
    Get_Language();
    lbl_Version.setCaption(aboutVersionText(kVersionMajor, kVersionMinor, kVersionRevision));
    lbl_Copyright.setCaption(kLegalNotice);
    // The product's pages live on the site the links go to: its address, without the scheme.
    Label12.setCaption(sitePage(app(), "").substr(std::string("http://").size()));
}

// Closed from the keyboard rather than by its Close button, the window still brings the main
// window back, so the user is not left with the program out of sight.
void About::Form_Unload(int&) {
    Main& main = app().form<Main>();
    if (main.Visible()) return;
    main.setWindowState(WindowState::Normal);
    main.Show();
}

void About::Get_Language() {
    auto& store = app().form<Main>().lst_Language;
    captionStep(store, 3, [&](const std::string& t) { lbl_DRVVersion.setCaption(t); });
    captionStep(store, 4, [&](const std::string& t) { lbl_DRVLanguage.setCaption(t); });
    captionStep(store, 2, [&](const std::string& t) { lbl_DriverMade.setCaption(t); });
    captionStep(store, 121, [&](const std::string& t) { Command1.setCaption(t); });
    captionStep(store, 120, [&](const std::string& t) { WebLink1.setCaption(t); });
}

void About::Command1_Click() {
    Unload();
    Main& main = app().form<Main>();
    main.setWindowState(WindowState::Normal);
    main.Show();
}

void About::Command3_Click() {
    // The window stays open whatever happens; an updater that cannot be started is only logged,
    // as the box the program has for failed starts speaks of plug-ins.
    const std::string folder = app().form<Main>().txt_InitDir.Text();
    vb::guarded(
        [&] { app().programs().launch("fresco.exe", folder); },
        [&](const vb::Error& e) { app().log().log(std::string("updater not started: ") + e.what()); });
}

void About::lbl_Chiudi_Click() {
    Hide();
    app().form<Main>().Show();
}

}  // namespace vantry
