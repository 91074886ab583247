// The two picture jobs a user waits for, each next to a standard tool doing the same work:
// the information line on a large file that is no picture (the JPEG start search reads it all),
// against counting its lines; and turning a 4K JPEG into the wallpaper bitmap, against djpeg.
#include <fcntl.h>
#include <malloc.h>
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
#include "platform/base/error.h"
#include "platform/pictures/picture.h"
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

std::size_t peakKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::stoul(line.substr(std::string(key).size()));
    return 0;
}

// Tiny files whose headers claim 14142 x 14142 pixels (570 MB as RGB): how long the loader takes
// to refuse each, and the most memory it needed meanwhile.
void benchLyingHeaders() {
    std::vector<std::uint8_t> bmp(70, 0);
    bmp[0] = 'B', bmp[1] = 'M', bmp[10] = 54, bmp[14] = 40, bmp[26] = 1, bmp[28] = 24;
    for (int at : {18, 22}) bmp[at] = 0x3E, bmp[at + 1] = 0x37;
    const std::vector<std::uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 0x3E, 0x37, 0x3E, 0x37, 0x80, 0, 0, 0, 0, 0,
                                           255, 255, 255, ',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0, ';'};
    std::vector<std::uint8_t> jpeg = vb::encodeJpeg(vb::makeTestPicture(16, 16), 90);
    std::size_t sof = 2;
    while (jpeg[sof + 1] != 0xC0) sof += 2 + (jpeg[sof + 2] << 8 | jpeg[sof + 3]);
    for (std::size_t at : {sof + 5, sof + 7}) jpeg[at] = 0x37, jpeg[at + 1] = 0x3E;

    std::printf("  %-38s", "tiny files claiming 14142x14142");
    using Row = std::pair<const char*, const std::vector<std::uint8_t>*>;
    for (const auto& [kind, file] : {Row{"BMP", &bmp}, Row{"GIF", &gif}, Row{"JPEG", &jpeg}}) {
        ::malloc_trim(0);
        const std::size_t before = peakKb("VmRSS:");
        std::ofstream("/proc/self/clear_refs") << "5";
        bool refused = true;
        double ms = 0;  // the slowest of kRuns
        for (int run = 0; run < kRuns; ++run) {
            const auto t0 = std::chrono::steady_clock::now();
            try {
                vb::decodePicture(*file);
                refused = false;
            } catch (const vb::Error&) {
            }
            ms = std::max(ms, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        }
        std::printf("  %s %zu bytes %s in at most %.2f ms, +%.1f MB;", kind, file->size(), refused ? "refused" : "LOADED", ms,
                    static_cast<double>(peakKb("VmHWM:") - std::min(before, peakKb("VmHWM:"))) / 1024.0);
    }
    std::printf("\n");
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
    benchLyingHeaders();
}
