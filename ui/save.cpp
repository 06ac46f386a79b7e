#include "ui/save.h"

#include "ui/heap_rows.h"

#include <optional>

namespace corvane {

const char* const kFreeBlockSaveMessage = "You have selected the FREE heap block.";
const char* const kSaveFileOpenFailedMessage =
    "Failed to open the file for writing.\nMake sure you have write access to the specified directory.";
const char* const kSaveTargetOpenFailedMessage = "Failed to open target process due to insufficient rights";
const char* const kSaveReadFailedMessage = "Failed to read the heap data from the target process memory";
const char* const kSaveWriteFailedMessage =
    "Failed to write the heap data to the file.\nMake sure there is enough free space on the disk.";
const char* const kSaveNothingMessage = "The block's size is zero or negative: there is nothing to save.";

const char* CopyFailureMessage(CopyResult result) {
    switch (result) {
    case CopyResult::Copied: return nullptr;
    case CopyResult::TargetOpenFailed: return kSaveTargetOpenFailedMessage;
    case CopyResult::ReadFailed: return kSaveReadFailedMessage;
    case CopyResult::WriteFailed: return kSaveWriteFailedMessage;
    }
    return nullptr;
}

bool SaveHeapData(BlockSource& source, SaveFiles& files, SaveWindow& window) {
    const std::int32_t processId = window.GetSelectedProcessId();
    if (processId == -1) return false;
    const int row = window.FirstSelectedBlockRow();
    if (row < 0) return false;

    if (IsFreeStatusText(window.BlockRowText(row, BlockColumn::Status))) {
        window.ShowMessage(kFreeBlockSaveMessage, MessageIcon::Information);
        return false;
    }
    const std::string addressText = window.BlockRowText(row, BlockColumn::Address);
    const std::string sizeText = window.BlockRowText(row, BlockColumn::Size);
    const std::optional<std::uint64_t> address = ParseHexNumber(addressText, source.Width());
    const std::optional<std::uint64_t> sizeValue = ParseHexNumber(sizeText, source.Width());
    if (!address || !sizeValue) {
        window.ShowMessage(address ? UnreadableNumberText(kBlockColumns[BlockColumn::Size].heading, sizeText)
                                   : UnreadableNumberText(kBlockColumns[BlockColumn::Address].heading, addressText),
                           MessageIcon::Error);
        return false;
    }
    // The size is a signed count: one with its top bit set, like 0, leaves
    // nothing to copy, and an empty file would only pass for a saved block.
    const std::int64_t size = SignedCount(*sizeValue, source.Width());
    if (size <= 0) {
        window.ShowMessage(kSaveNothingMessage, MessageIcon::Information);
        return false;
    }

    std::string path;
    if (!window.AskSavePath(path)) return false;
    std::unique_ptr<SaveFile> file = files.Create(path);
    if (!file) {
        window.ShowMessage(kSaveFileOpenFailedMessage, MessageIcon::Error);
        return false;
    }
    const CopyResult result = CopyBlockToFile(source, *file, static_cast<std::uint32_t>(processId), *address, size);
    if (result != CopyResult::Copied) {
        file.reset(); // discarded before the user hears of it
        window.ShowMessage(CopyFailureMessage(result), MessageIcon::Error);
        return false;
    }
    // Replacing the file at the path is the last step that touches it; when
    // it fails the path still holds what it held before.
    const bool committed = file->Commit();
    file.reset();
    if (!committed) {
        window.ShowMessage(kSaveFileOpenFailedMessage, MessageIcon::Error);
        return false;
    }
    return true;
}

} // namespace corvane
