#include "platform/model/control.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "platform/base/error.h"
#include "platform/base/text.h"
#include "platform/model/app.h"
#include "platform/model/form.h"
#include "platform/system/fs.h"

namespace vb {

const char* kindName(Kind k) {
    switch (k) {
        case Kind::Label: return "Label";
        case Kind::TextBox: return "TextBox";
        case Kind::CheckBox: return "CheckBox";
        case Kind::CommandButton: return "CommandButton";
        case Kind::ImageButton: return "ImageButton";
        case Kind::ComboBox: return "ComboBox";
        case Kind::ListBox: return "ListBox";
        case Kind::FileListBox: return "FileListBox";
        case Kind::FolderListBox: return "FolderListBox";
        case Kind::Panel: return "Panel";
        case Kind::Shape: return "Shape";
        case Kind::Image: return "Image";
        case Kind::PictureBox: return "PictureBox";
        case Kind::Timer: return "Timer";
        case Kind::Menu: return "Menu";
        case Kind::MenuItem: return "MenuItem";
        case Kind::LinkLabel: return "LinkLabel";
        case Kind::ListView: return "ListView";
        case Kind::WebBrowser: return "WebBrowser";
        case Kind::TrayIcon: return "TrayIcon";
        case Kind::FileTransfer: return "FileTransfer";
        case Kind::InternetTransfer: return "InternetTransfer";
        case Kind::FolderBrowser: return "FolderBrowser";
        case Kind::DriveListBox: return "DriveListBox";
        case Kind::DirListBox: return "DirListBox";
    }
    return "?";
}

Control::Control(Form* form, Kind kind, std::string name, Control* parent, int index)
    : form_(form), kind_(kind), name_(std::move(name)), parent_(parent), index_(index) {
    form_->registerControl(this);
}

Control::~Control() { form_->unregisterControl(this); }

App& Control::app() const { return form_->app(); }

Control& Control::pos(int left, int top, int width, int height) {
    left_ = left, top_ = top, width_ = width, height_ = height;
    return *this;
}
Control& Control::cap(std::string caption) {
    caption_ = std::move(caption);
    return *this;
}
Control& Control::tip(std::string tooltip) {
    tooltip_ = std::move(tooltip);
    return *this;
}
Control& Control::hidden() {
    visible_ = false;
    return *this;
}
Control& Control::disabled() {
    enabled_ = false;
    return *this;
}
Control& Control::colors(Color fore, Color back) {
    fore_ = fore, back_ = back, hasColors_ = true;
    return *this;
}
Control& Control::fill(Color fillColor, Color borderColor) {
    fillColor_ = fillColor, borderColor_ = borderColor;
    return *this;
}
Control& Control::bold() {
    bold_ = true;
    return *this;
}
Control& Control::fontSize(int points) {
    fontSize_ = points;
    return *this;
}

void Control::changed() {
    if (view_) view_->modelChanged();
}

#define VB_SETTER(name, field)      \
    void Control::name(decltype(field) v) { \
        if (field == v) return;     \
        field = v;                  \
        changed();                  \
    }

void Control::setCaption(const std::string& v) {
    if (caption_ == v) return;
    caption_ = v;
    changed();
}
void Control::setToolTipText(const std::string& v) {
    if (tooltip_ == v) return;
    tooltip_ = v;
    changed();
}
VB_SETTER(setVisible, visible_)
VB_SETTER(setLeft, left_)
VB_SETTER(setTop, top_)
// A size below zero is an invalid property value, as the forms runtime had it.
void Control::setWidth(int v) {
    if (v < 0) throw Error(err::InvalidPropertyValue, name() + ".Width = " + std::to_string(v));
    if (width_ == v) return;
    width_ = v;
    changed();
}
void Control::setHeight(int v) {
    if (v < 0) throw Error(err::InvalidPropertyValue, name() + ".Height = " + std::to_string(v));
    if (height_ == v) return;
    height_ = v;
    changed();
}
VB_SETTER(setForeColor, fore_)
VB_SETTER(setBackColor, back_)
VB_SETTER(setFillColor, fillColor_)
#undef VB_SETTER

void Control::setEnabled(bool v) {
    if (enabled_ == v) return;
    enabled_ = v;
    changed();
}

namespace {
std::string boolText(bool b) { return b ? "true" : "false"; }
bool parseBool(const std::string& v) { return v == "true" || v == "True" || v == "1" || v == "-1"; }
std::string colorText(Color c) {
    return std::to_string((c >> 16) & 255) + "," + std::to_string((c >> 8) & 255) + "," +
           std::to_string(c & 255);
}
Color parseColor(const std::string& v) {
    int r = 0, g = 0, b = 0;
    if (std::sscanf(v.c_str(), "%d,%d,%d", &r, &g, &b) != 3) throw Error(err::InvalidPropertyValue);
    return rgb(r, g, b);
}
int parseInt(const std::string& v) {
    try {
        std::size_t used = 0;
        const int n = std::stoi(v, &used);
        if (used != v.size()) throw Error(err::InvalidPropertyValue);
        return n;
    } catch (const std::logic_error&) {
        throw Error(err::InvalidPropertyValue, "not a number: " + v);
    }
}
}  // namespace

bool Control::getProperty(const std::string& p, std::string& out) const {
    if (p == "Caption") out = caption_;
    else if (p == "ToolTipText") out = tooltip_;
    else if (p == "Visible") out = boolText(visible_);
    else if (p == "Enabled") out = boolText(enabled_);
    else if (p == "Left") out = std::to_string(left_);
    else if (p == "Top") out = std::to_string(top_);
    else if (p == "Width") out = std::to_string(width_);
    else if (p == "Height") out = std::to_string(height_);
    else if (p == "ForeColor") out = colorText(fore_);
    else if (p == "BackColor") out = colorText(back_);
    else if (p == "FillColor") out = colorText(fillColor_);
    else if (p == "BorderColor") out = colorText(borderColor_);
    else if (p == "FontBold") out = boolText(bold_);
    else return false;
    return true;
}

bool Control::setProperty(const std::string& p, const std::string& v) {
    if (p == "Caption") setCaption(v);
    else if (p == "ToolTipText") setToolTipText(v);
    else if (p == "Visible") setVisible(parseBool(v));
    else if (p == "Enabled") setEnabled(parseBool(v));
    else if (p == "Left") setLeft(parseInt(v));
    else if (p == "Top") setTop(parseInt(v));
    else if (p == "Width") setWidth(parseInt(v));
    else if (p == "Height") setHeight(parseInt(v));
    else if (p == "ForeColor") setForeColor(parseColor(v));
    else if (p == "BackColor") setBackColor(parseColor(v));
    else if (p == "FillColor") setFillColor(parseColor(v));
    else return false;
    return true;
}

// ---- text box

void TextBox::setText(const std::string& v) {
    if (text_ == v) return;
    text_ = v;
    changed();
    Change();
}

bool TextBox::getProperty(const std::string& p, std::string& out) const {
    if (p == "Text") {
        out = text_;
        return true;
    }
    return Control::getProperty(p, out);
}

bool TextBox::setProperty(const std::string& p, const std::string& v) {
    if (p == "Text") {
        setText(v);
        return true;
    }
    return Control::setProperty(p, v);
}

// ---- check box

void CheckBox::setValue(int v) {
    if (v < 0 || v > 2) throw Error(err::InvalidPropertyValue, "check box value " + std::to_string(v));
    if (value_ == v) return;
    value_ = v;
    changed();
    Click();
}

bool CheckBox::getProperty(const std::string& p, std::string& out) const {
    if (p == "Value") {
        out = std::to_string(value_);
        return true;
    }
    return Control::getProperty(p, out);
}

bool CheckBox::setProperty(const std::string& p, const std::string& v) {
    if (p == "Value") {
        setValue(parseInt(v));
        return true;
    }
    return Control::setProperty(p, v);
}

// ---- pictures

void PictureHolder::setPicture(std::shared_ptr<const Picture> p) {
    if (picture_ == p) return;
    picture_ = std::move(p);
    changed();
}

namespace {
// What a control shows as its picture: a loaded one by its size, a named one by its name.
std::string pictureText(const std::shared_ptr<const Picture>& picture, const std::string& resource,
                        bool nameFirst) {
    const bool loaded = picture && !picture->empty();
    if (!resource.empty() && (nameFirst || !loaded)) return resource;
    return loaded ? std::to_string(picture->width) + "x" + std::to_string(picture->height) : "none";
}
}  // namespace

bool PictureHolder::getProperty(const std::string& p, std::string& out) const {
    if (p == "Picture") {
        out = pictureText(picture_, resource, false);  // the named picture shows while none is loaded
        return true;
    }
    return Control::getProperty(p, out);
}

bool MenuItem::getProperty(const std::string& p, std::string& out) const {
    if (p == "Picture") {
        out = pictureText(picture, resource, true);  // a menu shows the named picture first
        return true;
    }
    return Control::getProperty(p, out);
}

// ---- lists

void ListControl::setListIndex(int i) {
    if (i < -1 || i >= ListCount())
        throw Error(err::InvalidPropertyValue, name() + ".ListIndex = " + std::to_string(i));
    if (index_ == i) return;
    index_ = i;
    indexChanged();
    changed();
    Click();
}

bool ListControl::Selected(int i) const {
    if (i < 0 || i >= ListCount()) throw Error(err::SubscriptOutOfRange, name() + ".Selected");
    return MultiSelect ? bool(selected_[std::size_t(i)]) : i == index_;
}

void ListControl::setSelected(int i, bool on) {
    if (i < 0 || i >= ListCount()) throw Error(err::SubscriptOutOfRange, name() + ".Selected");
    if (!MultiSelect) {
        if (on) setListIndex(i);
        else if (i == index_) setListIndex(-1);
        return;
    }
    if (selected_[std::size_t(i)] == on) return;
    selected_[std::size_t(i)] = on;
    changed();
}

void ListControl::selectOnly(const std::vector<int>& indexes) {
    for (int i : indexes)
        if (i < 0 || i >= ListCount()) throw Error(err::SubscriptOutOfRange, name() + ".Selected");
    if (!MultiSelect) {
        index_ = indexes.empty() ? -1 : indexes.back();
        indexChanged();
        changed();
        return;
    }
    selected_.assign(items_.size(), false);
    for (int i : indexes) selected_[std::size_t(i)] = true;
    changed();
}

std::vector<int> ListControl::selectedIndexes() const {
    std::vector<int> out;
    for (int i = 0; i < ListCount(); ++i)
        if (Selected(i)) out.push_back(i);
    return out;
}

const std::string& ListControl::List(int i) const {
    if (i < 0 || i >= ListCount()) throw Error(err::SubscriptOutOfRange, name() + ".List");
    return items_[std::size_t(i)];
}

void ListControl::AddItem(const std::string& item) {
    items_.push_back(item);
    selected_.push_back(false);
    changed();
}

void ListControl::Clear() {
    items_.clear();
    selected_.clear();
    index_ = -1;
    changed();
}

std::string ListControl::SelectedText() const {
    return index_ >= 0 && index_ < ListCount() ? items_[std::size_t(index_)] : std::string();
}

bool ListControl::getProperty(const std::string& p, std::string& out) const {
    if (p == "ListIndex") out = std::to_string(index_);
    else if (p == "ListCount") out = std::to_string(ListCount());
    else if (p == "Text") out = SelectedText();
    else return Control::getProperty(p, out);
    return true;
}

bool ListControl::setProperty(const std::string& p, const std::string& v) {
    if (p == "ListIndex") {
        setListIndex(parseInt(v));
        return true;
    }
    return Control::setProperty(p, v);
}

// ---- combo box

void ComboBox::setText(const std::string& v) {
    if (!editable) throw Error(err::InvalidPropertyValue, name() + ".Text: a drop-down list takes no typing");
    if (text_ == v) return;
    text_ = v;
    // Typed text is no item: choosing any item afterwards, the last one too, is a change.
    index_ = -1;
    changed();
    Change();
}

void ComboBox::indexChanged() {
    if (editable && index_ >= 0) text_ = items_[std::size_t(index_)];
}

bool ComboBox::getProperty(const std::string& p, std::string& out) const {
    if (p == "Text") {
        out = Text();
        return true;
    }
    return ListControl::getProperty(p, out);
}

bool ComboBox::setProperty(const std::string& p, const std::string& v) {
    if (p == "Text" && editable) {
        setText(v);
        return true;
    }
    return ListControl::setProperty(p, v);
}


// ---- file list

namespace {
char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }

// "*" any run of characters, "?" one character, everything else itself without regard to case.
bool wildcardMatch(std::string_view name, std::string_view pattern) {
    std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || lowerAscii(pattern[p]) == lowerAscii(name[n]))) {
            ++p, ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}
}  // namespace

