#include "rdp/control_drives_win.h"

#include <cstdio>

#include "rdp/vtable_interfaces.h"

namespace {

std::string Failed(const char* what, HRESULT hr) {
    char text[96];
    std::snprintf(text, sizeof text, "%s 失败（0x%08lX）", what, static_cast<unsigned long>(hr));
    return text;
}

// A library that has the collection but not a drive's letter or state would
// leave some drives as they were: every slot or none.
bool AllFound(const int (&offsets)[6]) {
    for (int offset : offsets)
        if (offset < 0) return false;
    return true;
}

}  // namespace

bool ControlDrives::ReadSlots(IDispatch* control, std::string* error) {
    const TypeLibrarySlots library = TypeLibrarySlots::Of(control);
    if (!library) {
        *error = "控件没有提供类型库";
        return false;
    }
    slots_.collection =
        library.Offset(kIidMsRdpClientNonScriptable3, L"DriveCollection", INVOKE_PROPERTYGET, 1);
    slots_.rescan = library.Offset(kIidMsRdpDriveCollection, L"RescanDrives", INVOKE_FUNC, 1);
    slots_.count = library.Offset(kIidMsRdpDriveCollection, L"DriveCount", INVOKE_PROPERTYGET, 1);
    slots_.byIndex = library.Offset(kIidMsRdpDriveCollection, L"DriveByIndex", INVOKE_PROPERTYGET, 2);
    slots_.letterIndex = library.Offset(kIidMsRdpDriveV2, L"DriveLetterIndex", INVOKE_PROPERTYGET, 1);
    slots_.putState = library.Offset(kIidMsRdpDrive, L"RedirectionState", INVOKE_PROPERTYPUT, 1);
    const int offsets[] = {slots_.collection, slots_.rescan,      slots_.count,
                           slots_.byIndex,    slots_.letterIndex, slots_.putState};
    if (!AllFound(offsets)) {
        *error = "控件的类型库里没有驱动器集合的全部成员";
        return false;
    }
    return true;
}

bool ControlDrives::Open(IDispatch* control, IUnknown* nonScriptable3, std::string* error) {
    drives_.clear();
    if (!ReadSlots(control, error)) return false;
    // The property hands out an IMsRdpDriveCollection pointer, the one the
    // collection's slots are read for.
    ComPtr<IUnknown> drives;
    HRESULT hr = CallVtableSlot(nonScriptable3, slots_.collection, drives.put());
    if (FAILED(hr) || !drives) {
        *error = Failed("DriveCollection", hr);
        return false;
    }
    if (FAILED(hr = CallVtableSlot(drives.get(), slots_.rescan, VARIANT_FALSE))) {
        *error = Failed("RescanDrives", hr);
        return false;
    }
    ULONG count = 0;
    if (FAILED(hr = CallVtableSlot(drives.get(), slots_.count, &count))) {
        *error = Failed("DriveCount", hr);
        return false;
    }
    // Every entry, however many: one left unread would keep whatever state
    // the control gave it.
    for (ULONG index = 0; index < count; ++index)
        if (!ReadDrive(drives.get(), index, error)) return false;
    return true;
}

bool ControlDrives::ReadDrive(IUnknown* collection, ULONG index, std::string* error) {
    ComPtr<IUnknown> drive;
    HRESULT hr = CallVtableSlot(collection, slots_.byIndex, index, drive.put());
    if (FAILED(hr) || !drive) {
        *error = Failed("DriveByIndex", hr);
        return false;
    }
    Drive found;
    ULONG letter = 0;
    if (FAILED(hr = drive.As(kIidMsRdpDriveV2, &found.object)) ||
        FAILED(hr = CallVtableSlot(found.object.get(), slots_.letterIndex, &letter)) || letter >= 26) {
        *error = Failed("DriveLetterIndex", FAILED(hr) ? hr : E_UNEXPECTED);
        return false;
    }
    found.letter = static_cast<char>('A' + letter);
    drives_.push_back(std::move(found));
    return true;
}

std::string ControlDrives::Letters() const {
    std::string letters;
    for (const Drive& drive : drives_) letters += drive.letter;
    return letters;
}

bool ControlDrives::Choose(std::string_view chosen, std::string* error) {
    for (const Drive& drive : drives_) {
        // IMsRdpDriveV2 derives from IMsRdpDrive: the same pointer serves both.
        const VARIANT_BOOL state =
            chosen.find(drive.letter) != std::string_view::npos ? VARIANT_TRUE : VARIANT_FALSE;
        const HRESULT hr = CallVtableSlot(drive.object.get(), slots_.putState, state);
        if (FAILED(hr)) {
            *error = Failed("RedirectionState", hr);
            return false;
        }
    }
    return true;
}
