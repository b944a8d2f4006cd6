// The interpreter: its state (the registers the lexer, the evaluator and the
// run loop share) and its operations. It knows nothing of the editor widget
// or of COM; the control builds on it and hands in the two seams.
#pragma once

#include "Tlangeval.h"
#include "Tlangevents.h"
#include "Tlangfiles.h"
#include "Tlanghostdata.h"
#include "Tlangmemory.h"
#include "Tlangregister.h"
#include "Tlangsymbols.h"
#include "Tlangtokens.h"
#include "Tlangtranslate.h"
#include "TxTypes.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace pevox {

// A list of lines with one number beside each line.
struct LineList {
    std::vector<std::string> Strings;
    std::vector<int> Objects;

    void Add(std::string line, int object = 0) {
        Strings.push_back(std::move(line));
        Objects.push_back(object);
    }
    int Count() const { return static_cast<int>(Strings.size()); }
};

// What ScanToken did.
enum class ScanResult {
    CodeProduced,  // m_Token holds the code
    WordScanned,   // the word is in the out-string, m_Token as the symbol resolution left it
    EndOfText,
};

struct EvalFlags {
    bool Assignable = false;
    bool AfterSeparator = false;
};

class TLangEngine {
public:
    static constexpr int kEndOfText = -1;          // GetChar at the end of the run text
    static constexpr int kCallSiteLimit = 512001;  // GOTO and GOSUB statements a script may hold

    TLangEngine(EngineEvents& events, EditorView& editor);
    virtual ~TLangEngine();
    TLangEngine(const TLangEngine&) = delete;
    TLangEngine& operator=(const TLangEngine&) = delete;

    // --- Token table and lexer -------------------------------------------
    void LoadTokenTable();
    int GetChar();
    void UngetChar();
    ScanResult ScanToken(std::string& word);
    bool GetToken(bool codeMeansFalse, std::string word, bool lookup);
    // A token read before comes from the cache inline: the run loop and every
    // skip over lines fetch this way.
    bool GetToken() {
        if (!m_StopRequested && m_Token != tok::End && TokenCacheUsable())
            if (const CachedToken* cached = FindCachedToken(m_TextPos)) {
                previousToken_ = m_Token;
                return UseCachedToken(*cached, m_TextPos, false);
            }
        return GetToken(false, std::string(), false);
    }
    int PeekToken();
    bool ResolveIdentifier(int nextChar, const std::string& name);
    std::string LookupConstant(const std::string& name) const;

    // --- Symbol store ----------------------------------------------------
    TERP_SYMBOL_TAG* FindSymbol(std::string_view name, int selector) const;
    TERP_SYMBOL_TAG* FindLabel(std::string_view name) const { return FindSymbol(name, kLabelList); }
    TERP_SYMBOL_TAG* FindFunctionByName(std::string_view name) const { return FindSymbol(name, kFunctionList); }
    TERP_SYMBOL_TAG* FindFunction(int ordinal) const;
    TERP_SYMBOL_TAG* AddSymbol(TERP_SYMBOL_TAG record);
    TERP_SYMBOL_TAG* DefineSymbol(TERP_SYMBOL_TAG record);
    // Appends a host-function record (kind 31, SymCount = Ordinal) to m_Functions.
    TERP_SYMBOL_TAG& AddFunctionSymbol(TERP_SYMBOL_TAG record);
    void InitSymbols();
    bool FormatDump(std::vector<std::string>& lines) const;
    // Frees the variables and the labels and block records of a run.
    void FreeSymbols();

    // --- Pre-pass ----------------------------------------------------------
    bool PrePass();
    int LineOfOffset(int position);

    // --- Run entry ---------------------------------------------------------
    // Runs the editor's script: frees the last run, turns the host variables
    // into symbols, fires OnInitialize, runs the pre-pass and the script, and
    // fires OnScriptComplete. False, with nothing done, while a run is in
    // progress; true at once for an editor without lines. A std::exception
    // from the pre-pass (the script file cannot be written or read) leaves
    // the engine idle and stopped, and reaches the caller.
    bool Execute();
    // Stops a run and frees its state; during a run the state is freed once
    // the run has unwound.
    void Reset();
    int State() const { return m_Busy; }
    // Fires OnDump for every line of the variable dump.
    void DumpVariables();

