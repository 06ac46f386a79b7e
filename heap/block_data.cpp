#include "heap/block_data.h"

#include "heap/row_text.h"
#include "ui/view_switch.h"

#include <cstring>
#include <new>

namespace corvane {

const char* const kFindCaption = "Find";
const char* const kFindAgainCaption = "Find Again";

const char* const kSizeExceededLine = "ERROR : Heap data size is exceeded the maximum supported size";
const char* const kOpenFailedLine = "ERROR : Failed to open target process due to insufficient rights";
const char* const kAllocationFailedLine = "ERROR : Failed to allocate memory for heap data";
const char* const kReadFailedLine = "ERROR : Failed to read heap data from the target process";

namespace {

constexpr int kNodeColumnBase = 1;
constexpr int kFirstDumpLine = 2;

void AppendText(DumpLineSink& sink, const char* text) { sink.AppendLine(text, std::strlen(text)); }

} // namespace

std::unique_ptr<std::uint8_t[]> BlockSource::Allocate(std::uint32_t size) {
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[size]);
}

bool ShowBlockData(BlockSource& source, BlockDataWindow& window, HeldBlock& held, std::uint32_t processId,
                   std::uint32_t blockAddress, std::uint32_t blockSize) {
    window.ShowPanel(PANEL_HEAPNODES, kHideCommand);
    window.ShowPanel(PANEL_HEAPDATA, kShowCommand);
    window.ClearDumpLines();
    held.Release();
    held.m_searchPos = 0;
    window.SetSearchCaption(kFindCaption);

    if (blockSize > kMaxHeapDataSize) {
        AppendText(window, kSizeExceededLine);
        return false;
    }
    const std::unique_ptr<TargetMemory> target = source.Open(processId);
    if (!target) {
        AppendText(window, kOpenFailedLine);
        return false;
    }
    held.m_heapData = source.Allocate(blockSize);
    if (!held.m_heapData) {
        AppendText(window, kAllocationFailedLine);
        return false;
    }
    std::size_t bytesRead = 0;
    if (!target->Read(blockAddress, held.m_heapData.get(), blockSize, bytesRead)) {
        held.Release();
        AppendText(window, kReadFailedLine);
        return false;
    }
    // The count read never exceeds the room the copy has.
    held.m_heapDataSize = bytesRead < blockSize ? static_cast<std::uint32_t>(bytesRead) : blockSize;

    // The header line and an empty line before the dump, an empty line after.
    window.ReserveDumpLines(DumpLineCount(held.m_heapDataSize) + 3);
    const int nodeRow = window.FirstSelectedNodeRow();
    const std::uint32_t heapNodeAddress = nodeRow >= 0 ? ParseHexText(window.NodeRowText(nodeRow, kNodeColumnBase)) : 0;
    DumpHeaderText header;
    window.AppendLine(header, FormatDumpHeader(heapNodeAddress, blockAddress, blockSize, header));
    window.AppendLine("", 0);
    WriteDumpLines(held.m_heapData.get(), held.m_heapDataSize, window);
    window.AppendLine("", 0);
    window.SelectDumpLine(kFirstDumpLine);

    held.m_blockAddress = blockAddress;
    return true;
}

} // namespace corvane
