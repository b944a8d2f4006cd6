#include "TLangImpl1.h"

#include "TLangAutomation.h"
#include "platform/QtText.h"

#include <QApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>

#include <stdexcept>
#include <utility>

namespace pevox {

using platform::ComPtr;
using platform::S_FALSE;
using platform::S_OK;

namespace {

// The system's default printer, without asking: the script goes to the
// printer the user chose for the desktop.
class DefaultPrinter : public ScriptPrinter {
public:
    void Print(const std::string& title, const QTextDocument& document) override {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) throw std::runtime_error("There is no default printer currently selected");
        QPrinter printer(info, QPrinter::HighResolution);
        printer.setDocName(platform::ToQString(title));
        document.print(&printer);
    }
};

ScriptPrinter*& InstalledPrinter() {
    static ScriptPrinter* printer = nullptr;
    return printer;
}

}  // namespace

ScriptPrinter* InstallScriptPrinter(ScriptPrinter* printer) { return std::exchange(InstalledPrinter(), printer); }

ScriptPrinter& CurrentScriptPrinter() {
    static DefaultPrinter defaultPrinter;
    ScriptPrinter* installed = InstalledPrinter();
    return installed ? *installed : defaultPrinter;
}

HRESULT ReturnString(BSTR* target, const std::string& text) {
    if (!target) return platform::E_POINTER;
    platform::SysFreeString(*target);
    *target = platform::SysAllocStringFromAnsi(text);
    return *target || text.empty() ? S_OK : platform::E_OUTOFMEMORY;
}

HRESULT CreateTLangControl(platform::IUnknown* outer, platform::REFIID iid, void** object) {
    if (!object) return platform::E_POINTER;
    *object = nullptr;
    if (outer) return platform::CLASS_E_NOAGGREGATION;
    // The editor is a widget: without the application's widget side there is none.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return platform::E_UNEXPECTED;
    ComPtr<ITLang> control(new TTLangImpl);
    return control->QueryInterface(iid, object);
}

TTLangImpl::TTLangImpl() : connections_(*static_cast<ITLang*>(this)) {
    editor_ = new TLangEditor(*this);
    editor_->Attach(engine_);
}

TTLangImpl::~TTLangImpl() {
    engine_.Reset();
    engine_.m_StopRequested = true;
    if (TLangEditor* editor = editor_.data()) {
        editor->Detach();
        editor->hide();
        // An editor whose handler is still on the stack (the host let go of
        // the control inside one of its events) goes once that returns.
        if (editor->InHandler())
            editor->deleteLater();
        else
            delete editor;
    }
}

TLangEditor& TTLangImpl::Editor() const {
    if (!editor_) throw std::runtime_error("The control's editor window no longer exists");
    return *editor_;
}

// --- IUnknown -----------------------------------------------------------------

HRESULT TTLangImpl::QueryInterface(platform::REFIID riid, void** object) {
    if (!object) return platform::E_POINTER;
    *object = nullptr;
    if (riid == platform::IID_IUnknown || riid == platform::IID_IDispatch || riid == IID_ITLang)
        *object = static_cast<ITLang*>(this);
    else if (riid == platform::IID_IPersistStreamInit)
        *object = static_cast<platform::IPersistStreamInit*>(this);
    else if (riid == platform::IID_IPersistStorage)
        *object = static_cast<platform::IPersistStorage*>(this);
    else if (riid == platform::IID_ISpecifyPropertyPages)
        *object = static_cast<platform::ISpecifyPropertyPages*>(this);
    else if (riid == platform::IID_IProvideClassInfo || riid == platform::IID_IProvideClassInfo2)
        *object = static_cast<platform::IProvideClassInfo2*>(this);
    else if (riid == platform::IID_IConnectionPointContainer)
        *object = connections_.Container();
    else if (riid == platform::IID_ISupportErrorInfo)
        *object = static_cast<platform::ISupportErrorInfo*>(this);
    else if (riid == platform::IID_IWidgetControl)
        *object = static_cast<platform::IWidgetControl*>(this);
    else
        return platform::E_NOINTERFACE;
    static_cast<platform::IUnknown*>(*object)->AddRef();
    return S_OK;
}

platform::ULONG TTLangImpl::AddRef() { return ++refCount_; }

platform::ULONG TTLangImpl::Release() {
    const platform::ULONG count = --refCount_;
    if (count == 0) delete this;
    return count;
}

// --- IDispatch ----------------------------------------------------------------

