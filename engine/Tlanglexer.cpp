#include "Tlanglexer.h"

#include "Tlangengine.h"
#include "Tlangmaths.h"
#include "platform/Numbers.h"
#include "platform/Text.h"

#include <algorithm>
#include <cmath>

namespace pevox {

namespace {

bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsNameChar(int c) { return IsLetter(c) || IsDigit(c) || c == '_'; }

bool IsOperatorChar(int c) {
    switch (c) {
    case '!': case '%': case '&': case '*': case '+': case '-': case '/':
    case '<': case '=': case '>': case '\\': case '^': case '|':
        return true;
    default:
        return c >= tok::Equal && c <= tok::Decrement;
    }
}

// Two characters that the scanner reads as one operator.
bool IsOperatorPair(int first, int second) {
    switch (first) {
    case '=': return second == '=';
    case '!': return second == '=';
    case '<': return second == '=' || second == '>';
    case '>': return second == '=' || second == '<';
    case '+': case '-': case '&': case '|': return second == first;
    default: return false;
    }
}

bool IsSinglePunctuation(int c) {
    switch (c) {
    case '(': case ')': case ',': case ';': case '?': case '[': case '`':
        return true;
    default:
        return false;
    }
}

std::string StrayCharacterMessage(int c) {
    return "Undefined Symbol: " + std::string(1, static_cast<char>(c));
}

}  // namespace

void TLangEngine::LoadTokenTable() {
    m_TokenTable = TokenNameTable();
    m_TokenTableUpper = platform::UpperCase(m_TokenTable);
    m_KeywordIndex = IndexTokenTable(m_TokenTableUpper);
}

// What the run holds for each position of its text: the character and the
// tables kept by position (the token cache's index, the translated, SWITCH,
// CASE-search and body indexes, the line table and the block records, whether
// or not the run makes them all), and a byte for the kind of a kept line.
constexpr std::size_t kHeldPerPosition = 1 + 5 * sizeof(std::int32_t) + sizeof(std::int32_t) + sizeof(void*);

void TLangEngine::EnsureRunText() {
    if (m_RunTextLength != 0) return;
    m_RunText.clear();
    if (!m_ScriptLines) return;
    // A script whose text and tables would pass the limit does not run.
    std::uint64_t length = 2;
    for (const std::string& line : m_ScriptLines->Strings) length += line.size() + 2;
    const std::uint64_t held = length * (kHeldPerPosition + sizeof(KeptLine::Kind));
    if (!m_Memory.Resize(runTextHeld_, held)) {
        // Its first line is the one reported: the lines are laid out for it.
        RebuildLineOffsets();
        ReportErrorAt(1, std::string(msg::OutOfMemory));
        return;
    }
    runTextHeld_ = held;
    for (const std::string& line : m_ScriptLines->Strings) {
        m_RunText += line;
        m_RunText += "\r\n";
    }
    m_RunTextLength = static_cast<std::int32_t>(m_RunText.size());
    kept_.Reset(m_RunTextLength);
}

void TLangEngine::KeptForms::Reset(int length) {
    positions = static_cast<std::size_t>(length) + 2;
    tokens.clear();
    tokenTexts.clear();
    tokenIndex.assign(positions, -1);
    translated.clear();
    translatedIndex.assign(positions, kNotLookedAt);
    lines.assign(positions, KeptLine::Kind::NotLookedAt);
    bodies.clear();
    bodyIndex.clear();
    switches.clear();
    switchIndex.clear();
    caseLimitJumps.clear();
    caseLimitJumpIndex.clear();
    blockAt.clear();
}

int TLangEngine::GetChar() {
    EnsureRunText();
    if (!m_ScriptLines) return kEndOfText;
    if (m_TextPos > m_RunTextLength || m_StopRequested) {
        ++m_TextPos;
        return kEndOfText;
    }
    return static_cast<unsigned char>(m_RunText[static_cast<std::size_t>(m_TextPos++) - 1]);
}

void TLangEngine::PutBackChar() {
    if (m_TextPos > 1) --m_TextPos;
}

void TLangEngine::UngetChar() {
    while (m_Token >= tok::HostFunctionName) {
        PutBackChar();
        m_Token -= tok::EscapeByte;
    }
    PutBackChar();
}

void TLangEngine::SkipComment() {
    int c;
    do c = GetChar();
    while (c != '\r' && c != '\n' && c != kEndOfText);
    PutBackChar();
}

ScanResult TLangEngine::ScanStringLiteral() {
    std::string contents;
    for (;;) {
        const int c = GetChar();
        if (c == '"') break;
        if (c == '\r' || c == '\n') {
            // The error belongs to the literal's own line, not the next one.
            PutBackChar();
            ReportError("Unexpected EOL inside string literal");
            return ScanResult::EndOfText;
        }
        if (c == kEndOfText) {
            ReportError("Unexpected EOF inside string literal");
            return ScanResult::EndOfText;
        }
        contents += static_cast<char>(c);
    }
    m_Token = tok::StringLiteral;
    m_LiteralText = '"' + contents + '"';
    m_TokenText = std::move(contents);
    return ScanResult::CodeProduced;
}

ScanResult TLangEngine::ScanNumber(int first) {
    std::string digits;
    int c = first;
    while (IsDigit(c)) {
        digits += static_cast<char>(c);
        c = GetChar();
    }
    if (c == '.') {
        digits += '.';
        c = GetChar();
        while (IsDigit(c)) {
            digits += static_cast<char>(c);
            c = GetChar();
        }
    }
    PutBackChar();
    long double value = 0;
    platform::ParseLeadingFloat(digits, value);  // a lone "." reads as no number: 0
    m_NumValue = value;
    m_LiteralText = std::move(digits);
    m_Token = tok::NumberLiteral;
    return ScanResult::CodeProduced;
}

ScanResult TLangEngine::ScanOperator(int c) {
    const int next = GetChar();
    auto pair = [&](int second, int joined, int single) {
        if (next == second) return joined;
        PutBackChar();
        return single;
    };
    switch (c) {
    case '=': m_Token = pair('=', tok::Equal, tok::Assign); break;
    case '!': m_Token = pair('=', tok::NotEqual, tok::Not); break;
    case '<':
        m_Token = next == '>' ? tok::NotEqual : pair('=', tok::LessEqual, tok::Less);
        break;
    case '>':
        m_Token = next == '<' ? tok::NotEqual : pair('=', tok::GreaterEqual, tok::Greater);
        break;
    case '+': m_Token = pair('+', tok::Increment, tok::Plus); break;
    case '-': m_Token = pair('-', tok::Decrement, tok::Minus); break;
    case '&': m_Token = pair('&', tok::And, tok::And); break;
    case '|': m_Token = pair('|', tok::Or, tok::Or); break;
    default:
        PutBackChar();
        m_Token = c;
        break;
    }
    return ScanResult::CodeProduced;
}

ScanResult TLangEngine::ScanToken(std::string& word) {
    const bool labelAllowed = previousToken_ == tok::EndOfLine || previousToken_ == tok::None;
    int c;
    do c = GetChar();
    while (c == ' ' || c == '\t' || c == '\r');
    if (c == kEndOfText) {
        m_Token = tok::EndOfLine;
        lineEndPos_ = std::max(1, m_RunTextLength - 1);
        return ScanResult::EndOfText;
    }
    if (c == '\n') {
        m_Token = tok::EndOfLine;
        lineEndPos_ = std::max(1, m_TextPos - 2);
        if (!m_Tokenising) {
            int more;
            do more = GetChar();
            while (more == '\r' || more == '\n');
            PutBackChar();
        }
        return ScanResult::CodeProduced;
    }
    // In the source text a control byte or a byte above "z" is a stray
    // character; only the tokenised text carries code bytes.
    const bool codeByte = c == tok::EscapeByte || ((c < ' ' || c > 'z') && c != '|');
    if (codeByte && m_ReadingSource) {
        ReportError(StrayCharacterMessage(c));
        return ScanResult::EndOfText;
    }
    if (c == tok::EscapeByte) {
        int code = 0;
        while (c == tok::EscapeByte) {
            code += tok::EscapeByte;
            c = GetChar();
        }
        if (c == kEndOfText) {
            m_Token = tok::EndOfLine;
            return ScanResult::EndOfText;
        }
        m_Token = code + c;
        return ScanResult::CodeProduced;
    }
    if (codeByte || IsSinglePunctuation(c)) {
        m_Token = c;
        return ScanResult::CodeProduced;
    }
    if (c == '"') return ScanStringLiteral();
    if (c == '\'') {
        SkipComment();
        m_Token = m_Tokenising ? tok::Rem : tok::EndOfLine;
        return ScanResult::CodeProduced;
    }
    if (IsDigit(c) || c == '.') return ScanNumber(c);
    if (c == ':') {
        if (!labelAllowed) {
            ReportError("Label Declaration must be first statement in a line!");
            return ScanResult::EndOfText;
        }
        m_Token = tok::Label;
        return ScanResult::CodeProduced;
    }
    if (IsLetter(c) || c == '_') {
        std::string name;
        while (IsNameChar(c)) {
            name += m_Tokenising ? platform::UpperChar(static_cast<char>(c)) : static_cast<char>(c);
            c = GetChar();
        }
        PutBackChar();
        if (name == "REM") {
            SkipComment();
            m_Token = m_Tokenising ? tok::Rem : tok::EndOfLine;
            return ScanResult::CodeProduced;
        }
        ResolveIdentifier(c, name);
        word = std::move(name);
        return ScanResult::WordScanned;
    }
    if (IsOperatorChar(c)) return ScanOperator(c);
    // "#", "$", "@" and "]" stand for nothing.
    if (m_ReadingSource) {
        ReportError(StrayCharacterMessage(c));
        return ScanResult::EndOfText;
    }
    word.clear();
    return ScanResult::WordScanned;
}

// The run text does not change while a script runs, and a token read at a
// position is the same token every time: loops read their lines again and
// again, so what a scan found is kept by position. A variable's value is
// loaded anew at every use; array cells, whose subscripts are evaluated, and
// labels, which depend on the token before them, are always scanned.
void TLangEngine::CacheToken(int start, bool codeProduced) {
    if (m_StopRequested || start < 1 || start > m_RunTextLength || m_Token == tok::Label) return;
    CachedToken entry;
    entry.token = m_Token;
    entry.end = m_TextPos;
    entry.lineEnd = lineEndPos_;
    entry.codeProduced = codeProduced;
    switch (m_Token) {
    case tok::StringLiteral:
    case tok::None:
        entry.text = static_cast<std::int32_t>(kept_.tokenTexts.size());
        kept_.tokenTexts.push_back(m_TokenText);
        break;
    case tok::NumberLiteral:
        entry.number = m_NumValue;
        break;
    case tok::SymbolRef:
        if (!m_CurrentSymbol || m_CurrentSymbol->SymKind == tok::StringArray ||
            m_CurrentSymbol->SymKind == tok::NumericArray)
            return;
        entry.symbol = m_CurrentSymbol;
        break;
    default:
        break;
    }
    kept_.tokenIndex[static_cast<std::size_t>(start)] = static_cast<std::int32_t>(kept_.tokens.size());
    kept_.tokens.push_back(std::move(entry));
}

bool TLangEngine::FetchScannedToken() {
    const bool produced = GetToken();
    return m_Token == tok::None && !m_StopRequested ? ReportUndefinedWord() : produced;
}

bool TLangEngine::ReportUndefinedWord() {
    ReportError("Undefined Symbol: " + m_TokenText.str());
    return false;
}

bool TLangEngine::GetToken(bool codeMeansFalse, std::string word, bool lookup) {
    if ((m_Token == tok::End && !m_Tokenising) || m_StopRequested) {
        if (m_Token != tok::End) m_Token = tok::EndOfLine;
        return false;
    }
    previousToken_ = m_Token;
    m_Token = tok::None;
    int cacheAt = 0;  // the start of a scan whose result may be kept
    if (word.empty()) {
        const int start = m_TextPos;
        if (TokenCacheUsable()) {
            if (const CachedToken* cached = FindCachedToken(start)) return UseCachedToken(*cached, start, codeMeansFalse);
            cacheAt = start;
        }
        lineEndPos_ = 0;
        const ScanResult result = ScanToken(word);
        tokenStart_ = start;
        if (m_StopRequested || result == ScanResult::EndOfText) {
            m_Token = tok::EndOfLine;
            return false;
        }
        if (result == ScanResult::CodeProduced) {
            if (cacheAt) CacheToken(cacheAt, true);
            return !codeMeansFalse;
        }
    } else {
        word = platform::UpperCase(word);
    }
    if (const auto keyword = m_KeywordIndex.find(word); keyword != m_KeywordIndex.end())
        m_Token = keyword->second;
    else if (word == "*")
        m_Token = tok::Multiply;
    word = platform::Trim(word);
    if (!lookup && IsReservedCode(m_Token)) {
        ReportError("Keyword " + word + " reserved for future use.");
        return false;
    }
    if (m_Token == tok::None) {
        m_TokenText = word;
        if (lookup) {
            if (std::string constant = LookupConstant(word); !constant.empty()) {
                m_Token = tok::SymbolRef;
                m_TokenText = std::move(constant);
                m_CurrentSymbol = nullptr;
            } else if (TERP_SYMBOL_TAG* function = FindFunctionByName(word)) {
                m_CurrentSymbol = function;
                m_TokenText = function->SymDisplayName;
                m_Token = tok::HostFunctionName;
            }
        }
    }
    if (cacheAt) CacheToken(cacheAt, false);
    return true;
}

TLangEngine::TokenState TLangEngine::SaveTokenState() const {
    return {m_TokenText, m_LiteralText, m_NumValue, m_Token, m_CurrentSymbol, m_TextPos, tokenStart_, lineEndPos_};
}

void TLangEngine::RestoreTokenState(const TokenState& state) {
    m_TokenText = state.tokenText;
    m_LiteralText = state.literalText;
    m_NumValue = state.numValue;
    m_Token = state.token;
    m_CurrentSymbol = state.currentSymbol;
    m_TextPos = state.textPos;
    tokenStart_ = state.tokenStart;
    lineEndPos_ = state.lineEndPos;
}

int TLangEngine::PeekToken() {
    // A token read before is known without a fetch to undo.
    if (!m_StopRequested && m_Token != tok::End && TokenCacheUsable())
        if (const CachedToken* cached = FindCachedToken(m_TextPos)) return cached->token;
    const TokenState saved = SaveTokenState();
    const bool stopRequested = m_StopRequested;

    GetToken(false, std::string(), false);
    const int seen = m_Token;
    // A stop that the look-ahead caused (an error it reported, a host that
    // terminated during a call) must survive the restore.
    const bool stoppedByPeek = m_StopRequested && !stopRequested;

    RestoreTokenState(saved);
    m_StopRequested = stopRequested;
    if (stoppedByPeek) {
        m_StopRequested = true;
        m_Token = tok::End;
    }
    return seen;
}

void TLangEngine::PutBackToken() { m_TextPos = tokenStart_; }

bool TLangEngine::ResolveIdentifier(int nextChar, const std::string& name) {
    if (name.empty()) return false;
    if (TERP_SYMBOL_TAG* variable = FindSymbol(name, kVariableList)) {
        m_CurrentSymbol = variable;
        switch (variable->SymKind) {
        case tok::NumberDecl:
        case tok::StringDecl:
            if (variable->SymKind == tok::NumberDecl)
                m_NumValue = variable->SymValue;
            else
                m_TokenText = variable->SymText;
            m_Token = tok::SymbolRef;
            if (nextChar == '(') ReportError("Symbol is not an array");
            return true;
        case tok::StringArray:
        case tok::NumericArray:
            if ((m_Tokenising && !resolveCellsInDeclaration_) || skipping_) {
                m_Token = tok::SymbolRef;
                return true;
            }
            return ResolveArrayCell(*variable);
        default:
            break;
        }
    }
    if (TERP_SYMBOL_TAG* label = FindSymbol(name, kLabelList)) {
        m_CurrentSymbol = label;
        m_Token = tok::SymbolRef;
        return true;
    }
    if (m_Token == tok::None) {
        if (TERP_SYMBOL_TAG* function = FindSymbol(name, kFunctionList)) {
            m_Token = tok::HostCallBase + function->SymCount;
            return true;
        }
    }
    return false;
}

bool TLangEngine::ResolveArrayCell(TERP_SYMBOL_TAG& array) {
    GetToken(false, std::string(), false);
    if (m_Token == tok::CloseParen) {
        UngetChar();
        array.SymExtra = 0;
        m_CurrentSymbol = &array;
        m_Token = tok::SymbolRef;
        return true;
    }
    if (m_Token != tok::OpenParen) {
        ReportError("Syntax error in reference to array");
        return false;
    }
    // The subscripts are expressions of their own: the expression around the
    // reference keeps its evaluation state.
    const std::int32_t valueType = m_ValueType;
    const std::int32_t savedToken = m_SavedToken;
    const std::int32_t evalWork = m_EvalWork;
    const EvalFlags evalFlags = m_EvalFlags;
    // Subscripts are gathered first: a subscript may address the same array.
    std::int32_t subscripts[kMaxArrayDims] = {};
    for (int i = 0; i < array.SymDims; ++i) {
        m_Token = tok::None;
        m_NumValue = 0;
        m_ValueType = tok::None;
        while (EvalStep(false) && !IsTerminator()) {
        }
        if (m_StopRequested) return false;
        if (i < array.SymDims - 1 && m_Token != tok::Comma) {
            ReportError("Expected subscript");
            return false;
        }
        const bool numericReference = m_ValueType == tok::SymbolRef && m_CurrentSymbol &&
                                      (m_CurrentSymbol->SymKind == tok::NumberDecl ||
                                       m_CurrentSymbol->SymKind == tok::NumericArray);
        if ((m_ValueType == tok::SymbolRef && !numericReference) || m_ValueType == tok::StringLiteral) {
            ReportError("Subscript must evaluate to a number");
            return false;
        }
        subscripts[i] = SubscriptIndex(m_NumValue, array.SymDim[static_cast<std::size_t>(i)]);
        if (subscripts[i] < 0) {
            ReportError("Subscript out of Range");
            return false;
        }
    }
    if (m_Token != tok::CloseParen) {
        ReportError("Expression syntax referencing array var");
        return false;
    }
    m_Token = tok::EndOfLine;
    EvalExpression(false);
    if (m_StopRequested) return false;
    m_ValueType = valueType;
    m_SavedToken = savedToken;
    m_EvalWork = evalWork;
    m_EvalFlags = evalFlags;

    std::copy(subscripts, subscripts + kMaxArrayDims, array.SymSub.begin());
    array.SymExtra = FlatIndex(array, subscripts);
    ARRAY_ELEMENT_TAG& cell = array.SymCells[static_cast<std::size_t>(array.SymExtra)];
    if (array.SymKind == tok::StringArray) {
        array.SymText = cell.Text;
        m_TokenText = cell.Text;
    } else {
        array.SymValue = cell.Number;
        m_NumValue = cell.Number;
    }
    m_CurrentSymbol = &array;
    m_Token = tok::SymbolRef;
    return true;
}

std::string TLangEngine::LookupConstant(const std::string& name) const {
    if (!m_HostVariables) return std::string();
    const std::string wanted = platform::Trim(name);
    for (const std::string& line : *m_HostVariables) {
        std::string registered = platform::Trim(std::string_view(line).substr(0, line.find('|')));
        if (platform::SameTextIgnoringCase(registered, wanted)) return registered;
    }
    return std::string();
}

std::optional<std::vector<std::string>> ColorTokenize(const std::string& line) {
    std::string text = platform::Trim(line);
    if (text.empty()) return std::nullopt;
    text += ' ';
    std::vector<std::string> pieces;
    std::string current;
    auto flush = [&] {
        std::string piece = platform::Trim(current);
        if (!piece.empty()) pieces.push_back(std::move(piece));
        current.clear();
    };
    auto add = [&](std::string piece) {
        flush();
        pieces.push_back(std::move(piece));
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const int next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        switch (c) {
        case ' ': case '\t': case '\r':
            flush();
            break;
        case '"': {
            const std::size_t close = text.find('"', i + 1);
            const std::size_t end = close == std::string::npos ? text.size() : close + 1;
            add(platform::Trim(std::string_view(text).substr(i, end - i)));
            i = end - 1;
            break;
        }
        case '\'':
            add(platform::Trim(std::string_view(text).substr(i)));
            i = text.size();
            break;
        case '!': case '<': case '=': case '>': case '+': case '-': case '&': case '|':
            // Only the pairs the scanner reads as one operator are one piece:
            // "a=-1" is an assignment of minus one, "x&&y" one AND.
            if (IsOperatorPair(c, next)) {
                add(text.substr(i, 2));
                ++i;
            } else {
                add(std::string(1, c));
            }
            break;
        case '%': case '(': case ')': case '*': case ',': case '/': case ':':
        case ';': case '?': case '\\': case '^':
            add(std::string(1, c));
            break;
        default:
            current += c;
            break;
        }
    }
    flush();
    return pieces;
}

}  // namespace pevox
