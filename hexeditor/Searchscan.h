// Where one search pattern matches within a block of bytes: the forms a
// search compares (the bytes and, for strings, their UTF-16LE form, exactly
// and, without the case flag, ignoring case) and the fast skip to the few
// positions worth comparing. The block scan of Search.cpp feeds it blocks.
#pragma once

#include "Searchinfo.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The ways of skipping ahead to candidate positions; each finds the same
// hits. The fastest one the processor offers is the default.
enum class TScanKernel { Plain, Sse2, Avx2 };

// Every kernel this build and this processor can run, the plain one first.
std::vector<TScanKernel> AvailableScanKernels();

// The positions worth comparing: those whose first byte is one of two values
// and, for a longer pattern, where one or two later bytes each are one of two
// values (either later test passing is enough). Every position where the
// pattern matches in any form passes.
struct TCandidateFilter {
    struct TByteTest {
        std::size_t Offset = 0;
        std::uint8_t Values[2] = {0, 0};
    };
    std::uint8_t First[2] = {0, 0};
    int LaterTests = 0;
    TByteTest Later[2];
};

class TPatternMatcher {
public:
    // Reads the record's pattern, its length, type and case flag.
    explicit TPatternMatcher(const SEARCHINFO_TAG& info);
    TPatternMatcher(const SEARCHINFO_TAG& info, TScanKernel kernel);

    std::size_t Length() const { return bytes_.size(); }
    // The most bytes one test reads: the UTF-16LE form for a longer string.
    std::size_t Span() const { return isString_ && Length() > 1 ? 2 * Length() : Length(); }
    // The bytes a block must hold, readable, after the bytes it offers, for
    // the skip that reads ahead of the positions it tests.
    std::size_t ReadAhead() const { return Span() + 64; }

    // Appends `base` + i for each position i in [from, to) of `block` where
    // the pattern matches, in order, while `hits` holds fewer than `limit`.
    // A position matches only in the forms whose bytes lie within the
    // `available` bytes of the block; ReadAhead() more bytes must be readable.
    void Scan(const std::uint8_t* block, std::size_t available, std::size_t from, std::size_t to,
              std::int64_t base, std::vector<std::int32_t>& hits, std::size_t limit) const;

private:
    bool MatchesAt(const std::uint8_t* at, std::size_t available) const;
    bool MatchesExactly(const std::uint8_t* at, std::size_t available) const;
    bool MatchesIgnoringCase(const std::uint8_t* at, std::size_t available) const;
    void BuildFilter();

    std::string bytes_;
    bool isString_;
    bool ignoreCase_;
    TScanKernel kernel_;
    std::string wide_;          // UTF-16LE bytes of the pattern
    std::string upper_;         // the pattern upper-cased
    std::u16string wideUpper_;  // UTF-16 of the upper-cased pattern
    TCandidateFilter filter_;
    // A position that passes the filter is a hit without comparing further.
    bool filterDecides_ = false;
};
