#include "Searchscan.h"

#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

std::uint8_t FoldAsciiLetter(std::uint8_t c)
{
    return c >= 'a' && c <= 'z' ? static_cast<std::uint8_t>(c - 'a' + 'A') : c;
}

// The system's ANSI upper-casing, one look-up per byte.
const std::array<std::uint8_t, 256>& UpperTable()
{
    static const std::array<std::uint8_t, 256> table = [] {
        std::array<std::uint8_t, 256> upper{};
        for (std::size_t b = 0; b < upper.size(); ++b)
            upper[b] = static_cast<std::uint8_t>(platform::UpperChar(static_cast<char>(b)));
        return upper;
    }();
    return table;
}

struct TCoveringTest {
    TCandidateFilter::TByteTest Test;
    bool Exact = false;  // the test passes no other bytes
};

// The narrowest test that every byte for which `passes` holds passes: the
// bits in which those bytes differ are ignored.
template <typename Passes>
TCoveringTest TestCovering(std::size_t offset, Passes passes)
{
    int first = -1;
    int count = 0;
    std::uint8_t bits = 0;
    for (int b = 0; b < 256; ++b) {
        if (!passes(static_cast<std::uint8_t>(b)))
            continue;
        ++count;
        if (first < 0)
            first = b;
        bits = static_cast<std::uint8_t>(bits | (b ^ first));
    }
    return {{offset, bits, static_cast<std::uint8_t>(first | bits)}, count == 1 << std::popcount(bits)};
}

// Writes the positions of one bit mask (bit j: position at + j) to `out`,
// in order, and returns where the next one goes.
std::uint32_t* PutCandidates(std::uint64_t mask, std::uint32_t at, std::uint32_t* out)
{
    for (; mask != 0; mask &= mask - 1)
        *out++ = at + static_cast<std::uint32_t>(std::countr_zero(mask));
    return out;
}

// `out` has room for this many more candidates than there are positions.
constexpr std::size_t CandidateSlack = 2;

std::uint64_t MaskBelow(std::size_t count)
{
    return count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
}

// Each kernel writes the positions in [from, to) that pass the filter to
// `out` (which has room for to - from of them and the slack) and returns how
// many there are.
template <int LaterTests>
std::size_t FindPlain(const TCandidateFilter& filter, const std::uint8_t* block, std::uint32_t from,
                      std::uint32_t to, std::uint32_t* out)
{
    std::uint32_t* next = out;
    for (std::uint32_t i = from; i < to; ++i) {
        const std::uint8_t* p = block + i;
        if (!filter.First.Passes(p[0]))
            continue;
        if constexpr (LaterTests >= 1) {
            bool later = filter.Later[0].Passes(p[filter.Later[0].Offset]);
            if constexpr (LaterTests == 2)
                later = later || filter.Later[1].Passes(p[filter.Later[1].Offset]);
            if (!later)
                continue;
        }
        *next++ = i;
    }
    return static_cast<std::size_t>(next - out);
}

#if defined(__x86_64__)

// The vector kernels test a vector of positions at once and read up to 64
// bytes past `to` and past each later test's offset; the mask drops the
// positions from `to` on.
template <int LaterTests>
std::size_t FindSse2(const TCandidateFilter& filter, const std::uint8_t* block, std::uint32_t from,
                     std::uint32_t to, std::uint32_t* out)
{
    constexpr std::uint32_t Width = 16;
    const auto splat = [](std::uint8_t b) { return _mm_set1_epi8(static_cast<char>(b)); };
    const auto load = [](const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    const __m128i bits[3] = {splat(filter.First.Bits), splat(filter.Later[0].Bits), splat(filter.Later[1].Bits)};
    const __m128i values[3] = {splat(filter.First.Value), splat(filter.Later[0].Value), splat(filter.Later[1].Value)};
    const auto passing = [&](const std::uint8_t* p, int test) {
        return _mm_cmpeq_epi8(_mm_or_si128(load(p), bits[test]), values[test]);
    };
    std::uint32_t* next = out;
    for (std::uint32_t i = from; i < to; i += Width) {
        const std::uint8_t* p = block + i;
        __m128i pass = passing(p, 0);
        if constexpr (LaterTests == 1)
            pass = _mm_and_si128(pass, passing(p + filter.Later[0].Offset, 1));
        if constexpr (LaterTests == 2)
            pass = _mm_and_si128(pass, _mm_or_si128(passing(p + filter.Later[0].Offset, 1),
                                                    passing(p + filter.Later[1].Offset, 2)));
        const auto mask = static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(pass)));
        if (mask != 0)
            next = PutCandidates(mask & MaskBelow(to - i), i, next);
    }
    return static_cast<std::size_t>(next - out);
}

