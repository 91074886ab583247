#pragma once
// The gallery explorer: the maker's online gallery in a skinned browser window, with navigation
// buttons, four picture actions (download, e-card, phone, upload), the site-status indicator and
// the page-load strip. Its address watcher (Timer1, every 2 s) reads the browser's address and
// keeps the current gallery picture in Text2 (album path), Text3 (file name) and txt_Extension,
// which other windows read by name while this window exists, also hidden.
//
// The window never navigates by itself: its openers show it and load its pages.
#include <string>

#include "online/hosts.h"
#include "online/page_load_strip.h"
#include "platform/model/app.h"
#include "platform/model/control.h"
#include "platform/model/form.h"
#include "platform/model/online.h"

namespace vantry {

using namespace vb;

class MyExplorer : public Form {
public:
    static constexpr const char* kName = "MyExplorer";
    explicit MyExplorer(App& app);

    void Form_Load() override;
    void Form_Resize() override;
    void Get_Language();
    void Load_Skin();

    // Browser bar.
    void CoolButton1_Click();
    void CoolButton2_Click();
    void CoolButton3_Click();
    void CoolButton4_Click();
    void CoolButton5_Click();
    void CoolButton6_Click();
    void CoolButton8_Click();

    // Picture actions.
    void CB_Download_Click();
    void CB_eCards_Click();
    void CB_To_Mobile_Click();
    void CB_Upload_Click();

    // Page-load strip and site status.
    void WebBrowser1_DownloadBegin();
    void WebBrowser1_DownloadComplete();
    void TimerProgressBar_Timer();
    void Timer_NetStatus_Timer();
    void img_NetStatus_DblClick();

    // The address watcher (explorer_watcher.cpp).
    void Timer1_Timer();
    void Passo_01();
    void Passo_02();
    void Passo_03();

    // The hosts in effect ("HOSTS.CFG" in the program folder, else the defaults).
    Hosts hosts() const;

    // ---- controls, in design order: later ones lie above earlier ones ----
    // The site-status pictures, copied into img_NetStatus; never seen themselves.
    Image img_NetStatusYES{this, "img_NetStatusYES"};
    Image img_NetStatusNO{this, "img_NetStatusNO"};
    // The visit-counter page, mostly behind the bar, the address strip and the page browser.
    WebBrowser WebBrowser2{this, "WebBrowser2"};
    WebBrowser WebBrowser_DownloadCounter{this, "WebBrowser_DownloadCounter"};
    Panel Review_Panel{this, "Review_Panel"};
    WebBrowser WebBrowser3{this, "WebBrowser3", &Review_Panel};
    ImageButton CoolButton7{this, "CoolButton7", &Review_Panel};

    Panel BrowserBar_Panel{this, "BrowserBar_Panel"};
    Image Image_TopBackground{this, "Image_TopBackground", &BrowserBar_Panel};
    ImageButton CoolButton1{this, "CoolButton1"};
    ImageButton CoolButton2{this, "CoolButton2"};
    ImageButton CoolButton3{this, "CoolButton3"};
    ImageButton CoolButton4{this, "CoolButton4"};
    ImageButton CoolButton5{this, "CoolButton5"};
    ImageButton CoolButton6{this, "CoolButton6"};
    ImageButton CoolButton8{this, "CoolButton8"};
    ImageButton CB_eCards{this, "CB_eCards"};
    ImageButton CB_To_Mobile{this, "CB_To_Mobile"};
    ImageButton CB_Upload{this, "CB_Upload"};
    ImageButton CB_Download{this, "CB_Download"};

    Panel Frame1{this, "Frame1"};
    Image Image1{this, "Image1", &Frame1};
    TextBox txt_URL{this, "txt_URL", &Frame1};

    WebBrowser WebBrowser1{this, "WebBrowser1"};

    Panel Panel_StatusBar{this, "Panel_StatusBar"};
    Shape ProgressBar1{this, "ProgressBar1", &Panel_StatusBar};
    Shape ProgressBar2{this, "ProgressBar2", &Panel_StatusBar};
    Label lbl_NetStatus{this, "lbl_NetStatus", &Panel_StatusBar};
    Image img_NetStatus{this, "img_NetStatus", &Panel_StatusBar};

    Timer Timer1{this, "Timer1"};
    Timer Timer_NetStatus{this, "Timer_NetStatus"};
    Timer TimerProgressBar{this, "TimerProgressBar"};

    // The current gallery picture, out of the user's sight; Text4 is used by nothing.
    TextBox Text2{this, "Text2"};
    TextBox Text3{this, "Text3"};
    TextBox txt_Extension{this, "txt_Extension"};
    TextBox Text4{this, "Text4"};

    PageLoadStrip strip{ProgressBar1, ProgressBar2, TimerProgressBar};

private:
    void designBar();
    void designStatusBar();
    // The address watcher's second and third steps on the text Text2 would hold before each.
    void splitAndDecode(const std::string& remainder);
    void decodeAndDecideUpload(const std::string& albumPath);
};

}  // namespace vantry
