// What the user sees of the main window: a picture on every picture button and image, no text
// cut off, in English and in Italian, and no English text left in the Italian window; every
// window whole on the screen, and address lines whose letters are whole. ctest runs these once
// more on screens of 1366 x 768 and 1600 x 1000 at the scales 1, 1.25 and 2. Also the screen
// size in the display's own pixels, which ctest runs at 1.25x and 2x scale.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <set>

#include "../unit/harness.h"
#include "online/my_ecards.h"
#include "online/my_explorer.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/qt_front_end.h"
#include "platform/qt/qt_look.h"
#include "qt_test_support.h"
#include "shell/main_form.h"

namespace {

using vantry::test::Harness;
using vantry::test::readFile;

const char* const kPictureNames[] = {"download", "pictures", "add",     "settings", "plugins",
                                     "language", "tray",     "about",   "info",     "apply",
                                     "delete",   "random",   "gallery", "exit",     "analog",
                                     "digital"};

TEST(Screen, SizeIsInTheDisplaysOwnPixelsWhateverTheScale) {
    vbqt::test::qtApp();
    // The offscreen display is 800 x 800 pixels; Qt lays windows out in fewer under
    // QT_SCALE_FACTOR, and the ratio brings the display's own count back.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const auto [w, h] = vbqt::screenSize(screen);
    const double ratio = vbqt::screenPixelRatio(screen);
    EXPECT_EQ(std::lround(w * ratio), 800);
    EXPECT_EQ(std::lround(h * ratio), 800);
    EXPECT_EQ(w, qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("2") ? 400 : w);
    EXPECT_EQ(vbqt::screenSize(nullptr), std::make_pair(1024, 768));
}

TEST(Pictures, EveryNameHasAPictureAndOurOwnDrawingIsNotBlank) {
    vbqt::test::qtApp();
    for (const char* name : kPictureNames) {
        EXPECT_FALSE(vbqt::namedPicture(QString::fromLatin1(name)).isNull()) << name;
        const QImage own = vbqt::ownPicture(QString::fromLatin1(name)).pixmap(24, 24).toImage();
        int inked = 0;
        for (int y = 0; y < own.height(); ++y)
            for (int x = 0; x < own.width(); ++x) inked += qAlpha(own.pixel(x, y)) > 128;
        EXPECT_GT(inked, 24 * 24 / 8) << name;
    }
    EXPECT_TRUE(vbqt::namedPicture(QStringLiteral("no such picture")).isNull());
}

// The spread of grey levels inside the rectangle of a picture button's picture.
int contrastOfPicture(vbqt::ImageButtonWidget& button) {
    const QImage shot = button.grab().toImage();
    const QRect r = button.face().icon.intersected(shot.rect());
    int lo = 255, hi = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const int g = qGray(shot.pixel(x, y));
            lo = std::min(lo, g);
            hi = std::max(hi, g);
        }
    return hi - lo;
}

TEST(Pictures, ADisabledPictureButtonLooksDisabledWhateverItsPicture) {
    vbqt::test::qtApp();
    // A grey tile with a white sign (the explorer's skins), and a picture by name (theme or ours).
    QPixmap tile(32, 32);
    tile.fill(QColor(110, 110, 110));
    QPainter p(&tile);
    p.fillRect(8, 8, 16, 16, Qt::white);
    p.end();
    for (const QIcon& icon : {QIcon(tile), vbqt::namedPicture(QStringLiteral("start"))}) {
        QWidget window;
        vbqt::ImageButtonWidget button(&window, false);
        button.setGeometry(0, 0, 48, 48);
        button.setIcon(icon);
        const int enabled = contrastOfPicture(button);
        button.setEnabled(false);
        const int disabled = contrastOfPicture(button);
        EXPECT_GT(enabled, 60);
        EXPECT_LT(disabled, enabled / 2) << "a disabled picture is faded, not only greyed";
    }
}

