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

#include "platform/picture.h"

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

protected:
    std::vector<std::string> items_;
    int index_ = -1;
};

class ListBox : public ListControl {
public:
    ListBox(Form* f, std::string n, Control* parent = nullptr)
        : ListControl(f, Kind::ListBox, std::move(n), parent) {}
    std::string Text() const { return SelectedText(); }
};

// A drop-down list: the text is the selected item.
class ComboBox : public ListControl {
public:
    ComboBox(Form* f, std::string n, Control* parent = nullptr)
        : ListControl(f, Kind::ComboBox, std::move(n), parent) {}
    std::string Text() const { return SelectedText(); }
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
    const std::string& Path() const { return path_; }
    // Points the list at a folder and re-reads it; a folder that cannot be read fails and
    // leaves the list as it was.
    void setPath(const std::string& folder);
    // Re-reads the folder.
    void Refresh();
    std::string FileName() const { return SelectedText(); }
    // A file list selects without firing Click when set from code.
    bool matches(const std::string& name) const;
    bool getProperty(const std::string& prop, std::string& out) const override;

private:
    std::string pattern_ = "*.*";
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
    void selectOnly(const std::vector<int>& rowsToSelect);
    std::vector<int> selectedRows() const;
    bool reportView = false;
    // Sorting: once Sorted is on the rows stay ordered by SortKey (0 = text, n = sub-item n).
    bool Sorted = false;
    int SortKey = 0;
    int SortOrder = 0;  // 0 ascending, 1 descending
    void Sort();
    bool LabelEdit = true;

    Event<int> ItemClick;  // the clicked row, 1-based
    Event<int> ColumnClick;
    Event<int&> BeforeLabelEdit;                  // cancel
    Event<int&, std::string&> AfterLabelEdit;     // cancel, new text
    Event<> LostFocus;
    bool getProperty(const std::string& prop, std::string& out) const override;

private:
    std::vector<std::string> columns_;
    std::vector<Row> rows_;
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
