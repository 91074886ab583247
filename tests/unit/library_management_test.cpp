// The library's file operations and the runtime pieces its windows rely on: copying, renaming,
// patterns, label edits, rotation-mode lines and the random source.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "harness.h"
#include "library/add_images_form.h"
#include "library/library_files.h"
#include "library/random_rotation.h"
#include "platform/base/error.h"
#include "platform/model/control.h"
#include "platform/model/random.h"
#include "shell/main_form.h"

using namespace vantry;
using vantry::test::Harness;
using vantry::test::readFile;
using vantry::test::TempDir;
using vantry::test::writeFile;

namespace {

TEST(LibraryFiles, CopyReplacesTheTargetWholeKeepsTheTimeAndLeavesNoTemporaryFile) {
    TempDir d;
    vb::FileSystem fs;
    const std::string big(3 << 20, 'v');
    writeFile(d / "src/a.jpg", big);
    writeFile(d / "lib/a.jpg", "old");
    struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, (d / "src/a.jpg").c_str(), times, 0);
    fs.FileCopy(d / "src/a.jpg", d / "lib/a.jpg", true);
    EXPECT_EQ(readFile(d / "lib/a.jpg"), big);
    EXPECT_EQ(fs.FileDateTime(d / "lib/a.jpg"), 1000000000);
    EXPECT_EQ(fs.FileLen(d / "lib/a.jpg"), big.size());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(d / "lib"), {}), 1);
}

TEST(LibraryFiles, ACopyThatCannotBeMadeLeavesTargetAndSourceAlone) {
    TempDir d;
    vb::FileSystem fs;
    writeFile(d / "src/a.jpg", "picture");
    std::filesystem::create_directories(d / "lib/a.jpg");
    EXPECT_THROW(fs.FileCopy(d / "src/a.jpg", d / "lib/a.jpg"), vb::Error);  // a folder of that name
    EXPECT_TRUE(std::filesystem::is_directory(d / "lib/a.jpg"));
    EXPECT_THROW(fs.FileCopy(d / "src/gone.jpg", d / "lib/b.jpg"), vb::Error);
    EXPECT_THROW(fs.FileCopy(d / "src", d / "lib/c.jpg"), vb::Error);  // a folder as the source
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(d / "lib"), {}), 1);
    EXPECT_EQ(readFile(d / "src/a.jpg"), "picture");
}

TEST(LibraryFiles, AnUnreadableSourceFailsTheCopyAndKeepsTheLibraryFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root";
    TempDir d;
    vb::FileSystem fs;
    writeFile(d / "src/a.jpg", "new");
    writeFile(d / "lib/a.jpg", "old");
    ::chmod((d / "src/a.jpg").c_str(), 0);
    EXPECT_THROW(fs.FileCopy(d / "src/a.jpg", d / "lib/a.jpg"), vb::Error);
    EXPECT_EQ(readFile(d / "lib/a.jpg"), "old");
}

TEST(LibraryFiles, RenameRefusesEveryNameThatLeavesTheFolderOrReplacesAFile) {
    TempDir d;
    vb::FileSystem fs;
    writeFile(d / "img/a.jpg", "a");
    writeFile(d / "img/b.jpg", "b");
    std::filesystem::create_directories(d / "img/sub");
    const std::vector<std::string> bads = {"",           ".",          "..",          "../a2.jpg",
                                           "..\\a2.jpg", "sub/a2.jpg", "/tmp/a2.jpg", std::string("a\0b", 3),
                                           "b.jpg",      "B.JPG",      "sub",         std::string(300, 'x')};
    for (const std::string& bad : bads) {
        EXPECT_THROW(renameInFolder(fs, d / "img", "a.jpg", bad), vb::Error) << bad;
        EXPECT_EQ(readFile(d / "img/a.jpg"), "a") << bad;
        EXPECT_EQ(readFile(d / "img/b.jpg"), "b") << bad;
    }
    EXPECT_THROW(renameInFolder(fs, d / "img", "gone.jpg", "c.jpg"), vb::Error);
    EXPECT_THROW(renameInFolder(fs, d / "img", "../img/a.jpg", "c.jpg"), vb::Error);
    // Letter case alone renames the file itself; the same name changes nothing.
    renameInFolder(fs, d / "img", "a.jpg", "A.jpg");
    EXPECT_TRUE(std::filesystem::exists(d / "img/A.jpg"));
    EXPECT_FALSE(std::filesystem::exists(d / "img/a.jpg"));
    renameInFolder(fs, d / "img", "A.jpg", "A.jpg");
    EXPECT_EQ(readFile(d / "img/A.jpg"), "a");
}

struct PatternRow {
    const char* pattern;
    const char* name;
    bool matches;
};

TEST(FileListPatterns, WildcardsAndListsMatchWithoutRegardToCase) {
    Harness h;
    auto& list = h.app->form<Add_Images>().File1;
    const PatternRow rows[] = {
        {"*.jpg;*.bmp", "a.JPG", true}, {"*.jpg;*.bmp", "a.jpeg", false},
        {"*.jpg;*.bmp", "a.bmp", true}, {"*.*", "README", true},
        {"*", "a.b.c", true},           {"t*.?mp", "two.bmp", true},
        {"t*.?mp", "two.bmpx", false},  {"?.jpg", "ab.jpg", false},
        {"*ee.jpg", "three.JPG", true}, {" *.bmp ; *.jpg ", "x.jpg", true},
        {"", "a.jpg", false},           {"a*b*c", "aXbYbZc", true},
        {"a*b*c", "aXbYbZ", false},     {"*.jpg", ".jpg", true},
    };
    for (const auto& r : rows) {
        list.pattern(r.pattern);
        EXPECT_EQ(list.matches(r.name), r.matches) << r.pattern << " / " << r.name;
    }
}

