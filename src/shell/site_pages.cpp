#include "shell/site_pages.h"

namespace vantry {

namespace {
// The site host the demo gallery answers for on loopback, until the hosts file is read.
constexpr const char* kSiteHost = "vantry-site.localhost:8642";
}  // namespace

std::string sitePage(vb::App&, const std::string& path) { return std::string("http://www.") + kSiteHost + path; }

void openSitePage(vb::App& app, const std::string& path) { app.programs().open(sitePage(app, path)); }

}  // namespace vantry
