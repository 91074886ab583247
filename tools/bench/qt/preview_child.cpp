// The Qt program itself, wired as main() wires it, with a driver on its event loop: it clicks
// picture-list rows the way the mouse does and times each click until the preview has been
// painted, with the process's peak memory over the click. Run by vantry-bench in a child
// process under Xvfb, in a program folder it prepared.
#include <malloc.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "../bench.h"
#include "platform/pictures/picture.h"
#include "platform/qt/qt_desktop.h"
#include "shell/program.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// Resident memory now and at its peak since the last reset, in MB.
double statusMb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::stod(line.substr(std::string(key).size())) / 1024.0;
    return -1;
}
// Freed memory goes back to the system first, so that the peak over the resident size counts
// all the memory a step needs, not only what it could not find among earlier frees.
double settledRss() {
    ::malloc_trim(0);
    return statusMb("VmRSS:");
}
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

template <typename T>
T* findWidget(const char* name) {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* w = top->findChild<T*>(name)) return w;
    return nullptr;
}

struct Target {
    std::string file;
    int runs;
};

class Driver : public QObject {
public:
    Driver(std::string folder, std::string small, std::vector<Target> targets)
        : folder_(std::move(folder)), small_(std::move(small)), targets_(std::move(targets)) {}

    void start() { QTimer::singleShot(100, this, [this] { waitForList(); }); }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (drawn_ && o == preview_ && e->type() == QEvent::Paint && !preview_->pixmap().isNull()) {
            auto then = std::move(drawn_);
            drawn_ = nullptr;
            // After the paint has been handled and flushed to the window.
            QTimer::singleShot(0, this, [then] { then(); });
        }
        return false;
    }

private:
    void waitForList() {
        list_ = findWidget<QTreeWidget>("ListView1");
        preview_ = findWidget<QLabel>("img_Preview");
        if (waited_++ > 300)
            return fail("the picture list did not appear (list " + std::to_string(list_ != nullptr) + ", shown " +
                        std::to_string(list_ && list_->isVisible()) + ", rows " +
                        std::to_string(list_ ? list_->topLevelItemCount() : -1) + ")");
        // The list section's button shows the list and builds it, as a user would press it.
        if (list_ && (!list_->isVisible() || list_->topLevelItemCount() == 0) && waited_ % 10 == 0)
            if (auto* b = findWidget<QAbstractButton>("CoolButton2"); b && b->isVisible()) b->click();
        if (!list_ || !preview_ || !list_->isVisible() || list_->topLevelItemCount() < 3) {
            QTimer::singleShot(100, this, [this] { waitForList(); });
            return;
        }
        preview_->installEventFilter(this);
        next();
    }

    void fail(const std::string& why) {
        std::printf("  preview benchmark failed: %s\n", why.c_str());
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible()) std::printf("  window shown: %s\n", top->windowTitle().toStdString().c_str());
        std::fflush(stdout);
        ::_exit(1);
    }

    // Mouse press and release in the middle of the row, as the window system delivers them.
    void click(const std::string& file, std::function<void()> then) {
        const auto found = list_->findItems(QString::fromStdString(file), Qt::MatchExactly);
        if (found.isEmpty()) return fail("no row " + file);
        list_->scrollToItem(found.front());
        const QPoint at = list_->visualItemRect(found.front()).center();
        drawn_ = std::move(then);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent e(type, at, list_->viewport()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(list_->viewport(), &e);
        }
    }

    // One run: the small picture first, so every timed click replaces a preview as a user's does.
    void next() {
        if (target_ == targets_.size()) return report();
        const Target& t = targets_[target_];
        click(small_, [this, t] {
            QTimer::singleShot(300, this, [this, t] {
                const double before = settledRss();
                resetPeak();
                const auto t0 = Clock::now();
                click(t.file, [this, t, t0, before] {
                    times_[target_].push_back(msSince(t0));
                    peaks_[target_].push_back(statusMb("VmHWM:") - before);
                    if (static_cast<int>(times_[target_].size()) == t.runs) ++target_;
                    QTimer::singleShot(300, this, [this] { next(); });
                });
            });
        });
    }

    void report() {
        for (std::size_t i = 0; i < targets_.size(); ++i) {
            // The list build has made the library folder current; the path does not depend on it.
            const std::string path = folder_ + "/img/" + targets_[i].file;
            std::vector<double> decode, decodePeak;
            int width = 0, height = 0;
            for (int r = 0; r < targets_[i].runs; ++r) {
                const double before = settledRss();
                resetPeak();
                const auto t0 = Clock::now();
                const vb::Picture p = vb::loadPicture(path);
                decode.push_back(msSince(t0));
                decodePeak.push_back(statusMb("VmHWM:") - before);
                width = p.width, height = p.height;
            }
            std::ifstream f(path, std::ios::binary | std::ios::ate);
            const double fileMb = static_cast<double>(f.tellg()) / (1 << 20);
            const double pictureMb = static_cast<double>(width) * height * 3 / (1 << 20);
            const double click = median(times_[i]), alone = median(decode);
            std::printf("  %dx%d JPEG: click to preview drawn %.0f ms, decoding alone %.0f ms (%.1fx, goal <= 3x); "
                        "peak memory over the click +%.0f MB, decoding alone +%.0f MB (goal < 2 x %.0f MB picture + %.1f MB file = %.0f MB)\n",
                        width, height, click, alone, click / alone, median(peaks_[i]), median(decodePeak), pictureMb, fileMb,
                        2 * pictureMb + fileMb);
        }
        std::fflush(stdout);
        ::_exit(0);
    }

    std::string folder_, small_;
    std::vector<Target> targets_;
    QTreeWidget* list_ = nullptr;
    QLabel* preview_ = nullptr;
    int waited_ = 0;
    std::size_t target_ = 0;
    std::function<void()> drawn_;
    std::vector<double> times_[8], peaks_[8];
};

}  // namespace

int previewBenchChild(const std::string& folder, char* program) {
    if (::chdir(folder.c_str()) != 0) return 1;
    Driver driver(folder, "small.jpg", {{"picture-3840x2160.jpg", 5}, {"picture-8000x8000.jpg", 3}});
    char* argv[] = {program, nullptr};
    return vbqt::runDesktopProgram(1, argv, {vantry::registerForms,
                                             [&](vb::App& app) {
                                                 vantry::startProgram(app);
                                                 driver.start();
                                             },
                                             vantry::deliverTrayMessage});
}
