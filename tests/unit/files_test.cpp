// The file system as the program sees it: line rules, letter case, presence and atomic writes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>

#include "harness.h"
#include "platform/base/error.h"
#include "platform/base/text.h"
#include "platform/pictures/picture.h"
#include "platform/system/atomic_file.h"
#include "platform/system/fs.h"

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

int failureOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.number();
    }
    return 0;
}

// A file planted in a settings file's place, however big, is refused at a bound far above any
// real one, as a failed read: the lines before an over-long one are delivered first.
TEST(LineRules, AFileOrALinePastTheBoundIsAFailedRead) {
    TempDir d;
    FileSystem fs;
    writeFile(d / "huge", "");
    ASSERT_EQ(::truncate((d / "huge").c_str(), 512 << 20), 0);  // sparse: costs no disk
    std::vector<std::string> got;
    EXPECT_EQ(failureOf([&] { fs.readLines(d / "huge", [&](std::string&& l) { got.push_back(l); }); }),
              err::PathFileAccess);
    EXPECT_TRUE(got.empty());
    writeFile(d / "just", "a\r\n");
    ASSERT_EQ(::truncate((d / "just").c_str(), FileSystem::kMaxLinesFile + 1), 0);
    EXPECT_EQ(failureOf([&] { fs.readAllLines(d / "just"); }), err::PathFileAccess);

    const std::string longest(FileSystem::kMaxLine, 'x');
    const auto atTheBound = linesOf("a\r\n" + longest + "\r\nb");
    ASSERT_EQ(atTheBound.size(), 3u);
    EXPECT_EQ(atTheBound[1].size(), FileSystem::kMaxLine);
    writeFile(d / "long", "a\r\n" + longest + "x\r\nb\r\n");
    got.clear();
    EXPECT_EQ(failureOf([&] { fs.readLines(d / "long", [&](std::string&& l) { got.push_back(l); }); }),
              err::PathFileAccess);
    ASSERT_EQ(got.size(), 1u);  // the over-long line is never handed on
    EXPECT_EQ(got[0], "a");
    writeFile(d / "unended", std::string(FileSystem::kMaxLine + 1, 'x'));
    EXPECT_EQ(failureOf([&] { fs.readAllLines(d / "unended"); }), err::PathFileAccess);
}

// A device without an end, one line without end (zeros) or endless short lines (random bytes, a
// CR in 256), is a failed read with nothing much delivered.
TEST(LineRules, AnEndlessFileIsCutOffAtTheBound) {
    TempDir d;
    std::filesystem::create_symlink("/dev/zero", d / "zero");
    std::filesystem::create_symlink("/dev/urandom", d / "random");
    FileSystem fs;
    EXPECT_EQ(failureOf([&] { fs.readAllLines(d / "zero"); }), err::PathFileAccess);
    std::size_t bytes = 0;
    EXPECT_EQ(failureOf([&] { fs.readLines(d / "random", [&](std::string&& l) { bytes += l.size() + 1; }); }),
              err::PathFileAccess);
    EXPECT_LE(bytes, FileSystem::kMaxLinesFile * 3);  // decoding widens a byte to three at most
}

// A named pipe in a language or settings file's place is refused as a failed read, by every
// reader the program reads those files with, instead of waiting for a writer that never comes.
// A reader that does wait is released by opening the pipe's other end, so that the test fails
// instead of hanging.
TEST(LineRules, ANamedPipeIsAFailedReadNotAWait) {
    TempDir d;
    const std::string fifo = d / "LANGUAGE.DRV";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    FileSystem fs;
    auto unblocked = [&](const char* what, std::function<void()> read) {
        auto reading = std::async(std::launch::async, [&] { return failureOf(read); });
        if (reading.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ADD_FAILURE() << what << " waits on a named pipe";
            while (reading.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
                const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (writer >= 0) ::close(writer);
            }
        }
        return reading.get();
    };
    EXPECT_EQ(unblocked("readLines", [&] { fs.readAllLines(fifo); }), err::PathFileAccess);
    EXPECT_EQ(unblocked("readBytes", [&] { fs.readBytes(fifo, 16); }), err::PathFileAccess);
    EXPECT_EQ(unblocked("FileCopy", [&] { fs.FileCopy(fifo, d / "copy.drv"); }), err::PathFileAccess);
    EXPECT_FALSE(std::filesystem::exists(d / "copy.drv"));
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

// The system would end the name at the NUL and act on the file named by what comes before it.
TEST(Names, APathHoldingANulIsABadNameNotAShorterOne) {
    TempDir d;
    FileSystem fs;
    writeFile(d / "START.CFG", "5\r\n");
    const std::string cut = d / std::string("START.CFG\0.bak", 14);
    EXPECT_FALSE(fs.fileExists(cut));
    EXPECT_EQ(failureOf([&] { fs.readAllLines(cut); }), err::BadFileName);
    EXPECT_EQ(failureOf([&] { fs.writeLines(cut, {"x"}); }), err::BadFileName);
    EXPECT_EQ(failureOf([&] { fs.Kill(cut); }), err::BadFileName);
    EXPECT_EQ(failureOf([&] { fs.FileCopy(d / "START.CFG", cut); }), err::BadFileName);
    EXPECT_EQ(failureOf([&] { fs.FileDateTime(cut); }), err::BadFileName);
    EXPECT_EQ(failureOf([&] { writeFileAtomic(cut, "x"); }), err::BadFileName);
    EXPECT_EQ(failureOf([&] { loadPicture(cut); }), err::BadFileName);
    EXPECT_EQ(readFile(d / "START.CFG"), "5\r\n");
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
