// The run loop and the statements: RunBlock dispatches on the current token,
// the block statements run their bodies through nested RunBlock calls and
// find their limits in the block records of the pre-pass.
#include "Tlangengine.h"
#include "Tlangeval.h"
#include "Tlangnumbers.h"
#include "Tlangprepass.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace pevox {

namespace {

const char* const kMisplacedThen = "Misplaced THEN/ELSE/ENDIF";
const char* const kNotALabel = "String variable does not reference a LABEL";
const char* const kConditionType = "Type Mismatch in condition";

int Position(double value) { return static_cast<int>(value); }

}  // namespace

TERP_SYMBOL_TAG* TLangEngine::FindBlock(std::string_view prefix, int start, int kind) {
    // A loop finds its record at every round: the record found at a position
    // is kept by position. Only one block starts at a position, and its kind
    // names its prefix.
    const bool keepable = m_TranslateLines && start >= 1 && start <= m_RunTextLength && !m_Tokenising;
    if (keepable) {
        if (kept_.blockAt.size() != static_cast<std::size_t>(m_RunTextLength) + 1)
            kept_.blockAt.assign(static_cast<std::size_t>(m_RunTextLength) + 1, nullptr);
        if (TERP_SYMBOL_TAG* kept = kept_.blockAt[static_cast<std::size_t>(start)]; kept && kept->SymKind == kind) return kept;
    }
    TERP_SYMBOL_TAG* block = m_Labels.Find(BlockName(prefix, start));
    if (!block || block->SymKind != kind) return nullptr;
    if (keepable) kept_.blockAt[static_cast<std::size_t>(start)] = block;
    return block;
}

int TLangEngine::RunBlock(bool nested, bool fetch) {
    const NestingLevel level(blockNesting_);
    if (blockNesting_ > kMaxBlockNesting) {
        ReportError("Blocks or GOSUB calls nested too deeply");
        return 0;
    }
    if (m_StopRequested) return 0;
    if (!nested) {
        Prime();
        if (m_StopRequested) return 0;
    }
    bool endSeen = false;
    for (;;) {
        if (endSeen) return m_StopRequested ? 0 : 1;
        if (nested && m_LeaveBlock) {
            m_LeaveBlock = false;
            return 0;
        }
        if (m_StopRequested) return 0;
        if (m_Token == tok::EndOfLine) {
            const LineRun kept = RunKeptLine(!fetch);
            if (kept == LineRun::Ran) {
                fetch = true;
                continue;
            }
            if (kept == LineRun::KeywordFetched) fetch = false;
        }
        const int ended = RunStatement(nested, fetch, endSeen);
        if (ended != kBlockGoesOn) return ended;
    }
}

int TLangEngine::RunStatement(bool nested, bool& fetch, bool& endSeen) {
    if (fetch && !GetToken()) return 0;
    StepLine();
    fetch = true;
    switch (m_Token) {
    case tok::EndOfLine:
        EvalLineEnd();
        m_InSingleLineIf = false;
        m_ValueType = tok::None;
        if (!RunTranslatedAssignment(m_TextPos)) EvalExpression(true);
        fetch = m_Token == tok::EndOfLine;
        break;
    case tok::CloseParen:
    case tok::Separator:
        EvalExpression(true);
        fetch = m_Token == tok::EndOfLine;
        break;
    case tok::Label:
        SkipToLineEnd();
        EvalExpression(false);
        break;
    case tok::Print:
        EvalExpression(false);
        ExecPrint();
        fetch = false;
        break;
    case tok::Then:
        if (nested) return 0;
        ReportError(kMisplacedThen);
        return 0;
    case tok::EndIf:
    case tok::Else:
        if (m_InSingleLineIf) {
            if (m_Token == tok::Else) SkipToLineEnd();
            m_InSingleLineIf = false;
            break;
        }
        if (nested) return 0;
        ReportError(kMisplacedThen);
        return 0;
    case tok::If:
    case tok::While:
    case tok::For:
    case tok::Switch:
    case tok::GoSub:
        fetch = RunBlockStatement();
        break;
    case tok::Goto:
        if (nested) return 1;
        ExecGoto();
        fetch = false;
        break;
    case tok::End:
        endSeen = true;
        break;
    case tok::Wend:
        if (nested) return 0;
        ReportError("Misplaced WEND");
        return 0;
    case tok::Next:
        if (nested) return 0;
        ReportError("NEXT without FOR");
        return 0;
    case tok::Break:
    case tok::Continue:
        if (nested) return 0;
        ReportError("Misplaced CONTINUE or BREAK");
        return 0;
    case tok::Return:
        if (nested) return 0;
        ReportError("Misplaced RETURN");
        return 0;
    case tok::Case:
    case tok::EndSwitch:
    case tok::Default:
        if (nested) return 0;
        ReportError("Misplaced CASE or ENDSELECT");
        return 0;
    default: {
        if (RunTranslatedStatementHere()) break;
        const int position = m_TextPos;
        const int token = m_Token;
        EvalExpression(false);
        fetch = m_Token == tok::EndOfLine || m_Token == tok::Comma || m_Token == tok::Semicolon ||
                m_Token == tok::Separator;
        // A keyword that no statement starts with would be dispatched again
        // and again.
        if (!fetch && !m_StopRequested && m_TextPos == position && m_Token == token) {
            ReportError("Syntax error");
            return 0;
        }
        break;
    }
    }
    return kBlockGoesOn;
}

namespace {

// The statements a kept line may start with: keywords whose fetch is all the
// general dispatch does before running them.
bool IsKeptKeyword(int token) {
    switch (token) {
    case tok::If: case tok::While: case tok::For: case tok::Switch: case tok::GoSub: case tok::Goto:
    case tok::Next: case tok::Wend: case tok::EndIf: case tok::Else: case tok::Return: case tok::Case:
    case tok::Default: case tok::EndSwitch: case tok::Break: case tok::Continue: case tok::End: case tok::Print:
        return true;
    default:
        return false;
    }
}

}  // namespace

