#include "platform/qt/qt_look.h"

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QStyle>
#include <QStyleFactory>
#include <QToolButton>

namespace vbqt {

namespace {
const QColor kAccent(47, 111, 209);
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

void styleImageButton(QToolButton& button, bool navigation) {
    button.setAutoRaise(true);
    button.setCursor(Qt::PointingHandCursor);
    button.setStyleSheet(
        navigation
            ? QStringLiteral(
                  "QToolButton { border: 1px solid transparent; border-radius: 6px; padding: 3px 6px; }"
                  "QToolButton:hover { background: rgba(47,111,209,30); border-color: rgba(47,111,209,90); }"
                  "QToolButton:pressed { background: rgba(47,111,209,60); }")
            : QStringLiteral(
                  "QToolButton { border: 1px solid transparent; border-radius: 4px; padding: 2px; }"
                  "QToolButton:hover { background: rgba(0,0,0,15); border-color: rgba(0,0,0,35); }"
                  "QToolButton:pressed { background: rgba(0,0,0,35); }"));
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
