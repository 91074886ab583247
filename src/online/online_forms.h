#pragma once
// Registers the online gallery's windows, and their public procedures that something outside
// the forms may call by name, with a program instance.
#include "platform/model/app.h"

namespace vantry {

void registerOnlineForms(vb::App& app);

}  // namespace vantry
