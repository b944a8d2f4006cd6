#include "Tlangeval.h"

#include "Tlangbuiltins.h"
#include "Tlangengine.h"
#include "Tlangmaths.h"
#include "Tlangnumbers.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace pevox {

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

bool TLangEngine::IsRelationalToken() const {
    switch (m_Token) {
    case tok::Less: case tok::Greater: case tok::Equal: case tok::GreaterEqual: case tok::LessEqual:
    case tok::NotEqual:
        return true;
    default:
        return false;
    }
}

bool TLangEngine::IsNonStringValue(int kind) const {
    if (kind == tok::SymbolRef) {
        return !m_CurrentSymbol ||
               (m_CurrentSymbol->SymKind != tok::StringDecl && m_CurrentSymbol->SymKind != tok::StringArray);
    }
    return kind != tok::StringLiteral && kind != tok::StringDecl && kind != tok::StringArray;
}

namespace {

bool IsValueToken(int token) {
    return token == tok::StringLiteral || token == tok::NumberLiteral || token == tok::SymbolRef;
}
bool IsProductOperator(int token) {
    return token == tok::Mod || token == tok::Multiply || token == tok::Divide || token == tok::IntDivide ||
           token == tok::Power;
}

// The left operand of an infix operator, held while the right one is read.
struct Operand {
    int kind = 0;  // NumberDecl or StringDecl for a literal, the symbol's kind for a reference
    double number = 0;
    std::string text;
};

// Takes the value the evaluator read last as the left operand of an infix
// operator; false when that was no value (a literal or a symbol).
bool TakeLeftOperand(int savedToken, const TERP_SYMBOL_TAG* symbol, long double number, const std::string& text,
                     Operand& left) {
    switch (savedToken) {
    case tok::StringLiteral:
        left.kind = tok::StringDecl;
        left.text = text;
        return true;
    case tok::NumberLiteral:
        left.kind = tok::NumberDecl;
        left.number = static_cast<double>(number);
        return true;
    case tok::SymbolRef:
        left.kind = symbol ? symbol->SymKind : 0;
        left.number = static_cast<double>(number);
        if (IsStringKind(left.kind)) left.text = text;
        return true;
    default:
        return false;
    }
}

const char* const kNegation = "Cannot use negation operator here.";
const char* const kNot = "Cannot use NOT operator here.";
const char* const kLogicalTypes = "AND and OR logical operators only work on numeric types";
const char* const kSubtractStrings = "Cannot subtract strings";

}  // namespace

bool TLangEngine::EvalStep(bool fetchFirst) {
    const int position = m_TextPos;
    const int token = m_Token;
    EvalExpression(fetchFirst);
    if (m_StopRequested) return false;
    if (!fetchFirst && m_TextPos == position && m_Token == token && !IsTerminator()) {
        ReportError("Syntax error in expression");
        return false;
    }
    return true;
}

