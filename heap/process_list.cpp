#include "heap/process_list.h"

#include "heap/row_text.h"

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

} // namespace corvane
