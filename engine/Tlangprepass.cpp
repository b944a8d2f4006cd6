#include "Tlangprepass.h"

#include "Tlangengine.h"
#include "platform/Files.h"
#include "platform/Text.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <new>
#include <sstream>
#include <stdexcept>

namespace pevox {

namespace {

bool IsWordChar(int c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
}

// Two characters that the lexer would read as one token.
bool FormsOperatorPair(int first, int second) {
    switch (first) {
    case '=': return second == '=';
    case '!': return second == '=';
    case '<': return second == '=' || second == '>';
    case '>': return second == '=' || second == '<';
    case '+': return second == '+';
    case '-': return second == '-';
    case '&': return second == '&';
    case '|': return second == '|';
    default: return false;
    }
}

// One line of tokenised text. Items are written without separators, except
// that a blank goes between two items that would otherwise read back as one
// token of another meaning ("X - -1" must not become "X--1").
class TokenisedLine {
public:
    void AppendText(const std::string& item) {
        if (item.empty()) return;
        SeparateFrom(static_cast<unsigned char>(item.front()));
        text_ += item;
        tail_ = static_cast<unsigned char>(item.back());
    }
    void AppendCode(int code) {
        const bool escaped = code > tok::Separator;
        if (!escaped) SeparateFrom(code);
        AppendCodeBytes(text_, code);
        // The remainder byte of an escape belongs to it and joins nothing.
        tail_ = escaped ? 0 : code;
    }
    std::string Take() {
        tail_ = 0;
        return std::move(text_);
    }
    bool Empty() const { return text_.empty(); }

private:
    void SeparateFrom(int next) {
        if (tail_ == 0) return;
        if ((IsWordChar(tail_) && IsWordChar(next)) || FormsOperatorPair(tail_, next)) text_ += ' ';
    }

    std::string text_;
    int tail_ = 0;
};

// Only blanks make a line blank: in tokenised text the bytes below 32 are
// keywords (a line holding only ENDIF is byte 22).
bool IsBlankLine(const std::string& line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

// Deletes a temporary file on every way out of the scope.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    ~TemporaryFile() {
        if (!path_.empty()) platform::DeleteFile(path_);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

private:
    std::string path_;
};

}  // namespace

void WriteLinesFile(const std::string& path, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text.append(line).append("\r\n");
    if (!platform::ReplaceFileWithBytes(path, text)) throw std::runtime_error("Cannot create file \"" + path + "\"");
}

std::vector<std::string> ReadLinesFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("Cannot open file \"" + path + "\"");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw std::runtime_error("Cannot read file \"" + path + "\"");
    return SplitTextLines(text);
}

std::vector<std::string> SplitTextLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    return lines;
}

int TLangEngine::LineOfOffset(int position) {
    if (!m_ScriptLines) return 1;
    if (m_Tokenising) {
        if (position == 1) RebuildLineOffsets();
        return 1;
    }
    if (kept_.lineOfPosition.empty()) MakeLineTable();
    if (position >= 1 && static_cast<std::size_t>(position) < kept_.lineOfPosition.size())
        return kept_.lineOfPosition[static_cast<std::size_t>(position)];
    return FindLineOfOffset(position);
}

int TLangEngine::FindLineOfOffset(int position) const {
    const std::vector<int>& offsets = m_ScriptLines->Objects;
    std::size_t line = static_cast<std::size_t>(std::upper_bound(offsets.begin(), offsets.end(), position) - offsets.begin());
    // A blank line is no line of its own: its positions count to the next line.
    while (line < m_ScriptLines->Strings.size() && IsBlankLine(m_ScriptLines->Strings[line])) ++line;
    return static_cast<int>(line) + 1;
}

void TLangEngine::MakeLineTable() {
    const std::vector<int>& offsets = m_ScriptLines->Objects;
    const std::vector<std::string>& lines = m_ScriptLines->Strings;
    if (offsets.empty()) return;
    kept_.lineOfPosition.assign(static_cast<std::size_t>(std::max(offsets.back(), 1)), 1);
    // The line a position counts to, as FindLineOfOffset finds it, moves
    // only forward with the position: one pass, however many blank lines.
    std::size_t after = 0;    // the first line that ends past `from`
    std::size_t counted = 0;  // the first line from `after` on that is not blank
    int from = 1;
    for (std::size_t line = 0; line < offsets.size(); ++line) {
        while (after < offsets.size() && offsets[after] <= from) ++after;
        counted = std::max(counted, after);
        while (counted < lines.size() && IsBlankLine(lines[counted])) ++counted;
        for (int position = from; position < offsets[line]; ++position)
            kept_.lineOfPosition[static_cast<std::size_t>(position)] = static_cast<int>(counted) + 1;
        from = std::max(from, offsets[line]);
    }
}

