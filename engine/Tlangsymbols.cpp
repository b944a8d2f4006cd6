#include "Tlangsymbols.h"

#include "Tlangengine.h"
#include "Tlangnumbers.h"
#include "platform/Numbers.h"
#include "platform/Text.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>
#include <new>

namespace pevox {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

bool IsSymbolKey(std::string_view name) {
    if (name.empty()) return false;
    if (static_cast<unsigned char>(name.front()) <= ' ' || static_cast<unsigned char>(name.back()) <= ' ')
        return false;
    for (char c : name)
        if (platform::UpperChar(c) != c) return false;
    return true;
}

std::vector<std::string_view> SplitFields(std::string_view text, char separator) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        fields.push_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) return fields;
        start = at + 1;
    }
}

bool ParseWholeInt(std::string_view text, int& value) {
    const std::string trimmed = platform::Trim(text);
    const char* end = trimmed.data() + trimmed.size();
    const auto result = std::from_chars(trimmed.data(), end, value);
    return !trimmed.empty() && result.ec == std::errc() && result.ptr == end;
}

}  // namespace

TERP_SYMBOL_TAG* SymbolList::Find(std::string_view key) const {
    const auto found = index_.find(std::string(key));
    return found == index_.end() ? nullptr : found->second;
}

TERP_SYMBOL_TAG& SymbolList::Append(TERP_SYMBOL_TAG record) {
    records_.push_back(std::make_unique<TERP_SYMBOL_TAG>(std::move(record)));
    TERP_SYMBOL_TAG& added = *records_.back();
    index_.emplace(added.SymName, &added);  // the first record of a name is the one found
    return added;
}

void SymbolList::Clear() {
    index_.clear();
    records_.clear();
}

int ValidateIdentifier(std::string_view name) {
    if (name.empty()) return 2;
    if (IsAsciiDigit(name.front())) return 1;
    for (char c : name)
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '_') return 2;
    return 0;
}

std::string SymbolKey(std::string_view name) { return platform::UpperCase(platform::Trim(name)); }

std::int64_t ArrayCellCount(const std::int32_t* highestIndex, int dims) {
    std::int64_t cells = 1;
    for (int i = 0; i < dims; ++i) {
        if (highestIndex[i] < 0) return -1;
        cells *= static_cast<std::int64_t>(highestIndex[i]) + 1;
        if (cells > std::numeric_limits<std::int32_t>::max()) return -1;
    }
    return cells;
}

std::int32_t FlatIndex(const TERP_SYMBOL_TAG& array, const std::int32_t* subscripts) {
    std::int64_t index = 0;
    for (int i = 0; i < array.SymDims; ++i)
        index = index * (static_cast<std::int64_t>(array.SymDim[static_cast<std::size_t>(i)]) + 1) + subscripts[i];
    return static_cast<std::int32_t>(index);
}

std::uint64_t SymbolFootprint(const TERP_SYMBOL_TAG& record) {
    constexpr std::size_t kIndexEntry = 4 * sizeof(void*) + sizeof(std::string);
    return sizeof(TERP_SYMBOL_TAG) + kIndexEntry + 2 * record.SymName.size() + record.SymDisplayName.size() +
           record.SymText.size();
}

bool AllocateArrayCells(TERP_SYMBOL_TAG& array) {
    const std::int64_t cells = ArrayCellCount(array.SymDim.data(), array.SymDims);
    if (cells < 0) return false;
    try {
        std::vector<ARRAY_ELEMENT_TAG> made(static_cast<std::size_t>(cells));
        array.SymCells.swap(made);
    } catch (const std::bad_alloc&) {
        return false;
    }
    array.SymCount = static_cast<std::int32_t>(cells);
    return true;
}

