#pragma once
// The language store and numbered messages. Every window reads its texts from the main window's
// hidden list lst_Language by number: it selects entry N, then takes the selection's text. The
// selection is one value shared by every reader, and a number the store lacks leaves it where
// it was.
#include <functional>
#include <string>

#include "platform/model/app.h"
#include "platform/model/control.h"

namespace vantry {

enum class PromptForm {
    Standard,  // "(N) text"
    NoBlank,   // "(N)text"
    WithCode,  // "(N) text (code)"
    TextOnly,  // "text"
};

// Message box styles used by the program's messages.
inline constexpr int kWarning = 48, kNotice = 64, kFatal = 16, kQuestion = 36, kRetryQuestion = 20;

// Settings written (100) or not written (101, a number the main window's message range left free):
// a save that lost a file says so instead of confirming.
inline constexpr int kSettingsSaved = 100, kSettingsNotSaved = 101;

// Shows numbered message n with the given style, titled "Vantry" unless a title is given.
// A fatal message (style 16) ends the program once the box is closed. Returns the answer.
int numberedMessage(vb::App& app, int n, int style, PromptForm form = PromptForm::Standard, long code = 0,
                    const std::string& title = "Vantry");

// The prompt as the box shows it: "(", the number read back, ") " and the text, or one of the
// other forms.
std::string messagePrompt(int number, const std::string& text, PromptForm form, long code = 0);

// One step of a caption table: select string n, then, as a separate statement, hand the
// selection's text to assign. Each statement's failure is skipped, so a number the store lacks
// gives the target the text of the selection as it stood.
void captionStep(vb::ListBox& store, int n, const std::function<void(const std::string&)>& assign);

// Reads string n the way the sites that read a single text do: select it, take the selection.
std::string languageString(vb::App& app, int n);

// The program's own English text for string n where a language file may lack the line or leave
// it blank (files made before the line was filled, third-party files); "" for any other number.
std::string builtInText(int n);

// The text of a message or question n: string n, or its built-in text when the store lacks the
// number or holds only blanks there. Never fails.
std::string messageText(vb::App& app, int n);

}  // namespace vantry
