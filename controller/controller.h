// The program's controller: turns each page command into changes of the
// store, the tabs, the monitor and the main window, and tells the page
// about them. Runs on the user-interface thread only; it locks nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/app_config.h"
#include "controller/controller_ports.h"
#include "controller/page_documents.h"
#include "controller/ping_batch.h"
#include "controller/reconnect_plan.h"
#include "rdp/session_state.h"
#include "webhost/page_channel.h"

// The longest page message taken. Pasted text at the import's own limit
// (kMaxImportBytes) fits even with every character escaped; the page keeps
// its .rdp imports within it (web/js/rdp_import.js has the same figure).
constexpr std::size_t kMaxPageMessageBytes = 32u << 20;

struct ControllerPorts {
    IPageChannel& page;
    ITabs& tabs;
    IMainWindow& window;
    IProbes& probes;
    IStartupPassword& password;
    const IHostEnvironment& environment;
};

// Asking the page before the program closes.
struct CloseHandshake {
    bool awaitingConfirm = false;
    bool confirmed = false;
};

class Controller {
public:
    Controller(AppConfig& config, const ControllerPorts& ports) : config_(config), ports_(ports) {}
    Controller(const Controller&) = delete;
    Controller& operator=(const Controller&) = delete;

    // The one entry for page messages: any text, valid or not.
    void HandlePageMessage(std::string_view text);

    void SendEnv();
    void SendSettings();
    void SendServers();
    void SendToast(const char* kind, const std::string& text);
    // One sweep over every server with a host.
    void ProbeAll();
    // A probe result, on the user-interface thread: kept for the server
    // list and, with the others of its batch, posted as "pings" when the
    // batch is full or its time is up.
    void OnProbeResult(const ProbeResult& result);
    // Posts the waiting results now, if any.
    void FlushProbeResults();

    // The first step of the main window's close handling: false while the
    // page is being asked (the window stays open), true once it may close.
    // Only a page that said "ready" and has not gone since is asked.
    bool CloseRequested();
    // The page said "ready": it answers from now on.
    void MarkPageReady() { pageReady_ = true; }
    // The page went away (reloading, failed); with recovered, the next page
    // tells the user that it was brought back.
    void MarkPageGone(bool recovered = false);
    // The toast a fresh page owes the user, if any; once.
    bool TakeRecoveryNotice();
    // The system is ending the user's session: closing does not wait.
    void MarkCloseConfirmed() { close_.confirmed = true; }

    AppConfig& config() { return config_; }
    IPageChannel& page() { return ports_.page; }
    ITabs& tabs() { return ports_.tabs; }
    IMainWindow& window() { return ports_.window; }
    IProbes& probes() { return ports_.probes; }
    IStartupPassword& password() { return ports_.password; }
    const IHostEnvironment& environment() const { return ports_.environment; }
    ProbeResults& probeResults() { return probeResults_; }
    CloseHandshake& closeHandshake() { return close_; }
    const CloseHandshake& closeHandshake() const { return close_; }
    // Auto-connect runs on the first "ready" only.
    bool TakeAutoConnect();

    // Saves the store. A failure is told to the page with its reason, and
    // false tells the caller not to say that anything was saved.
    bool SaveOrTell();
    // Opens the server's tab with a copy whose password is opened for the
    // connection alone; the copy's plain text is wiped after.
    void OpenTabFor(const ServerRecord& server);
    // What the store owes the user (a file that could not be read, passwords
    // that could not be opened), as toasts, once.
    void SendStoreNotices();

    // Runs next once typed proves to be the start-up password (at once when
    // none is in force). The derivation runs aside, so the window keeps
    // answering; one password request at a time. A wrong one is told with
    // refused and counted: after as many as the unlock dialog takes, the
    // page may try no more in this run.
    void WithCurrentPassword(const std::string& typed, const char* refused, std::function<void()> next);
    // A new start-up password: derived aside, then every server password
    // sealed under it and saved once; the page is told either way.
    void SetStartupPasswordAside(const std::string& password, const std::string& hint);

    // Reconnecting tabs the network took away (controller_reconnect.cpp).
    // now: milliseconds of a monotonic clock, the same in every call.
    // A session's report, as its tab heard it; wasConnected: the session
    // had been connected.
    void OnSessionReport(const std::string& id, SessionState state, int code, bool wasConnected,
                         std::uint64_t now);
    // Starts the attempts that are due and probes the servers waited for.
    void OnReconnectTick(std::uint64_t now);
    // Back from sleep: every waiting tab tries again as soon as its server
    // answers, without the pause.
    void OnResume(std::uint64_t now);
    // The tab waits no more; the page hears of it when it did.
    void CancelReconnect(const std::string& id);
    // Every waiting tab switched off, when the setting is.
    void CancelAllReconnects();
    // Tells a fresh page which tabs wait.
    void RetellReconnects();
    // A new session in the server's tab (or a new tab), with its password
    // opened for the connection alone; false when the server is unknown.
    bool ReopenTab(const std::string& id);

    // Temporary servers, typed into the search box and not saved: their
    // tabs know them, config.json does not.
    void OpenQuickTab(ServerRecord server);
    const ServerRecord* FindQuickServer(const std::string& id) const;
    // Moves it into the store; false when there is none by that id.
    bool TakeQuickServer(const std::string& id, ServerRecord* out);

    // The export's choice, for the save dialog that follows.
    void SetExportPasswords(bool include) { exportPasswords_ = include; }
    bool TakeExportPasswords() { return std::exchange(exportPasswords_, false); }

private:
    bool TakePasswordTurn();
    // A copy whose password is opened for one connection.
    ServerRecord ConnectionCopy(const ServerRecord& server);
    void PostReconnect(const std::string& id);
    void ProbeWaiting(const std::vector<std::string>& ids);

    AppConfig& config_;
    ControllerPorts ports_;
    ProbeResults probeResults_;
    PingBatch pings_;
    CloseHandshake close_;
    bool autoConnectDone_ = false;
    bool pageReady_ = false;
    bool recoveryNotice_ = false;
    int wrongPasswords_ = 0;
    bool passwordBusy_ = false;  // a derivation is running aside
    bool exportPasswords_ = false;
    ReconnectPlan reconnects_;
    std::map<std::string, ServerRecord> quickServers_;
};
