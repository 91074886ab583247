// Companion programs started for real: launched without waiting, reaped when they end, and
// refused when their file is missing or cannot be run. And the About window's version text.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "harness.h"
#include "program_scripts.h"
#include "platform/base/error.h"
#include "platform/posix/posix_services.h"
#include "shell/about.h"

using namespace vb;
using vantry::test::readFile;
using vantry::test::TempDir;
using vantry::test::writeFile;

namespace {

// Polls for up to ten seconds.
template <class Pred>
bool eventually(Pred pred) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

struct LaunchTest : ProgramScripts {};

TEST_F(LaunchTest, ReturnsWhileTheCompanionRunsAndReapsItWhenItEnds) {
    // The companion notes its process id, then waits up to ten seconds for a go-ahead: had the
    // launch waited for it, it would have given up and written "done" by the time launch returned.
    script("SURPLEX.EXE",
           "d=$(dirname \"$0\"); echo $$ > \"$d/pid\"; i=0\n"
           "while [ ! -e \"$d/go\" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done\n"
           "echo done > \"$d/done\"");
    programs.launch(pf.path() + "\\Surplex.exe", pf.path());
    EXPECT_FALSE(exists(pf / "done"));
    ASSERT_TRUE(eventually([&] { return !readFile(pf / "pid").empty(); }));
    const std::string pid = std::to_string(std::stoi(readFile(pf / "pid")));
    writeFile(pf / "go", "");
    ASSERT_TRUE(eventually([&] { return exists(pf / "done"); }));
    // An ended child that nobody collects stays in the process table as a zombie.
    EXPECT_TRUE(eventually([&] { return !exists("/proc/" + pid); }))
        << "process " << pid << " was not reaped";
}

TEST_F(LaunchTest, APathIsTakenAsItStandsNeverSearched) {
    // A folder without the program, though the program folder and PATH have one of that name.
    script("KstrExt.exe", "exit 0");
    std::filesystem::create_directories(pf / "empty");
    EXPECT_THROW(programs.launch(pf / "empty\\KstrExt.exe", pf.path()), Error);
    // An empty folder part is the root, where the program is not.
    EXPECT_THROW(programs.launch("\\KstrExt.exe", pf.path()), Error);
    // A file that may not be run, and a folder of the program's name.
    script("noexec/KstrExt.exe", "exit 0", 0644);
    std::filesystem::create_directories(pf / "folder/KstrExt.exe");
    // Even for root: running a file takes an execute bit.
    EXPECT_THROW(programs.launch(pf / "noexec\\KstrExt.exe", pf.path()), Error);
    EXPECT_THROW(programs.launch(pf / "folder\\KstrExt.exe", pf.path()), Error);
    // Letter case is matched as the file system does.
    script("Kestrin/KSTREXT.EXE", "echo ran > \"$(dirname \"$0\")/ran\"");
    programs.launch(pf / "kestrin\\KstrExt.exe", pf.path());
    EXPECT_TRUE(eventually([&] { return readFile(pf / "Kestrin/ran") == "ran\n"; }));
}

// A folder read from a companion's file that holds a NUL: the system would take the name up to
// the NUL, and so start whatever file that shorter name is.
TEST_F(LaunchTest, APathHoldingANulIsRefusedNotCutShort) {
    script("payload.sh", "echo ran > \"$(dirname \"$0\")/ran\"");
    script("KstrExt.exe", "echo ran > \"$(dirname \"$0\")/ran\"");
    const std::string folder = pf / std::string("payload.sh\0text", 15);
    try {
        programs.launch(folder + "\\KstrExt.exe", pf.path());
        ADD_FAILURE() << "started";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), err::BadFileName);
    }
    EXPECT_THROW(programs.launch(std::string("KstrExt.exe\0", 12), pf.path()), Error);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(exists(pf / "ran"));
}

TEST_F(LaunchTest, TheUpdaterByBareNameStartsFromTheProgramFolder) {
    script("fresco.exe", "echo ran >> \"$(dirname \"$0\")/ran\"");
    programs.launch("fresco.exe", pf.path());
    programs.launch("fresco.exe", pf.path());
    EXPECT_TRUE(eventually([&] { return readFile(pf / "ran") == "ran\nran\n"; }));
    EXPECT_THROW(programs.launch("vantry-no-such-updater.exe", pf.path()), Error);
}

TEST(AboutVersion, MajorVersionZeroIsABeta) {
    EXPECT_EQ(vantry::aboutVersionText(0, 9, 12), "0.9.12 BETA");
    EXPECT_EQ(vantry::aboutVersionText(3, 5, 2006), "3.5.2006");
    EXPECT_EQ(vantry::aboutVersionText(10, 0, 0), "10.0.0");
}

}  // namespace
