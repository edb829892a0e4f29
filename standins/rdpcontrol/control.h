// The stand-in control: one COM object with the faces the program uses
// (IOleObject, IOleInPlaceObject, IDispatch, IConnectionPointContainer,
// IMsRdpExtendedSettings). Each face is defined in its own file; this one
// holds the session state they share.
//
// Threading: everything here runs on the thread that created the control
// (a single-threaded apartment), except the connection worker, which only
// ever queues events for that thread.
#pragma once

#include <ocidl.h>
#include <olectl.h>
#include <oleidl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "standins/rdpcontrol/auth_dialog.h"
#include "standins/rdpcontrol/connection.h"
#include "standins/rdpcontrol/control_classes.h"
#include "standins/rdpcontrol/dispatch_table.h"
#include "standins/rdpcontrol/event_queue.h"
#include "standins/rdpcontrol/module.h"
#include "standins/rdpcontrol/rdp_interfaces.h"
#include "standins/rdpcontrol/view_window.h"

// Generated from rdp_vtables.idl.
#include "rdp_vtables.h"

enum class SessionState { kNotConnected, kConnecting, kConnected, kDisconnected };

// Dispatches what the thread has waiting, as a control running a message
// loop of its own inside a call does.
void PumpWaitingMessages();

// Holds one reference to an object for the life of a scope.
class SelfReference {
public:
    explicit SelfReference(IUnknown* object) : object_(object) { object_->AddRef(); }
    ~SelfReference() { object_->Release(); }
    SelfReference(const SelfReference&) = delete;
    SelfReference& operator=(const SelfReference&) = delete;

private:
    IUnknown* object_;
};

