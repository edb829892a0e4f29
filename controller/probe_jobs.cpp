#include "controller/probe_jobs.h"

namespace {

bool IsPort(int port) {
    return port >= 1 && port <= 65535;
}

}  // namespace

int ProbePortOf(const ServerRecord& server) {
    if (IsPort(server.pingPort)) return server.pingPort;
    return IsPort(server.port) ? server.port : 3389;
}

std::vector<ProbeJob> ProbeJobsFor(const std::vector<ServerRecord>& servers) {
    std::vector<ProbeJob> jobs;
    jobs.reserve(servers.size());
    for (std::size_t i = 0; i < servers.size(); ++i) {
        const ServerRecord& server = servers[i];
        if (server.host.empty()) continue;
        jobs.push_back(ProbeJob{server.id, server.host, ProbePortOf(server), i});
    }
    return jobs;
}

bool ProbeResultIsCurrent(const std::vector<ServerRecord>& servers, const ProbeResult& result) {
    // Where the server stood at the sweep, unless the list changed since.
    const ServerRecord* server = nullptr;
    if (result.listIndex < servers.size() && servers[result.listIndex].id == result.id) {
        server = &servers[result.listIndex];
    } else {
        for (const ServerRecord& candidate : servers) {
            if (candidate.id == result.id) server = &candidate;
        }
    }
    return server != nullptr && server->host == result.host && ProbePortOf(*server) == result.port;
}