// The program on the headless services, shown through the Qt front end, in one language.
struct ShownMain : Harness {
    explicit ShownMain(const std::string& language) {
        vbqt::test::qtApp();
        put("LANGUAGE.DRV",
            readFile(std::string(VANTRY_SOURCE_DIR) + "/data/lang/" + language + "/" + language + ".DRV"));
        programs.programs["fresco.exe"] = {};
        frontEnd = std::make_unique<vbqt::QtFrontEnd>(*app);
        start();
        loop.advance(7000);
        QCoreApplication::processEvents();
    }
    ~ShownMain() { frontEnd.reset(); }
    vantry::Main& main() { return app->form<vantry::Main>(); }
    QWidget* window() { return frontEnd->window(main()); }
    std::unique_ptr<vbqt::QtFrontEnd> frontEnd;
};

// The window's widgets of one of our own classes (which carry no meta-object of their own, so
// findChildren cannot tell them from their Qt base classes).
template <class W>
std::vector<W*> all(QWidget* window) {
    std::vector<W*> out;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (auto* mine = dynamic_cast<W*>(w)) out.push_back(mine);
    return out;
}

// Every caption of the window is shown whole, in a font at most a point and a half below its own.
void expectNothingCut(QWidget* window, const std::string& language) {
    for (auto* l : all<vbqt::FittingLabel>(window))
        EXPECT_GE(l->shownFont().pointSizeF(), l->font().pointSizeF() - 1.5)
            << language << ": " << l->objectName().toStdString() << " \"" << l->text().toStdString() << "\"";
    for (auto* b : all<vbqt::FittingPushButton>(window))
        EXPECT_GE(b->shownFont().pointSizeF(), b->font().pointSizeF() - 1.5)
            << language << ": " << b->objectName().toStdString() << " \"" << b->text().toStdString() << "\"";
    for (auto* b : all<vbqt::ImageButtonWidget>(window)) {
        const vbqt::ButtonFace face = b->face();
        EXPECT_TRUE(face.fits) << language << ": " << b->objectName().toStdString();
        EXPECT_GE(face.font.pointSizeF(), b->font().pointSizeF() - 1.5)
            << language << ": " << b->objectName().toStdString();
        EXPECT_FALSE(b->icon().isNull()) << b->objectName().toStdString();
    }
}

TEST(MainWindowLook, EveryPictureButtonAndImageOfTheDesignShowsAPicture) {
    ShownMain h("English");
    for (const char* name : {"img_About", "img_ImageInfo", "img_Analog", "img_Digital"}) {
        auto* label = h.window()->findChild<QLabel*>(QString::fromLatin1(name));
        ASSERT_TRUE(label) << name;
        EXPECT_FALSE(label->pixmap().isNull()) << name;
    }
    EXPECT_EQ(all<vbqt::ImageButtonWidget>(h.window()).size(), 13u);  // the plug-ins' two included
    // The window keeps its design size, 8415 x 6135 twips, where the screen has room for it;
    // elsewhere it is as large as the screen lets it be, in the design's proportions.
    const QSize frame = h.window()->frameGeometry().size() - h.window()->size();
    const QSize room = QGuiApplication::primaryScreen()->availableGeometry().size() - frame;
    const QSize design(561, 409);
    const QSize fitted = design.boundedTo(room) == design ? design : design.scaled(room, Qt::KeepAspectRatio);
    EXPECT_LE(std::abs(h.window()->minimumWidth() - fitted.width()), 1);
    EXPECT_LE(std::abs(h.window()->minimumHeight() - fitted.height()), 1);
    EXPECT_EQ(h.window()->maximumSize(), h.window()->minimumSize());
}

TEST(MainWindowLook, NothingIsCutInEnglishOrItalianWithTheLongestInformationLine) {
    for (const std::string language : {"English", "Italiano"}) {
        ShownMain h(language);
        h.app->deliver([&] { h.main().lbl_ImageInfo.setCaption("[ JPG ], 10000 x 10000 px - 24 bits"); });
        h.app->deliver([&] { h.main().lbl_TimeLastDownloaded.setCaption("[ 2026/12/31 23:59:59 ]"); });
        QCoreApplication::processEvents();
        expectNothingCut(h.window(), language);
    }
}

