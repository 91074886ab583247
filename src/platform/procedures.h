#pragma once
// Public procedures that something outside the forms may call by name: the scenario runner's
// "call FORM.PROCEDURE". A form's public procedures are ordinary member functions; whoever
// registers the forms also registers, here, the ones worth calling from outside:
//
//     vb::registerProcedure("Main", "ImageFolder_Refresh",
//                           [](vb::App& a) { a.form<Main>().ImageFolder_Refresh(); });
//
// The table maps names to code only (each entry receives the App it works on), so one table
// serves every App in the process; registering a name again replaces the entry.
#include <functional>
#include <string>
#include <vector>

namespace vb {

class App;

using Procedure = std::function<void(App&)>;

void registerProcedure(const std::string& form, const std::string& procedure, Procedure body);

// Runs the procedure in the caller's event (touching its form loads it, as a call would) and
// returns true; returns false, running nothing, when no procedure of that name is registered.
// Failures the procedure lets out propagate to the caller.
bool callProcedure(App& app, const std::string& form, const std::string& procedure);

bool isProcedureRegistered(const std::string& form, const std::string& procedure);

// "Form.Procedure" for every registered procedure, sorted; for listing in error reports.
std::vector<std::string> registeredProcedures();

}  // namespace vb
