#include "webhost/webview_text.h"

#include "core/json.h"
#include "core/text.h"

const char* const kPageHostName = "tavolin.example";

std::string PostEnvelope(std::string_view cmd, std::string_view dataJson) {
    std::string out;
    out.reserve(cmd.size() + dataJson.size() + 20);
    out += "{\"cmd\":\"";
    out += cmd;
    out += "\",\"data\":";
    out += dataJson.empty() ? std::string_view("null") : dataJson;
    out += '}';
    return out;
}

std::string EvalParameters(std::string_view expression) {
    JsonValue params = JsonValue::MakeObject();
    params.set("expression", JsonValue(expression));
    params.set("returnByValue", JsonValue(true));
    params.set("awaitPromise", JsonValue(true));
    return ToJson(params, -1);
}

std::string CutForLog(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return std::string(text);
    return std::string(CutUtf8(text, limit)) + "...";
}

namespace {

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return text;
}

}  // namespace

EvalOutcome DescribeEvalResult(std::string_view resultJson) {
    JsonValue parsed;
    const bool ok = ParseJson(resultJson, &parsed, nullptr);
    if (ok && parsed.contains("exceptionDetails")) {
        return {true, parsed.find("exceptionDetails").getString("text", "?")};
    }
    const JsonValue& result = parsed.find("result");
    if (ok && result.contains("value")) return {false, OneLine(ToJson(result.find("value"), -1))};
    return {false, OneLine(std::string(resultJson))};
}

std::string FileUrl(std::string_view windowsPath) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = "file:///";
    for (char raw : windowsPath) {
        const unsigned char c = static_cast<unsigned char>(raw);
        if (c == '\\') {
            out += '/';
        } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                   std::string_view("-._~/:!$&'()*+,;=@").find(static_cast<char>(c)) !=
                       std::string_view::npos) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}
