// The control's connection points: at most five event sinks served in slot
// order with their arguments, keys changed by reference, and property
// notifications that a container can refuse.
#include "TLangEvents.h"

#include "platform/ComDispatch.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform;
using namespace pevox;

namespace {

// The object that owns the connection points; it only counts references.
class Owner final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (riid != IID_IUnknown) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }
    ULONG references = 1;
};

// A host's sink: writes every event it hears into a shared log.
class RecordingSink : public EventSink {
public:
    RecordingSink(std::string name, std::vector<std::string>& log) : EventSink(DIID_ITLangEvents), name_(name) {
        const auto note = [this, &log](const std::string& text) { log.push_back(name_ + ":" + text); };
        On(TLangEventDispid::OnPrint, [note](const Args& args) {
            note("Print(" + Utf16ToCp1252(args.String(0)) + "," + (args.Bool(1) ? "true" : "false") + ")");
        });
        On(TLangEventDispid::OnScriptComplete, [note](const Args& args) {
            note("Complete(" + std::to_string(args.Long(0)) + "," + std::to_string(args.Long(1)) + ")");
        });
        On(TLangEventDispid::OnInitialize, [note](const Args&) { note("Initialize"); });
    }

private:
    std::string name_;
};

class TLangEventsTest : public ::testing::Test {
protected:
    Owner owner;
    TLangConnections connections{owner};
    std::vector<std::string> log;

    ComPtr<IConnectionPoint> Point(const IID& iid) {
        ComPtr<IConnectionPoint> point;
        EXPECT_EQ(connections.Container()->FindConnectionPoint(iid, point.Out()), S_OK);
        return point;
    }

    DWORD Connect(IUnknown* sink, const IID& iid = DIID_ITLangEvents) {
        DWORD cookie = 0;
        EXPECT_EQ(Point(iid)->Advise(sink, &cookie), S_OK);
        return cookie;
    }

    ComPtr<EventSink> Sink(const std::string& name) {
        return ComPtr<EventSink>::Adopt(new RecordingSink(name, log));
    }
};

TEST_F(TLangEventsTest, FiveSinksConnectAndASixthIsRefused) {
    std::vector<ComPtr<EventSink>> sinks;
    std::vector<DWORD> cookies;
    for (int i = 1; i <= 5; ++i) {
        sinks.push_back(Sink("s" + std::to_string(i)));
        cookies.push_back(Connect(sinks.back().Get()));
    }
    EXPECT_EQ(cookies, (std::vector<DWORD>{1, 2, 3, 4, 5}));
    ComPtr<EventSink> sixth = Sink("s6");
    DWORD cookie = 99;
    EXPECT_EQ(Point(DIID_ITLangEvents)->Advise(sixth.Get(), &cookie), CONNECT_E_ADVISELIMIT);
    EXPECT_EQ(cookie, 0u);

    connections.OnInitialize();
    connections.OnPrint("x", true);
    connections.OnScriptComplete(1, TxNormal);
    std::vector<std::string> expected;
    for (const char* event : {"Initialize", "Print(x,true)", "Complete(1,0)"})
        for (int i = 1; i <= 5; ++i) expected.push_back("s" + std::to_string(i) + ":" + event);
    EXPECT_EQ(log, expected);
}

