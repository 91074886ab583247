// Reading scenario files: the lexer's words, escapes and placeholders, the step grammar, and
// faulty lines reported with their line (and column) numbers. Then what the runner builds on:
// the user's reach and how it shows what it saw (its picture files: scenario_pictures_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/base/error.h"
#include "platform/model/app.h"
#include "platform/model/control.h"
#include "platform/model/form.h"
#include "platform/model/procedures.h"
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
