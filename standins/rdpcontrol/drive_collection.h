// The control's collection of the local drives a session may redirect
// (imsrdpclientnonscriptable3-drivecollection): one object per drive letter
// the machine has, each with a redirection state the client sets.
// Journal lines: "vtable RescanDrives <bool>" and
// "vtable put_RedirectionState <letter>: <bool>".
#pragma once

#include "rdp_vtables.h"

// A new collection of the drives GetLogicalDrives reports, each to be
// redirected until a client says otherwise.
HRESULT NewDriveCollection(IMsRdpDriveCollection** collection);
