// The gallery explorer's address watcher on the longest addresses a page can give itself
// (headless): one tick on a new address and on an unchanged one, and the string rules alone.
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "bench.h"
#include "online/address_watcher.h"
#include "online/my_explorer.h"
#include "platform/headless/headless.h"
#include "platform/model/app.h"
#include "shell/main_form.h"
#include "shell/program.h"

namespace {

double msSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// An album page whose album is `separators` times "%2F", as a page's history.pushState may make.
std::string longAddress(std::size_t separators) {
    std::string a = "http://www.vantry-gallery.localhost:8642/pelloria/gallery/index.php?album=";
    a.reserve(a.size() + 3 * separators);
    for (std::size_t i = 0; i < separators; ++i) a += "%2F";
    return a;
}

}  // namespace

void benchWatcher(const std::string& scratch) {
    namespace fs = std::filesystem;
    const fs::path pf = fs::path(scratch) / "watcher-program";
    fs::create_directories(pf / "img");
    withHeadlessProgram(scratch, pf, [&](vb::HeadlessPlatform& platform, vb::App& app) {
        auto& explorer = app.form<vantry::MyExplorer>();
        // 600,000 separators as met in the field; 699,050 fill the 2 MiB a browser keeps of an address.
        for (const std::size_t separators : {std::size_t(600000), std::size_t(699050)}) {
            const std::string address = longAddress(separators);
            const auto r0 = std::chrono::steady_clock::now();
            const auto remainder = vantry::watcher::albumRemainder(address);
            const auto split = vantry::watcher::splitPicture(*remainder);
            const std::string path = vantry::watcher::decodeAlbumPath(*remainder);
            const bool upload = vantry::watcher::uploadAllowed(path);
            const double rules = msSince(r0);

            platform.browsers.setLocation("MyExplorer.WebBrowser1", address);
            auto t0 = std::chrono::steady_clock::now();
            app.deliver([&] { explorer.Timer1_Timer(); });
            const double first = msSince(t0);
            double again = 1e9;
            for (int round = 0; round < 3; ++round) {
                t0 = std::chrono::steady_clock::now();
                app.deliver([&] { explorer.Timer1_Timer(); });
                again = std::min(again, msSince(t0));
            }
            std::printf(
                "address watcher, %zu-character address of %zu \"%%2F\" (headless): rules %.1f ms, "
                "tick on a new address %.1f ms, on an unchanged one best of 3 %.1f ms "
                "(goal: a few ms); path %zu characters%s%s\n",
                address.size(), separators, rules, first, again, explorer.Text2.Text().size(),
                split ? ", names a picture" : "", upload ? ", takes uploads" : "");
        }
    });
}