TLangEngine::KeptLine TLangEngine::KeptLineAt(int position) {
    KeptLine::Kind& kind = kept_.lines[static_cast<std::size_t>(position)];
    KeptLine kept;
    if (kind != KeptLine::Kind::NotLookedAt) {
        kept.kind = kind;
        // A keyword is the token kept at the line's start.
        if (kind == KeptLine::Kind::Keyword) SetKeptKeyword(kept, *FindCachedToken(position));
        return kept;
    }
    // A keyword is known once it was read: reading it first could report an
    // error. A first token the cache does not keep (an array's cell, or a
    // word not read yet) may start an assignment, which is translated from
    // the text when it runs again, as the general way would run it.
    const CachedToken* first = FindCachedToken(position);
    if (!first) {
        KeptLine assignment;
        assignment.kind = KeptLine::Kind::Assignment;
        return assignment;
    }
    if (first->codeProduced && IsKeptKeyword(first->token)) {
        kept.kind = KeptLine::Kind::Keyword;
        SetKeptKeyword(kept, *first);
    } else {
        kept.kind = first->token == tok::SymbolRef ? KeptLine::Kind::Assignment : KeptLine::Kind::General;
    }
    kind = kept.kind;
    return kept;
}

void TLangEngine::SetKeptKeyword(KeptLine& kept, const CachedToken& keyword) {
    kept.token = keyword.token;
    kept.end = keyword.end;
    kept.lineEnd = keyword.lineEnd;
}

TLangEngine::LineRun TLangEngine::RunKeptLine(bool atBlockStart) {
    if (!TokenCacheUsable() || m_TextPos < 2 || m_TextPos > m_RunTextLength ||
        m_RunText[static_cast<std::size_t>(m_TextPos) - 2] != '\n')
        return LineRun::NotRun;
    const KeptLine kept = KeptLineAt(m_TextPos);
    if (m_ExecutionMode != TxRun) {
        // The step comes before the line runs, as the dispatch of its first
        // token fires it; but for a first token the cache does not keep (an
        // array cell, whose subscripts are read before that dispatch), after
        // a line end that was dispatched already, the step is owed until the
        // target cell is found.
        if (kept.kind == KeptLine::Kind::General) return LineRun::NotRun;
        if (!atBlockStart && !FindCachedToken(m_TextPos))
            stepAfterTarget_ = LineAt(m_TextPos);
        else if (!StepAtLine(LineAt(m_TextPos)))
            return LineRun::NotRun;
    }
    switch (kept.kind) {
    case KeptLine::Kind::Keyword:
        FetchKeptKeyword(kept, atBlockStart);
        return LineRun::KeywordFetched;
    case KeptLine::Kind::Assignment: {
        const bool ran = RunTranslatedAssignment(m_TextPos);
        stepAfterTarget_ = 0;
        if (!ran) return LineRun::NotRun;
        if (atBlockStart) m_InSingleLineIf = false;
        return LineRun::Ran;
    }
    default:
        return LineRun::NotRun;
    }
}

bool TLangEngine::RunTranslatedStatementHere() {
    // A statement that starts with a variable may be an assignment of its own
    // (a cell's reference has read its subscripts already).
    return !m_StopRequested && m_Token == tok::SymbolRef && m_CurrentSymbol &&
           (m_CurrentSymbol->SymKind == tok::NumberDecl || m_CurrentSymbol->SymKind == tok::StringDecl) &&
           RunTranslatedAssignment(tokenStart_);
}


namespace {

// The keywords that close a body: the run loop returns from a nested block on them.
bool ClosesBody(int token) {
    switch (token) {
    case tok::Next: case tok::Wend: case tok::EndIf: case tok::Else: case tok::Return: case tok::Case:
    case tok::Default: case tok::EndSwitch: case tok::Break: case tok::Continue:
        return true;
    default:
        return false;
    }
}

}  // namespace

const TLangEngine::Body* TLangEngine::FindBody(int position) {
    if (!m_TranslateLines || !TokenCacheUsable() || position < 2 || position > m_RunTextLength) return nullptr;
    std::int32_t& index = kept_.Slot(kept_.bodyIndex, position, kNotLookedAt);
    if (index == kNotLookedAt) {
        index = kSeenOnce;
        return nullptr;
    }
    if (index == kSeenOnce) {
        Body body = MakeBody(position);
        if (body.lines.empty() && !body.closed) {
            index = kNothingKept;
        } else {
            index = static_cast<std::int32_t>(kept_.bodies.size());
            kept_.bodies.push_back(std::move(body));
        }
    }
    return index >= 0 ? &kept_.bodies[static_cast<std::size_t>(index)] : nullptr;
}

int TLangEngine::LineAfter(int position) const {
    while (const CachedToken* token = FindCachedToken(position)) {
        if (token->token == tok::EndOfLine) return token->end;
        position = token->end;
    }
    return 0;
}

TLangEngine::Body TLangEngine::MakeBody(int position) {
    Body body;
    while (position >= 2 && position <= m_RunTextLength && m_RunText[static_cast<std::size_t>(position) - 2] == '\n') {
        const KeptLine kept = KeptLineAt(position);
        if (kept.kind == KeptLine::Kind::Keyword && ClosesBody(kept.token)) {
            body.closed = true;
            body.closer = kept;
            body.closerLine = LineAt(kept.end);
            break;
        }
        BodyLine line = KeptBodyLine(position, kept);
        if (line.next == 0) {
            // Any other line is run by the run loop's dispatch, to its end.
            const std::size_t lineEnd = m_RunText.find('\n', static_cast<std::size_t>(position) - 1);
            if (lineEnd == std::string::npos) break;
            line = BodyLine();
            line.next = static_cast<std::int32_t>(lineEnd) + 2;
        }
        line.line = LineAt(position);
        body.lines.push_back(line);
        position = line.next;
    }
    body.assignmentsOnly = body.closed && !body.lines.empty() &&
                           std::all_of(body.lines.begin(), body.lines.end(), [](const BodyLine& line) {
                               return line.kind == BodyLine::Kind::Translated;
                           });
    return body;
}

