#pragma once
// The main window: the program's frame, its start-up, and the settings store that every other
// window reads and writes by name.
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/model/app.h"
#include "platform/model/control.h"
#include "platform/model/form.h"
#include "platform/model/online.h"
#include "online/hosts.h"

namespace vantry {

using namespace vb;

class Main : public Form {
public:
    static constexpr const char* kName = "Main";
    explicit Main(App& app);

    void Form_Load() override;
    void Form_Unload(int& cancel) override;
    void Form_Resize() override {}
    void Form_MouseMove(int button, int shift, float x, float y) override;

    // Settings store and option files.
    void cmd_SaveCFG_Click();
    void Check_TrayFlag();
    void Check_ADSLFlag();
    void Check_AutoFresco();
    void Check_News();
    void Check_StartTimer();
    void Set_DeafultPath();
    void Auto_ReFresco();

    // Language store and captions.
    void Set_Language();
    void Get_Language();

    // Frame, panels and the connection-type question.
    void CoolButton1_Click();
    void CoolButton2_Click();
    void CoolButton3_Click();
    void CoolButton4_Click();
    void CoolButton5_Click();
    void CoolButton6_Click();
    void CoolButton7_Click();
    void img_About_Click();
    void Check_Set_InternetConnection();
    void img_Analog_Click();
    void img_Digital_Click();
    void Close_Program();

    // Picture list, preview and wallpaper.
    void ImageFolder_Refresh();
    void cmd_Refresh_Click();
    void cmd_Expand_FileBox_Click();
    void FileBox_Click();
    void Save_Wallpaper();
    void Put_Wallpaper();
    void Get_WinDir();
    void Get_Screen_Resolution();
    void Show_ImageInfo(const std::string& name);
    void ListView1_ItemClick(int row);
    void previewFile(const std::string& name);

    // Picture list editing: rename in place, delete, sort, and the rename button.
    void ListView1_BeforeLabelEdit(int& cancel);
    void ListView1_AfterLabelEdit(int& cancel, std::string& newText);
    void CoolButton11_Click();
    void ListView1_KeyDown(int& keyCode, int shift);
    void ListView1_ColumnClick(int index);
    void Command4_Click();

    // Random rotation.
    void Put_Wallpaper_Random();
    void Check_ApplyRandomFlag();
    void Timer_Criteria_Timer();
    void txt_Criteria_Change();

    // The gallery launch (src/online).
    void Start_Pelloria();
    void SSCommand1_Click() { Start_Pelloria(); }  // the gallery button

    // Plug-in launchers: the companions are detected each time the panel is shown.
    void Check_SURPLEX();
    void Check_Kestrin();
    void CB_Surplex_Click();
    void CB_Kestrin_Click();

    // Picture download, the reset after it and the last-considered picture (src/online).
    void Get_ImageFile();
    void Reset_Controls();
    void Get_LastDownloaded();
    void FileTransfer1_TransferProgress(int reserved, std::int64_t total, std::int64_t done, int reserved2);
    void FileTransfer1_TransferError(int code, const std::string& description);
    void Command3_Click();
    void Timer2_Timer();
    void txt_Timer2_Change();
    void Command1_Click();
    void txt_GetURL_GotFocus();
    // The button the Enter key presses in the get-a-picture box once it had the focus.
    Control* defaultButton = nullptr;
    // Online gallery: the connection monitor and the news panel (src/online).
    void InternetConnectionExists();
    void Timer1_Timer();
    void Inet1_StateChanged(int state);
    void cmd_GoNews_Click();
    void cmd_NewsClose_Click();
    void cmd_NewsRefresh_Click();
    void cmd_GetNews_Click();
    void cmd_BrowseNews_Click();
    // The hosts in effect ("HOSTS.CFG" in the program folder, else the defaults).
    Hosts hosts() const;

    // A file in the program folder, whatever the current directory is.
    std::string inProgramFolder(const std::string& name) const;

