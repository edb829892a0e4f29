// The program and the stand-in control each hold the control's interface
// ids and event numbers, written independently from the platform's
// documentation; a typo in either copy shows up here and not on a user's
// machine.
#include <gtest/gtest.h>

#include "rdp/control_events.h"
#include "rdp/disconnect_reason.h"
#include "rdp/ms_rdp_extended_settings.h"
#include "rdp/rdp_event_sink.h"

namespace standin {
#include "standins/rdpcontrol/rdp_interfaces.h"
}  // namespace standin

TEST(PlatformFacts, TheProgramAndTheStandInAgree) {
    EXPECT_TRUE(IsEqualIID(kIidMsTscAxEvents, standin::kIidMsTscAxEvents));
    EXPECT_TRUE(IsEqualIID(kIidMsRdpExtendedSettings, standin::kIidMsRdpExtendedSettings));
    const struct {
        DISPID program;
        DISPID standIn;
    } events[] = {
        {kOnConnecting, standin::kOnConnecting},
        {kOnConnected, standin::kOnConnected},
        {kOnLoginComplete, standin::kOnLoginComplete},
        {kOnDisconnected, standin::kOnDisconnected},
        {kOnFatalError, standin::kOnFatalError},
        {kOnWarning, standin::kOnWarning},
        {kOnRemoteDesktopSizeChange, standin::kOnRemoteDesktopSizeChange},
        {kOnAutoReconnecting, standin::kOnAutoReconnecting},
        {kOnLogonError, standin::kOnLogonError},
    };
    for (const auto& e : events) EXPECT_EQ(e.program, e.standIn);
    // Every reason the stand-in reports is one the program can name.
    for (long reason : {standin::kReasonLocal, standin::kReasonRemote, standin::kReasonDnsLookupFailed,
                        standin::kReasonTimedOut, standin::kReasonSocketConnectFailed}) {
        EXPECT_NE(KnownDisconnectReasonText(static_cast<int>(reason)), nullptr) << reason;
    }
}
