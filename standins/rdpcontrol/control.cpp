#include "standins/rdpcontrol/control.h"

#include <utility>

#include "standins/rdpcontrol/journal.h"
#include "standins/rdpcontrol/rdp_members.h"
#include "standins/rdpcontrol/text.h"

namespace {

constexpr int kDefaultConnectTimeoutMs = 5000;

// The VARIANTs of an event, last declared argument first, as COM delivers
// them.
class EventArguments {
public:
    explicit EventArguments(const PendingEvent& event) {
        for (long value : event.arguments) {
            VARIANT argument;
            VariantInit(&argument);
            argument.vt = VT_I4;
            argument.lVal = value;
            declared_.push_back(argument);
        }
        if (event.continueFlag) {
            VARIANT flag;
            VariantInit(&flag);
            flag.vt = VT_BYREF | VT_BOOL;
            flag.pboolVal = &continueValue_;
            declared_.push_back(flag);
        }
        reversed_.assign(declared_.rbegin(), declared_.rend());
    }

    DISPPARAMS params() {
        DISPPARAMS params = {};
        params.rgvarg = reversed_.empty() ? nullptr : reversed_.data();
        params.cArgs = static_cast<UINT>(reversed_.size());
        return params;
    }

    std::string text() const {
        std::string text;
        for (const VARIANT& argument : declared_) text += " " + ValueText(&argument);
        return text;
    }

private:
    VARIANT_BOOL continueValue_ = VARIANT_TRUE;  // "continue automatically"
    std::vector<VARIANT> declared_;
    std::vector<VARIANT> reversed_;
};

}  // namespace

RdpControl::RdpControl(const ControlClass& controlClass) : class_(controlClass), queue_(this) {}

RdpControl::~RdpControl() {
    DropConnection();
    if (drives_ != nullptr) drives_->Release();
    if (view_ != nullptr) DestroyWindow(view_);
    for (const EventSink& sink : sinks_) sink.dispatch->Release();
    if (inPlaceSite_ != nullptr) inPlaceSite_->Release();
    if (clientSite_ != nullptr) clientSite_->Release();
    for (auto& entry : extended_) VariantClear(&entry.second);
}

HRESULT RdpControl::Create(const ControlClass& controlClass, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    const HRESULT failure = FailureOption("create_fail_hr");
    if (failure != S_OK) return failure;
    RdpControl* control = new (std::nothrow) RdpControl(controlClass);
    if (control == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = control->queue_.ok() ? control->QueryInterface(iid, object) : E_FAIL;
    control->Release();
    return result;
}

HRESULT RdpControl::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleObject) {
        *object = static_cast<IOleObject*>(this);
    } else if (iid == IID_IDispatch && Option("no_dispatch") == 0) {
        *object = static_cast<IDispatch*>(this);
    } else if ((iid == IID_IOleInPlaceObject || iid == IID_IOleWindow) && Option("no_inplace_object") == 0) {
        *object = static_cast<IOleInPlaceObject*>(this);
    } else if (iid == IID_IConnectionPointContainer && Option("no_connection_points") == 0) {
        *object = static_cast<IConnectionPointContainer*>(this);
    } else if (iid == kIidMsRdpExtendedSettings && class_.extendedSettings &&
               Option("no_extended_settings") == 0) {
        *object = static_cast<IMsRdpExtendedSettings*>(this);
    } else if ((iid == IID_IMsTscNonScriptable && class_.nonScriptableVersion >= 1) ||
               (iid == IID_IMsRdpClientNonScriptable3 && class_.nonScriptableVersion >= 3)) {
        *object = static_cast<IMsRdpClientNonScriptable3*>(this);
    } else if (iid == IID_IPersistStreamInit) {
        *object = static_cast<IPersistStreamInit*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG RdpControl::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG RdpControl::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

void RdpControl::Repaint() {
    if (view_ != nullptr) InvalidateRect(view_, nullptr, TRUE);
}

HRESULT RdpControl::AddSink(IUnknown* sink, DWORD* cookie) {
    IDispatch* dispatch = nullptr;
    if (FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))) ||
        dispatch == nullptr)
        return CONNECT_E_CANNOTCONNECT;
    try {
        sinks_.push_back(EventSink{nextCookie_, dispatch});
    } catch (...) {
        dispatch->Release();
        return E_OUTOFMEMORY;
    }
    *cookie = nextCookie_++;
    return S_OK;
}

