#pragma once
// Inside the front end: the window of one loaded form and the bindings of its controls.
//
// Lifetime: a FormHost lives from formLoaded to formUnloading. Unloading may be asked for from
// inside a handler that a widget of this very form is still running (a click on "Close"), so
// detach() cuts every tie to the model at once (views off, handlers inert) and leaves the
// deletion of the widgets to the event loop.
#include <QMargins>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/model/app.h"

namespace vbqt {

class FormHost;
class QtFrontEnd;

// The top-level window of one form. It asks the model before it closes.
class FormWindow : public QWidget {
public:
    explicit FormWindow(FormHost* host);
    void detach() { host_ = nullptr; }
    // The form's background picture, converted once per new picture.
    void setBackground(const std::shared_ptr<const vb::Picture>& picture);

protected:
    void paintEvent(QPaintEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void changeEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    bool event(QEvent* e) override;

private:
    FormHost* host_;
    std::shared_ptr<const vb::Picture> background_;
    QPixmap backgroundPixmap_;
};

// Copies one control's model state into its widget. Signals are blocked meanwhile, so a change
// made by the program never comes back as if the user had made it.
class ControlBinding : public vb::ControlView {
public:
    ControlBinding(FormHost& host, vb::Control& control, QWidget* widget)
        : host_(host), control_(control), widget_(widget) {}
    // Lists copy their items in one go after the current event, so a build that adds
    // thousands of rows (or a language store of thousands of lines) costs one copy, not one per row.
    void modelChanged() override;
    void syncNow();
    // Ends the tie to the control: copies still queued do nothing.
    void detach() { alive_.reset(); }
    vb::Control& control() const { return control_; }
    QWidget* widget() const { return widget_; }

private:
    void syncCommon();
    void syncPicture();
    void showNamedPicture(const QString& name);
    void syncList();
    void syncListView();

    FormHost& host_;
    vb::Control& control_;
    QPointer<QWidget> widget_;
    // What was copied last, so a change of one property does not rebuild everything.
    bool bold_ = false;
    int fontSize_ = 0;
    bool colored_ = false;
    vb::Color fore_ = 0, back_ = 0, fill_ = 0, border_ = 0;
    std::shared_ptr<const vb::Picture> picture_;
    QSize pictureSize_;
    std::vector<std::string> items_;
    std::vector<std::string> columns_;
    std::vector<std::vector<std::string>> rows_;  // text, then sub-items
    bool labelEdit_ = false;
    bool pending_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class FormHost : public QObject, public vb::FormView {
public:
    FormHost(QtFrontEnd& frontEnd, vb::App& app, vb::Form& form);
    ~FormHost() override;

    // Before the model's form goes: no view stays attached, no handler reaches the model again,
    // and the window disappears now and is deleted later.
    void detach();
    bool alive() const { return form_ != nullptr; }
    vb::Form* form() const { return form_; }
    FormWindow* window() const { return window_; }

    // Runs one user event through the app, unless the form has gone meanwhile.
    void deliver(const std::function<void()>& event);

    void formChanged() override;

    // Called by the window.
    void closeRequested();
    void backgroundMouseMove(QMouseEvent* e);
    void windowStateChanged();
    void windowResized();
    // The window was moved, by the program or through the window system (the window manager,
    // the user).
    void windowMoved(bool byTheWindowSystem);
    // Remembers the frame the window manager put around the window, for windows not shown yet.
    void noteFrame();

    // Where the control's widget goes in its parent, in pixels: its place in the model, drawn
    // smaller while the window is fitted (see refit). A line of text gets at least the height its
    // font needs, whatever its design height, and a panel holds the lines grown inside it.
    QRect placeOf(const vb::Control& c) const;
    // Places the control's widget, and the panels around it, anew.
    void placeAgain(const vb::Control& c);
    // A control laid over a line of text that cuts its letters off at the top or bottom goes
    // beneath it; one that covers all of the line's height where it lies is over it on purpose
    // (a picture over the start of its row).
    void keepLettersInSight(QWidget& line);
    // How much smaller than the model's the window draws its controls: 1, or less for a form
    // without a layout of its own in a window smaller than the size it asked for.
    double scale() const { return scale_; }

    // Whether the control is one of the section buttons placed straight on the window, at its
    // left edge.
    bool isNavigationButton(const vb::Control& c) const;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void createControls();
    void watch(QWidget* w, vb::Control& c);
    void placeOnFirstShow();
    // Hides the window, remembering where it was, so that it comes back there.
    void hideWindow();
    // Before the window appears: where it was when it was hidden, and within the screen.
    void prepareToAppear();
    // The window's size, no larger than the screen's available area leaves it.
    void applySize(QSize size);
    // A form without a layout of its own, in a window smaller than it asked for, is drawn as
    // much smaller as the window is, so that none of its controls lies beyond the window's edges.
    void refit();
    QRect scaledPlace(const vb::Control& c) const;
    void placeLines();
    // Moves a window the program placed so that it lies whole within the available area.
    void keepWithinScreen();
    QRect availableArea() const;
    // The frame around the window, or around the last framed window shown when it has none yet.
    QMargins frameMargins();
    Qt::WindowFlags windowFlags() const;

    QtFrontEnd& frontEnd_;
    vb::App& app_;
    vb::Form* form_;
    QPointer<FormWindow> window_;
    std::vector<std::unique_ptr<ControlBinding>> bindings_;
    std::unordered_map<const QObject*, vb::Control*> controlOf_;
    std::unordered_map<const vb::Control*, QWidget*> widgetOf_;
    int appliedLeft_ = 0, appliedTop_ = 0;
    int appliedWidth_ = 0, appliedHeight_ = 0;  // the client size in twips the window last had
    QSize asked_;                               // the client size in pixels the program last asked for
    double scale_ = 1.0;                        // see scale()
    bool laidOut_ = false;
    bool placed_ = false;
    // Where the window's frame was when it was last hidden; it comes back there.
    QPoint hiddenAt_;
    bool restorePending_ = false;
    // A window that came back is checked for where the window manager put it, until it is on
    // the screen (windowMoved).
    QPoint cameBackAt_;
    bool checkComeBack_ = false;
    QMargins ownFrame_;          // the frame this window was last seen with
    bool closeRemoved_ = false;  // the frame shows no close box
    bool everShown_ = false;
    bool syncing_ = false;
    // A double click ends with a release that must not count as one more click.
    bool releaseEndsDoubleClick_ = false;
};

// Takes resizing and maximising out of what the window's native window offers the window
// manager (on X11, its Motif hints, which Qt always writes with a resize function and resize
// handles); elsewhere does nothing. For a native window just made, before it is mapped.
void askForFixedSize(QWidget& window);

// Makes the widget for one control inside parent and connects its user input to the model.
// Null for the kinds that have no widget (timers, menus, tray icons).
QWidget* createControlWidget(FormHost& host, vb::Control& control, QWidget* parent);

// Whether the label is designed one line high: it shows one line, not broken onto a second.
bool isOneLineLabel(const vb::Control& c, const QWidget& w);
// The height that the control's one line of text needs in its widget's font, frame and margins
// included (a label one line high, a text box); 0 for the controls that are no line of text.
int lineHeightNeeded(const vb::Control& c, const QWidget& w);

}  // namespace vbqt
