// The page files and the WebView2 loader the executable carries as
// resources, unpacked once per distinct content into a folder named by its
// fingerprint; and the choice, at main-window creation, of the folders the
// web host shows the page from and loads the loader from.
#pragma once

#include <windows.h>

#include <string>

struct UiFolders {
    std::string webDir;     // holds index.html, style.css, app.js
    std::string loaderDir;  // holds WebView2Loader.dll, or "" for the system's own
};

// The resources of one module, unpacked below one base folder. The program
// uses one for the whole process (below); tests make their own.
class UiResources {
public:
    UiResources(HMODULE module, std::string baseDir);

    // True when the module carries the page's first resource (index.html).
    bool HasEmbeddedUi() const;
    // Unpacks on the first call, at most once; the unpack folder, or "" when
    // a resource is missing or a write failed.
    std::string UnpackedRoot();
    // The "web" folder inside UnpackedRoot(), or "" without one.
    std::string UnpackedWebDir();
    // UnpackedRoot() when WebView2Loader.dll is a file in it, else "".
    std::string UnpackedLoaderDir();
    // The unpacked page when its index.html is there, else the "web" folder
    // beside the executable (with no loader folder), whether or not it exists.
    UiFolders ChooseFolders();

private:
    std::string Unpack() const;

    HMODULE module_;
    std::string baseDir_;
    bool attempted_ = false;
    std::string root_;
};

// Where the program unpacks: "Tavolin\res" in the local application data,
// or "res" beside the executable when LOCALAPPDATA is missing or longer than
// 259 characters.
std::string ResourceBaseDir();
// The browser's user data folder: "Tavolin\WebView2" in the local
// application data, or "WebView2" in the data folder without one.
std::string BrowserDataDir();

// The process-wide resources of the executable, below ResourceBaseDir().
bool HasEmbeddedUi();
std::string UnpackedRoot();
std::string UnpackedWebDir();
std::string UnpackedLoaderDir();
// Chooses the folders for the main window and keeps the web folder as the
// UI folder, which ChosenUiFolder() reads back for the start-up log.
UiFolders ChooseUiFolders();
std::string ChosenUiFolder();
// The page's source as the start-up log names it.
const char* UiSourceName();
