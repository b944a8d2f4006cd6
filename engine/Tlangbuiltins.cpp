#include "Tlangbuiltins.h"

#include "Tlangdatetime.h"
#include "Tlangengine.h"
#include "Tlangfiles.h"
#include "Tlangmaths.h"
#include "Tlangnumbers.h"
#include "Tlangstrings.h"
#include "platform/Files.h"
#include "platform/Text.h"

#include <cfloat>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

namespace pevox {

namespace {

// The messages of the calling mechanism.
constexpr std::string_view kNeedsParentheses = "Function call requires parentheses.";
constexpr std::string_view kNoParameters = "No parameters required for Function";
constexpr std::string_view kTooMany = "Too many parameters in call to function.";
constexpr std::string_view kStringExpected = "String expected in call to function.";
constexpr std::string_view kNumericExpected = "Numeric expected in call to function.";
constexpr std::string_view kFileIndexExpected = "File Index expected in call to function.";
constexpr std::string_view kBadFileIndex = "Bad File Index in call to function.";
constexpr std::string_view kDateRange = "Date value out of range in call to function.";

// How the call reads its first argument.
enum class ArgumentClass { OneString, OneNumber, FileIndex, None, Array, Several };

ArgumentClass ClassOf(int function) {
    switch (function) {
    case fn::Asc: case fn::Len: case fn::Val: case fn::Trim: case fn::LTrim: case fn::RTrim: case fn::LCase:
    case fn::UCase: case fn::StringToDate: case fn::FileLen: case fn::Kill: case fn::MkDir: case fn::ChDir:
    case fn::FileExists: case fn::RmDir:
        return ArgumentClass::OneString;
    case fn::Chr: case fn::Str: case fn::Sqr: case fn::Sin: case fn::Cos: case fn::Tan: case fn::Atn:
    case fn::ASin: case fn::Hex: case fn::ACos: case fn::Abs: case fn::Sgn: case fn::Int: case fn::Exp:
    case fn::Exp2: case fn::Exp10: case fn::Log: case fn::Log2: case fn::Log10: case fn::DateString:
    case fn::TimeString: case fn::DateTimeString:
        return ArgumentClass::OneNumber;
    case fn::FGetc: case fn::FEof: case fn::FGets: case fn::FClose: case fn::FTell:
        return ArgumentClass::FileIndex;
    case fn::FCloseAll: case fn::Cwd: case fn::FindNext: case fn::Beep: case fn::Now: case fn::Timer:
        return ArgumentClass::None;
    case fn::Erase:
        return ArgumentClass::Array;
    default:
        return ArgumentClass::Several;
    }
}

// One argument as it was read: its kind decided, its value kept before the
// next argument overwrites the registers.
struct Argument {
    bool IsString = false;
    bool IsNumber = false;
    long double Number = 0;
    std::string Text;
};

// The call of one built-in. Every check reports through ReportError and
// returns; the stop flag then unwinds the evaluator.
class BuiltinCall {
public:
    explicit BuiltinCall(TLangEngine& engine) : e_(engine), function_(engine.m_Token) {}

    void Run() {
        if (NextCharacter() != '(') return Fail(kNeedsParentheses);
        e_.m_TokenText.clear();
        e_.m_NumValue = 0;
        e_.m_SavedToken = tok::None;
        switch (ClassOf(function_)) {
        case ArgumentClass::OneString: return OneString();
        case ArgumentClass::OneNumber: return OneNumber();
        case ArgumentClass::FileIndex: return FileIndexFunction();
        case ArgumentClass::None: return NoArguments();
        case ArgumentClass::Array: return Erase();
        case ArgumentClass::Several: return Several();
        }
    }

private:
    // --- Reading arguments ---------------------------------------------------

    // The next character of the run text; blanks before it do not count.
    int NextCharacter() {
        int c;
        do c = e_.GetChar();
        while (c == ' ' || c == '\t');
        return c;
    }

    bool Stopped() const { return e_.m_StopRequested; }
    bool AtListEnd() const { return e_.m_Token == tok::CloseParen || e_.m_Token == tok::EndOfLine; }
    bool AtComma() const { return e_.m_Token == tok::Comma; }

