#include <windows.h>
// commdlg.h needs the types of windows.h first.
#include <commdlg.h>

#include <vector>

#include "app/export_dialog.h"
#include "config/export_csv.h"
#include "controller/export_path.h"
#include "controller/page_events.h"
#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/unicode.h"

namespace {

constexpr DWORD kFileNameCapacity = 1000;

// Pairs of shown name and pattern, the list ended by an empty name.
constexpr wchar_t kFilters[] = L"CSV 文件 (*.csv)\0*.csv\0文本文件 (*.txt)\0*.txt\0所有文件 (*.*)\0*.*\0";

// The chosen file (UTF-8), or "" when the user cancelled.
std::string AskForFile(HWND owner) {
    std::vector<wchar_t> file(kFileNameCapacity, L'\0');
    const std::wstring initial = ToWide("rdp-servers-" + FileTimestamp() + ".csv");
    initial.copy(file.data(), kFileNameCapacity - 1);
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = kFilters;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = kFileNameCapacity;
    ofn.lpstrTitle = L"导出服务器列表";
    ofn.lpstrDefExt = L"csv";
    ofn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_OVERWRITEPROMPT;
    if (GetSaveFileNameW(&ofn)) return ToUtf8(file.data());
    // A dialog that could not be shown counts as cancelled; the log says why.
    if (const DWORD error = CommDlgExtendedError(); error != 0) {
        LogF(kLogWarn, "保存对话框打不开：错误 0x%04lX", static_cast<unsigned long>(error));
    }
    return std::string();
}

// The dialog may be pointed at config.json, or at a share on the network,
// like any file; the program's own data folder stays its own and the list
// stays on the machine.
bool RefusePickedPath(Controller& controller, const std::string& path) {
    const IHostEnvironment& environment = controller.environment();
    const std::string full = environment.FullPath(path);
    switch (CheckExportPath(path, full, environment.FullPath(DataDir()), environment.OnNetworkDrive(full))) {
        case ExportPathCheck::kInsideDataFolder:
            Log(kLogWarn, "导出路径在数据目录内，拒绝写入：" + path);
            controller.SendToast(kToastError, "不能导出到程序的数据目录（会覆盖配置文件）：" + path);
            return true;
        case ExportPathCheck::kNetworkPath:
            Log(kLogWarn, "导出路径是网络路径，拒绝写入：" + path);
            controller.SendToast(kToastError, "不能导出到网络路径，请选择本机的文件夹：" + path);
            return true;
        case ExportPathCheck::kOk:
        case ExportPathCheck::kNotFullPath:
            break;
    }
    return false;
}

}  // namespace

void RunExportDialog(HWND owner, Controller& controller) {
    // Taken before the dialog: a cancelled export forgets the choice.
    const bool withPasswords = controller.TakeExportPasswords();
    const std::string path = AskForFile(owner);
    if (path.empty()) {
        controller.SendToast(kToastInfo, "已取消导出");
        return;
    }
    if (RefusePickedPath(controller, path)) return;
    const int count = static_cast<int>(controller.config().servers.size());
    if (ExportServersCsvToFile(controller.config(), withPasswords, path)) {
        controller.SendToast(kToastOk, Format(withPasswords ? "已导出 %d 台服务器（含密码）到 %s"
                                                            : "已导出 %d 台服务器（不含密码）到 %s",
                                              count, path.c_str()));
    } else {
        controller.SendToast(kToastError, "导出失败，换一个目录再试");
    }
}
