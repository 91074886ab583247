#pragma once
// Wiring the program's forms into a registry and starting it the way the real program starts:
// the main window is the start-up object, so it is loaded (its load runs the whole start-up
// sequence) and then shown.
#include "platform/model/app.h"

namespace vantry {

// Registers every form of the program with the registry.
void registerForms(vb::App& app);

// Starts the program: loads and shows the main window, as one event.
void startProgram(vb::App& app);

// Delivers a message of the tray icon (515 double click, 516 right click) to the main window's
// mouse-move handler, with the message number as X in twips.
void deliverTrayMessage(vb::App& app, int message);

}  // namespace vantry