TEST(MainWindowLook, TheItalianWindowShowsNoTextThatTheItalianFileTranslates) {
    const auto english = vantry::test::Harness().fs.readAllLines(std::string(VANTRY_SOURCE_DIR) +
                                                                 "/data/lang/English/English.DRV");
    const auto italian = vantry::test::Harness().fs.readAllLines(std::string(VANTRY_SOURCE_DIR) +
                                                                 "/data/lang/Italiano/Italiano.DRV");
    std::set<QString> translated;
    for (std::size_t n = 6; n < english.size() && n < italian.size(); ++n)
        if (!english[n].empty() && english[n] != italian[n])
            translated.insert(QString::fromStdString(english[n]));
    ShownMain h("Italiano");
    for (QWidget* w : h.window()->findChildren<QWidget*>()) {
        QString text;
        if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text().remove(QLatin1Char('&'));
        EXPECT_FALSE(translated.count(text))
            << w->objectName().toStdString() << " \"" << text.toStdString() << "\"";
        EXPECT_FALSE(translated.count(w->toolTip())) << w->objectName().toStdString() << " tooltip";
    }
}

// The control's place in the model's twips, from the window's top left corner.
QRect designedPlace(const vb::Control& c) {
    QRect r(c.Left(), c.Top(), c.Width(), c.Height());
    for (const vb::Control* p = c.parent(); p; p = p->parent()) r.translate(p->Left(), p->Top());
    return r;
}

// The window lies within the screen's available area, and every control that its form places
// within the size it asked for (not the decorations that run past its edges, nor what is kept
// out of the user's sight below them) lies within the window's client area. Panels and shapes
// are backgrounds, edge to edge; what a panel holds is looked at control by control.
void expectWholeOnScreen(vb::Form& form, QSize asked, QWidget* window) {
    const std::string name = form.name();
    const QRect area = window->screen()->availableGeometry();
    EXPECT_TRUE(area.contains(window->frameGeometry()))
        << name << ": the window at " << window->frameGeometry().x() << "," << window->frameGeometry().y()
        << " " << window->frameGeometry().width() << " x " << window->frameGeometry().height()
        << " on a screen of " << area.width() << " x " << area.height();
    const QRect designed(0, 0, asked.width(), asked.height());
    for (const vb::Control* c : form.controls()) {
        if (!c->Visible() || !designed.contains(designedPlace(*c))) continue;
        if (c->kind() == vb::Kind::Panel || c->kind() == vb::Kind::Shape) continue;
        auto* w = window->findChild<QWidget*>(QString::fromStdString(c->name()));
        if (!w) continue;  // no widget: timers, menus and the like
        const QRect shown(w->mapTo(window, QPoint(0, 0)), w->size());
        EXPECT_TRUE(window->rect().contains(shown))
            << name << "." << c->name() << " at " << shown.x() << "," << shown.y() << " " << shown.width()
            << " x " << shown.height() << " in a window of " << window->width() << " x " << window->height();
    }
}

// Every window the program can open, alone on the screen. ctest runs this once more on screens
// of 1366 x 768 and 1600 x 1000 pixels at the scales 1, 1.25 and 2.
TEST(WindowsOnScreen, EveryWindowShowsAllItsControlsWithinTheScreen) {
    // Not started: each window is made afresh at its design size, the main window too.
    vbqt::test::qtApp();
    Harness h;
    h.put("LANGUAGE.DRV", readFile(std::string(VANTRY_SOURCE_DIR) + "/data/lang/English/English.DRV"));
    h.programs.programs["fresco.exe"] = {};
    vbqt::QtFrontEnd frontEnd(*h.app);
    for (const char* name : {"Main", "Splash", "Add_Images", "About", "Fresco", "Language", "MyExplorer",
                             "MyeCards", "MyUpload", "Download_Wizard"}) {
        vb::Form* form = nullptr;
        QSize asked;
        h.app->deliver([&] {
            form = &h.app->touch(name);
            asked = QSize(form->Width(), form->Height());
            form->Show();
        });
        QWidget* window = frontEnd.window(*form);
        ASSERT_TRUE(window) << name;
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window)) << name;
        QCoreApplication::processEvents();
        expectWholeOnScreen(*form, asked, window);
        h.app->deliver([&] { form->Hide(); });
    }
}

