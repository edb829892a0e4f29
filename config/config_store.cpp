#include "config/config_store.h"

#include "config/config_json.h"
#include "core/file_io.h"
#include "core/json.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"

namespace {

// Keeps a copy of a config.json that did not parse beside it, under a name
// that no later failure overwrites.
bool BackUpDamagedFile(const std::string& path, const std::string& text) {
    return WriteWholeFile(path + ".bad_" + FileTimestamp(), text);
}

}  // namespace

std::string ConfigFilePath() { return JoinPath(DataDir(), "config.json"); }

bool LoadConfig(AppConfig& config) {
    config.path = ConfigFilePath();
    std::string text;
    if (!ReadWholeFile(config.path, &text) || text.empty()) {
        Log(kLogInfo, "配置文件不存在，使用默认配置：" + config.path);
        return SaveConfig(config);
    }
    JsonValue document;
    std::string error;
    if (!ParseJson(text, &document, &error)) {
        LogF(kLogError, "配置解析失败(%s)，已备份原文件并使用默认配置", error.c_str());
        if (!BackUpDamagedFile(config.path, text)) {
            // Replacing the file now would lose the user's server list for
            // good: keep it until a copy exists.
            config.unbackedDamagedText = std::move(text);
            Log(kLogError, "配置备份失败，原文件保留未覆盖：" + config.path);
            return false;
        }
        return SaveConfig(config);
    }
    ConfigFromJson(document, config);
    LogF(kLogInfo, "配置已加载：%d 台服务器，密码保护=%s", static_cast<int>(config.servers.size()),
         config.security.enabled ? "开" : "关");
    return true;
}

bool SaveConfig(AppConfig& config) {
    const std::string path = ConfigFilePath();
    if (!config.unbackedDamagedText.empty()) {
        if (!BackUpDamagedFile(path, config.unbackedDamagedText)) {
            Log(kLogError, "配置写入失败：" + path);
            return false;
        }
        config.unbackedDamagedText.clear();
    }
    std::string text = ToJson(ConfigToJson(config), 2);
    text.push_back('\n');
    if (!WriteFileAtomic(path, text)) {
        Log(kLogError, "配置写入失败：" + path);
        return false;
    }
    return true;
}
