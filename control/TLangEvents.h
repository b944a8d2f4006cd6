// The control's two connection points: ITLangEvents (at most 5 sinks) and
// IPropertyNotifySink (no fixed limit), with one typed method per event.
// Events go to the sinks in slot order through IDispatch::Invoke with the
// event's dispatch identifier and its arguments last-first; a sink's result
// is ignored. A sink may change a key passed by reference, and the next
// sink and the caller see the change.
#pragma once

#include "Pevox10_TLB.h"
#include "platform/ComConnectionPoints.h"

#include <initializer_list>
#include <string_view>

namespace pevox {

class TLangConnections {
public:
    static constexpr std::size_t kMaxEventSinks = 5;

    // `control` is the owning object; the points count their references on it.
    // Events hold a reference on the control while they are delivered, so
    // they must not be fired from the control's destructor.
    explicit TLangConnections(platform::IUnknown& control);
    TLangConnections(const TLangConnections&) = delete;
    TLangConnections& operator=(const TLangConnections&) = delete;

    // The control's IConnectionPointContainer (no reference added).
    platform::IConnectionPointContainer* Container() { return &container_; }

    void OnChange();
    void OnKeyPress(std::int16_t& key);
    void OnSelectionChange();
    void OnStep(std::int32_t lineNo);
    void OnBreakPoint();
    void OnScriptError(std::int32_t lineNo, std::string_view errorMsg);
    void OnKeyUp(std::int16_t& keyCode, std::int16_t shiftState);
    void OnKeyDown(std::int16_t& keyCode, std::int16_t shiftState);
    void OnPrint(std::string_view printLine, bool newline);
    void OnUserFunction(std::int32_t ordinal, std::int32_t paramCount);
    void OnDump(std::string_view dumpLine);
    void OnScriptComplete(std::int32_t lineNo, std::int32_t exitCode);
    void OnInitialize();

    // Asks every property-notification sink; false as soon as one refuses (S_FALSE).
    bool RequestEdit(DISPID dispid);
    void Changed(DISPID dispid);

private:
    // The most arguments an event has.
    static constexpr std::size_t kMaxEventArgs = 2;

    // `args` are in declaration order; they are handed over last-first and
    // cleared once every sink has had them. Arguments and sinks stay on the
    // stack: a running script fires an event at every line.
    void Fire(DISPID event, std::initializer_list<platform::VARIANT> args);

    platform::IUnknown& control_;
    platform::ConnectionPointContainer container_;
    platform::ConnectionPoint events_;
    platform::ConnectionPoint notify_;
};

}  // namespace pevox
