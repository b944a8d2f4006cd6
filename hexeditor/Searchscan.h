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

// The positions worth comparing: those whose first byte passes a test and,
// for a longer pattern, where one of one or two later bytes passes its test.
// A byte passes a test when, with the test's bits set, it equals the test's
// value: a test so takes one byte, or two that differ in one bit (the two
// cases of a letter), or a few more where the bytes it must take differ in
// more bits. Every position where the pattern matches in any form passes.
struct TCandidateFilter {
    struct TByteTest {
        std::size_t Offset = 0;
        std::uint8_t Bits = 0;
        std::uint8_t Value = 0;
        bool Passes(std::uint8_t b) const { return (b | Bits) == Value; }
    };
    TByteTest First;
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
    // The last piece scanned had many candidates; the skip then takes them
    // in the way that suits a dense run. A hint only: the hits are the same.
    mutable bool denseCandidates_ = false;
};
