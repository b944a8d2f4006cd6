#include "Outputtext.h"

namespace {

// The text split at its line breaks; CR LF counts as one break.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> pieces(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            pieces.back() += c;
            continue;
        }
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        pieces.emplace_back();
    }
    return pieces;
}

}  // namespace

TOutputText::TChange TOutputText::AddLine(const std::string& text, bool newLine) {
    TChange change;
    while (lines_.size() > LineLimit) {
        lines_.pop_front();
        ++change.DroppedLines;
    }
    change.Pieces = SplitLines(text);
    if (newLine) change.Pieces.emplace_back();
    lines_.back() += change.Pieces.front();
    lines_.insert(lines_.end(), change.Pieces.begin() + 1, change.Pieces.end());
    return change;
}

void TOutputText::Clear() { lines_.assign(1, std::string()); }

std::string TOutputText::Text() const {
    std::string text;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0) text += "\r\n";
        text += lines_[i];
    }
    return text;
}