bool FileListBox::matches(const std::string& name) const {
    std::size_t i = 0;
    while (i <= pattern_.size()) {
        std::size_t j = pattern_.find(';', i);
        if (j == std::string::npos) j = pattern_.size();
        std::string_view p = std::string_view(pattern_).substr(i, j - i);
        while (!p.empty() && p.front() == ' ') p.remove_prefix(1);
        while (!p.empty() && p.back() == ' ') p.remove_suffix(1);
        // "*.*" means every file, also one whose name has no dot.
        if (p == "*.*") return true;
        if (!p.empty() && wildcardMatch(name, p)) return true;
        i = j + 1;
    }
    return false;
}

void FileListBox::setPattern(const std::string& p) {
    pattern_ = p;
    if (!path_.empty()) Refresh();
    else changed();
}

void FileListBox::setPath(const std::string& folder) {
    const std::string before = path_;
    path_ = folder;
    try {
        Refresh();
    } catch (const Error&) {
        path_ = before;
        throw;
    }
}

void FileListBox::Refresh() {
    // Sorted by name, letter case ignored (ties by the exact name); each lower-case key is made
    // once, not once per comparison.
    std::vector<std::pair<std::string, std::string>> keyed;
    for (auto& n : app().fs().listFiles(path_.empty() ? "." : path_))
        if (matches(n)) keyed.emplace_back(toLowerAscii(n), std::move(n));
    std::sort(keyed.begin(), keyed.end());
    std::vector<std::string> names;
    names.reserve(keyed.size());
    for (auto& k : keyed) names.push_back(std::move(k.second));
    // The current entry survives a re-read when its file is still there; a multiple selection
    // does not.
    const std::string current = SelectedText();
    items_ = std::move(names);
    selected_.assign(items_.size(), false);
    index_ = -1;
    if (!current.empty())
        for (std::size_t k = 0; k < items_.size(); ++k)
            if (items_[k] == current) index_ = int(k);
    changed();
}

