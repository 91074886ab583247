#include "platform/model/form.h"

#include <algorithm>

#include "platform/base/error.h"
#include "platform/model/app.h"

namespace vb {

Form::Form(App& app, std::string name) : app_(app), name_(std::move(name)) {}

Form::~Form() = default;

void Form::changed() {
    if (view_) view_->formChanged();
}

void Form::Show() {
    // Touching an unloaded form loads it first; the registry's accessors do that, so here the
    // form exists already.
    if (visible_) return;
    visible_ = true;
    changed();
}

void Form::Hide() {
    if (!visible_) return;
    visible_ = false;
    changed();
}

void Form::Unload() { app_.unload(*this); }

void Form::setCaption(const std::string& c) {
    if (caption_ == c) return;
    caption_ = c;
    changed();
}

void Form::setWindowState(WindowState s) {
    if (state_ == s) return;
    state_ = s;
    changed();
}

void Form::Move(int left, int top) {
    left_ = left;
    top_ = top;
    changed();
}

void Form::setOuterSize(int width, int height) {
    if (width - frameWidth_ < 0 || height - frameHeight_ < 0) throw Error(err::InvalidPropertyValue, "window size");
    width_ = width - frameWidth_;
    height_ = height - frameHeight_;
    changed();
    Form_Resize();
}

void Form::resized(int clientWidth, int clientHeight, int frameWidth, int frameHeight) {
    width_ = clientWidth;
    height_ = clientHeight;
    if (frameWidth >= 0 && frameHeight >= 0) {
        frameWidth_ = frameWidth;
        frameHeight_ = frameHeight;
    }
    Form_Resize();
}

void Form::setPicture(std::shared_ptr<const Picture> p) {
    if (picture_ == p) return;
    picture_ = std::move(p);
    changed();
}

void Form::removeCloseFromSystemMenu() {
    closeRemoved = true;
    changed();
}

Control* Form::find(const std::string& name, int index) const {
    for (Control* c : controls_)
        if (c->name() == name && (index < 0 || c->index() == index)) return c;
    return nullptr;
}

void Form::unregisterControl(Control* c) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
}

void Form::startTimers() {
    for (Control* c : controls_)
        if (c->kind() == Kind::Timer) static_cast<Timer*>(c)->start();
}

}  // namespace vb
