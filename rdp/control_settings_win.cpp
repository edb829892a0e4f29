// What a session tells the control before it connects. Each setting goes to
// the interface whose page documents it: the real control refuses a name on
// an object that does not declare it, so every refused put is logged.
#include <algorithm>
#include <vector>

#include "core/log.h"
#include "core/text.h"
#include "core/unicode.h"
#include "core/window_dpi.h"
#include "rdp/control_drives_win.h"
#include "rdp/rdp_session.h"
#include "rdp/vtable_interfaces.h"

namespace {

constexpr int kDefaultRdpPort = 3389;
constexpr int kDefaultColorDepth = 32;
// "AdvancedSettingsN" gives IMsRdpClientAdvancedSettings(N-1), each of which
// extends the ones before it
// (learn.microsoft.com/windows/win32/termserv/imsrdpclient8-advancedsettings9).
struct VersionedName {
    const wchar_t* name;
    int version;
};
constexpr VersionedName kAdvancedSettingsNewestFirst[] = {
    {L"AdvancedSettings9", 9}, {L"AdvancedSettings8", 8}, {L"AdvancedSettings7", 7},
    {L"AdvancedSettings6", 6}, {L"AdvancedSettings5", 5}, {L"AdvancedSettings4", 4},
    {L"AdvancedSettings3", 3}, {L"AdvancedSettings2", 2},
};
// IMsRdpClientTransportSettings2 extends IMsRdpClientTransportSettings
// (learn.microsoft.com/windows/win32/termserv/imsrdpclient6-transportsettings2).
constexpr VersionedName kTransportSettingsNewestFirst[] = {{L"TransportSettings2", 2},
                                                           {L"TransportSettings", 1}};

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

Variant SettingValue(const ControlSetting& setting) {
    switch (setting.type) {
        case SettingType::kBool:
            return Variant::Bool(setting.number != 0);
        case SettingType::kInt:
            return Variant::Int(setting.number);
        case SettingType::kUInt:
            return Variant::UInt(static_cast<unsigned long>(setting.number));
        default:
            return Variant::String(setting.text);
    }
}

const char* ObjectName(ControlObject object) {
    switch (object) {
        case ControlObject::kAdvanced:
            return "AdvancedSettings";
        case ControlObject::kSecured:
            return "SecuredSettings";
        default:
            return "TransportSettings";
    }
}

// The newest of a family's settings objects the control hands out; version
// receives its N (0 when there is none).
template <std::size_t N>
ComPtr<IDispatch> NewestSettings(IDispatch* control, const VersionedName (&newestFirst)[N], int* version) {
    *version = 0;
    for (const VersionedName& candidate : newestFirst) {
        DISPID id = DISPID_UNKNOWN;
        if (FAILED(DispatchLookup(control, candidate.name, &id))) continue;
        if (ComPtr<IDispatch> settings = DispatchGetObject(control, candidate.name)) {
            LogF(kLogDebug, "设置对象取自 %s", ToUtf8(candidate.name).c_str());
            *version = candidate.version;
            return settings;
        }
    }
    return {};
}

// The passwords among the settings leave no copy behind.
void ClearTexts(std::vector<ControlSetting>* settings) {
    for (ControlSetting& setting : *settings) {
        std::fill(setting.text.begin(), setting.text.end(), '\0');
        setting.text.clear();
    }
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
    ApplyConnectionOptions(server);
}

// Each option on the settings object its page names
// (rdp/connection_options.cpp); one the control is too old for is logged
// when the server asked for more than the control does anyway.
void RdpSession::ApplyConnectionOptions(const ServerRecord& server) {
    std::vector<ControlSetting> settings =
        ControlSettingsFor(server.options, ServerLogon{server.user, server.domain, server.password});
    ApplyOptionsOn(ControlObject::kAdvanced, advanced_.get(), advancedVersion_, settings);
    // "SecuredSettings2" gives IMsRdpClientSecuredSettings, which declares
    // AudioRedirectionMode and KeyboardHookMode
    // (learn.microsoft.com/windows/win32/termserv/imsrdpclientsecuredsettings-keyboardhookmode).
    ComPtr<IDispatch> secured = GetDispatchProperty(L"SecuredSettings2");
    ApplyOptionsOn(ControlObject::kSecured, secured.get(), secured ? 2 : 0, settings);
    int transportVersion = 0;
    ComPtr<IDispatch> transport;
    const bool viaGateway = server.options.gatewayMode != GatewayMode::kNone;
    if (viaGateway)
        transport = NewestSettings(dispatch_.get(), kTransportSettingsNewestFirst, &transportVersion);
    ApplyOptionsOn(ControlObject::kTransport, transport.get(), transportVersion, settings);
    ApplyDriveLetters(server.options);
    ClearTexts(&settings);
}

void RdpSession::ApplyOptionsOn(ControlObject object, IDispatch* target, int version,
                                const std::vector<ControlSetting>& settings) {
    for (const ControlSetting& setting : settings) {
        if (setting.object != object) continue;
        if (target != nullptr && setting.since <= version) {
            PutLogged(target, ObjectName(object), ToWide(setting.name).c_str(), SettingValue(setting));
        } else if (setting.asked) {
            LogF(kLogWarn, "控件不支持 %s.%s，这项连接选项未生效", ObjectName(object), setting.name);
        }
    }
}

ComPtr<IDispatch> RdpSession::NewestAdvancedSettings() {
    if (!dispatch_) return {};
    return NewestSettings(dispatch_.get(), kAdvancedSettingsNewestFirst, &advancedVersion_);
}

// Which advanced-settings interface declares each: RDPPort, GrabFocusOnConnect,
// ClearTextPassword and SmartSizing IMsRdpClientAdvancedSettings;
// EnableAutoReconnect ...Settings2; EnableCredSspSupport ...Settings6
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
    PutLogged(advanced, "AdvancedSettings", L"EnableCredSspSupport", Variant::Bool(true));
    if (!server.password.empty()) {
        PutLogged(advanced, "AdvancedSettings", L"ClearTextPassword", Variant::String(server.password));
    } else {
        Log(kLogWarn, "这台服务器没有保存密码，连接时由控件弹出凭据框");
    }
}