    // --- Host data interface ------------------------------------------------
    // Host functions become symbols at once; host variables and arrays become
    // lines that every run turns into symbols. Refusals of the three Add
    // members stop a run in progress (TxKilled).
    HostResult AddFunction(const std::string& keyword, int paramCount, int ordinal, int returnType,
                           int minParams = -1);
    HostResult AddVariable(const std::string& varName, int varType, bool isConstant = false);
    // Declined, after reporting a script error, when the first dimension is
    // not above 0.
    HostResult AddArray(const std::string& arrayName, int arrayType, const HostIndexes& dims);
    // Variables and array cells of the symbols of the current or last run.
    HostResult GetSVariable(const std::string& varName, std::string& value) const;
    HostResult SetSVariable(const std::string& varName, const std::string& value);
    HostResult GetNVariable(const std::string& varName, double& value) const;
    HostResult SetNVariable(const std::string& varName, double value);
    HostResult GetSArray(const std::string& arrayName, std::string& value, const HostIndexes& subscripts) const;
    HostResult SetSArray(const std::string& arrayName, const std::string& value, const HostIndexes& subscripts);
    HostResult GetNArray(const std::string& arrayName, double& value, const HostIndexes& subscripts) const;
    HostResult SetNArray(const std::string& arrayName, double value, const HostIndexes& subscripts);
    // The highest index of each dimension; -1 for the dimensions the array
    // does not have.
    HostResult GetArrayBounds(const std::string& arrayName, HostIndexes& dims) const;
    HostResult ClearArray(const std::string& arrayName);
    // The arguments of the host-function call in progress, 1-based: 0 and ""
    // outside a call or for a position without an argument.
    double GetNParam(int position) const;
    std::string GetSParam(int position) const;
    // What a word of an editor line is to the language, as syntax colouring
    // sees it: its code (tok::None for none); for a host variable, constant or
    // function also the name as it was registered. Touches no register.
    int LookupWord(const std::string& word, std::string& registeredName) const;

    // --- Expression evaluator ------------------------------------------------
    // Evaluates from the current token (fetching one first when asked, or when
    // there is none) and leaves the value in the registers and the token that
    // stopped it current.
    void EvalExpression(bool fetchFirst);
    // Infix "+" or "-": the value so far with the operand that follows.
    void EvalArithmetic();
    // AND or OR: the value so far with the rest up to the next terminator.
    void EvalLogical();
    // A parenthesised sub-expression whose "(" is current, up to its ")",
    // leaving the token Separator; with `argument`, one argument of a
    // built-in function, up to the next terminator.
    void EvalSubExpression(bool argument);
    // The call of the host function whose call token is current.
    void CallUserFunction();
    // The call of the built-in function whose token is current: leaves the
    // result with m_Token NumberLiteral (m_NumValue) or StringLiteral
    // (m_TokenText), or reports an error.
    void EvalBuiltin();
    // One evaluator call that must make progress: a token other than a
    // terminator that the evaluator leaves where it was is a syntax error.
    // False once the run is stopped.
    bool EvalStep(bool fetchFirst);
    // The kind of the value just evaluated: m_ValueType, or the kind of the
    // last item read when no operand set it.
    int ValueKind() const { return m_ValueType != tok::None ? m_ValueType : m_SavedToken; }
    // Puts the token just fetched back, so that the next fetch reads it again.
    void PutBackToken();
    // -1 stands for the current token.
    bool IsTerminator(int token = -1) const {
        return m_StopRequested || IsTerminatorCode(token == -1 ? m_Token : token);
    }
    bool IsOperator(int token = -1) const { return IsOperatorCode(token == -1 ? m_Token : token); }
    bool IsCallToken(int token = -1) const;
    int OperatorPrecedence(int token = -1) const;
    bool IsNonNumericValue(int kind) const;
    bool IsNonStringValue(int kind) const;
    bool IsRelationalToken() const;

    // --- Run loop and statements ------------------------------------------
    // Interprets statements until its block ends: 0 when it ended (a closing
    // keyword in a nested block, a stop, the end of the text), 1 at END or at
    // a GOTO met in a nested block (the GOTO stays current).
    int RunBlock(bool nested, bool fetch);
    // Block statements, entered just after their keyword: 1 when completed
    // (also after END), 0 when a stop ended them, -2 after going back to a
    // GOTO that leaves the block, -1 (IF) when the branch ended on a token
    // the caller must dispatch.
    int ExecIf();
    int ExecFor();
    int ExecWhile();
    int ExecSwitch();
    void ExecGosub();
    void ExecPrint();
    // Per-dispatch hook: breakpoints and step events. In run mode it only
    // notes the line, inline: it runs before every statement.
    void StepLine() {
        m_CurrentLine = LineAt(m_TextPos);
        if (m_Token == tok::Stop || (!m_StopRequested && m_ExecutionMode != TxRun && m_TextPos <= m_RunTextLength))
            StepOrBreak();
    }
    void StepOrBreak();
    // The step of the dispatch at the start of a line that runs from what was
    // kept of it: the run loop's dispatch of the line's first token would
    // fire it there, with this line. False when the host stopped the run in
    // its step handler, so the line must not run.
    bool StepAtLine(int line) {
        m_CurrentLine = line;
        if (m_ExecutionMode != TxRun && !m_StopRequested) StepOrBreak();
        return !m_StopRequested;
    }
    // A line whose first token is an array cell steps once the cell's
    // subscripts are read, where the line end before it was dispatched
    // already: the line's kept form owes that step (the line) until it has
    // found its target cell, and then fires it; 0 when no step is owed.
    std::int32_t stepAfterTarget_ = 0;
    // Fires the step owed once the target is found (a variable, or the cell
    // `array` names); false, with the cell selected as reading it selects
    // it, when the host stopped the run.
    bool StepAfterTarget(TERP_SYMBOL_TAG* array, const std::int32_t* subscripts, std::int32_t cell);
    // A jump back (a loop's next round, a GOTO) may land on the line it left,
    // as an empty loop body or "GOTO" to the label just above does. No line
    // changes then, yet the host must hear of the step, or it could never
    // stop an endless loop: the next line steps even when it is the same one.
    void StepAgainAfterJump() {
        stepAgain_ = true;
        ++jumps_;
    }

