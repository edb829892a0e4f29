// From the server list to probe jobs and back: which port a server's probe
// knocks on, and whether a result still belongs to the server as it is now.
#pragma once

#include <vector>

#include "config/app_config.h"
#include "net/probe.h"

// The port a server is probed at: its probe port when that is a port
// (1..65535), else its connection port. A probe port outside that range
// means "none set", as config.json's reading has it: the same server is
// probed the same way before and after a restart.
int ProbePortOf(const ServerRecord& server);

// One job per server with a host, in list order.
std::vector<ProbeJob> ProbeJobsFor(const std::vector<ServerRecord>& servers);

// True when the result's server is still in the list with the host and
// port it was probed at; a result from before an edit or a removal is
// stale and must not replace the newer one.
bool ProbeResultIsCurrent(const std::vector<ServerRecord>& servers, const ProbeResult& result);
