// One running program per Windows user and session: a second start in the
// same session brings the first window back; one in another session of the
// same user (the first holds the configuration) says where it runs. Other
// users of the same machine each have their own.
#pragma once

#include <string>

#include "core/win_handle.h"

enum class InstanceClaim {
    kOurs,              // this process is the one
    kRunningHere,       // another process of this user, in this session
    kRunningElsewhere,  // another of this user's sessions
    kUnguarded,         // the system gave no mutex: run all the same
};

// The mutex names: "Local\Tavolin-<user's SID>" or "Global\...", so that each
// user has their own, the local one per session. Empty when the user's SID
// cannot be read.
std::wstring InstanceMutexName(bool global);

class SingleInstance {
public:
    // Creates both mutexes, each for this user only; keeps them while this
    // process is the one.
    InstanceClaim Take();
    // Lets go of them (at exit, before the process ends).
    void Release();

private:
    UniqueHandle local_;
    UniqueHandle global_;
};
