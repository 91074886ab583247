#include "platform/qt/qt_look.h"

#include <QApplication>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>
#include <cmath>

namespace vbqt {

namespace {
const QColor kAccent(47, 111, 209);
constexpr double kSmallestPoints = 6.0;
constexpr double kDisabledOpacity = 0.4;
// How much smaller than its own a font may get to show a line of text whole.
constexpr double kOneLineShrink = 1.5;

bool fitsIn(const QFont& font, const QString& text, const QRect& room, int flags) {
    const QRectF need = QFontMetricsF(font).boundingRect(QRectF(room), flags, text);
    return need.width() <= room.width() + 0.5 && need.height() <= room.height() + 0.5;
}

// The caption on at most maxLines lines of at most width: split at the blank that gives the
// narrowest pair of lines. Empty when it does not fit.
QString brokenToFit(const QString& caption, const QFontMetricsF& fm, double width, int maxLines) {
    auto wide = [&](const QString& s) { return fm.size(Qt::TextShowMnemonic, s).width(); };
    if (wide(caption) <= width) return caption;
    if (maxLines < 2) return {};
    QString best;
    double bestWidth = width + 1;
    for (qsizetype i = caption.indexOf(QLatin1Char(' ')); i > 0;
         i = caption.indexOf(QLatin1Char(' '), i + 1)) {
        const QString a = caption.left(i), b = caption.mid(i + 1);
        const double w = std::max(wide(a), wide(b));
        if (w <= width && w < bestWidth) {
            bestWidth = w;
            best = a + QLatin1Char('\n') + b;
        }
    }
    return best;
}
}  // namespace

QFont fittingFont(const QFont& base, const QString& text, const QRect& room, int flags) {
    if (text.isEmpty() || fitsIn(base, text, room, flags)) return base;
    QFont f = base;
    const double start = base.pointSizeF() > 0 ? base.pointSizeF() : 9.0;
    for (double pt = start - 0.5; pt >= kSmallestPoints; pt -= 0.5) {
        f.setPointSizeF(pt);
        if (fitsIn(f, text, room, flags)) return f;
    }
    f.setPointSizeF(kSmallestPoints);
    return f;
}

ButtonFace layOutImageButton(const QSize& size, const QFont& base, const QString& caption, bool hasPicture) {
    ButtonFace face;
    face.font = base;
    face.caption = caption;
    const int w = size.width(), h = size.height();
    const int pad = std::clamp(std::min(w, h) / 10, 2, 4);
    if (caption.isEmpty()) {
        const int side = std::max(8, std::min({w, h, 56}) - 2 * pad);
        if (hasPicture) face.icon = QRect((w - side) / 2, (h - side) / 2, side, side);
        return face;
    }
    const bool beside = w >= 2 * h;
    QFont f = base;
    const double start = base.pointSizeF() > 0 ? base.pointSizeF() : 9.0;
    for (double pt = start;; pt -= 0.5) {
        const bool last = pt - 0.5 < kSmallestPoints;
        f.setPointSizeF(pt);
        const QFontMetricsF fm(f);
        const int line = int(std::ceil(fm.lineSpacing()));
        if (beside) {
            const int side = hasPicture ? std::clamp(h - 2 * pad, 12, std::max(16, line * 3 / 2)) : 0;
            const int textLeft = hasPicture ? 2 * pad + side : pad;
            const int room = w - textLeft - pad;
            const int lines = std::clamp((h - 2 * pad) / std::max(1, line), 1, 2);
            QString text = brokenToFit(caption, fm, room, lines);
            if (!text.isEmpty() || last) {
                face.fits = !text.isEmpty();
                face.caption = text.isEmpty() ? caption : text;
                face.font = f;
                if (hasPicture) face.icon = QRect(pad, (h - side) / 2, side, side);
                face.text = QRect(textLeft, 0, room, h);
                face.flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic;
                return face;
            }
        } else {
            const int side = hasPicture ? std::clamp(h - 3 * pad - line, 8, 48) : 0;
            const int room = w - 2 * pad;
            const bool fits = fm.size(Qt::TextShowMnemonic, caption).width() <= room;
            if (fits || last) {
                face.fits = fits;
                face.font = f;
                if (hasPicture) face.icon = QRect((w - side) / 2, pad, side, side);
                const int top = hasPicture ? pad + side : 0;
                face.text = QRect(pad, top, room, h - top - (hasPicture ? pad / 2 : 0));
                face.flags =
                    (hasPicture ? Qt::AlignHCenter | Qt::AlignTop : Qt::AlignCenter) | Qt::TextShowMnemonic;
                return face;
            }
        }
    }
}

ImageButtonWidget::ImageButtonWidget(QWidget* parent, bool navigation)
    : QAbstractButton(parent), navigation_(navigation) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
}

void ImageButtonWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = navigation_ ? 6 : 4;
    const bool hot = isEnabled() && underMouse();
    if (isEnabled() && (isDown() || hot)) {
        const QColor tint = navigation_ ? kAccent : QColor(0, 0, 0);
        QColor fill = tint, edge = tint;
        fill.setAlpha(isDown() ? (navigation_ ? 60 : 35) : (navigation_ ? 30 : 15));
        edge.setAlpha(navigation_ ? 90 : 35);
        p.setPen(edge);
        p.setBrush(fill);
        p.drawRoundedRect(frame, radius, radius);
    }
    if (hasFocus()) {
        p.setPen(QPen(kAccent, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(frame.adjusted(1, 1, -1, -1), radius, radius);
    }
    const ButtonFace f = face();
    if (!f.icon.isEmpty()) {
        // A disabled picture is faded as well as greyed: a picture that is grey already (the
        // explorer's tiles) or a theme's own disabled picture would otherwise look the same.
        if (!isEnabled()) p.setOpacity(kDisabledOpacity);
        icon().paint(&p, f.icon, Qt::AlignCenter,
                     !isEnabled() ? QIcon::Disabled
                     : hot        ? QIcon::Active
                                  : QIcon::Normal);
        p.setOpacity(1);
    }
    if (!f.caption.isEmpty()) {
        p.setFont(f.font);
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        p.drawText(f.text, f.flags, f.caption);
    }
}

QFont FittingLabel::shownFont() const {
    if (text().isEmpty()) return font();
    const int flags = int(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0);
    if (wordWrap()) return fittingFont(font(), text(), contentsRect(), flags);
    // One line, as high as its font needs: a little smaller where that shows the whole text,
    // else its own size, as far as the text goes (an address), never too small to read.
    const QRect room = contentsRect();
    const QFont f =
        fittingFont(font(), text(), QRect(room.topLeft(), QSize(room.width(), QWIDGETSIZE_MAX)), flags);
    return f.pointSizeF() >= font().pointSizeF() - kOneLineShrink ? f : font();
}

void FittingLabel::paintEvent(QPaintEvent* e) {
    const QFont shown = shownFont();
    if (shown == font()) {
        QLabel::paintEvent(e);
        return;
    }
    QPainter p(this);
    p.setFont(shown);
    const int flags = int(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0);
    style()->drawItemText(&p, contentsRect(), flags, palette(), isEnabled(), text(), foregroundRole());
}

QRect FittingPushButton::textRoom() const {
    QStyleOptionButton opt;
    initStyleOption(&opt);
    return style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this).adjusted(2, 0, -2, 0);
}

QFont FittingPushButton::shownFont() const {
    return fittingFont(font(), text(), textRoom(), Qt::AlignCenter | Qt::TextShowMnemonic);
}

void FittingPushButton::paintEvent(QPaintEvent* e) {
    const QFont shown = shownFont();
    if (shown == font()) {
        QPushButton::paintEvent(e);
        return;
    }
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    p.setFont(shown);
    opt.fontMetrics = QFontMetrics(shown);
    p.drawControl(QStyle::CE_PushButton, opt);
}

void applyLook(QApplication& app) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(fusion);

    QPalette p = app.style()->standardPalette();
    const QColor window(244, 245, 247), text(31, 35, 40), button(236, 238, 241);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(240, 242, 245));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Highlight, kAccent);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(31, 95, 191));
    p.setColor(QPalette::LinkVisited, QColor(96, 64, 160));
    p.setColor(QPalette::ToolTipBase, QColor(43, 47, 54));
    p.setColor(QPalette::ToolTipText, Qt::white);
    p.setColor(QPalette::PlaceholderText, QColor(130, 136, 144));
    const QColor grey(154, 160, 166);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, grey);
    app.setPalette(p);
}

QIcon programIcon() {
    QIcon icon;
    for (int side : {16, 22, 32, 48, 64}) {
        QPixmap pm(side, side);
        pm.fill(Qt::transparent);
        QPainter painter(&pm);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kAccent);
        painter.drawRoundedRect(QRectF(0.5, 0.5, side - 1.0, side - 1.0), side / 5.0, side / 5.0);
        QFont font;
        font.setBold(true);
        font.setPixelSize(side * 3 / 4);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRect(0, 0, side, side), Qt::AlignCenter, QStringLiteral("V"));
        painter.end();
        icon.addPixmap(pm);
    }
    return icon;
}

}  // namespace vbqt
