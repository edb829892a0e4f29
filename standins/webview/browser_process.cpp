#include "standins/webview/browser_process.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "standins/webview/journal.h"
#include "standins/webview/text.h"

namespace {

typedef LONG(__cdecl* SpawnFn)(char* const argv[], int wait);
typedef char*(__cdecl* UnixNameFn)(const WCHAR* dosName);

// Runs the browser with its output in a log, and a watchdog that ends it once
// the stop file appears or the Wine process (the wrapper's parent) is gone.
constexpr char kWrapper[] =
    "pidfile=$1 stop=$2 log=$3; shift 3\n"
    "exec >\"$log\" 2>&1 </dev/null\n"
    "\"$@\" &\n"
    "browser=$!\n"
    "echo \"$browser\" >\"$pidfile\"\n"
    "(\n"
    "  while kill -0 \"$browser\" 2>/dev/null; do\n"
    "    if [ -e \"$stop\" ] || ! kill -0 \"$PPID\" 2>/dev/null; then\n"
    "      kill \"$browser\" 2>/dev/null; sleep 3; kill -0 \"$browser\" 2>/dev/null && kill -9 \"$browser\"\n"
    "      break\n"
    "    fi\n"
    "    sleep 0.2\n"
    "  done\n"
    ") &\n"
    "wait \"$browser\"\n";

std::mutex g_lock;
std::set<std::wstring> g_profiles;  // in use by a live browser
// The stop file of each live browser, and the watch that learns it was asked.
std::map<std::wstring, std::shared_ptr<BrowserProcess::Watch>> g_stopFiles;

// Through void*: the exported function's real type is not FARPROC's.
void* Address(HMODULE module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(module, name));
}

SpawnFn Spawner() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll == nullptr ? nullptr : reinterpret_cast<SpawnFn>(Address(ntdll, "__wine_unix_spawnvp"));
}

std::string UnixPath(const std::wstring& path) {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto convert = kernel == nullptr
                       ? nullptr
                       : reinterpret_cast<UnixNameFn>(Address(kernel, "wine_get_unix_file_name"));
    if (convert == nullptr) return std::string();
    char* unix = convert(path.c_str());
    if (unix == nullptr) return std::string();
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Runs argv and waits for it; false when it could not be started.
bool RunAndWait(SpawnFn spawn, const std::vector<std::string>& args) {
    std::vector<std::string> copies = args;
    std::vector<char*> argv;
    for (std::string& arg : copies) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    return spawn(argv.data(), 1) == 0;
}

struct WaiterJob {
    SpawnFn spawn;
    std::vector<std::string> args;
    std::shared_ptr<BrowserProcess::Watch> watch;
};

// The wrapper ends when the browser does; unless that was asked for, the
// browser failed.
DWORD WINAPI WaitForWrapper(void* parameter) {
    std::unique_ptr<WaiterJob> job(static_cast<WaiterJob*>(parameter));
    RunAndWait(job->spawn, job->args);
    if (!job->watch->stopping && job->watch->exited) job->watch->exited();
    return 0;
}

void TouchFile(const std::wstring& path) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

std::string ReadSmallFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    char buffer[64] = {};
    DWORD got = 0;
    ReadFile(file, buffer, sizeof buffer - 1, &got, nullptr);
    CloseHandle(file);
    return std::string(buffer, got);
}

std::wstring ClaimProfile(const std::wstring& userData) {
    std::lock_guard<std::mutex> hold(g_lock);
    std::wstring profile = userData + L"\\chromium";
    for (int n = 2; g_profiles.count(profile) != 0; ++n)
        profile = userData + L"\\chromium-" + std::to_wstring(n);
    g_profiles.insert(profile);
    return profile;
}

std::vector<std::string> BrowserArguments(BrowserMode mode, const std::string& url,
                                          const std::string& profile, const RECT& placement, double scale) {
    std::string chromium = EnvironmentText(L"CHROMIUM");
    if (chromium.empty()) chromium = "/usr/bin/chromium";
    std::vector<std::string> args = {chromium, "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                                     "--no-first-run", "--no-default-browser-check",
                                     "--disable-background-networking", "--disable-component-update",
                                     "--password-store=basic",
                                     // An embedded view shows no browser bars: no offer to
                                     // translate the Chinese page, no warning about the flags.
                                     "--disable-features=Translate", "--test-type",
                                     "--user-data-dir=" + profile, "--remote-debugging-port=0"};
    // The page's viewport is the host's bounds, as in the embedded view;
    // headless, only its size counts. The runtime draws at the monitor's
    // scale ("RasterizationScale": the monitor's DPI scale, for a host that
    // is DPI aware): the page has that many device pixels to a CSS pixel,
    // and its viewport in CSS pixels is the bounds divided by it.
    if (scale < 1.0 || scale > 5.0) scale = 1.0;
    const long width = std::lround((placement.right - placement.left) / scale);
    const long height = std::lround((placement.bottom - placement.top) / scale);
    if (width > 0 && height > 0)
        args.push_back("--window-size=" + std::to_string(width) + "," + std::to_string(height));
    if (scale != 1.0) {
        char factor[32];
        std::snprintf(factor, sizeof factor, "%.4g", scale);
        args.push_back(std::string("--force-device-scale-factor=") + factor);
    }
    if (mode == BrowserMode::kHeadless) {
        args.push_back("--headless=new");
        args.push_back(url);
    } else {
        args.push_back("--app=" + url);
        args.push_back("--window-position=" + std::to_string(placement.left) + "," +
                       std::to_string(placement.top));
    }
    return args;
}

}  // namespace

