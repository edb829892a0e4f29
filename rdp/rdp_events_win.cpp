// The control's events: the sink, its connection, and what each event means
// for the session.
#include <cwchar>

#include "core/com_ptr.h"
#include "core/log.h"
#include "core/text.h"
#include "core/unicode.h"
#include "rdp/control_events.h"
#include "rdp/disconnect_reason.h"
#include "rdp/logon_error.h"
#include "rdp/rdp_event_sink.h"
#include "rdp/rdp_session.h"

const IID kIidMsTscAxEvents = {0x336D5562, 0xEFA8, 0x482E, {0x8C, 0xB3, 0xC5, 0xC0, 0xFC, 0x7A, 0x7D, 0xB6}};

namespace {

// Arguments arrive last-declared first; arg(0) is the first array element.
const VARIANT* Arg(const DISPPARAMS* args, unsigned index) {
    if (args == nullptr || args->rgvarg == nullptr || args->cArgs <= index) return nullptr;
    return &args->rgvarg[index];
}

}  // namespace

int VariantToInt(const VARIANT* value) {
    if (value == nullptr) return 0;
    switch (value->vt) {
        case VT_I2:
            return value->iVal;
        case VT_I4:
            return value->lVal;
        case VT_UI4:
            return static_cast<int>(value->ulVal);
        case VT_INT:
            return value->intVal;
        case VT_R4:
            return static_cast<int>(value->fltVal);
        case VT_R8:
            return static_cast<int>(value->dblVal);
        case VT_BSTR:
            return value->bstrVal != nullptr ? static_cast<int>(wcstol(value->bstrVal, nullptr, 10)) : 0;
        case VT_BOOL:
            return value->boolVal != 0 ? 1 : 0;
        case VT_UI2:
            return value->uiVal;
        default:
            return 0;
    }
}

HRESULT RdpEventSink::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kIidMsTscAxEvents) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG RdpEventSink::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT RdpEventSink::GetTypeInfoCount(UINT* count) {
    if (count != nullptr) *count = 0;
    return S_OK;
}

HRESULT RdpEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
}

HRESULT RdpEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* args, VARIANT*, EXCEPINFO*, UINT*) {
    // The session may let go of this sink while it handles the event.
    const ComPtr<RdpEventSink> self = ComPtr<RdpEventSink>::Retain(this);
    if (session_ != nullptr) session_->OnControlEvent(id, args);
    return S_OK;
}

void RdpSession::HookEvents() {
    if (!oleObject_ || !eventSink_) return;
    ComPtr<IConnectionPointContainer> container;
    const HRESULT hr = oleObject_.As(IID_IConnectionPointContainer, &container);
    if (FAILED(hr) || !container) {
        LogF(kLogWarn, "控件不支持连接点容器 0x%08lX，将拿不到连接状态事件", static_cast<unsigned long>(hr));
        return;
    }
    container->FindConnectionPoint(kIidMsTscAxEvents, connectionPoint_.put());
    if (!connectionPoint_) {
        // Some control versions name their event interface differently;
        // the first connection point is then the event one.
        ComPtr<IEnumConnectionPoints> points;
        if (SUCCEEDED(container->EnumConnectionPoints(points.put())) && points) {
            ComPtr<IConnectionPoint> first;
            if (points->Next(1, first.put(), nullptr) == S_OK && first) {
                connectionPoint_ = std::move(first);
                IID iid = {};
                if (SUCCEEDED(connectionPoint_->GetConnectionInterface(&iid))) {
                    LogF(kLogWarn, "未精确匹配事件接口，改用第一个连接点 {%08lX-...}",
                         static_cast<unsigned long>(iid.Data1));
                }
            }
        }
        if (!connectionPoint_) return;
    }
    const HRESULT advised = connectionPoint_->Advise(eventSink_.get(), &adviseCookie_);
    if (FAILED(advised)) {
        LogF(kLogWarn, "挂事件失败 0x%08lX", static_cast<unsigned long>(advised));
        connectionPoint_.reset();
        return;
    }
    Log(kLogInfo, "已挂上 RDP 状态事件");
}

void RdpSession::OnControlEvent(DISPID id, const DISPPARAMS* args) {
    switch (id) {
        case kOnConnecting:
            SetState(SessionState::Connecting, 0, "正在建立连接...");
            break;
        case kOnConnected:
            OnConnected();
            break;
        case kOnLoginComplete:
            OnLoginComplete();
            break;
        case kOnDisconnected: {
            const int reason = VariantToInt(Arg(args, 0));
            const std::string text = DisconnectReasonText(reason);
            LogF(kLogInfo, "[会话 %s] 断开原因码 %d：%s", id_.c_str(), reason, text.c_str());
            SetState(SessionState::Disconnected, reason, text);
            break;
        }
        case kOnFatalError: {
            const int code = VariantToInt(Arg(args, 0));
            SetState(SessionState::Failed, code, Format("连接致命错误，代码 %d", code));
            break;
        }
        case kOnWarning:
            LogF(kLogWarn, "RDP 警告码 %d", VariantToInt(Arg(args, 0)));
            break;
        default:
            OnLaterControlEvent(id, args);
            break;
    }
}

