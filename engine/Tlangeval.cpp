#include "Tlangeval.h"

#include "Tlangengine.h"

namespace pevox {

bool IsTerminatorCode(int code) {
    switch (code) {
    case tok::Then: case tok::EndOfLine: case tok::EndIf: case tok::NumberDecl: case tok::StringDecl:
    case tok::And: case tok::Rem: case tok::CloseParen: case tok::Comma: case tok::Label:
    case tok::Semicolon: case tok::Print: case tok::IIf: case tok::If: case tok::Stop: case tok::Or:
    case tok::Else: case tok::Wend: case tok::Resume: case tok::Next: case tok::For: case tok::Break:
    case tok::Continue: case tok::To: case tok::Step: case tok::Return: case tok::On: case tok::Error:
    case tok::End: case tok::Do: case tok::Loop: case tok::Until: case tok::Off: case tok::Switch:
    case tok::Case: case tok::EndSwitch: case tok::Default: case tok::Separator:
        return true;
    default:
        return false;
    }
}

bool IsOperatorCode(int code) {
    switch (code) {
    case tok::Not: case tok::Mod: case tok::And: case tok::Multiply: case tok::Plus: case tok::Minus:
    case tok::Divide: case tok::Less: case tok::Assign: case tok::Greater: case tok::IntDivide:
    case tok::Power: case tok::Or:
        return true;
    default:
        return code >= tok::Equal && code <= tok::Decrement;
    }
}

int OperatorPrecedenceCode(int code) {
    switch (code) {
    case tok::OpenParen: case tok::CloseParen:
        return 0;
    case tok::Not: case tok::Power:
        return 1;
    case tok::Multiply: case tok::Divide: case tok::IntDivide:
        return 2;
    case tok::Plus: case tok::Minus:
        return 3;
    case tok::Mod:
        return 4;
    case tok::Less: case tok::Greater: case tok::Equal: case tok::GreaterEqual: case tok::LessEqual:
    case tok::NotEqual:
        return 5;
    case tok::And: case tok::Or: case tok::Increment: case tok::Decrement:
        return 6;
    case tok::Assign:
        return 7;
    default:
        return IsOperatorCode(code) ? 9999 : -1;
    }
}

bool TLangEngine::IsTerminator(int token) const {
    return m_StopRequested || IsTerminatorCode(token == -1 ? m_Token : token);
}

bool TLangEngine::IsOperator(int token) const { return IsOperatorCode(token == -1 ? m_Token : token); }

bool TLangEngine::IsCallToken(int token) const {
    const int code = token == -1 ? m_Token : token;
    if (code > tok::Separator) return true;
    if (code < 0) return false;
    const bool letterOrDigit = (code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z');
    return !letterOrDigit && !IsOperatorCode(code) && !IsTerminatorCode(code) && code != tok::StringLiteral &&
           code != tok::NumberLiteral && code != tok::SymbolRef;
}

int TLangEngine::OperatorPrecedence(int token) const {
    const int code = token == -1 ? m_Token : token;
    const int precedence = OperatorPrecedenceCode(code);
    if (precedence >= 0) return precedence;
    return IsCallToken(code) ? 0 : 9;
}

bool TLangEngine::IsNonNumericValue(int kind) const {
    if (kind == tok::SymbolRef) {
        return !m_CurrentSymbol ||
               (m_CurrentSymbol->SymKind != tok::NumberDecl && m_CurrentSymbol->SymKind != tok::NumericArray);
    }
    return kind != tok::NumberLiteral && kind != tok::NumberDecl && kind != tok::NumericArray;
}

bool TLangEngine::IsNonStringValue(int kind) const {
    if (kind == tok::SymbolRef) {
        return !m_CurrentSymbol ||
               (m_CurrentSymbol->SymKind != tok::StringDecl && m_CurrentSymbol->SymKind != tok::StringArray);
    }
    return kind != tok::StringLiteral && kind != tok::StringDecl && kind != tok::StringArray;
}

// Operands, separators and assignment. Arithmetic, comparisons, logic and
// calls are not evaluated here yet: an operator other than "=" is reported.
void TLangEngine::EvalExpression(bool fetchFirst) {
    if (m_StopRequested) {
        m_Token = tok::EndOfLine;
        return;
    }
    if ((fetchFirst || m_Token == tok::None) && !GetToken()) return;
    if (IsOperator()) m_EvalWork = OperatorPrecedence();
    if (m_ValueType == tok::None) m_SavedToken = tok::None;
    switch (m_Token) {
    case tok::StringLiteral:
    case tok::NumberLiteral:
        m_SavedToken = m_Token;
        m_EvalFlags = EvalFlags();
        if (m_ValueType == tok::None) m_ValueType = m_Token;
        EvalExpression(true);
        break;
    case tok::SymbolRef:
        m_SavedToken = tok::SymbolRef;
        if (m_CurrentSymbol && m_CurrentSymbol->SymIsConstant) m_EvalFlags.Assignable = false;
        if (m_ValueType == tok::None) m_ValueType = tok::SymbolRef;
        m_EvalFlags.AfterSeparator = false;
        EvalExpression(true);
        break;
    case tok::Then:
    case tok::EndOfLine:
    case tok::CloseParen:
    case tok::Else:
        m_EvalFlags.AfterSeparator = false;
        m_EvalFlags.Assignable = m_Token != tok::CloseParen;
        if (m_ValueType == tok::None) m_ValueType = m_SavedToken;
        return;
    case tok::Comma:
    case tok::To:
    case tok::Step:
    case tok::Case:
        m_EvalFlags.Assignable = true;
        m_EvalFlags.AfterSeparator = true;
        return;
    case tok::End:
        return;
    case tok::Assign:
        EvalAssignment();
        break;
    default:
        if (!IsTerminator()) {
            ReportError("Misplaced operator");
            return;
        }
        if (m_ValueType == tok::None) m_ValueType = m_SavedToken;
        return;
    }
    m_ValueType = m_SavedToken;
}

void TLangEngine::EvalAssignment() {
    if (m_SavedToken != tok::SymbolRef || !m_EvalFlags.Assignable || !m_CurrentSymbol) {
        ReportError("Incorrect use of assignment operator");
        return;
    }
    const std::string targetName = m_CurrentSymbol->SymName;
    const int targetKind = m_CurrentSymbol->SymKind;
    const std::int32_t targetCell = m_CurrentSymbol->SymExtra;
    m_SavedToken = tok::OperandExpected;
    GetToken();
    if (IsTerminator()) {
        UngetChar();
        ReportError("Missing Value");
        return;
    }
    for (;;) {
        if (m_Token == tok::StringLiteral || m_Token == tok::NumberLiteral || m_Token == tok::SymbolRef)
            m_ValueType = m_Token;
        EvalExpression(false);
        if (m_StopRequested) return;
        if (IsTerminator() && m_Token != tok::Separator) break;
        EvalExpression(m_Token == tok::Separator);
    }
    const bool numericTarget = targetKind == tok::NumberDecl || targetKind == tok::NumericArray;
    if ((numericTarget && IsNonNumericValue(m_ValueType)) || (!numericTarget && IsNonStringValue(m_SavedToken))) {
        ReportError("Type Mismatch in assignment expression");
        return;
    }
    TERP_SYMBOL_TAG* target = FindSymbol(targetName, kVariableList);
    if (!target) {
        ReportError("Can only make assignments to variables");
        return;
    }
    switch (target->SymKind) {
    case tok::NumberDecl:
        target->SymValue = static_cast<double>(m_NumValue);
        break;
    case tok::StringDecl:
        target->SymText = m_TokenText;
        break;
    case tok::StringArray:
        target->SymCells[static_cast<std::size_t>(targetCell)].Text = m_TokenText;
        target->SymText = m_TokenText;
        target->SymExtra = targetCell;
        break;
    case tok::NumericArray:
        target->SymCells[static_cast<std::size_t>(targetCell)].Number = static_cast<double>(m_NumValue);
        target->SymValue = static_cast<double>(m_NumValue);
        target->SymExtra = targetCell;
        break;
    default:
        ReportError("Cannot make assignments to this type!");
        return;
    }
    m_SavedToken = tok::SymbolRef;
    EvalExpression(!IsTerminator());
}

}  // namespace pevox
