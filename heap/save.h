#pragma once

#include "heap/block_source.h"
#include "heap/heap_listing.h"

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

extern const char* const kFreeBlockSaveMessage;
extern const char* const kSaveFileOpenFailedMessage;
extern const char* const kSaveTargetOpenFailedMessage;
extern const char* const kSaveReadFailedMessage;
extern const char* const kSaveWriteFailedMessage;
extern const char* const kSaveNothingMessage;

enum class CopyResult { Copied, TargetOpenFailed, ReadFailed, WriteFailed };

// Copies the `size` bytes at `address` in process `processId` into `file`,
// piece by piece through one fixed buffer. A size of 0 or below copies
// nothing and succeeds. The file is left uncommitted.
CopyResult CopyBlockToFile(BlockSource& source, SaveFile& file, std::uint32_t processId, Address address,
                           std::int64_t size);

// The message for the user when a copy ended with `result`; null on success.
const char* CopyFailureMessage(CopyResult result);

// What a save asks of the main window: the chosen process, the chosen block
// row, the file dialog and message boxes.
class SaveWindow {
public:
    virtual ~SaveWindow() = default;
    // The chosen process, or -1 after telling the user that none is chosen.
    virtual std::int32_t SelectedProcessId() = 0;
    // The first selected heap block row, -1 when none is.
    virtual int FirstSelectedBlockRow() = 0;
    virtual std::string BlockRowText(int row, int column) = 0;
    // The path the user chose in the save-file dialog; false when cancelled.
    virtual bool AskSavePath(std::string& path) = 0;
    virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
};

// One press of the save button: the chosen block's bytes, read afresh from
// the target, go to a file the user names. True when the file was saved.
bool SaveHeapData(BlockSource& source, SaveFiles& files, SaveWindow& window);

} // namespace corvane
