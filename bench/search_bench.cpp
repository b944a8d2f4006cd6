// Times the in-window search of a file beside `grep -c -F` and glibc memmem
// over the same bytes in the same run, and prints the ratios:
//   search_bench --make FILE     writes the 256 MiB input
//   search_bench FILE [ROUNDS]   a 4-byte value with few hits, a 1-byte value
//                                that hits the result limit, and strings of
//                                1, 4 and 16 bytes with few hits, exactly and
//                                without regard to case (beside grep -i)
// It also measures how long Cancel takes to end a running scan.
#include "BenchPeer.h"
#include "Search.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

using bench::Best;
using bench::Fail;
using bench::TTimed;
using Clock = std::chrono::steady_clock;

constexpr std::int64_t FileBytes = 256LL * 1024 * 1024;
// The DWORD 0x5A17C3E9, little-endian; planted a few times, across block boundaries too.
const std::string FewHitsValue = "\xE9\xC3\x17\x5A";
const std::int64_t Planted[] = {0, 511998, 1024000 - 1, 77777777, 134217728, FileBytes - 4};
// Twice as frequent as any other byte, so a scan reaches the result limit halfway.
constexpr unsigned char LimitByte = 0x07;
// The strings searched for. The input holds the letter q in neither case
// but where these are planted, each in its own case and with every letter's
// case turned, across block boundaries too.
const std::string Strings[] = {"q", "Quiz", "Quixotic-Harbour"};
const std::int64_t StringPlanted[] = {1000, 3 * 512000 - 2, 99999999, 200000000, FileBytes - 200};

std::string CaseTurned(std::string text)
{
    for (char& c : text)
        if (std::isalpha(static_cast<unsigned char>(c)))
            c = static_cast<char>(c ^ 0x20);
    return text;
}

// Writes `bytes` at the file offset `at` where it falls into the chunk that starts at `written`.
void PlantInChunk(std::vector<unsigned char>& chunk, std::int64_t written, std::int64_t at, const std::string& bytes)
{
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        const std::int64_t offset = at + static_cast<std::int64_t>(k) - written;
        if (offset >= 0 && offset < static_cast<std::int64_t>(chunk.size()))
            chunk[static_cast<std::size_t>(offset)] = static_cast<unsigned char>(bytes[k]);
    }
}

void MakeFile(const char* path)
{
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        Fail("cannot create the input file");
    std::vector<unsigned char> chunk(1 << 20);
    bench::TInputBytes random;
    for (std::int64_t written = 0; written < FileBytes; written += static_cast<std::int64_t>(chunk.size())) {
        for (unsigned char& byte : chunk) {
            byte = random.Next();
            if (byte == LimitByte + 1)
                byte = LimitByte;
            if (byte == 'q' || byte == 'Q')
                --byte;
        }
        for (std::int64_t at : Planted)
            PlantInChunk(chunk, written, at, FewHitsValue);
        for (std::size_t s = 0; s < std::size(Strings); ++s) {
            for (std::int64_t at : StringPlanted) {
                const std::int64_t shifted = at + 40 * static_cast<std::int64_t>(s);
                PlantInChunk(chunk, written, shifted, Strings[s]);
                PlantInChunk(chunk, written, shifted + 20, CaseTurned(Strings[s]));
            }
        }
        if (std::fwrite(chunk.data(), 1, chunk.size(), file) != chunk.size())
            Fail("cannot write the input file");
    }
    if (std::fclose(file) != 0)
        Fail("cannot write the input file");
}

long long EngineSearch(const char* path, std::int32_t fileSize, const TSearchPageEntries& entries,
                       const std::function<void(SEARCHINFO_TAG&)>& onProgress = nullptr)
{
    std::FILE* stream = std::fopen(path, "rb");
    if (stream == nullptr)
        Fail("cannot open the input file");
    SEARCHINFO_TAG info;
    if (PrepareSearch(entries, 0, true, info) != TPrepareResult::Accepted)
        Fail("the search entries were refused");
    TStreamSearchSource source(stream);
    // The window's own pump: at most once per interval, as the search pages do.
    TPumpThrottle pump([&] {
        if (onProgress)
            onProgress(info);
    });
    TBlockScanner().Run(info, source, fileSize, [&pump] { pump(); });
    std::fclose(stream);
    return info.HitCount;
}

long long GrepCount(const char* path, const std::string& needle, bool ignoreCase = false)
{
    std::vector<const char*> argv = {"grep", "-c", "-F"};
    if (ignoreCase)
        argv.push_back("-i");
    for (const char* rest : {"-e", needle.c_str(), path})
        argv.push_back(rest);
    const std::string text = bench::RunForOutput(argv);
    return text.empty() ? -1 : std::atoll(text.c_str());
}

