// Names of the block records the pre-pass builds, and the script files it
// saves the editor's text to and reads it back from.
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

// The text position a label or block record holds in its number.
inline int RecordedPosition(double value) { return static_cast<int>(value); }

// Lines of a text split at CR LF, LF or CR; a final line break adds no line.
std::vector<std::string> SplitTextLines(std::string_view text);

// Script files. The lines, each ended by CR LF, replace the file whole, so a
// save that fails or is killed leaves the old file (platform::ReplaceFile);
// throws std::runtime_error when they cannot be written.
void WriteLinesFile(const std::string& path, const std::vector<std::string>& lines);
// The file's lines as SplitTextLines gives them; throws when it cannot be read.
std::vector<std::string> ReadLinesFile(const std::string& path);

}  // namespace pevox
