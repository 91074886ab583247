// The demo gallery's map: every path the online part of the program uses answers, for the right
// host, with the right kind of content; and the server itself, as any client may meet it.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "../unit/harness.h"
#include "gallery_fixture.h"
#include "platform/pictures/picture.h"
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

TEST(GallerySite, CountersAreKeptForTheGallerysPicturesOnly) {
    // Every made-up id once kept a counter of its own, reading one as well: memory without end.
    Site site;
    for (int i = 0; i < 2000; ++i) {
        const std::string id = "made-up-" + std::to_string(i) + "_low.jpg";
        site.answer(HostKind::Site, "/utils/pelloria/counter/dcount/" + id + ".txt", "");
        EXPECT_EQ(site.answer(HostKind::Site, "/utils/pelloria/counter/download.php", "id=" + id).status,
                  200);
    }
    EXPECT_EQ(site.counters(), 0u);
    EXPECT_EQ(*site.answer(HostKind::Site, "/utils/pelloria/counter/dcount/made-up-1_low.jpg.txt", "").body,
              "0");
    // Each picture counts in both resolutions, the one whose name leaves an empty code too.
    for (const Picture& p : pictures())
        for (const char* resolution : {"_low.jpg", "_high.jpg"})
            site.answer(HostKind::Site, "/utils/pelloria/counter/download.php", "id=" + p.code + resolution);
    EXPECT_EQ(site.downloads("_high.jpg"), 1);
    EXPECT_EQ(site.downloads("dawn_low.jpg"), 1);
    EXPECT_LE(site.counters(), 2 * pictures().size());
}

// A connection to the port on loopback whose reads wait at most deadlineMs; -1 when refused.
int connectLoopback(int port, int deadlineMs = 5000) {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout{deadlineMs / 1000, (deadlineMs % 1000) * 1000};
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return s;
    ::close(s);
    return -1;
}

// One request on a connection of its own, as a client that may send anything; the whole answer,
// or what came within the deadline, or its first `limit` bytes.
std::string rawRequest(int port, const std::string& request, int deadlineMs = 5000,
                       std::size_t limit = std::string::npos) {
    const int s = connectLoopback(port, deadlineMs);
    std::string answer;
    if (s >= 0 && ::send(s, request.data(), request.size(), MSG_NOSIGNAL) == ssize_t(request.size())) {
        char buffer[65536];
        for (ssize_t n; answer.size() < limit && (n = ::recv(s, buffer, sizeof buffer, 0)) > 0;)
            answer.append(buffer, std::size_t(n));
    }
    if (s >= 0) ::close(s);
    return answer;
}

struct RawAnswer {
    std::string statusLine, contentRange, contentLength, contentType, body;
};

RawAnswer get(int port, const std::string& path, const std::string& range = "",
              std::size_t limit = std::string::npos) {
    const std::string raw = rawRequest(port,
                                       "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                                           (range.empty() ? "" : "Range: bytes=" + range + "\r\n") +
                                           "Connection: close\r\n\r\n",
                                       5000, limit);
    RawAnswer r;
    const auto end = raw.find("\r\n\r\n");
    if (end == std::string::npos) return r;
    r.body = raw.substr(end + 4);
    std::size_t at = raw.find("\r\n");
    r.statusLine = raw.substr(0, at);
    while (at < end) {
        const std::size_t next = raw.find("\r\n", at + 2);
        const std::string line = raw.substr(at + 2, next - at - 2);
        for (auto [name, value] :
             {std::pair{"Content-Range: ", &r.contentRange}, std::pair{"Content-Length: ", &r.contentLength},
              std::pair{"Content-Type: ", &r.contentType}})
            if (line.rfind(name, 0) == 0) *value = line.substr(std::string(name).size());
        at = next;
    }
    return r;
}

