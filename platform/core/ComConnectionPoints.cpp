#include "platform/ComConnectionPoints.h"

#include <algorithm>

namespace platform {

namespace {

// A snapshot enumerator over items that each hold a reference.
template <typename Interface, typename Item, const IID& Iid>
class Enumerator final : public ComObject<Enumerator<Interface, Item, Iid>, ComInterface<Interface, Iid>> {
public:
    explicit Enumerator(std::vector<Item> items, std::size_t position = 0)
        : items_(std::move(items)), position_(position) {}
    ~Enumerator() {
        for (Item& item : items_) Unknown(item)->Release();
    }

    HRESULT Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG given = 0;
        for (; given < count && position_ < items_.size(); ++given, ++position_) {
            out[given] = items_[position_];
            Unknown(out[given])->AddRef();
        }
        if (fetched) *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        const std::size_t left = items_.size() - position_;
        position_ += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT Clone(Interface** copy) override {
        if (!copy) return E_POINTER;
        for (Item& item : items_) Unknown(item)->AddRef();
        *copy = new Enumerator(items_, position_);
        return S_OK;
    }

private:
    static IUnknown* Unknown(const CONNECTDATA& data) { return data.pUnk; }
    static IUnknown* Unknown(IConnectionPoint* point) { return point; }

    std::vector<Item> items_;
    std::size_t position_;
};

using ConnectionsEnumerator = Enumerator<IEnumConnections, CONNECTDATA, IID_IEnumConnections>;
using PointsEnumerator = Enumerator<IEnumConnectionPoints, IConnectionPoint*, IID_IEnumConnectionPoints>;

}  // namespace

ConnectionPoint::ConnectionPoint(IUnknown& owner, IConnectionPointContainer& container, const IID& iid,
                                 std::size_t limit, bool acceptDispatch)
    : owner_(owner), container_(container), iid_(iid), limit_(limit), acceptDispatch_(acceptDispatch) {}

ConnectionPoint::~ConnectionPoint() {
    for (IUnknown* sink : slots_)
        if (sink) sink->Release();
}

HRESULT ConnectionPoint::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid != IID_IUnknown && riid != IID_IConnectionPoint) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

ULONG ConnectionPoint::AddRef() { return owner_.AddRef(); }

ULONG ConnectionPoint::Release() { return owner_.Release(); }

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = iid_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    container_.AddRef();
    *container = &container_;
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    std::size_t slot = 0;
    while (slot < slots_.size() && slots_[slot]) ++slot;
    if (limit_ && slot >= limit_) return CONNECT_E_ADVISELIMIT;
    void* connected = nullptr;
    if (FAILED(sink->QueryInterface(iid_, &connected)) &&
        (!acceptDispatch_ || FAILED(sink->QueryInterface(IID_IDispatch, &connected))))
        return CONNECT_E_CANNOTCONNECT;
    if (slot == slots_.size()) slots_.push_back(nullptr);
    slots_[slot] = static_cast<IUnknown*>(connected);
    *cookie = static_cast<DWORD>(slot + 1);
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
    if (cookie == 0 || cookie > slots_.size() || !slots_[cookie - 1]) return CONNECT_E_NOCONNECTION;
    IUnknown* sink = std::exchange(slots_[cookie - 1], nullptr);
    sink->Release();
    return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** connections) {
    if (!connections) return E_POINTER;
    std::vector<CONNECTDATA> items;
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (slots_[i]) {
            slots_[i]->AddRef();
            items.push_back({slots_[i], static_cast<DWORD>(i + 1)});
        }
    *connections = new ConnectionsEnumerator(std::move(items));
    return S_OK;
}

std::vector<ComPtr<IUnknown>> ConnectionPoint::Sinks() const {
    std::vector<ComPtr<IUnknown>> sinks;
    for (IUnknown* sink : slots_)
        if (sink) sinks.emplace_back(sink);
    return sinks;
}

std::size_t ConnectionPoint::CopySinks(std::span<ComPtr<IUnknown>> out) const {
    std::size_t count = 0;
    for (IUnknown* sink : slots_)
        if (sink && count < out.size()) out[count++] = ComPtr<IUnknown>(sink);
    return count;
}

HRESULT ConnectionPointContainer::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IConnectionPointContainer) {
        *object = static_cast<IConnectionPointContainer*>(this);
        AddRef();
        return S_OK;
    }
    return owner_.QueryInterface(riid, object);
}

HRESULT ConnectionPointContainer::EnumConnectionPoints(IEnumConnectionPoints** points) {
    if (!points) return E_POINTER;
    std::vector<IConnectionPoint*> items;
    for (ConnectionPoint* point : points_) {
        point->AddRef();
        items.push_back(point);
    }
    *points = new PointsEnumerator(std::move(items));
    return S_OK;
}

HRESULT ConnectionPointContainer::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    for (ConnectionPoint* candidate : points_)
        if (candidate->Iid() == riid) {
            candidate->AddRef();
            *point = candidate;
            return S_OK;
        }
    return CONNECT_E_NOCONNECTION;
}

}  // namespace platform
