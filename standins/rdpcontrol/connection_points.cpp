// The control's one connection point, for its event interface. The sinks
// live in the control; every connection point object handed out is a view
// of them that holds the control alive, so none can outlive what it points
// into and no reference cycle forms.
#include "standins/rdpcontrol/control.h"
#include "standins/rdpcontrol/journal.h"

namespace {

class EventConnectionPoint final : public SingleInterfaceObject<IConnectionPoint, &IID_IConnectionPoint> {
public:
    explicit EventConnectionPoint(RdpControl* control) : control_(control) { control_->AddRef(); }

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        if (iid == nullptr) return E_POINTER;
        *iid = kIidMsTscAxEvents;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override {
        if (container == nullptr) return E_POINTER;
        *container = static_cast<IConnectionPointContainer*>(control_);
        (*container)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
        Journal("Advise");
        if (cookie == nullptr) return E_POINTER;
        *cookie = 0;
        if (sink == nullptr) return E_POINTER;
        const HRESULT failure = FailureOption("advise_fail_hr");
        if (failure != S_OK) return failure;
        return control_->AddSink(sink, cookie);
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        Journal("Unadvise");
        return control_->RemoveSink(cookie);
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override {
        if (connections != nullptr) *connections = nullptr;
        return E_NOTIMPL;
    }

private:
    ~EventConnectionPoint() { control_->Release(); }

    RdpControl* control_;
};

// Enumerates the one connection point.
class ConnectionPointEnumerator final
    : public SingleInterfaceObject<IEnumConnectionPoints, &IID_IEnumConnectionPoints> {
public:
    ConnectionPointEnumerator(RdpControl* control, ULONG position) : control_(control), position_(position) {
        control_->AddRef();
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint** points, ULONG* fetched) override {
        if (points == nullptr || (count > 1 && fetched == nullptr)) return E_POINTER;
        ULONG given = 0;
        while (given < count && position_ < kPoints) {
            IConnectionPoint* point = new (std::nothrow) EventConnectionPoint(control_);
            if (point == nullptr) break;
            points[given++] = point;
            ++position_;
        }
        if (fetched != nullptr) *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const ULONG left = kPoints - position_;
        position_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** copy) override {
        if (copy == nullptr) return E_POINTER;
        *copy = new (std::nothrow) ConnectionPointEnumerator(control_, position_);
        return *copy != nullptr ? S_OK : E_OUTOFMEMORY;
    }

private:
    static constexpr ULONG kPoints = 1;

    ~ConnectionPointEnumerator() { control_->Release(); }

    RdpControl* control_;
    ULONG position_;
};

}  // namespace

HRESULT RdpControl::EnumConnectionPoints(IEnumConnectionPoints** points) {
    if (points == nullptr) return E_POINTER;
    *points = new (std::nothrow) ConnectionPointEnumerator(this, 0);
    return *points != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT RdpControl::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (point == nullptr) return E_POINTER;
    *point = nullptr;
    if (iid != kIidMsTscAxEvents || Option("no_exact_connection_point") != 0) return CONNECT_E_NOCONNECTION;
    *point = new (std::nothrow) EventConnectionPoint(this);
    return *point != nullptr ? S_OK : E_OUTOFMEMORY;
}
