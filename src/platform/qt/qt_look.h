#pragma once
// How the program looks: one palette over Qt's Fusion style, the look of picture buttons, and
// the program's icon, drawn here because we ship no pictures made by others.
#include <QIcon>

class QApplication;
class QToolButton;

namespace vbqt {

// Fusion with a calm light palette, the same on every desktop, so the windows look as designed
// whatever theme the session uses.
void applyLook(QApplication& app);

// Picture buttons are flat and light up under the mouse. A navigation button (one of the
// section buttons placed straight on a window) gets a rounder, roomier face.
void styleImageButton(QToolButton& button, bool navigation);

// A small rounded square with a "V", for windows and the notification area.
QIcon programIcon();

}  // namespace vbqt