// Chosen letters: drive redirection allowed (the row for RedirectDrives put
// it off), then every drive of the control's collection on or off by its
// letter. Allowed first, so that whatever the control does to the drives
// when RedirectDrives changes, the states set last are the ones it
// connects with. When the collection cannot be walked to the end, drive
// redirection goes off again: a drive the user did not choose is never
// shared. The external client gets the letters in its file.
void RdpSession::ApplyDriveLetters(const ConnectionOptions& options) {
    if (options.redirectDrives != DriveRedirection::kChosen) return;
    std::string error;
    if (RedirectChosenDrives(options.driveLetters, &error)) return;
    Log(kLogWarn,
        "按盘符重定向驱动器（" + options.driveLetters + "）未能设置：" + error + "，本次不重定向驱动器");
}

bool RdpSession::RedirectChosenDrives(const std::string& letters, std::string* error) {
    ComPtr<IUnknown> nonScriptable;
    if (!advanced_) {
        *error = "拿不到控件的高级设置对象";
        return false;
    }
    if (FAILED(oleObject_.As(kIidMsRdpClientNonScriptable3, &nonScriptable)) || !nonScriptable) {
        *error = "控件没有 IMsRdpClientNonScriptable3";
        return false;
    }
    ControlDrives drives;
    if (!drives.Open(dispatch_.get(), nonScriptable.get(), error)) return false;
    PutLogged(advanced_.get(), "AdvancedSettings", L"RedirectDrives", Variant::Bool(true));
    if (!drives.Choose(letters, error)) {
        PutLogged(advanced_.get(), "AdvancedSettings", L"RedirectDrives", Variant::Bool(false));
        return false;
    }
    const std::string found = drives.Letters();
    std::string absent;
    for (char letter : letters)
        if (found.find(letter) == std::string::npos) absent += letter;
    if (!absent.empty()) Log(kLogWarn, "本机没有这些盘符的驱动器，未重定向：" + absent);
    return true;
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
