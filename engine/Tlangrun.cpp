// The run loop and the statements: RunBlock dispatches on the current token,
// the block statements run their bodies through nested RunBlock calls and
// find their limits in the block records of the pre-pass. The loops, the
// SWITCH and the bodies run from their kept lines have files of their own.
#include "Tlangengine.h"
#include "Tlangeval.h"
#include "Tlangnumbers.h"
#include "Tlangprepass.h"

namespace pevox {

namespace {

const char* const kMisplacedThen = "Misplaced THEN/ELSE/ENDIF";
const char* const kNotALabel = "String variable does not reference a LABEL";
const char* const kConditionType = "Type Mismatch in condition";

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
    FinishBlock(RecordedPosition(label->SymValue));
    StepAgainAfterJump();
}

TLangEngine::BlockJump TLangEngine::JumpWithinBlock(int start, int end) {
    const int gotoPosition = m_TextPos - 1;
    const TERP_SYMBOL_TAG* label = ReadJumpTarget();
    if (!label) return BlockJump::Failed;
    const int target = RecordedPosition(label->SymValue);
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
        RewindTo(RecordedPosition(block->SymValue));
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

void TLangEngine::ExecGosub() {
    const int returnPosition = m_TextPos;
    const TERP_SYMBOL_TAG* label = ReadJumpTarget();
    if (!label) return;
    RewindTo(RecordedPosition(label->SymValue));
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
