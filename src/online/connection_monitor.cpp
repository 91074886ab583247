// The connection monitor: every 3 s (and once during the main window's load) it asks whether the
// computer is online, switches the online commands of the main window and the tray menu, shows
// the state in colour, and loads the news page once per online period.
#include "localisation/language.h"
#include "platform/base/error.h"
#include "shell/main_form.h"
#include "shell/start_form.h"

namespace vantry {

namespace {
constexpr Color kOnlineGreen = rgb(0, 192, 0);
constexpr Color kOfflineRed = rgb(255, 0, 0);
}  // namespace

void Main::designOnline() {
    // The browser fills the news panel below its buttons and above the forum button.
    WebBrowserNews.pos(120, 510, 8175, 3990);
    // The state text is painted on the panel's own background colour.
    lbl_NoConnection.colors(kOfflineRed, GetIMAGE.BackColor());
    Timer1.interval(3000);
    Inet1.pos(0, 0, 0, 0);

    Timer1.Tick = [this] { Timer1_Timer(); };
    Inet1.StateChanged = [this](int state) { Inet1_StateChanged(state); };
    cmd_GoNews.Click = [this] { cmd_GoNews_Click(); };
    cmd_NewsClose.Click = [this] { cmd_NewsClose_Click(); };
    cmd_NewsRefresh.Click = [this] { cmd_NewsRefresh_Click(); };
    cmd_GetNews.Click = [this] { cmd_GetNews_Click(); };
    cmd_BrowseNews.Click = [this] { cmd_BrowseNews_Click(); };
}

Hosts Main::hosts() const {
    return readHosts(app().fs(), txt_InitDir.Text());
}

void Main::InternetConnectionExists() {
    // Every step stands on its own: a control or menu item that cannot be reached is skipped.
    bool online = false;
    vb::resume([&] { online = app().system().online(); });
    auto tray = [&](auto member, bool enabled) {
        vb::resume([&] { (app().form<StartForm>().*member).setEnabled(enabled); });
    };
    if (online) {
        vb::resume([&] { SSCommand1.setEnabled(true); });
        tray(&StartForm::Go_Explorer, true);
        tray(&StartForm::Go_Uploader, true);
        vb::resume([&] {
            lbl_NoConnection.setCaption(languageString(app(), 44));
            lbl_NoConnection.setVisible(true);
            lbl_NoConnection.setForeColor(kOnlineGreen);
        });
        vb::resume([&] {
            if (txt_NewsFlag.Text() != "0") return;
            vb::resume([&] { WebBrowserNews.Navigate(hosts().galleryAddress(kNewsPage)); });
            txt_NewsFlag.setText("1");
        });
        vb::resume([&] { cmd_GoNews.setEnabled(true); });
        vb::resume([&] { cmd_NewsRefresh.setEnabled(true); });
        tray(&StartForm::Go_News, true);
    } else {
        vb::resume([&] { SSCommand1.setEnabled(false); });
        tray(&StartForm::Go_Explorer, false);
        tray(&StartForm::Go_Uploader, false);
        vb::resume([&] { txt_NewsFlag.setText("0"); });
        vb::resume([&] { cmd_GoNews.setEnabled(false); });
        vb::resume([&] { cmd_NewsRefresh.setEnabled(false); });
        tray(&StartForm::Go_News, false);
        vb::resume([&] {
            lbl_NoConnection.setCaption(languageString(app(), 31));
            lbl_NoConnection.setVisible(true);
            lbl_NoConnection.setForeColor(kOfflineRed);
        });
    }
}

void Main::Timer1_Timer() {
    InternetConnectionExists();
}

// Nothing in the program fetches through this control, so this never runs; it is kept for the
// control's error state all the same.
void Main::Inet1_StateChanged(int state) {
    if (state != 11) return;
    numberedMessage(app(), 95, kWarning);
    Command1.setEnabled(true);
    txt_GetURL.setEnabled(true);
}

}  // namespace vantry
