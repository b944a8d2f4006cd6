// An ITLang that only records: every member notes its C++ name and its
// arguments as text, reads the values it hands back from `answers`, and
// returns `result` (or fails with error information when `failWith` is set).
// It lets the dispatch tests see which vtable member a call reached.
#pragma once

#include "Pevox10_TLB.h"
#include "TLangAutomation.h"
#include "platform/Numbers.h"
#include "platform/Text.h"

#include <string>
#include <vector>

namespace pevox_test {

using namespace platform;
using namespace pevox;

class FakeTLang final : public ITLang {
public:
    std::string lastCall;
    std::vector<std::string> lastArgs;
    HRESULT result = S_OK;
    std::string failWith;  // non-empty: the member fails through TLangError with this message

    // What gets and [in,out] parameters hand back.
    std::int32_t longAnswer = 7;
    double doubleAnswer = 2.5;
    std::u16string stringAnswer = u"answer";
    ComPtr<IFontDisp> fontAnswer;
    IFontDisp* fontReceived = nullptr;  // not held: compared by identity only

    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid != IID_IUnknown && riid != IID_IDispatch && riid != IID_ITLang) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<ITLang*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT GetTypeInfoCount(UINT* count) override {
        *count = 1;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT index, LCID, ITypeInfo** info) override { return GetTypeInfoITLang(index, info); }
    HRESULT GetIDsOfNames(REFIID, OLECHAR** names, UINT count, LCID, DISPID* ids) override {
        return GetIDsOfNamesITLang(names, count, ids);
    }
    HRESULT Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                   UINT* argErr) override {
        return InvokeITLang(this, member, flags, params, result, exception, argErr);
    }

#define FAKE_PUT(Name, Type) \
    HRESULT put_##Name(Type Value) override { return Record("put_" #Name, {Text(Value)}); }
#define FAKE_GET(Name, Type) \
    HRESULT get_##Name(Type* Value) override { return Answer("get_" #Name, Value); }
