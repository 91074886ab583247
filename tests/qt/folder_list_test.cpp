// The folder list's widget (a double click or Enter opens the folder through the model) and a
// form's background picture in its window.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QTest>
#include <filesystem>

#include "platform/headless/headless.h"
#include "platform/model/app.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_front_end.h"
#include "platform/qt/qt_loop.h"
#include "qt_test_support.h"

namespace {

using namespace vb;

class FolderForm : public Form {
public:
    static constexpr const char* kName = "FolderForm";
    explicit FolderForm(App& app) : Form(app, kName) {
        design("Folders", 6000, 4500);
        Dir1.pos(150, 150, 3000, 3000);
        Dir1.Change = [this] { changes.push_back(Dir1.Path()); };
    }
    FolderListBox Dir1{this, "Dir1"};
    std::vector<std::string> changes;
};

class FolderListWidgetTest : public ::testing::Test {
protected:
    FolderListWidgetTest() {
        loop.setApp(&app);
        char tmpl[] = "/tmp/vantry-qt-folders-XXXXXX";
        base = ::mkdtemp(tmpl);
        for (const char* d : {"b", "A", "c"}) std::filesystem::create_directories(base + "/" + d);
    }
    ~FolderListWidgetTest() override { std::filesystem::remove_all(base); }
    void show() {
        app.deliver([&] { form.Show(); });
        QCoreApplication::processEvents();  // lists sync after the event
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fe.window(form)));
    }
    QListWidget* list() { return fe.window(form)->findChild<QListWidget*>("Dir1"); }

    QApplication& qt = vbqt::test::qtApp();
    std::string base;
    vbqt::QtLoop loop;
    vbqt::QtDialogs dialogs;
    RecordingTray tray;
    FileSystem fs;
    CollectingLogger log;
    App app{Services{&fs, &dialogs, &loop, nullptr, nullptr, nullptr, &tray, &log}};
    bool registered = (app.registerForm<FolderForm>(), true);
    vbqt::QtFrontEnd fe{app};
    FolderForm& form = app.form<FolderForm>();
};

QStringList texts(QListWidget* w) {
    QStringList out;
    for (int i = 0; i < w->count(); ++i) out << w->item(i)->text();
    return out;
}

TEST_F(FolderListWidgetTest, DoubleClickAndEnterOpenTheFolderThroughTheModel) {
    app.deliver([&] { form.Dir1.setPath(base); });
    form.changes.clear();
    show();
    QListWidget* w = list();
    ASSERT_NE(w, nullptr);
    // The way up carries the name of the folder it leads to.
    const QString baseName = QString::fromStdString(base.substr(base.rfind('/') + 1));
    EXPECT_EQ(texts(w), (QStringList{"tmp", "A", "b", "c"}));
    EXPECT_FALSE(w->item(1)->icon().isNull());

    // A double click on "b".
    const QRect r = w->visualItemRect(w->item(2));
    QWidget* window = fe.window(form);
    QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {}, w->viewport()->mapTo(window, r.center()));
    EXPECT_EQ(form.Dir1.Path(), base + "/b");
    EXPECT_EQ(form.changes, (std::vector<std::string>{base + "/b"}));
    QCoreApplication::processEvents();
    EXPECT_EQ(texts(w), (QStringList{baseName}));

    // Enter on "..": back up.
    w->setFocus();
    w->setCurrentRow(0);
    QTest::keyClick(w, Qt::Key_Return);
    EXPECT_EQ(form.Dir1.Path(), base);
    QCoreApplication::processEvents();
    EXPECT_EQ(texts(w).size(), 4);

    // A path set by code reaches the widget, and a single click only selects.
    app.deliver([&] { form.Dir1.setPath(base + "/c"); });
    QCoreApplication::processEvents();
    EXPECT_EQ(texts(w), (QStringList{baseName}));
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                      w->viewport()->mapTo(window, w->visualItemRect(w->item(0)).center()));
    EXPECT_EQ(form.Dir1.ListIndex(), 0);
    EXPECT_EQ(form.Dir1.Path(), base + "/c");
}

TEST_F(FolderListWidgetTest, AFormThatChangesItsListAndUnloadsInOneEventLeavesNoSyncBehind) {
    // The list's widget copies the model after the event; by then the form and its controls are
    // gone, while the widgets wait for their deferred deletion.
    app.deliver([&] { form.Dir1.setPath(base); });
    show();
    for (int round = 0; round < 20; ++round) {
        FolderForm& f = app.form<FolderForm>();
        app.deliver([&] {
            f.Dir1.setPath(base + (round % 2 ? "/b" : "/c"));
            f.Dir1.setListIndex(0);
            f.Unload();
        });
        // Fresh allocations reuse the freed controls' memory, as the program's next steps do.
        std::vector<std::string> filler(64, std::string(200, 'x'));
        QCoreApplication::processEvents();
        EXPECT_FALSE(app.isLoaded(FolderForm::kName));
    }
}

TEST_F(FolderListWidgetTest, TheFormsBackgroundPictureIsDrawnAtItsTopLeftCorner) {
    show();
    auto picture = std::make_shared<Picture>();
    picture->width = 20;
    picture->height = 10;
    picture->rgb.assign(20 * 10 * 3, 0);
    for (std::size_t i = 0; i < picture->rgb.size(); i += 3) picture->rgb[i] = 255;  // red
    app.deliver([&] { form.setPicture(picture); });
    QWidget* window = fe.window(form);
    const QImage shot = window->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(5, 5)), QColor(255, 0, 0));
    EXPECT_NE(QColor(shot.pixel(5, 40)), QColor(255, 0, 0));
    app.deliver([&] { form.setPicture(nullptr); });
    EXPECT_NE(QColor(window->grab().toImage().pixel(5, 5)), QColor(255, 0, 0));
}

}  // namespace
