// The get-a-picture panel's last-considered picture: the thumbnail the download wizard last
// fetched ("temp.jpg" in the program folder) with its file's date, or the placeholder.
#include <ctime>
#include <memory>

#include "platform/base/error.h"
#include "platform/pictures/picture.h"
#include "platform/system/fs.h"
#include "shell/main_form.h"

namespace vantry {

namespace {

// Date and time in the user's regional format (the locale's LC_TIME, which the desktop program
// takes from the environment at start).
std::string regionalDateTime(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[128];
    const std::size_t n = std::strftime(buf, sizeof buf, "%x %X", &tm);
    return std::string(buf, n);
}

}  // namespace

void Main::Get_LastDownloaded() {
    FileSystem& fs = app().fs();
    auto show = [&](const std::string& file, bool dated) {
        const std::string path = inProgramFolder(file);
        lbl_TimeLastDownloaded.setCaption(dated ? "[ " + regionalDateTime(fs.FileDateTime(path)) + " ]"
                                                : "-");
        Picture_LastDownloaded.setPicture(std::make_shared<const Picture>(loadPicture(fs.resolve(path))));
        img_LastDownloaded.setPicture(Picture_LastDownloaded.picture());
        img_LastDownloaded.setHeight(1575);
        img_LastDownloaded.setWidth(2055);
        img_LastDownloaded.setVisible(true);
    };
    vb::guarded([&] { show("\\temp.jpg", true); },
                [&](const Error&) {
                    // Without the placeholder either, the panel shows an empty frame and "-".
                    vb::guarded([&] { show("\\notavailable.jpg", false); },
                                [&](const Error&) {
                                    Picture_LastDownloaded.clearPicture();
                                    img_LastDownloaded.clearPicture();
                                });
                });
}

}  // namespace vantry
