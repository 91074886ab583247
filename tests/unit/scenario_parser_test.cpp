// Reading scenario files: the lexer's words, escapes and placeholders, the step grammar, and
// faulty lines reported with their line (and column) numbers. Then what the runner builds on:
// the picture files it writes, the user's reach, and how it shows what it saw.
#include <gtest/gtest.h>

#include <algorithm>

#include "library/img_inf.h"
#include "platform/app.h"
#include "platform/control.h"
#include "platform/error.h"
#include "platform/form.h"
#include "platform/picture.h"
#include "testkit/test_pictures.h"
#include "platform/procedures.h"
#include "testkit/scenario_lexer.h"
#include "testkit/scenario_support.h"

using namespace vb::scenario;

namespace {

const Placeholders kPh{"/t/root/pf", "/t/win", "/t/root"};

std::vector<std::string> words(std::string_view line, const Placeholders& ph = kPh) {
    SyntaxError e;
    auto tokens = lexLine(line, ph, e);
    EXPECT_TRUE(tokens.has_value()) << line << ": " << e.message;
    std::vector<std::string> out;
    if (tokens)
        for (const Token& t : *tokens) out.push_back(t.text);
    return out;
}

SyntaxError lexFault(std::string_view line) {
    SyntaxError e;
    EXPECT_FALSE(lexLine(line, kPh, e).has_value()) << line;
    return e;
}

Step step(std::string_view line) {
    const Parsed p = parseScenario(line, kPh);
    EXPECT_TRUE(p.errors.empty()) << line << ": " << (p.errors.empty() ? "" : p.errors[0].message);
    EXPECT_EQ(p.steps.size(), 1u) << line;
    return p.steps.empty() ? Step{} : p.steps[0];
}

SyntaxError fault(std::string_view line) {
    const Parsed p = parseScenario(line, kPh);
    EXPECT_EQ(p.errors.size(), 1u) << line;
    EXPECT_TRUE(p.steps.empty()) << line;
    return p.errors.empty() ? SyntaxError{} : p.errors[0];
}

using Strings = std::vector<std::string>;

// ---- lexer

TEST(ScenarioLexer, SplitsOnSpacesAndTabsAndRecordsColumns) {
    SyntaxError e;
    auto t = lexLine("  click\tMain.cmd_Save   row 2", kPh, e);
    ASSERT_TRUE(t);
    ASSERT_EQ(t->size(), 4u);
    EXPECT_EQ((*t)[0].text, "click");
    EXPECT_EQ((*t)[0].column, 3);
    EXPECT_EQ((*t)[1].text, "Main.cmd_Save");
    EXPECT_EQ((*t)[1].column, 9);
    EXPECT_EQ((*t)[3].column, 29);
    EXPECT_FALSE((*t)[1].quoted);
}

TEST(ScenarioLexer, QuotedEscapes) {
    EXPECT_EQ(words(R"("a \"b\" c")"), Strings{"a \"b\" c"});
    EXPECT_EQ(words(R"("back\\slash")"), Strings{"back\\slash"});
    EXPECT_EQ(words(R"("\r\n\t")"), Strings{"\r\n\t"});
    EXPECT_EQ(words(R"("\x41\x7a\xFF\x00")"), (Strings{std::string("Az\xFF\0", 4)}));
    EXPECT_EQ(words(R"("" x "")"), (Strings{"", "x", ""}));
    // Blanks inside quotes belong to the value.
    EXPECT_EQ(words("\"  two  words \""), Strings{"  two  words "});
}

TEST(ScenarioLexer, QuotedWordsAreMarked) {
    SyntaxError e;
    auto t = lexLine(R"(rows "rows")", kPh, e);
    ASSERT_TRUE(t);
    EXPECT_FALSE((*t)[0].quoted);
    EXPECT_TRUE((*t)[1].quoted);
    EXPECT_EQ((*t)[1].text, "rows");
}

TEST(ScenarioLexer, BareWordsKeepBackslashes) {
    EXPECT_EQ(words(R"(lang\English\x41)"), Strings{R"(lang\English\x41)"});
}

TEST(ScenarioLexer, PlaceholdersInBareAndQuotedWords) {
    EXPECT_EQ(words("<pf>/RANDOM.CFG <windir> <root>/VANTRY.DIR"),
              (Strings{"/t/root/pf/RANDOM.CFG", "/t/win", "/t/root/VANTRY.DIR"}));
    EXPECT_EQ(words(R"("<pf>" "Folder=<pf>\\lang" "<root><windir>")"),
              (Strings{"/t/root/pf", "Folder=/t/root/pf\\lang", "/t/root/t/win"}));
}

TEST(ScenarioLexer, EscapedOrUnknownPlaceholdersStayAsWritten) {
    // An escape is the way to write the placeholder's own text.
    EXPECT_EQ(words(R"("\x3cpf>")"), Strings{"<pf>"});
    EXPECT_EQ(words("<PF> <pf <foo> a<b>"), (Strings{"<PF>", "<pf", "<foo>", "a<b>"}));
    // Placeholders are text, not patterns: their values are not scanned again.
    const Placeholders tricky{"<root>", "w", "r"};
    EXPECT_EQ(words("<pf>", tricky), Strings{"<root>"});
}