HRESULT RdpControl::RemoveSink(DWORD cookie) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
        if (it->cookie != cookie) continue;
        IDispatch* dispatch = it->dispatch;
        sinks_.erase(it);
        dispatch->Release();
        return S_OK;
    }
    return CONNECT_E_NOCONNECTION;
}

// A handler may call back into the control, pump messages (and so come back
// here), Close it or drop the last reference to it: the control keeps itself
// alive until the loop is over, and a Close empties the queue.
void RdpControl::DeliverEvents() {
    // While the authentication dialog is up the session waits for the user:
    // what arrives meanwhile fires once it has closed.
    if (authDialog_.up()) return;
    SelfReference self(static_cast<IOleObject*>(this));
    try {
        PendingEvent event;
        while (queue_.Take(&event)) {
            if (event.generation != 0 && event.generation != generation_) continue;
            if (event.effect == EventEffect::kAuthDialog) {
                ShowAuthDialog(event);
            } else {
                Fire(event);
            }
        }
    } catch (...) {
    }
}

// OnAuthenticationWarningDisplayed before the dialog shows,
// OnAuthenticationWarningDismissed after it has gone; nothing of a
// connection dropped meanwhile (Close, Disconnect) fires.
void RdpControl::ShowAuthDialog(const PendingEvent& displayed) {
    const unsigned generation = generation_;
    Fire(displayed);
    if (generation != generation_) return;
    authDialog_.Run(view_, Option("auth_dialog_ms"));
    if (generation != generation_) return;
    PendingEvent dismissed;
    dismissed.dispid = kOnAuthenticationWarningDismissed;
    Fire(dismissed);
}

void RdpControl::ViewReleaseFocus(long direction) {
    if (state_ != SessionState::kConnected) return;
    PendingEvent released;
    released.generation = generation_;
    released.dispid = kOnFocusReleased;
    released.arguments = {direction};
    queue_.Post(std::move(released));
}

void RdpControl::Fire(const PendingEvent& event) {
    Apply(event);
    EventArguments arguments(event);
    Journal("event " + std::to_string(event.dispid) + arguments.text());
    // Handlers may unadvise (or advise) while the event goes round.
    std::vector<IDispatch*> receivers;
    for (const EventSink& sink : sinks_) {
        sink.dispatch->AddRef();
        receivers.push_back(sink.dispatch);
    }
    for (IDispatch* receiver : receivers) {
        DISPPARAMS params = arguments.params();
        receiver->Invoke(event.dispid, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                         nullptr, nullptr);
        receiver->Release();
    }
}

void RdpControl::Apply(const PendingEvent& event) {
    switch (event.effect) {
        case EventEffect::kConnected:
            state_ = SessionState::kConnected;
            break;
        case EventEffect::kEnded:
            state_ = SessionState::kDisconnected;
            lastReason_ = event.arguments.empty() ? 0 : event.arguments[0];
            break;
        case EventEffect::kResized:
            if (event.arguments.size() == 2) {
                remoteKnown_ = true;
                remoteWidth_ = event.arguments[0];
                remoteHeight_ = event.arguments[1];
            }
            break;
        case EventEffect::kNone:
        case EventEffect::kAuthDialog:
            return;
    }
    Repaint();
}

