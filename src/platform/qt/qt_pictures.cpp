// The pictures of the program's buttons and images, by the name the window's design gives them.
// The desktop's icon theme has the first say, as it does for every desktop program, so the
// buttons look like the rest of the user's desktop; where the theme has no picture of a fitting
// name (or there is no theme at all, as on a bare X server), we draw our own here, on a 24-unit
// grid, so nothing we show is taken from anyone else.
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>
#include <cmath>
#include <functional>

#include "platform/qt/qt_look.h"

namespace vbqt {

namespace {

const QColor kBlue(47, 111, 209), kGreen(46, 150, 80), kRed(200, 62, 50), kOrange(232, 150, 40),
    kInk(70, 76, 86), kPaper(250, 251, 252), kSky(150, 195, 240), kHill(70, 150, 90);

using Draw = std::function<void(QPainter&)>;

QPen pen(const QColor& c, double width) {
    QPen p(c, width);
    p.setCapStyle(Qt::RoundCap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}

// A picture in a frame: sky, sun and a hill, the program's own sign for "a picture".
void framedPicture(QPainter& p, const QRectF& r) {
    p.setPen(pen(kInk, 1.5));
    p.setBrush(kSky);
    p.drawRoundedRect(r, 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 220, 90));
    p.drawEllipse(QPointF(r.left() + r.width() * 0.7, r.top() + r.height() * 0.32), r.height() * 0.13,
                  r.height() * 0.13);
    QPainterPath hill;
    hill.moveTo(r.left() + 0.75, r.bottom() - 0.75);
    hill.lineTo(r.left() + r.width() * 0.38, r.top() + r.height() * 0.45);
    hill.lineTo(r.left() + r.width() * 0.62, r.top() + r.height() * 0.7);
    hill.lineTo(r.left() + r.width() * 0.78, r.top() + r.height() * 0.58);
    hill.lineTo(r.right() - 0.75, r.bottom() - 0.75);
    hill.closeSubpath();
    p.setBrush(kHill);
    p.drawPath(hill);
}

void arrowDown(QPainter& p, double x, double top, double bottom, const QColor& c) {
    p.setPen(pen(c, 2.6));
    p.drawLine(QPointF(x, top), QPointF(x, bottom));
    p.drawLine(QPointF(x - 5, bottom - 5), QPointF(x, bottom));
    p.drawLine(QPointF(x + 5, bottom - 5), QPointF(x, bottom));
}

void badge(QPainter& p, const QPointF& centre, double radius, const QColor& fill) {
    p.setPen(pen(Qt::white, 1.2));
    p.setBrush(fill);
    p.drawEllipse(centre, radius, radius);
}

void letterInCircle(QPainter& p, const QString& letter, const QColor& fill) {
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(QRectF(2, 2, 20, 20));
    QFont f;
    f.setBold(true);
    f.setPixelSize(15);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, letter);
}

void globe(QPainter& p, const QPointF& c, double r, const QColor& ink) {
    p.setPen(pen(ink, 1.6));
    p.setBrush(QColor(225, 238, 252));
    p.drawEllipse(c, r, r);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r * 0.45, r);
    p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));
}

void gear(QPainter& p) {
    QPainterPath teeth;
    const QPointF c(12, 12);
    for (int i = 0; i < 8; ++i) {
        const double a = i * M_PI / 4;
        QPainterPath tooth;
        tooth.addRoundedRect(QRectF(-2.6, -10.5, 5.2, 6), 1, 1);
        QTransform t;
        t.translate(c.x(), c.y());
        t.rotateRadians(a);
        teeth.addPath(t.map(tooth));
    }
    QPainterPath body;
    body.addEllipse(c, 7.5, 7.5);
    QPainterPath hole;
    hole.addEllipse(c, 3, 3);
    const QPainterPath shape = teeth.united(body).subtracted(hole);
    p.setPen(pen(kInk.darker(130), 1));
    p.setBrush(QColor(120, 128, 140));
    p.drawPath(shape);
}

void puzzlePiece(QPainter& p) {
    QPainterPath piece;
    piece.addRoundedRect(QRectF(3, 7, 14, 14), 2, 2);
    QPainterPath knob;
    knob.addEllipse(QPointF(10, 6), 3.2, 3.2);
    knob.addEllipse(QPointF(18, 14), 3.2, 3.2);
    p.setPen(pen(kGreen.darker(140), 1.2));
    p.setBrush(kGreen);
    p.drawPath(piece.united(knob));
}

