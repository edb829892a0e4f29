// The classes of the platform's RDP control the sessions create.
#pragma once

#include <guiddef.h>

#include <cstddef>

struct RdpControlClass {
    const char* name;
    CLSID clsid;
};

// Newest first. Only the classes that are not safe for scripting: they carry
// the not-scriptable interfaces "PromptForCredentials" lives on
// (learn.microsoft.com/windows/win32/termserv/using-remote-desktop-web-connection).
// The list ends at the oldest class with everything the sessions use.
const RdpControlClass* RdpControlClasses(std::size_t* count);

// ProgIDs no page documents, tried only when none of the classes above can
// be created; the class one resolves to may lack interfaces the sessions use.
const wchar_t* const* RdpControlProgIds(std::size_t* count);
