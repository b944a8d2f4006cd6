// The value object of a hex window and the conversions between the bytes at
// the window's position and the texts of its value views. No widgets here:
// the views (Valueviews.h) and the script functions drive these.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The 8 bytes at a window's position (bytes A to H), every integer and float
// view of them, and the 256-byte page that starts there. The views are never
// the source of truth: every change of Raw or ByteOrder rebuilds them.
struct TByteConversions {
    static constexpr int PageSize = 256;

    std::uint8_t ByteOrder = 1;  // 1 = little-endian, 0 = big-endian
    std::array<std::uint16_t, 4> Words{};
    std::array<std::uint32_t, 2> DWords{};
    std::array<float, 2> Singles{};
    std::int64_t QWord = 0;
    double DoubleValue = 0;
    std::array<std::uint8_t, 8> Raw{};
    std::array<std::uint8_t, PageSize + 1> Page{};  // the extra byte is always 0
    std::int32_t PageCount = 0;

    // Copies the bytes into Raw and rebuilds every view in ByteOrder. Singles
    // and the double always take the bytes little-endian, as stored.
    void LoadValueBytes(const std::array<std::uint8_t, 8>& bytes);
    // 1 little-endian, 0 big-endian (any other value counts as big-endian).
    void SetByteOrder(std::uint8_t flag);
    // Element 0 or 1 of Singles widened to double; the index is clamped.
    double GetFloatElement(int index) const;
    // Takes the page read at the position: the first `count` bytes (at most
    // 256) of `bytes`, zeros after them; its first 8 bytes become Raw.
    void LoadPage(const std::uint8_t* bytes, std::size_t count);
};

// Single 4 bytes at 4 x index (index clamped to 0..1), little-endian; rebuilds the views.
void SetFloatValue(TByteConversions& conversions, float value, int index);
// The double's 8 bytes, little-endian; rebuilds the views.
void SetDoubleValue(TByteConversions& conversions, double value);
// The low `byteCount` bytes of `value` (1, 2, 4 or 8) at `byteOffset` of Raw
// in the byte order, as the integer views read them back; rebuilds the views.
void SetIntegerElement(TByteConversions& conversions, int byteOffset, int byteCount, std::uint64_t value);

// Sum of 2^(L-1-i) over the characters at index i that are '1'; every other
// character counts 0 but keeps its place.
long double GetValueFromBinString(std::string_view text);
// Binary digits to hex digits, four at a time; a trailing part group is ignored.
std::string BinStringToHex(std::string_view text);
// '0'-'9', 'A'-'F'; a value above 15 gives 'F'.
char NibbleToHexChar(std::uint8_t value);

// Binary digits of `value`, most significant first. Grouped puts '-' between
// groups of four; a width above 32 is the high and the low 32 bits joined by
// '-' when grouped.
std::string FormatBinary(std::uint64_t value, int width, bool grouped);
std::string FormatHexByte(const TByteConversions& conversions, int index);
std::string FormatHexWord(const TByteConversions& conversions, int index);
std::string FormatHexDWord(const TByteConversions& conversions, int index);
std::string FormatHexQWord(const TByteConversions& conversions);
std::string PageHexText(const TByteConversions& conversions);
std::string PageCharText(const TByteConversions& conversions);
// The same for any bytes: hex pairs parted by blanks; printable characters, dots for the rest.
std::string BytesHexText(const std::uint8_t* bytes, std::size_t count);
std::string BytesCharText(const std::uint8_t* bytes, std::size_t count);
// A byte as its character when printable (codes 32 to 126), else '.'.
char PrintableChar(std::uint8_t byte);

// General float text with 15 significant digits and '.' as the decimal
// point: fixed unless the decimal exponent is below -5 or at least 15, then
// mantissa, 'E' and exponent ("1E15", "1.5E-7"); no trailing zeros. NaN is
// "NAN", infinities "INF" and "-INF".
std::string FormatFloatText(double value);
std::string DecimalText(std::int64_t value);
std::string DecimalText(std::uint64_t value);