// The events of a session under way: reconnects, the control's own
// dialogs, the keyboard and the remote size.
void RdpSession::OnLaterControlEvent(DISPID id, const DISPPARAMS* args) {
    switch (id) {
        case kOnRemoteDesktopSizeChange:
            // learn.microsoft.com/windows/win32/termserv/imstscaxevents-onremotedesktopsizechange:
            // (width, height), the last declared first in DISPPARAMS.
            sizing_.remoteWidth = VariantToInt(Arg(args, 1));
            sizing_.remoteHeight = VariantToInt(Arg(args, 0));
            LogF(kLogInfo, "远端桌面尺寸变化 %dx%d", sizing_.remoteWidth, sizing_.remoteHeight);
            break;
        case kOnAutoReconnecting:  // the reason is the first of three
            SetState(SessionState::Connecting, VariantToInt(Arg(args, 2)), "连接中断，正在自动重连...");
            break;
        case kOnAutoReconnecting2:  // the reason is the first of four
            SetState(SessionState::Connecting, VariantToInt(Arg(args, 3)), "连接中断，正在自动重连...");
            break;
        case kOnAutoReconnected:
            // learn.microsoft.com/windows/win32/termserv/imstscaxevents-onautoreconnected
            SetState(SessionState::Connected, 0, "已自动重新连接");
            break;
        case kOnAuthenticationWarningDisplayed:
        case kOnAuthenticationWarningDismissed:
            OnAuthenticationDialog(id == kOnAuthenticationWarningDisplayed);
            break;
        case kOnLogonError:
            OnLogonError(VariantToInt(Arg(args, 0)));
            break;
        case kOnFocusReleased:
            // learn.microsoft.com/windows/win32/termserv/imstscaxevents-onfocusreleased:
            // the container is to take the keyboard away from the control.
            LogF(kLogInfo, "[会话 %s] 控件交还键盘焦点（方向 %d）", id_.c_str(), VariantToInt(Arg(args, 0)));
            if (observer_ != nullptr) observer_->OnFocusReleased(this);
            break;
        default:
            break;
    }
}

// learn.microsoft.com/windows/win32/termserv/imstscaxevents-onlogonerror:
// most codes are logon events, not failures.
void RdpSession::OnLogonError(int code) {
    const LogonErrorMeaning meaning = MeaningOfLogonError(code);
    LogF(meaning.endsLogon ? kLogWarn : kLogInfo, "[会话 %s] 登录事件码 %d：%s", id_.c_str(), code,
         meaning.text);
    if (meaning.endsLogon) {
        SetState(SessionState::Failed, code, meaning.text);
    } else if (meaning.tellUser && observer_ != nullptr) {
        observer_->OnSessionNotice(this, meaning.text);
    }
}

// While the control's own authentication dialog (a certificate warning,
// say) is up, the connection waits for the user, not for the network: the
// deadline is held. Once the dialog is gone the full deadline starts again,
// not what was left of it: the rest of the connection sequence (security
// handshake and logon) still lies ahead and takes as long as it would
// have without the dialog, which may have come up just before the deadline.
// learn.microsoft.com/windows/win32/termserv/imstscaxevents-onauthenticationwarningdisplayed
void RdpSession::OnAuthenticationDialog(bool shown) {
    authDialogShown_ = shown;
    LogF(kLogInfo, "[会话 %s] 控件的身份验证对话框%s", id_.c_str(),
         shown ? "已显示，连接超时暂停" : "已关闭，连接超时重新计时");
    if (state_ != SessionState::Connecting) return;
    connectDeadline_ = shown ? 0 : ConnectDeadlineFromNow();
}

std::string RdpSession::DisconnectReasonText(int reason) {
    if (const char* known = KnownDisconnectReasonText(reason)) return known;
    std::string text = dispatch_ ? AskControlForReason(reason) : "";
    return text.empty() ? FallbackDisconnectReasonText(reason) : text;
}

// The control's own description of a reason the program has no text for;
// "" when it has none worth showing.
std::string RdpSession::AskControlForReason(int reason) {
    Variant extendedValue;
    const bool haveExtended = SUCCEEDED(DispatchInvoke(
        dispatch_.get(), L"ExtendedDisconnectReason", DISPATCH_PROPERTYGET, nullptr, 0, extendedValue.get()));
    const int extended = haveExtended ? VariantToInt(&extendedValue.value()) : 0;

    DISPID describe = DISPID_UNKNOWN;
    if (FAILED(DispatchLookup(dispatch_.get(), L"GetErrorDescription", &describe))) return "";
    const Variant args[] = {Variant::Int(reason), Variant::Int(extended)};
    Variant result;
    HRESULT hr = DispatchInvokeId(dispatch_.get(), describe, DISPATCH_PROPERTYGET, args, 2, result.get());
    if (FAILED(hr) || result.value().vt == VT_EMPTY) {
        result.clear();
        hr = DispatchInvokeId(dispatch_.get(), describe, DISPATCH_METHOD, args, 2, result.get());
    }
    const VARIANT& value = result.value();
    if (FAILED(hr) || value.vt != VT_BSTR || value.bstrVal == nullptr || value.bstrVal[0] == L'\0') return "";
    return CleanErrorDescription(ToUtf8(std::wstring_view(value.bstrVal, SysStringLen(value.bstrVal))));
}
