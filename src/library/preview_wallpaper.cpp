// The preview of one library picture, its information line, and making it the wallpaper.
#include <cmath>

#include "library/img_inf.h"
#include "localisation/language.h"
#include "platform/base/error.h"
#include "platform/pictures/picture.h"
#include "platform/system/fs.h"
#include "shell/main_form.h"

namespace vantry {

namespace {
std::string formatName(std::uint8_t format) {
    static const char* const kNames[] = {"---", "PNG", "GIF", "JPG", "BMP"};
    return format < 5 ? kNames[format] : "---";
}
}  // namespace

// The steps that a row click and FileBox_Click share: each is tried, a failing one skipped.
void Main::previewFile(const std::string& name) {
    const std::string path = joinPath(joinPath(txt_InitDir.Text(), "\\img\\"), name);
    vb::resume([&] {
        Picture_Preview.clearPicture();
        img_Preview.clearPicture();
        img_Preview.setVisible(false);
    });
    vb::resume([&] {
        Picture_Preview.setPicture(std::make_shared<const Picture>(loadPicture(app().fs().resolve(path))));
    });
    vb::resume([&] {
        img_Preview.setPicture(Picture_Preview.picture());
        img_Preview.setHeight(1575);
        img_Preview.setWidth(2055);
        img_Preview.setVisible(true);
    });
    vb::resume([&] { img_ImageInfo.setVisible(true); });
    vb::resume([&] { Show_ImageInfo(name); });
}

void Main::FileBox_Click() { previewFile(File1.FileName()); }

void Main::Show_ImageInfo(const std::string& name) {
    const std::string path = joinPath(joinPath(txt_InitDir.Text(), "\\img\\"), name);
    const ImageInfo r = Get_ImageInfo(app().fs().resolve(path));
    const bool known = r.Format != 255;
    lbl_ImageInfo.setCaption("[ " + (known ? formatName(r.Format) : std::string("---")) + " ], " +
                             std::to_string(known ? r.Width : 0) + " x " + std::to_string(known ? r.Height : 0) +
                             " px - " + std::to_string(known ? r.Bits : 0) + " bits");
}

std::string Main::wallpaperBitmap() {
    return app().fs().resolve(joinPath(txt_WinDir.Text(), "\\vantry.bmp"));
}

void Main::Save_Wallpaper() {
    vb::resume([&] {
        const auto picture = Picture_Preview.picture();
        if (!picture || picture->empty()) return;  // nothing to write: the old file stays
        const std::string path = wallpaperBitmap();
        // From here no background save replaces the file: this write comes after any of theirs.
        chooseWallpaper();
        wallpaperWritten_ = nullptr;  // whatever happens next, the file may no longer hold it
        savePictureBmp(*picture, path);
        wallpaperWritten_ = picture;
        wallpaperWrittenPath_ = path;
    });
}

void Main::saveWallpaperInBackground(std::function<void()> then) {
    const auto picture = Picture_Preview.picture();
    std::string path;
    vb::resume([&] {
        if (picture && !picture->empty()) path = wallpaperBitmap();
    });
    if (path.empty()) {  // nothing to write: the old file stays
        then();
        return;
    }
    const int save = chooseWallpaper();
    wallpaperWritten_ = nullptr;
    auto written = std::make_shared<bool>(false);
    downloadJob(
        [picture, path, written, choices = wallpaperChoices_, save] {
            try {
                savePictureBmp(*picture, path, [&](const std::function<void()>& replace) {
                    const std::lock_guard lock(choices->mutex);
                    if (choices->latest != save) return;  // a later choice wrote the file
                    replace();
                    *written = true;
                });
            } catch (const std::exception&) {
            }
        },
        [this, picture, path, written, save, then = std::move(then)] {
            // Only while no other save has started since: the file may hold that one's picture.
            if (*written && save == wallpaperChoices_->latest) {
                wallpaperWritten_ = picture;
                wallpaperWrittenPath_ = path;
            }
            then();
        });
}

int Main::chooseWallpaper() {
    const std::lock_guard lock(wallpaperChoices_->mutex);
    return ++wallpaperChoices_->latest;
}

std::function<void()> Main::wallpaperHandOver() {
    const std::string path = wallpaperBitmap();
    std::shared_ptr<const Picture> written;
    if (wallpaperWritten_ && wallpaperWrittenPath_ == path) written = wallpaperWritten_;
    WallpaperService& desktop = app().wallpaper();
    return [&desktop, path, written, choices = wallpaperChoices_, choice = wallpaperChoices_->latest] {
        // A later choice tells the desktop itself; the lock keeps its apply after this one.
        const std::lock_guard lock(choices->mutex);
        if (choices->latest != choice) return;
        if (written)
            desktop.setWallpaperWritten(path, *written);
        else
            desktop.setWallpaper(path);
    };
}

void Main::Put_Wallpaper() {
    wallpaperHandOver()();
    Reset_Controls();
}

void Main::Get_WinDir() { txt_WinDir.setText(app().system().windowsDirectory()); }

void Main::Get_Screen_Resolution() {
    // In the display's own pixels, also when the user scaled the program: a 1600 x 1000 screen
    // at twice the scale is still 1600 x 1000, not the 800 x 500 that windows are laid out in.
    System& s = app().system();
    const double ratio = s.devicePixelRatio();
    lbl_ResVideo.setCaption(std::to_string(std::lround(s.screenWidthPx() * ratio)) + " x " +
                            std::to_string(std::lround(s.screenHeightPx() * ratio)));
}

}  // namespace vantry
