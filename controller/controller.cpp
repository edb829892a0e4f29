#include "controller/controller.h"

#include <vector>

#include "controller/command_table.h"
#include "controller/page_events.h"
#include "controller/probe_jobs.h"
#include "core/log.h"
#include "core/paths.h"

void Controller::HandlePageMessage(std::string_view text) {
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
    if (!ProbeResultIsCurrent(config_.servers, result)) return;
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