void TLangEngine::EvalExpression(bool fetchFirst) {
    const NestingLevel level(exprNesting_);
    if (exprNesting_ > kMaxExpressionNesting) {
        ReportError("Expression nested too deeply");
        return;
    }
    if (m_StopRequested) {
        m_Token = tok::EndOfLine;
        return;
    }
    if ((fetchFirst || m_Token == tok::None) && !FetchToken()) return;
    if (IsOperator()) m_EvalWork = OperatorPrecedence();
    if (m_Token >= tok::HostCallBase) {
        CallUserFunction();
        if (m_StopRequested) return;
        // The arguments have changed the kind; the call's value is what follows.
        m_ValueType = m_SavedToken;
        if (OperatorPrecedence(PeekToken()) < m_EvalWork) EvalExpression(false);
        return;
    }
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
    case tok::Dump:
        DumpVariables();
        if (m_StopRequested) return;
        m_Token = tok::EndOfLine;
        EvalExpression(false);
        break;
    case tok::OpenParen:
        EvalParenthesis();
        break;
    case tok::Plus:
    case tok::Minus:
        // A sum leaves the kind of its result, which the last operand's kind
        // must not overwrite ("N=" + 2 is a text).
        if (EvalSign(fetchFirst)) return;
        break;
    case tok::Not:
        EvalNot();
        break;
    case tok::Mod:
    case tok::Multiply:
    case tok::Divide:
    case tok::IntDivide:
    case tok::Power:
        EvalProduct();
        break;
    case tok::Less:
    case tok::Greater:
    case tok::Equal:
    case tok::GreaterEqual:
    case tok::LessEqual:
    case tok::NotEqual:
        // Reached by a fetch, the operator is left to the caller's loop.
        if (!fetchFirst) EvalComparison();
        break;
    case tok::And:
    case tok::Or:
        if (fetchFirst) return;
        if (IsNonNumericValue(m_ValueType)) {
            ReportError(kLogicalTypes);
            return;
        }
        EvalLogical();
        break;
    case tok::Assign:
        EvalAssignment();
        break;
    case tok::Increment:
    case tok::Decrement:
        EvalIncrement();
        break;
    default:
        if (IsBuiltinCode(m_Token)) {
            EvalBuiltin();
            if (m_StopRequested) return;
            m_SavedToken = m_Token;
            if (OperatorPrecedence(PeekToken()) < m_EvalWork) EvalExpression(false);
            break;
        }
        if (m_ValueType == tok::None) m_ValueType = m_SavedToken;
        return;
    }
    m_ValueType = m_SavedToken;
}

// After an operand that an evaluator call read (a parenthesis, a call, a
// sign, NOT) the next token may already be current. A product operator there
// applies to the result at once; any other operator belongs to the caller.
void TLangEngine::GoOnAfterOperand() {
    if (!IsOperator() || IsProductOperator(m_Token)) EvalExpression(false);
}

bool TLangEngine::EvalSign(bool fetchFirst) {
    const bool unary = m_SavedToken == tok::OperandExpected || m_SavedToken == tok::OpenParen ||
                       m_SavedToken == tok::None || m_EvalFlags.AfterSeparator;
    m_EvalFlags.Assignable = false;
    if (!unary) {
        if (fetchFirst) return false;
        EvalArithmetic();
        return true;
    }
    if (m_Token == tok::Plus) {
        EvalExpression(true);
        return true;
    }
    FetchToken();
    if (IsTerminator() || IsCallToken()) {
        m_SavedToken = tok::None;
        EvalExpression(false);
        if (m_StopRequested) return true;
        if (IsNonNumericValue(m_SavedToken)) {
            ReportError(kNegation);
            return true;
        }
        m_NumValue = -m_NumValue;
        return false;
    }
    m_SavedToken = m_Token;
    if (IsNonNumericValue(m_Token)) {
        ReportError(kNegation);
        return true;
    }
    m_NumValue = -m_NumValue;
    return false;
}

