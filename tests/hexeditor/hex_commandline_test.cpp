#include "Commandline.h"
#include "Globalinfo.h"

#include <gtest/gtest.h>

namespace {

struct Expected {
    std::vector<std::pair<std::string, bool>> entries;  // name, is script
    bool run;
};

void ExpectParsed(const std::vector<std::string>& arguments, const Expected& expected) {
    const TCommandLine line = ParseCommandLine(arguments);
    std::vector<std::pair<std::string, bool>> got;
    for (const auto& entry : line.Entries) got.emplace_back(entry.Name, entry.IsScript);
    std::string shown;
    for (const auto& argument : arguments) shown += argument + " ";
    EXPECT_EQ(got, expected.entries) << shown;
    EXPECT_EQ(line.RunScript, expected.run) << shown;
}

TEST(CommandLine, DataFilesAndScripts) {
    ExpectParsed({}, {{}, false});
    ExpectParsed({"a.dat", "/s", "script.txt", "b.dat"},
                 {{{"a.dat", false}, {"script.txt", true}, {"b.dat", false}}, true});
    ExpectParsed({"/S", "s1", "/S", "s2"}, {{{"s1", true}, {"s2", true}}, true});
    // A "/S" with nothing after it names no script and runs nothing.
    ExpectParsed({"a.dat", "/S"}, {{{"a.dat", false}}, false});
    // "/s" as a script's name after "/S" is the script.
    ExpectParsed({"/S", "/s"}, {{{"/s", true}}, true});
    ExpectParsed({"x/S", "/SS"}, {{{"x/S", false}, {"/SS", false}}, false});
}

TEST(CommandLine, OnlyTheFirstNineArgumentsCount) {
    std::vector<std::string> eleven;
    std::vector<std::pair<std::string, bool>> nine;
    for (int i = 1; i <= 11; ++i) {
        eleven.push_back("f" + std::to_string(i));
        if (i <= 9) nine.emplace_back(eleven.back(), false);
    }
    ExpectParsed(eleven, {nine, false});

    // The script would be the tenth argument: neither it nor a run is taken.
    std::vector<std::string> late(eleven.begin(), eleven.begin() + 8);
    late.insert(late.end(), {"/S", "s.txt"});
    ExpectParsed(late, {{nine.begin(), nine.begin() + 8}, false});
}

TEST(RecentFiles, NewNamesGoOnTopAndKnownNamesStay) {
    std::array<std::string, MRUCount> list{};
    for (const char* name : {"a", "b", "c"}) AddToMRU(list, name);
    EXPECT_EQ(list, (std::array<std::string, MRUCount>{"c", "b", "a", "", ""}));
    AddToMRU(list, "a");
    EXPECT_EQ(list, (std::array<std::string, MRUCount>{"c", "b", "a", "", ""}));
    AddToMRU(list, "A");
    for (const char* name : {"d", "e", "f"}) AddToMRU(list, name);
    EXPECT_EQ(list, (std::array<std::string, MRUCount>{"f", "e", "d", "A", "c"}));
}

}  // namespace
