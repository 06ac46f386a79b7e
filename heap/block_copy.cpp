#include "heap/block_copy.h"

#include <array>

namespace corvane {

CopyResult CopyBlockToFile(BlockSource& source, SaveFile& file, std::uint32_t processId, Address address,
                           std::int64_t size) {
    const std::unique_ptr<TargetMemory> target = source.Open(processId);
    if (!target) return CopyResult::TargetOpenFailed;

    std::array<std::uint8_t, kSavePieceSize> piece;
    std::int64_t remaining = size;
    while (remaining > 0) {
        const std::size_t wanted = remaining < kSavePieceSize ? static_cast<std::size_t>(remaining) : kSavePieceSize;
        std::size_t bytesRead = 0;
        // A read that claims success but delivers nothing (or more than asked)
        // would never end the loop; it counts as a failed read.
        if (!target->Read(address, piece.data(), wanted, bytesRead) || bytesRead == 0 || bytesRead > wanted)
            return CopyResult::ReadFailed;
        if (!file.Write(piece.data(), bytesRead)) return CopyResult::WriteFailed;
        remaining -= static_cast<std::int64_t>(bytesRead);
        address += bytesRead;
    }
    return CopyResult::Copied;
}

} // namespace corvane
