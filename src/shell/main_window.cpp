// The main window's start-up, its section commands and panels, the connection-type question,
// the tray callback and the exit.
#include <cmath>

#include "localisation/language.h"
#include "platform/base/error.h"
#include "platform/system/fs.h"
#include "shell/main_form.h"
#include "shell/splash.h"
#include "shell/start_form.h"
#include "shell/version.h"

namespace vantry {

void Main::Form_Load() {
    removeCloseFromSystemMenu();
    Shape3.setLeft(0);
    Shape11.setLeft(0);
    Shape39.setLeft(0);
    Shape41.setLeft(0);
    Shape16.setLeft(120);
    txt_InitDir.setText(app().fs().CurDir());
    Set_DeafultPath();
    Set_Language();
    Get_Language();  // loads the tray-menu window, and with it the splash
    Get_WinDir();
    Get_Screen_Resolution();
    Get_LastDownloaded();
    Check_ApplyRandomFlag();
    InternetConnectionExists();
    Check_StartTimer();
    setCaption(productTitle());
}

void Main::Form_Unload(int&) { app().end(0); }

void Main::showSection(Panel& shown) {
    for (Panel* p : {&GetIMAGE, &Options, &Panel_Options, &Download, &Panel_Plugins})
        if (p != &shown) p->setVisible(false);
    shown.setVisible(true);
}

void Main::CoolButton1_Click() {
    app().fs().ChDir(txt_InitDir.Text());
    showSection(GetIMAGE);
    txt_GetURL.setText("");
}

void Main::CoolButton3_Click() {
    Form& add = app().touch("Add_Images");
    Hide();
    add.Show();
    if (auto* box = dynamic_cast<TextBox*>(add.find("txt_InitDir"))) box->setText(app().fs().CurDir());
}

void Main::CoolButton5_Click() {
    setWindowState(WindowState::Minimized);
    Hide();
}

void Main::CoolButton6_Click() {
    app().fs().ChDrive(txt_InitDir.Text().substr(0, 1));
    app().fs().ChDir(txt_InitDir.Text());
    showSection(Panel_Options);
}

void Main::CoolButton7_Click() {
    showSection(Panel_Plugins);
    Check_SURPLEX();
    Check_Kestrin();
}

void Main::img_About_Click() {
    app().touch("About").Show();
    Hide();
}

void Main::Check_Set_InternetConnection() {
    vb::guarded(
        [&] {
            if (app().fs().fileExists(inProgramFolder("CONNECT.TMP"))) {
                Before.setVisible(true);
                txt_BeforeFlag.setText("1");
            } else {
                Before.setVisible(false);
                txt_BeforeFlag.setText("0");
            }
        },
        [&](const vb::Error&) { Before.setVisible(false); });
}

void Main::img_Analog_Click() {
    FileSystem& fs = app().fs();
    vb::resume([&] { fs.Kill(inProgramFolder("ADSL.CFG")); });
    vb::resume([&] { Check_ADSLFlag(); });
    vb::resume([&] { Before.setVisible(false); });
    vb::resume([&] { txt_BeforeFlag.setText("0"); });
    vb::resume([&] { fs.Kill(inProgramFolder("CONNECT.TMP")); });
}

void Main::img_Digital_Click() {
    FileSystem& fs = app().fs();
    vb::resume([&] { fs.writeLines(inProgramFolder("ADSL.CFG"), {"Vantry, Internet connection"}); });
    vb::resume([&] { Check_ADSLFlag(); });
    vb::resume([&] { Before.setVisible(false); });
    vb::resume([&] { txt_BeforeFlag.setText("0"); });
    vb::resume([&] { fs.Kill(inProgramFolder("CONNECT.TMP")); });
}

// The tray icon's mouse messages arrive as the X of a mouse move, in twips.
void Main::Form_MouseMove(int, int, float x, float) {
    const long message = std::lround(x) / kTwipsPerPixel;
    if (message == 515) {
        setWindowState(WindowState::Normal);
        Show();
        app().fs().ChDir(txt_InitDir.Text());
        txt_GetURL.setText("");
        showSection(GetIMAGE);
    } else if (message == 516) {
        if (ProgressBar1.Width() > 20) return;  // a download is running
        StartForm& menus = app().form<StartForm>();
        if (txt_BeforeFlag.Text() != "0") app().tray().popup(menus.CompactMenu, nullptr);
        else app().tray().popup(menus.Tray_Main, &menus.Main_Downld);
    }
}

void Main::Close_Program() {
    // At a normal start the record was never added, and deleting it removes nothing.
    if (TrayIcon_Data(app()).cbSize != 0) app().tray().removeIcon();
    app().end(0);
}

}  // namespace vantry