bool FileListBox::getProperty(const std::string& p, std::string& out) const {
    if (p == "Path") out = path_;
    else if (p == "Pattern") out = pattern_;
    else if (p == "FileName") out = FileName();
    else return ListControl::getProperty(p, out);
    return true;
}

// ---- folder list

namespace {
std::string normalFolder(const std::string& p) {
    std::string n = std::filesystem::path(p).lexically_normal().string();
    while (n.size() > 1 && n.back() == '/') n.pop_back();
    return n;
}
}  // namespace

void FolderListBox::setPath(const std::string& folder) {
    FileSystem& fs = app().fs();
    std::string p = fs.resolve(folder);
    if (p.empty()) throw Error(err::PathNotFound, "empty folder name");
    if (p[0] != '/') p = fs.CurDir() + "/" + p;
    p = normalFolder(p);
    if (!fs.dirExists(p)) throw Error(err::PathNotFound, "no folder " + p);
    const bool moved = p != path_;
    const std::string before = path_;
    path_ = p;
    try {
        Refresh();
    } catch (const Error&) {
        path_ = before;
        throw;
    }
    if (moved) Change();
}

void FolderListBox::Refresh() {
    std::vector<std::string> names = app().fs().listFolders(path_);
    names.erase(std::remove_if(names.begin(), names.end(), [](const std::string& n) { return n[0] == '.'; }),
                names.end());
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string la = toLowerAscii(a), lb = toLowerAscii(b);
        return la != lb ? la < lb : a < b;
    });
    if (path_ != "/") names.insert(names.begin(), kParentEntry);
    items_ = std::move(names);
    index_ = -1;
    changed();
}

