#include "online/page_load_strip.h"

namespace vantry {

void PageLoadStrip::design(vb::Color background) {
    constexpr vb::Color grey = vb::rgb(128, 128, 128);
    outline_.pos(30, 50, kFullWidth, 140).fill(background, grey).hidden();
    bar_.pos(30, 50, kStartWidth, 135).fill(vb::rgb(0, 192, 0), grey).hidden();
    timer_.interval(kTickMs).disabled();
}

void PageLoadStrip::begin() {
    outline_.setVisible(true);
    bar_.setVisible(true);
    timer_.setEnabled(true);
}

void PageLoadStrip::tick() {
    bar_.setWidth(bar_.Width() + kStep);
    if (bar_.Width() > kFullWidth) bar_.setWidth(kStartWidth);
}

void PageLoadStrip::complete() {
    bar_.setWidth(kFullWidth);
    outline_.setVisible(false);
    bar_.setVisible(false);
    timer_.setEnabled(false);
}

}  // namespace vantry
