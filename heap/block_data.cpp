#include "heap/block_data.h"

#include "heap/row_text.h"
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

namespace {

constexpr int kNodeColumnBase = 1;
constexpr int kFirstDumpLine = 2;

void AppendText(DumpLineSink& sink, const char* text) { sink.AppendLine(text, std::strlen(text)); }

void AppendUnreadableNumber(DumpLineSink& sink, const char* column, std::string_view text) {
    AppendText(sink, ("ERROR : " + UnreadableNumberText(column, text)).c_str());
}

// The data view, emptied, with no copy held and the search starting afresh.
void EnterDataView(BlockDataWindow& window, HeldBlock& held) {
    window.ShowPanel(PANEL_HEAPNODES, kHideCommand);
    window.ShowPanel(PANEL_HEAPDATA, kShowCommand);
    window.ClearDumpLines();
    held.Release();
    held.m_searchPos = 0;
    window.SetSearchCaption(kFindCaption);
}

} // namespace

std::unique_ptr<std::uint8_t[]> BlockSource::Allocate(std::uint32_t size) {
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[size]);
}

bool ShowBlockData(BlockSource& source, BlockDataWindow& window, HeldBlock& held, std::uint32_t processId,
                   Address blockAddress, std::uint64_t blockSize) {
    EnterDataView(window, held);

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
        const std::string text = window.NodeRowText(nodeRow, kNodeColumnBase);
        const std::optional<std::uint64_t> address = ParseHexNumber(text, width);
        if (!address) {
            held.Release();
            AppendUnreadableNumber(window, "Node Base Address", text);
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
                    std::string_view addressText, std::string_view sizeText) {
    const std::optional<std::uint64_t> address = ParseHexNumber(addressText, source.Width());
    const std::optional<std::uint64_t> size = ParseHexNumber(sizeText, source.Width());
    if (address && size) return ShowBlockData(source, window, held, processId, *address, *size);
    EnterDataView(window, held);
    if (!address)
        AppendUnreadableNumber(window, "Block Address", addressText);
    else
        AppendUnreadableNumber(window, "Block Size", sizeText);
    return false;
}

} // namespace corvane
