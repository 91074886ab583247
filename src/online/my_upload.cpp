#include "online/my_upload.h"

#include "online/my_explorer.h"
#include "shell/main_form.h"

namespace vantry {

MyUpload::MyUpload(App& app) : GalleryBrowserWindow(app, kName, "Uploader", 615, 5700) {
    setCaption("Vantry Uploader");
    Command1.Click = [this] { Command1_Click(); };
    Command2.Click = [this] { Command2_Click(); };
}

// Back to the explorer as it was; when it has shown no page in this run (reading its address
// creates it, empty), the gallery opens afresh on its index.
void MyUpload::Command1_Click() {
    Unload();
    MyExplorer& explorer = app().form<MyExplorer>();
    if (!explorer.txt_URL.Text().empty()) {
        explorer.Show();
        explorer.setWindowState(WindowState::Normal);
    } else {
        app().form<Main>().Start_Pelloria();
    }
}

void MyUpload::Command2_Click() {
    Unload();
}

}  // namespace vantry
