#include "shell/site_pages.h"

#include "online/hosts.h"
#include "shell/main_form.h"

namespace vantry {

std::string sitePage(vb::App& app, const std::string& path) {
    // Read at each use: the hosts file may change while the program runs.
    return readHosts(app.fs(), app.form<Main>().txt_InitDir.Text()).siteAddress(path);
}

void openSitePage(vb::App& app, const std::string& path) {
    app.programs().open(sitePage(app, path));
}

}  // namespace vantry
