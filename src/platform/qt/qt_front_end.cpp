#include "platform/qt/qt_front_end.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "platform/base/error.h"
#include "platform/pictures/picture.h"
#include "platform/qt/qt_convert.h"
#include "platform/qt/qt_form_host.h"

namespace vbqt {

namespace {

// The kinds that have no click signal of their own; their clicks come through the host's
// event filter.
bool clickedByFilter(vb::Kind k) {
    return k == vb::Kind::Label || k == vb::Kind::LinkLabel || k == vb::Kind::Image ||
           k == vb::Kind::PictureBox || k == vb::Kind::Panel;
}

vb::WindowState stateOf(const QWidget& w) {
    if (w.isMinimized()) return vb::WindowState::Minimized;
    if (w.isMaximized()) return vb::WindowState::Maximized;
    return vb::WindowState::Normal;
}

}  // namespace

// ---- the window

FormWindow::FormWindow(FormHost* host) : QWidget(nullptr), host_(host) {
    // Mouse moves over the bare window are the form's own MouseMove.
    setMouseTracking(true);
}

void FormWindow::setBackground(const std::shared_ptr<const vb::Picture>& picture) {
    if (picture == background_) return;
    background_ = picture;
    backgroundPixmap_ = picture && !picture->empty() ? QPixmap::fromImage(toImage(*picture)) : QPixmap();
    update();
}

void FormWindow::paintEvent(QPaintEvent* e) {
    QWidget::paintEvent(e);
    if (backgroundPixmap_.isNull()) return;
    QPainter p(this);
    p.drawPixmap(0, 0, backgroundPixmap_);
}

void FormWindow::closeEvent(QCloseEvent* e) {
    // The model decides: a refused close keeps the window, an accepted one unloads the form,
    // which then takes the window away itself.
    e->ignore();
    if (host_) host_->closeRequested();
}

void FormWindow::mouseMoveEvent(QMouseEvent* e) {
    if (host_) host_->backgroundMouseMove(e);
    QWidget::mouseMoveEvent(e);
}

namespace {
// Without a window manager the stacking hint means nothing: the program's topmost windows are
// raised by hand above any other of its windows that came up.
void raiseTopmostWindowsAbove(const QWidget* other) {
    if (other->windowFlags() & Qt::WindowStaysOnTopHint) return;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != other && w->isVisible() && (w->windowFlags() & Qt::WindowStaysOnTopHint)) w->raise();
}
}  // namespace

bool FormWindow::event(QEvent* e) {
    const bool result = QWidget::event(e);
    if (e->type() == QEvent::WinIdChange) {
        // Each native window is made with the hints its flags give, before it is mapped; a
        // window of fixed size takes back those that offer to resize it.
        if (host_ && host_->form() && host_->form()->fixedSize && internalWinId()) askForFixedSize(*this);
        // A window whose native surface is made anew (an embedded browser switches it to
        // OpenGL) is mapped again, on top of the others.
        if (isVisible()) QTimer::singleShot(0, this, [this] { raiseTopmostWindowsAbove(this); });
    }
    return result;
}

void FormWindow::changeEvent(QEvent* e) {
    if (e->type() == QEvent::WindowStateChange && host_) host_->windowStateChanged();
    QWidget::changeEvent(e);
}

void FormWindow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (host_) host_->windowResized();
}

void FormWindow::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    if (host_) host_->windowMoved(e->spontaneous());
}

// ---- the host of one form

FormHost::FormHost(QtFrontEnd& frontEnd, vb::App& app, vb::Form& form)
    : frontEnd_(frontEnd), app_(app), form_(&form), window_(new FormWindow(this)) {
    window_->setObjectName(qs(form.name()));
    closeRemoved_ = form.closeRemoved;
    window_->setWindowFlags(windowFlags());
    asked_ = QSize(px(form.Width()), px(form.Height()));
    applySize(asked_);
    appliedWidth_ = form.Width();
    appliedHeight_ = form.Height();
    appliedLeft_ = form.Left();
    appliedTop_ = form.Top();
    if (appliedLeft_ || appliedTop_) {
        window_->move(px(appliedLeft_), px(appliedTop_));
        placed_ = true;
    }
    createControls();
    form.attachView(this);
    formChanged();
}

