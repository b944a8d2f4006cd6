#include "platform/ComBase.h"

#include "platform/Text.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace platform {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHex(std::string& out, std::uint64_t value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kHexDigits[(value >> shift) & 0xF];
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads `digits` hexadecimal digits at `pos` and moves past them.
bool ReadHex(std::string_view text, std::size_t& pos, int digits, std::uint64_t& value) {
    value = 0;
    for (int i = 0; i < digits; ++i, ++pos) {
        if (pos >= text.size()) return false;
        const int digit = HexValue(text[pos]);
        if (digit < 0) return false;
        value = value << 4 | static_cast<unsigned>(digit);
    }
    return true;
}

bool Expect(std::string_view text, std::size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

// The byte count sits in the 32 bits before the characters.
std::uint32_t* Header(BSTR text) { return reinterpret_cast<std::uint32_t*>(text) - 1; }

}  // namespace

std::string GuidToString(REFGUID guid) {
    std::string text = "{";
    AppendHex(text, guid.Data1, 8);
    text += '-';
    AppendHex(text, guid.Data2, 4);
    text += '-';
    AppendHex(text, guid.Data3, 4);
    text += '-';
    for (int i = 0; i < 8; ++i) {
        if (i == 2) text += '-';
        AppendHex(text, guid.Data4[i], 2);
    }
    return text + "}";
}

bool GuidFromString(std::string_view text, GUID& guid) {
    GUID read{};
    std::size_t pos = 0;
    std::uint64_t value = 0;
    if (!Expect(text, pos, '{') || !ReadHex(text, pos, 8, value)) return false;
    read.Data1 = static_cast<std::uint32_t>(value);
    if (!Expect(text, pos, '-') || !ReadHex(text, pos, 4, value)) return false;
    read.Data2 = static_cast<std::uint16_t>(value);
    if (!Expect(text, pos, '-') || !ReadHex(text, pos, 4, value)) return false;
    read.Data3 = static_cast<std::uint16_t>(value);
    if (!Expect(text, pos, '-')) return false;
    for (int i = 0; i < 8; ++i) {
        if (i == 2 && !Expect(text, pos, '-')) return false;
        if (!ReadHex(text, pos, 2, value)) return false;
        read.Data4[i] = static_cast<std::uint8_t>(value);
    }
    if (!Expect(text, pos, '}') || pos != text.size()) return false;
    guid = read;
    return true;
}

void* CoTaskMemAlloc(std::size_t bytes) { return std::malloc(bytes ? bytes : 1); }

void CoTaskMemFree(void* memory) { std::free(memory); }

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    constexpr UINT kMaxLength = (std::numeric_limits<std::uint32_t>::max() - 8) / sizeof(OLECHAR);
    if (length > kMaxLength) return nullptr;
    const std::size_t bytes = std::size_t{length} * sizeof(OLECHAR);
    auto* block = static_cast<std::uint32_t*>(std::malloc(sizeof(std::uint32_t) + bytes + sizeof(OLECHAR)));
    if (!block) return nullptr;
    block[0] = static_cast<std::uint32_t>(bytes);
    BSTR result = reinterpret_cast<BSTR>(block + 1);
    if (text)
        std::memcpy(result, text, bytes);
    else
        std::memset(result, 0, bytes);
    result[length] = 0;
    return result;
}

BSTR SysAllocString(const OLECHAR* text) {
    if (!text) return nullptr;
    return SysAllocString(std::u16string_view(text));
}

BSTR SysAllocString(std::u16string_view text) {
    if (text.size() > std::numeric_limits<UINT>::max()) return nullptr;
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

void SysFreeString(BSTR text) {
    if (text) std::free(Header(text));
}

UINT SysStringLen(BSTR text) { return text ? *Header(text) / sizeof(OLECHAR) : 0; }

std::u16string_view BstrView(BSTR text) {
    if (!text) return {};
    return {text, SysStringLen(text)};
}

BSTR SysAllocStringFromAnsi(std::string_view text) { return SysAllocString(Cp1252ToUtf16(text)); }

std::string BstrToAnsi(BSTR text) { return Utf16ToCp1252(BstrView(text)); }

}  // namespace platform
