#include "config/config_store.h"

#include <algorithm>
#include <vector>

#include "config/config_json.h"
#include "core/file_io.h"
#include "core/file_replace.h"
#include "core/json.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"

namespace {

// Config files that exist but could not be read when loading: the store
// holds defaults instead of their servers, so no save may replace them until
// a later load reads them. Kept by path rather than in the store because the
// danger belongs to the file. Main thread only, like the store.
std::vector<std::string>& UnreadFiles() {
    static std::vector<std::string> paths;
    return paths;
}

bool IsUnread(const std::string& path) {
    const std::vector<std::string>& paths = UnreadFiles();
    return std::find(paths.begin(), paths.end(), path) != paths.end();
}

void SetUnread(const std::string& path, bool unread) {
    std::vector<std::string>& paths = UnreadFiles();
    paths.erase(std::remove(paths.begin(), paths.end(), path), paths.end());
    if (unread) paths.push_back(path);
}

// Keeps a copy of a config.json that did not parse beside it, under a name
// that nothing overwrites: a second damaged file within the same second
// gets the next free number after the time.
bool BackUpDamagedFile(const std::string& path, const std::string& text) {
    const std::string stem = path + ".bad_" + FileTimestamp();
    constexpr int kNames = 100;
    for (int n = 1; n <= kNames; ++n) {
        const std::string name = n == 1 ? stem : stem + Format("_%d", n);
        if (WriteNewFile(name, text)) return true;
        if (!IsFile(name)) return false;  // refused for another reason than the name
    }
    return false;
}

// Backs up text before anything replaces it. When the copy cannot be
// written the store keeps the text, and every save tries the copy again
// first and refuses to replace the file without it: the user's server list
// is never lost to a failed backup.
bool KeepDamagedText(AppConfig& config, std::string text) {
    if (BackUpDamagedFile(config.path, text)) return true;
    config.unbackedDamagedText = std::move(text);
    Log(kLogError, "配置备份失败，原文件保留未覆盖：" + config.path);
    return false;
}

// A temporary file left by a save that never finished (a crash, a power
// cut before the move) is never read as the configuration: it goes.
void RemoveLeftoverTemp(const std::string& path) {
    const std::string temp = TempFileFor(path);
    if (!IsFile(temp)) return;
    if (RemoveFile(temp)) {
        Log(kLogWarn, "已删除上次未完成保存留下的临时文件：" + temp);
    } else {
        Log(kLogWarn, "上次未完成保存留下的临时文件无法删除：" + temp);
    }
}

bool RefuseSave(AppConfig& config, std::string reason) {
    config.saveError = std::move(reason);
    return false;
}

// A document that parses but is not the file's shape: its servers would be
// gone after the next save.
const char* ShapeProblem(const JsonValue& document) {
    if (!document.isObject()) return "顶层不是对象";
    if (document.contains("servers") && !document.find("servers").isArray()) return "servers 不是数组";
    return nullptr;
}

}  // namespace

std::string ConfigFilePath() {
    return JoinPath(DataDir(), "config.json");
}

bool LoadConfig(AppConfig& config) {
    config.path = ConfigFilePath();
    RemoveLeftoverTemp(config.path);
    std::string text;
    const FileRead read = ReadExistingFile(config.path, &text);
    SetUnread(config.path, read == FileRead::kUnreadable);
    if (read == FileRead::kUnreadable) {
        // Locked or access denied: writing defaults now, or with any later
        // save, would replace the servers the file holds.
        Log(kLogError, "配置文件无法读取，不会覆盖原文件：" + config.path);
        config.notices.push_back(
            "配置文件无法读取（可能被其他程序占用或没有权限），本次运行中的更改都不会保存：" + config.path);
        return false;
    }
    if (read == FileRead::kMissing || text.empty()) {
        Log(kLogInfo, "配置文件不存在，使用默认配置：" + config.path);
        return SaveConfig(config);
    }
    JsonValue document;
    std::string error;
    if (!ParseJson(text, &document, &error)) {
        LogF(kLogError, "配置解析失败(%s)，已备份原文件并使用默认配置", error.c_str());
        return KeepDamagedText(config, std::move(text)) && SaveConfig(config);
    }
    bool kept = true;
    if (const char* problem = ShapeProblem(document)) {
        LogF(kLogError, "配置结构不符(%s)，已备份原文件", problem);
        kept = KeepDamagedText(config, std::move(text));
    }
    std::string unbacked = std::move(config.unbackedDamagedText);
    std::vector<std::string> notices = std::move(config.notices);
    ConfigFromJson(document, config);
    config.unbackedDamagedText = std::move(unbacked);
    config.notices = std::move(notices);
    LogF(kLogInfo, "配置已加载：%d 台服务器，密码保护=%s", static_cast<int>(config.servers.size()),
         config.security.enabled ? "开" : "关");
    return kept;
}

bool SaveConfig(AppConfig& config) {
    const std::string path = ConfigFilePath();
    if (IsUnread(path)) {
        Log(kLogError, "配置文件未能读取，拒绝覆盖：" + path);
        return RefuseSave(config, "配置文件启动时无法读取，为保护其中的内容不覆盖它");
    }
    if (!config.unbackedDamagedText.empty()) {
        if (!BackUpDamagedFile(path, config.unbackedDamagedText)) {
            Log(kLogError, "配置写入失败：" + path);
            return RefuseSave(config, "损坏的配置文件无法备份，为保护其中的内容不覆盖它");
        }
        config.unbackedDamagedText.clear();
    }
    std::string text = ToJson(ConfigToJson(config), 2);
    text.push_back('\n');
    if (!WriteFileAtomic(path, text)) {
        Log(kLogError, "配置写入失败：" + path);
        return RefuseSave(config, "无法写入配置文件（磁盘已满、没有权限或文件被占用）");
    }
    config.saveError.clear();
    return true;
}
