#pragma once
// Controls of the runtime model: named objects owned by a form, with the properties and events
// that the window designs use. Positions and sizes are in twips (15 to a pixel at 96 DPI).
//
// Design values are set through the chainable design helpers (pos, cap, txt, ...), which touch
// the fields directly and fire nothing. Every later change goes through the property setters,
// which fire what the forms runtime fired (a text box's Change on every change of Text) and tell
// the attached view so a front end can redraw.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/pictures/picture.h"

namespace vb {

class Form;
class App;

enum class Kind {
    Label,
    TextBox,
    CheckBox,
    CommandButton,
    ImageButton,
    ComboBox,
    ListBox,
    FileListBox,
    FolderListBox,
    Panel,
    Shape,
    Image,
    PictureBox,
    Timer,
    Menu,
    MenuItem,
    LinkLabel,
    ListView,
    WebBrowser,
    TrayIcon,
    FileTransfer,
    InternetTransfer,
    FolderBrowser,
    DriveListBox,
    DirListBox,
};

const char* kindName(Kind k);

// Colours as 0xRRGGBB.
using Color = std::uint32_t;
constexpr Color rgb(int r, int g, int b) {
    return (Color(r & 255) << 16) | (Color(g & 255) << 8) | Color(b & 255);
}

// A front end attaches one view per control to learn of model changes.
class ControlView {
public:
    virtual ~ControlView() = default;
    virtual void modelChanged() = 0;
};

// A plain event: handlers are set by the owning form; raising one with no handler does nothing.
template <class... Args>
struct Event {
    std::function<void(Args...)> handler;
    void operator=(std::function<void(Args...)> h) { handler = std::move(h); }
    void operator()(Args... args) const {
        if (handler) handler(args...);
    }
    explicit operator bool() const { return bool(handler); }
};

class Control {
public:
    Control(Form* form, Kind kind, std::string name, Control* parent = nullptr, int index = -1);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Form& form() const { return *form_; }
    App& app() const;
    Kind kind() const { return kind_; }
    const std::string& name() const { return name_; }
    int index() const { return index_; }  // position in a control array, -1 when none
    Control* parent() const { return parent_; }

    // Design-time helpers: set a value without firing anything.
    Control& pos(int left, int top, int width, int height);
    Control& cap(std::string caption);
    Control& tip(std::string tooltip);
    Control& hidden();
    Control& disabled();
    Control& colors(Color fore, Color back);
    Control& fill(Color fillColor, Color borderColor);
    Control& bold();
    Control& fontSize(int points);

    // Properties.
    const std::string& Caption() const { return caption_; }
    void setCaption(const std::string& v);
    const std::string& ToolTipText() const { return tooltip_; }
    void setToolTipText(const std::string& v);
    bool Visible() const { return visible_; }
    void setVisible(bool v);
    bool Enabled() const { return enabled_; }
    virtual void setEnabled(bool v);
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void setLeft(int v);
    void setTop(int v);
    void setWidth(int v);
    void setHeight(int v);
    Color ForeColor() const { return fore_; }
    Color BackColor() const { return back_; }
    Color FillColor() const { return fillColor_; }
    Color BorderColor() const { return borderColor_; }
    void setForeColor(Color c);
    void setBackColor(Color c);
    void setFillColor(Color c);
    bool FontBold() const { return bold_; }
    int FontSize() const { return fontSize_; }
    bool hasColors() const { return hasColors_; }

    // Text-valued property access by name, for the scenario runner; false when unknown.
    virtual bool getProperty(const std::string& prop, std::string& out) const;
    virtual bool setProperty(const std::string& prop, const std::string& value);

    // Events shared by all kinds.
    Event<> Click;
    Event<> DblClick;
    Event<> GotFocus;  // the control took the keyboard focus
    Event<int, int, float, float> MouseMove;  // button, shift, x, y (twips)
    Event<int&, int> KeyDown;                 // key code, shift

    void attachView(ControlView* v) { view_ = v; }
    ControlView* view() const { return view_; }

protected:
    void changed();

