// Start-up pieces that scenario files cannot reach easily: generated language files, the
// version record, the tray record and the beta build.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "harness.h"
#include "localisation/language.h"
#include "shell/main_form.h"
#include "shell/splash.h"
#include "shell/start_form.h"

using namespace vantry;
using vantry::test::Harness;

namespace {

// A language file whose line N reads "sN", with the lines given empty left so.
std::string languageFile(int lines, std::initializer_list<int> empty = {}) {
    std::string s;
    for (int n = 0; n < lines; ++n) {
        const bool blank = std::find(empty.begin(), empty.end(), n) != empty.end();
        s += (blank ? std::string() : "s" + std::to_string(n)) + "\r\n";
    }
    return s;
}

struct Started : Harness {
    explicit Started(const std::string& language) {
        put("LANGUAGE.DRV", language);
        programs.programs["fresco.exe"] = {};
        start();
    }
    Main& main() { return app->form<Main>(); }
};

// A user who scaled the program to twice the size lays windows out on a 800 x 500 screen of
// scaled pixels; the resolution shown is still the display's own 1600 x 1000, and the splash is
// still centred in the scaled pixels.
TEST(ScreenResolution, IsShownInTheDisplaysOwnPixelsAtAnyScale) {
    Harness h;
    h.put("LANGUAGE.DRV", languageFile(353));
    h.programs.programs["fresco.exe"] = {};
    h.system.screenW = 800;
    h.system.screenH = 500;
    h.system.pixelRatio = 2.0;
    h.start();
    EXPECT_EQ(h.app->form<Main>().lbl_ResVideo.Caption(), "1600 x 1000");
    Splash& splash = h.app->form<Splash>();
    EXPECT_EQ(splash.Left(), (800 * 15 - splash.Width()) / 2);
    h.system.pixelRatio = 1.25;
    h.system.screenW = 1280;
    h.system.screenH = 800;
    h.app->deliver([&] { h.app->form<Main>().Get_Screen_Resolution(); });
    EXPECT_EQ(h.app->form<Main>().lbl_ResVideo.Caption(), "1600 x 1000");
}

// An updater that cannot be started stops the steps at 3, as designed, and says why in the log;
// one that runs leaves no such line.
TEST(Splash, AnUpdaterThatCannotBeStartedIsLoggedWithItsReason) {
    Harness h;
    h.put("LANGUAGE.DRV", languageFile(353));
    h.start();
    h.loop.advance(5000);
    EXPECT_EQ(h.app->form<Splash>().Text1.Text(), "3");
    ASSERT_FALSE(h.log.lines.empty());
    const std::string& line = h.log.lines.back();
    EXPECT_NE(line.find("updater"), std::string::npos) << line;
    EXPECT_NE(line.find("fresco.exe"), std::string::npos) << line;
    EXPECT_NE(line.find("Continue"), std::string::npos) << line;

    Started ran(languageFile(353));
    ran.loop.advance(7000);
    for (const std::string& l : ran.log.lines) EXPECT_EQ(l.find("updater"), std::string::npos) << l;
}

TEST(LanguageStore, AnEmptyLineIsOneBlankAndKeepsTheNumbering) {
    Started h(languageFile(353, {40}));
    auto& store = h.main().lst_Language;
    ASSERT_EQ(store.ListCount(), 353);
    EXPECT_EQ(store.List(40), " ");
    EXPECT_EQ(store.List(41), "s41");
    EXPECT_EQ(h.main().CoolButton1.Caption(), "s26");
    EXPECT_EQ(h.app->form<StartForm>().HideMenu.Caption(), "s135");
}

TEST(LanguageStore, AShortFileGivesATargetThePreviousSelection) {
    // With 329 lines, string 329 is missing: its step keeps the text of the step before (77).
    Started h(languageFile(329));
    EXPECT_EQ(h.main().cmd_Expand_FileBox.ToolTipText(), "s77");
    EXPECT_EQ(h.main().cmd_BrowseNews.ToolTipText(), "s77");
    Started full(languageFile(330));
    EXPECT_EQ(full.main().cmd_BrowseNews.ToolTipText(), "s329");
}

TEST(LanguageStore, AHugeFileLoadsWholeAndBinaryBytesDoNotStopIt) {
    std::string big = languageFile(100000);
    Started h(big);
    EXPECT_EQ(h.main().lst_Language.ListCount(), 100000);
    EXPECT_EQ(h.main().CoolButton6.Caption(), "s32");

    std::string binary = languageFile(60);
    binary.replace(10, 6, std::string("\0\xff\xfe\x01\r\r", 6));
    Started b(binary);
    // Line 2 swallowed the binary bytes and a lone CR ended it; the second CR is an empty line 3.
    EXPECT_EQ(b.main().lst_Language.ListCount(), 60);
    EXPECT_EQ(b.main().lst_Language.List(3), " ");
    EXPECT_EQ(b.main().lst_Language.List(4), "s4");
}

TEST(LanguageStore, Windows1252TextIsShownAsItsLetters) {
    std::string s = languageFile(353);
    const std::string at = "s26\r\n";
    s.replace(s.find(at), at.size(), "Citt\xE0 \x80\r\n");
    Started h(s);
    EXPECT_EQ(h.main().CoolButton1.Caption(), "Citt\xC3\xA0 \xE2\x82\xAC");
}

// The location file lies at the root of a file system that others may be able to write to. What
// another user put there under its name, a link to a file of ours or a file of their own, is left
// as it is, and the start goes on without a word.
TEST(LocationFile, ALinkOrAnotherUsersFileAtTheRootIsLeftAlone) {
    {
        Harness h;
        h.put("LANGUAGE.DRV", languageFile(353));
        h.programs.programs["fresco.exe"] = {};
        vantry::test::writeFile(h.root / "profile", "ours\n");
        std::filesystem::create_symlink(h.root / "profile", h.root / "VANTRY.DIR");
        h.start();
        EXPECT_EQ(vantry::test::readFile(h.root / "profile"), "ours\n");
        EXPECT_TRUE(std::filesystem::is_symlink(h.root / "VANTRY.DIR"));
        EXPECT_TRUE(h.dialogs.shown.empty());
    }
    if (::geteuid() != 0) GTEST_SKIP() << "making another user's file needs root";
    Harness h;
    h.put("LANGUAGE.DRV", languageFile(353));
    h.programs.programs["fresco.exe"] = {};
    vantry::test::writeFile(h.root / "VANTRY.DIR", "theirs\r\n");
    ASSERT_EQ(::chown((h.root / "VANTRY.DIR").c_str(), 65534, 65534), 0);
    h.start();
    EXPECT_EQ(vantry::test::readFile(h.root / "VANTRY.DIR"), "theirs\r\n");
    struct stat st;
    ASSERT_EQ(::stat((h.root / "VANTRY.DIR").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_TRUE(h.dialogs.shown.empty());
}

// Language files made before a message's line was filled leave it blank (a missing line is in the
// scenarios); the box then shows the program's own English text rather than nothing. A filled
// line is shown as it is.
TEST(LanguageStore, AMessageWhoseLineIsBlankOrMissingSpeaksEnglish) {
    const auto saveFails = [](Started& h) {
        h.put("START.CFG/keep.txt", "in the way\r\n");  // a folder no save can replace
        h.dialogs.shown.clear();
        h.app->deliver([&] { h.main().cmd_SaveCFG_Click(); });
        return h.dialogs.shown.empty() ? std::string("no box") : h.dialogs.shown.back().prompt;
    };
    Started blank(languageFile(353, {91, 101}));
    EXPECT_EQ(saveFails(blank), "(101) Your settings could not be saved.");
    EXPECT_EQ(messageText(*blank.app, 91), "Do you really want to delete this picture from your library?");

    Started filled(languageFile(353));
    EXPECT_EQ(saveFails(filled), "(101) s101");
    EXPECT_EQ(messageText(*filled.app, 91), "s91");
    // Messages of the first files keep their design: a missing line shows the number alone.
    Started shortFile(languageFile(80));
    shortFile.app->deliver([&] { numberedMessage(*shortFile.app, 103, kWarning); });
    EXPECT_EQ(shortFile.dialogs.shown.back().prompt, "(103) ");
}

TEST(TrayRecord, TipIsTitleNulThenBlanksTo64) {
    const auto tip = trayTip("Vantry 3.5");
    EXPECT_EQ(std::string(tip.data(), 10), "Vantry 3.5");
    EXPECT_EQ(tip[10], '\0');
    for (std::size_t i = 11; i < 64; ++i) EXPECT_EQ(tip[i], ' ') << i;
}

TEST(TrayRecord, AddingTwiceDoesNotLoadTheSplashAgain) {
    Started h(languageFile(353));
    auto& splash = h.app->form<Splash>();
    splash.TrayIcon_Add();
    splash.TrayIcon_Add();
    EXPECT_EQ(TrayIcon_Data(*h.app).cbSize, 88u);
    EXPECT_EQ(TrayIcon_Data(*h.app).uCallbackMessage, 512u);
    EXPECT_EQ(h.tray.tips.back(), "Vantry 3.5");
}

// The tray menu shows, beside the commands that have a picture, the picture of the main window's
// button for the same command; nothing of its own making (the plain coloured tiles).
TEST(TrayRecord, MenuPicturesAreThoseOfTheMainWindowsButtonsForTheSameCommands) {
    Started h(languageFile(353));
    Main& main = h.main();
    StartForm& tray = h.app->form<StartForm>();
    const std::pair<vb::MenuItem*, const vb::PictureHolder*> same[] = {
        {&tray.Main_Downld, &main.CoolButton1},
        {&tray.Main_Cfg, &main.CoolButton2},
        {&tray.Go_Explorer, &main.SSCommand1},
        {&tray.tray_Random, &main.CoolButton10}};
    for (const auto& [item, button] : same) {
        EXPECT_FALSE(item->resource.empty()) << item->name();
        EXPECT_EQ(item->resource, button->resource) << item->name();
    }
    for (vb::MenuItem* item : tray.Tray_Main.items) EXPECT_EQ(item->picture, nullptr) << item->name();
}

// The record belongs to its program: a second program in the same process starts without it,
// and its close does not remove a tray icon it never added.
TEST(TrayRecord, BelongsToItsProgramInstance) {
    Started first(languageFile(353));
    first.app->form<Splash>().TrayIcon_Add();
    Started second(languageFile(353));
    EXPECT_EQ(TrayIcon_Data(*second.app).cbSize, 0u);
    EXPECT_EQ(TrayIcon_Data(*first.app).cbSize, 88u);
}

TEST(Versions, OnlyWindowsXpInitialisesTheCommonControls) {
    struct Row {
        int major, minor, platform;
        const char* name;
        int inits;
    };
    const Row rows[] = {{3, 51, 2, "Windows NT 3.x", 0}, {3, 10, 1, "Windows 3.x", 0},
                        {4, 0, 2, "Windows NT 4.0", 0},  {4, 0, 1, "Windows 95", 0},
                        {4, 10, 1, "Windows 98", 0},     {5, 0, 2, "Windows 2000", 0},
                        {5, 1, 2, "Windows XP", 1},      {5, 2, 2, "", 0},
                        {6, 1, 2, "Unknown Windows Version", 0}};
    for (const Row& r : rows) {
        Harness h;
        h.system.versionInfo = {r.major, r.minor, r.platform};
        auto& sf = h.app->form<StartForm>();  // its load asks once; count only our call
        h.system.commonControlsInitialised = 0;
        EXPECT_EQ(sf.OSVersion(), r.name) << r.major << "." << r.minor;
        EXPECT_EQ(h.system.commonControlsInitialised, r.inits) << r.major << "." << r.minor;
    }
}

TEST(Versions, ABetaBuildShowsItsLabel) {
    Harness h;
    h.app->registerForm(Splash::kName, [](vb::App& a) {
        auto s = std::make_unique<Splash>(a);
        s->versionMajor = 0;
        return std::unique_ptr<vb::Form>(std::move(s));
    });
    h.programs.programs["fresco.exe"] = {};
    h.start();
    EXPECT_TRUE(h.app->form<Splash>().lbl_Beta.Visible());
    EXPECT_EQ(h.app->form<Splash>().lbl_Version.Caption(), "v.0.5.2006");
}

}  // namespace

namespace {

// The save in a program folder that cannot be written: every step fails, the user is warned that
// the settings were not saved (never told they were), and the files keep their old content.
// Runs in a child process that gives up root (to whom every folder is writable) before it
// starts the program.
TEST(Settings, SavingIntoAnUnwritableProgramFolderLosesNothing) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        int code = 0;
        {
            Harness h;
            // The parent removes the folders: once this process is no longer root it cannot.
            const std::string folders = h.pf.path() + "\n" + h.windir.path() + "\n" + h.root.path() + "\n";
            if (::write(fds[1], folders.data(), folders.size()) != ssize_t(folders.size())) ::_exit(11);
            ::close(fds[1]);
            h.put("LANGUAGE.DRV", vantry::test::readFile(std::string(VANTRY_SOURCE_DIR) + "/data/LANGUAGE.DRV"));
            h.put("TRAY.CFG", "old tray\r\n");
            h.put("START.CFG", "7\r\n");
            h.programs.programs["fresco.exe"] = {};
            ::chmod(h.pf.path().c_str(), 0555);
            if (::geteuid() == 0 && ::setuid(65534) != 0) ::_exit(10);
            h.start();
            h.loop.advance(7000);
            Main& m = h.app->form<Main>();
            h.app->deliver([&] {
                m.chk_Tray.setValue(0);
                m.chk_News.setValue(1);
                m.txt_StartTimer.setText("12");
                m.cmd_SaveCFG_Click();
            });
            if (h.dialogs.shown.size() != 1 || h.dialogs.shown[0].prompt != "(101) Your settings could not be saved." ||
                h.dialogs.shown[0].style != 48)
                code = 1;
            else if (h.file("TRAY.CFG") != "old tray\r\n" || h.file("START.CFG") != "7\r\n")
                code = 2;
            else if (std::filesystem::exists(h.pf / "NEWS.CFG") || std::filesystem::exists(h.pf / "RANDOM.CFG"))
                code = 3;
            else if (!m.Panel_Options.Visible())
                code = 4;
        }
        ::_exit(code);
    }
    ::close(fds[1]);
    std::string folders;
    char buf[4096];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) folders.append(buf, std::size_t(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    std::istringstream lines(folders);
    for (std::string dir; std::getline(lines, dir);) {
        std::error_code ec;
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(dir, ec);
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1 message, 2 old content lost, 3 new file, 4 panel";
}

}  // namespace