TEST(ScenarioLexer, LexicalFaultsNameTheColumn) {
    auto e = lexFault(R"(file "unclosed)");
    EXPECT_EQ(e.column, 6);
    EXPECT_NE(e.message.find("not closed"), std::string::npos);

    e = lexFault(R"(file "a\qb")");
    EXPECT_EQ(e.column, 8);
    EXPECT_NE(e.message.find("\\q"), std::string::npos);

    EXPECT_EQ(lexFault(R"("\x4")").column, 2);
    EXPECT_EQ(lexFault(R"("\xg0")").column, 2);
    EXPECT_EQ(lexFault(R"(x "ends with \)").column, 14);
    EXPECT_EQ(lexFault(R"(file a"b")").column, 7);
    EXPECT_EQ(lexFault(R"("ab"cd)").column, 5);
    // A quote that the escape hides does not close the value.
    EXPECT_EQ(lexFault(R"("abc\")").column, 1);
}

TEST(ScenarioLexer, FileSkipsCommentsAndBlankLinesAndNumbersEveryLine) {
    const std::string text =
        "# heading\n\n   # indented comment\r\nstart\r\n\t\nclick Main.A # not a comment\radvance 5";
    const Lexed l = lexScenario(text, kPh);
    ASSERT_TRUE(l.errors.empty());
    ASSERT_EQ(l.lines.size(), 3u);
    EXPECT_EQ(l.lines[0].number, 4);
    EXPECT_EQ(l.lines[1].number, 6);
    EXPECT_EQ(l.lines[1].tokens.size(), 6u);  // "#" only starts a comment at the line's start
    EXPECT_EQ(l.lines[2].number, 7);          // a lone CR ends a line too
    EXPECT_EQ(l.lines[2].tokens[1].text, "5");
}

TEST(ScenarioLexer, EveryFaultyLineIsReportedWithItsNumber) {
    const Lexed l = lexScenario("start\n\"open\nclick Main.A\nfile \"\\z\"\n", kPh);
    ASSERT_EQ(l.errors.size(), 2u);
    EXPECT_EQ(l.errors[0].line, 2);
    EXPECT_EQ(l.errors[1].line, 4);
    ASSERT_EQ(l.lines.size(), 2u);
    EXPECT_EQ(l.lines[1].number, 3);
}

TEST(ScenarioLexer, QuoteWordReadsBackAsTheSameText) {
    const Strings samples = {
        "plain",    "",       "two words",   "q\"uote", "back\\slash", "\r\n\t", std::string("nul\0byte", 8),
        "\x7f\x01", "<pf>/x", "caf\xC3\xA9", "#hash",   "<b>"};
    for (const std::string& s : samples) {
        const std::string q = quoteWord(s);
        SyntaxError e;
        auto t = lexLine(q, kPh, e);
        ASSERT_TRUE(t) << q << ": " << e.message;
        ASSERT_EQ(t->size(), 1u) << q;
        EXPECT_EQ((*t)[0].text, s) << q;
    }
    EXPECT_EQ(quoteWord("plain"), "plain");
    EXPECT_EQ(quoteWord("<b>"), "<b>");
    EXPECT_EQ(quoteWord(""), "\"\"");
}

// ---- steps

TEST(ScenarioSteps, TheExampleScenarioParses) {
    const std::string text =
        "# Saving with no rotation mode selected writes -1.\n"
        "data\nremove START.1ST\nstart\nadvance 7000\nclick Main.CoolButton6\n"
        "expect message 100 64\nexpect file RANDOM.CFG lines \"-1\"\n"
        "expect Main.Panel_Options.Visible true\nexpect cwd <pf>\n";
    const Parsed p = parseScenario(text, kPh);
    ASSERT_TRUE(p.errors.empty());
    ASSERT_EQ(p.steps.size(), 9u);
    const Op ops[] = {Op::Data,          Op::Remove,     Op::Start,          Op::Advance,  Op::Click,
                      Op::ExpectMessage, Op::ExpectFile, Op::ExpectProperty, Op::ExpectCwd};
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(p.steps[i].op, ops[i]) << i;
    EXPECT_EQ(p.steps[0].line, 2);
    EXPECT_EQ(p.steps[3].numbers, std::vector<long long>{7000});
    EXPECT_EQ(p.steps[5].numbers, (std::vector<long long>{100, 64}));
    EXPECT_EQ(p.steps[5].word, "standard");
    EXPECT_EQ(p.steps[6].word, "lines");
    EXPECT_EQ(p.steps[6].values, Strings{"-1"});
    EXPECT_EQ(p.steps[7].name.form, "Main");
    EXPECT_EQ(p.steps[7].name.control, "Panel_Options");
    EXPECT_EQ(p.steps[7].name.property, "Visible");
    EXPECT_EQ(p.steps[8].path, "/t/root/pf");
}

TEST(ScenarioSteps, Names) {
    Step s = step("expect Main.Label1(12).Caption \"x y\"");
    EXPECT_EQ(s.name.control, "Label1");
    EXPECT_EQ(s.name.index, 12);
    EXPECT_EQ(s.name.text(), "Main.Label1(12).Caption");
    EXPECT_EQ(s.values, Strings{"x y"});

    s = step("expect Main.Caption \"Vantry 3.5\"");
    EXPECT_EQ(s.op, Op::ExpectProperty);
    EXPECT_TRUE(s.name.control.empty());
    EXPECT_EQ(s.name.property, "Caption");

    s = step("mousemove Main 7740 0");
    EXPECT_TRUE(s.name.control.empty());
    EXPECT_EQ(s.numbers, (std::vector<long long>{7740, 0}));
    EXPECT_EQ(step("mousemove Main.img_About -15 30").name.control, "img_About");

    s = step("call Main.ImageFolder_Refresh");
    EXPECT_EQ(s.name.form, "Main");
    EXPECT_EQ(s.name.control, "ImageFolder_Refresh");

    for (const char* bad : {"click Main", "click Main.", "click Main..X", "click Main.1X", "click Main.X()",
                            "click Main.X(a)", "click Main.X.Y", "click Main(1).X", "call Main.X(1)",
                            "close Main.X", "set Main.X(1) 5", "set Main.A.B.C 5", "click \"Main.X\""})
        EXPECT_FALSE(fault(bad).message.empty()) << bad;
}

TEST(ScenarioSteps, KeywordsMustBeBareWords) {
    EXPECT_EQ(step("expect Main.ListView1 rows a \"b|c\"").op, Op::ExpectRows);
    EXPECT_EQ(step("expect Main.ListView1 rows a \"b|c\"").values, (Strings{"a", "b|c"}));
    EXPECT_EQ(step("expect Main.ListView1 rows").values, Strings{});
    EXPECT_EQ(step("expect Main.ListView1 columns Name Size").op, Op::ExpectColumns);
    EXPECT_EQ(step("expect Main.ListView1 selected 1 3").numbers, (std::vector<long long>{1, 3}));
    // Quoted, "rows" is the form property's value.
    Step s = step("expect Main.Tag \"rows\"");
    EXPECT_EQ(s.op, Op::ExpectProperty);
    EXPECT_EQ(s.values, Strings{"rows"});
    // A quoted step word is no step.
    EXPECT_NE(fault("\"start\"").message.find("unknown step"), std::string::npos);
    EXPECT_NE(fault("expect \"ended\"").message.find("unknown expectation"), std::string::npos);
}

TEST(ScenarioSteps, Files) {
    Step s = step("file a.txt");
    EXPECT_EQ(s.op, Op::File);
    EXPECT_EQ(s.word, "");
    EXPECT_EQ(s.path, "a.txt");

    s = step("file <pf>/x lines one \"two words\" \"\"");
    EXPECT_EQ(s.path, "/t/root/pf/x");
    EXPECT_EQ(s.values, (Strings{"one", "two words", ""}));

    s = step("file x bytes FF d8 ff00 0A");
    EXPECT_EQ(s.values, Strings{std::string("\xFF\xD8\xFF\x00\x0A", 5)});
    EXPECT_EQ(fault("file x bytes F").column, 14);
    EXPECT_EQ(fault("file x bytes FF GG").column, 17);

    EXPECT_EQ(step("file x size 4096").numbers, std::vector<long long>{4096});
    EXPECT_FALSE(fault("file x size -1").message.empty());
    EXPECT_FALSE(fault("file x text").message.empty());
    EXPECT_FALSE(fault("file x text a b").message.empty());
    EXPECT_FALSE(fault("file x bits 3").message.empty());
}

TEST(ScenarioSteps, Pictures) {
    Step s = step("picture img/a.png png 640x480 32");
    EXPECT_EQ(s.word, "png");
    EXPECT_EQ(s.numbers, (std::vector<long long>{640, 480, 32}));
    EXPECT_EQ(step("picture a.bmp bmp 3x2").numbers.size(), 2u);
    EXPECT_EQ(step("picture a.bmp bmp 3x2 8").numbers[2], 8);
    EXPECT_FALSE(fault("picture a.jpg jpg 3x2 24").message.empty());
    EXPECT_FALSE(fault("picture a.bmp bmp 3x2 2").message.empty());
    EXPECT_FALSE(fault("picture a.tif tif 3x2").message.empty());
    for (const char* size : {"0x5", "5x0", "5x", "x5", "5*5", "-5x5", "5x5x5", "12345678901x1"})
        EXPECT_FALSE(fault(std::string("picture a.gif gif ") + size).message.empty()) << size;

    s = step("expect picture <windir>/Vantry.bmp 1024x768 bmp");
    EXPECT_EQ(s.op, Op::ExpectPicture);
    EXPECT_EQ(s.path, "/t/win/Vantry.bmp");
    EXPECT_EQ(s.word, "bmp");
    EXPECT_EQ(step("expect picture a 1x1").word, "");
}

TEST(ScenarioSteps, Timestamps) {
    Step s = step("mtime a.jpg \"2004/02/29 23:59:58\"");
    EXPECT_EQ(s.numbers, (std::vector<long long>{2004, 2, 29, 23, 59, 58}));
    long long t[6];
    EXPECT_TRUE(parseTimestamp("2000/02/29 00:00:00", t));   // divisible by 400: leap
    EXPECT_FALSE(parseTimestamp("1900/02/29 00:00:00", t));  // before 1970 anyway
    EXPECT_FALSE(parseTimestamp("2100/02/29 00:00:00", t));  // divisible by 100: not leap
    EXPECT_FALSE(parseTimestamp("2005/02/29 00:00:00", t));
    EXPECT_FALSE(parseTimestamp("2005/04/31 00:00:00", t));
    EXPECT_FALSE(parseTimestamp("2005/13/01 00:00:00", t));
    EXPECT_FALSE(parseTimestamp("2005/12/01 24:00:00", t));
    EXPECT_FALSE(parseTimestamp("2005-12-01 10:00:00", t));
    EXPECT_FALSE(parseTimestamp("2005/12/1 10:00:00", t));
    EXPECT_FALSE(parseTimestamp("2005/12/01 10:00:00 ", t));
    // The time is one word: unquoted it is two, and the first alone is no time.
    EXPECT_FALSE(fault("mtime a 2005/12/01 10:00:00").message.empty());
}

TEST(ScenarioSteps, PlatformAnswers) {
    EXPECT_TRUE(step("online yes").flag);
    EXPECT_FALSE(step("online no").flag);
    EXPECT_FALSE(fault("online maybe").message.empty());
    EXPECT_EQ(step("windows 6.0").numbers, (std::vector<long long>{6, 0, 2}));
    EXPECT_EQ(step("windows 4.10 1").numbers, (std::vector<long long>{4, 10, 1}));
    for (const char* bad : {"windows 5", "windows .1", "windows 5.", "windows 5.1.2", "windows a.b"})
        EXPECT_FALSE(fault(bad).message.empty()) << bad;
    EXPECT_EQ(step("screen 800 600").numbers, (std::vector<long long>{800, 600}));
    EXPECT_TRUE(step("instance another").flag);
    EXPECT_EQ(step("answer YES").numbers[0], 6);
    EXPECT_EQ(step("answer NO").numbers[0], 7);
    EXPECT_EQ(step("answer OK").numbers[0], 1);
    EXPECT_EQ(step("input \"\"").values, Strings{""});

    Step s = step("program fresco.exe exits 3 after 2500");
    EXPECT_EQ(s.path, "fresco.exe");
    EXPECT_EQ(s.word, "exits");
    EXPECT_EQ(s.numbers, (std::vector<long long>{3, 2500}));
    EXPECT_EQ(step("program fresco.exe exits -1").numbers, (std::vector<long long>{-1, 0}));
    EXPECT_EQ(step("program surplex.exe missing").word, "missing");
    EXPECT_FALSE(fault("program x exits").message.empty());
    EXPECT_FALSE(fault("program x exits 0 after").message.empty());

    s = step("transfer http://a/b.jpg picture jpg 800x600");
    EXPECT_EQ(s.word, "picture");
    EXPECT_EQ(s.values, Strings{"jpg"});
    EXPECT_EQ(s.numbers, (std::vector<long long>{800, 600}));
    EXPECT_EQ(step("transfer http://a error 404").numbers[0], 404);
    EXPECT_EQ(step("http http://a/v.js body \"x\"").values, Strings{"x"});
    EXPECT_EQ(step("browser MyExplorer.WebBrowser1 at http://a").values, Strings{"http://a"});
}

TEST(ScenarioSteps, Acts) {
    Step s = step("click Main.ListView1 row 2");
    EXPECT_TRUE(s.flag);
    EXPECT_EQ(s.numbers, std::vector<long long>{2});
    EXPECT_FALSE(step("dblclick Main.img_About").flag);
    EXPECT_FALSE(fault("click Main.ListView1 row 0").message.empty());
    EXPECT_FALSE(fault("click Main.ListView1 line 2").message.empty());

    s = step("edit Main.ListView1 3 cancel");
    EXPECT_TRUE(s.flag);
    EXPECT_TRUE(s.values.empty());
    s = step("edit Main.ListView1 3 \"cancel\"");
    EXPECT_FALSE(s.flag);
    EXPECT_EQ(s.values, Strings{"cancel"});

    EXPECT_EQ(step("key Main.txt_GetURL 13").numbers, (std::vector<long long>{13, 0}));
    EXPECT_EQ(step("key Main.txt_GetURL 46 1").numbers, (std::vector<long long>{46, 1}));
    EXPECT_FALSE(fault("check Main.chk_Tray 2").message.empty());
    EXPECT_EQ(step("select Main.ListView1").numbers.size(), 0u);
    EXPECT_EQ(step("select Main.ListView1 1 4").numbers, (std::vector<long long>{1, 4}));
    EXPECT_EQ(step("set Main.txt_StartTimer.Text \"\"").values, Strings{""});
    EXPECT_EQ(step("close StartForm").name.form, "StartForm");
    EXPECT_FALSE(fault("advance -1").message.empty());
    EXPECT_FALSE(fault("start now").message.empty());
}

TEST(ScenarioSteps, Expectations) {
    Step s = step("expect message 7 20 code");
    EXPECT_EQ(s.numbers, (std::vector<long long>{7, 20}));
    EXPECT_EQ(s.word, "code");
    EXPECT_FALSE(fault("expect message 7 20 fancy").message.empty());
    EXPECT_EQ(step("expect started fresco.exe waited").flag, true);
    EXPECT_EQ(step("expect started fresco.exe").flag, false);
    EXPECT_FALSE(fault("expect not-started fresco.exe waited").message.empty());
    EXPECT_EQ(step("expect tray removed").word, "removed");
    s = step("expect popup Main.mnuTray default mnuRestore");
    EXPECT_EQ(s.name.control, "mnuTray");
    EXPECT_EQ(s.word, "mnuRestore");
    // The item may be named with its form, which must be the menu's.
    EXPECT_EQ(step("expect popup Main.mnuTray default Main.mnuRestore").word, "mnuRestore");
    EXPECT_EQ(fault("expect popup Main.mnuTray default Other.mnuRestore").column, 35);
    EXPECT_FALSE(fault("expect popup Main.mnuTray default Main.mnuRestore(1)").message.empty());
    EXPECT_FALSE(fault("expect popup Main.mnuTray default").message.empty());
    EXPECT_EQ(step("expect file a absent").word, "absent");
    EXPECT_EQ(step("expect file a lines").values, Strings{});
    EXPECT_EQ(step("expect error 53").numbers[0], 53);
    EXPECT_EQ(step("expect no-error").op, Op::ExpectNoError);
    EXPECT_EQ(step("expect request vantry-gallery.localhost:8642 /x").values.size(), 2u);
    EXPECT_EQ(fault("expect ended now").column, 14);
    EXPECT_EQ(fault("expect").column, 0);
}

TEST(ScenarioSteps, PhasesFollowTheGrammar) {
    EXPECT_EQ(phaseOf(Op::Cd), Phase::Prepare);
    EXPECT_EQ(phaseOf(Op::Online), Phase::Answer);
    EXPECT_EQ(phaseOf(Op::Browser), Phase::Answer);
    EXPECT_EQ(phaseOf(Op::Start), Phase::Act);
    EXPECT_EQ(phaseOf(Op::Advance), Phase::Act);
    EXPECT_EQ(phaseOf(Op::ExpectProperty), Phase::Expect);
    EXPECT_EQ(phaseOf(Op::ExpectNoError), Phase::Expect);
}

TEST(ScenarioSteps, BadLinesAreReportedInOrderWithTheirNumbers) {
    const std::string text =
        "data\n"
        "frobnicate x\n"  // 2: unknown step
        "# fine\n"
        "click Main.A\n"
        "file \"a\\q\"\n"          // 5: lexical
        "expect Main.A.Caption\n"  // 6: value missing
        "advance 10 20\n";         // 7: left over
    const Parsed p = parseScenario(text, kPh);
    ASSERT_EQ(p.errors.size(), 4u);
    EXPECT_EQ(p.errors[0].line, 2);
    EXPECT_EQ(p.errors[0].column, 1);
    EXPECT_NE(p.errors[0].message.find("frobnicate"), std::string::npos);
    EXPECT_EQ(p.errors[1].line, 5);
    EXPECT_EQ(p.errors[2].line, 6);
    EXPECT_NE(p.errors[2].message.find("missing value"), std::string::npos);
    EXPECT_EQ(p.errors[3].line, 7);
    EXPECT_EQ(p.errors[3].column, 12);
    ASSERT_EQ(p.steps.size(), 2u);
    EXPECT_EQ(p.steps[1].line, 4);
}

// ---- helpers for the runner's reports

TEST(ScenarioSupport, PromptForms) {
    struct Row {
        const char* prompt;
        const char* form;
        long long number;
    } rows[] = {
        {"(100) Your settings have been saved.", "standard", 100},
        {"(7)The drive is not ready.", "noblank", 7},
        {"(7)", "noblank", 7},
        {"(12) The transfer failed. (404)", "code", 12},
        {"(12) Ends with (x)", "standard", 12},
        {"(12) Ends with(404)", "standard", 12},
        {"(12) (404)", "standard", 12},
        {"Vantry is already running.", "textonly", -1},
        {"(a) text", "textonly", -1},
        {"() text", "textonly", -1},
        {"(12 text", "textonly", -1},
        {"", "textonly", -1},
    };
    for (const Row& r : rows) {
        const PromptForm f = classifyPrompt(r.prompt);
        EXPECT_EQ(f.form, r.form) << r.prompt;
        EXPECT_EQ(f.number, r.number) << r.prompt;
    }
}

TEST(ScenarioSupport, FileBytesAreShownAsAScenarioWouldExpectThem) {
    EXPECT_EQ(describeFileBytes("-1\r\n"), "lines -1");
    EXPECT_EQ(describeFileBytes("a b\r\n\r\n"), "lines \"a b\" \"\"");
    EXPECT_EQ(describeFileBytes("-1"), "text -1");
    EXPECT_EQ(describeFileBytes("a\nb\r\n"), "text \"a\\nb\\r\\n\"");
    EXPECT_EQ(describeFileBytes("a\r\rb\r\n"), "text \"a\\r\\rb\\r\\n\"");
    EXPECT_EQ(describeFileBytes(""), "lines (none: an empty file)");
}

TEST(ScenarioSupport, Sizes) {
    long long w = 0, h = 0;
    EXPECT_TRUE(parseSize("1024x768", w, h));
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    EXPECT_FALSE(parseSize("1024X768", w, h));
    EXPECT_FALSE(parseSize("1024x", w, h));
    EXPECT_FALSE(parseSize("0x1", w, h));
    EXPECT_FALSE(parseSize("1x1x", w, h));
}

// ---- callable procedures

TEST(ScenarioProcedures, RegisteredProceduresRunAndUnknownOnesDoNot) {
    vb::App app{vb::Services{}};
    int calls = 0;
    vb::registerProcedure(app, "ScenarioTestForm", "Count", [&](vb::App& a) {
        EXPECT_EQ(&a, &app);
        ++calls;
    });
    EXPECT_TRUE(vb::isProcedureRegistered(app, "ScenarioTestForm", "Count"));
    EXPECT_TRUE(vb::callProcedure(app, "ScenarioTestForm", "Count"));
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(vb::callProcedure(app, "ScenarioTestForm", "count"));  // names are exact
    EXPECT_FALSE(vb::callProcedure(app, "Other", "Count"));
    EXPECT_EQ(calls, 1);
    // Registering again replaces the entry.
    vb::registerProcedure(app, "ScenarioTestForm", "Count", [&](vb::App&) { calls += 10; });
    EXPECT_TRUE(vb::callProcedure(app, "ScenarioTestForm", "Count"));
    EXPECT_EQ(calls, 11);
    const auto all = vb::registeredProcedures(app);
    EXPECT_NE(std::find(all.begin(), all.end(), "ScenarioTestForm.Count"), all.end());
}

// Two programs in one process: each sees only what was registered with it.
TEST(ScenarioProcedures, EachProgramInstanceHasItsOwnTable) {
    vb::App first{vb::Services{}};
    int calls = 0;
    {
        vb::App second{vb::Services{}};
        vb::registerProcedure(second, "ScenarioTestForm", "Only", [&](vb::App&) { ++calls; });
        EXPECT_TRUE(vb::isProcedureRegistered(second, "ScenarioTestForm", "Only"));
    }
    EXPECT_FALSE(vb::isProcedureRegistered(first, "ScenarioTestForm", "Only"));
    EXPECT_FALSE(vb::callProcedure(first, "ScenarioTestForm", "Only"));
    EXPECT_TRUE(vb::registeredProcedures(first).empty());
    EXPECT_EQ(calls, 0);
}

// ---- picture files

std::uint32_t be32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return (std::uint32_t(b[at]) << 24) | (std::uint32_t(b[at + 1]) << 16) | (std::uint32_t(b[at + 2]) << 8) |
           b[at + 3];
}

