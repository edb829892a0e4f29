// The controller's part in reconnecting: which session reports start, end
// or move a tab's wait, the probes a waiting tab asks for, and the
// temporary servers of tabs opened without saving.
#include "config/stored_password.h"
#include "controller/controller.h"
#include "controller/page_events.h"
#include "controller/probe_jobs.h"
#include "core/log.h"

namespace {

const char* PhaseName(const ReconnectWait* wait) {
    if (wait == nullptr) return "off";
    return wait->phase == ReconnectPhase::Waiting ? "waiting" : "connecting";
}

const char* PhaseNote(const ReconnectWait* wait) {
    if (wait == nullptr) return "";
    return wait->phase == ReconnectPhase::Waiting ? "等待服务器恢复…" : "正在重新连接…";
}

}  // namespace

void Controller::OnSessionReport(const std::string& id, SessionState state, int code, bool wasConnected,
                                 std::uint64_t now) {
    if (state == SessionState::Connected) {
        if (reconnects_.OnConnected(id)) PostReconnect(id);
        return;
    }
    if (state != SessionState::Disconnected && state != SessionState::Failed) return;
    const ReconnectWait* wait = reconnects_.Find(id);
    if (wait != nullptr && wait->phase == ReconnectPhase::Connecting) {
        // A failure's code is no disconnect reason: it ends the wait.
        reconnects_.OnAttemptFailed(id, state == SessionState::Disconnected ? code : -1, now);
        PostReconnect(id);
        return;
    }
    if (wait != nullptr || state != SessionState::Disconnected || !wasConnected) return;
    if (reconnects_.OnDropped(id, code, config_.sessions.autoReconnect, now)) {
        LogF(kLogInfo, "[会话 %s] 因网络原因断开（原因码 %d），等待服务器恢复后自动重连", id.c_str(), code);
        PostReconnect(id);
    }
}

void Controller::OnReconnectTick(std::uint64_t now) {
    if (reconnects_.waits().empty()) return;
    const ReconnectDue due = reconnects_.Tick(now);
    ProbeWaiting(due.probes);
    for (const std::string& id : due.attempts) {
        LogF(kLogInfo, "[会话 %s] 服务器已恢复应答，第 %d 次自动重连", id.c_str(),
             reconnects_.Find(id)->attempts);
        // The attempt's first reports may arrive inside: the page hears of
        // the phase the tab is in afterwards.
        if (!ReopenTab(id)) reconnects_.Cancel(id);
        PostReconnect(id);
    }
}

void Controller::OnResume(std::uint64_t now) {
    reconnects_.OnResume(now);
    OnReconnectTick(now);
}

void Controller::CancelReconnect(const std::string& id) {
    if (reconnects_.Cancel(id)) PostReconnect(id);
}

void Controller::CancelAllReconnects() {
    std::vector<std::string> ids;
    for (const auto& entry : reconnects_.waits()) ids.push_back(entry.first);
    reconnects_.CancelAll();
    for (const std::string& id : ids) PostReconnect(id);
}

void Controller::RetellReconnects() {
    for (const auto& entry : reconnects_.waits()) PostReconnect(entry.first);
}

void Controller::PostReconnect(const std::string& id) {
    const ReconnectWait* wait = reconnects_.Find(id);
    ports_.page.post("reconnect", ReconnectJson(id, PhaseName(wait), wait != nullptr ? wait->attempts : 0));
    ports_.tabs.SetTabNote(id, PhaseNote(wait));
}

void Controller::ProbeWaiting(const std::vector<std::string>& ids) {
    std::vector<ProbeJob> jobs;
    for (const std::string& id : ids) {
        for (std::size_t i = 0; i < config_.servers.size(); ++i) {
            const ServerRecord& server = config_.servers[i];
            if (server.id == id && !server.host.empty())
                jobs.push_back(ProbeJob{id, server.host, ProbePortOf(server), i});
        }
        if (const ServerRecord* quick = FindQuickServer(id))
            jobs.push_back(ProbeJob{id, quick->host, ProbePortOf(*quick), 0});
    }
    if (!jobs.empty()) ports_.probes.Submit(jobs);
}

bool Controller::ReopenTab(const std::string& id) {
    const ServerRecord* found = FindServerById(config_, id);
    if (found == nullptr) found = FindQuickServer(id);
    if (found == nullptr) return false;
    ServerRecord copy = ConnectionCopy(*found);
    ports_.tabs.ReopenTab(copy);
    WipeText(copy.password);
    WipeText(copy.options.gatewayPassword);
    return true;
}

void Controller::OpenQuickTab(ServerRecord server) {
    const std::string id = server.id;
    quickServers_[id] = std::move(server);
    ports_.tabs.OpenTab(quickServers_[id]);
}

const ServerRecord* Controller::FindQuickServer(const std::string& id) const {
    const auto found = quickServers_.find(id);
    return found != quickServers_.end() ? &found->second : nullptr;
}

bool Controller::TakeQuickServer(const std::string& id, ServerRecord* out) {
    const auto found = quickServers_.find(id);
    if (found == quickServers_.end()) return false;
    *out = std::move(found->second);
    quickServers_.erase(found);
    return true;
}
