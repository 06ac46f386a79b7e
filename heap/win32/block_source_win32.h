#pragma once

#include "heap/block_source.h"
#include "heap/save.h"

namespace corvane {

// Blocks read out of other processes' memory.
class Win32BlockSource : public BlockSource {
public:
    std::unique_ptr<TargetMemory> Open(std::uint32_t processId) override;
    // A program reads processes of its own width.
    AddressWidth Width() const override { return sizeof(void*) == 8 ? AddressWidth::Bits64 : AddressWidth::Bits32; }
};

// Save files written beside the chosen path under a temporary name and moved
// over it only once complete, so a save that fails leaves the path as it was.
class Win32SaveFiles : public SaveFiles {
public:
    std::unique_ptr<SaveFile> Create(const std::string& path) override;
};

} // namespace corvane
