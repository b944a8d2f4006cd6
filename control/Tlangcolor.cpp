#include "Tlangcolor.h"

#include "Tlangengine.h"
#include "Tlanglexer.h"
#include "Tlangtokens.h"
#include "platform/Text.h"

#include <string_view>

namespace pevox {

namespace {

// Class codes of the pieces that are no token of the table.
constexpr int kStringClass = tok::StringLiteral;
constexpr int kNumberClass = tok::NumberLiteral;
constexpr int kNameClass = tok::SymbolRef;
constexpr int kCommentClass = tok::Rem;
// After an operator, an opening parenthesis or a keyword an operand is
// expected: a minus there is a sign.
constexpr int kOperandExpected = tok::OperandExpected;

bool IsOperatorCode(int code) {
    switch (code) {
    case tok::Not: case tok::Mod: case tok::And: case tok::Multiply: case tok::Plus: case tok::Comma:
    case tok::Divide: case tok::Semicolon: case tok::Less: case tok::Assign: case tok::Greater:
    case tok::IntDivide: case tok::Power:
        return true;
    default:
        return code >= tok::Equal && code <= tok::Decrement;
    }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsLeadingBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The operator pairs the scanner reads as one operator that the table does
// not name.
int PairCode(std::string_view piece) {
    if (piece == "&&") return tok::And;
    if (piece == "||") return tok::Or;
    if (piece == "><") return tok::NotEqual;
    return tok::None;
}

// The table's spelling of a code, or "" when its slot holds no name.
std::string TableSpelling(const TLangEngine& engine, int code) {
    const std::size_t slot = static_cast<std::size_t>(code - 1);
    if (code < 1 || (slot + 1) * kTokenSlotWidth > engine.m_TokenTable.size()) return std::string();
    const std::string_view name = std::string_view(engine.m_TokenTable).substr(slot * kTokenSlotWidth, kTokenSlotWidth);
    if (name.front() == '*') return std::string();
    std::string spelling;
    for (char c : name)
        if (c != ' ') spelling += c;
    return spelling;
}

struct PieceStyle {
    ColorClass color = ColorClass::Reserved;
    bool blankAfter = true;
    int classAfter = kOperandExpected;
};

bool NextIsOneOf(std::string_view next, std::initializer_list<std::string_view> texts) {
    for (std::string_view text : texts)
        if (next == text) return true;
    return false;
}

PieceStyle StyleOf(int classCode, std::string_view next, int previousClass) {
    switch (classCode) {
    case kStringClass:
    case kNumberClass:
        return {classCode == kStringClass ? ColorClass::String : ColorClass::Number, !NextIsOneOf(next, {",", ";"}),
                classCode};
    case kNameClass:
        return {ColorClass::Symbol, !NextIsOneOf(next, {"++", "--", ",", ";", "("}), kNameClass};
    case kCommentClass:
        return {ColorClass::Comment, true, kCommentClass};
    case tok::OpenParen:
        return {ColorClass::Operator, !NextIsOneOf(next, {")", "("}), kOperandExpected};
    case tok::CloseParen:
        return {ColorClass::Operator, !NextIsOneOf(next, {")", "("}), kNameClass};
    case tok::Minus:
        // A sign sticks to its operand, but never to a following minus:
        // joined they would read as the decrement "--".
        return {ColorClass::Operator, previousClass != kOperandExpected || next.starts_with('-'), kOperandExpected};
    default:
        if (IsOperatorCode(classCode)) return {ColorClass::Operator, true, kOperandExpected};
        return {ColorClass::Reserved, !NextIsOneOf(next, {")", "("}), kOperandExpected};
    }
}

}  // namespace

int SyntaxColorSet::SlotOfIndex(int index) {
    static constexpr int kSlots[] = {0, 2, 3, 1, 4, 5};
    if (index < 0) return -1;
    return index < 6 ? kSlots[index] : 6;
}

std::uint32_t SyntaxColorSet::ByIndex(int index) const {
    const int slot = SlotOfIndex(index);
    return slot < 0 ? 0 : slots_[static_cast<std::size_t>(slot)];
}

bool SyntaxColorSet::SetByIndex(int index, std::uint32_t color) {
    const int slot = SlotOfIndex(index);
    if (slot < 0) return false;
    slots_[static_cast<std::size_t>(slot)] = color;
    return true;
}

ColoredLine ColorLineText(const TLangEngine& engine, const std::string& line) {
    ColoredLine result;
    const auto pieces = ColorTokenize(line);
    if (!pieces) {
        result.text = line;
        return result;
    }
    std::size_t prefix = 0;
    while (prefix < line.size() && IsLeadingBlank(line[prefix])) ++prefix;
    result.prefixLength = static_cast<int>(prefix);
    result.text = line.substr(0, prefix);

    int previousClass = -1;
    bool inComment = false;
    for (std::size_t i = 0; i < pieces->size(); ++i) {
        std::string text = (*pieces)[i];
        const std::string_view next = i + 1 < pieces->size() ? std::string_view((*pieces)[i + 1]) : std::string_view();
        PieceStyle style{ColorClass::Comment, true, kCommentClass};
        // A comment keeps its words as they were typed.
        if (!inComment) {
            std::string registered;
            int code = PairCode(text);
            if (code == tok::None) code = engine.LookupWord(text, registered);
            int classCode;
            if (code == tok::None) {
                classCode = text.front() == '"'   ? kStringClass
                            : IsDigit(text.front()) ? kNumberClass
                            : text.front() == '\'' ? kCommentClass
                                                   : kNameClass;
            } else {
                if (!registered.empty()) text = registered;
                if (std::string spelling = TableSpelling(engine, code); !spelling.empty()) text = std::move(spelling);
                classCode = code == tok::SymbolRef ? kNameClass : code;
            }
            style = StyleOf(classCode, next, previousClass);
            inComment = classCode == kCommentClass;
        }
        ColoredPiece piece;
        piece.start = static_cast<int>(result.text.size());
        piece.length = static_cast<int>(text.size()) + (style.blankAfter ? 1 : 0);
        piece.color = style.color;
        result.pieces.push_back(piece);
        result.text += text;
        if (style.blankAfter) result.text += ' ';
        previousClass = style.classAfter;
    }
    while (result.text.size() > prefix && static_cast<unsigned char>(result.text.back()) <= ' ') result.text.pop_back();
    return result;
}

}  // namespace pevox