    // ---- controls, in design order ----
    Shape Shape_Top{this, "Shape_Top"};
    Label lbl_Title{this, "lbl_Title"};

    // Section buttons.
    ImageButton CoolButton1{this, "CoolButton1"};
    ImageButton CoolButton2{this, "CoolButton2"};
    ImageButton CoolButton3{this, "CoolButton3"};
    ImageButton CoolButton6{this, "CoolButton6"};
    ImageButton CoolButton7{this, "CoolButton7"};
    ImageButton CoolButton4{this, "CoolButton4"};
    ImageButton CoolButton5{this, "CoolButton5"};
    Image img_About{this, "img_About"};

    // Picture list and preview.
    Panel Options{this, "Options"};
    Shape Shape11{this, "Shape11", &Options};
    Label lbl_OPZIONI_Section{this, "lbl_OPZIONI_Section", &Options};
    Label lbl_ImagesFolder{this, "lbl_ImagesFolder", &Options};
    Label lbl_CurrentIMGFolder{this, "lbl_CurrentIMGFolder", &Options};
    Label lbl_Files{this, "lbl_Files", &Options};
    FileListBox File1{this, "File1", &Options};
    CommandButton cmd_Refresh{this, "cmd_Refresh", &Options};
    CommandButton cmd_Expand_FileBox{this, "cmd_Expand_FileBox", &Options};
    Label lbl_Preview{this, "lbl_Preview", &Options};
    Image img_Preview{this, "img_Preview", &Options};
    PictureBox Picture_Preview{this, "Picture_Preview", &Options};
    Image img_ImageInfo{this, "img_ImageInfo", &Options};
    Label lbl_ImageInfo{this, "lbl_ImageInfo", &Options};
    ImageButton CoolButton8{this, "CoolButton8", &Options};
    ImageButton CoolButton10{this, "CoolButton10", &Options};
    ImageButton CoolButton11{this, "CoolButton11", &Options};
    Label lbl_Res{this, "lbl_Res", &Options};
    Label lbl_ResVideo{this, "lbl_ResVideo", &Options};
    CommandButton Command4{this, "Command4", &Options};  // rename; no command shows it
    // After the preview: the widened list lies over it.
    ListView ListView1{this, "ListView1", &Options};

    // Get a picture.
    Panel GetIMAGE{this, "GetIMAGE"};
    Shape Shape3{this, "Shape3", &GetIMAGE};
    Label lbl_GetIMAGE_Section{this, "lbl_GetIMAGE_Section", &GetIMAGE};
    Label lbl_GetIMAGE_Descr{this, "lbl_GetIMAGE_Descr", &GetIMAGE};
    ImageButton SSCommand1{this, "SSCommand1", &GetIMAGE};
    Label lbl_ConnectStateTitle{this, "lbl_ConnectStateTitle", &GetIMAGE};
    Label lbl_NoConnection{this, "lbl_NoConnection", &GetIMAGE};
    TextBox txt_GetURL{this, "txt_GetURL", &GetIMAGE};
    CommandButton Command1{this, "Command1", &GetIMAGE};
    Label lbl_DownloadTitle{this, "lbl_DownloadTitle", &GetIMAGE};
    Label lbl_LastDownloaded{this, "lbl_LastDownloaded", &GetIMAGE};
    Image img_LastDownloaded{this, "img_LastDownloaded", &GetIMAGE};
    PictureBox Picture_LastDownloaded{this, "Picture_LastDownloaded", &GetIMAGE};
    Label lbl_TimeLastDownloaded{this, "lbl_TimeLastDownloaded", &GetIMAGE};
    Label lbl_GoNews{this, "lbl_GoNews", &GetIMAGE};
    CommandButton cmd_GoNews{this, "cmd_GoNews", &GetIMAGE};
    LinkLabel WebLink1{this, "WebLink1", &GetIMAGE};
    LinkLabel WebLink2{this, "WebLink2", &GetIMAGE};

