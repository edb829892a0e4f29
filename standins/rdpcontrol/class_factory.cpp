// The class object COM asks the DLL for.
#include "standins/rdpcontrol/control.h"
#include "standins/rdpcontrol/control_classes.h"
#include "standins/rdpcontrol/standin_control.h"

namespace {

class ControlFactory final : public SingleInterfaceObject<IClassFactory, &IID_IClassFactory> {
public:
    explicit ControlFactory(const ControlClass& controlClass) : class_(controlClass) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (object != nullptr) *object = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        return RdpControl::Create(class_, iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        LockModule(lock != FALSE);
        return S_OK;
    }

private:
    ~ControlFactory() = default;

    const ControlClass& class_;
};

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    const ControlClass* controlClass = FindControlClass(clsid);
    if (controlClass == nullptr) return CLASS_E_CLASSNOTAVAILABLE;
    ControlFactory* factory = new (std::nothrow) ControlFactory(*controlClass);
    if (factory == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = factory->QueryInterface(iid, object);
    factory->Release();
    return result;
}