    // Frees what a run built: symbols, labels and blocks, the run's lines and
    // its text; host functions and host-variable lines stay.
    void FreeRunState();

    // --- Stops and errors --------------------------------------------------
    // Reports an error of a host call as a script error, also while idle.
    void ReportHostError(const std::string& message);
    // Sets the stop flag and, if it was clear, the token END.
    void StopRun();
    void Terminate();
    // The one error path: stops the run with TxError, selects the failing
    // line (that of m_TextPos; the line that ended when the current token is
    // a line end) and fires OnScriptError. An empty message stops silently.
    void ReportError(const std::string& message);
    void SelectLine();

    // --- Seams ---------------------------------------------------------------
    EngineEvents& m_Events;
    EditorView& m_Editor;

    // --- Properties and run control ----------------------------------------
    std::uint8_t m_ExecutionMode = TxRun;
    bool m_StopRequested = true;  // the first run clears it
    bool m_AutoSelectStepLine = false;
    bool m_AllowUserBreak = false;
    std::int32_t m_ExitCode = TxNormal;
    bool m_SaveBeforeRun = false;
    // Statements run from what the engine keeps of the run text: the token
    // cache, the block records found by position, the FOR bounds read again
    // without their text, the translated forms, the kept lines,
    // bodies and SWITCH tables. False turns every one of them off at once, so
    // each statement is read from the text by the evaluator: the reference
    // the tests (and tlangrun --reference) compare the kept forms with.
    bool m_TranslateLines = true;
    bool m_ShowConstantsInDump = false;
    bool m_LeaveBlock = false;
    bool m_InSingleLineIf = false;
    std::string m_FileName;

    // --- Evaluation registers ----------------------------------------------
    std::int32_t m_ExprDepth = 0;
    std::int32_t m_EvalWork = 0;
    std::string m_UserSReturn;
    long double m_UserNReturn = 0;
    std::vector<std::string>* m_ParamList = nullptr;  // only while OnUserFunction runs
    long double m_NumValue = 0;
    TextRegister m_TokenText;
    std::int32_t m_Token = tok::None;
    std::int32_t m_ValueType = tok::None;
    std::int32_t m_SavedToken = tok::None;
    EvalFlags m_EvalFlags;

    // --- Token table -----------------------------------------------------------
    std::string m_TokenTableUpper;
    std::string m_TokenTable;
    std::unordered_map<std::string, int> m_KeywordIndex;  // names of m_TokenTableUpper to codes

    // --- Script text -------------------------------------------------------
    std::optional<std::vector<std::string>> m_HostVariables;  // host-variable lines, made on first use
    std::optional<LineList> m_ScriptLines;  // the run's lines; tokenised by the pre-pass
    std::optional<LineList> m_SourceLines;  // source lines; objects: run-text end of each tokenised line
    std::int32_t m_CurrentLine = 1;
    std::int32_t m_TextPos = 1;
    std::int32_t m_RunTextLength = 0;
    std::string m_RunText;
    bool m_Tokenising = false;
    // Set while the pre-pass reads the source text (its first pass), where
    // code bytes of the tokenised text have no meaning.
    bool m_ReadingSource = false;
    // The source text of the last number or string literal scanned (a string
    // with its quotes), which the pre-pass writes into the tokenised text.
    std::string m_LiteralText;

    // --- Symbols -------------------------------------------------------------
    SymbolList m_Labels;
    SymbolList m_Variables;
    SymbolList m_Functions;
    TERP_SYMBOL_TAG* m_CurrentSymbol = nullptr;
    // The description a failing host-interface member reports.
    std::string m_ErrorInfo;

    std::string m_PrintLine;

    // --- Script files ----------------------------------------------------------
    // The files the script opened by number, and its file search.
    ScriptFileTable m_Files;
    ScriptFileSearch m_FileSearch;

