// The open remote desktops: one tab per server, each owning its session, in
// the order they were opened. Knows the active tab, shows its session over
// the page's content area and hides the others, forwards every session
// report to the page, and closes tabs whose connection failed or never came
// up in time. User-interface thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/app_config.h"
#include "controller/controller_ports.h"
#include "rdp/rdp_session.h"
#include "webhost/page_channel.h"

struct TabEntry {
    std::string id;  // the server's
    std::unique_ptr<RdpSession> session;
    // Which opening of a tab this is: a server's tab closed and opened again
    // (reconnect) is a new one.
    unsigned serial = 0;
    // What the page was told of the tab, to tell a fresh page again.
    std::string openedJson;
    std::string retoldStateJson;
    // The server's remark or host, for a tab whose server is in no list.
    std::string label;
    // Shown beside the label outside the page; "" for none.
    std::string note;
    // Reopened once: the tab stays whatever becomes of its session, which
    // is reported as ended instead.
    bool keep = false;
};

// Hears how each tab's session goes: the tab's id, the state, its code
// (the disconnect reason, for Disconnected) and whether the session had
// been connected.
using SessionHook =
    std::function<void(const std::string& id, SessionState state, int code, bool wasConnected)>;

// What WM_APP_CLOSE_TAB carries. The serial names the very tab that asked:
// a request that arrives after its tab was replaced closes nothing.
struct CloseTabRequest {
    std::string id;
    unsigned serial = 0;
};

class TabRegistry;

// Hears every session's reports and tells the page; a failed first
// connection closes its tab, later and from the message loop.
class MainObserver : public IRdpObserver {
public:
    explicit MainObserver(TabRegistry& registry) : registry_(registry) {}
    void OnSessionState(RdpSession* session, SessionState state, std::int32_t code,
                        const std::string& detail) override;
    void OnFocusReleased(RdpSession* session) override;
    void OnSessionNotice(RdpSession* session, const std::string& text) override;

private:
    TabRegistry& registry_;
};

class TabRegistry : public ITabs {
public:
    TabRegistry(HWND mainWindow, IPageChannel& page, const AppConfig& config);
    ~TabRegistry() override;
    TabRegistry(const TabRegistry&) = delete;
    TabRegistry& operator=(const TabRegistry&) = delete;

    // For a registry made before its window: sessions are children of it.
    void SetMainWindow(HWND mainWindow) { mainWindow_ = mainWindow; }

    TabEntry* FindTab(const std::string& id);

    void OpenTab(const ServerRecord& server) override;
    void CloseTab(const std::string& id) override;
    void SwitchTab(int delta) override;
    bool ActivateTab(const std::string& id) override;
    void Disconnect(const std::string& id) override;
    void ReopenTab(const ServerRecord& server) override;
    void SetTabNote(const std::string& id, const std::string& note) override;
    PixelRect ClientRect() const override;
    int WindowDpi() const override;
    void SetContentHidden(bool hidden) override { contentHidden_ = hidden; }
    void SetContentRect(const PixelRect& rect) override { contentRect_ = rect; }
    void LayoutSessions() override;
    // The main window moved to a monitor of another scale: the content area
    // is scaled along until the page reports it again, and every session
    // hears of the new scale.
    void OnDpiChanged(int oldDpi, int newDpi);
    int TabCount() const override { return static_cast<int>(tabs_.size()); }
    int ConnectedCount() const override;
    void SetChangeRemoteResolution(bool on) override;
    void RetellTabs() override;

    // The main window's handlers: TIMER_CONNECT_TIMEOUT, WM_APP_CLOSE_TAB
    // and WM_APP_SWITCH_TAB (the caller repaints the full-screen bar).
    void SweepConnectTimeouts();
    void OnCloseTabMessage(LPARAM lParam);
    void OnSwitchTabMessage(WPARAM wParam);
    // WM_DESTROY: every session closed and deleted, no events.
    void CloseAllQuietly();

    // Asked by the layout: while it holds, the active session fills the
    // whole client area.
    void SetFullscreenQuery(std::function<bool()> isFullscreen) { isFullscreen_ = std::move(isFullscreen); }
    // Gives the keyboard to the page, when a session lets go of it.
    void SetPageFocus(std::function<void()> focusPage) { focusPage_ = std::move(focusPage); }
    // Called after the page has heard of each report.
    void SetSessionHook(SessionHook hook) { sessionHook_ = std::move(hook); }
    // Called when a tab's note changes.
    void SetNotesChanged(std::function<void()> changed) { notesChanged_ = std::move(changed); }

    const std::vector<TabEntry>& tabs() const { return tabs_; }
    const std::string& activeTabId() const { return activeTabId_; }
    RdpSession* ActiveSession();
    const PixelRect& contentRect() const { return contentRect_; }
    bool contentHidden() const { return contentHidden_; }

private:
    std::unique_ptr<RdpSession> NewSession(const std::string& id);
    friend class MainObserver;
    TabEntry* FindTabOf(const RdpSession* session);
    // Posts WM_APP_CLOSE_TAB for the tab; false (and logged) when it could
    // not be posted, and the tab then stays open.
    bool PostCloseRequest(const TabEntry& tab);
    void Post(const char* event, const std::string& data) { page_.post(event, data); }
    // A kept tab whose new session did not come up in time: the session
    // goes, the tab stays and its end is reported.
    void EndOverdueSession(const std::string& id);

    HWND mainWindow_;
    IPageChannel& page_;
    const AppConfig& config_;
    MainObserver observer_{*this};
    std::vector<TabEntry> tabs_;
    std::string activeTabId_;
    PixelRect contentRect_;
    bool contentHidden_ = false;
    unsigned lastSerial_ = 0;
    std::function<bool()> isFullscreen_;
    std::function<void()> focusPage_;
    SessionHook sessionHook_;
    std::function<void()> notesChanged_;
};