FormHost::~FormHost() {
    detach();
    delete window_.data();
}

void FormHost::createControls() {
    for (vb::Control* c : form_->controls()) {
        QWidget* parent = window_;
        if (c->parent())
            if (auto it = widgetOf_.find(c->parent()); it != widgetOf_.end()) parent = it->second;
        QWidget* w = createControlWidget(*this, *c, parent);
        if (!w) continue;
        w->setObjectName(qs(c->name()));
        widgetOf_[c] = w;
        watch(w, *c);
        bindings_.push_back(std::make_unique<ControlBinding>(*this, *c, w));
        c->attachView(bindings_.back().get());
        bindings_.back()->syncNow();
        // Later controls in design order lie above earlier ones.
        w->raise();
    }
    placeLines();
}

void FormHost::placeLines() {
    // Panels grow around the lines they hold, and a line comes out from under the controls that
    // were created after it.
    for (auto& b : bindings_) {
        QWidget* w = b->widget();
        const vb::Control& c = b->control();
        if (!w || !lineHeightNeeded(c, *w)) continue;
        placeAgain(c);
        if (c.Visible()) keepLettersInSight(*w);
    }
}

void FormHost::watch(QWidget* w, vb::Control& c) {
    controlOf_[w] = &c;
    w->installEventFilter(this);
    w->setMouseTracking(true);
    // Item views take the mouse on their viewport.
    if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
        controlOf_[view->viewport()] = &c;
        view->viewport()->installEventFilter(this);
        view->viewport()->setMouseTracking(true);
    }
}

void FormHost::detach() {
    if (!form_) return;
    for (auto& b : bindings_) {
        if (b->control().view() == b.get()) b->control().attachView(nullptr);
        b->detach();  // a copy still queued must not read the control, which goes with its form
    }
    if (form_->view() == this) form_->attachView(nullptr);
    form_ = nullptr;
    controlOf_.clear();
    if (window_) {
        window_->detach();
        window_->hide();
        window_->deleteLater();
    }
}

void FormHost::deliver(const std::function<void()>& event) {
    if (form_) app_.deliver(event);
}

bool FormHost::isNavigationButton(const vb::Control& c) const {
    return c.kind() == vb::Kind::ImageButton && !c.parent() && c.Left() < form_->Width() / 4;
}

void FormHost::formChanged() {
    if (!form_ || !window_) return;
    const vb::Form& f = *form_;
    syncing_ = true;
    window_->setWindowTitle(qs(f.Caption()));
    window_->setBackground(f.picture());
    if (f.closeRemoved != closeRemoved_) {
        closeRemoved_ = f.closeRemoved;
        // New flags take the window off the screen; the form's state below brings it back.
        if (window_->isVisible()) {
            hiddenAt_ = window_->pos();
            restorePending_ = true;
        }
        window_->setWindowFlags(windowFlags());
    }
    if (f.Left() != appliedLeft_ || f.Top() != appliedTop_) {
        appliedLeft_ = f.Left();
        appliedTop_ = f.Top();
        window_->move(px(appliedLeft_), px(appliedTop_));
        placed_ = true;
        restorePending_ = false;  // the program's place wins over the one it was hidden at
        if (window_->isVisible()) keepWithinScreen();
    }
    if (f.Width() != appliedWidth_ || f.Height() != appliedHeight_) {
        appliedWidth_ = f.Width();
        appliedHeight_ = f.Height();
        asked_ = QSize(px(appliedWidth_), px(appliedHeight_));
        applySize(asked_);
    }
    if (f.toolWindow) {
        hideWindow();
    } else if (!f.Visible()) {
        // With no notification area to come back from, hiding would strand the user. A form
        // not shown yet (still loading) is not being hidden, and stays out of sight.
        if (f.hidesToTray && everShown_ && !app_.tray().available())
            window_->showMinimized();
        else
            hideWindow();
    } else {
        if (window_->isHidden()) prepareToAppear();
        everShown_ = true;
        switch (f.windowState()) {
            case vb::WindowState::Minimized:
                if (window_->isHidden() || !window_->isMinimized()) window_->showMinimized();
                break;
            case vb::WindowState::Maximized:
                if (window_->isHidden() || !window_->isMaximized()) window_->showMaximized();
                break;
            case vb::WindowState::Normal:
                if (window_->isHidden() || window_->isMinimized() || window_->isMaximized()) {
                    window_->showNormal();
                    window_->raise();
                    window_->activateWindow();
                    raiseTopmostWindowsAbove(window_);
                }
                break;
        }
        noteFrame();  // where the platform knows the frame at once
    }
    syncing_ = false;
}

