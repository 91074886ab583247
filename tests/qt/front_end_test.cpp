// The front end against a small form of every common kind: widgets built from the model, user
// input reaching the model exactly once, model changes reaching the widgets, the window
// following the form.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QThread>
#include <QTreeWidget>
#include <QWindow>

#include "../unit/xvfb.h"
#include "platform/qt/qt_draw_first.h"
#include "platform/system/process.h"
#include "qt_form_fixture.h"
#include "testkit/test_pictures.h"
#include "x_display.h"

namespace {

using namespace vb;

class TestForm : public Form {
public:
    static constexpr const char* kName = "TestForm";
    explicit TestForm(App& app) : Form(app, kName) {
        design("Test window", 6000, 4500);  // 400 x 300 pixels
        lbl_Title.pos(150, 150, 3000, 300).cap("Hello");
        txt_Name.pos(150, 600, 3000, 300);
        chk_Flag.pos(150, 1050, 3000, 300).cap("Flag");
        cmd_Go.pos(3300, 600, 1200, 375).cap("Go");
        cmb_Pick.pos(3300, 1050, 1500, 330);
        lst_Names.pos(4500, 150, 1350, 750);
        Panel_Box.pos(300, 1500, 3000, 1500).colors(rgb(0, 0, 0), rgb(240, 240, 240));
        lbl_Inner.pos(150, 150, 1500, 300).cap("inside");
        Shape1.pos(0, 0, 600, 300).fill(rgb(200, 30, 30), rgb(0, 0, 0));
        img_Over.pos(2700, 2700, 900, 600);  // overlaps the panel's lower right corner
        lbl_Hidden.pos(150, 3300, 1500, 300).cap("secret").hidden();
        ListView1.pos(3600, 1500, 2250, 1500);
        Timer1.interval(20).disabled();
        for (const char* s : {"red", "green", "blue"}) cmb_Pick.AddItem(s);
        for (const char* s : {"a.jpg", "b.jpg", "c.jpg"}) lst_Names.AddItem(s);

        txt_Name.Change = [this] { ++changes; };
        chk_Flag.Click = [this] { ++checkClicks; };
        cmd_Go.Click = [this] { ++buttonClicks; };
        cmb_Pick.Click = [this] { ++comboClicks; };
        lst_Names.Click = [this] { ++listClicks; };
        lbl_Title.Click = [this] { ++labelClicks; };
        lbl_Title.DblClick = [this] { ++labelDblClicks; };
        lbl_Title.MouseMove = [this](int, int, float x, float) { labelMoveX.push_back(x); };
        Timer1.Tick = [this] { ++ticks; };
        ListView1.ItemClick = [this](int row) { itemClicks.push_back(row); };
        ListView1.ColumnClick = [this](int col) { columnClicks.push_back(col); };
        ListView1.BeforeLabelEdit = [this](int& cancel) {
            ++beforeEdits;
            cancel = refuseEdit;
        };
        ListView1.AfterLabelEdit = [this](int&, std::string& text) { editedTo = text; };
    }
    void Form_MouseMove(int, int, float x, float) override { formMoveX.push_back(x); }
    void refuseFrameClose() { removeCloseFromSystemMenu(); }

    Label lbl_Title{this, "lbl_Title"};
    TextBox txt_Name{this, "txt_Name"};
    CheckBox chk_Flag{this, "chk_Flag"};
    CommandButton cmd_Go{this, "cmd_Go"};
    ComboBox cmb_Pick{this, "cmb_Pick"};
    ListBox lst_Names{this, "lst_Names"};
    Panel Panel_Box{this, "Panel_Box"};
    Label lbl_Inner{this, "lbl_Inner", &Panel_Box};
    Shape Shape1{this, "Shape1", &Panel_Box};
    Image img_Over{this, "img_Over"};
    Label lbl_Hidden{this, "lbl_Hidden"};
    ListView ListView1{this, "ListView1"};
    Timer Timer1{this, "Timer1"};

