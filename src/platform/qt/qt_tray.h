#pragma once
// The notification-area icon on Qt.
//
// Icon messages reach the program as the numbers its tray handler knows: a right click is 516,
// a double click 515. Trays that speak StatusNotifierItem never report a double click, only
// activations, so an activation is 515 as well; a second 515 within the double-click interval
// is dropped, so that one double click (which on other trays arrives as an activation and then
// a double click) restores the window once.
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

#include "platform/model/services.h"

namespace vb {
class App;
}

namespace vbqt {

class QtTray : public vb::Tray {
public:
    QtTray();
    ~QtTray() override;

    // The app that menu clicks are delivered through and icon messages posted through (its
    // event loop, so that a message never runs inside the event that was running, and waits
    // while the loop is held).
    void setApp(vb::App* app) { app_ = app; }
    // Receives 515 and 516, as a posted event of the app's loop.
    void setMessageHandler(std::function<void(int)> handler) { handler_ = std::move(handler); }

    void addIcon(const std::string& tip) override;
    void removeIcon() override;
    // Builds the menu from the model's items (captions with their "&" mnemonics, "-" a
    // separator, the default item bold, an item's named or own picture as its icon), shows it at the mouse,
    // and delivers the chosen item's Click.
    void popup(vb::Menu& menu, vb::MenuItem* defaultItem) override;
    bool available() override;

    // What the icon's activation signal calls.
    void activated(QSystemTrayIcon::ActivationReason reason);

private:
    void message(int number);

    vb::App* app_ = nullptr;
    std::function<void(int)> handler_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    std::int64_t last515_ = -1;  // monotonic ms of the last 515 delivered
};

}  // namespace vbqt
