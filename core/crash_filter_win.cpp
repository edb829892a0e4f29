#include <cstdint>

#include "core/crash_filter.h"
#include "core/log.h"
#include "core/text.h"

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* pointers) {
    if (pointers == nullptr || pointers->ExceptionRecord == nullptr) {
        Log(kLogFatal, "程序异常终止（无异常记录）");
        return EXCEPTION_EXECUTE_HANDLER;
    }
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    Log(kLogFatal,
        Format("程序异常终止：code=0x%08lX addr=", static_cast<unsigned long>(record.ExceptionCode)) +
            PointerHex(reinterpret_cast<std::uintptr_t>(record.ExceptionAddress)));
    for (DWORD i = 0; i < record.NumberParameters && i <= 3; ++i) {
        Log(kLogFatal, Format("  参数[%lu]=0x", static_cast<unsigned long>(i)) +
                           PointerHex(static_cast<std::uintptr_t>(record.ExceptionInformation[i])));
    }
    return EXCEPTION_EXECUTE_HANDLER;
}
