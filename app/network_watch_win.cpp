// clang-format off
// In this order: the interface functions of iphlpapi.h need ws2ipdef.h's
// types, which ws2tcpip.h brings.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <windows.h>
// clang-format on

#include "app/main_window_messages.h"
#include "app/network_watch.h"
#include "core/log.h"

namespace {

// On a thread of the system's: only posts ("NotifyIpInterfaceChange
// function", learn.microsoft.com/windows/win32/api/netioapi/
// nf-netioapi-notifyipinterfacechange).
VOID NETIOAPI_API_ OnInterfaceChange(PVOID context, PMIB_IPINTERFACE_ROW, MIB_NOTIFICATION_TYPE) {
    PostMessageW(static_cast<HWND>(context), WM_APP_NETWORK_CHANGED, 0, 0);
}

}  // namespace

bool NetworkWatch::Start(HWND window) {
    window_ = window;
    // AF_UNSPEC: IPv4 and IPv6 both; no initial notification, the first
    // sweep starts with the window anyway.
    const DWORD status = NotifyIpInterfaceChange(AF_UNSPEC, &OnInterfaceChange, window, FALSE, &handle_);
    if (status != NO_ERROR) {
        handle_ = nullptr;
        LogF(kLogWarn, "网络变化通知注册失败：%lu", static_cast<unsigned long>(status));
        return false;
    }
    return true;
}

// Not from the callback's thread, which would deadlock ("CancelMibChangeNotify2
// function", .../api/netioapi/nf-netioapi-cancelmibchangenotify2): the
// owner lives on the user-interface thread.
NetworkWatch::~NetworkWatch() {
    if (handle_ != nullptr) CancelMibChangeNotify2(handle_);
}
