// Finding, creating and configuring the platform's RDP control.
#include <cstdint>

#include "core/log.h"
#include "core/text.h"
#include "core/unicode.h"
#include "rdp/ms_rdp_extended_settings.h"
#include "rdp/rdp_session.h"

const IID kIidMsRdpExtendedSettings = {
    0x302D8188, 0x0052, 0x4807, {0x80, 0x6A, 0x36, 0x2B, 0x62, 0x8F, 0x9A, 0xC5}};

namespace {

// Newest first: the first one registered wins.
constexpr const wchar_t* kProgIds[] = {
    L"MsTscAx.MsTscAx.12", L"MsTscAx.MsTscAx.11", L"MsTscAx.MsTscAx.10",
    L"MsRdpClient.9",      L"MsRdpClient.8",      L"MsTscAx.MsTscAx",
};

constexpr int kDefaultRdpPort = 3389;
constexpr int kDefaultColorDepth = 32;

struct FoundControl {
    CLSID clsid = {};
    std::string progId;
};

bool FindRegisteredControl(FoundControl* found) {
    for (const wchar_t* progId : kProgIds) {
        if (SUCCEEDED(CLSIDFromProgID(progId, &found->clsid))) {
            found->progId = ToUtf8(progId);
            return true;
        }
    }
    return false;
}

HRESULT CreateControlObject(const CLSID& clsid, ComPtr<IOleObject>* object) {
    const HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object->put_void());
    if (SUCCEEDED(hr) && !*object) return E_NOINTERFACE;
    return hr;
}

void LogSettingResult(const wchar_t* name, HRESULT hr) {
    LogF(SUCCEEDED(hr) ? kLogInfo : kLogWarn, "设置 %s -> 0x%08lX", ToUtf8(name).c_str(),
         static_cast<unsigned long>(hr));
}

}  // namespace

bool ProbeRdpControl(std::string* progId) {
    FoundControl found;
    if (!FindRegisteredControl(&found)) return false;
    ComPtr<IOleObject> object;
    if (FAILED(CreateControlObject(found.clsid, &object))) return false;
    object.reset();
    if (progId != nullptr) *progId = found.progId;
    return true;
}

bool RdpSession::CreateControl(const ServerRecord& server) {
    FoundControl found;
    if (!FindRegisteredControl(&found)) {
        Log(kLogWarn, "系统里找不到 MsTscAx 控件注册，改用 mstsc.exe 模式");
        return false;
    }
    const HRESULT created = CreateControlObject(found.clsid, &oleObject_);
    if (FAILED(created)) {
        oleObject_.reset();
        LogF(kLogWarn, "创建 RDP 控件失败 0x%08lX，改用 mstsc.exe 模式", static_cast<unsigned long>(created));
        return false;
    }
    LogF(kLogInfo, "已创建 RDP 控件 %s (CLSID=%08lX)", found.progId.c_str(),
         static_cast<unsigned long>(found.clsid.Data1));

    oleObject_->SetClientSite(static_cast<IOleClientSite*>(this));
    oleObject_->SetHostNames(L"RDP", ToWide(server.host).c_str());
    oleObject_.As(IID_IDispatch, &dispatch_);

    RECT client = {};
    GetClientRect(hostWindow_, &client);
    const HRESULT activated = oleObject_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr,
                                                 static_cast<IOleClientSite*>(this), 0, hostWindow_, &client);
    if (FAILED(activated)) {
        LogF(kLogWarn, "控件原地激活失败 0x%08lX，改用 mstsc.exe 模式",
             static_cast<unsigned long>(activated));
        ReleaseControl();
        return false;
    }
    if (SUCCEEDED(oleObject_.As(IID_IOleInPlaceObject, &inPlaceObject_))) {
        inPlaceObject_->GetWindow(&controlWindow_);
    }
    if (controlWindow_ == nullptr) controlWindow_ = ::GetWindow(hostWindow_, GW_CHILD);
    if (controlWindow_ == nullptr) {
        Log(kLogWarn, "控件激活后拿不到窗口句柄，改用 mstsc.exe 模式");
        ReleaseControl();
        return false;
    }
    Log(kLogInfo, "RDP 控件窗口句柄 = " + PointerHex(reinterpret_cast<std::uintptr_t>(controlWindow_)));

    HookEvents();
    ApplySettings(server);
    if (hostWindow_ != nullptr && controlWindow_ != nullptr) {
        const SIZE size = HostClientSize();
        SyncControlRect(size.cx, size.cy);
    }
    ShowWindow(controlWindow_, SW_SHOW);
    mode_ = SessionMode::ActiveX;
    return true;
}

// Lets go of a control that could not be put to use.
void RdpSession::ReleaseControl() {
    oleObject_->SetClientSite(nullptr);
    inPlaceObject_.reset();
    oleObject_.reset();
    dispatch_.reset();
    controlWindow_ = nullptr;
}

