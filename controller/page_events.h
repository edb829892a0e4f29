// The data of the events the native side posts to the page, as compact
// JSON texts. The documents are page_documents.h's, the probe results'
// "pings" batches ping_batch.h's.
#pragma once

#include <string>

#include "config/app_config.h"

// Toast kinds.
constexpr const char* kToastOk = "ok";
constexpr const char* kToastError = "error";
constexpr const char* kToastInfo = "info";

// Told by the page that replaced one whose browser process failed.
constexpr const char* kPageRecoveredText = "界面进程意外退出，已自动重新加载";

std::string ToastJson(const std::string& kind, const std::string& text);
// {"id": id}: "tabActivated" and "tabClosed".
std::string TabIdJson(const std::string& id);
// {"id", "host", "port", "remark"} of the server: "tabOpened"; with
// "temporary": true for a server in no list (not saved).
std::string TabOpenedJson(const ServerRecord& server, bool temporary = false);
// "sessionState"; retold: told again to a fresh page, which shows no toast
// for it (the user saw that one when it happened).
std::string SessionStateJson(const std::string& id, int state, int code, const std::string& detail,
                             const std::string& mode, bool retold = false);
// "reconnect": {"id", "phase": "waiting" | "connecting" | "off", "attempts"}.
std::string ReconnectJson(const std::string& id, const char* phase, int attempts);
std::string ConfirmCloseJson(int tabs, int connected);
std::string FullscreenJson(bool on);