void trash(QPainter& p) {
    p.setPen(pen(kInk, 1.6));
    p.setBrush(QColor(235, 237, 240));
    QPainterPath can;
    can.moveTo(6, 7);
    can.lineTo(18, 7);
    can.lineTo(16.8, 21);
    can.lineTo(7.2, 21);
    can.closeSubpath();
    p.drawPath(can);
    p.drawLine(QPointF(4, 6), QPointF(20, 6));
    p.drawLine(QPointF(10, 4), QPointF(14, 4));
    p.setPen(pen(kRed, 1.6));
    for (double x : {9.6, 12.0, 14.4}) p.drawLine(QPointF(x, 10), QPointF(x, 18));
}

void shuffle(QPainter& p) {
    p.setPen(pen(kBlue, 2.2));
    p.setBrush(Qt::NoBrush);
    QPainterPath a, b;
    a.moveTo(3, 7);
    a.cubicTo(11, 7, 11, 17, 19, 17);
    b.moveTo(3, 17);
    b.cubicTo(11, 17, 11, 7, 19, 7);
    p.drawPath(a);
    p.drawPath(b);
    for (double y : {7.0, 17.0}) {
        p.drawLine(QPointF(19, y), QPointF(16, y - 3));
        p.drawLine(QPointF(19, y), QPointF(16, y + 3));
    }
}

void monitorWithTick(QPainter& p) {
    p.setPen(pen(kInk, 1.6));
    p.setBrush(kSky);
    p.drawRoundedRect(QRectF(2.5, 3.5, 19, 13), 1.5, 1.5);
    p.drawLine(QPointF(12, 16.5), QPointF(12, 20));
    p.drawLine(QPointF(8, 20.5), QPointF(16, 20.5));
    p.setPen(pen(kGreen, 2.8));
    p.drawLine(QPointF(7, 10), QPointF(10.5, 13.5));
    p.drawLine(QPointF(10.5, 13.5), QPointF(17, 6.5));
}

void handset(QPainter& p) {
    // A desk telephone: the body and the receiver lying on it.
    p.setPen(pen(kInk, 1.4));
    p.setBrush(QColor(225, 228, 232));
    QPainterPath body;
    body.moveTo(5, 20.5);
    body.lineTo(7.5, 11);
    body.lineTo(16.5, 11);
    body.lineTo(19, 20.5);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(12, 15.8), 2.4, 2.4);
    p.setPen(pen(kInk, 3.2));
    p.setBrush(Qt::NoBrush);
    QPainterPath receiver;
    receiver.moveTo(3.5, 9.5);
    receiver.cubicTo(5, 3.5, 19, 3.5, 20.5, 9.5);
    p.drawPath(receiver);
}

void network(QPainter& p) {
    p.setPen(pen(kInk, 1.5));
    p.drawLine(QPointF(12, 9), QPointF(12, 14));
    p.drawLine(QPointF(5.5, 14), QPointF(18.5, 14));
    p.drawLine(QPointF(5.5, 14), QPointF(5.5, 16));
    p.drawLine(QPointF(18.5, 14), QPointF(18.5, 16));
    p.setBrush(kSky);
    p.drawRoundedRect(QRectF(7.5, 2.5, 9, 6.5), 1, 1);
    p.drawRoundedRect(QRectF(1.5, 16, 8, 6), 1, 1);
    p.drawRoundedRect(QRectF(14.5, 16, 8, 6), 1, 1);
}

void exitDoor(QPainter& p) {
    // An open door, and an arrow leaving through it.
    p.setPen(pen(kInk, 1.6));
    p.setBrush(Qt::NoBrush);
    QPainterPath frame;  // open on the right, where the arrow goes out
    frame.moveTo(14, 8);
    frame.lineTo(14, 3);
    frame.lineTo(4, 3);
    frame.lineTo(4, 21);
    frame.lineTo(14, 21);
    frame.lineTo(14, 16);
    p.drawPath(frame);
    QPainterPath door;  // swung open towards the viewer
    door.moveTo(4, 3);
    door.lineTo(10, 5.5);
    door.lineTo(10, 22.5);
    door.lineTo(4, 21);
    door.closeSubpath();
    p.setPen(pen(kOrange.darker(160), 1.2));
    p.setBrush(kOrange);
    p.drawPath(door);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(8.6, 13.5), 0.9, 0.9);
    p.setPen(pen(kRed, 2.6));
    p.drawLine(QPointF(12, 12), QPointF(21, 12));
    p.drawLine(QPointF(17, 8), QPointF(21, 12));
    p.drawLine(QPointF(17, 16), QPointF(21, 12));
}

struct Named {
    const char* name;
    // Freedesktop names, best first.
    std::initializer_list<const char*> themeNames;
    Draw draw;
};

