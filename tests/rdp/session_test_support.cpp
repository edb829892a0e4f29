#include "rdp/session_test_support.h"

#include <gtest/gtest.h>
#include <ole2.h>

#include <algorithm>
#include <cstring>

#include "standins/rdpcontrol/standin_control.h"

namespace {

// The sessions live on a thread that has initialised OLE as a single-
// threaded apartment, as the program's user-interface thread has.
class OleApartment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};

::testing::Environment* const g_oleApartment = ::testing::AddGlobalTestEnvironment(new OleApartment);

constexpr wchar_t kParentClass[] = L"TavolinTestParent";

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

// Under Wine without a window manager, hiding or destroying a top-level
// window waits up to two seconds for the X server, so the tests share one
// top-level window for the whole run and give each test a child of it.
HWND SharedTopLevel() {
    static HWND topLevel = nullptr;
    if (topLevel != nullptr) return topLevel;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = kParentClass;
    RegisterClassExW(&windowClass);
    topLevel = CreateWindowExW(0, kParentClass, L"Tavolin 会话测试", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                               0, 1320, 840, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(topLevel, SW_SHOW);
    PumpFor(50);
    return topLevel;
}

ParentWindow::ParentWindow(int width, int height) {
    window_ = CreateWindowExW(0, kParentClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width,
                              height, SharedTopLevel(), nullptr, GetModuleHandleW(nullptr), nullptr);
    PumpFor(0);
}

ParentWindow::~ParentWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
    PumpFor(0);
}

std::string PlacedIn(HWND window, HWND parent) {
    RECT r = {};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

void RecordingObserver::OnSessionState(RdpSession* session, SessionState state, std::int32_t code,
                                       const std::string& detail) {
    reports.push_back(StateReport{state, code, detail, SessionModeName(session->mode())});
}

void RecordingObserver::OnFocusReleased(RdpSession*) {
    ++focusReleases;
}

void RecordingObserver::OnSessionNotice(RdpSession*, const std::string& text) {
    notices.push_back(text);
}

StandinControl::StandinControl(const wchar_t* classes) {
    module_ = LoadLibraryW(kStandinDllName);
    if (module_ == nullptr) return;
    auto reset = Export<StandinResetFn>(module_, "StandinReset");
    auto registerFn = Export<StandinRegisterFn>(module_, "StandinRegister");
    if (reset == nullptr || registerFn == nullptr) return;
    reset();
    ok_ = SUCCEEDED(registerFn(classes));
}

StandinControl::~StandinControl() {
    if (module_ == nullptr) return;
    Unregister();
    if (auto reset = Export<StandinResetFn>(module_, "StandinReset")) reset();
    FreeLibrary(module_);
}

void StandinControl::SetOption(const char* name, long value) {
    if (auto set = Export<StandinSetOptionFn>(module_, "StandinSetOption")) set(name, value);
}

void StandinControl::SetErrorDescription(const wchar_t* text) {
    if (auto set = Export<StandinSetErrorDescriptionFn>(module_, "StandinSetErrorDescription")) set(text);
}

std::vector<std::string> StandinControl::Journal() const {
    auto journal = Export<StandinJournalFn>(module_, "StandinJournal");
    if (journal == nullptr) return {};
    std::string text;
    // The journal may grow between the calls (the connection's thread writes too).
    for (int length = journal(nullptr, 0);; length = journal(nullptr, 0)) {
        text.assign(static_cast<std::size_t>(length) + 1, '\0');
        if (journal(&text[0], static_cast<int>(text.size())) <= length) break;
    }
    text.resize(std::strlen(text.c_str()));
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
        end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

std::vector<std::string> StandinControl::Journal(const std::string& prefix) const {
    std::vector<std::string> matching;
    for (std::string& line : Journal()) {
        if (line.compare(0, prefix.size(), prefix) == 0) matching.push_back(std::move(line));
    }
    return matching;
}

void StandinControl::ClearJournal() {
    if (auto clear = Export<StandinClearJournalFn>(module_, "StandinClearJournal")) clear();
}

long StandinControl::LiveObjects() const {
    auto live = Export<StandinLiveObjectsFn>(module_, "StandinLiveObjects");
    return live != nullptr ? live() : -1;
}

HRESULT StandinControl::Unregister() {
    auto unregister = Export<HRESULT(__stdcall*)()>(module_, "DllUnregisterServer");
    return unregister != nullptr ? unregister() : E_NOTIMPL;
}

HRESULT StandinControl::CanUnloadNow() const {
    auto canUnload = Export<HRESULT(__stdcall*)()>(module_, "DllCanUnloadNow");
    return canUnload != nullptr ? canUnload() : E_NOTIMPL;
}

std::wstring StandinClientProgram() {
    wchar_t self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"mstsc.exe";
}

ServerRecord TestServer(const std::string& host, int port) {
    ServerRecord server;
    server.id = "0123456789abcdef";
    server.host = host;
    server.port = port;
    return server;
}

void PeerSession::Start(int width, int height, bool changeRemoteResolution, ServerRecord server) {
    ASSERT_TRUE(session.Create(parent.get(), RECT{0, 0, width, height}, "peer"));
    session.Show(true);
    if (server.host.empty()) server = TestServer("127.0.0.1", peer.port());
    ASSERT_TRUE(session.Connect(server, &observer, changeRemoteResolution));
}

void PeerSession::StartConnected(int width, int height, bool changeRemoteResolution, ServerRecord server) {
    Start(width, height, changeRemoteResolution, std::move(server));
    ASSERT_TRUE(
        PumpUntil([&] { return observer.saw(SessionState::Connected) && observer.reports.size() >= 4; }));
    ASSERT_TRUE(peer.WaitForConnection(2000));
}
