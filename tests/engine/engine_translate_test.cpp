// Statements run from their translated form beside the same statements read
// from the text by the evaluator (the engine with m_TranslateLines off, its
// reference). Table-driven and random scripts must print the same, report the
// same error at the same line, leave the same variables and selected cells,
// step the same lines, pass the same texts to a host function and end on the
// same line.
#include "ScriptFixture.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace pevox::test {
namespace {

// The same numbers on every machine and every run, so a failing case can be
// run again.
class RepeatableRandom {
public:
    explicit RepeatableRandom(unsigned seed) : seed_(seed) {}
    unsigned operator()(unsigned below) {
        seed_ = seed_ * 1103515245u + 12345u;
        return ((seed_ >> 16) & 0x7FFF) % below;
    }
    bool Chance(unsigned percent) { return (*this)(100) < percent; }
    template <typename T>
    const T& Pick(const std::vector<T>& items) {
        return items[(*this)(static_cast<unsigned>(items.size()))];
    }

private:
    unsigned seed_;
};

std::string Exact(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%a", value);
    return text;
}

// What a host sees of a run, and what the run left in its variables.
struct Observed {
    std::string output;
    std::string error;
    std::string steps;
    std::string completion;
    std::string hostArguments;
    std::string variables;
    std::string registers;

    bool operator==(const Observed&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Observed& o) {
    return out << "output:\n" << o.output << "\nerror: " << o.error << "\nsteps: " << o.steps
               << "\ncompletion: " << o.completion << "\nhost arguments: " << o.hostArguments
               << "\nvariables:\n" << o.variables << "registers: " << o.registers;
}

class EngineTranslate : public ScriptFixture {
protected:
    void SetUp() override {
        ScriptFixture::SetUp();
        // NOTE(a, b, c) keeps the texts it was passed and gives their count.
        AddFunction("NOTE", 1, 3, 0, TxNumber);
        // UPPER() writes S in capitals through the host interface: a text of
        // its length that the run did not make.
        AddFunction("UPPER", 2, 0, 0, TxNumber);
        events.onUserFunction = [this](int ordinal, int count) {
            if (ordinal == 2) {
                std::string text;
                engine.GetSVariable("S", text);
                for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                engine.SetSVariable("S", text);
                return;
            }
            hostArguments_ += "(";
            for (int i = 1; i <= count; ++i) hostArguments_ += engine.GetSParam(i) + "|";
            hostArguments_ += ")";
            engine.m_UserNReturn = count;
        };
    }

    Observed Observe(const std::string& script, bool translated, int mode) {
        engine.m_TranslateLines = translated;
        engine.m_ExecutionMode = static_cast<std::uint8_t>(mode);
        hostArguments_.clear();
        const ScriptRun run = Run(script);
        Observed o;
        o.output = run.output;
        if (run.errorLine) o.error = std::to_string(run.errorLine) + ": " + run.errorMessage;
        for (int line : events.steps) o.steps += std::to_string(line) + " ";
        if (!events.completions.empty())
            o.completion = std::to_string(events.completions.back().lineNo) + " exit " +
                           std::to_string(events.completions.back().exitCode);
        o.hostArguments = hostArguments_;
        o.variables = Variables();
        o.registers = Registers();
        return o;
    }

    // The evaluator's registers as the run left them.
    std::string Registers() const {
        std::ostringstream out;
        char number[64];
        std::snprintf(number, sizeof number, "%La", engine.m_NumValue);
        out << number << " [" << engine.m_TokenText << "] "
            << (engine.m_CurrentSymbol ? engine.m_CurrentSymbol->SymName : std::string("-")) << " "
            << engine.m_SavedToken << " " << engine.m_ValueType << " " << engine.m_EvalWork << " "
            << engine.m_EvalFlags.Assignable << engine.m_EvalFlags.AfterSeparator;
        return out.str();
    }

    std::string Variables() const {
        std::ostringstream out;
        for (const TERP_SYMBOL_TAG& symbol : engine.m_Variables) {
            out << symbol.SymName << " " << symbol.SymKind << " " << Exact(symbol.SymValue) << " [" << symbol.SymText
                << "] " << symbol.SymExtra << " (";
            for (std::int32_t sub : symbol.SymSub) out << sub << " ";
            out << ")";
            for (const ARRAY_ELEMENT_TAG& cell : symbol.SymCells) out << " " << Exact(cell.Number) << "[" << cell.Text.str() << "]";
            out << "\n";
        }
        return out.str();
    }

    // Runs the script both ways, in run mode and in step mode, and expects
    // the same of both.
    void ExpectSameBothWays(const std::string& script) {
        for (int mode : {TxRun, TxStep}) {
            const Observed reference = Observe(script, false, mode);
            const Observed translated = Observe(script, true, mode);
            EXPECT_EQ(translated, reference) << "script:\n" << script << "\nmode " << mode;
            if (translated != reference) return;
        }
    }