    int changes = 0, checkClicks = 0, buttonClicks = 0, comboClicks = 0, listClicks = 0;
    int labelClicks = 0, labelDblClicks = 0, ticks = 0, beforeEdits = 0, refuseEdit = 0;
    std::vector<int> itemClicks, columnClicks;
    std::vector<float> labelMoveX, formMoveX;
    std::string editedTo;
};

// A tray double whose presence the test decides.
class SwitchableTray : public RecordingTray {
public:
    bool available() override { return present; }
    bool present = true;
};

class FrontEndTest : public vbqt::test::QtFormTest<TestForm, SwitchableTray> {
protected:
    // The form shown and laid out, as the user would meet it.
    void showForm() {
        app.deliver([&] { form.Show(); });
        QCoreApplication::processEvents();  // lists sync after the event
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fe.window(form)));
    }
};

TEST_F(FrontEndTest, BuildsOneWidgetPerControlAtItsPlaceInPixels) {
    QWidget* window = fe.window(form);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Test window");
    EXPECT_EQ(window->size(), QSize(400, 300));

    struct Row {
        const char* name;
        const char* qtClass;
        QRect geometry;
    };
    const Row rows[] = {
        {"lbl_Title", "QLabel", {10, 10, 200, 20}},    {"txt_Name", "QLineEdit", {10, 40, 200, 20}},
        {"chk_Flag", "QCheckBox", {10, 70, 200, 20}},  {"cmd_Go", "QPushButton", {220, 40, 80, 25}},
        {"cmb_Pick", "QComboBox", {220, 70, 100, 22}}, {"lst_Names", "QListWidget", {300, 10, 90, 50}},
        {"Panel_Box", "QFrame", {20, 100, 200, 100}},  {"lbl_Inner", "QLabel", {10, 10, 100, 20}},
        {"img_Over", "QLabel", {180, 180, 60, 40}},    {"ListView1", "QTreeWidget", {240, 100, 150, 100}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QWidget* w = widget<QWidget>(r.name);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->inherits(r.qtClass)) << w->metaObject()->className();
        EXPECT_EQ(w->geometry(), r.geometry);
    }
    // A control inside a panel is a child of the panel's widget, placed relative to it.
    EXPECT_EQ(widget<QWidget>("lbl_Inner")->parentWidget(), widget<QWidget>("Panel_Box"));
    EXPECT_EQ(widget<QWidget>("Timer1"), nullptr);
    EXPECT_TRUE(widget<QWidget>("lbl_Hidden")->isHidden());
    // The image comes later in design order than the panel, so it lies on top where they meet.
    EXPECT_EQ(window->childAt(215, 195), widget<QWidget>("img_Over"));
}

TEST_F(FrontEndTest, UserInputReachesTheModelOnceAndModelChangesDoNotComeBack) {
    showForm();
    QTest::mouseClick(widget<QPushButton>("cmd_Go"), Qt::LeftButton);
    EXPECT_EQ(form.buttonClicks, 1);

    auto* edit = widget<QLineEdit>("txt_Name");
    QTest::keyClick(edit, Qt::Key_X);
    EXPECT_EQ(form.txt_Name.Text(), "x");
    EXPECT_EQ(form.changes, 1);
    app.deliver([&] { form.txt_Name.setText("from the program"); });
    QCoreApplication::processEvents();  // lists sync after the event
    EXPECT_EQ(edit->text(), "from the program");
    EXPECT_EQ(form.changes, 2) << "the model's own Change only, not an echo from the widget";

    auto* check = widget<QCheckBox>("chk_Flag");
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, check->height() / 2));
    EXPECT_EQ(form.chk_Flag.Value(), 1);
    EXPECT_EQ(form.checkClicks, 1);
    app.deliver([&] { form.chk_Flag.setValue(0); });
    QCoreApplication::processEvents();  // lists sync after the event
    EXPECT_FALSE(check->isChecked());
    EXPECT_EQ(form.checkClicks, 2);

    app.deliver([&] { form.cmb_Pick.setListIndex(0); });
    QCoreApplication::processEvents();  // lists sync after the event
    EXPECT_EQ(form.comboClicks, 1);
    QTest::keyClick(widget<QComboBox>("cmb_Pick"), Qt::Key_Down);
    EXPECT_EQ(form.cmb_Pick.ListIndex(), 1);
    EXPECT_EQ(form.comboClicks, 2);

    // A new selection fires Click through the model; clicking the selected item fires it too.
    auto* list = widget<QListWidget>("lst_Names");
    const QPoint second = list->visualItemRect(list->item(1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(form.lst_Names.ListIndex(), 1);
    EXPECT_EQ(form.listClicks, 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(form.listClicks, 2);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(form.lst_Names.ListIndex(), 2);
    EXPECT_EQ(form.listClicks, 3);
}

TEST_F(FrontEndTest, LabelsTakeClicksDoubleClicksAndMouseMovesInTwips) {
    showForm();
    auto* label = widget<QLabel>("lbl_Title");
    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_EQ(form.labelClicks, 1);
    // Through the window, as a real double click arrives: press, release, double click, release.
    QWidget* window = fe.window(form);
    QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {}, label->mapTo(window, QPoint(5, 5)));
    EXPECT_EQ(form.labelDblClicks, 1);
    EXPECT_EQ(form.labelClicks, 2) << "the release that ends a double click is no further click";

    QTest::mouseMove(label, QPoint(7, 5));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.labelMoveX.empty(); }, 1000));
    EXPECT_EQ(form.labelMoveX.back(), 7 * 15);
    EXPECT_TRUE(form.formMoveX.empty()) << "a move over a control is not the form's";

    QTest::mouseMove(window, QPoint(3, 280));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.formMoveX.empty(); }, 1000));
    EXPECT_EQ(form.formMoveX.back(), 3 * 15);
}

