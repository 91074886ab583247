#pragma once
// The whole desktop program's wiring: the Qt front end with the real operating-system services.
// main() passes in what is the program's own (its forms, its start, where tray messages go), so
// that nothing outside this folder needs Qt.
#include <functional>
#include <utility>

class QScreen;

namespace vb {
class App;
}

namespace vbqt {

struct ProgramHooks {
    std::function<void(vb::App&)> registerForms;
    std::function<void(vb::App&)> start;
    std::function<void(vb::App&, int)> trayMessage;
};

int runDesktopProgram(int argc, char** argv, const ProgramHooks& hooks);

// The screen's size in the pixels windows are laid out in (Qt's, scaled when the user scaled
// the program), and the display's own pixels to one of those. 1024 x 768 and 1 without a screen.
std::pair<int, int> screenSize(const QScreen* screen);
double screenPixelRatio(const QScreen* screen);

}  // namespace vbqt
