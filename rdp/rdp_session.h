// One remote desktop tab: a child window of the main window (the host
// window) that holds the platform's RDP control in place, or the embedded
// window of the system's external client when no control can be used.
//
// The session is also the control's container site: it answers on five COM
// faces. The controller owns it and deletes it after Close; COM reference
// counts never free it (AddRef gives 2, Release gives 1). Everything runs on
// the user-interface thread, a single-threaded apartment.
#pragma once

#include <ocidl.h>
#include <oleidl.h>
#include <servprov.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "config/app_config.h"
#include "core/com_ptr.h"
#include "core/win_handle.h"
#include "rdp/dispatch_calls.h"
#include "rdp/display_sizing_rules.h"
#include "rdp/external_client.h"
#include "rdp/session_state.h"

class RdpFrame;
class RdpEventSink;

// True when an RDP control can be created; className receives the name of
// the class (or the ProgID) found, when given. Releases the object at once.
bool ProbeRdpControl(std::string* className);

class RdpSession : public IOleClientSite,
                   public IOleInPlaceSite,
                   public IOleControlSite,
                   public IPropertyNotifySink,
                   public IServiceProvider {
public:
    RdpSession();
    virtual ~RdpSession();
    RdpSession(const RdpSession&) = delete;
    RdpSession& operator=(const RdpSession&) = delete;

    // rect is in client coordinates of parent. The host window starts hidden.
    // A session is created once: a second Create is refused.
    bool Create(HWND parent, const RECT& rect, const std::string& id);
    // True once the control or the external client has been started; the
    // external client's window is looked for afterwards, without blocking,
    // and a client that shows none is reported as failed. A session is
    // connected once: a second Connect is refused (reconnecting is a new
    // session).
    bool Connect(const ServerRecord& server, IRdpObserver* observer, bool changeRemoteResolution);
    // In mode "mstsc" the client is asked to close and the state moves to
    // disconnected once it has gone (or was ended after its grace time).
    void Disconnect();
    // Ends everything without a report; safe to call again.
    void Close();
    void SetBounds(const RECT& rect);
    void Show(bool visible);
    void Focus();

    void SetChangeRemoteResolution(bool on);
    void OnExitSizeMove();
    void RefreshStretch();
    // The main window is now on a monitor of another scale (WM_DPICHANGED).
    void OnDpiChanged();

    // The control's events, delivered by the event sink.
    void OnControlEvent(DISPID id, const DISPPARAMS* args);

    const std::string& id() const { return id_; }
    SessionMode mode() const { return mode_; }
    SessionState state() const { return state_; }
    DWORD connectDeadline() const { return connectDeadline_; }
    // Still connecting after its deadline, by the sessions' clock.
    bool ConnectOverdue() const;
    bool everConnected() const { return everConnected_; }
    HWND hostWindow() const { return hostWindow_; }
    HWND controlWindow() const { return controlWindow_; }
    int remoteWidth() const { return sizing_.remoteWidth; }
    int remoteHeight() const { return sizing_.remoteHeight; }

    // The external client this session starts when it cannot use a control:
    // the system's one unless changed before Connect.
    void SetExternalClientOptions(ExternalClientOptions options) { clientOptions_ = std::move(options); }
    // True while the external client's window is still looked for, or the
    // client is being waited for after Disconnect.
    bool WaitingForClient() const { return external_ && external_->waiting(); }

    // IUnknown, shared by every face.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** out) override;
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override;
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleInPlaceSite (and IOleWindow)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                               RECT* position, RECT* clip,
                                               OLEINPLACEFRAMEINFO* frameInfo) override;
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT requested) override;

    // IOleControlSite
    HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** out) override;
    HRESULT STDMETHODCALLTYPE TransformCoords(POINTL*, POINTF*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnFocus(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override { return E_NOTIMPL; }

    // IPropertyNotifySink
    HRESULT STDMETHODCALLTYPE OnChanged(DISPID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }

    // IServiceProvider
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** out) override;

private:
    // The host window's timers: the resize throttle and its retries share
    // one; the external client has its own (ExternalClient::OwnsTimer).
    static constexpr UINT_PTR kResizeTimer = 1;

    // Whatever the session calls out to (its observer, the control) may
    // close it, or even delete it, before the call returns. Code that goes
    // on after such a call asks Intact() first.
    struct Life {
        bool alive = true;
        unsigned closes = 0;
    };
    class CallGuard {
    public:
        explicit CallGuard(const std::shared_ptr<Life>& life) : life_(life), closes_(life->closes) {}
        bool Intact() const { return life_->alive && life_->closes == closes_; }

    private:
        std::shared_ptr<Life> life_;
        unsigned closes_;
    };
    CallGuard Guard() const { return CallGuard(life_); }

    static LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnHostMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void SetState(SessionState state, std::int32_t code, const std::string& detail);
    SIZE HostClientSize() const;

    // The control.
    bool CreateControl(const ServerRecord& server);
    bool InitialiseControl(IOleObject* object, const CallGuard& guard);
    bool ActivateControl(IOleObject* object, const CallGuard& guard);
    void ReleaseControl();
    void ApplySettings(const ServerRecord& server);
    void ApplyAdvancedSettings(const ServerRecord& server);
    void ApplyNonScriptableSettings(const ServerRecord& server);
    void ApplyExtendedSettings();
    void ApplyConnectionOptions(const ServerRecord& server);
    void ApplyOptionsOn(ControlObject object, IDispatch* target, int version,
                        const std::vector<ControlSetting>& settings);
    void ApplyDriveLetters(const ConnectionOptions& options);
    bool RedirectChosenDrives(const std::string& letters, std::string* error);
    ComPtr<IDispatch> NewestAdvancedSettings();
    bool PutStringProperty(const wchar_t* name, const std::string& value);
    bool PutBoolProperty(const wchar_t* name, bool value);
    bool PutIntProperty(const wchar_t* name, std::int32_t value);
    bool PutProperty(const wchar_t* name, Variant value);
    ComPtr<IDispatch> GetDispatchProperty(const wchar_t* name);
    HRESULT InvokeMethod(const wchar_t* name);
    void InvokeLogged(const wchar_t* name);

    // Events.
    void HookEvents();
    void OnConnected();
    void OnLoginComplete();
    void OnLaterControlEvent(DISPID id, const DISPPARAMS* args);
    void OnLogonError(int code);
    void OnAuthenticationDialog(bool shown);
    DWORD ConnectDeadlineFromNow() const;
    std::string DisconnectReasonText(int reason);
    std::string AskControlForReason(int reason);

    // Display sizing.
    void SyncControlRect(int width, int height);
    void OnHostResized(int width, int height);
    void FlushPendingSize();
    // evenIfSent: also when this size is the one sent last.
    void SendRemoteSize(int width, int height, bool evenIfSent = false);
    bool SetSmartSizing(bool on);
    bool SmartSizingValue() const;
    SizingMode CurrentSizingMode() const;
    void ArmResizeTimer(UINT ms);
    void KillResizeTimer();
    void RedrawControl();
    void FlipSmartSizing();

    // The external client: what each of its steps means for the session.
    bool StartExternalClient();
    void OnClientTimer(UINT_PTR id);
    void OnClientStep(ExternalClient::Step step);
    void OnClientWindowDestroyed(HWND window);
    void AskClientToClose();
    void ReleaseExternalClient();

    HWND hostWindow_ = nullptr;
    HWND controlWindow_ = nullptr;
    std::string id_;
    SessionMode mode_ = SessionMode::None;
    SessionState state_ = SessionState::Idle;
    bool everConnected_ = false;
    DWORD connectDeadline_ = 0;
    bool authDialogShown_ = false;  // the control's own; holds the deadline
    IRdpObserver* observer_ = nullptr;
    ServerRecord server_;
    ComPtr<IOleObject> oleObject_;
    ComPtr<IOleInPlaceObject> inPlaceObject_;
    ComPtr<IDispatch> dispatch_;
    // The newest advanced-settings object the control has: it declares the
    // settings of every older one.
    ComPtr<IDispatch> advanced_;
    int advancedVersion_ = 0;  // the N of "AdvancedSettings<N>"
    ComPtr<IConnectionPoint> connectionPoint_;
    DWORD adviseCookie_ = 0;
    std::unique_ptr<RdpFrame> frame_;
    ComPtr<RdpEventSink> eventSink_;
    RemoteSizing sizing_;
    bool resizeTimerPending_ = false;
    int controlRectWidth_ = 0;
    int controlRectHeight_ = 0;
    bool changeRemoteResolution_ = true;

    ExternalClientOptions clientOptions_;
    std::unique_ptr<ExternalClient> external_;

    bool created_ = false;
    bool connectStarted_ = false;
    std::shared_ptr<Life> life_ = std::make_shared<Life>();
};
