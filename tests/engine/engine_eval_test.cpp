// The expression evaluator through whole scripts: operators and precedence,
// types, assignments, increments, array cells, number texts and host calls.
#include "ScriptFixture.h"

#include "Tlangnumbers.h"

namespace pevox::test {
namespace {

class EngineEval : public ScriptFixture {};

TEST_F(EngineEval, ArithmeticAndPrecedence) {
    ExpectRuns({
        {"PRINT 2 * 3 ^ 2, 2 ^ 3 ^ 2, 2 + 3 * 4, 2 - 3 - 4", "36\t64\t14\t-5\n"},
        {"PRINT (2 + 3) * 4, 2 * (3 + 4), 2 * (3) ^ 2, -2 ^ 2", "20\t14\t18\t4\n"},
        {"PRINT 7 MOD 3, -7 MOD 3, 7 % 3, 7.9 \\ 2, -7.9 \\ 2", "1\t1\t1\t3\t-3\n"},
        {"PRINT 5 / 0, 5 \\ 0.5, 5 MOD 0.5, 1 / 4", "0\t0\t0\t0.25\n"},
        // A sign after an operator, and products after a parenthesis.
        {"PRINT 1 - -3 * 2, 1 + +3, 2 * -3 + 4, 1 - 2 * (3) ^ 2 + 4", "7\t4\t-2\t-13\n"},
        {"PRINT 10 - (2 + 3) - 1, (1 + 1) * (2 + 2), ((((7))))", "4\t8\t7\n"},
        {"PRINT 1E20", "", 1, "Undefined Symbol: E20", TxError},
        {"PRINT 10 ^ 20 \\ 1", "", 1, "Number out of range for integer operation", TxError},
    });
}

TEST_F(EngineEval, ComparisonsAndLogic) {
    ExpectRuns({
        {"PRINT 1 + 2 < 4, 1 < 2 + 3, 1 < 2 < 3, 3 >= 3, 3 <= 2, 2 <> 2, 2 != 3, 2 >< 3", "1\t1\t0\t1\t0\t0\t1\t1\n"},
        {"PRINT NOT 0, NOT 5, ! 0, NOT 2 < 5, NOT (1 == 1)", "1\t0\t1\t1\t0\n"},
        {"PRINT 1 AND 0 OR 1, 0 AND (1 OR 1), 2 && 3, 0 || 0, 1 & 1 | 0", "1\t0\t1\t0\t1\n"},
        {"PRINT \"ab\" < \"abc\", \"B\" < \"a\", \"a\" == \"a\", \"\xE9\" > \"z\"", "1\t1\t1\t1\n"},
        // Equal values compare equal, whatever precision computed them.
        {"NUMBER X\nX = 100.01\nPRINT 12.1 == 12.1, 1 / 3 == 1 / 3, X == 100.01, 0.1 + 0.2 == 0.3", "1\t1\t1\t1\n"},
    });
}

// Every number other than 0 is true, whatever its sign or size; NOT, AND and
// OR give 1 or 0.
TEST_F(EngineEval, TruthValuesOtherThanZeroAndOne) {
    ExpectRuns({
        {"PRINT NOT (2 - 5), NOT -1, NOT 0.5, NOT (1 - 1), NOT -0", "0\t0\t0\t1\t1\n"},
        {"PRINT -2 OR 0, 0 OR -3, -1 AND 0.5, 2 AND -2, 0.5 AND 0, 0 OR -0", "1\t1\t1\t1\t0\t0\n"},
        {"NUMBER A\nA = -1\nIF A AND 1 THEN PRINT \"and\"\nIF A THEN PRINT \"neg\"\nIF 0.25 THEN PRINT \"frac\"",
         "and\nneg\nfrac\n"},
        {"NUMBER A\nA = -1\nIF NOT A THEN PRINT \"no\" ELSE PRINT \"else\"\nIF A AND -1 THEN PRINT \"signed\"",
         "else\nsigned\n"},
        {"NUMBER N\nN = -3\nWHILE N\nN = N + 1\nWEND\nPRINT N, (N - 1 AND 2) + 1", "0\t2\n"},
    });
}

TEST_F(EngineEval, StringsAndTypes) {
    ExpectRuns({
        {"PRINT \"a\" + \"b\"; \"N=\" + 2", "abN=2.000000000000000000\n"},
        {"STRING S\nS = \"x\"\nS = S + \"y\" + S\nPRINT S", "xyx\n"},
        {"NUMBER X\nX = \"a\"", "", 2, "Type Mismatch in assignment expression", TxError},
        {"NUMBER X\nX = \"a\" + 1", "", 2, "Type Mismatch in assignment expression", TxError},
        {"PRINT \"a\" - \"b\"", "", 1, "Cannot subtract strings", TxError},
        {"PRINT \"a\" - 1", "", 1, "Cannot subtract strings", TxError},
        {"STRING S\nS = \"a\"\nPRINT S - 1", "", 3, "Cannot subtract strings", TxError},
        {"STRING S(2)\nNUMBER X\nX = S(1) - 1", "", 3, "Cannot subtract strings", TxError},
        {"NUMBER X\nPRINT X - \"a\"", "", 2, "Cannot subtract strings", TxError},
        {"PRINT 1 + \"a\"", "", 1, "Type Mismatch", TxError},
        {"PRINT 1 == \"a\"", "", 1, "Type Mismatch", TxError},
        {"PRINT \"a\" * 2", "", 1, "Operator does not work on strings!", TxError},
        {"STRING S\nPRINT S ^ 2", "", 2, "Operation not allowed on type.", TxError},
        {"PRINT 2 * \"a\"", "", 1, "Wrong type in expression", TxError},
        {"PRINT 2 *", "", 1, "Wrong type in expression", TxError},
        {"PRINT NOT \"a\"", "", 1, "Cannot use NOT operator here.", TxError},
        {"PRINT -\"a\"", "", 1, "Cannot use negation operator here.", TxError},
        {"PRINT \"a\" AND 1", "", 1, "AND and OR logical operators only work on numeric types", TxError},
        {"PRINT 1 OR", "", 1, "No statement following logical operator", TxError},
        {"PRINT 1 +", "", 1, "Expected Value", TxError},
        {"* 2", "", 1, "Misplaced operator", TxError},
        {"PRINT < 3", "", 1, "Wrong Type in relational comparison!", TxError},
        {"PRINT 3 <", "", 1, "Badly formed relational expression", TxError},
        {"PRINT (1, 2)", "", 1, "Syntax error in expression", TxError},
    });
}

// A sum whose left side is a text is a text, with a number joined in fixed
// notation with 18 decimals, and it stays a text for the operators after it;
// a number with a text on its right is a "Type Mismatch". The same holds
// wherever the sum stands: PRINT, an assignment, a comparison, a condition.
TEST_F(EngineEval, SumsOfTextsAndNumbersFollowOneRule) {
    const std::string one = "1.000000000000000000";
    const std::string two = "2.000000000000000000";
    ExpectRuns({
        {"PRINT \"a\" + 1 + 2", "a" + one + two + "\n"},
        {"PRINT (\"a\" + 1) + 2, \"a\" + (1 + 2)", "a" + one + two + "\ta3.000000000000000000\n"},
        {"PRINT \"a\" + 1 + \"b\", \"a\" + 2 * 3 + \"b\"", "a" + one + "b\ta6.000000000000000000b\n"},
        {"STRING S\nS = \"n=\" + 2\nPRINT S", "n=" + two + "\n"},
        {"STRING S\nS = \"n=\" + STR(2)\nPRINT S", "n=2\n"},
        {"STRING S, T\nT = \"t\"\nS = T + 1 + T\nPRINT S", "t" + one + "t\n"},
        {"STRING A(2)\nA(1) = \"v\" + 1 + 2\nPRINT A(1)", "v" + one + two + "\n"},
        {"NUMBER X\nX = 1 + 2 + 3\nPRINT X", "6\n"},
        {"PRINT \"a\" + 1 == \"a\" + STR(1) + \".000000000000000000\", \"x\" + 1 + 2 == \"x\"", "1\t0\n"},
        {"IF \"a\" + 1 == \"a\" + \"" + one + "\" THEN PRINT \"same\"", "same\n"},
        {"PRINT LEN(\"a\" + 1 + 2)", "41\n"},
        {"PRINT 1 + \"a\"", "", 1, "Type Mismatch", TxError},
        {"PRINT 1 + 2 + \"a\"", "", 1, "Type Mismatch", TxError},
        {"NUMBER X\nX = \"a\" + 1 + 2", "", 2, "Type Mismatch in assignment expression", TxError},
        {"PRINT \"a\" + 1 - 2", "", 1, "Cannot subtract strings", TxError},
        {"PRINT \"a\" + 1 * 2 > 1", "", 1, "Type Mismatch", TxError},
        {"IF \"a\" + 1 THEN PRINT 1", "", 1, "Type Mismatch in condition", TxError},
        {"STRING S\nWHILE S + 1\nWEND", "", 2, "Type Mismatch in condition", TxError},
    });
}

TEST_F(EngineEval, AssignmentsAndIncrements) {
    ExpectRuns({
        {"NUMBER X, Y\nX = 5\nY = X++\nPRINT X, Y", "6\t5\n"},
        // The rest of the expression applies to the old value.
        {"NUMBER X, Y\nX = 5\nY = X++ * 2\nPRINT X, Y\nY = X-- + 1\nPRINT X, Y", "6\t10\n5\t7\n"},
        {"NUMBER A(3)\nA(2) = 4\nA(2)++\nA(A(2) - 4)--\nPRINT A(2), A(1)", "5\t-1\n"},
        {"NUMBER X\nIF X = 5 THEN PRINT X", "5\n"},
        {"NUMBER X\nIF X == 5 THEN PRINT 1 ELSE PRINT X", "0\n"},
        {"STRING S\nS++", "", 2, "Operator does not work on strings!", TxError},
        {"PRINT 5++", "", 1, "This operator only works on variables.", TxError},
        {"NUMBER X\n5 = X", "", 2, "Incorrect use of assignment operator", TxError},
        {"PRINT 1 = 1", "", 1, "Incorrect use of assignment operator", TxError},
        {"NUMBER X\nX =\nPRINT 1", "", 2, "Missing Value", TxError},
        {":L\nL = 1", "", 2, "Can only make assignments to variables", TxError},
    });
}

TEST_F(EngineEval, ConstantsAreNotChanged) {
    engine.m_HostVariables.emplace();
    engine.m_HostVariables->push_back("LIMIT |1 |7 |C");
    ExpectRuns({
        {"PRINT LIMIT + 1", "8\n"},
        {"LIMIT = 3", "", 1, "Incorrect use of assignment operator", TxError},
        {"LIMIT++", "", 1, "This operator only works on variables.", TxError},
    });
}

TEST_F(EngineEval, ArrayCellsInExpressionsAndDeclarations) {
    ExpectRuns({
        {"NUMBER B(2, 3)\nB(1, 2) = 7\nB(2, 3) = B(1, 2) * 2 + 1\nPRINT B(2, 3), B(0, 0)", "15\t0\n"},
        {"STRING T(2)\nT(1) = \"a\"\nT(2) = T(1) + T(1)\nPRINT T(2)", "aa\n"},
        // Initialisers read cells and report words they do not know.
        {"NUMBER A(2)\nNUMBER X = A(1) + 1\nPRINT X", "1\n"},
        {"NUMBER N = -1, M = 1 + 2 * 3\nPRINT N, M", "-1\t7\n"},
        {"NUMBER X = Q", "", 1, "Undefined Symbol: Q", TxError},
        {"NUMBER A(2)\nA(3) = 1", "", 2, "Subscript out of Range", TxError},
    });
}

TEST_F(EngineEval, RegistersCarriedOverDoNotChangeResults) {
    // Every row once as the first statement and once after statements that
    // leave the evaluator's registers on "^" and on "=" with a string.
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"PRINT 2 + 3 * 4", "14\n"}, {"PRINT (2) * 3 + 1", "7\n"}, {"PRINT 8 / (2) ^ 2", "2\n"},
        {"PRINT 1 - (2) - 3", "-4\n"}, {"PRINT (1 + 1) ^ 3", "8\n"},
    };
    for (const auto& [statement, printed] : rows) {
        EXPECT_EQ(Run(statement).output, printed) << statement;
        EXPECT_EQ(Run("NUMBER X\nX = 2 ^ 2\n" + statement).output, printed) << statement;
        EXPECT_EQ(Run("STRING S\nS = \"s\"\n" + statement).output, printed) << statement;
    }
}