TEST_F(FrontEndTest, ModelChangesReachTheWidgets) {
    app.deliver([&] {
        form.lbl_Title.setCaption("Bye");
        form.lbl_Title.setVisible(false);
        form.cmd_Go.setEnabled(false);
        form.cmd_Go.setLeft(1500);
        form.lst_Names.AddItem("d.jpg");
        form.lst_Names.setListIndex(3);
        form.Shape1.setFillColor(rgb(0, 0, 255));
    });
    QCoreApplication::processEvents();  // lists sync after the event
    EXPECT_EQ(widget<QLabel>("lbl_Title")->text(), "Bye");
    EXPECT_TRUE(widget<QLabel>("lbl_Title")->isHidden());
    EXPECT_FALSE(widget<QPushButton>("cmd_Go")->isEnabled());
    EXPECT_EQ(widget<QPushButton>("cmd_Go")->x(), 100);
    EXPECT_EQ(widget<QListWidget>("lst_Names")->count(), 4);
    EXPECT_EQ(widget<QListWidget>("lst_Names")->currentRow(), 3);
    EXPECT_EQ(form.listClicks, 1) << "setting the index fired Click once, the widget added none";

    // A picture: shown at its size, or scaled to the image's frame when stretched.
    auto pic = std::make_shared<const Picture>(makeTestPicture(30, 20));
    app.deliver([&] { form.img_Over.setPicture(pic); });
    QCoreApplication::processEvents();  // lists sync after the event
    EXPECT_EQ(widget<QLabel>("img_Over")->pixmap().size(), QSize(30, 20));
    form.img_Over.stretch = true;
    app.deliver([&] { form.img_Over.setPicture(std::make_shared<const Picture>(*pic)); });
    QCoreApplication::processEvents();  // lists sync after the event
    EXPECT_EQ(widget<QLabel>("img_Over")->pixmap().size(), QSize(60, 40));
    EXPECT_EQ(widget<QLabel>("img_Over")->pixmap().toImage().pixelColor(0, 0),
              QColor(pic->rgb[0], pic->rgb[1], pic->rgb[2]));
}

