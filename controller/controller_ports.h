// What the page-command dispatcher reaches the rest of the program through.
// The program gives it the tab registry, the main window, the probe
// scheduler, the start-up password and the host's environment; tests and
// the native build give it fakes, so the dispatcher needs no operating
// system.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "config/app_config.h"
#include "net/probe.h"

// A rectangle in client pixels of the main window.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool empty() const { return right <= left || bottom <= top; }
    friend bool operator==(const PixelRect& a, const PixelRect& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
};

// The open remote desktops, one tab per server, and where they are shown.
class ITabs {
public:
    virtual ~ITabs() = default;
    // Opens a tab for the server, or activates the one it has.
    virtual void OpenTab(const ServerRecord& server) = 0;
    // Closes the server's tab, if any; the page hears of it either way.
    virtual void CloseTab(const std::string& id) = 0;
    // Activates the tab delta places further, cyclically.
    virtual void SwitchTab(int delta) = 0;
    // Makes an open tab the active one and lays out; no event. False when
    // the server has no tab.
    virtual bool ActivateTab(const std::string& id) = 0;
    // Asks the session of the server's tab, if any, to disconnect.
    virtual void Disconnect(const std::string& id) = 0;
    // A new session in the server's tab, where the tab is and as it is
    // shown (active or not); a new tab when it has none. The tab stays
    // open whatever becomes of that session.
    virtual void ReopenTab(const ServerRecord& server) = 0;
    // A short text shown beside the tab's name outside the page (the
    // full-screen bar); "" for none.
    virtual void SetTabNote(const std::string& id, const std::string& note) = 0;

    // The main window's client area, in device pixels.
    virtual PixelRect ClientRect() const = 0;
    // The dots per inch of the monitor the main window is on (96 at 100 %):
    // the page measures in CSS pixels of 96 to the inch.
    virtual int WindowDpi() const = 0;
    // The page's content area, and whether a dialog covers it.
    virtual void SetContentHidden(bool hidden) = 0;
    virtual void SetContentRect(const PixelRect& rect) = 0;
    virtual void LayoutSessions() = 0;

    virtual int TabCount() const = 0;
    // Tabs whose session is connected.
    virtual int ConnectedCount() const = 0;
    // Given to the session of every open tab.
    virtual void SetChangeRemoteResolution(bool on) = 0;
    // Tells a fresh page every open tab, each session's state and the
    // active tab again, as it was told them: a reloaded page knows none.
    virtual void RetellTabs() = 0;
};

// The main window's part in the page's commands.
class IMainWindow {
public:
    virtual ~IMainWindow() = default;
    // Posts WM_CLOSE: the close handling asks the page first.
    virtual void PostClose() = 0;
    // Posts the request for the export with its save dialog.
    virtual void PostExportDialog() = 0;
    // Posts the request for the server's .rdp file with its save dialog.
    virtual void PostRdpExportDialog(const std::string& id) = 0;
    virtual void Minimize() = 0;
    // Restores a maximized window, maximizes any other.
    virtual void ToggleMaximize() = 0;
    virtual void ToggleFullscreen() = 0;
    // The dark or light title bar from the store's dark-theme setting.
    virtual void ApplyTitleBarTheme() = 0;
    // Stops the periodic probe timer and, when periodMs is above 0, starts
    // it again with that period.
    virtual void RestartProbeTimer(unsigned periodMs) = 0;
    // Calls due once on the interface thread after about delayMs; asked
    // again before that, it forgets the earlier call and waits anew.
    virtual void ArmPingFlush(unsigned delayMs, std::function<void()> due) = 0;
    // Runs work on a thread of its own, then done on the interface thread:
    // the start-up password's derivations take most of a second. work gets
    // only copies; done may find the controller's state changed meanwhile.
    virtual void RunAside(std::function<void()> work, std::function<void()> done) = 0;
    // True while a command-line expression waits to be evaluated in the page.
    virtual bool EvalPending() const = 0;
    virtual void ArmEvalTimer() = 0;
    // Opens the system's RDP client through the shell with these arguments.
    virtual void OpenExternalClient(const std::string& arguments) = 0;
};

// The reachability monitor.
class IProbes {
public:
    virtual ~IProbes() = default;
    // One sweep: replaces the jobs still waiting.
    virtual void Submit(const std::vector<ProbeJob>& jobs) = 0;
    virtual void SetTimeout(int timeoutMs) = 0;
};

// The start-up password (a slow, salted verifier kept in the store; the key
// it unlocks in memory). Each call may take a derivation's time.
class IStartupPassword {
public:
    virtual ~IStartupPassword() = default;
    // Only reads config's security settings; safe on any thread.
    virtual bool Verify(const AppConfig& config, const std::string& password) = 0;
    // The slow half of setting a password, safe on any thread: its salt,
    // verifier and key. The returned step is the fast half, for the
    // interface thread: every server password sealed under the new key and
    // the store saved once; false, with the store unchanged, when anything
    // failed. An empty step: the derivation failed.
    virtual std::function<bool(AppConfig&)> PrepareSet(const std::string& password,
                                                       const std::string& hint) = 0;
    // Turns the protection off the same way.
    virtual bool Clear(AppConfig& config) = 0;
};

// Whether the RDP control can be created, as the start-up detection found.
struct ControlAvailability {
    bool available = false;
    std::string className;
};

// What the program knows of the machine it runs on.
class IHostEnvironment {
public:
    virtual ~IHostEnvironment() = default;
    // False and empty until the detection has reported.
    virtual ControlAvailability RdpControl() const = 0;
    // The path made absolute and normalised the way the file system sees
    // it; the path itself when the system cannot tell.
    virtual std::string FullPath(const std::string& path) const = 0;
    // Whether a full path lies on a drive letter mapped to a network share,
    // which a file written there leaves the machine as a UNC path would.
    virtual bool OnNetworkDrive(const std::string& fullPath) const = 0;
};
