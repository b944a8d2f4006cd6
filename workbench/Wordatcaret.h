// The word at the editor's caret, the keyword that F1 looks up in the help file.
#pragma once

#include <string>

// Replaces every `find` in `source` by `replacement`, in one pass from the
// left, so a replacement that contains `find` is not replaced again. A blank
// source, or a pair that is the same trimmed and upper-cased, comes back unchanged.
std::string ReplaceAll(const std::string& find, const std::string& replacement, const std::string& source);

// The word of `line` that the caret touches, with the caret before the
// 1-based column `cursorCol`: blanks, tabs and parentheses separate words, and
// a caret right after a word still touches it. "" on a blank line or between
// separators.
std::string WordAtCaret(const std::string& line, int cursorCol);
