// The real operating-system services: the instance lock, starting and waiting for the updater,
// the routing table and the drive root.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <optional>
#include <csignal>
#include <cstdlib>

#include "harness.h"
#include "program_scripts.h"
#include "platform/base/error.h"
#include "platform/posix/posix_services.h"

using namespace vb;
using vantry::test::TempDir;
using vantry::test::writeFile;

namespace {

PosixSystem::ScreenSize screen() {
    return [] { return std::pair<int, int>(800, 600); };
}

// Sets an environment variable, or clears it (null), for one test.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~EnvVar() { old_.empty() ? ::unsetenv(name_) : ::setenv(name_, old_.c_str(), 1); }

private:
    const char* name_;
    std::string old_;
};

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

// A lock file in a shared folder that is a link, or that another user made and holds, neither
// stops us from starting nor makes us create or lock the file the link points at.
TEST(InstanceLock, ALinkOrAnotherUsersFileDoesNotStopUs) {
    TempDir d;
    std::filesystem::create_symlink(d / "elsewhere", d / "linked.lock");
    PosixSystem throughLink(d.path(), screen(), d / "linked.lock");
    EXPECT_FALSE(throughLink.anotherInstanceRunning());
    EXPECT_FALSE(std::filesystem::exists(d / "elsewhere"));

    if (::geteuid() != 0) GTEST_SKIP() << "making another user's file needs root";
    writeFile(d / "theirs.lock", "");
    ASSERT_EQ(::chown((d / "theirs.lock").c_str(), 65534, 65534), 0);
    const int theirs = ::open((d / "theirs.lock").c_str(), O_RDWR);
    ASSERT_EQ(::flock(theirs, LOCK_EX | LOCK_NB), 0);  // they hold it
    PosixSystem ours(d.path(), screen(), d / "theirs.lock");
    EXPECT_FALSE(ours.anotherInstanceRunning());
    ::close(theirs);
}

// A start from the desktop session, one from cron or ssh without a runtime folder, one from a
// shell that names another: all of one user, they find the same lock, and only the first runs.
TEST(InstanceLock, EveryStartOfTheUserFindsTheSameLockWhateverItsEnvironment) {
    TempDir a, b;
    std::optional<PosixSystem> session, other, bare;
    {
        EnvVar runtime("XDG_RUNTIME_DIR", a.path().c_str());
        session.emplace(a.path(), screen());
    }
    {
        EnvVar runtime("XDG_RUNTIME_DIR", b.path().c_str());
        other.emplace(b.path(), screen());
    }
    {
        EnvVar runtime("XDG_RUNTIME_DIR", nullptr);
        bare.emplace(b.path(), screen());
    }
    if (session->anotherInstanceRunning()) GTEST_SKIP() << "a Vantry of this user is running";
    EXPECT_TRUE(other->anotherInstanceRunning());
    EXPECT_TRUE(bare->anotherInstanceRunning());
    session.reset();  // the first ends: the next start runs
    EXPECT_FALSE(bare->anotherInstanceRunning());
    EXPECT_TRUE(other->anotherInstanceRunning());
}