HRESULT RdpControl::Connect() {
    if (state_ == SessionState::kConnecting || state_ == SessionState::kConnected) return E_UNEXPECTED;
    DropConnection();
    ConnectionRequest request;
    request.host = properties_.Text(kServer);
    request.port = advanced_.Number(AdvancedMember(kRdpPort));
    const long timeout = Option("connect_timeout_ms");
    request.timeoutMs = timeout > 0 ? static_cast<int>(timeout) : kDefaultConnectTimeoutMs;
    request.authDialog = Option("auth_dialog_ms") != 0;
    request.generation = ++generation_;

    state_ = SessionState::kConnecting;
    lastReason_ = 0;
    // "Specifies if the client control should have the focus while
    // connecting" (imsrdpclientadvancedsettings-grabfocusonconnect.md); a
    // window of another process keeps it.
    if (advanced_.Number(AdvancedMember(kGrabFocusOnConnect)) != 0 && view_ != nullptr) {
        DWORD focusProcess = 0;
        const HWND focused = GetFocus();
        if (focused != nullptr) GetWindowThreadProcessId(focused, &focusProcess);
        if (focused == nullptr || focusProcess == GetCurrentProcessId()) SetFocus(view_);
    }
    remoteKnown_ = true;
    remoteWidth_ = properties_.Number(ControlMember(kDesktopWidth));
    remoteHeight_ = properties_.Number(ControlMember(kDesktopHeight));
    PendingEvent connecting;
    connecting.dispid = kOnConnecting;
    queue_.Post(std::move(connecting));
    connection_ = std::make_unique<Connection>(&queue_, std::move(request));
    if (!connection_->started()) {
        connection_.reset();
        PendingEvent failed;
        failed.generation = generation_;
        failed.dispid = kOnDisconnected;
        failed.arguments = {kReasonSocketConnectFailed};
        failed.effect = EventEffect::kEnded;
        queue_.Post(std::move(failed));
    }
    Repaint();
    DeliverInsideCall();
    return S_OK;
}

// The platform's control may fire inside the call that caused an event, and
// may run a message loop of its own there (its credential and certificate
// prompts do): what the container posted to itself is then handled before
// the call returns.
void RdpControl::DeliverInsideCall() {
    if (Option("pump_in_calls") != 0) PumpWaitingMessages();
    if (Option("sync_events") != 0) DeliverEvents();
}

void PumpWaitingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void RdpControl::Disconnect() {
    if (state_ != SessionState::kConnecting && state_ != SessionState::kConnected) return;
    DropConnection();
    state_ = SessionState::kDisconnected;
    lastReason_ = kReasonLocal;
    PendingEvent disconnected;
    disconnected.dispid = kOnDisconnected;
    disconnected.arguments = {kReasonLocal};
    queue_.Post(std::move(disconnected));
    Repaint();
    DeliverInsideCall();
}

void RdpControl::DropConnection() {
    ++generation_;
    connection_.reset();
    authDialog_.End();
}

std::wstring RdpControl::StateText() const {
    switch (state_) {
        case SessionState::kNotConnected:
            return L"not connected";
        case SessionState::kConnecting:
            return L"connecting";
        case SessionState::kConnected:
            return L"connected";
        case SessionState::kDisconnected:
            break;
    }
    return L"disconnected (" + std::to_wstring(lastReason_) + L")";
}

std::vector<std::wstring> RdpControl::ViewLines() const {
    const long port = advanced_.Number(AdvancedMember(kRdpPort));
    const std::wstring user = properties_.Text(kUserName);
    const std::wstring domain = properties_.Text(kDomain);
    const long width = remoteKnown_ ? remoteWidth_ : properties_.Number(ControlMember(kDesktopWidth));
    const long height = remoteKnown_ ? remoteHeight_ : properties_.Number(ControlMember(kDesktopHeight));
    return {
        L"Server: " + properties_.Text(kServer) + L":" + std::to_wstring(port),
        L"User: " + (domain.empty() ? user : domain + L"\\" + user),
        L"Remote resolution: " + std::to_wstring(width) + L" x " + std::to_wstring(height),
        L"State: " + StateText(),
        std::wstring(L"SmartSizing: ") + (advanced_.Flag(kSmartSizing) ? L"on" : L"off"),
    };
}

void RdpControl::ViewDestroyed() {
    view_ = nullptr;
}
