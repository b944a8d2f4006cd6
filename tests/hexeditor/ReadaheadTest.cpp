// The block a hex window keeps of its working copy: what it answers, when it
// goes to the file, and that a write shows in it at once.
#include "Readahead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

// A file in memory that counts the reads that reach it.
struct MemoryFile {
    explicit MemoryFile(std::size_t size) : Bytes(size) { std::iota(Bytes.begin(), Bytes.end(), std::uint8_t{0}); }

    std::size_t Read(std::int32_t position, std::uint8_t* buffer, std::size_t count) {
        ++Reads;
        if (position < 0 || static_cast<std::size_t>(position) >= Bytes.size()) return 0;
        const std::size_t got = std::min(count, Bytes.size() - static_cast<std::size_t>(position));
        std::copy_n(Bytes.begin() + position, got, buffer);
        return got;
    }
    TReadAhead::TReader Reader() {
        return [this](std::int32_t position, std::uint8_t* buffer, std::size_t count) {
            return Read(position, buffer, count);
        };
    }
    std::vector<std::uint8_t> Expected(std::int32_t position, std::size_t count) const {
        std::vector<std::uint8_t> bytes;
        for (std::size_t at = static_cast<std::size_t>(position); at < Bytes.size() && bytes.size() < count; ++at)
            bytes.push_back(Bytes[at]);
        return bytes;
    }

    std::vector<std::uint8_t> Bytes;
    int Reads = 0;
};

std::vector<std::uint8_t> ReadThrough(TReadAhead& cache, MemoryFile& file, std::int32_t position, std::size_t count) {
    std::vector<std::uint8_t> buffer(count, 0xEE);
    buffer.resize(cache.Read(position, buffer.data(), count, file.Reader()));
    return buffer;
}

TEST(ReadAheadTest, AWalkThroughTheFileReadsItOnceABlock) {
    MemoryFile file(3 * TReadAhead::BlockSize + 100);
    TReadAhead cache;
    for (std::int32_t position = 0; position < static_cast<std::int32_t>(file.Bytes.size()); ++position)
        ASSERT_EQ(ReadThrough(cache, file, position, 256), file.Expected(position, 256)) << position;
    // A page that runs past a block's end starts a new block there, so each
    // block is read once, and the last one holds the file's end.
    EXPECT_LE(file.Reads, 2 * 4);
}

TEST(ReadAheadTest, ReadsAtAndPastTheEndAndLongReads) {
    struct Case {
        std::int32_t position;
        std::size_t count;
    };
    MemoryFile file(1000);
    TReadAhead cache;
    for (const Case& c : {Case{990, 256}, Case{999, 8}, Case{1000, 8}, Case{5000, 8}, Case{-1, 8}, Case{0, 1000},
                          Case{0, TReadAhead::BlockSize + 1}, Case{500, 0}})
        EXPECT_EQ(ReadThrough(cache, file, c.position, c.count), file.Expected(std::max(c.position, 0), c.position < 0 ? 0 : c.count))
            << c.position << " " << c.count;
}

TEST(ReadAheadTest, WritesShowInTheBlockAndForgettingRereadsTheFile) {
    MemoryFile file(2 * TReadAhead::BlockSize);
    TReadAhead cache;
    ReadThrough(cache, file, 100, 8);
    const int reads = file.Reads;

    // A write that reached the file, partly inside the block.
    const std::vector<std::uint8_t> bytes = {1, 2, 3, 4};
    std::copy(bytes.begin(), bytes.end(), file.Bytes.begin() + 98);
    cache.Wrote(98, bytes.data(), bytes.size(), bytes.size());
    EXPECT_EQ(ReadThrough(cache, file, 100, 4), file.Expected(100, 4));
    EXPECT_EQ(file.Reads, reads);

    // A write cut short: the block no longer knows the file.
    file.Bytes[101] = 77;
    cache.Wrote(101, bytes.data(), bytes.size(), 1);
    EXPECT_EQ(ReadThrough(cache, file, 100, 4), file.Expected(100, 4));
    EXPECT_EQ(file.Reads, reads + 1);

    // The file changed by other means (an insert, a resize, a reopen).
    file.Bytes.assign(50, 9);
    cache.Forget();
    EXPECT_EQ(ReadThrough(cache, file, 40, 20), file.Expected(40, 20));
}

}  // namespace
