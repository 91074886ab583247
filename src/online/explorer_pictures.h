#pragma once
// The gallery windows' built-in pictures, drawn here: button faces on the browser bar, the bar's
// background, the address-strip icon and the two site-status lights. Skin files in the current
// folder replace the explorer's faces and background when they are present.
#include <memory>

#include "platform/model/control.h"
#include "platform/pictures/picture.h"

namespace vantry {

enum class Glyph { Back, Forward, Stop, Refresh, Home, NewTopic, Forum, ECard, Phone, Upload, Download };

inline constexpr vb::Color kBarColor = vb::rgb(36, 52, 86);
inline constexpr vb::Color kStatusColor = vb::rgb(226, 228, 232);

// A square button face: the glyph in a light colour on the bar's colour.
std::shared_ptr<const vb::Picture> buttonFace(Glyph g);
// The browser bar's background, a gentle vertical shade of the bar's colour.
std::shared_ptr<const vb::Picture> barBackground();
// 16 × 16 pictures: the globe before the address, the green and the red site-status light.
std::shared_ptr<const vb::Picture> addressIcon();
std::shared_ptr<const vb::Picture> statusLight(bool onSites);

}  // namespace vantry
