// One widget per control kind, the user's input on it turned into model events, and the copy
// of model state into the widget.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>

#include "platform/model/online.h"
#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_convert.h"
#include "platform/qt/qt_form_host.h"
#include "platform/qt/qt_look.h"

namespace vbqt {

namespace {

// A rectangle with a solid fill and a one-pixel border. Shapes are decoration: clicks and mouse
// moves go to whatever lies beneath, as they did in the designs.
class ShapeWidget : public QWidget {
public:
    explicit ShapeWidget(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    void setColors(const QColor& fill, const QColor& border) {
        if (fill == fill_ && border == border_) return;
        fill_ = fill;
        border_ = border;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), fill_);
        p.setPen(border_);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }

private:
    QColor fill_ = Qt::white, border_ = Qt::black;
};

// Lists and list views fire their click once per user action: a selection that moved (by mouse
// or keyboard) fires it through the model, and a click on the item already selected fires it
// directly. The viewport's mouse press tells the two apart: the selection moves on press, the
// click arrives on release.
class SelectionWatcher : public QObject {
public:
    explicit SelectionWatcher(QAbstractItemView* view) : QObject(view) {
        view->viewport()->installEventFilter(this);
    }
    bool movedSincePress = false;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonPress) movedSincePress = false;
        return false;
    }
};

// A report-view list whose label editing goes through the model's own edit: the model picks the
// row and asks its handler first, and takes the typed text (or what its handler put back) once
// the editor has closed, so a message box shown by the handler never runs inside the editor.
class ListViewWidget : public QTreeWidget {
public:
    ListViewWidget(FormHost& host, vb::ListView& lv, QWidget* parent)
        : QTreeWidget(parent), host_(&host), lv_(lv) {}

    void fitColumns() {
        // The last column (the picture list's times) is shown whole; the first takes what is left,
        // but never less than it needs or a third of the list, whichever is less.
        const int n = columnCount();
        if (n < 2) return;
        int room = contentsRect().width();
        if (verticalScrollBar()->isVisible()) room -= verticalScrollBar()->width();
        int others = 0;
        for (int i = 1; i + 1 < n; ++i) others += columnWidth(i);
        const int last = std::max(sizeHintForColumn(n - 1), header()->sectionSizeHint(n - 1)) + 2;
        const int first = std::max(sizeHintForColumn(0), header()->sectionSizeHint(0)) + 2;
        setColumnWidth(0, std::max({40, room - others - last, std::min(first, room / 3)}));
    }

protected:
    void resizeEvent(QResizeEvent* e) override {
        QTreeWidget::resizeEvent(e);
        fitColumns();
    }

    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override {
        const bool starts =
            trigger != NoEditTriggers && (trigger == AllEditTriggers || editTriggers().testFlag(trigger));
        if (!starts || state() == EditingState) return QTreeWidget::edit(index, trigger, event);
        if (!host_ || !host_->alive() || !lv_.LabelEdit || !index.isValid()) return false;
        const int row = index.row() + 1;
        bool goOn = false;
        host_->deliver([&] { goOn = row <= lv_.Count() && lv_.beginLabelEdit(row); });
        if (!goOn || !host_ || !host_->alive()) return false;
        editingRow_ = row;
        // Whichever column has the focus, the row's label is what gets edited.
        return QTreeWidget::edit(index.siblingAtColumn(0), trigger, event);
    }

    void commitData(QWidget* editor) override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (!line || editingRow_ < 1) return;
        const int row = editingRow_;
        editingRow_ = 0;
        QTimer::singleShot(0, this, [this, row, text = ss(line->text())] {
            if (!host_ || !host_->alive()) return;
            host_->deliver([&] {
                if (row <= lv_.Count()) lv_.endLabelEdit(row, text);
            });
        });
        // The widget's item is never written here: the model's change comes back to it.
    }

public:
    bool selectionPending = false;  // a selection of the user's not yet reported to the model

private:
    QPointer<FormHost> host_;
    vb::ListView& lv_;
    int editingRow_ = 0;
};

