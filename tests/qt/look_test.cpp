// What the user sees of the main window: a picture on every picture button and image, no text
// cut off, in English and in Italian, and no English text left in the Italian window. ctest runs
// these once more at 1.25x and 2x scale. Also the screen size in the display's own pixels.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <set>

#include "../unit/harness.h"
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
    // The window keeps its design size, 8415 x 6135 twips, where the screen has room for it.
    const QSize frame = h.window()->frameGeometry().size() - h.window()->size();
    const QSize room = QGuiApplication::primaryScreen()->availableGeometry().size() - frame;
    EXPECT_EQ(h.window()->minimumSize(), QSize(561, 409).boundedTo(room));
    EXPECT_EQ(h.window()->maximumSize(), QSize(561, 409).boundedTo(room));
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

}  // namespace
