// The connection state of a remote desktop tab, and who hears of it. The
// numbers are shared with the page.
#pragma once

#include <cstdint>
#include <string>

enum class SessionState : std::int32_t {
    Idle = 0,          // created or closed; nothing running
    Connecting = 1,    // setting up, reconnecting, or an external client runs
    Connected = 2,     // connected or logged on
    Disconnected = 3,  // ended by the user, the server or the network
    Failed = 4,        // nothing could start, or a fatal or logon error
};

// What runs in a tab. The page knows each by its name.
enum class SessionMode : std::int32_t {
    None,     // "none": nothing running
    ActiveX,  // "activex": the RDP control in place
    Mstsc,    // "mstsc": the external client's window embedded
};

const char* SessionModeName(SessionMode mode);

class RdpSession;

// Implemented by the controller; called on the user-interface thread.
class IRdpObserver {
public:
    virtual ~IRdpObserver() = default;
    virtual void OnSessionState(RdpSession* session, SessionState state, std::int32_t code,
                                const std::string& detail) = 0;
    // The control gave the keyboard back (Ctrl+Alt+Left or Right): the
    // keys are meant for the program again, not for the remote desktop.
    virtual void OnFocusReleased(RdpSession* session) = 0;
    // Something the user should know that changes nothing of the state
    // (a dialog shown inside the remote session, say); a fixed text.
    virtual void OnSessionNotice(RdpSession* session, const std::string& text) = 0;
};
