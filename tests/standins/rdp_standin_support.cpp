#include "standins/rdp_standin_support.h"

HRESULT TestSite::QueryInterface(REFIID iid, void** object) {
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
        *object = static_cast<IOleClientSite*>(this);
    } else if (iid == IID_IOleInPlaceSite || iid == IID_IOleWindow) {
        *object = static_cast<IOleInPlaceSite*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT TestSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT TestSite::GetContainer(IOleContainer** container) {
    *container = nullptr;
    return E_NOINTERFACE;
}

HRESULT TestSite::GetWindow(HWND* window) {
    *window = window_;
    return S_OK;
}

HRESULT TestSite::OnInPlaceActivate() {
    ++activations;
    return S_OK;
}

HRESULT TestSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                   LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    *frame = nullptr;
    *document = nullptr;
    *position = position_;
    *clip = position_;
    frameInfoSized = info->cb == sizeof(OLEINPLACEFRAMEINFO);
    info->fMDIApp = FALSE;
    info->hwndFrame = window_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

HRESULT TestSite::OnInPlaceDeactivate() {
    ++deactivations;
    return S_OK;
}

HRESULT RecordingSink::QueryInterface(REFIID iid, void** object) {
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != kEventsIid) return E_NOINTERFACE;
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

HRESULT RecordingSink::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

HRESULT RecordingSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                              UINT*) {
    FiredEvent event{dispid, {}, {}, GetCurrentThreadId()};
    for (UINT i = 0; i < params->cArgs; ++i) {
        const VARIANT& argument = params->rgvarg[i];
        event.types.push_back(argument.vt);
        event.values.push_back(argument.vt == (VT_BYREF | VT_I4) ? *argument.plVal : argument.lVal);
    }
    events.push_back(event);
    if (onEvent) onEvent(dispid);
    return S_OK;
}

const FiredEvent* RecordingSink::find(DISPID dispid) const {
    for (const FiredEvent& event : events) {
        if (event.dispid == dispid) return &event;
    }
    return nullptr;
}

std::vector<DISPID> RecordingSink::dispids() const {
    std::vector<DISPID> ids;
    for (const FiredEvent& event : events) ids.push_back(event.dispid);
    return ids;
}

DISPID IdOf(IDispatch* object, const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

VARIANT I4(long value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT Bool(bool value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

VARIANT Str(const wchar_t* text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
    return v;
}

HRESULT Put(IDispatch* object, const wchar_t* name, VARIANT value, UINT* argErr) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&value, &named, 1, 1};
    const HRESULT hr = object->Invoke(IdOf(object, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                                      &params, nullptr, nullptr, argErr);
    VariantClear(&value);
    return hr;
}

HRESULT Get(IDispatch* object, const wchar_t* name, VARIANT* result) {
    VariantInit(result);
    DISPPARAMS params = {};
    return object->Invoke(IdOf(object, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &params,
                          result, nullptr, nullptr);
}

std::wstring GetText(IDispatch* object, const wchar_t* name) {
    VARIANT value;
    if (FAILED(Get(object, name, &value)) || value.vt != VT_BSTR) return L"<none>";
    std::wstring text = value.bstrVal != nullptr ? value.bstrVal : L"";
    VariantClear(&value);
    return text;
}

long GetNumber(IDispatch* object, const wchar_t* name) {
    VARIANT value;
    if (FAILED(Get(object, name, &value)) || value.vt != VT_I4) return -12345;
    return value.lVal;
}

HRESULT Call(IDispatch* object, const wchar_t* name, std::vector<long> arguments, VARIANT* result, WORD flags,
             EXCEPINFO* exception) {
    std::vector<VARIANT> reversed;
    for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) reversed.push_back(I4(*it));
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                         static_cast<UINT>(reversed.size()), 0};
    if (result != nullptr) VariantInit(result);
    return object->Invoke(IdOf(object, name), IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                          exception, nullptr);
}

std::vector<DWORD> Capture(HWND window, int* width) {
    RECT client;
    GetClientRect(window, &client);
    *width = client.right;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC memory = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    PrintWindow(window, memory, PW_CLIENTONLY);
    GdiFlush();
    const DWORD* pixels = static_cast<const DWORD*>(bits);
    std::vector<DWORD> result(pixels, pixels + client.right * client.bottom);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    for (DWORD& pixel : result) pixel &= 0x00FFFFFF;
    return result;
}

int LightPixels(const std::vector<DWORD>& pixels) {
    int count = 0;
    for (DWORD pixel : pixels) {
        if ((pixel & 0xFF) > 0xB0 && ((pixel >> 8) & 0xFF) > 0xB0 && ((pixel >> 16) & 0xFF) > 0xB0) ++count;
    }
    return count;
}
