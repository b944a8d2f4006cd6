// The parameters and results of one byte-pattern search. Each hex window owns
// one, the search-in-files window owns one, and the main window keeps the
// global search defaults in one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum TSearchType : std::int8_t {
    stString = 0,
    stByte = 1,
    stWord = 2,
    stDWord = 3,
    stQWord = 4,
};

// 0 entered as the result limit means this many (2^20 - 16).
constexpr std::int32_t DefaultResultLimit = 1048560;

struct SEARCHINFO_TAG {
    bool Stop = false;
    // 0 = scan from the beginning, any other value = from the current position.
    // In the global defaults: the start-at-current-position flag (0 or 1).
    std::int32_t StartPosition = 0;
    bool CaseSensitive = false;
    std::int32_t HitCount = 0;
    std::int32_t ResultLimit = 0;
    std::vector<std::int32_t> Hits;   // 1-based positions, ascending
    std::string ValueText;            // reserved; no operation fills it
    // The bytes searched for. In the global defaults: the default search value text.
    std::string Pattern;
    std::int32_t PatternLength = 0;
    std::int8_t SearchType = stString;
    bool HexEntry = false;

    SEARCHINFO_TAG() = default;
    SEARCHINFO_TAG(const SEARCHINFO_TAG&) = delete;
    SEARCHINFO_TAG& operator=(const SEARCHINFO_TAG&) = delete;

    // The most hits a scan collects: no limit given (0, or a negative value a
    // script set before the next set-up) means the default limit.
    std::int32_t EffectiveResultLimit() const { return ResultLimit > 0 ? ResultLimit : DefaultResultLimit; }
};