TLangEngine::BodyLine TLangEngine::KeptBodyLine(int position, const KeptLine& kept) {
    BodyLine line;
    if (kept.kind == KeptLine::Kind::Assignment) {
        // Only a form of a line that ran: making one reads the line.
        if (const std::int32_t index = kept_.translatedIndex[static_cast<std::size_t>(position)];
            index >= 0 || index == kSeenOnce) {
            if (TranslatedStatement* translated =
                    TranslatedAt(position, TranslatedStatement::Kind::Assignment, tok::EndOfLine)) {
                line.kind = BodyLine::Kind::Translated;
                line.translated = translated;
                line.next = translated->end;
                line.startsWithCell = translated->targetCell >= 0;
            }
        }
        return line;
    }
    if (kept.kind != KeptLine::Kind::Keyword) return line;
    // Each block statement ends by going on after the line its block record
    // names.
    const TERP_SYMBOL_TAG* block = nullptr;
    switch (kept.token) {
    case tok::If: block = FindBlock(kIfBlockPrefix, kept.end, tok::If); break;
    case tok::While: block = FindBlock(kWhileBlockPrefix, kept.end, tok::While); break;
    case tok::For: block = FindBlock(kForBlockPrefix, kept.end, tok::For); break;
    case tok::Switch: block = FindBlock(kSwitchBlockPrefix, kept.end, tok::Switch); break;
    default: break;
    }
    if (block)
        line.next = LineAfter(block->SymCount);
    else if (kept.token == tok::GoSub)
        line.next = LineAfter(kept.end);
    if (line.next != 0) {
        line.kind = BodyLine::Kind::Statement;
        line.keyword = kept;
    }
    return line;
}

void TLangEngine::RunBody() {
    const Body* body = m_Token == tok::EndOfLine ? BodyAt(m_TextPos) : nullptr;
    // What the run loop checks on entry takes the general way.
    if (!body || m_LeaveBlock || m_StopRequested || blockNesting_ >= kMaxBlockNesting) {
        RunBlock(true, false);
        return;
    }
    const std::vector<BodyLine>& lines = body->lines;
    bool fetch = false;
    std::size_t i = 0;  // the body's line the run is in
    if (body->assignmentsOnly) {
        // Assignments neither stop the run nor leave the block: they need
        // none of the checks between statements, and the first has left no
        // single-line IF for the closing keyword to end.
        while (i < lines.size() && RunBodyLine(lines[i], !fetch, fetch)) ++i;
        if (i == lines.size() && StepAtLine(body->closerLine)) {
            FetchKeptKeyword(body->closer, false);
            m_CurrentLine = body->closerLine;
            return;
        }
    }
    {
        const NestingLevel level(blockNesting_);
        bool endSeen = false;
        bool atLine = true;  // at the start of line i, the line end before it current
        for (;;) {
            // The run loop's checks before each statement.
            if (endSeen || m_StopRequested) return;
            if (m_LeaveBlock) {
                m_LeaveBlock = false;
                return;
            }
            if (atLine && i == lines.size()) {
                if (!body->closed) break;
                if (!StepAtLine(body->closerLine)) return;
                FetchKeptKeyword(body->closer, !fetch);
                m_CurrentLine = body->closerLine;
                fetch = false;
                // A closing keyword ends the nested block, but for the ELSE or
                // ENDIF that ends a single-line IF's branch.
                if (!m_InSingleLineIf || (m_Token != tok::EndIf && m_Token != tok::Else)) return;
                atLine = false;
                continue;
            }
            if (atLine && lines[i].kind != BodyLine::Kind::General) {
                if (RunBodyLine(lines[i], !fetch, fetch))
                    ++i;
                else
                    atLine = false;
                continue;
            }
            // The run loop's own dispatch, until the run reaches the start of
            // the next line.
            if (RunStatement(true, fetch, endSeen) != kBlockGoesOn) return;
            // A line end's dispatch runs the statement after it: a blank line
            // runs the next one too.
            atLine = false;
            if (m_Token != tok::EndOfLine) continue;
            for (std::size_t j = i; j < lines.size() && !atLine; ++j) {
                atLine = m_TextPos == lines[j].next;
                if (atLine) i = j + 1;
            }
        }
    }
    RunBlock(true, fetch);
}

bool TLangEngine::RunBlockStatement() {
    switch (m_Token) {
    case tok::If:
        Prime();
        return !(ExecIf() < 0 && m_Token != tok::Then && m_Token != tok::Else);
    case tok::While:
        Prime();
        return ExecWhile() >= 0;
    case tok::For:
        Prime();
        return ExecFor() >= 0;
    case tok::Switch:
        Prime();
        return !(ExecSwitch() < 0 && m_Token != tok::Case && m_Token != tok::EndSwitch);
    default:
        ExecGosub();
        return true;
    }
}

bool TLangEngine::StepBeforeBodyLine(const BodyLine& line, bool atBlockStart) {
    if (line.kind == BodyLine::Kind::General) return false;
    if (line.startsWithCell && !atBlockStart) {
        stepAfterTarget_ = line.line;
        return true;
    }
    return StepAtLine(line.line);
}

bool TLangEngine::StepAfterTarget(TERP_SYMBOL_TAG* array, const std::int32_t* subscripts, std::int32_t cell) {
    const int line = stepAfterTarget_;
    stepAfterTarget_ = 0;
    if (StepAtLine(line)) return true;
    if (!array) return false;
    SelectSubscripts(*array, subscripts, array->SymDims);
    array->SymExtra = cell;
    const ARRAY_ELEMENT_TAG& selected = array->SymCells[static_cast<std::size_t>(cell)];
    if (array->SymKind == tok::StringArray)
        array->SymText = selected.Text;
    else
        array->SymValue = selected.Number;
    return false;
}

bool TLangEngine::RunStatementLine(const BodyLine& line, bool atBlockStart, bool& fetch) {
    const int next = line.next;
    FetchKeptKeyword(line.keyword, atBlockStart);
    m_CurrentLine = LineAt(m_TextPos);
    fetch = RunBlockStatement();
    return !m_StopRequested && m_Token == tok::EndOfLine && m_TextPos == next;
}