BrowserMode BrowserModeFromEnvironment() {
    const std::string mode = EnvironmentText(L"TAVOLIN_WEBVIEW_BROWSER");
    if (mode == "window") return BrowserMode::kWindow;
    if (mode == "headless") return BrowserMode::kHeadless;
    if (mode == "none") return BrowserMode::kNone;
    return EnvironmentText(L"DISPLAY").empty() ? BrowserMode::kHeadless : BrowserMode::kWindow;
}

std::unique_ptr<BrowserProcess> BrowserProcess::Launch(BrowserMode mode, const std::string& url,
                                                       const std::wstring& userData, const RECT& placement,
                                                       double scale, std::function<void()> exited) {
    const SpawnFn spawn = Spawner();
    if (mode == BrowserMode::kNone || spawn == nullptr) return nullptr;
    std::unique_ptr<BrowserProcess> browser(new BrowserProcess());
    browser->profile_ = ClaimProfile(userData);
    browser->pidFile_ = browser->profile_ + L".pid";
    browser->stopFile_ = browser->profile_ + L".stop";
    CreateDirectoryW(browser->profile_.c_str(), nullptr);
    DeleteFileW(browser->stopFile_.c_str());
    DeleteFileW(browser->pidFile_.c_str());
    const std::string profile = UnixPath(browser->profile_);
    if (profile.empty()) return nullptr;
    browser->watch_ = std::make_shared<Watch>();
    browser->watch_->exited = std::move(exited);
    auto job = std::make_unique<WaiterJob>();
    job->spawn = spawn;
    job->watch = browser->watch_;
    job->args = {
        "/bin/sh",       "-c", kWrapper, "tavolin-webview-browser", profile + ".pid", profile + ".stop",
        profile + ".log"};
    for (std::string& arg : BrowserArguments(mode, url, profile, placement, scale))
        job->args.push_back(std::move(arg));
    browser->waiter_ = CreateThread(nullptr, 0, WaitForWrapper, job.get(), 0, nullptr);
    if (browser->waiter_ == nullptr) return nullptr;
    job.release();  // the thread owns it now
    {
        std::lock_guard<std::mutex> hold(g_lock);
        g_stopFiles[browser->stopFile_] = browser->watch_;
    }
    Journal("browser " + std::string(mode == BrowserMode::kHeadless ? "headless " : "window ") + url);
    return browser;
}

BrowserProcess::~BrowserProcess() {
    if (waiter_ != nullptr) {
        watch_->stopping = true;
        TouchFile(stopFile_);
        // The watchdog looks for the stop file only a few times a second;
        // ending the browser at once keeps it from outliving its controller.
        const std::string pid = ReadSmallFile(pidFile_);
        const SpawnFn spawn = Spawner();
        if (!pid.empty() && pid.find_first_not_of("0123456789\r\n") == std::string::npos &&
            spawn != nullptr) {
            RunAndWait(spawn, {"/bin/sh", "-c", "kill -TERM \"$1\" 2>/dev/null", "tavolin-webview-kill",
                               pid.substr(0, pid.find_first_of("\r\n"))});
        }
        const bool ended = WaitForSingleObject(waiter_, 5000) == WAIT_OBJECT_0;
        CloseHandle(waiter_);
        // A browser that was ended leaves its profile's lock behind as Linux
        // symbolic links, which Windows programs cannot delete; without them
        // the user-data folder can be removed like any other.
        const std::string profile = UnixPath(profile_);
        if (ended && spawn != nullptr && !profile.empty()) {
            RunAndWait(spawn, {"/bin/rm", "-f", profile + "/SingletonLock", profile + "/SingletonSocket",
                               profile + "/SingletonCookie"});
        }
    }
    std::lock_guard<std::mutex> hold(g_lock);
    g_profiles.erase(profile_);
    g_stopFiles.erase(stopFile_);
}

void StopAllBrowsers() noexcept {
    try {
        std::lock_guard<std::mutex> hold(g_lock);
        for (const auto& entry : g_stopFiles) {
            entry.second->stopping = true;
            TouchFile(entry.first);
        }
    } catch (...) {
    }
}
