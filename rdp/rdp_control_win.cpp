// Finding, creating and configuring the platform's RDP control.
#include <cstdint>
#include <utility>

#include "core/log.h"
#include "core/text.h"
#include "core/unicode.h"
#include "rdp/control_classes.h"
#include "rdp/rdp_session.h"
#include "rdp/vtable_interfaces.h"

const IID kIidMsRdpExtendedSettings = {
    0x302D8188, 0x0052, 0x4807, {0x80, 0x6A, 0x36, 0x2B, 0x62, 0x8F, 0x9A, 0xC5}};
const IID kIidMsRdpClientNonScriptable3 = {
    0xB3378D90, 0x0728, 0x45C7, {0x8E, 0xD7, 0xB6, 0x15, 0x9F, 0xB9, 0x22, 0x19}};
const IID kIidMsRdpDriveCollection = {
    0x7FF17599, 0xDA2C, 0x4677, {0xAD, 0x35, 0xF6, 0x0C, 0x04, 0xFE, 0x15, 0x85}};
const IID kIidMsRdpDrive = {0xD28B5458, 0xF694, 0x47A8, {0x8E, 0x61, 0x40, 0x35, 0x6A, 0x76, 0x7E, 0x46}};
const IID kIidMsRdpDriveV2 = {0x3E05417C, 0x2721, 0x4008, {0x9D, 0x80, 0x4E, 0xDF, 0x15, 0x39, 0xC8, 0x17}};

namespace {

struct CreatedControl {
    ComPtr<IOleObject> object;
    std::string name;
    CLSID clsid = {};
};

HRESULT CreateControlObject(const CLSID& clsid, ComPtr<IOleObject>* object) {
    const HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object->put_void());
    if (SUCCEEDED(hr) && !*object) return E_NOINTERFACE;
    return hr;
}

bool TryCreate(const CLSID& clsid, std::string name, CreatedControl* created) {
    if (FAILED(CreateControlObject(clsid, &created->object))) {
        created->object.reset();
        return false;
    }
    created->name = std::move(name);
    created->clsid = clsid;
    return true;
}

// The newest documented class that can be created, then the ProgIDs.
bool CreateNewestControl(CreatedControl* created) {
    std::size_t count = 0;
    const RdpControlClass* classes = RdpControlClasses(&count);
    for (std::size_t i = 0; i < count; ++i) {
        if (TryCreate(classes[i].clsid, classes[i].name, created)) return true;
    }
    const wchar_t* const* progIds = RdpControlProgIds(&count);
    for (std::size_t i = 0; i < count; ++i) {
        CLSID clsid = {};
        if (SUCCEEDED(CLSIDFromProgID(progIds[i], &clsid)) && TryCreate(clsid, ToUtf8(progIds[i]), created))
            return true;
    }
    return false;
}

}  // namespace

bool ProbeRdpControl(std::string* className) {
    CreatedControl created;
    if (!CreateNewestControl(&created)) return false;
    created.object.reset();
    if (className != nullptr) *className = created.name;
    return true;
}

// The control may pump messages inside any call below (a prompt, its own
// window's creation), and the tab may be closed meanwhile: after each call
// the session checks that it is still the one that made it, and touches
// nothing of itself when it is not. Close has then told the control to let
// go of its site.
bool RdpSession::CreateControl(const ServerRecord& server) {
    CreatedControl created;
    if (!CreateNewestControl(&created)) {
        Log(kLogWarn, "系统里没有能创建的远程桌面控件，改用 mstsc.exe 模式");
        return false;
    }
    oleObject_ = std::move(created.object);
    LogF(kLogInfo, "已创建 RDP 控件 %s (CLSID=%08lX)", created.name.c_str(),
         static_cast<unsigned long>(created.clsid.Data1));
    const CallGuard guard = Guard();
    const ComPtr<IOleObject> object = ComPtr<IOleObject>::Retain(oleObject_.get());
    if (!InitialiseControl(object.get(), guard)) return false;
    object->SetHostNames(L"RDP", ToWide(server.host).c_str());
    if (!guard.Intact()) return false;
    object.As(IID_IDispatch, &dispatch_);
    if (!ActivateControl(object.get(), guard)) return false;
    HookEvents();
    if (!guard.Intact()) return false;
    ApplySettings(server);
    if (!guard.Intact()) return false;
    const SIZE size = HostClientSize();
    SyncControlRect(size.cx, size.cy);
    ShowWindow(controlWindow_, SW_SHOW);
    mode_ = SessionMode::ActiveX;
    return true;
}

