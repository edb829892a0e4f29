#include "standins/rdpcontrol/module.h"

#include "standins/rdpcontrol/event_queue.h"
#include "standins/rdpcontrol/view_window.h"

namespace {

HINSTANCE g_instance = nullptr;
volatile LONG g_liveObjects = 0;
volatile LONG g_locks = 0;

}  // namespace

HINSTANCE StandinInstance() {
    return g_instance;
}

long LiveObjectCount() {
    return InterlockedCompareExchange(&g_liveObjects, 0, 0);
}

void LockModule(bool lock) {
    if (lock) {
        InterlockedIncrement(&g_locks);
    } else {
        InterlockedDecrement(&g_locks);
    }
}

bool ModuleCanUnload() {
    return InterlockedCompareExchange(&g_liveObjects, 0, 0) == 0 &&
           InterlockedCompareExchange(&g_locks, 0, 0) == 0;
}

LiveObject::LiveObject() {
    InterlockedIncrement(&g_liveObjects);
}

LiveObject::~LiveObject() {
    InterlockedDecrement(&g_liveObjects);
}

// Window classes a DLL registers outlive it; a later load at another address
// would find classes that point into the old image, so they go with it.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        UnregisterEventWindowClass();
        UnregisterViewWindowClass();
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() {
    return ModuleCanUnload() ? S_OK : S_FALSE;
}