TEST(InstanceLock, TheLockIsInAFolderOfOurOwn) {
    TempDir d;
    const std::string own = d / ("vantry-" + std::to_string(::geteuid()));
    EXPECT_EQ(defaultLockPath(d.path()), own + "/vantry.lock");
    struct stat st;
    ASSERT_EQ(::lstat(own.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // Someone else's folder of that name, or one others may write to, is not used.
    ::chmod(own.c_str(), 0777);
    EXPECT_EQ(defaultLockPath(d.path()), "");
    std::filesystem::remove(own);
    std::filesystem::create_symlink(d.path(), own);
    EXPECT_EQ(defaultLockPath(d.path()), "");
}

struct UpdaterTest : ProgramScripts {};

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

// ---- programs we run: deadlines, output caps, no zombies

bool gone(int pid) {
    // Ended and reaped: no process of that pid any more (a zombie still has its /proc entry).
    for (int i = 0; i < 200; ++i) {
        if (::kill(pid, 0) != 0 && errno == ESRCH) return true;
        ::usleep(10000);
    }
    return false;
}

TEST(CommandDeadline, AHungToolIsKilledAtTheDeadlineAndItsOutputIsCapped) {
    PosixCommandRunner runner(CommandLimits{std::chrono::milliseconds(300), 1000});
    const auto t0 = std::chrono::steady_clock::now();
    // A tool that hangs with its output open, and a helper it started holding the pipe too.
    CommandResult hung = runner.run({"sh", "-c", "echo started; sleep 30 & sleep 30"});
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(3));
    EXPECT_TRUE(hung.started);
    EXPECT_TRUE(hung.timedOut);
    EXPECT_EQ(hung.exitCode, 128 + SIGKILL);
    EXPECT_EQ(hung.output, "started\n");
    // A tool that prints without end is cut at the cap and stopped at the deadline.
    CommandResult flood = runner.run({"yes"});
    EXPECT_TRUE(flood.timedOut);
    EXPECT_TRUE(flood.truncated);
    EXPECT_EQ(flood.output.size(), 1000u);
    // One that prints much and ends keeps the first part and its own status.
    CommandResult big = runner.run({"sh", "-c", "head -c 5000 /dev/zero; exit 4"});
    EXPECT_FALSE(big.timedOut);
    EXPECT_TRUE(big.truncated);
    EXPECT_EQ(big.output.size(), 1000u);
    EXPECT_EQ(big.exitCode, 4);
    // One that closes its output and runs on is still held to the deadline.
    CommandResult closed = runner.run({"sh", "-c", "exec >&-; sleep 30"});
    EXPECT_TRUE(closed.timedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(6));
}

TEST_F(UpdaterTest, AProgramNobodyWaitsForLeavesNoZombie) {
    script("plugin.exe", "exit 0");
    const int pid = programs.start("plugin.exe", pf.path());
    EXPECT_TRUE(gone(pid)) << "process " << pid << " left as a zombie";
    // Waiting for one that already ended and was reaped still gives its status.
    script("fresco.exe", "exit 5");
    const int updater = programs.start("fresco.exe", pf.path());
    ASSERT_TRUE(gone(updater));
    EXPECT_EQ(programs.wait(updater), 5);
    EXPECT_EQ(programs.wait(updater), -1);  // once only
}

TEST_F(UpdaterTest, TheOpenerIsStoppedAtItsDeadlineAndThatIsLogged) {
    // A stand-in opener that never finishes, first in PATH.
    script("xdg-open", "echo $$ > \"$(dirname \"$0\")/pid\"; exec sleep 30");
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (pf.path() + ":" + oldPath).c_str(), 1);
    {
        PosixPrograms opener(fs, log, std::chrono::milliseconds(300));
        opener.open("http://127.0.0.1:1/");
        ::setenv("PATH", oldPath.c_str(), 1);
        for (int i = 0; i < 300 && log.lines.empty(); ++i) ::usleep(10000);
    }
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("did not finish within 0.30 s and was stopped"), std::string::npos) << log.lines[0];
    const int pid = std::stoi(vantry::test::readFile(pf / "pid"));
    EXPECT_TRUE(gone(pid));
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

// The system takes a NUL for the end of an argument: a command or an address holding one would
// run cut short at it, so it does not run at all, and the address is logged instead of opened.
TEST_F(UpdaterTest, ACommandOrAddressHoldingANulIsNotRunCutShort) {
    const std::string cut = "touch '" + (pf / "ran") + "'" + std::string(1, '\0') + "; rm -rf somewhere";
    EXPECT_FALSE(PosixCommandRunner().run({"sh", "-c", cut}).started);
    script("xdg-open", "echo \"$1\" > \"$(dirname \"$0\")/opened\"");
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (pf.path() + ":" + oldPath).c_str(), 1);
    programs.open(std::string("http://127.0.0.1:1/page\0.evil", 29));
    programs.open("http://127.0.0.1:1/whole");  // the opener runs for a whole address
    for (int i = 0; i < 300 && !fs.fileExists(pf / "opened"); ++i) ::usleep(10000);
    ::usleep(100000);
    ::setenv("PATH", oldPath.c_str(), 1);
    EXPECT_EQ(vantry::test::readFile(pf / "opened"), "http://127.0.0.1:1/whole\n");
    EXPECT_FALSE(fs.fileExists(pf / "ran"));
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("holds a NUL"), std::string::npos) << log.lines[0];
}

