// The one writer for every file the program replaces (settings lines and the wallpaper bitmap):
// permission bits kept (set-id and sticky bits never), symbolic links written through where
// asked, never followed where not, taken temporary names retried.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "harness.h"
#include "platform/base/error.h"
#include "platform/pictures/picture.h"
#include "platform/system/atomic_file.h"
#include "platform/system/fs.h"

using namespace vb;
using vantry::test::readFile;
using vantry::test::TempDir;
using vantry::test::writeFile;

namespace {

unsigned modeOf(const std::string& p) {
    struct stat st;
    return ::lstat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

bool isLink(const std::string& p) {
    struct stat st;
    return ::lstat(p.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::size_t entries(const std::string& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

Picture tiny() {
    Picture p;
    p.width = 2;
    p.height = 2;
    p.rgb.assign(12, 200);
    return p;
}

// Both writers the program uses: the settings lines and the wallpaper bitmap.
void writeBoth(const std::string& settings, const std::string& bitmap) {
    FileSystem().writeLines(settings, {"new"});
    savePictureBmp(tiny(), bitmap);
}

TEST(AtomicWriter, TheReplacedFileKeepsItsPermissionBits) {
    TempDir d;
    writeFile(d / "START.CFG", "old\r\n");
    writeFile(d / "vantry.bmp", "old");
    ::chmod((d / "START.CFG").c_str(), 0600);
    ::chmod((d / "vantry.bmp").c_str(), 0640);
    writeBoth(d / "START.CFG", d / "vantry.bmp");
    EXPECT_EQ(readFile(d / "START.CFG"), "new\r\n");
    EXPECT_EQ(modeOf(d / "START.CFG"), 0600u);
    EXPECT_EQ(modeOf(d / "vantry.bmp"), 0640u);
    EXPECT_EQ(loadPicture(d / "vantry.bmp").width, 2);
    // A new file gets what the umask leaves of read-write for all.
    const mode_t mask = ::umask(022);
    FileSystem().writeLines(d / "NEW.CFG", {"x"});
    ::umask(mask);
    EXPECT_EQ(modeOf(d / "NEW.CFG"), 0644u);
}

TEST(AtomicWriter, ASymbolicLinkIsWrittenThroughAndStaysALink) {
    TempDir d;
    std::filesystem::create_directories(d / "real");
    writeFile(d / "real/start.cfg", "old\r\n");
    writeFile(d / "real/wall.bmp", "old");
    std::filesystem::create_symlink("real/start.cfg", d / "START.CFG");         // relative
    std::filesystem::create_symlink(d / "real/wall.bmp", d / "vantry.bmp");      // absolute
    std::filesystem::create_symlink("real/missing.cfg", d / "DANGLING.CFG");     // to nothing yet
    FileSystem().writeLines(d / "START.CFG", {"new"});
    FileSystem().writeLines(d / "DANGLING.CFG", {"made"});
    EXPECT_TRUE(isLink(d / "START.CFG"));
    EXPECT_TRUE(isLink(d / "DANGLING.CFG"));
    EXPECT_EQ(readFile(d / "real/start.cfg"), "new\r\n");
    EXPECT_EQ(readFile(d / "real/missing.cfg"), "made\r\n");
    // The wallpaper bitmap alone is never written through a link: the save fails, both stay.
    EXPECT_THROW(savePictureBmp(tiny(), d / "vantry.bmp"), Error);
    EXPECT_TRUE(isLink(d / "vantry.bmp"));
    EXPECT_EQ(readFile(d / "real/wall.bmp"), "old");
    EXPECT_EQ(entries(d.path()), 4u);       // the links and the folder: no temporary file left
    EXPECT_EQ(entries(d / "real"), 3u);
}

// A file the program writes never becomes set-user-ID, set-group-ID or sticky: the replaced
// file's permission bits are kept, those three are not, for either writer.
TEST(AtomicWriter, SetIdAndStickyBitsAreNeverKept) {
    TempDir d;
    writeFile(d / "START.CFG", "old\r\n");
    writeFile(d / "VANTRY.DIR", "old\r\n");
    ASSERT_EQ(::chmod((d / "START.CFG").c_str(), 07777), 0);
    ASSERT_EQ(::chmod((d / "VANTRY.DIR").c_str(), 06777), 0);
    if (modeOf(d / "VANTRY.DIR") != 06777u) GTEST_SKIP() << "this file system keeps no set-id bits";
    FileSystem().writeLines(d / "START.CFG", {"new"});
    FileSystem().writeOwnLines(d / "VANTRY.DIR", {"new"});
    EXPECT_EQ(readFile(d / "VANTRY.DIR"), "new\r\n");
    EXPECT_EQ(modeOf(d / "VANTRY.DIR"), 0777u);
    EXPECT_EQ(modeOf(d / "START.CFG"), 0777u);
}

// Where others may write (the location file at a drive's root), a link planted at the name after
// the writer looked at it is replaced as a name: what it points at keeps its content and mode,
// and the new file takes neither the mode of what the link points at nor its set-id bits.
TEST(AtomicWriter, OwnFileOnlyNeverFollowsALinkPlantedAfterItsCheck) {
    TempDir d;
    writeFile(d / "theirs", "theirs\n");
    ASSERT_EQ(::chmod((d / "theirs").c_str(), 06777), 0);
    if (modeOf(d / "theirs") != 06777u) GTEST_SKIP() << "this file system keeps no set-id bits";
    for (const bool existed : {false, true}) {
        if (existed) {
            writeFile(d / "VANTRY.DIR", "ours\r\n");
            ::chmod((d / "VANTRY.DIR").c_str(), 0640);
        }
        const auto plant = [&] {
            std::filesystem::remove(d / "VANTRY.DIR");
            std::filesystem::create_symlink(d / "theirs", d / "VANTRY.DIR");
        };
        AtomicFile f(d / "VANTRY.DIR", {}, AtomicFile::Target::OwnFileOnly, plant);
        f.write("new\r\n", 5);
        f.commit();
        EXPECT_FALSE(isLink(d / "VANTRY.DIR")) << existed;
        EXPECT_EQ(readFile(d / "VANTRY.DIR"), "new\r\n") << existed;
        EXPECT_EQ(readFile(d / "theirs"), "theirs\n") << existed;
        EXPECT_EQ(modeOf(d / "theirs"), 06777u) << existed;
        if (existed) EXPECT_EQ(modeOf(d / "VANTRY.DIR"), 0640u);
        else EXPECT_EQ(modeOf(d / "VANTRY.DIR") & 07000, 0u);
        EXPECT_EQ(entries(d.path()), 2u) << existed;  // no temporary file left
    }
}

TEST(AtomicWriter, ATakenTemporaryNameIsRetriedWithAnother) {
    TempDir d;
    writeFile(d / "target", "old");
    writeFile(d / ".taken", "someone else's");
    int asked = 0;
    {
        AtomicFile f(d / "target", [&] { return ++asked <= 3 ? ".taken" : ".fresh"; });
        f.write("new", 3);
        f.commit();
    }
    EXPECT_EQ(asked, 4);
    EXPECT_EQ(readFile(d / "target"), "new");
    EXPECT_EQ(readFile(d / ".taken"), "someone else's");
    EXPECT_FALSE(std::filesystem::exists(d / ".fresh"));
    // When every name stays taken the write fails and loses nothing.
    try {
        AtomicFile f(d / "target", [] { return ".taken"; });
        ADD_FAILURE() << "no failure";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), err::PathFileAccess);
    }
    EXPECT_EQ(readFile(d / "target"), "new");
    EXPECT_EQ(readFile(d / ".taken"), "someone else's");
    // Given up before commit: the temporary file goes, the target stays.
    {
        AtomicFile f(d / "target", [] { return ".abandoned"; });
        f.write("half", 4);
    }
    EXPECT_FALSE(std::filesystem::exists(d / ".abandoned"));
    EXPECT_EQ(readFile(d / "target"), "new");
}

TEST(AtomicWriter, AMissingFolderIsPathNotFoundForBothWriters) {
    TempDir d;
    try {
        FileSystem().writeLines(d / "nowhere/START.CFG", {"x"});
        ADD_FAILURE() << "no failure";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), err::PathNotFound);
    }
    try {
        savePictureBmp(tiny(), d / "nowhere/vantry.bmp");
        ADD_FAILURE() << "no failure";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), err::PathNotFound);
    }
}

}  // namespace
