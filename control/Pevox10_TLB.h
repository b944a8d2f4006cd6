// The automation contract of the interpreter control: the identifiers of its
// type library, the dual interface ITLang in vtable order, the event
// interface's dispatch identifiers, the enumerations and the record.
// Every identifier and value here is fixed for good: hosts rely on them.
#pragma once

#include "TxTypes.h"
#include "platform/ComAutomation.h"
#include "platform/ComControl.h"

#include <cstdint>

namespace pevox {

using platform::BSTR;
using platform::DISPID;
using platform::GUID;
using platform::HRESULT;
using platform::IFontDisp;
using platform::OLE_COLOR;
using platform::VARIANT_BOOL;

// Type library "Pevox10", version 1.0.
inline constexpr GUID LIBID_Pevox10{0x0EFDE414, 0x0AFC, 0x4157, {0x8D, 0xA0, 0x23, 0x32, 0x1A, 0x37, 0x10, 0x73}};
inline constexpr GUID IID_ITLang{0x1C1E695F, 0x81EC, 0x4772, {0x81, 0x3F, 0x69, 0xD0, 0x76, 0x9D, 0x73, 0x96}};
inline constexpr GUID DIID_ITLangEvents{0x809C4681, 0x2986, 0x44BB, {0x8E, 0xFD, 0x92, 0xC5, 0xC4, 0x9F, 0x20, 0x9F}};
// The control's class and its property page's class.
inline constexpr GUID CLSID_TLang{0x14B6ACB1, 0xFB65, 0x4E78, {0x88, 0xF2, 0x8C, 0xA1, 0x5F, 0xC6, 0x5E, 0xFF}};
inline constexpr GUID CLSID_TLangPropPage{0x73814197, 0x8403, 0x44D0, {0xA1, 0x87, 0xAF, 0x14, 0x42, 0xBD, 0xB8, 0x94}};
// The enumerations and the record.
inline constexpr GUID GUID_TxFormBorderStyle{0x867AE333, 0xF2C0, 0x421E, {0x81, 0x3F, 0xE1, 0x3E, 0x6A, 0xDA, 0x8F, 0x50}};
inline constexpr GUID GUID_TxDragMode{0x448C7F12, 0x0A4F, 0x4CE3, {0x88, 0x87, 0xE7, 0xE5, 0xE7, 0x7B, 0x7D, 0x5A}};
inline constexpr GUID GUID_TxScrollStyle{0xDEE1FBB7, 0x3387, 0x4E56, {0x9D, 0x04, 0x74, 0x37, 0xF0, 0x4B, 0x58, 0x51}};
inline constexpr GUID GUID_TxStates{0x146F5386, 0x293E, 0x41E2, {0xA3, 0x3D, 0xB6, 0xD4, 0x3D, 0x5F, 0x49, 0x26}};
inline constexpr GUID GUID_TxExecutionModes{0xE5CB4AE8, 0x742A, 0x41F9, {0xBF, 0xC5, 0x39, 0x7E, 0x6F, 0x02, 0x8F, 0x33}};
inline constexpr GUID GUID_TxTypes{0x91CFB0ED, 0x65C2, 0x4E02, {0x8C, 0x8A, 0x85, 0x9A, 0xC7, 0xEB, 0x33, 0x99}};
inline constexpr GUID GUID_TxExitCodes{0x99C89614, 0x6AF5, 0x45FA, {0x8B, 0x52, 0x2A, 0xC8, 0xBC, 0x4B, 0x62, 0x3D}};
inline constexpr GUID GUID_TxSyntaxColors{0x7894AC9F, 0x08FF, 0x4D69, {0x8D, 0x94, 0x68, 0x96, 0x12, 0xC8, 0x37, 0x30}};
inline constexpr GUID GUID_TLANGFUNCTION{0xA23C485D, 0x718D, 0x47E4, {0x82, 0xD6, 0xE8, 0xF8, 0x50, 0xF7, 0x4C, 0x1B}};

// TxExitCodes, TxTypes, TxExecutionModes and TxStates come from the engine (TxTypes.h).
enum TxFormBorderStyle : std::int32_t {
    bsNone = 0,
    bsSingle = 1,
};

enum TxDragMode : std::int32_t {
    dmManual = 0,
    dmAutomatic = 1,
};

enum TxScrollStyle : std::int32_t {
    ssNone = 0,
    ssHorizontal = 1,
    ssVertical = 2,
    ssBoth = 3,
};

enum TxSyntaxColors : std::int32_t {
    ColorReserved = 0,
    ColorString = 1,
    ColorNumber = 2,
    ColorSymbol = 3,
    ColorComment = 4,
    ColorOperator = 5,
};

static_assert(sizeof(TxExitCodes) == 4 && sizeof(TxTypes) == 4 && sizeof(TxExecutionModes) == 4 &&
              sizeof(TxStates) == 4);

// Mirrors the first four arguments of AddFunction; no member takes or returns it.
struct TLANGFUNCTION {
    BSTR Keyword;
    std::int32_t ParamCount;
    std::int32_t Ordinal;
    TxTypes ReturnType;
};

// Dispatch identifiers of the ITLang members.
namespace TLangDispid {
inline constexpr DISPID LineLength = 1;
inline constexpr DISPID BorderStyle = 2;
inline constexpr DISPID BorderWidth = 3;
inline constexpr DISPID Ctl3D = 4;
inline constexpr DISPID DragCursor = 5;
inline constexpr DISPID DragMode = 6;
inline constexpr DISPID HideSelection = 7;
inline constexpr DISPID HideScrollBars = 8;
inline constexpr DISPID AllowUserBreak = 9;
inline constexpr DISPID CursorLine = 10;
inline constexpr DISPID AddArray = 11;
inline constexpr DISPID LastLine = 12;
inline constexpr DISPID CursorCol = 13;
inline constexpr DISPID SaveBeforeRun = 14;
inline constexpr DISPID TextLine = 15;
inline constexpr DISPID ReadOnly = 16;
inline constexpr DISPID ScrollBars = 17;
inline constexpr DISPID Visible = 18;
inline constexpr DISPID WantTabs = 19;
inline constexpr DISPID SyntaxColors = 20;
inline constexpr DISPID Empty = 21;
inline constexpr DISPID Clear = 22;
inline constexpr DISPID DumpVariables = 23;
inline constexpr DISPID State = 24;
inline constexpr DISPID Print = 25;
inline constexpr DISPID AutoSelectStepLine = 26;
inline constexpr DISPID ShowConstantsInDump = 27;
inline constexpr DISPID Modified = 36;
inline constexpr DISPID SelLength = 37;
inline constexpr DISPID SelStart = 38;
inline constexpr DISPID SelText = 39;
inline constexpr DISPID GetSArray = 40;
inline constexpr DISPID ExecutionMode = 41;
inline constexpr DISPID AddFunction = 45;
inline constexpr DISPID AddVariable = 46;
inline constexpr DISPID Cursor = 49;
inline constexpr DISPID Execute = 50;
inline constexpr DISPID Reset = 51;
inline constexpr DISPID GetNParam = 52;
inline constexpr DISPID GetSParam = 53;
inline constexpr DISPID LoadFromFile = 54;
inline constexpr DISPID FileName = 55;
inline constexpr DISPID Terminate = 56;
inline constexpr DISPID UserNReturn = 57;
inline constexpr DISPID UserSReturn = 58;
inline constexpr DISPID SaveToFile = 59;
inline constexpr DISPID GetSVariable = 60;
inline constexpr DISPID SetSVariable = 61;
inline constexpr DISPID SetSArray = 62;
inline constexpr DISPID GetArrayBounds = 63;
inline constexpr DISPID ClearArray = 64;
inline constexpr DISPID GetNArray = 65;
inline constexpr DISPID GetNVariable = 66;
inline constexpr DISPID SetNArray = 67;
inline constexpr DISPID SetNVariable = 68;
inline constexpr DISPID Color = -501;     // stock background colour
inline constexpr DISPID Font = -512;      // stock font
inline constexpr DISPID Enabled = -514;   // stock enabled
inline constexpr DISPID Text = -517;      // stock text
inline constexpr DISPID AboutBox = -552;  // stock about box
}  // namespace TLangDispid

// Dispatch identifiers of the ITLangEvents events.
namespace TLangEventDispid {
inline constexpr DISPID OnChange = 1;
inline constexpr DISPID OnPrint = 2;
inline constexpr DISPID OnUserFunction = 3;
inline constexpr DISPID OnDump = 4;
inline constexpr DISPID OnScriptComplete = 6;
inline constexpr DISPID OnKeyPress = 7;
inline constexpr DISPID OnInitialize = 8;
inline constexpr DISPID OnSelectionChange = 18;
inline constexpr DISPID OnStep = 21;
inline constexpr DISPID OnBreakPoint = 22;
inline constexpr DISPID OnScriptError = 23;
inline constexpr DISPID OnKeyUp = 24;
inline constexpr DISPID OnKeyDown = 25;
}  // namespace TLangEventDispid

// The dual interface of the control. Its 88 members follow IDispatch's seven
// entries in this exact order. Strings are length-prefixed (the caller keeps
// its [in] strings; [out] strings belong to the caller afterwards, and an
// [in,out] string is freed by the callee before it is replaced).
struct ITLang : platform::IDispatch {
    virtual HRESULT get_BorderStyle(TxFormBorderStyle* Value) = 0;
    virtual HRESULT put_BorderStyle(TxFormBorderStyle Value) = 0;
    virtual HRESULT get_BorderWidth(std::int32_t* Value) = 0;
    virtual HRESULT put_BorderWidth(std::int32_t Value) = 0;
    virtual HRESULT get_Color(OLE_COLOR* Value) = 0;
    virtual HRESULT put_Color(OLE_COLOR Value) = 0;
    virtual HRESULT get_Ctl3D(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_Ctl3D(VARIANT_BOOL Value) = 0;
    virtual HRESULT get_DragCursor(std::int16_t* Value) = 0;
    virtual HRESULT put_DragCursor(std::int16_t Value) = 0;
    virtual HRESULT get_DragMode(TxDragMode* Value) = 0;
    virtual HRESULT put_DragMode(TxDragMode Value) = 0;
    virtual HRESULT get_Enabled(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL Value) = 0;
    virtual HRESULT get_Font(IFontDisp** Value) = 0;
    virtual HRESULT put_Font(IFontDisp* Value) = 0;
    virtual HRESULT putref_Font(IFontDisp** Value) = 0;
    virtual HRESULT get_HideSelection(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_HideSelection(VARIANT_BOOL Value) = 0;
    virtual HRESULT get_HideScrollBars(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_HideScrollBars(VARIANT_BOOL Value) = 0;
    virtual HRESULT get_ReadOnly(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_ReadOnly(VARIANT_BOOL Value) = 0;
    virtual HRESULT get_ScrollBars(TxScrollStyle* Value) = 0;
    virtual HRESULT put_ScrollBars(TxScrollStyle Value) = 0;
    virtual HRESULT get_Visible(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_Visible(VARIANT_BOOL Value) = 0;
    virtual HRESULT get_WantTabs(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_WantTabs(VARIANT_BOOL Value) = 0;
    virtual HRESULT Clear() = 0;
    virtual HRESULT Print(BSTR Caption) = 0;
    virtual HRESULT get_Modified(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_Modified(VARIANT_BOOL Value) = 0;
    virtual HRESULT get_SelLength(std::int32_t* Value) = 0;
    virtual HRESULT put_SelLength(std::int32_t Value) = 0;
    virtual HRESULT get_SelStart(std::int32_t* Value) = 0;
    virtual HRESULT put_SelStart(std::int32_t Value) = 0;
    virtual HRESULT get_SelText(BSTR* Value) = 0;
    virtual HRESULT put_SelText(BSTR Value) = 0;
    virtual HRESULT get_Text(BSTR* Value) = 0;
    virtual HRESULT put_Text(BSTR Value) = 0;
    virtual HRESULT get_Cursor(std::int16_t* Value) = 0;
    virtual HRESULT put_Cursor(std::int16_t Value) = 0;
    virtual HRESULT AboutBox() = 0;
    virtual HRESULT LoadFromFile(BSTR FileName) = 0;
    virtual HRESULT get_FileName(BSTR* Value) = 0;
    virtual HRESULT put_FileName(BSTR Value) = 0;
    virtual HRESULT Terminate() = 0;
    virtual HRESULT DumpVariables() = 0;
    virtual HRESULT get_AutoSelectStepLine(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_AutoSelectStepLine(VARIANT_BOOL Value) = 0;
    virtual HRESULT get_ExecutionMode(TxExecutionModes* Value) = 0;
    virtual HRESULT put_ExecutionMode(TxExecutionModes Value) = 0;
    virtual HRESULT AddFunction(BSTR Keyword, std::int32_t ParamCount, std::int32_t Ordinal, TxTypes ReturnType,
                                std::int32_t MinParams) = 0;
    virtual HRESULT AddVariable(BSTR VarName, TxTypes VarType, VARIANT_BOOL IsConstant) = 0;
    virtual HRESULT Execute() = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT GetNParam(std::int32_t Position, double* Value) = 0;
    virtual HRESULT GetSParam(std::int32_t Position, BSTR* Value) = 0;
    virtual HRESULT put_UserNReturn(double Value) = 0;
    virtual HRESULT put_UserSReturn(BSTR Value) = 0;
    virtual HRESULT GetSVariable(BSTR VarName, BSTR* Value) = 0;
    virtual HRESULT SetSVariable(BSTR VarName, BSTR Value) = 0;
    virtual HRESULT get_Empty(VARIANT_BOOL* Value) = 0;
    virtual HRESULT SaveToFile(BSTR FileName) = 0;
    virtual HRESULT AddArray(BSTR ArrayName, TxTypes ArrayType, std::int16_t Dim1, std::int16_t Dim2,
                             std::int16_t Dim3, std::int16_t Dim4, std::int16_t Dim5) = 0;
    virtual HRESULT GetSArray(BSTR ArrayName, BSTR* RetVal, std::int16_t Subscript1, std::int16_t Subscript2,
                              std::int16_t Subscript3, std::int16_t Subscript4, std::int16_t Subscript5) = 0;
    virtual HRESULT SetSArray(BSTR ArrayName, BSTR Value, std::int16_t Subscript1, std::int16_t Subscript2,
                              std::int16_t Subscript3, std::int16_t Subscript4, std::int16_t Subscript5) = 0;
    // Dim2 to Dim5 may be null (omitted): nothing is written through them then.
    virtual HRESULT GetArrayBounds(BSTR ArrayName, std::int16_t* Dim1, std::int16_t* Dim2, std::int16_t* Dim3,
                                   std::int16_t* Dim4, std::int16_t* Dim5) = 0;
    virtual HRESULT ClearArray(BSTR ArrayName) = 0;
    virtual HRESULT get_AllowUserBreak(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_AllowUserBreak(VARIANT_BOOL Value) = 0;
    virtual HRESULT get_CursorLine(std::int32_t* Value) = 0;
    virtual HRESULT get_CursorCol(std::int32_t* Value) = 0;
    virtual HRESULT get_SaveBeforeRun(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_SaveBeforeRun(VARIANT_BOOL Value) = 0;
    virtual HRESULT GetNVariable(BSTR VarName, double* Value) = 0;
    virtual HRESULT GetNArray(BSTR ArrayName, double* RetVal, std::int16_t Subscript1, std::int16_t Subscript2,
                              std::int16_t Subscript3, std::int16_t Subscript4, std::int16_t Subscript5) = 0;
    virtual HRESULT SetNArray(BSTR ArrayName, double Value, std::int16_t Subscript1, std::int16_t Subscript2,
                              std::int16_t Subscript3, std::int16_t Subscript4, std::int16_t Subscript5) = 0;
    virtual HRESULT SetNVariable(BSTR VarName, double Value) = 0;
    virtual HRESULT get_SyntaxColors(TxSyntaxColors WhichColor, std::int32_t* Value) = 0;
    virtual HRESULT put_SyntaxColors(TxSyntaxColors WhichColor, std::int32_t Value) = 0;
    virtual HRESULT get_LineLength(std::int32_t LineNo, std::int32_t* Value) = 0;
    virtual HRESULT get_LastLine(std::int32_t* Value) = 0;
    virtual HRESULT get_TextLine(std::int32_t LineNo, BSTR* Value) = 0;
    virtual HRESULT get_State(std::int32_t* Value) = 0;
    virtual HRESULT get_ShowConstantsInDump(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_ShowConstantsInDump(VARIANT_BOOL Value) = 0;
};

}  // namespace pevox