    // Settings.
    Panel Panel_Options{this, "Panel_Options"};
    Shape Shape39{this, "Shape39", &Panel_Options};
    Label lbl_ProgramOptions{this, "lbl_ProgramOptions", &Panel_Options};
    Label lbl_Options{this, "lbl_Options", &Panel_Options};
    CheckBox chk_Tray{this, "chk_Tray", &Panel_Options};
    CheckBox chk_ADSL{this, "chk_ADSL", &Panel_Options};
    CheckBox chk_Fresco{this, "chk_Fresco", &Panel_Options};
    CheckBox chk_News{this, "chk_News", &Panel_Options};
    Label lbl_Criteria{this, "lbl_Criteria", &Panel_Options};
    ComboBox cmb_Criteria{this, "cmb_Criteria", &Panel_Options};
    Label lbl_StartTimer{this, "lbl_StartTimer", &Panel_Options};
    TextBox txt_StartTimer{this, "txt_StartTimer", &Panel_Options};
    CommandButton cmd_SaveCFG{this, "cmd_SaveCFG", &Panel_Options};

    // Plug-ins.
    Panel Panel_Plugins{this, "Panel_Plugins"};
    Shape Shape41{this, "Shape41", &Panel_Plugins};
    Label Label14{this, "Label14", &Panel_Plugins};
    Label Label11{this, "Label11", &Panel_Plugins};
    Label lbl_SURPLEX{this, "lbl_SURPLEX", &Panel_Plugins};
    ImageButton CB_Surplex{this, "CB_Surplex", &Panel_Plugins};
    LinkLabel WebLink3{this, "WebLink3", &Panel_Plugins};
    Label Label13{this, "Label13", &Panel_Plugins};
    Label lbl_Kestrin{this, "lbl_Kestrin", &Panel_Plugins};
    ImageButton CB_Kestrin{this, "CB_Kestrin", &Panel_Plugins};
    LinkLabel WebLink4{this, "WebLink4", &Panel_Plugins};

    // Download progress.
    Panel Download{this, "Download"};
    Shape Shape16{this, "Shape16", &Download};
    Label lbl_Downloading{this, "lbl_Downloading", &Download};
    Shape ProgressBar1{this, "ProgressBar1", &Download};
    CommandButton Command3{this, "Command3", &Download};
    Label lbl_FileLenght{this, "lbl_FileLenght", &Download};
    Label lbl_Percent{this, "lbl_Percent", &Download};
    Image img_Downloading{this, "img_Downloading", &Download};

    // News.
    Panel News{this, "News"};
    Label lbl_News{this, "lbl_News", &News};
    CommandButton cmd_NewsClose{this, "cmd_NewsClose", &News};
    CommandButton cmd_NewsRefresh{this, "cmd_NewsRefresh", &News};
    CommandButton cmd_GetNews{this, "cmd_GetNews", &News};
    CommandButton cmd_BrowseNews{this, "cmd_BrowseNews", &News};
    WebBrowser WebBrowserNews{this, "WebBrowserNews", &News};

    // Connection-type question.
    Panel Before{this, "Before"};
    Image Image9{this, "Image9", &Before};
    Label lbl_BeforeTitle{this, "lbl_BeforeTitle", &Before};
    Label lbl_BeforeDescr{this, "lbl_BeforeDescr", &Before};
    Shape Shape21{this, "Shape21", &Before};
    Shape Shape22{this, "Shape22", &Before};
    Label lbl_AnalogTitle{this, "lbl_AnalogTitle", &Before};
    Label lbl_AnalogDescr{this, "lbl_AnalogDescr", &Before};
    Label lbl_DigitalTitle{this, "lbl_DigitalTitle", &Before};
    Label lbl_DigitalDescr{this, "lbl_DigitalDescr", &Before};
    // The answers' pictures lie over their rows' texts, so the whole row takes the mouse.
    Image img_Analog{this, "img_Analog", &Before};
    Image img_Digital{this, "img_Digital", &Before};

