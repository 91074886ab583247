// The download wizard's design, its preparation of the current gallery picture (counters and
// thumbnail), the hand-over to the main window's download, and its page buttons.
#include "online/download_wizard.h"

#include <memory>

#include "localisation/language.h"
#include "online/download_names.h"
#include "online/gallery_picture.h"
#include "online/my_explorer.h"
#include "platform/base/error.h"
#include "platform/pictures/picture.h"
#include "platform/system/fs.h"
#include "shell/main_form.h"

namespace vantry {

namespace {
constexpr Color kBanner = rgb(36, 52, 86);
constexpr Color kWindow = rgb(244, 245, 247);
constexpr Color kWhite = rgb(255, 255, 255);
constexpr int kWidth = 9600, kHeight = 6600;
// The thumbnail is stretched to this size whatever its own.
constexpr int kPreviewWidth = 2055, kPreviewHeight = 1575;
}  // namespace

Download_Wizard::Download_Wizard(App& app) : Form(app, kName) {
    design("Download Wizard", kWidth, kHeight);
    fixedSize = true;
    Shape_Banner.pos(0, 0, kWidth, 615).fill(kBanner, kBanner);
    Label1.pos(240, 90, kWidth - 480, 435).cap("Download Wizard").colors(kWhite, kBanner).bold().fontSize(14);

    for (Panel* p : {&Step1, &Step2, &Download_Wait, &Ending_Task}) p->pos(120, 720, 5400, 4800).hidden();
    Step3.pos(120, 720, 5400, 5040);
    for (Panel* p : {&Step1, &Step2, &Step3, &Download_Wait, &Ending_Task}) p->colors(0, kWindow);

    lbl_Step1.pos(120, 60, 5160, 300).bold();
    lbl_Descr_Step1_1.pos(120, 420, 5160, 900);
    Option1.pos(120, 1440, 5160, 300);
    Option1.setValue(1);
    WebLink2.pos(120, 1860, 5160, 255);
    Command1.pos(3960, 4320, 1335, 375);

    lbl_Step2.pos(120, 60, 5160, 300).bold();
    lbl_Descr_Step2.pos(120, 420, 5160, 900);
    List1.pos(120, 1440, 5160, 2655);
    Command4.pos(120, 4320, 1335, 375);
    Command2.pos(3960, 4320, 1335, 375);

    lbl_Step3.pos(120, 60, 5160, 300).bold();
    lbl_Preview.pos(120, 420, kPreviewWidth, 255);
    // "Loading..." lies under the preview: it shows until a picture covers it.
    Label7.pos(120, 1380, kPreviewWidth, 255).cap("Loading...");
    img_Preview.pos(120, 720, kPreviewWidth, kPreviewHeight).hidden();
    img_Preview.stretch = true;
    Picture_Preview.pos(0, 0, 15, 15).hidden();
    lbl_Low.pos(2400, 720, 2400, 255).bold();
    lbl_Low_Descr.pos(2400, 990, 2400, 480);
    Command6.pos(4860, 780, 420, 375).cap(">");
    lbl_High.pos(2400, 1620, 2400, 255).bold();
    // Room for four lines: the longer languages need three or four at the normal size.
    lbl_High_Descr.pos(2400, 1890, 2400, 840);
    Command7.pos(4860, 1680, 420, 375).cap(">");
    // Across the whole step panel: the longer languages need its full width.
    Check1.pos(60, 2820, 5340, 300);
    Check1.setValue(1);
    Check2.pos(60, 3180, 5340, 300);
    Command5.pos(120, 4560, 1335, 375).hidden();
    Command3.pos(3960, 4560, 1335, 375).hidden();

    lbl_Wait_Title.pos(120, 60, 5160, 300).bold();
    lbl_Wait_Descr.pos(120, 420, 5160, 900);
    lbl_Finishing.pos(120, 420, 5160, 900);

    lbl_CounterLow.pos(5700, 750, 2400, 255);
    txt_DownloadCounter_Low.pos(8160, 720, 1275, 285);
    lbl_CounterHigh.pos(5700, 1110, 2400, 255);
    txt_DownloadCounter_High.pos(8160, 1080, 1275, 285);
    lbl_ForumNews.pos(5700, 1560, 3735, 255).cap("Forum News:").bold();
    WebBrowser1.pos(5700, 1860, 3735, 3540);
    WebLink1.pos(5700, 5460, 3735, 255).cap("Forum  >>");

    cmd_goMyExplorer.pos(120, 6000, 2655, 420);
    Command8.pos(8040, 6000, 1395, 420);

    // Out of the user's sight: txt_ServersList lies below the window's visible area.
    txt_Img_Code.pos(0, 0, 1215, 285).hidden();
    txt_ServersList.pos(0, kHeight + 600, 1215, 285);
    Timer1.interval(3000).disabled();

    Timer1.Tick = [this] { Timer1_Timer(); };
    FileTransfer1.TransferProgress = [this](int a, std::int64_t total, std::int64_t done, int b) {
        FileTransfer1_TransferProgress(a, total, done, b);
    };
    FileTransfer1.TransferError = [this](int code, const std::string& d) {
        FileTransfer1_TransferError(code, d);
    };
    Command6.Click = [this] { Command6_Click(); };
    Command7.Click = [this] { Command7_Click(); };
    Command8.Click = [this] { Command8_Click(); };
    cmd_goMyExplorer.Click = [this] { cmd_goMyExplorer_Click(); };
    Command5.Click = [this] { Command5_Click(); };
    Command4.Click = [this] { Command4_Click(); };
    Command1.Click = [this] { Command1_Click(); };
}

void Download_Wizard::Form_Load() {
    const Hosts h = app().form<Main>().hosts();
    WebLink1.url = h.siteAddress("/forum");
    WebLink2.url = h.siteAddress("/products/vantry/manual.htm");
    Get_Language();
}

void Download_Wizard::Form_Unload(int&) {
    Command8_Click();
}

void Download_Wizard::Get_Language() {
    auto& store = app().form<Main>().lst_Language;
    const std::pair<int, Control*> table[] = {
        {33, &Check1},           {42, &Check2},          {46, &WebLink2},           {270, &Command1},
        {270, &Command2},        {273, &Command8},       {271, &Command4},          {271, &Command5},
        {274, &lbl_Step1},       {275, &Option1},        {276, &lbl_Descr_Step1_1}, {279, &lbl_Step2},
        {280, &lbl_Descr_Step2}, {281, &lbl_Wait_Title}, {282, &lbl_Wait_Descr},    {283, &lbl_Step3},
        {284, &lbl_Preview},     {285, &lbl_Low},        {286, &lbl_Low_Descr},     {287, &lbl_High},
        {288, &lbl_High_Descr},  {289, &lbl_Finishing},  {290, &cmd_goMyExplorer},  {291, &lbl_CounterLow},
        {292, &lbl_CounterHigh}};
    for (const auto& [n, c] : table) captionStep(store, n, [c = c](const std::string& t) { c->setCaption(t); });
}

// A counter that cannot be fetched keeps the text it had.
void Download_Wizard::fetchCounter(TextBox& box, const std::string& address) {
    vb::resume([&] { box.setText(Inet1.OpenURL(address)); });
    vb::resume([&] { box.setText(counterText(box.Text())); });
}

void Download_Wizard::Prepara_Anteprima_Thumbnail() {
    MyExplorer& explorer = app().form<MyExplorer>();
    Main& main = app().form<Main>();
    vb::resume([&] {
        Picture_Preview.clearPicture();
        img_Preview.clearPicture();
        img_Preview.setVisible(false);
    });
    const std::string name = explorer.Text3.Text();
    // Shorter than four characters: no code; shorter than three: the extension stays as it was.
    const std::string code = pictureCode(name);
    if (name.size() >= 3) explorer.txt_Extension.setText(pictureExtension(name));
    const Hosts hosts = explorer.hosts();
    const std::string album = explorer.Text2.Text();
    const std::string thumbnail = thumbnailAddress(hosts, album, code, explorer.txt_Extension.Text());
    Inet1.AccessType = 0;
    fetchCounter(txt_DownloadCounter_Low, downloadCountAddress(hosts, code, true));
    fetchCounter(txt_DownloadCounter_High, downloadCountAddress(hosts, code, false));
    vb::resume([&] {
        FileTransfer1.Mode = 2;
        FileTransfer1.StartDownload(joinPath(main.txt_InitDir.Text(), "\\temp.jpg"), thumbnail);
    });
    Step2.setVisible(false);
    Download_Wait.setVisible(false);
    Step3.setVisible(true);
}

// Any report whose two counts are equal means the thumbnail is complete under "temp.jpg".
void Download_Wizard::FileTransfer1_TransferProgress(int, std::int64_t total, std::int64_t done, int) {
    if (total == done) Timer1.setEnabled(true);
}

void Download_Wizard::showPicture(const std::string& file) {
    const std::string path = joinPath(app().form<Main>().txt_InitDir.Text(), file);
    Picture_Preview.setPicture(std::make_shared<const Picture>(loadPicture(app().fs().resolve(path))));
    img_Preview.setPicture(Picture_Preview.picture());
    img_Preview.setHeight(kPreviewHeight);
    img_Preview.setWidth(kPreviewWidth);
    img_Preview.setVisible(true);
}

void Download_Wizard::Timer1_Timer() {
    // Once per completion report, whatever the file turns out to be.
    Timer1.setEnabled(false);
    // A thumbnail that is no picture (an error page the server sent with success) shows the
    // placeholder, as a failed transfer does.
    vb::guarded([&] { showPicture("\\temp.jpg"); },
                [&](const vb::Error&) { vb::resume([&] { showPicture("\\notavailable_1.jpg"); }); });
    Step2.setVisible(false);
    Download_Wait.setVisible(false);
    Step3.setVisible(true);
}

void Download_Wizard::FileTransfer1_TransferError(int, const std::string&) {
    Timer1.setEnabled(false);
    vb::resume([&] { showPicture("\\notavailable_1.jpg"); });
}

void Download_Wizard::handOver(bool low) {
    Command8.setEnabled(false);
    setWindowState(WindowState::Minimized);
    Hide();
    Main& main = app().form<Main>();
    main.Show();
    main.setWindowState(WindowState::Normal);
    main.img_About.setEnabled(false);
    main.img_Downloading.setPicture(img_Preview.picture());
    main.txt_Resolution.setText(low ? "1" : "2");
    main.txt_CancelDownload.setText("0");
    main.Get_ImageFile();
    // A failed start has reset the main window, which loads this window afresh: the boxes
    // emptied are that instance's.
    Download_Wizard& wizard = app().form<Download_Wizard>();
    wizard.txt_DownloadCounter_High.setText("");
    wizard.txt_DownloadCounter_Low.setText("");
}

void Download_Wizard::Command8_Click() {
    Hide();
}

void Download_Wizard::cmd_goMyExplorer_Click() {
    Hide();
    MyExplorer& explorer = app().form<MyExplorer>();
    explorer.setWindowState(WindowState::Normal);
    explorer.Show();
}

void Download_Wizard::Command5_Click() {
    Step3.setVisible(false);
    Step2.setVisible(true);
}

void Download_Wizard::Command4_Click() {
    Step2.setVisible(false);
    Step1.setVisible(true);
}

void Download_Wizard::Command1_Click() {
    if (Option1.Value() == 1) {
        app().form<Main>().txt_Server.setText(
            app().form<Main>().hosts().galleryAddress("/pelloria/gallery/murlo-albums"));
        Step1.setVisible(false);
        Step2.setVisible(true);
    }
    // The focus would go to txt_Img_Code, which is hidden: there is nothing to focus.
}

}  // namespace vantry
