// The yardstick for the start-up figure: the least a Qt widgets program does to show a window
// (an application object and one empty top-level window of the main window's size).
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("Bare Qt window");
    window.resize(561, 430);
    window.show();
    return QApplication::exec();
}
