// The host data interface: registrations, the host-variable lines, variables
// and array cells a script leaves, and the arguments and result of a call.
#include "ScriptFixture.h"
#include "platform/Numbers.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pevox::test {
namespace {

class EngineHostData : public ScriptFixture {
protected:
    // The message of a refusal, "" for a call that succeeded.
    static std::string Refusal(const HostResult& result) {
        return result.status == HostResult::Refused ? result.message : std::string();
    }
    static HostIndexes At(int first, int second = -1, int third = -1, int fourth = -1, int fifth = -1) {
        return {first, second, third, fourth, fifth};
    }
};

TEST_F(EngineHostData, AddFunctionRefusesBadNamesAndOrdinals) {
    ASSERT_TRUE(engine.AddFunction(" MyFn ", 1, 5, TxNumber).Succeeded());
    ASSERT_TRUE(engine.AddVariable("Count", TxNumber).Succeeded());
    const std::string invalid = "Invalid symbol name or ordinal value.\n\rFailed to add function : ";
    const struct {
        const char* name;
        int ordinal;
        std::string message;
    } cases[] = {
        {"Len", 9, "Attempt to use reserved word!"},
        {"1AB", 9, "First character may not be a digit!"},
        {"AB$", 9, "Illegal character(s) in Variable Identifier!"},
        {"myfn", 6, invalid + "myfn"},
        {"Other", 5, invalid + "Other"},
        {"Zero", 0, invalid + "Zero"},
        {"Big", 255, invalid + "Big"},
        {"count", 7, invalid + "count"},  // a host variable's name
    };
    for (const auto& row : cases) {
        engine.m_ExitCode = TxNormal;
        EXPECT_EQ(Refusal(engine.AddFunction(row.name, 1, row.ordinal, TxNumber)), row.message) << row.name;
        EXPECT_EQ(engine.m_ExitCode, TxKilled) << row.name;
    }
    EXPECT_TRUE(events.errors.empty());

    // A word reserved for future use is reported as a script error first.
    EXPECT_EQ(Refusal(engine.AddFunction("Loop", 1, 9, TxNumber)), "Attempt to use reserved word!");
    ASSERT_EQ(events.errors.size(), 1u);
    EXPECT_EQ(events.errors[0].message, "Keyword Loop reserved for future use.");
    EXPECT_EQ(engine.m_ExitCode, TxKilled);

    const TERP_SYMBOL_TAG* function = engine.FindFunctionByName("MYFN");
    ASSERT_NE(function, nullptr);
    EXPECT_EQ(function->SymDisplayName, "MyFn");
    EXPECT_EQ(function->SymCount, 5);
}

TEST_F(EngineHostData, MinimumArgumentsOfAHostFunction) {
    ASSERT_TRUE(engine.AddFunction("Opt", 3, 1, TxNumber, 2).Succeeded());
    ASSERT_TRUE(engine.AddFunction("All", 3, 2, TxNumber).Succeeded());
    events.onUserFunction = [this](int, int count) { engine.m_UserNReturn = count; };
    EXPECT_EQ(Run("PRINT Opt(1, 2)\nPRINT Opt(1, 2, 3)").output, "2\n3\n");
    const ScriptRun tooFew = Run("PRINT All(1, 2)");
    EXPECT_EQ(tooFew.errorMessage, "Too few parameters in call to ALL");
    EXPECT_EQ(tooFew.exitCode, TxError);
}

TEST_F(EngineHostData, RegistrationDuringARunLetsItGoOn) {
    ASSERT_TRUE(engine.AddFunction("F", 0, 1, TxNone).Succeeded());
    events.onUserFunction = [this](int, int) {
        EXPECT_TRUE(engine.AddFunction("Late", 0, 2, TxNone).Succeeded());
        EXPECT_TRUE(engine.AddVariable("LateVar", TxNumber).Succeeded());
    };
    const ScriptRun run = Run("F()\nPRINT \"after\"");
    EXPECT_EQ(run.output, "after\n");
    EXPECT_EQ(run.exitCode, TxNormal);
}

TEST_F(EngineHostData, HostVariableAndArrayLines) {
    ASSERT_TRUE(engine.AddVariable(" Count ", TxNumber).Succeeded());
    ASSERT_TRUE(engine.AddVariable("Title", TxString, true).Succeeded());
    ASSERT_TRUE(engine.AddArray("Grid", TxNumber, At(9, 4)).Succeeded());
    ASSERT_TRUE(engine.AddArray("Names", TxString, At(3, -5, 2)).Succeeded());
    const std::vector<std::string> lines = {
        "Count |1 |0 |V",
        "Title |2 | |C",
        "GRID |29 |10 ,5 ,0 ,0 ,0",
        // Every dimension after the first one left out is left out too.
        "NAMES |28 |4 ,0 ,0 ,0 ,0",
    };
    EXPECT_EQ(*engine.m_HostVariables, lines);

    EXPECT_EQ(Refusal(engine.AddVariable("COUNT", TxNumber)), "Variable COUNT already declared!");
    EXPECT_EQ(Refusal(engine.AddVariable("grid", TxString)), "Variable grid already declared!");
    EXPECT_EQ(Refusal(engine.AddVariable("Nothing", TxNone)), "Invalid variable type!");
    // An array's name must be one a script can write and the line can hold.
    EXPECT_EQ(Refusal(engine.AddArray("A|B", TxNumber, At(1))), "Illegal character(s) in Variable Identifier!");
    EXPECT_EQ(Refusal(engine.AddArray("Mid", TxNumber, At(1))), "Attempt to use reserved word!");
    // An array no run could make is refused at once, not at every run's set-up.
    EXPECT_EQ(Refusal(engine.AddArray("Huge", TxNumber, At(32767, 32767, 32767))),
              "Failed to allocate memory for array!");
    EXPECT_EQ(engine.m_HostVariables->size(), lines.size());

    const HostResult declined = engine.AddArray("Empty", TxNumber, At(0));
    EXPECT_EQ(declined.status, HostResult::Declined);
    ASSERT_EQ(events.errors.size(), 1u);
    EXPECT_EQ(events.errors[0].message, "First Array dimension must be positive and greater than zero");
    EXPECT_EQ(engine.m_ExitCode, TxError);
    EXPECT_EQ(engine.m_HostVariables->size(), lines.size());

    const ScriptRun run = Run("Count = 4\nGrid(9, 4) = Count\nPRINT Grid(9, 4); Title");
    EXPECT_EQ(run.output, "4\n");
    EXPECT_EQ(run.exitCode, TxNormal);
}

TEST_F(EngineHostData, VariablesAScriptLeaves) {
    Run("NUMBER N = 1.5\nSTRING S = \"abc\"\nSTRING T = \"12.5\"\nNUMBER A(1)");
    std::string text = "old";
    double number = 0;
    const struct {
        const char* name;
        std::string sGet, sSet, nGet, nSet;
    } cases[] = {
        {"N", "", "N is not a string variable name.", "", ""},
        {"S", "", "", "'abc' is not a valid floating point value", "Type Mismatch. S is not numeric."},
        {"A", "A is not a string variable.", "A is not a string variable name.", "Type Mismatch. A is an array.",
         "Type Mismatch. A is an array."},
        {"Nope", "Nope is not a variable name.", "Nope is not a variable name.", "Nope is not a variable name.", ""},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(Refusal(engine.GetSVariable(row.name, text)), row.sGet) << row.name;
        EXPECT_EQ(Refusal(engine.GetNVariable(row.name, number)), row.nGet) << row.name;
        EXPECT_EQ(Refusal(engine.SetSVariable(row.name, "x")), row.sSet) << row.name;
        EXPECT_EQ(Refusal(engine.SetNVariable(row.name, 2)), row.nSet) << row.name;
    }
    // A failed read leaves an empty text.
    text = "old";
    engine.GetSVariable("A", text);
    EXPECT_EQ(text, "");

    ASSERT_TRUE(engine.GetSVariable(" n ", text).Succeeded());
    EXPECT_EQ(text, "2");
    ASSERT_TRUE(engine.GetNVariable("T", number).Succeeded());
    EXPECT_EQ(number, 12.5);
    ASSERT_TRUE(engine.SetNVariable("N", 0.1).Succeeded());
    ASSERT_TRUE(engine.GetSVariable("N", text).Succeeded());
    EXPECT_EQ(text, "0.1");
    ASSERT_TRUE(engine.GetSVariable("S", text).Succeeded());
    EXPECT_EQ(text, "x");

    engine.Reset();
    EXPECT_EQ(Refusal(engine.GetNVariable("N", number)), "N is not a variable name.");
}

TEST_F(EngineHostData, ArrayCells) {
    ASSERT_TRUE(engine.AddArray("A", TxNumber, At(2, 3)).Succeeded());
    ASSERT_TRUE(engine.AddArray("S", TxString, At(1, 0)).Succeeded());
    ASSERT_TRUE(engine.AddFunction("Poke", 0, 1, TxNone).Succeeded());
    events.onUserFunction = [this](int, int) { EXPECT_TRUE(engine.SetNArray("a", 7, At(2, 3)).Succeeded()); };
    EXPECT_EQ(Run("Poke()\nPRINT A(2, 3)").output, "7\n");

    HostIndexes bounds{};
    ASSERT_TRUE(engine.GetArrayBounds("A", bounds).Succeeded());
    EXPECT_EQ(bounds, At(2, 3));
    // A dimension whose highest index is 0 is still a dimension.
    ASSERT_TRUE(engine.GetArrayBounds("S", bounds).Succeeded());
    EXPECT_EQ(bounds, At(1, 0));
    EXPECT_EQ(Refusal(engine.GetArrayBounds("Poke", bounds)), "Poke is not an array name.");

    double number = 0;
    ASSERT_TRUE(engine.GetNArray("A", number, At(2, 3)).Succeeded());
    EXPECT_EQ(number, 7);
    EXPECT_EQ(engine.FindSymbol("A", kVariableList)->SymCells.back().Number, 7);
    const struct {
        HostIndexes at;
        std::string getN, setN, getS, setS;
    } cases[] = {
        {At(3, 0), "Subscript out of Range referencing: A", "Subscript out of range referencing: A",
         "Subscript out of range referencing: S", "Subscript out of range referencing: S"},
        {At(-1), "First Subscript must be >= zero referencing A", "First subscript must be >= zero referencing: A",
         "First subscript must be >= zero referencing: S", "First subscript must be >= zero referencing: S"},
        // Each subscript is checked against its own dimension: (0, 5) is not cell (1, 1).
        {At(0, 5), "Subscript out of Range referencing: A", "Subscript out of range referencing: A",
         "Subscript out of range referencing: S", "Subscript out of range referencing: S"},
        {At(1, -2), "Subscript out of Range referencing: A", "Subscript out of range referencing: A",
         "Subscript out of range referencing: S", "Subscript out of range referencing: S"},
    };
    std::string text;
    for (const auto& row : cases) {
        EXPECT_EQ(Refusal(engine.GetNArray("A", number, row.at)), row.getN);
        EXPECT_EQ(Refusal(engine.SetNArray("A", 1, row.at)), row.setN);
        EXPECT_EQ(Refusal(engine.GetSArray("S", text, row.at)), row.getS);
        EXPECT_EQ(Refusal(engine.SetSArray("S", "x", row.at)), row.setS);
    }
    EXPECT_EQ(Refusal(engine.GetNArray("S", number, At(0))), "S is not a numeric array name");
    EXPECT_EQ(Refusal(engine.SetNArray("S", 1, At(0))), "Sis not a numeric array name");
    EXPECT_EQ(Refusal(engine.GetSArray("A", text, At(0))), "A is not a string array name.");

    ASSERT_TRUE(engine.SetSArray("S", "last", At(1)).Succeeded());
    ASSERT_TRUE(engine.GetSArray("S", text, At(1, 0)).Succeeded());
    EXPECT_EQ(text, "last");
    ASSERT_TRUE(engine.ClearArray("S").Succeeded());
    ASSERT_TRUE(engine.ClearArray("A").Succeeded());
    ASSERT_TRUE(engine.GetSArray("S", text, At(1)).Succeeded());
    EXPECT_EQ(text, "");
    ASSERT_TRUE(engine.GetNArray("A", number, At(2, 3)).Succeeded());
    EXPECT_EQ(number, 0);
    EXPECT_EQ(Refusal(engine.ClearArray("Nope")), "Nope is not an array name.");
}

TEST_F(EngineHostData, ArgumentsAndResultsOfACall) {
    ASSERT_TRUE(engine.AddFunction("F", 3, 1, TxString).Succeeded());
    ASSERT_TRUE(engine.AddFunction("G", 0, 2, TxString).Succeeded());
    std::vector<std::string> seen;
    events.onUserFunction = [&](int ordinal, int) {
        if (ordinal != 1) return;  // G answers nothing: the last result stands
        seen = {std::to_string(engine.GetNParam(1)), engine.GetSParam(2), engine.GetSParam(3),
                std::to_string(engine.GetNParam(0)), std::to_string(engine.GetNParam(4)),
                std::to_string(engine.GetNParam(2))};
        engine.m_UserSReturn = "result";
    };
    const ScriptRun run = Run("NUMBER N = 2\nPRINT F(1.5, \"x\", N)\nPRINT G()");
    EXPECT_EQ(run.output, "result\nresult\n");
    const std::vector<std::string> expected = {"1.500000", "x", "2.000000000000000000", "0.000000", "0.000000",
                                               "0.000000"};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(engine.GetSParam(1), "");
    EXPECT_EQ(engine.GetNParam(1), 0);
}

// A number reads as the value of its text however the engine wrote it: a
// whole one, one past fifteen digits, a reference's eighteen decimals, a
// fraction, an exponent, a text that is no number.
TEST_F(EngineHostData, ANumberArgumentReadsAsTheValueOfItsText) {
    ASSERT_TRUE(engine.AddFunction("F", 1, 1, TxNone).Succeeded());
    std::vector<std::pair<std::string, double>> seen;
    events.onUserFunction = [&](int, int) { seen.emplace_back(engine.GetSParam(1), engine.GetNParam(1)); };
    const ScriptRun run = Run(
        "NUMBER N = -123456789012345\nNUMBER Z = 0\nNUMBER R = 0.1\nNUMBER B = 1000000000000 * 1000000000000\n"
        "F(0)\nF(-42)\nF(123456789012345)\nF(1234567890123456)\nF(N)\nF(-Z)\nF(R)\nF(1.5)\nF(B)\nF(\"12x\")\nF(\"007\")");
    ASSERT_EQ(run.errorMessage, "");
    ASSERT_EQ(seen.size(), 11u);
    EXPECT_EQ(seen[8].first, "1E24");
    for (const auto& [text, number] : seen) {
        long double parsed = 0;
        const double expected = platform::ParseFloat(text, parsed) ? static_cast<double>(parsed) : 0;
        EXPECT_EQ(number, expected) << text;
        EXPECT_EQ(std::signbit(number), std::signbit(expected)) << text;
    }
    EXPECT_EQ(seen[4].first, "-123456789012345.000000000000000000");
    EXPECT_EQ(seen[4].second, -123456789012345.0);
}

// A call within an argument has texts of its own, and a call with fewer
// arguments than the one before sees none of the earlier texts.
TEST_F(EngineHostData, EveryCallSeesItsOwnArguments) {
    ASSERT_TRUE(engine.AddFunction("H", 3, 1, TxString, 1).Succeeded());
    std::vector<std::string> calls;
    events.onUserFunction = [&](int, int count) {
        std::string call;
        for (int i = 1; i <= 4; ++i) call += engine.GetSParam(i) + "|";
        calls.push_back(std::to_string(count) + ": " + call);
        engine.m_UserSReturn = "r" + std::to_string(count);
    };
    const ScriptRun run = Run("NUMBER N = 7\nPRINT H(1, H(\"inner\", 2.5), N)\nPRINT H(\"a\")\nPRINT H(N, \"\")");
    EXPECT_EQ(run.errorMessage, "");
    EXPECT_EQ(run.output, "r3\nr1\nr2\n");
    const std::vector<std::string> expected = {"2: inner|2.5|||", "3: 1|r2|7.000000000000000000||", "1: a||||",
                                               "2: 7.000000000000000000||||"};
    EXPECT_EQ(calls, expected);
}

TEST_F(EngineHostData, ConstantsAreSetAtEveryRunAndLeftOutOfDumps) {
    ASSERT_TRUE(engine.AddVariable("TYPE_BYTE", TxNumber, true).Succeeded());
    ASSERT_TRUE(engine.AddVariable("Counter", TxNumber).Succeeded());
    events.onInitialize = [this] { EXPECT_TRUE(engine.SetNVariable("TYPE_BYTE", 1).Succeeded()); };
    EXPECT_EQ(Run("PRINT TYPE_BYTE\nDUMP").output, "1\n");
    EXPECT_EQ(events.dumps, (std::vector<std::string>{"Number | COUNTER=0", " "}));
    engine.m_ShowConstantsInDump = true;
    events.dumps.clear();
    engine.DumpVariables();
    EXPECT_EQ(events.dumps, (std::vector<std::string>{"Number | TYPE_BYTE=1", "Number | COUNTER=0", " "}));
}

TEST_F(EngineHostData, AStopDuringSetUpEndsTheRunBeforeItsFirstStatement) {
    events.onInitialize = [this] { engine.Terminate(); };
    ScriptRun run = Run("PRINT 1");
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.exitCode, TxKilled);

    events.onInitialize = [this] { engine.Reset(); };
    run = Run("NUMBER X = 1\nPRINT X");
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.exitCode, TxReset);
    EXPECT_EQ(engine.State(), TxStsIdle);

    events.onInitialize = nullptr;
    EXPECT_EQ(Run("PRINT 2").output, "2\n");
}

}  // namespace
}  // namespace pevox::test