// Tells the model what the user selected, once per event, after Qt has settled both the current
// item and the selection; a moved current item (or a click on it) is a click on that row.
class SelectionReporter : public QObject {
public:
    SelectionReporter(FormHost& host, vb::ListView& lv, ListViewWidget* tree)
        : QObject(tree), host_(&host), lv_(lv), tree_(tree) {}
    void schedule(bool click) {
        click_ = click_ || click;
        if (scheduled_) return;
        scheduled_ = true;
        tree_->selectionPending = true;
        QMetaObject::invokeMethod(this, [this] { flush(); }, Qt::QueuedConnection);
    }

private:
    void flush() {
        scheduled_ = false;
        tree_->selectionPending = false;
        const bool click = click_;
        click_ = false;
        if (!host_ || !host_->alive()) return;
        std::vector<int> selected;
        for (int i = 0; i < tree_->topLevelItemCount(); ++i)
            if (tree_->topLevelItem(i)->isSelected()) selected.push_back(i + 1);
        QTreeWidgetItem* current = tree_->currentItem();
        const int focused = current ? tree_->indexOfTopLevelItem(current) + 1 : 0;
        const int rows = tree_->topLevelItemCount();
        host_->deliver([&] {
            if (lv_.Count() != rows) return;  // the model moved on meanwhile
            lv_.setSelection(selected, focused);
            if (click && focused) lv_.ItemClick(focused);
        });
    }

    QPointer<FormHost> host_;
    vb::ListView& lv_;
    ListViewWidget* tree_;
    bool scheduled_ = false, click_ = false;
};

QWidget* makeListView(FormHost& host, vb::ListView& lv, QWidget* parent) {
    auto* tree = new ListViewWidget(host, lv, parent);
    tree->setRootIsDecorated(false);
    // Opaque to its very edge: the widened list lies over the preview.
    tree->setAutoFillBackground(true);
    tree->setUniformRowHeights(true);
    tree->setAllColumnsShowFocus(true);
    tree->setSelectionMode(lv.MultiSelect ? QAbstractItemView::ExtendedSelection
                                          : QAbstractItemView::SingleSelection);
    tree->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    tree->header()->setSectionsClickable(true);
    tree->header()->setStretchLastSection(true);
    auto* watcher = new SelectionWatcher(tree);
    auto* reporter = new SelectionReporter(host, lv, tree);
    QObject::connect(tree, &QTreeWidget::currentItemChanged, &host,
                     [watcher, reporter](QTreeWidgetItem* item, QTreeWidgetItem*) {
                         if (!item) return;
                         watcher->movedSincePress = true;
                         reporter->schedule(true);
                     });
    QObject::connect(tree, &QTreeWidget::itemSelectionChanged, &host, [reporter] { reporter->schedule(false); });
    QObject::connect(tree, &QTreeWidget::itemClicked, &host, [watcher, reporter](QTreeWidgetItem*, int) {
        if (watcher->movedSincePress) {
            watcher->movedSincePress = false;
            return;
        }
        reporter->schedule(true);
    });
    QObject::connect(tree, &QTreeWidget::itemDoubleClicked, &host,
                     [&host, &lv](QTreeWidgetItem*, int) { host.deliver([&lv] { lv.DblClick(); }); });
    QObject::connect(tree->header(), &QHeaderView::sectionClicked, &host, [&host, &lv](int section) {
        host.deliver([&lv, section] { lv.ColumnClick(section + 1); });
    });
    return tree;
}

// A folder list opens an entry on a double click (or Enter): the model changes its path, and
// its items come back through the model.
QWidget* makeFolderList(FormHost& host, vb::FolderListBox& list, QWidget* parent) {
    auto* w = new QListWidget(parent);
    w->setSelectionMode(QAbstractItemView::SingleSelection);
    QObject::connect(w, &QListWidget::currentRowChanged, &host, [&host, &list](int row) {
        if (row >= 0) host.deliver([&list, row] { list.setListIndex(row); });
    });
    QObject::connect(w, &QListWidget::itemActivated, &host, [&host, &list, w](QListWidgetItem* item) {
        const int row = w->row(item);
        host.deliver([&list, row] {
            if (row < list.ListCount()) list.openEntry(row);
        });
    });
    return w;
}

