// The run loop and the statements through whole scripts, and the run entry:
// events, exit codes, stops, re-entry and Reset.
#include "ScriptFixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <sys/wait.h>

namespace pevox::test {
namespace {

class EngineRun : public ScriptFixture {};

TEST_F(EngineRun, Print) {
    ExpectRuns({
        {"PRINT \"A\", \"B\"", "A\tB\n"},
        {"PRINT \"A\";\nPRINT \"B\"; 1; \"C\"", "AB1C\n"},
        {"PRINT\n? 1.5, 100, 0.25, -3, 0", " \n1.5\t100\t0.25\t-3\t0\n"},
        {"NUMBER X\nSTRING S\nX = 2\nS = \"s\"\nPRINT X; S, 10 ^ 17, 10 ^ 18", "2s\t100000000000000000\t1E18\n"},
        {"PRINT 1,", "1\t\n"},
        {"PRINT 1 ? 2", "", 1, "Misplaced statement", TxError},
    });
}

TEST_F(EngineRun, If) {
    ExpectRuns({
        {"IF 1 THEN PRINT \"Y\" ELSE PRINT \"N\"\nPRINT \"after\"", "Y\nafter\n"},
        {"IF 0 THEN PRINT \"Y\" ELSE PRINT \"N\"\nPRINT \"after\"", "N\nafter\n"},
        {"NUMBER X\nIF 1 THEN X = 1 ELSE X = 2\nIF 0 THEN X = X + 10 ELSE X = X + 20\nPRINT X", "21\n"},
        {"IF 0 THEN PRINT 1\nPRINT 2", "2\n"},
        {"IF 1 THEN PRINT 1 ENDIF\nPRINT 2", "1\n2\n"},
        {"IF 1 THEN PRINT \"a\" ELSE END\nPRINT \"after\"", "a\nafter\n"},
        {"IF 0 THEN PRINT \"a\" ELSE END\nPRINT \"after\"", ""},
        {"NUMBER X\nX = 2\nIF X > 1 THEN\n PRINT \"big\"\n IF X > 5 THEN\n  PRINT \"huge\"\n ELSE\n  PRINT \"not huge\"\n FI\nELSE\n PRINT \"small\"\nENDIF\nPRINT \"end\"",
         "big\nnot huge\nend\n"},
        {"IF 0 THEN\nPRINT 1\nELSE\nPRINT 2\nENDIF", "2\n"},
        {"IF 1 AND 0 OR 1 THEN PRINT \"or\"", "or\n"},
        {"STRING S\nIF S THEN PRINT 1", "", 2, "Type Mismatch in condition", TxError},
        {"THEN", "", 1, "Misplaced THEN/ELSE/ENDIF", TxError},
    });
}

TEST_F(EngineRun, For) {
    ExpectRuns({
        {"NUMBER I\nFOR I = 1 TO 3\nPRINT I\nNEXT I\nPRINT \"I=\"; I", "1\n2\n3\nI=3\n"},
        {"NUMBER I\nFOR I = 3 TO 1\nPRINT I\nNEXT", "3\n2\n1\n"},
        {"NUMBER I\nFOR I = 1 TO 1\nPRINT I\nNEXT", "1\n"},
        {"NUMBER I\nFOR I = 1 TO 0\nPRINT I\nNEXT", "1\n0\n"},
        // The body never runs past the limit.
        {"NUMBER I\nFOR I = 1 TO 4 STEP 2\nPRINT I\nNEXT\nPRINT \"I=\"; I", "1\n3\nI=5\n"},
        {"NUMBER I\nFOR I = 10 TO 1 STEP -4\nPRINT I\nNEXT", "10\n6\n2\n"},
        // A step that leads away from the limit runs the body no time.
        {"NUMBER I\nFOR I = 1 TO 10 STEP -1\nPRINT I\nNEXT\nPRINT \"I=\"; I", "I=1\n"},
        {"NUMBER I\nFOR I = 5 TO 1 STEP 0\nPRINT I\nNEXT\nPRINT \"done\"", "done\n"},
        {"NUMBER I\nFOR I = 2 TO 2 STEP -1\nPRINT I\nNEXT", "2\n"},
        // The limit is read anew for every iteration.
        {"NUMBER I, N\nN = 3\nFOR I = 1 TO N\nN = 2\nPRINT I\nNEXT", "1\n2\n"},
        // Bounds that end in a closed parenthesis are read past it, also with an empty body.
        {"NUMBER I\nFOR I = 1 TO (3)\nPRINT I\nNEXT\nFOR I = 5 TO (1) STEP (-2)\nPRINT I\nNEXT",
         "1\n2\n3\n5\n3\n1\n"},
        {"NUMBER I\nFOR I = 0 TO (5)\nNEXT\nPRINT I", "5\n"},
        {"NUMBER I, J\nFOR I = 1 TO 2\nFOR J = 1 TO 2\nPRINT I; J\nNEXT\nNEXT", "11\n12\n21\n22\n"},
        {"NUMBER I\nFOR I = 1 TO 5\nIF I == 2 THEN\nCONTINUE\nENDIF\nIF I == 4 THEN BREAK\nPRINT I\nNEXT\nPRINT \"end\"; I",
         "1\n3\nend4\n"},
        {"NUMBER I\nFOR I = 1 TO 3\nIF I == 2 THEN END\nPRINT I\nNEXT\nPRINT \"no\"", "1\n"},
        {"NUMBER I\nFOR I = 1 TO \"a\"\nNEXT", "", 2, "Type Mismatch", TxError},
        {"NEXT", "", 1, "NEXT without FOR", TxError},
    });
}

TEST_F(EngineRun, WhileAndMisplacedKeywords) {
    ExpectRuns({
        {"NUMBER X\nX = 1\nWHILE X < 100\nX = X * 2\nWEND\nPRINT X", "128\n"},
        {"NUMBER X\nX = 3\nWHILE X\nX--\nIF X == 1 THEN CONTINUE\nPRINT X\nWEND", "2\n0\n"},
        {"NUMBER X\nWHILE 1\nX++\nIF X == 3 THEN BREAK\nWEND\nPRINT X", "3\n"},
        {"WHILE 0\nPRINT 1\nWEND\nPRINT 2", "2\n"},
        {"STRING S\nWHILE S\nWEND", "", 2, "Type Mismatch in condition", TxError},
        {"WEND", "", 1, "Misplaced WEND", TxError},
        {"BREAK", "", 1, "Misplaced CONTINUE or BREAK", TxError},
        {"CONTINUE", "", 1, "Misplaced CONTINUE or BREAK", TxError},
        {"RETURN", "", 1, "Misplaced RETURN", TxError},
        {"CASE 1", "", 1, "Misplaced CASE or ENDSELECT", TxError},
        {"TO", "", 1, "Syntax error", TxError},
    });
}

TEST_F(EngineRun, Switch) {
    ExpectRuns({
        {"SWITCH 2\nCASE 1\nPRINT 1\nCASE 2\nPRINT 2\nDEFAULT\nPRINT \"d\"\nENDSWITCH\nPRINT \"end\"", "2\nend\n"},
        {"SWITCH 9\nCASE 1\nPRINT 1\nDEFAULT\nPRINT \"d\"\nENDSWITCH", "d\n"},
        {"SWITCH 5\nDEFAULT\nPRINT \"d\"\nCASE 5\nPRINT 5\nENDSWITCH", "d\n"},
        {"SWITCH 7\nCASE > 5\nPRINT \"gt\"\nENDSWITCH", "gt\n"},
        {"SWITCH 3\nCASE 1, 3\nPRINT \"list\"\nENDSWITCH", "list\n"},
        {"SWITCH 2\nCASE > 1 & < 4\nPRINT \"in\"\nENDSWITCH\nSWITCH 5\nCASE > 1 & < 4\nPRINT \"in\"\nENDSWITCH", "in\n"},
        {"STRING S\nS = \"ab\"\nSWITCH S\nCASE \"AB\"\nPRINT 1\nCASE \"ab\"\nPRINT 2\nENDSWITCH", "2\n"},
        {"SWITCH 2\nCASE 2\nPRINT 2\nBREAK\nPRINT \"no\"\nENDSWITCH", "2\n"},
        {"SWITCH 0.1 + 0.2\nCASE 0.3\nPRINT \"eq\"\nENDSWITCH", "eq\n"},
        // A SWITCH inside lines passed over is passed over whole; an END there
        // ends nothing.
        {"SWITCH 2\nCASE 1\nSWITCH 2\nCASE 2\nPRINT \"inner\"\nENDSWITCH\nEND\nCASE 2\nPRINT \"outer\"\nENDSWITCH\nPRINT \"end\"",
         "outer\nend\n"},
        // A CASE value may end in a closing parenthesis.
        {"NUMBER X\nX = 2\nSWITCH X\nCASE (2)\nPRINT \"paren\"\nENDSWITCH", "paren\n"},
        {"SWITCH 2\nCASE LEN(\"ab\")\nPRINT \"len\"\nENDSWITCH", "len\n"},
        {"NUMBER A(2)\nA(1) = 5\nSWITCH 5\nCASE 1, A(1)\nPRINT \"cell\"\nENDSWITCH", "cell\n"},
        {"SWITCH 3\nCASE (1), (2)\nPRINT \"no\"\nCASE > (1)\nPRINT \"gt\"\nENDSWITCH", "gt\n"},
        {"SWITCH 3\nCASE (1), (3)\nPRINT \"list\"\nCASE > (1)\nPRINT \"no\"\nENDSWITCH", "list\n"},
        {"SWITCH \"a\"\nCASE 1\nENDSWITCH", "", 2, "Type mismatch in Case", TxError},
        {"ENDSWITCH", "", 1, "Misplaced CASE or ENDSELECT", TxError},
    });
}

// A comparison item whose value is a parenthesis, a call or a cell, alone,
// joined with & or | or in a list, compares the SWITCH value, and the search
// goes on past it, from the text and from the kept forms alike: each of
// these once searched for ever.
TEST_F(EngineRun, ComparisonCaseItemsEndingInAParenthesisMatchAndTheSearchGoesOn) {
    const std::vector<ScriptCase> cases = {
        {"SWITCH 1\nCASE < (2)\nPRINT \"lt\"\nENDSWITCH\nPRINT \"end\"", "lt\nend\n"},
        {"SWITCH 5\nCASE < (2)\nPRINT \"lt\"\nENDSWITCH\nPRINT \"end\"", "end\n"},
        {"SWITCH 3\nCASE < (2), 3\nPRINT \"list\"\nENDSWITCH\nSWITCH 4\nCASE < (2), 3\nPRINT \"no\"\nENDSWITCH", "list\n"},
        {"SWITCH 3\nCASE 4, >= (3)\nPRINT \"list\"\nENDSWITCH", "list\n"},
        {"SWITCH 1\nCASE > (0) & < (2)\nPRINT \"in\"\nENDSWITCH\nSWITCH 2\nCASE > (0) & < (2)\nPRINT \"no\"\nENDSWITCH",
         "in\n"},
        {"SWITCH 7\nCASE < (2) | > (5)\nPRINT \"out\"\nENDSWITCH\nSWITCH 4\nCASE < (2) | > (5)\nPRINT \"no\"\nENDSWITCH",
         "out\n"},
        {"SWITCH -1\nCASE < ABS(-2) & <> (0) * 3\nPRINT \"call\"\nENDSWITCH", "call\n"},
        {"NUMBER A(2)\nA(1) = 5\nSWITCH 4\nCASE < A(1) & > (A(1) - 2)\nPRINT \"cell\"\nENDSWITCH", "cell\n"},
        {"STRING S\nS = \"b\"\nSWITCH S\nCASE < (\"a\")\nPRINT \"no\"\nCASE > (\"a\")\nPRINT \"gt\"\nENDSWITCH", "gt\n"},
        {"NUMBER I, N\nFOR I = 1 TO 4\nSWITCH I\nCASE < (2)\nN = N + 1\nCASE > (3) | == (2)\nN = N + 10\nDEFAULT\n"
         "N = N + 100\nENDSWITCH\nNEXT\nPRINT N",
         "121\n"},
    };
    for (bool translated : {false, true}) {
        engine.m_TranslateLines = translated;
        ExpectRuns(cases);
    }
}

TEST_F(EngineRun, GotoAndGosub) {
    ExpectRuns({
        {"GOTO L\nPRINT \"no\"\n:L\nPRINT \"yes\"", "yes\n"},
        {"NUMBER I\nFOR I = 1 TO 10\nIF I == 3 THEN GOTO OUT\nNEXT\n:OUT\nPRINT I", "3\n"},
        {"NUMBER I, J\nFOR I = 1 TO 3\nFOR J = 1 TO 3\nIF I * J == 4 THEN GOTO DONE\nNEXT\nNEXT\n:DONE\nPRINT I; J", "22\n"},
        {"NUMBER I\nFOR I = 1 TO 2\nGOTO SKIP\nPRINT \"no\"\n:SKIP\nPRINT I\nNEXT", "1\n2\n"},
        {"STRING S\nS = \"l1\"\nGOTO S\nPRINT \"no\"\n:L1\nPRINT \"at l1\"", "at l1\n"},
        {"STRING S\nS = \"nope\"\nGOTO S\n:L1", "", 3, "String variable does not reference a LABEL", TxError},
        {"STRING S\nS = \"__IF@_3\"\nGOTO S\nIF 1 THEN PRINT 1\n:L", "", 3, "String variable does not reference a LABEL",
         TxError},
        {"GOSUB SUB\nPRINT \"back\"\nEND\n:SUB\nPRINT \"in\"\nRETURN", "in\nback\n"},
        {"NUMBER N\nGOSUB R\nPRINT N\nEND\n:R\nN++\nIF N < 5 THEN GOSUB R\nRETURN", "5\n"},
        {"GOSUB L\n:L\nPRINT 1", "1\n", 3, "Unexpected EOF looking for RETURN", TxError},
        {"GOSUB L\nEND\n:L\nGOTO M\n:M\nRETURN", "", 4, "Unhandled token returned from Parser in GOSUB subroutine!",
         TxError},
        // Recursion without an end stops with an error instead of a crash.
        {":A\nGOSUB A", "", 1, "Blocks or GOSUB calls nested too deeply", TxError},
        {"PRINT 1\nEND\nPRINT 2", "1\n"},
    });
}

// The same numbers on every machine and every run, so a failing case can be
// run again.
class RepeatableRandom {
public:
    explicit RepeatableRandom(unsigned seed) : seed_(seed) {}
    unsigned operator()() {
        seed_ = seed_ * 1103515245u + 12345u;
        return (seed_ >> 16) & 0x7FFF;
    }

private:
    unsigned seed_;
};

TEST_F(EngineRun, NumericStatementsComputeAsTheEvaluatorDoes) {
    // "X = e" is computed without reading its text; "Y = (e)" goes through
    // the evaluator. Both must store the same double, however often they run.
    const std::vector<std::string> operands = {"A", "B", "C", "0.1", "3", "7.25", "0", "D(I)", "E(1, I - 1)", "E(I, 0)"};
    const std::vector<std::string> operators = {" + ", " - ", " * ", " / "};
    RepeatableRandom next(2024);
    for (int round = 0; round < 60; ++round) {
        std::string expression = operands[next() % operands.size()];
        const unsigned length = next() % 6;
        for (unsigned i = 0; i < length; ++i)
            expression += operators[next() % operators.size()] + operands[next() % operands.size()];
        const std::string script =
            "NUMBER A, B, C, X, Y, I\nNUMBER D(3) E(3, 3) F(3) G(3)\nA = 1 / 3\nB = 2.5\nC = -7\nFOR I = 1 TO 3\n"
            "D(I) = I / 7\nE(I, 0) = I * 1.5\nE(1, I - 1) = A * I\n"
            "F(I) = " + expression + "\nG(I) = (" + expression + ")\nX = " + expression + "\nY = (" + expression +
            ")\nA = A + X / 10\nNEXT\nPRINT X == Y; \" \"; F(1) - G(1) + F(2) - G(2) + F(3) - G(3)";
        const ScriptRun run = Run(script);
        EXPECT_EQ(run.output, "1 0\n") << expression;
        EXPECT_EQ(run.errorMessage, "") << expression;
    }
    // What the statement leaves behind reads as after the evaluator.
    EXPECT_EQ(Run("NUMBER X\nX = 2 * 3\nPRINT (X) ^ 2").output, "36\n");
    // A subscript out of range is the evaluator's to report.
    const ScriptRun outOfRange = Run("NUMBER I\nNUMBER A(2)\nFOR I = 1 TO 5\nA(I) = I * 2\nNEXT");
    EXPECT_EQ(outOfRange.errorMessage, "Subscript out of Range");
    EXPECT_EQ(outOfRange.errorLine, 4);
    EXPECT_EQ(engine.FindSymbol("A", kVariableList)->SymCells[2].Number, 4);
}

TEST_F(EngineRun, LoopBodiesOfNumericStatementsRunAsTheEvaluatorRunsThem) {
    // A FOR body of "V = e" lines runs without the run loop's dispatch; with
    // every right side in parentheses the same body goes through the
    // evaluator. Both must leave the same values, selected cells, output,
    // error and end line, also when a subscript leaves the range in the middle
    // of the body.
    const std::vector<std::string> targets = {"X", "Y", "D(I)", "E(J, I)"};
    const std::vector<std::string> operands = {"X", "Y", "I", "J", "0.1", "3", "D(I)", "E(J, I)", "D(J)", "E(I, 0)"};
    const std::vector<std::string> operators = {" + ", " - ", " * ", " / "};
    RepeatableRandom next(7);
    struct Outcome {
        ScriptRun run;
        int endLine = 0;
        std::vector<double> values;
        long double lastValue = 0;
    };
    const auto runScript = [this](const std::string& script) {
        Outcome outcome;
        outcome.run = Run(script);
        outcome.endLine = events.completions.empty() ? 0 : events.completions.back().lineNo;
        for (const char* name : {"X", "Y", "I", "J"})
            outcome.values.push_back(engine.FindSymbol(name, kVariableList)->SymValue);
        for (const char* name : {"D", "E"}) {
            const TERP_SYMBOL_TAG& array = *engine.FindSymbol(name, kVariableList);
            for (const ARRAY_ELEMENT_TAG& cell : array.SymCells) outcome.values.push_back(cell.Number);
            // The cell the array selected last.
            outcome.values.push_back(array.SymValue);
            outcome.values.push_back(array.SymExtra);
            outcome.values.insert(outcome.values.end(), array.SymSub.begin(), array.SymSub.end());
        }
        outcome.lastValue = engine.m_NumValue;
        return outcome;
    };
    for (int round = 0; round < 40; ++round) {
        std::vector<std::pair<std::string, std::string>> lines;
        const unsigned count = 1 + next() % 3;
        for (unsigned k = 0; k < count; ++k) {
            std::string expression = operands[next() % operands.size()];
            const unsigned length = next() % 4;
            for (unsigned i = 0; i < length; ++i)
                expression += operators[next() % operators.size()] + operands[next() % operands.size()];
            lines.emplace_back(targets[next() % targets.size()], expression);
        }
        // Every fifth body runs I past D's and E's highest index.
        const std::string limit = round % 5 == 0 ? "4" : "3";
        const auto script = [&](bool parenthesised) {
            std::string text = "NUMBER X, Y, I, J\nNUMBER D(3) E(3, 3)\nX = 0.5\nFOR J = 0 TO 3\nFOR I = 1 TO " +
                               limit + "\n";
            for (const auto& [target, expression] : lines)
                text += target + " = " + (parenthesised ? "(" + expression + ")" : expression) + "\n";
            return text + "NEXT\nNEXT\nPRINT X; \" \"; Y";
        };
        const Outcome translated = runScript(script(false));
        const Outcome evaluated = runScript(script(true));
        const std::string shown = script(false);
        EXPECT_EQ(translated.run.output, evaluated.run.output) << shown;
        EXPECT_EQ(translated.run.errorMessage, evaluated.run.errorMessage) << shown;
        EXPECT_EQ(translated.run.errorLine, evaluated.run.errorLine) << shown;
        EXPECT_EQ(translated.run.exitCode, evaluated.run.exitCode) << shown;
        EXPECT_EQ(translated.endLine, evaluated.endLine) << shown;
        EXPECT_EQ(translated.values, evaluated.values) << shown;
        EXPECT_EQ(translated.lastValue, evaluated.lastValue) << shown;
    }
}

TEST_F(EngineRun, StringJumpTargetsMustBeLabels) {
    // The name of an existing block record is no label.
    const std::string script = "STRING S\nS = \"__IF@_00\"\nGOTO S\nIF 1 THEN PRINT 1\n:L";
    Run(script);
    std::string blockName;
    for (const TERP_SYMBOL_TAG& record : engine.m_Labels)
        if (record.SymKind == tok::If) blockName = record.SymName;
    ASSERT_EQ(blockName.size(), std::string("__IF@_00").size());
    std::string jumping = script;
    jumping.replace(jumping.find("__IF@_00"), blockName.size(), blockName);
    const ScriptRun run = Run(jumping);
    EXPECT_EQ(run.errorMessage, "String variable does not reference a LABEL");
    EXPECT_EQ(run.errorLine, 3);
    EXPECT_EQ(run.output, "");
}

TEST_F(EngineRun, StepsAndBreakpoints) {
    const std::string script = "NUMBER I\nFOR I = 1 TO 2\nPRINT I\nNEXT\nSTOP\nPRINT \"x\"";
    Run(script);
    EXPECT_TRUE(events.steps.empty());
    EXPECT_EQ(events.breakPoints, 1);

    engine.m_ExecutionMode = TxStep;
    Run(script);
    // STOP's line fires the breakpoint, not a step; the end of the text no step.
    const std::vector<int> lines = {2, 3, 4, 3, 4, 6};
    EXPECT_EQ(events.steps, lines);
    EXPECT_EQ(events.breakPoints, 1);
    // A second run steps its first line again.
    Run(script);
    EXPECT_EQ(events.steps.front(), 2);

    engine.m_AutoSelectStepLine = true;
    Run("PRINT 1\n\nPRINT 2");
    EXPECT_EQ(view.SelectionStart(), 9);
    EXPECT_EQ(view.SelectionEnd(), 16);
}

// Lines of numbers only, which the run may compute without reading their
// text, step like every other line.
TEST_F(EngineRun, SteppedNumericLinesStepEveryLine) {
    engine.m_ExecutionMode = TxStep;
    Run("NUMBER X\nX = X + 1\nX = X * 2\nX = X + 1\nPRINT X");
    EXPECT_EQ(events.steps, (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(events.prints.back().line, "3");
    Run("NUMBER X, I\nNUMBER A(2)\nFOR I = 1 TO 2\nX = X + 1\nA(I) = X * 2\nNEXT\nPRINT A(2)");
    EXPECT_EQ(events.steps, (std::vector<int>{3, 4, 5, 6, 4, 5, 6, 7}));
    EXPECT_EQ(events.prints.back().line, "4");
    // A host that stops the run at a step stops it before that line runs.
    events.onStep = [this](int line) {
        if (line == 4 && events.steps.size() > 3) engine.Terminate();
    };
    const ScriptRun stopped = Run("NUMBER X, I\nFOR I = 1 TO 5\nX = X + 1\nX = X * 2\nNEXT\nPRINT X");
    EXPECT_EQ(stopped.exitCode, TxKilled);
    EXPECT_EQ(engine.FindSymbol("X", kVariableList)->SymValue, 3);
    events.onStep = nullptr;
    // Breakpoints stop on numeric lines too: STOP in a numeric body.
    engine.m_ExecutionMode = TxRun;
    Run("NUMBER X, I\nFOR I = 1 TO 3\nX = X + 1\nSTOP\nNEXT");
    EXPECT_EQ(events.breakPoints, 3);
}

// A FOR whose variable starts at its limit runs its body once, in either
// direction and on every kind of body.
TEST_F(EngineRun, ForWhoseVariableStartsAtItsLimitRunsOnce) {
    ExpectRuns({
        {"NUMBER I, N\nN = 1\nFOR I = 1 TO N\nPRINT \"once\"; I\nNEXT\nPRINT I", "once1\n1\n"},
        {"NUMBER I, X, N\nN = 1\nFOR I = 1 TO N\nX = X + I * 2\nNEXT\nPRINT X; I", "21\n"},
        {"NUMBER I\nFOR I = 5 TO 5 STEP -1\nPRINT I\nNEXT\nFOR I = 0 TO 0 STEP 3\nPRINT I\nNEXT", "5\n0\n"},
        {"NUMBER I, J, X\nFOR I = 2 TO 2\nFOR J = 1 TO 1\nX = X + 1\nNEXT\nNEXT\nPRINT X; I; J", "121\n"},
    });
}

// END in a subroutine ends the run cleanly, however deep the GOSUBs are.
TEST_F(EngineRun, EndInsideASubroutineEndsTheRun) {
    ExpectRuns({
        {"GOSUB S\nPRINT \"after\"\n:S\nPRINT \"in\"\nEND", "in\n"},
        {"GOSUB S\nPRINT \"after\"\nEND\n:S\nPRINT \"in\"\nEND\nRETURN", "in\n"},
        {"GOSUB A\nPRINT \"after\"\nEND\n:A\nGOSUB B\nRETURN\n:B\nPRINT \"deep\"\nEND\nRETURN", "deep\n"},
        {"NUMBER I\nGOSUB S\nPRINT \"after\"\nEND\n:S\nFOR I = 1 TO 3\nIF I == 2 THEN END\nPRINT I\nNEXT\nRETURN",
         "1\n"},
        {"GOSUB S\nEND\n:S\nPRINT \"in\"", "in\n", 4, "Unexpected EOF looking for RETURN", TxError},
    });
}

TEST_F(EngineRun, AJumpBackToTheSameLineStillSteps) {
    engine.m_ExecutionMode = TxStep;
    // The round of an empty body stays on NEXT's line; each round steps there.
    Run("NUMBER I\nFOR I = 1 TO 3\nNEXT\nPRINT I");
    EXPECT_EQ(events.steps, (std::vector<int>{2, 3, 3, 3, 4}));
    // So a host can stop an endless loop on one line from its step handler.
    events.onStep = [this](int) {
        if (events.steps.size() == 5) engine.Terminate();
    };
    for (const char* endless : {"NUMBER I\nWHILE 1\nWEND", ":L\nGOTO L", "NUMBER I\n:A\nIF 1 THEN GOTO A"}) {
        const ScriptRun run = Run(endless);
        EXPECT_EQ(run.exitCode, TxKilled) << endless;
        EXPECT_EQ(events.steps.size(), 5u) << endless;
    }
}

TEST_F(EngineRun, EventsOfOneRun) {
    engine.m_ExecutionMode = TxStep;
    events.onUserFunction = nullptr;
    const ScriptRun run = Run("PRINT 1\nX");
    EXPECT_EQ(events.initializations, 1);
    EXPECT_EQ(run.errorMessage, "Undefined Symbol: X");
    EXPECT_EQ(run.exitCode, TxError);
    EXPECT_TRUE(events.prints.empty());  // the pre-pass stopped the run
    ASSERT_EQ(events.completions.size(), 1u);
    EXPECT_EQ(events.completions[0].lineNo, 2);
    EXPECT_EQ(view.SelectionStart(), view.SelectionEnd());

    Run("PRINT 1\nPRINT 2");
    ASSERT_EQ(events.completions.size(), 1u);
    EXPECT_EQ(events.completions[0].exitCode, TxNormal);
    EXPECT_EQ(events.completions[0].lineNo, 2);
}

TEST_F(EngineRun, HostVariablesAndDump) {
    engine.m_HostVariables.emplace();
    engine.m_HostVariables->push_back("COUNT |1 |3 |V");
    EXPECT_EQ(Run("COUNT = COUNT * 2\nDUMP\nPRINT COUNT").output, "6\n");
    const std::vector<std::string> dump = {"Number | COUNT=6", " "};
    EXPECT_EQ(events.dumps, dump);
    // What a run leaves stays readable until the next run.
    EXPECT_EQ(engine.FindSymbol("COUNT", kVariableList)->SymValue, 6);
    engine.m_HostVariables->push_back("BAD |1 |abc |V");
    const ScriptRun run = Run("PRINT COUNT");
    EXPECT_EQ(run.errorMessage, "Failed to Initialize User Variables!");
    EXPECT_EQ(run.output, "3\n");
    EXPECT_EQ(run.exitCode, TxNormal);
}

TEST_F(EngineRun, EmptyEditorAndNestedExecute) {
    view.SetLines({});
    EXPECT_TRUE(engine.Execute());
    EXPECT_TRUE(events.completions.empty());
    EXPECT_EQ(events.initializations, 0);

    bool nested = true;
    events.onUserFunction = nullptr;
    AddFunction("F", 1, 0, 0, TxNone);
    events.onUserFunction = [&](int, int) {
        EXPECT_EQ(engine.State(), TxStsBusy);
        nested = engine.Execute();
    };
    const ScriptRun run = Run("F()\nPRINT \"goes on\"");
    EXPECT_FALSE(nested);
    EXPECT_EQ(run.output, "goes on\n");
    EXPECT_EQ(engine.State(), TxStsIdle);
}

TEST_F(EngineRun, StopsFromInsideEvents) {
    AddFunction("F", 1, 0, 0, TxNone);
    events.onUserFunction = [this](int, int) { engine.Terminate(); };
    EXPECT_EQ(Run("F()\nPRINT 1").exitCode, TxKilled);

    events.onUserFunction = [this](int, int) { engine.Reset(); };
    const ScriptRun reset = Run("NUMBER X\nX = 5\nF()\nPRINT X");
    EXPECT_EQ(reset.exitCode, TxReset);
    EXPECT_EQ(reset.output, "");
    // The run's state is freed once it has unwound.
    EXPECT_EQ(engine.FindSymbol("X", kVariableList), nullptr);
    EXPECT_FALSE(engine.m_ScriptLines.has_value());

}

TEST_F(EngineRun, ExceptionFromTheHostEndsTheRunAsAnError) {
    AddFunction("F", 1, 0, 0, TxNone);
    events.onUserFunction = [](int, int) { throw std::runtime_error("host failed"); };
    const ScriptRun run = Run("F()\nPRINT 1");
    EXPECT_EQ(run.errorMessage, "host failed");
    EXPECT_EQ(run.exitCode, TxError);
    EXPECT_EQ(engine.m_ParamList, nullptr);
    EXPECT_EQ(engine.State(), TxStsIdle);
}

TEST_F(EngineRun, UnwritableScriptFileLeavesTheEngineIdle) {
    engine.m_SaveBeforeRun = true;
    engine.m_FileName = tempDir + "/missing-folder/script.tl";
    view.SetLines({"PRINT 1"});
    EXPECT_THROW(engine.Execute(), std::runtime_error);
    EXPECT_EQ(engine.State(), TxStsIdle);
    EXPECT_TRUE(engine.m_StopRequested);
    // The host still hears that the run ended, and how.
    ASSERT_EQ(events.completions.size(), 1u);
    EXPECT_EQ(events.completions[0].exitCode, TxError);
    engine.m_SaveBeforeRun = false;
    EXPECT_EQ(Run("PRINT 1").output, "1\n");
}

// What a run holds (texts, arrays, symbols) is counted; past the limit the
// run stops with "Out of memory" on the line that would pass it, and what a
// run gave back or held before is free again.
TEST_F(EngineRun, ARunPastItsMemoryLimitStopsWithOutOfMemory) {
    engine.m_Memory.SetLimit(std::int64_t{1} << 20);
    const std::string text64k = "STRING T\nNUMBER I\nT = \"x\"\nFOR I = 1 TO 16\nT = T + T\nNEXT\n";
    ExpectRuns({
        {"STRING S\nNUMBER I\nS = \"abcdefgh\"\nFOR I = 1 TO 40\nS = S + S\nNEXT\nPRINT \"never\"", "", 5,
         "Out of memory", TxError},
        {"NUMBER A(1000000000)\nPRINT \"never\"", "", 1, "Out of memory", TxError},
        {"NUMBER A(40000)\nNUMBER B(40000)\nPRINT \"never\"", "", 2, "Out of memory", TxError},
        {"NUMBER A(40000)\nPRINT \"fits\"", "fits\n"},
        {text64k + "STRING A(20)\nFOR I = 0 TO 20\nA(I) = T\nNEXT\nPRINT \"never\"", "", 9, "Out of memory", TxError},
        // A text replaced, and the cells ERASE empties, give their room back.
        {text64k + "STRING S, A(20)\nFOR I = 0 TO 40\nS = T + \"\"\nA(I MOD 4) = S\nNEXT\nPRINT LEN(S)", "65536\n"},
        {text64k + "STRING S, A(20)\nFOR I = 0 TO 20\nA(I) = T\nS = ERASE(A)\nNEXT\nPRINT \"erased\"", "erased\n"},
    });
    // A script whose text and the tables kept by its positions would pass
    // the limit is refused before its first line runs.
    std::string longScript = "NUMBER X\nPRINT \"never\"\n";
    for (int i = 0; i < 20000; ++i) longScript += "X = X + 1\n";
    ExpectRuns({{longScript + "PRINT X", "", 1, "Out of memory", TxError}});
    EXPECT_EQ(engine.m_Memory.Limit(), std::int64_t{1} << 20);
}

// `T + MID(T + MID(... (T + T) ..., 1, 1), 1, 1)`, `depth` joins deep: each
// join's left text is held while the joins on its right are made.
std::string NestedJoins(const std::string& text, int depth) {
    std::string expression = text + " + " + text;
    for (int i = 1; i < depth; ++i) expression = text + " + MID(" + expression + ", 1, 1)";
    return expression;
}

// The texts an expression holds while it is evaluated count as held: a join
// must fit beside the left texts of the joins it is nested in, whether its
// value is printed or assigned, and a join nobody assigns is checked as one
// that is.
TEST_F(EngineRun, TextsAnExpressionHoldsCountAgainstTheMemoryLimit) {
    engine.m_Memory.SetLimit(std::int64_t{1} << 20);
    const std::string text64k = "STRING T\nNUMBER I, X\nT = \"x\"\nFOR I = 1 TO 16\nT = T + T\nNEXT\n";
    const std::string text512k = "STRING T\nNUMBER I, X\nT = \"x\"\nFOR I = 1 TO 19\nT = T + T\nNEXT\n";
    ExpectRuns({
        {text64k + "PRINT LEN(" + NestedJoins("T", 8) + ")", "65537\n"},
        {text64k + "X = LEN(" + NestedJoins("T", 8) + ")\nPRINT X", "65537\n"},
        {text64k + "PRINT LEN(" + NestedJoins("T", 16) + ")", "", 7, "Out of memory", TxError},
        {text64k + "X = LEN(" + NestedJoins("T", 16) + ")\nPRINT X", "", 7, "Out of memory", TxError},
        {text64k + "FOR I = 1 TO 3\nX = LEN(" + NestedJoins("T", 16) + ")\nNEXT", "", 8, "Out of memory", TxError},
        {text512k + "PRINT LEN(T + T)", "", 7, "Out of memory", TxError},
        {text512k + "IF LEN(T + T) THEN PRINT 1", "", 7, "Out of memory", TxError},
        {text512k + "FOR I = 1 TO 3\nX = LEN(T + T)\nNEXT", "", 8, "Out of memory", TxError},
    });
}

#ifdef TLANGRUN_PATH
// The console host: printed lines to stdout, the error to stderr, the run's
// exit code as its own.
TEST_F(EngineRun, TlangrunRunsAScriptFile) {
    const std::string script = tempDir + "/script.tl";
    const std::string out = tempDir + "/out.txt";
    const std::string err = tempDir + "/err.txt";
    auto read = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    auto runTool = [&](const std::string& text, const std::string& options) {
        std::ofstream(script, std::ios::binary) << text;
        const std::string command =
            std::string(TLANGRUN_PATH) + " " + options + " " + script + " >" + out + " 2>" + err;
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(runTool("NUMBER I\r\nFOR I = 1 TO 2\r\nPRINT \"line\"; I\r\nNEXT\r\nPRINT \"x\";\n", ""), TxNormal);
    EXPECT_EQ(read(out), "line1\nline2\nx");
    EXPECT_EQ(read(err), "");

    EXPECT_EQ(runTool("PRINT 1\nPRINT 1 +\n", ""), TxError);
    EXPECT_EQ(read(out), "1\n");
    EXPECT_EQ(read(err), "2: Expected Value\n");

    EXPECT_EQ(runTool("NUMBER X\nX = NOOP(1) + NOOP()\nPRINT X\n", "--noop-function"), TxNormal);
    EXPECT_EQ(read(out), "0\n");
    EXPECT_EQ(runTool("PRINT NOOP()\n", ""), TxError);
    EXPECT_EQ(read(err), "1: Undefined Symbol: NOOP\n");

    const std::string doubling = "STRING S\nNUMBER I\nS = \"ab\"\nFOR I = 1 TO 40\nS = S + S\nNEXT\n";
    EXPECT_EQ(runTool(doubling, "--memory-limit 1"), TxError);
    EXPECT_EQ(read(err), "5: Out of memory\n");
    // A script whose texts it holds while a line runs pass the limit: 12
    // joins, each with a text of 10 MiB held beside the ones nested in it.
    const std::string tenMegabytes = "STRING S\nNUMBER I, X\nS = \"0123456789\"\nFOR I = 1 TO 20\nS = S + S\nNEXT\n";
    EXPECT_EQ(runTool(tenMegabytes + "PRINT LEN(" + NestedJoins("S", 12) + ")\n", "--memory-limit 64"), TxError);
    EXPECT_EQ(read(err), "7: Out of memory\n");
    EXPECT_EQ(runTool(tenMegabytes + "X = LEN(" + NestedJoins("S", 12) + ")\n", "--memory-limit 64"), TxError);
    EXPECT_EQ(read(err), "7: Out of memory\n");
    EXPECT_EQ(runTool(tenMegabytes + "PRINT LEN(" + NestedJoins("S", 4) + ")\n", "--memory-limit 64"), TxNormal);
    EXPECT_EQ(read(out), "10485761\n");
    // Step mode: the same output, and the count of the lines stepped (the
    // loop's two rounds of lines 3 and 4 between the FOR and the last PRINT).
    const std::string loop = "NUMBER I\r\nFOR I = 1 TO 2\r\nPRINT \"line\"; I\r\nNEXT\r\nPRINT \"x\";\n";
    for (const char* options : {"--step", "--step --reference"}) {
        EXPECT_EQ(runTool(loop, options), TxNormal) << options;
        EXPECT_EQ(read(out), "line1\nline2\nx") << options;
        EXPECT_EQ(read(err), "steps: 6\n") << options;
    }
    EXPECT_EQ(runTool("PRINT 1\nPRINT 1 +\n", "--reference --step"), TxError);
    EXPECT_EQ(read(out), "1\n");
    EXPECT_EQ(read(err), "2: Expected Value\nsteps: 2\n");
    EXPECT_EQ(runTool(loop, "--reference"), TxNormal);
    EXPECT_EQ(read(out), "line1\nline2\nx");
    EXPECT_EQ(read(err), "");
    EXPECT_EQ(runTool("PRINT 1\n", "--memory-limit 0"), 64);
    EXPECT_EQ(runTool("PRINT 1\n", "--memory-limit"), 64);

    // Scripts at sizes that once ended the program or stalled it: parentheses
    // 9,000 deep, a sum of 200,000 terms, 100,000 declarations.
    const std::string deep = std::string(9000, '(') + "1" + std::string(9000, ')');
    EXPECT_EQ(runTool("NUMBER X\nX = " + deep + "\nPRINT X\n", ""), TxError);
    EXPECT_EQ(read(err), "2: Expression nested too deeply\n");
    EXPECT_EQ(runTool("IF " + deep + " THEN PRINT 1\n", ""), TxError);
    EXPECT_EQ(read(err), "1: Expression nested too deeply\n");
    std::string sum = "1";
    for (int i = 1; i < 200000; ++i) sum += "+1";
    EXPECT_EQ(runTool("NUMBER X\nX = " + sum + "\nPRINT X\n", ""), TxNormal);
    EXPECT_EQ(read(out), "200000\n");
    std::string declarations;
    for (int i = 0; i < 100000; ++i) declarations += "NUMBER V" + std::to_string(i) + "\n";
    EXPECT_EQ(runTool(declarations + "V7 = 2\nPRINT V7\nPRINT 1 +\n", ""), TxError);
    EXPECT_EQ(read(out), "2\n");
    EXPECT_EQ(read(err), "100003: Expected Value\n");
}
#endif

}  // namespace
}  // namespace pevox::test
