#include "Readahead.h"

#include <algorithm>

bool TReadAhead::Holds(std::int64_t position, std::size_t count) const {
    const std::int64_t end = start_ + static_cast<std::int64_t>(block_.size());
    if (block_.empty() || position < start_ || position > end) return false;
    return position + static_cast<std::int64_t>(count) <= end || endsInBlock_;
}

std::size_t TReadAhead::Read(std::int32_t position, std::uint8_t* buffer, std::size_t count, const TReader& read) {
    if (count > BlockSize || position < 0) return read(position, buffer, count);
    if (!Holds(position, count)) {
        block_.resize(BlockSize);
        const std::size_t got = read(position, block_.data(), BlockSize);
        block_.resize(got);
        start_ = position;
        endsInBlock_ = got < BlockSize;
        if (got == 0) {
            Forget();
            return 0;
        }
    }
    const auto offset = static_cast<std::size_t>(position - start_);
    const std::size_t served = std::min(count, block_.size() - offset);
    std::copy_n(block_.begin() + static_cast<std::ptrdiff_t>(offset), served, buffer);
    return served;
}

void TReadAhead::Wrote(std::int32_t position, const std::uint8_t* bytes, std::size_t count, std::size_t written) {
    if (block_.empty()) return;
    if (written != count) {
        Forget();
        return;
    }
    const std::int64_t end = start_ + static_cast<std::int64_t>(block_.size());
    const std::int64_t from = std::max<std::int64_t>(position, start_);
    const std::int64_t to = std::min<std::int64_t>(std::int64_t{position} + static_cast<std::int64_t>(count), end);
    for (std::int64_t at = from; at < to; ++at)
        block_[static_cast<std::size_t>(at - start_)] = bytes[at - position];
}

void TReadAhead::Forget() {
    block_.clear();
    endsInBlock_ = false;
}
