// The demo gallery's map: every path the online part of the program uses answers, for the right
// host, with the right kind of content.
#include <gtest/gtest.h>

#include "platform/picture.h"
#include "site.h"

using namespace gallery;

namespace {

TEST(GallerySite, EveryPathOfTheMapAnswers) {
    Site site;
    struct Row {
        HostKind host;
        const char* path;
        const char* query;
        const char* type;
    };
    const Row rows[] = {
        {HostKind::Gallery, "/pelloria/gallery/index.htm", "", "text/html"},
        {HostKind::Gallery, "/pelloria/gallery", "", "text/html"},
        {HostKind::Gallery, "/pelloria/gallery/index.php", "album=sea%2Fboats", "text/html"},
        {HostKind::Gallery, "/pelloria/gallery/index.php", "album=sea%2Fboats%2F&pic=dawn.jpg", "text/html"},
        {HostKind::Gallery, "/pelloria/gallery/murlo-cache/sea/boats/dawn_800.jpg", "", "image/jpeg"},
        {HostKind::Gallery, "/pelloria/gallery/murlo-cache/sea/boats/dawn_thumb_135.jpg", "", "image/jpeg"},
        {HostKind::Gallery, "/pelloria/gallery/murlo-albums/sea/boats/harbour.gif", "", "image/gif"},
        {HostKind::Gallery, "/pelloria/gallery/murlo-cache/mountains/alps/north/glacier_800.bmp", "",
         "image/bmp"},
        {HostKind::Gallery, "/pelloria/gallery/murlo-cache/sea/boats/_800.jpg", "", "image/jpeg"},  // "Ajpg"
        {HostKind::Gallery, "/pelloria/gallery/murlo-cache/Pellorian/coast/cliffs_thumb_135.jpg", "",
         "image/jpeg"},
        {HostKind::Gallery, "/pelloria/gallery/counter.php", "", "text/html"},
        {HostKind::Gallery, "/pelloria/gallery/portal_news.htm", "", "text/html"},
        {HostKind::Gallery, "/pelloria/gallery/forum_news.htm", "", "text/html"},
        {HostKind::Gallery, "/utils/halden/index.php", "", "text/html"},
        {HostKind::Site, "/utils/pelloria/counter/dcount/dawn_low.jpg.txt", "", "text/plain"},
        {HostKind::Site, "/utils/pelloria/counter/download.php", "id=dawn_low.jpg", "text/html"},
        {HostKind::Site, "/utils/pelloria/ecards/index.php", "picture=http://www.x/a_800.jpg", "text/html"},
        {HostKind::Site, "/forum", "", "text/html"},
        {HostKind::Site, "/forum/viewforum.php", "f=17", "text/html"},
        {HostKind::Site, "/forum/posting.php", "mode=newtopic&f=12", "text/html"},
        {HostKind::Site, "/vantry_version_number.js", "", "application/javascript"},
        {HostKind::Site, "/products/vantry/manual.htm", "", "text/html"},
        {HostKind::Phone, "/download/", "url=http://www.x/a_800.jpg", "text/html"},
    };
    for (const Row& r : rows) {
        const Answer a = site.answer(r.host, r.path, r.query);
        EXPECT_EQ(a.status, 200) << r.path << "?" << r.query;
        EXPECT_EQ(a.type.rfind(r.type, 0), 0u) << r.path << " is " << a.type;
        EXPECT_FALSE(a.body->empty()) << r.path;
    }
    // Hosts keep their own paths.
    EXPECT_EQ(site.answer(HostKind::Site, "/pelloria/gallery/index.htm", "").status, 404);
    EXPECT_EQ(site.answer(HostKind::Unknown, "/pelloria/gallery/index.htm", "").status, 404);
}

// What a request carries goes into a page as text: never as markup of its own.
TEST(GallerySite, RequestTextIsNeverMarkup) {
    Site site;
    const std::string hostile = "\"><script>alert(1)</script>";
    const std::string encoded = "%22%3E%3Cscript%3Ealert(1)%3C%2Fscript%3E";
    const Answer answers[] = {
        site.answer(HostKind::Gallery, "/pelloria/gallery/" + hostile, ""),
        site.answer(HostKind::Phone, "/download/", "url=" + encoded),
        site.answer(HostKind::Site, "/utils/pelloria/counter/download.php", "id=" + encoded),
        site.answer(HostKind::Site, "/utils/pelloria/ecards/index.php", "picture=" + encoded),
        site.answer(HostKind::Site, "/forum/viewforum.php", "f=" + encoded),
    };
    for (const Answer& a : answers) {
        EXPECT_EQ(a.body->find("<script>"), std::string::npos) << *a.body;
        EXPECT_NE(a.body->find("&quot;&gt;&lt;script&gt;"), std::string::npos) << *a.body;
    }
}

TEST(GallerySite, PicturesCoverTheCasesTheProgramMeets) {
    bool jpg = false, gif = false, bmp = false, fourChars = false, pello = false, big = false, huge = false;
    int nested = 0;
    for (const Picture& p : pictures()) {
        jpg |= p.ext == "jpg";
        gif |= p.ext == "gif";
        bmp |= p.ext == "bmp";
        fourChars |= p.name.size() == 4 && p.code.empty();
        pello |= p.album.rfind("Pello", 0) == 0;
        big |= p.ext == "bmp" && std::int64_t(p.fullWidth) * p.fullHeight * 3 >= 20'000'000;
        // The slowest picture to decode and save, yet one the program still takes.
        huge |= p.ext == "jpg" && p.fullWidth >= 8000 && p.fullHeight >= 8000 &&
                std::int64_t(p.fullWidth) * p.fullHeight <= vb::kMaxPicturePixels;
    }
    for (const std::string& a : albums()) nested += a.find('/') != std::string::npos;
    EXPECT_TRUE(jpg && gif && bmp && fourChars && pello && big && huge);
    EXPECT_GE(nested, 2);
}

TEST(GallerySite, DownloadsCountAndTheVersionStandsAtItsPlace) {
    Site site;
    const std::string count = "/utils/pelloria/counter/dcount/dawn_low.jpg.txt";
    EXPECT_EQ(*site.answer(HostKind::Site, count, "").body, "0");
    site.answer(HostKind::Site, "/utils/pelloria/counter/download.php", "id=dawn_low.jpg");
    site.answer(HostKind::Site, "/utils/pelloria/counter/download.php", "id=dawn_low.jpg");
    EXPECT_EQ(*site.answer(HostKind::Site, count, "").body, "2");
    EXPECT_EQ(*site.answer(HostKind::Site, "/utils/pelloria/counter/dcount/dawn_high.jpg.txt", "").body, "0");
    EXPECT_EQ(site.answer(HostKind::Site, "/vantry_version_number.js", "").body->substr(31, 8), "3.5.2006");
}

TEST(GallerySite, HostsAreKnownByTheirNamesWithOrWithoutWwwAndPort) {
    EXPECT_EQ(hostKind("www.vantry-gallery.localhost:8642"), HostKind::Gallery);
    EXPECT_EQ(hostKind("WWW.Vantry-Site.localhost:1"), HostKind::Site);
    EXPECT_EQ(hostKind("vantry-secure.localhost"), HostKind::Secure);
    EXPECT_EQ(hostKind("www.vantry-phone.localhost:8642"), HostKind::Phone);
    EXPECT_EQ(hostKind("127.0.0.1:8642"), HostKind::Gallery);
    EXPECT_EQ(hostKind("www.example.com"), HostKind::Unknown);
}

}  // namespace
