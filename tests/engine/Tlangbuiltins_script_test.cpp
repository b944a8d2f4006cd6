// The built-in functions as scripts call them: script text in, the value a
// variable receives or the one error the run reports out.
#include "EngineFixture.h"

#include "Tlangdatetime.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/stat.h>

namespace pevox::test {
namespace {

namespace fs = std::filesystem;

class TlangBuiltinCalls : public EngineFixture {
protected:
    // Runs the lines; the message of the one error reported, "" when none was.
    std::string Run(const std::vector<std::string>& lines) {
        events.errors.clear();
        events.prints.clear();
        view.SetLines(lines);
        engine.Execute();
        EXPECT_LE(events.errors.size(), 1u) << lines.back();
        if (events.errors.empty()) {
            EXPECT_NE(engine.m_ExitCode, TxError) << lines.back();
            return "";
        }
        EXPECT_EQ(engine.m_ExitCode, TxError) << lines.back();
        return events.errors[0].message;
    }

    // The value an expression assigns to a NUMBER variable.
    double Number(const std::string& expression) {
        const std::string error = Run({"NUMBER R", "R = " + expression});
        EXPECT_EQ(error, "") << expression;
        const TERP_SYMBOL_TAG* r = engine.FindSymbol("R", kVariableList);
        return r ? r->SymValue : std::nan("");
    }

    // The text an expression assigns to a STRING variable.
    std::string Text(const std::string& expression) {
        const std::string error = Run({"STRING S", "S = " + expression});
        EXPECT_EQ(error, "") << expression;
        const TERP_SYMBOL_TAG* s = engine.FindSymbol("S", kVariableList);
        return s ? s->SymText : "<none>";
    }

    // The error a statement reports, after a line that declares N, S and the arrays A and B.
    std::string Error(const std::string& statement) {
        return Run({"NUMBER N, A(2)", "STRING S, B(2)", statement});
    }

