#include "net/probe_queue.h"

#include <algorithm>

bool ProbeQueue::Before(const std::string& a, const std::string& b) const {
    const Server& first = servers_.at(a);
    const Server& second = servers_.at(b);
    if (first.hasResult != second.hasResult) return !first.hasResult;
    return first.hasResult && first.lastResultMs < second.lastResultMs;
}

void ProbeQueue::Offer(const std::vector<ProbeJob>& jobs) {
    std::vector<std::string> added;
    for (const ProbeJob& job : jobs) {
        Server& server = servers_[job.id];
        if (server.waiting) {
            server.job = job;
            continue;
        }
        if (server.running > 0 && server.job.host == job.host && server.job.port == job.port) continue;
        server.waiting = true;
        server.job = job;
        added.push_back(job.id);
    }
    // Stable, and the servers already waiting go first among equals: a new
    // sweep never pushes back a server that has no newer result.
    const auto before = [this](const std::string& a, const std::string& b) { return Before(a, b); };
    std::stable_sort(added.begin(), added.end(), before);
    std::deque<std::string> merged;
    std::merge(order_.begin(), order_.end(), added.begin(), added.end(), std::back_inserter(merged), before);
    order_.swap(merged);
}

bool ProbeQueue::Take(ProbeJob* job) {
    if (order_.empty()) return false;
    Server& server = servers_.at(order_.front());
    order_.pop_front();
    server.waiting = false;
    ++server.running;
    *job = server.job;
    return true;
}

void ProbeQueue::Finish(const std::string& id, double nowMs) {
    const auto found = servers_.find(id);
    if (found == servers_.end()) return;
    Server& server = found->second;
    if (server.running > 0) --server.running;
    server.hasResult = true;
    server.lastResultMs = std::max(server.lastResultMs, nowMs);
}

void ProbeQueue::Clear() {
    order_.clear();
    for (auto& entry : servers_) {
        entry.second.waiting = false;
        entry.second.running = 0;
    }
}

double ProbeStalenessBoundMs(std::size_t servers, std::size_t slots, int timeoutMs, double intervalMs) {
    if (slots == 0) slots = 1;
    const std::size_t rounds = (servers + slots - 1) / slots;
    return intervalMs + static_cast<double>(rounds + 1) * timeoutMs;
}
