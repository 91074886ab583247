#pragma once
// The Qt front end: shows every loaded form of the model as a window, built generically from its
// controls, and turns the user's input into model events, each through App::deliver.
//
// Widgets carry their control's name as object name, and sit at the control's twips / 15 inside
// the widget of its parent panel (or the window). Model changes reach the widgets through the
// views this front end attaches; widget signals are blocked meanwhile, so a change made by the
// program never returns as a user event.
//
// Order of destruction: the front end goes before the App it serves (it detaches itself from
// the app and from every model object on the way out).
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/model/app.h"

namespace vbqt {

class FormHost;

class QtFrontEnd : public vb::FrontEnd {
public:
    explicit QtFrontEnd(vb::App& app);
    ~QtFrontEnd() override;
    QtFrontEnd(const QtFrontEnd&) = delete;
    QtFrontEnd& operator=(const QtFrontEnd&) = delete;

    void formLoaded(vb::Form& f) override;
    void formUnloading(vb::Form& f) override;

    // The window of a loaded form; null when the form is not loaded.
    QWidget* window(const vb::Form& f) const;

    // Runs (from the event loop, after the unload has finished) once no form is loaded any
    // more: a program whose every window is gone has nothing left for the user.
    std::function<void()> onLastFormUnloaded;

private:
    vb::App& app_;
    std::map<const vb::Form*, FormHost*> hosts_;
    // Lets a check queued on the event loop see that the front end has gone meanwhile.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vbqt
