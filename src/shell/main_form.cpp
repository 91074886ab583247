// The main window's design: every control with its place and design value, and the wiring of
// its events to the procedures named after them.
#include "shell/main_form.h"

#include "platform/system/fs.h"
#include "shell/version.h"

namespace vantry {

namespace {
constexpr Color kStrip = rgb(36, 52, 86);
constexpr Color kWindow = rgb(244, 245, 247);
constexpr Color kWhite = rgb(255, 255, 255);
constexpr Color kAccent = rgb(70, 110, 180);
constexpr Color kGreyBorder = rgb(64, 64, 64);
}  // namespace

Main::Main(App& app) : Form(app, kName) {
    design("Vantry", 8415, 6135);
    fixedSize = true;
    hidesToTray = true;
    mouseMoveIsTrayCallback = true;
    designFrame();
    designPanels();
    designDownload();
    designLibraryCommands();
    designOnline();
    // The file list starts on the folder that is current when the window is created.
    vb::resume([&] { File1.setPath(app.fs().CurDir()); });

    // Events.
    CoolButton1.Click = [this] { CoolButton1_Click(); };
    CoolButton2.Click = [this] { CoolButton2_Click(); };
    CoolButton3.Click = [this] { CoolButton3_Click(); };
    CoolButton4.Click = [this] { CoolButton4_Click(); };
    CoolButton5.Click = [this] { CoolButton5_Click(); };
    CoolButton6.Click = [this] { CoolButton6_Click(); };
    CoolButton7.Click = [this] { CoolButton7_Click(); };
    img_About.Click = [this] { img_About_Click(); };
    SSCommand1.Click = [this] { SSCommand1_Click(); };
    cmd_SaveCFG.Click = [this] { cmd_SaveCFG_Click(); };
    img_Analog.Click = [this] { img_Analog_Click(); };
    img_Digital.Click = [this] { img_Digital_Click(); };
    // The highlight follows the mouse over the two answers and clears over the background.
    img_Analog.MouseMove = [this](int, int, float, float) {
        Shape21.setFillColor(rgb(255, 255, 192));
        Shape22.setFillColor(rgb(255, 255, 255));
    };
    img_Digital.MouseMove = [this](int, int, float, float) {
        Shape22.setFillColor(rgb(255, 255, 192));
        Shape21.setFillColor(rgb(255, 255, 255));
    };
    Image9.MouseMove = [this](int, int, float, float) {
        Shape21.setFillColor(rgb(255, 255, 255));
        Shape22.setFillColor(rgb(255, 255, 255));
    };
    cmd_Refresh.Click = [this] { cmd_Refresh_Click(); };
    cmd_Expand_FileBox.Click = [this] { cmd_Expand_FileBox_Click(); };
    ListView1.ItemClick = [this](int row) { ListView1_ItemClick(row); };
    // The apply button and both double clicks apply the previewed picture in the same two steps.
    auto apply = [this] {
        Save_Wallpaper();
        Put_Wallpaper();
    };
    ListView1.DblClick = apply;
    File1.DblClick = apply;
    CoolButton8.Click = apply;
}

void Main::designFrame() {
    Shape_Top.pos(0, 0, 8415, 1080).fill(kStrip, kStrip);
    lbl_Title.pos(240, 270, 4500, 525).cap("Vantry").colors(kWhite, kStrip).bold().fontSize(20);

    // The section buttons, a column on the left under the title strip.
    int top = 1200;
    for (ImageButton* b : {&CoolButton1, &CoolButton2, &CoolButton3, &CoolButton6, &CoolButton7,
                           &CoolButton4, &CoolButton5}) {
        b->pos(60, top, 1680, 555);
        top += 630;
    }
    CoolButton1.cap("&Download");
    CoolButton1.resource = "download";
    CoolButton2.cap("&Immagini");
    CoolButton2.resource = "pictures";
    CoolButton3.cap("&Aggiungi");
    CoolButton3.resource = "add";
    CoolButton6.cap("&Opzioni");
    CoolButton6.resource = "settings";
    CoolButton7.cap("&Plugins");
    CoolButton7.resource = "plugins";
    CoolButton4.cap("&Lingua");
    CoolButton4.resource = "language";
    CoolButton5.cap("&Tray");
    CoolButton5.resource = "tray";
    img_About.pos(120, 5715, 1560, 330);
    img_About.resource = "about";
}

void Main::designPanels() {
    // Section panels share one place beside the buttons.
    for (Panel* p : {&GetIMAGE, &Options, &Panel_Options, &Panel_Plugins}) p->pos(1800, 1080, 6615, 5055);
    Panel_Options.hidden();
    Panel_Plugins.hidden();
    for (Panel* p : {&GetIMAGE, &Options, &Panel_Options, &Panel_Plugins}) p->colors(0, kWindow);
    // Decorative bars, which the load moves to the panels' left edges.
    for (Shape* s : {&Shape3, &Shape11, &Shape39, &Shape41}) s->pos(60, 0, 6555, 45).fill(kAccent, kAccent);

    // Get a picture.
    lbl_GetIMAGE_Section.pos(120, 150, 6375, 375).bold().fontSize(13);
    lbl_GetIMAGE_Descr.pos(120, 540, 6375, 555);
    SSCommand1.pos(120, 1155, 2055, 495);
    SSCommand1.resource = "gallery";
    lbl_ConnectStateTitle.pos(2400, 1155, 4095, 255).bold();
    lbl_NoConnection.pos(2400, 1410, 4095, 255);
    txt_GetURL.pos(120, 1815, 4455, 315);
    Command1.pos(4680, 1800, 1815, 345);
    lbl_DownloadTitle.pos(120, 2310, 6375, 255).bold();
    lbl_LastDownloaded.pos(120, 2610, 6375, 255);
    img_LastDownloaded.pos(120, 2895, 2055, 1575);
    img_LastDownloaded.stretch = true;
    Picture_LastDownloaded.pos(0, 0, 15, 15).hidden();
    lbl_TimeLastDownloaded.pos(120, 4515, 4095, 255).cap("-");
    lbl_GoNews.pos(2400, 2895, 3255, 255);
    cmd_GoNews.pos(5760, 2850, 495, 330).cap(">>");
    WebLink1.pos(2400, 3405, 4095, 255);
    WebLink2.pos(2400, 3705, 4095, 255);

    // Picture list and preview.
    lbl_OPZIONI_Section.pos(120, 90, 6375, 300).bold().fontSize(13);
    lbl_ImagesFolder.pos(120, 90, 6375, 300).hidden();
    lbl_CurrentIMGFolder.pos(120, 390, 6375, 255);
    lbl_Files.pos(120, 690, 3375, 255).bold();
    File1.pos(120, 960, 2175, 3540);
    File1.pattern("*.jpg;*.bmp");
    ListView1.pos(120, 960, 3375, 3615);
    cmd_Refresh.pos(120, 4680, 2055, 255);
    cmd_Expand_FileBox.pos(3240, 4680, 255, 255).cap(">");
    lbl_Preview.pos(3720, 690, 2775, 255).bold();
    img_Preview.pos(3720, 960, 2055, 1575);
    img_Preview.stretch = true;
    Picture_Preview.pos(0, 0, 15, 15).hidden();
    img_ImageInfo.pos(3540, 2655, 240, 240).hidden();
    img_ImageInfo.resource = "info";
    // Ends where the widened list ends, which then covers it whole.
    lbl_ImageInfo.pos(3810, 2655, 2685, 255);
    // Apply, random and delete side by side under the information line.
    CoolButton8.pos(3720, 3060, 885, 495);
    CoolButton8.resource = "apply";
    CoolButton10.pos(4665, 3060, 885, 495);
    CoolButton10.resource = "random";
    CoolButton11.pos(5610, 3060, 885, 495).disabled();
    CoolButton11.resource = "delete";
    lbl_Res.pos(3720, 3825, 2775, 255).bold();
    lbl_ResVideo.pos(3720, 4095, 2775, 255).cap("-");

    // Settings.
    lbl_ProgramOptions.pos(120, 150, 6375, 375).bold().fontSize(13);
    lbl_Options.pos(120, 540, 6375, 255);
    chk_Tray.pos(240, 900, 6255, 300);
    chk_ADSL.pos(240, 1230, 6255, 300);
    chk_Fresco.pos(240, 1560, 6255, 300);
    chk_News.pos(240, 1890, 6255, 300);
    lbl_Criteria.pos(240, 2370, 6255, 255);
    cmb_Criteria.pos(240, 2655, 4335, 315);
    lbl_StartTimer.pos(240, 3180, 3015, 255);
    txt_StartTimer.pos(3360, 3150, 975, 315);
    cmd_SaveCFG.pos(240, 3825, 2055, 420);

    designPlugins();

    // Download progress, across the whole width.
    Download.pos(0, 1080, 8415, 5055).hidden().colors(0, kWindow);
    Shape16.pos(60, 0, 8295, 45).fill(kAccent, kAccent);
    lbl_Downloading.pos(1800, 600, 6375, 300).bold();
    ProgressBar1.pos(1800, 1200, 15, 255).fill(rgb(0, 160, 0), rgb(0, 120, 0));
    Command3.pos(1800, 1860, 1575, 375);

    // News, across the whole width; shown until the start-up decides.
    News.pos(0, 1080, 8415, 5055).colors(0, kWindow);
    lbl_News.pos(120, 120, 3135, 300).bold().fontSize(12);
    cmd_GetNews.pos(3330, 90, 3000, 345);
    cmd_NewsRefresh.pos(6390, 90, 975, 345);
    cmd_NewsClose.pos(7425, 90, 870, 345);
    cmd_BrowseNews.pos(7425, 4575, 870, 345).cap(">>");

    // Connection type, over the section buttons.
    Before.pos(0, 1080, 8415, 5055).hidden().colors(0, kWindow);
    Image9.pos(0, 0, 8415, 5055);
    lbl_BeforeTitle.pos(960, 240, 6615, 375).bold().fontSize(13);
    lbl_BeforeDescr.pos(960, 705, 6615, 615);
    Shape21.pos(960, 1440, 6615, 855).fill(kWhite, kGreyBorder);
    Shape22.pos(960, 2520, 6615, 855).fill(kWhite, kGreyBorder);
    lbl_AnalogTitle.pos(1920, 1530, 5535, 285).bold();
    lbl_AnalogDescr.pos(1920, 1830, 5535, 420);
    lbl_DigitalTitle.pos(1920, 2610, 5535, 285).bold();
    lbl_DigitalDescr.pos(1920, 2910, 5535, 420);
    // Each answer's picture covers its row, so the whole row reacts to the mouse.
    img_Analog.pos(960, 1440, 6615, 855);
    img_Analog.resource = "analog";
    img_Digital.pos(960, 2520, 6615, 855);
    img_Digital.resource = "digital";

    // Shared values: never shown.
    for (TextBox* t : {&txt_InitDir, &txt_Fresco, &txt_BeforeFlag, &txt_WinDir, &txt_Criteria, &txt_Timer2,
                       &txt_Resolution, &txt_CancelDownload, &txt_NewsFlag, &txt_ListView1Item})
        t->pos(0, 0, 1215, 285).hidden();
    txt_Fresco.txt("0");
    txt_Criteria.txt("0");
    txt_Timer2.txt("0");
    txt_CancelDownload.txt("0");
    txt_NewsFlag.txt("0");
    lst_Language.pos(0, 0, 1215, 285).hidden();
}

std::string Main::inProgramFolder(const std::string& name) const {
    return joinPath(txt_InitDir.Text(), name);
}

}  // namespace vantry
