// Settings and the start-up password.
#include <algorithm>

#include "config/config_store.h"
#include "config/password.h"
#include "controller/command_members.h"
#include "controller/command_table.h"
#include "controller/page_documents.h"
#include "controller/page_events.h"
#include "core/text.h"

namespace {

// Characters, not bytes: UTF-8 continuation bytes are not counted.
int CharCount(const std::string& text) {
    int count = 0;
    for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

}  // namespace

namespace commands {

void GetEnv(Controller& c, const JsonValue&) {
    c.SendEnv();
}

void GetSettings(Controller& c, const JsonValue&) {
    c.SendSettings();
}

// The new password is checked first, at once: nothing slow runs for one
// that would be refused anyway.
void SetPassword(Controller& c, const JsonValue& data) {
    const PasswordRequest request = ReadPasswordRequest(data);
    if (request.newPassword.empty()) {
        c.SendToast(kToastError, "新密码不能为空");
        return;
    }
    const int chars = CharCount(request.newPassword);
    if (chars < startup_password::kMinChars || chars > startup_password::kMaxChars) {
        c.SendToast(kToastError, Format("新密码需要 %d 到 %d 个字符", startup_password::kMinChars,
                                        startup_password::kMaxChars));
        return;
    }
    c.WithCurrentPassword(request.oldPassword, "当前密码不正确，未修改",
                          [&c, request] { c.SetStartupPasswordAside(request.newPassword, request.hint); });
}

void ClearPassword(Controller& c, const JsonValue& data) {
    const PasswordRequest request = ReadPasswordRequest(data);
    c.WithCurrentPassword(request.oldPassword, "当前密码不正确，未取消", [&c] {
        AppConfig& config = c.config();
        if (!c.password().Clear(config)) {
            c.SendToast(kToastError, config.saveError.empty()
                                         ? std::string("取消失败，启动密码仍然有效")
                                         : "取消失败，启动密码仍然有效：" + config.saveError);
            return;
        }
        c.SendSettings();
        c.SendToast(kToastOk, "已取消启动密码，下次直接进入主界面");
    });
}

void SaveSettings(Controller& c, const JsonValue& data) {
    AppConfig& config = c.config();
    const bool changeRemoteResolution = config.display.changeRemoteResolution;
    const bool darkTheme = config.ui.darkTheme;
    ApplySettingsFields(config, data);
    // Open sessions and the title bar are told only of a real change.
    if (config.display.changeRemoteResolution != changeRemoteResolution)
        c.tabs().SetChangeRemoteResolution(config.display.changeRemoteResolution);
    if (config.ui.darkTheme != darkTheme) c.window().ApplyTitleBarTheme();
    if (!config.sessions.autoReconnect) c.CancelAllReconnects();
    const bool saved = c.SaveOrTell();
    c.probes().SetTimeout(config.ping.timeoutMs);
    // A new worker count takes effect at the next start of the program.
    c.window().RestartProbeTimer(ProbeTimerPeriodMs(config.ping.intervalSec));
    c.SendSettings();
    if (saved) c.SendToast(kToastOk, "设置已保存");
}

}  // namespace commands
