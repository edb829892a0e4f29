// The stand-in RDP client control: an in-process COM server that takes the
// place of the platform's remote desktop ActiveX control on machines that do
// not have it. Test and preview equipment only.
//
// Tests load the same DLL that COM loads (LoadLibraryW of kStandinDllName,
// then GetProcAddress), so the functions below reach the very objects the
// program under test created.
//
// Journal: every call the control receives is one line, in arrival order.
//   put <Name>=<value>                 property put on the control itself
//   put <Object>.<Name>=<value>        put on the object the control's
//                                      property <Object> ("AdvancedSettings9",
//                                      "SecuredSettings2", ...) handed out
//   vtable <method> [<value>]          IMsTscNonScriptable ..
//                                      IMsRdpClientNonScriptable3, the
//                                      drive collection and its drives
//                                      (drive_collection.h)
//   get <Name>                         property get on the control
//   call <Method> [<i4> ...]           method, arguments in declared order
//   call GetErrorDescription(get|method) <reason> <extended>
//   SetClientSite site|null            IOleObject
//   SetHostNames <container> <document>
//   DoVerb <verb> <left> <top> <right> <bottom>
//   Close <option>
//   SetObjectRects <l> <t> <r> <b> / <l> <t> <r> <b>   position / clip
//   Advise                             IConnectionPoint
//   Unadvise
//   put_Property <Name>=<value>        IMsRdpExtendedSettings
//   event <dispid> [<value> ...]       an event fired to the advised sinks,
//                                      arguments in declared order
// A value is written as its type and content: "str:<utf-8>", "bool:<-1|0>",
// "i4:<n>", "ui4:<n>", "null" for a missing argument, "vt<type>" for anything else.
#pragma once

#include <windows.h>

// The classes: every documented not-safe-for-scripting class (control_classes.h),
// each with the interfaces and members its pages give it, and the stand-in's
// own class, which the ProgIDs name and which has the interfaces of the
// oldest one (MsRdpClientNotSafeForScripting).
// The stand-in's own class id and file name.
// {7A9D3C21-5B4E-4F8A-9C1D-2E3F4A5B6C7D}
constexpr CLSID kStandinControlClsid = {
    0x7A9D3C21, 0x5B4E, 0x4F8A, {0x9C, 0x1D, 0x2E, 0x3F, 0x4A, 0x5B, 0x6C, 0x7D}};
constexpr wchar_t kStandinDllName[] = L"tavolin_rdp_standin.dll";