TEST_F(EngineEval, NumberTexts) {
    EXPECT_EQ(FormatNumber(1.5L), "1.5");
    EXPECT_EQ(FormatNumber(100), "100");
    EXPECT_EQ(FormatNumber(-3), "-3");
    EXPECT_EQ(FormatNumber(0), "0");
    EXPECT_EQ(FormatNumber(0.1), "0.1");
    EXPECT_EQ(FormatNumber(-1e-20L), "0");
    EXPECT_EQ(FormatNumber(1e17L), "100000000000000000");
    EXPECT_EQ(FormatNumber(1e18L), "1E18");
    EXPECT_EQ(FormatNumber(1.0L / 3), "0.333333333333333");
    EXPECT_EQ(FormatFixed18(2), "2.000000000000000000");
    EXPECT_EQ(FormatFixed18(0.1), "0.100000000000000006");
    EXPECT_EQ(FormatFixed18(-123.5L), "-123.500000000000000000");
    EXPECT_EQ(FormatFixed18(1e20L), "1E20");
    // Whole numbers, which take a shorter way, on both sides of each form's
    // limits and of what a double holds exactly.
    EXPECT_EQ(FormatGeneral(999999999999999), "999999999999999");
    EXPECT_EQ(FormatGeneral(1e15L), "1E15");
    EXPECT_EQ(FormatGeneral(-42), "-42");
    EXPECT_EQ(FormatGeneral(-0.0L), "0");
    EXPECT_EQ(FormatGeneral(3 + 0x1p-60L), "3");
    EXPECT_EQ(FormatNumber(9007199254740993.0L), "9007199254740993");
    EXPECT_EQ(FormatNumber(-9007199254740992.0L), "-9007199254740992");
    EXPECT_EQ(FormatFixed18(-7), "-7.000000000000000000");
    EXPECT_EQ(FormatFixed18(1e17L), "100000000000000000.000000000000000000");
    EXPECT_EQ(FormatFixed18(1 + 0x1p-55L), "1.000000000000000030");
    EXPECT_EQ(FormatFixed18(-0.0L), "0.000000000000000000");
    EXPECT_EQ(Run("PRINT 0.1 + 0.2, -0, 10 ^ -7 * 1.5, 1 / 3").output, "0.3\t0\t0.00000015\t0.333333333333333\n");
}

