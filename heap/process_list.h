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

// What the program's command-line argument asks for: the process to pick at
// start-up, or, when the text is not a process id, the message that says so.
// A process id is written in decimal digits only (no sign, no white space)
// and is at most 2147483647, as the process list's entries show ids.
struct ProcessArgument {
    std::optional<std::int32_t> id;
    std::string error;
};
ProcessArgument ReadProcessArgument(std::string_view text);

// What the user is told when no entry of the process list carries the id.
std::string NoListedProcessText(std::int32_t processId);

} // namespace corvane