QWidget* makeList(FormHost& host, vb::ListControl& list, QWidget* parent) {
    auto* w = new QListWidget(parent);
    w->setSelectionMode(list.MultiSelect ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    auto* watcher = new SelectionWatcher(w);
    QObject::connect(w, &QListWidget::currentRowChanged, &host, [&host, &list, watcher](int row) {
        if (row < 0) return;
        watcher->movedSincePress = true;
        host.deliver([&list, row] {
            if (row < list.ListCount()) list.setListIndex(row);
        });
    });
    if (list.MultiSelect) {
        // Shift and Ctrl extend the selection; the model keeps which items are selected.
        QObject::connect(w, &QListWidget::itemSelectionChanged, &host, [&host, &list, w] {
            // A list being torn down with its form reports a last change: nothing to tell.
            if (!host.alive()) return;
            std::vector<int> selected;
            for (int i = 0; i < w->count(); ++i)
                if (w->item(i)->isSelected()) selected.push_back(i);
            const int count = w->count();
            host.deliver([&list, selected, count] {
                if (list.ListCount() == count) list.selectOnly(selected);
            });
        });
    }
    QObject::connect(w, &QListWidget::itemClicked, &host, [&host, &list, w, watcher](QListWidgetItem* item) {
        if (watcher->movedSincePress) {
            watcher->movedSincePress = false;
            return;
        }
        const int row = w->row(item);
        host.deliver([&list, row] {
            if (row >= list.ListCount()) return;
            if (list.ListIndex() != row)
                list.setListIndex(row);
            else
                list.Click();
        });
    });
    QObject::connect(w, &QListWidget::itemDoubleClicked, &host,
                     [&host, &list](QListWidgetItem*) { host.deliver([&list] { list.DblClick(); }); });
    return w;
}

}  // namespace

bool isOneLineLabel(const vb::Control& c, const QWidget& w) {
    // By the design's height: a window drawn smaller keeps its labels' lines.
    return px(c.Height()) < 2 * QFontMetrics(w.font()).lineSpacing();
}

int lineHeightNeeded(const vb::Control& c, const QWidget& w) {
    const QFontMetrics fm(w.font());
    switch (c.kind()) {
        case vb::Kind::Label:
        case vb::Kind::LinkLabel: {
            if (!isOneLineLabel(c, w)) return 0;
            const QMargins m = w.contentsMargins();
            return fm.height() + m.top() + m.bottom();
        }
        case vb::Kind::TextBox: {
            // What the style's frame takes, as the line edit itself asks the style for it.
            const auto& edit = static_cast<const QLineEdit&>(w);
            QStyleOptionFrame opt;
            opt.initFrom(&edit);
            opt.rect = QRect(0, 0, 100, 100);
            opt.lineWidth =
                edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, &edit) : 0;
            opt.midLineWidth = 0;
            opt.state |= QStyle::State_Sunken;
            const int frame = opt.rect.height() -
                              edit.style()->subElementRect(QStyle::SE_LineEditContents, &opt, &edit).height();
            const QMargins text = edit.textMargins();
            constexpr int kLineMargins = 2;  // the line edit keeps a pixel above and below its line
            return fm.height() + kLineMargins + text.top() + text.bottom() + frame;
        }
        default:
            return 0;
    }
}