    // Runs the script on every path (the kept forms and the reference, in
    // run mode and in step mode) and expects the same output and error of
    // each: a fault that every path shared would pass ExpectSameBothWays.
    void ExpectOnEveryPath(const std::string& script, const std::string& output, const std::string& error = {}) {
        for (int mode : {TxRun, TxStep})
            for (bool translated : {true, false}) {
                const Observed o = Observe(script, translated, mode);
                EXPECT_EQ(o.output, output) << "script:\n" << script << "\nmode " << mode << " translated " << translated;
                EXPECT_EQ(o.error, error) << "script:\n" << script << "\nmode " << mode << " translated " << translated;
            }
    }

private:
    std::string hostArguments_;
};

const char* const kDeclarations =
    "NUMBER A, B, C, N, I, J, K\n"
    "STRING S, T, U\n"
    "NUMBER D(5) E(3, 3)\n"
    "STRING W(3)\n"
    "A = 1 / 3\nB = 2.5\nC = -7\nN = 4\nS = \"Hello\"\nT = \"lo\"\nU = \"  x y  \"\n"
    "D(1) = 0.1\nD(2) = 12\nE(1, 2) = 3\nW(1) = \"ab\"\nW(2) = \"B\"\n";

// Statements the translation covers, statements beside them that it leaves to
// the evaluator, and statements that fail in the middle.
const std::vector<std::string> kStatements = {
    "A = A + B * C - D(1) / 3",
    "A = B \\ 2 + C MOD 3 - 2 ^ 3 ^ 2",
    "A = -B * 2 + -C",
    "A = NOT B + NOT 0 * 5",
    "A = 3 * NOT 0",
    "A = (A + B) * 2",
    "A = 2 * (A + B)",
    "A = 6 == 2 * (1) * 3",
    "A = 7 - LEN(\"ab\") MOD 3",
    "A = 2 * LEN(S) ^ 2",
    "A = 2 ^ NOT 0 * 3",
    "A = -(B) ^ 2",
    "A = B < C + 1",
    "A = S == \"Hello\"",
    "A = S < T",
    "A = (B > 1 AND C < 0) + (B > 1 OR 0)",
    "A = B > 1 AND C < 0",
    "A = LEN(S) + INSTR(S, T) + INSTR(2, S, \"L\") + INSTR(S, \"L\", 1) + ASC(S) + VAL(\"2.5\")",
    "A = SQR(N) + INT(-2.5) + ABS(C) + SGN(C) + SIN(30) + LOG(N)",
    "A = SQR(C)",
    "A = SQR(0)",
    "A = LOG(0)",
    "A = 10 ^ 400",
    "A = 2 ^ 1023 * 2",
    "A = D(6)",
    "A = D(B)",
    "A = E(1, 2) + E(N - 1, 3 - 1)",
    "A = D(-1 + 1)",
    "A = 1E308",
    "A = 9223372036854775808 \\ 2",
    "A = 5 / 0 + 5 \\ 0 + 5 MOD 0",
    "D(N) = D(N - 3) + 1",
    "D(7) = 1",
    "E(2, N - 3) = A * 3",
    "S = S + T + 1.5 + A",
    "S = MID(S, 2, 3) + LEFT(S, 2) + RIGHT(S, 2) + MID(S, 3)",
    "S = UCASE(S) + LCASE(S) + TRIM(U) + LTRIM(U) + RTRIM(U)",
    "S = STR(A) + CHR(65) + HEX(255) + CHR(321)",
    "S = W(1) + W(N - 2)",
    "W(3) = S + W(1)",
    "S = MID(S, 0)",
    "S = S - 1",
    "A = S",
    "S = A",
    "A = B + \"x\"",
    "A = B = C",
    "A = (B = 2)",
    "N = N + 1",
    "A = NOTE(B, S, B * 2) + NOTE()",
    "A = LEN(S) * 2 + MID(S, 1, 1)",
    "A = D(1) + D(2) * D(3)",
    "A = A++ + 1",
    "S = MID(S, NOT 0 - 1, 2)",
    "A = (B > 1 AND NOT (B) - 3)",
    "A = B == NOT (C) + 1",
    // MOD and "\\" on negative, fractional, long and huge operands.
    "A = -7.5 MOD 2 + 7 MOD -2.5 + -9 \\ 2 + 9.99 \\ -3 + -9 MOD -4",
    "A = A MOD 0.2 + C \\ A + B MOD A",
    "A = 7 MOD 2.0000000000000000001 + 7 \\ 0.99999999999999999999",
    "A = 9007199254740993 MOD 2 + 5 MOD 9007199254740993 + 1E17 \\ 3 + 1E17 MOD 7",
    "A = 9.2E18 MOD 7 + -9.2E18 \\ 3",
    "A = 1E19 MOD 3",
    "A = 3 \\ -1E19",
    "A = 9223372036854775807 MOD 10",
    "A = -7 MOD 4 + 7 MOD -4 + -7 \\ 4 + 7 \\ -4 + -7.5 \\ -2 + C \\ 1 + C MOD 1 + -1 \\ 2",
    "A = 5E9 MOD 1024 + -5E9 \\ 1024 + 2147483647 \\ 1073741824 + -2147483647 MOD 1073741824",
    "A = 2147483648 MOD 2 + C MOD 0.5 + C \\ 2147483648 + B \\ 0.25",
    // Built-ins within built-ins, and values at the ends of their ranges.
    "A = SQR(ABS(INT(C * 2.5)) + SGN(C)) + INT(-2 ^ 60) + SGN(0) + ABS(-0)",
    "A = INT(1E19)",
    "A = INT(9007199254740993.5) - INT(-9007199254740993.5)",
    "A = ABS(-1E308 * 10)",
    "A = SQR(1E400)",
    "A = EXP(N) + LOG(SQR(N)) + COS(INT(B) * 30)",
    // Calls beside product operators: a call first in a product, or last.
    "A = SQR(N) * 3 + SIN(B) * COS(C) - ATN(B / 2) * 2",
    "A = B * SQR(N) - C / ABS(C) + SQR(N) ^ 2 * 2 - 2 * SQR(N) ^ 2",
    "A = SIN(A) * SIN(A) + COS(A) * COS(A) + LOG(N) * EXP(B) MOD 3",
    "A = INT(B) \\ 2 + 7 MOD ABS(C) + 2 ^ INT(B) * 3 - LEN(S) * LEN(T) * 2",
    "A = SQR(C) * 2 + 1",
    "A = 2 * SQR(C) + 1",
    "A = SGN(C) * LOG(0)",
    "A = 1 + SQR(N) * SQR(9) * 2 + 1 - 3 * SQR(N) * 2",
    // Texts whose registers end inside a built-in's arguments or a subscript.
    "S = MID(S, N - 2, K + 1)",
    "S = MID(S, 1, LEN(T)) + LEFT(S, INSTR(S, \"l\"))",
    "S = STR(SQR(N)) + T",
    "S = S + A * 2",
    "S = UCASE(S)",
    "S = T",
    "W(N - 2) = T",
    "W(K) = W(1) + T",
    "W(E(1, 2) - 1) = MID(W(K), 1, 1)",
    "A = LEN(S + T) + 1",
    "A = LEN(W(K))",
    "A = LEN(S) + ASC(T)",
    "A = INSTR(S, T) * 2",
    "A = S < T + \"x\"",
    "D(N - 3) = LEN(W(1))",
    "E(K, N - 3) = D(K) + LEN(S)",
    // Texts that grow by a tail: a text, the text itself, a number, a cell.
    "S = S + S",
    "S = S + A * 2",
    "S = S + W(K) + T",
    "S = S + D(K + 4)",
    "U = U + MID(S, 2)",
    "W(K) = W(K) + T",
    "S = S + LEN(S) + 1",
    // Case-blind searches over letters of the code page in either case.
    "A = INSTR(\"x\xE9T\xC9\", \"\xC9t\xE9\") + INSTR(2, \"\x9A\x8A\xFF\", \"\x8A\x9F\") + INSTR(S, \"LL\")",
    "A = INSTR(S + \"\xDF\xB5\", \"\xDF\xB5\") + INSTR(S, \"L\", 0) + INSTR(K, S, \"l\") + INSTR(\"\xD7\", \"\xF7\")",
};

TEST_F(EngineTranslate, TableOfStatementsRunsAsTheEvaluatorRunsThem) {
    for (const std::string& body : kStatements) {
        const std::string script = std::string(kDeclarations) + "FOR K = 1 TO 2\n" + body +
                                   "\nNOTE(A, S, D(2))\nPRINT A; \" \"; S; \" \"; D(N - 2)\nNEXT\nPRINT A, S";
        ExpectSameBothWays(script);
    }
}

const std::vector<std::string> kConditions = {
    "A", "B > 1", "B > 1 AND C < 0", "NOT (B > 1) OR C", "S == \"Hello\"", "S", "S > T AND LEN(S) == 5",
    "D(N) == 0", "D(9) == 0", "(A + B) * 2 > 3", "-(B) ^ 2 > 0", "B - 2.5", "2 - 5 AND 1", "-2 OR 0",
    "NOT (2 - 5)", "A AND 1", "E(1, 2) == 3 AND W(1) == \"ab\"", "SQR(C) > 1", "INSTR(S, T)",
    "1 AND 2 * (1) * 0", "B == 2.5 OR", "B = 3",
    "D(K) * 2 > E(K, 1) OR W(K) < S",
    "D(N + K) > 0",
    "W(K) == W(1) AND LEN(W(K)) + D(K) >= 0",
    "N MOD 2 == 0 AND N \\ 3 <> 1",
};

TEST_F(EngineTranslate, TableOfConditionsRunsAsTheEvaluatorRunsThem) {
    for (const std::string& condition : kConditions) {
        ExpectSameBothWays(std::string(kDeclarations) + "FOR J = 1 TO 2\n" + "IF " + condition +
                           " THEN PRINT \"yes\" ELSE PRINT \"no\"\n" + "IF " + condition +
                           " THEN\nPRINT 1\nELSE\nPRINT 2\nENDIF\nPRINT B\nNEXT");
        ExpectSameBothWays(std::string(kDeclarations) + "WHILE (" + condition + ") AND K < 3\nK = K + 1\nB = B - 1\n" +
                           "WEND\nWHILE " + condition + " AND K < 6\nK = K + 1\nWEND\nPRINT B, K");
    }
}

// FGETC, FEOF and FTELL on a file opened in binary mode (index 1) and in text
// mode (index 3). A byte FGETC reads decides whether a later node fails (SQR
// of it less 66, LOG of it less 65), so a translated run that read a byte and
// then failed would leave the evaluator another byte, and another outcome.
TEST_F(EngineTranslate, FileBuiltinsRunAsTheEvaluatorRunsThem) {
    std::ofstream(tempDir + "/data", std::ios::binary) << "AC\r\nBA\rC";
    const std::string path = "\"" + tempDir + "/data\"";
    const std::string opened = std::string(kDeclarations) + "NUMBER R\nR = FOPEN(1, " + path + ", \"binary\")\n" +
                               "R = FOPEN(3, " + path + ", \"text\")\n";
    const std::vector<std::string> statements = {
        "A = FGETC(1)",
        "D(N) = FGETC(3)",
        "E(K, N - 3) = FGETC(1)",
        "D(9) = FGETC(1)",
        "A = FGETC(K + 0.5) + FEOF(1) * 2 + FTELL(3) + FEOF(3)",
        "A = FGETC(1) >= 66 AND B > 0 OR NOT FGETC(3)",
        "A = D(K) < FGETC(1)",
        "A = NOT FGETC(3)",
        "A = FGETC(2)",
        "A = FTELL(2) + FEOF(0)",
        "A = FGETC(-1)",
        "A = FGETC(5E9)",
        "A = FGETC(S)",
        "A = FGETC(1, 2)",
        "A = FGETC(D(9) + 1)",
        "A = SQR(FGETC(1) - 66)",
        "A = FGETC(1) + SQR(-1)",
        "A = LOG(FGETC(1) - 65) + FGETC(3)",
        "A = FGETC(1) == FGETC(3)",
        "A = FGETC(1) < D(K + 3)",
        "S = S + FGETC(1)",
        "S = CHR(FGETC(3))",
    };
    for (const std::string& statement : statements)
        ExpectSameBothWays(opened + "FOR K = 1 TO 3\n" + statement + "\nPRINT A; \" \"; S; D(N); FTELL(1); FTELL(3)\nNEXT");
    const std::vector<std::string> conditions = {
        "FGETC(1) >= 0", "FGETC(3) == 65 OR FEOF(3) == 0", "FEOF(1) == 0 AND FGETC(1) < 90", "NOT FGETC(1)",
        "SQR(FGETC(1) - 66) >= 0", "FGETC(3) > D(K)", "FGETC(N)",
    };
    for (const std::string& condition : conditions) {
        ExpectSameBothWays(opened + "WHILE " + condition + "\nK = K + 1\nWEND\nPRINT K; FEOF(1); FTELL(1); FTELL(3)");
        ExpectSameBothWays(opened + "FOR J = 1 TO 4\nIF " + condition + " THEN K = K + 1\nNEXT\nPRINT K; FTELL(1)");
        ExpectSameBothWays(opened + "K = 2\nIF " + condition + " THEN END");
        ExpectSameBothWays(opened + "K = 2\nGOSUB LAST\nGOSUB LAST\nEND\n:LAST\nIF " + condition + " THEN END\nRETURN");
    }
    ExpectSameBothWays(opened + "C = FGETC(1)\nWHILE C >= 0\nN = N + 1\nC = FGETC(1)\nWEND\nA = FGETC(1)\n" +
                       "PRINT N; A; FEOF(1); FTELL(1)\nC = FGETC(1)");
    ExpectSameBothWays(opened + "FOR K = 1 TO 4\nSWITCH 66\nCASE FGETC(1)\nA = A + 1\nCASE FGETC(3), SQR(FGETC(1) - 66)\n" +
                       "A = A + 2\nENDSWITCH\nNEXT\nPRINT A; FTELL(1); FTELL(3)");
}

// Texts grown in a loop up to the memory limit: the statement that would
// pass it stops the run on its line, and the texts stay as they were.
TEST_F(EngineTranslate, TextsGrownUpToTheMemoryLimitRunAsTheEvaluatorRunsThem) {
    engine.m_Memory.SetLimit(std::int64_t{1} << 20);
    const std::string grown = std::string(kDeclarations) + "T = \"" + std::string(1000, 'x') + "\"\n";
    for (const char* growth : {"S = S + T\nS = S + A", "S = S + S + T", "S = S + T\nS = S + S"})
        ExpectSameBothWays(grown + "WHILE K < 10000\nK = K + 1\n" + growth + "\nWEND\nPRINT LEN(S)");
}

// A text a loop appends to or puts a short text in front of grows in place,
// and the text register, which holds the same text after the assignment,
// follows it without a copy: the register reads as the evaluator leaves it
// whatever changes the text or the register next (another text read or
// assigned, a host that writes the variable, a tail that is the text itself),
// and after the run, once its variables are gone.
TEST_F(EngineTranslate, TextsGrownInALoopLeaveTheTextRegisterAsTheEvaluatorDoes) {
    const std::vector<std::string> bodies = {
        "S = S + T",
        "S = S + \"x\" + K",
        "S = S + \"ab\"\nA = UPPER()",
        "S = S + \"ab\"\nIF K == 2 THEN A = UPPER()",
        "S = S + T\nU = U + \"y\"",
        "S = S + T\nA = LEN(U + S)",
        "S = S + T\nS = S + S",
        "S = S + \"q\"\nU = S\nA = A + 1",
        "S = T + S",
        "S = T + S + T\nIF S > T THEN A = A + 1",
        "S = \"ab\" + S\nA = UPPER()",
        "S = T + S\nU = S + T\nS = U",
        "W(K) = T + W(K)\nS = W(K) + S",
    };
    for (const std::string& body : bodies) {
        ExpectSameBothWays(std::string(kDeclarations) + "FOR K = 1 TO 4\n" + body + "\nNEXT\nPRINT S");
        ExpectSameBothWays(std::string(kDeclarations) + "FOR K = 1 TO 3\n" + body + "\nNEXT");
    }
    Run(std::string(kDeclarations) + "FOR K = 1 TO 3\nS = T + S\nNEXT");
    const std::string grown = engine.m_TokenText.str();
    Run(std::string(kDeclarations) + "FOR K = 1 TO 3\nS = T + S\nNEXT");
    engine.Reset();
    EXPECT_EQ(engine.m_TokenText.str(), grown);
}

// A statement that closes the script leaves the registers it set to be read:
// at its first run, which the evaluator reads, and at its second, which runs
// from its translated form (a subroutine's RETURN and the END after it leave
// the registers as they were).
TEST_F(EngineTranslate, RegistersAfterAClosingStatementAreTheEvaluators) {
    const std::string twice = std::string(kDeclarations) + "K = 2\nGOSUB LAST\nGOSUB LAST\nEND\n:LAST\n";
    for (const std::string& body : kStatements) {
        ExpectSameBothWays(std::string(kDeclarations) + "K = 2\n" + body);
        ExpectSameBothWays(twice + body + "\nRETURN");
    }
    for (const std::string& condition : kConditions) {
        ExpectSameBothWays(std::string(kDeclarations) + "K = 2\nIF " + condition + " THEN END");
        ExpectSameBothWays(twice + "IF " + condition + " THEN END\nRETURN");
    }
}

// Block shapes whose passed-over lines are jumped: SWITCH with CASE bodies of
// every kind (array cells, texts, nested SWITCH, GOTO, an error in a body
// passed over), IF/ELSE bodies and GOSUB subroutines.
TEST_F(EngineTranslate, TableOfBlocksRunsAsTheEvaluatorRunsThem) {
    const std::vector<std::string> blocks = {
        "SWITCH K\nCASE 1\nA = A + 1\nCASE 2\nA = A + 2\nDEFAULT\nA = A + 3\nENDSWITCH",
        "SWITCH K\nCASE 1\nD(K) = A\nS = \"one\"\nCASE 2\nW(K) = S + T\nE(K, 1) = 2\nENDSWITCH",
        "SWITCH K\nCASE 3\nA = 1\nCASE 1, 2\nB = B + K\nENDSWITCH",
        "SWITCH K * 2\nCASE > 3\nA = A + 1\nCASE < 3\nA = A - 1\nENDSWITCH",
        "SWITCH S\nCASE \"x\"\nA = 1\nCASE \"Hello\"\nA = 2\nENDSWITCH",
        "SWITCH K\nCASE 9\nSWITCH N\nCASE 4\nA = 5\nENDSWITCH\nCASE 2\nA = A + 4\nENDSWITCH",
        "SWITCH K\nCASE 1\nSWITCH N\nCASE 4\nA = A + 5\nDEFAULT\nA = 0\nENDSWITCH\nDEFAULT\nA = A * 2\nENDSWITCH",
        "SWITCH K\nCASE 5\nA = \"x\" - 1\nCASE 2\nA = 7\nENDSWITCH",
        "SWITCH K\nCASE 2\nA = 7\nCASE \"x\"\nA = 8\nENDSWITCH",
        "SWITCH K\nCASE 1\nPRINT \"one\"; D(1)\nNOTE(S, A)\nCASE 2\nGOTO INSIDE\nA = 99\n:INSIDE\nA = A + 1\nENDSWITCH",
        "SWITCH K\nCASE 1\nA = A + 1\nBREAK\nCASE 2\nA = A + 2\nENDSWITCH",
        "SWITCH K\nA = A + 100\nCASE 2\nA = A + 2\nENDSWITCH",
        "SWITCH K\nCASE 7\nA = 1\nENDSWITCH",
        "SWITCH K\nCASE 1 AND 2\nA = 1\nCASE (K AND 1) + 1, 3\nA = A + K\nCASE K OR 0\nA = A * 3\nENDSWITCH",
        "SWITCH K\nCASE D(K) + 1\nA = 1\nCASE D(9)\nA = 2\nCASE SQR(K - 2) + 1\nA = 3\nENDSWITCH",
        "SWITCH 0\nCASE 9, NOT D(K) - 1\nA = A + 1\nCASE 7, NOT D(K) - D(K)\nA = A + 2\nCASE 8, NOT -K\nA = A + 4\nENDSWITCH",
        "SWITCH K\nCASE 9\nA = B\nCASE\nA = A + 1\nCASE 8\nS = T\nDEFAULT\nA = A + 2\nENDSWITCH",
        "SWITCH S\nCASE \"9\"\nA = B + K\nT = U\nCASE\nA = A + 1\nENDSWITCH",
        "SWITCH K\nCASE 7\nA = 1 : B = 2\nCASE 2 : A = 3\nENDSWITCH",
        "IF K == 2 THEN\nA = A + D(K)\nELSE\nSWITCH K\nCASE 1\nA = 1\nENDSWITCH\nENDIF",
        "GOSUB ADD\nIF K == 1 THEN GOSUB ADD",
        "GOSUB FINISH",
        "IF K > 0 THEN\nIF K > 1 THEN A = A + 1\nELSE\nB = B + 1\nENDIF",
        "IF K > 1 THEN\nIF K > 2 THEN A = A + 1\nENDIF\nB = B + 1",
        "WHILE N < 9\nN = N + 1\nIF N MOD 2 == 0 THEN\nA = A + N\nELSE\nGOSUB ADD\nENDIF\nWEND\nN = 4",
        "J = 0\nWHILE J < 4\nJ = J + 1\nIF J == 2 THEN CONTINUE\nIF J == K + 1 THEN BREAK\nA = A + J\nWEND",
        "FOR J = 1 TO 3\nSWITCH J\nCASE 1\nA = A + 1\nCASE 2\nGOSUB ADD\nDEFAULT\nIF K == 3 THEN GOTO DONE\nENDSWITCH\nNEXT",
        "FOR J = 1 TO 2\nFOR I = 1 TO 2\nD(I) = D(I) + J * K\nIF D(I) > 7 THEN END\nNEXT\nNEXT",
        "IF K == 2 THEN\nD(K + 4) = 1\nENDIF",
        "GOSUB LOOPED\nNOTE(A, K)",
        "WHILE B < 4\nB = B + 1\nWEND\nNOTE(B)\nPRINT B",
        "FOR J = 1 TO 6\nSWITCH J MOD 4\nCASE 0\nD(1) = J\nT = \"zero\"\nCASE 1\nA = A + J\nCASE 2.5\nA = 0\n"
        "DEFAULT ' the rest\nS = T\nENDSWITCH\nNEXT",
        "FOR J = 1 TO 5\nSWITCH J\nCASE 1\n:MARK\nA = A + 1\nCASE 3\nIF K == 3 THEN END\nA = A + 3\nCASE 4\n"
        "E(1, 1) = A\nS = U\nENDSWITCH\nNEXT",
        "FOR J = 1 TO 4\nSWITCH J\nCASE 1\nA = 1\nCASE N - 2\nA = 2\nCASE 3\nA = 3\nENDSWITCH\nNEXT",
        "FOR J = 1 TO 4\nSWITCH J\nCASE 2\nSWITCH K\nCASE 1\nA = 9\nENDSWITCH\nCASE 3\nA = A + 1\nDEFAULT\n"
        "A = A - 1\nENDSWITCH\nNEXT",
        "FOR J = 1 TO 3\nT = \"other\"\nSWITCH J\nCASE 7\nA = (S == \"x\") + D(N)\nDEFAULT\nPRINT D(J + 4)\nENDSWITCH\nNEXT",
        "FOR J = 4 TO 1 STEP -1\nSWITCH J * K\nCASE 4\nW(1) = S + \"!\"\nCASE 2\nGOSUB ADD\nCASE 6\nBREAK\nCASE 3\n"
        "A = D(J)\nENDSWITCH\nNEXT",
        // Comparison items whose value is a parenthesis, a call or a cell.
        "FOR J = 1 TO 4\nSWITCH J\nCASE < (2)\nA = A + 1\nCASE 3, > (K + 1)\nA = A + 10\nCASE == ABS(-2) | < D(2)\n"
        "A = A + 100\nENDSWITCH\nNEXT",
        "FOR J = 1 TO 3\nSWITCH J + K\nCASE > (2) & < (5)\nB = B + J\nCASE < LEN(S) & > E(1, 2)\nB = B * 2\nDEFAULT\n"
        "B = B - 1\nENDSWITCH\nNEXT",
    };
    for (const std::string& block : blocks) {
        const std::string script = std::string(kDeclarations) + "FOR K = 1 TO 3\n" + block +
                                   "\nNEXT\n:DONE\nPRINT A; \" \"; B; \" \"; S; D(2)\nEND\n:ADD\nA = A + K\nRETURN\n"
                                   ":FINISH\nPRINT \"end\"\nEND\n:LOOPED\nFOR J = 1 TO K\nGOSUB ADD\nIF J == 2 THEN RETURN\nNEXT\n"
                                   "RETURN";
        ExpectSameBothWays(script);
    }
}

std::string Nested(const std::string& open, int depth, const std::string& inner) {
    std::string text;
    text.reserve(static_cast<std::size_t>(depth) * (open.size() + 1) + inner.size());
    for (int i = 0; i < depth; ++i) text += open;
    text += inner;
    text.append(static_cast<std::size_t>(depth), ')');
    return text;
}

// Parentheses, calls and cells nested to any depth: the evaluator reads up to
// its limit and reports "Expression nested too deeply" past it, in every
// statement the translation covers; the translated form gives the same.
TEST_F(EngineTranslate, DeeplyNestedStatementsRunAsTheEvaluatorRunsThem) {
    for (const char* open : {"(", "ABS(", "D("}) {
        for (int depth : {199, 201, 2000, 2001, 9000}) {
            const std::string value = Nested(open, depth, "1");
            for (const std::string& body :
                 {"A = " + value, "IF " + value + " THEN PRINT \"yes\"", "WHILE " + value + " AND K < 2\nK = K + 1\nWEND",
                  "SWITCH 1\nCASE " + value + "\nPRINT \"case\"\nENDSWITCH", "SWITCH " + value + "\nCASE 1\nB = 1\nENDSWITCH"})
                ExpectSameBothWays(std::string(kDeclarations) + "D(1) = 1\nFOR J = 1 TO 2\n" + body + "\nNEXT\nPRINT A; B; K");
            if (HasFailure()) return;
        }
    }
    engine.m_TranslateLines = true;
    const ScriptRun run = Run("NUMBER X\nX = " + Nested("(", 9000, "1") + "\nPRINT X");
    EXPECT_EQ(run.errorMessage, "Expression nested too deeply");
    EXPECT_EQ(run.errorLine, 2);
}

std::string Chain(const std::string& operand, const std::string& op, int terms) {
    std::string text = operand;
    text.reserve(static_cast<std::size_t>(terms) * (operand.size() + op.size()));
    for (int i = 1; i < terms; ++i) text += op + operand;
    return text;
}

// Long chains of operators, which the translated form would walk as deeply
// as they are long, give their values on every path.
TEST_F(EngineTranslate, LongChainsOfOperatorsRunAsTheEvaluatorRunsThem) {
    for (int terms : {255, 256, 257, 1000, 5000}) {
        for (const std::string& body : {"A = " + Chain("B", " - ", terms), "S = " + Chain("T", " + ", terms),
                                        "IF " + Chain("K", " * ", terms) + " > 0 AND " + Chain("1", " OR ", terms) +
                                            " THEN A = A + 1",
                                        "WHILE " + Chain("J", " < ", 2) + " AND " + Chain("N", " + ", terms) +
                                            " > 0\nJ = J + 1\nWEND"})
            ExpectSameBothWays(std::string(kDeclarations) + "FOR K = 1 TO 2\nJ = 0\n" + body + "\nNEXT\nPRINT A; LEN(S)");
        if (HasFailure()) return;
    }
    // Chains within parentheses, calls and cells, which the evaluator counts
    // to its nesting as well.
    for (int terms : {255, 256, 257, 999}) {
        for (const std::string& value : {Nested("(", 199, Chain("K", " * ", terms)), Nested("ABS(", 199, Chain("1", " OR ", terms)),
                                         Nested("D(", 60, Nested("ABS(", 60, Nested("(", 60, Chain("K", " MOD ", terms))))})
            ExpectSameBothWays(std::string(kDeclarations) + "D(1) = 1\nFOR K = 1 TO 2\nA = " + value + "\nIF " + value +
                               " > 0 THEN B = B + 1\nNEXT\nPRINT A; B");
        if (HasFailure()) return;
    }
    engine.m_TranslateLines = true;
    const ScriptRun run = Run("NUMBER X, I\nFOR I = 1 TO 2\nX = " + Chain("1", " + ", 200000) + "\nNEXT\nPRINT X");
    EXPECT_EQ(run.output, "200000\n");
    EXPECT_EQ(run.errorMessage, "");
}

// A host that turns to step mode during a run hears of every line from then
// on, also inside the body of a loop that has run from its kept lines.
TEST_F(EngineTranslate, StepModeTurnedOnDuringARunStepsEveryLineFromThenOn) {
    const std::string script =
        "NUMBER I, X\nFOR I = 1 TO 4\nX = X + I\nIF X > 0 THEN\nNOTE(X)\nENDIF\nX = X * 2\nNEXT\nPRINT X";
    std::vector<std::string> steps;
    for (bool translated : {false, true}) {
        engine.m_TranslateLines = translated;
        engine.m_ExecutionMode = TxRun;
        int calls = 0;
        events.onUserFunction = [&](int, int) {
            if (++calls == 3) engine.m_ExecutionMode = TxStep;
        };
        EXPECT_EQ(Run(script).output, "52\n");
        std::string lines;
        for (int line : events.steps) lines += std::to_string(line) + " ";
        steps.push_back(lines);
    }
    EXPECT_EQ(steps[1], steps[0]);
    EXPECT_NE(steps[0], "");
}

// A subscript one past the highest index is out of range in every dimension
// and in every statement that reads or writes a cell, whichever form runs it:
// the second round of each loop reads W(1, 4), which must not become W(2, 0).
TEST_F(EngineTranslate, ASubscriptPastTheHighestIndexIsOutOfRangeOnEveryPath) {
    const std::string declarations = "NUMBER A, K\nSTRING S\nNUMBER D(5) E(3, 3)\nSTRING W(3, 3)\n"
                                     "W(2, 0) = \"wrong\"\nE(2, 0) = 7\nD(0) = 7\n";
    const std::vector<std::string> statements = {
        "S = W(1, K)",
        "S = W(1, K) + \"!\"",
        "A = LEN(W(1, K))",
        "W(1, K) = \"x\"",
        "W(1, K) = S + \"x\"",
        "A = E(1, K)",
        "A = E(1, K) + 1",
        "A = E(1, K) * SQR(4)",
        "E(1, K) = 1",
        "E(1, K) = A + LEN(S)",
        "A = D(K + 2)",
        "A = D(K + 2) + SQR(4)",
        "D(K + 2) = LEN(S)",
        "IF E(1, K) == 0 THEN A = 1",
        "IF W(1, K) == \"\" THEN A = 1",
    };
    for (const std::string& statement : statements)
        ExpectOnEveryPath(declarations + "FOR K = 3 TO 4\n" + statement + "\nPRINT K\nNEXT", "3\n",
                          "9: Subscript out of Range");
    ExpectOnEveryPath(declarations + "K = 4\nWHILE E(1, K) == 0\nK = K + 1\nWEND", "", "9: Subscript out of Range");
}

// SGN of 0 is 0, beside numbers its sign is seen in, on every path.
TEST_F(EngineTranslate, SgnOfZeroIsZeroOnEveryPath) {
    ExpectOnEveryPath("NUMBER A, Z, K\nFOR K = 1 TO 2\nA = SGN(Z) + 5\nPRINT A\nNEXT", "5\n5\n");
    ExpectOnEveryPath("NUMBER A, Z, K\nFOR K = 1 TO 2\nA = SGN(Z) * 4 + SGN(Z - 0.5) + SGN(Z + 0.001) * 2\n"
                      "PRINT A\nIF SGN(Z) == 0 THEN PRINT \"zero\"\nNEXT",
                      "1\nzero\n1\nzero\n");
}

// The search of a SWITCH passes over a SWITCH nested in a CASE body whole:
// its CASE items are not the outer SWITCH's, also once the search runs from
// the table made of what earlier searches read (the third round).
TEST_F(EngineTranslate, ASwitchNestedInACaseBodyKeepsItsCaseItemsToItself) {
    const std::string script =
        "NUMBER I, K, N, X\nFOR I = 1 TO 3\nK = I\nSWITCH K\nCASE 1\nSWITCH N\nCASE 3\nX = X + 200\nENDSWITCH\n"
        "CASE 3\nX = X + 111\nENDSWITCH\nNEXT\nPRINT X";
    ExpectOnEveryPath(script, "111\n");
    ExpectOnEveryPath("NUMBER I, K, N, X\nFOR I = 1 TO 3\nK = I\nSWITCH K\nCASE 1\nSWITCH N\nCASE 3\nX = X + 200\n"
                      "DEFAULT\nX = X + 1\nENDSWITCH\nCASE 2\nX = X + 10\nDEFAULT\nX = X + 100\nENDSWITCH\nNEXT\n"
                      "PRINT X",
                      "111\n");
}

// A host may stop the run in its step handler (Terminate, Reset), or turn
// to run mode there, at any step: the run follows at once, on the kept forms
// as on the reference. The lines of the bodies start with variables, cells
// (whose subscripts are read before the step), keywords and GOSUB.
TEST_F(EngineTranslate, AHostThatStopsOrRunsInItsStepHandlerIsFollowedAtOnce) {
    const std::string script = std::string(kDeclarations) +
                               "FOR K = 1 TO 3\nA = A + K\nD(K) = A * 2\nW(K) = S + \"!\"\nIF D(K) > 3 THEN\n"
                               "E(K, 1) = D(K) + 1\nB = B + 1\nENDIF\nSWITCH K\nCASE 2\nD(K + 1) = B\nDEFAULT\n"
                               "GOSUB ADD\nENDSWITCH\nNEXT\nPRINT A; B; D(2); W(3)\nEND\n:ADD\nE(K, 2) = K\nRETURN";
    events.onStep = nullptr;
    const std::string allSteps = Observe(script, false, TxStep).steps;
    const int steps = static_cast<int>(std::count(allSteps.begin(), allSteps.end(), ' '));
    ASSERT_GT(steps, 20);
    for (const char* action : {"terminate", "reset", "run"})
        for (int at = 1; at <= steps + 1 && !HasFailure(); ++at) {
            int seen = 0;
            events.onStep = [&, action, at](int) {
                if (++seen != at) return;
                if (std::string(action) == "terminate")
                    engine.Terminate();
                else if (std::string(action) == "reset")
                    engine.Reset();
                else
                    engine.m_ExecutionMode = TxRun;
            };
            seen = 0;
            const Observed reference = Observe(script, false, TxStep);
            seen = 0;
            Observed translated = Observe(script, true, TxStep);
            // The evaluator's registers of a run stopped in the step handler
            // are not the host's to read: the reference has read the line's
            // first token before its step, the kept forms read nothing.
            if (std::string(action) != "run") translated.registers = reference.registers;
            EXPECT_EQ(translated, reference) << action << " at step " << at;
        }
    events.onStep = nullptr;
}

// Random statements of every shape the translation covers and some it does
// not, with operands that leave the ranges now and then.
class ScriptGenerator {
public:
    explicit ScriptGenerator(unsigned seed) : next_(seed) {}

