// The entries of the add-watch dialog: one per variable line of the
// interpreter's dump, and back from an entry to the watch it adds.
#pragma once

#include <optional>
#include <string>

struct TWatchPick {
    std::string Name;
    std::string Value;
};

// "Number | X=5" gives "Type: Number    Symbol:  X    Current Value: 5": the
// parts keep their blanks. A blank line, or one without "|" after the type
// or "=" after the symbol (an array's line), gives none.
std::optional<std::string> DumpLineEntry(const std::string& line);

// The watch an entry stands for: the symbol without the one character that
// follows "   Symbol: " (the blank after "|" in dump lines), and the value
// after "    Current Value: ". None when the symbol part is that short.
std::optional<TWatchPick> WatchOfEntry(const std::string& entry);
