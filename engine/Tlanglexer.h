// The splitter of one editor line into the pieces that syntax colouring
// paints; it needs no interpreter state.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pevox {

// The pieces of a line in order; no list for a line that is blank.
std::optional<std::vector<std::string>> ColorTokenize(const std::string& line);

}  // namespace pevox