// Options a test sets before the program creates or uses the control. All
// are 0 after StandinReset. A program started by a test gets its options
// from the environment: TAVOLIN_RDP_STANDIN_OPTIONS="name=value,..." HRESULT options fail the named call with
// that HRESULT when non-zero.
//   "create_fail_hr"            the class factory's CreateInstance
//   "no_dispatch"               QueryInterface for IDispatch fails
//   "no_inplace_object"         QueryInterface for IOleInPlaceObject fails
//   "no_connection_points"      QueryInterface for IConnectionPointContainer fails
//   "no_exact_connection_point" FindConnectionPoint fails; enumeration still works
//   "advise_fail_hr"            IConnectionPoint::Advise
//   "no_extended_settings"      QueryInterface for IMsRdpExtendedSettings fails
//   "no_type_info"              IDispatch has no type information to give
//   "redirection_state_fail_hr" IMsRdpDrive::put_RedirectionState
//   "extended_settings_fail_hr" IMsRdpExtendedSettings::put_Property
//   "doverb_fail_hr"            IOleObject::DoVerb
//   "no_window"                 DoVerb succeeds without making a window
//   "no_advanced_settings2"     the "AdvancedSettings2" get gives VT_EMPTY
//   "no_advanced_settings"      the same for "AdvancedSettings"
//   "no_secured_settings2"      the same for "SecuredSettings2"
//   "no_transport_settings"     the same for "TransportSettings" and
//                               "TransportSettings2"
//   "smart_sizing_fail_hr"      the "SmartSizing" put
//   "connect_fail_hr"           the "Connect" method (no connection is made)
//   "update_display_fail_hr"    "UpdateSessionDisplaySettings" fails with this
//   "update_display_fail_times" ... this many times, then works again
//   "extended_reason"           the value "ExtendedDisconnectReason" gives
//   "extended_reason_fail_hr"   the "ExtendedDisconnectReason" get
//   "error_description_mode"    how "GetErrorDescription" answers:
//       0 as a property get and as a method; 1 the property get fails;
//       2 the property get gives VT_EMPTY; 3 both fail; 4 both give VT_I4 0
//   "connect_timeout_ms"        how long "Connect" waits for the TCP
//                               connection (0 means 5000)
//   "sync_events"               "Connect" and "Disconnect" fire what they
//                               queued (OnConnecting, OnDisconnected) before
//                               they return, inside the caller's call
//   "auth_dialog_ms"            once the server has answered, the control's
//                               authentication dialog comes up before
//                               OnConnected: OnAuthenticationWarningDisplayed
//                               (18), the dialog (window title "Remote
//                               Desktop Connection", modal: the holding
//                               top-level window is disabled meanwhile), then
//                               OnAuthenticationWarningDismissed (19). It
//                               closes itself after this many ms; below 0 it
//                               stays until closed (WM_CLOSE or a click on it)
//   "pump_in_calls"             "Connect" and "Disconnect" dispatch the
//                               thread's waiting messages before they return,
//                               as a control showing a prompt would
//   "pump_in_doverb"            so does an in-place activation (DoVerb), once
//                               the control's window exists
extern "C" {
typedef void(__stdcall* StandinResetFn)();
typedef void(__stdcall* StandinSetOptionFn)(const char* name, long value);
// The text "GetErrorDescription" returns (UTF-16; null gives a null BSTR).
typedef void(__stdcall* StandinSetErrorDescriptionFn)(const wchar_t* text);
// Copies the journal (UTF-8, lines ended by "\n") into buffer when it fits
// and returns its length in bytes without the terminating zero.
typedef int(__stdcall* StandinJournalFn)(char* buffer, int capacity);
typedef void(__stdcall* StandinClearJournalFn)();
// COM objects of the stand-in alive now (controls, settings objects,
// connection points, enumerators, class factories): 0 once everything the
// program took has been released.
typedef long(__stdcall* StandinLiveObjectsFn)();
// Registers under HKEY_CLASSES_ROOT the classes and ProgIDs listed by name
// (";"-separated, e.g. "MsRdpClient9NotSafeForScripting;MsTscAx.MsTscAx")
// and removes the others; null registers every documented class and every
// ProgID the program looks for. Returns an HRESULT. DllRegisterServer is
// StandinRegister(null).
typedef long(__stdcall* StandinRegisterFn)(const wchar_t* progIds);
}
// Exported names: "StandinReset", "StandinSetOption",
// "StandinSetErrorDescription", "StandinJournal", "StandinClearJournal",
// "StandinLiveObjects", "StandinRegister"; and DllGetClassObject,
// DllCanUnloadNow, DllRegisterServer, DllUnregisterServer (which removes
// every class and ProgID).
//
// The connection: "Connect" posts OnConnecting (1), then connects over TCP
// to "Server" at "RDPPort" (3389 when never put) on a worker thread, and on
// the user-interface thread fires:
//   port answers             OnConnected (2), then OnLoginComplete (3)
//   refused                  OnDisconnected (4) with 516
//   name does not resolve    OnDisconnected with 260
//   no answer in time        OnDisconnected with 264
// "Disconnect" while connecting or connected closes the connection and fires
// OnDisconnected with 1; otherwise it fails with E_FAIL (imstscax-disconnect). When the peer closes the
// connection without a "disconnect" line first, OnDisconnected with 2308
// (the socket closed); when reading from it fails (the peer reset it),
// with 1028.
//
// The peer drives further events by sending lines ("\n"-ended, ASCII):
//   disconnect <reason>              OnDisconnected(reason); the connection closes
//   fatal <code>                     OnFatalError (10)
//   logonerror <code>                OnLogonError (22)
//   warning <code>                   OnWarning (11)
//   reconnecting <reason> <attempt>  OnAutoReconnecting (17) with reason,
//                                    attempt and a by-reference continue flag
//   reconnected                      OnAutoReconnected (33): the automatic
//                                    reconnect has succeeded
//   size <width> <height>            OnRemoteDesktopSizeChange (12)
//   event <dispid> [<i4> ...]        any DISPID, arguments in declared order
// The keyboard: in a connected session, Ctrl+Alt+Right or Ctrl+Alt+Left
// pressed in the control's window (it takes the focus when clicked) fires
// OnFocusReleased (23) with 1 or -1.
// Event arguments are VT_I4 and, as COM delivers them, in reverse order in
// DISPPARAMS (the last declared argument first).
//
// Details of the above as the stand-in has them:
//   - Journal: gets on a settings object are "get <Object>.<Name>"; a get on
//     IMsRdpExtendedSettings is "get_Property <Name>". Every put is journaled
//     with the value that arrived, also when it is refused. "<i4>" in a
//     "call" line is the bare number (another type as its value text); an
//     "event" line gives values ("event 4 i4:2825"); OnAutoReconnecting's
//     by-reference flag shows as "vt16395" (VT_BYREF | VT_BOOL).
//   - An HRESULT option is what IDispatch::Invoke returns. When it is
//     DISP_E_EXCEPTION, a given EXCEPINFO is filled (scode E_FAIL, with a
//     description) as type-library automation does.
//   - "update_display_fail_times" 0 with "update_display_fail_hr" set fails
//     every call. Only calls while connected count; unconnected, the call
//     gives E_UNEXPECTED.
//   - "error_description_mode" failures give DISP_E_MEMBERNOTFOUND. A call
//     with DISPATCH_METHOD among its flags counts as the method, one with
//     only DISPATCH_PROPERTYGET as the property get. Until a test sets a
//     text after StandinReset, the answer is a sentence naming both reasons.
//   - "Connect" while connecting or connected gives E_UNEXPECTED. Puts
//     and gets are checked strictly: VT_BSTR, VT_BOOL or VT_I4 exactly, no
//     coercion. "ClearTextPassword" is write-only, as on the platform.
//   - OnConnecting and the OnDisconnected(1) of "Disconnect" are queued like
//     the worker's events: they fire when the thread pumps messages, and
//     inside the call only with "sync_events". Every IDispatch call holds a
//     reference to the control until it returns. An
//     empty "Server" counts as a name that does not resolve (260).
//   - Settings objects take numbers only among the values their pages list
//     (E_INVALIDARG otherwise): GatewayUsageMethod 0-4, the creds sources
//     0, 1 or 4, AuthenticationLevel, AudioRedirectionMode and
//     KeyboardHookMode 0-2, the 0/1 ones. ULONG members are VT_UI4. The
//     secured settings refuse every put while connecting or connected
//     (E_FAIL); ConnectToServerConsole takes nothing and gives S_FALSE.
//     GatewayPassword, like ClearTextPassword, is write-only.
//   - A name an object's interface version does not declare is unknown
//     (DISP_E_UNKNOWNNAME), as on the platform's control; so is
//     "DesktopScaleFactor", an extended setting. IMsRdpExtendedSettings
//     takes only the names, types and values its page gives.
//   - Close while connecting or connected closes the connection without an
//     event; nothing queued before Close fires after it.
//   - Each get of a settings object, FindConnectionPoint and
//     EnumConnectionPoints gives a new object that holds the control alive;
//     the sinks live in the control, so a cookie from one connection point
//     object unadvises through another.
//   - The window also answers WM_PRINTCLIENT, so PrintWindow captures it.
//   - While the authentication dialog is up nothing else fires: events that
//     arrive meanwhile (OnConnected, the peer's lines) wait until it has
//     closed. Close or Disconnect while it is up closes it without
//     OnAuthenticationWarningDismissed.
