// The local drives the RDP control offers a session, each redirected or not
// on its own: the drive collection of IMsRdpClientNonScriptable3
// (learn.microsoft.com/windows/win32/termserv/imsrdpclientnonscriptable3-drivecollection),
// its drives (imsrdpdrive-redirectionstate) and their letters
// (imsrdpdrivev2-driveletterindex: 0 is "A"). Every one of these is
// vtable-only; the slots come from the control's type library.
#pragma once

#include <oaidl.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/com_ptr.h"
#include "rdp/type_library_slots_win.h"

class ControlDrives {
public:
    // Reads the control's drives, after a rescan that leaves any drive it
    // newly finds not redirected. False, with the reason in *error, when
    // the control, its type library or a drive does not answer.
    bool Open(IDispatch* control, IUnknown* nonScriptable3, std::string* error);

    // The letters of the drives found, in the collection's order ("CZ").
    std::string Letters() const;

    // Redirects each drive whose letter is in `chosen` (upper case), and no
    // other. False, with the reason in *error, at the first drive that
    // refuses; the drives before it have their new states.
    bool Choose(std::string_view chosen, std::string* error);

private:
    struct Drive {
        ComPtr<IUnknown> object;  // as IMsRdpDriveV2
        char letter;
    };

    struct Slots {
        int collection = -1;
        int rescan = -1;
        int count = -1;
        int byIndex = -1;
        int letterIndex = -1;
        int putState = -1;
    };

    bool ReadSlots(IDispatch* control, std::string* error);
    bool ReadDrive(IUnknown* collection, ULONG index, std::string* error);

    Slots slots_;
    std::vector<Drive> drives_;
};
