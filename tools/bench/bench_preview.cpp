// A row click on a large picture in the Qt program, to the preview drawn, next to decoding the
// picture alone. The program runs in a child process (see qt/preview_child.cpp) under Xvfb, in
// a program folder made here from the shipped one plus the pictures to click.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "bench.h"
#include "platform/pictures/picture.h"
#include "testkit/test_pictures.h"

extern char** environ;

#ifndef VANTRY_BENCH_QT
void benchPreview(const std::string&) { std::printf("preview: this build has no Qt front end, skipped\n"); }
int previewBenchChild(const std::string&, char*) { return 1; }
#else

void benchPreview(const std::string& scratch) {
    namespace fs = std::filesystem;
    std::printf("preview: row click to preview drawn, the Qt program under a 1280x1024 Xvfb, medians\n");
    std::fflush(stdout);
    const fs::path folder = fs::path(scratch) / "preview-program";
    fs::remove_all(folder);
    fs::copy(fs::path(VANTRY_SOURCE_DIR) / "data", folder, fs::copy_options::recursive);
    // A normal start: the first-start questions (language, connection) would stand in front of the list.
    fs::remove(folder / "CONNECT.TMP");
    fs::remove(folder / "START.1ST");
    const fs::path self = fs::read_symlink("/proc/self/exe");
    if (fs::exists(self.parent_path() / "fresco.exe")) fs::copy_file(self.parent_path() / "fresco.exe", folder / "fresco.exe");
    auto write = [&](const char* name, int w, int h) {
        const auto bytes = vb::encodeJpeg(vb::makeTestPicture(w, h), 90);
        std::ofstream(folder / "img" / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };
    write("small.jpg", 640, 480);
    write("picture-3840x2160.jpg", 3840, 2160);
    write("picture-8000x8000.jpg", 8000, 8000);

    pid_t server = -1;
    const std::string display = startXvfb("1280x1024x24", server);
    if (display.empty()) {
        std::printf("  Xvfb did not start\n");
    } else {
        const std::string home = (fs::path(scratch) / "preview-home").string();
        fs::create_directories(home + "/run");
        fs::permissions(home + "/run", fs::perms::owner_all);
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string v(*e);
            bool ours = false;
            for (const char* set : {"DISPLAY=", "HOME=", "QT_QPA_PLATFORM=", "XDG_"}) ours = ours || v.rfind(set, 0) == 0;
            if (!ours) env.push_back(v);
        }
        for (std::string v : {"DISPLAY=" + display, "HOME=" + home, std::string("QT_QPA_PLATFORM=xcb"),
                              "XDG_CONFIG_HOME=" + home, "XDG_DATA_HOME=" + home, "XDG_RUNTIME_DIR=" + home + "/run"})
            env.push_back(v);
        // As root the web engine runs only without its sandbox, which the program leaves to its user.
        if (::geteuid() == 0 && !std::getenv("QTWEBENGINE_DISABLE_SANDBOX"))
            env.push_back("QTWEBENGINE_DISABLE_SANDBOX=1");
        std::vector<char*> envp, argv;
        for (auto& v : env) envp.push_back(v.data());
        envp.push_back(nullptr);
        std::string exe = self.string(), flag = "--preview-child", where = folder.string();
        argv = {exe.data(), flag.data(), where.data(), nullptr};
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        if (!std::getenv("VANTRY_BENCH_LOG")) posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
        pid_t child = -1;
        if (::posix_spawn(&child, exe.c_str(), &fa, nullptr, argv.data(), envp.data()) != 0) child = -1;
        posix_spawn_file_actions_destroy(&fa);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
        int status = 0;
        while (child > 0 && ::waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                std::printf("  the program did not finish within 3 minutes\n");
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (child < 0) std::printf("  the program could not be started\n");
        ::kill(server, SIGTERM);
        ::waitpid(server, nullptr, 0);
    }
    fs::remove_all(folder);
    fs::remove_all(fs::path(scratch) / "preview-home");
}

#endif
