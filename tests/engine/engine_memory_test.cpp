// The default limit of what a run may hold: a quarter of the least of the
// machine's memory, the limit of every control group above the program
// (version 1 and 2, nested) and its address-space limit, read from a tree laid
// out as the system's root folder.
#include "Tlangmemory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

namespace pevox::test {
namespace {

constexpr std::int64_t kMiB = std::int64_t{1} << 20;
constexpr std::int64_t kGiB = std::int64_t{1} << 30;
// What version 1 writes for a group without a limit.
constexpr const char* kV1NoLimit = "9223372036854771712";
constexpr const char* kNoAddressLimit = "Max address space         unlimited            unlimited            bytes";

struct SystemTree {
    std::string name;
    std::vector<std::pair<std::string, std::string>> files;  // path below the root, contents
    std::int64_t expected;
};

class DefaultMemoryLimit : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = std::filesystem::temp_directory_path() / ("qorm-memory-" + std::to_string(::getpid()));
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    std::int64_t LimitOf(const SystemTree& tree) {
        std::filesystem::remove_all(root_);
        for (const auto& [path, contents] : tree.files) {
            const std::filesystem::path file = root_ / path;
            std::filesystem::create_directories(file.parent_path());
            std::ofstream(file) << contents << "\n";
        }
        return RunMemory::DefaultLimitUnder(root_);
    }

    std::filesystem::path root_;
};

std::pair<std::string, std::string> MemTotal(std::int64_t bytes) {
    return {"proc/meminfo", "MemTotal:       " + std::to_string(bytes / 1024) + " kB\nMemFree:        1024 kB"};
}

std::pair<std::string, std::string> Groups(const std::string& lines) { return {"proc/self/cgroup", lines}; }

std::pair<std::string, std::string> Limits(const std::string& addressSpace) {
    return {"proc/self/limits", "Limit                     Soft Limit           Hard Limit           Units\n"
                                "Max cpu time              unlimited            unlimited            seconds\n" +
                                    addressSpace + "\nMax file locks            unlimited            unlimited            locks"};
}

TEST_F(DefaultMemoryLimit, TakesAQuarterOfTheLeastLimitAboveTheProgram) {
    const std::string v1Groups = "12:pids:/\n4:memory:/process/job\n1:cpu,cpuacct:/\n0::/";
    const std::vector<SystemTree> trees = {
        {"the machine alone", {MemTotal(8 * kGiB), Groups("0::/"), Limits(kNoAddressLimit)}, 2 * kGiB},
        {"no group files at all", {MemTotal(8 * kGiB), Limits(kNoAddressLimit)}, 2 * kGiB},
        {"v2 group and its parent without limits",
         {MemTotal(8 * kGiB), Groups("0::/user.slice/app.scope"), {"sys/fs/cgroup/user.slice/memory.max", "max"},
          {"sys/fs/cgroup/user.slice/app.scope/memory.max", "max"}, Limits(kNoAddressLimit)},
         2 * kGiB},
        {"v2 group", {MemTotal(8 * kGiB), Groups("0::/app.scope"), {"sys/fs/cgroup/app.scope/memory.max", "1073741824"}},
         256 * kMiB},
        {"v2 parent limits a group without one",
         {MemTotal(8 * kGiB), Groups("0::/user.slice/user-1000.slice/run-1.scope"),
          {"sys/fs/cgroup/user.slice/memory.max", "2147483648"},
          {"sys/fs/cgroup/user.slice/user-1000.slice/memory.max", "max"},
          {"sys/fs/cgroup/user.slice/user-1000.slice/run-1.scope/memory.max", "max"}},
         512 * kMiB},
        {"v2 group below a larger parent",
         {MemTotal(8 * kGiB), Groups("0::/outer/inner"), {"sys/fs/cgroup/outer/memory.max", "2147483648"},
          {"sys/fs/cgroup/outer/inner/memory.max", "536870912"}},
         128 * kMiB},
        {"v2 beside v1 controllers (hybrid)",
         {MemTotal(8 * kGiB), Groups("4:memory:/\n0::/app"), {"sys/fs/cgroup/unified/app/memory.max", "1073741824"},
          {"sys/fs/cgroup/memory/memory.limit_in_bytes", kV1NoLimit}},
         256 * kMiB},
        {"v1 group",
         {MemTotal(8 * kGiB), Groups(v1Groups), {"sys/fs/cgroup/memory/memory.limit_in_bytes", kV1NoLimit},
          {"sys/fs/cgroup/memory/process/memory.limit_in_bytes", kV1NoLimit},
          {"sys/fs/cgroup/memory/process/job/memory.limit_in_bytes", "2147483648"}},
         512 * kMiB},
        {"v1 parent limits a group without one",
         {MemTotal(8 * kGiB), Groups(v1Groups), {"sys/fs/cgroup/memory/process/memory.limit_in_bytes", "1073741824"},
          {"sys/fs/cgroup/memory/process/job/memory.limit_in_bytes", kV1NoLimit}},
         256 * kMiB},
        {"v1 memory beside another controller",
         {MemTotal(8 * kGiB), Groups("3:cpu,memory:/job"), {"sys/fs/cgroup/memory/job/memory.limit_in_bytes", "1073741824"}},
         256 * kMiB},
        {"v1 container that sees its own group as the root",
         {MemTotal(8 * kGiB), Groups("4:memory:/docker/0123abcd"),
          {"sys/fs/cgroup/memory/memory.limit_in_bytes", "2147483648"}},
         512 * kMiB},
        {"a group limit above the machine's memory",
         {MemTotal(kGiB), Groups("0::/big"), {"sys/fs/cgroup/big/memory.max", "8589934592"}}, 256 * kMiB},
        {"address-space limit",
         {MemTotal(8 * kGiB), Groups("0::/"),
          Limits("Max address space         1073741824           unlimited            bytes")},
         256 * kMiB},
        {"address-space limit below a group's",
         {MemTotal(8 * kGiB), Groups("0::/app"), {"sys/fs/cgroup/app/memory.max", "2147483648"},
          Limits("Max address space         1073741824           4294967296           bytes")},
         256 * kMiB},
    };
    for (const SystemTree& tree : trees) EXPECT_EQ(LimitOf(tree), tree.expected) << tree.name;
}

TEST_F(DefaultMemoryLimit, TheSystemsLimitIsAQuarterOfItsMemoryAtMost) {
    const std::int64_t machine = static_cast<std::int64_t>(::sysconf(_SC_PHYS_PAGES)) * ::sysconf(_SC_PAGESIZE);
    EXPECT_GT(RunMemory::DefaultLimit(), 0);
    EXPECT_LE(RunMemory::DefaultLimit(), machine / 4);
    EXPECT_EQ(RunMemory().Limit(), RunMemory::DefaultLimit());
}

}  // namespace
}  // namespace pevox::test
