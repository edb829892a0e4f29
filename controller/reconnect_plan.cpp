#include "controller/reconnect_plan.h"

#include <algorithm>
#include <iterator>

namespace {

// The OnDisconnected reasons that mean the connection was lost on its way
// (imstscaxevents-ondisconnected, learn.microsoft.com/windows/win32/termserv/
// imstscaxevents-ondisconnected). A name that no longer resolves belongs
// here too: the session was connected before, so the name was right and the
// resolver is what went away with the network. Sorted.
constexpr int kNetworkReasons[] = {
    260,   // disconnectReasonDNSLookupFailed
    264,   // disconnectReasonConnectionTimedOut
    516,   // disconnectReasonSocketConnectFailed
    520,   // disconnectReasonHostNotFound
    772,   // disconnectReasonWinsockSendFailed
    1028,  // disconnectReasonSocketRecvFailed
    1288,  // disconnectReasonDNSLookupFailed2
    1540,  // disconnectReasonGetHostByNameFailed
    1796,  // disconnectReasonTimeoutOccurred
    2308,  // disconnectReasonAtClientWinsockFDCLOSE: the socket closed under the session
};

constexpr std::uint64_t kDelaysMs[] = {5000, 10000, 30000, 60000};

}  // namespace

bool IsNetworkDisconnect(int reason) {
    return std::binary_search(std::begin(kNetworkReasons), std::end(kNetworkReasons), reason);
}

std::uint64_t ReconnectDelayMs(int failures) {
    if (failures <= 0) return 0;
    const auto last = static_cast<int>(std::size(kDelaysMs)) - 1;
    return kDelaysMs[std::min(failures - 1, last)];
}

bool ReconnectPlan::OnDropped(const std::string& id, int reason, bool enabled, std::uint64_t now) {
    if (!enabled || !IsNetworkDisconnect(reason)) {
        waits_.erase(id);
        return false;
    }
    ReconnectWait wait;
    wait.notBefore = now;
    wait.nextProbe = now;
    waits_[id] = wait;
    return true;
}

bool ReconnectPlan::OnAttemptFailed(const std::string& id, int reason, std::uint64_t now) {
    const auto found = waits_.find(id);
    if (found == waits_.end() || found->second.phase != ReconnectPhase::Connecting) return false;
    if (!IsNetworkDisconnect(reason)) {
        waits_.erase(found);
        return true;
    }
    ReconnectWait& wait = found->second;
    wait.phase = ReconnectPhase::Waiting;
    wait.answered = false;
    wait.notBefore = now + ReconnectDelayMs(wait.attempts);
    wait.nextProbe = wait.notBefore;
    return true;
}

void ReconnectPlan::OnProbe(const std::string& id, bool online) {
    const auto found = waits_.find(id);
    // The latest answer wins: a server that went quiet again is not back.
    if (found != waits_.end() && found->second.phase == ReconnectPhase::Waiting)
        found->second.answered = online;
}

void ReconnectPlan::OnResume(std::uint64_t now) {
    for (auto& [id, wait] : waits_) {
        if (wait.phase != ReconnectPhase::Waiting) continue;
        wait.answered = false;
        wait.notBefore = now;
        wait.nextProbe = now;
    }
}

ReconnectDue ReconnectPlan::Tick(std::uint64_t now) {
    ReconnectDue due;
    for (auto& [id, wait] : waits_) {
        if (wait.phase != ReconnectPhase::Waiting) continue;
        if (wait.answered && now >= wait.notBefore) {
            wait.phase = ReconnectPhase::Connecting;
            ++wait.attempts;
            due.attempts.push_back(id);
        } else if (now >= wait.nextProbe) {
            wait.nextProbe = now + kWaitingProbeEveryMs;
            due.probes.push_back(id);
        }
    }
    return due;
}

const ReconnectWait* ReconnectPlan::Find(const std::string& id) const {
    const auto found = waits_.find(id);
    return found != waits_.end() ? &found->second : nullptr;
}
