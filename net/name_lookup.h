// A host's addresses for a probe, found without holding up the probing
// thread: numeric addresses at once, names on a helper thread that nobody
// waits for. The probe gives up on a lookup at its own deadline; a lookup
// that hangs in the system's resolver then only holds its helper, which
// ends with the process if not before.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "net/wake_signal.h"

struct Endpoint {
    sockaddr_storage address = {};
    int length = 0;
    int family = AF_UNSPEC;
    std::string text;  // numeric, for the page
};

class NameLookup : public std::enable_shared_from_this<NameLookup> {
public:
    // Numeric hosts are done on return; names start a helper, which
    // signals wake when it is done. A lookup that found no free helper
    // starts with a later Poll.
    static std::shared_ptr<NameLookup> Start(const std::string& host, int port,
                                             std::shared_ptr<WakeSignal> wake);

    // Starts the helper if it has not started yet; true once the lookup
    // has ended, successfully or not.
    bool Poll();
    // True while the lookup still waits for a helper to become free.
    bool waitingForHelper() const;
    // The addresses found, in the system's order; empty when it failed.
    std::vector<Endpoint> endpoints() const;

private:
    NameLookup(std::wstring host, std::wstring service, std::shared_ptr<WakeSignal> wake);
    bool StartHelper();
    void Resolve(int extraFlags);

    const std::wstring host_;
    const std::wstring service_;
    const std::shared_ptr<WakeSignal> wake_;
    mutable std::mutex mutex_;
    bool started_ = false;
    bool done_ = false;
    std::vector<Endpoint> endpoints_;
};

// The numeric text of an IPv4 or IPv6 address; "" for other families.
std::string AddressText(const sockaddr* address);