    Argument Taken() const {
        Argument argument;
        argument.IsString = !e_.IsNonStringValue(e_.m_ValueType);
        argument.IsNumber = !e_.IsNonNumericValue(e_.m_ValueType);
        argument.Number = e_.m_NumValue;
        // Only a text argument's text is read; a number's would be a copy of
        // whatever text the register held last.
        if (argument.IsString) argument.Text = e_.m_TokenText;
        return argument;
    }

    // The first argument, up to the terminator that ends it; a complete
    // parenthesis there counts as the closing one.
    Argument ReadFirst() {
        e_.m_ValueType = tok::None;
        e_.m_SavedToken = tok::None;
        e_.EvalSubExpression(true);
        if (e_.m_Token == tok::Separator) e_.m_Token = tok::CloseParen;
        return Taken();
    }

    // A further argument, after the "," that is the current token, up to ")",
    // "," or the line end.
    Argument ReadNext() {
        e_.m_ValueType = tok::None;
        e_.m_SavedToken = tok::None;
        e_.m_TokenText.clear();
        e_.m_NumValue = 0;
        bool fetch = !(e_.IsOperator() || e_.m_Token == tok::OpenParen);
        do {
            const int before = e_.m_TextPos;
            const int token = e_.m_Token;
            e_.EvalExpression(fetch);
            fetch = e_.m_Token == tok::Separator;
            // A token the evaluator leaves where it stands (THEN, TO, ...)
            // ends the argument; the caller's checks report it.
            if (e_.m_TextPos == before && e_.m_Token == token) break;
        } while (!Stopped() && !AtListEnd() && !AtComma());
        return Taken();
    }

    // --- Results -------------------------------------------------------------

    void Fail(std::string_view message) { e_.ReportError(std::string(message)); }

    void Number(long double value) {
        e_.m_NumValue = value;
        e_.m_Token = tok::NumberLiteral;
    }

    void Text(std::string text) {
        e_.m_TokenText = std::move(text);
        e_.m_Token = tok::StringLiteral;
    }

    void MathResult(const NumberResult& result) {
        if (!result.Ok()) return Fail(result.Error);
        Number(result.Value);
    }

    // A number computed for a variable, which holds a double.
    void StoredNumber(double value) {
        if (!(std::fabs(value) <= DBL_MAX)) return Fail(msg::Overflow);
        Number(value);
    }

    void DateText(const std::optional<std::string>& text) {
        if (!text) return Fail(kDateRange);
        Text(*text);
    }

    // --- One string ------------------------------------------------------------

    void OneString() {
        const Argument s = ReadFirst();
        if (Stopped()) return;
        if (!AtListEnd()) return Fail(kTooMany);
        if (!s.IsString) return Fail(kStringExpected);
        switch (function_) {
        case fn::Asc: return Number(AscCode(s.Text));
        case fn::Len: return Number(static_cast<long double>(s.Text.size()));
        case fn::Val: return Number(ValNumber(s.Text));
        case fn::Trim: return Text(platform::Trim(s.Text));
        case fn::LTrim: return Text(TrimLeftText(s.Text));
        case fn::RTrim: return Text(TrimRightText(s.Text));
        case fn::LCase: return Text(platform::LowerCase(s.Text));
        case fn::UCase: return Text(platform::UpperCase(s.Text));
        case fn::StringToDate: {
            const std::optional<double> day = ParseDateTime(s.Text);
            if (!day) return Fail("Failed to convert string to date");
            return Number(*day);
        }
        case fn::FileLen: return Number(static_cast<long double>(ScriptFileLength(s.Text)));
        case fn::Kill: return Flag(platform::DeleteFile(s.Text));
        case fn::MkDir:
            platform::ForceDirectories(s.Text);
            return Flag(platform::DirectoryExists(s.Text));
        case fn::ChDir: return Flag(platform::SetCurrentDir(s.Text));
        case fn::FileExists: return Flag(platform::FileExists(s.Text));
        case fn::RmDir: return Flag(RemoveScriptFolder(s.Text));
        default: return;
        }
    }

    void Flag(bool done) { Number(done ? 1 : 0); }

    // --- One number ------------------------------------------------------------

