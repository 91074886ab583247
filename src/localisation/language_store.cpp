// Loading the language file into the store, and the numbered messages read from it.
#include "localisation/language.h"

#include "platform/base/error.h"
#include "platform/system/fs.h"
#include "shell/main_form.h"

namespace vantry {

namespace {

// Texts that language files made before their line was filled may lack or leave blank: the
// settings warning added after the first files went out, and the delete question, without which
// a file could delete nothing. One table, so every site falls back alike.
struct BuiltInText {
    int number;
    const char* text;
};
constexpr BuiltInText kBuiltInTexts[] = {
    {91, "Do you really want to delete this picture from your library?"},
    {kSettingsNotSaved, "Your settings could not be saved."},
};

bool blank(const std::string& text) {
    return text.find_first_not_of(' ') == std::string::npos;
}

// The text read for n, or n's built-in text when what was read shows nothing.
std::string orBuiltIn(int n, std::string text) {
    if (!blank(text)) return text;
    std::string own = builtInText(n);
    return own.empty() ? text : own;
}

}  // namespace

void Main::Set_Language() {
    lst_Language.Clear();
    // A failure while opening or reading ends the load silently; what was read stays.
    vb::guarded(
        [&] {
            app().fs().readLines("LANGUAGE.DRV", [&](std::string&& line) {
                lst_Language.AddItem(line.empty() ? std::string(" ") : line);
            });
        },
        [](const vb::Error&) {});
}

std::string messagePrompt(int number, const std::string& text, PromptForm form, long code) {
    const std::string num = "(" + std::to_string(number) + ")";
    switch (form) {
        case PromptForm::Standard: return num + " " + text;
        case PromptForm::NoBlank: return num + text;
        case PromptForm::WithCode: return num + " " + text + " (" + std::to_string(code) + ")";
        case PromptForm::TextOnly: return text;
    }
    return text;
}

int numberedMessage(vb::App& app, int n, int style, PromptForm form, long code, const std::string& title) {
    auto& store = app.form<Main>().lst_Language;
    std::string text;
    int shown = n;
    try {
        store.setListIndex(n);
        shown = store.ListIndex();
        text = store.Text();
    } catch (const vb::Error&) {
        // The store lacks the number (a short or missing language file): the box still carries
        // its number, with no text, rather than the text of whatever was selected last.
    }
    text = orBuiltIn(n, std::move(text));
    const int answer = app.dialogs().MsgBox(messagePrompt(shown, text, form, code), style, title);
    if (style == kFatal) app.end(1);
    return answer;
}

void captionStep(vb::ListBox& store, int n, const std::function<void(const std::string&)>& assign) {
    vb::resume([&] { store.setListIndex(n); });
    vb::resume([&] { assign(store.Text()); });
}

std::string languageString(vb::App& app, int n) {
    auto& store = app.form<Main>().lst_Language;
    store.setListIndex(n);
    return store.Text();
}

std::string builtInText(int n) {
    for (const auto& t : kBuiltInTexts)
        if (t.number == n) return t.text;
    return {};
}

std::string messageText(vb::App& app, int n) {
    std::string text;
    vb::resume([&] { text = languageString(app, n); });
    return orBuiltIn(n, std::move(text));
}

}  // namespace vantry
