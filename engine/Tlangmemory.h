// What a run holds (its symbols, its array cells and the texts of its
// variables), counted against a limit. A script that would pass the limit is
// stopped with "Out of memory" while the host still has room to live: an
// allocation the system grants on credit fails only when its pages are
// touched, and then it takes the whole program down.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pevox {

namespace msg {
inline constexpr std::string_view OutOfMemory = "Out of memory";
}  // namespace msg

class RunMemory {
public:
    // A quarter of the memory the program may use: the machine's, or less
    // where the program's control group is given less.
    static std::int64_t DefaultLimit();

    RunMemory() : limit_(DefaultLimit()) {}

    std::int64_t Limit() const { return limit_; }
    void SetLimit(std::int64_t bytes) { limit_ = bytes; }
    std::int64_t Held() const { return held_; }
    // Whether `bytes` more would stay within the limit.
    bool Fits(std::uint64_t bytes) const {
        return bytes <= static_cast<std::uint64_t>(limit_ > held_ ? limit_ - held_ : 0);
    }
    // Counts `bytes` more as held; false, with nothing counted, past the limit.
    bool Take(std::uint64_t bytes) {
        if (!Fits(bytes)) return false;
        held_ += static_cast<std::int64_t>(bytes);
        return true;
    }
    // A held thing that changes its size, such as a variable's text.
    bool Resize(std::size_t before, std::size_t after) {
        if (after > before) return Take(after - before);
        held_ -= static_cast<std::int64_t>(before - after);
        if (held_ < 0) held_ = 0;
        return true;
    }
    // A run's things are freed together.
    void Clear() { held_ = 0; }

private:
    std::int64_t limit_;
    std::int64_t held_ = 0;
};

}  // namespace pevox