    std::string Script() {
        std::string script = std::string(kDeclarations) + "NUMBER P0, P1, Q0, Q1\n";
        const unsigned statements = 3 + next_(8);
        script += "FOR K = 1 TO " + std::to_string(1 + next_(4)) + "\n";
        for (unsigned i = 0; i < statements; ++i) script += Statement(2) + "\n";
        script += "NEXT\n:OUT\nNOTE(A, B, S)\nNOTE(D(1), W(1), E(1, 2))\nPRINT A; B; C; S; T\nEND\n";
        script += ":SUB1\n" + Assignment() + "\nRETURN\n:SUB2\nIF " + Condition() + " THEN RETURN\n" + Assignment() +
                  "\nRETURN";
        return script;
    }

private:
    std::string Statement(int depth) {
        switch (next_(depth > 0 ? 16 : 13)) {
        case 13: return NestedBlock(depth - 1);
        case 14: return NestedBlock(depth - 1);
        case 15: return next_.Chance(50) ? next_.Pick(quietLines_) : next_.Pick(exits_);
        case 10:
        case 11: return Switch(next_.Chance(20));
        case 12: return next_.Chance(50) ? "GOSUB SUB1" : "GOSUB SUB2";
        case 0:
            return "IF " + Condition() + " THEN " + Assignment() + (next_.Chance(50) ? " ELSE " + Assignment() : "");
        case 1: return "IF " + Condition() + " THEN\n" + Assignment() + "\nELSE\n" + Assignment() + "\nENDIF";
        case 2:
            return "J = 0\nWHILE " + Condition() + " AND J < 3\nJ = J + 1\n" + Assignment() + "\nWEND";
        case 3: return "PRINT " + Numeric(2) + "; \" \"; " + Text(2);
        case 4: return "NOTE(" + Numeric(2) + ", " + Text(1) + ", " + Numeric(1) + ")";
        case 5: {
            // A loop body of assignments only runs without the statement dispatch.
            std::string loop = "FOR I = 1 TO " + std::to_string(1 + next_(3)) + "\n";
            for (unsigned lines = 1 + next_(3); lines > 0; --lines) loop += Assignment() + "\n";
            return loop + "NEXT";
        }
        default: return Assignment();
        }
    }

