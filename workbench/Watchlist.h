// The watch list of the watch window: row 0 holds the column captions, rows
// 1 and up one watched variable each (name upper-cased, value as text). The
// list is kept as the window's grid shows it, so an empty row may stand last.
#pragma once

#include "platform/Registry.h"

#include <string>
#include <vector>

// Where watched values come from: the interpreter control, through the one
// member of its automation interface that the watches read.
class TWatchSource {
public:
    virtual ~TWatchSource() = default;
    // The variable's value as text. False for a name that is no string or
    // number variable of the script; `value` is then empty.
    virtual bool GetSVariable(const std::string& name, std::string& value) = 0;
};

class TWatchList {
public:
    struct TRow {
        std::string Name;
        std::string Value;
    };

    // The captions and one empty row.
    TWatchList();

    int RowCount() const { return static_cast<int>(rows_.size()); }
    const TRow& Row(int row) const { return rows_.at(static_cast<std::size_t>(row)); }

    // Adds the name upper-cased, with its value, in the first empty row or a
    // new last row. A blank name, or one whose trimmed, upper-cased form is
    // already watched, changes nothing.
    void AddWatch(const std::string& name, const std::string& value);
    // Asks the source for the value of every watched name; a name it does
    // not know shows an empty value.
    void UpdateValues(TWatchSource& source);
    // Removes the watch in `row` and closes the gaps; the captions row and
    // rows outside the list change nothing.
    void DeleteWatch(int row);
    // Leaves the captions and one empty row.
    void DeleteAllWatches();

    // The names of the rows that hold one, in row order, as the cells hold them.
    std::vector<std::string> WatchedNames() const;
    // Whether the first watch row holds a name: only then are the watches
    // and the grid's column widths written.
    bool FirstRowWatched() const { return !rows_[1].Name.empty(); }

private:
    int RowOfKey(const std::string& key) const;
    std::vector<TRow> rows_;
};

// "CURRENT_WATCHES": "WATCH_1", "WATCH_2", ... read up to the first empty
// value, each added to `list` with an empty value.
void ReadCurrentWatches(const platform::TRegIniFile& registry, TWatchList& list);
// Erases "CURRENT_WATCHES"; when the first watch row holds a name, writes the
// names numbered from 1 without gaps and "GRID_0", "GRID_1", ... of
// "WATCH_GRID" from `columnWidths`.
void WriteCurrentWatches(platform::TRegIniFile& registry, const TWatchList& list, const std::vector<int>& columnWidths);
// "GRID_0", "GRID_1", ... of "WATCH_GRID"; `current` gives the count and the defaults.
std::vector<int> ReadColumnWidths(const platform::TRegIniFile& registry, const std::vector<int>& current);
