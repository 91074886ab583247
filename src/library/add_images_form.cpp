// The add-images window: its design, captions, folder browsing, preview and the import.
#include "library/add_images_form.h"

#include "library/library_files.h"
#include "localisation/language.h"
#include "platform/base/error.h"
#include "platform/pictures/picture.h"
#include "platform/system/fs.h"
#include "shell/main_form.h"

namespace vantry {

namespace {
constexpr int kEnterKey = 13;
}  // namespace

Add_Images::Add_Images(App& app) : Form(app, kName) {
    design("Add images", 6615, 5760);
    lbl_GetExtIMAGE.pos(120, 120, 6375, 345).bold().fontSize(12);
    lbl_Path.pos(120, 570, 2415, 255).cap("Percorso corrente:");
    txt_CurPath.txt("-");
    txt_CurPath.pos(120, 840, 5055, 315);
    cmd_ChangePath.pos(5280, 825, 1215, 345).cap("&Cambia");
    lbl_Available_Images.pos(120, 1305, 3615, 255).cap("Immagini disponibili:");
    File1.pos(120, 1575, 3615, 2880);
    File1.pattern("*.jpg;*.bmp");
    File1.MultiSelect = true;
    lbl_Pattern.pos(120, 4605, 1335, 255);
    Combo_Pattern.pos(1455, 4560, 2280, 315);
    Combo_Pattern.editable = true;
    Combo_Pattern.txt("*.jpg;*.bmp");
    for (const char* p : {"*.jpg;*.bmp", "*.jpg", "*.bmp", "*.*"}) Combo_Pattern.AddItem(p);
    lbl_Preview.pos(3960, 1305, 2535, 255).bold();
    Picture_Preview.pos(0, 0, 15, 15).hidden();
    img_Preview.pos(3960, 1575, 2055, 1575);
    img_Preview.stretch = true;
    Check1.pos(120, 5070, 3615, 300);
    Command1.pos(3960, 5010, 1215, 405);
    Command2.pos(5280, 5010, 1215, 405);
    lst_Selection.pos(0, 0, 15, 15).hidden();
    txt_InitDir.pos(0, 0, 15, 15).hidden();
    // Below the window's visible area: nothing the user can reach.
    Drive1.pos(120, 6600, 1215, 315).hidden();
    Dir1.pos(1455, 6600, 1215, 315).hidden();
    // The file list starts on the folder current when the window is created.
    vb::resume([&] { File1.setPath(app.fs().CurDir()); });

    cmd_ChangePath.Click = [this] { cmd_ChangePath_Click(); };
    Combo_Pattern.Click = [this] { Combo_Pattern_Click(); };
    Combo_Pattern.KeyDown = [this](int& key, int shift) { Combo_Pattern_KeyDown(key, shift); };
    File1.Click = [this] { File1_Click(); };
    Command1.Click = [this] { Command1_Click(); };
    Command2.Click = [this] { Command2_Click(); };
    Drive1.Change = [this] { Drive1_Change(); };
    Dir1.Change = [this] { Dir1_Change(); };
}

void Add_Images::Form_Load() {
    Get_Language();
    txt_CurPath.setText(app().fs().CurDir());
}

void Add_Images::Form_Unload(int&) {
    unloading_ = true;
    Command2_Click();
}

void Add_Images::Get_Language() {
    ListBox& store = app().form<Main>().lst_Language;
    captionStep(store, 240, [&](const std::string& t) { setCaption(t); });
    captionStep(store, 240, [&](const std::string& t) { lbl_GetExtIMAGE.setCaption(t); });
    captionStep(store, 241, [&](const std::string& t) { lbl_Preview.setCaption(t); });
    captionStep(store, 242, [&](const std::string& t) { Command1.setCaption(t); });
    captionStep(store, 243, [&](const std::string& t) { Command2.setCaption(t); });
    captionStep(store, 244, [&](const std::string& t) { lbl_Pattern.setCaption(t); });
    captionStep(store, 245, [&](const std::string& t) { Check1.setCaption(t); });
    captionStep(store, 252, [&](const std::string& t) { BrowseFF1.Prompt = t; });
}

void Add_Images::cmd_ChangePath_Click() {
    FileSystem& fs = app().fs();
    const std::string before = fs.CurDir();
    vb::guarded(
        [&] {
            BrowseFF1.Prompt = languageString(app(), 252);
            const std::string path = BrowseFF1.Browse();
            if (path.empty()) return;
            txt_CurPath.setText(path);
            fs.ChDrive(path.substr(0, 1));
            fs.ChDir(path);
            File1.setPath(path);
        },
        [&](const vb::Error&) {
            numberedMessage(app(), 253, kWarning);
            vb::resume([&] { fs.ChDrive(before.substr(0, 1)); });
            vb::resume([&] { fs.ChDir(before); });
            vb::resume([&] { File1.setPath(fs.CurDir()); });
            vb::resume([&] { txt_CurPath.setText(fs.CurDir()); });
        });
}

void Add_Images::Combo_Pattern_Click() {
    // A folder that cannot be read leaves the list as it was.
    vb::resume([&] { File1.setPattern(Combo_Pattern.Text()); });
}

void Add_Images::Combo_Pattern_KeyDown(int& keyCode, int) {
    if (keyCode == kEnterKey) Combo_Pattern_Click();
}

void Add_Images::File1_Click() {
    FileBox_Click();
}

void Add_Images::FileBox_Click() {
    const std::string name = File1.FileName();
    if (name.empty()) return;
    vb::guarded(
        [&] {
            Picture_Preview.clearPicture();
            img_Preview.clearPicture();
            img_Preview.setVisible(false);
            const std::string path = app().fs().resolve(joinPath(txt_CurPath.Text(), name));
            Picture_Preview.setPicture(std::make_shared<const Picture>(loadPicture(path)));
            img_Preview.setPicture(Picture_Preview.picture());
            img_Preview.setHeight(1575);
            img_Preview.setWidth(2055);
            img_Preview.setVisible(true);
        },
        [](const vb::Error&) {});
}

void Add_Images::Command1_Click() {
    lst_Selection.Clear();
    for (int i : File1.selectedIndexes()) lst_Selection.AddItem(File1.List(i));
    if (lst_Selection.ListCount() == 0) return;
    FileSystem& fs = app().fs();
    vb::guarded(
        [&] {
            Main& main = app().form<Main>();
            const std::string library = pictureFolder(main.txt_InitDir.Text());
            const bool move = Check1.Value() == 1;
            for (int k = 0; k < lst_Selection.ListCount(); ++k) {
                const std::string name = lst_Selection.List(k);
                const std::string source = joinPath(txt_CurPath.Text(), name);
                const std::string target = joinPath(library, name);
                // A picture already in the library is its own copy: deleting it would lose it.
                if (sameFile(fs, source, target)) continue;
                // A moved file is deleted only once its copy is on the disk, whole: the copy
                // must have the source's size, so a failed copy never loses the only one.
                fs.FileCopy(source, target, move);
                if (move) {
                    if (fs.FileLen(target) != fs.FileLen(source))
                        throw vb::Error(vb::err::PathFileAccess, "copy of " + source + " is incomplete");
                    fs.Kill(source);
                }
            }
            Unload();
            main.setWindowState(WindowState::Normal);
            main.Show();
            main.File1.Refresh();
            main.ImageFolder_Refresh();
        },
        [&](const vb::Error&) { numberedMessage(app(), 251, kWarning); });
}

void Add_Images::Command2_Click() {
    FileSystem& fs = app().fs();
    // A folder gone meanwhile cannot be entered again; the window closes all the same.
    vb::resume([&] { fs.ChDrive(txt_InitDir.Text().substr(0, 1)); });
    vb::resume([&] { fs.ChDir(txt_InitDir.Text()); });
    if (!unloading_) Unload();
}

void Add_Images::Drive1_Change() {
    for (;;) {
        try {
            Dir1.setPath(Drive1.Drive());
            app().fs().ChDrive(Drive1.Drive());
            return;
        } catch (const vb::Error&) {
            std::string text;
            vb::resume([&] { text = languageString(app(), 250); });
            if (app().dialogs().MsgBox(text, kRetryQuestion, "tideFRAME") != mb::Yes) {
                Drive1.Refresh();
                return;
            }
        }
    }
}

void Add_Images::Dir1_Change() {
    File1.setPath(Dir1.Path());
}

}  // namespace vantry
