// The address watcher's string rules, character for character, and the names built from the
// current gallery picture: which addresses count as the maker's sites, where the album and the
// picture are found, how the path is decoded, which albums take uploads, and which picture codes
// may become part of a local file name.
#include "online/address_watcher.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "online/gallery_picture.h"

using namespace vantry;
using namespace vantry::watcher;

namespace {

Hosts testHosts() {
    Hosts h;
    h.gallery = "gal.test:81";
    h.site = "site.test:82";
    h.secure = "secure.test:83";
    h.phone = "phone.test:84";
    return h;
}

TEST(SitePrefixes, AreTheSchemeWwwAndTheWholeHostName) {
    const auto p = sitePrefixes(testHosts());
    EXPECT_EQ(p[0], "http://www.gal.test:81");
    EXPECT_EQ(p[1], "http://www.site.test:82");
    EXPECT_EQ(p[2], "https://www.secure.test:83");
}

TEST(SitePrefixes, AnAddressIsOnTheSitesWhenItBeginsWithOneExactly) {
    const struct {
        const char* address;
        bool on;
    } rows[] = {
        {"http://www.gal.test:81/pelloria/gallery/index.htm", true},
        {"http://www.gal.test:81", true},
        {"http://www.gal.test:815/longer/host", true},  // anything may follow the prefix
        {"http://www.site.test:82/forum", true},
        {"https://www.secure.test:83/", true},
        {"HTTP://WWW.gal.test:81/", false},  // letter case counts
        {"http://www.GAL.test:81/", false},
        {"http://gal.test:81/", false},         // no "www."
        {"https://www.gal.test:81/", false},    // the gallery is plain http
        {"http://www.secure.test:83/", false},  // the secure host only over https
        {"http://www.gal.test:8", false},       // shorter than the prefix
        {"", false},
        {"about:blank", false},
    };
    for (const auto& r : rows) EXPECT_EQ(onSites(r.address, testHosts()), r.on) << r.address;
}

TEST(AlbumRemainder, TakesEverythingAfterTheFirstAlbumAndOneCharacter) {
    const struct {
        const char* address;
        const char* remainder;  // null: not found
    } rows[] = {
        {"http://w/index.php?album=sea%2Fboats", "sea%2Fboats"},
        {"http://w/index.php?album=sea%2Fboats%2F&pic=dawn.jpg", "sea%2Fboats%2F&pic=dawn.jpg"},
        // The first "album" anywhere counts, also inside a longer word.
        {"http://w/albums.php?album=x", ".php?album=x"},
        // The character after the word is dropped whatever it is.
        {"albumXyz", "yz"},
        // Exactly one character left after "album=": the last place looked at.
        {"album=x", "x"},
        {"http://w/?album=x", "x"},
        // "album" starting at n - 5 or later is not looked at.
        {"album=", nullptr},
        {"http://w/?album", nullptr},
        {"http://w/?xalbum=", nullptr},
        {"album", nullptr},
        {"albu", nullptr},
        {"", nullptr},
        {"http://w/?Album=x", nullptr},  // letter case counts
        {"http://w/?ALBUM=x", nullptr},
    };
    for (const auto& r : rows) {
        const auto got = albumRemainder(r.address);
        if (!r.remainder) {
            EXPECT_FALSE(got) << r.address << " gave " << got.value_or("");
        } else {
            ASSERT_TRUE(got) << r.address;
            EXPECT_EQ(*got, r.remainder) << r.address;
        }
    }
}

TEST(SplitPicture, SplitsAtTheFirstMarkerWithThreeCharactersAfterIt) {
    const struct {
        const char* remainder;
        const char* album;  // null: names no picture
        const char* picture;
    } rows[] = {
        {"sea%2Fboats%2F&pic=dawn.jpg", "sea%2Fboats", "dawn.jpg"},
        {"%2F&pic=abc", "", "abc"},  // eleven characters: the shortest that names a picture
        {"%2F&pic=ab", nullptr, nullptr},
        {"a%2F&pic=ab", nullptr, nullptr},  // a name of two characters is no picture
        {"sea%2Fboats%2F&pic=", nullptr, nullptr},
        {"sea%2Fboats", nullptr, nullptr},
        {"sea%2fboats%2f&pic=dawn.jpg", nullptr, nullptr},  // the marker's F is upper case only
        {"sea%2F&PIC=dawn.jpg", nullptr, nullptr},
        {"a%2F&pic=b%2F&pic=c.jpg", "a", "b%2F&pic=c.jpg"},  // the first marker wins
        {"", nullptr, nullptr},
    };
    for (const auto& r : rows) {
        const auto got = splitPicture(r.remainder);
        if (!r.album) {
            EXPECT_FALSE(got) << r.remainder;
        } else {
            ASSERT_TRUE(got) << r.remainder;
            EXPECT_EQ(got->album, r.album) << r.remainder;
            EXPECT_EQ(got->picture, r.picture) << r.remainder;
        }
    }
}

TEST(DecodeAlbumPath, TurnsEverySeparatorIntoASlashInEitherCase) {
    const std::pair<const char*, const char*> rows[] = {
        {"sea%2Fboats", "sea/boats"},
        {"sea%2fboats", "sea/boats"},
        {"a%2Fb%2fc%2F", "a/b/c/"},
        {"%%2F2F", "%/2F"},  // a slash made by one replacement never joins a new separator
        {"a%2", "a%2"},
        {"a%20b", "a%20b"},  // other escapes stay as they are
        {"", ""},
    };
    for (const auto& [in, out] : rows) EXPECT_EQ(decodeAlbumPath(in), out) << in;
}

// The rules as the watcher's steps state them, searching position by position and, for the
// separators, afresh from the beginning after each replacement.
std::optional<std::string> statedRemainder(const std::string& u) {
    for (std::size_t i = 0; i + 7 <= u.size(); ++i)
        if (u.compare(i, 5, "album") == 0) return u.substr(i + 6);
    return std::nullopt;
}
std::optional<std::pair<std::string, std::string>> statedSplit(const std::string& s) {
    for (std::size_t j = 0; j + 11 <= s.size(); ++j)
        if (s.compare(j, 8, "%2F&pic=") == 0) return std::pair{s.substr(0, j), s.substr(j + 8)};
    return std::nullopt;
}
std::string statedDecode(std::string s) {
    for (;;) {
        std::size_t at = 0;
        while (at + 3 <= s.size() &&
               !(s[at] == '%' && s[at + 1] == '2' && (s[at + 2] == 'F' || s[at + 2] == 'f')))
            ++at;
        if (at + 3 > s.size()) return s;
        s.replace(at, 3, "/");
    }
}

TEST(AddressWatcherRules, AgreeWithTheStatedStepsOnEveryShortText) {
    // Every text of up to seven characters from the letters the rules look at: near-misses,
    // overlaps and markers cut short at either end all occur.
    const std::string letters = "%2Ff&/";
    std::vector<std::string> texts = {""};
    for (std::size_t from = 0, length = 1; length <= 7; ++length) {
        const std::size_t to = texts.size();
        for (std::size_t k = from; k < to; ++k)
            for (const char c : letters) texts.push_back(texts[k] + c);
        from = to;
    }
    for (const std::string& t : texts) ASSERT_EQ(decodeAlbumPath(t), statedDecode(t)) << t;
    // The markers themselves, with the short texts around them.
    for (const std::string marker : {"album=", "%2F&pic="}) {
        for (std::size_t k = 0; k < texts.size(); k += 7) {
            const std::string& t = texts[k];
            for (std::size_t cut = 0; cut <= t.size(); ++cut) {
                const std::string s = t.substr(0, cut) + marker + t.substr(cut, 3);
                ASSERT_EQ(albumRemainder(s), statedRemainder(s)) << s;
                const auto split = splitPicture(s);
                const auto stated = statedSplit(s);
                ASSERT_EQ(split.has_value(), stated.has_value()) << s;
                if (split) {
                    ASSERT_EQ(std::pair(split->album, split->picture), *stated) << s;
                }
            }
        }
    }
}

TEST(AddressWatcherRules, AnAddressOfMillionsOfSeparatorsIsOnePassEach) {
    // A page may set an address of any length for itself. Searching afresh after each of three
    // million replacements would take hours; each rule is one pass over the text.
    const std::size_t n = 3000000;
    std::string address = "http://www.gal.test:81/i.php?album=";
    for (std::size_t i = 0; i < n; ++i) address += i % 2 ? "%2f" : "%2F";
    address += "%2F&pic=dawn.jpg";
    const auto remainder = albumRemainder(address);
    ASSERT_TRUE(remainder);
    const auto split = splitPicture(*remainder);
    ASSERT_TRUE(split);
    EXPECT_EQ(split->picture, "dawn.jpg");
    EXPECT_EQ(decodeAlbumPath(split->album), std::string(n, '/'));
}

TEST(UploadAllowed, EveryAlbumButThoseBeginningWithPello) {
    const std::pair<const char*, bool> rows[] = {
        {"Pello/animals", false}, {"Pello", false}, {"Pellorian", false}, {"pello/animals", true},
        {"PELLO/x", true},        {"Pell", true},   {"", true},           {"sea/Pello", true},
    };
    for (const auto& [path, allowed] : rows) EXPECT_EQ(uploadAllowed(path), allowed) << path;
}

TEST(AddressWatcherRules, TheWorkedExampleEndToEnd) {
    const auto remainder =
        albumRemainder("http://www.gal.test:81/pelloria/gallery/index.php?album=sea%2Fboats%2F&pic=dawn.jpg");
    ASSERT_TRUE(remainder);
    EXPECT_EQ(*remainder, "sea%2Fboats%2F&pic=dawn.jpg");
    const auto split = splitPicture(*remainder);
    ASSERT_TRUE(split);
    EXPECT_EQ(decodeAlbumPath(split->album), "sea/boats");
    EXPECT_EQ(split->picture, "dawn.jpg");
}

TEST(GalleryPictureNames, CodeAndExtensionFromTheFileName) {
    const struct {
        const char* file;
        const char* code;
        const char* extension;
    } rows[] = {
        {"dawn.jpg", "dawn", "jpg"}, {"a.gif", "a", "gif"}, {"x.jp", "", ".jp"},
        {"abc", "", "abc"},          {"ab", "", "ab"},      {"", "", ""},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(pictureCode(r.file), r.code) << r.file;
        EXPECT_EQ(pictureExtension(r.file), r.extension) << r.file;
    }
}

TEST(GalleryPictureNames, AddressesAreBuiltUnencoded) {
    const Hosts h = testHosts();
    const std::string picture = webSizeAddress(h, "sea/boats", "dawn", "jpg");
    EXPECT_EQ(picture, "http://www.gal.test:81/pelloria/gallery/murlo-cache/sea/boats/dawn_800.jpg");
    EXPECT_EQ(eCardAddress(h, picture),
              "http://www.site.test:82/utils/pelloria/ecards/index.php?picture="
              "http://www.gal.test:81/pelloria/gallery/murlo-cache/sea/boats/dawn_800.jpg");
    EXPECT_EQ(phoneAddress(h, picture),
              "http://phone.test:84/download/?url=http://www.gal.test:81/pelloria/gallery/murlo-cache/sea/"
              "boats/dawn_800.jpg");
    // No picture recognised yet: the "/" after the album is followed by "_800." at once.
    EXPECT_EQ(webSizeAddress(h, "", "", ""), "http://www.gal.test:81/pelloria/gallery/murlo-cache//_800.");
}

TEST(GalleryPictureNames, OnlyHarmlessCodesReachALocalPath) {
    // The code names the downloaded file; the album never reaches a local path.
    const struct {
        const char* code;
        bool usable;
    } rows[] = {
        {"dawn", true},           {"", true},
        {"cat_01", true},         {"..", false},
        {"../../.bashrc", false}, {"a..b", false},      // ".." anywhere, not only as a whole level
        {"da\\wn", false},        {"sub/dawn", false},  // a code names one file
        {"/etc/passwd", false},   {"da\nwn", false},
        {"da\twn", false},        {"da\x7fwn", false},
        {"da\x1fwn", false},      {"alba \xc3\xa8", true},  // UTF-8 is fine
    };
    for (const auto& r : rows) EXPECT_EQ(codeUsableInLocalPath(r.code), r.usable) << r.code;
    EXPECT_FALSE(codeUsableInLocalPath(std::string("da\0wn", 5))) << "a NUL is a control character";
}

}  // namespace