    // A block whose body holds statements of every kind, blocks among them,
    // which the run loop keeps and runs without its dispatch from the second
    // round of the loops around it on.
    std::string NestedBlock(int depth) {
        std::string body;
        for (unsigned lines = next_(4); lines > 0; --lines) body += Statement(depth) + "\n";
        switch (next_(4)) {
        case 0: return "IF " + Condition() + " THEN\n" + body + "ENDIF";
        case 1: return "IF " + Condition() + " THEN\n" + body + "ELSE\n" + Statement(depth) + "\nENDIF";
        case 2: {
            const std::string counter = "P" + std::to_string(depth);
            return counter + " = 0\nWHILE " + counter + " < " + std::to_string(1 + next_(3)) + "\n" + counter + " = " +
                   counter + " + 1\n" + body + "WEND";
        }
        default: return "FOR Q" + std::to_string(depth) + " = 1 TO " + std::to_string(1 + next_(3)) + "\n" + body + "NEXT";
        }
    }

    // A SWITCH on a number or a text, with CASE items that match now and
    // then, bodies of any statements and at times a SWITCH within a body.
    std::string Switch(bool nested) {
        const bool text = next_.Chance(30);
        std::string block = "SWITCH " + (text ? Text(1) : Numeric(1)) + "\n";
        for (unsigned cases = 1 + next_(4); cases > 0; --cases) {
            block += "CASE " + CaseItem(text);
            if (next_.Chance(25)) block += ", " + CaseItem(text);
            block += "\n";
            for (unsigned lines = next_(3); lines > 0; --lines)
                block += (nested && next_.Chance(30) ? Switch(false) : BodyLine()) + "\n";
        }
        if (next_.Chance(50)) block += "DEFAULT\n" + BodyLine() + "\n";
        return block + "ENDSWITCH";
    }

