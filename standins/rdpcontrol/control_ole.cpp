// The control's OLE faces: how a container sites it, activates it in place
// (which makes its window) and closes it.
#include "standins/rdpcontrol/control.h"
#include "standins/rdpcontrol/journal.h"
#include "standins/rdpcontrol/standin_control.h"
#include "standins/rdpcontrol/text.h"

namespace {

template <typename Interface>
void ReleaseAndClear(Interface** pointer) {
    if (*pointer == nullptr) return;
    (*pointer)->Release();
    *pointer = nullptr;
}

bool ActivatesInPlace(LONG verb) {
    return verb == OLEIVERB_INPLACEACTIVATE || verb == OLEIVERB_UIACTIVATE || verb == OLEIVERB_SHOW ||
           verb == OLEIVERB_PRIMARY;
}

}  // namespace

HRESULT RdpControl::SetClientSite(IOleClientSite* site) {
    Journal(site != nullptr ? "SetClientSite site" : "SetClientSite null");
    if (site != nullptr) site->AddRef();
    ReleaseAndClear(&clientSite_);
    clientSite_ = site;
    return S_OK;
}

HRESULT RdpControl::GetClientSite(IOleClientSite** site) {
    if (site == nullptr) return E_POINTER;
    *site = clientSite_;
    if (clientSite_ != nullptr) clientSite_->AddRef();
    return S_OK;
}

HRESULT RdpControl::SetHostNames(LPCOLESTR container, LPCOLESTR document) {
    return Guarded([&] {
        Journal("SetHostNames " + Utf8(container) + " " + Utf8(document));
        return S_OK;
    });
}

HRESULT RdpControl::Close(DWORD option) {
    return Guarded([&] {
        Journal("Close " + std::to_string(option));
        // Nothing fires once the container has closed the control: its
        // handlers may already be gone.
        const bool live = state_ == SessionState::kConnecting || state_ == SessionState::kConnected;
        DropConnection();
        if (live) {
            state_ = SessionState::kDisconnected;
            lastReason_ = kReasonLocal;
        }
        queue_.Clear();
        DeactivateInPlace();
        ReleaseAndClear(&clientSite_);
        return S_OK;
    });
}

HRESULT RdpControl::SetMoniker(DWORD, IMoniker*) {
    return E_NOTIMPL;
}

HRESULT RdpControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker != nullptr) *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT RdpControl::InitFromData(IDataObject*, BOOL, DWORD) {
    return E_NOTIMPL;
}

HRESULT RdpControl::GetClipboardData(DWORD, IDataObject** data) {
    if (data != nullptr) *data = nullptr;
    return E_NOTIMPL;
}

HRESULT RdpControl::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent,
                           LPCRECT position) {
    return Guarded([&] {
        Journal("DoVerb " + std::to_string(verb) + " " +
                (position != nullptr ? RectText(position) : std::string("0 0 0 0")));
        const HRESULT failure = FailureOption("doverb_fail_hr");
        if (failure != S_OK) return failure;
        if (verb == OLEIVERB_HIDE) {
            if (view_ != nullptr) ShowWindow(view_, SW_HIDE);
            return S_OK;
        }
        if (!ActivatesInPlace(verb)) return verb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
        if (!initialised_) return E_UNEXPECTED;
        const HRESULT activated = ActivateInPlace(activeSite, parent);
        // Once its window exists the control may pump messages before the
        // call returns; it touches the site no more in this call.
        if (SUCCEEDED(activated) && Option("pump_in_doverb") != 0) PumpWaitingMessages();
        return activated;
    });
}

HRESULT RdpControl::EnumVerbs(IEnumOLEVERB** verbs) {
    if (verbs != nullptr) *verbs = nullptr;
    return OLEOBJ_E_NOVERBS;
}

HRESULT RdpControl::Update() {
    return S_OK;
}

HRESULT RdpControl::IsUpToDate() {
    return S_OK;
}

HRESULT RdpControl::GetUserClassID(CLSID* clsid) {
    if (clsid == nullptr) return E_POINTER;
    *clsid = kStandinControlClsid;
    return S_OK;
}

HRESULT RdpControl::GetUserType(DWORD, LPOLESTR* userType) {
    if (userType != nullptr) *userType = nullptr;
    return OLE_S_USEREG;
}

HRESULT RdpControl::SetExtent(DWORD, SIZEL*) {
    return E_NOTIMPL;
}

HRESULT RdpControl::GetExtent(DWORD, SIZEL*) {
    return E_NOTIMPL;
}

