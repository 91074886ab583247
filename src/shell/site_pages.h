#pragma once
// Pages of the maker's site that the program's links open in the user's own browser.
#include <string>

#include "platform/model/app.h"

namespace vantry {

// The page's address: "http://www." followed by the site host in effect and the path.
std::string sitePage(vb::App& app, const std::string& path);

// Hands the page's address to the desktop's opener and returns without waiting for it.
void openSitePage(vb::App& app, const std::string& path);

}  // namespace vantry
