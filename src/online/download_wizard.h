#pragma once
// The download wizard: between the gallery explorer's download button and the main window's
// picture download. It works out the current gallery picture's code and extension, shows its
// two download counts (fetched synchronously from the site) and its thumbnail (transferred into
// "temp.jpg" in the program folder, shown 3000 ms after the transfer reported completion), and
// hands the user's choice of resolution over to Main::Get_ImageFile.
//
// Only the resolution page (Step3) is ever on screen: the window opens on it and the one button
// that would lead back to the earlier pages is hidden. The other pages keep their controls and
// handlers all the same.
//
// One instance; the main window's reset unloads it after every download and touches it again at
// once, so the apply-when-done and minimise boxes return to their design values.
#include <string>

#include "platform/model/app.h"
#include "platform/model/control.h"
#include "platform/model/form.h"
#include "platform/model/online.h"

namespace vantry {

using namespace vb;

class Download_Wizard : public Form {
public:
    static constexpr const char* kName = "Download_Wizard";
    explicit Download_Wizard(App& app);

    void Form_Load() override;
    void Form_Unload(int& cancel) override;

    // Public procedures.
    void Prepara_Anteprima_Thumbnail();
    void Get_Language();
    void Get_File_Details() {}  // nothing calls it

    // Thumbnail.
    void Timer1_Timer();
    void FileTransfer1_TransferProgress(int reserved, std::int64_t total, std::int64_t done, int reserved2);
    void FileTransfer1_TransferError(int code, const std::string& description);

    // Hand-over, close, back.
    void Command6_Click() { handOver(true); }
    void Command7_Click() { handOver(false); }
    void Command8_Click();
    void cmd_goMyExplorer_Click();

    // The pages that are never shown.
    void Command5_Click();
    void Command4_Click();
    void Command1_Click();

    // ---- controls, in design order ----
    Shape Shape_Banner{this, "Shape_Banner"};  // the strip the banner text lies on
    Label Label1{this, "Label1"};

    Panel Step1{this, "Step1"};
    Label lbl_Step1{this, "lbl_Step1", &Step1};
    Label lbl_Descr_Step1_1{this, "lbl_Descr_Step1_1", &Step1};
    CheckBox Option1{this, "Option1", &Step1};  // the one server there is, selected
    LinkLabel WebLink2{this, "WebLink2", &Step1};
    CommandButton Command1{this, "Command1", &Step1};

    Panel Step2{this, "Step2"};
    Label lbl_Step2{this, "lbl_Step2", &Step2};
    Label lbl_Descr_Step2{this, "lbl_Descr_Step2", &Step2};
    ListBox List1{this, "List1", &Step2};
    CommandButton Command4{this, "Command4", &Step2};
    CommandButton Command2{this, "Command2", &Step2};

    Panel Step3{this, "Step3"};
    Label lbl_Step3{this, "lbl_Step3", &Step3};
    Label lbl_Preview{this, "lbl_Preview", &Step3};
    Label Label7{this, "Label7", &Step3};
    Image img_Preview{this, "img_Preview", &Step3};
    PictureBox Picture_Preview{this, "Picture_Preview", &Step3};
    Label lbl_Low{this, "lbl_Low", &Step3};
    Label lbl_Low_Descr{this, "lbl_Low_Descr", &Step3};
    CommandButton Command6{this, "Command6", &Step3};
    Label lbl_High{this, "lbl_High", &Step3};
    Label lbl_High_Descr{this, "lbl_High_Descr", &Step3};
    CommandButton Command7{this, "Command7", &Step3};
    CheckBox Check1{this, "Check1", &Step3};
    CheckBox Check2{this, "Check2", &Step3};
    CommandButton Command5{this, "Command5", &Step3};
    CommandButton Command3{this, "Command3", &Step3};

    Panel Download_Wait{this, "Download_Wait"};
    Label lbl_Wait_Title{this, "lbl_Wait_Title", &Download_Wait};
    Label lbl_Wait_Descr{this, "lbl_Wait_Descr", &Download_Wait};

    Panel Ending_Task{this, "Ending_Task"};
    Label lbl_Finishing{this, "lbl_Finishing", &Ending_Task};

    Label lbl_CounterLow{this, "lbl_CounterLow"};
    TextBox txt_DownloadCounter_Low{this, "txt_DownloadCounter_Low"};
    Label lbl_CounterHigh{this, "lbl_CounterHigh"};
    TextBox txt_DownloadCounter_High{this, "txt_DownloadCounter_High"};

    Label lbl_ForumNews{this, "lbl_ForumNews"};
    WebBrowser WebBrowser1{this, "WebBrowser1"};
    LinkLabel WebLink1{this, "WebLink1"};

    CommandButton cmd_goMyExplorer{this, "cmd_goMyExplorer"};
    CommandButton Command8{this, "Command8"};

    TextBox txt_Img_Code{this, "txt_Img_Code"};
    TextBox txt_ServersList{this, "txt_ServersList"};
    Timer Timer1{this, "Timer1"};
    InternetTransfer Inet1{this, "Inet1"};
    FileTransfer FileTransfer1{this, "FileTransfer1"};

private:
    void handOver(bool low);
    void showPicture(const std::string& file);  // into Picture_Preview, then the preview
    void fetchCounter(TextBox& box, const std::string& address);
};

}  // namespace vantry
