// Opening the gallery: the explorer on the gallery's start page, the main window out of the way.
#include "online/my_explorer.h"
#include "shell/main_form.h"

namespace vantry {

void Main::Start_Pelloria() {
    MyExplorer& explorer = app().form<MyExplorer>();
    explorer.Show();
    Hide();
    const Hosts h = explorer.hosts();
    explorer.WebBrowser1.Navigate(h.galleryAddress("/pelloria/gallery/index.htm"));
    explorer.WebBrowser2.Navigate(h.galleryAddress("/pelloria/gallery/counter.php"));
}

}  // namespace vantry