TERP_SYMBOL_TAG* TLangEngine::FindSymbol(std::string_view name, int selector) const {
    const SymbolList* list = selector == kVariableList   ? &m_Variables
                             : selector == kFunctionList ? &m_Functions
                             : selector == kLabelList    ? &m_Labels
                                                         : nullptr;
    if (!list || name.empty()) return nullptr;
    // Names read back from the tokenised text are keys already.
    return IsSymbolKey(name) ? list->Find(name) : list->Find(SymbolKey(name));
}

TERP_SYMBOL_TAG* TLangEngine::FindFunction(int ordinal) const {
    if (ordinal <= 0) return nullptr;
    if (static_cast<std::size_t>(ordinal) < functionsBySmallOrdinal_.size())
        return functionsBySmallOrdinal_[static_cast<std::size_t>(ordinal)];
    const auto found = functionsByOrdinal_.find(ordinal);
    return found == functionsByOrdinal_.end() ? nullptr : found->second;
}

TERP_SYMBOL_TAG& TLangEngine::AddFunctionSymbol(TERP_SYMBOL_TAG record) {
    record.SymName = SymbolKey(record.SymName);
    TERP_SYMBOL_TAG& added = m_Functions.Append(std::move(record));
    // The first record of an ordinal answers for it.
    if (!functionsByOrdinal_.emplace(added.SymCount, &added).second) return added;
    if (added.SymCount > 0 && added.SymCount < kSmallOrdinals) {
        if (functionsBySmallOrdinal_.size() <= static_cast<std::size_t>(added.SymCount))
            functionsBySmallOrdinal_.resize(static_cast<std::size_t>(added.SymCount) + 1, nullptr);
        functionsBySmallOrdinal_[static_cast<std::size_t>(added.SymCount)] = &added;
    }
    return added;
}

TERP_SYMBOL_TAG* TLangEngine::AddSymbol(TERP_SYMBOL_TAG record) {
    if (record.SymKind == 0) {
        ReportError("Attempt to add badly formed symbol!");
        return nullptr;
    }
    record.SymName = SymbolKey(record.SymName);
    if (TERP_SYMBOL_TAG* found = m_Labels.Find(record.SymName)) {
        if (found->SymKind != record.SymKind) {
            ReportError("Attempt to redefine " + record.SymName + " as different type!");
            return found;
        }
        *found = std::move(record);
        return found;
    }
    if (!TakeMemory(SymbolFootprint(record))) return nullptr;
    return &m_Labels.Append(std::move(record));
}

TERP_SYMBOL_TAG* TLangEngine::DefineSymbol(TERP_SYMBOL_TAG record) {
    if (record.SymKind == 0) {
        m_ErrorInfo = "Attempt to add badly formed symbol!";
        return nullptr;
    }
    record.SymName = SymbolKey(record.SymName);
    if (TERP_SYMBOL_TAG* found = m_Variables.Find(record.SymName)) {
        if (found->SymKind != record.SymKind) {
            m_ErrorInfo = "Attempt to redefine " + record.SymName + " as different type.";
            return nullptr;
        }
        *found = std::move(record);
        return found;
    }
    if (!TakeMemory(SymbolFootprint(record))) return nullptr;
    return &m_Variables.Append(std::move(record));
}

bool TLangEngine::TakeMemory(std::uint64_t bytes) {
    if (m_Memory.Take(bytes)) return true;
    ReportError(std::string(msg::OutOfMemory));
    return false;
}

bool TLangEngine::ResizeHeldText(std::size_t before, std::size_t after) {
    if (m_Memory.Resize(before, after)) return true;
    ReportError(std::string(msg::OutOfMemory));
    return false;
}

bool TLangEngine::AllocateCells(TERP_SYMBOL_TAG& array, const std::string& failure) {
    const std::int64_t cells = ArrayCellCount(array.SymDim.data(), array.SymDims);
    if (cells >= 0 && !TakeMemory(static_cast<std::uint64_t>(cells) * sizeof(ARRAY_ELEMENT_TAG))) return false;
    if (AllocateArrayCells(array)) return true;
    ReportError(failure);
    return false;
}