HRESULT TTLangImpl::GetTypeInfoCount(platform::UINT* count) {
    if (!count) return platform::E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT TTLangImpl::GetTypeInfo(platform::UINT index, platform::LCID, platform::ITypeInfo** info) {
    return GetTypeInfoITLang(index, info);
}

HRESULT TTLangImpl::GetIDsOfNames(platform::REFIID, platform::OLECHAR** names, platform::UINT count, platform::LCID,
                                  DISPID* ids) {
    return GetIDsOfNamesITLang(names, count, ids);
}

HRESULT TTLangImpl::Invoke(DISPID member, platform::REFIID, platform::LCID, platform::WORD flags,
                           platform::DISPPARAMS* params, platform::VARIANT* result, platform::EXCEPINFO* exception,
                           platform::UINT* argErr) {
    return InvokeITLang(this, member, flags, params, result, exception, argErr);
}

// --- The run ------------------------------------------------------------------

HRESULT TTLangImpl::Execute() {
    return Guarded(true, [&] { return engine_.Execute() ? S_OK : S_FALSE; });
}

HRESULT TTLangImpl::Terminate() {
    engine_.Terminate();
    return S_OK;
}

HRESULT TTLangImpl::Reset() {
    return Guarded(true, [&] {
        engine_.Reset();
        return S_OK;
    });
}

HRESULT TTLangImpl::DumpVariables() {
    return Guarded(true, [&] {
        engine_.DumpVariables();
        return S_OK;
    });
}

HRESULT TTLangImpl::get_State(std::int32_t* Value) {
    if (!Value) return platform::E_POINTER;
    *Value = engine_.State();
    return S_OK;
}

// --- Events of the run ----------------------------------------------------------

void TTLangImpl::OnInitialize() { connections_.OnInitialize(); }
void TTLangImpl::OnPrint(const std::string& printLine, bool newline) { connections_.OnPrint(printLine, newline); }
void TTLangImpl::OnDump(const std::string& dumpLine) { connections_.OnDump(dumpLine); }
void TTLangImpl::OnStep(int lineNo) { connections_.OnStep(lineNo); }
void TTLangImpl::OnBreakPoint() { connections_.OnBreakPoint(); }
void TTLangImpl::OnScriptError(int lineNo, const std::string& errorMsg) { connections_.OnScriptError(lineNo, errorMsg); }
void TTLangImpl::OnScriptComplete(int lineNo, int exitCode) { connections_.OnScriptComplete(lineNo, exitCode); }
void TTLangImpl::OnUserFunction(int ordinal, int paramCount) { connections_.OnUserFunction(ordinal, paramCount); }
void TTLangImpl::OnBeep() { QApplication::beep(); }

// --- Events of the editor ---------------------------------------------------------

void TTLangImpl::EditorChange() {
    // The host may let go of the control inside the event.
    const ComPtr<ITLang> keepAlive(this);
    connections_.OnChange();
}

void TTLangImpl::EditorSelectionChange() {
    // The host may let go of the control inside the event.
    const ComPtr<ITLang> keepAlive(this);
    connections_.OnSelectionChange();
}

void TTLangImpl::EditorKeyPress(std::int16_t& key) {
    // The host may let go of the control inside the event.
    const ComPtr<ITLang> keepAlive(this);
    connections_.OnKeyPress(key);
}

void TTLangImpl::EditorKeyDown(std::int16_t& keyCode, std::int16_t shiftState) {
    // The host may let go of the control inside the event.
    const ComPtr<ITLang> keepAlive(this);
    connections_.OnKeyDown(keyCode, shiftState);
}

void TTLangImpl::EditorKeyUp(std::int16_t& keyCode, std::int16_t shiftState) {
    // The host may let go of the control inside the event.
    const ComPtr<ITLang> keepAlive(this);
    connections_.OnKeyUp(keyCode, shiftState);
}

// --- Class information, error information, property pages, widget ------------------

HRESULT TTLangImpl::GetClassInfo(platform::ITypeInfo** info) { return GetClassInfoTLang(info); }

HRESULT TTLangImpl::GetGUID(platform::DWORD kind, GUID* guid) {
    if (!guid) return platform::E_POINTER;
    if (kind != platform::GUIDKIND_DEFAULT_SOURCE_DISP_IID) return platform::E_INVALIDARG;
    *guid = DIID_ITLangEvents;
    return S_OK;
}

HRESULT TTLangImpl::InterfaceSupportsErrorInfo(platform::REFIID riid) { return riid == IID_ITLang ? S_OK : S_FALSE; }

HRESULT TTLangImpl::GetPages(platform::CAUUID* pages) { return GetTLangPropertyPages(pages); }

HRESULT TTLangImpl::GetWidget(QWidget** widget) {
    if (!widget) return platform::E_POINTER;
    *widget = editor_.data();
    return *widget ? S_OK : platform::E_UNEXPECTED;
}

// --- The engine's view of the editor ------------------------------------------------

std::vector<std::string> TTLangImpl::EditorViewProxy::Lines() const {
    return editor_ ? editor_->Lines() : std::vector<std::string>();
}
bool TTLangImpl::EditorViewProxy::Visible() const { return editor_ && editor_->Visible(); }
int TTLangImpl::EditorViewProxy::LineIndex(int line) const { return editor_ ? editor_->LineIndex(line) : -1; }
int TTLangImpl::EditorViewProxy::LineLength(int position) const {
    return editor_ ? editor_->LineLength(position) : 0;
}
void TTLangImpl::EditorViewProxy::SetSelection(int start, int end) {
    if (editor_) editor_->SetSelection(start, end);
}
void TTLangImpl::EditorViewProxy::CollapseSelection() {
    if (editor_) editor_->CollapseSelection();
}
void TTLangImpl::EditorViewProxy::ScrollCaret() {
    if (editor_) editor_->ScrollCaret();
}
int TTLangImpl::EditorViewProxy::HorizontalScrollPos() const { return editor_ ? editor_->HorizontalScrollPos() : 0; }
void TTLangImpl::EditorViewProxy::ScrollPageLeft() {
    if (editor_) editor_->ScrollPageLeft();
}

}  // namespace pevox
