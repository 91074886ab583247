#pragma once
// A fixture for front-end tests of one small form: the program's application, a Qt loop and
// dialogs, headless files, tray and log, and the front end over a program holding the form F.
#include <gtest/gtest.h>

#include <QApplication>
#include <QString>

#include "platform/headless/headless.h"
#include "platform/model/app.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_front_end.h"
#include "platform/qt/qt_loop.h"
#include "qt_test_support.h"

namespace vbqt::test {

template <class F, class TrayT = vb::RecordingTray>
class QtFormTest : public ::testing::Test {
protected:
    QtFormTest() { loop.setApp(&app); }

    // The form's widget named name, null when the front end made none of type W.
    template <class W>
    W* widget(const char* name) {
        return fe.window(form)->template findChild<W*>(QString::fromLatin1(name));
    }

    QApplication& qt = qtApp();
    QtLoop loop;
    QtDialogs dialogs;
    TrayT tray;
    vb::FileSystem fs;
    vb::CollectingLogger log;
    vb::App app{vb::Services{&fs, &dialogs, &loop, nullptr, nullptr, nullptr, &tray, &log}};
    bool registered = (app.registerForm<F>(), true);
    QtFrontEnd fe{app};
    F& form = app.template form<F>();
};

}  // namespace vbqt::test
