#include "controller/page_events.h"

#include "core/json.h"

std::string ToastJson(const std::string& kind, const std::string& text) {
    JsonValue data = JsonValue::MakeObject();
    data.set("type", kind);
    data.set("text", text);
    return ToJson(data, -1);
}

std::string TabIdJson(const std::string& id) {
    JsonValue data = JsonValue::MakeObject();
    data.set("id", id);
    return ToJson(data, -1);
}

std::string TabOpenedJson(const ServerRecord& server, bool temporary) {
    JsonValue data = JsonValue::MakeObject();
    data.set("id", server.id);
    data.set("host", server.host);
    data.set("port", server.port);
    data.set("remark", server.remark);
    if (temporary) data.set("temporary", true);
    return ToJson(data, -1);
}

std::string SessionStateJson(const std::string& id, int state, int code, const std::string& detail,
                             const std::string& mode, bool retold) {
    JsonValue data = JsonValue::MakeObject();
    data.set("id", id);
    data.set("state", state);
    data.set("code", code);
    data.set("detail", detail);
    data.set("mode", mode);
    if (retold) data.set("retold", true);
    return ToJson(data, -1);
}

std::string ReconnectJson(const std::string& id, const char* phase, int attempts) {
    JsonValue data = JsonValue::MakeObject();
    data.set("id", id);
    data.set("phase", phase);
    data.set("attempts", attempts);
    return ToJson(data, -1);
}

std::string ConfirmCloseJson(int tabs, int connected) {
    JsonValue data = JsonValue::MakeObject();
    data.set("tabs", tabs);
    data.set("connected", connected);
    return ToJson(data, -1);
}

std::string FullscreenJson(bool on) {
    JsonValue data = JsonValue::MakeObject();
    data.set("on", on);
    return ToJson(data, -1);
}