void TLangEngine::EvalArithmetic() {
    m_EvalFlags.Assignable = false;
    const bool minus = m_Token == tok::Minus;
    Operand left;
    if (!TakeLeftOperand(m_SavedToken, m_CurrentSymbol, m_NumValue, m_TokenText, left)) {
        ReportError("Misplaced operator");
        return;
    }
    if (minus && !IsNumericKind(left.kind)) {
        ReportError(kSubtractStrings);
        return;
    }
    // A text on the left is held while the right operand is evaluated, and
    // the join must fit beside it.
    const RunMemory::Pending leftHeld(m_Memory, left.text.size());
    m_SavedToken = tok::OperandExpected;
    FetchToken();
    if (IsTerminator()) {
        ReportError("Expected Value");
        return;
    }
    if (m_Token == tok::OpenParen) {
        EvalSubExpression(false);
        EvalExpression(m_Token == tok::Separator);
    } else {
        // A sign after the operator makes the operand signed: 1 - -3, 1 + +3.
        if (m_Token != tok::Minus && m_Token != tok::Plus) m_SavedToken = m_Token;
        EvalExpression(false);
        // A negated operand leaves its own token current: the products after it
        // still belong to the right operand.
        if (!m_StopRequested && IsValueToken(m_Token)) EvalExpression(false);
    }
    if (m_StopRequested) return;
    int rightKind = m_SavedToken;
    if (rightKind == tok::SymbolRef) rightKind = IsNonNumericValue(rightKind) ? tok::StringLiteral : tok::NumberLiteral;
    if (rightKind == tok::StringLiteral && minus) {
        ReportError(kSubtractStrings);
        return;
    }
    if (rightKind != tok::StringLiteral && rightKind != tok::NumberLiteral) return;
    if (IsNumericKind(left.kind)) {
        if (rightKind == tok::StringLiteral) {
            ReportError("Type Mismatch");
            return;
        }
        m_NumValue = minus ? left.number - m_NumValue : left.number + m_NumValue;
        if (!CheckNumberResult(m_NumValue)) return;
    } else if (IsStringKind(left.kind)) {
        const std::string number = rightKind == tok::NumberLiteral ? FormatFixed18(m_NumValue) : std::string();
        const std::size_t rightSize = rightKind == tok::NumberLiteral ? number.size() : m_TokenText.size();
        if (!m_Memory.Fits(rightSize)) {
            ReportError(std::string(msg::OutOfMemory));
            return;
        }
        // Built in the register, whose room a loop that extends a text reuses.
        if (rightKind == tok::NumberLiteral) {
            m_TokenText = left.text;
            m_TokenText += number;
        } else {
            m_TokenText.insert(0, left.text);
        }
        rightKind = tok::StringLiteral;
    } else {
        ReportError("Unknown Type!");
        return;
    }
    // The sum is the operand the next operator takes and the kind the
    // statement sees: a text stays a text ("a" + 1 + 2), a number a number.
    m_SavedToken = rightKind;
    m_ValueType = rightKind;
}

void TLangEngine::EvalProduct() {
    m_EvalFlags.Assignable = false;
    switch (m_SavedToken) {
    case tok::StringLiteral:
        ReportError("Operator does not work on strings!");
        return;
    case tok::NumberLiteral:
        break;
    case tok::SymbolRef:
        if (IsNonNumericValue(tok::SymbolRef)) {
            ReportError("Operation not allowed on type.");
            return;
        }
        break;
    default:
        ReportError("Misplaced operator");
        return;
    }
    const long double left = static_cast<double>(m_NumValue);
    const int op = m_Token;
    m_SavedToken = tok::OperandExpected;
    FetchToken();
    static const char* const kWrongType = "Wrong type in expression";
    if (IsTerminator() || m_Token == tok::StringLiteral ||
        (m_Token == tok::SymbolRef && IsNonNumericValue(tok::SymbolRef))) {
        ReportError(kWrongType);
        return;
    }
    const bool direct = m_Token == tok::NumberLiteral || m_Token == tok::SymbolRef;
    if (!direct) {
        EvalExpression(false);
        if (m_StopRequested) return;
        if (IsNonNumericValue(m_SavedToken)) {
            ReportError(kWrongType);
            return;
        }
    }
    if (!ApplyProduct(op, left, m_NumValue)) return;
    m_SavedToken = tok::NumberLiteral;
    if (direct)
        EvalExpression(false);
    else
        GoOnAfterOperand();
}

bool TLangEngine::CheckNumberResult(long double value) {
    if (std::isnan(value)) {
        ReportError(std::string(msg::DomainError));
        return false;
    }
    if (!(std::fabs(value) <= DBL_MAX)) {
        ReportError(std::string(msg::Overflow));
        return false;
    }
    return true;
}

