#include "Outputtext.h"

#include <iterator>
#include <utility>

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
    KeepForView(change);
    return change;
}

void TOutputText::KeepForView(TChange change) {
    if (pending_.Whole) return;
    pending_.DroppedLines += change.DroppedLines;
    if (pending_.DroppedLines >= viewLines_) {
        pending_ = TChange{};
        pending_.Whole = true;
        return;
    }
    if (pending_.Pieces.empty()) {
        pending_.Pieces = std::move(change.Pieces);
        return;
    }
    pending_.Pieces.back() += change.Pieces.front();
    pending_.Pieces.insert(pending_.Pieces.end(), std::make_move_iterator(change.Pieces.begin() + 1),
                           std::make_move_iterator(change.Pieces.end()));
}

TOutputText::TChange TOutputText::TakeChange() {
    viewLines_ = lines_.size();
    return std::exchange(pending_, TChange{});
}

void TOutputText::Clear() {
    lines_.assign(1, std::string());
    pending_ = TChange{};
    viewLines_ = 1;
}

std::string TOutputText::Text() const {
    std::string text;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0) text += "\r\n";
        text += lines_[i];
    }
    return text;
}
