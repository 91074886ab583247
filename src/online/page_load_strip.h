#pragma once
// The page-load strip of the gallery windows: an outline and a green bar in the status bar,
// shown while the window's browser loads, the bar growing by 100 twips every 500 ms and falling
// back to 15 once past the outline's 1695. The explorer, the e-card window and the upload window
// each carry one with their own controls; the windows add their own steps around these.
#include "platform/model/control.h"

namespace vantry {

class PageLoadStrip {
public:
    static constexpr int kFullWidth = 1695;
    static constexpr int kStartWidth = 15;
    static constexpr int kStep = 100;
    static constexpr int kTickMs = 500;

    PageLoadStrip(vb::Shape& outline, vb::Shape& bar, vb::Timer& timer)
        : outline_(outline), bar_(bar), timer_(timer) {}

    // Design values: both shapes hidden at left 30, top 50 of the status bar; the timer
    // disabled. The outline is filled with the bar's background so only its border shows.
    void design(vb::Color background);

    // A fetch starts: both shapes shown, the timer on. The bar goes on from the width it has.
    void begin();
    // One tick: 100 wider, or back to 15 once wider than the outline.
    void tick();
    // A fetch ended: the bar full, both shapes hidden, the timer off.
    void complete();

private:
    vb::Shape& outline_;
    vb::Shape& bar_;
    vb::Timer& timer_;
};

}  // namespace vantry
