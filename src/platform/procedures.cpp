#include "platform/procedures.h"

#include <map>
#include <utility>

namespace vb {

namespace {

using Table = std::map<std::pair<std::string, std::string>, Procedure>;

Table& table() {
    static Table t;
    return t;
}

}  // namespace

void registerProcedure(const std::string& form, const std::string& procedure, Procedure body) {
    table()[{form, procedure}] = std::move(body);
}

bool isProcedureRegistered(const std::string& form, const std::string& procedure) {
    return table().count({form, procedure}) != 0;
}

bool callProcedure(App& app, const std::string& form, const std::string& procedure) {
    auto it = table().find({form, procedure});
    if (it == table().end()) return false;
    // A copy: the procedure may register procedures itself (a form loading for the first time).
    const Procedure body = it->second;
    body(app);
    return true;
}

std::vector<std::string> registeredProcedures() {
    std::vector<std::string> out;
    for (const auto& [key, body] : table()) out.push_back(key.first + "." + key.second);
    return out;
}

}  // namespace vb