QWidget* createControlWidget(FormHost& host, vb::Control& c, QWidget* parent) {
    switch (c.kind()) {
        case vb::Kind::Label:
        case vb::Kind::LinkLabel: {
            auto* w = new FittingLabel(parent);
            w->setTextFormat(Qt::PlainText);  // a caption showing a file name is never markup
            w->setWordWrap(true);
            w->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            if (c.kind() == vb::Kind::LinkLabel) {
                w->setCursor(Qt::PointingHandCursor);
                w->setForegroundRole(QPalette::Link);
                QFont f = w->font();
                f.setUnderline(true);
                w->setFont(f);
            }
            return w;  // clicks come through the host's event filter
        }
        case vb::Kind::TextBox: {
            auto* w = new QLineEdit(parent);
            auto& box = static_cast<vb::TextBox&>(c);
            QObject::connect(w, &QLineEdit::textEdited, &host, [&host, &box](const QString& text) {
                host.deliver([&box, t = ss(text)] { box.setText(t); });
            });
            return w;
        }
        case vb::Kind::CheckBox: {
            auto* w = new QCheckBox(parent);
            auto& box = static_cast<vb::CheckBox&>(c);
            // clicked, not toggled: only the user's own change counts.
            QObject::connect(w, &QCheckBox::clicked, &host, [&host, &box](bool checked) {
                host.deliver([&box, checked] { box.setValue(checked ? 1 : 0); });
            });
            return w;
        }
        case vb::Kind::CommandButton: {
            auto* w = new FittingPushButton(parent);
            w->setAutoDefault(false);
            QObject::connect(w, &QPushButton::clicked, &host,
                             [&host, &c] { host.deliver([&c] { c.Click(); }); });
            return w;
        }
        case vb::Kind::ImageButton: {
            auto* w = new ImageButtonWidget(parent, host.isNavigationButton(c));
            QObject::connect(w, &QAbstractButton::clicked, &host,
                             [&host, &c] { host.deliver([&c] { c.Click(); }); });
            return w;
        }
        case vb::Kind::ComboBox: {
            auto* w = new QComboBox(parent);
            auto& combo = static_cast<vb::ComboBox&>(c);
            QObject::connect(w, &QComboBox::activated, &host, [&host, &combo](int index) {
                host.deliver([&combo, index] { combo.setListIndex(index); });
            });
            if (combo.editable) {
                // Typed text goes to the model as the user types; its keys (Enter among them)
                // reach the model through the combo box, like any control's.
                w->setEditable(true);
                w->setInsertPolicy(QComboBox::NoInsert);
                QObject::connect(w->lineEdit(), &QLineEdit::textEdited, &host, [&host, &combo](const QString& t) {
                    host.deliver([&combo, text = ss(t)] { combo.setText(text); });
                });
            }
            return w;
        }
        case vb::Kind::ListBox:
        case vb::Kind::FileListBox:
            return makeList(host, static_cast<vb::ListControl&>(c), parent);
        case vb::Kind::FolderListBox:
            return makeFolderList(host, static_cast<vb::FolderListBox&>(c), parent);
        case vb::Kind::ListView:
            return makeListView(host, static_cast<vb::ListView&>(c), parent);
        case vb::Kind::Panel: {
            auto* w = new QFrame(parent);
            w->setFrameShape(QFrame::NoFrame);
            return w;
        }
        case vb::Kind::Shape:
            return new ShapeWidget(parent);
        case vb::Kind::Image:
        case vb::Kind::PictureBox: {
            auto* w = new QLabel(parent);
            w->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return w;
        }
        case vb::Kind::Timer:
        case vb::Kind::Menu:
        case vb::Kind::MenuItem:
        case vb::Kind::TrayIcon:
        case vb::Kind::FileTransfer:
        case vb::Kind::InternetTransfer:
        case vb::Kind::FolderBrowser:  // a dialog, shown through the dialogs service
        case vb::Kind::DriveListBox:   // the drive and folder lists lie out of the user's reach
        case vb::Kind::DirListBox:
            return nullptr;
        case vb::Kind::WebBrowser:
            return makeBrowserPane(static_cast<vb::WebBrowser&>(c), parent);
    }
    return nullptr;
}

void ControlBinding::modelChanged() {
    if (!widget_) return;
    switch (control_.kind()) {
        case vb::Kind::ListView:
        case vb::Kind::ListBox:
        case vb::Kind::FileListBox:
        case vb::Kind::FolderListBox:
        case vb::Kind::ComboBox: {
            if (pending_) return;
            pending_ = true;
            std::weak_ptr<bool> alive = alive_;
            QMetaObject::invokeMethod(
                widget_.data(),
                [this, alive] {
                    if (alive.expired()) return;
                    pending_ = false;
                    syncNow();
                },
                Qt::QueuedConnection);
            return;
        }
        default:
            syncNow();
    }
}

