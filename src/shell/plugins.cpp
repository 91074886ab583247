// The plug-ins panel: two companion programs installed apart from this one. Each time the panel
// is shown the program looks for them again; a launch button starts its companion and leaves it
// to run on its own.
#include "localisation/language.h"
#include "platform/base/error.h"
#include "platform/system/fs.h"
#include "shell/main_form.h"
#include "shell/site_pages.h"

namespace vantry {

namespace {

// The last line of the file written by the companion's installation: the folder that holds its
// program. Its lines end as the language file's do (CR LF or a lone CR); a file written on this
// system ends them with a lone LF, which therefore ends a line here too, so that such a file
// does not hand its whole text over as one folder name. An empty file gives "".
std::string lastLine(vb::FileSystem& fs, const std::string& path) {
    std::string last;
    fs.readLines(path, [&](std::string&& line) { last = std::move(line); });
    if (!last.empty() && last.back() == '\n') last.pop_back();  // a line end adds no line
    const std::size_t lf = last.rfind('\n');
    return lf == std::string::npos ? last : last.substr(lf + 1);
}

}  // namespace

void Main::designPlugins() {
    Label14.pos(120, 150, 6375, 375).cap("Plugins ").bold().fontSize(13);

    Label11.pos(120, 750, 4695, 300).cap("SURPLEX").bold().fontSize(11);
    lbl_SURPLEX.pos(120, 1080, 4695, 600);
    WebLink3.pos(120, 1710, 4695, 255).cap("SURPLEX Web...");
    WebLink3.url = "/products/surplex";
    CB_Surplex.pos(5040, 750, 1455, 555).disabled();
    CB_Surplex.resource = "start";

    Label13.pos(120, 2400, 4695, 300).cap("Kestrin").bold().fontSize(11);
    lbl_Kestrin.pos(120, 2730, 4695, 600);
    WebLink4.pos(120, 3360, 4695, 255).cap("Kestrin Web...");
    WebLink4.url = "/products/kestrin";
    CB_Kestrin.pos(5040, 2400, 1455, 555).disabled();
    CB_Kestrin.resource = "start";

    CB_Surplex.Click = [this] { CB_Surplex_Click(); };
    CB_Kestrin.Click = [this] { CB_Kestrin_Click(); };
    WebLink3.Click = [this] { openSitePage(app(), WebLink3.url); };
    WebLink4.Click = [this] { openSitePage(app(), WebLink4.url); };
}

// Detection looks in the program folder, whatever the current directory is; a folder of the
// file's name does not count, and any failure of the test disables the button.
void Main::Check_SURPLEX() {
    bool present = false;
    vb::resume([&] { present = app().fs().fileExists(inProgramFolder("SURPLEX.EXE")); });
    CB_Surplex.setEnabled(present);
}

void Main::Check_Kestrin() {
    bool present = false;
    vb::resume([&] { present = app().fs().fileExists(inProgramFolder("KSTREXE.INI")); });
    CB_Kestrin.setEnabled(present);
}

void Main::CB_Surplex_Click() {
    vb::guarded(
        [&] {
            FileSystem& fs = app().fs();
            const std::string folder = txt_InitDir.Text();
            fs.ChDrive(folder.substr(0, 1));
            fs.ChDir(folder);
            app().programs().launch(folder + "\\Surplex.exe", folder);
        },
        [&](const vb::Error&) { numberedMessage(app(), 106, kWarning); });
}

void Main::CB_Kestrin_Click() {
    vb::guarded(
        [&] {
            const std::string folder = lastLine(app().fs(), inProgramFolder("KSTREXE.INI"));
            app().programs().launch(folder + "\\KstrExt.exe", txt_InitDir.Text());
        },
        [&](const vb::Error&) { numberedMessage(app(), 106, kWarning); });
}

}  // namespace vantry
