// vantry-bench [SCRATCH]: runs every benchmark (or the one VANTRY_BENCH_ONLY names), in SCRATCH or
// a fresh temporary folder.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench.h"

int main(int argc, char** argv) {
    std::string scratch;
    bool own = false;
    if (argc > 1) {
        scratch = argv[1];
        std::filesystem::create_directories(scratch);
    } else {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vantry-bench-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) {
            std::perror("vantry-bench: mkdtemp");
            return 1;
        }
        scratch = tmpl;
        own = true;
    }
    // VANTRY_BENCH_ONLY=library|rotation|wallpaper|pictures runs that one alone.
    const char* only = std::getenv("VANTRY_BENCH_ONLY");
    auto wanted = [&](const char* name) { return !only || std::string(only) == name; };
    if (wanted("library")) benchLibrary(scratch);
    if (wanted("rotation")) benchRotationAndImport(scratch);
    if (wanted("wallpaper")) benchWallpaper(scratch);
    if (wanted("pictures")) benchPictures(scratch);
    if (own) std::filesystem::remove_all(scratch);
    return 0;
}