bool TLangEngine::ApplyProduct(int op, long double left, long double right) {
    switch (op) {
    case tok::Multiply:
        m_NumValue = left * right;
        return CheckNumberResult(m_NumValue);
    case tok::Divide:
        m_NumValue = Quotient(left, right);
        return CheckNumberResult(m_NumValue);
    case tok::Power:
        m_NumValue = Power(left, right);
        return CheckNumberResult(m_NumValue);
    default:
        break;
    }
    const std::optional<std::int64_t> a = WholeOperand(left);
    const std::optional<std::int64_t> b = WholeOperand(right);
    if (!a || !b) {
        ReportError("Number out of range for integer operation");
        return false;
    }
    m_NumValue = static_cast<long double>(op == tok::IntDivide ? WholeQuotient(*a, *b) : WholeRemainder(*a, *b));
    return true;
}

void TLangEngine::EvalComparison() {
    m_EvalFlags.Assignable = true;
    Operand left;
    if (!TakeLeftOperand(m_SavedToken, m_CurrentSymbol, m_NumValue, m_TokenText, left)) {
        ReportError("Wrong Type in relational comparison!");
        return;
    }
    const int op = m_Token;
    m_SavedToken = tok::OperandExpected;
    FetchToken();
    if (IsTerminator()) {
        PutBackToken();
        ReportError("Badly formed relational expression");
        return;
    }
    while (!IsTerminator())
        if (!EvalStep(false)) return;
    // The right side's family: 1 numeric, 2 text, 0 neither.
    int rightFamily;
    switch (m_SavedToken) {
    case tok::NumberLiteral: rightFamily = 1; break;
    case tok::StringLiteral: rightFamily = 2; break;
    case tok::SymbolRef:
        rightFamily = !IsNonNumericValue(tok::SymbolRef) ? 1 : !IsNonStringValue(tok::SymbolRef) ? 2 : 0;
        break;
    default:
        ReportError("Invalid use of relational operator!");
        return;
    }
    const int leftFamily = IsNumericKind(left.kind) ? 1 : IsStringKind(left.kind) ? 2 : 0;
    if (leftFamily == 0) {
        ReportError("Type Mismatch. Cannot do comparisons against TYPE");
        return;
    }
    if (leftFamily != rightFamily) {
        ReportError("Type Mismatch");
        return;
    }
    const bool numeric = leftFamily == 1;
    // Both sides compare as the doubles they are stored as, so equal values
    // are equal whatever precision produced them.
    int order;
    if (numeric) {
        const double right = static_cast<double>(m_NumValue);
        order = left.number < right ? -1 : left.number > right ? 1 : 0;
        if (std::isnan(left.number) || std::isnan(right)) order = 2;  // unordered: only "<>" holds
    } else {
        order = left.text.compare(m_TokenText);
        order = order < 0 ? -1 : order > 0 ? 1 : 0;
    }
    bool holds = false;
    switch (op) {
    case tok::Less: holds = order == -1; break;
    case tok::Greater: holds = order == 1; break;
    case tok::Equal: holds = order == 0; break;
    case tok::GreaterEqual: holds = order == 1 || order == 0; break;
    case tok::LessEqual: holds = order == -1 || order == 0; break;
    case tok::NotEqual: holds = order != 0; break;
    default: break;
    }
    m_NumValue = holds ? 1 : 0;
    m_SavedToken = tok::NumberLiteral;
}

void TLangEngine::EvalNot() {
    m_EvalFlags.Assignable = false;
    FetchToken();
    if (m_Token == tok::NumberLiteral || m_Token == tok::SymbolRef) {
        if (IsNonNumericValue(m_Token)) {
            ReportError(kNot);
            return;
        }
        m_NumValue = m_NumValue == 0 ? 1 : 0;
        m_SavedToken = tok::NumberLiteral;
        if (m_ValueType == tok::None) m_ValueType = tok::NumberLiteral;
        EvalExpression(true);
        return;
    }
    m_SavedToken = tok::None;
    EvalExpression(false);
    if (m_StopRequested) return;
    if (IsNonNumericValue(m_SavedToken)) {
        ReportError(kNot);
        return;
    }
    m_NumValue = m_NumValue == 0 ? 1 : 0;
    m_SavedToken = tok::NumberLiteral;
    if (m_ValueType == tok::None) m_ValueType = tok::NumberLiteral;
    GoOnAfterOperand();
}

