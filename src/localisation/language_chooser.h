#pragma once
// The language chooser: the user opens one of the language folders under the program folder's
// "lang" folder and installs its language file as the active LANGUAGE.DRV; every text of the
// main window and the tray menus is then set again from it.
//
// It opens from the main window's language button (which has made "lang" the current directory
// and hidden the main window) and, at the first start, from the tray-menu window's load while
// START.1ST is in the program folder. There it also finishes the start-up: it has the splash add
// the tray icon (which loads the splash hidden and starts its timed steps), deletes START.1ST
// and shows the main window; cancelling it there ends the program and keeps START.1ST.
//
// While it is open the current directory is "lang" or the language folder last opened; every
// way out but the first-start cancel goes through the unload, which returns to the program
// folder and shows the main window.
#include <memory>
#include <string>

#include "platform/model/app.h"
#include "platform/model/control.h"
#include "platform/model/form.h"

namespace vantry {

using namespace vb;

class Language : public Form {
public:
    static constexpr const char* kName = "Language";
    explicit Language(App& app);

    void Form_Load() override;
    void Form_Unload(int& cancel) override;

    // The chooser's captions from the language store (normal use only).
    void Get_Language();
    // Shows the active language's flag: header line 5 names its folder and picture.
    void Get_Flag();
    // Installs the language file of the opened folder; any failure shows message 92 and ends
    // the program.
    void Change_Language();

    void Dir1_Change();
    void cmd_Refresh_Click();
    void Command2_Click();
    void Command3_Click();

    Label lbl_Lingua{this, "lbl_Lingua"};
    Label lbl_Seleziona{this, "lbl_Seleziona"};
    FolderListBox Dir1{this, "Dir1"};
    FileListBox File1{this, "File1"};
    FileListBox File2{this, "File2"};
    PictureBox Picture1{this, "Picture1"};
    Image img_Flag{this, "img_Flag"};
    CommandButton Command1{this, "Command1"};
    CommandButton Command2{this, "Command2"};
    CommandButton Command3{this, "Command3"};
    CommandButton cmd_Refresh{this, "cmd_Refresh"};
    // Program and version labels the window was drawn with; hidden and never filled.
    Label Label1{this, "Label1"};
    Label Label2{this, "Label2"};
    Label Label3{this, "Label3"};
    Label Label4{this, "Label4"};
    Label Label5{this, "Label5"};

private:
    // Shows a picture as the window's background, in Picture1 and, through it, in img_Flag.
    void showFlag(const std::shared_ptr<const Picture>& picture);
};

}  // namespace vantry