const Named* find(const QString& name) {
    static const Named kPictures[] = {
        {"download",
         {"folder-download", "go-down"},
         [](QPainter& p) {
             p.setPen(pen(kInk, 1.8));
             p.setBrush(Qt::NoBrush);
             QPainterPath tray;
             tray.moveTo(3, 14);
             tray.lineTo(3, 21);
             tray.lineTo(21, 21);
             tray.lineTo(21, 14);
             p.drawPath(tray);
             arrowDown(p, 12, 3, 17, kBlue);
         }},
        {"pictures",
         {"folder-pictures", "image-x-generic"},
         [](QPainter& p) { framedPicture(p, QRectF(2.5, 4.5, 19, 15)); }},
        {"add",
         {"insert-image", "list-add"},
         [](QPainter& p) {
             framedPicture(p, QRectF(2.5, 2.5, 16, 13));
             badge(p, QPointF(17, 17), 5.5, kGreen);
             p.setPen(pen(Qt::white, 2));
             p.drawLine(QPointF(14.2, 17), QPointF(19.8, 17));
             p.drawLine(QPointF(17, 14.2), QPointF(17, 19.8));
         }},
        {"settings", {"preferences-system", "preferences-other"}, gear},
        {"plugins", {"application-x-addon", "applications-other"}, puzzlePiece},
        {"language",
         {"preferences-desktop-locale"},
         [](QPainter& p) { globe(p, QPointF(12, 12), 9.5, kBlue); }},
        {"tray",
         {"go-bottom"},
         [](QPainter& p) {
             arrowDown(p, 12, 3, 16, kBlue);
             p.setPen(pen(kInk, 2.6));
             p.drawLine(QPointF(4, 20.5), QPointF(20, 20.5));
         }},
        {"about", {"help-about"}, [](QPainter& p) { letterInCircle(p, QStringLiteral("?"), kBlue); }},
        {"info", {"dialog-information"}, [](QPainter& p) { letterInCircle(p, QStringLiteral("i"), kBlue); }},
        {"apply", {"preferences-desktop-wallpaper", "dialog-ok-apply", "dialog-ok"}, monitorWithTick},
        {"delete", {"edit-delete"}, trash},
        {"random", {"media-playlist-shuffle"}, shuffle},
        {"gallery",
         {"web-browser", "applications-internet"},
         [](QPainter& p) {
             framedPicture(p, QRectF(2.5, 2.5, 16, 13));
             globe(p, QPointF(17, 17), 5.5, kOrange.darker(150));
         }},
        {"start",
         {"media-playback-start"},
         [](QPainter& p) {
             p.setPen(Qt::NoPen);
             p.setBrush(kGreen);
             QPainterPath play;
             play.moveTo(6, 3);
             play.lineTo(20, 12);
             play.lineTo(6, 21);
             play.closeSubpath();
             p.drawPath(play);
         }},
        {"exit", {"application-exit"}, exitDoor},
        {"analog", {"modem"}, handset},
        {"digital", {"network-wired"}, network},
    };
    for (const Named& n : kPictures)
        if (name == QLatin1String(n.name)) return &n;
    return nullptr;
}

QPixmap render(const Draw& draw, int side) {
    QPixmap pm(side, side);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(side / 24.0, side / 24.0);
    draw(p);
    p.end();
    return pm;
}

}  // namespace

QIcon ownPicture(const QString& name) {
    const Named* n = find(name);
    if (!n) return QIcon();
    QIcon icon;
    // Enough sizes that no scale the user may set has to enlarge one.
    for (int side : {16, 20, 22, 24, 32, 40, 48, 64, 96, 128}) icon.addPixmap(render(n->draw, side));
    return icon;
}

QIcon namedPicture(const QString& name) {
    // Icons are made once per name; the theme does not change while the program runs.
    // Never freed: pixmaps must not outlive the application object at exit.
    static auto* made = new QHash<QString, QIcon>;
    if (auto it = made->constFind(name); it != made->constEnd()) return *it;
    QIcon icon;
    if (const Named* n = find(name)) {
        for (const char* themeName : n->themeNames) {
            // A theme that has the name only in a size smaller than our buttons would show it
            // tiny or blurred: our own drawing serves better then.
            const QIcon themed = QIcon::fromTheme(QLatin1String(themeName));
            int largest = 0;
            for (const QSize& s : themed.availableSizes()) largest = std::max(largest, s.height());
            if (!themed.isNull() && largest >= 22) {
                icon = themed;
                break;
            }
        }
        if (icon.isNull()) icon = ownPicture(name);
    }
    made->insert(name, icon);
    return icon;
}

}  // namespace vbqt