// Leading blanks, one sign, then decimal digits until the first other
// character; no digits give 0. Nothing when the number lies outside what
// `bits` bits hold signed or unsigned (-2^(bits-1) .. 2^bits - 1); negative
// numbers come back in two's complement.
std::optional<std::uint64_t> ReadDecimalInteger(std::string_view text, int bits);
// Hex digits (either case) from the start, after an optional "0x", until the
// first other character. Zeros in front do not count against `bits`. Nothing
// when there is no digit or the value needs more than `bits` bits.
std::optional<std::uint64_t> ReadHexNumber(std::string_view text, int bits);
// A count, step or position typed as text: its leading decimal integer
// (leading blanks and one sign allowed, anything after the digits ignored,
// no digits give 0), held at the bounds of 32 bits.
std::int32_t ReadLeadingInteger(std::string_view text);
// A position typed into the jump box, counted from 1: a decimal number (one
// sign allowed) or hex digits after "0x" ("0x1F41" is 8001), blanks around.
// Nothing for any other text. Numbers beyond 32 bits are held at 2^32.
std::optional<std::int64_t> ReadJumpPosition(std::string_view text);
// Leading blanks, a sign, digits with '.' as the decimal point and an
// optional exponent; no number gives 0. Nothing for a finite text beyond the
// single or double range.
std::optional<float> ReadSingleText(std::string_view text);
std::optional<double> ReadDoubleText(std::string_view text);

// The hex digits of the text, upper case, regrouped to whole bytes: a blank
// or '-' ends a group, a "0x" or "0X" in front of a group is dropped, and a
// group is a number written from the left, so one of odd length gets a '0'
// in front ("A BC D" gives 0ABC0D, "ABC" gives 0ABC, "0x1F" gives 1F).
std::string NormalizeHexText(std::string_view text);
// The binary digits of the text (every other character dropped) with zeros
// in front up to `width` digits; nothing when more than `width` significant
// digits remain.
std::optional<std::string> NormalizeBinaryText(std::string_view text, int width);

// Key filters of the byte strip: the key to pass on, or 0 to discard it.
char16_t FilterDecimalKey(char16_t key);
char16_t FilterHexKey(char16_t key);
char16_t FilterBinaryKey(char16_t key);
bool IsHexEntryKey(char16_t key);

// The value views of a hex window. The index of a view is the element it
// shows: the byte (0..7) in the byte strip, the 16-bit (0..3), 32-bit or
// single element (0..1) on the pages; the 64-bit and double views have one.
enum class TValueView {
    Char, Dec, Hex, Binary,                           // byte strip
    Word, Short, DWord, Long, Float, Int64, Double,   // "Decimal" page
    BinShort, BinLong, Bin64,                         // "Binary" page
    HexShort, HexLong, Hex64,                         // "Hex" page
};

struct TByteSpan {
    int Offset;  // first byte of the 8 (0 = A)
    int Count;
};

// Index clamped to the view's range.
int ClampViewIndex(TValueView view, int index);
// The bytes of the 8 that a view shows and an edit of it changes.
TByteSpan ViewBytes(TValueView view, int index);
// The text a view shows for the current bytes.
std::string ViewText(const TByteConversions& conversions, TValueView view, int index);
// Reads a text typed into a view (8-bit text) and stores it into the
// conversions' bytes, rebuilding the views. False, with the conversions
// unchanged, when the text is refused: out of the view's range, no hex
// digit for a hex view, or empty for a byte-strip view.
bool EditView(TByteConversions& conversions, TValueView view, int index, std::string_view text);
// Why EditView refused a text, in words for the user: "not a hex number",
// "does not fit in 16 bits (-32768 to 65535)". Empty for an emptied
// byte-strip box, which only gives way to the file's value.
std::string EditRefusal(TValueView view, int index, std::string_view text);
