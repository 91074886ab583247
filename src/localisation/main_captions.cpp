// The caption table of the main window and the tray menus: 73 steps in nine groups, each
// selecting its number afresh. The tray-menu window is first touched at the start of group 8;
// that touch loads it, and its load runs the rest of the start-up's second stage right there.
#include "localisation/language.h"
#include "shell/main_form.h"
#include "shell/start_form.h"

namespace vantry {

namespace {

enum class Prop { Caption, ToolTip };

struct Step {
    int number;
    Prop prop;
    vb::Control& (*target)(Main&);
};

#define ON_MAIN(ctl) [](Main& m) -> vb::Control& { return m.ctl; }
#define ON_TRAY(ctl) [](Main& m) -> vb::Control& { return m.app().form<StartForm>().ctl; }

constexpr Prop C = Prop::Caption;
constexpr Prop T = Prop::ToolTip;

// Groups 1 to 4, before the rotation modes.
const Step kBeforeModes[] = {
    // News panel.
    {86, C, ON_MAIN(lbl_News)}, {86, C, ON_MAIN(lbl_GoNews)}, {87, C, ON_MAIN(chk_News)},
    {87, C, ON_MAIN(cmd_GetNews)}, {323, C, ON_MAIN(cmd_NewsRefresh)}, {40, C, ON_MAIN(cmd_NewsClose)},
    // Navigation, panel titles and the get-a-picture panel.
    {26, C, ON_MAIN(CoolButton1)}, {27, C, ON_MAIN(CoolButton2)}, {27, C, ON_MAIN(lbl_ImagesFolder)},
    {28, C, ON_MAIN(CoolButton5)}, {34, C, ON_MAIN(CoolButton4)}, {26, C, ON_MAIN(lbl_GetIMAGE_Section)},
    {78, C, ON_MAIN(lbl_DownloadTitle)}, {29, C, ON_MAIN(lbl_GetIMAGE_Descr)},
    {80, C, ON_MAIN(lbl_LastDownloaded)}, {30, C, ON_MAIN(Command1)}, {31, C, ON_MAIN(lbl_NoConnection)},
    {32, C, ON_MAIN(CoolButton6)}, {32, C, ON_MAIN(lbl_ProgramOptions)}, {43, C, ON_MAIN(lbl_ConnectStateTitle)},
    {45, C, ON_MAIN(CoolButton3)}, {41, C, ON_MAIN(WebLink1)}, {46, C, ON_MAIN(WebLink2)},
    {76, T, ON_MAIN(img_About)},
    // Picture list panel.
    {27, C, ON_MAIN(lbl_OPZIONI_Section)}, {49, C, ON_MAIN(lbl_Files)}, {50, C, ON_MAIN(lbl_Preview)},
    {51, T, ON_MAIN(CoolButton8)}, {52, T, ON_MAIN(CoolButton11)}, {53, C, ON_MAIN(lbl_Res)},
    {54, T, ON_MAIN(CoolButton10)}, {55, C, ON_MAIN(cmd_Refresh)},
    // Settings panel.
    {32, C, ON_MAIN(lbl_Options)}, {57, C, ON_MAIN(chk_Tray)}, {65, C, ON_MAIN(lbl_Criteria)},
    {66, C, ON_MAIN(Command3)}, {69, C, ON_MAIN(chk_Fresco)}, {48, C, ON_MAIN(lbl_StartTimer)},
};

// Group 5: list positions 0 to 7 are the rotation modes.
const int kModes[] = {58, 61, 62, 82, 63, 83, 64, 84};

// Groups 6 to 9.
const Step kAfterModes[] = {
    {60, C, ON_MAIN(chk_ADSL)}, {59, C, ON_MAIN(cmd_SaveCFG)}, {77, T, ON_MAIN(cmd_Expand_FileBox)},
    {329, T, ON_MAIN(cmd_BrowseNews)},
    // Plug-in and download panels.
    {107, C, ON_MAIN(lbl_SURPLEX)}, {108, C, ON_MAIN(lbl_Kestrin)}, {35, C, ON_MAIN(lbl_Downloading)},
    // Tray menus; the first of these touches the tray-menu window.
    {130, C, ON_TRAY(Tray_Main)}, {131, C, ON_TRAY(tray_Random)}, {132, C, ON_TRAY(tray_Close)},
    {132, C, ON_TRAY(CompactMenu_Close)}, {45, C, ON_TRAY(Ext_Images)}, {26, C, ON_TRAY(Main_Downld)},
    {27, C, ON_TRAY(Main_Cfg)}, {32, C, ON_TRAY(Options)}, {78, C, ON_TRAY(Go_Explorer)},
    {325, C, ON_TRAY(Go_Uploader)}, {86, C, ON_TRAY(Go_News)}, {135, C, ON_TRAY(HideMenu)},
    {135, C, ON_TRAY(CompactMenu_Cancel)},
    // Connection-type panel.
    {70, C, ON_MAIN(lbl_BeforeTitle)}, {71, C, ON_MAIN(lbl_BeforeDescr)}, {72, C, ON_MAIN(lbl_AnalogTitle)},
    {73, C, ON_MAIN(lbl_AnalogDescr)}, {74, C, ON_MAIN(lbl_DigitalTitle)}, {75, C, ON_MAIN(lbl_DigitalDescr)},
};

#undef ON_MAIN
#undef ON_TRAY

void run(Main& m, const Step& s) {
    captionStep(m.lst_Language, s.number, [&](const std::string& text) {
        vb::Control& c = s.target(m);
        if (s.prop == Prop::Caption) c.setCaption(text);
        else c.setToolTipText(text);
    });
}

}  // namespace

void Main::Get_Language() {
    for (const Step& s : kBeforeModes) run(*this, s);
    vb::resume([&] { cmb_Criteria.Clear(); });
    for (int n : kModes) captionStep(lst_Language, n, [&](const std::string& text) { cmb_Criteria.AddItem(text); });
    for (const Step& s : kAfterModes) run(*this, s);
}

}  // namespace vantry
