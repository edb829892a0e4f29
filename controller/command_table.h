// The page's commands: each name with its handler, in the order the
// dispatcher tries them, and the handlers, grouped by what they change.
#pragma once

#include <string_view>

#include "controller/controller.h"
#include "core/json.h"

using CommandHandler = void (*)(Controller& controller, const JsonValue& data);

struct PageCommand {
    const char* name;
    CommandHandler handler;
};

// The command of that exact name (byte for byte), or nullptr.
const PageCommand* FindPageCommand(std::string_view name);

namespace commands {

// The server list (server_commands.cpp).
void GetServers(Controller& c, const JsonValue& data);
void AddServer(Controller& c, const JsonValue& data);
void UpdateServer(Controller& c, const JsonValue& data);
void RemoveServer(Controller& c, const JsonValue& data);
void Reorder(Controller& c, const JsonValue& data);
void PingNow(Controller& c, const JsonValue& data);

// Sessions and tabs (session_commands.cpp).
void Connect(Controller& c, const JsonValue& data);
void Disconnect(Controller& c, const JsonValue& data);
void Reconnect(Controller& c, const JsonValue& data);
void CancelReconnect(Controller& c, const JsonValue& data);
void QuickConnect(Controller& c, const JsonValue& data);
void SaveQuick(Controller& c, const JsonValue& data);
void CloseTab(Controller& c, const JsonValue& data);
void ActivateTab(Controller& c, const JsonValue& data);
void SwitchTab(Controller& c, const JsonValue& data);
void ContentRect(Controller& c, const JsonValue& data);
void OpenExternal(Controller& c, const JsonValue& data);

// Settings and the start-up password (settings_commands.cpp).
void GetEnv(Controller& c, const JsonValue& data);
void GetSettings(Controller& c, const JsonValue& data);
void SetPassword(Controller& c, const JsonValue& data);
void ClearPassword(Controller& c, const JsonValue& data);
void SaveSettings(Controller& c, const JsonValue& data);

// Import and export (transfer_commands.cpp).
void ImportText(Controller& c, const JsonValue& data);
void ExportServers(Controller& c, const JsonValue& data);

// Remote desktop files (rdp_file_commands.cpp).
void ImportRdp(Controller& c, const JsonValue& data);
void ExportRdp(Controller& c, const JsonValue& data);

// The page and the window (window_commands.cpp).
void Ready(Controller& c, const JsonValue& data);
void ToggleFullscreen(Controller& c, const JsonValue& data);
void Window(Controller& c, const JsonValue& data);
void DevTools(Controller& c, const JsonValue& data);
void ReloadUi(Controller& c, const JsonValue& data);
void Quit(Controller& c, const JsonValue& data);
void ConfirmClose(Controller& c, const JsonValue& data);

}  // namespace commands