std::string FolderListBox::entryPath(int i) const {
    const std::string& e = List(i);
    if (e == kParentEntry) return normalFolder(path_ + "/..");
    return path_ == "/" ? "/" + e : path_ + "/" + e;
}

void FolderListBox::openEntry(int i) {
    const std::string target = entryPath(i);
    setListIndex(i);
    setPath(target);
    DblClick();
}

bool FolderListBox::getProperty(const std::string& p, std::string& out) const {
    if (p == "Path") out = path_;
    else return ListControl::getProperty(p, out);
    return true;
}

bool FolderListBox::setProperty(const std::string& p, const std::string& v) {
    if (p == "Path") {
        setPath(v);
        return true;
    }
    return ListControl::setProperty(p, v);
}

// ---- list view

void ListView::ClearColumns() {
    columns_.clear();
    changed();
}
void ListView::AddColumn(const std::string& header) {
    columns_.push_back(header);
    changed();
}
void ListView::ClearRows() {
    rows_.clear();
    changed();
}
int ListView::AddRow(const std::string& text) {
    Row r;
    r.text = text;
    rows_.push_back(std::move(r));
    if (Sorted) Sort();
    changed();
    for (std::size_t k = rows_.size(); k-- > 0;)
        if (rows_[k].text == text) return int(k) + 1;
    return int(rows_.size());
}
ListView::Row& ListView::row(int i) {
    if (i < 1 || i > Count()) throw Error(35600, "Index out of bounds");
    return rows_[std::size_t(i - 1)];
}
const ListView::Row& ListView::row(int i) const {
    if (i < 1 || i > Count()) throw Error(35600, "Index out of bounds");
    return rows_[std::size_t(i - 1)];
}
void ListView::setSubItem(int i, int sub, const std::string& text) {
    Row& r = row(i);
    if (sub < 1) throw Error(35600, "Index out of bounds");
    if (r.sub.size() < std::size_t(sub)) r.sub.resize(std::size_t(sub));
    r.sub[std::size_t(sub - 1)] = text;
    changed();
}
void ListView::setRowText(int i, const std::string& text) {
    row(i).text = text;
    ++textWrites_;
    changed();
}
void ListView::RemoveRow(int i) {
    row(i);
    rows_.erase(rows_.begin() + (i - 1));
    changed();
}
void ListView::selectOnly(const std::vector<int>& sel) {
    for (int i : sel) row(i);
    for (auto& r : rows_) r.selected = r.focused = false;
    for (int i : sel) row(i).selected = true;
    if (!sel.empty()) row(sel.back()).focused = true;
    changed();
}
void ListView::setSelection(const std::vector<int>& sel, int focused) {
    for (int i : sel) row(i);
    if (focused) row(focused);
    for (auto& r : rows_) r.selected = r.focused = false;
    for (int i : sel) row(i).selected = true;
    if (focused) row(focused).focused = true;
    changed();
}
int ListView::SelectedItem() const {
    int firstSelected = 0;
    for (std::size_t k = 0; k < rows_.size(); ++k) {
        if (rows_[k].focused) return int(k) + 1;
        if (rows_[k].selected && !firstSelected) firstSelected = int(k) + 1;
    }
    return firstSelected;
}
bool ListView::beginLabelEdit(int i) {
    Row& r = row(i);
    if (!r.selected) selectOnly({i});
    else if (!r.focused) {
        for (auto& other : rows_) other.focused = false;
        r.focused = true;
        changed();
    }
    int cancel = 0;
    BeforeLabelEdit(cancel);
    return cancel == 0;
}
void ListView::endLabelEdit(int i, const std::string& text) {
    const unsigned writes = textWrites_;
    int cancel = 0;
    std::string copy = text;
    AfterLabelEdit(cancel, copy);
    if (cancel || textWrites_ != writes || i < 1 || i > Count()) return;
    setRowText(i, text);
}
std::vector<int> ListView::selectedRows() const {
    std::vector<int> out;
    for (std::size_t k = 0; k < rows_.size(); ++k)
        if (rows_[k].selected) out.push_back(int(k) + 1);
    return out;
}
namespace {
// Letter case ignored, without building lower-case copies (a sort makes n log n comparisons).
bool lessNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t k = 0; k < n; ++k) {
        unsigned char x = static_cast<unsigned char>(a[k]), y = static_cast<unsigned char>(b[k]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}
}  // namespace

