#include "EngineFixture.h"

#include "Tlangnumbers.h"

namespace pevox::test {
namespace {

using EngineSymbols = EngineFixture;

TEST_F(EngineSymbols, HostVariableLinesBecomeSymbols) {
    engine.m_HostVariables.emplace(std::vector<std::string>{
        "Count |1 |2.5 |V",
        "Title |2 | Hello  |C",
        "GRID |29 |10 ,0 ,0 ,0 ,0",
        "TABLE |28 |10 ,5 ,0 ,0 ,0",
        "CUBE |29 |2 ,3 ,4 ,5 ,6",
        "NEG |29 |5 ,-4 ,7 ,0 ,0",
    });
    engine.m_StopRequested = false;
    engine.InitSymbols();
    EXPECT_TRUE(events.errors.empty());

    const TERP_SYMBOL_TAG* count = engine.FindSymbol("count", kVariableList);
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->SymKind, tok::NumberDecl);
    EXPECT_EQ(count->SymDisplayName, "Count");
    EXPECT_EQ(count->SymValue, 2.5);
    EXPECT_EQ(count->SymIsConstant, 0);

    const TERP_SYMBOL_TAG* title = engine.FindSymbol(" Title ", kVariableList);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->SymKind, tok::StringDecl);
    EXPECT_EQ(title->SymText, "Hello");
    EXPECT_EQ(title->SymIsConstant, 1);

    const struct {
        const char* name;
        int kind;
        int dims;
        std::array<std::int32_t, 5> highest;
        std::size_t cells;
    } arrays[] = {
        {"GRID", 29, 1, {9, 0, 0, 0, 0}, 10},
        {"TABLE", 28, 2, {9, 4, 0, 0, 0}, 50},
        {"CUBE", 29, 5, {1, 2, 3, 4, 5}, 720},
        {"NEG", 29, 1, {4, 0, 0, 0, 0}, 5},
    };
    for (const auto& expected : arrays) {
        const TERP_SYMBOL_TAG* array = engine.FindSymbol(expected.name, kVariableList);
        ASSERT_NE(array, nullptr) << expected.name;
        EXPECT_EQ(array->SymKind, expected.kind) << expected.name;
        EXPECT_EQ(array->SymDims, expected.dims) << expected.name;
        EXPECT_EQ(array->SymDim, expected.highest) << expected.name;
        EXPECT_EQ(array->SymCount, static_cast<std::int32_t>(expected.cells)) << expected.name;
        EXPECT_EQ(array->SymCells.size(), expected.cells) << expected.name;
    }
}

TEST_F(EngineSymbols, FaultyHostLinesStopTheRun) {
    const std::pair<const char*, const char*> cases[] = {
        {"X |1 |abc |V", "Failed to Initialize User Variables!"},
        {"X |1 |1e999 |V", "Failed to Initialize User Variables!"},
        {"X |0 | |V", "Failed to Initialize User Variables!"},
        {"X |one |0 |V", "Failed to Initialize User Variables!"},
        {"X", "Failed to Initialize User Variables!"},
        {"A |29 |0 ,0 ,0 ,0 ,0", "Failed to Initialize User Variables!"},
        {"BIG |29 |65536 ,65536 ,0 ,0 ,0", "Failed to allocate memory for array!"},
        {"HUGE |28 |32768 ,32768 ,32768 ,32768 ,32768", "Failed to allocate memory for array!"},
    };
    for (const auto& [line, message] : cases) {
        events.errors.clear();
        engine.FreeSymbols();
        engine.m_StopRequested = false;
        engine.m_HostVariables.emplace(std::vector<std::string>{line, "LATER |1 |0 |V"});
        engine.InitSymbols();
        ASSERT_EQ(events.errors.size(), 1u) << line;
        EXPECT_EQ(events.errors[0].message, message) << line;
        EXPECT_EQ(engine.m_ExitCode, TxError);
        EXPECT_EQ(engine.FindSymbol("LATER", kVariableList), nullptr) << line;
    }
}

TEST_F(EngineSymbols, DefineSymbolUpdatesInPlaceOrRefusesAnotherKind) {
    TERP_SYMBOL_TAG* first = &DeclareVariable("Count", tok::NumberDecl);
    TERP_SYMBOL_TAG* after = &DeclareVariable("After", tok::StringDecl);
    TERP_SYMBOL_TAG again;
    again.SymName = " count ";
    again.SymKind = tok::NumberDecl;
    again.SymValue = 4;
    EXPECT_EQ(engine.DefineSymbol(again), first);
    EXPECT_EQ(first->SymValue, 4);
    EXPECT_EQ(engine.m_Variables.Size(), 2u);
    EXPECT_EQ(&*engine.m_Variables.begin(), first);
    EXPECT_EQ(engine.FindSymbol("AFTER", kVariableList), after);

    TERP_SYMBOL_TAG other;
    other.SymName = "Count";
    other.SymKind = tok::StringDecl;
    EXPECT_EQ(engine.DefineSymbol(other), nullptr);
    EXPECT_EQ(engine.m_ErrorInfo, "Attempt to redefine COUNT as different type.");
    EXPECT_EQ(first->SymKind, tok::NumberDecl);

    EXPECT_EQ(engine.DefineSymbol(TERP_SYMBOL_TAG()), nullptr);
    EXPECT_EQ(engine.m_ErrorInfo, "Attempt to add badly formed symbol!");
    EXPECT_TRUE(events.errors.empty());
}