TEST_F(FrontEndTest, ListViewShowsRowsAndReportsClicksAndLabelEdits) {
    app.deliver([&] {
        form.ListView1.AddColumn("Name");
        form.ListView1.AddColumn("Size");
        for (const char* name : {"one", "two", "three"}) form.ListView1.AddRow(name);
        form.ListView1.setSubItem(2, 1, "2 KB");
    });
    QCoreApplication::processEvents();  // lists sync after the event
    showForm();
    auto* tree = widget<QTreeWidget>("ListView1");
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    EXPECT_EQ(tree->headerItem()->text(1), "Size");
    EXPECT_EQ(tree->topLevelItem(1)->text(1), "2 KB");

    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualItemRect(tree->topLevelItem(1)).center());
    QCoreApplication::processEvents();  // the selection is reported once Qt has settled it
    EXPECT_EQ(form.itemClicks, std::vector<int>{2});
    EXPECT_EQ(form.ListView1.selectedRows(), std::vector<int>{2});

    // The program moving the selection is no click of the user's.
    app.deliver([&] { form.ListView1.selectOnly({3}); });
    QCoreApplication::processEvents();  // lists sync after the event
    EXPECT_EQ(tree->currentItem(), tree->topLevelItem(2));
    EXPECT_TRUE(tree->topLevelItem(2)->isSelected());
    EXPECT_FALSE(tree->topLevelItem(1)->isSelected());
    EXPECT_EQ(form.itemClicks, std::vector<int>{2});

    const QHeaderView* header = tree->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    EXPECT_EQ(form.columnClicks, std::vector<int>{2});

    // A refused edit opens no editor; an accepted one hands the new text to the model.
    form.refuseEdit = 1;
    QTest::keyClick(tree, Qt::Key_F2);
    EXPECT_EQ(form.beforeEdits, 1);
    EXPECT_EQ(tree->findChild<QLineEdit*>(), nullptr);
    form.refuseEdit = 0;
    QTest::keyClick(tree, Qt::Key_F2);
    auto* editor = tree->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "deux");  // renames the selected third row
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.editedTo.empty(); }, 1000));  // committed from the loop
    EXPECT_EQ(form.editedTo, "deux");
    EXPECT_EQ(form.ListView1.row(3).text, "deux");
    QCoreApplication::processEvents();  // lists sync after the event
    EXPECT_EQ(tree->topLevelItem(2)->text(0), "deux");
}

TEST_F(FrontEndTest, WindowFollowsTheFormAndAsksItBeforeClosing) {
    QWidget* window = fe.window(form);
    form.hidesToTray = true;
    tray.present = false;
    app.deliver([&] { form.setCaption("Retitled"); });  // any change re-applies the window state
    EXPECT_EQ(window->windowTitle(), "Retitled");
    EXPECT_FALSE(window->isVisible()) << "loaded is not shown, tray or no tray";
    tray.present = true;
    showForm();
    EXPECT_TRUE(window->isVisible());
    app.deliver([&] { form.setWindowState(WindowState::Minimized); });
    EXPECT_TRUE(window->isMinimized());
    app.deliver([&] { form.setWindowState(WindowState::Normal); });
    EXPECT_FALSE(window->isMinimized());

    // Without a notification area, hiding into it minimises instead.
    tray.present = false;
    app.deliver([&] { form.Hide(); });
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    tray.present = true;
    app.deliver([&] { form.Show(); });
    app.deliver([&] { form.Hide(); });
    EXPECT_FALSE(window->isVisible());
    app.deliver([&] { form.Show(); });

    form.closeRemoved = true;
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(app.isLoaded(TestForm::kName));
    EXPECT_TRUE(window->isVisible());

    form.closeRemoved = false;
    QPointer<QWidget> gone = window;
    window->close();
    EXPECT_FALSE(app.isLoaded(TestForm::kName));
    EXPECT_TRUE(QTest::qWaitFor([&] { return gone.isNull(); }, 1000));
}

// A window the program sizes or places beyond the screen is kept within its available area, and
// its form lays it out for the size it really got; a hidden window comes back where it was.
TEST_F(FrontEndTest, WindowsStayWithinTheScreenAndComeBackWhereTheyWere) {
    QWidget* window = fe.window(form);
    const QRect area = window->screen()->availableGeometry();
    app.deliver([&] {
        form.setOuterSize(form.outerWidth() + 30000, form.outerHeight() + 30000);  // 2000 pixels more
        form.Move(-3000, 90000);
    });
    showForm();
    EXPECT_TRUE(area.contains(window->frameGeometry()))
        << "on a screen of " << area.width() << " x " << area.height();
    EXPECT_EQ(form.Width(), window->width() * 15);
    EXPECT_EQ(form.Height(), window->height() * 15);

    app.deliver([&] {
        form.setOuterSize(6000 + form.outerWidth() - form.Width(), 4500 + form.outerHeight() - form.Height());
    });
    const QPoint there = area.topLeft() + QPoint(37, 21);
    window->move(there);  // where the user put it
    app.deliver([&] { form.Hide(); });
    // Whatever places the hidden window meanwhile (a window manager places a window that comes
    // back anew, somewhere else each time) does not decide where it comes back.
    window->windowHandle()->setPosition(area.topLeft() + QPoint(200, 150));
    QCoreApplication::processEvents();
    app.deliver([&] { form.Show(); });
    EXPECT_EQ(window->pos(), there);
    EXPECT_TRUE(area.contains(window->frameGeometry()));
}

