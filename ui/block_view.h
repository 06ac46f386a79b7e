#pragma once

#include "heap/block_source.h"
#include "heap/dump_text.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace corvane {

// The largest block whose bytes are read and dumped.
constexpr std::uint32_t kMaxHeapDataSize = 0xFFFFFF;

// The copy of the shown block that searches run over, with where the next
// search starts and where the block lies in the target. Owned by the main
// dialog; its bytes have their capitals folded to lower case once dumped.
struct HeldBlock {
    std::unique_ptr<std::uint8_t[]> m_heapData;
    std::uint32_t m_heapDataSize = 0;
    std::int32_t m_searchPos = 0;
    Address m_blockAddress = 0;
    // The width of the target's addresses, which positions are shown at.
    AddressWidth m_addressWidth = AddressWidth::Bits32;

    bool IsHeld() const { return m_heapData != nullptr; }
    // Lets go of the copy; the search position stays.
    void Release() {
        m_heapData.reset();
        m_heapDataSize = 0;
    }
    // Lets go of the copy; the next search starts afresh.
    void Reset() {
        Release();
        m_searchPos = 0;
    }
};

// Captions of the search button.
extern const char* const kFindCaption;
extern const char* const kFindAgainCaption;

// The lines that stand in for a dump when a block cannot be shown.
extern const char* const kSizeExceededLine;
extern const char* const kOpenFailedLine;
extern const char* const kAllocationFailedLine;
extern const char* const kReadFailedLine;
// The line that stands in for the bytes of a free block.
extern const char* const kFreeBlockNote;

// What showing a block does to the main window: the view switch, the dump
// list (which receives the lines), the search button and the heap node list.
class BlockDataWindow : public DumpLineSink {
public:
    virtual void ShowPanel(int panel, int showCommand) = 0;
    virtual void ClearDumpLines() = 0;
    // Called once before a dump's lines, with how many lines will follow, so
    // that the list can make room for them in one step.
    virtual void ReserveDumpLines(std::size_t count) = 0;
    virtual void SelectDumpLine(int index) = 0;
    virtual void SetSearchCaption(const char* caption) = 0;
    // The first selected heap node row, -1 when none is.
    virtual int FirstSelectedNodeRow() = 0;
    virtual std::string NodeRowText(int row, int column) = 0;
};

// Switches to the data view and shows the block of `blockSize` bytes at
// `blockAddress` in process `processId`: reads it into `held` and fills the
// dump list, or puts a single "ERROR : " line there. True when the dump was
// built.
bool ShowBlockData(BlockSource& source, BlockDataWindow& window, HeldBlock& held, std::uint32_t processId,
                   Address blockAddress, std::uint64_t blockSize);

// The texts of the heap block row that was chosen, as the list shows them.
struct BlockRowTexts {
    std::string address, size, status;
};

// Shows the block that a heap block row names, its address and size read
// back from the row's texts. A free block gets a one-line note instead of
// its bytes; a text that does not read as a number of the target's width
// gives an error line in place of the dump. True when the dump was built.
bool ShowBlockOfRow(BlockSource& source, BlockDataWindow& window, HeldBlock& held, std::uint32_t processId,
                    const BlockRowTexts& row);

} // namespace corvane