    // Shared values out of the user's sight.
    TextBox txt_InitDir{this, "txt_InitDir"};
    TextBox txt_Fresco{this, "txt_Fresco"};
    TextBox txt_BeforeFlag{this, "txt_BeforeFlag"};
    TextBox txt_WinDir{this, "txt_WinDir"};
    TextBox txt_Criteria{this, "txt_Criteria"};
    TextBox txt_Timer2{this, "txt_Timer2"};
    TextBox txt_Resolution{this, "txt_Resolution"};
    TextBox txt_CancelDownload{this, "txt_CancelDownload"};
    TextBox txt_NewsFlag{this, "txt_NewsFlag"};
    TextBox txt_ListView1Item{this, "txt_ListView1Item"};
    TextBox txt_Server{this, "txt_Server"};  // written by the download wizard, read by nothing
    ListBox lst_Language{this, "lst_Language"};
    Timer Timer_Criteria{this, "Timer_Criteria"};

    TrayIconControl WinTray1{this, "WinTray1"};
    // The picture download's transfer and its post-download tick.
    FileTransfer FileTransfer1{this, "FileTransfer1"};
    Timer Timer2{this, "Timer2"};
    Timer Timer1{this, "Timer1"};  // the connection monitor's
    InternetTransfer Inet1{this, "Inet1"};

    // Shows one of the five section panels and hides the other four.
    void showSection(Panel& shown);

private:
    void designFrame();
    void designPanels();
    void designDownload();  // src/online/picture_download.cpp
    void designPlugins();  // src/shell/plugins.cpp
    // The picture-list panel's editing and rotation controls: their design and events.
    void designLibraryCommands();
    int lastSortedColumn_ = 0;  // the column the previous header click sorted by, 0-based
    void designOnline();  // src/online/connection_monitor.cpp

    // The picture the last successful save wrote to the wallpaper bitmap, and where, so the
    // apply after it can hand the picture itself to the setter. Null after a failed save, and
    // while a save in the background has yet to write the file.
    std::shared_ptr<const vb::Picture> wallpaperWritten_;
    std::string wallpaperWrittenPath_;
    // Every save of the wallpaper, in the background or not, is a new choice and takes the next
    // number. A background job replaces the file, or tells the desktop, under the lock and only
    // while its choice is still the latest, so one that ends after a later apply (the user's or
    // the rotation's) leaves that apply's picture on file and on the desktop. Counted on the
    // user-interface thread; the jobs read the count under the lock.
    struct WallpaperChoices {
        std::mutex mutex;
        int latest = 0;
    };
    std::shared_ptr<WallpaperChoices> wallpaperChoices_ = std::make_shared<WallpaperChoices>();
    int chooseWallpaper();  // the new choice's number
    std::string wallpaperBitmap();  // where the wallpaper bitmap is written, as the system names it
    // Save_Wallpaper with the writing as a background job of the download's steps (below), for
    // the large pictures a download brings; `then` runs once the file is written or the save
    // failed (silently, as every save).
    void saveWallpaperInBackground(std::function<void()> then);
    // Put_Wallpaper's hand-over of the bitmap to the desktop, touching nothing of the window, so
    // that it may run as a background job (a setter that draws the picture scales all of it).
    std::function<void()> wallpaperHandOver();

    // The steps after a download keep their ticks' order although the costly part of some runs
    // in the background: a step whose tick comes while an earlier step's job still runs waits
    // for that job and runs right after it (src/online/picture_download.cpp).
    void afterDownloadJobs(std::function<void()> step);
    void previewDownloadedPicture();  // tick 3
    void endDownloadSteps();          // tick 10
    void downloadJob(std::function<void()> work, std::function<void()> done);
    bool downloadJobRunning_ = false;
    std::deque<std::function<void()>> downloadStepsWaiting_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // a job's end finds the window gone
};

}  // namespace vantry
