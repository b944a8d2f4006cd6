// Token codes and the token-name table. A code is at once the byte that
// stands for a keyword in the tokenised run text and the kind of the symbol
// records built for it.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace pevox {

namespace tok {
constexpr int None = -1;          // no token yet, or a word that is neither keyword nor symbol
constexpr int Then = 7;
constexpr int EndOfLine = 10;     // also end of text and the token seen after a stop
constexpr int EndIf = 22;
constexpr int NumberDecl = 23;    // NUMBER; also the kind of a NUMBER variable
constexpr int StringDecl = 24;    // STRING; also the kind of a STRING variable
constexpr int StringLiteral = 25;
constexpr int NumberLiteral = 26;
constexpr int SymbolRef = 27;
constexpr int StringArray = 28;
constexpr int NumericArray = 29;
constexpr int Proc = 31;          // also the kind of a host function
constexpr int Not = 33;
constexpr int Mod = 37;
constexpr int And = 38;
constexpr int Rem = 39;
constexpr int OpenParen = 40;
constexpr int CloseParen = 41;
constexpr int Multiply = 42;
constexpr int Plus = 43;
constexpr int Comma = 44;
constexpr int Minus = 45;
constexpr int Divide = 47;
constexpr int Label = 58;
constexpr int Semicolon = 59;
constexpr int Less = 60;
constexpr int Assign = 61;
constexpr int Greater = 62;
constexpr int Print = 63;
constexpr int IIf = 64;
constexpr int If = 91;
constexpr int IntDivide = 92;
constexpr int Power = 94;
constexpr int Underscore = 95;
constexpr int Stop = 96;
constexpr int Or = 124;
constexpr int Else = 125;
constexpr int Goto = 127;
constexpr int While = 128;
constexpr int Wend = 129;
constexpr int Resume = 130;
constexpr int Next = 131;
constexpr int For = 132;
constexpr int Break = 133;
constexpr int Continue = 134;
constexpr int Equal = 135;
constexpr int GreaterEqual = 136;
constexpr int LessEqual = 137;
constexpr int NotEqual = 138;
constexpr int Increment = 139;
constexpr int Decrement = 140;
constexpr int To = 141;
constexpr int Step = 143;
constexpr int OperandExpected = 144;
constexpr int Dump = 169;
constexpr int GoSub = 170;
constexpr int Return = 171;
constexpr int On = 178;
constexpr int Error = 179;
constexpr int End = 182;
constexpr int Do = 186;
constexpr int Loop = 187;
constexpr int Until = 188;
constexpr int Off = 189;
constexpr int Switch = 199;
constexpr int Case = 200;
constexpr int EndSwitch = 201;
constexpr int Default = 202;
constexpr int Separator = 254;     // a value that is complete, such as a closed parenthesis
constexpr int EscapeByte = 255;    // codes above 254 are written as 255-bytes and a remainder
constexpr int HostCallBase = 255;  // a host-function call is HostCallBase + Ordinal
constexpr int HostFunctionName = 256;  // a host function recognised by name in look-up mode
constexpr int MaxHostOrdinal = 254;    // the largest Ordinal the tokenised text carries
}  // namespace tok

// The kinds of variable records: a NUMBER or STRING variable or array.
constexpr bool IsNumericKind(int kind) { return kind == tok::NumberDecl || kind == tok::NumericArray; }
constexpr bool IsStringKind(int kind) { return kind == tok::StringDecl || kind == tok::StringArray; }
constexpr bool IsArrayKind(int kind) { return kind == tok::StringArray || kind == tok::NumericArray; }

constexpr int kTokenSlotWidth = 20;
constexpr int kTokenSlotCount = 512;
constexpr int kAliasSlotBase = 256;

// The constant table: 512 slots of 20 characters; a free slot holds "*".
const std::string& TokenNameTable();

// Keyword names (upper case, trimmed) to codes, built from a table text; the
// first slot that holds a name decides, as a search from the start would.
std::unordered_map<std::string, int> IndexTokenTable(std::string_view upperTable);

// Codes reserved for future use, refused outside look-up mode.
bool IsReservedCode(int code);

// Appends the tokenised-text bytes of a code: one byte 255 for every 255 taken
// off while the code is above 254, then the remainder.
void AppendCodeBytes(std::string& text, int code);

}  // namespace pevox
