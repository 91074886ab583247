#include "shell/program.h"

#include "localisation/language_chooser.h"
#include "platform/model/procedures.h"

#include "library/add_images_form.h"
#include "online/online_forms.h"
#include "shell/about.h"
#include "shell/fresco.h"
#include "shell/main_form.h"
#include "shell/splash.h"
#include "shell/start_form.h"
#include "shell/version.h"

namespace vantry {

void registerForms(vb::App& app) {
    app.registerForm<Main>();
    app.registerForm<StartForm>();
    app.registerForm<Splash>();
    app.registerForm<Add_Images>();
    app.registerForm<About>();
    app.registerForm<Fresco>();
    registerOnlineForms(app);

    // The public procedures other windows call, reachable by name from outside the forms.
    using P = void (Main::*)();
    const std::pair<const char*, P> mainProcedures[] = {
        {"ImageFolder_Refresh", &Main::ImageFolder_Refresh},
        {"Check_TrayFlag", &Main::Check_TrayFlag},
        {"Check_ADSLFlag", &Main::Check_ADSLFlag},
        {"Check_AutoFresco", &Main::Check_AutoFresco},
        {"Check_News", &Main::Check_News},
        {"Check_StartTimer", &Main::Check_StartTimer},
        {"Set_DeafultPath", &Main::Set_DeafultPath},
        {"Auto_ReFresco", &Main::Auto_ReFresco},
        {"Set_Language", &Main::Set_Language},
        {"Get_Language", &Main::Get_Language},
        {"Check_Set_InternetConnection", &Main::Check_Set_InternetConnection},
        {"Close_Program", &Main::Close_Program},
        {"FileBox_Click", &Main::FileBox_Click},
        {"Save_Wallpaper", &Main::Save_Wallpaper},
        {"Put_Wallpaper", &Main::Put_Wallpaper},
        {"Get_WinDir", &Main::Get_WinDir},
        {"Get_Screen_Resolution", &Main::Get_Screen_Resolution},
        {"Put_Wallpaper_Random", &Main::Put_Wallpaper_Random},
        {"Reset_Controls", &Main::Reset_Controls},
        {"Check_ApplyRandomFlag", &Main::Check_ApplyRandomFlag},
        {"InternetConnectionExists", &Main::InternetConnectionExists},
    };
    for (const auto& entry : mainProcedures) {
        const P proc = entry.second;
        vb::registerProcedure(app, Main::kName, entry.first, [proc](vb::App& a) { (a.form<Main>().*proc)(); });
    }
    vb::registerProcedure(app, Splash::kName, "TrayIcon_Add", [](vb::App& a) { a.form<Splash>().TrayIcon_Add(); });
    vb::registerProcedure(app, Splash::kName, "Get_Language", [](vb::App& a) { a.form<Splash>().Get_Language(); });
    vb::registerProcedure(app, Add_Images::kName, "FileBox_Click",
                          [](vb::App& a) { a.form<Add_Images>().FileBox_Click(); });
    vb::registerProcedure(app, About::kName, "Get_Language", [](vb::App& a) { a.form<About>().Get_Language(); });
    vb::registerProcedure(app, Fresco::kName, "Get_Language", [](vb::App& a) { a.form<Fresco>().Get_Language(); });
    vb::registerProcedure(app, Fresco::kName, "Compare_Versions",
                          [](vb::App& a) { a.form<Fresco>().Compare_Versions(); });
    vb::registerProcedure(app, StartForm::kName, "Open_External_Images",
                          [](vb::App& a) { a.form<StartForm>().Open_External_Images(); });

    // The language chooser.
    app.registerForm<Language>();
    vb::registerProcedure(app, Language::kName, "Get_Language", [](vb::App& a) { a.form<Language>().Get_Language(); });
    vb::registerProcedure(app, Language::kName, "Get_Flag", [](vb::App& a) { a.form<Language>().Get_Flag(); });
    vb::registerProcedure(app, Language::kName, "Change_Language",
                          [](vb::App& a) { a.form<Language>().Change_Language(); });
}

void startProgram(vb::App& app) {
    app.deliver([&] { app.form<Main>().Show(); });
}

void deliverTrayMessage(vb::App& app, int message) {
    app.deliver([&] {
        app.form<Main>().Form_MouseMove(0, 0, float(message * kTwipsPerPixel), 0.0f);
    });
}

}  // namespace vantry