TEST(ListViewEditing, TheHandlersOwnTextWinsACancelKeepsTheOldAndTheFocusedRowIsEdited) {
    Harness h;
    auto& lv = h.app->form<Main>().ListView1;
    lv.AddRow("a");
    lv.AddRow("b");
    lv.AddRow("c");
    lv.selectOnly({1, 3});
    EXPECT_EQ(lv.SelectedItem(), 3);
    int before = 0;
    lv.BeforeLabelEdit = [&](int&) { before = lv.SelectedItem(); };
    lv.AfterLabelEdit = [&](int& cancel, std::string& text) {
        if (text == "put back") lv.setRowText(lv.SelectedItem(), "old");
        if (text == "refuse") cancel = 1;
    };
    // A selected row keeps the others selected and takes the focus.
    ASSERT_TRUE(lv.beginLabelEdit(1));
    EXPECT_EQ(before, 1);
    EXPECT_EQ(lv.selectedRows(), (std::vector<int>{1, 3}));
    lv.endLabelEdit(1, "typed");
    EXPECT_EQ(lv.row(1).text, "typed");
    lv.endLabelEdit(1, "put back");
    EXPECT_EQ(lv.row(1).text, "old");
    lv.endLabelEdit(1, "refuse");
    EXPECT_EQ(lv.row(1).text, "old");
    // An unselected row is selected alone.
    ASSERT_TRUE(lv.beginLabelEdit(2));
    EXPECT_EQ(lv.selectedRows(), std::vector<int>{2});
}

TEST(RotationMode, LinesAreWholeNumbersWithBlanksAroundAndNothingElse) {
    EXPECT_EQ(parseModeLine("3"), 3);
    EXPECT_EQ(parseModeLine("3 "), 3);
    EXPECT_EQ(parseModeLine("\t-1"), -1);
    EXPECT_EQ(parseModeLine("+7"), 7);
    EXPECT_EQ(parseModeLine("99"), 99);  // a number; the combo box refuses it
    for (const char* bad : {"", " ", "three", "3x", "3.0", "-", "3 4", "99999999999"})
        EXPECT_FALSE(parseModeLine(bad).has_value()) << bad;
    EXPECT_EQ(rotationThreshold(3), "1300000");
    EXPECT_EQ(rotationThreshold(7), "43200000");
    EXPECT_EQ(rotationThreshold(2), "");
}

TEST(RandomSource, EachDrawIsReseededFromTheTimeOfDayAndStaysBelowOne) {
    double now = 0;
    vb::TimeOfDayRandom r([&] { return now; });
    for (now = 0; now < 86400; now += 1234.567) {
        const double a = r.draw();
        EXPECT_GE(a, 0.0);
        EXPECT_LT(a, 1.0);
        EXPECT_EQ(r.draw(), a);  // the same moment, the same draw: nothing carries over
    }
    now = 100.25;
    const double a = r.draw();
    now = 100.26;
    EXPECT_NE(r.draw(), a);
}

TEST(AddImages, AFailingDriveAsksToRetryUntilNo) {
    Harness h;
    h.put("LANGUAGE.DRV", readFile(std::string(VANTRY_SOURCE_DIR) + "/data/LANGUAGE.DRV"));
    h.programs.programs["fresco.exe"] = {};
    h.start();
    auto& add = h.app->form<Add_Images>();
    h.dialogs.answers = {vb::mb::Yes, vb::mb::No};
    h.app->deliver([&] { add.Drive1.setDrive(h.pf / "no-such-drive"); });
    ASSERT_EQ(h.dialogs.shown.size(), 2u);
    EXPECT_EQ(h.dialogs.shown[0].prompt, "The drive is not ready. Do you want to try again?");
    EXPECT_EQ(h.dialogs.shown[0].style, 20);
    EXPECT_EQ(h.dialogs.shown[0].title, "tideFRAME");
    // A drive that works sets the folder list, and the folder list the file list.
    h.put("other/x.jpg", "x");
    h.app->deliver([&] { add.Drive1.setDrive(h.pf / "other"); });
    EXPECT_EQ(add.Dir1.Path(), h.pf / "other");
    EXPECT_EQ(add.File1.Path(), h.pf / "other");
    EXPECT_EQ(h.dialogs.shown.size(), 2u);
}

}  // namespace

namespace {

// Importing from the library's own folder with the delete box ticked: the copy is the original,
// so deleting "the original" would lose the picture.
TEST(AddImages, MovingAPictureFromTheLibraryIntoItselfKeepsIt) {
    Harness h;
    h.put("LANGUAGE.DRV", readFile(std::string(VANTRY_SOURCE_DIR) + "/data/LANGUAGE.DRV"));
    h.programs.programs["fresco.exe"] = {};
    h.start();
    h.put("img/a.jpg", "picture bytes");
    auto& add = h.app->form<Add_Images>();
    h.app->deliver([&] {
        add.Show();
        add.txt_CurPath.setText(h.pf / "img");
        add.File1.setPath(h.pf / "img");
        add.Check1.setValue(1);
    });
    ASSERT_EQ(add.File1.ListCount(), 1);
    h.app->deliver([&] {
        add.File1.setSelected(0, true);
        add.Command1_Click();
    });
    EXPECT_EQ(h.file("img/a.jpg"), "picture bytes");
}

}  // namespace
