#pragma once
// The splash: the third stage of start-up. A counter goes up once a second; at 3 the updater
// runs and is waited for, at 6 the splash closes and the main window takes over.
#include <array>
#include <cstdint>
#include <string>

#include "platform/model/app.h"
#include "platform/model/control.h"
#include "platform/model/form.h"

namespace vantry {

using namespace vb;

// The notification-icon record in its first, 88-byte form.
struct NotifyIconData {
    std::uint32_t cbSize = 0;
    std::uint32_t hWnd = 0;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    std::uint32_t hIcon = 0;
    std::array<char, 64> szTip{};
};

// The program's one record: filled and added by the first start, deleted at every exit. Each
// program instance has its own.
NotifyIconData& TrayIcon_Data(App& app);

// The tip as the record holds it: the title, one NUL, blanks up to 64 characters.
std::array<char, 64> trayTip(const std::string& title);

class Splash : public Form {
public:
    static constexpr const char* kName = "Splash";
    explicit Splash(App& app);

    void Form_Load() override;
    void Get_Language();
    void TrayIcon_Add();
    void Timer1_Timer();
    void Text1_Change();
    void Command1_Click();
    void Text2_Change();

    Image Image1{this, "Image1"};
    Label lbl_Description{this, "lbl_Description"};
    Label lbl_Version{this, "lbl_Version"};
    Label lbl_Beta{this, "lbl_Beta"};
    CommandButton Command1{this, "Command1"};
    LinkLabel WebLink1{this, "WebLink1"};
    TextBox Text1{this, "Text1"};
    Timer Timer1{this, "Timer1"};
    PictureBox Picture1{this, "Picture1"};
    TextBox Text2{this, "Text2"};
    Timer Timer2{this, "Timer2"};

    // The version the labels show; a test may pretend to be another build.
    int versionMajor, versionMinor, versionRevision;
};

}  // namespace vantry
