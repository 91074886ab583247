#include "platform/qt/qt_convert.h"

#include <cstring>

namespace vbqt {

QImage toImage(const vb::Picture& picture) {
    if (picture.empty()) return {};
    // The model's rows are unpadded; QImage pads its rows to 4 bytes, hence the copy through a
    // view that names the true row length.
    const QImage view(picture.rgb.data(), picture.width, picture.height, picture.width * 3,
                      QImage::Format_RGB888);
    return view.copy();
}

QImage toImage(const vb::Picture& picture, const QRect& part) {
    const QRect r = part.intersected(QRect(0, 0, picture.width, picture.height));
    if (picture.empty() || r.isEmpty()) return {};
    const QImage view(picture.rgb.data() + (static_cast<std::size_t>(r.y()) * picture.width + r.x()) * 3, r.width(),
                      r.height(), picture.width * 3, QImage::Format_RGB888);
    return view.copy();
}

QImage toImageScaled(const vb::Picture& picture, const QSize& size) {
    if (picture.empty() || size.isEmpty()) return {};
    QImage image(size, QImage::Format_RGB888);
    if (image.isNull()) return {};  // no memory for it
    const std::size_t rowBytes = static_cast<std::size_t>(size.width()) * 3;
    vb::scalePictureRows(picture, {0, 0, double(picture.width), double(picture.height)}, size.width(), size.height(),
                         [&](int y, const std::uint8_t* rgb) { std::memcpy(image.scanLine(y), rgb, rowBytes); });
    return image;
}

int buttonMask(Qt::MouseButtons buttons) {
    int mask = 0;
    if (buttons & Qt::LeftButton) mask |= 1;
    if (buttons & Qt::RightButton) mask |= 2;
    if (buttons & Qt::MiddleButton) mask |= 4;
    return mask;
}

int shiftMask(Qt::KeyboardModifiers modifiers) {
    int mask = 0;
    if (modifiers & Qt::ShiftModifier) mask |= 1;
    if (modifiers & Qt::ControlModifier) mask |= 2;
    if (modifiers & Qt::AltModifier) mask |= 4;
    return mask;
}

int keyCode(int qtKey) {
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) ||
        qtKey == Qt::Key_Space)
        return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return 112 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Tab:
            return 9;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Shift:
            return 16;
        case Qt::Key_Control:
            return 17;
        case Qt::Key_Alt:
            return 18;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_PageUp:
            return 33;
        case Qt::Key_PageDown:
            return 34;
        case Qt::Key_End:
            return 35;
        case Qt::Key_Home:
            return 36;
        case Qt::Key_Left:
            return 37;
        case Qt::Key_Up:
            return 38;
        case Qt::Key_Right:
            return 39;
        case Qt::Key_Down:
            return 40;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_Delete:
            return 46;
        default:
            return 0;
    }
}

}  // namespace vbqt