// A window that refuses a close from its frame asks for a frame without a close box, and keeps
// refusing; it stays on the screen as its flags change.
TEST_F(FrontEndTest, AWindowThatRefusesACloseFromItsFrameShowsNoCloseBox) {
    showForm();
    QWidget* window = fe.window(form);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowCloseButtonHint) << "an ordinary window has one";
    app.deliver([&] { form.refuseFrameClose(); });
    EXPECT_FALSE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowTitleHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(app.isLoaded(TestForm::kName));
}

// A disabled control looks disabled inside a panel of its own colours, which its controls take.
TEST_F(FrontEndTest, DisabledTextInAColouredPanelIsNotTheEnabledColour) {
    showForm();
    app.deliver([&] { form.lbl_Inner.setEnabled(false); });
    const QPalette& p = widget<QLabel>("lbl_Inner")->palette();
    EXPECT_EQ(p.color(QPalette::Active, QPalette::WindowText), QColor(0, 0, 0));
    const QColor disabled = p.color(QPalette::Disabled, QPalette::WindowText);
    EXPECT_GT(disabled.lightness(), 60) << "halfway to the panel's back colour";
    EXPECT_LT(disabled.lightness(), 200);
}

TEST_F(FrontEndTest, FormUnloadingFromItsOwnButtonLeavesNothingBehind) {
    bool lastGone = false;
    fe.onLastFormUnloaded = [&] { lastGone = true; };
    showForm();
    QPointer<QWidget> window = fe.window(form);
    form.cmd_Go.Click = [this] { form.Unload(); };
    QTest::mouseClick(widget<QPushButton>("cmd_Go"), Qt::LeftButton);
    EXPECT_FALSE(app.isLoaded(TestForm::kName));
    EXPECT_FALSE(lastGone) << "told from the event loop, once the unload is over";
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull() && lastGone; }, 1000));
}

// A fetch that blocks the thread (up to its time limit) finds the window the same event showed
// already on the screen and painted, not an empty frame; the program's own events wait for it.
TEST_F(FrontEndTest, AWindowShownBeforeABlockingFetchIsDrawnWhenTheFetchStarts) {
    struct Paints : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) ++count;
            return false;
        }
    } paints;
    QWidget* window = fe.window(form);
    widget<QLabel>("lbl_Title")->installEventFilter(&paints);
    struct Fetch : InternetTransfers {
        std::function<std::string()> body;
        std::string openURL(const std::string&) override { return body(); }
    } fetch;
    bool exposed = false, ticked = false, postedRan = false, postedDuring = false;
    int painted = 0;
    fetch.body = [&] {
        exposed = window->windowHandle() && window->windowHandle()->isExposed();
        painted = paints.count;
        postedDuring = postedRan;
        return std::string("12");
    };
    form.Timer1.Tick = [&] { ticked = true; };
    vbqt::DrawnFirstInternet internet(fetch, loop);
    app.deliver([&] {
        form.Timer1.setEnabled(true);
        loop.post([&] { postedRan = true; });
        form.Show();
        QThread::msleep(200);  // the timer is due while the fetch is being prepared
        internet.openURL("http://gallery/count");
    });
    EXPECT_TRUE(exposed);
    EXPECT_GT(painted, 0) << "the window's label was drawn before the fetch";
    EXPECT_FALSE(postedDuring) << "a posted event ran inside the fetching event";
    EXPECT_FALSE(ticked) << "a timer ticked inside the fetching event";
    EXPECT_TRUE(QTest::qWaitFor([&] { return postedRan; }, 1000)) << "the posted event comes afterwards";
}

TEST_F(FrontEndTest, TimerTicksThroughTheQtLoopAndStopsWhenDisabled) {
    form.Timer1.Tick = [&] {
        if (++form.ticks == 3) form.Timer1.setEnabled(false);  // from inside its own tick
    };
    app.deliver([&] { form.Timer1.setEnabled(true); });
    EXPECT_TRUE(loop.armed(form.Timer1));
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.ticks >= 3; }, 2000));
    EXPECT_FALSE(loop.armed(form.Timer1));
    QTest::qWait(100);
    EXPECT_EQ(form.ticks, 3);
}

// ---- on a real X server

