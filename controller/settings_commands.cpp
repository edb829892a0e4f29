// Settings and the start-up password.
#include <algorithm>

#include "config/config_store.h"
#include "controller/command_members.h"
#include "controller/command_table.h"
#include "controller/page_events.h"

namespace {

bool PasswordInForce(const AppConfig& config) {
    return config.security.enabled && !config.security.hash.empty();
}

void ApplyPingSettings(PingSettings& ping, const SettingsRequest& request) {
    if (request.pingIntervalSec) ping.intervalSec = *request.pingIntervalSec;
    if (request.pingTimeoutMs) ping.timeoutMs = *request.pingTimeoutMs;
    if (request.pingThreads) ping.threads = *request.pingThreads;
    // Longer time-outs are kept as given; the scheduler uses at most 30 s.
    ping.timeoutMs = std::max(ping.timeoutMs, 200);
    ping.threads = std::clamp(ping.threads, 1, 32);
}

void ApplyDefaultSettings(DefaultSettings& defaults, const SettingsRequest& request) {
    if (request.defaultUser) defaults.user = *request.defaultUser;
    if (request.defaultDomain) defaults.domain = *request.defaultDomain;
    if (request.defaultColorDepth) defaults.colorDepth = *request.defaultColorDepth;
    if (request.defaultSmartSizing) defaults.smartSizing = *request.defaultSmartSizing;
}

}  // namespace

namespace commands {

void GetEnv(Controller& c, const JsonValue&) {
    c.SendEnv();
}

void GetSettings(Controller& c, const JsonValue&) {
    c.SendSettings();
}

void SetPassword(Controller& c, const JsonValue& data) {
    const PasswordRequest request = ReadPasswordRequest(data);
    AppConfig& config = c.config();
    if (PasswordInForce(config) && !c.password().Verify(config, request.oldPassword)) {
        c.SendToast(kToastError, "当前密码不正确，未修改");
        return;
    }
    if (request.newPassword.empty()) {
        c.SendToast(kToastError, "新密码不能为空");
        return;
    }
    if (!c.password().Set(config, request.newPassword, request.hint)) {
        c.SendToast(kToastError, "保存密码失败");
        return;
    }
    c.SendSettings();
    c.SendToast(kToastOk, "启动密码已更新，下次打开程序时需要输入");
}

void ClearPassword(Controller& c, const JsonValue& data) {
    const PasswordRequest request = ReadPasswordRequest(data);
    AppConfig& config = c.config();
    if (PasswordInForce(config) && !c.password().Verify(config, request.oldPassword)) {
        c.SendToast(kToastError, "当前密码不正确，未取消");
        return;
    }
    c.password().Clear(config);
    c.SendSettings();
    c.SendToast(kToastOk, "已取消启动密码，下次直接进入主界面");
}

void SaveSettings(Controller& c, const JsonValue& data) {
    const SettingsRequest request = ReadSettingsRequest(data);
    AppConfig& config = c.config();
    ApplyPingSettings(config.ping, request);
    ApplyDefaultSettings(config.defaults, request);
    // Open sessions are told only of a real change.
    if (request.changeRemoteResolution &&
        *request.changeRemoteResolution != config.display.changeRemoteResolution) {
        config.display.changeRemoteResolution = *request.changeRemoteResolution;
        c.tabs().SetChangeRemoteResolution(config.display.changeRemoteResolution);
    }
    if (request.darkTheme) {
        config.ui.darkTheme = *request.darkTheme;
        c.window().ApplyTitleBarTheme();
    }
    SaveConfig(config);
    c.probes().SetTimeout(config.ping.timeoutMs);
    // A new worker count takes effect at the next start of the program.
    c.window().RestartProbeTimer(ProbeTimerPeriodMs(config.ping.intervalSec));
    c.SendSettings();
    c.SendToast(kToastOk, "设置已保存");
}

}  // namespace commands
