// Expecting: properties, lists, files, pictures, message boxes and what the platform was asked.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/pictures/picture.h"
#include "testkit/scenario_lexer.h"
#include "testkit/scenario_support.h"
#include "platform/base/text.h"
#include "session.h"
#include "shell/version.h"

namespace scenario {

namespace fsys = std::filesystem;
using vb::Kind;
using vb::scenario::quoteWord;

namespace {

std::string words(const std::vector<std::string>& values) {
    if (values.empty()) return "(none)";
    // Long lists (a language file's captions) are cut, so a report stays readable.
    constexpr std::size_t kShown = 40;
    std::string out;
    for (std::size_t i = 0; i < values.size() && i < kShown; ++i)
        out += (out.empty() ? "" : " ") + quoteWord(values[i]);
    if (values.size() > kShown)
        out += " ... (" + std::to_string(values.size() - kShown) + " more, " + std::to_string(values.size()) +
               " in all)";
    return out;
}

std::string numbers(const std::vector<int>& values) {
    if (values.empty()) return "(none)";
    std::string out;
    for (int v : values) out += (out.empty() ? "" : " ") + std::to_string(v);
    return out;
}

bool readAll(const std::string& path, std::string& out) {
    std::error_code ec;
    if (!fsys::is_regular_file(path, ec)) return false;
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    std::ostringstream ss;
    ss << f.rdbuf();
    out = ss.str();
    return true;
}

// Paths compared as the file system sees them: symbolic links and "." resolved.
std::string canonicalText(const std::string& path) {
    std::error_code ec;
    const fsys::path p = fsys::weakly_canonical(fsys::path(path), ec);
    return ec ? path : p.string();
}

const char* formatName(vb::PictureFormat f) {
    switch (f) {
        case vb::PictureFormat::Bmp:
            return "bmp";
        case vb::PictureFormat::Jpeg:
            return "jpg";
        case vb::PictureFormat::Gif:
            return "gif";
        default:
            return "unknown";
    }
}

}  // namespace

void Session::expect(const Step& s) {
    switch (s.op) {
        case Op::ExpectProperty:
            return expectProperty(s);
        case Op::ExpectRows:
        case Op::ExpectColumns:
        case Op::ExpectSelected:
            return expectList(s);
        case Op::ExpectFile:
            return expectFile(s);
        case Op::ExpectPicture:
            return expectPicture(s);
        case Op::ExpectMessage:
        case Op::ExpectMessageText:
        case Op::ExpectNoMessage:
            return expectMessage(s);
        case Op::ExpectCwd: {
            const std::string want = canonicalText(pathOf(s.path));
            const std::string seen = canonicalText(fsys::current_path().string());
            if (want != seen) fail(s, "current directory " + quoteWord(want), quoteWord(seen));
            return;
        }
        case Op::ExpectLoaded:
        case Op::ExpectNotLoaded: {
            if (!app_->knows(s.name.form)) return fail(s, "a form named " + s.name.form, "no such form");
            const bool want = s.op == Op::ExpectLoaded, seen = app_->isLoaded(s.name.form);
            if (want != seen)
                fail(s, s.name.form + (want ? " loaded" : " not loaded"), seen ? "loaded" : "not loaded");
            return;
        }
        case Op::ExpectEnded:
            if (!app_->ended()) fail(s, "the program ended", "running");
            return;
        case Op::ExpectCommonControls:
            if (platform_->system.commonControlsInitialised != s.numbers[0])
                fail(s, "the common controls initialised " + std::to_string(s.numbers[0]) + " times",
                     std::to_string(platform_->system.commonControlsInitialised) + " times");
            return;
        case Op::ExpectRunning:
            if (app_->ended())
                fail(s, "the program running", "ended with code " + std::to_string(app_->exitCode()));
            return;
        case Op::ExpectNavigated:
        case Op::ExpectNotNavigated:
        case Op::ExpectRequest:
            return expectOnline(s);
        default:
            return expectEvents(s);
    }
}

void Session::expectProperty(const Step& s) {
    const Name& n = s.name;
    std::string seen;
    if (n.control.empty()) {
        vb::Form* f = loadedForm(s, n.form);
        if (!f) return;
        const std::string& p = n.property;
        if (p == "Visible")
            seen = f->Visible() ? "true" : "false";
        else if (p == "Caption")
            seen = f->Caption();
        else if (p == "WindowState")
            seen = std::to_string(int(f->windowState()));
        else if (p == "Left")
            seen = std::to_string(f->Left());
        else if (p == "Top")
            seen = std::to_string(f->Top());
        else if (p == "Width")
            seen = std::to_string(f->Width());
        else if (p == "Height")
            seen = std::to_string(f->Height());
        else if (p == "Picture")
            seen = f->picture() && !f->picture()->empty()
                       ? std::to_string(f->picture()->width) + "x" + std::to_string(f->picture()->height)
                       : "none";
        else
            return fail(s, "a property " + n.text(),
                        "forms have Visible, Caption, WindowState, Left, Top, Width, Height, Picture");
    } else {
        vb::Control* c = controlOf(s, n);
        if (!c) return;
        if (!c->getProperty(n.property, seen))
            return fail(s, "a property " + n.text(),
                        std::string("no such property of a ") + vb::kindName(c->kind()));
    }
    if (seen != s.values[0]) fail(s, n.text() + " " + quoteWord(s.values[0]), quoteWord(seen));
}

void Session::expectList(const Step& s) {
    vb::Control* c = controlOf(s, s.name);
    if (!c) return;
    const Kind k = c->kind();
    const bool listView = k == Kind::ListView;
    const bool list = k == Kind::ListBox || k == Kind::ComboBox || k == Kind::FileListBox || k == Kind::FolderListBox;
    if (!listView && !(list && s.op != Op::ExpectColumns))
        return fail(s, s.op == Op::ExpectColumns ? "a list view" : "a list view or list", vb::kindName(k));
    if (s.op == Op::ExpectSelected) {
        std::vector<int> seen, want;
        for (long long r : s.numbers) want.push_back(int(r));
        if (listView) {
            seen = static_cast<vb::ListView*>(c)->selectedRows();
        } else {
            for (int i : static_cast<vb::ListControl*>(c)->selectedIndexes()) seen.push_back(i + 1);
        }
        if (seen != want) fail(s, "selected rows " + numbers(want), numbers(seen));
        return;
    }
    std::vector<std::string> seen;
    if (s.op == Op::ExpectColumns) {
        seen = static_cast<vb::ListView*>(c)->columns();
    } else if (listView) {
        for (const auto& r : static_cast<vb::ListView*>(c)->rows()) seen.push_back(vb::scenario::rowText(r));
    } else {
        seen = static_cast<vb::ListControl*>(c)->items();
    }
    if (seen != s.values)
        fail(s, std::string(s.op == Op::ExpectColumns ? "columns " : "rows ") + words(s.values), words(seen));
}

void Session::expectFile(const Step& s) {
    const std::string path = pathOf(s.path);
    std::string bytes;
    const bool present = readAll(path, bytes);
    std::error_code ec;
    const std::string absentText = fsys::is_directory(path, ec) ? "a folder, not a file" : "no file";
    if (s.word == "exists") {
        if (!present) fail(s, "a file " + quoteWord(path), absentText);
        return;
    }
    if (s.word == "absent") {
        if (present)
            fail(s, "no file " + quoteWord(path), "a file of " + std::to_string(bytes.size()) + " bytes");
        return;
    }
    std::string want;
    std::string wantText;
    if (s.word == "lines") {
        for (const std::string& v : s.values) want += v + "\r\n";
        wantText = "lines " + words(s.values);
    } else {
        want = s.values[0];
        wantText = "text " + quoteWord(want);
    }
    if (!present) return fail(s, quoteWord(path) + " with " + wantText, absentText);
    if (bytes != want) fail(s, quoteWord(path) + " with " + wantText, vb::scenario::describeFileBytes(bytes));
}

void Session::expectPicture(const Step& s) {
    const std::string path = pathOf(s.path);
    const int wantW = int(s.numbers[0]), wantH = int(s.numbers[1]);
    const std::string want = quoteWord(path) + " a picture " + std::to_string(wantW) + "x" +
                             std::to_string(wantH) + (s.word.empty() ? "" : " " + s.word);
    std::string bytes;
    if (!readAll(path, bytes)) return fail(s, want, "no file");
    const std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
    int w = 0, h = 0;
    std::string format;
    // PNG is checked by its header: the platform cannot load PNG pictures.
    if (vb::scenario::pngSize(data, w, h)) {
        format = "png";
    } else {
        try {
            const vb::Picture p = vb::decodePicture(data);
            w = p.width, h = p.height;
            format = formatName(vb::sniffPictureFormat(data));
        } catch (const vb::Error& e) {
            return fail(s, want, std::string("not a loadable picture (") + e.what() + ")");
        }
    }
    if (w != wantW || h != wantH || (!s.word.empty() && s.word != format))
        fail(s, want, "a picture " + std::to_string(w) + "x" + std::to_string(h) + " " + format);
}

void Session::expectMessage(const Step& s) {
    auto describe = [](const vb::ShownMessage& m) {
        const auto form = vb::scenario::classifyPrompt(m.prompt);
        return "message " + (form.number >= 0 ? std::to_string(form.number) : std::string("-")) + " " +
               std::to_string(m.style) + " " + form.form + " titled " + quoteWord(m.title) + ": " +
               quoteWord(m.prompt);
    };
    if (s.op == Op::ExpectNoMessage) {
        if (messagesChecked_ < platform_->dialogs.shown.size())
            fail(s, "no unchecked message box",
                 describe(platform_->dialogs.shown[messagesChecked_]) +
                     (platform_->dialogs.shown.size() - messagesChecked_ > 1
                          ? " and " + std::to_string(platform_->dialogs.shown.size() - messagesChecked_ - 1) + " more"
                          : ""));
        return;
    }
    std::string want;
    if (s.op == Op::ExpectMessageText) {
        want = "a message box saying " + quoteWord(s.values[0]);
    } else {
        want = "message " + std::to_string(s.numbers[0]) + " " + std::to_string(s.numbers[1]) + " " + s.word;
        if (s.numbers[1] != 20) want += std::string(" titled ") + vantry::kProgramTitle;
    }
    if (s.op == Op::ExpectMessageText && pairedMessage_ && pairedMessage_->step + 1 == stepNumber_) {
        // Right after "expect message": the text of the box that step checked.
        const vb::ShownMessage& m = platform_->dialogs.shown[pairedMessage_->box];
        pairedMessage_.reset();
        if (m.prompt != s.values[0]) fail(s, want, describe(m));
        return;
    }
    if (messagesChecked_ >= platform_->dialogs.shown.size()) return fail(s, want, "no unchecked message box");
    const std::size_t box = messagesChecked_++;
    const vb::ShownMessage& m = platform_->dialogs.shown[box];
    if (s.op == Op::ExpectMessageText) {
        if (m.prompt != s.values[0]) fail(s, want, describe(m));
        return;
    }
    pairedMessage_ = Paired{stepNumber_, box};
    const auto form = vb::scenario::classifyPrompt(m.prompt);
    const bool numberOk = s.word == "textonly" || form.number == s.numbers[0];
    const bool titleOk = s.numbers[1] == 20 || m.title == vantry::kProgramTitle;
    if (form.form != s.word || !numberOk || m.style != s.numbers[1] || !titleOk) fail(s, want, describe(m));
}

void Session::expectEvents(const Step& s) {
    // Marks of what has been checked grow with what was recorded.
    startedChecked_.resize(platform_->programs.started.size(), false);
    openedChecked_.resize(platform_->programs.opened.size(), false);
    trayChecked_.resize(platform_->tray.events.size(), false);
    logChecked_.resize(platform_->log.lines.size(), false);
    auto unchecked = [](const std::vector<std::string>& all, const std::vector<bool>& done) {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < all.size(); ++i)
            if (!done[i]) out.push_back(all[i]);
        return out;
    };
    switch (s.op) {
        case Op::ExpectWallpaper:
        case Op::ExpectNoWallpaper: {
            const bool any = wallpapersChecked_ < platform_->wallpaper.set.size();
            const std::string last = any ? platform_->wallpaper.set.back() : std::string();
            wallpapersChecked_ = platform_->wallpaper.set.size();
            if (s.op == Op::ExpectNoWallpaper) {
                if (any) fail(s, "no wallpaper set", quoteWord(last));
            } else if (!any) {
                fail(s, "wallpaper " + quoteWord(pathOf(s.path)), "none set");
            } else if (canonicalText(last) != canonicalText(pathOf(s.path))) {
                fail(s, "wallpaper " + quoteWord(pathOf(s.path)), quoteWord(last));
            }
            return;
        }
        case Op::ExpectStarted:
        case Op::ExpectNotStarted: {
            std::vector<std::string> names;
            for (std::size_t i = 0; i < platform_->programs.started.size(); ++i) {
                const auto& st = platform_->programs.started[i];
                if (startedChecked_[i]) continue;
                names.push_back(st.name + (st.waited ? " (waited)" : ""));
                if (!vb::equalsNoCase(st.name, s.path)) continue;
                if (s.op == Op::ExpectNotStarted) return fail(s, s.path + " not started", "started");
                if (s.flag && !st.waited) continue;
                startedChecked_[i] = true;
                return;
            }
            if (s.op == Op::ExpectStarted)
                fail(s, s.path + " started" + (s.flag ? " and waited for" : ""),
                     "started since the last check: " + words(names));
            return;
        }
        case Op::ExpectOpened:
            for (std::size_t i = 0; i < platform_->programs.opened.size(); ++i)
                if (!openedChecked_[i] && platform_->programs.opened[i] == s.values[0]) {
                    openedChecked_[i] = true;
                    return;
                }
            return fail(s, "opened " + quoteWord(s.values[0]),
                        "opened since the last check: " + words(unchecked(platform_->programs.opened, openedChecked_)));
        case Op::ExpectTray: {
            const auto left = unchecked(platform_->tray.events, trayChecked_);
            if (s.word == "none") {
                if (!left.empty()) fail(s, "no tray icon change", words(left));
                return;
            }
            for (std::size_t i = 0; i < platform_->tray.events.size(); ++i)
                if (!trayChecked_[i] && platform_->tray.events[i] == s.word) {
                    trayChecked_[i] = true;
                    return;
                }
            return fail(s, "tray icon " + s.word, "changes since the last check: " + words(left));
        }
        case Op::ExpectPopup:
        case Op::ExpectNoPopup: {
            const bool any = popupsChecked_ < popupLog_.size();
            const PopupRecord last = any ? popupLog_.back() : PopupRecord{};
            popupsChecked_ = popupLog_.size();
            const std::string seen =
                any ? last.form + "." + last.menu +
                          (last.defaultItem.empty() ? "" : " default " + last.defaultItem)
                    : "none";
            if (s.op == Op::ExpectNoPopup) {
                if (any) fail(s, "no pop-up menu", seen);
                return;
            }
            const std::string want = s.name.text() + (s.word.empty() ? "" : " default " + s.word);
            if (!any || last.form != s.name.form || last.menu != s.name.control ||
                (!s.word.empty() && last.defaultItem != s.word))
                fail(s, "pop-up " + want, seen);
            return;
        }
        case Op::ExpectError:
        case Op::ExpectNoError: {
            // The App logs "unhandled error N: ..." for a failure that reached the event loop.
            const std::string prefix = "unhandled error ";
            std::vector<std::string> errors;
            for (std::size_t i = 0; i < platform_->log.lines.size(); ++i) {
                const std::string& line = platform_->log.lines[i];
                if (logChecked_[i] || line.rfind(prefix, 0) != 0) continue;
                if (s.op == Op::ExpectError &&
                    line.rfind(prefix + std::to_string(s.numbers[0]) + ":", 0) == 0) {
                    logChecked_[i] = true;
                    return;
                }
                errors.push_back(line);
            }
            if (s.op == Op::ExpectError)
                fail(s, "an unhandled error " + std::to_string(s.numbers[0]),
                     errors.empty() ? "none" : words(errors));
            else if (!errors.empty())
                fail(s, "no unhandled error", words(errors));
            return;
        }
        default:
            return;
    }
}

}  // namespace scenario