    // --- Limits --------------------------------------------------------------
    // Nesting that would otherwise run the call stack out ends the run with a
    // reported error.
    static constexpr int kMaxExpressionNesting = 2000;
    static constexpr int kMaxBlockNesting = 400;
    // What the run holds; past its limit the run stops with "Out of memory".
    RunMemory m_Memory;
    // Counts `bytes` more as held by the run; false, with the run stopped by
    // "Out of memory", past the limit.
    bool TakeMemory(std::uint64_t bytes);
    // A held text (a variable's or a cell's) that goes from one size to another.
    bool ResizeHeldText(std::size_t before, std::size_t after);
    // Makes an array's cells, counted as held; false with the error reported.
    bool AllocateCells(TERP_SYMBOL_TAG& array, const std::string& failure);
    // Sets every cell of an array to 0 and "" and gives back its texts' room.
    void ClearCells(TERP_SYMBOL_TAG& array);

protected:
    // Closes the files a script opened: after every run, whatever ended it,
    // and by Reset.
    void CloseScriptFiles();

private:
    // The text of argument `position` of the host call running; empty outside one.
    std::string_view ParamText(int position) const;
    // The value a SWITCH compares its CASE items with.
    struct SwitchValue {
        bool isString = false;
        std::string text;
        double number = 0;
    };
    // Where a GOTO inside a block statement leads.
    enum class BlockJump { Inside, Outside, Failed };
    // What PeekToken and a look-ahead restore.
    struct TokenState {
        std::string tokenText;
        std::string literalText;
        long double numValue;
        std::int32_t token;
        TERP_SYMBOL_TAG* currentSymbol;
        std::int32_t textPos;
        int tokenStart;
        int lineEndPos;
    };
    // Counts one level of nesting for as long as it lives.
    class NestingLevel {
    public:
        explicit NestingLevel(int& depth) : depth_(++depth) {}
        ~NestingLevel() { --depth_; }
        NestingLevel(const NestingLevel&) = delete;
        NestingLevel& operator=(const NestingLevel&) = delete;

    private:
        int& depth_;
    };

    std::int32_t m_Busy = TxStsIdle;
    bool resetPending_ = false;
    int lastSteppedLine_ = 0;  // the line of the last OnStep of this engine's run
    bool stepAgain_ = false;   // a jump back happened: the next line steps even if it is the same
    int exprNesting_ = 0;
    int blockNesting_ = 0;
    int tokenStart_ = 1;       // where the scan of the current token began
    int lineEndPos_ = 0;       // CR of the line end the last fetch read; 0 when it read none
    bool skipping_ = false;    // tokens are only skipped: array cells are not resolved
    bool resolveCellsInDeclaration_ = false;  // a declaration initialiser reads array cells
    std::unordered_map<int, TERP_SYMBOL_TAG*> functionsByOrdinal_;
    // The same for the ordinals hosts use most, looked up by index: a host
    // call finds its function at every call.
    static constexpr int kSmallOrdinals = 4096;
    std::vector<TERP_SYMBOL_TAG*> functionsBySmallOrdinal_;
    // The argument texts of host calls, by the nesting of the call: a call
    // within an argument has texts of its own.
    int hostCallDepth_ = 0;
    std::deque<std::vector<std::string>> hostArguments_;
    int previousToken_ = tok::None;  // the token current when GetToken was entered

    // Lexer helpers.
    void PutBackChar();
    void EnsureRunText();
    ScanResult ScanStringLiteral();
    ScanResult ScanNumber(int first);
    ScanResult ScanOperator(int c);
    void SkipComment();
    bool ResolveArrayCell(TERP_SYMBOL_TAG& array);

    // Symbol helpers.
    bool InitSymbolLine(const std::string& line);

    // Host data helpers.
    // Why a new host name cannot be had ("" when it can); a word reserved for
    // future use is also reported as a script error.
    std::string HostNameRefusal(const std::string& name);
    // A refused registration stops a run in progress.
    HostResult RefuseRegistration(const std::string& message);

    // Pre-pass steps.
    bool TokenisePass();
    bool StructurePass(std::vector<int>& callSites);
    bool CheckSymbolsPass();
    bool CheckCallSites(const std::vector<int>& callSites);
    void LoadScriptThroughFile();
    // Inline: every block's end and every loop's round rewinds.
    void RewindTo(int position) {
        ++jumps_;
        m_TextPos = position == 0 ? 1 : position;
        if (m_TextPos == 1) RestartRunText();
        m_CurrentLine = LineAt(m_TextPos);
    }
    void RestartRunText();
    void RebuildLineOffsets();
    bool DeclareLabel();
    bool ExecDeclaration();
    bool DeclareArray(TERP_SYMBOL_TAG record);
    bool PreFor();
    bool PreIf();
    bool ScanSingleLineIf(int start, int& elsePos, int& endPos);
    bool ScanBlockIf(int start, int& elsePos, int& endPos);
    bool SkipIfCondition();
    bool PreWhile();
    bool PreSwitch();
    bool FindClosing(int opener, int closer, int& closerPos);
    bool SkipToLineEnd() {
        while (FetchSkipping() && m_Token != tok::EndOfLine) {
        }
        return !m_StopRequested;
    }
    void ReportErrorAt(int position, const std::string& message);

