#include <windows.h>
// commdlg.h needs the types of windows.h first.
#include <commdlg.h>

#include <vector>

#include "app/export_dialog.h"
#include "config/export_csv.h"
#include "controller/export_target.h"
#include "controller/page_events.h"
#include "controller/rdp_file_commands.h"
#include "core/file_io.h"
#include "core/log.h"
#include "core/text.h"
#include "core/unicode.h"

namespace {

constexpr DWORD kFileNameCapacity = 1000;

// Pairs of shown name and pattern, each list ended by an empty name.
constexpr wchar_t kCsvFilters[] = L"CSV 文件 (*.csv)\0*.csv\0文本文件 (*.txt)\0*.txt\0所有文件 (*.*)\0*.*\0";
constexpr wchar_t kRdpFilters[] = L"远程桌面文件 (*.rdp)\0*.rdp\0所有文件 (*.*)\0*.*\0";

struct SaveQuestion {
    const wchar_t* title;
    const wchar_t* filters;
    const wchar_t* extension;  // added to a name typed without one
    std::string initialName;
};

// The chosen file (UTF-8), or "" when the user cancelled.
std::string AskForFile(HWND owner, const SaveQuestion& question) {
    std::vector<wchar_t> file(kFileNameCapacity, L'\0');
    const std::wstring initial = ToWide(question.initialName);
    initial.copy(file.data(), kFileNameCapacity - 1);
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = question.filters;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = kFileNameCapacity;
    ofn.lpstrTitle = question.title;
    ofn.lpstrDefExt = question.extension;
    ofn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_OVERWRITEPROMPT;
    if (GetSaveFileNameW(&ofn)) return ToUtf8(file.data());
    // A dialog that could not be shown counts as cancelled; the log says why.
    if (const DWORD error = CommDlgExtendedError(); error != 0) {
        LogF(kLogWarn, "保存对话框打不开：错误 0x%04lX", static_cast<unsigned long>(error));
    }
    return std::string();
}

}  // namespace

void RunExportDialog(HWND owner, Controller& controller) {
    // Taken before the dialog: a cancelled export forgets the choice.
    const bool withPasswords = controller.TakeExportPasswords();
    const std::string path = AskForFile(
        owner, {L"导出服务器列表", kCsvFilters, L"csv", "rdp-servers-" + FileTimestamp() + ".csv"});
    if (path.empty()) {
        controller.SendToast(kToastInfo, "已取消导出");
        return;
    }
    // The dialog may be pointed at config.json, or at a share, like any file.
    if (RefuseExportTarget(controller, path)) return;
    const int count = static_cast<int>(controller.config().servers.size());
    if (ExportServersCsvToFile(controller.config(), withPasswords, path)) {
        controller.SendToast(kToastOk, Format(withPasswords ? "已导出 %d 台服务器（含密码）到 %s"
                                                            : "已导出 %d 台服务器（不含密码）到 %s",
                                              count, path.c_str()));
    } else {
        controller.SendToast(kToastError, "导出失败，换一个目录再试");
    }
}

void RunRdpExportDialog(HWND owner, Controller& controller, const std::string& id) {
    const ServerRecord* server = FindServerById(controller.config(), id);
    if (server == nullptr) {
        controller.SendToast(kToastError, "找不到这台服务器");
        return;
    }
    const std::string path =
        AskForFile(owner, {L"导出为 .rdp 文件", kRdpFilters, L"rdp", RdpExportFileName(*server)});
    if (path.empty()) {
        controller.SendToast(kToastInfo, "已取消导出");
        return;
    }
    // The server may have gone while the dialog was open; this says so.
    ExportRdpTo(controller, id, path);
}
