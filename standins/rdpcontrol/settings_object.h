// The objects behind "AdvancedSettings2", "AdvancedSettings" and
// "SecuredSettings2": each get makes a new one, which holds the control
// alive and keeps its values in the control, where Connect and the window
// read them.
#pragma once

#include <oaidl.h>

class RdpControl;

enum class SettingsKind { kAdvanced2, kAdvanced, kSecured2 };

HRESULT CreateSettingsObject(RdpControl* control, SettingsKind kind, IDispatch** object);
