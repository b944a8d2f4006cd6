#include "Tlanghost.h"

#include "Pevox10_TLB.h"
#include "Qormapplication.h"

#include "platform/ComConnection.h"
#include "platform/ComControl.h"
#include "platform/ComCreate.h"
#include "platform/ComDispatch.h"
#include "platform/ProgramFolder.h"
#include "platform/Text.h"

using platform::BSTR;
using platform::HRESULT;
using platform::UniqueBstr;

namespace {

// The control's library, shipped beside the program.
constexpr const char* ServerLibrary = "libPevox10.so";

// The script library keeps its own copy of the control's result types, so
// that it needs nothing of the control; the values are handed over as they are.
static_assert(static_cast<int>(ScriptControlApi::TxNone) == pevox::TxNone &&
              static_cast<int>(ScriptControlApi::TxNumber) == pevox::TxNumber &&
              static_cast<int>(ScriptControlApi::TxString) == pevox::TxString);

BSTR Bstr(const std::string& text) { return platform::SysAllocStringFromAnsi(text); }

// The description of the error the failing member left, in the system's code page.
std::string LastErrorText() {
    platform::ErrorTexts texts;
    if (!platform::TakeErrorInfo(texts)) return "";
    return platform::Utf16ToCp1252(texts.description);
}

// A failing member leaves its error information for its caller; a call
// whose failure changes nothing for the window takes it out of the way.
void IgnoreFailure(HRESULT result) {
    if (result < 0) LastErrorText();
}

// Where the control's events go: cleared when the host goes, so an event
// the control still delivers afterwards reaches no one.
struct TEventTarget {
    TScriptControlEvents* Events;
};

using platform::EventSink;

std::string Text(const EventSink::Args& args, platform::UINT index) {
    return platform::Utf16ToCp1252(args.String(index));
}

// A sink for the events the script window handles; the others are ignored.
platform::ComPtr<EventSink> MakeEventSink(const std::shared_ptr<TEventTarget>& target) {
    auto sink = platform::ComPtr<EventSink>::Adopt(new EventSink(pevox::DIID_ITLangEvents));
    using TCall = void (*)(TScriptControlEvents&, const EventSink::Args&);
    const auto on = [&](platform::DISPID event, TCall call) {
        sink->On(event, [target, call](const EventSink::Args& args) {
            if (target->Events) call(*target->Events, args);
        });
    };
    namespace Event = pevox::TLangEventDispid;
    on(Event::OnStep,
       [](TScriptControlEvents& events, const EventSink::Args& args) { events.TLang1Step(args.Long(0)); });
    on(Event::OnBreakPoint, [](TScriptControlEvents& events, const EventSink::Args&) { events.TLang1BreakPoint(); });
    on(Event::OnScriptComplete, [](TScriptControlEvents& events, const EventSink::Args& args) {
        events.TLang1ScriptComplete(args.Long(0), args.Long(1));
    });
    on(Event::OnScriptError, [](TScriptControlEvents& events, const EventSink::Args& args) {
        events.TLang1ScriptError(args.Long(0), Text(args, 1));
    });
    on(Event::OnPrint, [](TScriptControlEvents& events, const EventSink::Args& args) {
        events.TLang1Print(Text(args, 0), args.Bool(1));
    });
    on(Event::OnDump,
       [](TScriptControlEvents& events, const EventSink::Args& args) { events.TLang1Dump(Text(args, 0)); });
    on(Event::OnSelectionChange,
       [](TScriptControlEvents& events, const EventSink::Args&) { events.TLang1SelectionChange(); });
    on(Event::OnKeyUp, [](TScriptControlEvents& events, const EventSink::Args& args) {
        events.TLang1KeyUp(args.Short(0), args.Short(1));
    });
    on(Event::OnInitialize, [](TScriptControlEvents& events, const EventSink::Args&) { events.TLang1Initialize(); });
    on(Event::OnUserFunction, [](TScriptControlEvents& events, const EventSink::Args& args) {
        events.TLang1UserFunction(args.Long(0), args.Long(1));
    });
    return sink;
}

class TTLangHost final : public TScriptControl {
public:
    TTLangHost(pevox::ITLang* control, std::shared_ptr<TEventTarget> target,
               platform::ComPtr<platform::IConnectionPoint> point, platform::DWORD cookie)
        : control_(control), target_(std::move(target)), point_(std::move(point)), cookie_(cookie) {}

