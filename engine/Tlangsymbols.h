// The symbol store: one record type for every named thing of a run
// (variables, arrays, labels, block records, host functions) and the lists
// that hold them in definition order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pevox {

constexpr int kMaxArrayDims = 5;

// The text of an array cell. It takes no storage until it holds characters,
// so that a cell is 16 bytes and the cells of a numeric array, whose texts
// stay empty, cost little to make and to free. It reads as a std::string.
class CellText {
public:
    CellText() = default;
    CellText(std::string text) { *this = std::move(text); }
    CellText(const CellText& other) : text_(other.text_ ? std::make_unique<std::string>(*other.text_) : nullptr) {}
    CellText(CellText&&) noexcept = default;
    CellText& operator=(const CellText& other) {
        if (this != &other) *this = other.str();
        return *this;
    }
    CellText& operator=(CellText&&) noexcept = default;
    CellText& operator=(std::string text) {
        if (text.empty())
            text_.reset();
        else if (text_)
            *text_ = std::move(text);
        else
            text_ = std::make_unique<std::string>(std::move(text));
        return *this;
    }
    CellText& operator=(const char* text) { return *this = std::string(text); }

    const std::string& str() const { return text_ ? *text_ : EmptyText(); }
    operator const std::string&() const { return str(); }
    bool empty() const { return !text_; }
    std::size_t size() const { return str().size(); }
    const char* c_str() const { return str().c_str(); }
    void clear() { text_.reset(); }

    friend bool operator==(const CellText& text, std::string_view other) { return std::string_view(text.str()) == other; }

private:
    static const std::string& EmptyText() {
        static const std::string empty;
        return empty;
    }
    std::unique_ptr<std::string> text_;
};

struct ARRAY_ELEMENT_TAG {
    double Number = 0;
    CellText Text;
};

struct TERP_SYMBOL_TAG {
    std::string SymName;         // the search key: trimmed, upper case
    std::string SymDisplayName;
    std::int16_t SymKind = 0;
    double SymValue = 0;
    std::string SymText;
    std::int32_t SymCount = 0;
    std::int32_t SymDims = 0;
    std::int16_t SymIsConstant = 0;
    std::int32_t SymExtra = 0;
    std::array<std::int32_t, kMaxArrayDims> SymDim{};
    std::array<std::int32_t, kMaxArrayDims> SymSub{};
    std::vector<ARRAY_ELEMENT_TAG> SymCells;
    TERP_SYMBOL_TAG* SymLink = nullptr;  // FOR block: the loop variable; not owned
};

// Selects a cell's subscripts (those past `dims` are 0) in its array, one by
// one: they were just worked out one by one, and one wider read of them
// would wait for those writes to land.
inline void SelectSubscripts(TERP_SYMBOL_TAG& array, const std::int32_t* subscripts, int dims) {
    for (int i = 0; i < dims; ++i) array.SymSub[static_cast<std::size_t>(i)] = subscripts[i];
    for (int i = dims; i < kMaxArrayDims; ++i) array.SymSub[static_cast<std::size_t>(i)] = 0;
}

// Records in definition order with an index by name. A record keeps its
// address for as long as it is in the list, so pointers to it stay valid.
class SymbolList {
public:
    class const_iterator {
    public:
        using Inner = std::vector<std::unique_ptr<TERP_SYMBOL_TAG>>::const_iterator;
        explicit const_iterator(Inner it) : it_(it) {}
        TERP_SYMBOL_TAG& operator*() const { return **it_; }
        TERP_SYMBOL_TAG* operator->() const { return it_->get(); }
        const_iterator& operator++() {
            ++it_;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return it_ == other.it_; }

    private:
        Inner it_;
    };

    // The record whose SymName is exactly `key`.
    TERP_SYMBOL_TAG* Find(std::string_view key) const;
    // Appends at the tail; the list's record is returned.
    TERP_SYMBOL_TAG& Append(TERP_SYMBOL_TAG record);
    void Clear();
    bool Empty() const { return records_.empty(); }
    std::size_t Size() const { return records_.size(); }
    const_iterator begin() const { return const_iterator(records_.begin()); }
    const_iterator end() const { return const_iterator(records_.end()); }

private:
    std::vector<std::unique_ptr<TERP_SYMBOL_TAG>> records_;
    std::unordered_map<std::string, TERP_SYMBOL_TAG*> index_;
};

// Which list FindSymbol searches.
enum SymbolListSelector : int {
    kVariableList = 0,
    kFunctionList = 1,
    kLabelList = 2,
};

// 1 when the first character is a digit, 2 when a character is not a letter,
// a digit or "_" (an empty or blank name counts as illegal), else 0.
int ValidateIdentifier(std::string_view name);

// The normal form of a name: trimmed and upper case.
std::string SymbolKey(std::string_view name);

// Cells of an array whose highest indexes are given; -1 when the count does
// not fit a 32-bit cell count (or a highest index is below 0).
std::int64_t ArrayCellCount(const std::int32_t* highestIndex, int dims);

// The room a record takes in its list, beside the cells of an array: the
// record, its index entry and its names and text.
std::uint64_t SymbolFootprint(const TERP_SYMBOL_TAG& record);

// Makes the cells of an array from its dimensions and sets SymCount; false
// when the count does not fit or the memory cannot be had.
bool AllocateArrayCells(TERP_SYMBOL_TAG& array);

// Row-major flat index of a cell, the last subscript running fastest.
std::int32_t FlatIndex(const TERP_SYMBOL_TAG& array, const std::int32_t* subscripts);

}  // namespace pevox