void ControlBinding::syncNow() {
    if (!widget_) return;
    const QSignalBlocker block(widget_.data());
    syncCommon();
    QWidget* w = widget_;
    vb::Control& c = control_;
    switch (c.kind()) {
        case vb::Kind::Label:
        case vb::Kind::LinkLabel: {
            auto* label = static_cast<QLabel*>(w);
            // A label one line high shows as much of a long text as fits (an address), rather
            // than breaking it onto a second line that nobody can see.
            label->setWordWrap(!isOneLineLabel(c, *label));
            label->setText(qs(c.Caption()));
            break;
        }
        case vb::Kind::TextBox: {
            auto* edit = static_cast<QLineEdit*>(w);
            const QString text = qs(static_cast<vb::TextBox&>(c).Text());
            if (edit->text() != text) edit->setText(text);
            break;
        }
        case vb::Kind::CheckBox: {
            auto* box = static_cast<QCheckBox*>(w);
            const int v = static_cast<vb::CheckBox&>(c).Value();
            box->setText(qs(c.Caption()));
            box->setTristate(v == 2);
            box->setCheckState(v == 2 ? Qt::PartiallyChecked : v ? Qt::Checked : Qt::Unchecked);
            break;
        }
        case vb::Kind::CommandButton:
            static_cast<QPushButton*>(w)->setText(qs(c.Caption()));
            break;
        case vb::Kind::ImageButton:
        case vb::Kind::Image:
        case vb::Kind::PictureBox:
            syncPicture();
            break;
        case vb::Kind::ComboBox:
        case vb::Kind::ListBox:
        case vb::Kind::FileListBox:
        case vb::Kind::FolderListBox:
            syncList();
            break;
        case vb::Kind::ListView:
            syncListView();
            break;
        case vb::Kind::Shape:
            static_cast<ShapeWidget*>(w)->setColors(qcolor(c.FillColor()), qcolor(c.BorderColor()));
            break;
        default:
            break;
    }
}

void ControlBinding::syncCommon() {
    QWidget* w = widget_;
    const vb::Control& c = control_;
    // The font first: a line of text needs the height of its font.
    if (c.FontBold() != bold_ || c.FontSize() != fontSize_) {
        bold_ = c.FontBold();
        fontSize_ = c.FontSize();
        QFont f = w->font();
        f.setBold(bold_);
        if (fontSize_ > 0) f.setPointSize(fontSize_);
        w->setFont(f);
    }
    // Only a line that moved, grew or comes and goes changes the panel around it or what may
    // lie over its letters; a new text or colour changes neither.
    const QRect place = host_.placeOf(c);
    const bool replaced = w->geometry() != place || w->isHidden() == c.Visible();
    const bool line = replaced && lineHeightNeeded(c, *w);
    w->setGeometry(place);
    // A line grown beyond its design height may need a higher panel around it.
    if (line && c.parent()) host_.placeAgain(*c.parent());
    w->setEnabled(c.Enabled());
    const QString tip = qs(c.ToolTipText());
    if (w->toolTip() != tip) w->setToolTip(tip);

    if (c.hasColors() && (!colored_ || c.ForeColor() != fore_ || c.BackColor() != back_)) {
        colored_ = true;
        fore_ = c.ForeColor();
        back_ = c.BackColor();
        QPalette p = w->palette();
        // Disabled text lies halfway to the back colour, for this control and the controls it
        // holds (a panel's colours pass to its buttons): the same colour would look enabled.
        const QColor fore = qcolor(fore_), back = qcolor(back_);
        const QColor faded((fore.red() + back.red()) / 2, (fore.green() + back.green()) / 2,
                           (fore.blue() + back.blue()) / 2);
        for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::Link}) {
            p.setColor(role, fore);
            p.setColor(QPalette::Disabled, role, faded);
        }
        for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
            p.setColor(role, qcolor(back_));
        w->setPalette(p);
        // Buttons keep their own face; everything else paints its back colour.
        const vb::Kind k = c.kind();
        w->setAutoFillBackground(k != vb::Kind::CommandButton && k != vb::Kind::ImageButton);
    }
    // Last, so a window that is already shown does not flash the widget at its old place.
    w->setVisible(c.Visible());
    if (line && c.Visible()) host_.keepLettersInSight(*w);
}

