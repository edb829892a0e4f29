#include "controller/ping_batch.h"

#include "core/json.h"

bool PingBatch::Add(const std::string& id) {
    const bool first = ids_.empty();
    if (queued_.insert(id).second) ids_.push_back(id);
    return first;
}

std::string PingBatch::Take(const ProbeResults& results) {
    JsonValue list = JsonValue::MakeArray();
    for (const std::string& id : ids_) {
        const auto found = results.find(id);
        // Removed while it waited: the page no longer lists it.
        if (found == results.end()) continue;
        const ProbeEntry& entry = found->second;
        JsonValue ping = JsonValue::MakeObject();
        ping.set("id", id);
        ping.set("state", entry.netState);
        ping.set("rtt", entry.rtt);
        ping.set("ip", entry.resolvedIp);
        ping.set("detail", entry.netDetail);
        list.push(std::move(ping));
    }
    ids_.clear();
    queued_.clear();
    JsonValue data = JsonValue::MakeObject();
    data.set("results", std::move(list));
    return ToJson(data, -1);
}