    // What a scan at a position of the run text found.
    struct CachedToken {
        std::int32_t token = tok::None;
        std::int32_t end = 0;      // the text position after the token
        std::int32_t lineEnd = 0;  // lineEndPos_ after it
        bool codeProduced = false;
        // A string literal's or a word's text: its index in the kept token
        // texts, so that the many tokens without one take no room for it.
        std::int32_t text = -1;
        TERP_SYMBOL_TAG* symbol = nullptr;  // a variable or label reference
        long double number = 0;
    };
    int FindLineOfOffset(int position) const;
    void MakeLineTable();
    // What the run text and its tables by position hold, counted in m_Memory.
    std::uint64_t runTextHeld_ = 0;
    bool TokenCacheUsable() const {
        return m_TranslateLines && !m_Tokenising && !m_ReadingSource && m_RunTextLength > 0 &&
               kept_.tokenIndex.size() == static_cast<std::size_t>(m_RunTextLength) + 2;
    }
    // Inline, with FetchToken: the evaluator's fetch from the cache is the hot
    // path of every loop.
    const CachedToken* FindCachedToken(int start) const {
        if (start < 1 || start > m_RunTextLength) return nullptr;
        const std::int32_t index = kept_.tokenIndex[static_cast<std::size_t>(start)];
        return index < 0 ? nullptr : &kept_.tokens[static_cast<std::size_t>(index)];
    }
    void CacheToken(int start, bool codeProduced);
    bool UseCachedToken(const CachedToken& cached, int start, bool codeMeansFalse) {
        m_Token = cached.token;
        m_TextPos = cached.end;
        tokenStart_ = start;
        lineEndPos_ = cached.lineEnd;
        switch (cached.token) {
        case tok::StringLiteral:
        case tok::None:
            m_TokenText = kept_.tokenTexts[static_cast<std::size_t>(cached.text)];
            break;
        case tok::NumberLiteral:
            m_NumValue = cached.number;
            break;
        case tok::SymbolRef:
            m_CurrentSymbol = cached.symbol;
            if (cached.symbol->SymKind == tok::NumberDecl)
                m_NumValue = cached.symbol->SymValue;
            else if (cached.symbol->SymKind == tok::StringDecl)
                m_TokenText = cached.symbol->SymText;
            break;
        default:
            break;
        }
        return cached.codeProduced ? !codeMeansFalse : true;
    }

    // Lexer helpers shared with the run loop.
    TokenState SaveTokenState() const;
    void RestoreTokenState(const TokenState& state);
    // Fetches the next token without side effects (no array cell is
    // resolved), also past an END. Inline: every skip over lines fetches so.
    bool FetchSkipping() {
        // GetToken does not move past an END; a skip must.
        if (m_Token == tok::End) m_Token = tok::None;
        skipping_ = true;
        const bool produced = GetToken();
        skipping_ = false;
        return produced;
    }

    // Evaluator helpers.
    // GetToken inside an expression, where an unknown word is an error.
    bool FetchToken() {
        const CachedToken* cached =
            !m_StopRequested && m_Token != tok::End && TokenCacheUsable() ? FindCachedToken(m_TextPos) : nullptr;
        if (!cached) return FetchScannedToken();
        previousToken_ = m_Token;
        const bool produced = UseCachedToken(*cached, m_TextPos, false);
        return m_Token == tok::None && !m_StopRequested ? ReportUndefinedWord() : produced;
    }
    bool FetchScannedToken();
    bool ReportUndefinedWord();
    bool EvalSign(bool fetchFirst);
    void EvalProduct();
    bool ApplyProduct(int op, long double left, long double right);
    // False, with the error reported, for a number a variable (a double)
    // cannot hold: "not a number" (a power such as (-8) ^ (1 / 3)) or a
    // magnitude beyond the double range.
    bool CheckNumberResult(long double value);
    void EvalComparison();
    void EvalNot();
    void EvalParenthesis();
    void EvalAssignment();
    void EvalAssignedValue();
    void EvalIncrement();
    void GoOnAfterOperand();
    bool ReadHostArguments(const TERP_SYMBOL_TAG& function, std::vector<std::string>& params);

    // In the tables kept by position: a position not looked at yet, and one
    // where nothing is kept.
    static constexpr std::int32_t kNotLookedAt = -1;
    static constexpr std::int32_t kNothingKept = -2;
    // What the run loop keeps of a line it has read before, by the line's
    // start: an assignment runs from its translated form, a line that starts
    // with a statement keyword has that keyword fetched without
    // reading it again.
    struct KeptLine {
        enum class Kind : std::uint8_t { NotLookedAt, General, Assignment, Keyword };
        Kind kind = Kind::NotLookedAt;
        std::int32_t token = 0;    // the keyword
        std::int32_t end = 0;      // the text position after it
        std::int32_t lineEnd = 0;  // lineEndPos_ after its fetch
    };
    enum class LineRun { NotRun, Ran, KeywordFetched };
    // At a line start with the line end before it current, in run mode: runs
    // the line's assignment (Ran), or fetches its keyword for the dispatch
    // (KeywordFetched); NotRun, with nothing changed, leaves the line to the
    // general way. `atBlockStart`: the line end has not been dispatched yet,
    // as at the start of a block's body.
    LineRun RunKeptLine(bool atBlockStart);
    KeptLine KeptLineAt(int position);
    static void SetKeptKeyword(KeptLine& kept, const CachedToken& keyword);

