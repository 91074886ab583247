#pragma once
// The addresses, file names and progress texts of a picture download and of the download
// wizard's preparation, as plain functions of the current gallery picture.
//
// Addresses take the album path and the picture code exactly as they are (no encoding): the
// gallery's paths expect them that way. Local names are only ever built from a code that
// codeUsableInLocalPath (online/gallery_picture.h) accepts; the callers check it first.
#include <cstdint>
#include <string>
#include <string_view>

#include "online/hosts.h"

namespace vantry {

// "1" in the main window's txt_Resolution means low resolution; any other text means high.
inline bool isLowResolution(std::string_view resolutionText) {
    return resolutionText == "1";
}

// The picture itself: the web-size copy ("murlo-cache/<album>/<code>_800.<ext>") for low
// resolution, the full-size one ("murlo-albums/<album>/<code>.<ext>") for high.
std::string pictureAddress(const Hosts& hosts, std::string_view album, std::string_view code,
                           std::string_view extension, bool low);

// The site's page that counts one download: "download.php?id=<code>_low.jpg" or "_high.jpg",
// always ".jpg" whatever the picture's own extension.
std::string downloadCounterAddress(const Hosts& hosts, std::string_view code, bool low);

// The file the picture lands in, inside the library folder: "<code>_lowres.jpg" or
// "<code>_higres.jpg".
std::string downloadedPictureName(std::string_view code, bool low);

// The wizard's thumbnail: "murlo-cache/<album>/<code>_thumb_135.<ext>".
std::string thumbnailAddress(const Hosts& hosts, std::string_view album, std::string_view code,
                             std::string_view extension);

// The text file holding a picture's download count: "dcount/<code>_low.jpg.txt" (or "_high").
std::string downloadCountAddress(const Hosts& hosts, std::string_view code, bool low);

// A download count as the wizard shows it: unchanged up to 10 characters, "-" beyond (an error
// page, say). Characters are counted as the user sees them, not as bytes.
std::string counterText(std::string_view answer);

// The progress texts and the strip. The percentage has no meaning for 0 bytes done or for an
// unknown total (0): both show "0" and a strip of width 0.
double downloadPercent(std::int64_t total, std::int64_t done);
std::string percentText(double percent);  // plain decimal, up to 15 significant digits
int progressStripWidth(double percent);   // twips, 2415 at 100 %
std::string byteCountText(std::int64_t total, std::int64_t done);  // "D bytes   |   T bytes"

}  // namespace vantry
