// Import from pasted text and export to a CSV file.
#include "config/config_store.h"
#include "config/export_csv.h"
#include "config/import_text.h"
#include "controller/command_members.h"
#include "controller/command_table.h"
#include "controller/export_path.h"
#include "controller/page_events.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"

namespace {

std::string ImportedText(int imported, int skipped) {
    std::string text = Format("成功导入 %d 台服务器", imported);
    if (skipped > 0) text += Format("，跳过 %d 行无法识别的内容", skipped);
    return text;
}

// The page names the file itself; it may not name a relative path (which
// would land wherever the program's working folder is) nor anything in the
// data folder, where it would overwrite config.json or its copies.
bool RefuseExportPath(Controller& c, const std::string& path) {
    const IHostEnvironment& environment = c.environment();
    switch (CheckExportPath(path, environment.FullPath(path), environment.FullPath(DataDir()))) {
        case ExportPathCheck::kOk:
            return false;
        case ExportPathCheck::kNotFullPath:
            Log(kLogWarn, "导出路径不是完整路径，拒绝写入：" + path);
            c.SendToast(kToastError, "导出路径必须是完整的绝对路径：" + path);
            return true;
        case ExportPathCheck::kInsideDataFolder:
            Log(kLogWarn, "导出路径在数据目录内，拒绝写入：" + path);
            c.SendToast(kToastError, "不能导出到程序的数据目录（会覆盖配置文件）：" + path);
            return true;
    }
    return true;
}

}  // namespace

namespace commands {

void ImportText(Controller& c, const JsonValue& data) {
    ImportedServers imported = ImportServersFromText(ReadImportText(data));
    if (imported.servers.empty()) {
        c.SendToast(kToastError, "没有解析到有效的服务器地址");
        return;
    }
    std::vector<ServerRecord>& servers = c.config().servers;
    const int count = static_cast<int>(imported.servers.size());
    servers.reserve(servers.size() + imported.servers.size());
    for (ServerRecord& server : imported.servers) servers.push_back(std::move(server));
    SaveConfig(c.config());
    c.SendServers();
    c.ProbeAll();
    c.SendToast(kToastOk, ImportedText(count, imported.skippedLines));
}

void ExportServers(Controller& c, const JsonValue& data) {
    const std::string path = ReadExportPath(data);
    if (path.empty()) {
        c.window().PostExportDialog();
        return;
    }
    if (RefuseExportPath(c, path)) return;
    // Logs the outcome itself.
    if (ExportServersCsvToFile(c.config(), path)) {
        c.SendToast(kToastOk, "已导出到 " + path);
    } else {
        c.SendToast(kToastError, "写入失败：" + path);
    }
}

}  // namespace commands