void TLangEngine::EvalLogical() {
    const int op = m_Token;
    const bool left = m_NumValue != 0;
    // A sign that opens the right side is its sign: 2 AND -2 is 1.
    m_SavedToken = tok::OperandExpected;
    FetchToken();
    if (IsTerminator()) {
        ReportError("No statement following logical operator");
        return;
    }
    m_EvalFlags.Assignable = false;
    while (!IsTerminator())
        if (!EvalStep(false)) return;
    if (IsNonNumericValue(m_ValueType)) {
        ReportError(kLogicalTypes);
        return;
    }
    const bool right = m_NumValue != 0;
    m_NumValue = (op == tok::And ? left && right : left || right) ? 1 : 0;
    m_SavedToken = tok::NumberLiteral;
    m_ValueType = tok::NumberLiteral;
    EvalExpression(false);
}

void TLangEngine::EvalParenthesis() {
    const int level = m_EvalWork;
    EvalSubExpression(false);
    if (m_StopRequested || m_Token == tok::Comma || m_Token == tok::EndOfLine) return;
    FetchToken();
    if (level > OperatorPrecedence()) {
        EvalExpression(false);
        return;
    }
    PutBackToken();
    m_Token = tok::Separator;
}

void TLangEngine::EvalSubExpression(bool argument) {
    const bool outermost = m_ExprDepth == 0;
    m_EvalFlags.Assignable = true;
    m_EvalFlags.AfterSeparator = false;
    ++m_ExprDepth;
    EvalExpression(true);
    if (m_Token == tok::Separator) EvalExpression(true);
    if (argument) {
        while (!m_StopRequested && !IsTerminator())
            if (!EvalStep(false)) break;
        if (outermost && m_Token == tok::Separator) m_Token = m_SavedToken;
    }
    --m_ExprDepth;
    if (argument && (!outermost || (IsTerminator() && m_Token != tok::Separator))) return;
    while (!m_StopRequested && m_Token != tok::CloseParen) {
        // Only AND and OR go on from a terminator inside a parenthesis.
        if (IsTerminator() && m_Token != tok::And && m_Token != tok::Or && m_Token != tok::Separator) {
            ReportError("Syntax error in expression");
            return;
        }
        if (!EvalStep(m_Token == tok::Separator)) return;
    }
    if (!m_StopRequested) m_Token = tok::Separator;
}

void TLangEngine::EvalAssignedValue() {
    for (;;) {
        if (IsValueToken(m_Token)) m_ValueType = m_Token;
        if (!EvalStep(false)) return;
        if (IsTerminator() && m_Token != tok::Separator) return;
        if (!EvalStep(m_Token == tok::Separator)) return;
    }
}

