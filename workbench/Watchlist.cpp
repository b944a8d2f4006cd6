#include "Watchlist.h"

#include "platform/Text.h"

#include <algorithm>

namespace {

constexpr const char* WatchesSection = "CURRENT_WATCHES";
constexpr const char* GridSection = "WATCH_GRID";

std::string KeyOf(const std::string& name) { return platform::Trim(platform::UpperCase(name)); }

}  // namespace

TWatchList::TWatchList() : rows_{{"Variable Name", "Value"}, {}} {}

// The stored cell is compared in the key's form too, so a name added with
// blanks around it is found by the same name without them.
int TWatchList::RowOfKey(const std::string& key) const {
    for (std::size_t row = 1; row < rows_.size(); ++row)
        if (KeyOf(rows_[row].Name) == key) return static_cast<int>(row);
    return -1;
}

void TWatchList::AddWatch(const std::string& name, const std::string& value) {
    const std::string key = KeyOf(name);
    if (key.empty() || RowOfKey(key) >= 0) return;
    auto target = std::find_if(rows_.begin() + 1, rows_.end(),
                               [](const TRow& row) { return platform::Trim(row.Name).empty(); });
    if (target == rows_.end()) target = rows_.insert(rows_.end(), TRow{});
    *target = {platform::UpperCase(name), value};
}

void TWatchList::UpdateValues(TWatchSource& source) {
    for (auto row = rows_.begin() + 1; row != rows_.end(); ++row) {
        const std::string key = KeyOf(row->Name);
        if (key.empty()) continue;
        std::string value;
        if (!source.GetSVariable(key, value)) value.clear();
        row->Value = value;
    }
}

void TWatchList::DeleteWatch(int row) {
    if (row < 1 || row >= RowCount()) return;
    rows_.erase(rows_.begin() + row);
    rows_.erase(std::remove_if(rows_.begin() + 1, rows_.end(),
                               [](const TRow& entry) { return platform::Trim(entry.Name).empty(); }),
                rows_.end());
    if (rows_.size() < 2) rows_.resize(2);
}

void TWatchList::DeleteAllWatches() {
    rows_.resize(1);
    rows_.resize(2);
}

std::vector<std::string> TWatchList::WatchedNames() const {
    std::vector<std::string> names;
    for (auto row = rows_.begin() + 1; row != rows_.end(); ++row)
        if (!platform::Trim(row->Name).empty()) names.push_back(row->Name);
    return names;
}

void ReadCurrentWatches(const platform::TRegIniFile& registry, TWatchList& list) {
    for (int n = 1;; ++n) {
        const std::string name = registry.ReadString(WatchesSection, "WATCH_" + std::to_string(n), "");
        if (name.empty()) return;
        list.AddWatch(name, "");
    }
}

void WriteCurrentWatches(platform::TRegIniFile& registry, const TWatchList& list,
                         const std::vector<int>& columnWidths) {
    registry.EraseSection(WatchesSection);
    if (!list.FirstRowWatched()) return;
    int n = 0;
    for (const std::string& name : list.WatchedNames())
        registry.WriteString(WatchesSection, "WATCH_" + std::to_string(++n), name);
    for (std::size_t c = 0; c < columnWidths.size(); ++c)
        registry.WriteInteger(GridSection, "GRID_" + std::to_string(c), columnWidths[c]);
}

std::vector<int> ReadColumnWidths(const platform::TRegIniFile& registry, const std::vector<int>& current) {
    std::vector<int> widths;
    for (std::size_t c = 0; c < current.size(); ++c)
        widths.push_back(registry.ReadInteger(GridSection, "GRID_" + std::to_string(c), current[c]));
    return widths;
}
