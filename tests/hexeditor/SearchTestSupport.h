// Helpers of the search tests: a file held in memory as a search source.
#pragma once

#include "Search.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class TMemorySource final : public TSearchSource {
public:
    std::vector<std::uint8_t> Bytes;
    // Reads stop short at this offset, as a failing disk would.
    std::int64_t FailAt = -1;
    int Reads = 0;

    std::size_t ReadBytes(std::int32_t offset, std::uint8_t* buffer, std::size_t count) override
    {
        ++Reads;
        std::int64_t end = std::min<std::int64_t>(offset + static_cast<std::int64_t>(count),
                                                  static_cast<std::int64_t>(Bytes.size()));
        if (FailAt >= 0)
            end = std::min(end, FailAt);
        if (end <= offset)
            return 0;
        std::memcpy(buffer, Bytes.data() + offset, static_cast<std::size_t>(end - offset));
        return static_cast<std::size_t>(end - offset);
    }

    void Put(std::size_t offset, const std::string& bytes)
    {
        std::memcpy(Bytes.data() + offset, bytes.data(), bytes.size());
    }
    std::int32_t Size() const { return static_cast<std::int32_t>(Bytes.size()); }
};

inline std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int v : values)
        bytes += static_cast<char>(v);
    return bytes;
}
