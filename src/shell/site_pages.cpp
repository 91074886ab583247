#include "shell/site_pages.h"

#include "online/hosts.h"
#include "shell/main_form.h"

namespace vantry {

std::string sitePage(vb::App& app, const std::string& path) {
    return app.form<Main>().hosts().siteAddress(path);
}

void openSitePage(vb::App& app, const std::string& path) {
    app.programs().open(sitePage(app, path));
}

}  // namespace vantry
