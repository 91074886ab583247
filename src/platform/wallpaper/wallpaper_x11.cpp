// The fallback route: no desktop keeps a setting, so the picture goes straight onto the X11
// root window, the way the classic root-setting tools do it, so that they and we can take
// turns without leaking pixmaps:
//  - the picture is drawn into a pixmap of our own, which must outlive our connection, so the
//    connection closes with RetainPermanent (without it the server frees the pixmap and the
//    atoms below would name nothing);
//  - _XROOTPMAP_ID and ESETROOT_PMAP_ID name that pixmap, for compositors and terminals that
//    draw the root picture themselves. When both name the same pixmap, it was left behind by a
//    setter that retained its resources the same way, and killing that client frees it;
//  - XClearWindow repaints the root with the new background; without it the old one stays
//    on screen until something exposes the root;
//  - a third atom of our own names the pixmap we left. While the root still shows it and it
//    has the screen's size, the next picture is drawn over it in place: the server then
//    allocates no new 33 MB pixmap (the slowest step of an apply on a busy machine) and no
//    further client is retained. The atoms are set again all the same, which tells whoever
//    draws the root picture that it changed.
#include <memory>

#include "platform/base/log.h"
#include "platform/pictures/picture.h"
#include "platform/wallpaper/wallpaper.h"

#ifdef VANTRY_HAVE_X11
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <exception>
#include <mutex>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>  // the connection's resource-id base and mask
#include <X11/Xutil.h>
// Xlibint.h defines these as macros, which would break std::min and std::max below.
#undef min
#undef max
#endif

namespace vb {

#ifdef VANTRY_HAVE_X11
namespace {

// Xlib's default error handler ends the process; a wallpaper must never do that. Errors are
// asynchronous, so they are collected and looked at after each XSync. Xlib has one handler for
// the whole process: it hands each error to the trap watching that connection, so two setters
// (two programs in one process) never see each other's errors.
class ErrorTrap {
public:
    // The first trap installs the handler and the last one puts the previous handler back, so
    // traps that overlap in time (on two threads) never uninstall each other's.
    explicit ErrorTrap(Display* d) : display_(d) {
        std::lock_guard lock(mutex());
        if (traps().empty()) previous() = XSetErrorHandler(record);
        traps().push_back(this);
    }
    ~ErrorTrap() {
        std::lock_guard lock(mutex());
        std::erase(traps(), this);
        if (traps().empty()) XSetErrorHandler(previous());
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Waits for the server to have handled everything sent so far; the first error since the
    // last call, 0 for none.
    int sync() {
        XSync(display_, False);
        std::lock_guard lock(mutex());
        const int e = error_;
        error_ = 0;
        return e;
    }

private:
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static std::vector<ErrorTrap*>& traps() {
        static std::vector<ErrorTrap*> t;
        return t;
    }
    static XErrorHandler& previous() {
        static XErrorHandler h = nullptr;
        return h;
    }
    // Called by Xlib inside XSync, with the mutex free.
    static int record(Display* d, XErrorEvent* e) {
        std::lock_guard lock(mutex());
        for (auto it = traps().rbegin(); it != traps().rend(); ++it)
            if ((*it)->display_ == d) {
                if ((*it)->error_ == 0) (*it)->error_ = e->error_code;
                break;
            }
        return 0;
    }

    Display* display_;
    int error_ = 0;
};

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};

// A colour channel of a TrueColor visual: a byte value's bits placed under the visual's mask.
std::vector<std::uint32_t> channelTable(unsigned long mask) {
    std::vector<std::uint32_t> table(256, 0);
    const auto m = static_cast<std::uint32_t>(mask);
    if (m == 0) return table;
    const int shift = std::countr_zero(m);
    const std::uint32_t top = m >> shift;  // e.g. 0xff for 8 bits, 0x1f for 5
    for (std::uint32_t v = 0; v < 256; ++v) table[v] = ((v * top + 127) / 255) << shift;
    return table;
}

Pixmap readPixmapAtom(Display* d, Window root, Atom atom) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Pixmap pm = None;
    if (XGetWindowProperty(d, root, atom, 0, 1, False, AnyPropertyType, &type, &format, &count, &after, &data) ==
            Success &&
        type == XA_PIXMAP && format == 32 && count == 1 && data) {
        // Xlib hands 32-bit properties over as longs.
        pm = static_cast<Pixmap>(*reinterpret_cast<unsigned long*>(data));
    }
    if (data) XFree(data);
    return pm;
}

class X11RootSetter : public WallpaperSetter {
public:
    X11RootSetter(std::string display, Logger& log) : display_(std::move(display)), log_(log) {}

