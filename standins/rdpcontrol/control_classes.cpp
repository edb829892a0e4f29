#include "standins/rdpcontrol/control_classes.h"

#include <windows.h>

#include "standins/rdpcontrol/standin_control.h"

namespace {

// CLSIDs from each page's Requirements; the interface lists from each page's
// "This class implements the following interfaces".
const ControlClass kClasses[] = {
    {L"MsRdpClient12NotSafeForScripting",
     {0x3F859AA3, 0xC2D4, 0x4FAA, {0xB0, 0xE4, 0xFD, 0x0C, 0x9C, 0x4E, 0x5E, 0x3A}},
     10,
     8,
     true,
     "msrdpclient12notsafeforscripting"},
    {L"MsRdpClient11NotSafeForScripting",
     {0x1DF7C823, 0xB2D4, 0x4B54, {0x97, 0x5A, 0xF2, 0xAC, 0x5D, 0x7C, 0xF8, 0xB8}},
     10,
     7,
     true,
     "msrdpclient11notsafeforscripting"},
    {L"MsRdpClient10NotSafeForScripting",
     {0xA0C63C30, 0xF08D, 0x4AB4, {0x90, 0x7C, 0x34, 0x90, 0x5D, 0x77, 0x0C, 0x7D}},
     10,
     5,
     true,
     "msrdpclient10notsafeforscripting"},
    {L"MsRdpClient9NotSafeForScripting",
     {0x8B918B82, 0x7985, 0x4C24, {0x89, 0xDF, 0xC3, 0x3A, 0xD2, 0xBB, 0xFB, 0xCD}},
     9,
     5,
     true,
     "msrdpclient9notsafeforscripting"},
    {L"MsRdpClient8NotSafeForScripting",
     {0xA3BC03A0, 0x041D, 0x42E3, {0xAD, 0x22, 0x88, 0x2B, 0x78, 0x65, 0xC9, 0xC5}},
     8,
     5,
     true,
     "msrdpclient8notsafeforscripting"},
    {L"MsRdpClient7NotSafeForScripting",
     {0x54D38BF7, 0xB1EF, 0x4479, {0x96, 0x74, 0x1B, 0xD6, 0xEA, 0x46, 0x52, 0x58}},
     7,
     5,
     true,
     "msrdpclient7notsafeforscripting"},
    {L"MsRdpClient6NotSafeForScripting",
     {0xD2EA46A7, 0xC2BF, 0x426B, {0xAF, 0x24, 0xE1, 0x9C, 0x44, 0x45, 0x63, 0x99}},
     6,
     4,
     false,
     "msrdpclient6notsafeforscripting"},
    {L"MsRdpClient5NotSafeForScripting",
     {0x4EB2F086, 0xC818, 0x447E, {0xB3, 0x2C, 0xC5, 0x1C, 0xE2, 0xB3, 0x0D, 0x31}},
     5,
     3,
     false,
     "msrdpclient5notsafeforscripting"},
    {L"MsRdpClient4NotSafeForScripting",
     {0x6AE29350, 0x321B, 0x42BE, {0xBB, 0xE5, 0x12, 0xFB, 0x52, 0x70, 0xC0, 0xDE}},
     4,
     2,
     false,
     "msrdpclient4notsafeforscripting"},
    {L"MsRdpClient3NotSafeForScripting",
     {0xACE575FD, 0x1FCF, 0x4074, {0x94, 0x01, 0xEB, 0xAB, 0x99, 0x0F, 0xA9, 0xDE}},
     3,
     1,
     false,
     "msrdpclient3notsafeforscripting"},
    {L"MsRdpClient2NotSafeForScripting",
     {0x3523C2FB, 0x4031, 0x44E4, {0x9A, 0x3B, 0xF1, 0xE9, 0x49, 0x86, 0xEE, 0x7F}},
     2,
     1,
     false,
     "msrdpclient2notsafeforscripting"},
    {L"MsRdpClientNotSafeForScripting",
     {0x7CACBD7B, 0x0D99, 0x468F, {0xAC, 0x33, 0x22, 0xE4, 0x95, 0xC0, 0xAF, 0xE5}},
     1,
     1,
     false,
     "msrdpclientnotsafeforscripting"},
    {L"MsTscAxNotSafeForScripting",
     {0xA41A4187, 0x5A86, 0x4E26, {0xB4, 0x0A, 0x85, 0x6F, 0x90, 0x35, 0xD9, 0xCB}},
     1,
     1,
     false,
     "mstscaxnotsafeforscripting"},
    {L"Tavolin stand-in (ProgIDs)", kStandinControlClsid, 1, 1, false, "msrdpclientnotsafeforscripting"},
};

constexpr std::size_t kCount = sizeof(kClasses) / sizeof(kClasses[0]);

}  // namespace

const ControlClass* ControlClasses(std::size_t* count) {
    *count = kCount;
    return kClasses;
}

const ControlClass* FindControlClass(const CLSID& clsid) {
    for (const ControlClass& entry : kClasses) {
        if (IsEqualCLSID(entry.clsid, clsid)) return &entry;
    }
    return nullptr;
}

const ControlClass* FindControlClassByName(const wchar_t* name) {
    for (const ControlClass& entry : kClasses) {
        if (lstrcmpiW(entry.name, name) == 0) return &entry;
    }
    return nullptr;
}

const ControlClass& ProgIdClass() {
    return kClasses[kCount - 1];
}