    std::string Path(const std::string& name) const { return tempDir + "/" + name; }
    // A script's string literal naming a file of the temporary folder.
    std::string Quoted(const std::string& name) const { return "\"" + Path(name) + "\""; }
    std::string FileBytes(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void WriteFile(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
};

struct TextCase {
    const char* expression;
    const char* text;
};

struct NumberCase {
    const char* expression;
    double value;
    double tolerance = 0;
};

struct ErrorCase {
    const char* statement;
    const char* message;
};

TEST_F(TlangBuiltinCalls, StringFunctions) {
    const TextCase cases[] = {
        {"LEFT(\"abc\", 5)", "abc"},
        {"LEFT(\"abc\", 1 + 1)", "ab"},
        {"LEFT(\"abc\", 0)", ""},
        {"LEFT(\"abc\", -1)", ""},
        {"RIGHT(\"abc\", 5)", "abc"},
        {"RIGHT(\"abc\", 2)", "bc"},
        {"MID(\"hello\", 2)", "ello"},
        {"MID(\"hello\", 2, 2)", "el"},
        {"MID(\"hello\", 0)", ""},
        {"MID(\"hello\", 2, -1)", "ello"},
        {"CHR(65)", "A"},
        {"CHR(321)", "A"},
        {"CHR(0) + CHR(256)", ""},
        {"TRIM(CHR(9) + \"a\" + \" \")", "a"},
        {"LTRIM(\"  a \")", "a "},
        {"RTRIM(\"  a \")", "  a"},
        {"UCASE(\"abc\")", "ABC"},
        {"LCASE(\"ABC\")", "abc"},
        {"UCASE(CHR(233)) + LCASE(CHR(200))", "\xC9\xE8"},  // the code page's accented letters
        {"TRIM(CHR(200) + \" \")", "\xC8"},
        {"STR(2)", "2"},
        {"STR(0.1)", "0.1"},
        {"STR(1 / 3)", "0.333333333333333"},
        {"HEX(255)", "FF"},
        {"HEX(0)", "0"},
        {"HEX(-1)", "FFFFFFFF"},
        {"UCASE(LEFT(\"abc\", 2)) + \"!\"", "AB!"},
        {"MID(\"abcdef\", LEN(\"ab\") + 1, 2)", "cd"},
    };
    for (const TextCase& c : cases) EXPECT_EQ(Text(c.expression), c.text) << c.expression;
}

TEST_F(TlangBuiltinCalls, NumberFunctions) {
    const NumberCase cases[] = {
        {"LEN(\"\")", 0},
        {"LEN(\"ab\") + 1", 3},
        {"ASC(\"A\")", 65},
        {"ASC(CHR(200))", -56},
        {"ASC(\"\")", 0},
        {"VAL(\"0x1F\")", 31},
        {"VAL(\"2.5\")", 2.5},
        {"VAL(\"abc\")", 0},
        {"INSTR(\"abcb\", \"b\")", 2},
        {"INSTR(3, \"abcb\", \"b\")", 4},
        {"INSTR(\"abc\", \"B\")", 2},
        {"INSTR(\"abc\", \"B\", 1)", 0},
        {"INSTR(\"abcb\", \"b\") * 2", 4},
        {"INSTR(2.5, \"abcb\", \"b\")", 2},
        {"SQR(4)", 2},
        {"SQR(0)", 0},
        {"SIN(30)", 0.5, 1e-15},
        {"COS(90)", 0},
        {"TAN(45)", 1, 1e-15},
        {"TAN(90)", 0},
        {"ATN(1)", 45, 1e-13},
        {"ASIN(1)", 90, 1e-13},
        {"ACOS(0)", 90, 1e-13},
        {"INT(-2.5)", -2},
        {"SGN(-0.1)", -1},
        {"ABS(-3)", 3},
        {"EXP(1)", 2.718281828459045, 1e-15},
        {"LOG(EXP(2))", 2, 1e-15},
        {"EXP2(10)", 1024},
        {"EXP10(2)", 100},
        {"LOG2(8)", 3},
        {"LOG10(1000)", 3, 1e-15},
        {"BEEP()", 0},
    };
    for (const NumberCase& c : cases) EXPECT_NEAR(Number(c.expression), c.value, c.tolerance) << c.expression;
    EXPECT_EQ(events.beeps, 1);
}

TEST_F(TlangBuiltinCalls, DatesAndTimes) {
    const NumberCase numbers[] = {
        {"DATEADD(2, \"H\", 12)", 2.5, 1e-12},
        {"DATEADD(2, \"minutes\", 30)", 2 + 30.0 / 1440, 1e-12},
        {"DATEADD(2, \"S\", 86400)", 3, 1e-9},
        {"DATESUB(2, \"D\", 1)", 1},
        {"DATESUB(2.5, \" h \", 6)", 2.25, 1e-12},
        {"STRINGTODATE(\"1900-01-01 12:00:00\")", 2.5},
        {"STRINGTODATE(DATETIMESTRING(45351.5))", 45351.5, 1e-9},
    };
    for (const NumberCase& c : numbers) EXPECT_NEAR(Number(c.expression), c.value, c.tolerance) << c.expression;

    const TextCase texts[] = {
        {"DATESTRING(2.5)", "1900-01-01"},
        {"TIMESTRING(0.5)", "12:00:00"},
        {"DATETIMESTRING(2.5)", "1900-01-01 12:00:00"},
        {"FORMATDATETIME(2.5, \"dd mmm yyyy h:nn am/pm\")", "01 Jan 1900 12:00 pm"},
    };
    for (const TextCase& c : texts) EXPECT_EQ(Text(c.expression), c.text) << c.expression;

    const double before = NowDayNumber();
    const double now = Number("NOW()");
    EXPECT_GE(now, before);
    EXPECT_LE(now, NowDayNumber());
    const double timer = TimerSeconds();
    EXPECT_NEAR(Number("TIMER()"), timer, 5.0);
}

TEST_F(TlangBuiltinCalls, EraseClearsEveryCell) {
    ASSERT_EQ(Run({"NUMBER A(2, 1)", "NUMBER R = 7", "STRING B(3)", "STRING S = \"x\"", "A(1, 1) = 5",
                   "B(2) = \"t\"", "R = ERASE(A)", "S = ERASE(B(1))"}),
              "");
    const TERP_SYMBOL_TAG* a = engine.FindSymbol("A", kVariableList);
    const TERP_SYMBOL_TAG* b = engine.FindSymbol("B", kVariableList);
    ASSERT_TRUE(a && b);
    for (const ARRAY_ELEMENT_TAG& cell : a->SymCells) EXPECT_EQ(cell.Number, 0);
    for (const ARRAY_ELEMENT_TAG& cell : b->SymCells) EXPECT_EQ(cell.Text, "");
    EXPECT_EQ(a->SymExtra, 0);
    EXPECT_EQ(engine.FindSymbol("R", kVariableList)->SymValue, 0);
    EXPECT_EQ(engine.FindSymbol("S", kVariableList)->SymText, "");
}

TEST_F(TlangBuiltinCalls, ArgumentErrors) {
    const ErrorCase cases[] = {
        {"N = LEN(1)", "String expected in call to function."},
        {"N = SIN(\"a\")", "Numeric expected in call to function."},
        {"N = LEN(\"a\", \"b\")", "Too many parameters in call to function."},
        {"N = SQR(1, 2)", "Too many parameters in call to function."},
        {"N = NOW(1)", "No parameters required for Function"},
        {"S = CWD(\"x\")", "No parameters required for Function"},
        {"N = LEN \"a\"", "Function call requires parentheses."},
        {"S = LEFT(\"abc\")", "Numeric offset expected in call to LEFT()"},
        {"S = LEFT(1, 2)", "String expected in call to LEFT()"},
        {"S = LEFT(\"abc\", \"x\")", "Numeric offset expected in call to LEFT()"},
        {"S = LEFT(\"abc\", 1, 2)", "Too many parameters in call to LEFT()"},
        {"S = RIGHT(\"abc\")", "Too few Parameters in call to RIGHT()"},
        {"S = RIGHT(1, 1)", "String expected in call to RIGHT()"},
        {"S = RIGHT(\"a\", \"b\")", "Numeric offset expected in call to RIGHT()"},
        {"S = RIGHT(\"a\", 1, 2)", "Too many parameters in call to RIGHT()"},
        {"S = MID(\"a\")", "Too few Parameters in call to MID()"},
        {"S = MID(1, 1)", "String expected in call to MID()"},
        {"S = MID(\"a\", \"b\")", "Numeric start position expected in call to MID()"},
        {"S = MID(\"a\", 1, \"x\")", "Expected numeric length specifier in call to MID()"},
        {"S = MID(\"a\", 1, 2, 3)", "Too many Parameters in call to MID()"},
        {"N = INSTR(\"a\")", "Too few Parameters in call to INSTR()"},
        {"N = INSTR(\"a\", 1)", "Expected string in call to INSTR()"},
        {"N = INSTR(\"a\", \"b\", \"c\")", "Numeric expression expected in call to INSTR()"},
        {"N = INSTR(\"a\", \"b\", 1, 2)", "Too many Parameters in call to INSTR()"},
        {"N = INSTR(0, \"a\", \"b\")", "Invalid Start position in call to Instr()"},
        {"N = INSTR(1)", "Too few Parameters in call to INSTR()"},
        {"N = INSTR(1, 2, \"a\")", "Expected string in call to INSTR()"},
        {"N = INSTR(1, \"a\", 2)", "Expected second string in call to INSTR()"},
        {"N = INSTR(1, \"a\", \"b\", \"c\")", "Numeric expression expected in call to INSTR()"},
        {"N = INSTR(1, \"a\", \"b\", 1, 2)", "Too many parameters in call to INSTR()"},
        {"N = ERASE(N)", "Array Identifier expected in call to ERASE()"},
        {"N = ERASE(5)", "Array Identifier expected in call to ERASE()"},
        {"N = ERASE(A(1), 1)", "Too many parameters in call to ERASE()"},
    };
    for (const ErrorCase& c : cases) EXPECT_EQ(Error(c.statement), c.message) << c.statement;
}

TEST_F(TlangBuiltinCalls, NumberErrorsInPlaceOfInfinity) {
    const ErrorCase cases[] = {
        {"N = SQR(-1)", "Floating point Domain Error"},
        {"N = LOG(0)", "Floating point Domain Error"},
        {"N = LOG10(-5)", "Floating point Domain Error"},
        {"N = ASIN(2)", "value must be in the range -1 to 1"},
        {"N = ACOS(-1.5)", "value must be in the range -1 to 1"},
        {"N = EXP(100000)", "Floating point overflow"},
        {"N = EXP10(400)", "Floating point overflow"},
        {"N = INT(10 ^ 300)", "Value out of range in call to function."},
        {"S = CHR(10 ^ 20)", "Value out of range in call to function."},
        {"S = HEX(0 - 10 ^ 20)", "Value out of range in call to function."},
        {"S = DATESTRING(10 ^ 7)", "Date value out of range in call to function."},
        {"N = DATEADD(10 ^ 308, \"D\", 10 ^ 308)", "Floating point overflow"},
    };
    for (const ErrorCase& c : cases) EXPECT_EQ(Error(c.statement), c.message) << c.statement;
}

TEST_F(TlangBuiltinCalls, DateErrors) {
    const ErrorCase cases[] = {
        {"N = DATEADD(2, \"x\", 1)", "Expected D,H,M or S in call to DateAdd/DateSub"},
        {"N = DATEADD(2, \"   \", 1)", "Expected D,H,M or S in call to DateAdd/DateSub"},
        {"N = DATEADD(2, \"D\")", "Too few parameters in function call"},
        {"N = DATESUB(2)", "Too few parameters in function call"},
        {"N = DATEADD(\"a\", \"D\", 1)", "Expected Date Value"},
        {"N = DATEADD(2, 5, 1)", "Expected string in call to DateAdd/DateSub"},
        {"N = DATEADD(2, \"D\", 1, 2)", "Too many Parameters in call to DateAdd/DateSub"},
        {"N = DATEADD(2, \"D\", \"x\")", "Expected numeric amount in call to DateAdd/DateSub"},
        {"S = FORMATDATETIME(\"a\", \"x\")", "Date Expected in call to FormatDateTime"},
        {"S = FORMATDATETIME(2, 5)", "String expected in call to FormatDateTime"},
        {"S = FORMATDATETIME(2, \"d\", 1)", "Too many parameters in call to FormatDateTime"},
        {"N = STRINGTODATE(\"xyz\")", "Failed to convert string to date"},
    };
    for (const ErrorCase& c : cases) EXPECT_EQ(Error(c.statement), c.message) << c.statement;
}

TEST_F(TlangBuiltinCalls, AScriptWritesReadsAndDeletesAFile) {
    ASSERT_EQ(Run({"NUMBER R, C",
                   "STRING L, M",
                   "R = FOPEN(1, " + Quoted("out.txt") + ")",
                   "R = FPUTS(1, \"first\" + CHR(10) + \"second\")",
                   "C = FPUTC(1, 10)",
                   "R = FCLOSE(1)",
                   "R = FOPEN(2, " + Quoted("out.txt") + ", \"text\")",
                   "L = FGETS(2)",
                   "M = FGETS(2)",
                   "R = FEOF(2) * 10 + FCLOSE(2)"}),
              "");
    EXPECT_EQ(FileBytes("out.txt"), "first\r\nsecond\r\n");
    EXPECT_EQ(engine.FindSymbol("L", kVariableList)->SymText, "first");
    EXPECT_EQ(engine.FindSymbol("M", kVariableList)->SymText, "second");
    EXPECT_EQ(engine.FindSymbol("C", kVariableList)->SymValue, 10);
    EXPECT_EQ(engine.FindSymbol("R", kVariableList)->SymValue, 1);  // not at the end yet, closed

    EXPECT_EQ(Number("FILELEN(" + Quoted("out.txt") + ") + FILEEXISTS(" + Quoted("out.txt") + ") * 100"), 115);
    EXPECT_EQ(Number("KILL(" + Quoted("out.txt") + ") * 10 + KILL(" + Quoted("out.txt") + ")"), 10);
    EXPECT_FALSE(fs::exists(Path("out.txt")));
    EXPECT_EQ(Number("FILEEXISTS(" + Quoted("out.txt") + ")"), 0);
}

TEST_F(TlangBuiltinCalls, CharacterReadsTellTheEndFromAByte) {
    WriteFile("bytes", std::string("\xFF\x00" "A", 3));
    ASSERT_EQ(Run({"NUMBER R, A(5)", "R = FOPEN(1, " + Quoted("bytes") + ", \"binary\")", "A(0) = FGETC(1)",
                   "A(1) = FGETC(1)", "A(2) = FGETC(1)", "A(3) = FEOF(1)", "A(4) = FGETC(1)", "A(5) = FEOF(1)"}),
              "");
    const TERP_SYMBOL_TAG* a = engine.FindSymbol("A", kVariableList);
    ASSERT_TRUE(a);
    std::vector<double> read;
    for (const ARRAY_ELEMENT_TAG& cell : a->SymCells) read.push_back(cell.Number);
    EXPECT_EQ(read, (std::vector<double>{255, 0, 65, 0, -1, 1}));
}

TEST_F(TlangBuiltinCalls, APipeDoesNotOpen) {
    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
    EXPECT_EQ(Number("FOPEN(1, " + Quoted("pipe") + ")"), 0);
    EXPECT_EQ(Number("FOPEN(1, \"/dev/null\", \"b\")"), 0);
}

TEST_F(TlangBuiltinCalls, SeekTellAndOverwrite) {
    WriteFile("data", "hello world");
    ASSERT_EQ(Run({"NUMBER A(4)", "A(0) = FOPEN(1, " + Quoted("data") + ", \"b\")", "A(1) = FPUTS(1, \"hi\")",
                   "A(2) = FTELL(1)", "A(3) = FSEEK(1, -1)", "A(4) = FSEEK(1, 5)"}),
              "");
    std::vector<double> values;
    for (const ARRAY_ELEMENT_TAG& cell : engine.FindSymbol("A", kVariableList)->SymCells) values.push_back(cell.Number);
    EXPECT_EQ(values, (std::vector<double>{1, 0, 2, 11, 5}));
    EXPECT_EQ(FileBytes("data"), "hillo world");
}

TEST_F(TlangBuiltinCalls, FilesCloseWhenTheRunEndsAndIndexesComeFree) {
    // An error leaves the file open in the script; the end of the run closes it.
    EXPECT_EQ(Run({"NUMBER R", "R = FOPEN(3, " + Quoted("left") + ")", "R = FPUTS(3, \"kept\")", "R = SQR(-1)"}),
              "Floating point Domain Error");
    EXPECT_EQ(FileBytes("left"), "kept");
    EXPECT_EQ(Number("FOPEN(3, " + Quoted("left") + ")"), 1);
    EXPECT_EQ(Error("N = FOPEN(1, " + Quoted("a") + ") + FOPEN(1, " + Quoted("b") + ")"), "Index is already in use!");
    EXPECT_EQ(Number("FCLOSE(9)"), 0);
    EXPECT_EQ(Number("FOPEN(1, " + Quoted("a") + ") + FCLOSE(1) + FOPEN(1, " + Quoted("a") + ") + FCLOSEALL()"), 4);

    ASSERT_EQ(Run({"NUMBER R", "R = FOPEN(4, " + Quoted("reset") + ")"}), "");
    engine.Reset();
    EXPECT_EQ(Number("FOPEN(4, " + Quoted("reset") + ")"), 1);
}

TEST_F(TlangBuiltinCalls, AFailedPrePassClosesWhatADeclarationOpened) {
    EXPECT_EQ(Run({"NUMBER H = FOPEN(1, " + Quoted("early") + ")", "NUMBER H"}),
              "Redefinition of symbol or reserved word!");
    EXPECT_EQ(Number("FOPEN(1, " + Quoted("early") + ")"), 1);
}

// A host that reads the script's output file as soon as it hears of the end.
class ReadingAtTheEnd : public RecordingEvents {
public:
    explicit ReadingAtTheEnd(std::string path) : path_(std::move(path)) {}
    void OnScriptComplete(int lineNo, int exitCode) override {
        RecordingEvents::OnScriptComplete(lineNo, exitCode);
        std::ifstream in(path_, std::ios::binary);
        seen = std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string seen;

private:
    std::string path_;
};

TEST_F(TlangBuiltinCalls, TheHostSeesTheWrittenFileWhenTheRunEnds) {
    ReadingAtTheEnd host(Path("out"));
    LinesEditorView lines({"NUMBER R", "R = FOPEN(1, " + Quoted("out") + ")", "R = FPUTS(1, \"written\")"});
    TLangEngine other(host, lines);
    other.Execute();
    EXPECT_TRUE(host.errors.empty());
    EXPECT_EQ(host.seen, "written");
}

TEST_F(TlangBuiltinCalls, SearchAndFolders) {
    WriteFile("a.txt", "abc");
    WriteFile("b.dat", "");
    fs::create_directory(Path("sub"));
    ASSERT_EQ(Run({"STRING F(4)", "F(0) = FINDFIRST(" + Quoted("*") + ")", "F(1) = FINDNEXT()", "F(2) = FINDNEXT()",
                   "F(3) = FINDFIRST(" + Quoted("*") + ", 16)", "F(4) = FINDFIRST(" + Quoted("*.none") + ")"}),
              "");
    std::vector<std::string> found;
    for (const ARRAY_ELEMENT_TAG& cell : engine.FindSymbol("F", kVariableList)->SymCells) found.push_back(cell.Text);
    EXPECT_EQ(found, (std::vector<std::string>{"a.txt", "b.dat", "", "sub", ""}));

    const fs::path before = fs::current_path();
    EXPECT_EQ(Number("MKDIR(" + Quoted("x/y/z") + ") + MKDIR(" + Quoted("a.txt") + ") * 10"), 1);
    EXPECT_TRUE(fs::is_directory(Path("x/y/z")));
    EXPECT_EQ(Number("CHDIR(" + Quoted("x/y/z") + ") + CHDIR(" + Quoted("missing") + ") * 10"), 1);
    EXPECT_EQ(Text("CWD()"), fs::canonical(Path("x/y/z")).string());
    EXPECT_EQ(Number("RMDIR(CWD()) + RMDIR(\"\\\") * 10"), 1);
    EXPECT_EQ(fs::current_path(), fs::canonical(Path("x/y")));
    fs::current_path(before);

    EXPECT_EQ(Number("NAME(" + Quoted("a.txt") + ", " + Quoted("c.txt") + ")"), 1);
    WriteFile("d.txt", "keep");
    EXPECT_EQ(Number("NAME(" + Quoted("c.txt") + ", " + Quoted("d.txt") + ")"), 0);
    EXPECT_EQ(FileBytes("c.txt"), "abc");
    EXPECT_EQ(FileBytes("d.txt"), "keep");
}

TEST_F(TlangBuiltinCalls, FileArgumentErrors) {
    const std::string f = Quoted("f");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"N = FOPEN(\"x\", " + f + ")", "File Index expected in call to FOPEN()"},
        {"N = FOPEN(1)", "FileName expected in call to FOPEN()"},
        {"N = FOPEN(1, 2)", "FileName Expected in call to FOPEN()"},
        {"N = FOPEN(1, " + f + ", 2)", "Expected mode parameter in FOPEN()"},
        {"N = FOPEN(1, " + f + ", \"b\", 4)", "Too many parameters in call to FOPEN()"},
        {"N = FOPEN(10 ^ 20, " + f + ")", "Bad File Index in call to FOPEN()"},
        {"N = FGETC(\"a\")", "File Index expected in call to function."},
        {"N = FGETC(9)", "Bad File Index in call to function."},
        {"S = FGETS(9)", "Bad File Index in call to function."},
        {"N = FEOF(1, 2)", "Too many parameters in call to function."},
        {"N = FPUTC(1)", "Too few parameters in call to FPUTC()"},
        {"N = FPUTC(\"a\", 1)", "File Index expected in call to FPUTC()"},
        {"N = FPUTC(1, \"a\")", "Numeric ASCII value expected in call to FPUTC()"},
        {"N = FPUTC(1, 2, 3)", "Too many parameters in call to FPUTC()"},
        {"N = FPUTC(1, 65)", "Bad File Index in call to FPUTC()"},
        {"N = FPUTS(1)", "Too few parameters in call to FPUTS()"},
        {"N = FPUTS(1, 2)", "String expected in call to FPUTS()"},
        {"N = FPUTS(1, \"a\")", "Bad File Index in call to FPUTS()"},
        {"N = FSEEK(1)", "Too few parameters in call to FSEEK()"},
        {"N = FSEEK(1, \"a\")", "Absolute offset value expected in call to FSEEK()"},
        {"N = FSEEK(1, 0)", "Bad File Index in call to FSEEK()"},
        {"N = NAME(\"a\")", "Too few Parameters in call to NAME()"},
        {"N = NAME(1, \"b\")", "Old file name string expected in call to NAME()"},
        {"N = NAME(\"a\", 2)", "New file name string expected in call to NAME()"},
        {"N = NAME(\"a\", \"b\", \"c\")", "Too many Parameters in call to NAME()"},
        {"S = FINDFIRST(5)", "One filename parameter required for FindFirst"},
        {"S = FINDFIRST(\"*\", 1, 2)", "Too many parameters to FINDFIRST()"},
        {"S = FINDFIRST(\"*\", \"a\")", "Expected attribute field in FINDFIRST()"},
        {"N = KILL(1)", "String expected in call to function."},
    };
    for (const auto& [statement, message] : cases) EXPECT_EQ(Error(statement), message) << statement;
}

// Inputs the fuzz target found to hang or crash the engine.
TEST_F(TlangBuiltinCalls, FuzzFindingsEndWithAnError) {
    const ErrorCase cases[] = {
        {"NUMBER D(3, 2WHILE/)", "Syntax error in expression"},
    };
    for (const ErrorCase& c : cases) EXPECT_EQ(Run({c.statement}), c.message) << c.statement;
}

}  // namespace
}  // namespace pevox::test
