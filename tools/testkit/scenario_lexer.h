#pragma once
// Reading scenario files (docs/scenarios.md): text into lines of tokens, and tokens into steps,
// one struct a line, as the scenario runner executes them.
//
// Lexing: one step a line; blank lines and lines whose first non-blank character is "#" are
// skipped. Words are separated by blanks (spaces and tabs). A word is bare or double-quoted;
// inside quotes \" \\ \r \n \t and \xHH are escapes, and "" is the empty string. A bare word
// keeps every character as written (a backslash in a bare word is just a backslash).
//
// The placeholders <pf>, <windir> and <root> are replaced by the session's folders wherever
// they are written literally, in bare words and inside quotes alike. Text produced by an
// escape is never taken for a placeholder, so "\x3cpf>" is a way to write "<pf>" itself.
//
// Parsing checks everything that can be checked without running: the step's words, numbers,
// names of the form "FORM.CONTROL(INDEX).PROPERTY", hex bytes and timestamps. Whether a named
// form or control exists is the runner's business. Nothing here touches the file system or the
// program: a scenario can be checked for syntax before any folder exists (give empty
// placeholders).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vb::scenario {

struct Placeholders {
    std::string pf, windir, root;
    // <gallery>, <site>, <secure>, <phone>: the host names (the runner gives markers that it
    // resolves when the step runs, since a scenario may write "HOSTS.CFG" on the way).
    std::string gallery = {}, site = {}, secure = {}, phone = {};
};

struct Token {
    std::string text;
    bool quoted = false;  // a quoted word is always a value, never a keyword
    int column = 0;       // 1-based, where the word starts in the line
};

struct Line {
    int number = 0;  // 1-based line number in the file
    std::vector<Token> tokens;
};

// A line that could not be read, with where and why.
struct SyntaxError {
    int line = 0;
    int column = 0;  // 0 when the whole line is at fault
    std::string message;
};

// Splits one line (without its line end) into tokens. On a lexical fault returns nullopt and
// fills error (line left 0; the caller knows it).
std::optional<std::vector<Token>> lexLine(std::string_view text, const Placeholders& ph, SyntaxError& error);

struct Lexed {
    std::vector<Line> lines;  // only lines holding a step
    std::vector<SyntaxError> errors;
};

// Splits a whole file; lines end in LF, CR LF or a lone CR. Every faulty line is reported, not
// only the first.
Lexed lexScenario(std::string_view text, const Placeholders& ph);

// A word as it would have to be written in a scenario to give exactly this text: bare when
// that is unambiguous, else quoted with escapes. Used to show values in failure reports.
std::string quoteWord(std::string_view text);

// A name of the design: a form, a control of it (with its index in a control array), and a
// property of either.
struct Name {
    std::string form;
    std::string control;   // empty: the form itself
    int index = -1;        // -1: not an element of a control array
    std::string property;  // empty: no property
    // "Main.Label1(2).Caption", as it would be written.
    std::string text() const;
};

enum class Op {
    // Preparing.
    Data,
    Folder,
    File,
    Picture,
    Remove,
    Mtime,
    Readonly,
    Cd,
    // The platform's answers.
    Online,
    Windows,
    Screen,
    Instance,
    Answer,
    Input,
    FolderDialog,
    Random,
    Program,
    Http,
    Transfer,
    TransferFinish,
    TransferError,
    Browser,
    // Acting.
    Start,
    Click,
    DblClick,
    Menu,
    MouseMove,
    Tray,
    Key,
    Type,
    Check,
    Choose,
    Select,
    Edit,
    Column,
    Close,
    Call,
    Set,
    Advance,
    // Expecting.
    ExpectProperty,
    ExpectRows,
    ExpectColumns,
    ExpectSelected,
    ExpectFile,
    ExpectPicture,
    ExpectMessage,
    ExpectMessageText,
    ExpectNoMessage,
    ExpectCwd,
    ExpectWallpaper,
    ExpectNoWallpaper,
    ExpectStarted,
    ExpectNotStarted,
    ExpectNavigated,
    ExpectNotNavigated,
    ExpectOpened,
    ExpectTray,
    ExpectPopup,
    ExpectNoPopup,
    ExpectLoaded,
    ExpectNotLoaded,
    ExpectEnded,
    ExpectRunning,
    ExpectRequest,
    ExpectError,
    ExpectNoError,
    ExpectCommonControls,
};

enum class Phase { Prepare, Answer, Act, Expect };
Phase phaseOf(Op op);

// What each step carries; fields a step does not use stay empty.
//   path     a path (placeholders already replaced), a program name or an address
//   name     the form, control, property, menu item or procedure named by the step
//   word     the step's sub-keyword: file mode (lines/text/bytes/size/exists/absent, "" for an
//            empty file), picture format, message form, tray event, program fate (exits/missing),
//            transfer/http/browser kind, the default item of a pop-up
//   values   the step's values, after escapes; for "file ... bytes" the decoded bytes
//   numbers  its numbers in the order written: sizes WxH as two numbers, rows, codes, times
//   flag     yes/another/waited/cancel/a row given, by step
struct Step {
    int line = 0;
    Op op = Op::Start;
    std::string path;
    Name name;
    std::string word;
    std::vector<std::string> values;
    std::vector<long long> numbers;
    bool flag = false;
};

std::optional<Step> parseStep(const Line& line, SyntaxError& error);

struct Parsed {
    std::vector<Step> steps;
    std::vector<SyntaxError> errors;  // lexical and grammatical, in line order
};

// Lexes and parses a whole file.
Parsed parseScenario(std::string_view text, const Placeholders& ph);

// "2006/03/01 14:05:09" into its six numbers; false when malformed or out of range.
bool parseTimestamp(std::string_view text, long long out[6]);

// "640x480" into its two positive numbers.
bool parseSize(std::string_view text, long long& width, long long& height);

}  // namespace vb::scenario
