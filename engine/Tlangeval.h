// The token sets of the expression evaluator, by code. Inline: the evaluator
// asks at every token.
#pragma once

#include "Tlangtokens.h"

namespace pevox {

// Tokens that end an expression (a statement keyword, a separator, the line end).
inline bool IsTerminatorCode(int code) {
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

inline bool IsOperatorCode(int code) {
    switch (code) {
    case tok::Not: case tok::Mod: case tok::And: case tok::Multiply: case tok::Plus: case tok::Minus:
    case tok::Divide: case tok::Less: case tok::Assign: case tok::Greater: case tok::IntDivide:
    case tok::Power: case tok::Or:
        return true;
    default:
        return code >= tok::Equal && code <= tok::Decrement;
    }
}

// Precedence number of an operator (smaller binds tighter), 0 for parentheses,
// 9999 for an operator without one; -1 for a token that is no operator.
inline int OperatorPrecedenceCode(int code) {
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

}  // namespace pevox
