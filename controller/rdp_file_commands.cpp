// Remote desktop (.rdp) files: dropped or chosen files become servers, and a
// server becomes a file.
#include "controller/rdp_file_commands.h"

#include <utility>
#include <vector>

#include "config/rdp_file.h"
#include "controller/command_members.h"
#include "controller/command_table.h"
#include "controller/export_target.h"
#include "controller/page_events.h"
#include "core/file_io.h"
#include "core/log.h"
#include "core/text.h"
#include "core/utf16.h"

namespace {

// Names the page sent, as the reply shows them: a few, each short.
constexpr std::size_t kNamesShown = 3;
constexpr std::size_t kNameShownBytes = 80;

struct DecodedFile {
    std::string name;
    std::string bytes;
};

// A name as a line of the reply may show it: valid text, no control
// characters, cut on a whole character.
std::string ShownName(const std::string& name) {
    std::string shown;
    for (char c : ValidUtf8(name)) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) shown += c;
    }
    if (shown.size() <= kNameShownBytes) return shown.empty() ? "（无名文件）" : shown;
    return std::string(CutUtf8(shown, kNameShownBytes)) + "…";
}

// The files decoded, or none with refusal set: then nothing is imported.
std::vector<DecodedFile> DecodeUploads(const std::vector<RdpUpload>& uploads, std::string* refusal) {
    std::vector<DecodedFile> files;
    if (uploads.size() > kMaxRdpFilesPerImport) {
        *refusal = Format("一次最多导入 %d 个 .rdp 文件，这次有 %d 个，没有导入任何服务器",
                          static_cast<int>(kMaxRdpFilesPerImport), static_cast<int>(uploads.size()));
        return files;
    }
    files.reserve(uploads.size());
    for (const RdpUpload& upload : uploads) {
        DecodedFile file{upload.name, Base64Decode(upload.data)};
        if (file.bytes.size() > kRdpFileMaxBytes) {
            *refusal = Format("文件超过 %d MB，不像远程桌面文件，没有导入任何服务器：",
                              static_cast<int>(kRdpFileMaxBytes >> 20)) +
                       ShownName(upload.name);
            return {};
        }
        files.push_back(std::move(file));
    }
    return files;
}

struct RdpImport {
    std::vector<ServerRecord> servers;
    int ignored = 0;
    int unreadable = 0;
    std::string unreadableNames;  // the first few, each with its reason
};

// Each file one new server; a file's password (it may hold one, encrypted
// for another machine) and its auto-connect are never taken.
RdpImport ReadFiles(const std::vector<DecodedFile>& files) {
    RdpImport result;
    for (const DecodedFile& file : files) {
        RdpFileRead read = ReadRdpFile(file.bytes);
        if (!read.ok) {
            if (static_cast<std::size_t>(result.unreadable) < kNamesShown) {
                if (!result.unreadableNames.empty()) result.unreadableNames += "、";
                result.unreadableNames += ShownName(file.name) + "（" + read.error + "）";
            }
            ++result.unreadable;
            continue;
        }
        read.server.id = NewServerId();
        read.server.autoConnect = false;
        read.server.password.clear();
        read.server.sealedPassword.clear();
        result.ignored += read.ignored;
        result.servers.push_back(std::move(read.server));
    }
    return result;
}

std::string UnreadableText(const RdpImport& result) {
    std::string text = Format("%d 个文件无法读取：", result.unreadable) + result.unreadableNames;
    if (static_cast<std::size_t>(result.unreadable) > kNamesShown) text += " 等";
    return text;
}

}  // namespace

std::string RdpExportFileName(const ServerRecord& server) {
    const std::string base = Trim(server.remark).empty() ? server.host : Trim(server.remark);
    std::string name;
    for (char c : ValidUtf8(base)) {
        const bool reserved = static_cast<unsigned char>(c) < 0x20 ||
                              std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos;
        name += reserved ? '_' : c;
    }
    // Windows drops trailing dots and blanks from a name.
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    return (name.empty() ? std::string("server") : name) + ".rdp";
}

bool ExportRdpTo(Controller& c, const std::string& id, const std::string& path) {
    const ServerRecord* server = FindServerById(c.config(), id);
    if (server == nullptr) {
        c.SendToast(kToastError, "找不到这台服务器");
        return false;
    }
    if (RefuseExportTarget(c, path)) return false;
    if (!WriteWholeFile(path, WriteRdpFile(*server))) {
        Log(kLogError, "导出 .rdp 文件失败：" + path);
        c.SendToast(kToastError, "写入失败：" + path);
        return false;
    }
    Log(kLogInfo, "已导出 .rdp 文件：" + path);
    c.SendToast(kToastOk, "已导出到 " + path);
    return true;
}

namespace commands {

void ImportRdp(Controller& c, const JsonValue& data) {
    std::string refusal;
    const std::vector<DecodedFile> files = DecodeUploads(ReadRdpUploads(data), &refusal);
    if (!refusal.empty()) {
        c.SendToast(kToastError, refusal);
        return;
    }
    if (files.empty()) {
        c.SendToast(kToastError, "没有收到要导入的 .rdp 文件");
        return;
    }
    RdpImport result = ReadFiles(files);
    if (result.servers.empty()) {
        c.SendToast(kToastError, "没有导入任何服务器，" + UnreadableText(result));
        return;
    }
    std::vector<ServerRecord>& servers = c.config().servers;
    const int count = static_cast<int>(result.servers.size());
    for (ServerRecord& server : result.servers) servers.push_back(std::move(server));
    const bool saved = c.SaveOrTell();
    c.SendServers();
    c.ProbeAll();
    if (!saved) return;
    std::string text = RdpImportSummary(count, result.ignored);
    if (result.unreadable > 0) text += "；" + UnreadableText(result);
    c.SendToast(result.unreadable > 0 ? kToastError : kToastOk, text);
}

// Without a path the user picks one in the save dialog, which comes back
// through ExportRdpTo.
void ExportRdp(Controller& c, const JsonValue& data) {
    const std::string id = ReadId(data);
    if (FindServerById(c.config(), id) == nullptr) {
        c.SendToast(kToastError, "找不到这台服务器");
        return;
    }
    const std::string path = ReadExportRequest(data).path;
    if (path.empty()) {
        c.window().PostRdpExportDialog(id);
        return;
    }
    ExportRdpTo(c, id, path);
}

}  // namespace commands
