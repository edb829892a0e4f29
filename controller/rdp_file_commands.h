// A server written as a .rdp file, from the page's command or from the save
// dialog the command opens.
#pragma once

#include <string>

#include "config/app_config.h"
#include "controller/controller.h"

// "<remark or host>.rdp", with what a Windows file name may not hold
// replaced by "_".
std::string RdpExportFileName(const ServerRecord& server);

// Writes the server of that id (without its password) to path, refused as
// any export is (RefuseExportTarget); the outcome is told to the page.
bool ExportRdpTo(Controller& c, const std::string& id, const std::string& path);
