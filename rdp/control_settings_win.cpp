// What a session tells the control before it connects. Each setting goes to
// the interface whose page documents it: the real control refuses a name on
// an object that does not declare it, so every refused put is logged.
#include "core/log.h"
#include "core/text.h"
#include "core/unicode.h"
#include "core/window_dpi.h"
#include "rdp/rdp_session.h"
#include "rdp/vtable_interfaces.h"

namespace {

constexpr int kDefaultRdpPort = 3389;
constexpr int kDefaultColorDepth = 32;
// "AdvancedSettingsN" gives IMsRdpClientAdvancedSettings(N-1), each of which
// extends the ones before it
// (learn.microsoft.com/windows/win32/termserv/imsrdpclient8-advancedsettings9).
constexpr const wchar_t* kAdvancedSettingsNewestFirst[] = {
    L"AdvancedSettings9", L"AdvancedSettings8", L"AdvancedSettings7", L"AdvancedSettings6",
    L"AdvancedSettings5", L"AdvancedSettings4", L"AdvancedSettings3", L"AdvancedSettings2",
};

HRESULT PutLogged(IDispatch* object, const char* objectName, const wchar_t* name, Variant value) {
    const HRESULT hr = DispatchPut(object, name, std::move(value));
    if (FAILED(hr)) {
        LogF(kLogWarn, "设置 %s.%s 失败 0x%08lX", objectName, ToUtf8(name).c_str(),
             static_cast<unsigned long>(hr));
    }
    return hr;
}

void LogVtablePut(const char* name, HRESULT hr) {
    if (FAILED(hr)) LogF(kLogWarn, "设置 %s 失败 0x%08lX", name, static_cast<unsigned long>(hr));
}

}  // namespace

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

    advanced_ = NewestAdvancedSettings();
    if (advanced_) {
        ApplyAdvancedSettings(server);
    } else {
        Log(kLogWarn, "拿不到控件的高级设置对象，端口等高级参数未设置");
    }
    SetSmartSizing(SmartSizingValue());
    ApplyNonScriptableSettings(server);
    ApplyExtendedSettings();
    // learn.microsoft.com/windows/win32/termserv/imsrdpclientsecuredsettings-autoredirectionmode
    if (ComPtr<IDispatch> secured = GetDispatchProperty(L"SecuredSettings2")) {
        PutLogged(secured.get(), "SecuredSettings2", L"AudioRedirectionMode", Variant::Int(0));
    }
}

ComPtr<IDispatch> RdpSession::NewestAdvancedSettings() {
    for (const wchar_t* name : kAdvancedSettingsNewestFirst) {
        DISPID id = DISPID_UNKNOWN;
        if (FAILED(DispatchLookup(dispatch_.get(), name, &id))) continue;
        if (ComPtr<IDispatch> settings = GetDispatchProperty(name)) {
            LogF(kLogDebug, "高级设置取自 %s", ToUtf8(name).c_str());
            return settings;
        }
    }
    return {};
}

// Which advanced-settings interface declares each: RDPPort, GrabFocusOnConnect,
// RedirectPrinters, ClearTextPassword and SmartSizing
// IMsRdpClientAdvancedSettings; EnableAutoReconnect ...Settings2;
// AuthenticationLevel ...Settings4; EnableCredSspSupport ...Settings6
// (learn.microsoft.com/windows/win32/termserv/imsrdpclientadvancedsettings6-enablecredsspsupport).
void RdpSession::ApplyAdvancedSettings(const ServerRecord& server) {
    IDispatch* advanced = advanced_.get();
    PutLogged(advanced, "AdvancedSettings", L"RDPPort",
              Variant::Int(server.port < 1 ? kDefaultRdpPort : server.port));
    // Not the control's own grab: it takes the keyboard while connecting,
    // also for a tab in the back (auto-connect opens several at start). The
    // tab registry gives the keyboard to the session in front when it connects.
    PutLogged(advanced, "AdvancedSettings", L"GrabFocusOnConnect", Variant::Bool(false));
    PutLogged(advanced, "AdvancedSettings", L"EnableAutoReconnect", Variant::Bool(true));
    PutLogged(advanced, "AdvancedSettings", L"RedirectPrinters", Variant::Bool(false));
    PutLogged(advanced, "AdvancedSettings", L"EnableCredSspSupport", Variant::Bool(true));
    PutLogged(advanced, "AdvancedSettings", L"AuthenticationLevel", Variant::Int(2));
    if (!server.password.empty()) {
        PutLogged(advanced, "AdvancedSettings", L"ClearTextPassword", Variant::String(server.password));
    } else {
        Log(kLogWarn, "这台服务器没有保存密码，连接时由控件弹出凭据框");
    }
}

// learn.microsoft.com/windows/win32/termserv/imsrdpclientnonscriptable3-promptforcredentials:
// reachable only through the vtable. With a saved password the control's
// own credential prompt stays off; without one it is the user's way in.
void RdpSession::ApplyNonScriptableSettings(const ServerRecord& server) {
    ComPtr<IMsRdpClientNonScriptable3> nonScriptable;
    if (FAILED(oleObject_.As(kIidMsRdpClientNonScriptable3, &nonScriptable)) || !nonScriptable) {
        Log(kLogWarn, "控件没有 IMsRdpClientNonScriptable3，PromptForCredentials 未设置");
        return;
    }
    const VARIANT_BOOL prompt = server.password.empty() ? VARIANT_TRUE : VARIANT_FALSE;
    LogVtablePut("PromptForCredentials", nonScriptable->put_PromptForCredentials(prompt));
}

// learn.microsoft.com/windows/win32/termserv/imsrdpextendedsettings-property:
// the scale factors are VT_UI4, "EnableZoom" VT_BOOL.
void RdpSession::ApplyExtendedSettings() {
    ComPtr<IMsRdpExtendedSettings> extended;
    if (FAILED(oleObject_.As(kIidMsRdpExtendedSettings, &extended)) || !extended) {
        Log(kLogWarn, "控件没有 IMsRdpExtendedSettings，缩放比例与 EnableZoom 未设置");
        return;
    }
    struct Named {
        const char* name;
        Variant value;
    };
    // The remote desktop is drawn at the monitor's scale: text as large as
    // the local text, and sharp.
    const ScaleFactors scale = ScaleFactorsForDpi(WindowDpi(hostWindow_));
    Named values[] = {{"EnableZoom", Variant::Bool(true)},
                      {"DesktopScaleFactor", Variant::UInt(scale.desktop)},
                      {"DeviceScaleFactor", Variant::UInt(scale.device)}};
    for (Named& named : values) {
        Variant name = Variant::String(named.name);
        LogVtablePut(named.name, extended->put_Property(name.value().bstrVal, named.value.get()));
    }
}

bool RdpSession::PutProperty(const wchar_t* name, Variant value) {
    if (!dispatch_) return false;
    return SUCCEEDED(PutLogged(dispatch_.get(), "控件", name, std::move(value)));
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