void TLangEngine::EvalAssignment() {
    if (m_SavedToken != tok::SymbolRef || !m_EvalFlags.Assignable || !m_CurrentSymbol) {
        ReportError("Incorrect use of assignment operator");
        return;
    }
    // Records keep their address for the whole run, so the target can be
    // held while the right side is read.
    TERP_SYMBOL_TAG& target = *m_CurrentSymbol;
    const int targetKind = target.SymKind;
    const std::int32_t targetCell = target.SymExtra;
    m_SavedToken = tok::OperandExpected;
    FetchToken();
    if (IsTerminator()) {
        PutBackToken();
        ReportError("Missing Value");
        return;
    }
    EvalAssignedValue();
    if (m_StopRequested) return;
    if ((IsNumericKind(targetKind) && IsNonNumericValue(m_ValueType)) ||
        (IsStringKind(targetKind) && IsNonStringValue(m_SavedToken))) {
        ReportError("Type Mismatch in assignment expression");
        return;
    }
    if (IsNumericKind(targetKind) && !CheckNumberResult(m_NumValue)) return;
    const bool isCell = targetKind == tok::StringArray || targetKind == tok::NumericArray;
    if (isCell && (targetCell < 0 || static_cast<std::size_t>(targetCell) >= target.SymCells.size())) {
        ReportError("Subscript out of Range");
        return;
    }
    switch (targetKind) {
    case tok::NumberDecl:
        target.SymValue = static_cast<double>(m_NumValue);
        break;
    case tok::StringDecl:
        if (!ResizeHeldText(target.SymText.size(), m_TokenText.size())) return;
        target.SymText = m_TokenText;
        break;
    case tok::StringArray:
        if (!ResizeHeldText(target.SymCells[static_cast<std::size_t>(targetCell)].Text.size(), m_TokenText.size()))
            return;
        target.SymCells[static_cast<std::size_t>(targetCell)].Text = m_TokenText;
        target.SymText = m_TokenText;
        target.SymExtra = targetCell;
        break;
    case tok::NumericArray:
        target.SymCells[static_cast<std::size_t>(targetCell)].Number = static_cast<double>(m_NumValue);
        target.SymValue = static_cast<double>(m_NumValue);
        target.SymExtra = targetCell;
        break;
    default:
        ReportError(FindSymbol(target.SymName, kVariableList) ? "Cannot make assignments to this type!"
                                                                : "Can only make assignments to variables");
        return;
    }
    m_CurrentSymbol = &target;
    m_SavedToken = tok::SymbolRef;
    EvalExpression(!IsTerminator());
}

void TLangEngine::EvalIncrement() {
    static const char* const kVariablesOnly = "This operator only works on variables.";
    if (m_SavedToken != tok::SymbolRef || !m_CurrentSymbol) {
        ReportError(kVariablesOnly);
        return;
    }
    m_EvalFlags.Assignable = false;
    TERP_SYMBOL_TAG& target = *m_CurrentSymbol;
    if (!IsNumericKind(target.SymKind)) {
        ReportError(IsStringKind(target.SymKind) ? "Operator does not work on strings!" : kVariablesOnly);
        return;
    }
    // A constant does not change, as "=" does not change it.
    if (target.SymIsConstant) {
        ReportError(kVariablesOnly);
        return;
    }
    const double step = m_Token == tok::Increment ? 1 : -1;
    double old;
    if (target.SymKind == tok::NumberDecl) {
        old = target.SymValue;
        target.SymValue = old + step;
    } else {
        if (target.SymExtra < 0 || static_cast<std::size_t>(target.SymExtra) >= target.SymCells.size()) {
            ReportError("Subscript out of Range");
            return;
        }
        ARRAY_ELEMENT_TAG& cell = target.SymCells[static_cast<std::size_t>(target.SymExtra)];
        old = cell.Number;
        cell.Number = old + step;
        target.SymValue = cell.Number;
    }
    // The variable changes at once and the expression goes on with its old
    // value: Y = X++ * 2 is twice the old X.
    m_NumValue = old;
    m_SavedToken = tok::NumberLiteral;
    EvalExpression(true);
}