HRESULT RdpControl::Advise(IAdviseSink*, DWORD* connection) {
    if (connection != nullptr) *connection = 0;
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT RdpControl::Unadvise(DWORD) {
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT RdpControl::EnumAdvise(IEnumSTATDATA** advises) {
    if (advises != nullptr) *advises = nullptr;
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT RdpControl::GetMiscStatus(DWORD, DWORD* status) {
    if (status == nullptr) return E_POINTER;
    *status = OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT |
              OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;
    return S_OK;
}

HRESULT RdpControl::SetColorScheme(LOGPALETTE*) {
    return E_NOTIMPL;
}

HRESULT RdpControl::GetWindow(HWND* window) {
    if (window == nullptr) return E_POINTER;
    *window = view_;
    return view_ != nullptr ? S_OK : E_FAIL;
}

HRESULT RdpControl::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}

HRESULT RdpControl::InPlaceDeactivate() {
    DeactivateInPlace();
    return S_OK;
}

HRESULT RdpControl::UIDeactivate() {
    return S_OK;
}

HRESULT RdpControl::SetObjectRects(LPCRECT position, LPCRECT clip) {
    return Guarded([&] {
        Journal("SetObjectRects " + RectText(position) + " / " + RectText(clip));
        if (position == nullptr) return E_INVALIDARG;
        if (view_ != nullptr) {
            MoveWindow(view_, position->left, position->top, position->right - position->left,
                       position->bottom - position->top, TRUE);
        }
        return S_OK;
    });
}

HRESULT RdpControl::ReactivateAndUndo() {
    return INPLACE_E_NOTUNDOABLE;
}

// The steps of a real control's in-place activation, in its order, so a
// container that gets one of them wrong finds out here.
HRESULT RdpControl::ActivateInPlace(IOleClientSite* activeSite, HWND parent) {
    if (inPlaceSite_ != nullptr) {  // already active
        if (view_ != nullptr) ShowWindow(view_, SW_SHOW);
        return S_OK;
    }
    IOleClientSite* site = activeSite != nullptr ? activeSite : clientSite_;
    if (site == nullptr) return E_UNEXPECTED;
    IOleInPlaceSite* inPlaceSite = nullptr;
    if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlaceSite))) ||
        inPlaceSite == nullptr) {
        return E_NOINTERFACE;
    }
    if (inPlaceSite->CanInPlaceActivate() != S_OK) {
        inPlaceSite->Release();
        return E_FAIL;
    }
    inPlaceSite_ = inPlaceSite;
    inPlaceSite_->OnInPlaceActivate();

    HWND siteWindow = nullptr;
    if (SUCCEEDED(inPlaceSite_->GetWindow(&siteWindow)) && siteWindow != nullptr) parent = siteWindow;
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = nullptr;
    RECT placed = {};
    RECT clip = {};
    OLEINPLACEFRAMEINFO frameInfo = {};
    frameInfo.cb = sizeof frameInfo;
    const HRESULT context = inPlaceSite_->GetWindowContext(&frame, &document, &placed, &clip, &frameInfo);
    if (frame != nullptr) frame->Release();
    if (document != nullptr) document->Release();
    if (FAILED(context)) {
        DeactivateInPlace();
        return context;
    }

    if (Option("no_window") != 0) return S_OK;
    view_ = CreateViewWindow(parent, placed, this);
    if (view_ != nullptr) return S_OK;
    const HRESULT failure = HRESULT_FROM_WIN32(GetLastError());
    DeactivateInPlace();
    return FAILED(failure) ? failure : E_FAIL;
}

void RdpControl::DeactivateInPlace() {
    if (view_ != nullptr) DestroyWindow(view_);
    view_ = nullptr;
    if (inPlaceSite_ == nullptr) return;
    IOleInPlaceSite* site = inPlaceSite_;
    inPlaceSite_ = nullptr;
    site->OnInPlaceDeactivate();
    site->Release();
}

HRESULT RdpControl::GetClassID(CLSID* clsid) {
    if (clsid == nullptr) return E_POINTER;
    *clsid = class_.clsid;
    return S_OK;
}

HRESULT RdpControl::IsDirty() {
    return S_FALSE;
}

// The stand-in keeps nothing across runs: a stream is read as empty.
HRESULT RdpControl::Load(LPSTREAM stream) {
    Journal("Load");
    if (stream == nullptr) return E_POINTER;
    if (initialised_) return E_UNEXPECTED;
    initialised_ = true;
    return S_OK;
}

HRESULT RdpControl::Save(LPSTREAM stream, BOOL) {
    return stream != nullptr ? S_OK : E_POINTER;
}

HRESULT RdpControl::GetSizeMax(ULARGE_INTEGER* size) {
    if (size == nullptr) return E_POINTER;
    size->QuadPart = 0;
    return S_OK;
}

// "CO_E_ALREADYINITIALIZED: the object has already been initialized"
// (learn.microsoft.com/windows/win32/api/ocidl/nf-ocidl-ipersiststreaminit-initnew).
HRESULT RdpControl::InitNew() {
    Journal("InitNew");
    if (initialised_) return CO_E_ALREADYINITIALIZED;
    initialised_ = true;
    return S_OK;
}
