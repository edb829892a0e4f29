// Whether a file the user exports may be written where it is asked for,
// from the page or from the save dialog; a refusal is told to the page.
#pragma once

#include <string>

#include "controller/controller.h"

// True (told and logged) for a relative path, the data folder or anything
// in it (config.json and its copies) and a path on the network.
bool RefuseExportTarget(Controller& c, const std::string& path);
