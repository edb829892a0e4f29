// What the program knows of the machine: whether the RDP control can be
// created (found by the start-up detection thread, read by the environment
// document under one critical section), and full paths as the file system
// resolves them.
#pragma once

#include <windows.h>

#include <string>

#include "controller/controller_ports.h"

// A critical section that exists exactly as long as the object.
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    class Lock {
    public:
        explicit Lock(CriticalSection& owner) : owner_(owner) { EnterCriticalSection(&owner_.section_); }
        ~Lock() { LeaveCriticalSection(&owner_.section_); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        CriticalSection& owner_;
    };

private:
    CRITICAL_SECTION section_;
};

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
