// FOR and WHILE: the bounds and the condition read anew for every round, the
// body run through RunBlockBody.
#include "Tlangengine.h"
#include "Tlangprepass.h"

#include <cfloat>
#include <cmath>

namespace pevox {

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
    const int toPosition = RecordedPosition(block->SymValue);
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

}  // namespace pevox
