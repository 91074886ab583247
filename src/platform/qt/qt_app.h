#pragma once
// Running the program on Qt. main() wires it like this:
//
//     QApplication qapp(argc, argv);
//     vbqt::QtLoop loop;  vbqt::QtDialogs dialogs;  vbqt::QtTray tray;
//     ... the other services ...
//     vb::App app(services);            // services point at loop, dialogs, tray
//     loop.setApp(&app);
//     tray.setApp(&app);
//     tray.setMessageHandler([&](int message) { vantry::deliverTrayMessage(app, message); });
//     vantry::registerForms(app);
//     return vbqt::runQtProgram(app, [&] { vantry::startProgram(app); });
//
// The services are declared before the App so that they outlive it (its timers disarm through
// the loop as the forms go).
#include <functional>

namespace vb {
class App;
}

namespace vbqt {

// Applies the program's look, puts a front end on the app, runs start as one event and then
// the event loop, until the program ends (App::end, or the last form unloaded). Returns the exit
// code. A QApplication must exist.
int runQtProgram(vb::App& app, const std::function<void()>& start);

}  // namespace vbqt