// In-place activation in the host window, and the control's window.
bool RdpSession::ActivateControl(IOleObject* object, const CallGuard& guard) {
    RECT client = {};
    GetClientRect(hostWindow_, &client);
    const HRESULT activated = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr,
                                             static_cast<IOleClientSite*>(this), 0, hostWindow_, &client);
    if (!guard.Intact()) return false;
    if (FAILED(activated)) {
        LogF(kLogWarn, "控件原地激活失败 0x%08lX，改用 mstsc.exe 模式",
             static_cast<unsigned long>(activated));
        ReleaseControl();
        return false;
    }
    if (SUCCEEDED(oleObject_.As(IID_IOleInPlaceObject, &inPlaceObject_))) {
        inPlaceObject_->GetWindow(&controlWindow_);
    }
    if (controlWindow_ == nullptr) controlWindow_ = ::GetWindow(hostWindow_, GW_CHILD);
    if (controlWindow_ == nullptr) {
        Log(kLogWarn, "控件激活后拿不到窗口句柄，改用 mstsc.exe 模式");
        ReleaseControl();
        return false;
    }
    Log(kLogInfo, "RDP 控件窗口句柄 = " + PointerHex(reinterpret_cast<std::uintptr_t>(controlWindow_)));
    return true;
}

// The container's half of the control contract
// (learn.microsoft.com/windows/win32/com/controls-and-containers): the site
// comes before initialisation when the control asks for it first
// (OLEMISC_SETCLIENTSITEFIRST), and a control that keeps state is
// initialised as new (IPersistStreamInit::InitNew) before it is activated.
bool RdpSession::InitialiseControl(IOleObject* object, const CallGuard& guard) {
    DWORD status = 0;
    object->GetMiscStatus(DVASPECT_CONTENT, &status);
    const bool siteFirst = (status & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (siteFirst) object->SetClientSite(static_cast<IOleClientSite*>(this));
    if (!guard.Intact()) return false;
    ComPtr<IPersistStreamInit> persist;
    if (SUCCEEDED(object->QueryInterface(IID_IPersistStreamInit, persist.put_void())) && persist) {
        const HRESULT hr = persist->InitNew();
        if (!guard.Intact()) return false;
        if (FAILED(hr)) LogF(kLogWarn, "控件 InitNew 失败 0x%08lX", static_cast<unsigned long>(hr));
    }
    if (!siteFirst) object->SetClientSite(static_cast<IOleClientSite*>(this));
    return guard.Intact();
}

// Lets go of a control that could not be put to use.
void RdpSession::ReleaseControl() {
    oleObject_->SetClientSite(nullptr);
    inPlaceObject_.reset();
    oleObject_.reset();
    dispatch_.reset();
    advanced_.reset();
    controlWindow_ = nullptr;
}

HRESULT RdpSession::InvokeMethod(const wchar_t* name) {
    // The caller's own reference for the call: the session may be closed,
    // and let go of the control, inside it.
    const ComPtr<IDispatch> control = ComPtr<IDispatch>::Retain(dispatch_.get());
    if (!control) return E_POINTER;
    return DispatchInvoke(control.get(), name, DISPATCH_METHOD, nullptr, 0, nullptr);
}

void RdpSession::InvokeLogged(const wchar_t* name) {
    const HRESULT hr = InvokeMethod(name);
    if (FAILED(hr))
        LogF(kLogWarn, "调用 %s 失败 0x%08lX", ToUtf8(name).c_str(), static_cast<unsigned long>(hr));
}
