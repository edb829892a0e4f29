#include <atomic>

#include "rdp/session_clock.h"

namespace {

DWORD SystemTicks() {
    return GetTickCount();
}

std::atomic<TickSource> g_source{&SystemTicks};

}  // namespace

DWORD SessionTicks() {
    return g_source.load()();
}

void SetSessionTickSource(TickSource source) {
    g_source.store(source != nullptr ? source : &SystemTicks);
}
