#include "EngineFixture.h"

#include "Tlangtokens.h"
#include "platform/Text.h"

namespace pevox::test {
namespace {

std::string Slot(const std::string& table, int slot) { return table.substr(static_cast<std::size_t>(slot) * 20, 20); }

TEST(EngineTokenTable, HasFiveHundredTwelvePaddedSlots) {
    const std::string& table = TokenNameTable();
    ASSERT_EQ(table.size(), 10240u);
    EXPECT_EQ(Slot(table, 0), "*                   ");
    EXPECT_EQ(Slot(table, 1), "Asc                 ");
    EXPECT_EQ(Slot(table, 192), "DateTimeString      ");
    EXPECT_EQ(Slot(table, 201), "Default             ");
    EXPECT_EQ(Slot(table, 277), "FI                  ");
    EXPECT_EQ(Slot(table, 393), "!=                  ");
    EXPECT_EQ(Slot(table, 511), "*                   ");
}

using EngineKeywords = EngineFixture;

TEST_F(EngineKeywords, WordsGiveTheirCodesIgnoringCase) {
    const std::pair<const char*, int> cases[] = {
        {"asc", 2},       {"THEN", 7},       {"EndIf", 22},     {"fi", 22},         {"Number", 23},
        {"STRING", 24},   {"not", 33},       {"!", 33},         {"mod", 37},        {"%", 37},
        {"and", 38},      {"&", 38},         {"'", 39},         {"label", 58},      {":", 58},
        {"<", 60},        {"=", 61},         {">", 62},         {"print", 63},      {"PrInT", 63},
        {"?", 63},        {"if", 91},        {"\\", 92},        {"_", 95},          {"stop", 96},
        {"sqr", 123},     {"|", 124},        {"or", 124},       {"goto", 127},      {"==", 135},
        {"!=", 138},      {"<>", 138},       {"++", 139},       {"--", 140},        {"to", 141},
        {"step", 143},    {"FindNext", 151}, {"dump", 169},     {"gosub", 170},     {"end", 182},
        {"StringToDate", 198}, {"switch", 199}, {"case", 200},  {"endswitch", 201}, {"default", 202},
        {"*", 42},        {"unknown", -1},   {"PRINTX", -1},
    };
    for (const auto& [word, code] : cases) {
        engine.m_StopRequested = false;
        engine.m_Token = tok::EndOfLine;
        EXPECT_TRUE(engine.GetToken(false, word, false)) << word;
        EXPECT_EQ(engine.m_Token, code) << word;
    }
}

TEST_F(EngineKeywords, ReservedWordsAreRefusedOutsideLookUp) {
    for (const char* word : {"Function", "proc", "IIf", "Resume", "On", "Error", "do", "Loop", "Until", "Off"}) {
        events.errors.clear();
        engine.m_StopRequested = false;
        engine.m_Token = tok::EndOfLine;
        EXPECT_FALSE(engine.GetToken(false, word, false)) << word;
        ASSERT_EQ(events.errors.size(), 1u) << word;
        EXPECT_EQ(events.errors[0].message, "Keyword " + platform::UpperCase(word) + " reserved for future use.");
        EXPECT_EQ(engine.m_ExitCode, TxError);
    }
    engine.m_StopRequested = false;
    engine.m_Token = tok::EndOfLine;
    EXPECT_TRUE(engine.GetToken(false, "Function", true));
    EXPECT_EQ(engine.m_Token, 31);
}

TEST_F(EngineKeywords, LookUpFindsHostVariablesAndFunctions) {
    engine.m_HostVariables.emplace(std::vector<std::string>{"Count |1 |0 |V", "GRID |29 |10 ,0 ,0 ,0 ,0"});
    TERP_SYMBOL_TAG function;
    function.SymName = "OpenForEdit";
    function.SymDisplayName = "OpenForEdit";
    function.SymKind = tok::Proc;
    function.SymCount = 24;
    engine.AddFunctionSymbol(function);

    engine.m_StopRequested = false;
    EXPECT_TRUE(engine.GetToken(false, "count", true));
    EXPECT_EQ(engine.m_Token, tok::SymbolRef);
    EXPECT_EQ(engine.m_TokenText, "Count");
    EXPECT_EQ(engine.m_CurrentSymbol, nullptr);

    EXPECT_TRUE(engine.GetToken(false, "openforedit", true));
    EXPECT_EQ(engine.m_Token, tok::HostFunctionName);
    EXPECT_EQ(engine.m_TokenText, "OpenForEdit");
    EXPECT_EQ(engine.FindFunction(24), engine.m_CurrentSymbol);

    EXPECT_EQ(engine.LookupConstant(" grid "), "GRID");
    EXPECT_EQ(engine.LookupConstant("nothing"), "");
    EXPECT_EQ(engine.FindFunction(0), nullptr);
    EXPECT_EQ(engine.FindFunction(-1), nullptr);
}

TEST(EngineTokenBytes, CodesAboveTwoFiftyFourAreEscaped) {
    const std::pair<int, std::string> cases[] = {
        {63, "?"},
        {254, "\xFE"},
        {256, std::string("\xFF\x01", 2)},
        {265, std::string("\xFF\x0A", 2)},
        {509, std::string("\xFF\xFE", 2)},
    };
    for (const auto& [code, bytes] : cases) {
        std::string text;
        AppendCodeBytes(text, code);
        EXPECT_EQ(text, bytes) << code;
    }
}

}  // namespace
}  // namespace pevox::test