void ListView::Sort() {
    auto key = [this](const Row& r) -> std::string_view {
        if (SortKey == 0) return r.text;
        return std::size_t(SortKey) <= r.sub.size() ? std::string_view(r.sub[std::size_t(SortKey - 1)])
                                                    : std::string_view();
    };
    std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
        return SortOrder == 0 ? lessNoCase(key(a), key(b)) : lessNoCase(key(b), key(a));
    });
    changed();
}
bool ListView::getProperty(const std::string& p, std::string& out) const {
    if (p == "Count") out = std::to_string(Count());
    else if (p == "Sorted") out = Sorted ? "true" : "false";
    else if (p == "SortKey") out = std::to_string(SortKey);
    else if (p == "SortOrder") out = std::to_string(SortOrder);
    else return Control::getProperty(p, out);
    return true;
}

// ---- folder browser, drive and folder lists

std::string FolderBrowser::Browse() {
    path_ = app().dialogs().BrowseForFolder(Prompt);
    return path_;
}

bool FolderBrowser::getProperty(const std::string& p, std::string& out) const {
    if (p == "Prompt") out = Prompt;
    else if (p == "Path") out = path_;
    else return Control::getProperty(p, out);
    return true;
}

void DriveListBox::setDrive(const std::string& d) {
    if (d.empty()) throw Error(err::InvalidPropertyValue, name() + ".Drive: empty");
    if (drive_ == d) return;
    drive_ = d;
    changed();
    Change();
}