void TLangEngine::RebuildLineOffsets() {
    kept_.lineOfPosition.clear();
    int offset = 0;
    for (std::size_t i = 0; i < m_ScriptLines->Strings.size(); ++i) {
        offset += static_cast<int>(m_ScriptLines->Strings[i].size()) + 2;
        m_ScriptLines->Objects[i] = offset;
    }
}

void TLangEngine::RestartRunText() {
    m_RunTextLength = 0;
    GetChar();
    PutBackChar();
}

void TLangEngine::ReportErrorAt(int position, const std::string& message) {
    m_TextPos = position;
    m_Token = tok::None;
    ReportError(message);
}


void TLangEngine::LoadScriptThroughFile() {
    const std::vector<std::string> editorLines = m_Editor.Lines();
    std::string path;
    std::string temporaryPath;
    if (m_SaveBeforeRun && !platform::Trim(m_FileName).empty()) {
        path = m_FileName;
    } else {
        path = platform::GetTempFileNameA(platform::GetTempPathA(), "~TX", 0);
        if (path.empty()) throw std::runtime_error("Cannot create a temporary file in " + platform::GetTempPathA());
        temporaryPath = path;
    }
    const TemporaryFile temporary(temporaryPath);
    WriteLinesFile(path, editorLines);
    m_ScriptLines.emplace();
    for (std::string& line : ReadLinesFile(path)) m_ScriptLines->Add(std::move(line));
}

bool TLangEngine::PrePass() {
    auto freeLines = [this] {
        m_ScriptLines.reset();
        kept_.lineOfPosition.clear();
        m_SourceLines.reset();
        m_RunTextLength = 0;
        m_RunText.clear();
        m_ReadingSource = false;
        return false;
    };
    std::vector<int> callSites;
    try {
        m_ScriptLines.reset();
        kept_.lineOfPosition.clear();
        m_SourceLines.reset();
        LoadScriptThroughFile();
        m_Editor.SetSelection(0, 0);
        m_Editor.ScrollCaret();
        m_SourceLines.emplace();
        for (const std::string& line : m_ScriptLines->Strings) m_SourceLines->Add(line);
        for (int i = 0; i < 3; ++i) m_SourceLines->Add(" ");

        if (!TokenisePass() || !StructurePass(callSites)) return freeLines();
        RewindTo(1);
        m_TokenText.clear();
        if (!CheckSymbolsPass() || !CheckCallSites(callSites)) return freeLines();
    } catch (const std::bad_alloc&) {
        ReportError("Failed to allocate memory required for ::PrePass");
        return freeLines();
    } catch (...) {
        freeLines();
        throw;
    }
    RewindTo(1);
    m_Tokenising = false;
    return true;
}

bool TLangEngine::TokenisePass() {
    m_Tokenising = true;
    m_ReadingSource = true;
    m_Token = tok::EndOfLine;
    EvalExpression(false);
    RewindTo(1);
    LineList tokenised;
    while (m_TextPos <= m_RunTextLength && !m_StopRequested) {
        m_Token = tok::None;
        TokenisedLine line;
        int depth = 0;
        bool lineDone = false;
        while (!lineDone) {
            const bool produced = GetToken();
            m_CurrentLine = LineOfOffset(m_TextPos);
            if (m_StopRequested) return false;
            if (!produced) {
                tokenised.Add(line.Empty() ? " " : line.Take());
                break;
            }
            switch (m_Token) {
            case tok::EndOfLine:
            case tok::Rem:
                if (depth != 0) {
                    ReportError(std::string("Extra ") + (depth < 0 ? "close " : "open ") +
                                " parenthese in expression");
                    return false;
                }
                tokenised.Add(line.Empty() ? " " : line.Take());
                if (m_Token == tok::Rem) GetToken();
                lineDone = true;
                break;
            case tok::NumberDecl:
            case tok::StringDecl:
                if (!ExecDeclaration()) return false;
                tokenised.Add(line.Take());
                lineDone = true;
                break;
            case tok::StringLiteral:
                line.AppendText(platform::Trim(m_LiteralText));
                break;
            case tok::NumberLiteral:
                line.AppendText(m_LiteralText);
                break;
            case tok::SymbolRef:
                if (m_CurrentSymbol) line.AppendText(m_CurrentSymbol->SymName);
                break;
            case tok::OpenParen:
            case tok::CloseParen:
                depth += m_Token == tok::OpenParen ? 1 : -1;
                line.AppendCode(m_Token);
                break;
            case tok::None:
                line.AppendText(platform::UpperCase(platform::Trim(m_TokenText.str())));
                break;
            default:
                line.AppendCode(m_Token);
                break;
            }
        }
    }
    m_ReadingSource = false;
    if (m_StopRequested) return false;
    m_ScriptLines = std::move(tokenised);
    kept_.lineOfPosition.clear();
    RewindTo(1);
    return true;
}