    // The body of a block (a loop's, a branch's, a CASE's or a subroutine's)
    // as far as its lines were read before: each line runs from what was kept
    // of it, without the run loop's dispatch, up to the keyword that closes
    // the body, or up to the first line the run loop must read, from which
    // the run loop goes on.
    struct BodyLine {
        // General: a line the run loop's own dispatch runs.
        enum class Kind : std::uint8_t { Translated, Statement, General };
        Kind kind = Kind::General;
        TranslatedStatement* translated = nullptr;  // Translated
        KeptLine keyword;                           // Statement: IF, WHILE, FOR, SWITCH or GOSUB
        std::int32_t next = 0;  // where the next line starts once this one has run to its end
        std::int32_t line = 0;  // the line StepLine finds at the line's first token
        // The line starts with an array cell, whose subscripts the run loop
        // reads before the dispatch steps: only at the start of a body, where
        // the line end before it steps first, does the step come first.
        bool startsWithCell = false;
    };
    struct Body {
        std::vector<BodyLine> lines;
        bool closed = false;  // the closing keyword's line follows the lines
        KeptLine closer;
        std::int32_t closerLine = 0;  // the line StepLine finds after its fetch
        bool assignmentsOnly = false;  // closed, and every line an assignment
    };
    static constexpr std::int32_t kSeenOnce = -4;
    // In the table of translated statements: a statement that ran once, as
    // kSeenAt less the jumps made before that run. A line runs again only
    // after a jump (a rewind, a loop's round, a GOTO, a subroutine), so a
    // statement is translated when it is asked for after a later jump, and
    // the several asks of one run (the kept line's, the dispatch's) count once.
    static constexpr std::int32_t kSeenAt = -8;
    static constexpr std::uint32_t kJumpMask = 0x3FFFFFFF;
    static bool RanOnce(std::int32_t index) { return index <= kSeenAt; }
    std::int32_t SeenNow() const { return kSeenAt - static_cast<std::int32_t>(jumps_ & kJumpMask); }
    std::uint32_t jumps_ = 0;  // jumps the run has made, counted to tell one run of a line from the next
    // RunBlock(true, false) at the start of a body, with the line end before
    // it current: through the body's kept lines where it has them.
    void RunBody();
    // The body that starts at a position, made at its second run (the first
    // reads its lines); null when it has none. Inline for a body made before:
    // every round of a loop asks for its body.
    const Body* BodyAt(int position) {
        if (position >= 0 && static_cast<std::size_t>(position) < kept_.bodyIndex.size()) {
            const std::int32_t index = kept_.bodyIndex[static_cast<std::size_t>(position)];
            if (index >= 0) return &kept_.bodies[static_cast<std::size_t>(index)];
            if (index == kNothingKept) return nullptr;
        }
        return FindBody(position);
    }
    const Body* FindBody(int position);
    Body MakeBody(int position);
    // The body line of a line the run loop kept; a General one with `next`
    // 0 when the line has no kept form.
    BodyLine KeptBodyLine(int position, const KeptLine& kept);
    // The start of the line after the one a position is in, when the tokens
    // up to its line end were read before; 0 otherwise.
    int LineAfter(int position) const;
    // Runs one kept line of a body as the run loop would; false when the run
    // loop must go on from the state it left, `fetch` as the loop has it.
    // Inline for an assignment, the most common line of a loop.
    bool RunBodyLine(const BodyLine& line, bool atBlockStart, bool& fetch) {
        if (m_ExecutionMode != TxRun && !StepBeforeBodyLine(line, atBlockStart)) return false;
        switch (line.kind) {
        case BodyLine::Kind::Translated: {
            const bool ran = RunTranslated(*line.translated);
            stepAfterTarget_ = 0;
            if (!ran) return false;
            m_CurrentLine = line.translated->line;
            break;
        }
        case BodyLine::Kind::Statement:
            return RunStatementLine(line, atBlockStart, fetch);
        case BodyLine::Kind::General:
            return false;
        }
        if (atBlockStart) m_InSingleLineIf = false;
        fetch = true;
        return true;
    }
    bool RunStatementLine(const BodyLine& line, bool atBlockStart, bool& fetch);
    // In step mode, the step the run loop's dispatch fires for a body line,
    // before it runs or owed until its target cell is found; false when the
    // run loop's own dispatch must run the line (or the host stopped the run).
    bool StepBeforeBodyLine(const BodyLine& line, bool atBlockStart);
    // Runs the IF, WHILE, FOR, SWITCH or GOSUB whose keyword is current, as
    // the run loop dispatches it: false when the loop must not fetch before
    // its next statement.
    bool RunBlockStatement();
    // One statement of the run loop: fetches it when asked and dispatches
    // it. kBlockGoesOn, or what RunBlock returns when the statement ends the
    // block.
    static constexpr int kBlockGoesOn = -1;
    int RunStatement(bool nested, bool& fetch, bool& endSeen);
    // EvalExpression(false) on the current first token of a statement,
    // through the translated form of the assignment that starts there; false,
    // with nothing changed, when there is none.
    bool RunTranslatedStatementHere();
    // The fetch of a kept line's keyword, as the run loop makes it.
    void FetchKeptKeyword(const KeptLine& kept, bool atBlockStart) {
        // The dispatch of a block's first line end, and the evaluator that reads
        // the keyword after it, leave these registers so.
        if (atBlockStart) {
            m_InSingleLineIf = false;
            m_ValueType = tok::None;
            m_SavedToken = tok::None;
            m_EvalFlags.Assignable = true;
            m_EvalFlags.AfterSeparator = false;
        }
        previousToken_ = m_Token;
        m_Token = kept.token;
        tokenStart_ = m_TextPos;
        m_TextPos = kept.end;
        lineEndPos_ = kept.lineEnd;
    }