bool DriveListBox::getProperty(const std::string& p, std::string& out) const {
    if (p == "Drive") {
        out = drive_;
        return true;
    }
    return Control::getProperty(p, out);
}

bool DriveListBox::setProperty(const std::string& p, const std::string& v) {
    if (p == "Drive") {
        setDrive(v);
        return true;
    }
    return Control::setProperty(p, v);
}

void DirListBox::setPath(const std::string& p) {
    if (!app().fs().dirExists(p)) throw Error(err::PathNotFound, name() + ".Path: no folder " + p);
    if (path_ == p) return;
    path_ = p;
    changed();
    Change();
}

bool DirListBox::getProperty(const std::string& p, std::string& out) const {
    if (p == "Path") {
        out = path_;
        return true;
    }
    return Control::getProperty(p, out);
}

bool DirListBox::setProperty(const std::string& p, const std::string& v) {
    if (p == "Path") {
        setPath(v);
        return true;
    }
    return Control::setProperty(p, v);
}

// ---- timer

Timer::Timer(Form* f, std::string n, Control* parent) : Control(f, Kind::Timer, std::move(n), parent) {}

Timer::~Timer() {
    if (armed_) app().loop().disarm(*this);
}

void Timer::setInterval(int ms) {
    if (interval_ == ms) return;
    interval_ = ms;
    rearm();
}

void Timer::setEnabled(bool v) {
    if (Enabled() == v) return;
    Control::setEnabled(v);
    rearm();
}

void Timer::start() { rearm(); }

void Timer::rearm() {
    // Changing Enabled or Interval restarts the count, as the runtime's timers did.
    if (armed_) app().loop().disarm(*this);
    armed_ = Enabled() && interval_ > 0;
    if (armed_) app().loop().arm(*this, interval_);
}

// ---- tray icon

void TrayIconControl::AddIcon() { app().tray().addIcon(""); }
void TrayIconControl::RemoveIcon() { app().tray().removeIcon(); }

}  // namespace vb
