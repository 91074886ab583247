#include "online/browser_window.h"

#include "localisation/language.h"
#include "online/explorer_pictures.h"
#include "platform/base/error.h"
#include "shell/main_form.h"

namespace vantry {

GalleryBrowserWindow::GalleryBrowserWindow(App& app, const char* name, const std::string& banner,
                                           int browserTop, int browserHeight)
    : Form(app, name) {
    const int statusTop = browserTop + browserHeight;
    const int buttonsTop = statusTop + 255 + 90;
    design("Vantry", kWidth, buttonsTop + 375 + 120);
    Shape_Banner.pos(0, 0, kWidth, 555).fill(kBarColor, kBarColor);
    Label1.pos(180, 60, kWidth / 2, 435)
        .cap(banner)
        .colors(rgb(255, 255, 255), kBarColor)
        .bold()
        .fontSize(16);
    CoolButton1.pos(kWidth - 2 * 615 - 120, 0, 615, 555);
    CoolButton1.setPicture(buttonFace(Glyph::Back));
    CoolButton2.pos(kWidth - 615 - 60, 0, 615, 555);
    CoolButton2.setPicture(buttonFace(Glyph::Forward));
    WebBrowser1.pos(0, browserTop, kWidth, browserHeight);
    Panel_StatusBar.pos(0, statusTop, kWidth, 255).colors(rgb(40, 40, 40), kStatusColor);
    strip.design(kStatusColor);
    lbl_Working.pos(1845, 20, 4000, 235).colors(rgb(40, 40, 40), kStatusColor);
    Command1.pos(120, buttonsTop, 2655, 375);
    Command2.pos(kWidth - 1575 - 120, buttonsTop, 1575, 375);
    lbl_Description.pos(120, buttonsTop, 4000, 255).hidden();
    lbl_End.pos(120, buttonsTop, 4000, 255).hidden();
    lbl_UploadPath.pos(120, buttonsTop, 4000, 255).cap("-").hidden();
    Label7.pos(120, buttonsTop, 4000, 255).hidden();

    CoolButton1.Click = [this] { CoolButton1_Click(); };
    CoolButton2.Click = [this] { CoolButton2_Click(); };
    TimerProgressBar.Tick = [this] { TimerProgressBar_Timer(); };
    WebBrowser1.DownloadBegin = [this] { WebBrowser1_DownloadBegin(); };
    WebBrowser1.DownloadComplete = [this] { WebBrowser1_DownloadComplete(); };
}

void GalleryBrowserWindow::sharedCaptions() {
    auto& store = app().form<Main>().lst_Language;
    captionStep(store, 350, [&](const std::string& t) { lbl_Description.setCaption(t); });
    captionStep(store, 351, [&](const std::string& t) { lbl_End.setCaption(t); });
    captionStep(store, 290, [&](const std::string& t) { Command1.setCaption(t); });
    captionStep(store, 352, [&](const std::string& t) { Command2.setCaption(t); });
    captionStep(store, 320, [&](const std::string& t) { CoolButton1.setToolTipText(t); });
    captionStep(store, 321, [&](const std::string& t) { CoolButton2.setToolTipText(t); });
}

// No earlier or later page is no failure worth telling.
void GalleryBrowserWindow::CoolButton1_Click() {
    vb::resume([&] { WebBrowser1.GoBack(); });
}
void GalleryBrowserWindow::CoolButton2_Click() {
    vb::resume([&] { WebBrowser1.GoForward(); });
}

}  // namespace vantry
