#pragma once
// The tray-menu window: never seen by the user. Its load is the second stage of start-up, and
// it owns the two pop-up menus of the tray icon.
#include <map>
#include <memory>
#include <string>

#include "platform/model/app.h"
#include "platform/model/control.h"
#include "platform/model/form.h"

namespace vantry {

using namespace vb;

// Puts pictures beside menu items, addressed by their position among every menu entry of the
// window (menus included), counted from 1 in design order. Set the pairs, then apply them. The
// picture is a picture box's: its picture, or the named picture it shows.
class MenuPictures {
public:
    explicit MenuPictures(Form& form) : form_(form) {}
    void SetPicture(int position, const PictureHolder& source);
    void Apply();

private:
    struct Source {
        std::shared_ptr<const Picture> picture;
        std::string resource;
    };
    Form& form_;
    std::map<int, Source> pending_;
};

class StartForm : public Form {
public:
    static constexpr const char* kName = "StartForm";
    explicit StartForm(App& app);

    void Form_Load() override;
    std::string OSVersion();
    bool InitCommonControlsVB();
    void Open_External_Images();

    void Main_Downld_Click();
    void Main_Cfg_Click();
    void Options_Click();
    void Plugins_Click();
    void Go_Explorer_Click();
    void Go_Uploader_Click();
    void Go_News_Click();
    void tray_Random_Click();
    void HideMenu_Click() {}
    void tray_Close_Click();
    void CompactMenu_Cancel_Click() {}
    void CompactMenu_Close_Click();

    Menu Tray_Main{this, "Tray_Main"};
    MenuItem Main_Downld{this, "Main_Downld", &Tray_Main};
    MenuItem Main_Cfg{this, "Main_Cfg", &Tray_Main};
    MenuItem Ext_Images{this, "Ext_Images", &Tray_Main};
    MenuItem Options{this, "Options", &Tray_Main};
    MenuItem Plugins{this, "Plugins", &Tray_Main};
    MenuItem trayBlank0{this, "trayBlank0", &Tray_Main};
    MenuItem Go_Explorer{this, "Go_Explorer", &Tray_Main};
    MenuItem Go_Uploader{this, "Go_Uploader", &Tray_Main};
    MenuItem Go_News{this, "Go_News", &Tray_Main};
    MenuItem tray_Blank1{this, "tray_Blank1", &Tray_Main};
    MenuItem tray_Random{this, "tray_Random", &Tray_Main};
    MenuItem tray_Blank2{this, "tray_Blank2", &Tray_Main};
    MenuItem HideMenu{this, "HideMenu", &Tray_Main};
    MenuItem tray_Close{this, "tray_Close", &Tray_Main};
    Menu CompactMenu{this, "CompactMenu"};
    MenuItem CompactMenu_Cancel{this, "CompactMenu_Cancel", &CompactMenu};
    MenuItem CompactMenu_Close{this, "CompactMenu_Close", &CompactMenu};

    PictureBox Picture1{this, "Picture1"};
    PictureBox Picture2{this, "Picture2"};
    PictureBox Picture3{this, "Picture3"};
    PictureBox Picture4{this, "Picture4"};
    PictureBox Picture5{this, "Picture5"};
    PictureBox Picture6{this, "Picture6"};
    PictureBox Picture7{this, "Picture7"};

    MenuPictures WinMenu1{*this};
};

}  // namespace vantry