// PutCandidates without a branch on how many there are: the usual few are
// written whatever their number, so a dense run of candidates costs no
// mispredictions; the slots after them are overwritten by the next ones.
__attribute__((target("avx2,bmi,bmi2,popcnt"))) std::uint32_t* PutCandidatesBranchFree(std::uint64_t mask,
                                                                                    std::uint32_t at,
                                                                                    std::uint32_t* out)
{
    const auto count = static_cast<std::size_t>(_mm_popcnt_u64(mask));
    for (std::size_t k = 0; k < CandidateSlack; ++k) {
        out[k] = at + static_cast<std::uint32_t>(_tzcnt_u64(mask));
        mask = _blsr_u64(mask);
    }
    for (std::size_t k = CandidateSlack; k < count; ++k) {
        out[k] = at + static_cast<std::uint32_t>(_tzcnt_u64(mask));
        mask = _blsr_u64(mask);
    }
    return out + count;
}

// 32 positions of one load: bit j set when position p + j passes.
template <int LaterTests>
__attribute__((target("avx2,bmi,bmi2,popcnt"))) std::uint32_t PassMaskAvx2(const std::uint8_t* p,
                                                                           const TCandidateFilter& filter,
                                                                           const __m256i (&bits)[3],
                                                                           const __m256i (&values)[3])
{
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    __m256i pass = _mm256_cmpeq_epi8(_mm256_or_si256(x, bits[0]), values[0]);
    if constexpr (LaterTests >= 1) {
        const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + filter.Later[0].Offset));
        __m256i later = _mm256_cmpeq_epi8(_mm256_or_si256(y, bits[1]), values[1]);
        if constexpr (LaterTests == 2) {
            const __m256i z = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + filter.Later[1].Offset));
            later = _mm256_or_si256(later, _mm256_cmpeq_epi8(_mm256_or_si256(z, bits[2]), values[2]));
        }
        pass = _mm256_and_si256(pass, later);
    }
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(pass));
}

// Two loads a round, so that one branch on the mask serves 64 positions.
// Where candidates come thick, that branch would mispredict often, so a
// dense run takes every mask without it.
template <int LaterTests, bool Dense>
__attribute__((target("avx2,bmi,bmi2,popcnt"))) std::size_t FindAvx2(const TCandidateFilter& filter,
                                                                      const std::uint8_t* block, std::uint32_t from,
                                                                      std::uint32_t to, std::uint32_t* out)
{
    constexpr std::uint32_t Width = 64;
    const __m256i bits[3] = {
        _mm256_set1_epi8(static_cast<char>(filter.First.Bits)),
        _mm256_set1_epi8(static_cast<char>(filter.Later[0].Bits)),
        _mm256_set1_epi8(static_cast<char>(filter.Later[1].Bits)),
    };
    const __m256i values[3] = {
        _mm256_set1_epi8(static_cast<char>(filter.First.Value)),
        _mm256_set1_epi8(static_cast<char>(filter.Later[0].Value)),
        _mm256_set1_epi8(static_cast<char>(filter.Later[1].Value)),
    };
    std::uint32_t* next = out;
    for (std::uint32_t i = from; i < to; i += Width) {
        const std::uint8_t* p = block + i;
        const std::uint64_t mask =
            PassMaskAvx2<LaterTests>(p, filter, bits, values) |
            static_cast<std::uint64_t>(PassMaskAvx2<LaterTests>(p + 32, filter, bits, values)) << 32;
        if (Dense || mask != 0)
            next = PutCandidatesBranchFree(mask & MaskBelow(to - i), i, next);
    }
    return static_cast<std::size_t>(next - out);
}

