#pragma once
// For the front-end tests on a real X server: what the server says of a window (its Motif hints,
// its place on the screen), and a window manager of the test's own that puts windows that come
// back somewhere else, as some window managers do. Its own file, so that Xlib's names stay out
// of the tests.
#include <memory>
#include <string>
#include <utility>

namespace vbqt::test {

struct MotifHints {
    bool present = false;
    unsigned long flags = 0, functions = 0, decorations = 0;
};
MotifHints motifHints(const std::string& display, unsigned long window);

// Where the window's top left corner is on the screen.
std::pair<int, int> windowOrigin(const std::string& display, unsigned long window);

// Maps and configures every window as asked, except that each window mapped again after its
// first map is first moved by (dx, dy). Runs on a thread of its own over a connection of its own.
class MisplacingWindowManager {
public:
    MisplacingWindowManager(const std::string& display, int dx, int dy);
    ~MisplacingWindowManager();
    bool running() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace vbqt::test