#define FAKE_PROPERTY(Name, Type) FAKE_GET(Name, Type) FAKE_PUT(Name, Type)

    FAKE_PROPERTY(BorderStyle, TxFormBorderStyle)
    FAKE_PROPERTY(BorderWidth, std::int32_t)
    FAKE_PROPERTY(Color, OLE_COLOR)
    FAKE_PROPERTY(Ctl3D, VARIANT_BOOL)
    FAKE_PROPERTY(DragCursor, std::int16_t)
    FAKE_PROPERTY(DragMode, TxDragMode)
    FAKE_PROPERTY(Enabled, VARIANT_BOOL)
    HRESULT get_Font(IFontDisp** Value) override {
        if (!Value) return E_POINTER;
        *Value = fontAnswer.Get();
        if (*Value) (*Value)->AddRef();
        return Record("get_Font", {});
    }
    HRESULT put_Font(IFontDisp* Value) override {
        fontReceived = Value;
        return Record("put_Font", {Value ? "font" : "null"});
    }
    HRESULT putref_Font(IFontDisp** Value) override {
        fontReceived = Value ? *Value : nullptr;
        return Record("putref_Font", {Value && *Value ? "font" : "null"});
    }
    FAKE_PROPERTY(HideSelection, VARIANT_BOOL)
    FAKE_PROPERTY(HideScrollBars, VARIANT_BOOL)
    FAKE_PROPERTY(ReadOnly, VARIANT_BOOL)
    FAKE_PROPERTY(ScrollBars, TxScrollStyle)
    FAKE_PROPERTY(Visible, VARIANT_BOOL)
    FAKE_PROPERTY(WantTabs, VARIANT_BOOL)
    HRESULT Clear() override { return Record("Clear", {}); }
    HRESULT Print(BSTR Caption) override { return Record("Print", {Text(Caption)}); }
    FAKE_PROPERTY(Modified, VARIANT_BOOL)
    FAKE_PROPERTY(SelLength, std::int32_t)
    FAKE_PROPERTY(SelStart, std::int32_t)
    FAKE_PROPERTY(SelText, BSTR)
    FAKE_PROPERTY(Text, BSTR)
    FAKE_PROPERTY(Cursor, std::int16_t)
    HRESULT AboutBox() override { return Record("AboutBox", {}); }
    HRESULT LoadFromFile(BSTR FileName) override { return Record("LoadFromFile", {Text(FileName)}); }
    FAKE_PROPERTY(FileName, BSTR)
    HRESULT Terminate() override { return Record("Terminate", {}); }
    HRESULT DumpVariables() override { return Record("DumpVariables", {}); }
    FAKE_PROPERTY(AutoSelectStepLine, VARIANT_BOOL)
    FAKE_PROPERTY(ExecutionMode, TxExecutionModes)
    HRESULT AddFunction(BSTR Keyword, std::int32_t ParamCount, std::int32_t Ordinal, TxTypes ReturnType,
                        std::int32_t MinParams) override {
        return Record("AddFunction", {Text(Keyword), Text(ParamCount), Text(Ordinal), Text(ReturnType), Text(MinParams)});
    }
    HRESULT AddVariable(BSTR VarName, TxTypes VarType, VARIANT_BOOL IsConstant) override {
        return Record("AddVariable", {Text(VarName), Text(VarType), Text(IsConstant)});
    }
    HRESULT Execute() override { return Record("Execute", {}); }
    HRESULT Reset() override { return Record("Reset", {}); }
    HRESULT GetNParam(std::int32_t Position, double* Value) override {
        return InOut("GetNParam", {Text(Position)}, Value);
    }
    HRESULT GetSParam(std::int32_t Position, BSTR* Value) override {
        return InOut("GetSParam", {Text(Position)}, Value);
    }
    FAKE_PUT(UserNReturn, double)
    FAKE_PUT(UserSReturn, BSTR)
    HRESULT GetSVariable(BSTR VarName, BSTR* Value) override { return InOut("GetSVariable", {Text(VarName)}, Value); }
    HRESULT SetSVariable(BSTR VarName, BSTR Value) override {
        return Record("SetSVariable", {Text(VarName), Text(Value)});
    }
    FAKE_GET(Empty, VARIANT_BOOL)
    HRESULT SaveToFile(BSTR FileName) override { return Record("SaveToFile", {Text(FileName)}); }
    HRESULT AddArray(BSTR ArrayName, TxTypes ArrayType, std::int16_t Dim1, std::int16_t Dim2, std::int16_t Dim3,
                     std::int16_t Dim4, std::int16_t Dim5) override {
        return Record("AddArray",
                      {Text(ArrayName), Text(ArrayType), Text(Dim1), Text(Dim2), Text(Dim3), Text(Dim4), Text(Dim5)});
    }
    HRESULT GetSArray(BSTR ArrayName, BSTR* RetVal, std::int16_t S1, std::int16_t S2, std::int16_t S3,
                      std::int16_t S4, std::int16_t S5) override {
        return InOut("GetSArray", {Text(ArrayName), Text(S1), Text(S2), Text(S3), Text(S4), Text(S5)}, RetVal);
    }
    HRESULT SetSArray(BSTR ArrayName, BSTR Value, std::int16_t S1, std::int16_t S2, std::int16_t S3, std::int16_t S4,
                      std::int16_t S5) override {
        return Record("SetSArray", {Text(ArrayName), Text(Value), Text(S1), Text(S2), Text(S3), Text(S4), Text(S5)});
    }
    HRESULT GetArrayBounds(BSTR ArrayName, std::int16_t* Dim1, std::int16_t* Dim2, std::int16_t* Dim3,
                           std::int16_t* Dim4, std::int16_t* Dim5) override {
        std::vector<std::string> args{Text(ArrayName)};
        for (std::int16_t* dim : {Dim1, Dim2, Dim3, Dim4, Dim5}) {
            args.push_back(dim ? "dim" : "null");
            if (dim) *dim = static_cast<std::int16_t>(longAnswer);
        }
        return Record("GetArrayBounds", args);
    }
    HRESULT ClearArray(BSTR ArrayName) override { return Record("ClearArray", {Text(ArrayName)}); }
    FAKE_PROPERTY(AllowUserBreak, VARIANT_BOOL)
    FAKE_GET(CursorLine, std::int32_t)
    FAKE_GET(CursorCol, std::int32_t)
    FAKE_PROPERTY(SaveBeforeRun, VARIANT_BOOL)
    HRESULT GetNVariable(BSTR VarName, double* Value) override { return InOut("GetNVariable", {Text(VarName)}, Value); }
    HRESULT GetNArray(BSTR ArrayName, double* RetVal, std::int16_t S1, std::int16_t S2, std::int16_t S3,
                      std::int16_t S4, std::int16_t S5) override {
        return InOut("GetNArray", {Text(ArrayName), Text(S1), Text(S2), Text(S3), Text(S4), Text(S5)}, RetVal);
    }
    HRESULT SetNArray(BSTR ArrayName, double Value, std::int16_t S1, std::int16_t S2, std::int16_t S3,
                      std::int16_t S4, std::int16_t S5) override {
        return Record("SetNArray", {Text(ArrayName), Text(Value), Text(S1), Text(S2), Text(S3), Text(S4), Text(S5)});
    }
    HRESULT SetNVariable(BSTR VarName, double Value) override {
        return Record("SetNVariable", {Text(VarName), Text(Value)});
    }
    HRESULT get_SyntaxColors(TxSyntaxColors WhichColor, std::int32_t* Value) override {
        return InOut("get_SyntaxColors", {Text(WhichColor)}, Value);
    }
    HRESULT put_SyntaxColors(TxSyntaxColors WhichColor, std::int32_t Value) override {
        return Record("put_SyntaxColors", {Text(WhichColor), Text(Value)});
    }
    HRESULT get_LineLength(std::int32_t LineNo, std::int32_t* Value) override {
        return InOut("get_LineLength", {Text(LineNo)}, Value);
    }
    FAKE_GET(LastLine, std::int32_t)
    HRESULT get_TextLine(std::int32_t LineNo, BSTR* Value) override {
        return InOut("get_TextLine", {Text(LineNo)}, Value);
    }
    FAKE_GET(State, std::int32_t)
    FAKE_PROPERTY(ShowConstantsInDump, VARIANT_BOOL)