#endif

template <int LaterTests>
std::size_t FindWithKernel(TScanKernel kernel, bool dense, const TCandidateFilter& filter, const std::uint8_t* block,
                           std::uint32_t from, std::uint32_t to, std::uint32_t* out)
{
    switch (kernel) {
#if defined(__x86_64__)
    case TScanKernel::Avx2:
        return dense ? FindAvx2<LaterTests, true>(filter, block, from, to, out)
                     : FindAvx2<LaterTests, false>(filter, block, from, to, out);
    case TScanKernel::Sse2:
        return FindSse2<LaterTests>(filter, block, from, to, out);
#endif
    default:
        return FindPlain<LaterTests>(filter, block, from, to, out);
    }
}

std::size_t FindCandidates(TScanKernel kernel, bool dense, const TCandidateFilter& filter, const std::uint8_t* block,
                           std::uint32_t from, std::uint32_t to, std::uint32_t* out)
{
    switch (filter.LaterTests) {
    case 0:
        return FindWithKernel<0>(kernel, dense, filter, block, from, to, out);
    case 1:
        return FindWithKernel<1>(kernel, dense, filter, block, from, to, out);
    default:
        return FindWithKernel<2>(kernel, dense, filter, block, from, to, out);
    }
}

}  // namespace

std::vector<TScanKernel> AvailableScanKernels()
{
    std::vector<TScanKernel> kernels{TScanKernel::Plain};
#if defined(__x86_64__)
    kernels.push_back(TScanKernel::Sse2);
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
        __builtin_cpu_supports("popcnt"))
        kernels.push_back(TScanKernel::Avx2);
#endif
    return kernels;
}

TPatternMatcher::TPatternMatcher(const SEARCHINFO_TAG& info)
    : TPatternMatcher(info, AvailableScanKernels().back())
{
}

TPatternMatcher::TPatternMatcher(const SEARCHINFO_TAG& info, TScanKernel kernel)
    : bytes_(info.Pattern.substr(0, static_cast<std::size_t>(std::max(0, info.PatternLength)))),
      isString_(info.SearchType == stString),
      ignoreCase_(isString_ && !info.CaseSensitive),
      kernel_(kernel)
{
    if (isString_) {
        for (char16_t unit : platform::Cp1252ToUtf16(bytes_)) {
            wide_ += static_cast<char>(unit & 0xFF);
            wide_ += static_cast<char>(unit >> 8);
        }
        upper_ = platform::UpperCase(bytes_);
        wideUpper_ = platform::Cp1252ToUtf16(upper_);
    }
    if (!bytes_.empty())
        BuildFilter();
}