    std::string caption_, tooltip_;
    bool visible_ = true, enabled_ = true;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    Color fore_ = 0, back_ = 0xFFFFFF, fillColor_ = 0xFFFFFF, borderColor_ = 0;
    bool hasColors_ = false, bold_ = false;
    int fontSize_ = 0;

private:
    Form* form_;
    Kind kind_;
    std::string name_;
    Control* parent_;
    int index_;
    ControlView* view_ = nullptr;
};

class Label : public Control {
public:
    Label(Form* f, std::string n, Control* parent = nullptr, int index = -1)
        : Control(f, Kind::Label, std::move(n), parent, index) {}
};

class CommandButton : public Control {
public:
    CommandButton(Form* f, std::string n, Control* parent = nullptr, int index = -1)
        : Control(f, Kind::CommandButton, std::move(n), parent, index) {}
};

class LinkLabel : public Control {
public:
    LinkLabel(Form* f, std::string n, Control* parent = nullptr)
        : Control(f, Kind::LinkLabel, std::move(n), parent) {}
    std::string url;
};

class Panel : public Control {
public:
    Panel(Form* f, std::string n, Control* parent = nullptr)
        : Control(f, Kind::Panel, std::move(n), parent) {}
};

// A rectangle with a border and a solid fill.
class Shape : public Control {
public:
    Shape(Form* f, std::string n, Control* parent = nullptr)
        : Control(f, Kind::Shape, std::move(n), parent) {}
};

class TextBox : public Control {
public:
    TextBox(Form* f, std::string n, Control* parent = nullptr)
        : Control(f, Kind::TextBox, std::move(n), parent) {}
    Control& txt(std::string v) {
        text_ = std::move(v);
        return *this;
    }
    const std::string& Text() const { return text_; }
    // Fires Change when the text really changes, whoever set it.
    void setText(const std::string& v);
    bool getProperty(const std::string& prop, std::string& out) const override;
    bool setProperty(const std::string& prop, const std::string& value) override;
    Event<> Change;

private:
    std::string text_;
};

class CheckBox : public Control {
public:
    CheckBox(Form* f, std::string n, Control* parent = nullptr)
        : Control(f, Kind::CheckBox, std::move(n), parent) {}
    int Value() const { return value_; }
    void setValue(int v);  // fires Click on a change, as the runtime did
    bool getProperty(const std::string& prop, std::string& out) const override;
    bool setProperty(const std::string& prop, const std::string& value) override;

private:
    int value_ = 0;
};

// Things that carry a picture: images, picture boxes and image buttons.
class PictureHolder : public Control {
public:
    using Control::Control;
    const std::shared_ptr<const Picture>& picture() const { return picture_; }
    void setPicture(std::shared_ptr<const Picture> p);
    void clearPicture() { setPicture(nullptr); }
    bool stretch = false;  // an image that scales its picture to its own size
    // The name of one of the program's own pictures ("apply", "delete", "random", ...), which
    // the front end shows while no loaded picture is set (button faces, icons). Empty for none.
    std::string resource;
    bool getProperty(const std::string& prop, std::string& out) const override;

private:
    std::shared_ptr<const Picture> picture_;
};

class Image : public PictureHolder {
public:
    Image(Form* f, std::string n, Control* parent = nullptr)
        : PictureHolder(f, Kind::Image, std::move(n), parent) {}
};

class PictureBox : public PictureHolder {
public:
    PictureBox(Form* f, std::string n, Control* parent = nullptr)
        : PictureHolder(f, Kind::PictureBox, std::move(n), parent) {}
};

// A push button with a picture, a caption and a tooltip.
class ImageButton : public PictureHolder {
public:
    ImageButton(Form* f, std::string n, Control* parent = nullptr)
        : PictureHolder(f, Kind::ImageButton, std::move(n), parent) {}
};

// List box and combo box share the item list and the selection.
class ListControl : public Control {
public:
    using Control::Control;
    int ListCount() const { return int(items_.size()); }
    int ListIndex() const { return index_; }
    // Out of range fails (invalid property value) and leaves the selection as it was.
    void setListIndex(int i);
    const std::string& List(int i) const;
    void AddItem(const std::string& item);
    void Clear();
    // The selected item's text, "" while nothing is selected.
    std::string SelectedText() const;
    const std::vector<std::string>& items() const { return items_; }
    bool getProperty(const std::string& prop, std::string& out) const override;
    bool setProperty(const std::string& prop, const std::string& value) override;