struct Chunk {
    std::string type;
    std::vector<std::uint8_t> data;
};

// Splits a PNG file into its chunks, checking each chunk's checksum on the way.
std::vector<Chunk> chunks(const std::vector<std::uint8_t>& png) {
    std::vector<Chunk> out;
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const std::uint32_t len = be32(png, at);
        EXPECT_LE(at + 12 + len, png.size());
        if (at + 12 + len > png.size()) break;
        Chunk c{std::string(png.begin() + long(at) + 4, png.begin() + long(at) + 8),
                std::vector<std::uint8_t>(png.begin() + long(at) + 8, png.begin() + long(at + 8 + len))};
        EXPECT_EQ(crc32(&png[at + 4], 4 + len), be32(png, at + 8 + len)) << c.type;
        out.push_back(std::move(c));
        at += 12 + len;
    }
    EXPECT_EQ(at, png.size());
    return out;
}

// Undoes a zlib stream of "stored" blocks, checking the block lengths and the Adler-32.
std::vector<std::uint8_t> unstore(const std::vector<std::uint8_t>& z) {
    std::vector<std::uint8_t> out;
    EXPECT_EQ(z.at(0), 0x78);
    EXPECT_EQ((z.at(0) * 256 + z.at(1)) % 31, 0);  // the header's own check
    std::size_t at = 2;
    for (bool last = false; !last;) {
        last = z.at(at) & 1;
        EXPECT_EQ(z.at(at) & 6, 0);  // stored
        const unsigned len = z.at(at + 1) | (z.at(at + 2) << 8);
        const unsigned nlen = z.at(at + 3) | (z.at(at + 4) << 8);
        EXPECT_EQ(len ^ 0xFFFFu, nlen);
        out.insert(out.end(), z.begin() + long(at) + 5, z.begin() + long(at + 5 + len));
        at += 5 + len;
    }
    EXPECT_EQ(at + 4, z.size());
    EXPECT_EQ(adler32(out.data(), out.size()), be32(z, at));
    return out;
}

