// Reading the latest version out of the site's version document.
#include <gtest/gtest.h>

#include "harness.h"
#include "platform/base/error.h"
#include "shell/fresco.h"

using vantry::Fresco;
using vantry::versionInDocument;
using vantry::versionPieces;
using vantry::test::Harness;
using vantry::test::readFile;

namespace {

// The document the site serves: the version stands at characters 32 to 39.
const std::string kPrefix = "var vantry_version_number = \"";  // 29 characters
std::string document(const std::string& version) {
    return kPrefix + "v " + version + "\";\n";
}

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

// The window on a started program with the shipped English language file.
struct UpdateCheck : ::testing::Test, Harness {
    UpdateCheck() {
        put("LANGUAGE.DRV", readFile(VANTRY_TEST_DATA "/../data/LANGUAGE.DRV"));
        programs.programs["fresco.exe"] = {};
        start();
        fresco().Show();
    }
    Fresco& fresco() { return app->form<Fresco>(); }
    const std::string url = "http://www.vantry-site.localhost:8642/vantry_version_number.js";
    void answer(const std::string& doc) { platform.internet.answers[url] = doc; }
    void query() {
        app->deliver([&] { fresco().Command1_Click(); });
    }
    // The window as the state table has it: query enabled, Close shown, link shown, description.
    void expectState(bool query, bool close, bool link, const std::string& description) {
        EXPECT_EQ(fresco().Command1.Enabled(), query);
        EXPECT_EQ(fresco().cmd_Close.Visible(), close);
        EXPECT_EQ(fresco().cmd_PageProduct.Visible(), link);
        EXPECT_EQ(fresco().lbl_Description.Caption(), description);
        EXPECT_TRUE(fresco().Command2.Visible());
    }
    void expectWarning225() {
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].prompt,
                  "(225)The version check failed. Please check your connection and try again.");
        EXPECT_EQ(dialogs.shown[0].style, 48);
        dialogs.shown.clear();
    }
};

const char* kAsk = "Find out whether a newer version of Vantry is available.";
const char* kNewer = "A newer version of Vantry is available.";
const char* kLatest = "You are using the latest version of Vantry.";

TEST_F(UpdateCheck, ANewerVersionOffersTheDownloadPage) {
    expectState(true, false, false, kAsk);
    answer(document("3.5.2007"));
    query();
    EXPECT_EQ(platform.internet.fetched, std::vector<std::string>{url});
    EXPECT_EQ(fresco().lbl_RemoteVersion.Caption(), "3.5.2007");
    expectState(false, false, true, kNewer);
    EXPECT_TRUE(dialogs.shown.empty());
    app->deliver([&] { fresco().cmd_PageProduct_Click(); });
    EXPECT_EQ(programs.opened, std::vector<std::string>{"http://www.vantry-site.localhost:8642/download"});
}

TEST_F(UpdateCheck, TheSameVersionIsUpToDate) {
    answer(document("3.5.2006"));
    query();
    expectState(false, true, false, kLatest);
    app->deliver([&] { fresco().cmd_Close_Click(); });
    EXPECT_FALSE(app->isLoaded(Fresco::kName));
}

TEST_F(UpdateCheck, AFailedFetchWarnsAndTheQueryCanBeTriedAgain) {
    query();  // nothing answers
    expectWarning225();
    EXPECT_EQ(fresco().lbl_RemoteVersion.Caption(), "-");
    expectState(true, false, false, kAsk);
    answer(document("4.0.0000"));
    query();
    expectState(false, false, true, kNewer);
}

TEST_F(UpdateCheck, BadDocumentsWarnAndChangeNothingButTheShownSlice) {
    struct Row {
        std::string doc, slice;
    };
    const Row rows[] = {
        {"", ""},                                 // empty
        {std::string(31, ' ') + "3.5.", "3.5."},  // 35 characters: no revision
        {std::string(31, ' ') + "3.5", "3.5"},    // 34 characters: no revision either
        {std::string(20, ' '), ""},               // nothing at character 32
        {document("abcdefgh"), "abcdefgh"},       // letters where the version stands
        {document("3.x.2006"), "3.x.2006"},
    };
    for (const Row& r : rows) {
        answer(r.doc);
        query();
        expectWarning225();
        EXPECT_EQ(fresco().lbl_RemoteVersion.Caption(), r.slice) << r.doc;
        expectState(true, false, false, kAsk);
    }
}

TEST_F(UpdateCheck, AShortDocumentIsReadAsFarAsItGoes) {
    answer(std::string(31, ' ') + "3.5.20");  // 37 characters: the revision reads 20
    query();
    EXPECT_EQ(fresco().lbl_RemoteVersion.Caption(), "3.5.20");
    expectState(false, true, false, kLatest);
}

TEST_F(UpdateCheck, ATwoDigitMinorNumberIsComparedWhole) {
    answer(document("3.10.001"));
    query();
    expectState(false, false, true, kNewer);
}

TEST_F(UpdateCheck, AHostsFileMovesTheSite) {
    app->unload(fresco());
    put("HOSTS.CFG", "site=example.localhost:9\r\n");
    platform.internet.answers["http://www.example.localhost:9/vantry_version_number.js"] =
        document("2.9.9999");
    fresco().Show();
    query();
    expectState(false, true, false, kLatest);
}

}  // namespace
