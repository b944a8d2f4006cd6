// The component layer's core types: identifiers, strings, variants, error
// information, memory streams and the font object.
#include "platform/ComAutomation.h"
#include "platform/ComControl.h"
#include "platform/ComPersist.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <thread>

using namespace platform;

namespace {

constexpr GUID kSample{0x0123ABCD, 0x4567, 0x89EF, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}};

TEST(ComGuid, FormatsUpperCaseAndParsesEitherCase) {
    EXPECT_EQ(GuidToString(kSample), "{0123ABCD-4567-89EF-FEDC-BA9876543210}");
    GUID parsed = GUID_NULL;
    ASSERT_TRUE(GuidFromString("{0123abcd-4567-89ef-fedc-ba9876543210}", parsed));
    EXPECT_EQ(parsed, kSample);
    EXPECT_EQ(GuidToString(GUID_NULL), "{00000000-0000-0000-0000-000000000000}");
}

TEST(ComGuid, RejectsMalformedTextAndKeepsTheTarget) {
    const char* const bad[] = {
        "",
        "0123ABCD-4567-89EF-FEDC-BA9876543210",
        "{0123ABCD-4567-89EF-FEDC-BA9876543210",
        "{0123ABCD-4567-89EF-FEDCBA9876543210}",
        "{0123ABCD-4567-89EF-FEDC-BA987654321G}",
        "{0123ABCD-4567-89EF-FEDC-BA98765432100}",
        "{0123ABCD-4567-89EF-FEDC-BA9876543210} ",
        "{+123ABCD-4567-89EF-FEDC-BA9876543210}",
    };
    for (const char* text : bad) {
        GUID target = kSample;
        EXPECT_FALSE(GuidFromString(text, target)) << text;
        EXPECT_EQ(target, kSample) << text;
    }
}

TEST(ComBstr, KeepsLengthPrefixEmbeddedZerosAndTerminator) {
    const std::u16string text(u"a\0b\u20AC", 4);
    BSTR s = SysAllocString(text);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 4u);
    EXPECT_EQ(reinterpret_cast<const std::uint32_t*>(s)[-1], 8u);  // byte count before the characters
    EXPECT_EQ(s[4], u'\0');
    EXPECT_EQ(BstrView(s), text);
    SysFreeString(s);

    BSTR zeros = SysAllocStringLen(nullptr, 3);
    EXPECT_EQ(BstrView(zeros), std::u16string(3, u'\0'));
    SysFreeString(zeros);

    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_TRUE(BstrView(nullptr).empty());
    EXPECT_EQ(SysAllocString(static_cast<const OLECHAR*>(nullptr)), nullptr);
    SysFreeString(nullptr);
}

TEST(ComBstr, EveryByteOfTheCodePageSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    UniqueBstr s(SysAllocStringFromAnsi(all));
    EXPECT_EQ(SysStringLen(s.Get()), 256u);
    EXPECT_EQ(s.View()[0x80], u'\u20AC');
    EXPECT_EQ(s.Ansi(), all);
    EXPECT_EQ(BstrToAnsi(nullptr), "");
    UniqueBstr foreign(std::u16string_view(u"\u4E2D"));
    EXPECT_EQ(foreign.Ansi(), "?");
}

VARIANT Converted(const VARIANT& source, VARTYPE vt, HRESULT expected = S_OK, WORD flags = 0) {
    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(VariantChangeType(&out, &source, flags, vt), expected);
    return out;
}

TEST(ComVariant, NumbersConvertBetweenTypesWithRoundingAndRangeChecks) {
    struct Case {
        double value;
        VARTYPE vt;
        HRESULT expected;
        double result;
    };
    const Case cases[] = {
        {2.5, VT_I4, S_OK, 2},           {3.5, VT_I4, S_OK, 4},          {-2.5, VT_I2, S_OK, -2},
        {2.6, VT_I2, S_OK, 3},           {32767, VT_I2, S_OK, 32767},    {32768, VT_I2, DISP_E_OVERFLOW, 0},
        {-1, VT_UI4, DISP_E_OVERFLOW, 0}, {4294967295.0, VT_UI4, S_OK, 4294967295.0},
        {2147483648.0, VT_I4, DISP_E_OVERFLOW, 0}, {std::nan(""), VT_I4, DISP_E_OVERFLOW, 0},
        {1e39, VT_R4, DISP_E_OVERFLOW, 0}, {0.25, VT_R4, S_OK, 0.25},
    };
    for (const Case& c : cases) {
        const VARIANT source = MakeVariantR8(c.value);
        VARIANT out = Converted(source, c.vt, c.expected);
        if (c.expected != S_OK) {
            EXPECT_EQ(out.vt, VT_EMPTY) << c.value;
            continue;
        }
        VARIANT back;
        VariantInit(&back);
        ASSERT_EQ(VariantChangeType(&back, &out, 0, VT_R8), S_OK);
        EXPECT_EQ(back.dblVal, c.result) << c.value << " as " << c.vt;
    }
}

