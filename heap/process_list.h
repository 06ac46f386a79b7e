#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// A running process that can be inspected: its id and the base name of its
// main module.
struct ProcessInfo {
    std::uint32_t id = 0;
    std::string name;
};

// The longest module base name an entry shows.
constexpr std::size_t kMaxModuleNameLength = 1023;

// The process list's entry text: the name, four spaces and the id in square
// brackets, e.g. "notepad.exe    [1234]".
std::string FormatProcessEntry(std::string_view moduleName, std::int32_t processId);

// The id carried by an entry text: the decimal number between the last "["
// and the last "]". No such bracket pair (or a "]" before the "[") gives no
// id; a pair with no digits between gives 0.
std::optional<std::int32_t> ParseProcessEntryId(std::string_view entry);

// The entries of a refreshed process list, and the text of the entry that
// carries `wantedId` (empty when none does, or when wantedId is -1).
struct ProcessEntries {
    std::vector<std::string> entries;
    std::string wantedEntry;
};
ProcessEntries MakeProcessEntries(const std::vector<ProcessInfo>& processes, std::int32_t wantedId);

} // namespace corvane