void TLangEngine::StepOrBreak() {
    if (m_Token == tok::Stop) {
        SelectLine();
        m_Events.OnBreakPoint();
        GetToken();
        return;
    }
    // Past the last line there is no line to step on.
    if (m_StopRequested || m_ExecutionMode == TxRun || m_TextPos > m_RunTextLength) return;
    if (m_AutoSelectStepLine) SelectLine();
    if (m_CurrentLine != lastSteppedLine_ || stepAgain_) m_Events.OnStep(m_CurrentLine);
    lastSteppedLine_ = m_CurrentLine;
    stepAgain_ = false;
}

bool TLangEngine::CheckNumericCondition() {
    if (!IsNonNumericValue(ValueKind())) return true;
    ReportError(kConditionType);
    return false;
}

TERP_SYMBOL_TAG* TLangEngine::ReadJumpTarget() {
    m_CurrentSymbol = nullptr;
    GetToken();
    if (m_StopRequested) return nullptr;
    TERP_SYMBOL_TAG* target = m_Token == tok::SymbolRef ? m_CurrentSymbol : nullptr;
    if (target && IsStringKind(target->SymKind)) {
        // The label is named by the text; block records share the list, so
        // only a label record counts.
        TERP_SYMBOL_TAG* named = FindLabel(m_TokenText.str());
        if (named && named->SymKind == tok::Label) return named;
        ReportError(kNotALabel);
        return nullptr;
    }
    if (target && target->SymKind == tok::Label) return target;
    ReportError("GOTO/GOSUB does not reference a valid LABEL");
    return nullptr;
}

void TLangEngine::ExecGoto() {
    const TERP_SYMBOL_TAG* label = ReadJumpTarget();
    if (!label) return;
    FinishBlock(Position(label->SymValue));
    StepAgainAfterJump();
}

TLangEngine::BlockJump TLangEngine::JumpWithinBlock(int start, int end) {
    const int gotoPosition = m_TextPos - 1;
    const TERP_SYMBOL_TAG* label = ReadJumpTarget();
    if (!label) return BlockJump::Failed;
    const int target = Position(label->SymValue);
    if (target > start && target < end) {
        FinishBlock(target);
        StepAgainAfterJump();
        return m_StopRequested ? BlockJump::Failed : BlockJump::Inside;
    }
    RewindTo(gotoPosition);
    GetToken();
    return BlockJump::Outside;
}

std::optional<int> TLangEngine::RunBlockBody(int start, int end) {
    for (;;) {
        RunBody();
        if (m_StopRequested) return 0;
        if (m_Token == tok::End) return 1;
        if (m_Token != tok::Goto) return std::nullopt;
        switch (JumpWithinBlock(start, end)) {
        case BlockJump::Inside: continue;
        case BlockJump::Outside: return -2;
        case BlockJump::Failed: return 0;
        }
    }
}

int TLangEngine::ExecIf() {
    const int start = m_TextPos;
    TERP_SYMBOL_TAG* block = FindBlock(kIfBlockPrefix, start, tok::If);
    if (!block) {
        ReportError("Blew it retrieving __IF@_ information structure.");
        return 0;
    }
    const bool singleLine = block->SymExtra == 1;
    m_LeaveBlock = singleLine;
    m_InSingleLineIf = singleLine;
    m_NumValue = 1;
    m_ValueType = tok::None;
    if (!RunTranslatedCondition(start, tok::Then)) {
        do {
            if (!EvalStep(!IsOperator())) return 0;
            if (m_Token == tok::EndOfLine) {
                ReportError("Malformed IF expression! (Missing THEN?)");
                return 0;
            }
        } while (m_Token != tok::Then);
    }
    if (!CheckNumericCondition()) return 0;
    const int end = block->SymCount;
    if (m_NumValue != 0) {
        GetToken();
    } else if (block->SymValue == 0) {
        FinishBlock(end);
        m_LeaveBlock = false;
        m_InSingleLineIf = false;
        return 1;
    } else {
        RewindTo(Position(block->SymValue));
        GetToken();
    }
    for (;;) {
        RunBody();
        // A single-line IF's branch statement is read after the run loop has
        // left the block; an assignment there runs from its translated form
        // as the run loop runs one that starts a statement.
        if (singleLine && !m_StopRequested && !RunTranslatedStatementHere()) EvalExpression(false);
        if (m_StopRequested) return 1;
        if (m_Token == tok::EndIf || m_Token == tok::Else) break;
        if (m_Token != tok::Goto) return -1;
        switch (JumpWithinBlock(start, end)) {
        case BlockJump::Inside: continue;
        case BlockJump::Outside: return -2;
        case BlockJump::Failed: return 0;
        }
    }
    FinishBlock(end);
    m_InSingleLineIf = false;
    return 1;
}

// Evaluates the rest of an expression that a keyword, a comma or the line end
// closes. A closed parenthesis leaves a complete value that the next step
// must read past, or the evaluation would stand still on it.
bool TLangEngine::EvalToStatementEnd() {
    bool fetch = false;
    do {
        if (!EvalStep(fetch)) return false;
        fetch = m_Token == tok::Separator;
    } while (!IsTerminator() || m_Token == tok::Separator);
    return true;
}

bool TLangEngine::EvalForBound(double& value, ForBound& bound) {
    GetToken();
    const int operandEnd = m_TextPos;
    bound = ForBound();
    if (m_Token == tok::NumberLiteral) {
        bound.constant = true;
        bound.number = m_NumValue;
    } else if (m_Token == tok::SymbolRef && m_CurrentSymbol && m_CurrentSymbol->SymKind == tok::NumberDecl) {
        bound.variable = m_CurrentSymbol;
    }
    m_ValueType = tok::None;
    m_SavedToken = tok::None;
    if (!EvalToStatementEnd()) return false;
    if (IsNonNumericValue(ValueKind())) {
        ReportError("Type Mismatch");
        return false;
    }
    // Only a single operand can be read again without its text.
    if (tokenStart_ != operandEnd) bound = ForBound();
    value = static_cast<double>(m_NumValue);
    return true;
}

