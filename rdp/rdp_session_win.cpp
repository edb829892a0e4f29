// The session's life: host window, connect, disconnect, close, and the
// state reports.
#include "core/error_text.h"
#include "core/gdi_object.h"
#include "core/log.h"
#include "core/text.h"
#include "rdp/external_client_command.h"
#include "rdp/rdp_event_sink.h"
#include "rdp/rdp_frame.h"
#include "rdp/rdp_session.h"
#include "rdp/session_clock.h"

namespace {

constexpr wchar_t kHostClass[] = L"TavolinSessionHost";
constexpr DWORD kConnectDeadlineMs = 25000;

bool RegisterHostClass(WNDPROC procedure) {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kHostClass;
    registered = RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return registered;
}

}  // namespace

RdpSession::RdpSession() = default;

RdpSession::~RdpSession() {
    Close();
    life_->alive = false;
}

bool RdpSession::Create(HWND parent, const RECT& rect, const std::string& id) {
    // A second host window would leave the first one, and whatever runs
    // in it, without an owner.
    if (created_) {
        Log(kLogError, "会话 " + id_ + " 已经创建过，不能再次 Create");
        return false;
    }
    if (!RegisterHostClass(&RdpSession::HostWindowProc)) {
        Log(kLogError, "注册会话窗口类失败");
        return false;
    }
    id_ = id;
    hostWindow_ = CreateWindowExW(0, kHostClass, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, rect.left,
                                  rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                                  GetModuleHandleW(nullptr), this);
    if (hostWindow_ == nullptr) {
        Log(kLogError, "创建会话窗口失败：" + ErrorText(0));
        return false;
    }
    created_ = true;
    frame_ = std::make_unique<RdpFrame>(hostWindow_);
    eventSink_ = ComPtr<RdpEventSink>::Adopt(new RdpEventSink(this));
    return true;
}

bool RdpSession::Connect(const ServerRecord& server, IRdpObserver* observer, bool changeRemoteResolution) {
    // A second connection would leave the first control connected and
    // sending events, or a second client running, behind the tab's back.
    if (connectStarted_) {
        Log(kLogError, "会话 " + id_ + " 已经连接过，不能再次 Connect（重新连接请新建会话）");
        return false;
    }
    observer_ = observer;
    server_ = server;
    changeRemoteResolution_ = changeRemoteResolution;
    sizing_.resizeEnabled = true;
    sizing_.lastSentWidth = sizing_.lastSentHeight = 0;
    if (hostWindow_ == nullptr) {
        Log(kLogError, "Connect 之前必须先 Create");
        return false;
    }
    connectStarted_ = true;
    const CallGuard guard = Guard();
    SetState(SessionState::Connecting, 0, "正在连接 " + server_.host + " ...");
    if (!guard.Intact()) return false;
    if (CreateControl(server_)) {
        // Every setting is in place before the control starts connecting.
        // Its events may arrive inside the call: nothing of the session is
        // touched after it.
        InvokeLogged(L"Connect");
        return true;
    }
    if (!guard.Intact()) return false;  // closed while the control was being created
    if (StartExternalClient()) return true;
    SetState(SessionState::Failed, -1,
             IsSafeClientHost(server_.host) ? "无法创建远程桌面会话（控件与 mstsc 都不可用）"
                                            : "主机地址含有空格、引号或控制字符，无法打开会话");
    return false;
}

void RdpSession::Disconnect() {
    if (mode_ == SessionMode::Mstsc) {
        // The report follows once the client has gone.
        AskClientToClose();
        return;
    }
    if (dispatch_) {
        // The control may report its own disconnect inside the call, and
        // whoever hears it may close the session.
        const CallGuard guard = Guard();
        InvokeLogged(L"Disconnect");
        if (!guard.Intact()) return;
    }
    SetState(SessionState::Disconnected, 1, "已断开");
}

bool RdpSession::ConnectOverdue() const {
    // Compared as a signed distance so that the tick count's wrap after
    // 49.7 days does not fail a connection that has only just begun.
    return state_ == SessionState::Connecting && connectDeadline_ != 0 &&
           static_cast<std::int32_t>(SessionTicks() - connectDeadline_) > 0;
}