Qt::WindowFlags FormHost::windowFlags() const {
    Qt::WindowFlags flags = Qt::Window;
    if (form_->borderless) flags |= Qt::FramelessWindowHint;
    if (form_->topmost) flags |= Qt::WindowStaysOnTopHint;
    // A window that refuses a close from its frame asks the window manager for a frame without
    // a close box, rather than show one that does nothing; a window of fixed size asks for none
    // that maximises it.
    if (closeRemoved_ || form_->fixedSize) {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint;
        if (!form_->fixedSize) flags |= Qt::WindowMaximizeButtonHint;
        if (!closeRemoved_) flags |= Qt::WindowCloseButtonHint;
    }
    return flags;
}

namespace {
// The frame the window manager put around a window of the program, once one has been shown: a
// window not yet shown has no frame to measure, and is fitted as if it had this one.
QMargins& seenFrame() {
    static QMargins frame;
    return frame;
}
}  // namespace

void FormHost::windowMoved(bool byTheWindowSystem) {
    // A window manager may put a window that comes back somewhere else than where it asked to
    // be (one takes the window's place for its frame's) as it maps it again: moved back, once,
    // where it was hidden. Once the window is on the screen, a move is the user's.
    if (checkComeBack_ && window_ && window_->isVisible()) {
        const QWindow* handle = window_->windowHandle();
        if (!handle || handle->isExposed()) {
            checkComeBack_ = false;
        } else if (byTheWindowSystem && window_->pos() != cameBackAt_ &&
                   window_->windowState() == Qt::WindowNoState) {
            checkComeBack_ = false;
            window_->move(cameBackAt_);
        }
    }
    // The window manager moves a window as it puts its frame around it.
    noteFrame();
}

void FormHost::noteFrame() {
    if (!form_ || form_->borderless || !window_ || !window_->isVisible()) return;
    const QRect outer = window_->frameGeometry(), inner = window_->geometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    if (frame.isNull() || frame == ownFrame_) return;
    seenFrame() = ownFrame_ = frame;
    // The window was fitted to the screen before its frame was known: fitted again with it.
    applySize(window_->size());
    keepWithinScreen();
}

QMargins FormHost::frameMargins() {
    if (form_->borderless) return {};
    noteFrame();
    return seenFrame();
}