    ~TTLangHost() override {
        target_->Events = nullptr;
        point_->Unadvise(cookie_);
    }
    TTLangHost(const TTLangHost&) = delete;
    TTLangHost& operator=(const TTLangHost&) = delete;

    // --- ScriptControlApi.
    void AddFunction(const std::string& keyword, int paramCount, int ordinal, TxTypes returnType,
                     int minParams) override {
        const UniqueBstr name(Bstr(keyword));
        IgnoreFailure(control_->AddFunction(name.Get(), paramCount, ordinal, static_cast<pevox::TxTypes>(returnType),
                                            minParams));
    }
    void AddVariable(const std::string& varName, TxTypes varType, bool isConstant) override {
        const UniqueBstr name(Bstr(varName));
        IgnoreFailure(control_->AddVariable(name.Get(), static_cast<pevox::TxTypes>(varType), Truth(isConstant)));
    }
    void SetNVariable(const std::string& varName, double value) override {
        const UniqueBstr name(Bstr(varName));
        IgnoreFailure(control_->SetNVariable(name.Get(), value));
    }
    double GetNParam(int position) override {
        double value = 0;
        const HRESULT result = control_->GetNParam(position, &value);
        IgnoreFailure(result);
        return result < 0 ? 0 : value;
    }
    std::string GetSParam(int position) override {
        UniqueBstr value;
        const HRESULT result = control_->GetSParam(position, value.Out());
        IgnoreFailure(result);
        return result < 0 ? "" : value.Ansi();
    }
    void UserNReturn(double value) override { control_->put_UserNReturn(value); }
    void UserSReturn(const std::string& value) override {
        const UniqueBstr text(Bstr(value));
        IgnoreFailure(control_->put_UserSReturn(text.Get()));
    }
    void Terminate() override { control_->Terminate(); }

    // --- TWatchSource.
    bool GetSVariable(const std::string& name, std::string& value) override {
        const UniqueBstr varName(Bstr(name));
        UniqueBstr text;
        const HRESULT result = control_->GetSVariable(varName.Get(), text.Out());
        IgnoreFailure(result);
        value = result < 0 ? "" : text.Ansi();
        return result >= 0;
    }

    // --- TScriptControl.
    QWidget* Widget() override {
        platform::ComPtr<platform::IWidgetControl> widgetControl;
        QWidget* widget = nullptr;
        if (control_->QueryInterface(platform::IID_IWidgetControl, widgetControl.OutVoid()) >= 0)
            widgetControl->GetWidget(&widget);
        return widget;
    }
    void Clear() override { control_->Clear(); }
    bool LoadFromFile(const std::string& fileName, std::string& error) override {
        const UniqueBstr name(Bstr(fileName));
        return Succeeded(control_->LoadFromFile(name.Get()), error);
    }
    bool SaveToFile(const std::string& fileName, std::string& error) override {
        const UniqueBstr name(Bstr(fileName));
        return Succeeded(control_->SaveToFile(name.Get()), error);
    }
    std::string get_FileName() override {
        UniqueBstr name;
        control_->get_FileName(name.Out());
        return name.Ansi();
    }
    void put_FileName(const std::string& fileName) override {
        const UniqueBstr name(Bstr(fileName));
        control_->put_FileName(name.Get());
    }
    bool get_Modified() override { return GetBool(&pevox::ITLang::get_Modified); }
    void put_Modified(bool modified) override { control_->put_Modified(Truth(modified)); }
    bool get_Empty() override { return GetBool(&pevox::ITLang::get_Empty); }
    std::string get_Text() override {
        UniqueBstr text;
        control_->get_Text(text.Out());
        return text.Ansi();
    }
    // A failure outside the script (its file cannot be saved before the run,
    // a handler of the run's events that fails) comes back as the member's
    // error, and is shown as the failure of any command is.
    void Execute() override {
        if (control_->Execute() >= 0) return;
        if (const std::string failure = LastErrorText(); !failure.empty()) ShowException(failure);
    }
    void DumpVariables() override { IgnoreFailure(control_->DumpVariables()); }
    bool get_AutoSelectStepLine() override { return GetBool(&pevox::ITLang::get_AutoSelectStepLine); }
    void put_AutoSelectStepLine(bool on) override { control_->put_AutoSelectStepLine(Truth(on)); }
    void put_SaveBeforeRun(bool on) override { control_->put_SaveBeforeRun(Truth(on)); }
    void put_ShowConstantsInDump(bool on) override { control_->put_ShowConstantsInDump(Truth(on)); }
    void put_SelStart(std::int32_t start) override { control_->put_SelStart(start); }
    void put_SelLength(std::int32_t length) override { control_->put_SelLength(length); }
    void put_Color(std::uint32_t color) override { control_->put_Color(color); }
    void put_SyntaxColors(int index, std::uint32_t color) override {
        control_->put_SyntaxColors(static_cast<pevox::TxSyntaxColors>(index), static_cast<std::int32_t>(color));
    }
    std::int32_t get_CursorLine() override { return GetInt(&pevox::ITLang::get_CursorLine); }
    std::int32_t get_CursorCol() override { return GetInt(&pevox::ITLang::get_CursorCol); }
    std::string get_TextLine(std::int32_t lineNo) override {
        UniqueBstr text;
        control_->get_TextLine(lineNo, text.Out());
        return text.Ansi();
    }

private:
    // Booleans cross as the automation truth values: true is -1.
    static platform::VARIANT_BOOL Truth(bool value) { return value ? platform::VARIANT_TRUE : platform::VARIANT_FALSE; }

