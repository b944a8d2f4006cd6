// The system's one 8-bit code page, Windows-1252. Its five unassigned bytes
// map to the C1 control characters of the same value, so every byte survives
// a round trip through UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace platform {

char16_t Cp1252ToUnicode(unsigned char byte);
// The byte for a UTF-16 code unit; '?' for a character outside the code page.
unsigned char UnicodeToCp1252(char16_t unit);

std::u16string Cp1252ToUtf16(std::string_view text);
std::string Utf16ToCp1252(std::u16string_view text);
std::string Cp1252ToUtf8(std::string_view text);
std::string Utf8ToCp1252(std::string_view text);

// Upper and lower case of 8-bit text in the code page (letters with accents too).
char UpperChar(char c);
char LowerChar(char c);
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

// Removes the characters of codes 0 to 32 from both ends.
std::string Trim(std::string_view text);

}  // namespace platform
