// The news panel: the gallery's news page in an embedded browser, with buttons to close it,
// reload it, switch news at start on, and open the forum in the gallery explorer.
#include "localisation/language.h"
#include "platform/base/error.h"
#include "platform/base/log.h"
#include "platform/system/fs.h"
#include "shell/main_form.h"

namespace vantry {

namespace {
constexpr const char* kForumPage = "/forum/viewforum.php?f=17";
constexpr const char* kCounterPage = "/pelloria/gallery/counter.php";
constexpr const char* kNewsLine = "Vantry, Get news when program starts";
}  // namespace

void Main::cmd_GoNews_Click() {
    News.setVisible(true);
}

// Works whatever the connection: the panel must never trap the user over the window.
void Main::cmd_NewsClose_Click() {
    News.setVisible(false);
}

void Main::cmd_NewsRefresh_Click() {
    vb::resume([&] { WebBrowserNews.Navigate(hosts().galleryAddress(kNewsPage)); });
}

void Main::cmd_GetNews_Click() {
    // Into the program folder whatever the current directory is; each step runs on its own, and
    // the closing message tells whether the file was written.
    bool saved = true;
    vb::resume([&] {
        try {
            app().fs().writeLines(inProgramFolder("NEWS.CFG"), {kNewsLine});
        } catch (const vb::Error& e) {
            saved = false;
            app().log().log(std::string("news at start not saved: ") + e.what());
            throw;
        }
    });
    vb::resume([&] { cmd_GetNews.setVisible(false); });
    vb::resume([&] { chk_News.setValue(1); });
    vb::resume([&] {
        if (saved)
            numberedMessage(app(), kSettingsSaved, kNotice);
        else
            numberedMessage(app(), kSettingsNotSaved, kWarning);
    });
}

void Main::cmd_BrowseNews_Click() {
    app().fs().ChDir(txt_InitDir.Text());
    txt_GetURL.setText("");
    GetIMAGE.setVisible(true);
    Options.setVisible(false);
    Panel_Options.setVisible(false);
    Download.setVisible(false);
    // Each of the explorer's steps is skipped like a failing one.
    Form* explorer = nullptr;
    vb::resume([&] {
        explorer = &app().touch("MyExplorer");
        explorer->Show();
    });
    const Hosts h = hosts();
    auto go = [&](const char* browser, const std::string& address) {
        vb::resume([&] {
            if (!explorer) explorer = &app().touch("MyExplorer");
            if (auto* b = dynamic_cast<WebBrowser*>(explorer->find(browser))) b->Navigate(address);
        });
    };
    go("WebBrowser1", h.siteAddress(kForumPage));
    go("WebBrowser2", h.galleryAddress(kCounterPage));
}

}  // namespace vantry
