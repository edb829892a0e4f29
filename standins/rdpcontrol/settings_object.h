// The objects behind "AdvancedSettings<N>", "SecuredSettings<N>" and
// "TransportSettings<N>": each get
// makes a new one, which holds the control alive and keeps its values in the
// control, where Connect and the window read them. An object knows the
// members of its interface version and the older ones, no later ones.
#pragma once

#include <oaidl.h>

class RdpControl;

enum class SettingsFamily { kAdvanced, kSecured, kTransport };

// name: the control's property that handed the object out, for the journal.
HRESULT CreateSettingsObject(RdpControl* control, SettingsFamily family, int version, const wchar_t* name,
                             IDispatch** object);
