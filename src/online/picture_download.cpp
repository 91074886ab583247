// The picture download of the main window: Get_ImageFile starts the transfer of the current
// gallery picture into the library, the download panel follows its progress, and a ten-tick
// sequence previews, saves and (when asked) applies the new picture. Reset_Controls brings the
// window back to its picture list after every download, cancel, failure and wallpaper.
//
// The picture travels under a staging name beside its final one (hidden, in the library folder)
// and only a complete file that holds a picture replaces the final name: a cancelled or failed
// transfer, or a server answering with a page instead of the picture, never leaves a half file
// and never replaces an earlier good download of the same name.
#include <memory>

#include "localisation/language.h"
#include "online/download_names.h"
#include "online/download_wizard.h"
#include "online/gallery_picture.h"
#include "online/my_explorer.h"
#include "platform/base/error.h"
#include "platform/base/text.h"
#include "platform/pictures/picture.h"
#include "platform/system/fs.h"
#include "shell/main_form.h"
#include "shell/version.h"

namespace vantry {

namespace {

// Where the picture of the running download lands, from the code and resolution the wizard and
// the main window keep for it.
std::string downloadedPicturePath(Main& m, const std::string& code) {
    return joinPath(joinPath(m.txt_InitDir.Text(), "\\img\\"),
                    downloadedPictureName(code, isLowResolution(m.txt_Resolution.Text())));
}

std::string stagingPath(const std::string& finalPath) {
    const std::size_t slash = finalPath.find_last_of("/\\");
    return finalPath.substr(0, slash + 1) + "." + finalPath.substr(slash + 1) + ".download";
}

// Whether the file's first bytes are those of a picture (an error page is not).
bool holdsPicture(FileSystem& fs, const std::string& path) {
    const std::string head = fs.readBytes(path, 16);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(head.data());
    if (sniffPictureFormat({bytes, head.size()}) != PictureFormat::Unknown) return true;
    return head.size() >= 8 && head.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
}

void discard(FileSystem& fs, const std::string& path) {
    vb::resume([&] {
        if (fs.fileExists(path)) fs.Kill(path);
    });
}

}  // namespace

void Main::designDownload() {
    lbl_Percent.pos(4320, 1200, 1995, 255).cap("(Percentuale)");
    lbl_FileLenght.pos(1800, 1500, 6375, 255);
    img_Downloading.pos(1800, 2460, 2055, 1575);
    img_Downloading.stretch = true;
    txt_Server.pos(0, 0, 1215, 285).hidden();
    Timer2.interval(1000).disabled();

    FileTransfer1.TransferProgress = [this](int a, std::int64_t total, std::int64_t done, int b) {
        FileTransfer1_TransferProgress(a, total, done, b);
    };
    FileTransfer1.TransferError = [this](int code, const std::string& d) {
        FileTransfer1_TransferError(code, d);
    };
    Command3.Click = [this] { Command3_Click(); };
    Timer2.Tick = [this] { Timer2_Timer(); };
    txt_Timer2.Change = [this] { txt_Timer2_Change(); };
    Command1.Click = [this] { Command1_Click(); };
    txt_GetURL.GotFocus = [this] { txt_GetURL_GotFocus(); };
    txt_GetURL.KeyDown = [this](int& key, int) {
        if (key == 13 && defaultButton == &Command1 && Command1.Enabled()) {
            key = 0;  // taken
            Command1.Click();
        }
    };
}

void Main::Get_ImageFile() {
    vb::guarded(
        [&] {
            MyExplorer& explorer = app().form<MyExplorer>();
            const std::string name = explorer.Text3.Text();
            if (name.size() < 4) throw Error(err::InvalidCall, "no gallery picture recognised");
            const std::string code = pictureCode(name);
            // The code becomes a file name here: one that could name a file elsewhere is refused.
            if (!codeUsableInLocalPath(code)) throw Error(err::InvalidCall, "unsafe picture code: " + code);
            app().form<Download_Wizard>().txt_Img_Code.setText(code);
            const bool low = isLowResolution(txt_Resolution.Text());
            const Hosts h = explorer.hosts();
            const std::string remote =
                pictureAddress(h, explorer.Text2.Text(), code, explorer.txt_Extension.Text(), low);
            explorer.WebBrowser_DownloadCounter.Navigate(downloadCounterAddress(h, code, low));
            const std::string local = downloadedPicturePath(*this, code);
            Options.setVisible(false);
            GetIMAGE.setVisible(false);
            Download.setVisible(true);
            FileTransfer1.Mode = 2;
            FileTransfer1.StartDownload(stagingPath(local), remote);
        },
        [&](const Error&) {
            Reset_Controls();
            numberedMessage(app(), 92, kWarning);
        });
}

void Main::FileTransfer1_TransferProgress(int, std::int64_t total, std::int64_t done, int) {
    Download_Wizard& wizard = app().form<Download_Wizard>();
    const bool minimise = wizard.Check2.Value() == 1;
    if (minimise) setWindowState(WindowState::Minimized);
    lbl_FileLenght.setCaption(byteCountText(total, done));
    const double percent = downloadPercent(total, done);
    lbl_Percent.setCaption(percentText(percent));
    ProgressBar1.setWidth(progressStripWidth(percent));
    if (minimise) setCaption(std::string(kProgramTitle) + " :: " + lbl_FileLenght.Caption());
    if (done != total) return;
    const std::string local = downloadedPicturePath(*this, wizard.txt_Img_Code.Text());
    const std::string staged = stagingPath(local);
    FileSystem& fs = app().fs();
    // Nothing of unknown size has arrived yet: not a completion, whatever the two counts say.
    if (total == 0 && !fs.fileExists(staged)) return;

    // Complete: the file waits under its staging name.
    Command3.setEnabled(false);
    if (txt_CancelDownload.Text() == "1") {
        discard(fs, staged);  // the user no longer wants it
        vb::resume([&] { File1.Refresh(); });
        return;
    }
    bool landed = false;
    vb::resume([&] {
        if (!holdsPicture(fs, staged)) return;
        fs.Replace(staged, local);
        landed = true;
    });
    if (!landed) {
        discard(fs, staged);
        Reset_Controls();
        numberedMessage(app(), 92, kWarning);
        return;
    }
    vb::resume([&] { File1.Refresh(); });
    Timer2.setEnabled(true);
    lbl_Downloading.setCaption(languageString(app(), 36));
    lbl_FileLenght.setCaption(languageString(app(), 37));
}

void Main::FileTransfer1_TransferError(int code, const std::string&) {
    // The transfer leaves nothing under the final name; a staging file of an earlier attempt goes.
    vb::resume([&] {
        const std::string imgCode = app().form<Download_Wizard>().txt_Img_Code.Text();
        if (codeUsableInLocalPath(imgCode))
            discard(app().fs(), stagingPath(downloadedPicturePath(*this, imgCode)));
    });
    Reset_Controls();
    // 10004 is our own cancel: nothing to tell.
    if (code != transfer_error::Interrupted) numberedMessage(app(), 92, kWarning, PromptForm::WithCode, code);
}

void Main::Command3_Click() {
    vb::resume([&] { FileTransfer1.CancelTransfer(); });
    vb::resume([&] { Timer2.setEnabled(false); });
    vb::resume([&] { txt_CancelDownload.setText("1"); });
    vb::resume([&] { Reset_Controls(); });
}

void Main::Timer2_Timer() {
    txt_Timer2.setText(std::to_string(valOf(txt_Timer2.Text()) + 1));
}

// A picture of any size would hold the window for as long as it takes to decode, to write as a
// bitmap (seconds for the largest) or to draw on the desktop, so these are background jobs; the
// ticks still set their order.
void Main::txt_Timer2_Change() {
    const std::string tick = txt_Timer2.Text();
    if (tick == "3") afterDownloadJobs([this] { previewDownloadedPicture(); });
    if (tick == "6")
        afterDownloadJobs(
            [this] { saveWallpaperInBackground([this] { vb::resume([&] { File1.Refresh(); }); }); });
    if (tick == "10") afterDownloadJobs([this] { endDownloadSteps(); });
}

// Loaded into the hidden preview only; the visible one stays as it is. A file that does not load
// leaves the hidden preview empty, so nothing old is saved or applied for it.
void Main::previewDownloadedPicture() {
    Picture_Preview.clearPicture();
    std::string path;
    vb::resume([&] {
        const std::string code = app().form<Download_Wizard>().txt_Img_Code.Text();
        path = app().fs().resolve(downloadedPicturePath(*this, code));
    });
    if (path.empty()) return;
    auto loaded = std::make_shared<std::shared_ptr<const Picture>>();
    downloadJob(
        [path, loaded] {
            try {
                *loaded = std::make_shared<const Picture>(loadPicture(path));
            } catch (const std::exception&) {
            }
        },
        [this, loaded] {
            // A picture the user previewed meanwhile stays: it came after this tick.
            if (*loaded && !Picture_Preview.picture()) Picture_Preview.setPicture(*loaded);
        });
}

void Main::endDownloadSteps() {
    Timer2.setEnabled(false);
    txt_Timer2.setText("0");
    const bool loaded = Picture_Preview.picture() && !Picture_Preview.picture()->empty();
    if (!loaded) {
        Reset_Controls();
        numberedMessage(app(), 92, kWarning);
    } else if (app().form<Download_Wizard>().Check1.Value() == 1) {
        // Put_Wallpaper, its hand-over to the desktop in the background.
        downloadJob(wallpaperHandOver(), [this] { Reset_Controls(); });
    } else {
        Reset_Controls();
    }
}

void Main::afterDownloadJobs(std::function<void()> step) {
    if (downloadJobRunning_)
        downloadStepsWaiting_.push_back(std::move(step));
    else
        step();
}

void Main::downloadJob(std::function<void()> work, std::function<void()> done) {
    downloadJobRunning_ = true;
    app().jobs().run(std::move(work), [this, alive = std::weak_ptr<bool>(alive_), done = std::move(done)] {
        if (alive.expired()) return;
        downloadJobRunning_ = false;
        done();
        // The steps whose ticks came meanwhile, in order, until one starts a job of its own.
        while (!downloadJobRunning_ && !downloadStepsWaiting_.empty()) {
            const std::function<void()> step = std::move(downloadStepsWaiting_.front());
            downloadStepsWaiting_.pop_front();
            step();
        }
    });
}

// Each step is tried on its own: a reset that stopped half-way would leave the window on a
// download panel with no download.
void Main::Reset_Controls() {
    vb::resume([&] {
        if (Form* wizard = app().loaded(Download_Wizard::kName)) app().unload(*wizard);
    });
    Command3.setEnabled(true);
    lbl_FileLenght.setCaption("");
    txt_GetURL.setText("");
    txt_GetURL.setEnabled(true);
    Command1.setEnabled(true);
    vb::resume([&] { lbl_Downloading.setCaption(languageString(app(), 35)); });
    ProgressBar1.setWidth(0);
    vb::resume([&] { CoolButton2_Click(); });
    setCaption(productTitle());
    setWindowState(WindowState::Normal);
    img_About.setEnabled(true);
    // Touching the wizard creates it again, hidden, as designed.
    vb::resume([&] { app().form<Download_Wizard>().txt_Img_Code.setText(""); });
    img_ImageInfo.setVisible(false);
    lbl_ImageInfo.setCaption("");
    Download.setVisible(false);
    Panel_Options.setVisible(false);
    Options.setVisible(true);
    vb::resume([&] { Get_LastDownloaded(); });
}

void Main::txt_GetURL_GotFocus() {
    defaultButton = &Command1;
}

// The get-a-picture panel's button: the wizard for whatever the gallery last named.
void Main::Command1_Click() {
    Download_Wizard& wizard = app().form<Download_Wizard>();
    wizard.Show();
    wizard.Prepara_Anteprima_Thumbnail();
}

}  // namespace vantry
