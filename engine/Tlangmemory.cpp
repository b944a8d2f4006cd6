#include "Tlangmemory.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace pevox {

namespace {

constexpr int kShareDivisor = 4;
constexpr std::int64_t kFallbackMemory = std::int64_t{1} << 30;

std::optional<std::int64_t> ParseBytes(std::string_view text) {
    std::int64_t bytes = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), bytes);
    if (error != std::errc() || end != text.data() + text.size() || bytes <= 0) return std::nullopt;
    return bytes;
}

// The first word of a file: a limit in bytes, or "max" for none.
std::optional<std::int64_t> ReadLimitFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::string text;
    if (!(in >> text)) return std::nullopt;
    return ParseBytes(text);
}

std::int64_t PhysicalMemory(const std::filesystem::path& root) {
    std::ifstream in(root / "proc/meminfo");
    std::string key;
    std::int64_t kilobytes = 0;
    while (in >> key) {
        if (key == "MemTotal:" && in >> kilobytes && kilobytes > 0) return kilobytes * 1024;
        in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return kFallbackMemory;
    return static_cast<std::int64_t>(pages) * pageSize;
}

// The soft limit of the address space (RLIMIT_AS), as the process's limits
// list it; none when it is "unlimited".
std::optional<std::int64_t> AddressSpaceLimit(const std::filesystem::path& root) {
    std::ifstream in(root / "proc/self/limits");
    static constexpr std::string_view kName = "Max address space";
    for (std::string line; std::getline(in, line);) {
        if (!line.starts_with(kName)) continue;
        std::istringstream fields(line.substr(kName.size()));
        std::string soft;
        fields >> soft;
        return ParseBytes(soft);
    }
    return std::nullopt;
}

// The smallest limit in `file` of the group at `path` below `mount` and of
// every group above it up to the mount's root: a group is bounded by its
// parents too. A path the mount does not show (a container sees its own
// group as the root) adds only the levels it does show.
std::optional<std::int64_t> SmallestOnTheWayUp(const std::filesystem::path& mount, std::filesystem::path path,
                                               std::string_view file) {
    std::optional<std::int64_t> smallest;
    for (;;) {
        if (const auto limit = ReadLimitFile(mount / path.relative_path() / file))
            smallest = smallest ? std::min(*smallest, *limit) : *limit;
        if (path == path.root_path() || path.empty()) break;
        path = path.parent_path();
    }
    return smallest;
}

// The memory limits of the control groups the process is in: the unified
// hierarchy's memory.max (on its own mount or beside version 1's
// controllers) and version 1's memory.limit_in_bytes, each nested.
std::optional<std::int64_t> ControlGroupLimit(const std::filesystem::path& root) {
    std::ifstream in(root / "proc/self/cgroup");
    const std::filesystem::path groups = root / "sys/fs/cgroup";
    std::optional<std::int64_t> smallest;
    auto take = [&smallest](std::optional<std::int64_t> limit) {
        if (limit) smallest = smallest ? std::min(*smallest, *limit) : *limit;
    };
    // Lines of "hierarchy:controllers:path".
    for (std::string line; std::getline(in, line);) {
        const std::size_t first = line.find(':');
        const std::size_t second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        const std::string_view controllers = std::string_view(line).substr(first + 1, second - first - 1);
        const std::filesystem::path path = line.substr(second + 1);
        if (controllers.empty()) {
            take(SmallestOnTheWayUp(groups, path, "memory.max"));
            take(SmallestOnTheWayUp(groups / "unified", path, "memory.max"));
            continue;
        }
        std::istringstream names{std::string(controllers)};
        for (std::string name; std::getline(names, name, ',');)
            if (name == "memory") take(SmallestOnTheWayUp(groups / "memory", path, "memory.limit_in_bytes"));
    }
    return smallest;
}

}  // namespace

std::int64_t RunMemory::DefaultLimit() { return DefaultLimitUnder("/"); }

std::int64_t RunMemory::DefaultLimitUnder(const std::filesystem::path& root) {
    std::int64_t memory = PhysicalMemory(root);
    if (const auto group = ControlGroupLimit(root)) memory = std::min(memory, *group);
    if (const auto addressSpace = AddressSpaceLimit(root)) memory = std::min(memory, *addressSpace);
    return memory / kShareDivisor;
}

}  // namespace pevox
