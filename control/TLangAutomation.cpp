#include "TLangAutomation.h"

#include "platform/Text.h"

#include <cstddef>

namespace pevox {

using namespace platform;

namespace {

constexpr WORD kHidden = FUNCFLAG_FHIDDEN;

ParamSpec Dim(const char16_t* name) { return WithDefault(In(name), -1); }

// ITLang in vtable order: one entry per member, as the type library declares it.
std::vector<DispatchMember> TLangMemberList() {
    return {
        PropertyGet<&ITLang::get_BorderStyle>(TLangDispid::BorderStyle, u"BorderStyle", "Set the border type of the control"),
        PropertyPut<&ITLang::put_BorderStyle>(TLangDispid::BorderStyle, u"BorderStyle", "Set the border type of the control"),
        PropertyGet<&ITLang::get_BorderWidth>(TLangDispid::BorderWidth, u"BorderWidth", "Sets the width of the border"),
        PropertyPut<&ITLang::put_BorderWidth>(TLangDispid::BorderWidth, u"BorderWidth", "Sets the width of the border"),
        PropertyGet<&ITLang::get_Color>(TLangDispid::Color, u"Color", "Set the color for the control"),
        PropertyPut<&ITLang::put_Color>(TLangDispid::Color, u"Color", "Set the color for the control"),
        PropertyGet<&ITLang::get_Ctl3D>(TLangDispid::Ctl3D, u"Ctl3D", "Set the appearance of the control", {}, VT_BOOL),
        PropertyPut<&ITLang::put_Ctl3D>(TLangDispid::Ctl3D, u"Ctl3D", "Set the appearance of the control", {}, VT_BOOL),
        PropertyGet<&ITLang::get_DragCursor>(TLangDispid::DragCursor, u"DragCursor",
                                             "Specifies the cursor to use during drag operations"),
        PropertyPut<&ITLang::put_DragCursor>(TLangDispid::DragCursor, u"DragCursor",
                                             "Specifies the cursor to use during drag operations"),
        PropertyGet<&ITLang::get_DragMode>(TLangDispid::DragMode, u"DragMode",
                                           "Determines how the control initiates drag-and-drop or drag-and-dock operations"),
        PropertyPut<&ITLang::put_DragMode>(TLangDispid::DragMode, u"DragMode",
                                           "Determines how the control initiates drag-and-drop or drag-and-dock operations"),
        PropertyGet<&ITLang::get_Enabled>(TLangDispid::Enabled, u"Enabled",
                                          "Controls whether the control responds to mouse, keyboard, and timer events",
                                          {}, VT_BOOL),
        PropertyPut<&ITLang::put_Enabled>(TLangDispid::Enabled, u"Enabled",
                                          "Controls whether the control responds to mouse, keyboard, and timer events",
                                          {}, VT_BOOL),
        PropertyGet<&ITLang::get_Font>(TLangDispid::Font, u"Font", ""),
        PropertyPut<&ITLang::put_Font>(TLangDispid::Font, u"Font", ""),
        PropertyPut<&ITLang::putref_Font>(TLangDispid::Font, u"Font", "", {}, VT_EMPTY, 0, INVOKE_PROPERTYPUTREF),
        PropertyGet<&ITLang::get_HideSelection>(TLangDispid::HideSelection, u"HideSelection",
                                                "Determines whether the visual indication of the selected text remains "
                                                "when focus shifts to another control",
                                                {}, VT_BOOL),
        PropertyPut<&ITLang::put_HideSelection>(TLangDispid::HideSelection, u"HideSelection",
                                                "Determines whether the visual indication of the selected text remains "
                                                "when focus shifts to another control",
                                                {}, VT_BOOL),
        PropertyGet<&ITLang::get_HideScrollBars>(TLangDispid::HideScrollBars, u"HideScrollBars",
                                                 "Determines whether the scroll bars disappear when not needed", {},
                                                 VT_BOOL),
        PropertyPut<&ITLang::put_HideScrollBars>(TLangDispid::HideScrollBars, u"HideScrollBars",
                                                 "Determines whether the scroll bars disappear when not needed", {},
                                                 VT_BOOL),
        PropertyGet<&ITLang::get_ReadOnly>(TLangDispid::ReadOnly, u"ReadOnly",
                                           "Determines whether the user can change the text of the edit control", {},
                                           VT_BOOL),
        PropertyPut<&ITLang::put_ReadOnly>(TLangDispid::ReadOnly, u"ReadOnly",
                                           "Determines whether the user can change the text of the edit control", {},
                                           VT_BOOL),
        PropertyGet<&ITLang::get_ScrollBars>(TLangDispid::ScrollBars, u"ScrollBars",
                                             "Determines whether the control has any scroll bars"),
        PropertyPut<&ITLang::put_ScrollBars>(TLangDispid::ScrollBars, u"ScrollBars",
                                             "Determines whether the control has any scroll bars"),
        PropertyGet<&ITLang::get_Visible>(TLangDispid::Visible, u"Visible",
                                          "Determines whether the component appears onscreen", {}, VT_BOOL),
        PropertyPut<&ITLang::put_Visible>(TLangDispid::Visible, u"Visible",
                                          "Determines whether the component appears onscreen", {}, VT_BOOL),
        PropertyGet<&ITLang::get_WantTabs>(TLangDispid::WantTabs, u"WantTabs",
                                           "Determines whether the user can insert tab characters into the text", {},
                                           VT_BOOL),
        PropertyPut<&ITLang::put_WantTabs>(TLangDispid::WantTabs, u"WantTabs",
                                           "Determines whether the user can insert tab characters into the text", {},
                                           VT_BOOL),
        Method<&ITLang::Clear>(TLangDispid::Clear, u"Clear", "Clears text and FileName"),
        Method<&ITLang::Print>(TLangDispid::Print, u"Print", "Prints text", {Optional(In(u"Caption"))}),
        PropertyGet<&ITLang::get_Modified>(TLangDispid::Modified, u"Modified", "Contents of control have changed", {},
                                           VT_BOOL),
        PropertyPut<&ITLang::put_Modified>(TLangDispid::Modified, u"Modified", "Contents of control have changed", {},
                                           VT_BOOL),
        PropertyGet<&ITLang::get_SelLength>(TLangDispid::SelLength, u"SelLength", "Length of the selected text", {},
                                            VT_EMPTY, kHidden),
        PropertyPut<&ITLang::put_SelLength>(TLangDispid::SelLength, u"SelLength", "Length of the selected text", {},
                                            VT_EMPTY, kHidden),
        PropertyGet<&ITLang::get_SelStart>(TLangDispid::SelStart, u"SelStart", "Start position of the selected text",
                                           {}, VT_EMPTY, kHidden),
        PropertyPut<&ITLang::put_SelStart>(TLangDispid::SelStart, u"SelStart", "Start position of the selected text",
                                           {}, VT_EMPTY, kHidden),
        PropertyGet<&ITLang::get_SelText>(TLangDispid::SelText, u"SelText", "Selected text", {}, VT_EMPTY, kHidden),
        PropertyPut<&ITLang::put_SelText>(TLangDispid::SelText, u"SelText", "Selected text", {}, VT_EMPTY, kHidden),
        PropertyGet<&ITLang::get_Text>(TLangDispid::Text, u"Text", ""),
        PropertyPut<&ITLang::put_Text>(TLangDispid::Text, u"Text", ""),
        PropertyGet<&ITLang::get_Cursor>(TLangDispid::Cursor, u"Cursor", "The cursor that will appear over the control"),
        PropertyPut<&ITLang::put_Cursor>(TLangDispid::Cursor, u"Cursor", "The cursor that will appear over the control"),
        Method<&ITLang::AboutBox>(TLangDispid::AboutBox, u"AboutBox", "Display the control's About box"),
        Method<&ITLang::LoadFromFile>(TLangDispid::LoadFromFile, u"LoadFromFile", "Load a file",
                                      {Optional(In(u"FileName"))}),
        PropertyGet<&ITLang::get_FileName>(TLangDispid::FileName, u"FileName", "Filename for the contents of the control"),
        PropertyPut<&ITLang::put_FileName>(TLangDispid::FileName, u"FileName", "Filename for the contents of the control"),
        Method<&ITLang::Terminate>(TLangDispid::Terminate, u"Terminate", "Terminate the currently running script"),
        Method<&ITLang::DumpVariables>(
            TLangDispid::DumpVariables, u"DumpVariables",
            "Fires OnDump event for each currently defined symbol - See ShowConstantsInDump"),
        PropertyGet<&ITLang::get_AutoSelectStepLine>(TLangDispid::AutoSelectStepLine, u"AutoSelectStepLine",
                                                     "Highlight lines as they execute", {}, VT_BOOL),
        PropertyPut<&ITLang::put_AutoSelectStepLine>(TLangDispid::AutoSelectStepLine, u"AutoSelectStepLine",
                                                     "Highlight lines as they execute", {}, VT_BOOL),
        PropertyGet<&ITLang::get_ExecutionMode>(TLangDispid::ExecutionMode, u"ExecutionMode",
                                                "TxStep - fire OnStep events, TxRun - no event"),
        PropertyPut<&ITLang::put_ExecutionMode>(TLangDispid::ExecutionMode, u"ExecutionMode",
                                                "TxStep - fire OnStep events, TxRun - no event"),
        Method<&ITLang::AddFunction>(TLangDispid::AddFunction, u"AddFunction", "Add a function to the scripting language",
                                     {In(u"Keyword"), In(u"ParamCount"), In(u"Ordinal"), In(u"ReturnType"),
                                      WithDefault(In(u"MinParams"), -1)}),
        Method<&ITLang::AddVariable>(TLangDispid::AddVariable, u"AddVariable", "Add a programmer defined variable",
                                     {In(u"VarName"), In(u"VarType"), WithDefault(In(u"IsConstant", VT_BOOL), 0)}),
        Method<&ITLang::Execute>(TLangDispid::Execute, u"Execute", "Execute the currently loaded script"),
        Method<&ITLang::Reset>(TLangDispid::Reset, u"Reset", "Reset the interpreter control"),
        Method<&ITLang::GetNParam>(TLangDispid::GetNParam, u"GetNParam", "Value of positional parameter as a number",
                                   {In(u"Position"), InOut(u"Value")}),
        Method<&ITLang::GetSParam>(TLangDispid::GetSParam, u"GetSParam", "Value of positional parameter as a string",
                                   {In(u"Position"), InOut(u"Value")}),
        PropertyPut<&ITLang::put_UserNReturn>(TLangDispid::UserNReturn, u"UserNReturn",
                                              "Sets numeric return value for added functions"),
        PropertyPut<&ITLang::put_UserSReturn>(TLangDispid::UserSReturn, u"UserSReturn",
                                              "Sets string return value for added functions"),
        Method<&ITLang::GetSVariable>(TLangDispid::GetSVariable, u"GetSVariable", "Retrieve string value of a variable",
                                      {In(u"VarName"), InOut(u"Value")}),
        Method<&ITLang::SetSVariable>(TLangDispid::SetSVariable, u"SetSVariable", "Assign a string value to a variable",
                                      {In(u"VarName"), In(u"Value")}),
        PropertyGet<&ITLang::get_Empty>(TLangDispid::Empty, u"Empty", "Control is empty or all white space", {}, VT_BOOL),
        Method<&ITLang::SaveToFile>(TLangDispid::SaveToFile, u"SaveToFile", "Save contents of control to a file",
                                    {Optional(In(u"FileName"))}),
        Method<&ITLang::AddArray>(TLangDispid::AddArray, u"AddArray", "Define a string array",
                                  {In(u"ArrayName"), In(u"ArrayType"), In(u"Dim1"), Dim(u"Dim2"), Dim(u"Dim3"),
                                   Dim(u"Dim4"), Dim(u"Dim5")}),
        Method<&ITLang::GetSArray>(TLangDispid::GetSArray, u"GetSArray", "Retrieve a string array element",
                                   {In(u"ArrayName"), InOut(u"RetVal"), In(u"Subscript1"), Dim(u"Subscript2"),
                                    Dim(u"Subscript3"), Dim(u"Subscript4"), Dim(u"Subscript5")}),
        Method<&ITLang::SetSArray>(TLangDispid::SetSArray, u"SetSArray", "Assign a string array element a value",
                                   {In(u"ArrayName"), In(u"Value"), In(u"Subscript1"), Dim(u"Subscript2"),
                                    Dim(u"Subscript3"), Dim(u"Subscript4"), Dim(u"Subscript5")}),
        Method<&ITLang::GetArrayBounds>(TLangDispid::GetArrayBounds, u"GetArrayBounds", "Bounds of a script array",
                                        {In(u"ArrayName"), InOut(u"Dim1"), Optional(InOut(u"Dim2")),
                                         Optional(InOut(u"Dim3")), Optional(InOut(u"Dim4")), Optional(InOut(u"Dim5"))}),
        Method<&ITLang::ClearArray>(TLangDispid::ClearArray, u"ClearArray", "Clear a script array", {In(u"ArrayName")}),
        PropertyGet<&ITLang::get_AllowUserBreak>(TLangDispid::AllowUserBreak, u"AllowUserBreak",
                                                 "<CTRL><SHIFT>C will terminate a running script", {}, VT_BOOL),
        PropertyPut<&ITLang::put_AllowUserBreak>(TLangDispid::AllowUserBreak, u"AllowUserBreak",
                                                 "<CTRL><SHIFT>C will terminate a running script", {}, VT_BOOL),
        PropertyGet<&ITLang::get_CursorLine>(TLangDispid::CursorLine, u"CursorLine", "Line the cursor is on"),
        PropertyGet<&ITLang::get_CursorCol>(TLangDispid::CursorCol, u"CursorCol", "Column of caret"),
        PropertyGet<&ITLang::get_SaveBeforeRun>(TLangDispid::SaveBeforeRun, u"SaveBeforeRun",
                                                "Save the script prior to executing. (See FileName)", {}, VT_BOOL),
        PropertyPut<&ITLang::put_SaveBeforeRun>(TLangDispid::SaveBeforeRun, u"SaveBeforeRun",
                                                "Save the script prior to executing. (See FileName)", {}, VT_BOOL),
        Method<&ITLang::GetNVariable>(TLangDispid::GetNVariable, u"GetNVariable", "Retrieve the value of a script variable",
                                      {In(u"VarName"), InOut(u"Value")}),
        Method<&ITLang::GetNArray>(TLangDispid::GetNArray, u"GetNArray", "Retrieve an array element's value",
                                   {In(u"ArrayName"), InOut(u"RetVal"), In(u"Subscript1"), Dim(u"Subscript2"),
                                    Dim(u"Subscript3"), Dim(u"Subscript4"), Dim(u"Subscript5")}),
        Method<&ITLang::SetNArray>(TLangDispid::SetNArray, u"SetNArray", "Assign an array element a value",
                                   {In(u"ArrayName"), In(u"Value"), In(u"Subscript1"), Dim(u"Subscript2"),
                                    Dim(u"Subscript3"), Dim(u"Subscript4"), Dim(u"Subscript5")}),
        Method<&ITLang::SetNVariable>(TLangDispid::SetNVariable, u"SetNVariable",
                                      "Assign a value to a predefined script variable", {In(u"VarName"), In(u"Value")}),
        PropertyGet<&ITLang::get_SyntaxColors>(TLangDispid::SyntaxColors, u"SyntaxColors",
                                               "Array of colors for sytax elements.", {In(u"WhichColor")}),
        PropertyPut<&ITLang::put_SyntaxColors>(TLangDispid::SyntaxColors, u"SyntaxColors",
                                               "Array of colors for sytax elements.", {In(u"WhichColor")}),
        PropertyGet<&ITLang::get_LineLength>(TLangDispid::LineLength, u"LineLength",
                                             "Retrieve the length in bytes of a specified line", {In(u"LineNo")}),
        PropertyGet<&ITLang::get_LastLine>(TLangDispid::LastLine, u"LastLine", "Number of lines of text in the control"),
        PropertyGet<&ITLang::get_TextLine>(TLangDispid::TextLine, u"TextLine",
                                           "Retrieve a specific line of text from the control", {In(u"LineNo")}),
        PropertyGet<&ITLang::get_State>(TLangDispid::State, u"State", "Query the state of the control "),
        PropertyGet<&ITLang::get_ShowConstantsInDump>(TLangDispid::ShowConstantsInDump, u"ShowConstantsInDump",
                                                      "Fire OnDump event for application constants", {}, VT_BOOL),
        PropertyPut<&ITLang::put_ShowConstantsInDump>(TLangDispid::ShowConstantsInDump, u"ShowConstantsInDump",
                                                      "Fire OnDump event for application constants", {}, VT_BOOL),
    };
}

std::vector<DispatchMember> TLangEventList() {
    const VARTYPE shortRef = VT_BYREF | VT_I2;
    return {
        Event(TLangEventDispid::OnChange, u"OnChange", "Fired when the text property changes"),
        Event(TLangEventDispid::OnKeyPress, u"OnKeyPress", "Fired when a user presses a key", {InOut(u"Key", shortRef)}),
        Event(TLangEventDispid::OnSelectionChange, u"OnSelectionChange", ""),
        Event(TLangEventDispid::OnStep, u"OnStep",
              "The OnStep event fires when a line has been executed and ExecutionMode is equal to TxStep",
              {In(u"LineNo", VT_I4)}),
        Event(TLangEventDispid::OnBreakPoint, u"OnBreakPoint", ""),
        Event(TLangEventDispid::OnScriptError, u"OnScriptError",
              "Fires when an error occurs in a script or during initialization",
              {In(u"LineNo", VT_I4), In(u"ErrorMsg", VT_BSTR)}),
        Event(TLangEventDispid::OnKeyUp, u"OnKeyUp", "Fires when a user releases a key",
              {InOut(u"KeyCode", shortRef), In(u"ShiftState", VT_I2)}),
        Event(TLangEventDispid::OnKeyDown, u"OnKeyDown", "Fires when a key is pressed",
              {InOut(u"KeyCode", shortRef), In(u"ShiftState", VT_I2)}),
        Event(TLangEventDispid::OnPrint, u"OnPrint", "Fires when the PRINT keyword is encountered in a script.",
              {In(u"PrintLine", VT_BSTR), In(u"Newline", VT_BOOL)}),
        Event(TLangEventDispid::OnUserFunction, u"OnUserFunction",
              "Fires when a programmer defined function is encountered in a script.",
              {In(u"Ordinal", VT_I4), In(u"ParamCount", VT_I4)}),
        Event(TLangEventDispid::OnDump, u"OnDump", "Fires in response to the DUMP keyword or the DumpVariables method",
              {In(u"DumpLine", VT_BSTR)}),
        Event(TLangEventDispid::OnScriptComplete, u"OnScriptComplete",
              "Fires in response to user break, or termination through the terminate method.",
              {In(u"LineNo", VT_I4), In(u"ExitCode", VT_I4)}),
        Event(TLangEventDispid::OnInitialize, u"OnInitialize", "Fires prior to the parser executing the script."),
    };
}

TypeDescription Enumeration(std::u16string name, const GUID& guid, std::vector<EnumValueDescription> values) {
    TypeDescription type;
    type.kind = TKIND_ENUM;
    type.name = std::move(name);
    type.guid = guid;
    type.values = std::move(values);
    return type;
}

TypeLibraryDescription BuildTypeLibrary() {
    TypeLibraryDescription library;
    library.name = u"Pevox10";
    library.help = "Pevox10 Library";
    library.helpFile = u"Pevox10.Hlp";
    library.guid = LIBID_Pevox10;
    library.lcid = 0x409;
    library.majorVersion = 1;
    library.minorVersion = 0;

    TypeDescription tlang;
    tlang.kind = TKIND_INTERFACE;
    tlang.name = u"ITLang";
    tlang.guid = IID_ITLang;
    tlang.majorVersion = 1;
    tlang.minorVersion = 95;
    tlang.flags = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
    tlang.help = "Dispatch interface for TLang Control";
    tlang.members = &ITLangMembers();

    TypeDescription events;
    events.kind = TKIND_DISPATCH;
    events.name = u"ITLangEvents";
    events.guid = DIID_ITLangEvents;
    events.majorVersion = 1;
    events.minorVersion = 20;
    events.flags = TYPEFLAG_FDISPATCHABLE;
    events.help = "Events interface for TLang Control";
    events.members = &ITLangEventsMembers();

    TypeDescription coclass;
    coclass.kind = TKIND_COCLASS;
    coclass.name = u"TLang";
    coclass.guid = CLSID_TLang;
    coclass.majorVersion = 1;
    coclass.minorVersion = 0;
    coclass.flags = TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL;
    coclass.help = "TLang Control";
    coclass.implemented = {{0, IMPLTYPEFLAG_FDEFAULT}, {1, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}};

    TypeDescription record;
    record.kind = TKIND_RECORD;
    record.name = u"TLANGFUNCTION";
    record.guid = GUID_TLANGFUNCTION;
    record.fields = {
        {u"Keyword", VT_BSTR, offsetof(TLANGFUNCTION, Keyword)},
        {u"ParamCount", VT_I4, offsetof(TLANGFUNCTION, ParamCount)},
        {u"Ordinal", VT_I4, offsetof(TLANGFUNCTION, Ordinal)},
        {u"ReturnType", VT_I4, offsetof(TLANGFUNCTION, ReturnType)},
    };

    library.types = {
        std::move(tlang),
        std::move(events),
        std::move(coclass),
        Enumeration(u"TxFormBorderStyle", GUID_TxFormBorderStyle, {{u"bsNone", bsNone, ""}, {u"bsSingle", bsSingle, ""}}),
        Enumeration(u"TxDragMode", GUID_TxDragMode, {{u"dmManual", dmManual, ""}, {u"dmAutomatic", dmAutomatic, ""}}),
        Enumeration(u"TxScrollStyle", GUID_TxScrollStyle,
                    {{u"ssNone", ssNone, ""}, {u"ssHorizontal", ssHorizontal, ""}, {u"ssVertical", ssVertical, ""},
                     {u"ssBoth", ssBoth, ""}}),
        Enumeration(u"TxStates", GUID_TxStates,
                    {{u"TxStsIdle", TxStsIdle, ""}, {u"TxStsBusy", TxStsBusy, ""}, {u"TxStsInitting", TxStsInitting, ""}}),
        Enumeration(u"TxExecutionModes", GUID_TxExecutionModes,
                    {{u"TxRun", TxRun, "Run without firing on step events"},
                     {u"TxStep", TxStep, "Fire OnStep events at every line"}}),
        Enumeration(u"TxTypes", GUID_TxTypes,
                    {{u"TxNone", TxNone, "Equates to C type void return for functions"},
                     {u"TxNumber", TxNumber, "A value must be set to the UserNReturn property"},
                     {u"TxString", TxString, "A String must be assigned to the UserSReturn Property"}}),
        Enumeration(u"TxExitCodes", GUID_TxExitCodes,
                    {{u"TxNormal", TxNormal, "Normal End of Execution Reached - OnScriptComplete Event Fires"},
                     {u"TxBreak", TxBreak, "Script User pressed Ctrl-Shift-C"},
                     {u"TxKilled", TxKilled, "Killed by programmer calling the Reset or Terminate method directly"},
                     {u"TxReset", TxReset, "Programmer reset the control through the Reset method"},
                     {u"TxError", TxError, "Internal Error in the OCX file terminated the script"}}),
        Enumeration(u"TxSyntaxColors", GUID_TxSyntaxColors,
                    {{u"ColorReserved", ColorReserved, ""}, {u"ColorString", ColorString, ""},
                     {u"ColorNumber", ColorNumber, ""}, {u"ColorSymbol", ColorSymbol, ""},
                     {u"ColorComment", ColorComment, ""}, {u"ColorOperator", ColorOperator, ""}}),
        std::move(record),
    };
    return library;
}

// The library object lives as long as the process; every caller gets a reference of its own.
ITypeLib* SharedTypeLib() {
    static ITypeLib* const library = CreateTypeLibrary(TLangTypeLibrary());
    return library;
}

HRESULT TypeInfoAt(UINT index, ITypeInfo** info) {
    if (!info) return E_POINTER;
    return SharedTypeLib()->GetTypeInfo(index, info);
}

constexpr UINT kITLangIndex = 0;
constexpr UINT kTLangIndex = 2;

}  // namespace

const DispatchTable& ITLangMembers() {
    static const DispatchTable table(IID_ITLang, kTLangProgId, TLangMemberList());
    return table;
}

const DispatchTable& ITLangEventsMembers() {
    static const DispatchTable table(DIID_ITLangEvents, kTLangProgId, TLangEventList());
    return table;
}

const TypeLibraryDescription& TLangTypeLibrary() {
    static const TypeLibraryDescription library = BuildTypeLibrary();
    return library;
}

HRESULT GetIDsOfNamesITLang(OLECHAR** names, UINT count, DISPID* ids) {
    return ITLangMembers().GetIDsOfNames(names, count, ids);
}

HRESULT InvokeITLang(ITLang* self, DISPID member, WORD flags, DISPPARAMS* params, VARIANT* result,
                     EXCEPINFO* exception, UINT* argErr) {
    if (!self) return E_POINTER;
    return ITLangMembers().Invoke(self, member, flags, params, result, exception, argErr);
}

HRESULT GetTypeInfoITLang(UINT index, ITypeInfo** info) {
    if (info) *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return TypeInfoAt(kITLangIndex, info);
}

HRESULT GetClassInfoTLang(ITypeInfo** info) { return TypeInfoAt(kTLangIndex, info); }

HRESULT GetTLangTypeLib(ITypeLib** library) {
    if (!library) return E_POINTER;
    *library = SharedTypeLib();
    (*library)->AddRef();
    return S_OK;
}

HRESULT TLangError(std::string_view message) {
    return ReportError(DISP_E_EXCEPTION, IID_ITLang, kTLangProgId, Cp1252ToUtf16(message));
}

HRESULT GetTLangPropertyPages(CAUUID* pages) {
    if (!pages) return E_POINTER;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) {
        pages->cElems = 0;
        return E_OUTOFMEMORY;
    }
    pages->cElems = 1;
    pages->pElems[0] = CLSID_TLangPropPage;
    return S_OK;
}

}  // namespace pevox