void RdpSession::Close() {
    ++life_->closes;
    // Also while the control is still being created (the tab closed from a
    // message the control dispatched): it must not keep a site that is
    // about to be deleted.
    if (oleObject_) {
        // Stop the events first: the control may fire while it is being
        // taken down, and nobody should hear of it any more.
        if (connectionPoint_) {
            connectionPoint_->Unadvise(adviseCookie_);
            connectionPoint_.reset();
            adviseCookie_ = 0;
        }
        if (dispatch_ && (state_ == SessionState::Connecting || state_ == SessionState::Connected)) {
            InvokeLogged(L"Disconnect");
        }
        // Held across the calls: the control may let go of the session's
        // site (and the session of its reference) inside them.
        const ComPtr<IOleObject> object = std::move(oleObject_);
        object->Close(OLECLOSE_NOSAVE);
        object->SetClientSite(nullptr);
        inPlaceObject_.reset();
        controlWindow_ = nullptr;
    }
    dispatch_.reset();
    advanced_.reset();
    ReleaseExternalClient();
    if (hostWindow_ != nullptr) {
        KillResizeTimer();
        DestroyWindow(hostWindow_);
        hostWindow_ = nullptr;
    }
    frame_.reset();
    if (eventSink_) eventSink_->Detach();
    eventSink_.reset();
    state_ = SessionState::Idle;
    mode_ = SessionMode::None;
}

void RdpSession::SetBounds(const RECT& rect) {
    if (hostWindow_ == nullptr) return;
    SetWindowPos(hostWindow_, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    const SIZE client = HostClientSize();
    if (controlWindow_ != nullptr) SyncControlRect(client.cx, client.cy);
    OnHostResized(client.cx, client.cy);
}

void RdpSession::Show(bool visible) {
    if (hostWindow_ != nullptr) ShowWindow(hostWindow_, visible ? SW_SHOW : SW_HIDE);
}

void RdpSession::Focus() {
    if (controlWindow_ != nullptr) SetFocus(controlWindow_);
}

void RdpSession::SetState(SessionState state, std::int32_t code, const std::string& detail) {
    if (state == SessionState::Connecting) {
        connectDeadline_ = ConnectDeadlineFromNow();
    } else if (state != SessionState::Idle) {
        connectDeadline_ = 0;
    }
    state_ = state;
    LogF(kLogInfo, "[会话 %s] 状态=%d code=%d %s", id_.c_str(), static_cast<int>(state),
         static_cast<int>(code), detail.c_str());
    if (observer_ != nullptr) observer_->OnSessionState(this, state, code, detail);
}

// 0 where no deadline applies. An embedded external client reports nothing
// and so never leaves the connecting state; a deadline would only close a
// working tab. A session that was connected once is being reconnected by
// the control, which gives up by itself after its own number of attempts
// (imsrdpclientadvancedsettings2-maxreconnectattempts) with OnDisconnected,
// and whose tab stays open then. While the control's authentication dialog
// is up the deadline is held.
DWORD RdpSession::ConnectDeadlineFromNow() const {
    if (mode_ == SessionMode::Mstsc || everConnected_ || authDialogShown_) return 0;
    return SessionTicks() + kConnectDeadlineMs;
}

SIZE RdpSession::HostClientSize() const {
    RECT client = {};
    if (hostWindow_ != nullptr) GetClientRect(hostWindow_, &client);
    return SIZE{client.right - client.left, client.bottom - client.top};
}

LRESULT CALLBACK RdpSession::HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* created = static_cast<RdpSession*>(create->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        if (created != nullptr) created->hostWindow_ = window;
    }
    auto* session = reinterpret_cast<RdpSession*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    // Until the session is known, and for messages that reach the window
    // after Close has let it go, the window is an ordinary one.
    if (session == nullptr || session->hostWindow_ != window) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return session->OnHostMessage(message, wParam, lParam);
}

LRESULT RdpSession::OnHostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (controlWindow_ != nullptr) {
                const SIZE client = HostClientSize();
                SyncControlRect(client.cx, client.cy);
                OnHostResized(client.cx, client.cy);
            }
            return 0;
        case WM_SETFOCUS:
            Focus();
            return 0;
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(hostWindow_, &client);
            const UniqueGdiObject brush(CreateSolidBrush(RGB(10, 14, 22)));
            FillRect(reinterpret_cast<HDC>(wParam), &client, brush.brush());
            return 1;
        }
        case WM_TIMER:
            if (wParam == kResizeTimer) {
                FlushPendingSize();
            } else if (ExternalClient::OwnsTimer(wParam)) {
                OnClientTimer(wParam);
            } else {
                break;
            }
            return 0;
        case WM_PARENTNOTIFY:
            if (LOWORD(wParam) == WM_DESTROY) OnClientWindowDestroyed(reinterpret_cast<HWND>(lParam));
            break;
        case WM_EXITSIZEMOVE:
            OnExitSizeMove();
            if (controlWindow_ != nullptr && !changeRemoteResolution_) {
                FlipSmartSizing();
                RedrawControl();
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hostWindow_, message, wParam, lParam);
}