int TLangEngine::ExecFor() {
    const int start = m_TextPos;
    TERP_SYMBOL_TAG* block = FindBlock(kForBlockPrefix, start, tok::For);
    if (!block) {
        ReportError("Fatal: Failed to lookup " + BlockName(kForBlockPrefix, start));
        return 0;
    }
    TERP_SYMBOL_TAG* variable = block->SymLink;
    if (!variable || variable->SymKind != tok::NumberDecl) {
        ReportError("FOR needs a NUMBER variable");
        return 0;
    }
    const int toPosition = Position(block->SymValue);
    const bool hasStep = block->SymText != "0";
    const int nextPosition = block->SymCount;

    EvalExpression(true);
    if (m_StopRequested) return 0;
    if (m_Token != tok::To) {
        ReportError("Missing 'TO' clause in FOR statement");
        return 0;
    }
    double limit = 0;
    ForBound limitBound;
    if (!EvalForBound(limit, limitBound)) return 0;
    const bool up = limit > variable->SymValue;
    double step = up ? 1 : -1;
    ForBound stepBound;
    if (hasStep && !EvalForBound(step, stepBound)) return 0;
    // A step that does not lead toward the limit runs the body no time.
    const auto towardLimit = [up](double by) { return up ? by > 0 : by < 0; };
    bool running = !hasStep || variable->SymValue == limit || towardLimit(step);
    // Bounds of one operand each, closed by the line end, are read again
    // without reading the FOR line: the body starts where it started.
    const bool readBoundsAgain = m_TranslateLines && limitBound.Readable() &&
                                 (!hasStep || stepBound.Readable()) && m_Token == tok::EndOfLine;
    if (running) {
        if (m_Token != tok::EndOfLine) SkipToLineEnd();
        Prime();
    }
    const int bodyPosition = m_TextPos;
    const int bodyTokenStart = tokenStart_;
    const int bodyLineEnd = lineEndPos_;
    const int forLine = LineOfOffset(toPosition);
    while (running && !m_StopRequested) {
        if (const std::optional<int> left = RunBlockBody(start, nextPosition)) return *left;
        switch (m_Token) {
        case tok::Next:
        case tok::Continue:
            break;
        case tok::Break:
            running = false;
            continue;
        default:
            ReportError("Unhandled token returned from Parser in FOR loop!");
            return 0;
        }
        StepAgainAfterJump();
        // The limit and the step are read anew for every further iteration;
        // the loop ends before a step would pass the limit.
        if (readBoundsAgain) {
            limit = ReadForBound(limitBound);
        } else {
            RewindTo(toPosition);
            GetToken();
            if (!EvalForBound(limit, limitBound)) return 0;
        }
        const double value = variable->SymValue;
        if (up ? value >= limit : value <= limit) break;
        if (hasStep) {
            if (readBoundsAgain)
                step = ReadForBound(stepBound);
            else if (!EvalForBound(step, stepBound))
                return 0;
        }
        if (!towardLimit(step)) break;
        const long double next = static_cast<long double>(value) + step;
        if (!(std::fabs(next) <= DBL_MAX) && !CheckNumberResult(next)) return 0;
        variable->SymValue = static_cast<double>(next);
        if (up ? variable->SymValue > limit : variable->SymValue < limit) break;
        if (readBoundsAgain) {
            m_TextPos = bodyPosition;
            tokenStart_ = bodyTokenStart;
            lineEndPos_ = bodyLineEnd;
            m_CurrentLine = forLine;
            m_Token = tok::EndOfLine;
        } else if (m_Token != tok::EndOfLine) {
            SkipToLineEnd();
        }
        Prime();
    }
    if (m_StopRequested) return 0;
    FinishBlock(nextPosition);
    return 1;
}

int TLangEngine::ExecWhile() {
    const int start = m_TextPos;
    TERP_SYMBOL_TAG* block = FindBlock(kWhileBlockPrefix, start, tok::While);
    if (!block) {
        ReportError("Failed to lookup " + BlockName(kWhileBlockPrefix, start));
        return 0;
    }
    const int end = block->SymCount;
    for (;;) {
        RewindTo(start);
        Prime();
        m_NumValue = 1;
        if (!RunTranslatedCondition(start, tok::EndOfLine)) {
            do {
                if (!EvalStep(!IsOperator())) return 0;
            } while (!IsTerminator() || m_Token == tok::CloseParen || m_Token == tok::And || m_Token == tok::Or ||
                     m_Token == tok::Separator);
        }
        if (!CheckNumericCondition()) return 0;
        if (m_NumValue == 0) break;
        if (const std::optional<int> left = RunBlockBody(start, end)) return *left;
        switch (m_Token) {
        case tok::Wend:
        case tok::Continue:
            break;
        case tok::Break:
            FinishBlock(end);
            return 1;
        default:
            ReportError("Unhandled token returned from Parser in WHILE loop!");
            return 0;
        }
        StepAgainAfterJump();
    }
    FinishBlock(end);
    return 1;
}

bool TLangEngine::CasePartMatches(const SwitchValue& value) {
    if (IsRelationalToken()) {
        // The switch value stands before the operator as a literal: CASE > 5
        // tests value > 5.
        PutBackToken();
        if (value.isString) {
            m_Token = tok::StringLiteral;
            m_TokenText = value.text;
        } else {
            m_Token = tok::NumberLiteral;
            m_NumValue = value.number;
        }
        m_ValueType = tok::None;
        m_SavedToken = tok::None;
        // A value that closes a parenthesis or a call ends on a complete
        // value, which the comparison reads past as a statement does.
        if (!EvalToStatementEnd()) return false;
        return m_NumValue != 0;
    }
    m_ValueType = tok::None;
    m_SavedToken = tok::None;
    if (!RunTranslatedCaseItem() && !EvalToStatementEnd()) return false;
    const int kind = ValueKind();
    if (value.isString ? IsNonStringValue(kind) : IsNonNumericValue(kind)) {
        ReportError("Type mismatch in Case");
        return false;
    }
    return value.isString ? m_TokenText == value.text : static_cast<double>(m_NumValue) == value.number;
}

bool TLangEngine::CaseMatch(const SwitchValue& value) {
    for (;;) {
        bool matched = false;
        int joiner = tok::None;
        for (;;) {
            GetToken();
            if (m_StopRequested) return false;
            const bool part = CasePartMatches(value);
            if (m_StopRequested) return false;
            matched = joiner == tok::None ? part : joiner == tok::And ? matched && part : matched || part;
            if (m_Token != tok::And && m_Token != tok::Or) break;
            joiner = m_Token;
        }
        if (matched) {
            if (m_Token != tok::EndOfLine) SkipToLineEnd();
            return true;
        }
        if (m_Token == tok::EndOfLine) return false;
        if (m_Token != tok::Comma) {
            ReportError("Syntax error in CASE statement");
            return false;
        }
    }
}

