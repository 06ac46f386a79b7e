#pragma once

#include "heap/block_copy.h"
#include "ui/message_icon.h"

#include <cstdint>
#include <string>

namespace corvane {

extern const char* const kFreeBlockSaveMessage;
extern const char* const kSaveFileOpenFailedMessage;
extern const char* const kSaveTargetOpenFailedMessage;
extern const char* const kSaveReadFailedMessage;
extern const char* const kSaveWriteFailedMessage;
extern const char* const kSaveNothingMessage;

// The message for the user when a copy ended with `result`; null on success.
const char* CopyFailureMessage(CopyResult result);

// What a save asks of the main window: the chosen process, the chosen block
// row, the file dialog and message boxes.
class SaveWindow {
public:
    virtual ~SaveWindow() = default;
    // The chosen process, or -1 after telling the user that none is chosen.
    virtual std::int32_t GetSelectedProcessId() = 0;
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