void TLangEngine::ClearCells(TERP_SYMBOL_TAG& array) {
    for (ARRAY_ELEMENT_TAG& cell : array.SymCells) {
        m_Memory.Resize(cell.Text.size(), 0);
        cell.Number = 0;
        cell.Text.clear();
    }
}

void TLangEngine::FreeSymbols() {
    // The text register may follow a variable's text.
    m_TokenText.ReleaseAll();
    m_CurrentSymbol = nullptr;
    m_Variables.Clear();
    m_Labels.Clear();
    kept_.blockAt.clear();
}

void TLangEngine::InitSymbols() {
    if (!m_HostVariables) return;
    for (const std::string& line : *m_HostVariables)
        if (!InitSymbolLine(line)) return;
}

bool TLangEngine::InitSymbolLine(const std::string& line) {
    static const std::string kFailed = "Failed to Initialize User Variables!";
    const std::vector<std::string_view> fields = SplitFields(line, '|');
    int type = 0;
    if (fields.size() < 3 || !ParseWholeInt(fields[1], type)) {
        ReportError(kFailed);
        return false;
    }
    TERP_SYMBOL_TAG record;
    record.SymDisplayName = platform::Trim(fields[0]);
    record.SymName = SymbolKey(fields[0]);
    if (type == TxNumber || type == TxString) {
        if (fields.size() < 4) {
            ReportError(kFailed);
            return false;
        }
        record.SymIsConstant = platform::Trim(fields[3]) == "C" ? 1 : 0;
        if (type == TxString) {
            record.SymKind = tok::StringDecl;
            record.SymText = platform::Trim(fields[2]);
        } else {
            long double value = 0;
            // A value beyond the double range would reach the script as infinity.
            if (!platform::ParseFloat(fields[2], value) || !(std::fabs(value) <= DBL_MAX)) {
                ReportError(kFailed);
                return false;
            }
            record.SymKind = tok::NumberDecl;
            record.SymValue = static_cast<double>(value);
        }
    } else if (type == tok::StringArray || type == tok::NumericArray) {
        record.SymKind = static_cast<std::int16_t>(type);
        const std::vector<std::string_view> sizes = SplitFields(fields[2], ',');
        for (std::size_t i = 0; i < sizes.size() && record.SymDims < kMaxArrayDims; ++i) {
            int size = 0;
            if (!ParseWholeInt(sizes[i], size) || (i == 0 && size <= 0)) {
                ReportError(kFailed);
                return false;
            }
            if (size <= 0) break;
            record.SymDim[static_cast<std::size_t>(record.SymDims++)] = size - 1;
        }
        if (!AllocateCells(record, "Failed to allocate memory for array!")) return false;
    } else {
        ReportError(kFailed);
        return false;
    }
    DefineSymbol(std::move(record));
    return true;
}

bool TLangEngine::FormatDump(std::vector<std::string>& lines) const {
    for (const TERP_SYMBOL_TAG& record : m_Variables) {
        if (record.SymIsConstant && !m_ShowConstantsInDump) continue;
        switch (record.SymKind) {
        case tok::NumberDecl:
            lines.push_back("Number | " + record.SymName + "=" + FormatGeneral(record.SymValue));
            break;
        case tok::StringDecl:
            lines.push_back("String | " + record.SymName + "=" + record.SymText);
            break;
        case tok::NumericArray:
        case tok::StringArray: {
            std::string text = record.SymKind == tok::NumericArray ? "Numeric Array | " : "String Array | ";
            text += record.SymName + " | Dimensions " + std::to_string(record.SymDims) + " | ";
            for (std::size_t i = 0; i < record.SymDim.size(); ++i) {
                if (i > 0) text += ',';
                text += std::to_string(record.SymDim[i]);
            }
            lines.push_back(std::move(text));
            break;
        }
        default:
            break;
        }
    }
    lines.push_back(" ");
    return !lines.empty();
}

}  // namespace pevox
