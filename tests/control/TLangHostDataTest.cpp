// The host data members as a host calls them: strings and numbers across
// the interface, refusals as errors with their messages, and the arguments
// and result of a host-function call.
#include "ControlFixture.h"

namespace pevox_test {
namespace {

class TLangHostData : public ControlFixture {};

TEST_F(TLangHostData, RegistrationsAndTheirRefusals) {
    EXPECT_EQ(control->AddFunction(Bstr("Len").Get(), 1, 1, TxNumber, -1), DISP_E_EXCEPTION);
    EXPECT_EQ(LastError(), "Attempt to use reserved word!");
    EXPECT_EQ(control->AddVariable(Bstr("Count").Get(), TxNumber, VARIANT_FALSE), S_OK);
    EXPECT_EQ(control->AddVariable(Bstr("Count").Get(), TxNumber, VARIANT_FALSE), DISP_E_EXCEPTION);
    EXPECT_EQ(LastError(), "Variable Count already declared!");

    log.clear();
    EXPECT_EQ(control->AddArray(Bstr("A").Get(), TxNumber, 0, -1, -1, -1, -1), S_FALSE);
    EXPECT_EQ(log, (std::vector<std::string>{"Error(1,First Array dimension must be positive and greater than zero)"}));
    EXPECT_EQ(control->AddArray(Bstr("A").Get(), TxNumber, 2, 3, -1, -1, -1), S_OK);

    EXPECT_EQ(Run("A(2, 3) = Count + 1"), S_OK);
    std::int16_t dims[5] = {9, 9, 9, 9, 9};
    EXPECT_EQ(control->GetArrayBounds(Bstr("a").Get(), &dims[0], &dims[1], &dims[2], &dims[3], &dims[4]), S_OK);
    EXPECT_EQ((std::vector<std::int16_t>(dims, dims + 5)), (std::vector<std::int16_t>{2, 3, -1, -1, -1}));
    // Left-out bounds are not written.
    std::int16_t first = 0;
    EXPECT_EQ(control->GetArrayBounds(Bstr("A").Get(), &first, nullptr, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(first, 2);
    double cell = 0;
    EXPECT_EQ(control->GetNArray(Bstr("A").Get(), &cell, 2, 3, -1, -1, -1), S_OK);
    EXPECT_EQ(cell, 1);
    EXPECT_EQ(control->GetNArray(Bstr("A").Get(), &cell, 3, 0, -1, -1, -1), DISP_E_EXCEPTION);
    EXPECT_EQ(LastError(), "Subscript out of Range referencing: A");
}

TEST_F(TLangHostData, StringsAcrossTheInterface) {
    EXPECT_EQ(Run("STRING S = \"caf\xE9\"\nNUMBER N = 0.25"), S_OK);
    UniqueBstr value(std::u16string_view(u"old"));
    EXPECT_EQ(control->GetSVariable(Bstr("S").Get(), value.Out()), S_OK);
    EXPECT_EQ(value.View(), u"caf\u00E9");
    // An [in,out] string the member replaces is freed by it.
    BSTR inOut = SysAllocString(u"previous");
    EXPECT_EQ(control->GetSVariable(Bstr("N").Get(), &inOut), S_OK);
    EXPECT_EQ(BstrView(inOut), u"0.25");
    EXPECT_EQ(control->GetSVariable(Bstr("Nope").Get(), &inOut), DISP_E_EXCEPTION);
    EXPECT_EQ(BstrView(inOut), u"");
    EXPECT_EQ(LastError(), "Nope is not a variable name.");
    SysFreeString(inOut);

    EXPECT_EQ(control->SetSVariable(Bstr("S").Get(), Bstr("new").Get()), S_OK);
    EXPECT_EQ(control->GetSVariable(Bstr("S").Get(), value.Out()), S_OK);
    EXPECT_EQ(value.Ansi(), "new");
    EXPECT_EQ(control->SetNVariable(Bstr("Nope").Get(), 1), S_OK);  // nothing to set, nothing said
}

TEST_F(TLangHostData, ArgumentsAndResultOfAHostCall) {
    ASSERT_EQ(control->AddFunction(Bstr("Join").Get(), 3, 7, TxString, 2), S_OK);
    std::vector<std::string> seen;
    onUserFunction = [&](int ordinal, int count) {
        EXPECT_EQ(ordinal, 7);
        double number = -1;
        UniqueBstr text;
        control->GetNParam(1, &number);
        seen.push_back(std::to_string(number));
        control->GetSParam(2, text.Out());
        seen.push_back(text.Ansi());
        control->GetNParam(count + 1, &number);
        seen.push_back(std::to_string(number));
        control->put_UserSReturn(Bstr("joined:" + std::to_string(count)).Get());
    };
    EXPECT_EQ(Run("PRINT Join(1.5, \"x\")"), S_OK);
    EXPECT_EQ(Events("Print"), (std::vector<std::string>{"Print(joined:2)"}));
    EXPECT_EQ(seen, (std::vector<std::string>{"1.500000", "x", "0.000000"}));
    UniqueBstr outside(std::u16string_view(u"stale"));
    EXPECT_EQ(control->GetSParam(1, outside.Out()), S_OK);
    EXPECT_EQ(outside.Ansi(), "");
}

}  // namespace
}  // namespace pevox_test
