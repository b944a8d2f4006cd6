// The text of the script output window: lines as the window counts them, and
// the rule that keeps a script that prints without end from growing it.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

class TOutputText {
public:
    // At most this many old lines stay before an append.
    static constexpr std::size_t LineLimit = 500;

    // What one append did, or the appends since a view last took them, for
    // a view that mirrors the text.
    struct TChange {
        std::size_t DroppedLines = 0;  // removed from the top first
        // Appended at the end: the first piece joins the last line, each
        // further piece starts a new line.
        std::vector<std::string> Pieces;
        // The appends dropped every line the view holds: it shows the text
        // anew, and the other members are empty.
        bool Whole = false;
    };

    // Drops first lines while more than LineLimit lines are held, then
    // appends the text, and a line break when `newLine` is set. A CR LF, a
    // lone CR or a lone LF in the text each break a line.
    TChange AddLine(const std::string& text, bool newLine);
    // Empties the text; a view that mirrors it empties itself too.
    void Clear();

    // The appends since the last take (or the clear), as one change, for a
    // view that shows them at its own pace; a view shows the text whole
    // once the appends would drop all it holds, however many there were.
    bool ChangePending() const { return pending_.Whole || !pending_.Pieces.empty(); }
    TChange TakeChange();

    // Always at least one line: the text after the last line break is one,
    // even when it is empty, so "a\r\nb\r\n" holds three lines.
    std::size_t LineCount() const { return lines_.size(); }
    const std::string& Line(std::size_t index) const { return lines_[index]; }
    // The lines joined with CR LF.
    std::string Text() const;

private:
    void KeepForView(TChange change);

    std::deque<std::string> lines_{std::string()};
    TChange pending_;
    // The lines a view holds once it has shown the last change taken.
    std::size_t viewLines_ = 1;
};
