#pragma once
// The update-check window: asks the maker's site for the latest version's number, compares it
// with the running one and offers the download page when a newer one exists. No command of the
// program opens it (the updater program serves the same need at start-up); scenarios and tests
// reach it by name.
#include <array>
#include <string>

#include "platform/model/app.h"
#include "platform/model/control.h"
#include "platform/model/form.h"
#include "platform/model/online.h"

namespace vantry {

using namespace vb;

// A version text "major.minor.revision" as three signed 16-bit numbers. The pieces are split at
// the dots, so a two-digit minor number is read whole. Throws vb::Error (type mismatch) when the
// text has not three pieces, a piece is not a whole number, or a number does not fit 16 bits.
std::array<int, 3> versionPieces(const std::string& text);

// The version text inside the site's version document: its characters 32 to 39 (counted from
// 1), fewer when the document is shorter.
std::string versionInDocument(const std::string& document);

class Fresco : public Form {
public:
    static constexpr const char* kName = "Fresco";
    explicit Fresco(App& app);

    void Form_Load() override;
    void Form_Unload(int& cancel) override;
    void Get_Language();
    void Compare_Versions();
    void Command1_Click();
    void Command2_Click();
    void cmd_Close_Click();
    void cmd_PageProduct_Click();

    Shape Shape_Back{this, "Shape_Back"};
    Image Image1{this, "Image1"};
    Label lbl_Opzioni{this, "lbl_Opzioni"};
    Label lbl_Description{this, "lbl_Description"};
    Label lbl_Local{this, "lbl_Local"};
    Label lbl_LocalVersion{this, "lbl_LocalVersion"};
    Label lbl_Remote{this, "lbl_Remote"};
    Label lbl_RemoteVersion{this, "lbl_RemoteVersion"};
    LinkLabel cmd_PageProduct{this, "cmd_PageProduct"};
    CommandButton Command1{this, "Command1"};
    CommandButton cmd_Close{this, "cmd_Close"};
    CommandButton Command2{this, "Command2"};
    InternetTransfer Inet1{this, "Inet1"};
};

}  // namespace vantry