    std::string name() const override { return "X11 root window"; }

    bool set(const std::string& bitmapPath) override {
        Picture picture;
        try {
            picture = loadPicture(bitmapPath);
        } catch (const std::exception& e) {
            return fail("cannot read " + bitmapPath + ": " + e.what());
        }
        return setFromPicture(bitmapPath, picture);
    }

    bool setFromPicture(const std::string& bitmapPath, const Picture& picture) override {
        if (picture.empty()) return fail("no picture in " + bitmapPath);

        std::unique_ptr<Display, DisplayCloser> owned(XOpenDisplay(display_.empty() ? nullptr : display_.c_str()));
        if (!owned) return fail("cannot open the X display " + (display_.empty() ? std::string("$DISPLAY") : display_));
        Display* d = owned.get();
        ErrorTrap trap(d);

        const int screen = DefaultScreen(d);
        const Window root = RootWindow(d, screen);
        Visual* visual = DefaultVisual(d, screen);
        const int depth = DefaultDepth(d, screen);
        const int width = DisplayWidth(d, screen);
        const int height = DisplayHeight(d, screen);
        if (visual->c_class != TrueColor || (depth != 24 && depth != 32))
            return fail("the root window's visual is not TrueColor of depth 24 or 32");
        if (bitsPerPixel(d, depth) != 32) return fail("the server does not store depth " + std::to_string(depth) + " in 32 bits");

        const Atom rootAtom = XInternAtom(d, "_XROOTPMAP_ID", False);
        const Atom esetrootAtom = XInternAtom(d, "ESETROOT_PMAP_ID", False);
        const Atom ownAtom = XInternAtom(d, "_VANTRY_ROOT_PMAP_ID", False);
        const Pixmap old = readPixmapAtom(d, root, rootAtom);
        const bool oldRetained = old != None && old == readPixmapAtom(d, root, esetrootAtom);
        const bool reuse = oldRetained && old == readPixmapAtom(d, root, ownAtom) && screenSized(d, trap, old, width, height, depth);

        const Pixmap pixmap = reuse ? old : XCreatePixmap(d, root, static_cast<unsigned>(width), static_cast<unsigned>(height),
                                                          static_cast<unsigned>(depth));
        GC gc = XCreateGC(d, pixmap, 0, nullptr);
        const bool drawn = draw(d, visual, depth, pixmap, gc, width, height, picture);
        XFreeGC(d, gc);
        const int e = trap.sync();
        if (!drawn || e) {
            if (!reuse) XFreePixmap(d, pixmap);
            return fail(e ? "drawing the picture failed with X error " + std::to_string(e) : "out of memory");
        }

        // A setter that did not retain its pixmap leaves the atoms naming a freed one, and its
        // client slot may now be ours: killing that "owner" would end this very program.
        const bool ours = (old & ~d->resource_mask) == d->resource_base;
        if (!reuse && oldRetained && !ours) {
            XKillClient(d, old);
            trap.sync();  // the owner may already be gone: nothing left to free, not a failure
        }

        for (Atom atom : {rootAtom, esetrootAtom, ownAtom})
            XChangeProperty(d, root, atom, XA_PIXMAP, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&pixmap), 1);
        XSetWindowBackgroundPixmap(d, root, pixmap);
        XClearWindow(d, root);
        if (!reuse) XSetCloseDownMode(d, RetainPermanent);
        if (const int err = trap.sync()) return fail("setting the root window failed with X error " + std::to_string(err));
        return true;
    }

private:
    bool fail(const std::string& why) {
        log_.log("wallpaper (" + name() + "): " + why);
        return false;
    }

    // Whether the pixmap still exists with the screen's size and depth.
    static bool screenSized(Display* d, ErrorTrap& trap, Pixmap pm, int width, int height, int depth) {
        Window root;
        int x = 0, y = 0;
        unsigned w = 0, h = 0, border = 0, bits = 0;
        const Status got = XGetGeometry(d, pm, &root, &x, &y, &w, &h, &border, &bits);
        return trap.sync() == 0 && got && static_cast<int>(w) == width && static_cast<int>(h) == height &&
               static_cast<int>(bits) == depth;
    }

