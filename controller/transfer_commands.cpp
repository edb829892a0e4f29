// Import from pasted text and export to a CSV file.
#include "config/config_store.h"
#include "config/export_csv.h"
#include "config/import_text.h"
#include "config/stored_password.h"
#include "controller/command_members.h"
#include "controller/command_table.h"
#include "controller/export_target.h"
#include "controller/page_events.h"
#include "core/log.h"
#include "core/text.h"

namespace {

std::string ImportedText(int imported, int skipped) {
    std::string text = Format("成功导入 %d 台服务器", imported);
    if (skipped > 0) text += Format("，跳过 %d 行无法识别的内容", skipped);
    return text;
}

// True (and told) when the import gave nothing to add.
bool RefuseImport(Controller& c, const ImportedServers& imported) {
    switch (imported.refused) {
        case ImportRefusal::kTooLarge:
            c.SendToast(kToastError, Format("粘贴的内容超过 %d MB，没有导入任何服务器，请分几次导入",
                                            static_cast<int>(kMaxImportBytes / (1024 * 1024))));
            return true;
        case ImportRefusal::kTooManyServers:
            c.SendToast(kToastError, Format("一次最多导入 %d 台服务器，这次超过了，没有导入任何服务器",
                                            static_cast<int>(kMaxImportServers)));
            return true;
        case ImportRefusal::kNone:
            break;
    }
    if (imported.servers.empty()) {
        c.SendToast(kToastError, "没有解析到有效的服务器地址");
        return true;
    }
    return false;
}

// The imported plain passwords sealed in the form in force and wiped; a
// password that cannot be sealed is not kept. The number not kept.
int SealImported(const AppConfig& config, std::vector<ServerRecord>& servers) {
    int unsealed = 0;
    for (ServerRecord& server : servers) {
        if (!server.password.empty() && !SealPassword(config, server.password, &server.sealedPassword)) {
            ++unsealed;
        }
        WipeText(server.password);
    }
    return unsealed;
}

// The export as asked, the password (if it was asked for) confirmed.
void ExportAs(Controller& c, const ExportRequest& request) {
    if (request.path.empty()) {
        c.SetExportPasswords(request.includePasswords);
        c.window().PostExportDialog();
        return;
    }
    if (RefuseExportTarget(c, request.path)) return;
    // Logs the outcome itself.
    if (ExportServersCsvToFile(c.config(), request.includePasswords, request.path)) {
        c.SendToast(kToastOk, (request.includePasswords ? "已导出（含密码）到 " : "已导出（不含密码）到 ") +
                                  request.path);
    } else {
        c.SendToast(kToastError, "写入失败：" + request.path);
    }
}

}  // namespace

namespace commands {

void ImportText(Controller& c, const JsonValue& data) {
    ImportedServers imported = ImportServersFromText(ReadImportText(data));
    if (RefuseImport(c, imported)) return;
    const int unsealed = SealImported(c.config(), imported.servers);
    std::vector<ServerRecord>& servers = c.config().servers;
    const int count = static_cast<int>(imported.servers.size());
    servers.reserve(servers.size() + imported.servers.size());
    for (ServerRecord& server : imported.servers) servers.push_back(std::move(server));
    const bool saved = c.SaveOrTell();
    c.SendServers();
    c.ProbeAll();
    if (!saved) return;
    std::string text = ImportedText(count, imported.skippedLines);
    if (unsealed > 0) text += Format("；%d 台服务器的密码无法加密，没有保存", unsealed);
    c.SendToast(unsealed > 0 ? kToastError : kToastOk, text);
}

// With passwords and a start-up password in force, the user types it again
// first: an unlocked program left alone must not hand them out.
void ExportServers(Controller& c, const JsonValue& data) {
    const ExportRequest request = ReadExportRequest(data);
    if (!request.includePasswords) {
        ExportAs(c, request);
        return;
    }
    c.WithCurrentPassword(request.password, "启动密码不正确，未导出",
                          [&c, request] { ExportAs(c, request); });
}

}  // namespace commands
