#include "Dumpentry.h"

#include "platform/Text.h"

namespace {

constexpr std::string_view SymbolSeparator = "   Symbol: ";
constexpr std::string_view ValueSeparator = "    Current Value: ";

}  // namespace

std::optional<std::string> DumpLineEntry(const std::string& line) {
    if (platform::Trim(line).empty()) return std::nullopt;
    const std::size_t bar = line.find('|');
    if (bar == std::string::npos) return std::nullopt;
    const std::string rest = line.substr(bar + 1);
    const std::size_t equals = rest.find('=');
    if (equals == std::string::npos) return std::nullopt;
    return "Type: " + line.substr(0, bar) + std::string(SymbolSeparator) + rest.substr(0, equals) +
           std::string(ValueSeparator) + rest.substr(equals + 1);
}

std::optional<TWatchPick> WatchOfEntry(const std::string& entry) {
    const std::size_t symbolSeparator = entry.find(SymbolSeparator);
    if (symbolSeparator == std::string::npos) return std::nullopt;
    const std::size_t symbolStart = symbolSeparator + SymbolSeparator.size() + 1;
    const std::size_t valueSeparator = entry.find(ValueSeparator, symbolSeparator + SymbolSeparator.size());
    if (valueSeparator == std::string::npos || valueSeparator <= symbolStart) return std::nullopt;
    return TWatchPick{entry.substr(symbolStart, valueSeparator - symbolStart),
                      entry.substr(valueSeparator + ValueSeparator.size())};
}