class FixedForm : public Form {
public:
    static constexpr const char* kName = "FixedForm";
    explicit FixedForm(App& app) : Form(app, kName) {
        design("Fixed window", 6000, 4500);
        fixedSize = true;
    }
    void refuseFrameClose() { removeCloseFromSystemMenu(); }
};

// The Motif hints' flags, functions and decorations that matter here.
constexpr unsigned long kHasFunctions = 1, kHasDecorations = 2;
constexpr unsigned long kAll = 1, kFunctionResize = 2, kFunctionMove = 4, kFunctionMaximize = 16,
                        kFunctionClose = 32;
constexpr unsigned long kDecorationResize = 4, kDecorationTitle = 8, kDecorationMaximize = 64;

// A window of fixed size asks for neither resizing nor maximising in its Motif hints, which some
// window managers follow rather than the size hints (offering Size and Maximize in the window's
// menu), whatever else its frame offers; and it comes back where it was hidden even when the
// window manager puts it elsewhere as it maps it again.
TEST(FrontEndOnX, AFixedSizeWindowOffersNoResizeAndComesBackWhereItWasHidden) {
    // The other tests' application is offscreen, and there is one per process.
    if (QCoreApplication::instance() || ::testing::UnitTest::GetInstance()->test_to_run_count() > 1)
        GTEST_SKIP() << "needs an application of its own on X: run it alone, as ctest does";
    if (!PosixCommandRunner().available("Xvfb")) GTEST_SKIP() << "Xvfb not installed";
    // Never stopped: the application on it lives until the process ends, and the server with it.
    static auto* server = new vantry::test::Xvfb("1024x768x24");
    const std::string display = server->display();
    ASSERT_FALSE(display.empty()) << "Xvfb did not come up";
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    vbqt::test::qtApp();
    vbqt::test::MisplacingWindowManager wm(display, 7, 24);
    ASSERT_TRUE(wm.running());

    vbqt::QtLoop loop;
    vbqt::QtDialogs dialogs;
    RecordingTray tray;
    FileSystem fs;
    CollectingLogger log;
    App app{Services{&fs, &dialogs, &loop, nullptr, nullptr, nullptr, &tray, &log}};
    loop.setApp(&app);
    app.registerForm<FixedForm>();
    vbqt::QtFrontEnd fe{app};
    FixedForm& form = app.form<FixedForm>();
    QWidget* window = fe.window(form);

    auto checkHints = [&](bool closeBox) {
        SCOPED_TRACE(closeBox ? "with a close box" : "without a close box");
        const vbqt::test::MotifHints h = vbqt::test::motifHints(display, window->winId());
        ASSERT_TRUE(h.present);
        EXPECT_EQ(h.flags & (kHasFunctions | kHasDecorations), kHasFunctions | kHasDecorations);
        EXPECT_EQ(h.functions & (kAll | kFunctionResize | kFunctionMaximize), 0u) << std::hex << h.functions;
        EXPECT_EQ(h.decorations & (kAll | kDecorationResize | kDecorationMaximize), 0u) << std::hex << h.decorations;
        EXPECT_NE(h.functions & kFunctionMove, 0u);
        EXPECT_EQ(h.functions & kFunctionClose, closeBox ? kFunctionClose : 0u);
        EXPECT_NE(h.decorations & kDecorationTitle, 0u);
    };
    app.deliver([&] { form.Show(); });
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    checkHints(true);
    // New flags make the window anew: the new one says the same.
    app.deliver([&] { form.refuseFrameClose(); });
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    checkHints(false);

    const std::pair<int, int> there{60, 40};
    window->move(there.first, there.second);  // where the user put it
    ASSERT_TRUE(QTest::qWaitFor([&] { return vbqt::test::windowOrigin(display, window->winId()) == there; }, 3000));
    app.deliver([&] { form.Hide(); });
    QTest::qWait(100);
    app.deliver([&] { form.Show(); });
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return vbqt::test::windowOrigin(display, window->winId()) == there; }, 3000))
        << "at " << vbqt::test::windowOrigin(display, window->winId()).first << ","
        << vbqt::test::windowOrigin(display, window->winId()).second;
    QTest::qWait(200);  // and stays there
    EXPECT_EQ(vbqt::test::windowOrigin(display, window->winId()), there);
    EXPECT_EQ(window->pos(), QPoint(there.first, there.second));
    app.deliver([&] { form.Unload(); });
    QCoreApplication::processEvents();
}

}  // namespace
