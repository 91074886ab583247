// The picture list: the library folder "\img" under the program folder, listed with each file's
// modification time. ImageFolder_Refresh (for other windows) and the picture-list button run
// the very same build.
#include <ctime>

#include "localisation/language.h"
#include "platform/base/error.h"
#include "platform/system/fs.h"
#include "shell/main_form.h"

namespace vantry {

namespace {

// "yyyy/mm/dd hh:mm:ss" in local time, so that the texts sort in time order.
std::string modificationText(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y/%m/%d %H:%M:%S", &tm);
    return buf;
}

void buildPictureList(Main& m) {
    FileSystem& fs = m.app().fs();
    vb::guarded(
        [&] {
            // The switch compares the texts exactly: letter case counts.
            if (m.txt_InitDir.Text() == fs.CurDir()) {
                const std::string folder = joinPath(fs.CurDir(), "\\img");
                fs.ChDir(folder);
                m.File1.setPath(fs.CurDir());
                m.lbl_CurrentIMGFolder.setCaption(fs.CurDir());
            }
            m.GetIMAGE.setVisible(false);
            m.Download.setVisible(false);
            m.Options.setVisible(true);
            m.Panel_Options.setVisible(false);
            m.Panel_Plugins.setVisible(false);
            m.CoolButton11.setEnabled(false);
            m.File1.Refresh();
            m.ListView1.ClearRows();
            m.ListView1.ClearColumns();
            m.ListView1.reportView = true;
            m.ListView1.AddColumn(languageString(m.app(), 79));
            m.ListView1.AddColumn(languageString(m.app(), 81));
            const int n = m.File1.ListCount();
            // A list sorted by a header click stays sorted, but by one sort once the rows are
            // complete (a sort by time needs the times), not by one per added row.
            const bool sorted = m.ListView1.Sorted;
            m.ListView1.Sorted = false;
            struct Restore {
                ListView& lv;
                bool sorted;
                ~Restore() { lv.Sorted = sorted; }
            } restore{m.ListView1, sorted};
            for (int k = 1; k <= n; ++k) {
                m.File1.setListIndex(k - 1);
                const std::string name = m.File1.FileName();
                const int row = m.ListView1.AddRow(name);
                const std::time_t t = fs.FileDateTime(joinPath(m.File1.Path(), name));
                m.ListView1.setSubItem(row, 1, modificationText(t));
            }
            m.ListView1.Sorted = sorted;
            if (sorted) m.ListView1.Sort();
        },
        [&](const vb::Error&) { numberedMessage(m.app(), 105, kWarning, PromptForm::NoBlank); });
}

}  // namespace

void Main::ImageFolder_Refresh() { buildPictureList(*this); }

void Main::CoolButton2_Click() { buildPictureList(*this); }

void Main::cmd_Refresh_Click() {
    // No handler of its own: a folder that cannot be read any more stops the refresh, and the
    // failure reaches the event boundary, which logs it.
    File1.Refresh();
    img_ImageInfo.setVisible(false);
    lbl_ImageInfo.setCaption("");
    CoolButton2_Click();
}

void Main::cmd_Expand_FileBox_Click() {
    if (cmd_Expand_FileBox.Caption() == ">") {
        ListView1.setWidth(6375);
        lbl_Preview.setVisible(false);
        cmd_Expand_FileBox.setCaption("<");
    } else {
        ListView1.setWidth(3375);
        lbl_Preview.setVisible(true);
        cmd_Expand_FileBox.setCaption(">");
    }
}

void Main::ListView1_ItemClick(int row) {
    std::string name;
    vb::resume([&] { name = ListView1.row(row).text; });
    vb::resume([&] {
        CoolButton8.setEnabled(true);
        CoolButton11.setEnabled(true);
    });
    previewFile(name);
}

}  // namespace vantry
