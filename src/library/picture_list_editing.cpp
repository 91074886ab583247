// Managing the library from its list: renaming a picture by editing its row in place (or with
// the rename button, which nothing shows), deleting the selected pictures after a question for
// each, and sorting by a column header.
#include "library/library_files.h"
#include "localisation/language.h"
#include "platform/base/error.h"
#include "platform/system/fs.h"
#include "shell/main_form.h"

namespace vantry {

namespace {
constexpr int kDeleteKey = 46;
}  // namespace

void Main::designLibraryCommands() {
    ListView1.MultiSelect = true;
    Command4.pos(3720, 4620, 1455, 375).cap("Rinomina...").hidden();
    Timer_Criteria.interval(1000).disabled();

    ListView1.BeforeLabelEdit = [this](int& cancel) { ListView1_BeforeLabelEdit(cancel); };
    ListView1.AfterLabelEdit = [this](int& cancel, std::string& text) {
        ListView1_AfterLabelEdit(cancel, text);
    };
    ListView1.KeyDown = [this](int& key, int shift) { ListView1_KeyDown(key, shift); };
    ListView1.ColumnClick = [this](int index) { ListView1_ColumnClick(index); };
    CoolButton11.Click = [this] { CoolButton11_Click(); };
    Command4.Click = [this] { Command4_Click(); };
    CoolButton10.Click = [this] { Put_Wallpaper_Random(); };
    Timer_Criteria.Tick = [this] { Timer_Criteria_Timer(); };
    txt_Criteria.Change = [this] { txt_Criteria_Change(); };
}

void Main::ListView1_BeforeLabelEdit(int&) {
    txt_ListView1Item.setText(ListView1.row(ListView1.SelectedItem()).text);
}

void Main::ListView1_AfterLabelEdit(int&, std::string& newText) {
    const std::string kept = txt_ListView1Item.Text();
    if (kept.empty()) return;
    vb::guarded(
        [&] {
            renameInFolder(app().fs(), pictureFolder(txt_InitDir.Text()), kept, newText);
            File1.Refresh();
        },
        [&](const vb::Error&) {
            numberedMessage(app(), 103, kWarning);
            // The row shows the name the file still has.
            ListView1.setRowText(ListView1.SelectedItem(), kept);
        });
}

void Main::CoolButton11_Click() {
    const std::string folder = pictureFolder(txt_InitDir.Text());
    // From the last row to the first, so a removed row never moves one still to be visited.
    for (int i = ListView1.Count(); i >= 1; --i) {
        bool selected = false;
        vb::resume([&] { selected = ListView1.row(i).selected; });
        if (!selected) continue;
        int answer = 0;
        // A language file without the question asks in English: nothing is deleted unasked.
        vb::resume([&] { answer = app().dialogs().MsgBox(messageText(app(), 91), kQuestion, "Vantry"); });
        if (answer != mb::Yes) return;
        // A file that cannot be deleted loses its row all the same; the next build shows it again.
        vb::resume([&] { app().fs().Kill(joinPath(folder, ListView1.row(i).text)); });
        vb::resume([&] { ListView1.RemoveRow(i); });
        vb::resume([&] { File1.Refresh(); });
    }
}

void Main::ListView1_KeyDown(int& keyCode, int) {
    if (keyCode == kDeleteKey) CoolButton11_Click();
}

void Main::ListView1_ColumnClick(int index) {
    ListView1.Sorted = true;
    const int column = index - 1;
    // The same header again reverses the order; another header keeps it.
    if (column == lastSortedColumn_) ListView1.SortOrder = ListView1.SortOrder == 1 ? 0 : 1;
    ListView1.SortKey = column;
    lastSortedColumn_ = column;
    ListView1.Sort();
}

void Main::Command4_Click() {
    if (File1.FileName().empty()) return;
    vb::guarded(
        [&] {
            const std::string current = File1.FileName();
            const auto answer =
                app().dialogs().InputBox(languageString(app(), 68), Command4.Caption(), current);
            if (!answer || answer->empty()) return;
            renameInFolder(app().fs(), pictureFolder(txt_InitDir.Text()), current, *answer);
            File1.Refresh();
        },
        [&](const vb::Error&) { numberedMessage(app(), 103, kWarning); });
}

}  // namespace vantry
