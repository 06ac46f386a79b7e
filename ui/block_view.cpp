#include "ui/block_view.h"

#include "ui/heap_rows.h"
#include "ui/view_switch.h"

#include <cstring>
#include <new>
#include <optional>

namespace corvane {

const char* const kFindCaption = "Find";
const char* const kFindAgainCaption = "Find Again";

const char* const kSizeExceededLine = "ERROR : Heap data size is exceeded the maximum supported size";
const char* const kOpenFailedLine = "ERROR : Failed to open target process due to insufficient rights";
const char* const kAllocationFailedLine = "ERROR : Failed to allocate memory for heap data";
const char* const kReadFailedLine = "ERROR : Failed to read heap data from the target process";
const char* const kFreeBlockNote = "Note: You have selected the FREE heap block";

namespace {

void AppendText(DumpLineSink& sink, const char* text) { sink.AppendLine(text, std::strlen(text)); }

void AppendUnreadableNumber(DumpLineSink& sink, const char* column, std::string_view text) {
    AppendText(sink, ("ERROR : " + UnreadableNumberText(column, text)).c_str());
}

// The data view, emptied, with no copy held.
void EnterDataView(BlockDataWindow& window, HeldBlock& held) {
    window.ShowPanel(PANEL_HEAPNODES, kHideCommand);
    window.ShowPanel(PANEL_HEAPDATA, kShowCommand);
    window.ClearDumpLines();
    held.Reset();
}

} // namespace

bool ShowBlockData(BlockSource& source, BlockDataWindow& window, HeldBlock& held, std::uint32_t processId,
                   Address blockAddress, std::uint64_t blockSize) {
    EnterDataView(window, held);
    window.SetSearchCaption(kFindCaption);

    if (blockSize > kMaxHeapDataSize) {
        AppendText(window, kSizeExceededLine);
        return false;
    }
    const auto size = static_cast<std::uint32_t>(blockSize);
    const std::unique_ptr<TargetMemory> target = source.Open(processId);
    if (!target) {
        AppendText(window, kOpenFailedLine);
        return false;
    }
    held.m_heapData = source.Allocate(size);
    if (!held.m_heapData) {
        AppendText(window, kAllocationFailedLine);
        return false;
    }
    std::size_t bytesRead = 0;
    if (!target->Read(blockAddress, held.m_heapData.get(), size, bytesRead)) {
        held.Release();
        AppendText(window, kReadFailedLine);
        return false;
    }
    // The count read never exceeds the room the copy has.
    held.m_heapDataSize = bytesRead < size ? static_cast<std::uint32_t>(bytesRead) : size;

    const AddressWidth width = source.Width();
    std::uint64_t heapNodeAddress = 0;
    if (const int nodeRow = window.FirstSelectedNodeRow(); nodeRow >= 0) {
        const std::string text = window.NodeRowText(nodeRow, NodeColumn::Base);
        const std::optional<std::uint64_t> address = ParseHexNumber(text, width);
        if (!address) {
            held.Release();
            AppendUnreadableNumber(window, kNodeColumns[NodeColumn::Base].heading, text);
            return false;
        }
        heapNodeAddress = *address;
    }
    // The header line and an empty line before the dump, an empty line after.
    window.ReserveDumpLines(DumpLineCount(held.m_heapDataSize) + 3);
    DumpHeaderText header;
    window.AppendLine(header, FormatDumpHeader(heapNodeAddress, blockAddress, size, width, header));
    window.AppendLine("", 0);
    WriteDumpLines(held.m_heapData.get(), held.m_heapDataSize, window);
    window.AppendLine("", 0);
    window.SelectDumpLine(kFirstDumpLine);

    held.m_blockAddress = blockAddress;
    held.m_addressWidth = width;
    return true;
}

bool ShowBlockOfRow(BlockSource& source, BlockDataWindow& window, HeldBlock& held, std::uint32_t processId,
                    const BlockRowTexts& row) {
    if (IsFreeStatusText(row.status)) {
        EnterDataView(window, held);
        AppendText(window, kFreeBlockNote);
        return false;
    }
    const std::optional<std::uint64_t> address = ParseHexNumber(row.address, source.Width());
    const std::optional<std::uint64_t> size = ParseHexNumber(row.size, source.Width());
    if (address && size) return ShowBlockData(source, window, held, processId, *address, *size);
    EnterDataView(window, held);
    window.SetSearchCaption(kFindCaption);
    if (!address)
        AppendUnreadableNumber(window, kBlockColumns[BlockColumn::Address].heading, row.address);
    else
        AppendUnreadableNumber(window, kBlockColumns[BlockColumn::Size].heading, row.size);
    return false;
}

} // namespace corvane