    std::string CaseItem(bool text) {
        if (next_.Chance(5)) return text ? Plain() : next_.Pick(plainTexts_);
        if (text) return next_.Chance(80) ? next_.Pick(plainTexts_) : "> " + next_.Pick(plainTexts_);
        if (next_.Chance(20)) return next_.Pick(relations_) + Plain();
        if (next_.Chance(10)) return next_.Pick(relations_) + "(" + Numeric(1) + ")" + next_.Pick(logicals_) +
                                     next_.Pick(relations_) + Factor(1);
        if (next_.Chance(15)) return Numeric(1) + next_.Pick(logicals_) + Plain();
        return next_.Chance(70) ? std::to_string(next_(5)) : Numeric(1);
    }

    std::string BodyLine() {
        switch (next_(6)) {
        case 0: return "PRINT " + Numeric(1) + "; " + Text(1);
        case 1: return "NOTE(" + Numeric(1) + ", " + Text(1) + ")";
        default: return Assignment();
        }
    }

    std::string Assignment() {
        if (next_.Chance(30)) return next_.Pick(textTargets_) + " = " + Text(2);
        return next_.Pick(numberTargets_) + " = " + Numeric(2);
    }

    std::string Condition(int depth = 2) {
        std::string condition = Relation(depth);
        while (next_.Chance(30)) condition += next_.Pick(logicals_) + Relation(depth);
        return condition;
    }