// A service or a cleared environment has no HOME: the home is the password database's, never
// a folder in the shared temporary folder.
TEST(WallpaperFolder, WithoutHomeItIsInTheHomeThePasswordDatabaseGives) {
    EnvVar data("XDG_DATA_HOME", nullptr), home("HOME", nullptr);
    const passwd* pw = ::getpwuid(::geteuid());
    ASSERT_NE(pw, nullptr);
    EXPECT_EQ(defaultSystemFolder(), std::string(pw->pw_dir) + "/.local/share/vantry");
    EnvVar given("HOME", "/home/given");
    EXPECT_EQ(defaultSystemFolder(), "/home/given/.local/share/vantry");
}

// The wallpaper is written into the folder: one another user owns, or a link, or one inside a
// folder of theirs, is not given out and nothing can be written where the answer points; our own
// that others may write to is made ours alone.
TEST(WallpaperFolder, IsOnlyEverAFolderOfOurOwnThatNoOneElseMayWrite) {
    TempDir d;
    const auto wallpaperWrite = [](const std::string& folder) {
        try {
            FileSystem().writeBytesAtomic(folder + "/vantry.bmp", "BM");
            return true;
        } catch (const Error&) {
            return false;
        }
    };
    EXPECT_EQ(PosixSystem(d / "made/vantry", screen()).windowsDirectory(), d / "made/vantry");
    EXPECT_TRUE(std::filesystem::is_directory(d / "made/vantry"));

    std::filesystem::create_directories(d / "open");
    ::chmod((d / "open").c_str(), 0777);
    EXPECT_EQ(PosixSystem(d / "open", screen()).windowsDirectory(), d / "open");
    struct stat st;
    ASSERT_EQ(::stat((d / "open").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);

    std::filesystem::create_symlink(d / "open", d / "linked");
    const std::string viaLink = PosixSystem(d / "linked", screen()).windowsDirectory();
    EXPECT_NE(viaLink, d / "linked");
    EXPECT_FALSE(wallpaperWrite(viaLink));
    EXPECT_FALSE(std::filesystem::exists(d / "open/vantry.bmp"));

    if (::geteuid() != 0) GTEST_SKIP() << "making another user's folder needs root";
    std::filesystem::create_directories(d / "theirs");
    ASSERT_EQ(::chown((d / "theirs").c_str(), 65534, 65534), 0);
    const std::string theirs = PosixSystem(d / "theirs", screen()).windowsDirectory();
    EXPECT_NE(theirs, d / "theirs");
    EXPECT_FALSE(wallpaperWrite(theirs));
    EXPECT_FALSE(std::filesystem::exists(d / "theirs/vantry.bmp"));
    // Ours, but in a folder of theirs: they could swap ours for a link at any time.
    std::filesystem::create_directories(d / "theirs/ours");
    const std::string inTheirs = PosixSystem(d / "theirs/ours", screen()).windowsDirectory();
    EXPECT_NE(inTheirs, d / "theirs/ours");
    EXPECT_FALSE(wallpaperWrite(inTheirs));
}

// A folder above that others may write to lets them move ours aside and put theirs in its place:
// one our group may write to (whoever else is in it), or one with an access list granting other
// users more than its mode bits say. Only a sticky folder of root's, as /tmp is, keeps ours ours.
TEST(WallpaperFolder, AFolderAboveThatAGroupOrAnAccessListOpensToOthersIsRefused) {
    TempDir d;
    const auto given = [](const std::string& folder) { return PosixSystem(folder, screen()).windowsDirectory(); };
    std::filesystem::create_directories(d / "group/share");
    ::chmod((d / "group").c_str(), 0775);  // our own group: still others, who may be in it
    EXPECT_NE(given(d / "group/share/vantry"), d / "group/share/vantry");
    ::chmod((d / "group").c_str(), 0755);
    EXPECT_EQ(given(d / "group/share/vantry"), d / "group/share/vantry");

    std::filesystem::create_directories(d / "listed/share");
    ::chmod((d / "listed").c_str(), 0755);
    const std::string setfacl = "setfacl -m u:65534:rwx '" + (d / "listed") + "' 2>/dev/null";
    if (std::system(setfacl.c_str()) != 0)
        GTEST_SKIP() << "setfacl (Debian package acl) is missing or this file system keeps no access lists";
    EXPECT_NE(given(d / "listed/share/vantry"), d / "listed/share/vantry");
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