int TLangEngine::ExecSwitch() {
    const int start = m_TextPos;
    TERP_SYMBOL_TAG* block = FindBlock(kSwitchBlockPrefix, start, tok::Switch);
    if (!block) {
        ReportError("Failed to lookup " + BlockName(kSwitchBlockPrefix, start));
        return 0;
    }
    const int end = block->SymCount;
    KeptSwitch* kept = KeptSwitchAt(start);
    m_NumValue = 1;
    m_ValueType = tok::None;
    if (!kept || !RunTranslatedSwitchValue(start, *kept)) {
        do {
            if (!EvalStep(!IsOperator() && m_Token != tok::OpenParen)) return 1;
        } while (m_Token != tok::EndOfLine && m_Token != tok::CloseParen && m_Token != tok::Comma);
    }
    SwitchValue value;
    value.isString = !IsNonStringValue(ValueKind());
    value.text = m_TokenText;
    value.number = static_cast<double>(m_NumValue);
    if (m_Token != tok::EndOfLine) SkipToLineEnd();

    // Search the CASE, or the DEFAULT, whose lines run. A SWITCH inside the
    // lines that are passed over is passed over whole.
    const bool found = kept && !value.isString && JumpToKeptCase(*kept, value.number);
    while (!found) {
        if (!JumpToCaseLimit() && !FetchToCaseLimitKeepingIt()) {
            if (!m_StopRequested) FinishBlock(end);
            return m_StopRequested ? 0 : 1;
        }
        if (m_Token == tok::Switch) {
            if (const TERP_SYMBOL_TAG* inner = FindBlock(kSwitchBlockPrefix, m_TextPos, tok::Switch))
                RewindTo(inner->SymCount);
            continue;
        }
        if (m_Token == tok::EndSwitch) break;
        if (m_Token == tok::Default) {
            SkipToLineEnd();
            break;
        }
        if (m_Token == tok::Case) {
            if (CaseMatch(value)) break;
            if (m_StopRequested) return 0;
        }
    }
    if (kept && !found) kept->searchReach = std::max(kept->searchReach, m_TextPos);
    if (m_Token != tok::EndSwitch) {
        if (const std::optional<int> left = RunBlockBody(start, end)) return *left;
        switch (m_Token) {
        case tok::Break:
        case tok::Continue:
        case tok::Case:
        case tok::Default:
        case tok::EndSwitch:
            break;
        default:
            ReportError("Unhandled token returned from Parser in SWITCH!");
            return 0;
        }
    }
    FinishBlock(end);
    return 1;
}

TLangEngine::KeptSwitch* TLangEngine::KeptSwitchAt(int start) {
    if (!m_TranslateLines || !TokenCacheUsable() || start < 1 || start > m_RunTextLength) return nullptr;
    std::int32_t& index = kept_.Slot(kept_.switchIndex, start, -1);
    if (index < 0) {
        index = static_cast<std::int32_t>(kept_.switches.size());
        kept_.switches.emplace_back();
    }
    return &kept_.switches[static_cast<std::size_t>(index)];
}

bool TLangEngine::RunTranslatedSwitchValue(int start, KeptSwitch& kept) {
    // Without a parenthesis or a comma (no call, no cell, no grouping) the
    // evaluator reads a SWITCH value to the line end as it reads a WHILE
    // condition, so the condition's translated form serves.
    if (kept.valueTranslated < 0) return false;
    if (kept.valueTranslated == 0) {
        const TranslatedStatement* value = TranslatedAt(start, TranslatedStatement::Kind::Condition, tok::EndOfLine);
        if (!value) return false;
        const std::string_view text(m_RunText.data() + start - 1, static_cast<std::size_t>(value->end - start));
        kept.valueTranslated = text.find_first_of("(,") == std::string_view::npos ? 1 : -1;
        if (kept.valueTranslated < 0) return false;
    }
    return RunTranslatedCondition(start, tok::EndOfLine);
}

bool TLangEngine::JumpToKeptCase(KeptSwitch& kept, double value) {
    // The first search reads the lines it passes over; only what the
    // searches have read goes into the table.
    if (kept.searchReach == 0 || m_StopRequested || m_Token != tok::EndOfLine || m_TextPos < 1 ||
        m_TextPos > m_RunTextLength)
        return false;
    if (!kept.tableFinal && kept.tableReach != kept.searchReach) {
        kept.table = CaseTable();
        kept.tableFinal = MakeCaseTable(m_TextPos, kept, kept.table);
        kept.tableReach = kept.searchReach;
    }
    const CaseTable& table = kept.table;
    const auto match = std::find(table.values.begin(), table.values.end(), value);
    const std::size_t outcome = static_cast<std::size_t>(match - table.values.begin());
    if (outcome >= table.outcomes.size()) return false;
    ApplyCaseOutcome(table.outcomes[outcome]);
    return true;
}

namespace {

// The tokens of a search's walk that set the registers last, and the test of
// the last CASE: token starts, -1 for none.
struct CaseWalkMarks {
    struct Mark {
        std::int32_t start = -1;
        std::int32_t tokenBefore = 0;
    };
    Mark number;
    Mark text;
    Mark symbol;
    Mark test;
};

}  // namespace

