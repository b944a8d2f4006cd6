// Times the search in files over a folder of many files beside
// `grep -c -F -r` over the same folder in the same run, and prints the ratio:
//   searchfiles_bench --make FOLDER     writes the input files into FOLDER
//   searchfiles_bench FOLDER [ROUNDS]   a string with few hits, exactly and
//                                       without regard to case; then adding
//                                       50,000 files to the list beside sort -u
#include "BenchPeer.h"
#include "Searchfiles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using bench::Best;
using bench::Fail;
using bench::TTimed;

constexpr int FileCount = 1000;
constexpr std::size_t FileBytes = 128 * 1024;
const std::string Needle = "Tessaline#7";
// Every seventh file holds the needle twice, once across the middle of the file.
constexpr int PlantEvery = 7;

std::string FileName(const std::string& folder, int index)
{
    char name[32];
    std::snprintf(name, sizeof name, "/data%04d.dat", index);
    return folder + name;
}

void MakeFiles(const std::string& folder)
{
    std::vector<unsigned char> bytes(FileBytes);
    bench::TInputBytes random;
    for (int f = 0; f < FileCount; ++f) {
        for (unsigned char& byte : bytes)
            byte = random.Next();
        if (f % PlantEvery == 0)
            for (std::size_t at : {std::size_t{100}, FileBytes / 2 - 3})
                std::memcpy(bytes.data() + at, Needle.data(), Needle.size());
        std::FILE* file = std::fopen(FileName(folder, f).c_str(), "wb");
        if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
            std::fclose(file) != 0)
            Fail("cannot write the input files");
    }
}

long long SearchFiles(const std::vector<std::string>& paths, bool caseSensitive)
{
    TSearchPageEntries entries;
    entries.Value = Needle;
    entries.CaseSensitive = caseSensitive;
    TSearchFiles search;
    search.Search(entries, paths);
    return search.Results.TotalHits;
}

// Sums the per-file line counts that grep prints as "path:count".
long long GrepCount(const std::string& folder, bool caseSensitive)
{
    std::vector<const char*> argv = {"grep", "-c", "-F", "-r"};
    if (!caseSensitive)
        argv.push_back("-i");
    for (const char* rest : {"-e", Needle.c_str(), folder.c_str()})
        argv.push_back(rest);
    const std::string text = bench::RunForOutput(argv);
    long long total = 0;
    for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
        end = std::min(text.find('\n', start), text.size());
        const std::size_t colon = text.rfind(':', end);
        if (colon != std::string::npos && colon >= start)
            total += std::atoll(text.c_str() + colon + 1);
    }
    return total;
}

// Adding many files to the list of a search in files, each checked against
// those listed, beside `sort -u` of the same paths from a file.
constexpr int ListedFiles = 50000;

std::vector<std::string> ManyPaths()
{
    std::vector<std::string> paths;
    for (int i = 0; i < ListedFiles; ++i)
        paths.push_back("/home/user/saves/folder" + std::to_string(i % 97) + "/game" + std::to_string(i) + ".sav");
    return paths;
}

long long AddToSelection(const std::vector<std::string>& paths)
{
    TSelectedFiles selected;
    for (const std::string& path : paths)
        selected.Add(path);
    for (const std::string& path : paths)  // each once more: refused
        selected.Add(path);
    return static_cast<long long>(selected.Paths().size());
}

long long SortUnique(const std::string& listFile)
{
    const std::string text = bench::RunForOutput({"sort", "-u", listFile.c_str()});
    return static_cast<long long>(std::count(text.begin(), text.end(), '\n'));
}

void ReportSelection(int rounds)
{
    const std::vector<std::string> paths = ManyPaths();
    const std::string listFile =
        (std::filesystem::temp_directory_path() / ("qorm-selection-" + std::to_string(::getpid()) + ".txt")).string();
    std::FILE* file = std::fopen(listFile.c_str(), "wb");
    if (file == nullptr)
        Fail("cannot write the list of paths");
    for (int copy = 0; copy < 2; ++copy)
        for (const std::string& path : paths)
            std::fprintf(file, "%s\n", path.c_str());
    std::fclose(file);
    const TTimed added = Best(rounds, [&] { return AddToSelection(paths); });
    const TTimed sorted = Best(rounds, [&] { return SortUnique(listFile); });
    std::remove(listFile.c_str());
    std::printf("adding %d files to the list twice\n", ListedFiles);
    std::printf("  list %.3f s (%lld listed), sort -u %.3f s (%lld lines)\n", added.seconds, added.count,
                sorted.seconds, sorted.count);
    std::printf("  ratio list/sort %.2f\n", added.seconds / sorted.seconds);
}

void Report(const char* name, const char* grepFlags, const TTimed& engine, const TTimed& grep)
{
    std::printf("%s\n", name);
    std::printf("  search in files %.3f s (%lld hits), grep %s %.3f s (%lld lines)\n", engine.seconds, engine.count,
                grepFlags, grep.seconds, grep.count);
    std::printf("  ratio search/grep %.2f\n", engine.seconds / grep.seconds);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--make") == 0) {
        MakeFiles(argv[2]);
        return 0;
    }
    if (argc < 2)
        Fail("usage: searchfiles_bench FOLDER [ROUNDS] | searchfiles_bench --make FOLDER");
    const std::string folder = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());

    // One untimed pass puts the files into the page cache for both alike.
    SearchFiles(paths, true);

    std::printf("%zu files of %zu KiB\n", paths.size(), FileBytes / 1024);
    Report("search for a string with few hits", "-c -F -r", Best(rounds, [&] { return SearchFiles(paths, true); }),
           Best(rounds, [&] { return GrepCount(folder, true); }));
    Report("the same without regard to case", "-c -F -i -r", Best(rounds, [&] { return SearchFiles(paths, false); }),
           Best(rounds, [&] { return GrepCount(folder, false); }));
    ReportSelection(rounds);
    return 0;
}
