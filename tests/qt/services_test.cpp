// The Qt services: posted events across threads, message and input boxes, the tray icon's
// messages and its pop-up menu.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFont>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QThread>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "platform/headless/headless.h"
#include "platform/model/app.h"
#include "testkit/test_pictures.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_loop.h"
#include "platform/qt/qt_tray.h"
#include "qt_test_support.h"

namespace {

using namespace vb;

class MenuForm : public Form {
public:
    static constexpr const char* kName = "MenuForm";
    explicit MenuForm(App& app) : Form(app, kName) {
        mnuTray.items = {&mnuOpen, &mnuSep, &mnuOff, &mnuGone, &mnuQuit};
        mnuOpen.cap("&Open");
        mnuOpen.resource = "pictures";
        mnuSep.cap("-");
        mnuOff.cap("Unavailable").disabled();
        mnuGone.cap("Hidden").hidden();
        mnuQuit.cap("&Quit");
        mnuQuit.picture = std::make_shared<const Picture>(makeTestPicture(16, 16));
        mnuOpen.Click = [this] { chosen.push_back("open"); };
        mnuQuit.Click = [this] { chosen.push_back("quit"); };
    }
    Menu mnuTray{this, "mnuTray"};
    MenuItem mnuOpen{this, "mnuOpen", &mnuTray};
    MenuItem mnuSep{this, "mnuSep", &mnuTray};
    MenuItem mnuOff{this, "mnuOff", &mnuTray};
    MenuItem mnuGone{this, "mnuGone", &mnuTray};
    MenuItem mnuQuit{this, "mnuQuit", &mnuTray};
    std::vector<std::string> chosen;
};

class ServicesTest : public ::testing::Test {
protected:
    ServicesTest() {
        loop.setApp(&app);
        tray.setApp(&app);
        app.registerForm<MenuForm>();
    }
    QApplication& qt = vbqt::test::qtApp();
    vbqt::QtLoop loop;
    vbqt::QtDialogs dialogs;
    vbqt::QtTray tray;
    FileSystem fs;
    CollectingLogger log;
    App app{Services{&fs, &dialogs, &loop, nullptr, nullptr, nullptr, &tray, &log}};
};

TEST_F(ServicesTest, PostedEventsRunOnTheGuiThreadInOrderThroughTheApp) {
    std::vector<int> order;
    std::vector<QThread*> threads;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            loop.post([&, i] {
                order.push_back(i);
                threads.push_back(QThread::currentThread());
            });
        loop.post([&] { order.push_back(10); }, 10);  // a delay counted on the GUI thread
        loop.post([] { throw Error(5, "posted failure"); });
    });
    worker.join();
    loop.post([&] { order.push_back(99); }, 60);
    ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() == 5; }, 2000));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 10, 99}));
    for (QThread* t : threads) EXPECT_EQ(t, qt.thread());
    // Delivered through the app: a failure is logged and the loop goes on.
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("posted failure"), std::string::npos);
}

// Posted events and timers that fail with something other than the runtime's error stop at the
// app; one that a Qt object raises outside any model event stops at the application's notify.
TEST_F(ServicesTest, NoExceptionUnwindsThroughTheQtEventLoop) {
    bool after = false;
    loop.post([] { throw std::bad_alloc(); });
    loop.post([] { throw std::runtime_error("codec failure"); });
    loop.post([&] { after = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return after; }, 2000));
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[0], "unhandled exception: out of memory");
    EXPECT_EQ(log.lines[1], "unhandled exception: codec failure");

    struct Throwing : QObject {
        bool event(QEvent* e) override {
            if (e->type() == QEvent::User) throw std::system_error(std::make_error_code(std::errc::io_error), "raw");
            return QObject::event(e);
        }
    } object;
    auto& guarded = static_cast<vbqt::GuardedApplication&>(qt);
    CollectingLogger outside;
    guarded.setLogger(&outside);
    QCoreApplication::postEvent(&object, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&object);
    guarded.setLogger(nullptr);
    ASSERT_EQ(outside.lines.size(), 1u);
    EXPECT_NE(outside.lines[0].find("raw"), std::string::npos) << outside.lines[0];
}

TEST_F(ServicesTest, MessageBoxStyleChoosesIconButtonsAndAnswer) {
    struct Row {
        int style;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton press;
        int answer;
    };
    const Row rows[] = {
        {mb::OKOnly, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok, mb::OK},
        {mb::OKOnly | mb::Critical, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok, mb::OK},
        {mb::YesNo | mb::Question, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
         QMessageBox::Yes, mb::Yes},
        {mb::YesNo | mb::Exclamation, QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No,
         QMessageBox::No, mb::No},
        {mb::OKOnly | mb::Information, QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok, mb::OK},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.style);
        bool seen = false;
        vbqt::test::whenModalShown(
            [&](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                ASSERT_NE(box, nullptr);
                EXPECT_EQ(box->windowTitle(), "Vantry");
                EXPECT_EQ(box->text(), "Proceed?");
                EXPECT_EQ(box->icon(), r.icon);
                EXPECT_EQ(box->standardButtons(), r.buttons);
                box->button(r.press)->click();
            },
            &seen);
        EXPECT_EQ(dialogs.MsgBox("Proceed?", r.style, "Vantry"), r.answer);
        EXPECT_TRUE(seen);
    }
}