    // Several items may be selected at once (Shift and Ctrl); ListIndex is then the item with
    // the focus, and moving it selects nothing. Without it, the one selected item is ListIndex.
    bool MultiSelect = false;
    bool Selected(int i) const;
    void setSelected(int i, bool on);
    // Exactly these items (0-based) selected; no event fires. With MultiSelect the focus stays
    // where it is; without, the last of them becomes ListIndex.
    void selectOnly(const std::vector<int>& indexes);
    std::vector<int> selectedIndexes() const;

protected:
    // Runs after ListIndex changed, before Click fires.
    virtual void indexChanged() {}
    std::vector<std::string> items_;
    std::vector<bool> selected_;  // used only with MultiSelect; as long as items_
    int index_ = -1;
};

class ListBox : public ListControl {
public:
    ListBox(Form* f, std::string n, Control* parent = nullptr)
        : ListControl(f, Kind::ListBox, std::move(n), parent) {}
    std::string Text() const { return SelectedText(); }
};

// A drop-down list, whose text is the selected item; or, when editable, a drop-down combo whose
// text the user may also type (choosing an item puts the item's text there).
class ComboBox : public ListControl {
public:
    ComboBox(Form* f, std::string n, Control* parent = nullptr)
        : ListControl(f, Kind::ComboBox, std::move(n), parent) {}
    bool editable = false;
    Control& txt(std::string v) {
        text_ = std::move(v);
        return *this;
    }
    std::string Text() const { return editable ? text_ : SelectedText(); }
    // Typed text; fires Change when it really changes. A drop-down list has no text of its own.
    void setText(const std::string& v);
    bool getProperty(const std::string& prop, std::string& out) const override;
    bool setProperty(const std::string& prop, const std::string& value) override;
    Event<> Change;

protected:
    void indexChanged() override;

private:
    std::string text_;
};


// A list of the files in one folder whose names match a pattern such as "*.jpg;*.bmp" (letter
// case ignored), sorted by name. The entries are bare names.
class FileListBox : public ListControl {
public:
    FileListBox(Form* f, std::string n, Control* parent = nullptr)
        : ListControl(f, Kind::FileListBox, std::move(n), parent) {}
    Control& pattern(std::string p) {
        pattern_ = std::move(p);
        return *this;
    }
    const std::string& Pattern() const { return pattern_; }
    // A new pattern re-reads the folder (when one is set).
    void setPattern(const std::string& p);
    const std::string& Path() const { return path_; }
    // Points the list at a folder and re-reads it; a folder that cannot be read fails and
    // leaves the list as it was.
    void setPath(const std::string& folder);
    // Re-reads the folder.
    void Refresh();
    std::string FileName() const { return SelectedText(); }
    // Patterns are names with "*" (any run of characters) and "?" (one character), several
    // joined by ";", compared without regard to letter case; "*.*" takes every name.
    bool matches(const std::string& name) const;
    bool getProperty(const std::string& prop, std::string& out) const override;

private:
    std::string pattern_ = "*.*";
    std::string path_;
};

// A list of the sub-folders of one folder, sorted by name (letter case ignored), headed by ".."
// while the folder has a parent; hidden folders (a leading ".") are left out. Path is always an
// absolute, normalised path. Opening an entry (the user's double click) makes it the Path;
// every change of Path, by the user or by code, fires Change.
class FolderListBox : public ListControl {
public:
    FolderListBox(Form* f, std::string n, Control* parent = nullptr)
        : ListControl(f, Kind::FolderListBox, std::move(n), parent) {}
    static constexpr const char* kParentEntry = "..";
    const std::string& Path() const { return path_; }
    // Opens a folder; a relative name is taken from the current directory, letter case is matched
    // as the file system does. A folder that does not exist (76) or cannot be read fails and
    // leaves the list as it was. Change fires only when the path really changes.
    void setPath(const std::string& folder);
    // Reads the sub-folders again; the path stays.
    void Refresh();
    // The folder an entry stands for.
    std::string entryPath(int i) const;
    // The user's double click on entry i: selects it, opens it, then raises DblClick.
    void openEntry(int i);
    bool getProperty(const std::string& prop, std::string& out) const override;
    bool setProperty(const std::string& prop, const std::string& value) override;
    Event<> Change;

private:
    std::string path_;
};

// A list view in report view: column headers, rows with sub-items, selection and label editing.
class ListView : public Control {
public:
    ListView(Form* f, std::string n, Control* parent = nullptr)
        : Control(f, Kind::ListView, std::move(n), parent) {}
    struct Row {
        std::string text;
        std::vector<std::string> sub;  // sub-item 1 is sub[0]
        bool selected = false;
        bool focused = false;  // the row with the focus: SelectedItem
    };
    // Columns.
    void ClearColumns();
    void AddColumn(const std::string& header);
    const std::vector<std::string>& columns() const { return columns_; }
    // Rows, 1-based as the control counts them.
    int Count() const { return int(rows_.size()); }
    void ClearRows();
    int AddRow(const std::string& text);  // returns its 1-based position
    Row& row(int i);
    const Row& row(int i) const;
    void setSubItem(int i, int sub, const std::string& text);
    void setRowText(int i, const std::string& text);
    void RemoveRow(int i);
    const std::vector<Row>& rows() const { return rows_; }
    // Exactly these rows selected; the focus goes to the last of them (none when empty).
    void selectOnly(const std::vector<int>& rowsToSelect);
    // Exactly these rows selected and the focus on row `focused` (0: none), as a front end
    // reports the user's selection; no event fires.
    void setSelection(const std::vector<int>& rowsToSelect, int focused);
    std::vector<int> selectedRows() const;
    // The row with the focus (the one a label edit works on), 1-based; 0 when there is none.
    int SelectedItem() const;
    // Several rows may be selected at once (Shift and Ctrl).
    bool MultiSelect = false;
    bool reportView = false;
    // Sorting: once Sorted is on the rows stay ordered by SortKey (0 = text, n = sub-item n).
    bool Sorted = false;
    int SortKey = 0;
    int SortOrder = 0;  // 0 ascending, 1 descending
    void Sort();
    bool LabelEdit = true;