    std::string Relation(int depth) {
        if (next_.Chance(25)) return Text(depth) + next_.Pick(relations_) + Text(depth);
        if (next_.Chance(25)) return Numeric(depth);
        return Numeric(depth) + next_.Pick(relations_) + Numeric(depth);
    }

    std::string Numeric(int depth) {
        std::string expression = Factor(depth);
        const unsigned length = next_(3);
        for (unsigned i = 0; i < length; ++i) expression += next_.Pick(numberOperators_) + Factor(depth);
        return expression;
    }

    std::string Factor(int depth) {
        if (depth <= 0) return Plain();
        switch (next_(12)) {
        case 0: return "(" + Numeric(depth - 1) + ")";
        case 1: return "(" + Condition(depth - 1) + ")";
        case 2: return "-" + Plain();
        case 3: return "NOT " + (next_.Chance(50) ? Plain() : "(" + Numeric(depth - 1) + ")");
        case 4: return next_.Pick(mathFunctions_) + "(" + Numeric(depth - 1) + ")";
        case 5: return "LEN(" + Text(depth - 1) + ")";
        case 6: return "INSTR(" + Text(depth - 1) + ", " + Text(depth - 1) + ")";
        case 7: return "ASC(" + Text(depth - 1) + ")";
        default: return Plain();
        }
    }