TEST_F(TLangEventsTest, AFreedSlotIsTakenByTheNextSink) {
    ComPtr<EventSink> a = Sink("a"), b = Sink("b"), c = Sink("c"), d = Sink("d");
    Connect(a.Get());
    const DWORD second = Connect(b.Get());
    Connect(c.Get());
    ComPtr<IConnectionPoint> point = Point(DIID_ITLangEvents);
    EXPECT_EQ(point->Unadvise(second), S_OK);
    EXPECT_EQ(point->Unadvise(second), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point->Unadvise(77), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(Connect(d.Get()), second);
    connections.OnInitialize();
    EXPECT_EQ(log, (std::vector<std::string>{"a:Initialize", "d:Initialize", "c:Initialize"}));
}

TEST_F(TLangEventsTest, ArgumentsArriveLastFirstWithTheirTypes) {
    struct Seen {
        DISPID id;
        std::vector<VARTYPE> types;  // as in rgvarg: last argument first
    };
    std::vector<Seen> seen;
    ComPtr<EventSink> sink = ComPtr<EventSink>::Adopt(new EventSink(DIID_ITLangEvents));
    for (DISPID id : {TLangEventDispid::OnScriptError, TLangEventDispid::OnKeyUp, TLangEventDispid::OnUserFunction,
                      TLangEventDispid::OnStep, TLangEventDispid::OnDump, TLangEventDispid::OnBreakPoint})
        sink->On(id, [&seen, id](const EventSink::Args& args) {
            Seen entry{id, {}};
            for (UINT i = args.Count(); i-- > 0;) entry.types.push_back(args[i].vt);
            seen.push_back(entry);
        });
    Connect(sink.Get());
    std::int16_t key = 65;
    connections.OnScriptError(3, "Syntax error");
    connections.OnKeyUp(key, 1);
    connections.OnUserFunction(12, 2);
    connections.OnStep(4);
    connections.OnDump("X = 1");
    connections.OnBreakPoint();
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[0].types, (std::vector<VARTYPE>{VT_BSTR, VT_I4}));
    EXPECT_EQ(seen[1].types, (std::vector<VARTYPE>{VT_I2, VT_BYREF | VT_I2}));
    EXPECT_EQ(seen[2].types, (std::vector<VARTYPE>{VT_I4, VT_I4}));
    EXPECT_EQ(seen[3].types, (std::vector<VARTYPE>{VT_I4}));
    EXPECT_EQ(seen[4].types, (std::vector<VARTYPE>{VT_BSTR}));
    EXPECT_TRUE(seen[5].types.empty());
}

TEST_F(TLangEventsTest, ASinkChangesAKeyForTheNextSinkAndTheControl) {
    std::vector<std::int16_t> seenBySecond;
    ComPtr<EventSink> first = ComPtr<EventSink>::Adopt(new EventSink(DIID_ITLangEvents));
    ComPtr<EventSink> second = ComPtr<EventSink>::Adopt(new EventSink(DIID_ITLangEvents));
    first->On(TLangEventDispid::OnKeyDown, [](const EventSink::Args& args) { *args.ShortRef(0) = 0; });
    first->On(TLangEventDispid::OnKeyPress, [](const EventSink::Args& args) { *args.ShortRef(0) = 98; });
    second->On(TLangEventDispid::OnKeyDown, [&](const EventSink::Args& args) {
        seenBySecond.push_back(*args.ShortRef(0));
        EXPECT_EQ(args.Short(1), 4);
    });
    Connect(first.Get());
    Connect(second.Get());
    std::int16_t keyCode = 67;
    connections.OnKeyDown(keyCode, 4);
    EXPECT_EQ(seenBySecond, (std::vector<std::int16_t>{0}));
    EXPECT_EQ(keyCode, 0);
    std::int16_t key = 97;
    connections.OnKeyPress(key);
    EXPECT_EQ(key, 98);
}

// A sink that fails every event, or disconnects itself while it is called.
class AwkwardSink final : public EventSink {
public:
    AwkwardSink(IConnectionPoint* point, bool leave) : EventSink(DIID_ITLangEvents), point_(point), leave_(leave) {}
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        if (leave_) point_->Unadvise(cookie);
        return E_FAIL;
    }
    DWORD cookie = 0;

private:
    IConnectionPoint* point_;
    bool leave_;
};

TEST_F(TLangEventsTest, FailingAndLeavingSinksDoNotStopTheOthers) {
    ComPtr<IConnectionPoint> point = Point(DIID_ITLangEvents);
    ComPtr<AwkwardSink> failing = ComPtr<AwkwardSink>::Adopt(new AwkwardSink(point.Get(), false));
    ComPtr<AwkwardSink> leaving = ComPtr<AwkwardSink>::Adopt(new AwkwardSink(point.Get(), true));
    ComPtr<EventSink> last = Sink("last");
    Connect(failing.Get());
    leaving->cookie = Connect(leaving.Get());
    Connect(last.Get());
    connections.OnInitialize();
    connections.OnInitialize();
    EXPECT_EQ(log, (std::vector<std::string>{"last:Initialize", "last:Initialize"}));
    EXPECT_EQ(owner.references, 2u);  // the owner's own and the one `point` holds
}