void TLangEngine::CallUserFunction() {
    m_SavedToken = tok::None;
    const TERP_SYMBOL_TAG* function = FindFunction(m_Token - tok::HostCallBase);
    if (!function) {
        ReportError("Fatal Internal lookup Error");
        return;
    }
    FetchToken();
    if (m_StopRequested) return;
    // A name that ends its line is a call without arguments; the line end
    // stays to be read again.
    const bool bare = m_Token == tok::EndOfLine;
    if (!bare && m_Token != tok::OpenParen) {
        ReportError("Function call requires parentheses.");
        return;
    }
    // The texts of a call nested in an argument must not overwrite those of
    // the call around it; each nesting level keeps its texts' room for the
    // next call at that level.
    const NestingLevel call(hostCallDepth_);
    if (hostArguments_.size() < static_cast<std::size_t>(hostCallDepth_)) hostArguments_.emplace_back();
    std::vector<std::string>& params = hostArguments_[static_cast<std::size_t>(hostCallDepth_) - 1];
    const int paramCount = function->SymExtra;
    if (bare) {
        PutBackToken();
        if (paramCount > 0 && function->SymValue >= 1) {
            ReportError(std::to_string(paramCount) + " parameters are required in call to " + function->SymDisplayName);
            return;
        }
        params.clear();
    } else if (paramCount == 0) {
        FetchToken();
        if (m_Token != tok::CloseParen) {
            if (!m_StopRequested) ReportError("Too Many Parameters in call to " + function->SymName);
            return;
        }
        params.clear();
    } else if (!ReadHostArguments(*function, params)) {
        return;
    }
    struct ParamListScope {
        TLangEngine& engine;
        ~ParamListScope() { engine.m_ParamList = nullptr; }
    } scope{*this};
    m_ParamList = &params;
    m_Events.OnUserFunction(function->SymCount, static_cast<int>(params.size()));
    switch (function->SymDims) {
    case TxNone:
        m_Token = bare || paramCount == 0 ? tok::EndOfLine : tok::CloseParen;
        break;
    case TxNumber:
        m_Token = tok::NumberLiteral;
        m_NumValue = m_UserNReturn;
        break;
    default:
        m_Token = tok::StringLiteral;
        m_TokenText = m_UserSReturn;
        break;
    }
    m_SavedToken = m_Token;
}

bool TLangEngine::ReadHostArguments(const TERP_SYMBOL_TAG& function, std::vector<std::string>& params) {
    const long double minimumValue = std::trunc(function.SymValue);
    const int minimum = minimumValue > 0 ? static_cast<int>(std::min<long double>(minimumValue, function.SymExtra)) : 0;
    const int first = GetChar();
    if ((first == ')' || first == '\n') && minimum > 0) {
        ReportError(std::to_string(function.SymExtra) + " parameters are required in call to " + function.SymDisplayName);
        return false;
    }
    PutBackChar();
    m_Token = tok::None;
    // Each argument is written into the text that held it at the last call.
    std::size_t count = 0;
    const auto next = [&params, &count]() -> std::string& {
        if (count == params.size()) params.emplace_back();
        return params[count++];
    };
    for (int k = 0; k < function.SymExtra; ++k) {
        m_TokenText.clear();
        m_NumValue = 0;
        if (m_Token == tok::CloseParen) {
            if (k >= minimum) break;
            ReportError("Too few parameters in call to " + function.SymName);
            return false;
        }
        m_Token = tok::None;
        m_ValueType = tok::None;
        EvalAssignedValue();
        if (m_StopRequested) return false;
        switch (ValueKind()) {
        case tok::NumberDecl:
        case tok::NumberLiteral:
        case tok::NumericArray:
            next() = FormatGeneral(m_NumValue);
            break;
        case tok::SymbolRef:
            if (IsNonNumericValue(tok::SymbolRef))
                next().assign(m_TokenText);
            else
                AssignFixed18(next(), m_NumValue);
            break;
        case tok::StringDecl:
        case tok::StringLiteral:
        case tok::StringArray:
            next().assign(m_TokenText);
            break;
        case tok::CloseParen:
            ReportError("Too few parameters in call to " + function.SymName);
            return false;
        default:
            // "F()" passes nothing; an empty argument between others keeps
            // its place, so that the later ones keep their positions.
            if (k > 0 || m_Token != tok::CloseParen) next().clear();
            break;
        }
    }
    params.resize(count);
    if (m_Token != tok::CloseParen && m_Token != tok::EndOfLine) {
        ReportError("Too many parameters in call to " + function.SymName);
        return false;
    }
    m_Token = tok::CloseParen;
    return true;
}

void TLangEngine::DumpVariables() {
    std::vector<std::string> lines;
    FormatDump(lines);
    for (const std::string& line : lines) m_Events.OnDump(line);
}

}  // namespace pevox
