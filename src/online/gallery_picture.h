#pragma once
// Names derived from the current gallery picture (album path and file name, which the address
// watcher takes from the page address), and the one rule for the part of it that becomes a
// local file name.
//
// Addresses are built from the album path and the picture code exactly as they are, without
// any encoding: the gallery's own pages expect them that way. A local path is another matter:
// the address comes from whatever page the browser shows. The album path never becomes part of
// a local path; the picture code names the downloaded file, and one holding "..", "/", "\" or a
// control character must never do so. Every builder of a local path asks
// codeUsableInLocalPath first.
#include <string>
#include <string_view>

#include "online/hosts.h"

namespace vantry {

// The file name without its last four characters (the dot and a three-letter extension); empty
// when the name is shorter than four characters.
std::string pictureCode(std::string_view fileName);

// The last three characters of the file name (all of it when shorter).
std::string pictureExtension(std::string_view fileName);

// Whether a picture code may be part of a local file name: no "..", no "/" or "\" and no
// control character, since a code names one file in the library folder.
bool codeUsableInLocalPath(std::string_view code);

// A picture in the gallery's cache: "http://www.", the gallery host,
// "/pelloria/gallery/murlo-cache/", the album path, "/", the code, the suffix, "." and the extension.
std::string cacheAddress(const Hosts& hosts, std::string_view albumPath, std::string_view code,
                         std::string_view suffix, std::string_view extension);

// The gallery's web-size picture: "http://www.", the gallery host, "/pelloria/gallery/murlo-cache/",
// the album path, "/", the code, "_800." and the extension.
std::string webSizeAddress(const Hosts& hosts, std::string_view albumPath, std::string_view code,
                           std::string_view extension);

// The site's e-card page for a picture address, passed unencoded.
std::string eCardAddress(const Hosts& hosts, std::string_view pictureAddress);

// The phone service's page for a picture address, passed unencoded: "http://", the phone host,
// "/download/?url=" and the address.
std::string phoneAddress(const Hosts& hosts, std::string_view pictureAddress);

}  // namespace vantry