// A container's property-notification sink that refuses edits of one property.
class NotifySink final : public ComObject<NotifySink, ComInterface<IPropertyNotifySink, IID_IPropertyNotifySink>> {
public:
    NotifySink(DISPID refused, std::vector<std::string>& log) : refused_(refused), log_(log) {}
    HRESULT OnChanged(DISPID dispid) override {
        log_.push_back("changed " + std::to_string(dispid));
        return S_OK;
    }
    HRESULT OnRequestEdit(DISPID dispid) override {
        log_.push_back("request " + std::to_string(dispid));
        return dispid == refused_ ? S_FALSE : S_OK;
    }

private:
    DISPID refused_;
    std::vector<std::string>& log_;
};

TEST_F(TLangEventsTest, PropertyNotificationsHaveNoFixedLimitAndCanBeRefused) {
    std::vector<ComPtr<NotifySink>> sinks;
    for (int i = 0; i < 7; ++i) {
        sinks.push_back(ComPtr<NotifySink>::Adopt(new NotifySink(i == 1 ? TLangDispid::Text : 0, log)));
        EXPECT_EQ(Connect(sinks.back().Get(), IID_IPropertyNotifySink), static_cast<DWORD>(i + 1));
    }
    EXPECT_TRUE(connections.RequestEdit(TLangDispid::ReadOnly));
    EXPECT_EQ(log.size(), 7u);
    log.clear();
    EXPECT_FALSE(connections.RequestEdit(TLangDispid::Text));
    EXPECT_EQ(log, (std::vector<std::string>{"request -517", "request -517"}));  // the second sink refused
    log.clear();
    connections.Changed(TLangDispid::Text);
    EXPECT_EQ(log.size(), 7u);

    // An event sink is no property-notification sink.
    ComPtr<EventSink> eventSink = Sink("e");
    DWORD cookie = 0;
    EXPECT_EQ(Point(IID_IPropertyNotifySink)->Advise(eventSink.Get(), &cookie), CONNECT_E_CANNOTCONNECT);
}

TEST_F(TLangEventsTest, ContainerListsBothPointsAndTheirConnections) {
    ComPtr<IConnectionPoint> missing;
    EXPECT_EQ(connections.Container()->FindConnectionPoint(IID_IDispatch, missing.Out()), CONNECT_E_NOCONNECTION);

    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(connections.Container()->EnumConnectionPoints(points.Out()), S_OK);
    IConnectionPoint* found[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(points->Next(3, found, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    std::vector<IID> iids;
    for (ULONG i = 0; i < fetched; ++i) {
        IID iid{};
        found[i]->GetConnectionInterface(&iid);
        iids.push_back(iid);
        ComPtr<IConnectionPointContainer> container;
        found[i]->GetConnectionPointContainer(container.Out());
        EXPECT_EQ(container.Get(), connections.Container());
        found[i]->Release();
    }
    EXPECT_EQ(iids, (std::vector<IID>{DIID_ITLangEvents, IID_IPropertyNotifySink}));

    ComPtr<EventSink> a = Sink("a"), b = Sink("b");
    Connect(a.Get());
    Connect(b.Get());
    ComPtr<IEnumConnections> connected;
    ASSERT_EQ(Point(DIID_ITLangEvents)->EnumConnections(connected.Out()), S_OK);
    CONNECTDATA data[4] = {};
    EXPECT_EQ(connected->Next(4, data, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(data[1].dwCookie, 2u);
    for (ULONG i = 0; i < fetched; ++i) data[i].pUnk->Release();
    points.Reset();  // the enumerator held both points, and so the owner
    EXPECT_EQ(owner.references, 1u);
}

}  // namespace
