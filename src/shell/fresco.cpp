// The update-check window.
#include "shell/fresco.h"

#include <cstdlib>

#include "localisation/language.h"
#include "platform/base/error.h"
#include "shell/about.h"
#include "shell/main_form.h"
#include "shell/site_pages.h"
#include "shell/version.h"

namespace vantry {

namespace {

constexpr Color kBlack = rgb(0, 0, 0);
constexpr Color kOrange = rgb(255, 140, 0);
constexpr Color kWhite = rgb(255, 255, 255);
constexpr Color kYellow = rgb(255, 255, 0);

constexpr int kTypeMismatch = 13;
constexpr int kOverflow = 6;

// One piece of a version text as a signed 16-bit number: digits, with blanks around them.
int versionPiece(const std::string& piece) {
    const std::size_t first = piece.find_first_not_of(' ');
    const std::size_t last = piece.find_last_not_of(' ');
    if (first == std::string::npos) throw Error(kTypeMismatch, "empty version piece");
    const std::string digits = piece.substr(first, last - first + 1);
    if (digits.find_first_not_of("0123456789") != std::string::npos)
        throw Error(kTypeMismatch, "version piece is not a number: " + piece);
    const std::size_t significant = digits.find_first_not_of('0');
    if (significant != std::string::npos && digits.size() - significant > 5)
        throw Error(kOverflow, "version piece too large: " + piece);
    const long value = std::strtol(digits.c_str(), nullptr, 10);
    if (value > 32767) throw Error(kOverflow, "version piece too large: " + piece);
    return int(value);
}

}  // namespace

std::array<int, 3> versionPieces(const std::string& text) {
    const std::size_t dot1 = text.find('.');
    const std::size_t dot2 = dot1 == std::string::npos ? dot1 : text.find('.', dot1 + 1);
    if (dot2 == std::string::npos || text.find('.', dot2 + 1) != std::string::npos)
        throw Error(kTypeMismatch, "not a version: " + text);
    return {versionPiece(text.substr(0, dot1)), versionPiece(text.substr(dot1 + 1, dot2 - dot1 - 1)),
            versionPiece(text.substr(dot2 + 1))};
}

std::string versionInDocument(const std::string& document) {
    return document.size() < 32 ? std::string() : document.substr(31, 8);
}

Fresco::Fresco(App& app) : Form(app, kName) {
    design("ReFresco", 5400, 3600);
    centred = true;

    Shape_Back.pos(0, 0, 5400, 3600).fill(kBlack, kBlack);
    Image1.pos(120, 120, 960, 960);
    Image1.setPicture(makerMark());
    lbl_Opzioni.pos(1200, 120, 3960, 420).cap("ReFresco").colors(kWhite, kBlack).bold().fontSize(14);
    lbl_Description.pos(1200, 600, 3960, 615).colors(kWhite, kBlack);
    lbl_Local.pos(1200, 1320, 2160, 255).colors(kWhite, kBlack);
    lbl_LocalVersion.pos(3480, 1320, 1680, 255).colors(kYellow, kBlack);
    lbl_Remote.pos(1200, 1650, 2160, 255).colors(kWhite, kBlack);
    lbl_RemoteVersion.pos(3480, 1650, 1680, 255).cap("-").colors(kYellow, kBlack);
    cmd_PageProduct.pos(1200, 2130, 3960, 255).colors(kOrange, kBlack).hidden();
    cmd_PageProduct.url = "/download";
    Command1.pos(1200, 2880, 1455, 375);
    cmd_Close.pos(2760, 2880, 1200, 375).hidden();
    Command2.pos(4080, 2880, 1080, 375);
    Inet1.URL = sitePage(app, "/vantry_version_number.js");

    Command1.Click = [this] { Command1_Click(); };
    Command2.Click = [this] { Command2_Click(); };
    cmd_Close.Click = [this] { cmd_Close_Click(); };
    cmd_PageProduct.Click = [this] { cmd_PageProduct_Click(); };
}

void Fresco::Form_Load() {
    Get_Language();
    lbl_LocalVersion.setCaption(versionNumbers());
}

void Fresco::Form_Unload(int&) {}

void Fresco::Get_Language() {
    auto& store = app().form<Main>().lst_Language;
    captionStep(store, 216, [&](const std::string& t) { Command1.setCaption(t); });
    captionStep(store, 217, [&](const std::string& t) { Command2.setCaption(t); });
    captionStep(store, 218, [&](const std::string& t) { cmd_PageProduct.setCaption(t); });
    captionStep(store, 219, [&](const std::string& t) { cmd_Close.setCaption(t); });
    captionStep(store, 220, [&](const std::string& t) { lbl_Local.setCaption(t); });
    captionStep(store, 221, [&](const std::string& t) { lbl_Remote.setCaption(t); });
    captionStep(store, 222, [&](const std::string& t) { lbl_Description.setCaption(t); });
}

void Fresco::Compare_Versions() {
    const std::array<int, 3> local = versionPieces(lbl_LocalVersion.Caption());
    const std::array<int, 3> remote = versionPieces(lbl_RemoteVersion.Caption());
    const bool newer = remote > local;  // lexicographic: major, then minor, then revision
    cmd_PageProduct.setVisible(newer);
    cmd_Close.setVisible(!newer);
    Command1.setEnabled(false);
    lbl_Description.setCaption(languageString(app(), newer ? 223 : 224));
}

void Fresco::Command1_Click() {
    // The fetch holds the user-interface thread until it returns; the transfer bounds its time.
    vb::guarded(
        [&] {
            Inet1.AccessType = 0;
            const std::string document = Inet1.OpenURL();
            lbl_RemoteVersion.setCaption(versionInDocument(document));
            Compare_Versions();
        },
        [&](const vb::Error&) { numberedMessage(app(), 225, kWarning, PromptForm::NoBlank); });
}

void Fresco::Command2_Click() {
    Unload();
}

void Fresco::cmd_Close_Click() {
    Unload();
}

void Fresco::cmd_PageProduct_Click() {
    openSitePage(app(), cmd_PageProduct.url);
}

}  // namespace vantry