TEST(ScenarioPictures, ChecksumsMatchTheirPublishedCheckValues) {
    const std::string nine = "123456789";
    EXPECT_EQ(crc32(reinterpret_cast<const std::uint8_t*>(nine.data()), nine.size()), 0xCBF43926u);
    const std::string wiki = "Wikipedia";
    EXPECT_EQ(adler32(reinterpret_cast<const std::uint8_t*>(wiki.data()), wiki.size()), 0x11E60398u);
    EXPECT_EQ(adler32(nullptr, 0), 1u);
}

TEST(ScenarioPictures, PngTruecolourHoldsTheTestPictureExactly) {
    const auto png = pictureFile("png", 5, 3, 0);
    const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    ASSERT_TRUE(std::equal(signature, signature + 8, png.begin()));
    // The end chunk is the same in every PNG file.
    const std::vector<std::uint8_t> iend = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    ASSERT_TRUE(std::equal(iend.begin(), iend.end(), png.end() - 12));

    const auto all = chunks(png);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].type, "IHDR");
    EXPECT_EQ(all[0].data, (std::vector<std::uint8_t>{0, 0, 0, 5, 0, 0, 0, 3, 8, 2, 0, 0, 0}));
    EXPECT_EQ(all[1].type, "IDAT");
    const auto raw = unstore(all[1].data);
    const vb::Picture p = vb::makeTestPicture(5, 3);
    ASSERT_EQ(raw.size(), 3u * (1 + 5 * 3));
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(raw[std::size_t(y) * 16], 0);  // no filter
        EXPECT_TRUE(
            std::equal(p.rgb.begin() + y * 15, p.rgb.begin() + (y + 1) * 15, raw.begin() + y * 16 + 1));
    }
    int w = 0, h = 0;
    EXPECT_TRUE(pngSize(png, w, h));
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
}

