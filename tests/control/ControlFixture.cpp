#include "ControlFixture.h"

#include "platform/Text.h"

#include <QTextDocument>

#include <cstdlib>
#include <filesystem>

namespace pevox_test {

HRESULT NotifySink::OnChanged(DISPID dispid) {
    log.push_back("changed " + std::to_string(dispid));
    return S_OK;
}

HRESULT NotifySink::OnRequestEdit(DISPID dispid) {
    log.push_back("request " + std::to_string(dispid));
    return refuse.count(dispid) ? S_FALSE : S_OK;
}

namespace {

std::string Ansi(const std::u16string& text) { return Utf16ToCp1252(text); }

}  // namespace

void ControlFixture::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "control_test_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    tempDir = pattern;
    // The engine writes the script it runs into the temporary folder.
    setenv("TMPDIR", tempDir.c_str(), 1);

    ASSERT_EQ(CreateTLangControl(nullptr, IID_ITLang, control.OutVoid()), S_OK);
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(control.As(IID_IConnectionPointContainer, container), S_OK);

    sink_ = ComPtr<EventSink>::Adopt(new EventSink(DIID_ITLangEvents));
    using Args = EventSink::Args;
    sink_->On(TLangEventDispid::OnInitialize, [this](const Args&) {
        log.push_back("Initialize");
        if (onInitialize) onInitialize();
    });
    sink_->On(TLangEventDispid::OnPrint, [this](const Args& args) {
        const std::string line = Ansi(args.String(0));
        log.push_back("Print(" + line + ")");
        if (onPrint) onPrint(line);
    });
    sink_->On(TLangEventDispid::OnDump, [this](const Args& args) { log.push_back("Dump(" + Ansi(args.String(0)) + ")"); });
    sink_->On(TLangEventDispid::OnStep, [this](const Args& args) {
        log.push_back("Step(" + std::to_string(args.Long(0)) + ")");
        if (onStep) onStep(args.Long(0));
    });
    sink_->On(TLangEventDispid::OnBreakPoint, [this](const Args&) { log.push_back("Break"); });
    sink_->On(TLangEventDispid::OnScriptError, [this](const Args& args) {
        log.push_back("Error(" + std::to_string(args.Long(0)) + "," + Ansi(args.String(1)) + ")");
    });
    sink_->On(TLangEventDispid::OnScriptComplete, [this](const Args& args) {
        log.push_back("Complete(" + std::to_string(args.Long(0)) + "," + std::to_string(args.Long(1)) + ")");
        if (onScriptComplete) onScriptComplete(args.Long(0), args.Long(1));
    });
    sink_->On(TLangEventDispid::OnUserFunction, [this](const Args& args) {
        log.push_back("UserFunction(" + std::to_string(args.Long(0)) + "," + std::to_string(args.Long(1)) + ")");
        if (onUserFunction) onUserFunction(args.Long(0), args.Long(1));
    });
    sink_->On(TLangEventDispid::OnChange, [this](const Args&) { log.push_back("Change"); });
    sink_->On(TLangEventDispid::OnSelectionChange, [this](const Args&) { log.push_back("SelectionChange"); });
    sink_->On(TLangEventDispid::OnKeyPress, [this](const Args& args) {
        std::int16_t* key = args.ShortRef(0);
        log.push_back("KeyPress(" + std::to_string(*key) + ")");
        if (onKeyPress) onKeyPress(*key);
    });
    sink_->On(TLangEventDispid::OnKeyDown, [this](const Args& args) {
        std::int16_t* key = args.ShortRef(0);
        log.push_back("KeyDown(" + std::to_string(*key) + "," + std::to_string(args.Short(1)) + ")");
        if (onKeyDown) onKeyDown(*key, args.Short(1));
    });
    sink_->On(TLangEventDispid::OnKeyUp, [this](const Args& args) {
        std::int16_t* key = args.ShortRef(0);
        log.push_back("KeyUp(" + std::to_string(*key) + "," + std::to_string(args.Short(1)) + ")");
        if (onKeyUp) onKeyUp(*key, args.Short(1));
    });
    ComPtr<IConnectionPoint> events;
    ASSERT_EQ(container->FindConnectionPoint(DIID_ITLangEvents, events.Out()), S_OK);
    ASSERT_EQ(events->Advise(sink_.Get(), &sinkCookie_), S_OK);

    notify = new NotifySink;
    ComPtr<IConnectionPoint> notifications;
    ASSERT_EQ(container->FindConnectionPoint(IID_IPropertyNotifySink, notifications.Out()), S_OK);
    ASSERT_EQ(notifications->Advise(notify, &notifyCookie_), S_OK);
    notify->Release();
}

void ControlFixture::TearDown() {
    if (control) {
        ComPtr<IConnectionPointContainer> container;
        control.As(IID_IConnectionPointContainer, container);
        ComPtr<IConnectionPoint> point;
        if (sinkCookie_ && container->FindConnectionPoint(DIID_ITLangEvents, point.Out()) == S_OK)
            point->Unadvise(sinkCookie_);
        if (notifyCookie_ && container->FindConnectionPoint(IID_IPropertyNotifySink, point.Out()) == S_OK)
            point->Unadvise(notifyCookie_);
    }
    control.Reset();
    sink_.Reset();
    unsetenv("TMPDIR");
    std::filesystem::remove_all(tempDir);
}

std::vector<std::string> ControlFixture::Events(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& event : log)
        if (event.rfind(prefix, 0) == 0) found.push_back(event);
    return found;
}

void ControlFixture::SetText(const std::string& text) {
    EXPECT_EQ(control->put_Text(Bstr(text).Get()), S_OK);
}

std::string ControlFixture::Text() {
    UniqueBstr text;
    EXPECT_EQ(control->get_Text(text.Out()), S_OK);
    return text.Ansi();
}

HRESULT ControlFixture::Run(const std::string& script) {
    SetText(script);
    log.clear();
    return control->Execute();
}

std::string ControlFixture::LastError() {
    ErrorTexts texts;
    if (!TakeErrorInfo(texts)) return "(no error information)";
    EXPECT_EQ(texts.source, u"Pevox10.TLang");
    EXPECT_EQ(texts.guid, IID_ITLang);
    return Ansi(texts.description);
}

TLangEditor& ControlFixture::Editor() {
    ComPtr<IWidgetControl> widgetControl;
    EXPECT_EQ(control.As(IID_IWidgetControl, widgetControl), S_OK);
    QWidget* widget = nullptr;
    widgetControl->GetWidget(&widget);
    return *qobject_cast<TLangEditor*>(widget);
}

}  // namespace pevox_test
