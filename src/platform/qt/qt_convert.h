#pragma once
// Conversions between the runtime model's values and Qt's: twips and pixels, UTF-8 strings,
// 0xRRGGBB colours, RGB pictures, mouse buttons and modifier keys.
#include <QColor>
#include <QImage>
#include <QString>
#include <string>

#include "platform/model/control.h"
#include "platform/pictures/picture.h"

namespace vbqt {

// The model keeps positions in twips: 15 to a pixel at 96 DPI.
inline constexpr int kTwipsPerPixel = 15;

// Rounded to the nearest pixel, so a design value that is not a multiple of 15 lands where the
// designer saw it.
constexpr int px(int twips) {
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}
constexpr float twips(double pixels) {
    return float(pixels * kTwipsPerPixel);
}

inline QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
inline std::string ss(const QString& s) {
    return s.toUtf8().toStdString();
}

inline QColor qcolor(vb::Color c) {
    return QColor(int((c >> 16) & 255), int((c >> 8) & 255), int(c & 255));
}

// A deep copy: the picture may be replaced in the model while Qt still holds the image.
QImage toImage(const vb::Picture& picture);
// Only the part of the picture inside `part` (clipped to the picture), copied.
QImage toImage(const vb::Picture& picture, const QRect& part);
// The whole picture smoothly scaled to `size`, its proportions not kept; made row by row, so a
// large picture never exists twice.
QImage toImageScaled(const vb::Picture& picture, const QSize& size);

// The forms runtime's masks: button 1 left, 2 right, 4 middle; shift 1, ctrl 2, alt 4.
int buttonMask(Qt::MouseButtons buttons);
int shiftMask(Qt::KeyboardModifiers modifiers);

// The forms runtime's key code for a Qt key (letters and digits are their upper-case ASCII
// codes), 0 for keys it has no code for.
int keyCode(int qtKey);

}  // namespace vbqt
