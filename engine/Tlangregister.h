// The evaluator's text register: the text the last value read or made left.
// It counts its changes, so that a statement that left it equal to a
// variable's text can tell at its next run that it still is, and extend both
// by a tail instead of copying the whole text into it again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

namespace pevox {

class TextRegister {
public:
    const std::string& str() const { return text_; }
    operator const std::string&() const { return text_; }
    std::size_t size() const { return text_.size(); }
    bool empty() const { return text_.empty(); }

    TextRegister& operator=(const std::string& text) {
        Edit() = text;
        return *this;
    }
    TextRegister& operator=(std::string&& text) {
        Edit() = std::move(text);
        return *this;
    }
    TextRegister& operator+=(std::string_view text) {
        Edit() += text;
        return *this;
    }
    void clear() { Edit().clear(); }
    void insert(std::size_t position, const std::string& text) { Edit().insert(position, text); }
    // The text, to be changed in place: counted as a change.
    std::string& Edit() {
        ++changes_;
        return text_;
    }
    // A text the register may have been equal to changed elsewhere.
    void MarkChanged() { ++changes_; }
    std::uint64_t Changes() const { return changes_; }

    friend bool operator==(const TextRegister& left, std::string_view right) { return left.text_ == right; }
    friend std::ostream& operator<<(std::ostream& out, const TextRegister& text) { return out << text.text_; }

private:
    std::string text_;
    std::uint64_t changes_ = 0;
};

}  // namespace pevox
