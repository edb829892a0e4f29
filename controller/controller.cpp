#include "controller/controller.h"

#include <memory>
#include <vector>

#include "config/config_store.h"
#include "config/password.h"
#include "config/stored_password.h"
#include "controller/command_table.h"
#include "controller/page_events.h"
#include "controller/probe_jobs.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"

void Controller::HandlePageMessage(std::string_view text) {
    // Told rather than parsed: the page checks before it sends, so only a
    // page at fault gets here, and it learns that nothing was done.
    if (text.size() > kMaxPageMessageBytes) {
        Log(kLogWarn, "页面消息过大（" + std::to_string(text.size()) + " 字节），已忽略");
        SendToast(kToastError,
                  Format("这次操作的数据超过 %d MB，没有执行", static_cast<int>(kMaxPageMessageBytes >> 20)));
        return;
    }
    JsonValue root;
    std::string error;
    if (!ParseJson(text, &root, &error)) {
        Log(kLogWarn, "页面消息不是合法 JSON：" + error);
        return;
    }
    // A root that is not an object, or a "cmd" that is not a string, names
    // no command.
    const JsonValue& cmd = root.find("cmd");
    if (!cmd.isString()) return;
    const PageCommand* command = FindPageCommand(cmd.text());
    if (command != nullptr) command->handler(*this, root.find("data"));
}

void Controller::SendEnv() {
    const ControlAvailability control = ports_.environment.RdpControl();
    EnvInputs env;
    env.activex = control.available;
    env.activexName = control.className;
    env.webview = ports_.page.isLoaderReady();
    env.webviewError = ports_.page.lastError();
    env.dataDir = DataDir();
    ports_.page.post("env", EnvDocumentJson(env));
}

void Controller::SendSettings() {
    ports_.page.post("settings", SettingsDocumentJson(config_));
}

void Controller::SendServers() {
    ports_.page.post("servers", ServersDocumentJson(config_.servers, probeResults_));
}

void Controller::SendToast(const char* kind, const std::string& text) {
    ports_.page.post("toast", ToastJson(kind, text));
}

void Controller::ProbeAll() {
    const std::vector<ProbeJob> jobs = ProbeJobsFor(config_.servers);
    if (!jobs.empty()) ports_.probes.Submit(jobs);
}

void Controller::OnProbeResult(const ProbeResult& result) {
    const bool online = result.netState == NetState::Online;
    // A temporary server is in no list: its answer matters only to its tab.
    if (const ServerRecord* quick = FindQuickServer(result.id)) {
        if (quick->host == result.host && ProbePortOf(*quick) == result.port)
            reconnects_.OnProbe(result.id, online);
        return;
    }
    if (!ProbeResultIsCurrent(config_.servers, result)) return;
    reconnects_.OnProbe(result.id, online);
    StoreProbeResult(probeResults_, result);
    const bool first = pings_.Add(result.id);
    if (pings_.size() >= kPingBatchMax) {
        FlushProbeResults();
    } else if (first) {
        ports_.window.ArmPingFlush(kPingBatchDelayMs, [this] { FlushProbeResults(); });
    }
}

void Controller::FlushProbeResults() {
    if (!pings_.empty()) ports_.page.post("pings", pings_.Take(probeResults_));
}

bool Controller::CloseRequested() {
    // A page that is not there (not loaded yet, failed, crashed) cannot
    // answer: asking it would take a second click for nothing.
    if (!close_.confirmed && pageReady_) {
        if (!close_.awaitingConfirm) {
            close_.awaitingConfirm = true;
            ports_.page.post("confirmClose",
                             ConfirmCloseJson(ports_.tabs.TabCount(), ports_.tabs.ConnectedCount()));
            return false;
        }
        Log(kLogWarn, "关闭确认没有收到页面回应，按再次关闭处理");
    }
    close_.confirmed = true;
    return true;
}

void Controller::MarkPageGone(bool recovered) {
    pageReady_ = false;
    // An unanswered question died with the page.
    close_.awaitingConfirm = false;
    if (recovered) recoveryNotice_ = true;
}

bool Controller::TakeRecoveryNotice() {
    const bool notice = recoveryNotice_;
    recoveryNotice_ = false;
    return notice;
}

