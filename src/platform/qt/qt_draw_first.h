#pragma once
// Drawing the windows before the user-interface thread blocks. A synchronous fetch may hold the
// thread for its whole time limit; a window that the same event has just shown would stand there
// as an empty frame all that while, so the windows are drawn first.
#include <string>

#include "platform/model/online.h"

namespace vbqt {

class QtLoop;

// Puts every shown window on the screen as the program left it, from inside an event: waits (up
// to waitMs) for windows just shown to be mapped, lets them paint and sends the result to the
// display. User input and the program's own events wait meanwhile (QtLoop::Hold).
void drawShownWindows(QtLoop& loop, int waitMs = 300);

// The synchronous fetch, with the windows drawn before it starts.
class DrawnFirstInternet : public vb::InternetTransfers {
public:
    DrawnFirstInternet(vb::InternetTransfers& inner, QtLoop& loop) : inner_(inner), loop_(loop) {}
    std::string openURL(const std::string& url) override;

private:
    vb::InternetTransfers& inner_;
    QtLoop& loop_;
};

}  // namespace vbqt