    friend class LineTranslator;
    friend class TranslatedRun;
    // The translated statement of `kind` that starts at `position` and ends
    // at `endToken`, translated at its second run; null for one the evaluator
    // must read, and at its first run.
    TranslatedStatement* TranslatedAt(int position, TranslatedStatement::Kind kind, int endToken);
    // Translates the statement at `position` when it runs again, out of the
    // way of every later one; its index, or kNothingKept.
    [[gnu::noinline]] std::int32_t TranslateFirst(int position, TranslatedStatement::Kind kind, int endToken);
    bool TranslateStatement(int position, TranslatedStatement& statement);
    // Runs the assignment line that starts at `position`, or the condition
    // there, as the evaluator would; false, with nothing changed, when the
    // evaluator must read it.
    bool RunTranslatedAssignment(int position);
    bool RunTranslated(TranslatedStatement& assignment);
    bool RunTranslatedCondition(int position, int endToken);

    // EvalExpression(false) on a current line end, without its general
    // dispatch: the line end leaves the value's kind and flags as it does
    // there.
    void EvalLineEnd() {
        if (m_Token != tok::EndOfLine || m_StopRequested || exprNesting_ >= kMaxExpressionNesting) {
            EvalExpression(false);
            return;
        }
        if (m_ValueType == tok::None) m_SavedToken = tok::None;
        m_EvalFlags.AfterSeparator = false;
        m_EvalFlags.Assignable = true;
    }
    // LineOfOffset, answered inline from the table of the run's positions.
    int LineAt(int position) {
        if (m_ScriptLines && !m_Tokenising && position >= 1 &&
            static_cast<std::size_t>(position) < kept_.lineOfPosition.size())
            return kept_.lineOfPosition[static_cast<std::size_t>(position)];
        return LineOfOffset(position);
    }

    // Run-loop helpers.
    void RunScript();
    void Prime() {
        m_Token = tok::EndOfLine;
        m_ValueType = tok::None;
        EvalLineEnd();
    }
    void FinishBlock(int position) {
        RewindTo(position);
        SkipToLineEnd();
        Prime();
    }
    bool CheckNumericCondition();
    TERP_SYMBOL_TAG* FindBlock(std::string_view prefix, int start, int kind);
    TERP_SYMBOL_TAG* ReadJumpTarget();
    void ExecGoto();
    BlockJump JumpWithinBlock(int start, int end);
    // Runs the body of the block statement that starts at `start` and ends at
    // `end`, going on from the label of a GOTO within the block: none when
    // it ended on another token (current, the caller's to take), else what
    // the statement returns (0 stopped, 1 at END, -2 a GOTO out of it).
    std::optional<int> RunBlockBody(int start, int end);
    // A FOR limit or step that is one number or one NUMBER variable.
    struct ForBound {
        bool constant = false;
        long double number = 0;
        TERP_SYMBOL_TAG* variable = nullptr;
        bool Readable() const { return constant || variable; }
    };
    bool EvalToStatementEnd();
    bool EvalForBound(double& value, ForBound& bound);
    // A bound that is one number or one NUMBER variable reads as the
    // evaluator would leave it; inline, as every round of a loop reads it.
    double ReadForBound(const ForBound& bound) {
        if (bound.variable) {
            m_CurrentSymbol = bound.variable;
            m_NumValue = bound.variable->SymValue;
        } else {
            m_NumValue = bound.number;
        }
        return static_cast<double>(m_NumValue);
    }
    bool CaseMatch(const SwitchValue& value);
    bool CasePartMatches(const SwitchValue& value);
    // Runs a numeric CASE item that closes its line from its translated form;
    // false, with nothing changed, when the evaluator must read it.
    bool RunTranslatedCaseItem();
    bool PrintEndsWithNewline();

