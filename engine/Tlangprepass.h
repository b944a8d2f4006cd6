// Names of the block records the pre-pass builds: a prefix and the decimal
// run-text position just after the block's keyword.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pevox {

inline constexpr std::string_view kForBlockPrefix = "_@_FOR@";
inline constexpr std::string_view kIfBlockPrefix = "__IF@_";
inline constexpr std::string_view kWhileBlockPrefix = "_@_WHILE@_";
inline constexpr std::string_view kSwitchBlockPrefix = "_@_SELECT@_";

inline std::string BlockName(std::string_view prefix, int start) {
    return std::string(prefix) + std::to_string(start);
}

// Lines of a text split at CR LF, LF or CR; a final line break adds no line.
std::vector<std::string> SplitTextLines(std::string_view text);

}  // namespace pevox
