// Procedures that the start-up and the menus call at their places, whose own windows and steps
// come with the online gallery, and the plug-in launchers. Until those
// arrive they do the least that keeps the callers' promises.
#include "shell/main_form.h"

namespace vantry {

void Main::Check_SURPLEX() {}
void Main::Check_Kestrin() {}

}  // namespace vantry