    // The search of a SWITCH for its CASE passes over the lines between one
    // CASE, DEFAULT or ENDSWITCH and the next. A pass over tokens all read
    // before is kept by the position where it starts, as the tokens that
    // leave their mark on the registers (the last to set the number, the
    // text and the symbol, in text order) and the one it stops at; a later
    // pass from there replays only those.
    struct CaseLimitJump {
        std::array<std::int32_t, 4> replay{};  // token starts, the stopping token last
        int count = 0;
        int previousToken = 0;
    };
    // A SWITCH on a number whose CASE items are single numbers finds its
    // CASE in a table: for the first CASE the value matches, and last for
    // none, what the search leaves. The registers are set as the search
    // would set them by replaying the tokens that set them last (a token
    // start) and the test of the last CASE tested (the CASE's start).
    struct CaseOutcome {
        std::array<std::int32_t, 4> replay{};
        std::array<bool, 4> isTest{};
        std::array<std::int32_t, 4> tokenBefore{};  // the token current before each replayed one
        int count = 0;
        std::int32_t token = 0;  // the state the search ends in
        std::int32_t end = 0;
        std::int32_t tokenStart = 0;
        std::int32_t lineEnd = 0;
        std::int32_t previousToken = 0;
    };
    struct CaseTable {
        std::vector<double> values;  // the CASE items, in text order
        std::vector<CaseOutcome> outcomes;  // one per value, then one for no match when the table is complete
        bool complete = false;
    };
    // What a SWITCH keeps between its runs.
    struct KeptSwitch {
        // Whether the value's translated form serves: 1 yes, -1 no, 0 not known.
        std::int8_t valueTranslated = 0;
        // How far a search has read from the line after the SWITCH: only what
        // a search has read may be read for the table.
        std::int32_t searchReach = 0;
        // The reach the table was made at, and whether a search that reads
        // further could make it longer.
        std::int32_t tableReach = 0;
        bool tableFinal = false;
        CaseTable table;
    };
    // The record of the SWITCH whose keyword ends at `start`, made at its
    // first run; null where nothing is kept.
    KeptSwitch* KeptSwitchAt(int start);
    // Reads the value of the SWITCH whose expression starts at `start` from
    // its translated form; false, with nothing changed, when the evaluator
    // must read it.
    bool RunTranslatedSwitchValue(int start, KeptSwitch& kept);
    // Ends the search of a numeric SWITCH through its table, as the search
    // would end; false, with nothing changed, when the table does not know
    // the value.
    bool JumpToKeptCase(KeptSwitch& kept, double value);
    // False when the walk stopped where a later search may read further.
    bool MakeCaseTable(int position, const KeptSwitch& kept, CaseTable& table);
    void ApplyCaseOutcome(const CaseOutcome& outcome);
    // The token a skip reads at a position the cache does not keep (a cell,
    // a label): its code, the position after it and the registers it sets,
    // with nothing changed; false when the read stops the run.
    struct SkippedToken {
        int token = 0;
        int end = 0;
        bool setsText = false;
        bool setsNumber = false;
        bool setsSymbol = false;
    };
    bool PeekSkippedToken(int start, int tokenBefore, SkippedToken& skipped);
    // True, with the CASE, DEFAULT or ENDSWITCH the pass from here stops at
    // current, when a kept pass replaces the fetches up to it.
    bool JumpToCaseLimit();
    // Fetches up to the next CASE, DEFAULT, ENDSWITCH or SWITCH, keeping the
    // pass when it can be replayed; false, as FetchSkipping, at the end.
    bool FetchToCaseLimitKeepingIt();

    // What the run keeps of its text from the first runs of its statements,
    // by the text position where each starts. Each index table holds, by
    // position, an index into its list or a mark (kNotLookedAt, kNothingKept,
    // kSeenOnce, kSeenAt and below; only -1 in the tables of tokens, SWITCHes and
    // CASE searches).
    // One object, reset with every run text.
    struct KeptForms {
        std::vector<CachedToken> tokens;
        std::vector<std::string> tokenTexts;
        std::vector<std::int32_t> tokenIndex;
        // Statements translated on their second run (the evaluator reads the
        // first): an assignment line, or the condition after IF or WHILE, or
        // a CASE item.
        std::vector<std::unique_ptr<TranslatedStatement>> translated;
        std::vector<std::int32_t> translatedIndex;
        // A kept line's kind; a keyword's token and the positions after it
        // are those of the token kept at the line's start.
        std::vector<KeptLine::Kind> lines;
        std::deque<Body> bodies;
        std::vector<std::int32_t> bodyIndex;
        // By the position after SWITCH.
        std::deque<KeptSwitch> switches;
        std::vector<std::int32_t> switchIndex;
        std::vector<CaseLimitJump> caseLimitJumps;
        std::vector<std::int32_t> caseLimitJumpIndex;
        // The block record found at a position; made on the first look-up,
        // and cleared with the records too.
        std::vector<TERP_SYMBOL_TAG*> blockAt;
        // The line of every position of the run text, which every dispatch
        // asks for; made on the first look-up after the pre-pass has laid
        // the lines out, and cleared whenever it lays them out anew.
        std::vector<std::int32_t> lineOfPosition;

        // Empties every table kept from statements for a run text of
        // `length` characters; the line table stays, as it follows the lines,
        // not the text. The tables of bodies, SWITCHes and CASE searches,
        // which only some scripts use, are made by their first use.
        void Reset(int length);
        std::int32_t& Slot(std::vector<std::int32_t>& table, int position, std::int32_t empty) {
            if (table.empty()) table.assign(positions, empty);
            return table[static_cast<std::size_t>(position)];
        }
        std::size_t positions = 0;
    };
    KeptForms kept_;
};

}  // namespace pevox
