#include "shell/program.h"

#include "shell/main_form.h"
#include "shell/splash.h"
#include "shell/start_form.h"
#include "shell/version.h"

namespace vantry {

void registerForms(vb::App& app) {
    app.registerForm<Main>();
    app.registerForm<StartForm>();
    app.registerForm<Splash>();
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