bool TLangEngine::MakeCaseTable(int position, const KeptSwitch& kept, CaseTable& table) {
    CaseWalkMarks marks;
    const auto outcome = [&marks](int token, int end, int tokenStart, int lineEnd, int previousToken) {
        CaseOutcome made;
        using Mark = CaseWalkMarks::Mark;
        std::array<Mark, 4> starts = {marks.number, marks.text, marks.symbol, marks.test};
        std::sort(starts.begin(), starts.end(), [](const Mark& a, const Mark& b) { return a.start < b.start; });
        for (std::size_t i = 0; i < starts.size(); ++i) {
            if (starts[i].start < 0 || (i > 0 && starts[i].start == starts[i - 1].start)) continue;
            const std::size_t at = static_cast<std::size_t>(made.count++);
            made.isTest[at] = starts[i].start == marks.test.start;
            made.replay[at] = starts[i].start;
            made.tokenBefore[at] = starts[i].tokenBefore;
        }
        made.token = token;
        made.end = end;
        made.tokenStart = tokenStart;
        made.lineEnd = lineEnd;
        made.previousToken = previousToken;
        return made;
    };
    int previous = tok::EndOfLine;  // the token current before each fetch
    const auto mark = [&marks, &previous](int start, const CachedToken& token) {
        const CaseWalkMarks::Mark here{start, previous};
        switch (token.token) {
        case tok::StringLiteral:
        case tok::None: marks.text = here; break;
        case tok::NumberLiteral: marks.number = here; break;
        case tok::SymbolRef:
            marks.symbol = here;
            if (token.symbol->SymKind == tok::NumberDecl) marks.number = here;
            if (token.symbol->SymKind == tok::StringDecl) marks.text = here;
            break;
        default: break;
        }
    };
    for (int p = position;;) {
        const CachedToken* token = FindCachedToken(p);
        if (!token) {
            // A token the cache does not keep is read again when replayed.
            SkippedToken skipped;
            if (p >= kept.searchReach) return false;
            if (!PeekSkippedToken(p, previous, skipped)) return true;
            const int code = skipped.token;
            if (code == tok::Case || code == tok::Default || code == tok::EndSwitch || code == tok::Switch) return false;
            const CaseWalkMarks::Mark here{p, previous};
            if (skipped.setsText) marks.text = here;
            if (skipped.setsNumber) marks.number = here;
            if (skipped.setsSymbol) marks.symbol = here;
            previous = code == tok::End ? tok::None : code;
            p = skipped.end;
            continue;
        }
        switch (token->token) {
        case tok::Switch:
            return true;
        case tok::EndSwitch:
            table.outcomes.push_back(outcome(tok::EndSwitch, token->end, p, token->lineEnd, previous));
            table.complete = true;
            return true;
        case tok::Default:
            // The search goes on to the DEFAULT line's end.
            previous = tok::Default;
            for (int q = token->end;;) {
                const CachedToken* rest = FindCachedToken(q);
                if (!rest) return false;
                mark(q, *rest);
                if (rest->token == tok::EndOfLine) {
                    table.outcomes.push_back(outcome(tok::EndOfLine, rest->end, q, rest->lineEnd, previous));
                    table.complete = true;
                    return true;
                }
                previous = rest->token;
                q = rest->end;
            }
        case tok::Case: {
            const CachedToken* item = FindCachedToken(token->end);
            const CachedToken* after = item ? FindCachedToken(item->end) : nullptr;
            if (!after) return false;
            if (item->token != tok::NumberLiteral || after->token != tok::EndOfLine) return true;
            // The item's test runs from its translated form, made at its second test.
            if (const std::int32_t index = kept_.translatedIndex[static_cast<std::size_t>(token->end)];
                index == kNotLookedAt || index == kSeenOnce)
                return false;
            const TranslatedStatement* test = TranslatedAt(token->end, TranslatedStatement::Kind::Condition, tok::EndOfLine);
            if (!test) return true;
            marks.test = {p, previous};
            marks.number = marks.test;
            table.values.push_back(static_cast<double>(item->number));
            table.outcomes.push_back(outcome(tok::EndOfLine, test->end, test->endTokenStart, test->endLineEnd, tok::Case));
            previous = tok::EndOfLine;
            p = test->end;
            break;
        }
        default:
            mark(p, *token);
            // A skip turns a current END into no token before it fetches.
            previous = token->token == tok::End ? tok::None : token->token;
            p = token->end;
            break;
        }
    }
}

void TLangEngine::ApplyCaseOutcome(const CaseOutcome& outcome) {
    for (int i = 0; i < outcome.count; ++i) {
        const int start = outcome.replay[static_cast<std::size_t>(i)];
        const CachedToken* token = FindCachedToken(start);
        if (!outcome.isTest[static_cast<std::size_t>(i)]) {
            // A token the cache does not keep is read again, as the skip read it.
            m_Token = outcome.tokenBefore[static_cast<std::size_t>(i)];
            m_TextPos = start;
            FetchSkipping();
            continue;
        }
        // The CASE's test, as the search makes it after fetching the CASE.
        m_Token = tok::Case;
        m_TextPos = token->end;
        GetToken();
        m_ValueType = tok::None;
        m_SavedToken = tok::None;
        RunTranslatedCaseItem();
    }
    m_Token = outcome.token;
    m_TextPos = outcome.end;
    tokenStart_ = outcome.tokenStart;
    lineEndPos_ = outcome.lineEnd;
    previousToken_ = outcome.previousToken;
}

bool TLangEngine::PeekSkippedToken(int start, int tokenBefore, SkippedToken& skipped) {
    const TokenState saved = SaveTokenState();
    const int savedPrevious = previousToken_;
    // Read twice from different registers: a register the read sets comes
    // out the same both times.
    struct Registers {
        std::string text;
        long double number;
        TERP_SYMBOL_TAG* symbol;
    };
    TERP_SYMBOL_TAG probe;
    const auto read = [&](Registers registers) {
        m_TokenText = std::move(registers.text);
        m_NumValue = registers.number;
        m_CurrentSymbol = registers.symbol;
        m_Token = tokenBefore;
        m_TextPos = start;
        const bool produced = FetchSkipping() && !m_StopRequested;
        skipped.token = m_Token;
        skipped.end = m_TextPos;
        return produced ? std::optional<Registers>(Registers{m_TokenText, m_NumValue, m_CurrentSymbol}) : std::nullopt;
    };
    const std::optional<Registers> first = read({"a", 1, nullptr});
    const std::optional<Registers> second = first ? read({"b", 2, &probe}) : std::nullopt;
    RestoreTokenState(saved);
    previousToken_ = savedPrevious;
    if (!second) return false;
    skipped.setsText = first->text == second->text;
    skipped.setsNumber = first->number == second->number;
    skipped.setsSymbol = first->symbol == second->symbol;
    return true;
}

