#include "heap/process_list.h"

#include "heap/row_text.h"

#include <limits>

namespace corvane {

std::string FormatProcessEntry(std::string_view moduleName, std::int32_t processId) {
    char id[12];
    FormatDecimal32(processId, id);
    std::string entry(moduleName.substr(0, kMaxModuleNameLength));
    entry += "    [";
    entry += id;
    entry += ']';
    return entry;
}

std::optional<std::int32_t> ParseProcessEntryId(std::string_view entry) {
    const std::size_t close = entry.rfind(']');
    const std::size_t open = entry.rfind('[');
    if (close == std::string_view::npos || open == std::string_view::npos || open > close) return std::nullopt;
    return ParseDecimalText(entry.substr(open + 1, close - open - 1));
}

ProcessEntries MakeProcessEntries(const std::vector<ProcessInfo>& processes, std::int32_t wantedId) {
    ProcessEntries result;
    result.entries.reserve(processes.size());
    for (const ProcessInfo& process : processes) {
        if (process.name.empty()) continue;
        const auto id = static_cast<std::int32_t>(process.id);
        result.entries.push_back(FormatProcessEntry(process.name, id));
        if (wantedId != -1 && id == wantedId) result.wantedEntry = result.entries.back();
    }
    return result;
}

namespace {

// The value of a text of decimal digits and nothing else, when it is at most
// the largest id an entry shows.
std::optional<std::int32_t> DecimalDigitsValue(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

} // namespace

ProcessArgument ReadProcessArgument(std::string_view text) {
    ProcessArgument argument;
    argument.id = DecimalDigitsValue(text);
    if (!argument.id) argument.error = "\"" + std::string(text) + "\" is not a process id.";
    return argument;
}

std::string NoListedProcessText(std::int32_t processId) {
    char id[12];
    FormatDecimal32(processId, id);
    return std::string("No process with the id ") + id + " can be inspected.";
}

} // namespace corvane
