// The interpreter control: the script editor and the interpreter behind one
// automation interface. It holds the engine (the interpreter's state), the
// editor widget it hands to its container, its properties and their record
// in the container's stream, and fires its events to the connected sinks.
#pragma once

#include "Pevox10Module.h"
#include "Pevox10_TLB.h"
#include "TLangAutomation.h"
#include "TLangEvents.h"
#include "Tlangeditor.h"
#include "Tlangengine.h"
#include "platform/ComConnection.h"
#include "platform/ComControl.h"
#include "platform/ComPersist.h"

#include <QPointer>

#include <cstdint>
#include <exception>
#include <string>

class QTextDocument;

namespace pevox {

// Creates a control and hands out the interface asked for; what the module's
// class factory calls. Controls cannot be aggregated.
platform::HRESULT CreateTLangControl(platform::IUnknown* outer, platform::REFIID iid, void** object);

// Where Print sends the script: the system's default printer, unless a test
// has installed a printer of its own.
class ScriptPrinter {
public:
    virtual ~ScriptPrinter() = default;
    // Throws std::runtime_error when it cannot print.
    virtual void Print(const std::string& title, const QTextDocument& document) = 0;
};
// Installs `printer` (not owned; nullptr restores the default) and returns the one it replaces.
ScriptPrinter* InstallScriptPrinter(ScriptPrinter* printer);
ScriptPrinter& CurrentScriptPrinter();

// A string result: an old string in `target` is freed first.
HRESULT ReturnString(BSTR* target, const std::string& text);

class TTLangImpl final : public ITLang,
                         public platform::IPersistStreamInit,
                         public platform::IPersistStorage,
                         public platform::IProvideClassInfo2,
                         public platform::ISupportErrorInfo,
                         public platform::ISpecifyPropertyPages,
                         public platform::IWidgetControl,
                         private EngineEvents,
                         private TLangEditorHost {
public:
    TTLangImpl();
    TTLangImpl(const TTLangImpl&) = delete;
    TTLangImpl& operator=(const TTLangImpl&) = delete;

    // --- IUnknown -----------------------------------------------------------
    HRESULT QueryInterface(platform::REFIID riid, void** object) override;
    platform::ULONG AddRef() override;
    platform::ULONG Release() override;

    // --- IDispatch ----------------------------------------------------------
    HRESULT GetTypeInfoCount(platform::UINT* count) override;
    HRESULT GetTypeInfo(platform::UINT index, platform::LCID lcid, platform::ITypeInfo** info) override;
    HRESULT GetIDsOfNames(platform::REFIID riid, platform::OLECHAR** names, platform::UINT count, platform::LCID lcid,
                          DISPID* ids) override;
    HRESULT Invoke(DISPID member, platform::REFIID riid, platform::LCID lcid, platform::WORD flags,
                   platform::DISPPARAMS* params, platform::VARIANT* result, platform::EXCEPINFO* exception,
                   platform::UINT* argErr) override;

    // --- ITLang: editor properties ------------------------------------------
    HRESULT get_BorderStyle(TxFormBorderStyle* Value) override;
    HRESULT put_BorderStyle(TxFormBorderStyle Value) override;
    HRESULT get_BorderWidth(std::int32_t* Value) override;
    HRESULT put_BorderWidth(std::int32_t Value) override;
    HRESULT get_Color(OLE_COLOR* Value) override;
    HRESULT put_Color(OLE_COLOR Value) override;
    HRESULT get_Ctl3D(VARIANT_BOOL* Value) override;
    HRESULT put_Ctl3D(VARIANT_BOOL Value) override;
    HRESULT get_DragCursor(std::int16_t* Value) override;
    HRESULT put_DragCursor(std::int16_t Value) override;
    HRESULT get_DragMode(TxDragMode* Value) override;
    HRESULT put_DragMode(TxDragMode Value) override;
    HRESULT get_Enabled(VARIANT_BOOL* Value) override;
    HRESULT put_Enabled(VARIANT_BOOL Value) override;
    HRESULT get_Font(IFontDisp** Value) override;
    HRESULT put_Font(IFontDisp* Value) override;
    HRESULT putref_Font(IFontDisp** Value) override;
    HRESULT get_HideSelection(VARIANT_BOOL* Value) override;
    HRESULT put_HideSelection(VARIANT_BOOL Value) override;
    HRESULT get_HideScrollBars(VARIANT_BOOL* Value) override;
    HRESULT put_HideScrollBars(VARIANT_BOOL Value) override;
    HRESULT get_ReadOnly(VARIANT_BOOL* Value) override;
    HRESULT put_ReadOnly(VARIANT_BOOL Value) override;
    HRESULT get_ScrollBars(TxScrollStyle* Value) override;
    HRESULT put_ScrollBars(TxScrollStyle Value) override;
    HRESULT get_Visible(VARIANT_BOOL* Value) override;
    HRESULT put_Visible(VARIANT_BOOL Value) override;
    HRESULT get_WantTabs(VARIANT_BOOL* Value) override;
    HRESULT put_WantTabs(VARIANT_BOOL Value) override;
    HRESULT get_Modified(VARIANT_BOOL* Value) override;
    HRESULT put_Modified(VARIANT_BOOL Value) override;
    HRESULT get_SelLength(std::int32_t* Value) override;
    HRESULT put_SelLength(std::int32_t Value) override;
    HRESULT get_SelStart(std::int32_t* Value) override;
    HRESULT put_SelStart(std::int32_t Value) override;
    HRESULT get_SelText(BSTR* Value) override;
    HRESULT put_SelText(BSTR Value) override;
    HRESULT get_Text(BSTR* Value) override;
    HRESULT put_Text(BSTR Value) override;
    HRESULT get_Cursor(std::int16_t* Value) override;
    HRESULT put_Cursor(std::int16_t Value) override;

    // --- ITLang: commands and queries of the editor --------------------------
    HRESULT Clear() override;
    HRESULT Print(BSTR Caption) override;
    HRESULT AboutBox() override;
    HRESULT LoadFromFile(BSTR FileName) override;
    HRESULT SaveToFile(BSTR FileName) override;
    HRESULT get_FileName(BSTR* Value) override;
    HRESULT put_FileName(BSTR Value) override;
    HRESULT get_CursorLine(std::int32_t* Value) override;
    HRESULT get_CursorCol(std::int32_t* Value) override;
    HRESULT get_LineLength(std::int32_t LineNo, std::int32_t* Value) override;
    HRESULT get_LastLine(std::int32_t* Value) override;
    HRESULT get_TextLine(std::int32_t LineNo, BSTR* Value) override;
    HRESULT get_Empty(VARIANT_BOOL* Value) override;

    // --- ITLang: own properties ------------------------------------------------
    HRESULT get_AutoSelectStepLine(VARIANT_BOOL* Value) override;
    HRESULT put_AutoSelectStepLine(VARIANT_BOOL Value) override;
    HRESULT get_ExecutionMode(TxExecutionModes* Value) override;
    HRESULT put_ExecutionMode(TxExecutionModes Value) override;
    HRESULT get_AllowUserBreak(VARIANT_BOOL* Value) override;
    HRESULT put_AllowUserBreak(VARIANT_BOOL Value) override;
    HRESULT get_SaveBeforeRun(VARIANT_BOOL* Value) override;
    HRESULT put_SaveBeforeRun(VARIANT_BOOL Value) override;
    HRESULT get_ShowConstantsInDump(VARIANT_BOOL* Value) override;
    HRESULT put_ShowConstantsInDump(VARIANT_BOOL Value) override;
    HRESULT get_SyntaxColors(TxSyntaxColors WhichColor, std::int32_t* Value) override;
    HRESULT put_SyntaxColors(TxSyntaxColors WhichColor, std::int32_t Value) override;

    // --- ITLang: the run --------------------------------------------------------
    HRESULT Execute() override;
    HRESULT Terminate() override;
    HRESULT Reset() override;
    HRESULT DumpVariables() override;
    HRESULT get_State(std::int32_t* Value) override;

    // --- ITLang: host data ---------------------------------------------------------
    HRESULT AddFunction(BSTR Keyword, std::int32_t ParamCount, std::int32_t Ordinal, TxTypes ReturnType,
                        std::int32_t MinParams) override;
    HRESULT AddVariable(BSTR VarName, TxTypes VarType, VARIANT_BOOL IsConstant) override;
    HRESULT AddArray(BSTR ArrayName, TxTypes ArrayType, std::int16_t Dim1, std::int16_t Dim2, std::int16_t Dim3,
                     std::int16_t Dim4, std::int16_t Dim5) override;
    HRESULT GetNParam(std::int32_t Position, double* Value) override;
    HRESULT GetSParam(std::int32_t Position, BSTR* Value) override;
    HRESULT put_UserNReturn(double Value) override;
    HRESULT put_UserSReturn(BSTR Value) override;
    HRESULT GetSVariable(BSTR VarName, BSTR* Value) override;
    HRESULT SetSVariable(BSTR VarName, BSTR Value) override;
    HRESULT GetNVariable(BSTR VarName, double* Value) override;
    HRESULT SetNVariable(BSTR VarName, double Value) override;
    HRESULT GetSArray(BSTR ArrayName, BSTR* RetVal, std::int16_t Subscript1, std::int16_t Subscript2,
                      std::int16_t Subscript3, std::int16_t Subscript4, std::int16_t Subscript5) override;
    HRESULT SetSArray(BSTR ArrayName, BSTR Value, std::int16_t Subscript1, std::int16_t Subscript2,
                      std::int16_t Subscript3, std::int16_t Subscript4, std::int16_t Subscript5) override;
    HRESULT GetNArray(BSTR ArrayName, double* RetVal, std::int16_t Subscript1, std::int16_t Subscript2,
                      std::int16_t Subscript3, std::int16_t Subscript4, std::int16_t Subscript5) override;
    HRESULT SetNArray(BSTR ArrayName, double Value, std::int16_t Subscript1, std::int16_t Subscript2,
                      std::int16_t Subscript3, std::int16_t Subscript4, std::int16_t Subscript5) override;
    HRESULT GetArrayBounds(BSTR ArrayName, std::int16_t* Dim1, std::int16_t* Dim2, std::int16_t* Dim3,
                           std::int16_t* Dim4, std::int16_t* Dim5) override;
    HRESULT ClearArray(BSTR ArrayName) override;

    // --- IPersistStreamInit and IPersistStorage ---------------------------------
    HRESULT GetClassID(platform::CLSID* clsid) override;
    HRESULT IsDirty() override;
    HRESULT Load(platform::IStream* stream) override;
    HRESULT Save(platform::IStream* stream, platform::BOOL clearDirty) override;
    HRESULT GetSizeMax(std::uint64_t* size) override;
    HRESULT InitNew() override;
    HRESULT InitNew(platform::IStorage* storage) override;
    HRESULT Load(platform::IStorage* storage) override;
    HRESULT Save(platform::IStorage* storage, platform::BOOL sameAsLoad) override;
    HRESULT SaveCompleted(platform::IStorage* storage) override;
    HRESULT HandsOffStorage() override;

    // --- IProvideClassInfo2, ISupportErrorInfo, ISpecifyPropertyPages -----------
    HRESULT GetClassInfo(platform::ITypeInfo** info) override;
    HRESULT GetGUID(platform::DWORD kind, GUID* guid) override;
    HRESULT InterfaceSupportsErrorInfo(platform::REFIID riid) override;
    HRESULT GetPages(platform::CAUUID* pages) override;

    // --- IWidgetControl ------------------------------------------------------------
    HRESULT GetWidget(QWidget** widget) override;

private:
    ~TTLangImpl() override;

    // The engine's view of the editor; an editor its container has deleted
    // shows as an empty, hidden one.
    class EditorViewProxy : public EditorView {
    public:
        explicit EditorViewProxy(const QPointer<TLangEditor>& editor) : editor_(editor) {}
        std::vector<std::string> Lines() const override;
        bool Visible() const override;
        int LineIndex(int line) const override;
        int LineLength(int position) const override;
        void SetSelection(int start, int end) override;
        void CollapseSelection() override;
        void ScrollCaret() override;
        int HorizontalScrollPos() const override;
        void ScrollPageLeft() override;

    private:
        const QPointer<TLangEditor>& editor_;
    };

    // --- EngineEvents ----------------------------------------------------------------
    void OnInitialize() override;
    void OnPrint(const std::string& printLine, bool newline) override;
    void OnDump(const std::string& dumpLine) override;
    void OnStep(int lineNo) override;
    void OnBreakPoint() override;
    void OnScriptError(int lineNo, const std::string& errorMsg) override;
    void OnScriptComplete(int lineNo, int exitCode) override;
    void OnUserFunction(int ordinal, int paramCount) override;
    void OnBeep() override;

    // --- TLangEditorHost ----------------------------------------------------------------
    void EditorChange() override;
    void EditorSelectionChange() override;
    void EditorKeyPress(std::int16_t& key) override;
    void EditorKeyDown(std::int16_t& keyCode, std::int16_t shiftState) override;
    void EditorKeyUp(std::int16_t& keyCode, std::int16_t shiftState) override;

    // The editor; throws std::runtime_error once its container has deleted it.
    TLangEditor& Editor() const;
    // A property put the container may refuse: S_FALSE, changing nothing,
    // when it does; told of the change afterwards.
    template <typename Change>
    HRESULT NotifyingPut(DISPID dispid, Change&& change);
    // The member's body, with a failure turned into the member's error;
    // `stopRun` stops a run in progress first.
    template <typename Body>
    HRESULT Guarded(bool stopRun, Body&& body);
    HRESULT Result(const HostResult& result);
    HRESULT PutFileName(const std::string& name);
    void LoadScript(const std::string& name);
    void SaveRecord(platform::IStream& stream);
    void LoadRecord(platform::IStream& stream);

    ModuleReference moduleReference_;
    platform::ULONG refCount_ = 0;
    TLangConnections connections_;
    QPointer<TLangEditor> editor_;
    EditorViewProxy editorView_{editor_};
    TLangEngine engine_{*this, editorView_};
    std::string m_HelpFile = "Pevox10.Hlp";
    TxFormBorderStyle borderStyle_ = bsSingle;
    std::int32_t borderWidth_ = 0;
    bool ctl3D_ = true;
    std::int16_t dragCursor_ = -12;
    TxDragMode dragMode_ = dmManual;
    std::int16_t cursor_ = 0;
    bool dirty_ = false;
};

template <typename Change>
HRESULT TTLangImpl::NotifyingPut(DISPID dispid, Change&& change) {
    return Guarded(true, [&] {
        if (!connections_.RequestEdit(dispid)) return platform::S_FALSE;
        change();
        dirty_ = true;
        connections_.Changed(dispid);
        return platform::S_OK;
    });
}

template <typename Body>
HRESULT TTLangImpl::Guarded(bool stopRun, Body&& body) {
    // A host may let go of the control inside an event the member fires (a
    // run's events, a script error, a property notification): it lives until
    // the member returns.
    const platform::ComPtr<ITLang> keepAlive(this);
    try {
        return body();
    } catch (const std::exception& failure) {
        if (stopRun) engine_.Terminate();
        return TLangError(failure.what());
    }
}

}  // namespace pevox
