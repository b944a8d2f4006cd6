// Connection points an object embeds: the sinks of one outgoing interface
// in numbered slots, and the container that lists the object's points.
// Both count their references on the object that owns them.
#pragma once

#include "platform/ComConnection.h"

#include <span>
#include <vector>

namespace platform {

class ConnectionPoint final : public IConnectionPoint {
public:
    // `limit` 0 means no fixed limit. With `acceptDispatch` a sink that does
    // not answer `iid` may connect through IDispatch (dispatch-only events).
    ConnectionPoint(IUnknown& owner, IConnectionPointContainer& container, const IID& iid, std::size_t limit,
                    bool acceptDispatch);
    ~ConnectionPoint();
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetConnectionInterface(IID* iid) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) override;
    // The cookie is the slot number plus one; the first free slot is taken.
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT Unadvise(DWORD cookie) override;
    HRESULT EnumConnections(IEnumConnections** connections) override;

    const IID& Iid() const { return iid_; }
    // The connected sinks in slot order, each held by a reference, as the
    // interface they connected with (the point's own, or IDispatch), so that
    // a sink may disconnect while the others are being called.
    std::vector<ComPtr<IUnknown>> Sinks() const;
    // The same without allocating, for a point with a limit no larger than
    // out.size(): the sinks go into `out`; how many there are.
    std::size_t CopySinks(std::span<ComPtr<IUnknown>> out) const;

private:
    IUnknown& owner_;
    IConnectionPointContainer& container_;
    IID iid_;
    std::size_t limit_;
    bool acceptDispatch_;
    std::vector<IUnknown*> slots_;  // null: free
};

class ConnectionPointContainer final : public IConnectionPointContainer {
public:
    explicit ConnectionPointContainer(IUnknown& owner) : owner_(owner) {}
    ConnectionPointContainer(const ConnectionPointContainer&) = delete;
    ConnectionPointContainer& operator=(const ConnectionPointContainer&) = delete;

    void Add(ConnectionPoint& point) { points_.push_back(&point); }

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override { return owner_.AddRef(); }
    ULONG Release() override { return owner_.Release(); }
    HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

private:
    IUnknown& owner_;
    std::vector<ConnectionPoint*> points_;
};

}  // namespace platform