QRect FormHost::availableArea() const {
    QScreen* screen = window_->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void FormHost::applySize(QSize size) {
    // A window larger than the screen would hide its far edges (the explorer's status strip at
    // a large scale); it gets what the screen has room for, and its form lays it out for that.
    // A form without a layout of its own is drawn smaller (see refit), in a window of the same
    // proportions.
    const QRect area = availableArea();
    if (!area.isEmpty()) {
        const QSize room = area.size().shrunkBy(frameMargins());
        if (!form_->ownLayout && !room.isEmpty() &&
            (size.width() > room.width() || size.height() > room.height())) {
            const double k =
                std::min(double(room.width()) / size.width(), double(room.height()) / size.height());
            size = QSize(int(size.width() * k), int(size.height() * k));
        }
        size = size.boundedTo(room).expandedTo(QSize(1, 1));
    }
    if (form_->fixedSize)
        window_->setFixedSize(size);
    else
        window_->resize(size);
    refit();
}

void FormHost::refit() {
    if (!form_ || !window_) return;
    double scale = 1.0;
    if (!form_->ownLayout && !asked_.isEmpty()) {
        const QSize got = window_->size();
        scale = std::min({1.0, double(got.width()) / asked_.width(), double(got.height()) / asked_.height()});
    }
    if (scale == scale_) return;
    scale_ = scale;
    for (auto& b : bindings_) b->syncNow();
    placeLines();
}

QRect FormHost::scaledPlace(const vb::Control& c) const {
    if (scale_ == 1.0) return QRect(px(c.Left()), px(c.Top()), px(c.Width()), px(c.Height()));
    // Edges scaled, not sizes: controls that touch in the design still touch.
    auto at = [this](int twips) { return int(std::lround(twips * scale_ / kTwipsPerPixel)); };
    const int left = at(c.Left()), top = at(c.Top());
    return QRect(left, top, at(c.Left() + c.Width()) - left, at(c.Top() + c.Height()) - top);
}

QRect FormHost::placeOf(const vb::Control& c) const {
    QRect r = scaledPlace(c);
    const auto it = widgetOf_.find(&c);
    if (it == widgetOf_.end()) return r;
    if (const int need = lineHeightNeeded(c, *it->second); need > r.height()) {
        // Grown about its middle, level with what stands beside it, but not above its parent.
        const int more = need - r.height();
        r.adjust(0, -more / 2, 0, more - more / 2);
        if (r.top() < 0 && c.Top() >= 0) r.moveTop(0);
    }
    if (c.kind() != vb::Kind::Panel) return r;
    for (const vb::Control* child : form_->controls()) {
        if (child->parent() != &c || !child->Visible() || !widgetOf_.count(child)) continue;
        // Only what the design placed inside the panel: what it lets run past its edge stays cut.
        const QRect designed = scaledPlace(*child), grown = placeOf(*child);
        if (designed.bottom() < r.height() && grown.bottom() >= r.height()) r.setHeight(grown.bottom() + 1);
    }
    return r;
}

void FormHost::placeAgain(const vb::Control& c) {
    if (const auto it = widgetOf_.find(&c); it != widgetOf_.end()) it->second->setGeometry(placeOf(c));
    if (c.parent()) placeAgain(*c.parent());
}

void FormHost::keepLettersInSight(QWidget& line) {
    if (!window_ || !window_->isAncestorOf(&line)) return;
    QWidget* held = &line;  // the control placed on the window that holds the line
    while (held->parentWidget() != window_) held = held->parentWidget();
    const QRect letters(line.mapTo(window_, QPoint(0, 0)), line.size());
    // The window's children lie in their stacking order, the lowest first.
    bool above = false;
    for (QObject* o : window_->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow()) continue;
        if (w == held) {
            above = true;
            continue;
        }
        const QRect r = w->geometry();
        if (!above || w->isHidden() || !r.intersects(letters)) continue;
        if (r.top() > letters.top() || r.bottom() < letters.bottom()) w->stackUnder(held);
    }
}

void FormHost::keepWithinScreen() {
    // A window that nobody placed is placed by the window manager, within the screen.
    if (!window_->testAttribute(Qt::WA_Moved)) return;
    const QRect area = availableArea();
    if (area.isEmpty()) return;
    const QSize outer = window_->size().grownBy(frameMargins());
    const QPoint at = window_->pos();  // the frame's corner
    const QPoint within(
        std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - outer.width())),
        std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height())));
    if (within != at) window_->move(within);
}