TEST(ScenarioPictures, PngDepthsAsAnIndependentReaderSeesThem) {
    struct Row {
        int bits, depth, colourType;
        std::size_t rowBytes;  // for a width of 9
    } rows[] = {{1, 1, 0, 2},   {2, 2, 0, 3},    {4, 4, 0, 5},   {8, 8, 0, 9},   {16, 16, 0, 18},
                {24, 8, 2, 27}, {48, 16, 2, 54}, {32, 8, 6, 36}, {64, 16, 6, 72}};
    for (const Row& r : rows) {
        const auto png = pictureFile("png", 9, 4, r.bits);
        const auto all = chunks(png);
        ASSERT_EQ(all.size(), 3u) << r.bits;
        EXPECT_EQ(all[0].data[8], r.depth) << r.bits;
        EXPECT_EQ(all[0].data[9], r.colourType) << r.bits;
        EXPECT_EQ(unstore(all[1].data).size(), 4 * (1 + r.rowBytes)) << r.bits;
        imginf_detail::MemorySource src(png);
        const ImageInfo info = imginf_detail::imageInfoOf(src);
        EXPECT_EQ(info.Format, 1) << r.bits;
        EXPECT_EQ(info.Width, 9) << r.bits;
        EXPECT_EQ(info.Height, 4) << r.bits;
        EXPECT_EQ(info.Bits, r.bits) << r.bits;
    }
}

