// Sessions and tabs: opening, closing and switching the remote desktops,
// where they are shown, and the external client.
#include "controller/command_members.h"
#include "controller/command_table.h"
#include "controller/page_events.h"
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

void Reconnect(Controller& c, const JsonValue& data) {
    const std::string id = ReadId(data);
    const ServerRecord* server = FindServerById(c.config(), id);
    if (server == nullptr) return;
    const ServerRecord copy = *server;
    c.tabs().CloseTab(id);
    c.OpenTabFor(copy);
}

void CloseTab(Controller& c, const JsonValue& data) {
    c.tabs().CloseTab(ReadId(data));
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
