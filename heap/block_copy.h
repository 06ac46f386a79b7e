#pragma once

#include "heap/block_source.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace corvane {

// Bytes carried from the target to the file at a time.
constexpr std::uint32_t kSavePieceSize = 0x8000;

// A file being written for a save. Nothing is visible at the chosen path
// until Commit succeeds; destroying an uncommitted file discards what was
// written and leaves whatever was at the path before.
class SaveFile {
public:
    virtual ~SaveFile() = default;
    // Appends bytes; false when they could not all be written.
    virtual bool Write(const void* bytes, std::size_t size) = 0;
    // Puts the written bytes in place at the chosen path.
    virtual bool Commit() = 0;
};

// Where saved blocks go.
class SaveFiles {
public:
    virtual ~SaveFiles() = default;
    // A new, empty file for `path`, or null when `path` cannot be written.
    virtual std::unique_ptr<SaveFile> Create(const std::string& path) = 0;
};

enum class CopyResult { Copied, TargetOpenFailed, ReadFailed, WriteFailed };

// Copies the `size` bytes at `address` in process `processId` into `file`,
// piece by piece through one fixed buffer. A size of 0 or below copies
// nothing and succeeds. The file is left uncommitted.
CopyResult CopyBlockToFile(BlockSource& source, SaveFile& file, std::uint32_t processId, Address address,
                           std::int64_t size);

} // namespace corvane