bool TLangEngine::JumpToCaseLimit() {
    if (!m_TranslateLines || m_StopRequested || !TokenCacheUsable() || m_TextPos < 1 || m_TextPos > m_RunTextLength)
        return false;
    if (kept_.caseLimitJumpIndex.empty()) return false;
    const std::int32_t index = kept_.caseLimitJumpIndex[static_cast<std::size_t>(m_TextPos)];
    if (index < 0) return false;
    const CaseLimitJump& jump = kept_.caseLimitJumps[static_cast<std::size_t>(index)];
    for (int i = 0; i < jump.count; ++i) {
        const int start = jump.replay[static_cast<std::size_t>(i)];
        UseCachedToken(*FindCachedToken(start), start, false);
    }
    previousToken_ = jump.previousToken;
    return true;
}

bool TLangEngine::FetchToCaseLimitKeepingIt() {
    const int start = m_TextPos;
    // Only a pass over tokens from the cache is known to come out the same
    // every time; the first pass fills the cache.
    bool keepable = m_TranslateLines && TokenCacheUsable() && start >= 1 && start <= m_RunTextLength;
    std::int32_t lastNumber = -1;
    std::int32_t lastText = -1;
    std::int32_t lastSymbol = -1;
    for (int fetched = 1;; ++fetched) {
        const std::int32_t tokenStart = m_TextPos;
        const CachedToken* cached = keepable ? FindCachedToken(tokenStart) : nullptr;
        keepable = keepable && cached;
        if (!FetchSkipping()) return false;
        if (m_Token == tok::Switch) return true;
        if (m_Token == tok::Case || m_Token == tok::Default || m_Token == tok::EndSwitch) {
            // The token before the limit must lie within the pass, so that the
            // token fetched before the pass does not matter.
            if (!keepable || fetched < 2) return true;
            CaseLimitJump jump;
            std::array<std::int32_t, 3> marks = {lastNumber, lastText, lastSymbol};
            std::sort(marks.begin(), marks.end());
            for (std::size_t i = 0; i < marks.size(); ++i)
                if (marks[i] >= 0 && (i == 0 || marks[i] != marks[i - 1]))
                    jump.replay[static_cast<std::size_t>(jump.count++)] = marks[i];
            jump.replay[static_cast<std::size_t>(jump.count++)] = tokenStart;
            jump.previousToken = previousToken_;
            kept_.Slot(kept_.caseLimitJumpIndex, start, -1) = static_cast<std::int32_t>(kept_.caseLimitJumps.size());
            kept_.caseLimitJumps.push_back(jump);
            return true;
        }
        if (!keepable) continue;
        // The registers each cached token sets as it is used.
        switch (cached->token) {
        case tok::StringLiteral:
        case tok::None:
            lastText = tokenStart;
            break;
        case tok::NumberLiteral:
            lastNumber = tokenStart;
            break;
        case tok::SymbolRef:
            lastSymbol = tokenStart;
            if (cached->symbol->SymKind == tok::NumberDecl) lastNumber = tokenStart;
            if (cached->symbol->SymKind == tok::StringDecl) lastText = tokenStart;
            break;
        default:
            break;
        }
    }
}

void TLangEngine::ExecGosub() {
    const int returnPosition = m_TextPos;
    const TERP_SYMBOL_TAG* label = ReadJumpTarget();
    if (!label) return;
    RewindTo(Position(label->SymValue));
    // The subroutine's body starts after its label's line end, which the run
    // loop would fetch first.
    const CachedToken* labelLineEnd =
        !m_LeaveBlock && !m_StopRequested && blockNesting_ < kMaxBlockNesting && TokenCacheUsable()
            ? FindCachedToken(m_TextPos)
            : nullptr;
    if (labelLineEnd && labelLineEnd->token == tok::EndOfLine) {
        GetToken();
        RunBody();
    } else {
        RunBlock(true, true);
    }
    if (m_StopRequested || m_Token == tok::End) return;
    if (m_Token != tok::Return) {
        if (GetToken())
            ReportError("Unhandled token returned from Parser in GOSUB subroutine!");
        else
            ReportError("Unexpected EOF looking for RETURN");
        return;
    }
    FinishBlock(returnPosition);
}

bool TLangEngine::PrintEndsWithNewline() {
    const TokenState saved = SaveTokenState();
    int last = tok::None;
    while (FetchSkipping() && m_Token != tok::EndOfLine && m_Token != tok::EndIf && m_Token != tok::Else)
        last = m_Token;
    RestoreTokenState(saved);
    return last != tok::Semicolon;
}

void TLangEngine::ExecPrint() {
    const bool newline = PrintEndsWithNewline();
    std::string line;
    m_Token = tok::Comma;
    EvalExpression(false);
    m_EvalFlags.AfterSeparator = false;
    for (;;) {
        m_ValueType = tok::None;
        m_Token = tok::EndOfLine;
        do {
            if (!EvalStep(!IsOperator())) return;
        } while (!IsTerminator() || m_Token == tok::And || m_Token == tok::CloseParen || m_Token == tok::Or ||
                 m_Token == tok::Separator);
        switch (m_ValueType) {
        case tok::StringLiteral:
            line += m_TokenText;
            break;
        case tok::NumberLiteral:
            line += FormatNumber(m_NumValue);
            break;
        case tok::SymbolRef:
            line += m_CurrentSymbol && IsStringKind(m_CurrentSymbol->SymKind) ? m_TokenText : FormatNumber(m_NumValue);
            break;
        default:
            break;
        }
        if (m_Token == tok::EndOfLine || m_Token == tok::EndIf || m_Token == tok::Else) break;
        if (m_Token == tok::Comma) {
            line += '\t';
        } else if (m_Token != tok::Semicolon) {
            ReportError("Misplaced statement");
            return;
        }
    }
    if (line.empty() && newline) line += ' ';
    m_PrintLine = line;
    m_Events.OnPrint(m_PrintLine, newline);
    // An ELSE or ENDIF that ended the statement stays current: it ends the
    // branch of a single-line IF.
    if (m_Token == tok::EndOfLine) Prime();
}

}  // namespace pevox