void FormHost::hideWindow() {
    // A window manager places a window that comes back anew, somewhere else each time, unless
    // the window asks for its old place.
    if (window_->isVisible()) {
        hiddenAt_ = window_->pos();
        restorePending_ = true;
    }
    window_->hide();
}

void FormHost::prepareToAppear() {
    applySize(window_->size());
    placeOnFirstShow();
    const bool comingBack = restorePending_;
    if (restorePending_) {
        restorePending_ = false;
        window_->move(hiddenAt_);
        // A move to where the window already is changes nothing in Qt, which would then leave
        // the place to the window manager again: the window asks for its place itself.
        if (QWindow* handle = window_->windowHandle()) handle->setPosition(window_->geometry().topLeft());
    }
    keepWithinScreen();
    if (comingBack) {
        // Where the window manager puts it, as it maps the window, is checked (windowMoved).
        cameBackAt_ = window_->pos();
        checkComeBack_ = true;
    }
}

void FormHost::placeOnFirstShow() {
    if (placed_) return;
    placed_ = true;
    if (!form_->centred) return;  // the window manager places the others
    const QRect area = availableArea();
    const QSize outer = window_->size().grownBy(frameMargins());
    window_->move(area.center() - QPoint(outer.width() / 2, outer.height() / 2));
}

void FormHost::closeRequested() {
    if (!form_ || form_->closeRemoved) return;
    vb::Form* f = form_;
    deliver([f] { f->Unload(); });
}

void FormHost::backgroundMouseMove(QMouseEvent* e) {
    if (!form_ || !window_) return;
    // A form whose mouse-move handler decodes the tray icon's messages would take a real move
    // at pixel 515 or 516 for a tray click; only the tray speaks to such a handler.
    if (form_->mouseMoveIsTrayCallback) return;
    const QPoint p = e->position().toPoint();
    if (window_->childAt(p)) return;  // over a control: that control's move, not the form's
    vb::Form* f = form_;
    const int button = buttonMask(e->buttons()), shift = shiftMask(e->modifiers());
    const float x = twips(p.x() / scale_), y = twips(p.y() / scale_);
    deliver([=] { f->Form_MouseMove(button, shift, x, y); });
}

void FormHost::windowStateChanged() {
    // Only what the user did through the window manager is news to the model; a form hidden in
    // a minimised window (no tray) keeps its state, so showing it again restores it.
    if (!form_ || !window_ || syncing_ || !form_->Visible() || form_->toolWindow) return;
    const vb::WindowState now = stateOf(*window_);
    if (now == form_->windowState()) return;
    vb::Form* f = form_;
    deliver([f, now] { f->setWindowState(now); });
}

void FormHost::windowResized() {
    // The model learns the new client size (and the frame, once a window manager has drawn one)
    // and lays the window out; a size the model has already is no news after the first layout.
    if (!form_ || !window_) return;
    refit();
    const int w = window_->width() * kTwipsPerPixel, h = window_->height() * kTwipsPerPixel;
    if (laidOut_ && w == form_->Width() && h == form_->Height()) return;
    laidOut_ = true;
    appliedWidth_ = w;
    appliedHeight_ = h;
    const QSize frame = window_->frameGeometry().size() - window_->size();
    const bool framed = frame.width() > 0 || frame.height() > 0;
    const int fw = framed ? frame.width() * kTwipsPerPixel : -1, fh = framed ? frame.height() * kTwipsPerPixel : -1;
    vb::Form* f = form_;
    deliver([f, w, h, fw, fh] { f->resized(w, h, fw, fh); });
}

