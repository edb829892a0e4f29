// The server list: adding, editing, removing and reordering servers. Every
// change is saved at once and the page gets the whole list again.
#include <algorithm>

#include "config/config_store.h"
#include "config/stored_password.h"
#include "controller/command_members.h"
#include "controller/command_table.h"
#include "controller/page_events.h"

namespace {

// A failed save is told to the page; the list in memory stays what the
// page sees either way.
bool SaveAndSend(Controller& c) {
    const bool saved = c.SaveOrTell();
    c.SendServers();
    return saved;
}

// The page's changes to a record; a password it sent is sealed at once
// and the plain text goes. The stored one stays when sealing fails.
void ApplyFromPage(Controller& c, ServerRecord& record, const JsonValue& data) {
    const AppConfig& config = c.config();
    const bool sealed = ApplyServerFields(record, data, [&config](std::string_view plain, std::string* out) {
        return SealPassword(config, plain, out);
    });
    if (!sealed) c.SendToast(kToastError, "密码加密失败，密码没有保存");
}

}  // namespace

namespace commands {

void GetServers(Controller& c, const JsonValue&) {
    c.SendServers();
}

void AddServer(Controller& c, const JsonValue& data) {
    ServerRecord record = NewServerFromDefaults(c.config().defaults);
    ApplyFromPage(c, record, data);
    if (record.host.empty()) {
        c.SendToast(kToastError, "地址不能为空");
        return;
    }
    const std::string host = record.host;
    c.config().servers.push_back(std::move(record));
    const bool saved = SaveAndSend(c);
    c.ProbeAll();
    if (saved) c.SendToast(kToastOk, "已添加 " + host);
}

void UpdateServer(Controller& c, const JsonValue& data) {
    ServerRecord* record = FindServerById(c.config(), ReadId(data));
    if (record == nullptr) {
        c.SendToast(kToastError, "找不到这条记录");
        return;
    }
    ApplyFromPage(c, *record, data);
    if (record->host.empty()) record->host = "127.0.0.1";
    SaveAndSend(c);
    c.ProbeAll();
}

void RemoveServer(Controller& c, const JsonValue& data) {
    const std::string id = ReadId(data);
    c.tabs().CloseTab(id);
    std::vector<ServerRecord>& servers = c.config().servers;
    const auto found =
        std::find_if(servers.begin(), servers.end(), [&](const ServerRecord& s) { return s.id == id; });
    if (found != servers.end()) servers.erase(found);
    c.probeResults().erase(id);
    SaveAndSend(c);
}

void Reorder(Controller& c, const JsonValue& data) {
    const ReorderRequest request = ReadReorder(data);
    std::vector<ServerRecord>& servers = c.config().servers;
    const auto byId = [](const std::string& id) {
        return [&id](const ServerRecord& s) { return s.id == id; };
    };
    const auto found = std::find_if(servers.begin(), servers.end(), byId(request.id));
    if (found == servers.end()) return;
    ServerRecord moved = std::move(*found);
    servers.erase(found);
    // An empty "before", or one naming no remaining server (the moved one
    // included), puts the server at the end.
    const auto before = request.before.empty()
                            ? servers.end()
                            : std::find_if(servers.begin(), servers.end(), byId(request.before));
    servers.insert(before, std::move(moved));
    SaveAndSend(c);
}

void PingNow(Controller& c, const JsonValue&) {
    c.ProbeAll();
}

}  // namespace commands
