// The page's own life and the main window.
#include "controller/command_members.h"
#include "controller/command_table.h"
#include "controller/page_events.h"
#include "core/log.h"

namespace commands {

void Ready(Controller& c, const JsonValue&) {
    Log(kLogInfo, "页面已就绪（界面 JS 跑起来了）");
    c.MarkPageReady();
    c.SendEnv();
    c.SendSettings();
    c.SendServers();
    // A reloaded page starts blank while the sessions live on.
    c.tabs().RetellTabs();
    if (c.TakeRecoveryNotice()) c.SendToast(kToastInfo, kPageRecoveredText);
    c.SendStoreNotices();
    if (c.window().EvalPending()) c.window().ArmEvalTimer();
    // The page reports ready more than once; auto-connect happens once per
    // process. The list is read afresh after every tab opened.
    if (!c.TakeAutoConnect()) return;
    for (std::size_t i = 0; i < c.config().servers.size(); ++i) {
        if (!c.config().servers[i].autoConnect) continue;
        const ServerRecord server = c.config().servers[i];
        c.OpenTabFor(server);
    }
}

void ToggleFullscreen(Controller& c, const JsonValue&) {
    c.window().ToggleFullscreen();
}

void Window(Controller& c, const JsonValue& data) {
    const std::string action = ReadWindowAction(data);
    if (action == "minimize") {
        c.window().Minimize();
    } else if (action == "maximize") {
        c.window().ToggleMaximize();
    } else if (action == "close") {
        c.window().PostClose();
    }
}

void DevTools(Controller& c, const JsonValue&) {
    c.page().openDevTools();
}

void ReloadUi(Controller& c, const JsonValue&) {
    c.MarkPageGone();
    c.page().reload();
}

void Quit(Controller& c, const JsonValue&) {
    c.window().PostClose();
}

void ConfirmClose(Controller& c, const JsonValue& data) {
    CloseHandshake& close = c.closeHandshake();
    close.awaitingConfirm = false;
    if (ReadConfirmOk(data)) {
        close.confirmed = true;
        c.window().PostClose();
    } else {
        Log(kLogInfo, "用户在关闭确认框里点了取消");
    }
}

}  // namespace commands
