// The file system as the program sees it: line rules, letter case, presence and atomic writes.
#include <gtest/gtest.h>

#include <algorithm>

#include "harness.h"
#include "platform/error.h"
#include "platform/fs.h"
#include "platform/text.h"

using namespace vb;
using vantry::test::readFile;
using vantry::test::TempDir;
using vantry::test::writeFile;

namespace {

std::vector<std::string> linesOf(const std::string& bytes) {
    TempDir d;
    writeFile(d / "f", bytes);
    return FileSystem().readAllLines(d / "f");
}

TEST(LineRules, CrLfAndLoneCrEndALineLoneLfDoesNot) {
    EXPECT_EQ(linesOf("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c\nd"}));
    EXPECT_EQ(linesOf("a\r\n"), std::vector<std::string>{"a"});
    EXPECT_EQ(linesOf("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(linesOf(""), std::vector<std::string>{});
    EXPECT_EQ(linesOf("x\ny\nz\n"), std::vector<std::string>{"x\ny\nz\n"});
}

TEST(LineRules, ACrLfPairSplitAcrossReadBlocksIsOneLineEnd) {
    // The reader works in 64 KiB blocks: put the CR as the last byte of the first block.
    std::string first(65535, 'a');
    const auto lines = linesOf(first + "\r\nsecond\r\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 65535u);
    EXPECT_EQ(lines[1], "second");
}

TEST(LineRules, TextIsUtf8OrWindows1252) {
    EXPECT_EQ(decodeText("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(decodeText("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(linesOf("Citt\xE0\r\n")[0], "Citt\xC3\xA0");
}

TEST(Names, LookupIgnoresLetterCaseComponentByComponent) {
    TempDir d;
    writeFile(d / "Lang/English/English.DRV", "x");
    FileSystem fs;
    EXPECT_EQ(fs.resolve(d.path() + "\\lang\\ENGLISH\\english.drv"), d / "Lang/English/English.DRV");
    EXPECT_TRUE(fs.fileExists(d.path() + "\\LANG\\english\\ENGLISH.drv"));
    EXPECT_FALSE(fs.fileExists(d / "lang"));  // a folder is not a file
    EXPECT_TRUE(fs.dirExists(d / "LANG"));
    EXPECT_EQ(fs.resolve(d / "missing/Name"), d / "missing/Name");
}

// A "\" in a real file's name is not a separator to the system, but it is one in every path
// the program builds: such a file is never listed, so nothing tries to address it; in a path
// without the design's separators "\" stays part of the name.
TEST(Names, AFileWhoseNameHoldsABackslashIsNotListed) {
    TempDir d;
    FileSystem fs;
    writeFile(d / "a.jpg", "x");
    writeFile(d / "a\\b.jpg", "x");
    writeFile(d / "c.jpg", "x");
    auto names = fs.listFiles(d.path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.jpg", "c.jpg"}));
    EXPECT_EQ(resolveLetterCase(d / "A\\B.JPG"), d / "a\\b.jpg");
    EXPECT_EQ(fs.resolve(d.path() + "\\A.jpg"), d / "a.jpg");
}

TEST(Writes, LinesEndInCrLfAndReplaceTheFileWhole) {
    TempDir d;
    FileSystem fs;
    writeFile(d / "a.cfg", "old content that is longer");
    fs.writeLines(d / "a.cfg", {"one", "two"});
    EXPECT_EQ(readFile(d / "a.cfg"), "one\r\ntwo\r\n");
    // Nothing is left behind beside it.
    EXPECT_EQ(fs.listFiles(d.path()).size(), 1u);
}

TEST(Writes, AFailedWriteLeavesTheTargetAsItWas) {
    TempDir d;
    FileSystem fs;
    writeFile(d / "folder.cfg/inside", "x");
    EXPECT_THROW(fs.writeLines(d / "folder.cfg", {"x"}), Error);
    writeFile(d / "plain", "keep");
    // A parent that is a file cannot hold anything: the write fails before touching anything.
    EXPECT_THROW(fs.writeLines(d / "plain/child", {"x"}), Error);
    EXPECT_EQ(readFile(d / "plain"), "keep");
}

TEST(Deletes, MissingFilesAndFoldersFail) {
    TempDir d;
    FileSystem fs;
    EXPECT_THROW(fs.Kill(d / "none"), Error);
    writeFile(d / "dir/x", "");
    EXPECT_THROW(fs.Kill(d / "dir"), Error);
    EXPECT_TRUE(fs.dirExists(d / "dir"));
}

TEST(Values, ValReadsLeadingDigits) {
    EXPECT_EQ(valOf("12"), 12);
    EXPECT_EQ(valOf("  -3x"), -3);
    EXPECT_EQ(valOf("abc"), 0);
}

}  // namespace