bool TLangEngine::StructurePass(std::vector<int>& callSites) {
    int linesEnded = 0;
    while (GetToken()) {
        switch (m_Token) {
        case tok::EndOfLine:
            if (linesEnded < m_SourceLines->Count()) m_SourceLines->Objects[static_cast<std::size_t>(linesEnded)] = m_TextPos;
            ++linesEnded;
            break;
        case tok::Label: {
            const int afterColon = m_TextPos;
            if (!DeclareLabel()) return false;
            RewindTo(afterColon);
            break;
        }
        case tok::If:
            if (!PreIf()) return false;
            break;
        case tok::While:
            if (!PreWhile()) return false;
            break;
        case tok::For:
            if (!PreFor()) return false;
            break;
        case tok::Switch:
            if (!PreSwitch()) return false;
            break;
        case tok::Goto:
        case tok::GoSub:
            if (static_cast<int>(callSites.size()) >= kCallSiteLimit) {
                ReportError("Too many GOTO and GOSUB statements: at most " + std::to_string(kCallSiteLimit) +
                            " are allowed");
                return false;
            }
            callSites.push_back(m_TextPos - 1);
            break;
        default:
            break;
        }
    }
    return !m_StopRequested;
}

bool TLangEngine::CheckSymbolsPass() {
    while (GetToken()) {
        if (m_Token == tok::None) {
            ReportError("Undefined Symbol: " + m_TokenText.str());
            return false;
        }
    }
    return !m_StopRequested;
}

bool TLangEngine::CheckCallSites(const std::vector<int>& callSites) {
    for (const int position : callSites) {
        RewindTo(position);
        GetToken();
        m_CurrentSymbol = nullptr;
        GetToken();
        if (m_StopRequested) return false;
        const int kind = m_Token == tok::SymbolRef && m_CurrentSymbol ? m_CurrentSymbol->SymKind : 0;
        if (kind != tok::Label && kind != tok::StringDecl && kind != tok::StringArray) {
            ReportError("GOTO/GOSUB does not reference a valid LABEL");
            return false;
        }
    }
    return true;
}

bool TLangEngine::DeclareLabel() {
    GetToken();
    if (m_StopRequested) return false;
    if (m_Token == tok::SymbolRef && m_CurrentSymbol) {
        // A second label line of the same name changes nothing.
        if (m_CurrentSymbol->SymKind == tok::Label) return true;
        ReportError("Label shares name with existing identifier/reserved word!");
        return false;
    }
    if (m_Token != tok::None || m_TokenText.empty()) {
        ReportError("Attempt to add Label with shared or NULL name!");
        return false;
    }
    TERP_SYMBOL_TAG label;
    label.SymName = m_TokenText;
    label.SymDisplayName = m_TokenText;
    label.SymKind = tok::Label;
    // Skipping by tokens keeps escape bytes that equal CR or LF intact; the
    // line ends with CR LF, so its CR stands two places back.
    if (!SkipToLineEnd()) return false;
    label.SymValue = std::max(1, m_TextPos - 2);
    return AddSymbol(std::move(label)) != nullptr && !m_StopRequested;
}

