// Events that arrive inside the session's own calls, and observers that
// close or delete the session when they hear of them. The session lives in
// pages that become inaccessible when it is deleted, so any use of it
// afterwards stops the test program at once.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "rdp/session_test_support.h"

namespace {

constexpr UINT kDeleteSession = WM_APP + 40;

// A session in pages of its own.
class GuardedSession {
public:
    GuardedSession() {
        memory_ = VirtualAlloc(nullptr, sizeof(RdpSession), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        session_ = new (memory_) RdpSession();
        Watch(memory_);
    }
    ~GuardedSession() {
        Destroy();
        VirtualFree(memory_, 0, MEM_RELEASE);
    }
    GuardedSession(const GuardedSession&) = delete;
    GuardedSession& operator=(const GuardedSession&) = delete;

    RdpSession* get() const { return session_; }
    bool destroyed() const { return session_ == nullptr; }
    void Destroy() {
        if (session_ == nullptr) return;
        session_->~RdpSession();
        session_ = nullptr;
        DWORD old = 0;
        VirtualProtect(memory_, sizeof(RdpSession), PAGE_NOACCESS, &old);
    }

private:
    // Any touch of a deleted session's pages ends the program with a
    // message, before any handler of the platform can swallow the fault.
    static LONG CALLBACK OnFault(EXCEPTION_POINTERS* info) {
        const EXCEPTION_RECORD* record = info->ExceptionRecord;
        if (record->ExceptionCode != EXCEPTION_ACCESS_VIOLATION || record->NumberParameters < 2)
            return EXCEPTION_CONTINUE_SEARCH;
        const auto address = static_cast<ULONG_PTR>(record->ExceptionInformation[1]);
        const auto start = reinterpret_cast<ULONG_PTR>(watched_);
        if (address < start || address >= start + sizeof(RdpSession)) return EXCEPTION_CONTINUE_SEARCH;
        std::fprintf(stderr, "a deleted session was used\n");
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
        return EXCEPTION_CONTINUE_SEARCH;
    }
    static void Watch(void* memory) {
        watched_ = memory;
        static const PVOID handler = AddVectoredExceptionHandler(1, &OnFault);
        (void)handler;
    }

    static inline void* watched_ = nullptr;
    void* memory_ = nullptr;
    RdpSession* session_ = nullptr;
};

// Deletes the session when a report with the given detail arrives: at once
// (inside the report), or as the controller does, through a posted message.
class EndingObserver : public RecordingObserver {
public:
    EndingObserver(GuardedSession* session, std::string detail, bool posted)
        : session_(session), detail_(std::move(detail)), posted_(posted) {
        window_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EndingObserver::Proc));
    }
    ~EndingObserver() override { DestroyWindow(window_); }

    void OnSessionState(RdpSession* session, SessionState state, std::int32_t code,
                        const std::string& detail) override {
        RecordingObserver::OnSessionState(session, state, code, detail);
        if (detail != detail_ || session_->destroyed()) return;
        if (posted_) PostMessageW(window_, kDeleteSession, 0, 0);
        if (!posted_) session_->Destroy();
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != kDeleteSession) return DefWindowProcW(window, message, wParam, lParam);
        reinterpret_cast<EndingObserver*>(GetWindowLongPtrW(window, GWLP_USERDATA))->session_->Destroy();
        return 0;
    }

    GuardedSession* session_;
    std::string detail_;
    bool posted_;
    HWND window_ = nullptr;
};

}  // namespace

TEST(Reentrancy, ASessionDeletedByWhatItHearsIsNeverTouchedAgain) {
    const struct {
        const char* name;
        const char* option;  // how the control behaves inside its calls
        const char* deleteOn;
        bool posted;
        bool disconnect;  // the session's Disconnect causes the report
    } cases[] = {
        {"its own first report", "sync_events", "正在连接 127.0.0.1 ...", false, false},
        {"OnConnecting inside Connect", "sync_events", "正在建立连接...", false, false},
        {"a posted close handled inside Connect", "pump_in_calls", "正在连接 127.0.0.1 ...", true, false},
        {"a posted close handled while the control is created", "pump_in_doverb", "正在连接 127.0.0.1 ...",
         true, false},
        {"the connection", "", "已连接", false, false},
        {"OnDisconnected inside Disconnect", "sync_events", "本地主动断开", false, true},
        {"a posted close handled inside Disconnect", "pump_in_calls", "本地主动断开", true, true},
    };
    ParentWindow parent;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RdpTestPeer peer;  // one a row: a peer accepts one connection only
        StandinControl control;
        if (c.option[0] != '\0') control.SetOption(c.option, 1);
        GuardedSession guarded;
        EndingObserver observer(&guarded, c.deleteOn, c.posted);
        RdpSession* session = guarded.get();
        ASSERT_TRUE(session->Create(parent.get(), RECT{0, 0, 800, 600}, "re"));
        session->Connect(TestServer("127.0.0.1", peer.port()), &observer, true);
        if (c.disconnect && !guarded.destroyed()) {
            ASSERT_TRUE(PumpUntil(
                [&] { return observer.saw(SessionState::Connected) && observer.reports.size() >= 4; }));
            session->Disconnect();
        }
        EXPECT_TRUE(PumpUntil([&] { return guarded.destroyed(); }));
        PumpFor(50);
        // Everything the session took from the control was given back, and
        // nothing reached the control after it was let go.
        EXPECT_EQ(control.LiveObjects(), 0);
        const std::vector<std::string> journal = control.Journal();  // empty when deleted before the control
        EXPECT_TRUE(journal.empty() || journal.back() == "SetClientSite null") << journal.back();
    }
}