TEST_F(EngineEval, NoNanOrInfinityReachesAVariable) {
    const std::string overflow = "Floating point overflow";
    ExpectRuns({
        {"NUMBER X\nX = 10 ^ 308 * 10\nPRINT X", "", 2, overflow, TxError},
        {"NUMBER X\nX = (-8) ^ (1 / 3)", "", 2, "Floating point Domain Error", TxError},
        {"PRINT 2 ^ 10000", "", 1, overflow, TxError},
        {"NUMBER X\nX = 1" + std::string(400, '0'), "", 2, overflow, TxError},
        // Statements the run loop computes without the evaluator, into a
        // variable and into a cell.
        {"NUMBER X, Y\nY = 10 ^ 300\nX = Y * Y", "", 3, overflow, TxError},
        {"NUMBER X, Y\nY = 10 ^ 308\nX = Y + Y - Y", "", 3, overflow, TxError},
        {"NUMBER A(2)\nNUMBER Y\nY = 10 ^ 300\nA(1) = Y * Y", "", 4, overflow, TxError},
        {"NUMBER I, L\nL = 10 ^ 308 * 1.7\nFOR I = 0 TO L STEP 10 ^ 308\nNEXT", "", 3, overflow, TxError},
        // A value back inside the range is computed as before.
        {"NUMBER Y\nY = 10 ^ 300\nPRINT Y / Y, 1 / Y * Y, Y * 100", "1\t1\t1E302\n"},
    });
    Run("NUMBER X, Y\nX = 7\nY = 10 ^ 300\nX = Y * Y");
    EXPECT_EQ(engine.FindSymbol("X", kVariableList)->SymValue, 7);
    Run("NUMBER I, L\nL = 10 ^ 308 * 1.7\nFOR I = 0 TO L STEP 10 ^ 308\nNEXT");
    EXPECT_EQ(engine.FindSymbol("I", kVariableList)->SymValue, 1e308);
}

