// The interpreter: its state (the registers the lexer, the evaluator and the
// run loop share) and its operations. It knows nothing of the editor widget
// or of COM; the control builds on it and hands in the two seams.
#pragma once

#include "Tlangevents.h"
#include "Tlangsymbols.h"
#include "Tlangtokens.h"
#include "TxTypes.h"

#include <cstdint>
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
    bool GetToken() { return GetToken(false, std::string(), false); }
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

    // --- Expression evaluator ------------------------------------------------
    void EvalExpression(bool fetchFirst);
    // -1 stands for the current token.
    bool IsTerminator(int token = -1) const;
    bool IsOperator(int token = -1) const;
    bool IsCallToken(int token = -1) const;
    int OperatorPrecedence(int token = -1) const;
    bool IsNonNumericValue(int kind) const;
    bool IsNonStringValue(int kind) const;

    // Frees what a run built: symbols, labels and blocks, the run's lines and
    // its text; host functions and host-variable lines stay.
    void FreeRunState();

    // --- Stops and errors --------------------------------------------------
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
    std::string m_TokenText;
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

private:
    std::unordered_map<int, TERP_SYMBOL_TAG*> functionsByOrdinal_;
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

    // Pre-pass steps.
    bool TokenisePass();
    bool StructurePass(std::vector<int>& callSites);
    bool CheckSymbolsPass();
    bool CheckCallSites(const std::vector<int>& callSites);
    void LoadScriptThroughFile();
    void RewindTo(int position);
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
    bool SkipToLineEnd();
    void ReportErrorAt(int position, const std::string& message);

    // Evaluator helpers.
    void EvalAssignment();
};

}  // namespace pevox
