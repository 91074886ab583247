#include "online/online_forms.h"

#include "online/my_ecards.h"
#include "online/my_explorer.h"
#include "online/my_upload.h"
#include "platform/procedures.h"

namespace vantry {

void registerOnlineForms(vb::App& app) {
    app.registerForm<MyExplorer>();
    app.registerForm<MyeCards>();
    app.registerForm<MyUpload>();

    using P = void (MyExplorer::*)();
    const std::pair<const char*, P> explorerProcedures[] = {
        {"Get_Language", &MyExplorer::Get_Language},
        {"Passo_01", &MyExplorer::Passo_01},
        {"Passo_02", &MyExplorer::Passo_02},
        {"Passo_03", &MyExplorer::Passo_03},
    };
    for (const auto& entry : explorerProcedures) {
        const P proc = entry.second;
        vb::registerProcedure(app, MyExplorer::kName, entry.first, [proc](vb::App& a) { (a.form<MyExplorer>().*proc)(); });
    }
    vb::registerProcedure(app, MyeCards::kName, "Get_Language", [](vb::App& a) { a.form<MyeCards>().Get_Language(); });
    vb::registerProcedure(app, MyUpload::kName, "Get_Language", [](vb::App& a) { a.form<MyUpload>().Get_Language(); });
}

}  // namespace vantry
