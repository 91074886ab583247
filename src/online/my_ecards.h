#pragma once
// The e-card window: the site's e-card page for the current gallery picture in a browser of its
// own. The page composes and sends the card; the window only shows it, with back, forward and
// stop, the page's address above it, a way back to the gallery explorer and a cancel button.
// The explorer's e-card button creates it, loads the page and shows it.
#include "online/browser_window.h"

namespace vantry {

class MyeCards : public GalleryBrowserWindow {
public:
    static constexpr const char* kName = "MyeCards";
    explicit MyeCards(App& app);

    void Get_Language() override;
    void Command1_Click();
    void Command2_Click();
    void CoolButton3_Click();
    void WebBrowser1_DownloadBegin() override;
    void WebBrowser1_DownloadComplete() override;
    void Timer1_Timer();

    ImageButton CoolButton3{this, "CoolButton3"};
    Panel SSPanel1{this, "SSPanel1"};
    Image Image2{this, "Image2", &SSPanel1};
    Label lbl_URL{this, "lbl_URL", &SSPanel1};
    // Lays the window out around its browser; nothing enables it.
    Timer Timer1{this, "Timer1"};
};

}  // namespace vantry
