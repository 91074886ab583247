// The gallery explorer's address watcher: every 2 s it copies the browser's address, shows
// whether the browser is on the maker's sites, and recognises the album and picture that the
// address names (Passo_01 to Passo_03), enabling the picture actions that fit. It never
// disables a button and never clears the picture's file name.
#include "localisation/language.h"
#include "online/address_watcher.h"
#include "online/gallery_picture.h"
#include "online/my_explorer.h"
#include "platform/base/error.h"

namespace vantry {

void MyExplorer::Timer1_Timer() {
    txt_URL.setText(WebBrowser1.LocationURL());
    if (txt_URL.Text().empty()) return;
    // A language file too short for the status texts leaves the tooltip as it is; the watcher
    // itself must go on.
    if (watcher::onSites(txt_URL.Text(), hosts())) {
        vb::resume([&] { lbl_NetStatus.setToolTipText(languageString(app(), 332)); });
        img_NetStatus.setPicture(img_NetStatusYES.picture());
        Timer_NetStatus.setEnabled(false);
        img_NetStatus.setVisible(true);
    } else {
        // The icon blinks from here on; its visibility is the blinking's business.
        vb::resume([&] { lbl_NetStatus.setToolTipText(languageString(app(), 333)); });
        img_NetStatus.setPicture(img_NetStatusNO.picture());
        Timer_NetStatus.setEnabled(true);
    }
    Passo_01();
}

// Find the album. Each statement's failure is skipped, the call of the next step included.
void MyExplorer::Passo_01() {
    std::optional<std::string> remainder;
    vb::resume([&] { remainder = watcher::albumRemainder(txt_URL.Text()); });
    if (!remainder) {
        vb::resume([&] { Text2.setText(""); });
        return;
    }
    // The remainder is what Text2 holds for the next step. It goes there only once decoded: an
    // address of any length then costs a tick one update of the text box, and an unchanged
    // address none, where writing each step's value would redraw it three times every tick.
    vb::resume([&] { splitAndDecode(*remainder); });
}

void MyExplorer::Passo_02() {
    splitAndDecode(Text2.Text());
}

void MyExplorer::Passo_03() {
    decodeAndDecideUpload(Text2.Text());
}

// Split the album path from the picture's file name.
void MyExplorer::splitAndDecode(const std::string& remainder) {
    const auto split = watcher::splitPicture(remainder);
    if (!split) {
        decodeAndDecideUpload(remainder);
        return;
    }
    Text3.setText(split->picture);
    decodeAndDecideUpload(split->album);
    // The downloaded file is named by the picture's code alone: a code that could reach outside
    // the library folder is never offered for download, whatever the album (which only goes into
    // addresses). Sending it as an e-card or to a phone uses addresses only.
    if (codeUsableInLocalPath(pictureCode(Text3.Text()))) CB_Download.setEnabled(true);
    CB_To_Mobile.setEnabled(true);
    CB_eCards.setEnabled(true);
}

// Decode the album path and decide on uploads.
void MyExplorer::decodeAndDecideUpload(const std::string& albumPath) {
    Text2.setText(watcher::decodeAlbumPath(albumPath));
    if (watcher::uploadAllowed(Text2.Text())) CB_Upload.setEnabled(true);
}

}  // namespace vantry
