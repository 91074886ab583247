#pragma once
// A headless program in fresh temporary folders, for tests that drive the real forms.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/headless/headless.h"
#include "platform/model/app.h"
#include "shell/program.h"

namespace vantry::test {

class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vantry-test-XXXXXX").string();
        path_ = ::mkdtemp(tmpl.data()) ? tmpl : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Lines joined with CR LF, each one ended.
inline std::string crlf(std::initializer_list<std::string> lines) {
    std::string s;
    for (auto& l : lines) s += l + "\r\n";
    return s;
}

struct Harness {
    TempDir pf, windir, root;
    vb::HeadlessPlatform platform{windir.path(), root.path()};
    vb::FileSystem& fs = platform.fs;
    vb::ScriptedDialogs& dialogs = platform.dialogs;
    vb::VirtualLoop& loop = platform.loop;
    vb::FakeSystem& system = platform.system;
    vb::FakePrograms& programs = platform.programs;
    vb::RecordingWallpaper& wallpaper = platform.wallpaper;
    vb::RecordingTray& tray = platform.tray;
    vb::CollectingLogger& log = platform.log;
    std::unique_ptr<vb::App> app;
    std::string oldCwd;

    Harness() {
        oldCwd = std::filesystem::current_path().string();
        app = platform.makeApp();
        registerForms(*app);
        std::filesystem::create_directories(pf / "img");
        ::chdir(pf.path().c_str());
    }
    ~Harness() {
        app.reset();
        ::chdir(oldCwd.c_str());
    }
    // A normal start: no first-start marker, an updater that ends at once.
    void start() { startProgram(*app); }
    std::string file(const std::string& name) const { return readFile(pf / name); }
    void put(const std::string& name, const std::string& bytes) { writeFile(pf / name, bytes); }
};

}  // namespace vantry::test
