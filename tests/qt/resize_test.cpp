// A window resized by the user lays itself out through the model, and a size the program sets
// reaches the window: Form_Resize sees the new outer size either way, once per change.
#include <gtest/gtest.h>

#include <QTest>

#include "platform/headless/headless.h"
#include "platform/model/app.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_front_end.h"
#include "platform/qt/qt_loop.h"
#include "qt_test_support.h"

namespace {

using namespace vb;

class SizedForm : public Form {
public:
    static constexpr const char* kName = "SizedForm";
    explicit SizedForm(App& app) : Form(app, kName) {
        design("Sized", 6000, 4500);  // 400 x 300 pixels
        Label1.pos(0, 0, 600, 300).cap("right edge");
    }
    // Keeps the label at the window's right edge, as a layout by the outer size does.
    void Form_Resize() override {
        layouts.push_back(outerWidth());
        Label1.setLeft(Width() - Label1.Width());
    }
    Label Label1{this, "Label1"};
    std::vector<int> layouts;
};

TEST(FrontEndResize, AUserResizeReachesTheModelAndItsLayout) {
    QApplication& qt = vbqt::test::qtApp();
    (void)qt;
    vbqt::QtLoop loop;
    vbqt::QtDialogs dialogs;
    RecordingTray tray;
    FileSystem fs;
    CollectingLogger log;
    App app{Services{&fs, &dialogs, &loop, nullptr, nullptr, nullptr, &tray, &log}};
    loop.setApp(&app);
    app.registerForm<SizedForm>();
    vbqt::QtFrontEnd fe{app};
    SizedForm& form = app.form<SizedForm>();
    app.deliver([&] { form.Show(); });
    QWidget* window = fe.window(form);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QCoreApplication::processEvents();
    ASSERT_FALSE(form.layouts.empty()) << "the first showing lays the window out";
    const int frame = form.outerWidth() - form.Width();

    window->resize(500, 350);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.Width(), 7500);
    EXPECT_EQ(form.Height(), 5250);
    EXPECT_EQ(form.layouts.back(), 7500 + frame);
    EXPECT_EQ(window->findChild<QWidget*>("Label1")->x(), 460);

    // A size set by the program: the window follows, and the layout runs once for it.
    const auto before = form.layouts.size();
    app.deliver([&] { form.setOuterSize(4500 + frame, 3000 + form.outerHeight() - form.Height()); });
    QCoreApplication::processEvents();
    EXPECT_EQ(window->size(), QSize(300, 200));
    EXPECT_EQ(form.layouts.size(), before + 1);
    EXPECT_EQ(window->findChild<QWidget*>("Label1")->x(), 260);
}

}  // namespace
