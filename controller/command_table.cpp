#include "controller/command_table.h"

namespace {

// The page's order; names are unique, so the first match is the only one.
constexpr PageCommand kCommands[] = {
    {"ready", &commands::Ready},
    {"getEnv", &commands::GetEnv},
    {"addServer", &commands::AddServer},
    {"getServers", &commands::GetServers},
    {"getSettings", &commands::GetSettings},
    {"updateServer", &commands::UpdateServer},
    {"removeServer", &commands::RemoveServer},
    {"reorder", &commands::Reorder},
    {"connect", &commands::Connect},
    {"disconnect", &commands::Disconnect},
    {"reconnect", &commands::Reconnect},
    {"cancelReconnect", &commands::CancelReconnect},
    {"quickConnect", &commands::QuickConnect},
    {"saveQuick", &commands::SaveQuick},
    {"closeTab", &commands::CloseTab},
    {"activateTab", &commands::ActivateTab},
    {"toggleFullscreen", &commands::ToggleFullscreen},
    {"switchTab", &commands::SwitchTab},
    {"contentRect", &commands::ContentRect},
    {"pingNow", &commands::PingNow},
    {"openExternal", &commands::OpenExternal},
    {"setPassword", &commands::SetPassword},
    {"clearPassword", &commands::ClearPassword},
    {"saveSettings", &commands::SaveSettings},
    {"importText", &commands::ImportText},
    {"exportServers", &commands::ExportServers},
    {"importRdp", &commands::ImportRdp},
    {"exportRdp", &commands::ExportRdp},
    {"window", &commands::Window},
    {"devtools", &commands::DevTools},
    {"reloadUI", &commands::ReloadUi},
    {"quit", &commands::Quit},
    {"confirmClose", &commands::ConfirmClose},
};

}  // namespace

const PageCommand* FindPageCommand(std::string_view name) {
    for (const PageCommand& command : kCommands) {
        if (name == command.name) return &command;
    }
    return nullptr;
}