TEST(GalleryServer, RangesAreFittedToThePictureAndOnesPastItAnswer416) {
    vantry::test::TempDir logDir;
    vantry::test::Gallery g(logDir / "gallery.log");
    ASSERT_GT(g.port(), 0);
    const std::string path = "/pelloria/gallery/murlo-cache/sea/boats/dawn_800.jpg";
    const std::string whole = get(g.port(), path).body;
    const std::size_t n = whole.size();
    ASSERT_GT(n, 1000u);
    const std::string size = std::to_string(n);
    const struct {
        std::string range;
        std::size_t first, last;  // the bytes sent
    } rows[] = {
        {"100-199", 100, 199},
        {std::to_string(n - 10) + "-" + std::to_string(n + 100000), n - 10, n - 1},  // past the end: to it
        {"500-", 500, n - 1},
        {"-5", n - 5, n - 1},
        {"-" + std::to_string(n + 7), 0, n - 1},
    };
    for (const auto& r : rows) {
        const RawAnswer a = get(g.port(), path, r.range);
        EXPECT_EQ(a.statusLine, "HTTP/1.1 206 Partial Content") << r.range;
        EXPECT_EQ(a.contentRange,
                  "bytes " + std::to_string(r.first) + "-" + std::to_string(r.last) + "/" + size)
            << r.range;
        EXPECT_EQ(a.contentLength, std::to_string(r.last - r.first + 1)) << r.range;
        EXPECT_TRUE(a.body == whole.substr(r.first, r.last - r.first + 1)) << r.range;
    }
    for (const std::string& range :
         {size + "-", std::to_string(n + 100000) + "-" + std::to_string(n + 200000)}) {
        const RawAnswer a = get(g.port(), path, range);
        EXPECT_EQ(a.statusLine, "HTTP/1.1 416 Range Not Satisfiable") << range;
        EXPECT_EQ(a.contentRange, "bytes */" + size) << range;
        EXPECT_EQ(a.body, "") << range;
    }
    // A range applies to documents, never to an error page.
    const RawAnswer missing = get(g.port(), "/nothing.htm", "5-10");
    EXPECT_EQ(missing.statusLine, "HTTP/1.1 404 Not Found");
    EXPECT_GT(missing.body.size(), 6u);
    // Every answer came to its end, so the server is as free as before.
    EXPECT_EQ(get(g.port(), path).body.size(), n);
}

TEST(GalleryServer, OverlappingRangesMergeAndManyRangesGetTheWholeBody) {
    vantry::test::TempDir logDir;
    vantry::test::Gallery g(logDir / "gallery.log");
    ASSERT_GT(g.port(), 0);
    const std::string path = "/pelloria/gallery/murlo-cache/sea/boats/dawn_800.jpg";
    const std::string whole = get(g.port(), path).body;
    const std::size_t n = whole.size();
    ASSERT_GT(n, 1000u);
    const std::string size = std::to_string(n);

    // Overlapping and adjacent ranges, in any order, are one range.
    for (const char* range : {"100-199,150-299,300-399", "300-399,100-299", "100-399,200-250"}) {
        const RawAnswer a = get(g.port(), path, range);
        EXPECT_EQ(a.statusLine, "HTTP/1.1 206 Partial Content") << range;
        EXPECT_EQ(a.contentRange, "bytes 100-399/" + size) << range;
        EXPECT_TRUE(a.body == whole.substr(100, 300)) << range;
    }

    // Separate ranges, up to a few, are parts of their own.
    std::string eight;
    for (int i = 0; i < 8; ++i) eight += (i ? "," : "") + std::to_string(i * 100) + "-" + std::to_string(i * 100 + 9);
    const RawAnswer parts = get(g.port(), path, eight);
    EXPECT_EQ(parts.statusLine, "HTTP/1.1 206 Partial Content");
    EXPECT_EQ(parts.contentType.rfind("multipart/byteranges", 0), 0u) << parts.contentType;
    for (int i = 0; i < 8; ++i) {
        const std::string first = std::to_string(i * 100), last = std::to_string(i * 100 + 9);
        EXPECT_NE(parts.body.find("Content-Range: bytes " + first + "-" + last + "/" + size + "\r\n\r\n" +
                                  whole.substr(std::size_t(i) * 100, 10)),
                  std::string::npos)
            << i;
    }

    // 2,600 times "0-" once offered 2,600 bodies: they are one range, the body once.
    std::string many = "0-";
    for (int i = 1; i < 2600; ++i) many += ",0-";
    const RawAnswer once = get(g.port(), path, many, 2 * n + 65536);
    EXPECT_EQ(once.statusLine, "HTTP/1.1 206 Partial Content");
    EXPECT_EQ(once.contentRange, "bytes 0-" + std::to_string(n - 1) + "/" + size);
    EXPECT_EQ(once.contentLength, size);
    EXPECT_TRUE(once.body == whole);

    // Past a few separate ranges the answer is the whole body, as if none were asked.
    std::string small;
    for (int i = 0; i < 600; ++i) small += (i ? "," : "") + std::to_string(2 * i) + "-" + std::to_string(2 * i);
    for (const std::string& range : {eight + ",900-909", small}) {
        const RawAnswer a = get(g.port(), path, range, 2 * n + 65536);
        EXPECT_EQ(a.statusLine, "HTTP/1.1 200 OK") << range.substr(0, 40);
        EXPECT_EQ(a.contentLength, size) << range.substr(0, 40);
        EXPECT_TRUE(a.body == whole) << range.substr(0, 40);
    }
}