bool TLangEngine::ExecDeclaration() {
    const int declared = m_Token;
    bool afterArray = false;
    bool anyName = false;
    for (;;) {
        GetToken();
        if (m_StopRequested) return false;
        if (m_Token == tok::Rem) GetToken();
        if (m_Token == tok::EndOfLine) {
            if (anyName) return true;
            ReportError("NULL declaration statement!");
            return false;
        }
        if (afterArray && m_Token == tok::Comma) {
            ReportError("Syntax error in declaration!");
            return false;
        }
        if (m_Token != tok::None) {
            ReportError("Redefinition of symbol or reserved word!");
            return false;
        }
        anyName = true;
        afterArray = false;
        TERP_SYMBOL_TAG record;
        record.SymName = m_TokenText;
        record.SymDisplayName = m_TokenText;
        record.SymKind = static_cast<std::int16_t>(declared);
        m_Token = tok::EndOfLine;
        EvalExpression(false);
        GetToken();
        if (m_StopRequested) return false;
        if (m_Token == tok::OpenParen) {
            if (!DeclareArray(std::move(record))) return false;
            afterArray = true;
            continue;
        }
        const int decider = m_Token;
        if (decider != tok::Comma && decider != tok::EndOfLine && decider != tok::Rem && decider != tok::Assign) {
            ReportError("Syntax error in declaration!");
            return false;
        }
        TERP_SYMBOL_TAG* variable = DefineSymbol(std::move(record));
        if (!variable) {
            ReportError("Redefinition of symbol or reserved word!");
            return false;
        }
        if (decider == tok::Assign) {
            UngetChar();
            m_Token = tok::SymbolRef;
            m_CurrentSymbol = variable;
            m_ValueType = tok::None;
            m_SavedToken = tok::None;
            {
                // The initial value may read the cells of arrays declared before.
                struct CellsResolved {
                    bool& flag;
                    ~CellsResolved() { flag = false; }
                } resolving{resolveCellsInDeclaration_ = true};
                EvalExpression(false);
            }
            if (m_StopRequested) return false;
            if (m_Token == tok::Rem) GetToken();
            if (m_Token == tok::EndOfLine) return true;
            if (m_Token != tok::Comma) {
                ReportError("Syntax error in declaration!");
                return false;
            }
            continue;
        }
        if (decider == tok::Rem) GetToken();
        if (decider != tok::Comma) return !m_StopRequested;
    }
}

bool TLangEngine::DeclareArray(TERP_SYMBOL_TAG record) {
    static const std::string kSyntax = "Syntax error in array declaration";
    record.SymKind = record.SymKind == tok::StringDecl ? tok::StringArray : tok::NumericArray;
    for (;;) {
        if (record.SymDims == kMaxArrayDims) {
            ReportError(kSyntax);
            return false;
        }
        m_ValueType = tok::None;
        m_SavedToken = tok::None;
        EvalExpression(true);
        while (!m_StopRequested && !IsTerminator())
            if (!EvalStep(false)) break;
        if (m_StopRequested) return false;
        if (m_Token != tok::Comma && m_Token != tok::CloseParen) {
            ReportError(kSyntax);
            return false;
        }
        const bool numeric = m_ValueType == tok::NumberLiteral ||
                             (m_ValueType == tok::SymbolRef && m_CurrentSymbol &&
                              m_CurrentSymbol->SymKind == tok::NumberDecl);
        if (!numeric) {
            ReportError("Array Dimension expression must resolve to number");
            return false;
        }
        if (!(m_NumValue >= 1)) {
            ReportError("Array Dimension must be > zero");
            return false;
        }
        const long double highest = std::trunc(m_NumValue);
        if (highest > std::numeric_limits<std::int32_t>::max()) {
            ReportError("Failed to allocate memory for array");
            return false;
        }
        record.SymDim[static_cast<std::size_t>(record.SymDims++)] = static_cast<std::int32_t>(highest);
        if (m_Token == tok::CloseParen) break;
    }
    if (!AllocateCells(record, "Failed to allocate memory for array")) return false;
    if (!DefineSymbol(std::move(record))) {
        ReportError("Redefinition of symbol or reserved word!");
        return false;
    }
    return true;
}

bool TLangEngine::FindClosing(int opener, int closer, int& closerPos) {
    int level = 0;
    while (GetToken()) {
        if (m_Token == opener) {
            ++level;
        } else if (m_Token == closer) {
            if (level == 0) {
                closerPos = m_TextPos - 1;
                return true;
            }
            --level;
        }
    }
    return false;
}

