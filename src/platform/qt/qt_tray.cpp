#include "platform/qt/qt_tray.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <chrono>
#include <map>

#include "platform/model/app.h"
#include "platform/model/control.h"
#include "platform/qt/qt_convert.h"
#include "platform/qt/qt_look.h"

namespace vbqt {

namespace {
std::int64_t monotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

QtTray::QtTray() = default;
QtTray::~QtTray() = default;

void QtTray::addIcon(const std::string& tip) {
    if (!icon_) {
        icon_ = std::make_unique<QSystemTrayIcon>(programIcon());
        QObject::connect(icon_.get(), &QSystemTrayIcon::activated, icon_.get(),
                         [this](QSystemTrayIcon::ActivationReason r) { activated(r); });
    }
    icon_->setToolTip(tip.empty() ? QGuiApplication::applicationDisplayName() : qs(tip));
    icon_->show();
}

void QtTray::removeIcon() {
    // Freed later: removing may be asked from a handler that the icon's own signal runs.
    if (icon_) icon_.release()->deleteLater();
}

bool QtTray::available() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTray::activated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Context:
            message(516);
            break;
        case QSystemTrayIcon::Trigger:
        case QSystemTrayIcon::DoubleClick: {
            const std::int64_t now = monotonicMs();
            if (last515_ >= 0 && now - last515_ < QApplication::doubleClickInterval()) return;
            last515_ = now;
            message(515);
            break;
        }
        default:
            break;
    }
}

void QtTray::message(int number) {
    if (!handler_) return;
    auto handler = handler_;
    if (app_)
        app_->loop().post([handler, number] { handler(number); });
    else
        handler(number);
}

void QtTray::popup(vb::Menu& menu, vb::MenuItem* defaultItem) {
    QMenu qmenu;
    std::map<QAction*, vb::MenuItem*> itemOf;
    for (vb::MenuItem* item : menu.items) {
        if (item->separator()) {
            QAction* sep = qmenu.addSeparator();
            sep->setVisible(item->Visible());
            continue;
        }
        QAction* a = qmenu.addAction(qs(item->Caption()));
        a->setEnabled(item->Enabled());
        a->setVisible(item->Visible());
        if (!item->resource.empty())
            a->setIcon(namedPicture(qs(item->resource)));
        else if (item->picture && !item->picture->empty())
            a->setIcon(QIcon(QPixmap::fromImage(toImage(*item->picture))));
        if (item == defaultItem) {
            QFont f = a->font();
            f.setBold(true);
            a->setFont(f);
        }
        itemOf[a] = item;
    }
    QAction* chosen = qmenu.exec(QCursor::pos());
    if (!chosen) return;
    vb::MenuItem* item = itemOf[chosen];
    if (app_)
        app_->deliver([item] { item->Click(); });
    else
        item->Click();
}

}  // namespace vbqt