TEST(GalleryServer, ClientsSendingTheirHeadSlowlyDoNotLockOthersOut) {
    vantry::test::TempDir logDir;
    vantry::test::Gallery g(logDir / "gallery.log");
    ASSERT_GT(g.port(), 0);
    // More such clients than the server once had workers, each sending a header line well
    // within the time the server waits for a read, so each keeps the worker it has.
    std::vector<int> slow;
    for (int i = 0; i < 32; ++i) {
        const int s = connectLoopback(g.port());
        ASSERT_GE(s, 0);
        slow.push_back(s);
        const std::string line = "GET /pelloria/gallery/index.htm HTTP/1.1\r\n";
        ::send(s, line.data(), line.size(), MSG_NOSIGNAL);
        // The server's queue of connections not yet taken is short; one dropped waits a second.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::atomic<bool> answered{false};
    std::thread dribble([&] {
        for (int round = 0; round < 50 && !answered; ++round) {  // 10 s at most
            for (const int s : slow) ::send(s, "X-Slow: 1\r\n", 11, MSG_NOSIGNAL);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });
    // Answered at once now; locked out for as long as the slow clients go on before.
    const RawAnswer a = get(g.port(), "/pelloria/gallery/index.htm");
    answered = true;
    dribble.join();
    for (const int s : slow) ::close(s);
    EXPECT_EQ(a.statusLine, "HTTP/1.1 200 OK");
}

TEST(GalleryServer, AClientSilentInTheMiddleOfItsHeadIsLetGo) {
    vantry::test::TempDir logDir;
    vantry::test::Gallery g(logDir / "gallery.log");
    ASSERT_GT(g.port(), 0);
    // The server waits a second for the rest; the client gives it four.
    const std::string answer =
        rawRequest(g.port(), "GET /pelloria/gallery/index.htm HTTP/1.1\r\nHost: 127.0.0.1\r\n", 4000, 12);
    EXPECT_EQ(answer.substr(0, 12), "HTTP/1.1 400");
}

TEST(GalleryServer, TheLogCarriesRequestTextWithoutControlCharacters) {
    vantry::test::TempDir logDir;
    vantry::test::Gallery g(logDir / "gallery.log");
    ASSERT_GT(g.port(), 0);
    rawRequest(g.port(),
               "GET /x\x1b[2J\x9b"
               "31m\\y HTTP/1.1\r\nHost: a\x1b]0;title\x07 b\r\nConnection: close\r\n\r\n");
    g.stop();
    const auto lines = g.log();
    ASSERT_EQ(lines.size(), 1u);
    for (const char c : lines[0]) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << int(c);
    const std::string escaped = "GET a\\x1b]0;title\\x07\\x20b /x\\x1b[2J\\x9b31m\\x5cy 404 ";
    EXPECT_EQ(lines[0].substr(0, escaped.size()), escaped);
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