TEST(ScenarioPictures, LargePngSpreadsOverSeveralStoredBlocks) {
    const auto png = pictureFile("png", 300, 250, 24);
    const auto all = chunks(png);
    ASSERT_EQ(all.size(), 3u);
    const auto raw = unstore(all[1].data);  // 225,250 bytes: four blocks
    EXPECT_EQ(raw.size(), 250u * (1 + 900));
}

TEST(ScenarioPictures, BitmapsOfEveryDepthLoad) {
    const vb::Picture want = vb::makeTestPicture(13, 3);
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        const auto bmp = pictureFile("bmp", 13, 3, bits);
        imginf_detail::MemorySource src(bmp);
        const ImageInfo info = imginf_detail::imageInfoOf(src);
        EXPECT_EQ(info.Format, 4) << bits;
        EXPECT_EQ(info.Bits, bits);
        const vb::Picture got = vb::decodePicture(bmp);
        ASSERT_EQ(got.width, 13) << bits;
        ASSERT_EQ(got.height, 3) << bits;
        for (std::size_t i = 0; i < want.rgb.size(); i += 3) {
            if (bits >= 24) {
                EXPECT_EQ(got.rgb[i], want.rgb[i]) << bits << " at " << i;
                EXPECT_EQ(got.rgb[i + 2], want.rgb[i + 2]) << bits << " at " << i;
            } else if (bits == 16) {
                for (int ch = 0; ch < 3; ++ch) EXPECT_NEAR(got.rgb[i + ch], want.rgb[i + ch], 8) << i;
            } else {  // a grey palette
                EXPECT_EQ(got.rgb[i], got.rgb[i + 1]) << bits;
                EXPECT_EQ(got.rgb[i], got.rgb[i + 2]) << bits;
            }
        }
    }
    EXPECT_EQ(pictureFile("bmp", 13, 3, 0), pictureFile("bmp", 13, 3, 24));
}

