// What the program knows of the machine: whether the RDP control can be
// created (found by the start-up detection thread, read by the environment
// document under one critical section), and full paths as the file system
// resolves them.
#pragma once

#include <windows.h>

#include <string>

#include "controller/controller_ports.h"
#include "core/critical_section.h"

class HostEnvironment : public IHostEnvironment {
public:
    // Called once by the detection thread; any thread may call it.
    void SetRdpControl(bool available, const std::string& className);
    ControlAvailability RdpControl() const override;
    // GetFullPathNameW, then the long form of every existing folder in it,
    // so that short (8.3) names compare like the long ones.
    std::string FullPath(const std::string& path) const override;
    bool OnNetworkDrive(const std::string& fullPath) const override;

private:
    mutable CriticalSection section_;
    ControlAvailability control_;
};
