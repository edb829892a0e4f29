#include "standins/rdpcontrol/drive_collection.h"

#include <string>
#include <vector>

#include "standins/rdpcontrol/journal.h"
#include "standins/rdpcontrol/module.h"

namespace {

std::string BoolText(VARIANT_BOOL value) {
    return value == VARIANT_FALSE ? "bool:0" : "bool:-1";
}

// One drive: answers for IMsRdpDrive and, as on every current control,
// IMsRdpDriveV2 (imsrdpdrivev2: Windows 7 SP1 and later).
class Drive final : public SingleInterfaceObject<IMsRdpDriveV2, &IID_IMsRdpDrive, &IID_IMsRdpDriveV2> {
public:
    Drive(ULONG index, VARIANT_BOOL state) : index_(index), state_(state) {}

    ULONG index() const { return index_; }

    HRESULT STDMETHODCALLTYPE put_RedirectionState(VARIANT_BOOL state) override {
        Journal("vtable put_RedirectionState " + Letter() + ": " + BoolText(state));
        const HRESULT refused = FailureOption("redirection_state_fail_hr");
        if (FAILED(refused)) return refused;
        state_ = state == VARIANT_FALSE ? VARIANT_FALSE : VARIANT_TRUE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override {
        if (name == nullptr) return E_POINTER;
        const wchar_t text[] = {static_cast<wchar_t>(L'A' + index_), L':', 0};
        *name = SysAllocString(text);
        return *name == nullptr ? E_OUTOFMEMORY : S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_RedirectionState(VARIANT_BOOL* state) override {
        if (state == nullptr) return E_POINTER;
        *state = state_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_DriveLetterIndex(ULONG* index) override {
        if (index == nullptr) return E_POINTER;
        *index = index_;
        return S_OK;
    }

private:
    std::string Letter() const { return std::string(1, static_cast<char>('A' + index_)); }

    const ULONG index_;
    VARIANT_BOOL state_;
};

class DriveCollection final
    : public SingleInterfaceObject<IMsRdpDriveCollection, &IID_IMsRdpDriveCollection> {
public:
    DriveCollection() { Rescan(VARIANT_TRUE); }

    HRESULT STDMETHODCALLTYPE RescanDrives(VARIANT_BOOL redirectNew) override {
        Journal("vtable RescanDrives " + BoolText(redirectNew));
        return Guarded([&] {
            Rescan(redirectNew);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_DriveCount(ULONG* count) override {
        if (count == nullptr) return E_POINTER;
        *count = static_cast<ULONG>(drives_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_DriveByIndex(ULONG index, IMsRdpDrive** drive) override {
        if (drive == nullptr) return E_POINTER;
        *drive = nullptr;
        if (index >= drives_.size()) return E_INVALIDARG;
        drives_[index]->AddRef();
        *drive = drives_[index];
        return S_OK;
    }

private:
    ~DriveCollection() override {
        for (Drive* drive : drives_) drive->Release();
    }

    // Drives that are gone leave the collection; ones that appeared join it
    // in the state the caller gives; the others keep theirs.
    void Rescan(VARIANT_BOOL redirectNew) {
        const DWORD present = GetLogicalDrives();
        std::vector<Drive*> now;
        now.reserve(26);
        for (ULONG index = 0; index < 26; ++index) {
            if ((present & (1u << index)) == 0) continue;
            Drive* kept = nullptr;
            for (Drive* drive : drives_)
                if (drive->index() == index) kept = drive;
            if (kept != nullptr) {
                kept->AddRef();
            } else {
                kept = new Drive(index, redirectNew);
            }
            now.push_back(kept);
        }
        for (Drive* drive : drives_) drive->Release();
        drives_.swap(now);
    }

    std::vector<Drive*> drives_;
};

}  // namespace

HRESULT NewDriveCollection(IMsRdpDriveCollection** collection) {
    if (collection == nullptr) return E_POINTER;
    *collection = nullptr;
    return Guarded([&] {
        *collection = new DriveCollection();
        return S_OK;
    });
}