TEST(ScenarioPictures, JpegAndGifLoadWithTheirSize) {
    for (const char* format : {"jpg", "gif"}) {
        const vb::Picture got = vb::decodePicture(pictureFile(format, 31, 17, 0));
        EXPECT_EQ(got.width, 31) << format;
        EXPECT_EQ(got.height, 17) << format;
    }
}

TEST(ScenarioPictures, ImpossiblePicturesAreRefused) {
    EXPECT_THROW(pictureFile("tif", 2, 2, 0), std::invalid_argument);
    EXPECT_THROW(pictureFile("bmp", 2, 2, 2), std::invalid_argument);
    EXPECT_THROW(pictureFile("png", 2, 2, 12), std::invalid_argument);
    EXPECT_THROW(pictureFile("png", 0, 2, 24), std::invalid_argument);
    EXPECT_THROW(pictureFile("jpg", 40000, 2, 0), std::invalid_argument);
    EXPECT_THROW(pictureFile("jpg", 20000, 20000, 0), std::invalid_argument);  // too many pixels
}

TEST(ScenarioPictures, PngSizeWantsAnIntactHeader) {
    auto png = pictureFile("png", 4, 4, 8);
    int w = 0, h = 0;
    ASSERT_TRUE(pngSize(png, w, h));
    auto damaged = png;
    damaged[17] ^= 1;  // the width, under the header's checksum
    EXPECT_FALSE(pngSize(damaged, w, h));
    EXPECT_FALSE(pngSize(std::vector<std::uint8_t>(png.begin(), png.begin() + 30), w, h));
    EXPECT_FALSE(pngSize(pictureFile("bmp", 4, 4, 0), w, h));
}

