// The control classes the stand-in can stand in for: the documented ones
// that are not safe for scripting, each with what its page says it
// implements, and the stand-in's own class behind the ProgIDs.
#pragma once

#include <guiddef.h>

#include <cstddef>

struct ControlClass {
    const wchar_t* name;
    CLSID clsid;
    // The newest IMsRdpClient<N> the class implements (0: IMsTscAx only); it
    // decides which automation members the control has.
    int clientVersion;
    // The newest IMsRdpClientNonScriptable<N> (0: none).
    int nonScriptableVersion;
    bool extendedSettings;  // IMsRdpExtendedSettings
    const char* page;       // learn.microsoft.com/windows/win32/termserv/<page>
};

// Newest first, then the stand-in's own class.
const ControlClass* ControlClasses(std::size_t* count);
const ControlClass* FindControlClass(const CLSID& clsid);
const ControlClass* FindControlClassByName(const wchar_t* name);
// The class the ProgIDs resolve to: no page documents which class that is
// on a given machine, so the stand-in's is the oldest not-safe-for-scripting
// one (MsRdpClientNotSafeForScripting's interfaces).
const ControlClass& ProgIdClass();
