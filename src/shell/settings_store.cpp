// The settings store's files: four option flag files whose presence switches an option on, two
// value files, the save command that writes them and the readers that load them at start-up.
#include <functional>

#include "localisation/language.h"
#include "platform/base/error.h"
#include "platform/base/log.h"
#include "platform/system/fs.h"
#include "shell/main_form.h"

namespace vantry {

namespace {
constexpr const char* kTrayLine = "Vantry, Tray Icon on Startup";
constexpr const char* kAdslLine = "Vantry, Internet connection";
constexpr const char* kFrescoLine = "Vantry, ReFresco Auto-check for RAS modems";
constexpr const char* kNewsLine = "Vantry, Get news when program starts";
}  // namespace

void Main::cmd_SaveCFG_Click() {
    FileSystem& fs = app().fs();
    // Each step runs even when an earlier one failed, and a failing step is skipped; but the
    // closing message tells the truth: a save that lost a file says so instead of confirming.
    bool saved = true;
    auto file = [&](const std::function<void()>& write) {
        try {
            write();
        } catch (const vb::Error& e) {
            saved = false;
            app().log().log("settings not saved: " + std::string(e.what()));
        }
    };
    auto remove = [&](const char* name) {
        // A file that is not there is as deleted as it gets.
        if (fs.fileExists(inProgramFolder(name))) file([&] { fs.Kill(inProgramFolder(name)); });
    };
    auto flag = [&](const CheckBox& box, const char* name, const char* line) {
        if (box.Value() == 0) remove(name);
        else file([&] { fs.writeLines(inProgramFolder(name), {line}); });
    };
    vb::resume([&] { fs.ChDir(txt_InitDir.Text()); });
    flag(chk_Tray, "TRAY.CFG", kTrayLine);
    file([&] { fs.writeLines(inProgramFolder("RANDOM.CFG"), {std::to_string(cmb_Criteria.ListIndex())}); });
    flag(chk_ADSL, "ADSL.CFG", kAdslLine);
    flag(chk_Fresco, "FRESCO.CFG", kFrescoLine);
    vb::resume([&] {
        flag(chk_News, "NEWS.CFG", kNewsLine);
        cmd_GetNews.setVisible(chk_News.Value() == 0);
    });
    file([&] {
        const std::string t = txt_StartTimer.Text();
        fs.writeLines(inProgramFolder("START.CFG"), {t.empty() ? std::string("1") : t});
    });
    vb::resume([&] { CoolButton6_Click(); });
    if (saved)
        numberedMessage(app(), kSettingsSaved, kNotice);
    else
        numberedMessage(app(), kSettingsNotSaved, kWarning);
}

void Main::Check_TrayFlag() {
    vb::guarded(
        [&] {
            Hide();
            if (!app().fs().fileExists(inProgramFolder("TRAY.CFG"))) {
                Check_Set_InternetConnection();
                Show();
                chk_Tray.setValue(0);
            } else {
                Check_Set_InternetConnection();
                Hide();
                chk_Tray.setValue(1);
            }
        },
        [&](const vb::Error&) {
            chk_Tray.setValue(0);
            Show();
        });
}

void Main::Check_ADSLFlag() {
    vb::guarded([&] { chk_ADSL.setValue(app().fs().fileExists(inProgramFolder("ADSL.CFG")) ? 1 : 0); },
                [&](const vb::Error&) { chk_ADSL.setValue(0); });
}

void Main::Check_AutoFresco() {
    vb::guarded(
        [&] {
            if (app().fs().fileExists(inProgramFolder("FRESCO.CFG"))) {
                txt_Fresco.setText("1");
                chk_Fresco.setValue(1);
            } else {
                txt_Fresco.setText("0");
                chk_Fresco.setValue(0);
            }
        },
        [&](const vb::Error&) { txt_Fresco.setText("0"); });
}

void Main::Check_News() {
    vb::guarded(
        [&] {
            if (!app().fs().fileExists(inProgramFolder("NEWS.CFG"))) {
                chk_News.setValue(0);
                News.setVisible(false);
                cmd_GetNews.setVisible(true);
            } else {
                chk_News.setValue(1);
                News.setVisible(true);
                cmd_GetNews.setVisible(false);
            }
        },
        [&](const vb::Error&) { chk_News.setValue(0); });
}

void Main::Check_StartTimer() {
    vb::guarded(
        [&] {
            const std::string file = inProgramFolder("START.CFG");
            if (!app().fs().fileExists(file)) {
                txt_StartTimer.setText("1");
                return;
            }
            // The last line wins; a file without lines leaves the box as it was.
            std::string last;
            bool any = false;
            app().fs().readLines(file, [&](std::string&& line) {
                last = std::move(line);
                any = true;
            });
            if (any) txt_StartTimer.setText(last);
        },
        [&](const vb::Error&) { txt_StartTimer.setText("1"); });
}

void Main::Set_DeafultPath() {
    FileSystem& fs = app().fs();
    vb::resume([&] { txt_InitDir.setText(fs.CurDir()); });
    // The location file lies at the root of the file system that holds the current directory;
    // a path that cannot hold it is skipped silently. That root may be open to other users (a
    // shared volume, a world-writable one), so a link or someone else's file there is skipped too.
    std::string location;
    vb::resume([&] { location = joinPath(app().system().driveRoot(fs.CurDir()), "VANTRY.DIR"); });
    vb::resume([&] {
        if (location.empty()) throw vb::Error(vb::err::PathNotFound, "no drive root");
        fs.writeOwnLines(location, {fs.CurDir()});
    });
}

void Main::Auto_ReFresco() {
    app().programs().launch("fresco.exe", txt_InitDir.Text());  // not waited for, reaped when it ends
    txt_Fresco.setText("0");
}

}  // namespace vantry