TEST_F(EngineSymbols, AddSymbolReportsScriptErrors) {
    engine.m_StopRequested = false;
    TERP_SYMBOL_TAG label;
    label.SymName = "X";
    label.SymKind = tok::Label;
    ASSERT_NE(engine.AddSymbol(label), nullptr);
    TERP_SYMBOL_TAG block = label;
    block.SymKind = tok::For;
    engine.AddSymbol(block);
    ASSERT_EQ(events.errors.size(), 1u);
    EXPECT_EQ(events.errors[0].message, "Attempt to redefine X as different type!");

    engine.m_StopRequested = false;
    engine.AddSymbol(TERP_SYMBOL_TAG());
    ASSERT_EQ(events.errors.size(), 2u);
    EXPECT_EQ(events.errors[1].message, "Attempt to add badly formed symbol!");
}

TEST_F(EngineSymbols, FindSymbolSelectsAList) {
    DeclareVariable("COUNT", tok::NumberDecl);
    EXPECT_NE(engine.FindSymbol(" count ", kVariableList), nullptr);
    EXPECT_EQ(engine.FindSymbol("count", kLabelList), nullptr);
    EXPECT_EQ(engine.FindSymbol("count", 3), nullptr);
    EXPECT_EQ(engine.FindSymbol("", kVariableList), nullptr);
}

TEST(EngineIdentifiers, ValidateIdentifier) {
    const std::pair<const char*, int> cases[] = {
        {"1AB", 1}, {"AB$", 2}, {"A B", 2}, {"A_1", 0}, {"_", 0}, {"", 2}, {"  ", 2}, {"x\xE9", 2},
    };
    for (const auto& [name, result] : cases) EXPECT_EQ(ValidateIdentifier(name), result) << name;
}

TEST(EngineArrayCells, CountsAndFlatIndexes) {
    const std::int32_t small[] = {2, 3};
    EXPECT_EQ(ArrayCellCount(small, 2), 12);
    const std::int32_t wide[] = {65535, 32767};
    EXPECT_EQ(ArrayCellCount(wide, 2), -1);
    const std::int32_t fits[] = {46339, 46339};
    EXPECT_EQ(ArrayCellCount(fits, 2), std::int64_t{46340} * 46340);
    const std::int32_t negative[] = {-1};
    EXPECT_EQ(ArrayCellCount(negative, 1), -1);

    TERP_SYMBOL_TAG array;
    array.SymDims = 3;
    array.SymDim = {1, 2, 3, 0, 0};
    const std::int32_t subscripts[] = {1, 2, 3};
    EXPECT_EQ(FlatIndex(array, subscripts), 1 * 12 + 2 * 4 + 3);
}

TEST_F(EngineSymbols, DumpLinesInListOrder) {
    TERP_SYMBOL_TAG& x = DeclareVariable("X", tok::NumberDecl);
    x.SymValue = 1.5;
    TERP_SYMBOL_TAG& k = DeclareVariable("TYPE_BYTE", tok::NumberDecl);
    k.SymIsConstant = 1;
    DeclareArray("B", tok::NumericArray, {2, 3});
    TERP_SYMBOL_TAG& s = DeclareVariable("S", tok::StringDecl);
    s.SymText = "a b";
    DeclareArray("T", tok::StringArray, {1, 2, 3, 4, 5});

    std::vector<std::string> lines;
    EXPECT_TRUE(engine.FormatDump(lines));
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Number | X=1.5",
                         "Numeric Array | B | Dimensions 2 | 2,3,0,0,0",
                         "String | S=a b",
                         "String Array | T | Dimensions 5 | 1,2,3,4,5",
                         " ",
                     }));

    engine.m_ShowConstantsInDump = true;
    lines.clear();
    engine.FormatDump(lines);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[1], "Number | TYPE_BYTE=0");

    engine.FreeSymbols();
    lines.clear();
    EXPECT_TRUE(engine.FormatDump(lines));
    EXPECT_EQ(lines, std::vector<std::string>{" "});
}

TEST(EngineNumberText, GeneralFormat) {
    const std::pair<long double, const char*> cases[] = {
        {1.5L, "1.5"}, {100, "100"}, {-3, "-3"}, {0, "0"}, {-0.0L, "0"}, {0.1L, "0.1"},
        {1.0L / 3, "0.333333333333333"}, {1e20L, "1E20"}, {1.5e-7L, "1.5E-7"}, {123456789012345.0L, "123456789012345"},
        {0.0001L, "0.0001"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(FormatGeneral(value), text);
}

}  // namespace
}  // namespace pevox::test
