// Vantry: started with its program folder as the current directory.
#include "platform/qt/qt_desktop.h"
#include "shell/program.h"

int main(int argc, char** argv) {
    return vbqt::runDesktopProgram(argc, argv,
                                   {vantry::registerForms, vantry::startProgram, vantry::deliverTrayMessage});
}
