#pragma once
// Public procedures that something outside the forms may call by name: the scenario runner's
// "call FORM.PROCEDURE". A form's public procedures are ordinary member functions; whoever
// registers the forms also registers, with the same program instance, the ones worth calling
// from outside:
//
//     vb::registerProcedure(app, "Main", "ImageFolder_Refresh",
//                           [](vb::App& a) { a.form<Main>().ImageFolder_Refresh(); });
//
// Each program instance (vb::App) has its own table, so two programs in one process never see
// each other's procedures; registering a name again replaces the entry.
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vb {

class App;

using Procedure = std::function<void(App&)>;

class ProcedureTable {
public:
    void add(const std::string& form, const std::string& procedure, Procedure body);
    bool has(const std::string& form, const std::string& procedure) const;
    // A copy of the entry (the body may register procedures itself), or an empty function.
    Procedure find(const std::string& form, const std::string& procedure) const;
    // "Form.Procedure" for every registered procedure, sorted.
    std::vector<std::string> names() const;

private:
    std::map<std::pair<std::string, std::string>, Procedure> table_;
};

void registerProcedure(App& app, const std::string& form, const std::string& procedure, Procedure body);

// Runs the procedure in the caller's event (touching its form loads it, as a call would) and
// returns true; returns false, running nothing, when no procedure of that name is registered.
// Failures the procedure lets out propagate to the caller.
bool callProcedure(App& app, const std::string& form, const std::string& procedure);

bool isProcedureRegistered(const App& app, const std::string& form, const std::string& procedure);

// "Form.Procedure" for every registered procedure, sorted; for listing in error reports.
std::vector<std::string> registeredProcedures(const App& app);

}  // namespace vb
