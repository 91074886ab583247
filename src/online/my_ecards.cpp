#include "online/my_ecards.h"

#include "localisation/language.h"
#include "online/explorer_pictures.h"
#include "online/my_explorer.h"
#include "platform/base/error.h"
#include "shell/main_form.h"

namespace vantry {

namespace {
constexpr int kBrowserTop = 975, kBrowserHeight = 5700;
}

MyeCards::MyeCards(App& app) : GalleryBrowserWindow(app, kName, "eCards", kBrowserTop, kBrowserHeight) {
    lbl_Working.hidden();
    CoolButton1.setLeft(kWidth - 3 * 615 - 180);
    CoolButton2.setLeft(kWidth - 2 * 615 - 120);
    CoolButton3.pos(kWidth - 615 - 60, 0, 615, 555);
    CoolButton3.setPicture(buttonFace(Glyph::Stop));
    SSPanel1.pos(0, 615, kWidth, 300).colors(rgb(40, 40, 40), rgb(250, 250, 252));
    Image2.pos(60, 30, 240, 240);
    Image2.setPicture(addressIcon());
    lbl_URL.pos(360, 45, kWidth - 480, 240).colors(rgb(40, 40, 40), rgb(250, 250, 252));
    Timer1.interval(1000).disabled();

    Command1.Click = [this] { Command1_Click(); };
    Command2.Click = [this] { Command2_Click(); };
    CoolButton3.Click = [this] { CoolButton3_Click(); };
    Timer1.Tick = [this] { Timer1_Timer(); };
}

void MyeCards::Get_Language() {
    auto& store = app().form<Main>().lst_Language;
    captionStep(store, 331, [&](const std::string& t) { setCaption(t); });
    sharedCaptions();
    captionStep(store, 322, [&](const std::string& t) { CoolButton3.setToolTipText(t); });
}

// Back to the gallery, in whatever window state the explorer is.
void MyeCards::Command1_Click() {
    Unload();
    app().form<MyExplorer>().Show();
}

// Cancel: nothing else comes back, the tray icon is the way in.
void MyeCards::Command2_Click() {
    WebBrowser1.Stop();
    Unload();
}

void MyeCards::CoolButton3_Click() {
    WebBrowser1.Stop();
}

void MyeCards::WebBrowser1_DownloadBegin() {
    strip.begin();
    lbl_URL.setCaption(WebBrowser1.LocationURL());
}

void MyeCards::WebBrowser1_DownloadComplete() {
    strip.complete();
    lbl_URL.setCaption(WebBrowser1.LocationURL());
}

void MyeCards::Timer1_Timer() {
    setOuterSize(WebBrowser1.Width(), WebBrowser1.Height() + 975 + 735);
    Command1.setTop(outerHeight() - Command1.Height() - 120);
    Command2.setTop(outerHeight() - Command2.Height() - 120);
    Panel_StatusBar.setTop(WebBrowser1.Height() + 975);
}

}  // namespace vantry
