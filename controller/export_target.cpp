#include "controller/export_target.h"

#include "controller/export_path.h"
#include "controller/page_events.h"
#include "core/log.h"
#include "core/paths.h"

// A relative path would land wherever the program's working folder is; the
// data folder holds config.json and its copies; a share (or a drive letter
// mapped to one) takes the file off the machine.
bool RefuseExportTarget(Controller& c, const std::string& path) {
    const IHostEnvironment& environment = c.environment();
    const std::string full = environment.FullPath(path);
    switch (CheckExportPath(path, full, environment.FullPath(DataDir()), environment.OnNetworkDrive(full))) {
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
        case ExportPathCheck::kNetworkPath:
            Log(kLogWarn, "导出路径是网络路径，拒绝写入：" + path);
            c.SendToast(kToastError, "不能导出到网络路径，请选择本机的文件夹：" + path);
            return true;
    }
    return true;
}
