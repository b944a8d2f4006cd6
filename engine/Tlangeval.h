// The token sets of the expression evaluator, by code.
#pragma once

namespace pevox {

// Tokens that end an expression (a statement keyword, a separator, the line end).
bool IsTerminatorCode(int code);
bool IsOperatorCode(int code);
// Precedence number of an operator (smaller binds tighter), 0 for parentheses,
// 9999 for an operator without one; -1 for a token that is no operator.
int OperatorPrecedenceCode(int code);

}  // namespace pevox