bool Controller::TakeAutoConnect() {
    if (autoConnectDone_) return false;
    autoConnectDone_ = true;
    return true;
}

bool Controller::SaveOrTell() {
    if (SaveConfig(config_)) return true;
    SendToast(kToastError, "保存失败：" + config_.saveError + "。刚才的更改只在本次运行中有效");
    return false;
}

ServerRecord Controller::ConnectionCopy(const ServerRecord& server) {
    ServerRecord copy = server;
    // Each opened on its own: a server password sealed elsewhere must not
    // cost the gateway's, which may still open.
    const auto open = [this](const std::string& sealed, std::string* plain) {
        return sealed.empty() || OpenPassword(config_, sealed, plain);
    };
    const bool serverOpened = open(copy.sealedPassword, &copy.password);
    const bool gatewayOpened = open(copy.options.sealedGatewayPassword, &copy.options.gatewayPassword);
    if (!serverOpened || !gatewayOpened) {
        Log(kLogWarn, "服务器密码无法解密，连接时需要手动输入：" + server.host);
        SendToast(kToastError,
                  "这台服务器保存的密码无法在这台电脑或这个 Windows 账户下解密，请连接时输入，"
                  "或在编辑中重新填写：" +
                      server.host);
    }
    copy.sealedPassword.clear();
    copy.options.sealedGatewayPassword.clear();
    return copy;
}

void Controller::OpenTabFor(const ServerRecord& server) {
    ServerRecord copy = ConnectionCopy(server);
    ports_.tabs.OpenTab(copy);
    WipeText(copy.password);
    WipeText(copy.options.gatewayPassword);
}

void Controller::SendStoreNotices() {
    for (const std::string& notice : config_.notices) SendToast(kToastError, notice);
    config_.notices.clear();
}

// One password request at a time; a second one meanwhile is told to wait.
bool Controller::TakePasswordTurn() {
    if (passwordBusy_) {
        SendToast(kToastError, "上一个密码操作还没有完成，请稍候");
        return false;
    }
    passwordBusy_ = true;
    return true;
}

void Controller::WithCurrentPassword(const std::string& typed, const char* refused,
                                     std::function<void()> next) {
    if (!StartupPasswordInForce(config_)) {
        next();
        return;
    }
    if (wrongPasswords_ >= startup_password::kMaxAttempts) {
        SendToast(kToastError, "当前密码错误次数过多，请重新打开程序后再试");
        return;
    }
    if (!TakePasswordTurn()) return;
    // Every answer, right or wrong, costs the whole derivation, and wrong
    // ones run out as in the unlock dialog: the page is no quicker a way to
    // guess than the dialog. The work gets a copy of what it checks against.
    AppConfig checked;
    checked.security = config_.security;
    auto right = std::make_shared<bool>(false);
    IStartupPassword* password = &ports_.password;
    ports_.window.RunAside(
        [password, checked, typed, right] { *right = password->Verify(checked, typed); },
        [this, right, refused, next = std::move(next)] {
            passwordBusy_ = false;
            if (*right) {
                wrongPasswords_ = 0;
                next();
                return;
            }
            const int left = startup_password::kMaxAttempts - ++wrongPasswords_;
            SendToast(kToastError, left > 0 ? Format("%s（还可以尝试 %d 次）", refused, left)
                                            : std::string(refused) + "，错误次数过多，请重新打开程序后再试");
        });
}

void Controller::SetStartupPasswordAside(const std::string& password, const std::string& hint) {
    if (!TakePasswordTurn()) return;
    auto commit = std::make_shared<std::function<bool(AppConfig&)>>();
    IStartupPassword* port = &ports_.password;
    ports_.window.RunAside([port, commit, password, hint] { *commit = port->PrepareSet(password, hint); },
                           [this, commit] {
                               passwordBusy_ = false;
                               if (!*commit || !(*commit)(config_)) {
                                   SendToast(kToastError,
                                             config_.saveError.empty()
                                                 ? std::string("保存密码失败，启动密码没有改变")
                                                 : "保存密码失败，启动密码没有改变：" + config_.saveError);
                                   return;
                               }
                               SendSettings();
                               SendToast(kToastOk, "启动密码已更新，下次打开程序时需要输入");
                           });
}
