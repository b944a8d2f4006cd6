// A control made as a host makes it, with one connected event sink that
// writes every event into a log and lets a test act inside an event, and a
// property-notification sink that a test can make refuse.
#pragma once

#include "QtTestApplication.h"
#include "TLangImpl1.h"
#include "platform/ComDispatch.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace pevox_test {

using namespace platform;
using namespace pevox;

// A container's property-notification sink.
class NotifySink final : public ComObject<NotifySink, ComInterface<IPropertyNotifySink, IID_IPropertyNotifySink>> {
public:
    std::set<DISPID> refuse;
    std::vector<std::string> log;  // "request 55", "changed 55"

    HRESULT OnChanged(DISPID dispid) override;
    HRESULT OnRequestEdit(DISPID dispid) override;
};

class ControlFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // What a host would do inside an event.
    std::function<void()> onInitialize;
    std::function<void(int lineNo)> onStep;
    std::function<void(const std::string&)> onPrint;
    std::function<void(int ordinal, int paramCount)> onUserFunction;
    std::function<void(int lineNo, int exitCode)> onScriptComplete;
    std::function<void(std::int16_t& key, int shift)> onKeyDown;
    std::function<void(std::int16_t& key)> onKeyPress;
    std::function<void(std::int16_t& key, int shift)> onKeyUp;

    // Every event in the order it came: "Initialize", "Print(1)",
    // "Complete(1,0)", "Error(2,Undefined Symbol: X)", "KeyUp(67,5)", ...
    std::vector<std::string> log;

    // Events of one kind, by the start of their text.
    std::vector<std::string> Events(const std::string& prefix) const;
    void SetText(const std::string& text);
    std::string Text();
    HRESULT Run(const std::string& script);
    // The description of the error information a failing member left.
    static std::string LastError();
    static UniqueBstr Bstr(const std::string& text) { return UniqueBstr(SysAllocStringFromAnsi(text)); }
    TLangEditor& Editor();
    TTLangImpl& Impl() { return *static_cast<TTLangImpl*>(control.Get()); }

    ComPtr<ITLang> control;
    NotifySink* notify = nullptr;
    std::string tempDir;

private:
    ComPtr<EventSink> sink_;
    DWORD sinkCookie_ = 0;
    DWORD notifyCookie_ = 0;
};

}  // namespace pevox_test
