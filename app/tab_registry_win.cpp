#include <algorithm>
#include <cstdint>
#include <utility>

#include "app/main_window_messages.h"
#include "app/tab_registry.h"
#include "controller/page_events.h"
#include "core/log.h"
#include "core/posted_object.h"
#include "core/window_dpi.h"

namespace {

RECT ToRect(const PixelRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

// An ended session's window would hide the page's word on why it ended
// and how to get it back, which the content area shows in its place.
bool ShowsWindow(const RdpSession& session) {
    return session.state() == SessionState::Connecting || session.state() == SessionState::Connected;
}

std::string LabelOf(const ServerRecord& server) {
    return server.remark.empty() ? server.host : server.remark;
}

}  // namespace

void MainObserver::OnSessionState(RdpSession* session, SessionState state, std::int32_t code,
                                  const std::string& detail) {
    if (session == nullptr) return;
    const std::string mode = SessionModeName(session->mode());
    TabEntry* tab = registry_.FindTabOf(session);
    if (tab != nullptr)
        tab->retoldStateJson =
            SessionStateJson(session->id(), static_cast<int>(state), code, detail, mode, true);
    registry_.Post("sessionState",
                   SessionStateJson(session->id(), static_cast<int>(state), code, detail, mode));
    // Only the session in front takes the keyboard as it connects.
    if (state == SessionState::Connected && session == registry_.ActiveSession() &&
        !registry_.contentHidden())
        session->Focus();
    if (!ShowsWindow(*session)) session->Show(false);
    const bool kept = tab != nullptr && tab->keep;
    const std::string id = session->id();
    const bool wasConnected = session->everConnected();
    // A session that was connected once and then ended keeps its tab, which
    // can be reconnected; one that never came up is closed, unless its tab
    // was reopened. Not here: the session is inside its own event handling.
    const bool neverCameUp = state == SessionState::Disconnected && !wasConnected;
    if (tab != nullptr && !kept && (state == SessionState::Failed || neverCameUp))
        registry_.PostCloseRequest(*tab);
    // Last: what the hook sets off may replace the session.
    if (tab != nullptr && registry_.sessionHook_) registry_.sessionHook_(id, state, code, wasConnected);
}

// The page takes the keyboard, as the control asks its container to
// (imstscaxevents-onfocusreleased); the session and its tab stay as they are.
void MainObserver::OnFocusReleased(RdpSession* session) {
    if (session == nullptr || registry_.FindTabOf(session) == nullptr) return;
    if (registry_.focusPage_) registry_.focusPage_();
}

void MainObserver::OnSessionNotice(RdpSession* session, const std::string& text) {
    if (session == nullptr || registry_.FindTabOf(session) == nullptr) return;
    registry_.Post("toast", ToastJson(kToastInfo, text));
}

TabRegistry::TabRegistry(HWND mainWindow, IPageChannel& page, const AppConfig& config)
    : mainWindow_(mainWindow), page_(page), config_(config) {}

TabRegistry::~TabRegistry() {
    CloseAllQuietly();
}

TabEntry* TabRegistry::FindTab(const std::string& id) {
    for (TabEntry& tab : tabs_) {
        if (tab.id == id) return &tab;
    }
    return nullptr;
}

TabEntry* TabRegistry::FindTabOf(const RdpSession* session) {
    for (TabEntry& tab : tabs_) {
        if (tab.session.get() == session) return &tab;
    }
    return nullptr;
}

RdpSession* TabRegistry::ActiveSession() {
    TabEntry* tab = FindTab(activeTabId_);
    return tab != nullptr ? tab->session.get() : nullptr;
}

// A session window over the content area; none, and the page told, when
// the window could not be made.
std::unique_ptr<RdpSession> TabRegistry::NewSession(const std::string& id) {
    auto session = std::make_unique<RdpSession>();
    const PixelRect rect = contentRect_.empty() ? ClientRect() : contentRect_;
    if (session->Create(mainWindow_, ToRect(rect), id)) return session;
    Post("toast", ToastJson(kToastError, "创建远程桌面窗口失败"));
    return nullptr;
}

void TabRegistry::OpenTab(const ServerRecord& server) {
    if (FindTab(server.id) != nullptr) {
        // The session is left as it is: "reconnect" starts a new one.
        activeTabId_ = server.id;
        LayoutSessions();
        Post("tabActivated", TabIdJson(server.id));
        return;
    }
    std::unique_ptr<RdpSession> session = NewSession(server.id);
    if (!session) return;
    RdpSession* opened = session.get();
    const bool temporary = FindServerById(config_, server.id) == nullptr;
    TabEntry entry;
    entry.id = server.id;
    entry.session = std::move(session);
    entry.serial = ++lastSerial_;
    entry.openedJson = TabOpenedJson(server, temporary);
    entry.label = LabelOf(server);
    tabs_.push_back(std::move(entry));
    activeTabId_ = server.id;
    // The page hears of the tab before the session's first report.
    Post("tabOpened", tabs_.back().openedJson);
    // Whatever happens inside Connect (reports, even the tab's closing) is
    // handled by the session; nothing of it is touched afterwards.
    opened->Connect(server, &observer_, config_.display.changeRemoteResolution);
    SetTimer(mainWindow_, TIMER_CONNECT_TIMEOUT, kConnectTimeoutSweepMs, nullptr);
    LayoutSessions();
}

void TabRegistry::ReopenTab(const ServerRecord& server) {
    TabEntry* tab = FindTab(server.id);
    if (tab == nullptr) {
        OpenTab(server);
        if ((tab = FindTab(server.id)) != nullptr) tab->keep = true;
        return;
    }
    std::unique_ptr<RdpSession> session = NewSession(server.id);
    if (!session) return;
    // The old session goes quietly: its end was told when it ended. A new
    // serial makes any close request of the old session's out of date.
    std::unique_ptr<RdpSession> old = std::exchange(tab->session, std::move(session));
    tab->serial = ++lastSerial_;
    tab->keep = true;
    tab->retoldStateJson.clear();
    RdpSession* opened = tab->session.get();
    if (old) old->Close();
    // As in OpenTab: nothing of the tab is touched after Connect.
    opened->Connect(server, &observer_, config_.display.changeRemoteResolution);
    SetTimer(mainWindow_, TIMER_CONNECT_TIMEOUT, kConnectTimeoutSweepMs, nullptr);
    LayoutSessions();
}

void TabRegistry::SetTabNote(const std::string& id, const std::string& note) {
    TabEntry* tab = FindTab(id);
    if (tab == nullptr || tab->note == note) return;
    tab->note = note;
    if (notesChanged_) notesChanged_();
}

void TabRegistry::CloseTab(const std::string& id) {
    const auto found =
        std::find_if(tabs_.begin(), tabs_.end(), [&](const TabEntry& t) { return t.id == id; });
    if (found != tabs_.end()) {
        // Out of the list first, so that nothing the teardown sets off can
        // find the tab half closed.
        std::unique_ptr<RdpSession> session = std::move(found->session);
        tabs_.erase(found);
        if (session) session->Close();
    }
    if (activeTabId_ == id) {
        activeTabId_.clear();
        if (!tabs_.empty()) {
            activeTabId_ = tabs_.back().id;
            Post("tabActivated", TabIdJson(activeTabId_));
        }
    }
    Post("tabClosed", TabIdJson(id));
    LayoutSessions();
}

void TabRegistry::SwitchTab(int delta) {
    if (tabs_.empty()) return;
    const auto n = static_cast<std::int64_t>(tabs_.size());
    std::int64_t i = 0;
    for (std::int64_t k = 0; k < n; ++k) {
        if (tabs_[static_cast<std::size_t>(k)].id == activeTabId_) i = k;
    }
    // In 64 bits: any int delta, either way round.
    const std::int64_t j = ((i + delta) % n + n) % n;
    activeTabId_ = tabs_[static_cast<std::size_t>(j)].id;
    LogF(kLogInfo, "切换标签 -> %s", activeTabId_.c_str());
    LayoutSessions();
    Post("tabActivated", TabIdJson(activeTabId_));
}

void TabRegistry::RetellTabs() {
    for (const TabEntry& tab : tabs_) {
        Post("tabOpened", tab.openedJson);
        if (!tab.retoldStateJson.empty()) Post("sessionState", tab.retoldStateJson);
    }
    if (!activeTabId_.empty()) Post("tabActivated", TabIdJson(activeTabId_));
}

bool TabRegistry::ActivateTab(const std::string& id) {
    if (FindTab(id) == nullptr) return false;
    activeTabId_ = id;
    LayoutSessions();
    return true;
}

void TabRegistry::Disconnect(const std::string& id) {
    TabEntry* tab = FindTab(id);
    if (tab != nullptr && tab->session) tab->session->Disconnect();
}

PixelRect TabRegistry::ClientRect() const {
    RECT client = {};
    if (mainWindow_ == nullptr || !GetClientRect(mainWindow_, &client)) return PixelRect{};
    return PixelRect{0, 0, client.right - client.left, client.bottom - client.top};
}

void TabRegistry::OnDpiChanged(int oldDpi, int newDpi) {
    if (oldDpi > 0 && newDpi > 0 && !contentRect_.empty()) {
        const auto scale = [&](int v) {
            return static_cast<int>((static_cast<long long>(v) * newDpi + oldDpi / 2) / oldDpi);
        };
        contentRect_ = PixelRect{scale(contentRect_.left), scale(contentRect_.top), scale(contentRect_.right),
                                 scale(contentRect_.bottom)};
    }
    LayoutSessions();
    for (std::size_t i = 0; i < tabs_.size(); ++i) {
        if (RdpSession* session = tabs_[i].session.get()) session->OnDpiChanged();
    }
}

int TabRegistry::WindowDpi() const {
    return ::WindowDpi(mainWindow_);
}

void TabRegistry::LayoutSessions() {
    PixelRect r = contentRect_;
    if (isFullscreen_ && isFullscreen_()) r = ClientRect();
    if (r.empty()) {
        contentRect_ = ClientRect();
        r = contentRect_;
    }
    // By index: showing or sizing a session may run its control's code.
    for (std::size_t i = 0; i < tabs_.size(); ++i) {
        RdpSession* session = tabs_[i].session.get();
        if (session == nullptr) continue;
        if (contentHidden_ || tabs_[i].id != activeTabId_ || !ShowsWindow(*session)) {
            session->Show(false);
            continue;
        }
        session->SetBounds(ToRect(r));
        session->Show(true);
        if (session->hostWindow() != nullptr) {
            SetWindowPos(session->hostWindow(), HWND_TOP, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
}

int TabRegistry::ConnectedCount() const {
    return static_cast<int>(std::count_if(tabs_.begin(), tabs_.end(), [](const TabEntry& t) {
        return t.session && t.session->state() == SessionState::Connected;
    }));
}

void TabRegistry::SetChangeRemoteResolution(bool on) {
    for (std::size_t i = 0; i < tabs_.size(); ++i) {
        if (tabs_[i].session) tabs_[i].session->SetChangeRemoteResolution(on);
    }
}

void TabRegistry::SweepConnectTimeouts() {
    bool timedOut = false;
    std::vector<std::string> kept;
    for (const TabEntry& tab : tabs_) {
        if (!tab.session || !tab.session->ConnectOverdue()) continue;
        LogF(kLogInfo, "[会话 %s] 连接建立超时（超过 %dms 仍处于连接中），强制失败%s", tab.id.c_str(),
             kConnectTimeoutMs, tab.keep ? "，标签保留" : "并关闭标签");
        if (tab.keep) {
            kept.push_back(tab.id);
        } else {
            PostCloseRequest(tab);
        }
        timedOut = true;
    }
    // Apart from the walk: closing a session runs its control's code.
    for (const std::string& id : kept) EndOverdueSession(id);
    if (timedOut) {
        KillTimer(mainWindow_, TIMER_CONNECT_TIMEOUT);
        SetTimer(mainWindow_, TIMER_CONNECT_TIMEOUT, kConnectTimeoutSweepMs, nullptr);
    }
}

void TabRegistry::EndOverdueSession(const std::string& id) {
    TabEntry* tab = FindTab(id);
    if (tab == nullptr || !tab->session) return;
    const std::unique_ptr<RdpSession> session = std::move(tab->session);
    const std::string mode = SessionModeName(session->mode());
    session->Close();
    // The reason the control itself gives a connection that timed out
    // (imstscaxevents-ondisconnected: disconnectReasonConnectionTimedOut).
    constexpr int kTimedOut = 264;
    const std::string detail = "连接超时：在规定时间内没能建立连接";
    const int state = static_cast<int>(SessionState::Disconnected);
    if ((tab = FindTab(id)) != nullptr)
        tab->retoldStateJson = SessionStateJson(id, state, kTimedOut, detail, mode, true);
    Post("sessionState", SessionStateJson(id, state, kTimedOut, detail, mode));
    if (sessionHook_) sessionHook_(id, SessionState::Disconnected, kTimedOut, false);
}

bool TabRegistry::PostCloseRequest(const TabEntry& tab) {
    if (PostOwned(mainWindow_, WM_APP_CLOSE_TAB,
                  std::make_unique<CloseTabRequest>(CloseTabRequest{tab.id, tab.serial}))) {
        return true;
    }
    Log(kLogWarn, "关闭标签的请求未能投递，标签保持打开：" + tab.id);
    return false;
}

void TabRegistry::OnCloseTabMessage(LPARAM lParam) {
    const std::unique_ptr<CloseTabRequest> request = AdoptPosted<CloseTabRequest>(lParam);
    if (!request) return;
    // Only the tab that asked: once it was closed, or replaced by a new tab
    // of the same server, the request is out of date.
    const TabEntry* tab = FindTab(request->id);
    if (tab == nullptr || tab->serial != request->serial) return;
    CloseTab(request->id);
}

void TabRegistry::OnSwitchTabMessage(WPARAM wParam) {
    SwitchTab(static_cast<int>(static_cast<INT_PTR>(wParam)));
}

void TabRegistry::CloseAllQuietly() {
    std::vector<TabEntry> closing;
    closing.swap(tabs_);
    activeTabId_.clear();
    for (TabEntry& tab : closing) {
        if (tab.session) tab.session->Close();
    }
}
