// The evaluator's text register: the text the last value read or made left.
// After an assignment it holds the same text as the variable assigned, which
// may be long; rather than a copy it may follow the variable's text. It takes
// a copy when it is read or changed, and takes the text over before the
// variable changes it by other ways than an assignment that sets the
// register anew, or goes. A loop that puts a short text in front of a long
// one, or appends to it, so does not copy the whole text into the register
// at every round.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

namespace pevox {

class TextRegister {
public:
    const std::string& str() const {
        Settle();
        return text_;
    }
    operator const std::string&() const { return str(); }
    std::size_t size() const { return followed_ ? followed_->size() : text_.size(); }
    bool empty() const { return size() == 0; }

    TextRegister& operator=(const std::string& text) {
        followed_ = nullptr;
        text_ = text;
        return *this;
    }
    TextRegister& operator=(std::string&& text) {
        followed_ = nullptr;
        text_ = std::move(text);
        return *this;
    }
    TextRegister& operator+=(std::string_view text) {
        Edit() += text;
        return *this;
    }
    void clear() {
        followed_ = nullptr;
        text_.clear();
    }
    void insert(std::size_t position, const std::string& text) { Edit().insert(position, text); }
    // The text, to be changed in place.
    std::string& Edit() {
        Settle();
        return text_;
    }

    // From now on the register holds what `text` holds, as long as the
    // owner of `text` calls Release before changing it other than by
    // setting the register anew, and before it goes.
    void Follow(std::string& text) { followed_ = &text; }
    // `text` is about to be replaced or to go: a register that follows it
    // takes it over, leaving it empty.
    void Release(std::string& text) {
        if (followed_ == &text) ReleaseAll();
    }
    // Whatever the register follows is about to be replaced or to go.
    void ReleaseAll() {
        if (!followed_) return;
        text_ = std::move(*followed_);
        followed_ = nullptr;
    }

    friend bool operator==(const TextRegister& left, std::string_view right) { return left.str() == right; }
    friend std::ostream& operator<<(std::ostream& out, const TextRegister& text) { return out << text.str(); }

private:
    // The copy has the text's own size: the room a text that grows takes
    // more than once is the variable's, not the register's as well.
    void Settle() const {
        if (!followed_) return;
        text_ = std::string(*followed_);
        followed_ = nullptr;
    }

    mutable std::string text_;
    mutable std::string* followed_ = nullptr;
};

}  // namespace pevox
