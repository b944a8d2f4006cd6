// ITLang by dispatch: names and identifiers, every member reached through
// Invoke lands on its own vtable entry, argument conversion and defaults,
// errors, and the type information built from the same table.
#include "FakeTLang.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace pevox_test;

namespace {

// Invoke arguments are handed over last-first; this keeps them in declaration order.
class Args {
public:
    Args& Add(VARIANT v) {
        values_.insert(values_.begin(), v);
        return *this;
    }
    ~Args() {
        for (VARIANT& v : values_) VariantClear(&v);
    }
    DISPPARAMS Params() { return {values_.data(), nullptr, static_cast<UINT>(values_.size()), 0}; }
    DISPPARAMS PutParams() { return {values_.data(), &putId_, static_cast<UINT>(values_.size()), 1}; }

private:
    std::vector<VARIANT> values_;
    DISPID putId_ = DISPID_PROPERTYPUT;
};

DISPID IdOf(const std::u16string& name) {
    std::u16string copy = name;
    OLECHAR* names[] = {copy.data()};
    DISPID id = 0;
    EXPECT_EQ(GetIDsOfNamesITLang(names, 1, &id), S_OK) << Utf16ToCp1252(name);
    return id;
}

class TLangDispatchTest : public ::testing::Test {
protected:
    FakeTLang control;
    UniqueVariant result;
    EXCEPINFO exception{};
    UINT argErr = 999;

    HRESULT Call(DISPID id, WORD flags, DISPPARAMS params) {
        VariantClear(result.Ptr());
        return control.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.Ptr(), &exception, &argErr);
    }
    void TearDown() override { ClearExcepInfo(&exception); }
};

// A value of the parameter's type, so that every member can be called.
VARIANT SampleFor(const DispatchParam& param) {
    const VARTYPE vt = param.desc.vt & ~VT_BYREF;
    if (vt == VT_BSTR) return MakeVariantBstr(u"s");
    if (vt == VT_BOOL) return MakeVariantBool(true);
    if (vt == VT_DISPATCH) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_DISPATCH;
        v.pdispVal = CreateFontDisp({u"Sans", 9, false, false, false, false});
        return v;
    }
    return MakeVariantI4(1);
}

std::string VtableName(const DispatchMember& member) {
    const std::string name = Utf16ToCp1252(member.name);
    switch (member.kind) {
    case INVOKE_PROPERTYGET: return "get_" + name;
    case INVOKE_PROPERTYPUT: return "put_" + name;
    case INVOKE_PROPERTYPUTREF: return "putref_" + name;
    default: return name;
    }
}

WORD FlagsOf(INVOKEKIND kind) {
    switch (kind) {
    case INVOKE_PROPERTYGET: return DISPATCH_PROPERTYGET;
    case INVOKE_PROPERTYPUT: return DISPATCH_PROPERTYPUT;
    case INVOKE_PROPERTYPUTREF: return DISPATCH_PROPERTYPUTREF;
    default: return DISPATCH_METHOD;
    }
}

TEST_F(TLangDispatchTest, EveryMemberByDispatchReachesItsOwnVtableEntry) {
    const std::vector<DispatchMember>& members = ITLangMembers().Members();
    ASSERT_EQ(members.size(), 88u);
    std::set<std::string> reached;
    for (const DispatchMember& member : members) {
        Args args;
        for (const DispatchParam& param : member.params)
            if (!(param.desc.wParamFlags & PARAMFLAG_FRETVAL)) args.Add(SampleFor(param));
        const bool put = member.kind == INVOKE_PROPERTYPUT || member.kind == INVOKE_PROPERTYPUTREF;
        control.lastCall.clear();
        EXPECT_EQ(Call(member.id, FlagsOf(member.kind), put ? args.PutParams() : args.Params()), S_OK)
            << VtableName(member);
        EXPECT_EQ(control.lastCall, VtableName(member));
        EXPECT_EQ(IdOf(member.name), member.id);
        reached.insert(control.lastCall);
        VariantClear(result.Ptr());
    }
    EXPECT_EQ(reached.size(), 88u);
}