    // A label edit, as the control runs it for the user. beginLabelEdit puts the focus on the
    // row (alone selected, unless it was selected already), fires BeforeLabelEdit and tells
    // whether the edit may go on. endLabelEdit fires AfterLabelEdit with the typed text; unless
    // the handler cancels, the row takes that text, except when the handler wrote a row's text
    // itself (putting the old name back), which then stands.
    bool beginLabelEdit(int row);
    void endLabelEdit(int row, const std::string& text);

    Event<int> ItemClick;  // the clicked row, 1-based
    Event<int> ColumnClick;
    Event<int&> BeforeLabelEdit;                  // cancel
    Event<int&, std::string&> AfterLabelEdit;     // cancel, new text
    Event<> LostFocus;
    bool getProperty(const std::string& prop, std::string& out) const override;

private:
    std::vector<std::string> columns_;
    std::vector<Row> rows_;
    unsigned textWrites_ = 0;  // counts setRowText, so an edit can tell the handler wrote
};

// The folder browser: a modal dialog that returns a folder's path, "" when cancelled.
class FolderBrowser : public Control {
public:
    FolderBrowser(Form* f, std::string n) : Control(f, Kind::FolderBrowser, std::move(n)) {}
    std::string Prompt;
    // Shows the dialog and returns the chosen folder ("" when cancelled), also kept in Path.
    std::string Browse();
    const std::string& Path() const { return path_; }
    bool getProperty(const std::string& prop, std::string& out) const override;

private:
    std::string path_;
};

// The drive list: one entry per drive. Setting Drive fires Change.
class DriveListBox : public Control {
public:
    DriveListBox(Form* f, std::string n, Control* parent = nullptr)
        : Control(f, Kind::DriveListBox, std::move(n), parent) {}
    const std::string& Drive() const { return drive_; }
    void setDrive(const std::string& d);
    void Refresh() { changed(); }
    bool getProperty(const std::string& prop, std::string& out) const override;
    bool setProperty(const std::string& prop, const std::string& value) override;
    Event<> Change;

private:
    std::string drive_ = "/";
};

// The folder list: the folders of one folder. Setting Path fires Change.
class DirListBox : public Control {
public:
    DirListBox(Form* f, std::string n, Control* parent = nullptr)
        : Control(f, Kind::DirListBox, std::move(n), parent) {}
    const std::string& Path() const { return path_; }
    void setPath(const std::string& p);
    bool getProperty(const std::string& prop, std::string& out) const override;
    bool setProperty(const std::string& prop, const std::string& value) override;
    Event<> Change;

private:
    std::string path_;
};

class Timer : public Control {
public:
    Timer(Form* f, std::string n, Control* parent = nullptr);
    ~Timer() override;
    Control& interval(int ms) {
        interval_ = ms;
        return *this;
    }
    int Interval() const { return interval_; }
    void setInterval(int ms);
    void setEnabled(bool v) override;
    // Arms the timer when its form is loaded and it is enabled at design.
    void start();
    Event<> Tick;  // the Timer event

private:
    void rearm();
    int interval_ = 0;
    bool armed_ = false;
};

class MenuItem : public Control {
public:
    MenuItem(Form* f, std::string n, Control* menu)
        : Control(f, Kind::MenuItem, std::move(n), menu) {}
    bool separator() const { return Caption() == "-"; }
    int position = 0;  // counted over every menu entry of the form, from 1
    std::shared_ptr<const Picture> picture;  // drawn beside the caption
    std::string resource;                    // or the named picture the front end draws, if any
    bool getProperty(const std::string& prop, std::string& out) const override;
};

class Menu : public Control {
public:
    Menu(Form* f, std::string n) : Control(f, Kind::Menu, std::move(n)) {}
    std::vector<MenuItem*> items;
    int position = 0;
};

// The tray-icon control: two operations, add and remove its icon.
class TrayIconControl : public Control {
public:
    TrayIconControl(Form* f, std::string n) : Control(f, Kind::TrayIcon, std::move(n)) {}
    void AddIcon();
    void RemoveIcon();
};

}  // namespace vb
