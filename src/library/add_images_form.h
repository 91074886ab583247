#pragma once
// The add-images window: picks a source folder, shows its pictures by a pattern, previews one,
// and copies the selected files into the picture library (moving them when asked). Every
// opening starts afresh; closing it in any way returns to the folder current at its opening.
#include "platform/model/app.h"
#include "platform/model/control.h"
#include "platform/model/form.h"

namespace vantry {

using namespace vb;

class Add_Images : public Form {
public:
    static constexpr const char* kName = "Add_Images";
    explicit Add_Images(App& app);

    void Form_Load() override;
    void Form_Unload(int& cancel) override;

    void Get_Language();
    void cmd_ChangePath_Click();
    void Combo_Pattern_Click();
    void Combo_Pattern_KeyDown(int& keyCode, int shift);
    void File1_Click();
    void FileBox_Click();
    void Command1_Click();
    void Command2_Click();
    void Drive1_Change();
    void Dir1_Change();

    // ---- controls, in design order ----
    Label lbl_GetExtIMAGE{this, "lbl_GetExtIMAGE"};
    Label lbl_Path{this, "lbl_Path"};
    TextBox txt_CurPath{this, "txt_CurPath"};
    CommandButton cmd_ChangePath{this, "cmd_ChangePath"};
    FolderBrowser BrowseFF1{this, "BrowseFF1"};
    Label lbl_Available_Images{this, "lbl_Available_Images"};
    FileListBox File1{this, "File1"};
    Label lbl_Pattern{this, "lbl_Pattern"};
    ComboBox Combo_Pattern{this, "Combo_Pattern"};
    Label lbl_Preview{this, "lbl_Preview"};
    PictureBox Picture_Preview{this, "Picture_Preview"};
    Image img_Preview{this, "img_Preview"};
    CheckBox Check1{this, "Check1"};
    CommandButton Command1{this, "Command1"};
    CommandButton Command2{this, "Command2"};
    ListBox lst_Selection{this, "lst_Selection"};
    TextBox txt_InitDir{this, "txt_InitDir"};
    DriveListBox Drive1{this, "Drive1"};
    DirListBox Dir1{this, "Dir1"};

private:
    bool unloading_ = false;  // Form_Unload runs the cancel steps, which unload no second time
};

}  // namespace vantry