void ControlBinding::syncPicture() {
    auto& holder = static_cast<vb::PictureHolder&>(control_);
    const bool button = control_.kind() == vb::Kind::ImageButton;
    if (button) static_cast<QAbstractButton*>(widget_.data())->setText(qs(control_.Caption()));

    std::shared_ptr<const vb::Picture> pic = holder.picture();
    if (!pic && !holder.resource.empty()) {
        showNamedPicture(qs(holder.resource));
        return;
    }
    const QSize size = widget_->size();
    const bool stretched = holder.stretch && control_.kind() == vb::Kind::Image;

    if (!button) {
        // A picture box or image shows only what fits its frame, so only that is converted,
        // and nothing while it is hidden (the picture box that holds a picture at full size
        // for saving is never shown): a large picture is never copied whole.
        auto* label = static_cast<QLabel*>(widget_.data());
        if (!control_.Visible() || !pic || pic->empty()) {
            if (picture_ || !label->pixmap().isNull()) label->clear();
            picture_ = nullptr;
            return;
        }
        if (pic == picture_ && size == pictureSize_) return;
        picture_ = pic;
        pictureSize_ = size;
        QImage image;
        const qreal ratio = label->devicePixelRatioF();
        if (stretched) {
            // Scaled once here, smoothly, for the screen's own pixels, rather than on every paint.
            image = toImageScaled(*pic, (QSizeF(size) * ratio).toSize());
            image.setDevicePixelRatio(ratio);
        } else if (const double scale = host_.scale(); scale < 1.0) {
            // A window drawn smaller draws the part it shows smaller too.
            const QImage part = toImage(*pic, QRect(QPoint(0, 0), (QSizeF(size) / scale).toSize()));
            image = part.scaled((QSizeF(part.size()) * scale * ratio).toSize(), Qt::IgnoreAspectRatio,
                                Qt::SmoothTransformation);
            image.setDevicePixelRatio(ratio);
        } else {
            image = toImage(*pic, QRect(QPoint(0, 0), size));  // shown from the top left, at its own size
        }
        label->setPixmap(QPixmap::fromImage(std::move(image)));
        return;
    }

    // Converting a picture is the costly part: only a new picture, or a new size, is worth it.
    if (pic == picture_ && size == pictureSize_) return;
    picture_ = pic;
    pictureSize_ = size;
    QImage image = pic ? toImage(*pic) : QImage();
    // The button lays out its picture and caption itself, at whatever size it has.
    auto* b = static_cast<QAbstractButton*>(widget_.data());
    b->setIcon(image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image)));
}

void ControlBinding::showNamedPicture(const QString& name) {
    const QIcon icon = namedPicture(name);
    picture_ = nullptr;
    if (control_.kind() == vb::Kind::ImageButton) {
        static_cast<QAbstractButton*>(widget_.data())->setIcon(icon);
        return;
    }
    // An image shows its picture square, as high as the image, at its left end: the pictures of
    // the connection-type rows lie over their rows' texts, which start to its right.
    auto* label = static_cast<QLabel*>(widget_.data());
    const QSize size = widget_->size();
    if (icon.isNull() || size.isEmpty()) {
        label->clear();
        return;
    }
    const int margin = std::min(size.width(), size.height()) >= 32 ? 6 : 0;
    const int side = std::min(size.width(), size.height()) - 2 * margin;
    const qreal ratio = widget_->devicePixelRatioF();
    QPixmap face(size * ratio);
    face.setDevicePixelRatio(ratio);
    face.fill(Qt::transparent);
    QPainter p(&face);
    icon.paint(&p, QRect(margin, (size.height() - side) / 2, side, side), Qt::AlignCenter,
               control_.Enabled() ? QIcon::Normal : QIcon::Disabled);
    p.end();
    label->setPixmap(face);
}

