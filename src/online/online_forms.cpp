#include "online/online_forms.h"

#include "online/download_wizard.h"
#include "online/my_ecards.h"
#include "online/my_explorer.h"
#include "online/my_upload.h"
#include "platform/model/procedures.h"
#include "shell/main_form.h"

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
        vb::registerProcedure(app, MyExplorer::kName, entry.first,
                              [proc = proc](vb::App& a) { (a.form<MyExplorer>().*proc)(); });
    }
    vb::registerProcedure(app, MyeCards::kName, "Get_Language",
                          [](vb::App& a) { a.form<MyeCards>().Get_Language(); });
    vb::registerProcedure(app, MyUpload::kName, "Get_Language",
                          [](vb::App& a) { a.form<MyUpload>().Get_Language(); });

    // The download wizard and the main window's download procedures.
    app.registerForm<Download_Wizard>();
    using W = void (Download_Wizard::*)();
    const std::pair<const char*, W> wizardProcedures[] = {
        {"Prepara_Anteprima_Thumbnail", &Download_Wizard::Prepara_Anteprima_Thumbnail},
        {"Get_Language", &Download_Wizard::Get_Language},
        {"Get_File_Details", &Download_Wizard::Get_File_Details},
    };
    for (const auto& [name, proc] : wizardProcedures)
        vb::registerProcedure(app, Download_Wizard::kName, name,
                              [proc = proc](vb::App& a) { (a.form<Download_Wizard>().*proc)(); });
    using M = void (Main::*)();
    const std::pair<const char*, M> mainProcedures[] = {
        {"Get_ImageFile", &Main::Get_ImageFile},
        {"Get_LastDownloaded", &Main::Get_LastDownloaded},
        {"Start_Pelloria", &Main::Start_Pelloria},
    };
    for (const auto& [name, proc] : mainProcedures)
        vb::registerProcedure(app, Main::kName, name, [proc = proc](vb::App& a) { (a.form<Main>().*proc)(); });
}

}  // namespace vantry
