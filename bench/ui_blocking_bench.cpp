// How long the interface thread goes without handling a message while
// external-client tabs connect and close, run under Wine with the stand-in
// client (the "mstsc.exe" in this program's folder). A message is
// posted to a window and re-posted each time it is handled; the longest gap
// between two handlings is the longest time the thread was blocked.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "rdp/client_reaper.h"
#include "rdp/rdp_session.h"

namespace {

constexpr UINT kTick = WM_APP + 1;
constexpr double kTargetMs = 100.0;

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double g_last = 0;
double g_longest = 0;

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kTick) {
        const double now = Now();
        if (g_last > 0 && now - g_last > g_longest) g_longest = now - g_last;
        g_last = now;
        PostMessageW(window, kTick, 0, 0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Pumps until done() holds or ms pass, measuring from a fresh start.
template <typename Done>
void Measure(HWND window, DWORD ms, Done done) {
    g_last = 0;
    g_longest = 0;
    PostMessageW(window, kTick, 0, 0);
    const double end = Now() + ms;
    MSG message;
    while (Now() < end && !done()) {
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) break;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // Whatever the work did, it is measured up to its last call.
    const double now = Now();
    if (g_last > 0 && now - g_last > g_longest) g_longest = now - g_last;
}

void Report(const char* name, double longest) {
    std::printf("%-52s %8.1f ms   target %6.1f ms   ratio %.2f\n", name, longest, kTargetMs,
                longest / kTargetMs);
}

// The stand-in client beside this program, in place of the system's.
ExternalClientOptions StandinClient() {
    wchar_t self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path(self, length);
    return ExternalClientOptions{path.substr(0, path.find_last_of(L'\\') + 1) + L"mstsc.exe"};
}

ServerRecord Server(int port) {
    ServerRecord server;
    server.host = "db.example";
    server.port = port;
    return server;
}

}  // namespace

int main() {
    OleInitialize(nullptr);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = Proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TavolinBlockingBench";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                  0, 1200, 800, nullptr, nullptr, windowClass.hInstance, nullptr);

    // No RDP control is registered here, so every tab runs the client. Its
    // main window comes after its status window, as a real one's does.
    RdpSession connecting;
    connecting.SetExternalClientOptions(StandinClient());
    connecting.Create(window, RECT{0, 0, 1200, 800}, "c");
    Measure(window, 10000, [&] {
        static bool started = false;
        if (!started) {
            started = true;
            connecting.Connect(Server(3389), nullptr, true);
        }
        return connecting.controlWindow() != nullptr;
    });
    Report("one fallback tab connects (status window first)", g_longest);
    connecting.Close();

    // Clients stuck on a confirmation: each close waits out its grace time.
    SetEnvironmentVariableW(L"TAVOLIN_MSTSC_STANDIN", L"ignore-close");
    std::vector<std::unique_ptr<RdpSession>> tabs;
    for (int i = 0; i < 3; ++i) {
        tabs.push_back(std::make_unique<RdpSession>());
        tabs.back()->SetExternalClientOptions(StandinClient());
        tabs.back()->Create(window, RECT{0, 0, 1200, 800}, "t");
        tabs.back()->Connect(Server(3390 + i), nullptr, true);
    }
    Measure(window, 10000, [&] {
        for (const auto& tab : tabs)
            if (tab->controlWindow() == nullptr) return false;
        return true;
    });
    Measure(window, 10000, [&] {
        static bool closed = false;
        if (!closed) {
            closed = true;
            for (const auto& tab : tabs) tab->Close();
        }
        return PendingClientReaps() == 0;
    });
    Report("three tabs close, clients ignoring the request", g_longest);

    TerminatePendingClients();
    DestroyWindow(window);
    OleUninitialize();
    return 0;
}