#undef FAKE_PROPERTY
#undef FAKE_GET
#undef FAKE_PUT

private:
    static std::string Text(BSTR value) { return value ? BstrToAnsi(value) : "<null>"; }
    static std::string Text(double value) { return ShortestText(value); }
    template <typename T>
    static std::string Text(T value) {
        return std::to_string(static_cast<long long>(value));
    }

    HRESULT Record(const char* name, std::vector<std::string> args) {
        lastCall = name;
        lastArgs = std::move(args);
        if (!failWith.empty()) return TLangError(failWith);
        return result;
    }

    void Store(BSTR* target) {
        SysFreeString(*target);  // an [in,out] string is the callee's to replace
        *target = SysAllocString(stringAnswer);
    }
    void Store(double* target) { *target = doubleAnswer; }
    template <typename T>
    void Store(T* target) {
        *target = static_cast<T>(longAnswer);
    }

    template <typename T>
    HRESULT Answer(const char* name, T* value) {
        return InOut(name, {}, value);
    }
    template <typename T>
    HRESULT InOut(const char* name, std::vector<std::string> args, T* value) {
        if (!value) return E_POINTER;
        const HRESULT hr = Record(name, std::move(args));
        if (SUCCEEDED(hr)) Store(value);
        return hr;
    }
};

}  // namespace pevox_test