void ControlBinding::syncList() {
    auto& list = static_cast<vb::ListControl&>(control_);
    const int index = list.ListIndex();
    const bool itemsChanged = list.items() != items_;
    if (itemsChanged) items_ = list.items();
    QStringList texts;
    if (itemsChanged)
        for (const auto& s : items_) texts << qs(s);

    if (control_.kind() == vb::Kind::ComboBox) {
        auto* combo = static_cast<QComboBox*>(widget_.data());
        if (itemsChanged) {
            combo->clear();
            combo->addItems(texts);
        }
        auto& model = static_cast<vb::ComboBox&>(control_);
        if (!model.editable) {
            combo->setCurrentIndex(index);
            return;
        }
        // Typing leaves no item chosen; the user's place in the text stays where it was.
        const int cursor = combo->lineEdit()->cursorPosition();
        if (combo->currentIndex() != index) combo->setCurrentIndex(index);
        if (combo->currentText() != qs(model.Text())) {
            combo->setEditText(qs(model.Text()));
            combo->lineEdit()->setCursorPosition(cursor);
        }
        return;
    }
    auto* w = static_cast<QListWidget*>(widget_.data());
    if (itemsChanged) {
        w->clear();
        w->addItems(texts);
        if (control_.kind() == vb::Kind::FolderListBox) {
            // The way up is shown as the name of the folder it leads to, beside an up arrow.
            auto& folders = static_cast<vb::FolderListBox&>(control_);
            const QIcon folder = w->style()->standardIcon(QStyle::SP_DirIcon);
            const QIcon up = w->style()->standardIcon(QStyle::SP_FileDialogToParent);
            for (int i = 0; i < w->count(); ++i) {
                QListWidgetItem* item = w->item(i);
                if (items_[std::size_t(i)] != vb::FolderListBox::kParentEntry) {
                    item->setIcon(folder);
                    continue;
                }
                const std::string parent = folders.entryPath(i);
                const std::size_t slash = parent.rfind('/');
                const std::string name = slash == std::string::npos || slash + 1 == parent.size()
                                             ? parent
                                             : parent.substr(slash + 1);
                item->setIcon(up);
                item->setText(qs(name));
                item->setToolTip(qs(parent));
            }
        }
    }
    if (list.MultiSelect) {
        if (w->currentRow() != index) w->setCurrentRow(index, QItemSelectionModel::NoUpdate);
        for (int i = 0; i < w->count() && i < list.ListCount(); ++i)
            if (w->item(i)->isSelected() != list.Selected(i)) w->item(i)->setSelected(list.Selected(i));
        if (index >= 0) w->scrollToItem(w->item(index));
        return;
    }
    if (w->currentRow() != index) w->setCurrentRow(index);
    if (index < 0)
        w->clearSelection();
    else
        w->scrollToItem(w->item(index));
}

void ControlBinding::syncListView() {
    auto& lv = static_cast<vb::ListView&>(control_);
    auto* tree = static_cast<QTreeWidget*>(widget_.data());
    if (lv.columns() != columns_) {
        columns_ = lv.columns();
        QStringList headers;
        for (const auto& h : columns_) headers << qs(h);
        if (headers.isEmpty()) headers << QString();
        tree->setColumnCount(int(headers.size()));
        tree->setHeaderLabels(headers);
        tree->setHeaderHidden(columns_.empty());
    }

    std::vector<std::vector<std::string>> rows;
    rows.reserve(lv.rows().size());
    for (const auto& r : lv.rows()) {
        std::vector<std::string> texts{r.text};
        texts.insert(texts.end(), r.sub.begin(), r.sub.end());
        rows.push_back(std::move(texts));
    }
    if (rows != rows_ || lv.LabelEdit != labelEdit_) {
        if (int(rows.size()) != tree->topLevelItemCount()) {
            tree->clear();
            QList<QTreeWidgetItem*> items;
            for (std::size_t i = 0; i < rows.size(); ++i) items << new QTreeWidgetItem;
            tree->addTopLevelItems(items);
        }
        for (std::size_t i = 0; i < rows.size(); ++i) {
            QTreeWidgetItem* item = tree->topLevelItem(int(i));
            for (int col = 0; col < std::max(int(rows[i].size()), item->columnCount()); ++col)
                item->setText(col, col < int(rows[i].size()) ? qs(rows[i][std::size_t(col)]) : QString());
            Qt::ItemFlags flags = item->flags();
            item->setFlags(lv.LabelEdit ? flags | Qt::ItemIsEditable : flags & ~Qt::ItemIsEditable);
        }
        rows_ = std::move(rows);
        labelEdit_ = lv.LabelEdit;
    }

    tree->header()->setSortIndicatorShown(lv.Sorted);
    if (lv.Sorted)
        tree->header()->setSortIndicator(lv.SortKey, lv.SortOrder ? Qt::DescendingOrder : Qt::AscendingOrder);
    static_cast<ListViewWidget*>(tree)->fitColumns();
    // While the user's latest selection is still on its way to the model, the model's older one
    // must not undo it; the report brings another copy.
    if (static_cast<ListViewWidget*>(tree)->selectionPending) return;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const bool selected = lv.rows()[std::size_t(i)].selected;
        QTreeWidgetItem* item = tree->topLevelItem(i);
        if (item->isSelected() != selected) item->setSelected(selected);
    }
    const int focused = lv.SelectedItem();
    QTreeWidgetItem* current = focused > 0 ? tree->topLevelItem(focused - 1) : nullptr;
    if (current && tree->currentItem() != current) {
        tree->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
        tree->scrollToItem(current);
    }
}

}  // namespace vbqt
