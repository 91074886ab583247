// Loading the language file into the store, and the numbered messages read from it.
#include "localisation/language.h"

#include "platform/error.h"
#include "platform/fs.h"
#include "shell/main_form.h"

namespace vantry {

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

}  // namespace vantry
