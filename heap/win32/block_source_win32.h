#pragma once

#include "heap/block_source.h"

namespace corvane {

// Blocks read out of other processes' memory.
class Win32BlockSource : public BlockSource {
public:
    std::unique_ptr<TargetMemory> Open(std::uint32_t processId) override;
    // A program reads processes of its own width.
    AddressWidth Width() const override { return sizeof(void*) == 8 ? AddressWidth::Bits64 : AddressWidth::Bits32; }
};

} // namespace corvane
