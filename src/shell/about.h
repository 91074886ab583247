#pragma once
// The About window: the program's version and legal notice, facts about its makers, the header
// of the active language file, two links to the maker's site and the updater button. The main
// window hides while it is open; its Close unloads it, so every opening reads the language
// file's header afresh.
#include <memory>
#include <string>

#include "platform/model/app.h"
#include "platform/model/control.h"
#include "platform/model/form.h"

namespace vantry {

using namespace vb;

// The maker's mark: an orange disc on black, 64 pixels square.
std::shared_ptr<const Picture> makerMark();

// "3.5.2006", or "0.9.12 BETA" for a build whose major version is 0.
std::string aboutVersionText(int major, int minor, int revision);

class About : public Form {
public:
    static constexpr const char* kName = "About";
    explicit About(App& app);

    void Form_Load() override;
    void Form_Unload(int& cancel) override;
    void Get_Language();
    void Command1_Click();
    void Command3_Click();
    void lbl_Chiudi_Click();

    // Background and decoration.
    Shape Shape_Back{this, "Shape_Back"};
    Shape Shape1{this, "Shape1"};
    Shape Shape2{this, "Shape2"};
    Image Image1{this, "Image1"};
    Image Image11{this, "Image11"};

    // Captions (fixed English texts) and their values.
    Label Label1{this, "Label1"};
    Label lbl_Version{this, "lbl_Version"};
    Label Label2{this, "Label2"};
    Label Label9{this, "Label9"};
    Label Label3{this, "Label3"};
    Label Label10{this, "Label10"};
    Label Label4{this, "Label4"};
    Label lbl_Copyright{this, "lbl_Copyright"};
    Label Label5{this, "Label5"};
    Label Label12{this, "Label12"};
    Label Label6{this, "Label6"};
    Label lbl_DRVVersion{this, "lbl_DRVVersion"};
    Label Label7{this, "Label7"};
    Label lbl_DRVLanguage{this, "lbl_DRVLanguage"};
    Label Label8{this, "Label8"};
    Label lbl_DriverMade{this, "lbl_DriverMade"};

    // Along the bottom edge.
    CommandButton Command3{this, "Command3"};
    LinkLabel WebLink2{this, "WebLink2"};
    LinkLabel WebLink1{this, "WebLink1"};
    CommandButton Command1{this, "Command1"};

    // Never shown, so its handler is out of the user's reach.
    Label lbl_Chiudi{this, "lbl_Chiudi"};
};

}  // namespace vantry
