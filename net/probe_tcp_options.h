// Values of TCP_INITIAL_RTO_PARAMETERS a probe socket asks for, kept apart
// from mstcpip.h so the choice is visible and compared with the header's
// documented constants where both are seen (probe_engine_win.cpp).
#pragma once

// TCP_INITIAL_RTO_UNSPECIFIED_RTT: the round-trip estimate stays the
// administrator's.
constexpr unsigned short kRttUnspecified = 0xFFFF;
// TCP_INITIAL_RTO_NO_SYN_RETRANSMISSIONS: the SYN is sent once.
constexpr unsigned char kNoSynRetransmissions = 0xFE;
