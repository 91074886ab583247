// vantry-bench [SCRATCH] [library|rotation|wallpaper|pictures|preview|watcher]...: runs the benchmarks
// named (all when none is), in SCRATCH or a fresh temporary folder.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "bench.h"

int main(int argc, char** argv) {
    std::string scratch;
    bool own = false;
    std::set<std::string> only;
    const std::set<std::string> names = {"library",  "rotation", "wallpaper",
                                         "pictures", "preview",  "watcher"};
    if (argc == 3 && std::string(argv[1]) == "--preview-child") return previewBenchChild(argv[2], argv[0]);
    for (int i = 1; i < argc; ++i)
        if (names.count(argv[i])) only.insert(argv[i]);
    const bool folderGiven = argc > 1 && !names.count(argv[1]);
    auto wanted = [&](const char* name) { return only.empty() || only.count(name) > 0; };
    if (folderGiven) {
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
    if (wanted("library")) benchLibrary(scratch);
    if (wanted("rotation")) benchRotationAndImport(scratch);
    if (wanted("wallpaper")) benchWallpaper(scratch);
    if (wanted("pictures")) benchPictures(scratch);
    if (wanted("preview")) benchPreview(scratch);
    if (wanted("watcher")) benchWatcher(scratch);
    if (own) std::filesystem::remove_all(scratch);
    return 0;
}
