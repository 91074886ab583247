// Picture-list faults that need a hand inside the build: a file that goes away between the
// listing and its time read.
#include <gtest/gtest.h>

#include <filesystem>

#include "harness.h"
#include "shell/main_form.h"

using namespace vantry;
using vantry::test::Harness;

namespace {

TEST(PictureList, AFileThatVanishesMidBuildStopsItWithWarning105AndUndoesNothing) {
    Harness h;
    h.put("LANGUAGE.DRV", vantry::test::readFile(std::string(VANTRY_SOURCE_DIR) + "/data/LANGUAGE.DRV"));
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg"}) h.put(std::string("img/") + n, "x");
    h.programs.programs["fresco.exe"] = {};
    h.start();
    Main& m = h.app->form<Main>();
    // Selecting the second entry is the moment between listing and reading its time.
    m.File1.Click = [&] {
        if (m.File1.FileName() == "b.jpg") std::filesystem::remove(h.pf / "img/b.jpg");
    };
    h.app->deliver([&] { m.CoolButton2_Click(); });
    ASSERT_EQ(h.dialogs.shown.size(), 1u);
    EXPECT_EQ(h.dialogs.shown[0].prompt, "(105)The picture list could not be built.");
    EXPECT_EQ(h.dialogs.shown[0].style, 48);
    ASSERT_EQ(m.ListView1.Count(), 2);
    EXPECT_EQ(m.ListView1.row(1).text, "a.jpg");
    EXPECT_EQ(m.ListView1.row(2).text, "b.jpg");
    EXPECT_TRUE(m.ListView1.row(2).sub.empty() || m.ListView1.row(2).sub[0].empty());
}

TEST(PictureList, TheSwitchComparesThePathTextExactly) {
    Harness h;
    h.put("img/a.jpg", "x");
    h.programs.programs["fresco.exe"] = {};
    h.start();
    Main& m = h.app->form<Main>();
    // A program folder written in other letters is another text: no switch into the library.
    std::string upper = m.txt_InitDir.Text();
    for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
    if (upper == m.txt_InitDir.Text()) GTEST_SKIP() << "the temporary path has no letters to change";
    m.txt_InitDir.setText(upper);
    h.app->deliver([&] { m.CoolButton2_Click(); });
    EXPECT_EQ(h.fs.CurDir(), h.pf.path());
}

}  // namespace