    static int bitsPerPixel(Display* d, int depth) {
        int n = 0;
        XPixmapFormatValues* formats = XListPixmapFormats(d, &n);
        int bpp = 0;
        for (int i = 0; i < n; ++i)
            if (formats[i].depth == depth) bpp = formats[i].bits_per_pixel;
        if (formats) XFree(formats);
        return bpp;
    }

    // Scales the picture smoothly to cover the screen (a picture of the screen's size goes as it
    // is) and sends it in bands that each fit one request, so no band depends on how Xlib would
    // split an oversized image.
    static bool draw(Display* d, Visual* visual, int depth, Pixmap pixmap, GC gc, int width, int height,
                     const Picture& picture) {
        const auto red = channelTable(visual->red_mask);
        const auto green = channelTable(visual->green_mask);
        const auto blue = channelTable(visual->blue_mask);
        // Depth 32 has alpha bits besides the colours; a wallpaper is opaque.
        const std::uint32_t opaque =
            depth == 32 ? ~static_cast<std::uint32_t>(visual->red_mask | visual->green_mask | visual->blue_mask) : 0;
        // The usual layout, 8 bits each at 16, 8 and 0, is placed by shifts alone.
        const bool usual = visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF;

        const long maxRequest = XExtendedMaxRequestSize(d) ? XExtendedMaxRequestSize(d) : XMaxRequestSize(d);
        const std::size_t requestBytes = std::min<std::size_t>(static_cast<std::size_t>(maxRequest) * 4, 4u << 20);
        const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
        const int bandRows = std::min(height, static_cast<int>(std::max<std::size_t>(1, (requestBytes - 64) / rowBytes)));

        std::vector<std::uint32_t> band(static_cast<std::size_t>(width) * static_cast<std::size_t>(bandRows));
        XImage* image = XCreateImage(d, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                                     reinterpret_cast<char*>(band.data()), static_cast<unsigned>(width),
                                     static_cast<unsigned>(bandRows), 32, static_cast<int>(rowBytes));
        if (!image) return false;
        // We write whole pixels in our own byte order; Xlib swaps if the server's differs.
        image->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;

        int bandTop = 0;
        scalePictureRows(picture, coverRegion(picture, width, height), width, height,
                         [&](int y, const std::uint8_t* p) {
                             std::uint32_t* out = band.data() + static_cast<std::size_t>(y - bandTop) * width;
                             if (usual) {
                                 for (int x = 0; x < width; ++x, p += 3)
                                     out[x] = (std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2]) | opaque;
                             } else {
                                 for (int x = 0; x < width; ++x, p += 3) out[x] = red[p[0]] | green[p[1]] | blue[p[2]] | opaque;
                             }
                             const int rows = y - bandTop + 1;
                             if (rows == bandRows || y == height - 1) {
                                 XPutImage(d, pixmap, gc, image, 0, 0, 0, bandTop, static_cast<unsigned>(width),
                                           static_cast<unsigned>(rows));
                                 bandTop = y + 1;
                             }
                         });
        image->data = nullptr;  // the band belongs to the vector, not to XDestroyImage
        XDestroyImage(image);
        return true;
    }

    std::string display_;
    Logger& log_;
};

}  // namespace

std::unique_ptr<WallpaperSetter> makeX11RootSetter(const std::string& display, Logger& log) {
    return std::make_unique<X11RootSetter>(display, log);
}

#else  // no Xlib in this build

namespace {

class X11RootSetter : public WallpaperSetter {
public:
    explicit X11RootSetter(Logger& log) : log_(log) {}
    std::string name() const override { return "X11 root window"; }
    bool set(const std::string&) override {
        log_.log("wallpaper (X11 root window): this build of Vantry has no X11 support");
        return false;
    }

private:
    Logger& log_;
};

}  // namespace

std::unique_ptr<WallpaperSetter> makeX11RootSetter(const std::string&, Logger& log) {
    return std::make_unique<X11RootSetter>(log);
}

#endif

}  // namespace vb