TEST_F(ServicesTest, DialogsSurviveTheirParentGoingAway) {
    auto* parent = new QWidget;
    parent->show();
    QApplication::setActiveWindow(parent);
    ASSERT_EQ(QApplication::activeWindow(), parent);
    vbqt::test::whenModalShown([&](QWidget* box) {
        EXPECT_EQ(box->parentWidget(), parent);
        delete parent;  // as a timer unloading the form would
    });
    EXPECT_EQ(dialogs.MsgBox("Still there?", mb::YesNo, "t"), mb::No);

    vbqt::test::whenModalShown([](QWidget* w) {
        auto* input = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(input->labelText(), "Name?");
        EXPECT_EQ(input->textValue(), "old");
        input->setTextValue("new");
        input->accept();
    });
    EXPECT_EQ(dialogs.InputBox("Name?", "t", "old"), std::optional<std::string>("new"));
    vbqt::test::whenModalShown([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(dialogs.InputBox("Name?", "t", "old"), std::nullopt);
}

TEST_F(ServicesTest, TrayActivationsBecomeMessagesWithOneRestorePerDoubleClick) {
    std::vector<int> messages;
    tray.setMessageHandler([&](int m) { messages.push_back(m); });
    QApplication::setDoubleClickInterval(100);
    tray.activated(QSystemTrayIcon::Context);
    tray.activated(QSystemTrayIcon::Trigger);
    tray.activated(QSystemTrayIcon::DoubleClick);  // the same double click, reported again
    QCoreApplication::processEvents();
    EXPECT_EQ(messages, (std::vector<int>{516, 515}));
    QTest::qWait(150);
    tray.activated(QSystemTrayIcon::Trigger);
    QCoreApplication::processEvents();
    EXPECT_EQ(messages, (std::vector<int>{516, 515, 515}));
    QApplication::setDoubleClickInterval(400);
}

// An activation reaches the program through the event loop, as its other events do, never from
// inside the event that is running: a hold (the one before a blocking fetch) keeps it waiting,
// and it runs once the hold goes.
TEST_F(ServicesTest, TrayActivationsWaitForTheLoopAndItsHolds) {
    std::vector<int> messages;
    tray.setMessageHandler([&](int m) { messages.push_back(m); });
    tray.activated(QSystemTrayIcon::Context);
    EXPECT_TRUE(messages.empty()) << "run from inside the signal";
    QCoreApplication::processEvents();
    EXPECT_EQ(messages, std::vector<int>{516});
    {
        const vbqt::QtLoop::Hold hold(loop);
        tray.activated(QSystemTrayIcon::Context);
        QCoreApplication::processEvents();
        EXPECT_EQ(messages, std::vector<int>{516}) << "run while the loop is held";
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages.size() == 2; }, 2000));
    EXPECT_EQ(messages, (std::vector<int>{516, 516}));
}

TEST_F(ServicesTest, TrayMenuShowsTheModelsItemsAndDeliversTheChoice) {
    auto& form = app.form<MenuForm>();
    vbqt::test::whenShown([] { return QApplication::activePopupWidget(); },
                          [](QWidget* w) {
                              auto* menu = qobject_cast<QMenu*>(w);
                              ASSERT_NE(menu, nullptr);
                              const QList<QAction*> a = menu->actions();
                              ASSERT_EQ(a.size(), 5);
                              EXPECT_EQ(a[0]->text(), "&Open");
                              EXPECT_TRUE(a[1]->isSeparator());
                              EXPECT_FALSE(a[2]->isEnabled());
                              EXPECT_FALSE(a[3]->isVisible());
                              EXPECT_TRUE(a[4]->font().bold()) << "the default item";
                              EXPECT_FALSE(a[0]->font().bold());
                              EXPECT_FALSE(a[0]->icon().isNull()) << "a named picture";
                              EXPECT_FALSE(a[4]->icon().isNull()) << "a picture of its own";
                              EXPECT_TRUE(a[2]->icon().isNull());
                              menu->setActiveAction(a[4]);
                              QTest::keyClick(menu, Qt::Key_Return);
                          });
    app.deliver([&] { tray.popup(form.mnuTray, &form.mnuQuit); });
    EXPECT_EQ(form.chosen, std::vector<std::string>{"quit"});
}

}  // namespace
