#include "Commandline.h"

#include "platform/Text.h"

#include <algorithm>

namespace {

// Arguments are numbered from 1; later ones than this are ignored.
constexpr std::size_t LastArgument = 9;

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    TCommandLine line;
    const std::size_t count = std::min(arguments.size(), LastArgument);
    for (std::size_t i = 1; i <= count; ++i) {
        const std::string& argument = arguments[i - 1];
        if (platform::UpperCase(argument) == "/S") {
            // A "/S" without a script after it within the taken arguments requests nothing.
            if (i + 1 <= count) {
                if (!arguments[i].empty()) line.Entries.push_back({arguments[i], true});
                line.RunScript = true;
            }
            ++i;
        } else if (!argument.empty()) {
            line.Entries.push_back({argument, false});
        }
    }
    return line;
}