    void OneNumber() {
        const Argument n = ReadFirst();
        if (Stopped()) return;
        if (!AtListEnd()) return Fail(kTooMany);
        if (!n.IsNumber) return Fail(kNumericExpected);
        if (const std::optional<MathFunction> math = MathFunctionOf(function_))
            return MathResult(ApplyMath(*math, n.Number));
        switch (function_) {
        case fn::Str: return Text(FormatGeneral(n.Number));
        case fn::Chr:
        case fn::Hex: {
            const std::optional<std::int64_t> code = TruncToInt64(n.Number);
            if (!code) return Fail(msg::IntegerRange);
            return Text(function_ == fn::Chr ? ChrText(*code) : HexText(*code));
        }
        case fn::DateString: return DateText(ShortDateText(static_cast<double>(n.Number)));
        case fn::TimeString: return DateText(LongTimeText(static_cast<double>(n.Number)));
        case fn::DateTimeString: return DateText(DateTimeText(static_cast<double>(n.Number)));
        default: return;
        }
    }

    // --- One file index --------------------------------------------------------

    void FileIndexFunction() {
        const Argument n = ReadFirst();
        if (Stopped()) return;
        if (!AtListEnd()) return Fail(kTooMany);
        if (!n.IsNumber) return Fail(kFileIndexExpected);
        const std::optional<std::int32_t> index = TruncToInt32(n.Number);
        if (function_ == fn::FClose) return Flag(index && e_.m_Files.CloseScriptFile(*index));
        if (!index || !e_.m_Files.IsFileIndexInUse(*index)) return Fail(kBadFileIndex);
        ScriptFileTable& files = e_.m_Files;
        switch (function_) {
        case fn::FGetc: return Number(files.ScriptFileGetChar(*index));
        case fn::FEof: return Number(files.ScriptFileAtEnd(*index));
        case fn::FGets: return Text(files.ScriptFileGetLine(*index));
        case fn::FTell: return Number(static_cast<long double>(files.ScriptFileTell(*index)));
        default: return;
        }
    }

    // --- No arguments ----------------------------------------------------------

    void NoArguments() {
        if (NextCharacter() != ')') return Fail(kNoParameters);
        switch (function_) {
        case fn::FCloseAll:
            e_.m_Files.CloseAll();
            return Number(1);
        case fn::Cwd: return Text(platform::GetCurrentDir());
        case fn::FindNext: return Text(e_.m_FileSearch.FindNext());
        case fn::Beep:
            e_.m_Events.OnBeep();
            return Number(0);
        case fn::Now: return Number(NowDayNumber());
        case fn::Timer: return Number(TimerSeconds());
        default: return;
        }
    }

    // --- ERASE -------------------------------------------------------------------

    void Erase() {
        e_.m_CurrentSymbol = nullptr;
        e_.GetToken();
        if (Stopped()) return;
        TERP_SYMBOL_TAG* array = e_.m_Token == tok::SymbolRef ? e_.m_CurrentSymbol : nullptr;
        if (!array || (array->SymKind != tok::StringArray && array->SymKind != tok::NumericArray))
            return Fail("Array Identifier expected in call to ERASE()");
        const int next = NextCharacter();
        if (next != ')' && next != '\n') return Fail("Too many parameters in call to ERASE()");
        e_.ClearCells(*array);
        array->SymExtra = 0;
        array->SymValue = 0;
        array->SymText.clear();
        if (array->SymKind == tok::StringArray) return Text(std::string());
        Number(0);
    }

    // --- Several arguments -------------------------------------------------------

    void Several() {
        const Argument first = ReadFirst();
        if (Stopped()) return;
        switch (function_) {
        case fn::Left: return Left(first);
        case fn::Right: return Right(first);
        case fn::Mid: return Mid(first);
        case fn::Instr: return first.IsString ? InstrOfText(first) : InstrFromStart(first);
        case fn::DateAdd:
        case fn::DateSub: return DateArithmetic(first);
        case fn::FormatDateTime: return FormatDate(first);
        case fn::FOpen: return FOpen(first);
        case fn::FPuts: return FPuts(first);
        case fn::FPutc: return FPutc(first);
        case fn::FSeek: return FSeek(first);
        case fn::FindFirst: return FindFirst(first);
        case fn::Name: return Rename(first);
        default: return;
        }
    }

    std::optional<std::int64_t> Count(long double value) {
        const std::optional<std::int64_t> count = SaturatingCount(value);
        if (!count) Fail(msg::IntegerRange);
        return count;
    }

