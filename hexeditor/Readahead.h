// One block of a file's bytes kept in memory, so that a script stepping
// through a file byte by byte reads the disk once a block and not once a
// step. The block is filled through the caller's reader and kept in step
// with the caller's writes; whoever changes the file by other means forgets it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class TReadAhead {
public:
    // Reads up to `count` bytes of the file at `position`; how many were read.
    using TReader = std::function<std::size_t(std::int32_t position, std::uint8_t* buffer, std::size_t count)>;

    static constexpr std::size_t BlockSize = 16384;

    // Up to `count` bytes at `position`, from the block when it holds them,
    // else through `read`, which a read longer than a block always takes.
    std::size_t Read(std::int32_t position, std::uint8_t* buffer, std::size_t count, const TReader& read);
    // `count` bytes were written at `position`; `written` of them reached
    // the file, which the block then shows.
    void Wrote(std::int32_t position, const std::uint8_t* bytes, std::size_t count, std::size_t written);
    void Forget();

private:
    bool Holds(std::int64_t position, std::size_t count) const;

    std::int64_t start_ = 0;
    std::vector<std::uint8_t> block_;
    // The file ends inside the block: a read that runs past its end is
    // answered from the block too.
    bool endsInBlock_ = false;
};
