#pragma once
// A form: one window with its controls and procedures. Subclasses declare their controls as
// members (constructed in design order, each registering itself here) and set design values in
// their constructor; Form_Load runs when the registry first loads the form.
#include <memory>
#include <string>
#include <vector>

#include "platform/model/control.h"

namespace vb {

class App;

enum class WindowState { Normal = 0, Minimized = 1, Maximized = 2 };

// A front end attaches one view per loaded form.
class FormView {
public:
    virtual ~FormView() = default;
    virtual void formChanged() = 0;  // visibility, caption, state, geometry
};

class Form {
public:
    Form(App& app, std::string name);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    App& app() const { return app_; }
    const std::string& name() const { return name_; }

    virtual void Form_Load() {}
    // Set cancel non-zero to keep the form loaded.
    virtual void Form_Unload(int& /*cancel*/) {}
    virtual void Form_Resize() {}
    virtual void Form_MouseMove(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {}

    void Show();
    void Hide();
    void Unload();

    bool Visible() const { return visible_; }
    const std::string& Caption() const { return caption_; }
    void setCaption(const std::string& c);
    WindowState windowState() const { return state_; }
    void setWindowState(WindowState s);
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void Move(int left, int top);
    // The window's own background picture, drawn at its top-left corner beneath the controls;
    // null for none.
    const std::shared_ptr<const Picture>& picture() const { return picture_; }
    void setPicture(std::shared_ptr<const Picture> p);

    // The window's outer size, frame and title bar included, which layouts by the window's full
    // size work from: the client size (Width, Height) and the frame around it. Until the front
    // end reports a real frame, a classic one (8 pixels across, 27 down) is assumed.
    int outerWidth() const { return width_ + frameWidth_; }
    int outerHeight() const { return height_ + frameHeight_; }
    // Sets the outer size from the program; the front end follows. Runs Form_Resize.
    void setOuterSize(int width, int height);
    // Called by the front end when the window got a new client size, and with the frame's size
    // when it knows it (negative when not): runs Form_Resize.
    void resized(int clientWidth, int clientHeight, int frameWidth = -1, int frameHeight = -1);

    // Window traits, set at design.
    bool borderless = false;   // no frame or title bar (the splash)
    bool toolWindow = false;   // never shown to the user
    bool closeRemoved = false; // Close taken off the system menu: frame close requests are refused
    bool centred = false;
    bool fixedSize = false;    // the frame keeps the design size: the user cannot resize it
    bool topmost = false;      // kept above the program's other windows
    bool hidesToTray = false;  // hidden means "only the tray icon remains"
    // Form_Resize places the controls for whatever size the window has. A form without a layout
    // of its own is drawn smaller in a window that got less room than it asked for.
    bool ownLayout = false;
    bool mouseMoveIsTrayCallback = false;  // Form_MouseMove receives the tray icon's messages only

    const std::vector<Control*>& controls() const { return controls_; }
    Control* find(const std::string& name, int index = -1) const;
    void registerControl(Control* c) { controls_.push_back(c); }
    void unregisterControl(Control* c);

    void attachView(FormView* v) { view_ = v; }
    FormView* view() const { return view_; }

    // Timers enabled at design start ticking once the form is loaded.
    void startTimers();

protected:
    void design(std::string caption, int width, int height) {
        caption_ = std::move(caption);
        width_ = width;
        height_ = height;
    }
    void removeCloseFromSystemMenu();
    void changed();

private:
    App& app_;
    std::string name_;
    std::string caption_;
    bool visible_ = false;
    WindowState state_ = WindowState::Normal;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    int frameWidth_ = 120, frameHeight_ = 405;
    std::shared_ptr<const Picture> picture_;
    std::vector<Control*> controls_;
    FormView* view_ = nullptr;
};

}  // namespace vb