    void Left(const Argument& s) {
        static constexpr std::string_view kOffset = "Numeric offset expected in call to LEFT()";
        if (!AtComma()) return Fail(kOffset);
        if (!s.IsString) return Fail("String expected in call to LEFT()");
        const Argument n = ReadNext();
        if (Stopped()) return;
        if (!n.IsNumber) return Fail(kOffset);
        if (!AtListEnd()) return Fail("Too many parameters in call to LEFT()");
        if (const std::optional<std::int64_t> count = Count(n.Number)) Text(LeftText(s.Text, *count));
    }

    void Right(const Argument& s) {
        if (!AtComma()) return Fail("Too few Parameters in call to RIGHT()");
        if (!s.IsString) return Fail("String expected in call to RIGHT()");
        const Argument n = ReadNext();
        if (Stopped()) return;
        if (!n.IsNumber) return Fail("Numeric offset expected in call to RIGHT()");
        if (!AtListEnd()) return Fail("Too many parameters in call to RIGHT()");
        if (const std::optional<std::int64_t> count = Count(n.Number)) Text(RightText(s.Text, *count));
    }

    void Mid(const Argument& s) {
        if (!AtComma()) return Fail("Too few Parameters in call to MID()");
        if (!s.IsString) return Fail("String expected in call to MID()");
        const Argument start = ReadNext();
        if (Stopped()) return;
        if (!start.IsNumber) return Fail("Numeric start position expected in call to MID()");
        if (!AtListEnd() && !AtComma()) return Fail("Badly formed statement! - MID()");
        std::optional<std::int64_t> length;
        if (AtComma()) {
            const Argument count = ReadNext();
            if (Stopped()) return;
            if (!count.IsNumber) return Fail("Expected numeric length specifier in call to MID()");
            length = Count(count.Number);
            if (!length) return;
        }
        if (!AtListEnd()) return Fail("Too many Parameters in call to MID()");
        if (const std::optional<std::int64_t> from = Count(start.Number)) Text(MidText(s.Text, *from, length));
    }

    // The optional last argument of INSTR: any number but 0 compares exactly.
    std::optional<bool> InstrExact() {
        if (!AtComma()) return false;
        const Argument exact = ReadNext();
        if (Stopped()) return std::nullopt;
        if (!exact.IsNumber) {
            Fail("Numeric expression expected in call to INSTR()");
            return std::nullopt;
        }
        return exact.Number != 0;
    }

    void InstrOfText(const Argument& text) {
        static constexpr std::string_view kTooFew = "Too few Parameters in call to INSTR()";
        if (!AtComma()) return Fail(kTooFew);
        const Argument wanted = ReadNext();
        if (Stopped()) return;
        if (!wanted.IsString) return Fail("Expected string in call to INSTR()");
        const std::optional<bool> exact = InstrExact();
        if (!exact) return;
        if (!AtListEnd()) return Fail("Too many Parameters in call to INSTR()");
        Number(static_cast<long double>(InstrPosition(text.Text, wanted.Text, *exact)));
    }

    void InstrFromStart(const Argument& start) {
        static constexpr std::string_view kTooFew = "Too few Parameters in call to INSTR()";
        if (!start.IsNumber) return Fail("Expected string in call to INSTR()");
        if (start.Number - 1 < 0) return Fail("Invalid Start position in call to Instr()");
        if (!AtComma()) return Fail(kTooFew);
        const Argument text = ReadNext();
        if (Stopped()) return;
        if (!text.IsString) return Fail("Expected string in call to INSTR()");
        if (!AtComma()) return Fail(kTooFew);
        const Argument wanted = ReadNext();
        if (Stopped()) return;
        if (!wanted.IsString) return Fail("Expected second string in call to INSTR()");
        const std::optional<bool> exact = InstrExact();
        if (!exact) return;
        if (!AtListEnd()) return Fail("Too many parameters in call to INSTR()");
        const std::optional<std::int64_t> from = Count(start.Number);
        if (from) Number(static_cast<long double>(InstrPosition(text.Text, wanted.Text, *exact, *from)));
    }

