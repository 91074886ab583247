// A window of fixed size says so in every hint it gives the window manager. Qt states the size
// in the size hints (minimum = maximum) and leaves out the maximise button when asked, but on
// X11 it writes the Motif hints, which some window managers follow rather than the size hints,
// always with the resize function and the resize handles: those are taken out here.
#include <QGuiApplication>
#include <QWidget>
#include <algorithm>

#include "platform/qt/qt_form_host.h"

#ifdef VANTRY_HAVE_X11
#include <X11/Xlib.h>
#endif

namespace vbqt {

#ifdef VANTRY_HAVE_X11
namespace {

// _MOTIF_WM_HINTS: flags, functions, decorations, input mode, status.
constexpr unsigned long kHasFunctions = 1, kHasDecorations = 2;
constexpr unsigned long kAll = 1;  // with the others: all but those
constexpr unsigned long kFunctionResize = 2, kFunctionMaximize = 16, kAllFunctions = 0x3e;
constexpr unsigned long kDecorationResize = 4, kDecorationMaximize = 64, kAllDecorations = 0x7e;

unsigned long spelledOut(bool given, unsigned long value, unsigned long all) {
    if (!given) return all;
    return value & kAll ? all & ~value : value;
}

}  // namespace

void askForFixedSize(QWidget& window) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    const Window id = Window(window.internalWinId());
    if (!display || !id) return;
    const Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    unsigned long hints[5] = {0, 0, 0, 0, 0};
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, id, motif, 0, 5, False, motif, &type, &format, &count, &after, &data) ==
            Success &&
        data) {
        if (format == 32)
            for (unsigned long i = 0; i < count && i < 5; ++i) hints[i] = reinterpret_cast<unsigned long*>(data)[i];
        XFree(data);
    }
    unsigned long want[5] = {hints[0] | kHasFunctions | kHasDecorations,
                             spelledOut(hints[0] & kHasFunctions, hints[1], kAllFunctions) &
                                 ~(kFunctionResize | kFunctionMaximize),
                             spelledOut(hints[0] & kHasDecorations, hints[2], kAllDecorations) &
                                 ~(kDecorationResize | kDecorationMaximize),
                             hints[3], hints[4]};
    if (std::equal(want, want + 5, hints)) return;
    XChangeProperty(display, id, motif, motif, 32, PropModeReplace, reinterpret_cast<unsigned char*>(want), 5);
    XFlush(display);
}
#else
void askForFixedSize(QWidget&) {}
#endif

}  // namespace vbqt
