#include <array>
#include <string_view>
#include <utility>

#include "app/resource_fingerprint.h"
#include "app/ui_resource_ids.h"
#include "app/ui_resources.h"
#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/unicode.h"

namespace {

struct EmbeddedFile {
    int id;
    const char* relativePath;
};

// Unpacked, and fingerprinted, in this order.
constexpr std::array<EmbeddedFile, 4> kEmbeddedFiles = {{
    {TAVOLIN_RES_INDEX_HTML, "web\\index.html"},
    {TAVOLIN_RES_STYLE_CSS, "web\\style.css"},
    {TAVOLIN_RES_APP_JS, "web\\app.js"},
    {TAVOLIN_RES_WEBVIEW_LOADER, "WebView2Loader.dll"},
}};

constexpr const char* kLoaderName = "WebView2Loader.dll";
constexpr const char* kMarkerName = ".ready";

HRSRC FindEmbedded(HMODULE module, int id) {
    return FindResourceW(module, MAKEINTRESOURCEW(id), RT_RCDATA);
}

// A view of the resource's bytes, valid while the module stays loaded; false
// when it is missing, empty or can't be loaded.
bool LoadEmbedded(HMODULE module, int id, std::string_view* bytes) {
    HRSRC info = FindEmbedded(module, id);
    if (info == nullptr) return false;
    const DWORD size = SizeofResource(module, info);
    if (size == 0) return false;
    HGLOBAL loaded = LoadResource(module, info);
    if (loaded == nullptr) return false;
    const void* data = LockResource(loaded);
    if (data == nullptr) return false;
    *bytes = std::string_view(static_cast<const char*>(data), size);
    return true;
}

// True when every unpacked file holds exactly its resource's bytes.
template <typename Contents>
bool MatchesContents(const std::string& root, const Contents& contents) {
    for (std::size_t i = 0; i < kEmbeddedFiles.size(); ++i) {
        std::string onDisk;
        if (!ReadWholeFile(JoinPath(root, kEmbeddedFiles[i].relativePath), &onDisk)) return false;
        if (onDisk != contents[i]) return false;
    }
    return true;
}

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

UiResources::UiResources(HMODULE module, std::string baseDir)
    : module_(module), baseDir_(std::move(baseDir)) {}

bool UiResources::HasEmbeddedUi() const {
    return FindEmbedded(module_, TAVOLIN_RES_INDEX_HTML) != nullptr;
}

std::string UiResources::UnpackedRoot() {
    if (!attempted_) {
        attempted_ = true;
        root_ = Unpack();
    }
    return root_;
}

std::string UiResources::UnpackedWebDir() {
    const std::string root = UnpackedRoot();
    return root.empty() ? std::string() : JoinPath(root, "web");
}

std::string UiResources::UnpackedLoaderDir() {
    const std::string root = UnpackedRoot();
    return !root.empty() && IsFile(JoinPath(root, kLoaderName)) ? root : std::string();
}

std::string UiResources::Unpack() const {
    std::array<std::string_view, kEmbeddedFiles.size()> contents;
    ResourceFingerprint fingerprint;
    for (std::size_t i = 0; i < kEmbeddedFiles.size(); ++i) {
        if (!LoadEmbedded(module_, kEmbeddedFiles[i].id, &contents[i])) {
            LogF(kLogWarn, "内嵌资源 #%d 不存在，改从 exe 同目录查找界面文件", kEmbeddedFiles[i].id);
            return std::string();
        }
        fingerprint.add(contents[i]);
    }
    const std::string root = JoinPath(baseDir_, FingerprintName(fingerprint.value()));
    const std::string marker = JoinPath(root, kMarkerName);
    // The marker says a folder was finished, not that it is still what the
    // executable carries: anyone who can write there could have replaced
    // the loader, which runs inside this process. So every file is compared
    // with the content it must have, and the folder is written anew when one
    // differs.
    if (IsFile(marker)) {
        if (MatchesContents(root, contents)) {
            LogF(kLogInfo, "内嵌资源已就绪：%s", root.c_str());
            return root;
        }
        LogF(kLogWarn, "展开的内嵌资源与 exe 内容不一致，重新展开：%s", root.c_str());
    }
    for (std::size_t i = 0; i < kEmbeddedFiles.size(); ++i) {
        const std::string target = JoinPath(root, kEmbeddedFiles[i].relativePath);
        // A folder that can't be made shows as the write that follows failing.
        EnsureDir(ParentOf(target));
        if (!WriteWholeFile(target, contents[i])) {
            LogF(kLogWarn, "展开内嵌资源失败：%s", target.c_str());
            return std::string();
        }
    }
    // Every file is in place, so the folder serves this process even when
    // the marker can't be written; the next start then simply writes again.
    WriteWholeFile(marker, root);
    LogF(kLogInfo, "已展开内嵌资源到 %s（web 界面 + WebView2Loader.dll）", root.c_str());
    return root;
}

UiFolders UiResources::ChooseFolders() {
    UiFolders folders;
    if (HasEmbeddedUi()) {
        folders.webDir = UnpackedWebDir();
        folders.loaderDir = UnpackedLoaderDir();
    }
    if (folders.webDir.empty() || !IsFile(JoinPath(folders.webDir, "index.html"))) {
        folders.webDir = JoinPath(ExeDir(), "web");
        folders.loaderDir.clear();
        Log(kLogInfo, "内嵌界面不可用，改用 exe 同目录的 web 目录：" + folders.webDir);
    }
    return folders;
}

namespace {

// "Tavolin" in the local application data, or "" when LOCALAPPDATA is
// missing or too long for a MAX_PATH buffer with its terminator.
std::string LocalProgramDir() {
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return JoinPath(ToUtf8(std::wstring_view(buffer, length)), "Tavolin");
}

}  // namespace

std::string ResourceBaseDir() {
    const std::string local = LocalProgramDir();
    return local.empty() ? JoinPath(ExeDir(), "res") : JoinPath(local, "res");
}

// Microsoft advises the local, not the roaming, application data for the
// browser's user data folder: it is large, machine-bound and rewritten all
// the time (learn.microsoft.com/microsoft-edge/webview2/concepts/user-data-folder).
std::string BrowserDataDir() {
    const std::string local = LocalProgramDir();
    return local.empty() ? JoinPath(DataDir(), "WebView2") : JoinPath(local, "WebView2");
}

namespace {

// Made on first use, on the interface thread, and kept for the process.
UiResources& ProcessUiResources() {
    static UiResources resources(GetModuleHandleW(nullptr), ResourceBaseDir());
    return resources;
}

std::string& StoredUiFolder() {
    static std::string folder;
    return folder;
}

}  // namespace

bool HasEmbeddedUi() {
    return ProcessUiResources().HasEmbeddedUi();
}

std::string UnpackedRoot() {
    return ProcessUiResources().UnpackedRoot();
}

std::string UnpackedWebDir() {
    return ProcessUiResources().UnpackedWebDir();
}

std::string UnpackedLoaderDir() {
    return ProcessUiResources().UnpackedLoaderDir();
}

UiFolders ChooseUiFolders() {
    UiFolders folders = ProcessUiResources().ChooseFolders();
    StoredUiFolder() = folders.webDir;
    return folders;
}

std::string ChosenUiFolder() {
    return StoredUiFolder();
}

const char* UiSourceName() {
    return HasEmbeddedUi() ? "exe 内嵌资源（单文件）" : "外部 web 目录";
}
