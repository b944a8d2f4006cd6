#include "Tlangmemory.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <string>

namespace pevox {

namespace {

constexpr int kShareDivisor = 4;
constexpr std::int64_t kFallbackMemory = std::int64_t{1} << 30;

std::int64_t PhysicalMemory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return kFallbackMemory;
    return static_cast<std::int64_t>(pages) * pageSize;
}

// The memory limit of the program's control group; 0 when it has none.
std::int64_t ControlGroupLimit() {
    std::ifstream in("/sys/fs/cgroup/memory.max");
    std::string text;
    std::int64_t bytes = 0;
    if (!(in >> text)) return 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), bytes);
    // "max" stands for no limit.
    return error == std::errc() && end == text.data() + text.size() ? std::max<std::int64_t>(bytes, 0) : 0;
}

}  // namespace

std::int64_t RunMemory::DefaultLimit() {
    std::int64_t memory = PhysicalMemory();
    if (const std::int64_t group = ControlGroupLimit(); group > 0) memory = std::min(memory, group);
    return memory / kShareDivisor;
}

}  // namespace pevox
