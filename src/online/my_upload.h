#pragma once
// The upload window: a browser window built like the e-card window, with back and forward, the
// page-load strip, a way back to the gallery explorer and a cancel button. No command of the
// program opens it and nothing loads a page into it: uploads happen in the explorer itself.
#include "online/browser_window.h"

namespace vantry {

class MyUpload : public GalleryBrowserWindow {
public:
    static constexpr const char* kName = "MyUpload";
    explicit MyUpload(App& app);

    void Get_Language() override { sharedCaptions(); }
    void Command1_Click();
    void Command2_Click();
};

}  // namespace vantry
