#include "controller/tab_test_support.h"

#include "controller/main_window_messages.h"

namespace {

constexpr wchar_t kClass[] = L"TavolinTestMainWindow";

void RegisterClassOnce(WNDPROC proc) {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClass;
    registered = RegisterClassExW(&windowClass) != 0;
}

}  // namespace

TestMainWindow::TestMainWindow(int width, int height) {
    RegisterClassOnce(&Proc);
    window_ = CreateWindowExW(0, kClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width, height,
                              SharedTopLevel(), nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TestMainWindow::~TestMainWindow() {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
    PumpFor(0);
}

LRESULT CALLBACK TestMainWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TestMainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && self->handler && self->handler(message, wParam, lParam)) return 0;
    return DefWindowProcW(window, message, wParam, lParam);
}

RECT HostRect(const RdpSession& session) {
    RECT rect = {};
    GetWindowRect(session.hostWindow(), &rect);
    MapWindowPoints(nullptr, GetParent(session.hostWindow()), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool HostVisible(const RdpSession& session) {
    return IsWindowVisible(session.hostWindow()) != FALSE;
}

TabRegistryTest::TabRegistryTest() : registry(std::make_unique<TabRegistry>(window.get(), page, config)) {
    window.handler = [this](UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_APP_CLOSE_TAB) {
            registry->OnCloseTabMessage(lParam);
        } else if (message == WM_APP_SWITCH_TAB) {
            registry->OnSwitchTabMessage(wParam);
        } else if (message == WM_TIMER && wParam == TIMER_CONNECT_TIMEOUT) {
            registry->SweepConnectTimeouts();
        } else {
            return false;
        }
        return true;
    };
}

void TabRegistryTest::TearDown() {
    registry.reset();
    PumpFor(0);
    EXPECT_EQ(control.LiveObjects(), 0);
}

ServerRecord TabRegistryTest::Server(const std::string& id, int port) {
    ServerRecord server = TestServer("127.0.0.1", port);
    server.id = id;
    server.remark = "备注 " + id;
    return server;
}

void TabRegistryTest::OpenConnected(const ServerRecord& server) {
    registry->OpenTab(server);
    TabEntry* tab = registry->FindTab(server.id);
    ASSERT_NE(tab, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return tab->session->state() == SessionState::Connected; })) << server.id;
}

std::vector<std::string> TabRegistryTest::TakeEvents() {
    std::vector<std::string> out;
    for (; taken_ < page.events.size(); ++taken_)
        out.push_back(page.events[taken_].cmd + " " + page.events[taken_].data);
    return out;
}

bool TabRegistryTest::Posted(const std::string& cmd, const std::string& data) const {
    for (const PageEvent& event : page.events) {
        if (event.cmd == cmd && event.data == data) return true;
    }
    return false;
}