TEST(ComVariant, TextConversionsUseThePointWhateverTheLocale) {
    const char* const previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // may be absent; the conversions must not care either way

    VARIANT text = Converted(MakeVariantR8(1.5), VT_BSTR);
    EXPECT_EQ(BstrView(text.bstrVal), u"1.5");
    VariantClear(&text);
    text = Converted(MakeVariantI4(-42), VT_BSTR);
    EXPECT_EQ(BstrView(text.bstrVal), u"-42");
    VariantClear(&text);

    VARIANT source = MakeVariantBstr(u" 2.25 ");
    EXPECT_EQ(Converted(source, VT_R8).dblVal, 2.25);
    EXPECT_EQ(Converted(source, VT_I2).iVal, 2);
    VariantClear(&source);
    source = MakeVariantBstr(u"2,25");
    Converted(source, VT_R8, DISP_E_TYPEMISMATCH);
    VariantClear(&source);
    source = MakeVariantBstr(u"abc");
    Converted(source, VT_I2, DISP_E_TYPEMISMATCH);
    VariantClear(&source);
    source = MakeVariantBstr(u"1e400");
    Converted(source, VT_R8, DISP_E_OVERFLOW);
    VariantClear(&source);

    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(ComVariant, TruthValuesAreMinusOneAndZero) {
    EXPECT_EQ(Converted(MakeVariantI4(7), VT_BOOL).boolVal, VARIANT_TRUE);
    EXPECT_EQ(Converted(MakeVariantI4(0), VT_BOOL).boolVal, VARIANT_FALSE);
    EXPECT_EQ(Converted(MakeVariantBool(true), VT_I4).lVal, -1);
    VARIANT source = MakeVariantBstr(u"true");
    EXPECT_EQ(Converted(source, VT_BOOL).boolVal, VARIANT_TRUE);
    VariantClear(&source);
    VARIANT text = Converted(MakeVariantBool(true), VT_BSTR);
    EXPECT_EQ(BstrView(text.bstrVal), u"-1");
    VariantClear(&text);
    text = Converted(MakeVariantBool(false), VT_BSTR, S_OK, VARIANT_ALPHABOOL);
    EXPECT_EQ(BstrView(text.bstrVal), u"False");
    VariantClear(&text);
}

TEST(ComVariant, ByReferenceValuesAreReadThroughTheirPointer) {
    std::int16_t shortValue = 12;
    VARIANT byRef = MakeVariantByRef(VT_I2, &shortValue);
    EXPECT_EQ(Converted(byRef, VT_R8).dblVal, 12);

    VARIANT inner = MakeVariantBstr(u"34");
    VARIANT byVariant = MakeVariantByRef(VT_VARIANT, &inner);
    EXPECT_EQ(Converted(byVariant, VT_I4).lVal, 34);

    VARIANT copy;
    VariantInit(&copy);
    ASSERT_EQ(VariantCopyInd(&copy, &byVariant), S_OK);
    ASSERT_EQ(copy.vt, VT_BSTR);
    EXPECT_NE(copy.bstrVal, inner.bstrVal);
    EXPECT_EQ(BstrView(copy.bstrVal), u"34");
    VariantClear(&copy);
    VariantClear(&inner);

    VARIANT nullRef = MakeVariantByRef(VT_I4, nullptr);
    Converted(nullRef, VT_I4, DISP_E_BADVARTYPE);
}

TEST(ComVariant, ConvertingInPlaceFreesTheOldValue) {
    VARIANT v = MakeVariantBstr(u"17");
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, 17);

    VARIANT text = MakeVariantBstr(u"x");
    ASSERT_EQ(VariantChangeType(&text, &text, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(text.vt, VT_BSTR);  // unchanged on failure
    VariantClear(&text);

    VARIANT bad;
    VariantInit(&bad);
    bad.vt = 0x77;
    EXPECT_EQ(VariantClear(&bad), DISP_E_BADVARTYPE);
    VARIANT missing = MakeVariantMissing();
    EXPECT_TRUE(IsMissingArgument(missing));
    Converted(missing, VT_I4, DISP_E_TYPEMISMATCH);
}

TEST(ComErrorInfo, OneSlotPerThreadTakenOnce) {
    IErrorInfo* none = nullptr;
    EXPECT_EQ(GetErrorInfo(0, &none), S_FALSE);
    EXPECT_EQ(none, nullptr);

    EXPECT_EQ(ReportError(DISP_E_EXCEPTION, kSample, u"Source.Name", std::u16string_view(u"bad\0thing", 9)),
              DISP_E_EXCEPTION);
    std::thread([] {
        ErrorTexts other;
        EXPECT_FALSE(TakeErrorInfo(other));  // another thread sees its own, empty slot
    }).join();

    ErrorTexts texts;
    ASSERT_TRUE(TakeErrorInfo(texts));
    EXPECT_EQ(texts.guid, kSample);
    EXPECT_EQ(texts.source, u"Source.Name");
    EXPECT_EQ(texts.description, std::u16string(u"bad\0thing", 9));
    EXPECT_FALSE(TakeErrorInfo(texts));
}

TEST(ComErrorInfo, CreatedObjectCarriesWhatWasSet) {
    ICreateErrorInfo* create = nullptr;
    ASSERT_EQ(CreateErrorInfo(&create), S_OK);
    create->SetDescription(u"described");
    create->SetSource(nullptr);
    IErrorInfo* info = nullptr;
    ASSERT_EQ(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)), S_OK);
    create->Release();
    EXPECT_EQ(SetErrorInfo(0, info), S_OK);
    info->Release();
    EXPECT_EQ(SetErrorInfo(1, nullptr), E_INVALIDARG);

    IErrorInfo* taken = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &taken), S_OK);
    UniqueBstr description, source;
    taken->GetDescription(description.Out());
    taken->GetSource(source.Out());
    EXPECT_EQ(description.View(), u"described");
    EXPECT_EQ(source.View(), u"");
    taken->Release();
    SetErrorInfo(0, nullptr);
}