    void DateArithmetic(const Argument& day) {
        static constexpr std::string_view kTooFew = "Too few parameters in function call";
        static constexpr std::string_view kUnit = "Expected D,H,M or S in call to DateAdd/DateSub";
        if (!AtComma()) return Fail(kTooFew);
        if (!day.IsNumber) return Fail("Expected Date Value");
        const Argument unit = ReadNext();
        if (Stopped()) return;
        if (!AtComma()) return Fail(kTooFew);
        if (!unit.IsString) return Fail("Expected string in call to DateAdd/DateSub");
        if (platform::Trim(unit.Text).empty()) return Fail(kUnit);
        const Argument amount = ReadNext();
        if (Stopped()) return;
        if (!AtListEnd()) return Fail("Too many Parameters in call to DateAdd/DateSub");
        if (!amount.IsNumber) return Fail("Expected numeric amount in call to DateAdd/DateSub");
        const std::optional<double> size = DateUnitSize(unit.Text);
        if (!size) return Fail(kUnit);
        const double d = static_cast<double>(day.Number);
        const double step = static_cast<double>(amount.Number) * *size;
        StoredNumber(function_ == fn::DateAdd ? d + step : d - step);
    }

    void FormatDate(const Argument& day) {
        static constexpr std::string_view kString = "String expected in call to FormatDateTime";
        if (!day.IsNumber) return Fail("Date Expected in call to FormatDateTime");
        if (!AtComma()) return Fail(kString);
        const Argument format = ReadNext();
        if (Stopped()) return;
        if (!AtListEnd()) return Fail("Too many parameters in call to FormatDateTime");
        if (!format.IsString) return Fail(kString);
        DateText(FormatDateTime(format.Text, static_cast<double>(day.Number)));
    }

    // --- Script files --------------------------------------------------------------

    // The file index of a call with several arguments; none after a report.
    std::optional<std::int32_t> IndexOf(const Argument& index, std::string_view call) {
        if (!index.IsNumber) {
            Fail("File Index expected in call to " + std::string(call));
            return std::nullopt;
        }
        const std::optional<std::int32_t> value = TruncToInt32(index.Number);
        if (!value) Fail("Bad File Index in call to " + std::string(call));
        return value;
    }

    void FOpen(const Argument& indexArgument) {
        const std::optional<std::int32_t> index = IndexOf(indexArgument, "FOPEN()");
        if (!index) return;
        if (!AtComma()) return Fail("FileName expected in call to FOPEN()");
        const Argument name = ReadNext();
        if (Stopped()) return;
        if (!name.IsString) return Fail("FileName Expected in call to FOPEN()");
        FileMode mode = FileMode::Text;
        if (AtComma()) {
            const Argument modeText = ReadNext();
            if (Stopped()) return;
            if (e_.m_Token != tok::CloseParen) return Fail("Too many parameters in call to FOPEN()");
            if (!modeText.IsString) return Fail("Expected mode parameter in FOPEN()");
            mode = ParseOpenMode(modeText.Text);
        }
        if (!AtListEnd()) return Fail("Too many parameters in call to FOPEN()");
        if (e_.m_Files.IsFileIndexInUse(*index)) return Fail("Index is already in use!");
        Flag(e_.m_Files.OpenScriptFile(*index, name.Text, mode));
    }

    // The second argument of FPUTC, FPUTS and FSEEK, with their shared checks.
    std::optional<Argument> SecondOf(std::string_view call, std::optional<std::int32_t>& index,
                                     const Argument& indexArgument) {
        index = IndexOf(indexArgument, call);
        if (!index) return std::nullopt;
        if (!AtComma()) {
            Fail("Too few parameters in call to " + std::string(call));
            return std::nullopt;
        }
        Argument second = ReadNext();
        if (Stopped()) return std::nullopt;
        if (!AtListEnd()) {
            Fail("Too many parameters in call to " + std::string(call));
            return std::nullopt;
        }
        return second;
    }

    bool IndexInUse(std::int32_t index, std::string_view call) {
        if (e_.m_Files.IsFileIndexInUse(index)) return true;
        Fail("Bad File Index in call to " + std::string(call));
        return false;
    }

    void FPutc(const Argument& indexArgument) {
        std::optional<std::int32_t> index;
        const std::optional<Argument> code = SecondOf("FPUTC()", index, indexArgument);
        if (!code) return;
        if (!code->IsNumber) return Fail("Numeric ASCII value expected in call to FPUTC()");
        if (!IndexInUse(*index, "FPUTC()")) return;
        const std::optional<std::int64_t> byte = TruncToInt64(code->Number);
        if (!byte) return Fail(msg::IntegerRange);
        Number(e_.m_Files.ScriptFilePutChar(*index, *byte));
    }

