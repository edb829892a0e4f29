// The attempts of one probe, free of any socket: which address to try
// next, by when it must have answered, and what the probe reports. The
// whole probe, name resolution included, ends by its deadline; the
// addresses share what is left of it, and each address gets a second
// attempt of its own after one without an answer, so one lost SYN does not
// read as a time-out (the socket's own SYN retransmissions are switched off
// where the system allows it, see probe_engine_win.cpp).
#pragma once

#include <vector>

// How one connection attempt ended.
enum class ConnectOutcome {
    Connected,
    Refused,      // the host answered with a reset
    NoAnswer,     // nothing came back in time
    Unreachable,  // the network or the host cannot be reached
    Failed,       // any other error
};

// The outcome a Windows Sockets error stands for.
ConnectOutcome OutcomeOfError(int error);

// What the probe reports: the attempt that connected, else the most telling
// failure (refused, then no answer, then unreachable, then other errors),
// the first of its kind. State and address come from that same attempt.
struct ConnectVerdict {
    bool connected = false;
    int address = -1;  // -1: no attempt was made
    int error = 0;     // a Windows Sockets error, for ClassifyFailure
    double rttMs = -1.0;
};

class ConnectPlan {
public:
    struct Attempt {
        int address = -1;
        double answerByMs = 0.0;
    };

    ConnectPlan(int addressCount, double deadlineMs);

    // The attempt to start now, if one is due and none is running.
    bool Next(double nowMs, Attempt* attempt);
    // The running attempt ended; error is 0 when it connected.
    void Report(int error, double nowMs, double rttMs);
    // The running attempt's time is up: it ends without an answer.
    void Expire(double nowMs);

    bool running() const { return running_; }
    const Attempt& current() const { return current_; }
    bool done() const { return done_; }
    const ConnectVerdict& verdict() const { return verdict_; }

private:
    void Record(int error, ConnectOutcome outcome, double rttMs);
    void NextAddress();

    int addressCount_;
    double deadlineMs_;
    int address_ = 0;
    int triesOfAddress_ = 0;
    double addressEndMs_ = 0.0;
    bool running_ = false;
    bool done_ = false;
    Attempt current_;
    int verdictRank_ = 0;
    ConnectVerdict verdict_;
};
