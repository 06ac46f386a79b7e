#include "ui/heap_tools.h"

#include "heap/row_text.h"

#include <cstdio>

namespace corvane {

std::string GroupedDecimal(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, 1, ',');
    return digits;
}

std::string Mebibytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

std::string BlocksAndBytes(std::uint64_t blocks, std::uint64_t bytes) {
    return GroupedDecimal(blocks) + (blocks == 1 ? " block, " : " blocks, ") + GroupedDecimal(bytes) +
           (bytes == 1 ? " byte" : " bytes");
}

std::string BaselineSetText(const HeapSnapshot& snapshot) {
    BusyTotals busy;
    for (const SnapshotHeap& heap : snapshot.heaps) {
        const BusyTotals ofHeap = CountBusyBlocks(heap.blocks);
        busy.blocks += ofHeap.blocks;
        busy.bytes = AddBytes(busy.bytes, ofHeap.bytes);
    }
    return "Baseline set for process " + std::to_string(snapshot.processId) + ": " +
           GroupedDecimal(snapshot.heaps.size()) + (snapshot.heaps.size() == 1 ? " heap, " : " heaps, ") +
           GroupedDecimal(busy.blocks) + " blocks in use, " + GroupedDecimal(busy.bytes) +
           " bytes.\nCompare with it later from this list's menu.";
}

std::string HeapNotListedText(Address heapBase, AddressWidth width) {
    HexText base;
    FormatHex(heapBase, width, base);
    return std::string("The heap at ") + base + " is not in the heap list any more.";
}

std::string BlockNotListedText(Address address, AddressWidth width) {
    HexText text;
    FormatHex(address, width, text);
    return std::string("The heap no longer has a block at ") + text + ".";
}

namespace {

template <std::size_t N> void CopyText(const std::string& text, char (&to)[N]) {
    std::snprintf(to, N, "%s", text.c_str());
}

} // namespace

std::vector<ChangeRow> ChangeRows(const SnapshotDifference& difference) {
    std::vector<ChangeRow> rows;
    for (const HeapChanges& heap : difference.heaps) {
        for (const HeapBlockCursor& block : heap.added)
            rows.push_back({heap.base, true, block});
        for (const HeapBlockCursor& block : heap.gone)
            rows.push_back({heap.base, false, block});
    }
    return rows;
}

void FormatSizeText(std::uint64_t size, AddressWidth width, SizeText& text) {
    HexText hex;
    FormatHex(size, width, hex);
    std::snprintf(text, sizeof text, "%s (%s)", hex, GroupedDecimal(size).c_str());
}

void FormatChangeRow(std::uint32_t, const ChangeRow& row, AddressWidth width, ChangeRowTexts& texts) {
    FormatHex(row.heapBase, width, texts.heap);
    texts.change = row.added ? "New" : "Gone";
    FormatHex(row.block.address, width, texts.address);
    FormatSizeText(row.block.size, width, texts.size);
}

std::string DifferenceSummary(const SnapshotDifference& difference) {
    if (difference.addedCount == 0 && difference.goneCount == 0)
        return "No block in use has come or gone since the baseline.";
    return "New since the baseline: " + BlocksAndBytes(difference.addedCount, difference.addedBytes) +
           ". Gone: " + BlocksAndBytes(difference.goneCount, difference.goneBytes) +
           ".\nDouble-click a new block to see its data.";
}

std::vector<StatisticsRow> StatisticsRows(const SizeStatistics& statistics) {
    std::vector<StatisticsRow> rows;
    rows.reserve(statistics.rows.size() + 1);
    for (const SizeRow& row : statistics.rows)
        rows.push_back({false, row});
    StatisticsRow free;
    free.free = true;
    free.sizes.count = statistics.freeCount;
    free.sizes.totalBytes = statistics.freeBytes;
    rows.push_back(free);
    return rows;
}

void FormatStatisticsRow(std::uint32_t, const StatisticsRow& row, AddressWidth width, StatisticsRowTexts& texts) {
    if (row.free)
        std::snprintf(texts.size, sizeof texts.size, "%s", "Free blocks");
    else
        FormatSizeText(row.sizes.size, width, texts.size);
    CopyText(GroupedDecimal(row.sizes.count), texts.count);
    CopyText(GroupedDecimal(row.sizes.totalBytes), texts.bytes);
    if (row.free)
        texts.share[0] = '\0';
    else
        std::snprintf(texts.share, sizeof texts.share, "%.1f%%", row.sizes.share * 100.0);
}

std::string StatisticsSummary(Address heapBase, AddressWidth width, const SizeStatistics& statistics) {
    HexText base;
    FormatHex(heapBase, width, base);
    return std::string("Heap ") + base + ": " + BlocksAndBytes(statistics.busyCount, statistics.busyBytes) +
           " in use in " + GroupedDecimal(statistics.rows.size()) + " sizes; " +
           BlocksAndBytes(statistics.freeCount, statistics.freeBytes) + " free.";
}

namespace {

std::string Matches(std::size_t matches) { return GroupedDecimal(matches) + (matches == 1 ? " match" : " matches"); }

} // namespace

std::string SearchScopeText(std::uint64_t blocks, std::uint64_t bytesInUse) {
    return "Searches the " + GroupedDecimal(blocks) + " blocks in use of this heap: " + Mebibytes(bytesInUse) +
           " in use.";
}

std::string SearchProgressText(const SearchProgress& progress) {
    std::string text;
    switch (progress.state) {
    case SearchState::Running:
        text = "Searching... " + Mebibytes(progress.bytesSearched) + " of " + Mebibytes(progress.bytesTotal) + ", " +
               Matches(progress.matches) + ".";
        break;
    case SearchState::Done:
        text = "Done: " + Mebibytes(progress.bytesSearched) + " searched, " + Matches(progress.matches) + ".";
        break;
    case SearchState::Stopped:
        text = "Stopped after " + Mebibytes(progress.bytesSearched) + " of " + Mebibytes(progress.bytesTotal) + ", " +
               Matches(progress.matches) + ".";
        break;
    }
    if (progress.capped) text += " The search stops at this many matches.";
    if (progress.unreadableBlocks)
        text += " " + GroupedDecimal(progress.unreadableBlocks) +
                (progress.unreadableBlocks == 1 ? " block could not be read." : " blocks could not be read.");
    if (progress.unreadableBytes) text += " " + Mebibytes(progress.unreadableBytes) + " could not be read.";
    return text;
}

void FormatHitRow(std::uint32_t, const SearchHit& hit, AddressWidth width, HitRowTexts& texts) {
    std::snprintf(texts.index, sizeof texts.index, "%u", static_cast<unsigned>(hit.blockIndex + 1));
    FormatHex(hit.blockAddress, width, texts.address);
    FormatSizeText(hit.offset, width, texts.offset);
    CopyText(hit.context, texts.text);
}

} // namespace corvane
