// Chromium showing a webview's page: a Linux program, started from the Wine
// process through ntdll's __wine_unix_spawnvp and a small shell wrapper that
// records its process id and ends it when asked or when the Wine process is
// gone. Nothing here works outside Wine; Launch then gives null.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

// TAVOLIN_WEBVIEW_BROWSER: "window", "headless" or "none"; anything else
// means "window" when DISPLAY is set, else "headless".
enum class BrowserMode { kWindow, kHeadless, kNone };
BrowserMode BrowserModeFromEnvironment();

class BrowserProcess {
public:
    // Starts Chromium on url, with its profile in the folder "chromium"
    // inside userData ("chromium-<n>" while another browser of this process
    // uses that one) and its Linux process id in "chromium.pid" beside it.
    // placement is the window's screen rectangle, in device pixels; scale
    // the rasterization scale (device pixels to a CSS pixel). exited runs, on a thread
    // of its own, when Chromium ends without being asked to (killed from
    // outside, crashed, or never started).
    static std::unique_ptr<BrowserProcess> Launch(BrowserMode mode, const std::string& url,
                                                  const std::wstring& userData, const RECT& placement,
                                                  double scale, std::function<void()> exited);
    // Ends Chromium and waits a few seconds at most for it to go.
    ~BrowserProcess();
    BrowserProcess(const BrowserProcess&) = delete;
    BrowserProcess& operator=(const BrowserProcess&) = delete;

    // Shared with the thread that waits for the browser.
    struct Watch {
        std::atomic<bool> stopping{false};  // its end was asked for
        std::function<void()> exited;
    };

private:
    BrowserProcess() = default;

    HANDLE waiter_ = nullptr;  // the thread that waits for the wrapper
    std::shared_ptr<Watch> watch_;
    std::wstring profile_;
    std::wstring pidFile_;
    std::wstring stopFile_;
};

// Asks every browser still running to end (the DLL is going away).
void StopAllBrowsers() noexcept;