TEST(ScenarioPictures, FillerIsNoJpegStart) {
    const std::string f = fillerBytes(1000);
    EXPECT_EQ(f.size(), 1000u);
    EXPECT_EQ(f.substr(0, 17), "Vantry test data\n");
    EXPECT_EQ(f.find('\xFF'), std::string::npos);
    EXPECT_EQ(fillerBytes(0), "");
    EXPECT_EQ(fillerBytes(5), "Vantr");
}

// ---- the user's reach

class ReachForm : public vb::Form {
public:
    explicit ReachForm(vb::App& a) : Form(a, "Reach") {}
    vb::Panel outer{this, "outer"};
    vb::Panel inner{this, "inner", &outer};
    vb::CommandButton button{this, "button", &inner};
    vb::Label item{this, "item", nullptr, 3};
};

TEST(ScenarioReach, TheFormAndEveryContainerMustBeShownAndEnabled) {
    vb::App app{vb::Services{}};
    ReachForm f(app);
    EXPECT_EQ(outOfReach(f.button), "form Reach hidden");
    f.Show();
    EXPECT_EQ(outOfReach(f.button), "");
    f.setWindowState(vb::WindowState::Minimized);
    EXPECT_EQ(outOfReach(f.button), "form Reach minimised");
    f.setWindowState(vb::WindowState::Maximized);
    EXPECT_EQ(outOfReach(f.button), "");
    f.outer.setVisible(false);
    EXPECT_EQ(outOfReach(f.button), "Reach.outer hidden (it holds the control)");
    f.outer.setVisible(true);
    f.inner.setEnabled(false);
    EXPECT_EQ(outOfReach(f.button), "Reach.inner disabled (it holds the control)");
    EXPECT_EQ(outOfReach(f.outer), "");
    f.inner.setEnabled(true);
    f.button.setEnabled(false);
    EXPECT_EQ(outOfReach(f.button), "Reach.button disabled");
    f.button.setVisible(false);
    EXPECT_EQ(outOfReach(f.button), "Reach.button hidden");
    f.item.setVisible(false);
    EXPECT_EQ(outOfReach(f.item), "Reach.item(3) hidden");
}

TEST(ScenarioReach, RowTextLeavesOutEmptySubItemsAtTheEnd) {
    vb::ListView::Row r;
    r.text = "a.jpg";
    EXPECT_EQ(rowText(r), "a.jpg");
    r.sub = {"", "10", "", ""};
    EXPECT_EQ(rowText(r), "a.jpg||10");
    r.sub = {"", ""};
    EXPECT_EQ(rowText(r), "a.jpg");
    r.text = "";
    r.sub = {"x"};
    EXPECT_EQ(rowText(r), "|x");
}

}  // namespace