    static bool Succeeded(HRESULT result, std::string& error) {
        if (result >= 0) return true;
        error = LastErrorText();
        return false;
    }
    bool GetBool(HRESULT (pevox::ITLang::*get)(platform::VARIANT_BOOL*)) {
        platform::VARIANT_BOOL value = platform::VARIANT_FALSE;
        (control_.Get()->*get)(&value);
        return value != platform::VARIANT_FALSE;
    }
    std::int32_t GetInt(HRESULT (pevox::ITLang::*get)(std::int32_t*)) {
        std::int32_t value = 0;
        (control_.Get()->*get)(&value);
        return value;
    }

    platform::ComPtr<pevox::ITLang> control_;
    std::shared_ptr<TEventTarget> target_;
    platform::ComPtr<platform::IConnectionPoint> point_;
    platform::DWORD cookie_;
};

// The state the script window gives its control when it makes it: a step
// event at every new line, no highlighting until asked, the user may break,
// the script is saved before each run and constants stay out of dumps.
void SetDesignState(pevox::ITLang& control) {
    control.put_ExecutionMode(pevox::TxStep);
    control.put_AutoSelectStepLine(platform::VARIANT_FALSE);
    control.put_AllowUserBreak(platform::VARIANT_TRUE);
    control.put_SaveBeforeRun(platform::VARIANT_TRUE);
    control.put_ShowConstantsInDump(platform::VARIANT_FALSE);
}

}  // namespace

std::unique_ptr<TScriptControl> HostTLang(pevox::ITLang* control, TScriptControlEvents& events) {
    if (!control) return nullptr;
    platform::ComPtr<platform::IConnectionPointContainer> container;
    platform::ComPtr<platform::IConnectionPoint> point;
    if (control->QueryInterface(platform::IID_IConnectionPointContainer, container.OutVoid()) < 0 ||
        container->FindConnectionPoint(pevox::DIID_ITLangEvents, point.Out()) < 0)
        return nullptr;
    auto target = std::make_shared<TEventTarget>(TEventTarget{&events});
    const platform::ComPtr<EventSink> sink = MakeEventSink(target);
    platform::DWORD cookie = 0;
    if (point->Advise(sink.Get(), &cookie) < 0) {
        LastErrorText();
        return nullptr;
    }
    SetDesignState(*control);
    return std::make_unique<TTLangHost>(control, std::move(target), std::move(point), cookie);
}

std::unique_ptr<TScriptControl> CreateTLangControl(TScriptControlEvents& events) {
    platform::EnsureServerRegistered(pevox::CLSID_TLang, platform::ProgramDir() + ServerLibrary);
    platform::ComPtr<pevox::ITLang> control;
    if (platform::CoCreateInstance(pevox::CLSID_TLang, nullptr, platform::CLSCTX_INPROC_SERVER, pevox::IID_ITLang,
                                   control.OutVoid()) < 0) {
        LastErrorText();
        return nullptr;
    }
    return HostTLang(control.Get(), events);
}
