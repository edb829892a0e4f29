#include "rdp/control_classes.h"

namespace {

// Each CLSID is the one its class's page gives
// (learn.microsoft.com/windows/win32/termserv/msrdpclient<N>notsafeforscripting).
// MsRdpClient7NotSafeForScripting is the oldest that implements
// IMsRdpExtendedSettings (the scale factors, EnableZoom), and with it
// IMsRdpClient5's GetErrorDescription, IMsRdpClientNonScriptable3 and
// AdvancedSettings7's EnableCredSspSupport.
const RdpControlClass kClasses[] = {
    {"MsRdpClient12NotSafeForScripting",
     {0x3F859AA3, 0xC2D4, 0x4FAA, {0xB0, 0xE4, 0xFD, 0x0C, 0x9C, 0x4E, 0x5E, 0x3A}}},
    {"MsRdpClient11NotSafeForScripting",
     {0x1DF7C823, 0xB2D4, 0x4B54, {0x97, 0x5A, 0xF2, 0xAC, 0x5D, 0x7C, 0xF8, 0xB8}}},
    {"MsRdpClient10NotSafeForScripting",
     {0xA0C63C30, 0xF08D, 0x4AB4, {0x90, 0x7C, 0x34, 0x90, 0x5D, 0x77, 0x0C, 0x7D}}},
    {"MsRdpClient9NotSafeForScripting",
     {0x8B918B82, 0x7985, 0x4C24, {0x89, 0xDF, 0xC3, 0x3A, 0xD2, 0xBB, 0xFB, 0xCD}}},
    {"MsRdpClient8NotSafeForScripting",
     {0xA3BC03A0, 0x041D, 0x42E3, {0xAD, 0x22, 0x88, 0x2B, 0x78, 0x65, 0xC9, 0xC5}}},
    {"MsRdpClient7NotSafeForScripting",
     {0x54D38BF7, 0xB1EF, 0x4479, {0x96, 0x74, 0x1B, 0xD6, 0xEA, 0x46, 0x52, 0x58}}},
};

const wchar_t* const kProgIds[] = {
    L"MsTscAx.MsTscAx.12", L"MsTscAx.MsTscAx.11", L"MsTscAx.MsTscAx.10",
    L"MsRdpClient.9",      L"MsRdpClient.8",      L"MsTscAx.MsTscAx",
};

}  // namespace

const RdpControlClass* RdpControlClasses(std::size_t* count) {
    *count = sizeof(kClasses) / sizeof(kClasses[0]);
    return kClasses;
}

const wchar_t* const* RdpControlProgIds(std::size_t* count) {
    *count = sizeof(kProgIds) / sizeof(kProgIds[0]);
    return kProgIds;
}
