// The splash window, the timed start-up steps and the tray icon record.
#include "shell/splash.h"

#include <algorithm>

#include "localisation/language.h"
#include "platform/base/log.h"
#include "platform/base/text.h"
#include "shell/main_form.h"
#include "shell/version.h"

namespace vantry {

NotifyIconData& TrayIcon_Data(App& app) {
    return app.shared<NotifyIconData>();  // zero-filled at start, as the record is
}

std::array<char, 64> trayTip(const std::string& title) {
    std::array<char, 64> tip;
    tip.fill(' ');
    const std::size_t n = std::min<std::size_t>(title.size(), 63);
    std::copy_n(title.begin(), n, tip.begin());
    tip[n] = '\0';
    return tip;
}

namespace {

// The splash picture, drawn here: a deep blue field fading to teal, with a lighter band where
// the labels sit.
std::shared_ptr<const Picture> splashPicture() {
    auto p = std::make_shared<Picture>();
    p->width = 400;
    p->height = 200;
    p->rgb.resize(400 * 200 * 3);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 400; ++x) {
            std::uint8_t* px = &p->rgb[std::size_t(y * 400 + x) * 3];
            const int t = x * 255 / 399;
            px[0] = std::uint8_t(30 + t / 10);
            px[1] = std::uint8_t(50 + t / 3);
            px[2] = std::uint8_t(110 + t / 4);
            if (y > 150) px[0] = std::uint8_t(px[0] / 2), px[1] = std::uint8_t(px[1] / 2), px[2] = std::uint8_t(px[2] / 2);
        }
    return p;
}

std::shared_ptr<const Picture> trayPicture() {
    auto p = std::make_shared<Picture>();
    p->width = p->height = 16;
    p->rgb.assign(16 * 16 * 3, 0);
    for (int i = 0; i < 16 * 16; ++i) {
        p->rgb[std::size_t(i) * 3] = 40;
        p->rgb[std::size_t(i) * 3 + 1] = 90;
        p->rgb[std::size_t(i) * 3 + 2] = 170;
    }
    return p;
}

}  // namespace

Splash::Splash(App& app)
    : Form(app, kName),
      versionMajor(kVersionMajor),
      versionMinor(kVersionMinor),
      versionRevision(kVersionRevision) {
    design("Vantry", 6000, 3000);
    borderless = true;
    topmost = true;
    Image1.pos(0, 0, 6000, 3000);
    Image1.setPicture(splashPicture());
    lbl_Description.pos(240, 150, 5520, 285).colors(rgb(190, 190, 190), rgb(30, 50, 110));
    lbl_Version.pos(240, 1050, 3000, 345).colors(rgb(255, 255, 255), rgb(40, 90, 160)).bold().fontSize(12);
    lbl_Beta.pos(3300, 1050, 1500, 345).cap(" b e t a").colors(rgb(255, 140, 0), rgb(40, 90, 160)).hidden();
    Command1.pos(240, 2445, 1935, 375).cap("&Continuare  >");
    WebLink1.pos(3600, 2490, 2160, 285).hidden();
    WebLink1.url = "/download";
    Text1.txt("0").pos(0, 0, 615, 285).hidden();
    Text2.txt("20").pos(0, 0, 615, 285).hidden();
    Timer1.interval(1000).disabled();
    Timer2.interval(1000).disabled();
    Picture1.pos(0, 0, 240, 240).hidden();
    Picture1.setPicture(trayPicture());

    Timer1.Tick = [this] { Timer1_Timer(); };
    Text1.Change = [this] { Text1_Change(); };
    Text2.Change = [this] { Text2_Change(); };
    Command1.Click = [this] { Command1_Click(); };
}

void Splash::Form_Load() {
    Main& main = app().form<Main>();
    Timer1.setEnabled(true);
    main.Check_AutoFresco();
    if (main.txt_Fresco.Text() == "1") Text1.setText("4");
    lbl_Description.setCaption("");
    main.WinTray1.AddIcon();
    const int sw = app().system().screenWidthPx() * kTwipsPerPixel;
    const int sh = app().system().screenHeightPx() * kTwipsPerPixel;
    Move((sw - Width()) / 2, (sh - Height()) / 2);
    main.Hide();
    main.Set_Language();
    Get_Language();
    lbl_Version.setCaption("v." + std::to_string(versionMajor) + "." + std::to_string(versionMinor) + "." +
                           std::to_string(versionRevision));
    if (versionMajor == 0) lbl_Beta.setVisible(true);
}

void Splash::Get_Language() {
    auto& store = app().form<Main>().lst_Language;
    captionStep(store, 10, [&](const std::string& t) { lbl_Description.setCaption(t); });
    captionStep(store, 13, [&](const std::string& t) { WebLink1.setCaption(t); });
    captionStep(store, 14, [&](const std::string& t) { Command1.setCaption(t); });
}

void Splash::Timer1_Timer() { Text1.setText(std::to_string(valOf(Text1.Text()) + 1)); }

void Splash::Text1_Change() {
    // Any failure leaves the handler at once, with the timer as it then is.
    vb::guarded(
        [&] {
            Main& main = app().form<Main>();
            if (Text1.Text() == "3") {
                if (main.chk_Fresco.Value() == 0) {
                    Timer1.setEnabled(false);
                    const int pid = app().programs().start("fresco.exe", main.txt_InitDir.Text());
                    // The user interface waits for the updater, as long as it runs.
                    app().programs().wait(pid);
                }
                Timer1.setEnabled(true);
            }
            if (Text1.Text() == "6") {
                Text1.setText("0");
                Timer1.setEnabled(false);
                Hide();
                main.Check_TrayFlag();
                main.Check_ADSLFlag();
                main.Check_News();
            }
        },
        [&](const Error& e) {
            // The steps now wait for Continue, as designed; whoever wonders why the splash
            // stays up (or, at the first start, why the tray option and the connection question
            // never came) finds the reason in the log.
            if (Text1.Text() == "3")
                app().log().log("the updater could not be run (" + std::string(e.what()) +
                                "); the start-up goes on when Continue is pressed");
            else
                app().log().log("start-up step " + Text1.Text() + " failed: " + e.what());
        });
}

void Splash::Command1_Click() {
    Text1.setText("4");
    lbl_Description.setVisible(false);
    WebLink1.setVisible(false);
    Command1.setVisible(false);
    Timer1.setEnabled(true);
    Timer2.setEnabled(false);
}

// Nothing changes Text2, so this never runs; it is kept for the countdown the window was drawn for.
void Splash::Text2_Change() {
    captionStep(app().form<Main>().lst_Language, 14,
                [&](const std::string& t) { Command1.setCaption(t + " (" + Text2.Text() + ")"); });
    if (Text2.Text() == "1") {
        Timer1.setEnabled(false);
        Timer2.setEnabled(false);
        Hide();
        app().form<Main>().Show();
    }
}

void Splash::TrayIcon_Add() {
    NotifyIconData& d = TrayIcon_Data(app());
    d.hWnd = 1;  // the main window
    // A caller reaches this through the registry, which has loaded the splash by now.
    d.uID = Picture1.picture() ? 1u : 0u;
    d.uFlags = 7;
    d.uCallbackMessage = 512;
    d.hIcon = d.uID;
    d.szTip = trayTip(productTitle(versionMajor, versionMinor));
    d.cbSize = 88;
    app().tray().addIcon(std::string(d.szTip.data()));
}

}  // namespace vantry
