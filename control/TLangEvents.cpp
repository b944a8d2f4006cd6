#include "TLangEvents.h"

#include "platform/Text.h"

#include <algorithm>
#include <array>

namespace pevox {

using namespace platform;

TLangConnections::TLangConnections(IUnknown& control)
    : control_(control),
      container_(control),
      events_(control, container_, DIID_ITLangEvents, kMaxEventSinks, true),
      notify_(control, container_, IID_IPropertyNotifySink, 0, false) {
    container_.Add(events_);
    container_.Add(notify_);
}

void TLangConnections::Fire(DISPID event, std::initializer_list<VARIANT> args) {
    std::array<VARIANT, kMaxEventArgs> handed{};
    const std::size_t count = std::min(args.size(), handed.size());
    std::reverse_copy(args.begin(), args.begin() + count, handed.begin());
    std::array<ComPtr<IUnknown>, kMaxEventSinks> sinks;
    const std::size_t sinkCount = events_.CopySinks(sinks);
    if (sinkCount > 0) {
        ComPtr<IUnknown> keepAlive(&control_);  // a sink may release the control while it is called
        for (std::size_t i = 0; i < sinkCount; ++i) {
            DISPPARAMS params{handed.data(), nullptr, static_cast<UINT>(count), 0};
            UniqueVariant result;
            static_cast<IDispatch*>(sinks[i].Get())
                ->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.Ptr(), nullptr,
                         nullptr);
        }
    }
    for (std::size_t i = 0; i < count; ++i) VariantClear(&handed[i]);
    // Arguments beyond the limit, which no event has, are freed, not handed over.
    for (auto extra = args.begin() + count; extra != args.end(); ++extra) {
        VARIANT dropped = *extra;
        VariantClear(&dropped);
    }
}

void TLangConnections::OnChange() { Fire(TLangEventDispid::OnChange, {}); }

void TLangConnections::OnKeyPress(std::int16_t& key) {
    Fire(TLangEventDispid::OnKeyPress, {MakeVariantByRef(VT_I2, &key)});
}

void TLangConnections::OnSelectionChange() { Fire(TLangEventDispid::OnSelectionChange, {}); }

void TLangConnections::OnStep(std::int32_t lineNo) { Fire(TLangEventDispid::OnStep, {MakeVariantI4(lineNo)}); }

void TLangConnections::OnBreakPoint() { Fire(TLangEventDispid::OnBreakPoint, {}); }

void TLangConnections::OnScriptError(std::int32_t lineNo, std::string_view errorMsg) {
    Fire(TLangEventDispid::OnScriptError, {MakeVariantI4(lineNo), MakeVariantBstr(Cp1252ToUtf16(errorMsg))});
}

void TLangConnections::OnKeyUp(std::int16_t& keyCode, std::int16_t shiftState) {
    Fire(TLangEventDispid::OnKeyUp, {MakeVariantByRef(VT_I2, &keyCode), MakeVariantI2(shiftState)});
}

void TLangConnections::OnKeyDown(std::int16_t& keyCode, std::int16_t shiftState) {
    Fire(TLangEventDispid::OnKeyDown, {MakeVariantByRef(VT_I2, &keyCode), MakeVariantI2(shiftState)});
}

void TLangConnections::OnPrint(std::string_view printLine, bool newline) {
    Fire(TLangEventDispid::OnPrint, {MakeVariantBstr(Cp1252ToUtf16(printLine)), MakeVariantBool(newline)});
}

void TLangConnections::OnUserFunction(std::int32_t ordinal, std::int32_t paramCount) {
    Fire(TLangEventDispid::OnUserFunction, {MakeVariantI4(ordinal), MakeVariantI4(paramCount)});
}

void TLangConnections::OnDump(std::string_view dumpLine) {
    Fire(TLangEventDispid::OnDump, {MakeVariantBstr(Cp1252ToUtf16(dumpLine))});
}

void TLangConnections::OnScriptComplete(std::int32_t lineNo, std::int32_t exitCode) {
    Fire(TLangEventDispid::OnScriptComplete, {MakeVariantI4(lineNo), MakeVariantI4(exitCode)});
}

void TLangConnections::OnInitialize() { Fire(TLangEventDispid::OnInitialize, {}); }

bool TLangConnections::RequestEdit(DISPID dispid) {
    for (const ComPtr<IUnknown>& sink : notify_.Sinks())
        if (static_cast<IPropertyNotifySink*>(sink.Get())->OnRequestEdit(dispid) == S_FALSE) return false;
    return true;
}

void TLangConnections::Changed(DISPID dispid) {
    for (const ComPtr<IUnknown>& sink : notify_.Sinks())
        static_cast<IPropertyNotifySink*>(sink.Get())->OnChanged(dispid);
}

}  // namespace pevox