bool FormHost::eventFilter(QObject* watched, QEvent* e) {
    if (!form_) return false;
    const auto it = controlOf_.find(watched);
    if (it == controlOf_.end()) return false;
    vb::Control& c = *it->second;
    auto* w = static_cast<QWidget*>(watched);

    switch (e->type()) {
        case QEvent::MouseMove: {
            auto* me = static_cast<QMouseEvent*>(e);
            const QPoint p = me->position().toPoint();
            // A move that a child control passed up is that child's, not this container's.
            if (!c.MouseMove || w->childAt(p)) return false;
            const QPoint inControl = w->mapTo(widgetOf_[&c], p);
            const int button = buttonMask(me->buttons()), shift = shiftMask(me->modifiers());
            const float x = twips(inControl.x() / scale_), y = twips(inControl.y() / scale_);
            deliver([&c, button, shift, x, y] { c.MouseMove(button, shift, x, y); });
            return false;
        }
        case QEvent::MouseButtonPress:
            return clickedByFilter(c.kind()) && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton;
        case QEvent::MouseButtonRelease: {
            auto* me = static_cast<QMouseEvent*>(e);
            if (!clickedByFilter(c.kind()) || me->button() != Qt::LeftButton) return false;
            if (releaseEndsDoubleClick_) {
                releaseEndsDoubleClick_ = false;
                return true;
            }
            if (w->rect().contains(me->position().toPoint())) deliver([&c] { c.Click(); });
            return true;
        }
        case QEvent::MouseButtonDblClick: {
            if (!clickedByFilter(c.kind()) || static_cast<QMouseEvent*>(e)->button() != Qt::LeftButton)
                return false;
            releaseEndsDoubleClick_ = true;
            deliver([&c] { c.DblClick(); });
            return true;
        }
        case QEvent::KeyPress: {
            auto* ke = static_cast<QKeyEvent*>(e);
            int code = keyCode(ke->key());
            if (!c.KeyDown || code == 0) return false;
            const int shift = shiftMask(ke->modifiers());
            deliver([&c, &code, shift] { c.KeyDown(code, shift); });
            return code == 0;  // a handler that clears the key code swallows the key
        }
        case QEvent::FocusIn:
            if (c.GotFocus) deliver([&c] { c.GotFocus(); });
            return false;
        case QEvent::FocusOut: {
            if (c.kind() != vb::Kind::ListView) return false;
            auto& lv = static_cast<vb::ListView&>(c);
            const auto reason = static_cast<QFocusEvent*>(e)->reason();
            QWidget* to = QApplication::focusWidget();
            // Switching windows or opening a menu does not move focus inside the form, and the
            // label editor is part of the list.
            if (!lv.LostFocus || reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
                (to && widgetOf_[&c]->isAncestorOf(to)))
                return false;
            deliver([&lv] { lv.LostFocus(); });
            return false;
        }
        default:
            return false;
    }
}

// ---- the front end

QtFrontEnd::QtFrontEnd(vb::App& app) : app_(app) {
    app_.setFrontEnd(this);
}

QtFrontEnd::~QtFrontEnd() {
    if (app_.frontEnd() == this) app_.setFrontEnd(nullptr);
    for (auto& [form, host] : hosts_) delete host;
    hosts_.clear();
}

void QtFrontEnd::formLoaded(vb::Form& f) {
    if (hosts_.count(&f)) return;
    hosts_[&f] = new FormHost(*this, app_, f);
}

void QtFrontEnd::formUnloading(vb::Form& f) {
    auto it = hosts_.find(&f);
    if (it == hosts_.end()) return;
    FormHost* host = it->second;
    hosts_.erase(it);
    host->detach();
    host->deleteLater();
    if (!onLastFormUnloaded) return;
    // Checked once the unload is complete: the registry still holds the form right now, and
    // the handler may load another one.
    QTimer::singleShot(0, qApp, [this, alive = std::weak_ptr<bool>(alive_)] {
        if (!alive.expired() && app_.loadedForms().empty() && onLastFormUnloaded) onLastFormUnloaded();
    });
}

QWidget* QtFrontEnd::window(const vb::Form& f) const {
    auto it = hosts_.find(&f);
    return it == hosts_.end() ? nullptr : it->second->window();
}

}  // namespace vbqt
