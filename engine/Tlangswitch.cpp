// SWITCH: the value, the search of its CASE or DEFAULT through the lines
// between (passing over a nested SWITCH whole), and what a SWITCH keeps
// between its runs: the table of its single-number CASE items and the
// passes over tokens between one CASE and the next.
#include "Tlangengine.h"
#include "Tlangprepass.h"

#include <algorithm>
#include <array>

namespace pevox {

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
                index == kNotLookedAt || RanOnce(index))
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

}  // namespace pevox