// The first and last rows of the picture where something darker than mid grey is drawn.
std::pair<int, int> inkRows(const QImage& image) {
    int first = -1, last = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 110) {
                if (first < 0) first = y;
                last = y;
                break;
            }
    return {first, last};
}

// A line of text shown whole: nothing of the window lies over it, and its letters are as high
// on the screen as the same text drawn on a free page in the same font.
void expectLettersWhole(QWidget* window, QWidget* line, const QFont& font, const QString& text) {
    const std::string name = line->objectName().toStdString();
    const QRect letters = QRect(line->mapTo(window, QPoint(0, 0)), line->size()).intersected(window->rect());
    QWidget* held = line;
    while (held->parentWidget() != window) held = held->parentWidget();
    bool above = false;
    for (QObject* o : window->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow()) continue;
        if (w == held)
            above = true;
        else if (above && w->isVisible() && w->geometry().intersects(letters))
            ADD_FAILURE() << w->objectName().toStdString() << " lies over " << name;
    }

    const QImage shot = window->grab(letters).toImage();
    const qreal ratio = shot.devicePixelRatio();
    const QFontMetrics fm(font);
    QImage page((QSizeF(fm.horizontalAdvance(text) + 8, 3 * fm.height()) * ratio).toSize(),
                QImage::Format_RGB32);
    page.setDevicePixelRatio(ratio);
    page.fill(Qt::white);
    QPainter p(&page);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QPoint(4, fm.height() + fm.ascent()), text);
    p.end();
    const auto [top, bottom] = inkRows(shot);
    const auto [pageTop, pageBottom] = inkRows(page);
    ASSERT_GE(top, 0) << name << " shows no text";
    EXPECT_GE(bottom - top, pageBottom - pageTop - 1)
        << name << ": " << letters.height() << " pixels high, for letters of " << fm.height();
}

// The address strips of the explorer and the e-card window show their letters whole (the
// descenders of "g", "y" and "p" too), and an address far longer than the strip in the program's
// normal font, not shrunk to fit.
TEST(Strips, AddressLinesShowTheirLettersWholeInTheNormalFont) {
    vbqt::test::qtApp();
    Harness h;
    h.put("LANGUAGE.DRV", readFile(std::string(VANTRY_SOURCE_DIR) + "/data/lang/English/English.DRV"));
    vbqt::QtFrontEnd frontEnd(*h.app);
    const QString letters = QStringLiteral("gypjq gallery");
    const std::string address =
        "http://www.vantry-site.localhost:8642/utils/pelloria/ecards/index.php?picture=http://"
        "www.vantry-gallery."
        "localhost:8642/pelloria/gallery/murlo-cache/sea/boats/dawn_800.jpg";
    auto& explorer = h.app->form<vantry::MyExplorer>();
    auto& cards = h.app->form<vantry::MyeCards>();
    h.app->deliver([&] {
        explorer.txt_URL.setText(letters.toStdString());
        cards.lbl_URL.setCaption(letters.toStdString());
        explorer.Show();
        cards.Show();
    });
    QWidget* explorerWindow = frontEnd.window(explorer);
    QWidget* cardsWindow = frontEnd.window(cards);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(explorerWindow));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(cardsWindow));
    QCoreApplication::processEvents();
    const double normal = QApplication::font().pointSizeF();

    auto* field = explorerWindow->findChild<QLineEdit*>(QStringLiteral("txt_URL"));
    ASSERT_TRUE(field);
    EXPECT_GE(field->font().pointSizeF(), normal);
    expectLettersWhole(explorerWindow, field, field->font(), letters);

    auto* label =
        dynamic_cast<vbqt::FittingLabel*>(cardsWindow->findChild<QLabel*>(QStringLiteral("lbl_URL")));
    ASSERT_TRUE(label);
    expectLettersWhole(cardsWindow, label, label->shownFont(), letters);
    h.app->deliver([&] { cards.lbl_URL.setCaption(address); });
    QCoreApplication::processEvents();
    EXPECT_GE(label->shownFont().pointSizeF(), normal);
    EXPECT_GE(label->height(), QFontMetrics(label->shownFont()).height());
}

}  // namespace
