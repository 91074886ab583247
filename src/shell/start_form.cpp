// The tray-menu window: the start-up checks and the two tray menus.
#include "shell/start_form.h"

#include "localisation/language.h"
#include "online/my_explorer.h"
#include "shell/main_form.h"
#include "shell/splash.h"

namespace vantry {

void MenuPictures::SetPicture(int position, const PictureHolder& source) {
    pending_[position] = Source{source.picture(), source.resource};
}

void MenuPictures::Apply() {
    for (Control* c : form_.controls()) {
        if (c->kind() != Kind::MenuItem) continue;
        auto* item = static_cast<MenuItem*>(c);
        if (auto it = pending_.find(item->position); it != pending_.end()) {
            item->picture = it->second.picture;
            item->resource = it->second.resource;
        }
    }
}

StartForm::StartForm(App& app) : Form(app, kName) {
    design("START FORM", 1800, 1200);
    toolWindow = true;

    // Design captions; the caption table replaces all but Plugins and the separators.
    const std::pair<MenuItem*, const char*> items[] = {
        {&Main_Downld, "&Download"},       {&Main_Cfg, "&Directory immagini"},
        {&Ext_Images, "Immagini esterne"}, {&Options, "Opzioni"},
        {&Plugins, "&Plugins"},            {&trayBlank0, "-"},
        {&Go_Explorer, "E&xplorer interno..."}, {&Go_Uploader, "Vantry &Uploader"},
        {&Go_News, "Ultime &novit\xC3\xA1"},    {&tray_Blank1, "-"},
        {&tray_Random, "Applica sfondo a &caso"}, {&tray_Blank2, "-"},
        {&HideMenu, "&Annulla"},           {&tray_Close, "&Chiudi Vantry"},
        {&CompactMenu_Cancel, "Annulla"},  {&CompactMenu_Close, "&Chiudi Vantry"},
    };
    for (auto& [item, caption] : items) item->cap(caption);
    Tray_Main.cap("Tray");
    CompactMenu.cap("Close");

    // Positions count every menu entry, menus included, from 1.
    int position = 1;
    for (Menu* menu : {&Tray_Main, &CompactMenu}) {
        menu->position = position++;
        for (Control* c : controls())
            if (c->kind() == Kind::MenuItem && c->parent() == menu) {
                auto* item = static_cast<MenuItem*>(c);
                item->position = position++;
                menu->items.push_back(item);
            }
    }

    // The menu shows the pictures of the main window's buttons for the same commands, and an
    // exit picture beside the item that ends the program.
    Picture1.resource = "download";
    Picture2.resource = "pictures";
    Picture4.resource = "gallery";
    Picture5.resource = "random";
    Picture7.resource = "exit";
    for (PictureBox* p : {&Picture1, &Picture2, &Picture3, &Picture4, &Picture5, &Picture6, &Picture7})
        p->pos(0, 0, 180, 180).hidden();

    Main_Downld.Click = [this] { Main_Downld_Click(); };
    Main_Cfg.Click = [this] { Main_Cfg_Click(); };
    Ext_Images.Click = [this] { Open_External_Images(); };
    Options.Click = [this] { Options_Click(); };
    Plugins.Click = [this] { Plugins_Click(); };
    Go_Explorer.Click = [this] { Go_Explorer_Click(); };
    Go_Uploader.Click = [this] { Go_Uploader_Click(); };
    Go_News.Click = [this] { Go_News_Click(); };
    tray_Random.Click = [this] { tray_Random_Click(); };
    HideMenu.Click = [this] { HideMenu_Click(); };
    tray_Close.Click = [this] { tray_Close_Click(); };
    CompactMenu_Cancel.Click = [this] { CompactMenu_Cancel_Click(); };
    CompactMenu_Close.Click = [this] { CompactMenu_Close_Click(); };
}

void StartForm::Form_Load() {
    Main& main = app().form<Main>();
    OSVersion();
    if (app().system().anotherInstanceRunning()) numberedMessage(app(), 104, kFatal);  // ends the program
    main.Hide();
    WinMenu1.SetPicture(2, Picture1);
    WinMenu1.SetPicture(3, Picture2);
    WinMenu1.SetPicture(8, Picture4);
    WinMenu1.SetPicture(12, Picture5);
    WinMenu1.SetPicture(15, Picture7);
    WinMenu1.Apply();
    if (!app().fs().fileExists("START.1ST")) {
        app().form<Splash>().Show();
    } else {
        // First start: the language chooser takes over.
        app().touch("Language").Show();
        main.News.setVisible(false);
    }
    Hide();
}

std::string StartForm::OSVersion() {
    const VersionInfo v = app().system().version();
    switch (v.major) {
        case 3: return v.platformId == 2 ? "Windows NT 3.x" : "Windows 3.x";
        case 4:
            if (v.platformId == 2) return "Windows NT 4.0";
            return v.minor == 0 ? "Windows 95" : "Windows 98";
        case 5:
            if (v.minor == 0) return "Windows 2000";
            if (v.minor == 1) {
                InitCommonControlsVB();
                return "Windows XP";
            }
            return "";
        default: return "Unknown Windows Version";
    }
}

bool StartForm::InitCommonControlsVB() {
    bool ok = true;
    try {
        ok = app().system().initCommonControls();
    } catch (const Error&) {
        ok = false;
    }
    return ok;
}

void StartForm::Open_External_Images() {
    Main& main = app().form<Main>();
    main.Hide();
    main.CoolButton3_Click();
}

void StartForm::Main_Downld_Click() {
    Main& main = app().form<Main>();
    main.Show();
    main.setWindowState(WindowState::Normal);
}

void StartForm::Main_Cfg_Click() {
    Main& main = app().form<Main>();
    main.setWindowState(WindowState::Normal);
    main.Show();
    main.ImageFolder_Refresh();
}

namespace {
void toProgramFolder(App& app, const Main& main) {
    app.fs().ChDrive(main.txt_InitDir.Text().substr(0, 1));
    app.fs().ChDir(main.txt_InitDir.Text());
}
}  // namespace

void StartForm::Options_Click() {
    Main& main = app().form<Main>();
    toProgramFolder(app(), main);
    main.showSection(main.Panel_Options);
    main.Show();
    main.setWindowState(WindowState::Normal);
}

void StartForm::Plugins_Click() {
    Main& main = app().form<Main>();
    toProgramFolder(app(), main);
    main.showSection(main.Panel_Plugins);
    main.Check_SURPLEX();
    main.Check_Kestrin();
    main.Show();
    main.setWindowState(WindowState::Normal);
}

void StartForm::Go_Explorer_Click() { app().form<Main>().Start_Pelloria(); }

void StartForm::Go_Uploader_Click() {
    MyExplorer& explorer = app().form<MyExplorer>();
    explorer.Show();
    const Hosts h = explorer.hosts();
    explorer.WebBrowser1.Navigate(h.galleryAddress("/utils/halden/index.php"));
    explorer.WebBrowser2.Navigate(h.galleryAddress("/pelloria/gallery/counter.php"));
}

void StartForm::Go_News_Click() {
    MyExplorer* explorer = nullptr;
    vb::resume([&] {
        explorer = &app().form<MyExplorer>();
        explorer->Show();
    });
    if (!explorer) return;
    const Hosts h = explorer->hosts();
    vb::resume([&] { explorer->WebBrowser1.Navigate(h.siteAddress("/forum/viewforum.php?f=17")); });
    vb::resume([&] { explorer->WebBrowser2.Navigate(h.galleryAddress("/pelloria/gallery/counter.php")); });
}

void StartForm::tray_Random_Click() { app().form<Main>().Put_Wallpaper_Random(); }

void StartForm::tray_Close_Click() {
    Main& main = app().form<Main>();
    main.WinTray1.RemoveIcon();
    main.Close_Program();
}

void StartForm::CompactMenu_Close_Click() { app().form<Main>().Close_Program(); }

}  // namespace vantry
