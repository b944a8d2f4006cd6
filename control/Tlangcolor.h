// Syntax colouring of one script line, without the editor: the line is split
// into its pieces, re-spaced, keywords and registered names are written in
// their own spelling, and each piece gets one of the control's colours.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pevox {

class TLangEngine;

// The colour classes of a line's pieces, numbered as the SyntaxColors
// property numbers them.
enum class ColorClass : int {
    Reserved = 0,
    String = 1,
    Number = 2,
    Symbol = 3,
    Comment = 4,
    Operator = 5,
};

// The control's seven colours (0x00BBGGRR), kept and persisted in this
// order: reserved words (also the editor's text colour), symbols, string
// literals, number literals, comments, operators, and a seventh colour that
// colouring does not use.
class SyntaxColorSet {
public:
    static constexpr int kCount = 7;

    // The colour a SyntaxColors index names; any index from 6 up names the
    // seventh. A negative index names none.
    static int SlotOfIndex(int index);

    std::uint32_t ByIndex(int index) const;
    // False, changing nothing, for a negative index.
    bool SetByIndex(int index, std::uint32_t color);
    std::uint32_t Of(ColorClass color) const { return slots_[static_cast<std::size_t>(SlotOfIndex(static_cast<int>(color)))]; }
    // In the stored order.
    const std::array<std::uint32_t, kCount>& Slots() const { return slots_; }
    std::array<std::uint32_t, kCount>& Slots() { return slots_; }

private:
    std::array<std::uint32_t, kCount> slots_{};
};

// One coloured piece of a rewritten line: its place in the new line and the
// length it paints (its text and the blank after it).
struct ColoredPiece {
    int start = 0;
    int length = 0;
    ColorClass color = ColorClass::Reserved;
};

struct ColoredLine {
    std::string text;     // the rewritten line
    int prefixLength = 0; // the leading blanks, tabs and CRs, kept and not coloured
    std::vector<ColoredPiece> pieces;
};

// Rewrites and colours a line as the editor shows it. The engine supplies the
// keyword table and the registered names; none of its registers change.
ColoredLine ColorLineText(const TLangEngine& engine, const std::string& line);

}  // namespace pevox
