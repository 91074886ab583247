#pragma once
// How the program looks: one palette over Qt's Fusion style, the pictures of its buttons, and
// widgets that never cut their text off. The windows were designed for one language and one
// screen; a longer translation or another scale must still show every word.
#include <QAbstractButton>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

class QApplication;

namespace vbqt {

// Fusion with a calm light palette, the same on every desktop, so the windows look as designed
// whatever theme the session uses.
void applyLook(QApplication& app);

// A small rounded square with a "V", for windows and the notification area.
QIcon programIcon();

// The picture of a button or image by the name its design gives it ("apply", "delete",
// "random", ...): the desktop icon theme's picture of the matching freedesktop name where the
// theme has one, else one we draw ourselves. A null icon for a name we do not know.
QIcon namedPicture(const QString& name);
// Always our own drawing, whatever the theme has.
QIcon ownPicture(const QString& name);

// The largest font, no larger than base, in which text drawn with flags fits into room; base
// itself when it fits, the smallest we go down to (6 points) when nothing does.
QFont fittingFont(const QFont& base, const QString& text, const QRect& room, int flags);

// Where an image button's picture and caption go, and in which font. A button at least twice as
// wide as it is high carries its caption beside the picture (on two lines where one is too
// narrow), a squarer one beneath it; a button without caption shows its picture alone, centred.
struct ButtonFace {
    QRect icon;  // empty when there is no picture
    QRect text;
    QString caption;  // with a line break where the caption was split
    QFont font;
    int flags = 0;
    bool fits = true;  // false: even the smallest font cuts the caption
};
ButtonFace layOutImageButton(const QSize& size, const QFont& base, const QString& caption, bool hasPicture);

// An image button: a flat face that lights up under the mouse, its picture, and its caption laid
// out by layOutImageButton. A section button (navigation) gets a rounder face.
class ImageButtonWidget : public QAbstractButton {
public:
    ImageButtonWidget(QWidget* parent, bool navigation);
    ButtonFace face() const { return layOutImageButton(size(), font(), text(), !icon().isNull()); }

protected:
    void paintEvent(QPaintEvent*) override;
    QSize sizeHint() const override { return {64, 32}; }

private:
    bool navigation_;
};

// A label that shrinks its font rather than cut its text off. A label one line high (no word
// wrap) shrinks it by a point and a half at most: a longer text (an address) is shown in its own
// font as far as it fits.
class FittingLabel : public QLabel {
public:
    using QLabel::QLabel;
    // The font the text is drawn in at the label's present size.
    QFont shownFont() const;

protected:
    void paintEvent(QPaintEvent* e) override;
};

// A push button that shrinks its font rather than cut its caption off.
class FittingPushButton : public QPushButton {
public:
    using QPushButton::QPushButton;
    QFont shownFont() const;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QRect textRoom() const;
};

}  // namespace vbqt