bool TLangEngine::PreFor() {
    const int start = m_TextPos;
    TERP_SYMBOL_TAG* loopVariable = nullptr;
    bool assigned = false;
    int toPos = 0;
    int stepPos = 0;
    for (;;) {
        if (!GetToken()) {
            if (!m_StopRequested) ReportError("Unexpected EOF in FOR declaration");
            return false;
        }
        if (m_Token == tok::EndOfLine) break;
        switch (m_Token) {
        case tok::SymbolRef:
            if (!loopVariable) {
                if (assigned) {
                    ReportError("Syntax error in FOR statement. Symbol required in assignment");
                    return false;
                }
                loopVariable = m_CurrentSymbol;
            }
            break;
        case tok::Assign:
            if (toPos && !assigned) {
                ReportError("Syntax error in FOR statement. Assignment required before 'TO'");
                return false;
            }
            assigned = true;
            break;
        case tok::To:
            if (!assigned) {
                ReportError("Syntax error in FOR statement. Assignment required before 'TO'");
                return false;
            }
            if (toPos) {
                ReportError("Duplicate 'TO' clause in FOR statement.");
                return false;
            }
            toPos = m_TextPos - 1;
            if (PeekToken() == tok::EndOfLine) {
                ReportError("Expected expression after 'TO' in FOR statement");
                return false;
            }
            break;
        case tok::Step:
            stepPos = m_TextPos;
            if (PeekToken() == tok::EndOfLine) {
                ReportError("Expected Expression after STEP clause");
                return false;
            }
            break;
        default:
            break;
        }
    }
    if (!toPos) {
        ReportError("Missing 'TO' clause in FOR statement");
        return false;
    }
    // The run loop counts through the record's loop variable.
    if (!loopVariable) {
        ReportError("Syntax error in FOR statement. Symbol required in assignment");
        return false;
    }
    int nextPos = 0;
    if (!FindClosing(tok::For, tok::Next, nextPos)) {
        if (!m_StopRequested) ReportErrorAt(start, "Unexpected EOF - FOR without NEXT");
        return false;
    }
    TERP_SYMBOL_TAG block;
    block.SymName = BlockName(kForBlockPrefix, start);
    block.SymKind = tok::For;
    block.SymValue = toPos;
    block.SymText = stepPos ? std::to_string(stepPos) : "0";
    block.SymCount = nextPos;
    block.SymLink = loopVariable;
    if (!AddSymbol(std::move(block))) return false;
    RewindTo(start);
    return !m_StopRequested;
}

bool TLangEngine::PreWhile() {
    const int start = m_TextPos;
    GetToken();
    if (m_StopRequested) return false;
    if (m_Token == tok::EndOfLine) {
        ReportError("Expected expression after WHILE statement");
        return false;
    }
    int wendPos = 0;
    if (!FindClosing(tok::While, tok::Wend, wendPos)) {
        if (!m_StopRequested) ReportErrorAt(start, "Unexpected EOF - WHILE without WEND");
        return false;
    }
    TERP_SYMBOL_TAG block;
    block.SymName = BlockName(kWhileBlockPrefix, start);
    block.SymKind = tok::While;
    block.SymValue = start;
    block.SymCount = wendPos + 1;
    if (!AddSymbol(std::move(block))) return false;
    RewindTo(start);
    return !m_StopRequested;
}

bool TLangEngine::PreSwitch() {
    const int start = m_TextPos;
    GetToken();
    if (m_StopRequested) return false;
    if (m_Token == tok::EndOfLine) {
        ReportError("Expected expression after SWITCH statement");
        return false;
    }
    int level = 0;
    int endPos = 0;
    while (!endPos) {
        if (!GetToken()) {
            if (!m_StopRequested) ReportErrorAt(start, "Unexpected EOF - SWITCH without ENDSWITCH");
            return false;
        }
        switch (m_Token) {
        case tok::Switch:
            ++level;
            break;
        case tok::EndSwitch:
            if (level == 0)
                endPos = m_TextPos;
            else
                --level;
            break;
        case tok::Case: {
            const int first = PeekToken();
            if (first == tok::EndOfLine || first == tok::Comma) {
                ReportError("Expected expression after CASE");
                return false;
            }
            int last = first;
            while (GetToken() && m_Token != tok::EndOfLine) last = m_Token;
            if (m_StopRequested) return false;
            // A list may not end in a "," or an operator; a ")" closes its
            // last value: CASE (2), CASE LEN(S), CASE F(1).
            if ((IsTerminator(last) && last != tok::CloseParen) || IsOperator(last)) {
                ReportError("Syntax error in CASE statement");
                return false;
            }
            break;
        }
        case tok::Default:
            if (!IsTerminator(PeekToken())) {
                ReportError("Invalid expression after DEFAULT");
                return false;
            }
            break;
        default:
            break;
        }
    }
    TERP_SYMBOL_TAG block;
    block.SymName = BlockName(kSwitchBlockPrefix, start);
    block.SymKind = tok::Switch;
    block.SymValue = start;
    block.SymCount = endPos;
    if (!AddSymbol(std::move(block))) return false;
    RewindTo(start);
    return !m_StopRequested;
}

