#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <shellapi.h>

#include "app/main_web_listener.h"
#include "core/unicode.h"

namespace {

constexpr wchar_t kCaption[] = L"Tavolin远程桌面管理器";

// Microsoft's own page for the runtime, with the Evergreen installer.
constexpr wchar_t kRuntimeDownloadPage[] = L"https://developer.microsoft.com/microsoft-edge/webview2/";

constexpr wchar_t kRuntimeMissingMessage[] =
    L"没有找到 Microsoft Edge WebView2 运行时，Tavolin 的界面需要它才能显示。\n\n"
    L"Windows 11 已自带此运行时；Windows 10 请从微软官方下载页面安装“常青版”"
    L"（Evergreen）运行时，装好后重新启动 Tavolin。\n\n"
    L"现在打开下载页面吗？";

constexpr wchar_t kGaveUpMessage[] =
    L"界面进程接连异常退出，已停止自动恢复。\n\n"
    L"远程桌面会话不受影响；请保存工作后关闭 Tavolin 再重新启动。";

}  // namespace

void MainWebListener::onReady() {
    controller_.SendEnv();
    controller_.SendSettings();
    controller_.SendServers();
}

void MainWebListener::onMessage(const std::string& text) {
    controller_.HandlePageMessage(text);
}

// No owner: the main window may not be usable when its browser failed.
void MainWebListener::onError(const std::string& text) {
    MessageBoxW(nullptr, ToWide("界面初始化失败：" + text).c_str(), kCaption, MB_ICONERROR);
}

void MainWebListener::onRuntimeMissing() {
    if (MessageBoxW(nullptr, kRuntimeMissingMessage, kCaption, MB_ICONERROR | MB_YESNO) != IDYES) return;
    ShellExecuteW(nullptr, L"open", kRuntimeDownloadPage, nullptr, nullptr, SW_SHOWNORMAL);
}

void MainWebListener::onPageGone() {
    controller_.MarkPageGone();
}

void MainWebListener::onProcessFailed(bool recovering) {
    controller_.MarkPageGone(recovering);
    if (!recovering) MessageBoxW(nullptr, kGaveUpMessage, kCaption, MB_ICONERROR);
}