void RdpSession::ApplySettings(const ServerRecord& server) {
    if (!dispatch_) {
        Log(kLogWarn, "控件的 IDispatch 不可用，跳过参数设置");
        return;
    }
    PutStringProperty(L"Server", server.host);
    if (!server.user.empty()) PutStringProperty(L"UserName", server.user);
    if (!server.domain.empty()) PutStringProperty(L"Domain", server.domain);
    PutBoolProperty(L"FullScreen", false);
    const SIZE client = HostClientSize();
    const PixelSize desktop = DesktopSizeFor(server.width, server.height, PixelSize{client.cx, client.cy});
    PutIntProperty(L"DesktopWidth", desktop.width);
    PutIntProperty(L"DesktopHeight", desktop.height);
    PutIntProperty(L"ColorDepth", server.colorDepth < 1 ? kDefaultColorDepth : server.colorDepth);
    sizing_.remoteWidth = desktop.width;
    sizing_.remoteHeight = desktop.height;

    if (ComPtr<IDispatch> advanced = GetDispatchProperty(L"AdvancedSettings2")) {
        ApplyAdvancedSettings(advanced.get(), server);
    } else {
        Log(kLogWarn, "拿不到 AdvancedSettings2，端口等高级参数未设置");
    }
    SetSmartSizing(SmartSizingValue());
    EnableZoom();
    PutIntProperty(L"DesktopScaleFactor", 100);
    if (ComPtr<IDispatch> secured = GetDispatchProperty(L"SecuredSettings2")) {
        DispatchPut(secured.get(), L"AudioRedirectionMode", Variant::Int(0));
    }
}

void RdpSession::ApplyAdvancedSettings(IDispatch* advanced, const ServerRecord& server) {
    DispatchPut(advanced, L"RDPPort", Variant::Int(server.port < 1 ? kDefaultRdpPort : server.port));
    // Not the control's own grab: it takes the keyboard while connecting,
    // also for a tab in the back (auto-connect opens several at start). The
    // tab registry gives the keyboard to the session in front when it connects.
    DispatchPut(advanced, L"GrabFocusOnConnect", Variant::Bool(false));
    DispatchPut(advanced, L"EnableAutoReconnect", Variant::Bool(true));
    DispatchPut(advanced, L"RedirectPrinters", Variant::Bool(false));
    LogSettingResult(L"EnableCredSspSupport",
                     DispatchPut(advanced, L"EnableCredSspSupport", Variant::Bool(true)));
    LogSettingResult(L"AuthenticationLevel", DispatchPut(advanced, L"AuthenticationLevel", Variant::Int(2)));
    if (!server.password.empty()) {
        LogSettingResult(L"ClearTextPassword",
                         DispatchPut(advanced, L"ClearTextPassword", Variant::String(server.password)));
    } else {
        Log(kLogWarn, "这台服务器没有保存密码，NLA 认证可能失败（会退回让系统弹凭据框）");
    }
    DispatchPut(advanced, L"PromptForCredentials", Variant::Bool(false));
}

void RdpSession::EnableZoom() {
    if (!oleObject_) return;
    ComPtr<IMsRdpExtendedSettings> extended;
    if (FAILED(oleObject_.As(kIidMsRdpExtendedSettings, &extended)) || !extended) {
        Log(kLogDebug, "控件不支持 IMsRdpExtendedSettings，跳过 EnableZoom（老版本控件）");
        return;
    }
    Variant name = Variant::String("EnableZoom");
    Variant on = Variant::Bool(true);
    const HRESULT hr = extended->put_Property(name.value().bstrVal, on.get());
    if (SUCCEEDED(hr)) {
        Log(kLogInfo, "已开启 EnableZoom（SmartSizing 超过原生分辨率时也能缩放铺满）");
    } else {
        LogF(kLogWarn, "设置 EnableZoom 失败 0x%08lX（控件太老时正常，不影响原有拉伸）",
             static_cast<unsigned long>(hr));
    }
}

bool RdpSession::PutProperty(const wchar_t* name, Variant value) {
    if (!dispatch_) return false;
    const HRESULT hr = DispatchPut(dispatch_.get(), name, std::move(value));
    if (FAILED(hr)) {
        LogF(kLogDebug, "设置属性 %s 失败 0x%08lX", ToUtf8(name).c_str(), static_cast<unsigned long>(hr));
        return false;
    }
    return true;
}

bool RdpSession::PutStringProperty(const wchar_t* name, const std::string& value) {
    return PutProperty(name, Variant::String(value));
}

bool RdpSession::PutBoolProperty(const wchar_t* name, bool value) {
    return PutProperty(name, Variant::Bool(value));
}

bool RdpSession::PutIntProperty(const wchar_t* name, std::int32_t value) {
    return PutProperty(name, Variant::Int(value));
}

ComPtr<IDispatch> RdpSession::GetDispatchProperty(const wchar_t* name) {
    if (!dispatch_) return {};
    return DispatchGetObject(dispatch_.get(), name);
}

HRESULT RdpSession::InvokeMethod(const wchar_t* name) {
    // The caller's own reference for the call: the session may be closed,
    // and let go of the control, inside it.
    const ComPtr<IDispatch> control = ComPtr<IDispatch>::Retain(dispatch_.get());
    if (!control) return E_POINTER;
    return DispatchInvoke(control.get(), name, DISPATCH_METHOD, nullptr, 0, nullptr);
}

void RdpSession::InvokeLogged(const wchar_t* name) {
    const HRESULT hr = InvokeMethod(name);
    if (FAILED(hr))
        LogF(kLogWarn, "调用 %s 失败 0x%08lX", ToUtf8(name).c_str(), static_cast<unsigned long>(hr));
}
