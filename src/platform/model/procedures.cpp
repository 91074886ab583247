#include "platform/model/procedures.h"

#include "platform/model/app.h"

namespace vb {

void ProcedureTable::add(const std::string& form, const std::string& procedure, Procedure body) {
    table_[{form, procedure}] = std::move(body);
}

bool ProcedureTable::has(const std::string& form, const std::string& procedure) const {
    return table_.count({form, procedure}) != 0;
}

Procedure ProcedureTable::find(const std::string& form, const std::string& procedure) const {
    auto it = table_.find({form, procedure});
    return it == table_.end() ? Procedure{} : it->second;
}

std::vector<std::string> ProcedureTable::names() const {
    std::vector<std::string> out;
    for (const auto& [key, body] : table_) out.push_back(key.first + "." + key.second);
    return out;
}

void registerProcedure(App& app, const std::string& form, const std::string& procedure, Procedure body) {
    app.procedures().add(form, procedure, std::move(body));
}

bool isProcedureRegistered(const App& app, const std::string& form, const std::string& procedure) {
    return app.procedures().has(form, procedure);
}

bool callProcedure(App& app, const std::string& form, const std::string& procedure) {
    const Procedure body = app.procedures().find(form, procedure);
    if (!body) return false;
    body(app);
    return true;
}

std::vector<std::string> registeredProcedures(const App& app) { return app.procedures().names(); }

}  // namespace vb
