#include "Wordatcaret.h"

#include "platform/Text.h"

#include <algorithm>

std::string ReplaceAll(const std::string& find, const std::string& replacement, const std::string& source) {
    if (platform::Trim(source).empty() || find.empty() ||
        platform::UpperCase(platform::Trim(find)) == platform::UpperCase(platform::Trim(replacement)))
        return source;
    std::string result;
    std::size_t from = 0;
    for (std::size_t at = source.find(find); at != std::string::npos; at = source.find(find, from)) {
        result.append(source, from, at - from).append(replacement);
        from = at + find.size();
    }
    return result.append(source, from);
}

// The line is marked up as "|" + line + "|" with every separator turned into
// "|"; the word runs from the last "|" before the caret to the next "|". A
// quote parts words too, so the caret in a string literal names the word
// it touches, not the literal with its quotes.
std::string WordAtCaret(const std::string& line, int cursorCol) {
    std::string marked = line + "|";
    for (const char* separator : {" ", "\t", "(", ")", "\""}) marked = ReplaceAll(separator, "|", marked);
    marked = "|" + marked;

    // 1-based positions, as the caret's column counts.
    const std::size_t length = marked.size();
    std::size_t start = 1;
    const std::size_t caretEnd = std::min<std::size_t>(static_cast<std::size_t>(std::max(cursorCol, 0)), length);
    for (std::size_t i = 1; i <= caretEnd; ++i)
        if (marked[i - 1] == '|') start = i + 1;
    std::size_t end = length;
    for (std::size_t i = start; i < length; ++i) {
        if (marked[i - 1] == '|') {
            end = i;
            break;
        }
    }
    if (start > end) return "";
    const std::string word = platform::Trim(marked.substr(start - 1, end - start + 1));
    std::string spaced = word;
    std::replace(spaced.begin(), spaced.end(), '|', ' ');
    return platform::Trim(spaced);
}
