// Tabs whose session the network took away, waiting to be reconnected: a
// tab waits until its server's probe answers again (the server is back, or
// the network is), then tries, with a growing pause after each attempt that
// fails. Times are milliseconds of any monotonic clock the caller keeps.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// True for the disconnect reasons that say the connection itself was lost
// (the network or the server went away); false for a logoff, the user's own
// or the server's deliberate disconnect and every security or licensing
// failure, which a new attempt would only repeat.
bool IsNetworkDisconnect(int reason);

// The pause before the attempt that follows the given number of failed
// ones: none before the first, then 5 s, 10 s, 30 s and a minute from then on.
std::uint64_t ReconnectDelayMs(int failures);

// How often a waiting tab's server is probed, whatever the sweep interval.
constexpr std::uint64_t kWaitingProbeEveryMs = 3000;

enum class ReconnectPhase {
    Waiting,     // for the probe's answer or the pause after a failure
    Connecting,  // an attempt is under way
};

struct ReconnectWait {
    ReconnectPhase phase = ReconnectPhase::Waiting;
    int attempts = 0;  // started so far
    std::uint64_t notBefore = 0;
    std::uint64_t nextProbe = 0;
    // The probe answered since the wait began or the last attempt failed:
    // an answer from before could be the server going down, not coming up.
    bool answered = false;
};

// What a tick asks of the caller.
struct ReconnectDue {
    std::vector<std::string> attempts;  // to be connected now
    std::vector<std::string> probes;    // whose server is to be probed now
};

class ReconnectPlan {
public:
    // The tab's session was connected and has ended with reason. True when
    // the tab now waits: only for a network reason while enabled.
    bool OnDropped(const std::string& id, int reason, bool enabled, std::uint64_t now);
    // The attempt under way for the tab ended without a connection (reason
    // as OnDisconnected gives it, or a failure's code). A network reason
    // brings the wait back with the next pause; anything else ends it.
    // False when the tab had no attempt under way.
    bool OnAttemptFailed(const std::string& id, int reason, std::uint64_t now);
    // The tab is connected again; true when it was waiting or connecting.
    bool OnConnected(const std::string& id) { return waits_.erase(id) > 0; }
    // The server's probe; online: its port answered.
    void OnProbe(const std::string& id, bool online);
    // Back from sleep: the pauses are over and old answers count no more;
    // every waiting server is probed at once.
    void OnResume(std::uint64_t now);
    // The user cancelled, closed the tab or switched the feature off.
    bool Cancel(const std::string& id) { return waits_.erase(id) > 0; }
    void CancelAll() { waits_.clear(); }

    // Starts the attempts that are due (their tabs move to Connecting).
    ReconnectDue Tick(std::uint64_t now);

    const ReconnectWait* Find(const std::string& id) const;
    const std::map<std::string, ReconnectWait>& waits() const { return waits_; }

private:
    std::map<std::string, ReconnectWait> waits_;
};