class RdpControl final : public IOleObject,
                         public IOleInPlaceObject,
                         public IDispatch,
                         public IConnectionPointContainer,
                         public IMsRdpExtendedSettings,
                         public IMsRdpClientNonScriptable3,
                         public IPersistStreamInit,
                         private EventTarget,
                         private ViewSource,
                         private LiveObject {
public:
    // The class factory's CreateInstance for one of the classes.
    static HRESULT Create(const ControlClass& controlClass, REFIID iid, void** object);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IOleObject (control_ole.cpp)
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR container, LPCOLESTR document) override;
    HRESULT STDMETHODCALLTYPE Close(DWORD option) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker* moniker) override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD reserved, IDataObject** data) override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG message, IOleClientSite* activeSite, LONG index,
                                     HWND parent, LPCRECT position) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override;
    HRESULT STDMETHODCALLTYPE Update() override;
    HRESULT STDMETHODCALLTYPE IsUpToDate() override;
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* userType) override;
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) override;
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advises) override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* palette) override;

    // IOleWindow and IOleInPlaceObject (control_ole.cpp)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override;
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() override;
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;

    // IDispatch (control_dispatch.cpp)
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argErr) override;

    // IConnectionPointContainer (connection_points.cpp)
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    // IMsRdpExtendedSettings (extended_settings.cpp)
    HRESULT STDMETHODCALLTYPE put_Property(BSTR name, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE get_Property(BSTR name, VARIANT* value) override;

    // IMsTscNonScriptable .. IMsRdpClientNonScriptable3 (non_scriptable.cpp)
    HRESULT STDMETHODCALLTYPE put_ClearTextPassword(BSTR password) override;
    HRESULT STDMETHODCALLTYPE put_PortablePassword(BSTR password) override;
    HRESULT STDMETHODCALLTYPE get_PortablePassword(BSTR* password) override;
    HRESULT STDMETHODCALLTYPE put_PortableSalt(BSTR salt) override;
    HRESULT STDMETHODCALLTYPE get_PortableSalt(BSTR* salt) override;
    HRESULT STDMETHODCALLTYPE put_BinaryPassword(BSTR password) override;
    HRESULT STDMETHODCALLTYPE get_BinaryPassword(BSTR* password) override;
    HRESULT STDMETHODCALLTYPE put_BinarySalt(BSTR salt) override;
    HRESULT STDMETHODCALLTYPE get_BinarySalt(BSTR* salt) override;
    HRESULT STDMETHODCALLTYPE ResetPassword() override;
    HRESULT STDMETHODCALLTYPE NotifyRedirectDeviceChange(WPARAM wParam, LPARAM lParam) override;
    HRESULT STDMETHODCALLTYPE SendKeys(LONG count, VARIANT_BOOL* keyUp, LONG* keyData) override;
    HRESULT STDMETHODCALLTYPE put_UIParentWindowHandle(HWND window) override;
    HRESULT STDMETHODCALLTYPE get_UIParentWindowHandle(HWND* window) override;
    HRESULT STDMETHODCALLTYPE put_ShowRedirectionWarningDialog(VARIANT_BOOL show) override;
    HRESULT STDMETHODCALLTYPE get_ShowRedirectionWarningDialog(VARIANT_BOOL* show) override;
    HRESULT STDMETHODCALLTYPE put_PromptForCredentials(VARIANT_BOOL prompt) override;
    HRESULT STDMETHODCALLTYPE get_PromptForCredentials(VARIANT_BOOL* prompt) override;
    HRESULT STDMETHODCALLTYPE put_NegotiateSecurityLayer(VARIANT_BOOL negotiate) override;
    HRESULT STDMETHODCALLTYPE get_NegotiateSecurityLayer(VARIANT_BOOL* negotiate) override;
    HRESULT STDMETHODCALLTYPE put_EnableCredSspSupport(VARIANT_BOOL enable) override;
    HRESULT STDMETHODCALLTYPE get_EnableCredSspSupport(VARIANT_BOOL* enable) override;
    HRESULT STDMETHODCALLTYPE get_DriveCollection(IMsRdpDriveCollection** drives) override;

    // IPersistStreamInit (control_ole.cpp): a control is initialised once,
    // as new or from a stream, before anything else is asked of it
    // (learn.microsoft.com/windows/win32/api/ocidl/nf-ocidl-ipersiststreaminit-initnew).
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE IsDirty() override;
    HRESULT STDMETHODCALLTYPE Load(LPSTREAM stream) override;
    HRESULT STDMETHODCALLTYPE Save(LPSTREAM stream, BOOL clearDirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
    HRESULT STDMETHODCALLTYPE InitNew() override;

    const ControlClass& controlClass() const { return class_; }

    // For the settings objects.
    PropertyBag& advancedSettings() { return advanced_; }
    PropertyBag& securedSettings() { return secured_; }
    PropertyBag& transportSettings() { return transport_; }
    // Connecting or connected: the secured settings are refused then.
    bool InSession() const {
        return state_ == SessionState::kConnecting || state_ == SessionState::kConnected;
    }
    void Repaint();

    // For the connection point: the advised event sinks.
    HRESULT AddSink(IUnknown* sink, DWORD* cookie);
    HRESULT RemoveSink(DWORD cookie);

private:
    struct EventSink {
        DWORD cookie;
        IDispatch* dispatch;
    };

    explicit RdpControl(const ControlClass& controlClass);
    ~RdpControl();

    // EventTarget and ViewSource
    void DeliverEvents() override;
    std::vector<std::wstring> ViewLines() const override;
    void ViewDestroyed() override;
    void ViewReleaseFocus(long direction) override;

    // The session (control.cpp)
    HRESULT Connect();
    void Disconnect();
    void DropConnection();
    void Fire(const PendingEvent& event);
    void ShowAuthDialog(const PendingEvent& displayed);
    void DeliverInsideCall();
    void Apply(const PendingEvent& event);
    std::wstring StateText() const;

    // IDispatch's members (control_dispatch.cpp)
    HRESULT PutProperty(const Member& member, WORD flags, const DISPPARAMS& params, UINT* argErr);
    HRESULT GetProperty(const Member& member, const DISPPARAMS& params, VARIANT* result,
                        EXCEPINFO* exception);
    HRESULT GetSettingsObject(const Member& member, VARIANT* result);
    HRESULT InvokeMethod(const Member& member, WORD flags, const DISPPARAMS& params, VARIANT* result,
                         EXCEPINFO* exception, UINT* argErr);
    HRESULT UpdateDisplay(const std::vector<long>& arguments, EXCEPINFO* exception);
    HRESULT DescribeError(WORD flags, const std::vector<long>& arguments, VARIANT* result);

    // In-place activation (control_ole.cpp)
    HRESULT ActivateInPlace(IOleClientSite* activeSite, HWND parent);
    void DeactivateInPlace();

    HRESULT NonScriptablePut(const char* name, VARIANT_BOOL value, VARIANT_BOOL* stored);
    HRESULT NonScriptableGet(const char* name, VARIANT_BOOL stored, VARIANT_BOOL* value);

    const ControlClass& class_;
    volatile LONG references_ = 1;
    EventQueue queue_;
    std::unique_ptr<Connection> connection_;
    // Bumped whenever a connection is dropped, so that what its worker
    // queued before it stopped never fires.
    unsigned generation_ = 0;
    SessionState state_ = SessionState::kNotConnected;
    long lastReason_ = 0;
    bool remoteKnown_ = false;
    long remoteWidth_ = 0;
    long remoteHeight_ = 0;

    PropertyBag properties_;
    PropertyBag advanced_;
    PropertyBag secured_;
    PropertyBag transport_;
    std::map<std::wstring, VARIANT> extended_;
    // What arrived through the not-scriptable interfaces.
    VARIANT_BOOL showRedirectionWarning_ = VARIANT_TRUE;
    VARIANT_BOOL promptForCredentials_ = VARIANT_TRUE;
    VARIANT_BOOL negotiateSecurityLayer_ = VARIANT_TRUE;
    VARIANT_BOOL enableCredSsp_ = VARIANT_FALSE;
    // Made on first request; the same collection every time after.
    IMsRdpDriveCollection* drives_ = nullptr;

    std::vector<EventSink> sinks_;
    DWORD nextCookie_ = 1;

    bool initialised_ = false;
    IOleClientSite* clientSite_ = nullptr;
    IOleInPlaceSite* inPlaceSite_ = nullptr;
    HWND view_ = nullptr;
    AuthDialog authDialog_;
};
