// The add-watch dialog's entries made from dump lines, and the watch that a
// double click on an entry adds.
#include "Dumpentry.h"

#include <gtest/gtest.h>

namespace {

TEST(DumpEntryTest, DumpLinesBecomeEntries) {
    struct Case {
        const char* line;
        const char* entry;  // nullptr: no entry
    };
    for (const Case& c : {
             Case{"Number | X=5", "Type: Number    Symbol:  X    Current Value: 5"},
             Case{"String | S=a=b", "Type: String    Symbol:  S    Current Value: a=b"},
             Case{"Number | X = 5", "Type: Number    Symbol:  X     Current Value:  5"},
             Case{"String | S=", "Type: String    Symbol:  S    Current Value: "},
             Case{"Numeric Array | B | Dimensions 2 | 2,3,0,0,0", nullptr},
             Case{"abc", nullptr},
             Case{"a=b", nullptr},
             Case{" ", nullptr},
             Case{"", nullptr},
         }) {
        const auto entry = DumpLineEntry(c.line);
        if (c.entry)
            EXPECT_EQ(entry, std::optional<std::string>(c.entry)) << c.line;
        else
            EXPECT_FALSE(entry) << c.line;
    }
}

TEST(DumpEntryTest, AnEntryGivesItsWatch) {
    struct Case {
        const char* line;
        const char* name;
        const char* value;
    };
    for (const Case& c : {
             Case{"Number | X=5", "X", "5"},
             Case{"String | S=a=b", "S", "a=b"},
             // Blanks around the parts stay: the name keeps its trailing
             // blank, the value its leading one.
             Case{"Number | X = 5", "X ", " 5"},
             Case{"Number | LONGNAME=1.5", "LONGNAME", "1.5"},
         }) {
        const auto watch = WatchOfEntry(*DumpLineEntry(c.line));
        ASSERT_TRUE(watch) << c.line;
        EXPECT_EQ(watch->Name, c.name) << c.line;
        EXPECT_EQ(watch->Value, c.value) << c.line;
    }
}

TEST(DumpEntryTest, AnEmptySymbolGivesNoWatch) {
    for (const char* line : {"Number |=5", "Number | =5"}) {
        const auto entry = DumpLineEntry(line);
        ASSERT_TRUE(entry) << line;
        EXPECT_FALSE(WatchOfEntry(*entry)) << line;
    }
    EXPECT_FALSE(WatchOfEntry("no separators here"));
}

}  // namespace
