// Acting: what the user, the clock and the program's own code do.
#include <algorithm>

#include "platform/model/procedures.h"
#include "testkit/scenario_lexer.h"
#include "testkit/scenario_support.h"
#include "session.h"
#include "shell/program.h"

namespace scenario {

using vb::Kind;
using vb::scenario::quoteWord;

namespace {

bool isList(Kind k) {
    return k == Kind::ListBox || k == Kind::ComboBox || k == Kind::FileListBox || k == Kind::FolderListBox;
}

// What the user does elsewhere dismisses a pop-up menu that is open: clicks, keys, typing,
// closing a window. Moving the mouse, tray messages, the clock and the program's own code do not.
bool dismissesPopup(Op op) {
    switch (op) {
        case Op::Click:
        case Op::DblClick:
        case Op::Key:
        case Op::Type:
        case Op::Check:
        case Op::Choose:
        case Op::Select:
        case Op::Edit:
        case Op::Column:
        case Op::Close:
            return true;
        default:
            return false;
    }
}

}  // namespace

void Session::deliver(const std::function<void()>& event) {
    app_->deliver(event);
}

void Session::noteEvents() {
    for (; trayEventsSeen_ < platform_->tray.events.size(); ++trayEventsSeen_)
        trayIcon_ = platform_->tray.events[trayEventsSeen_] == "added";
    for (; popupsSeen_ < platform_->tray.popups.size(); ++popupsSeen_) {
        const auto& p = platform_->tray.popups[popupsSeen_];
        // Names are taken now: the menu's form may be unloaded by the next step.
        PopupRecord r{"?", "?", ""};
        for (vb::Form* f : app_->loadedForms())
            for (vb::Control* c : f->controls()) {
                if (c == p.menu) r.form = f->name(), r.menu = c->name();
                if (p.defaultItem && c == p.defaultItem) r.defaultItem = c->name();
            }
        popupLog_.push_back(r);
        openPopup_ = r;
    }
}

void Session::act(const Step& s) {
    if (app_->ended()) {
        if (verbose_) out_ << file_ << ":" << s.line << ": the program has ended; step ignored\n";
        return;
    }
    if (dismissesPopup(s.op)) openPopup_.reset();
    actOn(s);
    noteEvents();
}

void Session::actOn(const Step& s) {
    switch (s.op) {
        case Op::Start:
            if (started_) return fail(s, "one start", "a second start");
            started_ = true;
            deliver([this] { vantry::startProgram(*app_); });
            return;
        case Op::Advance:
            platform_->loop.advance(s.numbers[0]);
            return;
        case Op::Click:
        case Op::DblClick:
            return click(s, s.op == Op::DblClick);
        case Op::Menu:
            return menuPick(s);
        case Op::Tray:
            if (!trayIcon_)
                return fail(s, "a tray icon to deliver message " + std::to_string(s.numbers[0]), "none");
            deliver([this, m = int(s.numbers[0])] { vantry::deliverTrayMessage(*app_, m); });
            return;
        case Op::MouseMove: {
            const float x = float(s.numbers[0]), y = float(s.numbers[1]);
            if (s.name.control.empty()) {
                vb::Form* f = loadedForm(s, s.name.form);
                if (!f) return;
                if (!f->Visible()) return fail(s, "form " + f->name() + " shown", "hidden");
                deliver([f, x, y] { f->Form_MouseMove(0, 0, x, y); });
                return;
            }
            vb::Control* c = controlOf(s, s.name);
            if (!c) return;
            if (auto why = vb::scenario::outOfReach(*c); !why.empty())
                return fail(s, s.name.text() + " within reach", why);
            deliver([c, x, y] { c->MouseMove(0, 0, x, y); });
            return;
        }
        case Op::Close: {
            vb::Form* f = loadedForm(s, s.name.form);
            if (!f) return;
            if (!f->Visible()) return fail(s, "form " + f->name() + " shown, to close it", "hidden");
            // A window without Close in its system menu refuses the request.
            if (f->closeRemoved) return;
            deliver([f] { f->Unload(); });
            return;
        }
        case Op::Call:
            if (!app_->knows(s.name.form)) return fail(s, "a form named " + s.name.form, "no such form");
            if (!vb::isProcedureRegistered(*app_, s.name.form, s.name.control)) {
                std::string known;
                for (const std::string& p : vb::registeredProcedures(*app_))
                    if (p.rfind(s.name.form + ".", 0) == 0) known += (known.empty() ? "" : ", ") + p;
                return fail(s, "a callable procedure " + s.name.text(),
                            "none of that name (registered: " + (known.empty() ? "none" : known) + ")");
            }
            deliver(
                [this, form = s.name.form, proc = s.name.control] { vb::callProcedure(*app_, form, proc); });
            return;
        case Op::Set:
            return setStep(s);
        case Op::Key:
        case Op::Type:
        case Op::Check:
        case Op::Choose:
        case Op::Select:
        case Op::Column:
            return listStep(s);
        case Op::Edit:
            return editStep(s);
        default:
            return;
    }
}

void Session::click(const Step& s, bool twice) {
    vb::Control* c = controlOf(s, s.name);
    if (!c) return;
    if (auto why = vb::scenario::outOfReach(*c); !why.empty())
        return fail(s, s.name.text() + " within reach", why);
    if (s.flag) {
        const int row = int(s.numbers[0]);
        if (c->kind() == Kind::ListView) {
            auto* lv = static_cast<vb::ListView*>(c);
            if (row > lv->Count())
                return fail(s, "a row " + std::to_string(row), std::to_string(lv->Count()) + " rows");
            deliver([lv, row, twice] {
                lv->selectOnly({row});
                lv->ItemClick(row);
                if (twice) lv->DblClick();
            });
        } else if (isList(c->kind())) {
            auto* lc = static_cast<vb::ListControl*>(c);
            if (row > lc->ListCount())
                return fail(s, "a row " + std::to_string(row), std::to_string(lc->ListCount()) + " items");
            // A double click on a folder list opens the folder.
            if (twice && c->kind() == Kind::FolderListBox) {
                auto* folders = static_cast<vb::FolderListBox*>(c);
                deliver([folders, row] { folders->openEntry(row - 1); });
                return;
            }
            deliver([lc, row, twice] {
                // A plain click on a multi-select list selects that item alone.
                if (lc->MultiSelect) lc->selectOnly({row - 1});
                lc->setListIndex(row - 1);
                if (twice) lc->DblClick();
            });
        } else {
            fail(s, "a list or list view, to click a row", vb::kindName(c->kind()));
        }
        return;
    }
    switch (c->kind()) {
        case Kind::CheckBox:
        case Kind::CommandButton: {
            // Neither knows a double click: the second press is a second click. A check box
            // turns over on each click, which fires its Click.
            auto press = [c] {
                if (c->kind() == Kind::CheckBox) {
                    auto* cb = static_cast<vb::CheckBox*>(c);
                    cb->setValue(cb->Value() == 1 ? 0 : 1);
                } else {
                    c->Click();
                }
            };
            deliver([this, c, press, twice] {
                press();
                // The first press may have unloaded the form; the control stays valid until the
                // event ends, but a user could not press it again.
                if (twice && app_->loaded(c->form().name()) == &c->form() &&
                    vb::scenario::outOfReach(*c).empty())
                    press();
            });
            return;
        }
        default:
            deliver([c, twice] {
                c->Click();
                if (twice) c->DblClick();
            });
            return;
    }
}

void Session::menuPick(const Step& s) {
    if (!openPopup_) return fail(s, "an open pop-up menu to pick " + s.name.text(), "none open");
    const PopupRecord popup = *openPopup_;
    vb::Control* c = controlOf(s, s.name);
    if (!c) return;
    const std::string open = popup.form + "." + popup.menu;
    if (c->kind() != Kind::MenuItem || !c->parent() || c->form().name() != popup.form ||
        c->parent()->name() != popup.menu)
        return fail(s, "an item of the open pop-up " + open, s.name.text() + " is not one");
    if (!c->Visible() || !c->Enabled() || static_cast<vb::MenuItem*>(c)->separator())
        return fail(s, "an item that can be picked",
                    s.name.text() + (c->Visible() ? c->Enabled() ? " a separator" : " disabled" : " hidden"));
    openPopup_.reset();
    deliver([c] { c->Click(); });
}

void Session::listStep(const Step& s) {
    vb::Control* c = controlOf(s, s.name);
    if (!c) return;
    if (auto why = vb::scenario::outOfReach(*c); !why.empty())
        return fail(s, s.name.text() + " within reach", why);
    const Kind k = c->kind();
    switch (s.op) {
        case Op::Key:
            deliver([c, code = int(s.numbers[0]), shift = int(s.numbers[1])]() mutable {
                c->KeyDown(code, shift);
            });
            return;
        case Op::Type:
            if (k == Kind::TextBox) {
                deliver([c, v = s.values[0]] { static_cast<vb::TextBox*>(c)->setText(v); });
            } else if (k == Kind::ComboBox && static_cast<vb::ComboBox*>(c)->editable) {
                // A drop-down combo takes any text, firing Change.
                deliver([c, v = s.values[0]] { static_cast<vb::ComboBox*>(c)->setText(v); });
            } else if (k == Kind::ComboBox) {
                // A drop-down list takes only its own items.
                auto* cb = static_cast<vb::ComboBox*>(c);
                const auto& items = cb->items();
                const auto it = std::find(items.begin(), items.end(), s.values[0]);
                if (it == items.end())
                    return fail(s, "an item " + quoteWord(s.values[0]) + " of " + s.name.text(),
                                "no such item");
                deliver([cb, i = int(it - items.begin())] { cb->setListIndex(i); });
            } else {
                fail(s, "a text box or combo box", vb::kindName(k));
            }
            return;
        case Op::Check:
            if (k != Kind::CheckBox) return fail(s, "a check box", vb::kindName(k));
            deliver([c, v = int(s.numbers[0])] { static_cast<vb::CheckBox*>(c)->setValue(v); });
            return;
        case Op::Choose: {
            if (!isList(k)) return fail(s, "a combo box or list", vb::kindName(k));
            auto* lc = static_cast<vb::ListControl*>(c);
            const int i = int(s.numbers[0]);
            if (i >= lc->ListCount())
                return fail(s, "an item index below " + std::to_string(lc->ListCount()), std::to_string(i));
            deliver([lc, i] { lc->setListIndex(i); });
            return;
        }
        case Op::Select: {
            std::vector<int> rows;
            for (long long r : s.numbers) rows.push_back(int(r));
            if (k == Kind::ListView) {
                auto* lv = static_cast<vb::ListView*>(c);
                for (int r : rows)
                    if (r > lv->Count())
                        return fail(s, "a row " + std::to_string(r), std::to_string(lv->Count()) + " rows");
                // As control-clicks: each row joins the selection and reports its ItemClick.
                deliver([lv, rows] {
                    std::vector<int> sel;
                    if (rows.empty()) lv->selectOnly({});
                    for (int r : rows) {
                        sel.push_back(r);
                        lv->selectOnly(sel);
                        lv->ItemClick(r);
                    }
                });
            } else if (isList(k) && static_cast<vb::ListControl*>(c)->MultiSelect) {
                auto* lc = static_cast<vb::ListControl*>(c);
                for (int r : rows)
                    if (r > lc->ListCount())
                        return fail(s, "a row " + std::to_string(r), std::to_string(lc->ListCount()) + " items");
                // As control-clicks: each item joins the selection and takes the focus.
                deliver([lc, rows] {
                    std::vector<int> sel;
                    if (rows.empty()) lc->selectOnly({});
                    for (int r : rows) {
                        sel.push_back(r - 1);
                        lc->selectOnly(sel);
                        lc->setListIndex(r - 1);
                    }
                });
            } else if (isList(k)) {
                auto* lc = static_cast<vb::ListControl*>(c);
                if (rows.size() > 1)
                    return fail(s, "one row (this list selects one item)", std::to_string(rows.size()) + " rows");
                if (!rows.empty() && rows[0] > lc->ListCount())
                    return fail(s, "a row " + std::to_string(rows[0]),
                                std::to_string(lc->ListCount()) + " items");
                deliver([lc, i = rows.empty() ? -1 : rows[0] - 1] { lc->setListIndex(i); });
            } else {
                fail(s, "a list view or list", vb::kindName(k));
            }
            return;
        }
        case Op::Column: {
            if (k != Kind::ListView) return fail(s, "a list view", vb::kindName(k));
            auto* lv = static_cast<vb::ListView*>(c);
            const int i = int(s.numbers[0]);
            if (std::size_t(i) > lv->columns().size())
                return fail(s, "a column " + std::to_string(i),
                            std::to_string(lv->columns().size()) + " columns");
            deliver([lv, i] { lv->ColumnClick(i); });
            return;
        }
        default:
            return;
    }
}

void Session::editStep(const Step& s) {
    vb::Control* c = controlOf(s, s.name);
    if (!c) return;
    if (auto why = vb::scenario::outOfReach(*c); !why.empty())
        return fail(s, s.name.text() + " within reach", why);
    if (c->kind() != Kind::ListView) return fail(s, "a list view", vb::kindName(c->kind()));
    auto* lv = static_cast<vb::ListView*>(c);
    const int row = int(s.numbers[0]);
    if (row > lv->Count())
        return fail(s, "a row " + std::to_string(row), std::to_string(lv->Count()) + " rows");
    if (!lv->LabelEdit) return fail(s, "labels the user may edit", "label editing off");
    const bool userCancels = s.flag;
    const std::string text = userCancels ? std::string() : s.values[0];
    deliver([lv, row, userCancels, text] {
        // The control's own edit: the row takes the focus, and a handler that puts a text back
        // has the last word.
        if (!lv->beginLabelEdit(row) || userCancels) return;
        lv->endLabelEdit(row, text);
    });
}

void Session::setStep(const Step& s) {
    const Name n = s.name;
    if (!app_->knows(n.form)) return fail(s, "a form named " + n.form, "no such form");
    std::string expected, seen;
    // Code that sets a property of an unloaded form loads it first.
    deliver([this, n, v = s.values[0], &expected, &seen] {
        vb::Form& f = app_->touch(n.form);
        if (n.control.empty()) {
            if (n.property == "Caption") {
                f.setCaption(v);
            } else if (n.property == "Visible" && (v == "true" || v == "false")) {
                v == "true" ? f.Show() : f.Hide();
            } else if (n.property == "WindowState" && v.size() == 1 && v[0] >= '0' && v[0] <= '2') {
                f.setWindowState(vb::WindowState(v[0] - '0'));
                f.Form_Resize();
            } else {
                expected = "a form property Caption, Visible (true or false) or WindowState (0 to 2)";
                seen = n.text() + " " + quoteWord(v);
            }
            return;
        }
        vb::Control* c = f.find(n.control, n.index);
        std::string current;
        if (!c)
            expected = "a control " + n.form + "." + n.control, seen = "no such control";
        else if (!c->getProperty(n.property, current))
            expected = "a property " + n.text(), seen = "no such property";
        else if (!c->setProperty(n.property, v))
            expected = "a property " + n.text() + " that code may set", seen = "read-only";
    });
    if (!expected.empty()) fail(s, expected, seen);
}

}  // namespace scenario
