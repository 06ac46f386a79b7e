#pragma once

#include "heap/memory_view.h"

#include <cstddef>
#include <cstdint>

namespace corvane {

// Receives the lines of a dump one at a time, in order. `text` holds
// `length` characters followed by a terminating zero and is only valid
// during the call.
class DumpLineSink {
public:
    virtual ~DumpLineSink() = default;
    // text holds length characters and is zero-terminated after them.
    virtual void AppendLine(const char* text, std::size_t length) = 0;
};

// Bytes shown on one dump line.
constexpr std::size_t kDumpBytesPerLine = 16;
// The line of a dump that shows its first bytes: a header line and an empty
// line come before it.
constexpr int kFirstDumpLine = 2;
// Where the character column starts on every dump line.
constexpr std::size_t kDumpCharacterColumn = 61;
// Characters of a full dump line, and room for one with its terminating zero.
constexpr std::size_t kDumpLineLength = kDumpCharacterColumn + kDumpBytesPerLine;
using DumpLineText = char[kDumpLineLength + 1];

// One dump line for the `count` bytes (1 to 16) at `offset` from the start of
// the block: "%.8xh  ", "%.2X " per byte, filler spaces up to the character
// column, then each byte as itself when it lies in 0x20 to 0x7E and as "."
// otherwise. Returns the line's length; the text is zero-terminated.
std::size_t FormatDumpLine(std::uint32_t offset, const std::uint8_t* bytes, std::size_t count, DumpLineText& line);

// The header line of a dump, zero-terminated; returns its length. The
// addresses and the size show at the target's width, as the rows show them.
using DumpHeaderText = char[128];
std::size_t FormatDumpHeader(Address heapNodeAddress, Address blockAddress, std::uint32_t blockSize, AddressWidth width,
                             DumpHeaderText& header);

// How many dump lines `size` bytes make: one for every 16 bytes begun.
constexpr std::size_t DumpLineCount(std::uint32_t size) {
    return (static_cast<std::size_t>(size) + kDumpBytesPerLine - 1) / kDumpBytesPerLine;
}

// Hands the dump lines of `size` bytes to `sink`, 16 bytes a line, and folds
// the capitals A to Z in `bytes` to lower case as each line is made: the lines
// show the bytes as they were, the buffer ends up ready for a search that
// ignores letter case. Other bytes are left alone.
void WriteDumpLines(std::uint8_t* bytes, std::uint32_t size, DumpLineSink& sink);

// A byte as the dump's character column shows it: 0x20 to 0x7E as itself,
// others as '.'.
char DumpCharacter(std::uint8_t byte);

// Folds the capitals A to Z among `count` bytes to lower case.
void FoldCapitals(std::uint8_t* bytes, std::size_t count);

} // namespace corvane
