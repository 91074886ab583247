#pragma once
// Timings of the parts of Vantry whose speed a user feels. Each benchmark works in the scratch
// folder it is given and prints its own figures.
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>

namespace vb {
class App;
struct HeadlessPlatform;
}  // namespace vb

void benchWallpaper(const std::string& scratch);
void benchPictures(const std::string& scratch);
void benchLibrary(const std::string& scratch);
void benchRotationAndImport(const std::string& scratch);
void benchPreview(const std::string& scratch);
void benchWatcher(const std::string& scratch);

// Runs `measure` against the program started headless in `folder` (made beforehand, with the
// shipped language file copied in) as its current folder; the folder is removed afterwards.
void withHeadlessProgram(const std::string& scratch, const std::filesystem::path& folder,
                         const std::function<void(vb::HeadlessPlatform&, vb::App&)>& measure);

// Starts Xvfb on a display number it picks itself; returns ":N", or "" when it did not come up.
std::string startXvfb(const std::string& geometry, pid_t& pid);

// In the child process the preview benchmark starts: the Qt program in `folder`, driven.
int previewBenchChild(const std::string& folder, char* program);