// A position is a candidate when its first byte can begin the pattern in one
// of the forms compared: the bytes (upper-cased when ignoring case) or, for a
// longer string, the UTF-16LE form; a longer pattern also needs its last byte
// where the byte form ends or the low byte of its last unit where the
// UTF-16LE form ends, in any case that form accepts.
void TPatternMatcher::BuildFilter()
{
    const std::size_t n = Length();
    const bool wideForm = isString_ && n > 1;
    const auto& upper = UpperTable();
    const auto passesAsByte = [&](std::size_t j, std::uint8_t b) {
        return b == static_cast<std::uint8_t>(bytes_[j]) ||
               (ignoreCase_ && upper[b] == static_cast<std::uint8_t>(upper_[j]));
    };
    const auto passesAsWideLow = [&](std::size_t j, std::uint8_t low) {
        if (low == static_cast<std::uint8_t>(wide_[2 * j]))
            return true;
        // A unit of 255 or below has a zero high byte and folds a-z only;
        // a larger one is compared as it stands.
        const char16_t wideUpper = wideUpper_[j];
        return ignoreCase_ && (wideUpper <= 0xFF ? FoldAsciiLetter(low) == wideUpper : low == (wideUpper & 0xFF));
    };
    const TCoveringTest firstTest = TestCovering(
        0, [&](std::uint8_t b) { return passesAsByte(0, b) || (wideForm && passesAsWideLow(0, b)); });
    filter_.First = firstTest.Test;
    filterDecides_ = n == 1 && firstTest.Exact;
    if (n == 1)
        return;

    filter_.Later[0] = TestCovering(n - 1, [&](std::uint8_t b) { return passesAsByte(n - 1, b); }).Test;
    filter_.LaterTests = 1;
    if (!wideForm)
        return;
    filter_.Later[1] = TestCovering(2 * n - 2, [&](std::uint8_t b) { return passesAsWideLow(n - 1, b); }).Test;
    filter_.LaterTests = 2;
}

void TPatternMatcher::Scan(const std::uint8_t* block, std::size_t available, std::size_t from, std::size_t to,
                           std::int64_t base, std::vector<std::int32_t>& hits, std::size_t limit) const
{
    if (bytes_.empty())
        return;
    // The candidates are found a piece at a time into memory of their own,
    // so that the skip keeps its registers while the hits are compared and kept.
    constexpr std::size_t Piece = 1024;
    std::uint32_t found[Piece + CandidateSlack];
    for (std::size_t start = from; start < to && hits.size() < limit; start += Piece) {
        const std::size_t end = std::min(to, start + Piece);
        const std::size_t count =
            FindCandidates(kernel_, denseCandidates_, filter_, block, static_cast<std::uint32_t>(start),
                           static_cast<std::uint32_t>(end), found);
        // More than one candidate in 256 positions: the next piece is likely as dense.
        denseCandidates_ = count * 256 > end - start;
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t i = found[k];
            if (!filterDecides_ && !MatchesAt(block + i, available - i))
                continue;
            hits.push_back(static_cast<std::int32_t>(base + static_cast<std::int64_t>(i)));
            if (hits.size() >= limit)
                return;
        }
    }
}

bool TPatternMatcher::MatchesAt(const std::uint8_t* at, std::size_t available) const
{
    return MatchesExactly(at, available) || (ignoreCase_ && MatchesIgnoringCase(at, available));
}

bool TPatternMatcher::MatchesExactly(const std::uint8_t* at, std::size_t available) const
{
    const std::size_t n = Length();
    if (n == 1)
        return at[0] == static_cast<std::uint8_t>(bytes_[0]);
    if (available >= n && std::memcmp(at, bytes_.data(), n) == 0)
        return true;
    return isString_ && available >= 2 * n && std::memcmp(at, wide_.data(), 2 * n) == 0;
}

bool TPatternMatcher::MatchesIgnoringCase(const std::uint8_t* at, std::size_t available) const
{
    const std::size_t n = Length();
    const auto& upper = UpperTable();
    if (n == 1)
        return upper[at[0]] == static_cast<std::uint8_t>(upper_[0]);
    if (available >= n) {
        std::size_t j = 0;
        while (j < n && upper[at[j]] == static_cast<std::uint8_t>(upper_[j]))
            ++j;
        if (j == n)
            return true;
    }
    if (available < 2 * n)
        return false;
    for (std::size_t j = 0; j < n; ++j) {
        auto unit = static_cast<char16_t>(at[2 * j] | at[2 * j + 1] << 8);
        if (unit <= 0xFF)
            unit = FoldAsciiLetter(static_cast<std::uint8_t>(unit));
        if (unit != wideUpper_[j])
            return false;
    }
    return true;
}