bool TLangEngine::SkipIfCondition() {
    for (;;) {
        const bool produced = GetToken();
        if (m_StopRequested) return false;
        if (m_Token == tok::Then) return true;
        if (!produced || m_Token == tok::EndOfLine) {
            ReportError("Malformed IF expression! (Missing THEN?)");
            return false;
        }
    }
}

bool TLangEngine::ScanSingleLineIf(int start, int& elsePos, int& endPos) {
    int nested = 0;  // IFs opened inside the statement that no ENDIF closed yet
    for (;;) {
        if (!GetToken()) {
            if (!m_StopRequested) ReportErrorAt(start, "Unexpected EOF - Expected ENDIF/FI for IF block.");
            return false;
        }
        switch (m_Token) {
        case tok::If:
            if (!SkipIfCondition()) return false;
            ++nested;
            break;
        case tok::Else:
            if (nested > 0) break;
            if (elsePos) {
                ReportError("Multiple ELSE conditions in IF statement");
                return false;
            }
            elsePos = m_TextPos;
            if (const int next = PeekToken(); next == tok::Then || next == tok::EndOfLine || next == tok::EndIf) {
                ReportError("Ill-formed ELSE clause in single line IF statement!");
                return false;
            }
            break;
        case tok::EndIf: {
            const int endIfPos = m_TextPos - 1;
            if (PeekToken() != tok::EndOfLine) {
                ReportError("Expected line terminator after ENDIF in single line IF statement");
                return false;
            }
            if (nested > 0) --nested;
            if (nested == 0) {
                endPos = endIfPos;
                return true;
            }
            break;
        }
        case tok::EndOfLine:
            if (nested == 0) {
                endPos = m_TextPos - 2;
                return true;
            }
            break;
        default:
            break;
        }
    }
}

bool TLangEngine::ScanBlockIf(int start, int& elsePos, int& endPos) {
    int level = 0;
    for (;;) {
        if (!GetToken()) {
            if (!m_StopRequested) ReportErrorAt(start, "Unexpected EOF - Expected ENDIF/FI for IF block.");
            return false;
        }
        switch (m_Token) {
        case tok::If:
            if (!SkipIfCondition()) return false;
            if (PeekToken() == tok::EndOfLine)
                ++level;
            else if (!SkipToLineEnd())
                return false;
            break;
        case tok::Else:
            if (level > 0) break;
            if (elsePos) {
                ReportError("Ill-formed ELSE clause in single line IF statement!");
                return false;
            }
            elsePos = m_TextPos;
            break;
        case tok::EndIf:
            if (level == 0) {
                endPos = m_TextPos;
                return true;
            }
            --level;
            break;
        default:
            break;
        }
    }
}

bool TLangEngine::PreIf() {
    const int start = m_TextPos;
    if (!SkipIfCondition()) return false;
    const int next = PeekToken();
    if (next == tok::EndIf || next == tok::Else) {
        ReportError("NULL statement after THEN on single line IF statement.");
        return false;
    }
    const bool singleLine = next != tok::EndOfLine;
    int elsePos = 0;
    int endPos = 0;
    if (singleLine) {
        if (!ScanSingleLineIf(start, elsePos, endPos)) return false;
    } else {
        GetToken();
        if (!ScanBlockIf(start, elsePos, endPos)) return false;
    }
    TERP_SYMBOL_TAG block;
    block.SymName = BlockName(kIfBlockPrefix, start);
    block.SymKind = tok::If;
    block.SymValue = elsePos;
    block.SymCount = endPos;
    block.SymExtra = singleLine ? 1 : 0;
    if (!AddSymbol(std::move(block))) return false;
    RewindTo(start);
    return !m_StopRequested;
}

}  // namespace pevox
