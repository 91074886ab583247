// The gallery explorer's address watcher: every 2 s it copies the browser's address, shows
// whether the browser is on the maker's sites, and recognises the album and picture that the
// address names (Passo_01 to Passo_03), enabling the picture actions that fit. It never
// disables a button and never clears the picture's file name.
#include "localisation/language.h"
#include "online/address_watcher.h"
#include "online/gallery_picture.h"
#include "online/my_explorer.h"
#include "platform/error.h"

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
    vb::resume([&] { Text2.setText(*remainder); });
    vb::resume([&] { Passo_02(); });
}

// Split the album path from the picture's file name.
void MyExplorer::Passo_02() {
    const auto split = watcher::splitPicture(Text2.Text());
    if (!split) {
        Passo_03();
        return;
    }
    Text2.setText(split->album);
    Text3.setText(split->picture);
    Passo_03();
    // A picture whose album or code could reach outside the library folder is never offered
    // for download; sending it as an e-card or to a phone uses addresses only.
    if (usableInLocalPath(Text2.Text(), pictureCode(Text3.Text()))) CB_Download.setEnabled(true);
    CB_To_Mobile.setEnabled(true);
    CB_eCards.setEnabled(true);
}

// Decode the album path and decide on uploads.
void MyExplorer::Passo_03() {
    Text2.setText(watcher::decodeAlbumPath(Text2.Text()));
    if (watcher::uploadAllowed(Text2.Text())) CB_Upload.setEnabled(true);
}

}  // namespace vantry
