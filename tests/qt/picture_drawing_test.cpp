// Pictures in picture boxes and images: what the widgets hold after a large picture arrives.
// A picture box that is never shown (the one holding a picture at full size for saving)
// converts nothing; an image shows only what fits its frame; a stretched image is scaled
// smoothly.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "qt_form_fixture.h"

namespace {

using namespace vb;

class PictureForm : public Form {
public:
    static constexpr const char* kName = "PictureForm";
    explicit PictureForm(App& app) : Form(app, kName) {
        design("Pictures", 6000, 4500);
        Picture_Full.pos(0, 0, 1500, 1500).hidden();
        img_Plain.pos(1500, 0, 900, 600);
        img_Stretched.pos(3000, 0, 900, 600);
        img_Stretched.stretch = true;
    }
    PictureBox Picture_Full{this, "Picture_Full"};
    Image img_Plain{this, "img_Plain"};
    Image img_Stretched{this, "img_Stretched"};
};

class PictureDrawingTest : public vbqt::test::QtFormTest<PictureForm> {
protected:
    QLabel* label(const char* name) { return widget<QLabel>(name); }
    void deliver(const std::function<void()>& event) {
        app.deliver(event);
        QCoreApplication::processEvents();
    }
};

// A fine checkerboard: black and white pixels in turn.
std::shared_ptr<const Picture> checkerboard(int w, int h) {
    auto p = std::make_shared<Picture>(Picture{w, h, {}});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p->rgb.insert(p->rgb.end(), 3, (x + y) % 2 ? 255 : 0);
    return p;
}

TEST_F(PictureDrawingTest, LargePictureIsConvertedOnlyWhereItShows) {
    deliver([&] { form.Show(); });
    const auto big = checkerboard(1200, 800);
    deliver([&] {
        form.Picture_Full.setPicture(big);
        form.img_Plain.setPicture(big);
        form.img_Stretched.setPicture(big);
    });
    EXPECT_TRUE(label("Picture_Full")->pixmap().isNull()) << "a hidden picture box converts nothing";
    EXPECT_EQ(label("img_Plain")->pixmap().size(), QSize(60, 40)) << "only the part its frame shows";
    const QImage scaled = label("img_Stretched")->pixmap().toImage();
    ASSERT_EQ(scaled.size(), QSize(60, 40));
    // 20 x 20 source pixels per target pixel, averaged: an even grey (127.5), not black or white.
    int lowest = 255, highest = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const QColor c = scaled.pixelColor(x, y);
            for (int v : {c.red(), c.green(), c.blue()})
                lowest = std::min(lowest, v), highest = std::max(highest, v);
        }
    EXPECT_GE(lowest, 127);
    EXPECT_LE(highest, 128);

    // Shown, the picture box draws its picture; hidden again, it lets go of it.
    deliver([&] { form.Picture_Full.setVisible(true); });
    EXPECT_EQ(label("Picture_Full")->pixmap().size(), QSize(100, 100));
    deliver([&] { form.Picture_Full.setVisible(false); });
    EXPECT_TRUE(label("Picture_Full")->pixmap().isNull());
}

}  // namespace
