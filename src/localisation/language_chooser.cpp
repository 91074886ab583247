// The language chooser window, the installation of a language and the end of the first start.
#include "localisation/language_chooser.h"

#include "localisation/language.h"
#include "platform/base/error.h"
#include "platform/base/log.h"
#include "platform/system/fs.h"
#include "shell/main_form.h"
#include "shell/splash.h"

namespace vantry {

namespace {
constexpr const char* kFirstStartMarker = "START.1ST";
}  // namespace

Language::Language(App& app) : Form(app, kName) {
    design("Language Changer", 6360, 4560);
    centred = true;
    // Kept above the main window, which the start-up shows while the chooser is open.
    topmost = true;

    // The window's background picture (the flag) fills the top-left corner; the heading sits
    // beside it.
    lbl_Lingua.pos(1980, 360, 4260, 420).cap("Choose your language!").bold().fontSize(12);
    Label1.pos(1980, 840, 900, 255).cap("Program:").hidden();
    Label2.pos(1980, 1095, 900, 255).cap("Version:").hidden();
    Label3.pos(2940, 840, 1500, 255).cap("-").hidden();
    Label4.pos(2940, 1095, 1500, 255).cap("-").hidden();
    Label5.pos(4500, 840, 1500, 255).cap("-").hidden();
    lbl_Seleziona.pos(120, 1320, 2880, 255).cap("Languages").bold();
    Dir1.pos(120, 1590, 2880, 2280);
    // The opened folder's flag, in the middle of the space beside the folder list; the file
    // lists only serve the installation.
    img_Flag.pos(3840, 2130, 1800, 1200);
    img_Flag.stretch = true;
    Picture1.pos(3840, 2130, 1800, 1200).hidden();
    File1.pattern("*.drv").pos(3240, 1590, 3000, 960).hidden();
    File2.pattern("*.jpg").pos(3240, 2550, 3000, 960).hidden();
    cmd_Refresh.pos(120, 4020, 1335, 375).cap("Refres&h");
    Command1.pos(3600, 4020, 1215, 375).cap("&OK").disabled();
    Command2.pos(4950, 4020, 1215, 375).cap("&Cancel");
    Command3.pos(4950, 4020, 1215, 375).cap("&Cancel").hidden();

    // The folder list starts on the folder that is current when the window is created.
    vb::resume([&] { Dir1.setPath(app.fs().CurDir()); });

    Dir1.Change = [this] { Dir1_Change(); };
    cmd_Refresh.Click = [this] { cmd_Refresh_Click(); };
    Command1.Click = [this] { Change_Language(); };
    Command2.Click = [this] { Command2_Click(); };
    Command3.Click = [this] { Command3_Click(); };
}

void Language::Form_Load() {
    FileSystem& fs = app().fs();
    vb::resume([&] { removeCloseFromSystemMenu(); });
    if (!fs.fileExists(kFirstStartMarker)) {
        // Opened from the main window, which made "lang" current; no folder is opened yet.
        vb::resume([&] { Get_Language(); });
        vb::resume([&] { Get_Flag(); });
        vb::resume([&] { Command2.setVisible(true); });
        vb::resume([&] { Command3.setVisible(false); });
        return;
    }
    // First start: the current directory is the program folder. Opening "lang" runs the
    // folder list's change handler once, for "lang" itself.
    vb::resume([&] { Dir1.setPath(joinPath(fs.CurDir(), "\\lang")); });
    vb::resume([&] { fs.ChDir(Dir1.Path()); });
    vb::resume([&] { Command3.setVisible(true); });
    vb::resume([&] { Command2.setVisible(false); });
    // No language has been chosen yet: fixed English captions, whatever LANGUAGE.DRV says.
    lbl_Lingua.setCaption("Choose your language!");
    lbl_Seleziona.setCaption("Languages");
    Command1.setCaption("&OK");
    Command2.setCaption("&Cancel");
    cmd_Refresh.setCaption("Refres&h");
}

void Language::Form_Unload(int&) {
    Main& main = app().form<Main>();
    vb::resume([&] { app().fs().ChDir(main.txt_InitDir.Text()); });
    main.Show();
}

void Language::Get_Language() {
    auto& store = app().form<Main>().lst_Language;
    vb::resume([&] { lbl_Lingua.setCaption(""); });
    captionStep(store, 189, [&](const std::string& t) { lbl_Seleziona.setCaption(t); });
    captionStep(store, 190, [&](const std::string& t) { Command1.setCaption(t); });
    captionStep(store, 191, [&](const std::string& t) { Command2.setCaption(t); });
    captionStep(store, 193, [&](const std::string& t) { cmd_Refresh.setCaption(t); });
}

void Language::showFlag(const std::shared_ptr<const Picture>& picture) {
    setPicture(picture);
    Picture1.setPicture(picture);
    img_Flag.setPicture(Picture1.picture());
}

void Language::Get_Flag() {
    Main& main = app().form<Main>();
    // Line 5 of the active language file names the language's folder; its flag is that name
    // followed by "_2.jpg". The letter case of "Lang" is matched against the folder on disk.
    std::string folder;
    vb::resume([&] { main.lst_Language.setListIndex(5); });
    vb::resume([&] { folder = main.lst_Language.Text(); });
    const std::string path = main.txt_InitDir.Text() + "\\" + "Lang\\" + folder + "\\" + folder + "_2.jpg";
    // A missing or unreadable flag changes nothing.
    vb::resume([&] { showFlag(std::make_shared<const Picture>(loadPicture(app().fs().resolve(path)))); });
}

void Language::Dir1_Change() {
    FileSystem& fs = app().fs();
    vb::resume([&] { fs.ChDir(Dir1.Path()); });
    vb::resume([&] { File1.setPath(Dir1.Path()); });
    vb::resume([&] { File2.setPath(Dir1.Path()); });
    bool hasLanguageFile = false;
    vb::resume([&] {
        for (const std::string& name : fs.listFiles("."))
            if (File1.matches(name)) hasLanguageFile = true;
    });
    if (!hasLanguageFile) {
        Command1.setEnabled(false);
        return;
    }
    Command1.setEnabled(true);
    // The folder's first picture stands for the language while the user browses.
    vb::resume([&] { File2.setListIndex(0); });
    std::shared_ptr<const Picture> preview;
    const std::string name = File2.FileName();
    if (!name.empty()) {
        // A picture that cannot be loaded shows no flag, rather than the flag of the folder
        // opened before, which would stand for the wrong language.
        try {
            preview = std::make_shared<const Picture>(loadPicture(fs.resolve(name)));
        } catch (const Error& e) {
            app().log().log("language chooser: no flag from " + name + ": " + e.what());
        }
    }
    showFlag(preview);
}

void Language::cmd_Refresh_Click() {
    vb::resume([&] { Dir1.Refresh(); });
}

void Language::Change_Language() {
    Main& main = app().form<Main>();
    FileSystem& fs = app().fs();
    vb::guarded(
        [&] {
            File1.setListIndex(0);  // fails when the opened folder has no language file
            const std::string file = File1.FileName();
            // Replaced as a whole or not at all: a refused copy leaves the active file intact.
            fs.FileCopy(file, joinPath(main.txt_InitDir.Text(), "\\LANGUAGE.DRV"));
            fs.ChDir(main.txt_InitDir.Text());
            main.Set_Language();
            main.Get_Language();
            main.Check_ADSLFlag();
            // The caption table refilled the rotation-mode list, which left it unselected.
            main.Check_ApplyRandomFlag();
            if (!fs.fileExists(main.inProgramFolder(kFirstStartMarker))) {
                Unload();
                return;
            }
            // The first use of the splash loads it without showing it; its load starts the timed
            // steps of a normal start.
            app().form<Splash>().TrayIcon_Add();
            fs.Kill(main.inProgramFolder(kFirstStartMarker));
            Unload();
        },
        [&](const Error& e) {
            app().log().log(std::string("language change failed: ") + e.what());
            numberedMessage(app(), 92, kFatal);  // ends the program
        });
}

void Language::Command2_Click() {
    vb::resume([&] { app().fs().ChDir(app().form<Main>().txt_InitDir.Text()); });
    Unload();
    app().form<Main>().Show();
}

// Cancelling the first start ends the program at once; START.1ST stays, so the next start is a
// first start again.
void Language::Command3_Click() { app().end(0); }

// ---- the main window's language button

void Main::CoolButton4_Click() {
    // Without a "lang" folder there is nothing to choose from: the main window stays as it is.
    try {
        app().fs().ChDir(joinPath(txt_InitDir.Text(), "\\lang"));
    } catch (const Error& e) {
        app().log().log(std::string("language button: ") + e.what());
        return;
    }
    app().form<Language>().Show();
    Hide();
}

}  // namespace vantry