TEST_F(TLangDispatchTest, NamesAreFoundIgnoringCaseWithTheirFixedIdentifiers) {
    const std::map<std::u16string, DISPID> expected = {
        {u"EXECUTE", 50},      {u"execute", 50},       {u"Color", -501},     {u"Font", -512},
        {u"Enabled", -514},    {u"Text", -517},        {u"AboutBox", -552},  {u"LineLength", 1},
        {u"SyntaxColors", 20}, {u"GetArrayBounds", 63}, {u"ShowConstantsInDump", 27}, {u"SelText", 39},
    };
    for (const auto& [name, id] : expected) EXPECT_EQ(IdOf(name), id) << Utf16ToCp1252(name);

    std::u16string unknown = u"NoSuch";
    std::u16string parameter = u"Keyword";
    std::u16string member = u"AddFunction";
    OLECHAR* names[] = {member.data(), parameter.data()};
    DISPID ids[2] = {0, 0};
    EXPECT_EQ(GetIDsOfNamesITLang(names, 2, ids), DISP_E_UNKNOWNNAME);  // named arguments are not offered
    EXPECT_EQ(ids[0], 45);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    names[0] = unknown.data();
    EXPECT_EQ(GetIDsOfNamesITLang(names, 1, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_UNKNOWN);
}

TEST_F(TLangDispatchTest, OmittedOptionalArgumentsTakeTheTypeLibraryDefaults) {
    struct Case {
        DISPID id;
        std::vector<VARIANT> given;  // declaration order
        std::vector<std::string> received;
    };
    const Case cases[] = {
        {TLangDispid::AddFunction,
         {MakeVariantBstr(u"F"), MakeVariantI4(2), MakeVariantI4(9), MakeVariantI4(TxNumber)},
         {"F", "2", "9", "1", "-1"}},
        {TLangDispid::AddFunction,
         {MakeVariantBstr(u"F"), MakeVariantI4(2), MakeVariantI4(9), MakeVariantI4(TxNumber), MakeVariantMissing()},
         {"F", "2", "9", "1", "-1"}},
        {TLangDispid::AddVariable, {MakeVariantBstr(u"V"), MakeVariantI4(TxString)}, {"V", "2", "0"}},
        {TLangDispid::AddArray,
         {MakeVariantBstr(u"A"), MakeVariantI4(TxNumber), MakeVariantI2(4)},
         {"A", "1", "4", "-1", "-1", "-1", "-1"}},
        {TLangDispid::SetNArray,
         {MakeVariantBstr(u"A"), MakeVariantR8(1.5), MakeVariantI2(1), MakeVariantI2(2)},
         {"A", "1.5", "1", "2", "-1", "-1", "-1"}},
        {TLangDispid::Print, {}, {""}},
        {TLangDispid::LoadFromFile, {MakeVariantMissing()}, {""}},
        {TLangDispid::SaveToFile, {}, {""}},
    };
    for (const Case& c : cases) {
        Args args;
        for (const VARIANT& v : c.given) args.Add(v);
        EXPECT_EQ(Call(c.id, DISPATCH_METHOD, args.Params()), S_OK) << c.id;
        EXPECT_EQ(control.lastArgs, c.received) << control.lastCall;
    }
}

TEST_F(TLangDispatchTest, AnOmittedByReferenceBoundIsANullPointer) {
    std::int16_t dim1 = 0, dim2 = 0;
    Args args;
    args.Add(MakeVariantBstr(u"A")).Add(MakeVariantByRef(VT_I2, &dim1));
    EXPECT_EQ(Call(TLangDispid::GetArrayBounds, DISPATCH_METHOD, args.Params()), S_OK);
    EXPECT_EQ(control.lastArgs, (std::vector<std::string>{"A", "dim", "null", "null", "null", "null"}));
    EXPECT_EQ(dim1, 7);

    Args two;
    two.Add(MakeVariantBstr(u"A")).Add(MakeVariantByRef(VT_I2, &dim1)).Add(MakeVariantByRef(VT_I2, &dim2));
    EXPECT_EQ(Call(TLangDispid::GetArrayBounds, DISPATCH_METHOD, two.Params()), S_OK);
    EXPECT_EQ(dim2, 7);
}

TEST_F(TLangDispatchTest, ArgumentsAreConvertedToTheDeclaredTypes) {
    Args put;
    put.Add(MakeVariantI4(1));
    EXPECT_EQ(Call(TLangDispid::Ctl3D, DISPATCH_PROPERTYPUT, put.PutParams()), S_OK);
    EXPECT_EQ(control.lastArgs, (std::vector<std::string>{"-1"}));  // a truth value, not the number 1

    Args colors;
    colors.Add(MakeVariantBstr(u"3")).Add(MakeVariantR8(65280));
    EXPECT_EQ(Call(TLangDispid::SyntaxColors, DISPATCH_PROPERTYPUT, colors.PutParams()), S_OK);
    EXPECT_EQ(control.lastCall, "put_SyntaxColors");
    EXPECT_EQ(control.lastArgs, (std::vector<std::string>{"3", "65280"}));

    Args wrongType;
    wrongType.Add(MakeVariantBstr(u"V")).Add(MakeVariantBstr(u"abc"));
    EXPECT_EQ(Call(TLangDispid::AddArray, DISPATCH_METHOD, wrongType.Params()), DISP_E_BADPARAMCOUNT);
    Args badShort;
    badShort.Add(MakeVariantBstr(u"A")).Add(MakeVariantI4(1)).Add(MakeVariantBstr(u"abc"));
    control.lastCall.clear();
    EXPECT_EQ(Call(TLangDispid::AddArray, DISPATCH_METHOD, badShort.Params()), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);  // the third argument sits first in the last-first array
    EXPECT_EQ(control.lastCall, "");

    Args tooBig;
    tooBig.Add(MakeVariantBstr(u"A")).Add(MakeVariantI4(1)).Add(MakeVariantI4(40000));
    EXPECT_EQ(Call(TLangDispid::AddArray, DISPATCH_METHOD, tooBig.Params()), DISP_E_OVERFLOW);
}

TEST_F(TLangDispatchTest, ResultsAndInOutArgumentsComeBack) {
    EXPECT_EQ(Call(TLangDispid::Text, DISPATCH_PROPERTYGET, Args().Params()), S_OK);
    ASSERT_EQ(result->vt, VT_BSTR);
    EXPECT_EQ(BstrView(result->bstrVal), u"answer");

    Args line;
    line.Add(MakeVariantI4(1));
    EXPECT_EQ(Call(TLangDispid::LineLength, DISPATCH_PROPERTYGET | DISPATCH_METHOD, line.Params()), S_OK);
    EXPECT_EQ(result->vt, VT_I4);
    EXPECT_EQ(result->lVal, 7);

    double number = 0;
    Args typed;
    typed.Add(MakeVariantI4(1)).Add(MakeVariantByRef(VT_R8, &number));
    EXPECT_EQ(Call(TLangDispid::GetNParam, DISPATCH_METHOD, typed.Params()), S_OK);
    EXPECT_EQ(number, 2.5);

    // A reference to another type could not take the new value back: refused, not lost.
    std::int32_t wide = 0;
    Args otherType;
    otherType.Add(MakeVariantI4(1)).Add(MakeVariantByRef(VT_I4, &wide));
    control.lastCall.clear();
    EXPECT_EQ(Call(TLangDispid::GetNParam, DISPATCH_METHOD, otherType.Params()), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
    EXPECT_EQ(control.lastCall, "");

    // A by-reference variant, as script hosts pass them, gets the value and its type.
    VARIANT holder = MakeVariantBstr(u"old");
    Args byVariant;
    byVariant.Add(MakeVariantBstr(u"name")).Add(MakeVariantByRef(VT_VARIANT, &holder));
    EXPECT_EQ(Call(TLangDispid::GetSVariable, DISPATCH_METHOD, byVariant.Params()), S_OK);
    ASSERT_EQ(holder.vt, VT_BSTR);
    EXPECT_EQ(BstrView(holder.bstrVal), u"answer");
    VariantClear(&holder);

    BSTR text = SysAllocString(u"old");  // the member frees the old string it replaces
    Args byBstr;
    byBstr.Add(MakeVariantI4(2)).Add(MakeVariantByRef(VT_BSTR, &text));
    EXPECT_EQ(Call(TLangDispid::GetSParam, DISPATCH_METHOD, byBstr.Params()), S_OK);
    EXPECT_EQ(BstrView(text), u"answer");
    SysFreeString(text);
}

TEST_F(TLangDispatchTest, FontIsHandedOverAsAFontObject) {
    ComPtr<IFontDisp> font = ComPtr<IFontDisp>::Adopt(CreateFontDisp({u"Mono", 10, false, false, false, false}));
    Args put;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = font.Get();
    font->AddRef();
    put.Add(v);
    EXPECT_EQ(Call(TLangDispid::Font, DISPATCH_PROPERTYPUTREF, put.PutParams()), S_OK);
    EXPECT_EQ(control.lastCall, "putref_Font");
    EXPECT_EQ(control.fontReceived, font.Get());
    EXPECT_EQ(Call(TLangDispid::Font, DISPATCH_PROPERTYPUT, put.PutParams()), S_OK);
    EXPECT_EQ(control.lastCall, "put_Font");

    control.fontAnswer = font;
    EXPECT_EQ(Call(TLangDispid::Font, DISPATCH_PROPERTYGET, Args().Params()), S_OK);
    ASSERT_EQ(result->vt, VT_DISPATCH);
    EXPECT_EQ(static_cast<IDispatch*>(font.Get()), result->pdispVal);

    Args notAFont;
    notAFont.Add(MakeVariantI4(3));
    EXPECT_EQ(Call(TLangDispid::Font, DISPATCH_PROPERTYPUT, notAFont.PutParams()), DISP_E_TYPEMISMATCH);
}

TEST_F(TLangDispatchTest, AFailingMemberBecomesAnExceptionWithItsErrorInformation) {
    control.failWith = "nosuch is not a variable name.";
    double value = 0;
    Args args;
    args.Add(MakeVariantBstr(u"nosuch")).Add(MakeVariantByRef(VT_R8, &value));
    EXPECT_EQ(Call(TLangDispid::GetNVariable, DISPATCH_METHOD, args.Params()), DISP_E_EXCEPTION);
    EXPECT_EQ(BstrView(exception.bstrDescription), u"nosuch is not a variable name.");
    EXPECT_EQ(BstrView(exception.bstrSource), u"Pevox10.TLang");
    EXPECT_EQ(exception.scode, DISP_E_EXCEPTION);
    EXPECT_EQ(value, 0);

    ErrorTexts texts;  // the same information through the error slot
    ASSERT_TRUE(TakeErrorInfo(texts));
    EXPECT_EQ(texts.guid, IID_ITLang);
    EXPECT_EQ(texts.description, u"nosuch is not a variable name.");

    // Through the vtable the member leaves the same error information.
    UniqueBstr name(std::u16string_view(u"nosuch"));
    EXPECT_EQ(control.GetNVariable(name.Get(), &value), DISP_E_EXCEPTION);
    ASSERT_TRUE(TakeErrorInfo(texts));
    EXPECT_EQ(texts.source, u"Pevox10.TLang");
}

TEST_F(TLangDispatchTest, OtherResultsPassThrough) {
    control.result = S_FALSE;  // Execute while busy, a put refused by the container
    EXPECT_EQ(Call(TLangDispid::Execute, DISPATCH_METHOD, Args().Params()), S_FALSE);

    ReportError(E_FAIL, IID_ITLang, u"stale", u"left over");  // not the member's: must not be reported
    control.result = E_POINTER;
    EXPECT_EQ(Call(TLangDispid::Execute, DISPATCH_METHOD, Args().Params()), E_POINTER);
    ErrorTexts texts;
    EXPECT_FALSE(TakeErrorInfo(texts));
}

TEST_F(TLangDispatchTest, WrongCallsAreRefusedBeforeTheMemberRuns) {
    struct Case {
        DISPID id;
        WORD flags;
        int args;
        bool named;
        HRESULT expected;
    };
    const Case cases[] = {
        {999, DISPATCH_METHOD, 0, false, DISP_E_MEMBERNOTFOUND},
        {TLangDispid::State, DISPATCH_PROPERTYPUT, 1, true, DISP_E_MEMBERNOTFOUND},  // read-only
        {TLangDispid::UserNReturn, DISPATCH_PROPERTYGET, 0, false, DISP_E_MEMBERNOTFOUND},  // write-only
        {TLangDispid::Execute, DISPATCH_METHOD, 1, false, DISP_E_BADPARAMCOUNT},
        {TLangDispid::ClearArray, DISPATCH_METHOD, 0, false, DISP_E_BADPARAMCOUNT},
        {TLangDispid::ClearArray, DISPATCH_METHOD, 1, true, DISP_E_NONAMEDARGS},
        {TLangDispid::Text, DISPATCH_PROPERTYPUT, 2, true, DISP_E_BADPARAMCOUNT},
    };
    for (const Case& c : cases) {
        Args args;
        for (int i = 0; i < c.args; ++i) args.Add(MakeVariantBstr(u"x"));
        control.lastCall.clear();
        EXPECT_EQ(Call(c.id, c.flags, c.named ? args.PutParams() : args.Params()), c.expected) << c.id;
        EXPECT_EQ(control.lastCall, "") << c.id;
    }
    Args missing;
    missing.Add(MakeVariantMissing());
    EXPECT_EQ(Call(TLangDispid::ClearArray, DISPATCH_METHOD, missing.Params()), DISP_E_PARAMNOTOPTIONAL);
}

// ---- Type information ----

std::u16string Documentation(ITypeInfo* info, MEMBERID memid, std::u16string* help = nullptr) {
    UniqueBstr name, doc;
    EXPECT_EQ(info->GetDocumentation(memid, name.Out(), doc.Out(), nullptr, nullptr), S_OK);
    if (help) *help = doc.View();
    return std::u16string(name.View());
}

TEST(TLangTypeInfo, LibraryHoldsTheTwelveTypesInOrder) {
    ComPtr<ITypeLib> library;
    ASSERT_EQ(GetTLangTypeLib(library.Out()), S_OK);
    const std::vector<std::pair<std::u16string, TYPEKIND>> expected = {
        {u"ITLang", TKIND_INTERFACE},      {u"ITLangEvents", TKIND_DISPATCH}, {u"TLang", TKIND_COCLASS},
        {u"TxFormBorderStyle", TKIND_ENUM}, {u"TxDragMode", TKIND_ENUM},      {u"TxScrollStyle", TKIND_ENUM},
        {u"TxStates", TKIND_ENUM},         {u"TxExecutionModes", TKIND_ENUM}, {u"TxTypes", TKIND_ENUM},
        {u"TxExitCodes", TKIND_ENUM},      {u"TxSyntaxColors", TKIND_ENUM},   {u"TLANGFUNCTION", TKIND_RECORD},
    };
    ASSERT_EQ(library->GetTypeInfoCount(), expected.size());
    for (UINT i = 0; i < expected.size(); ++i) {
        ComPtr<ITypeInfo> info;
        ASSERT_EQ(library->GetTypeInfo(i, info.Out()), S_OK);
        EXPECT_EQ(Documentation(info.Get(), MEMBERID_NIL), expected[i].first);
        TYPEATTR attr{};
        info->GetTypeAttr(&attr);
        EXPECT_EQ(attr.typekind, expected[i].second);
    }

    TLIBATTR libAttr{};
    library->GetLibAttr(&libAttr);
    EXPECT_EQ(libAttr.guid, LIBID_Pevox10);
    EXPECT_EQ(libAttr.lcid, 0x409u);
    EXPECT_EQ(libAttr.wMajorVerNum, 1);
    EXPECT_EQ(libAttr.wMinorVerNum, 0);
    UniqueBstr name, help, helpFile;
    library->GetDocumentation(-1, name.Out(), help.Out(), nullptr, helpFile.Out());
    EXPECT_EQ(name.View(), u"Pevox10");
    EXPECT_EQ(help.View(), u"Pevox10 Library");
    EXPECT_EQ(helpFile.View(), u"Pevox10.Hlp");
}

TEST(TLangTypeInfo, InterfaceDescribesItsMembersFlagsAndHelp) {
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(GetTypeInfoITLang(0, info.Out()), S_OK);
    EXPECT_EQ(GetTypeInfoITLang(1, info.Out()), DISP_E_BADINDEX);
    ASSERT_EQ(GetTypeInfoITLang(0, info.Out()), S_OK);
    TYPEATTR attr{};
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr.guid, IID_ITLang);
    EXPECT_EQ(attr.cFuncs, 88);
    EXPECT_EQ(attr.wMajorVerNum, 1);
    EXPECT_EQ(attr.wMinorVerNum, 95);
    EXPECT_TRUE(attr.wTypeFlags & TYPEFLAG_FDUAL);

    std::vector<UINT> hidden;
    for (UINT i = 0; i < attr.cFuncs; ++i) {
        FUNCDESC desc{};
        ASSERT_EQ(info->GetFuncDesc(i, &desc), S_OK);
        if (desc.wFuncFlags & FUNCFLAG_FHIDDEN) hidden.push_back(i + 1);  // members numbered from 1
    }
    EXPECT_EQ(hidden, (std::vector<UINT>{34, 35, 36, 37, 38, 39}));

    FUNCDESC addFunction{};
    ASSERT_EQ(info->GetFuncDesc(53, &addFunction), S_OK);  // member 54
    EXPECT_EQ(addFunction.memid, TLangDispid::AddFunction);
    ASSERT_EQ(addFunction.cParams, 5);
    EXPECT_EQ(addFunction.lprgelemdescParam[4].wParamFlags, PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT);
    EXPECT_EQ(addFunction.lprgelemdescParam[4].defaultValue, -1);

    std::u16string help;
    EXPECT_EQ(Documentation(info.Get(), TLangDispid::SyntaxColors, &help), u"SyntaxColors");
    EXPECT_EQ(help, u"Array of colors for sytax elements.");
    Documentation(info.Get(), TLangDispid::State, &help);
    EXPECT_EQ(help, u"Query the state of the control ");
    Documentation(info.Get(), TLangDispid::AllowUserBreak, &help);
    EXPECT_EQ(help, u"<CTRL><SHIFT>C will terminate a running script");

    BSTR names[8] = {};
    UINT count = 0;
    ASSERT_EQ(info->GetNames(TLangDispid::GetNParam, names, 8, &count), S_OK);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(BstrView(names[0]), u"GetNParam");
    EXPECT_EQ(BstrView(names[2]), u"Value");
    for (UINT i = 0; i < count; ++i) SysFreeString(names[i]);
}

TEST(TLangTypeInfo, EventsEnumerationsRecordAndClass) {
    ComPtr<ITypeLib> library;
    ASSERT_EQ(GetTLangTypeLib(library.Out()), S_OK);

    ComPtr<ITypeInfo> events;
    ASSERT_EQ(library->GetTypeInfoOfGuid(DIID_ITLangEvents, events.Out()), S_OK);
    TYPEATTR attr{};
    events->GetTypeAttr(&attr);
    EXPECT_EQ(attr.cFuncs, 13);
    EXPECT_EQ(attr.wMinorVerNum, 20);
    std::vector<DISPID> order;
    for (UINT i = 0; i < attr.cFuncs; ++i) {
        FUNCDESC desc{};
        events->GetFuncDesc(i, &desc);
        order.push_back(desc.memid);
    }
    EXPECT_EQ(order, (std::vector<DISPID>{1, 7, 18, 21, 22, 23, 24, 25, 2, 3, 4, 6, 8}));

    ComPtr<ITypeInfo> exitCodes;
    ASSERT_EQ(library->GetTypeInfoOfGuid(GUID_TxExitCodes, exitCodes.Out()), S_OK);
    VARDESC value{};
    ASSERT_EQ(exitCodes->GetVarDesc(4, &value), S_OK);
    EXPECT_EQ(value.value, TxError);
    std::u16string help;
    EXPECT_EQ(Documentation(exitCodes.Get(), 4, &help), u"TxError");
    EXPECT_EQ(help, u"Internal Error in the OCX file terminated the script");

    ComPtr<ITypeInfo> record;
    ASSERT_EQ(library->GetTypeInfo(11, record.Out()), S_OK);
    record->GetTypeAttr(&attr);
    EXPECT_EQ(attr.cVars, 4);
    EXPECT_EQ(Documentation(record.Get(), 3), u"ReturnType");

    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(GetClassInfoTLang(coclass.Out()), S_OK);
    coclass->GetTypeAttr(&attr);
    EXPECT_EQ(attr.guid, CLSID_TLang);
    EXPECT_TRUE(attr.wTypeFlags & TYPEFLAG_FCONTROL);
    ASSERT_EQ(attr.cImplTypes, 2);
    std::int32_t flags = 0;
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> source;
    coclass->GetImplTypeFlags(1, &flags);
    EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
    coclass->GetRefTypeOfImplType(1, &ref);
    ASSERT_EQ(coclass->GetRefTypeInfo(ref, source.Out()), S_OK);
    source->GetTypeAttr(&attr);
    EXPECT_EQ(attr.guid, DIID_ITLangEvents);

    ComPtr<ITypeLib> containing;
    UINT index = 0;
    ASSERT_EQ(coclass->GetContainingTypeLib(containing.Out(), &index), S_OK);
    EXPECT_EQ(index, 2u);
}

}  // namespace
