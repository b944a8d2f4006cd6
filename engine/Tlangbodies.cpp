// The lines the run loop kept from their first run, and the bodies of
// blocks made of them: a kept line runs its translated assignment or fetches
// its keyword without reading it again, and a body runs its kept lines
// without the run loop's dispatch, in run mode and in step mode alike.
#include "Tlangengine.h"
#include "Tlangprepass.h"

#include <algorithm>

namespace pevox {

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
            index >= 0 || RanOnce(index)) {
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

}  // namespace pevox
