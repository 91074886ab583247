// The random pick on a library of 10,000 pictures (the list is rebuilt on every pick), and the
// import of 1,000 files of 1 MB next to cp copying the same files.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include "bench.h"
#include "library/add_images_form.h"
#include "platform/headless/headless.h"
#include "platform/model/app.h"
#include "platform/pictures/picture.h"
#include "shell/main_form.h"
#include "shell/program.h"
#include "testkit/test_pictures.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

double msSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

struct Stats {
    double best, median;
};

Stats stats(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2]};
}

bool run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A program folder with its language file, the current directory while the app runs.
struct Program {
    fs::path pf, old;
    vb::HeadlessPlatform platform;
    std::unique_ptr<vb::App> app;
    Program(const fs::path& folder, const std::string& scratch) : pf(folder), platform(scratch, scratch) {
        fs::create_directories(pf / "img");
        fs::copy_file(fs::path(VANTRY_SOURCE_DIR) / "data/LANGUAGE.DRV", pf / "LANGUAGE.DRV",
                      fs::copy_options::overwrite_existing);
        old = fs::current_path();
        fs::current_path(pf);
        platform.programs.programs["fresco.exe"] = {};
        app = platform.makeApp();
        vantry::registerForms(*app);
        vantry::startProgram(*app);
    }
    ~Program() {
        app.reset();
        fs::current_path(old);
        fs::remove_all(pf);
    }
};

void benchRandomPick(const std::string& scratch) {
    const int n = 10000;
    Program p(fs::path(scratch) / "rotation-program", scratch);
    // One full-HD picture under 10,000 names (hard links: the names are what the list reads).
    const fs::path first = p.pf / "img" / "picture 00000.jpg";
    const auto bytes = vb::encodeJpeg(vb::makeTestPicture(1920, 1080), 88);
    std::ofstream(first, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    for (int i = 1; i < n; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "picture %05d.jpg", i);
        fs::create_hard_link(first, p.pf / "img" / name);
    }
    auto& main = p.app->form<vantry::Main>();
    std::vector<double> pick, build;
    for (int round = 0; round < 7; ++round) {
        p.platform.random.draws.push_back((round + 0.5) / 7.0);
        auto t0 = std::chrono::steady_clock::now();
        p.app->deliver([&] { main.Put_Wallpaper_Random(); });
        pick.push_back(msSince(t0));
        t0 = std::chrono::steady_clock::now();
        p.app->deliver([&] { main.CoolButton2_Click(); });
        build.push_back(msSince(t0));
    }
    const Stats s = stats(pick), b = stats(build);
    std::printf(
        "random pick + apply, %d pictures of 1920x1080 (headless): best %.1f / median %.1f ms "
        "(goal < 150 ms)\n",
        n, s.best, s.median);
    std::printf("  of which each of its two list builds: best %.1f / median %.1f ms; wallpapers set %zu\n",
                b.best, b.median, p.platform.wallpaper.set.size());
}

void benchImport(const std::string& scratch) {
    const int n = 1000;
    const fs::path src = fs::path(scratch) / "import-source";
    const fs::path cpTarget = fs::path(scratch) / "cp-target";
    fs::create_directories(src);
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = char((i * 2654435761u) >> 13);
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "import %04d.jpg", i);
        block[0] = char(i);
        std::ofstream(src / name, std::ios::binary).write(block.data(), std::streamsize(block.size()));
        names.push_back(name);
    }
    Program p(fs::path(scratch) / "import-program", scratch);
    std::vector<double> ours, theirs;
    auto withCp = [&] {
        fs::remove_all(cpTarget);
        fs::create_directories(cpTarget);
        ::sync();
        std::vector<std::string> args{"cp", "-t", cpTarget.string()};
        for (const auto& name : names) args.push_back((src / name).string());
        const auto t0 = std::chrono::steady_clock::now();
        if (!run(args)) std::printf("  cp failed\n");
        theirs.push_back(msSince(t0));
    };
    auto withVantry = [&] {
        fs::current_path(p.pf);  // the list build moved into the library, which goes now
        fs::remove_all(p.pf / "img");
        fs::create_directories(p.pf / "img");
        ::sync();
        auto& add = p.app->form<vantry::Add_Images>();
        p.app->deliver([&] {
            add.txt_CurPath.setText(src.string());
            add.File1.setPath(src.string());
            std::vector<int> all(std::size_t(add.File1.ListCount()));
            for (int i = 0; i < int(all.size()); ++i) all[std::size_t(i)] = i;
            add.File1.selectOnly(all);
        });
        const auto t0 = std::chrono::steady_clock::now();
        p.app->deliver([&] { add.Command1_Click(); });
        ours.push_back(msSince(t0));
    };
    // Taking turns at going first, so neither side always meets the other's write-back.
    for (int round = 0; round < 8; ++round) {
        if (round % 2) {
            withCp();
            withVantry();
        } else {
            withVantry();
            withCp();
        }
    }
    const auto count = std::distance(fs::directory_iterator(p.pf / "img"), {});
    const Stats o = stats(ours), t = stats(theirs);
    std::printf(
        "import, %d files of 1 MB (copy, then the list rebuilt): best %.1f / median %.1f ms; "
        "cp -t: best %.1f / median %.1f ms; ratio of bests %.2f, of medians %.2f (goal <= 1.5); files %lld\n",
        n, o.best, o.median, t.best, t.median, o.best / t.best, o.median / t.median,
        static_cast<long long>(count));
    fs::remove_all(src);
    fs::remove_all(cpTarget);
}

}  // namespace

void benchRotationAndImport(const std::string& scratch) {
    benchRandomPick(scratch);
    benchImport(scratch);
}