TEST_F(EngineEval, DeepExpressionsEndWithAnError) {
    std::string product = "PRINT 2";
    for (int i = 0; i < 5000; ++i) product += " * 2";
    EXPECT_EQ(Run(product).errorMessage, "Expression nested too deeply");
    std::string sum = "PRINT 0";
    for (int i = 0; i < 5000; ++i) sum += " + 1";
    EXPECT_EQ(Run(sum).output, "5000\n");
}

class EngineHostCalls : public ScriptFixture {
protected:
    void SetUp() override {
        ScriptFixture::SetUp();
        AddFunction("F", 1, 3, 1, TxNumber);
        AddFunction("G", 2, 0, 0, TxString);
        AddFunction("H", 3, 1, 0, TxNone);
        events.onUserFunction = [this](int ordinal, int) {
            calls.push_back(engine.m_ParamList ? *engine.m_ParamList : std::vector<std::string>{"<none>"});
            if (ordinal == 1) engine.m_UserNReturn = static_cast<long double>(engine.m_ParamList->size()) * 10;
            if (ordinal == 2) engine.m_UserSReturn = "g";
        };
    }

    std::vector<std::vector<std::string>> calls;
};

TEST_F(EngineHostCalls, ArgumentsArriveAsTexts) {
    const ScriptRun run = Run(
        "NUMBER X\nSTRING S\nX = 2\nS = \"s\"\n"
        "PRINT F(2.5), F(X, \"lit\", S), F(X + 1, 1 / 3, 10 ^ 20), F(1 AND 2)");
    EXPECT_EQ(run.output, "10\t30\t30\t20\n");
    const std::vector<std::vector<std::string>> expected = {
        {"2.5"}, {"2.000000000000000000", "lit", "s"}, {"3", "0.333333333333333", "1E20"}, {"1", "2"}};
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(engine.m_ParamList, nullptr);
    ASSERT_EQ(events.userCalls.size(), 4u);
    EXPECT_EQ(events.userCalls[1].ordinal, 1);
    EXPECT_EQ(events.userCalls[1].paramCount, 3);
}

