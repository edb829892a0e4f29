// Sessions and tabs: opening, closing and switching the remote desktops,
// where they are shown, and the external client.
#include "controller/command_members.h"
#include "controller/command_table.h"
#include "controller/page_events.h"
#include "controller/quick_address.h"
#include "core/log.h"
#include "rdp/external_client_command.h"

namespace commands {

void Connect(Controller& c, const JsonValue& data) {
    const ServerRecord* server = FindServerById(c.config(), ReadId(data));
    if (server == nullptr) {
        c.SendToast(kToastError, "找不到这台服务器");
        return;
    }
    // A copy: opening a tab runs the session's first steps, and nothing of
    // the store may be held across them.
    c.OpenTabFor(ServerRecord(*server));
}

void Disconnect(Controller& c, const JsonValue& data) {
    c.tabs().Disconnect(ReadId(data));
}

// In the tab's own place, with whatever it shows (active or not, full
// screen): a user reconnecting wants the desktop back where it was.
void Reconnect(Controller& c, const JsonValue& data) {
    const std::string id = ReadId(data);
    c.CancelReconnect(id);
    c.ReopenTab(id);
}

void CancelReconnect(Controller& c, const JsonValue& data) {
    c.CancelReconnect(ReadId(data));
}

void CloseTab(Controller& c, const JsonValue& data) {
    const std::string id = ReadId(data);
    c.CancelReconnect(id);
    c.tabs().CloseTab(id);
}

// The default settings, as a new server gets them; nothing is saved.
void QuickConnect(Controller& c, const JsonValue& data) {
    const std::optional<QuickAddress> address = ParseQuickAddress(data.getString("address", ""));
    if (!address) {
        c.SendToast(kToastError, "无法识别的地址：请输入 主机、主机:端口 或 用户名@主机");
        return;
    }
    ServerRecord server = NewServerFromDefaults(c.config().defaults);
    server.host = address->host;
    server.port = address->port;
    if (!address->user.empty()) server.user = address->user;
    c.OpenQuickTab(std::move(server));
}

void SaveQuick(Controller& c, const JsonValue& data) {
    ServerRecord server;
    if (!c.TakeQuickServer(ReadId(data), &server)) return;
    c.config().servers.push_back(std::move(server));
    const bool saved = c.SaveOrTell();
    c.SendServers();
    c.ProbeAll();
    if (saved) c.SendToast(kToastOk, "已保存为服务器");
}

void ActivateTab(Controller& c, const JsonValue& data) {
    c.tabs().ActivateTab(ReadId(data));
}

void SwitchTab(Controller& c, const JsonValue& data) {
    c.tabs().SwitchTab(ReadSwitchDelta(data));
}

void ContentRect(Controller& c, const JsonValue& data) {
    const ContentRectRequest request = ReadContentRect(data);
    ITabs& tabs = c.tabs();
    if (request.hidden) {
        tabs.SetContentHidden(true);
        tabs.LayoutSessions();
        return;
    }
    tabs.SetContentHidden(false);
    const PixelRect client = tabs.ClientRect();
    const std::optional<PixelRect> rect = ClampContentRect(
        ScaleContentRect(request, tabs.WindowDpi()), client.right - client.left, client.bottom - client.top);
    if (!rect) return;
    tabs.SetContentRect(*rect);
    tabs.LayoutSessions();
}

void OpenExternal(Controller& c, const JsonValue& data) {
    const ServerRecord* server = FindServerById(c.config(), ReadId(data));
    if (server == nullptr) return;
    // The host becomes part of the client's command line: a blank, quote or
    // slash in it could add options of its own.
    if (!IsSafeClientHost(server->host)) {
        Log(kLogWarn, "地址含有不允许的字符，不交给 mstsc.exe：" + server->host);
        c.SendToast(kToastError, "地址含有不允许的字符，无法打开");
        return;
    }
    c.window().OpenExternalClient(ExternalClientArguments(server->host, server->port));
}

}  // namespace commands