long long MemmemCount(const unsigned char* bytes, std::size_t size, const std::string& needle, long long limit)
{
    long long count = 0;
    const unsigned char* at = bytes;
    const unsigned char* end = bytes + size;
    while (count < limit) {
        const void* hit = memmem(at, static_cast<std::size_t>(end - at), needle.data(), needle.size());
        if (hit == nullptr)
            break;
        ++count;
        at = static_cast<const unsigned char*>(hit) + 1;
    }
    return count;
}

void Report(const char* name, const TTimed& engine, const TTimed& grep, const TTimed& memmemPeer)
{
    std::printf("%s\n", name);
    std::printf("  engine %.3f s (%lld hits), grep -c -F %.3f s (%lld lines), memmem %.3f s (%lld hits)\n",
                engine.seconds, engine.count, grep.seconds, grep.count, memmemPeer.seconds, memmemPeer.count);
    std::printf("  ratio engine/grep %.2f, engine/memmem %.2f\n", engine.seconds / grep.seconds,
                engine.seconds / memmemPeer.seconds);
}

void ReportIgnoringCase(const std::string& name, const TTimed& engine, const TTimed& grep)
{
    std::printf("%s\n", name.c_str());
    std::printf("  engine %.3f s (%lld hits), grep -c -F -i %.3f s (%lld lines)\n", engine.seconds, engine.count,
                grep.seconds, grep.count);
    std::printf("  ratio engine/grep %.2f\n", engine.seconds / grep.seconds);
}

// Presses Cancel 40 ms into a scan and returns how long the scan took to end.
double CancelLatency(const char* path, std::int32_t fileSize, const TSearchPageEntries& entries)
{
    const auto start = Clock::now();
    const auto click = start + std::chrono::milliseconds(40);
    Clock::time_point clicked{};
    EngineSearch(path, fileSize, entries, [&](SEARCHINFO_TAG& info) {
        if (!info.Stop && Clock::now() >= click) {
            clicked = click;
            info.Stop = true;
        }
    });
    if (clicked == Clock::time_point{})
        return 0;
    return std::chrono::duration<double, std::milli>(Clock::now() - clicked).count();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--make") == 0) {
        MakeFile(argv[2]);
        return 0;
    }
    if (argc < 2)
        Fail("usage: search_bench FILE [ROUNDS] | search_bench --make FILE");
    const char* path = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    const int fd = open(path, O_RDONLY);
    struct stat status {};
    if (fd < 0 || fstat(fd, &status) != 0 || status.st_size >= 0x7FFFFFFF)
        Fail("cannot read the input file (it must be below 2 GB)");
    const auto size = static_cast<std::size_t>(status.st_size);
    void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapped == MAP_FAILED)
        Fail("cannot map the input file");
    const auto* bytes = static_cast<const unsigned char*>(mapped);
    const auto fileSize = static_cast<std::int32_t>(size);

    TSearchPageEntries fewHits;
    fewHits.Value = "5A17C3E9";
    fewHits.SearchType = stDWord;
    fewHits.HexEntry = true;
    TSearchPageEntries toLimit;
    toLimit.Value = std::to_string(LimitByte);
    toLimit.SearchType = stByte;

    // One untimed pass puts the file into the page cache for every peer alike.
    MemmemCount(bytes, size, FewHitsValue, 1LL << 40);

    Report("search for a 4-byte value with few hits",
           Best(rounds, [&] { return EngineSearch(path, fileSize, fewHits); }),
           Best(rounds, [&] { return GrepCount(path, FewHitsValue); }),
           Best(rounds, [&] { return MemmemCount(bytes, size, FewHitsValue, 1LL << 40); }));
    const std::string limitNeedle(1, static_cast<char>(LimitByte));
    Report("search for a 1-byte value up to the result limit",
           Best(rounds, [&] { return EngineSearch(path, fileSize, toLimit); }),
           Best(rounds, [&] { return GrepCount(path, limitNeedle); }),
           Best(rounds, [&] { return MemmemCount(bytes, size, limitNeedle, DefaultResultLimit); }));
    for (const std::string& text : Strings) {
        TSearchPageEntries entries;
        entries.Value = text;
        entries.SearchType = stString;
        const std::string name = "search for the " + std::to_string(text.size()) + "-byte string \"" + text + "\"";
        Report((name + ", case sensitive").c_str(), Best(rounds, [&] { return EngineSearch(path, fileSize, entries); }),
               Best(rounds, [&] { return GrepCount(path, text); }),
               Best(rounds, [&] { return MemmemCount(bytes, size, text, 1LL << 40); }));
        entries.CaseSensitive = false;
        ReportIgnoringCase(name + " without regard to case",
                           Best(rounds, [&] { return EngineSearch(path, fileSize, entries); }),
                           Best(rounds, [&] { return GrepCount(path, text, true); }));
    }
    std::printf("cancel: the scan ended %.1f ms after Cancel (target 100 ms)\n",
                CancelLatency(path, fileSize, fewHits));

    munmap(mapped, size);
    close(fd);
    return 0;
}