    void FPuts(const Argument& indexArgument) {
        std::optional<std::int32_t> index;
        const std::optional<Argument> text = SecondOf("FPUTS()", index, indexArgument);
        if (!text) return;
        if (!text->IsString) return Fail("String expected in call to FPUTS()");
        if (!IndexInUse(*index, "FPUTS()")) return;
        Number(e_.m_Files.ScriptFilePutText(*index, text->Text));
    }

    void FSeek(const Argument& indexArgument) {
        std::optional<std::int32_t> index;
        const std::optional<Argument> offset = SecondOf("FSEEK()", index, indexArgument);
        if (!offset) return;
        if (!offset->IsNumber) return Fail("Absolute offset value expected in call to FSEEK()");
        if (!IndexInUse(*index, "FSEEK()")) return;
        const std::optional<std::int64_t> position = TruncToInt64(offset->Number);
        if (!position) return Fail(msg::IntegerRange);
        Number(static_cast<long double>(e_.m_Files.ScriptFileSeek(*index, *position)));
    }

    void FindFirst(const Argument& pattern) {
        static constexpr std::string_view kOneName = "One filename parameter required for FindFirst";
        if (!pattern.IsString || (!AtComma() && !AtListEnd())) return Fail(kOneName);
        std::int32_t attributes = 0;
        if (AtComma()) {
            const Argument mask = ReadNext();
            if (Stopped()) return;
            if (!AtListEnd()) return Fail("Too many parameters to FINDFIRST()");
            if (!mask.IsNumber) return Fail("Expected attribute field in FINDFIRST()");
            const std::optional<std::int32_t> value = TruncToInt32(mask.Number);
            if (!value) return Fail(msg::IntegerRange);
            attributes = *value;
        }
        Text(e_.m_FileSearch.FindFirst(pattern.Text, attributes));
    }

    void Rename(const Argument& from) {
        if (!AtComma()) return Fail("Too few Parameters in call to NAME()");
        if (!from.IsString) return Fail("Old file name string expected in call to NAME()");
        const Argument to = ReadNext();
        if (Stopped()) return;
        if (!to.IsString) return Fail("New file name string expected in call to NAME()");
        if (!AtListEnd()) return Fail("Too many Parameters in call to NAME()");
        Flag(platform::RenameFile(from.Text, to.Text));
    }

    TLangEngine& e_;
    const int function_;
};

}  // namespace

std::optional<MathFunction> MathFunctionOf(int function) {
    switch (function) {
    case fn::Sqr: return MathFunction::Sqr;
    case fn::Sin: return MathFunction::Sin;
    case fn::Cos: return MathFunction::Cos;
    case fn::Tan: return MathFunction::Tan;
    case fn::Atn: return MathFunction::Atn;
    case fn::ASin: return MathFunction::Asin;
    case fn::ACos: return MathFunction::Acos;
    case fn::Abs: return MathFunction::Abs;
    case fn::Sgn: return MathFunction::Sgn;
    case fn::Int: return MathFunction::Int;
    case fn::Exp: return MathFunction::Exp;
    case fn::Exp2: return MathFunction::Exp2;
    case fn::Exp10: return MathFunction::Exp10;
    case fn::Log: return MathFunction::Log;
    case fn::Log2: return MathFunction::Log2;
    case fn::Log10: return MathFunction::Log10;
    default: return std::nullopt;
    }
}

bool IsBuiltinCode(int code) {
    switch (code) {
    case 2: case 3: case 4: case 5: case 6: case 8: case 11:
    case 14: case 15: case 16: case 17: case 18: case 19: case 20: case 21:
    case 30: case 123: case 126:
    case 172: case 173: case 174: case 175: case 176: case 177:
    case 180: case 181: case 183: case 184: case 185:
        return true;
    default:
        return (code >= 145 && code <= 168) || (code >= 190 && code <= 198);
    }
}

void TLangEngine::EvalBuiltin() { BuiltinCall(*this).Run(); }

void TLangEngine::CloseScriptFiles() { m_Files.CloseAll(); }

}  // namespace pevox
