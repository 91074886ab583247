#pragma once
// What the libcurl services share: one-time initialisation and an easy handle set up the way all
// of them fetch. Internal to platform/curl/.
#include <curl/curl.h>

#include <memory>
#include <string>

namespace vb::curl {

struct EasyDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

// A handle for url: http and https only, redirects (to those) followed, no signals (worker
// threads), connect time bounded.
Easy makeEasy(const std::string& url, long connectTimeoutMs);

long httpStatus(CURL* c);

}  // namespace vb::curl
