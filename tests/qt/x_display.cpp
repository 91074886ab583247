#include "x_display.h"

#ifdef VANTRY_HAVE_X11
#include <X11/Xlib.h>
#include <poll.h>

#include <atomic>
#include <map>
#include <thread>

namespace vbqt::test {

namespace {

std::atomic<bool> g_redirectRefused{false};

// Errors on any connection of the process end up here: a window gone between two requests is
// no failure, another window manager already running is.
int noteError(Display*, XErrorEvent* e) {
    if (e->error_code == BadAccess) g_redirectRefused = true;
    return 0;
}

}  // namespace

MotifHints motifHints(const std::string& display, unsigned long window) {
    MotifHints h;
    Display* d = XOpenDisplay(display.c_str());
    if (!d) return h;
    const Atom motif = XInternAtom(d, "_MOTIF_WM_HINTS", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, window, motif, 0, 5, False, AnyPropertyType, &type, &format, &count, &after, &data) ==
            Success &&
        data) {
        const auto* v = reinterpret_cast<const unsigned long*>(data);
        if (format == 32 && count >= 3) h = {true, v[0], v[1], v[2]};
        XFree(data);
    }
    XCloseDisplay(d);
    return h;
}

std::pair<int, int> windowOrigin(const std::string& display, unsigned long window) {
    Display* d = XOpenDisplay(display.c_str());
    if (!d) return {-1, -1};
    int x = -1, y = -1;
    Window child = 0;
    XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &x, &y, &child);
    XCloseDisplay(d);
    return {x, y};
}

struct MisplacingWindowManager::State {
    Display* display = nullptr;
    int dx = 0, dy = 0;
    std::atomic<bool> stop{false};
    std::thread thread;

    void run() {
        std::map<Window, int> maps;
        while (!stop) {
            while (XPending(display)) {
                XEvent e;
                XNextEvent(display, &e);
                if (e.type == MapRequest) {
                    const Window w = e.xmaprequest.window;
                    XWindowAttributes a;
                    if (maps[w]++ > 0 && XGetWindowAttributes(display, w, &a)) XMoveWindow(display, w, a.x + dx, a.y + dy);
                    XMapWindow(display, w);
                } else if (e.type == ConfigureRequest) {
                    const XConfigureRequestEvent& r = e.xconfigurerequest;
                    XWindowChanges c{r.x, r.y, r.width, r.height, r.border_width, r.above, r.detail};
                    XConfigureWindow(display, r.window, static_cast<unsigned>(r.value_mask), &c);
                } else if (e.type == DestroyNotify) {
                    maps.erase(e.xdestroywindow.window);
                }
            }
            XFlush(display);
            pollfd p{ConnectionNumber(display), POLLIN, 0};
            ::poll(&p, 1, 10);
        }
    }
};

MisplacingWindowManager::MisplacingWindowManager(const std::string& display, int dx, int dy)
    : state_(std::make_unique<State>()) {
    state_->dx = dx;
    state_->dy = dy;
    state_->display = XOpenDisplay(display.c_str());
    if (!state_->display) return;
    XSetErrorHandler(noteError);
    g_redirectRefused = false;
    XSelectInput(state_->display, DefaultRootWindow(state_->display), SubstructureRedirectMask | SubstructureNotifyMask);
    XSync(state_->display, False);
    if (g_redirectRefused) {
        XCloseDisplay(state_->display);
        state_->display = nullptr;
        return;
    }
    state_->thread = std::thread([s = state_.get()] { s->run(); });
}

MisplacingWindowManager::~MisplacingWindowManager() {
    state_->stop = true;
    if (state_->thread.joinable()) state_->thread.join();
    if (state_->display) XCloseDisplay(state_->display);
}

bool MisplacingWindowManager::running() const { return state_->display != nullptr; }

}  // namespace vbqt::test

#else

namespace vbqt::test {
MotifHints motifHints(const std::string&, unsigned long) { return {}; }
std::pair<int, int> windowOrigin(const std::string&, unsigned long) { return {-1, -1}; }
struct MisplacingWindowManager::State {};
MisplacingWindowManager::MisplacingWindowManager(const std::string&, int, int) {}
MisplacingWindowManager::~MisplacingWindowManager() = default;
bool MisplacingWindowManager::running() const { return false; }
}  // namespace vbqt::test

#endif
