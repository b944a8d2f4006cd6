// What a run holds (its symbols, its array cells, the texts of its
// variables and the texts its expressions hold while they are evaluated),
// counted against a limit. A script that would pass the limit is
// stopped with "Out of memory" while the host still has room to live: an
// allocation the system grants on credit fails only when its pages are
// touched, and then it takes the whole program down.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace pevox {

namespace msg {
inline constexpr std::string_view OutOfMemory = "Out of memory";
}  // namespace msg

class RunMemory {
public:
    // A quarter of the memory the program may use: the least of the
    // machine's, the limits of every control group above the program
    // (version 1 and 2) and its address-space limit (RLIMIT_AS).
    static std::int64_t DefaultLimit();
    // The same, read from a tree laid out as the system's root folder (its
    // proc/ and sys/fs/cgroup/ folders).
    static std::int64_t DefaultLimitUnder(const std::filesystem::path& root);

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

    // A text an expression holds while it goes on, counted as held for as
    // long as this lives: the left operand of a join while its right operand
    // is evaluated and joined. It is counted whatever the limit (it exists
    // already); what the expression makes next must fit beside it.
    class Pending {
    public:
        Pending(RunMemory& memory, std::size_t bytes) : memory_(memory), bytes_(static_cast<std::int64_t>(bytes)) {
            memory_.held_ += bytes_;
        }
        ~Pending() { memory_.held_ = memory_.held_ > bytes_ ? memory_.held_ - bytes_ : 0; }
        Pending(const Pending&) = delete;
        Pending& operator=(const Pending&) = delete;

    private:
        RunMemory& memory_;
        std::int64_t bytes_;
    };

private:
    std::int64_t limit_;
    std::int64_t held_ = 0;
};

}  // namespace pevox
