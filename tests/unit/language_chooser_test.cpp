// The folder list the language chooser is built on, and the whole first start followed by the
// next start, which scenario files (one start each) cannot reach.
#include <gtest/gtest.h>

#include <filesystem>

#include "harness.h"
#include "localisation/language_chooser.h"
#include "platform/base/error.h"
#include "platform/model/control.h"
#include "platform/model/form.h"
#include "shell/main_form.h"
#include "shell/splash.h"

using namespace vb;
using vantry::test::Harness;
using vantry::test::readFile;
using vantry::test::writeFile;

namespace {

class Holder : public Form {
public:
    static constexpr const char* kName = "Holder";
    explicit Holder(App& a) : Form(a, kName) {
        Dir1.Click = [this] { trace.push_back("click"); };
        Dir1.Change = [this] { trace.push_back("change:" + Dir1.Path()); };
        Dir1.DblClick = [this] { trace.push_back("dblclick"); };
    }
    FolderListBox Dir1{this, "Dir1"};
    std::vector<std::string> trace;
};

struct FolderListTest : ::testing::Test {
    Harness h;
    Holder* f = nullptr;
    FolderListTest() {
        h.app->registerForm<Holder>();
        f = &h.app->form<Holder>();
        for (const char* d : {"lang/Italiano", "lang/english", "lang/Zulu", "lang/.hidden"})
            std::filesystem::create_directories(h.pf / d);
        writeFile(h.pf / "lang/notes.txt", "a file is not a folder");
    }
};

TEST_F(FolderListTest, ListsSubFoldersByNameUnderTheParentEntry) {
    f->Dir1.setPath(h.pf / "lang");
    EXPECT_EQ(f->Dir1.items(), (std::vector<std::string>{"..", "english", "Italiano", "Zulu"}));
    EXPECT_EQ(f->Dir1.Path(), h.pf / "lang");
    EXPECT_EQ(f->Dir1.ListIndex(), -1);
    f->Dir1.setPath("/");
    ASSERT_GT(f->Dir1.ListCount(), 0);
    EXPECT_NE(f->Dir1.List(0), "..");  // the root has no parent
}

TEST_F(FolderListTest, RelativeNamesAndLetterCaseResolveToOneAbsolutePath) {
    // The current directory is the program folder.
    f->Dir1.setPath("LANG\\italiano\\");
    EXPECT_EQ(f->Dir1.Path(), h.pf / "lang/Italiano");
    f->Dir1.setPath("lang/Zulu/./../italiano");
    EXPECT_EQ(f->Dir1.Path(), h.pf / "lang/Italiano");
    f->Dir1.setPath("lang/english/..");
    EXPECT_EQ(f->Dir1.Path(), h.pf / "lang");
}

TEST_F(FolderListTest, ChangeFiresOnlyWhenThePathReallyChanges) {
    f->Dir1.setPath(h.pf / "lang");
    f->Dir1.setPath(h.pf / "lang/");
    f->Dir1.setPath(h.pf / "lang/Zulu");
    EXPECT_EQ(f->trace, (std::vector<std::string>{"change:" + (h.pf / "lang"), "change:" + (h.pf / "lang/Zulu")}));
}

TEST_F(FolderListTest, AFolderThatCannotBeOpenedLeavesTheListAsItWas) {
    f->Dir1.setPath(h.pf / "lang");
    f->Dir1.setListIndex(2);
    f->trace.clear();
    for (const std::string& bad : {h.pf / "lang/Nowhere", h.pf / "lang/notes.txt", std::string()}) {
        try {
            f->Dir1.setPath(bad);
            ADD_FAILURE() << "opened " << bad;
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), err::PathNotFound) << bad;
        }
        EXPECT_EQ(f->Dir1.Path(), h.pf / "lang");
        EXPECT_EQ(f->Dir1.ListCount(), 4);
        EXPECT_EQ(f->Dir1.ListIndex(), 2);
    }
    EXPECT_TRUE(f->trace.empty());
}

TEST_F(FolderListTest, OpeningAnEntrySelectsThenChangesThenReportsTheDoubleClick) {
    f->Dir1.setPath(h.pf / "lang");
    f->trace.clear();
    f->Dir1.openEntry(3);  // Zulu
    EXPECT_EQ(f->trace, (std::vector<std::string>{"click", "change:" + (h.pf / "lang/Zulu"), "dblclick"}));
    EXPECT_EQ(f->Dir1.items(), (std::vector<std::string>{".."}));
    f->Dir1.openEntry(0);
    EXPECT_EQ(f->Dir1.Path(), h.pf / "lang");
    EXPECT_THROW(f->Dir1.openEntry(9), Error);
}

TEST_F(FolderListTest, RefreshSeesNewFoldersAndKeepsThePath) {
    f->Dir1.setPath(h.pf / "lang");
    std::filesystem::create_directories(h.pf / "lang/Deutsch");
    EXPECT_EQ(f->Dir1.ListCount(), 4);
    f->trace.clear();
    f->Dir1.Refresh();
    EXPECT_EQ(f->Dir1.items(), (std::vector<std::string>{"..", "Deutsch", "english", "Italiano", "Zulu"}));
    EXPECT_TRUE(f->trace.empty());
}

// The program folder as installed, copied from the source tree.
struct Installed : Harness {
    Installed() {
        std::filesystem::copy(std::string(VANTRY_SOURCE_DIR) + "/data", pf.path(),
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::overwrite_existing);
        programs.programs["fresco.exe"] = {};
    }
};

TEST(FirstStart, ChoosingALanguageLeadsToANormalStartNextTime) {
    Installed h;
    ASSERT_TRUE(h.fs.fileExists(h.pf / "START.1ST"));
    // An installation whose active language is Italian: the chooser still speaks English.
    h.put("LANGUAGE.DRV", readFile(h.pf / "lang/Italiano/Italiano.DRV"));
    h.start();
    ASSERT_TRUE(h.app->isLoaded(vantry::Language::kName));
    EXPECT_FALSE(h.app->isLoaded(vantry::Splash::kName));
    auto& chooser = h.app->form<vantry::Language>();
    EXPECT_EQ(h.app->form<vantry::Main>().CoolButton1.Caption(), "Scarica immagini");
    EXPECT_EQ(chooser.lbl_Seleziona.Caption(), "Languages");
    EXPECT_EQ(chooser.Command3.Caption(), "&Cancel");
    EXPECT_EQ(chooser.cmd_Refresh.Caption(), "Refres&h");
    h.app->deliver([&] { chooser.Dir1.openEntry(1); });  // "..", "English", "Italiano"
    h.app->deliver([&] { chooser.Command1.Click(); });
    EXPECT_FALSE(h.app->ended());
    EXPECT_FALSE(h.fs.fileExists(h.pf / "START.1ST"));
    EXPECT_EQ(h.file("LANGUAGE.DRV"), readFile(h.pf / "lang/English/English.DRV"));
    EXPECT_EQ(h.app->form<vantry::Main>().CoolButton1.Caption(), "Get a picture");
    EXPECT_EQ(h.fs.CurDir(), h.pf.path());

    // The next start, in the same folder: the splash, in English, and no chooser.
    h.app.reset();
    h.app = h.platform.makeApp();
    vantry::registerForms(*h.app);
    h.start();
    EXPECT_FALSE(h.app->isLoaded(vantry::Language::kName));
    ASSERT_TRUE(h.app->isLoaded(vantry::Splash::kName));
    EXPECT_TRUE(h.app->form<vantry::Splash>().Visible());
    EXPECT_EQ(h.app->form<vantry::Splash>().Command1.Caption(), "Continue >");
}

}  // namespace
