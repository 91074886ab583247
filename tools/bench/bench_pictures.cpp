// The two picture jobs a user waits for, each next to a standard tool doing the same work:
// the information line on a large file that is no picture (the JPEG start search reads it all),
// against counting its lines; and turning a 4K JPEG into the wallpaper bitmap, against djpeg.
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
#include <random>
#include <string>
#include <vector>

#include "bench.h"
#include "library/img_inf.h"
#include "platform/picture.h"
#include "testkit/test_pictures.h"

extern char** environ;

namespace {

constexpr int kRuns = 7;

struct Timing {
    double best = -1, median = -1;  // milliseconds; negative when a run failed
};

Timing timeRuns(const std::function<bool()>& once) {
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!once()) return {};
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms.front(), ms[ms.size() / 2]};
}

// Runs a program with its output discarded; true when it exits with 0.
bool run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const int rc = ::posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) return false;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void row(const char* what, Timing ours, const char* tool = "", Timing theirs = {}) {
    auto figure = [](Timing t) {
        char text[40];
        if (t.best < 0)
            std::snprintf(text, sizeof text, "%s", "failed");
        else
            std::snprintf(text, sizeof text, "%7.1f / %7.1f ms", t.best, t.median);
        return std::string(text);
    };
    std::printf("  %-38s %20s   %-20s %20s\n", what, figure(ours).c_str(), tool,
                *tool ? figure(theirs).c_str() : "");
}

// Random bytes, as in a video or an archive, with every FF D8 FF broken up.
void writeNonPicture(const std::string& path, std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::mt19937_64 random(20061);
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        const std::uint64_t v = random();
        for (int b = 0; b < 8; ++b) bytes[i + b] = static_cast<std::uint8_t>(v >> (8 * b));
    }
    bytes[0] = 0;  // no header reader may claim it either
    for (std::size_t i = 0; i + 2 < size; ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xD8 && bytes[i + 2] == 0xFF) bytes[i + 1] = 0;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

void benchPictures(const std::string& scratch) {
    std::printf("pictures: best / median of %d runs, input files in the page cache\n", kRuns);
    std::printf("  %-38s %20s   %-20s\n", "", "Vantry", "reference");

    const std::string noise = scratch + "/noise-100MB.jpg";
    writeNonPicture(noise, 100u << 20);
    run({"cat", noise});  // into the page cache, so both sides read from memory
    const Timing search = timeRuns([&] { return Get_ImageInfo(noise).Format == 255; });
    const Timing lines = timeRuns([&] { return run({"wc", "-l", noise}); });
    row("information, 100 MB without JPEG start", search, "wc -l", lines);
    std::filesystem::remove(noise);

    const std::string jpeg = scratch + "/picture-3840x2160.jpg";
    const std::string ours = scratch + "/vantry.bmp";
    const std::string theirs = scratch + "/djpeg.bmp";
    const std::vector<std::uint8_t> bytes = vb::encodeJpeg(vb::makeTestPicture(3840, 2160), 90);
    std::ofstream(jpeg, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    vb::Picture picture;
    const Timing load = timeRuns([&] { return !(picture = vb::loadPicture(jpeg)).empty(); });
    const Timing save = timeRuns([&] { return vb::savePictureBmp(picture, ours), true; });
    const Timing both = timeRuns([&] { return vb::savePictureBmp(vb::loadPicture(jpeg), ours), true; });
    const Timing djpeg = timeRuns([&] { return run({"djpeg", "-bmp", "-outfile", theirs, jpeg}); });
    row("3840x2160 JPEG to BMP, load + save", both, "djpeg -bmp -outfile", djpeg);
    row("  load alone", load);
    row("  save alone (fsync included)", save);
    std::printf("  (djpeg does not flush its output to disk; the save does, before its rename)\n");
    for (const auto& f : {jpeg, ours, theirs}) std::filesystem::remove(f);
}
