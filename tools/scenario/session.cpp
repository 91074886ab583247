#include "session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "online/hosts.h"
#include "testkit/scenario_lexer.h"
#include "shell/program.h"

namespace scenario {

namespace fsys = std::filesystem;
using vb::scenario::quoteWord;

namespace {

std::string currentDir() {
    std::error_code ec;
    const fsys::path p = fsys::current_path(ec);
    return ec ? std::string() : p.string();
}

// Gives back the write permission "readonly" steps took, so the folders can be removed even
// when the runner does not run as root.
void makeWritable(const fsys::path& base) {
    std::error_code ec;
    fsys::permissions(base, fsys::perms::owner_all, fsys::perm_options::add, ec);
    for (auto it =
             fsys::recursive_directory_iterator(base, fsys::directory_options::skip_permission_denied, ec);
         !ec && it != fsys::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code ignored;
        if (it->is_symlink(ignored)) continue;
        fsys::permissions(it->path(),
                          fsys::perms::owner_read | fsys::perms::owner_write |
                              (it->is_directory(ignored) ? fsys::perms::owner_exec : fsys::perms::none),
                          fsys::perm_options::add, ignored);
    }
}

}  // namespace

Session::Session(std::string file, std::ostream& out, bool verbose)
    : file_(std::move(file)), out_(out), verbose_(verbose), oldCwd_(currentDir()) {
    std::string pattern = (fsys::temp_directory_path() / "vantry-scenario-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder: " + std::string(std::strerror(errno)));
    dirs_.base = fsys::canonical(pattern).string();
    try {
        setUp();
    } catch (...) {
        // No destructor runs for a half-made session: leave nothing behind.
        cleanUp();
        throw;
    }
}

void Session::setUp() {
    // Three separate folders: a scenario may remove or replace the root without losing the
    // program folder.
    dirs_.root = dirs_.base + "/root";
    dirs_.pf = dirs_.base + "/Vantry";
    dirs_.windir = dirs_.base + "/windows";
    fsys::create_directories(dirs_.root);
    fsys::create_directories(dirs_.pf);
    fsys::create_directories(dirs_.windir);
    // The program takes its current directory as its folder; a "cd" step before "start" can
    // still make it start elsewhere.
    fsys::current_path(dirs_.pf);

    platform_ = std::make_unique<vb::HeadlessPlatform>(dirs_.windir, dirs_.root);
    app_ = platform_->makeApp();
    vantry::registerForms(*app_);
}

Session::~Session() {
    cleanUp();
}

void Session::cleanUp() {
    app_.reset();
    std::error_code ec;
    if (!oldCwd_.empty()) fsys::current_path(oldCwd_, ec);
    makeWritable(dirs_.base);
    fsys::remove_all(dirs_.base, ec);
}

bool Session::run(std::string_view text) {
    const vb::scenario::Placeholders ph{dirs_.pf,   dirs_.windir, dirs_.root,   kGalleryMark,
                                        kSiteMark, kSecureMark,  kPhoneMark};
    const vb::scenario::Parsed parsed = vb::scenario::parseScenario(text, ph);
    for (const auto& e : parsed.errors)
        failLine(e.line, "a step as docs/scenarios.md describes",
                 e.message + (e.column > 0 ? " (column " + std::to_string(e.column) + ")" : ""));
    if (!parsed.errors.empty()) return false;

    for (const Step& written : parsed.steps) {
        const Step s = withHosts(written);
        const int before = failures_;
        ++stepNumber_;
        try {
            switch (vb::scenario::phaseOf(s.op)) {
                case vb::scenario::Phase::Prepare:
                    prepare(s);
                    break;
                case vb::scenario::Phase::Answer:
                    answer(s);
                    break;
                case vb::scenario::Phase::Act:
                    act(s);
                    break;
                case vb::scenario::Phase::Expect:
                    expect(s);
                    break;
            }
        } catch (const vb::Error& e) {
            fail(s, "the step to run", "error " + std::to_string(e.number()) + ": " + e.what());
        } catch (const std::exception& e) {
            fail(s, "the step to run", e.what());
        }
        if (verbose_ && failures_ == before) out_ << file_ << ":" << s.line << ": ok\n";
    }
    if (failures_ > 0 || verbose_) {
        for (const std::string& line : platform_->log.lines) out_ << file_ << ": program log: " << line << "\n";
    }
    return failures_ == 0;
}

void Session::failLine(int line, const std::string& expected, const std::string& seen) {
    ++failures_;
    out_ << file_ << ":" << line << ": expected " << expected << " seen " << seen << "\n";
}

void Session::fail(const Step& s, const std::string& expected, const std::string& seen) {
    failLine(s.line, expected, seen);
}

// The host placeholders stand for the names in effect when the step runs: "HOSTS.CFG" as the
// program folder holds it then, or the defaults.
Step Session::withHosts(const Step& written) const {
    if (!hasHostMark(written)) return written;
    const vantry::Hosts hosts = vantry::readHosts(fs_, dirs_.pf);
    auto resolve = [&](std::string& text) {
        const std::pair<const char*, const std::string*> marks[] = {
            {kGalleryMark, &hosts.gallery}, {kSiteMark, &hosts.site}, {kSecureMark, &hosts.secure}, {kPhoneMark, &hosts.phone}};
        for (const auto& [mark, host] : marks)
            for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + host->size()))
                text.replace(at, std::string_view(mark).size(), *host);
    };
    Step s = written;
    resolve(s.path);
    for (std::string& v : s.values) resolve(v);
    return s;
}

bool Session::hasHostMark(const Step& s) {
    auto has = [](const std::string& t) { return t.find('\x01') != std::string::npos; };
    if (has(s.path)) return true;
    for (const std::string& v : s.values)
        if (has(v)) return true;
    return false;
}

void Session::unsupported(const Step& s, const std::string& what) {
    fail(s, "a step the runner supports", what + " (not supported yet)");
}

std::string Session::pathOf(const std::string& path) const {
    const std::string full = !path.empty() && path[0] == '/' ? path
                             : path.empty()                  ? dirs_.pf
                                                             : dirs_.pf + "/" + path;
    // Only "/" separates here: a "\" in a scenario path is part of a name.
    return vb::resolveLetterCase(full);
}

vb::Form* Session::loadedForm(const Step& s, const std::string& form) {
    if (!app_->knows(form)) {
        fail(s, "a form named " + form, "no such form");
        return nullptr;
    }
    vb::Form* f = app_->loaded(form);
    if (!f) fail(s, "form " + form + " loaded", "not loaded");
    return f;
}

vb::Control* Session::controlOf(const Step& s, const Name& n) {
    vb::Form* f = loadedForm(s, n.form);
    if (!f) return nullptr;
    vb::Control* c = f->find(n.control, n.index);
    Name shown = n;
    shown.property.clear();
    if (!c) {
        fail(s, "a control " + shown.text(), "no such control");
        return nullptr;
    }
    if (n.index < 0 && c->index() >= 0) {
        fail(s, "a single control " + shown.text(),
             "a control array: name an element as " + n.control + "(INDEX)");
        return nullptr;
    }
    return c;
}

}  // namespace scenario