    std::string Plain() { return next_.Pick(plainOperands_); }

    std::string Text(int depth) {
        std::string expression = TextFactor(depth);
        while (next_.Chance(30)) expression += " + " + (next_.Chance(70) ? TextFactor(depth) : Plain());
        return expression;
    }

    std::string TextFactor(int depth) {
        if (depth <= 0) return next_.Pick(plainTexts_);
        switch (next_(8)) {
        case 0: return "MID(" + Text(depth - 1) + ", " + Numeric(depth - 1) + ", " + Plain() + ")";
        case 1: return "LEFT(" + Text(depth - 1) + ", " + Plain() + ")";
        case 2: return "STR(" + Numeric(depth - 1) + ")";
        case 3: return "UCASE(" + Text(depth - 1) + ")";
        case 4: return "(" + Text(depth - 1) + ")";
        default: return next_.Pick(plainTexts_);
        }
    }

    RepeatableRandom next_;
    const std::vector<std::string> numberTargets_ = {"A", "B", "C", "N", "D(N)", "D(K)", "E(K, N - 2)", "D(B)"};
    const std::vector<std::string> textTargets_ = {"S", "T", "W(K)", "W(N - 2)"};
    const std::vector<std::string> plainOperands_ = {"A", "B", "C", "N", "K", "0.1", "3", "7.25", "0", "2",
                                                     "D(K)", "D(N)", "E(K, 2)", "D(N + K)", "E(1, 2)"};
    const std::vector<std::string> plainTexts_ = {"S", "T", "U", "\"ab\"", "\"\"", "W(K)", "W(1)"};
    const std::vector<std::string> numberOperators_ = {" + ", " - ", " * ", " / ", " \\ ", " MOD ", " ^ "};
    const std::vector<std::string> relations_ = {" < ", " > ", " == ", " <> ", " <= ", " >= "};
    const std::vector<std::string> logicals_ = {" AND ", " OR "};
    const std::vector<std::string> mathFunctions_ = {"SQR", "INT", "ABS", "SGN", "SIN", "LOG", "EXP"};
    // Lines that do nothing, between the statements of a body.
    const std::vector<std::string> quietLines_ = {"K = K + 0", "", "' a comment", "REM a remark",
                                                  "A = A ' and a comment", ":HERE"};
    // Ways out of the blocks around a statement, taken at a random round.
    const std::vector<std::string> exits_ = {"IF A > 3 THEN BREAK",   "IF B < 0 THEN CONTINUE",
                                             "IF K == 3 THEN GOTO OUT", "IF N > 6 THEN END",
                                             "IF C > 2 THEN RETURN",    "BREAK"};
};

TEST_F(EngineTranslate, RandomScriptsRunAsTheEvaluatorRunsThem) {
    ScriptGenerator generator(2026);
    for (int round = 0; round < 400 && !HasFailure(); ++round) ExpectSameBothWays(generator.Script());
}

}  // namespace
}  // namespace pevox::test
