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

#include "config/app_config.h"
#include "core/com_ptr.h"
#include "core/win_handle.h"
#include "rdp/dispatch_calls.h"
#include "rdp/session_state.h"

class RdpFrame;
class RdpEventSink;

// True when a registered RDP control can be created; progId receives the
// ProgID found (when given). Releases the object at once.
bool ProbeRdpControl(std::string* progId);

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
    bool Create(HWND parent, const RECT& rect, const std::string& id);
    bool Connect(const ServerRecord& server, IRdpObserver* observer, bool changeRemoteResolution);
    void Disconnect();
    // Ends everything without a report; safe to call again.
    void Close();
    void SetBounds(const RECT& rect);
    void Show(bool visible);
    void Focus();

    void SetChangeRemoteResolution(bool on);
    void OnExitSizeMove();
    void RefreshStretch();

    // The control's events, delivered by the event sink.
    void OnControlEvent(DISPID id, const DISPPARAMS* args);

    const std::string& id() const { return id_; }
    const std::string& mode() const { return mode_; }
    SessionState state() const { return state_; }
    DWORD connectDeadline() const { return connectDeadline_; }
    bool everConnected() const { return everConnected_; }
    HWND hostWindow() const { return hostWindow_; }
    HWND controlWindow() const { return controlWindow_; }
    int remoteWidth() const { return remoteWidth_; }
    int remoteHeight() const { return remoteHeight_; }

    // The external client's window search: attempts, and the pause after
    // each unsuccessful one. 200 and 100 ms unless changed.
    void SetClientWindowSearch(int attempts, DWORD pauseMs);

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
    // The host window's one timer, shared by the throttle and the retries.
    static constexpr UINT_PTR kResizeTimer = 1;

    static LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnHostMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void SetState(SessionState state, std::int32_t code, const std::string& detail);
    SIZE HostClientSize() const;

    // The control.
    bool CreateControl(const ServerRecord& server);
    void ReleaseControl();
    void ApplySettings(const ServerRecord& server);
    void ApplyAdvancedSettings(IDispatch* advanced, const ServerRecord& server);
    void EnableZoom();
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
    std::string DisconnectReasonText(int reason);
    std::string AskControlForReason(int reason);

    // Display sizing.
    void SyncControlRect(int width, int height);
    void OnHostResized(int width, int height);
    void FlushPendingSize();
    void SendRemoteSize(int width, int height);
    bool SetSmartSizing(bool on);
    bool SmartSizingValue() const;
    bool HasFixedSize() const;
    void ArmResizeTimer(UINT ms);
    void KillResizeTimer();
    void RedrawControl();
    void FlipSmartSizing();

    // The external client.
    bool LaunchExternalClient(const ServerRecord& server);
    HWND FindClientWindow() const;
    void EmbedClientWindow(HWND window);
    void EndExternalClient(DWORD waitMs);  // also forgets its window

    HWND hostWindow_ = nullptr;
    HWND controlWindow_ = nullptr;
    std::string id_;
    std::string mode_ = "none";
    SessionState state_ = SessionState::Idle;
    bool everConnected_ = false;
    DWORD connectDeadline_ = 0;
    IRdpObserver* observer_ = nullptr;
    ServerRecord server_;
    ComPtr<IOleObject> oleObject_;
    ComPtr<IOleInPlaceObject> inPlaceObject_;
    ComPtr<IDispatch> dispatch_;
    ComPtr<IConnectionPoint> connectionPoint_;
    DWORD adviseCookie_ = 0;
    std::unique_ptr<RdpFrame> frame_;
    std::unique_ptr<RdpEventSink> eventSink_;
    UniqueHandle process_;
    DWORD processId_ = 0;
    int remoteWidth_ = 0;
    int remoteHeight_ = 0;
    int pendingWidth_ = 0;
    int pendingHeight_ = 0;
    int lastSentWidth_ = 0;
    int lastSentHeight_ = 0;
    bool resizeEnabled_ = false;
    bool resizeTimerPending_ = false;
    DWORD lastSendTick_ = 0;
    int resizeRetriesLeft_ = 3;
    int controlRectWidth_ = 0;
    int controlRectHeight_ = 0;
    bool changeRemoteResolution_ = true;

    int clientSearchAttempts_ = 200;
    DWORD clientSearchPauseMs_ = 100;
};
