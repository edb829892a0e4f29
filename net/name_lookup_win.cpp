#include <atomic>
#include <system_error>
#include <thread>
#include <utility>

#include "core/unicode.h"
#include "net/name_lookup.h"
#include "net/probe.h"

namespace {

// Helpers at once, for the whole process: a resolver that hangs for every
// name must not leave a thread behind per server and sweep.
constexpr int kMaxHelpers = 32;
std::atomic<int> g_helpers{0};

}  // namespace

std::string AddressText(const sockaddr* address) {
    char text[64] = {};
    const void* raw = nullptr;
    if (address->sa_family == AF_INET) {
        raw = &reinterpret_cast<const sockaddr_in*>(address)->sin_addr;
    } else if (address->sa_family == AF_INET6) {
        raw = &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
    }
    if (raw == nullptr || inet_ntop(address->sa_family, raw, text, sizeof text) == nullptr)
        return std::string();
    return text;
}

NameLookup::NameLookup(std::wstring host, std::wstring service, std::shared_ptr<WakeSignal> wake)
    : host_(std::move(host)), service_(std::move(service)), wake_(std::move(wake)) {}

std::shared_ptr<NameLookup> NameLookup::Start(const std::string& host, int port,
                                              std::shared_ptr<WakeSignal> wake) {
    std::shared_ptr<NameLookup> lookup(
        new NameLookup(ToWide(host), ToWide(ProbePortText(port)), std::move(wake)));
    // An address typed as digits needs no resolver: it is answered here,
    // on the probing thread, without a helper.
    lookup->Resolve(AI_NUMERICHOST);
    if (!lookup->endpoints_.empty()) {
        lookup->started_ = lookup->done_ = true;
        return lookup;
    }
    lookup->StartHelper();
    return lookup;
}

// The wide form resolves host names typed in any script; the program's own
// text is UTF-8 and becomes UTF-16 only here, at the system call.
void NameLookup::Resolve(int extraFlags) {
    ADDRINFOW hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = extraFlags;
    AddressList addresses;
    std::vector<Endpoint> found;
    if (GetAddrInfoW(host_.c_str(), service_.c_str(), &hints, addresses.out()) == 0) {
        for (const ADDRINFOW* a = addresses.first(); a != nullptr; a = a->ai_next) {
            if (a->ai_addrlen > sizeof(sockaddr_storage)) continue;
            Endpoint endpoint;
            memcpy(&endpoint.address, a->ai_addr, a->ai_addrlen);
            endpoint.length = static_cast<int>(a->ai_addrlen);
            endpoint.family = a->ai_family;
            endpoint.text = AddressText(a->ai_addr);
            found.push_back(std::move(endpoint));
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    endpoints_ = std::move(found);
}

bool NameLookup::StartHelper() {
    if (g_helpers.fetch_add(1) >= kMaxHelpers) {
        g_helpers.fetch_sub(1);
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        started_ = true;
    }
    try {
        // The helper holds the lookup itself: the probe that asked may be
        // gone by the time the system's resolver returns.
        std::thread([self = shared_from_this()] {
            self->Resolve(0);
            {
                std::lock_guard<std::mutex> lock(self->mutex_);
                self->done_ = true;
            }
            g_helpers.fetch_sub(1);
            if (self->wake_) self->wake_->Wake();
        }).detach();
    } catch (const std::system_error&) {
        g_helpers.fetch_sub(1);
        std::lock_guard<std::mutex> lock(mutex_);
        started_ = false;
        return false;
    }
    return true;
}

bool NameLookup::Poll() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (done_) return true;
        if (started_) return false;
    }
    StartHelper();
    return false;
}

bool NameLookup::waitingForHelper() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !started_;
}

std::vector<Endpoint> NameLookup::endpoints() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return endpoints_;
}
