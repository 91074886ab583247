// The real operating-system services: the instance lock, starting and waiting for the updater,
// the routing table and the drive root.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "harness.h"
#include "platform/error.h"
#include "platform/posix_services.h"

using namespace vb;
using vantry::test::TempDir;
using vantry::test::writeFile;

namespace {

PosixSystem::ScreenSize screen() {
    return [] { return std::pair<int, int>(800, 600); };
}

TEST(InstanceLock, TheSecondInstanceIsRefusedAndTheFirstKeepsItsLock) {
    TempDir d;
    PosixSystem first(d.path(), screen(), d / "vantry.lock");
    PosixSystem second(d.path(), screen(), d / "vantry.lock");
    EXPECT_FALSE(first.anotherInstanceRunning());
    EXPECT_TRUE(second.anotherInstanceRunning());
    EXPECT_FALSE(first.anotherInstanceRunning());  // asking again does not lose the lock
    EXPECT_TRUE(second.anotherInstanceRunning());
}

TEST(InstanceLock, ALockHeldByAProcessThatDiedIsFree) {
    TempDir d;
    const pid_t child = ::fork();
    if (child == 0) {
        PosixSystem s(d.path(), screen(), d / "vantry.lock");
        ::_exit(s.anotherInstanceRunning() ? 1 : 0);  // takes the lock, then dies holding it
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    PosixSystem after(d.path(), screen(), d / "vantry.lock");
    EXPECT_FALSE(after.anotherInstanceRunning());
}

struct UpdaterTest : ::testing::Test {
    TempDir pf;
    FileSystem fs;
    CollectingLogger log;
    PosixPrograms programs{fs, log};
    void script(const std::string& name, const std::string& body, mode_t mode = 0755) {
        writeFile(pf / name, "#!/bin/sh\n" + body + "\n");
        ::chmod((pf / name).c_str(), mode);
    }
};

TEST_F(UpdaterTest, TheProgramFoldersFileIsFoundWithoutRegardToCaseAndWaitedFor) {
    script("FRESCO.EXE", "echo ran > \"$(dirname \"$0\")/ran.txt\"; exit 0");
    const int pid = programs.start("fresco.exe", pf.path());
    EXPECT_EQ(programs.wait(pid), 0);
    EXPECT_TRUE(fs.fileExists(pf / "ran.txt"));
}

TEST_F(UpdaterTest, AnErrorExitIsLoggedAndWaitingStillEnds) {
    script("fresco.exe", "exit 3");
    EXPECT_EQ(programs.wait(programs.start("fresco.exe", pf.path())), 3);
    EXPECT_EQ(log.lines.size(), 1u);
}

TEST_F(UpdaterTest, ALongRunIsWaitedForToTheEnd) {
    script("fresco.exe", "sleep 1; exit 0");
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(programs.wait(programs.start("fresco.exe", pf.path())), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(900));
}

TEST_F(UpdaterTest, MissingOrNotExecutableCannotBeStarted) {
    EXPECT_THROW(programs.start("vantry-no-such-updater.exe", pf.path()), Error);
    script("plain.exe", "exit 0", 0644);
    EXPECT_THROW(programs.start("plain.exe", pf.path()), Error);
}

TEST(Routes, ADefaultRouteMeansOnline) {
    const std::string header = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
    EXPECT_TRUE(routeTableHasDefault(header + "eth0\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n", ""));
    EXPECT_FALSE(routeTableHasDefault(header + "eth0\t0002A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n", ""));
    EXPECT_FALSE(routeTableHasDefault(header, ""));
    const std::string v6def = std::string(32, '0') + " 00 " + std::string(32, '0') +
                              " 00 fe800000000000000000000000000001 00000400 00000001 00000000 00000003 eth0\n";
    EXPECT_TRUE(routeTableHasDefault(header, v6def));
    const std::string v6lo = std::string(32, '0') + " 00 " + std::string(32, '0') + " 00 " + std::string(32, '0') +
                             " ffffffff 00000001 00000000 00200200 lo\n";
    EXPECT_FALSE(routeTableHasDefault(header, v6lo));
}

TEST(DriveRoot, IsTheMountPointHoldingThePath) {
    TempDir d;
    const std::string root = mountPointOf(d.path());
    EXPECT_EQ(d.path().rfind(root, 0), 0u);  // a prefix of the path
    struct stat a, b;
    ASSERT_EQ(::stat(root.c_str(), &a), 0);
    ASSERT_EQ(::stat(d.path().c_str(), &b), 0);
    EXPECT_EQ(a.st_dev, b.st_dev);
}

}  // namespace
