// Reading the latest version out of the site's version document.
#include <gtest/gtest.h>

#include "platform/error.h"
#include "shell/fresco.h"

using vantry::versionInDocument;
using vantry::versionPieces;

namespace {

// The document the site serves: the version stands at characters 32 to 39.
const std::string kPrefix = "var vantry_version_number = \"";  // 29 characters
std::string document(const std::string& version) { return kPrefix + "v " + version + "\";\n"; }

TEST(VersionDocument, TheVersionStandsAtCharacters32To39) {
    ASSERT_EQ(kPrefix.size() + 2, 32u - 1);
    EXPECT_EQ(versionInDocument(document("3.5.2007")), "3.5.2007");
    // A short document gives what it has from character 32 on, or nothing.
    EXPECT_EQ(versionInDocument(document("3.5")).substr(0, 3), "3.5");
    EXPECT_EQ(versionInDocument(std::string(31, 'x')), "");
    EXPECT_EQ(versionInDocument(""), "");
    EXPECT_EQ(versionInDocument(std::string(31, 'x') + "3.5.20"), "3.5.20");
}

TEST(VersionDocument, PiecesAreWholeNumbersSplitAtTheDots) {
    EXPECT_EQ(versionPieces("3.5.2006"), (std::array<int, 3>{3, 5, 2006}));
    EXPECT_EQ(versionPieces("3.10.001"), (std::array<int, 3>{3, 10, 1}));
    EXPECT_EQ(versionPieces("4.0.0000"), (std::array<int, 3>{4, 0, 0}));
    EXPECT_EQ(versionPieces("3.5.20  "), (std::array<int, 3>{3, 5, 20}));  // blanks after the number
}

TEST(VersionDocument, AnythingElseIsAnError) {
    for (const char* bad : {"", "abcdefgh", "3.5", "3.5.2006.1", "3..2006", "3.5.20a6", "3.5.-1", "3.5.1e3",
                            "3.5.0x10", "\"3.5.2006", "40000.1.", "3.5.32768"})
        EXPECT_THROW(versionPieces(bad), vb::Error) << bad;
    EXPECT_EQ(versionPieces("3.5.32767")[2], 32767);
    EXPECT_EQ(versionPieces("3.5.0032767")[2], 32767);
}

}  // namespace
