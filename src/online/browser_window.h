#pragma once
// What the e-card and the upload window share: a banner, a browser with back and forward
// buttons, the page-load strip in a status bar, a button back to the gallery explorer, a cancel
// button, and four labels that are never shown. Each window adds its own controls and steps.
#include <string>

#include "online/page_load_strip.h"
#include "platform/model/app.h"
#include "platform/model/control.h"
#include "platform/model/form.h"
#include "platform/model/online.h"

namespace vantry {

using namespace vb;

class GalleryBrowserWindow : public Form {
public:
    void Form_Load() override { Get_Language(); }
    virtual void Get_Language() = 0;

    void CoolButton1_Click();
    void CoolButton2_Click();
    void TimerProgressBar_Timer() { strip.tick(); }
    virtual void WebBrowser1_DownloadBegin() { strip.begin(); }
    virtual void WebBrowser1_DownloadComplete() { strip.complete(); }

    // ---- controls, in design order ----
    Shape Shape_Banner{this, "Shape_Banner"};  // the banner's background, edge to edge
    Label Label1{this, "Label1"};
    ImageButton CoolButton1{this, "CoolButton1"};
    ImageButton CoolButton2{this, "CoolButton2"};
    WebBrowser WebBrowser1{this, "WebBrowser1"};
    Panel Panel_StatusBar{this, "Panel_StatusBar"};
    Shape ProgressBar1{this, "ProgressBar1", &Panel_StatusBar};
    Shape ProgressBar2{this, "ProgressBar2", &Panel_StatusBar};
    Label lbl_Working{this, "lbl_Working", &Panel_StatusBar};
    Timer TimerProgressBar{this, "TimerProgressBar"};
    CommandButton Command1{this, "Command1"};
    CommandButton Command2{this, "Command2"};
    Label lbl_Description{this, "lbl_Description"};
    Label lbl_End{this, "lbl_End"};
    Label lbl_UploadPath{this, "lbl_UploadPath"};
    Label Label7{this, "Label7"};

    PageLoadStrip strip{ProgressBar1, ProgressBar2, TimerProgressBar};

protected:
    static constexpr int kWidth = 9600;
    // Lays the shared controls out around a browser of the given top and height.
    GalleryBrowserWindow(App& app, const char* name, const std::string& banner, int browserTop,
                         int browserHeight);
    // The rows every such window's caption table has, in their order: 350, 351, 290, 352, 320, 321.
    void sharedCaptions();
};

}  // namespace vantry