TEST(ComStreams, MemoryStreamReadsWritesSeeksAndGrows) {
    ComPtr<IStream> stream = ComPtr<IStream>::Adopt(CreateMemoryStream({1, 2, 3}));
    std::uint8_t buffer[8] = {};
    ULONG count = 0;
    ASSERT_EQ(stream->Read(buffer, 2, &count), S_OK);
    EXPECT_EQ(count, 2u);
    ASSERT_EQ(stream->Write("\x07\x08\x09", 3, &count), S_OK);  // overwrites byte 3, then grows
    std::uint64_t position = 0;
    ASSERT_EQ(stream->Seek(-1, STREAM_SEEK_END, &position), S_OK);
    EXPECT_EQ(position, 4u);
    ASSERT_EQ(stream->Read(buffer, 8, &count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(buffer[0], 9);
    EXPECT_EQ(stream->Read(buffer, 8, &count), S_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(stream->Seek(-6, STREAM_SEEK_END, nullptr), STG_E_INVALIDFUNCTION);

    std::vector<std::uint8_t> all;
    ASSERT_EQ(ReadWholeStream(stream.Get(), all), S_OK);
    EXPECT_EQ(all, (std::vector<std::uint8_t>{1, 2, 7, 8, 9}));
    ASSERT_EQ(stream->Seek(0, STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position, 5u);  // the position is kept

    ASSERT_EQ(stream->SetSize(2), S_OK);
    ASSERT_EQ(ReadWholeStream(stream.Get(), all), S_OK);
    EXPECT_EQ(all.size(), 2u);
}

TEST(ComStreams, MemoryStorageKeepsNamedStreams) {
    ComPtr<IStorage> storage = ComPtr<IStorage>::Adopt(CreateMemoryStorage());
    ComPtr<IStream> written;
    ASSERT_EQ(storage->CreateStream(u"Contents", written.Out()), S_OK);
    written->Write("abc", 3, nullptr);
    ComPtr<IStream> again;
    EXPECT_EQ(storage->CreateStream(u"Contents", again.Out()), STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(storage->OpenStream(u"Other", again.Out()), STG_E_FILENOTFOUND);
    ASSERT_EQ(storage->OpenStream(u"Contents", again.Out()), S_OK);
    char buffer[4] = {};
    ULONG count = 0;
    again->Read(buffer, 4, &count);
    EXPECT_EQ(std::string(buffer, count), "abc");
}

TEST(ComFont, PropertiesReadAndWriteByAutomation) {
    const FontDescription original{u"Courier New", 10, true, false, true, false};
    ComPtr<IFontDisp> font = ComPtr<IFontDisp>::Adopt(CreateFontDisp(original));
    FontDescription read;
    ASSERT_EQ(ReadFontDisp(font.Get(), read), S_OK);
    EXPECT_EQ(read, original);

    DISPID id = 0;
    OLECHAR name[] = u"ITALIC";
    OLECHAR* names[] = {name};
    ASSERT_EQ(font->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, DISPID_FONT_ITALIC);

    VARIANT value = MakeVariantI4(1);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put{&value, &named, 1, 1};
    ASSERT_EQ(font->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr), S_OK);
    VARIANT size = MakeVariantBstr(u"-3");
    DISPPARAMS badPut{&size, &named, 1, 1};
    EXPECT_EQ(font->Invoke(DISPID_FONT_SIZE, IID_NULL, 0, DISPATCH_PROPERTYPUT, &badPut, nullptr, nullptr, nullptr),
              E_INVALIDARG);
    VariantClear(&size);
    ASSERT_EQ(ReadFontDisp(font.Get(), read), S_OK);
    EXPECT_TRUE(read.italic);
    EXPECT_EQ(read.size, 10);
}

}  // namespace
