#include "controller/main_web_listener.h"
#include "core/unicode.h"

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
    MessageBoxW(nullptr, ToWide("界面初始化失败：" + text).c_str(), L"Tavolin远程桌面管理器", MB_ICONERROR);
}