TEST_F(EngineHostCalls, ASumOfTextsAndNumbersPassesAsOneText) {
    Run("PRINT F(\"a\" + 1 + 2, 1 + 2)");
    const std::vector<std::vector<std::string>> expected = {{"a1.0000000000000000002.000000000000000000", "3"}};
    EXPECT_EQ(calls, expected);
}

TEST_F(EngineHostCalls, EmptyArgumentsKeepTheirPlaces) {
    Run("PRINT F(1, , 3), F(1, )");
    const std::vector<std::vector<std::string>> expected = {{"1", "", "3"}, {"1", ""}};
    EXPECT_EQ(calls, expected);
}

TEST_F(EngineHostCalls, ResultsInExpressions) {
    ExpectRuns({
        {"PRINT F(1) * 2 + 1, 1 + F(1, 2) ^ 2, 2 * F(1) + 1", "21\t401\t21\n"},
        {"STRING S\nS = G() + G()\nPRINT S; G", "ggg\n"},
        {"PRINT F(G())", "10\n"},
        {"SWITCH 10\nCASE F(1)\nPRINT \"call\"\nENDSWITCH", "call\n"},
        {"H(1)\nPRINT \"done\"", "done\n"},
    });
}

TEST_F(EngineHostCalls, AResultNotSetIsThePreviousOne) {
    events.onUserFunction = nullptr;
    engine.m_UserNReturn = 42;
    EXPECT_EQ(Run("PRINT F(1), F(2)").output, "42\t42\n");
}

TEST_F(EngineHostCalls, CallErrors) {
    ExpectRuns({
        {"PRINT F()", "", 1, "3 parameters are required in call to F", TxError},
        {"PRINT F(1, 2, 3, 4)", "", 1, "Too many parameters in call to F", TxError},
        {"PRINT G(1)", "", 1, "Too Many Parameters in call to G", TxError},
        {"PRINT F(H(1))", "", 1, "Too few parameters in call to F", TxError},
        {"PRINT F 1", "", 1, "Function call requires parentheses.", TxError},
        {"PRINT F", "", 1, "3 parameters are required in call to F", TxError},
        // The look-ahead after a call meets the error; it is reported once.
        {"NUMBER A(2)\nPRINT F(1) A(9)", "", 2, "Subscript out of Range", TxError},
    });
}

TEST_F(EngineHostCalls, TerminateDuringACallKeepsTheResultAndEndsTheRun) {
    events.onUserFunction = [this](int, int) {
        engine.m_UserNReturn = 7;
        engine.Terminate();
    };
    const ScriptRun run = Run("NUMBER X\nX = F(1)\nPRINT X");
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.errorMessage, "");
    EXPECT_EQ(run.exitCode, TxKilled);
    EXPECT_EQ(engine.m_NumValue, 7);
}

}  // namespace
}  // namespace pevox::test
