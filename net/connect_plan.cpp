#include "net/connect_plan.h"

namespace {

constexpr int kWsaTimedOut = 10060;
constexpr int kWsaConnRefused = 10061;
constexpr int kWsaNetUnreach = 10051;
constexpr int kWsaHostUnreach = 10065;

// Two attempts per address: the first gets half of the address's share.
constexpr int kTriesPerAddress = 2;

int Rank(ConnectOutcome outcome) {
    switch (outcome) {
        case ConnectOutcome::Connected:
            return 5;
        case ConnectOutcome::Refused:
            return 4;
        case ConnectOutcome::NoAnswer:
            return 3;
        case ConnectOutcome::Unreachable:
            return 2;
        default:
            return 1;
    }
}

}  // namespace

ConnectOutcome OutcomeOfError(int error) {
    switch (error) {
        case 0:
            return ConnectOutcome::Connected;
        case kWsaConnRefused:
            return ConnectOutcome::Refused;
        case kWsaTimedOut:
            return ConnectOutcome::NoAnswer;
        case kWsaNetUnreach:
        case kWsaHostUnreach:
            return ConnectOutcome::Unreachable;
        default:
            return ConnectOutcome::Failed;
    }
}

ConnectPlan::ConnectPlan(int addressCount, double deadlineMs)
    : addressCount_(addressCount), deadlineMs_(deadlineMs) {
    if (addressCount_ <= 0) done_ = true;
}

bool ConnectPlan::Next(double nowMs, Attempt* attempt) {
    if (done_ || running_) return false;
    if (nowMs >= deadlineMs_) {
        done_ = true;
        return false;
    }
    if (triesOfAddress_ == 0) {
        // What is left is shared by the addresses not tried yet.
        addressEndMs_ = nowMs + (deadlineMs_ - nowMs) / (addressCount_ - address_);
    }
    const double share = addressEndMs_ - nowMs;
    current_.address = address_;
    current_.answerByMs = triesOfAddress_ + 1 < kTriesPerAddress ? nowMs + share / 2 : addressEndMs_;
    ++triesOfAddress_;
    running_ = true;
    *attempt = current_;
    return true;
}

void ConnectPlan::Report(int error, double nowMs, double rttMs) {
    if (!running_) return;
    running_ = false;
    const ConnectOutcome outcome = OutcomeOfError(error);
    Record(error, outcome, rttMs);
    if (outcome == ConnectOutcome::Connected) {
        done_ = true;
        return;
    }
    // Only silence earns the address its second attempt: a reset or an
    // unreachable network is an answer.
    if (outcome != ConnectOutcome::NoAnswer || triesOfAddress_ >= kTriesPerAddress) NextAddress();
    if (nowMs >= deadlineMs_) done_ = true;
}

void ConnectPlan::Expire(double nowMs) {
    Report(kWsaTimedOut, nowMs, -1.0);
}

void ConnectPlan::Record(int error, ConnectOutcome outcome, double rttMs) {
    const int rank = Rank(outcome);
    if (rank <= verdictRank_) return;
    verdictRank_ = rank;
    verdict_.connected = outcome == ConnectOutcome::Connected;
    verdict_.address = current_.address;
    verdict_.error = error;
    verdict_.rttMs = verdict_.connected ? rttMs : -1.0;
}

void ConnectPlan::NextAddress() {
    ++address_;
    triesOfAddress_ = 0;
    if (address_ >= addressCount_) done_ = true;
}
