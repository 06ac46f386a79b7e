#include "ui/heap_listing.h"

#include "heap/wine_heaps_service.h"
#include "tests/support/synthetic_snapshot.h"
#include "ui/view_switch.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <map>
#include <new>
#include <utility>

namespace corvane {
namespace {

using testing::LaySnapshot;
using testing::SyntheticDebugService;
using testing::SyntheticHeap;
using testing::SyntheticMemory;

constexpr Address kBuffer = 0x00200000;
constexpr Address kHeapList = 0x00300000;
constexpr std::uint32_t kProcess = 4242;

// Records what the listings do to the window.
class FakeWindow : public HeapListWindow {
public:
    std::vector<std::vector<std::string>> nodeRows;
    std::vector<std::vector<std::string>> blockRows;
    std::vector<std::string> dumpLines = {"old line"};
    std::vector<std::pair<int, int>> panels;
    std::map<int, int> nodeWidths, blockWidths;
    std::vector<std::string> captions;
    std::vector<std::pair<std::string, MessageIcon>> messages;
    std::vector<std::int32_t> refreshes;
    int focused = 0;

    void ClearNodeRows() override { nodeRows.clear(); }
    void ClearBlockRows() override { blockRows.clear(); }
    void ClearDumpLines() override { dumpLines.clear(); }
    void ShowPanel(int panel, int command) override { panels.emplace_back(panel, command); }
    // The texts the lists would show for the rows, made as they make them.
    void ShowNodeRows(std::vector<HeapRecord> heaps, AddressWidth width) override {
        HeapNodeRow t;
        for (std::uint32_t i = 0; i < heaps.size(); ++i) {
            FormatHeapNodeRow(i, heaps[i], width, t);
            nodeRows.push_back({t.index, t.base, t.blockCount, t.committed, t.allocated, t.flags});
        }
    }
    void ShowBlockRows(std::vector<HeapBlockCursor> blocks, AddressWidth width) override {
        HeapBlockRow t;
        for (std::uint32_t i = 0; i < blocks.size(); ++i) {
            FormatHeapBlockRow(i, blocks[i], width, t);
            blockRows.push_back({t.index, t.address, t.size, t.allocationType, t.status});
        }
    }
    void SetNodeColumnWidth(int column, int width) override { nodeWidths[column] = width; }
    void SetBlockColumnWidth(int column, int width) override { blockWidths[column] = width; }
    std::string NodeRowText(int row, int column) override {
        if (row < 0 || static_cast<std::size_t>(row) >= nodeRows.size()) return "";
        return nodeRows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    }
    void SetBlockFrameCaption(const std::string& caption) override { captions.push_back(caption); }
    void FocusNodeList() override { ++focused; }
    void ShowMessage(const std::string& text, MessageIcon icon) override { messages.emplace_back(text, icon); }
    bool RefreshProcessList(std::int32_t wantedId) override {
        refreshes.push_back(wantedId);
        return true;
    }
};

SyntheticHeap HeapWithBlocks(Address base, std::uint32_t blocks, std::uint16_t flags = 0x0001) {
    SyntheticHeap heap;
    heap.record.base = base;
    heap.record.flags = 0x40000062;
    heap.record.entryOverhead = 8;
    heap.record.bytesAllocated = 0x2000;
    heap.record.bytesCommitted = 0x10000;
    heap.entries.push_back({0x1000, kEntrySegment, base + 0x580});
    for (std::uint32_t i = 0; i < blocks; ++i)
        heap.entries.push_back({0x20, flags, 0});
    heap.record.entryCount = static_cast<std::uint32_t>(heap.entries.size());
    return heap;
}

class Listing : public ::testing::Test {
protected:
    SyntheticMemory memory;
    SyntheticDebugService service{memory, HeapRecordLayout::Classic32, kBuffer};
    FakeWindow window;

    void Lay(const std::vector<SyntheticHeap>& heaps) {
        LaySnapshot(memory, HeapRecordLayout::Classic32, kBuffer, heaps.empty() ? 0 : kHeapList, heaps);
    }
    std::vector<SyntheticHeap> Heaps(std::uint32_t count) {
        std::vector<SyntheticHeap> heaps;
        for (std::uint32_t i = 0; i < count; ++i)
            heaps.push_back(HeapWithBlocks(0x00150000 + i * 0x100000, 2));
        return heaps;
    }
    void ExpectBufferReleased() { EXPECT_EQ(service.created, service.destroyed) << "every buffer is destroyed"; }
};

TEST_F(Listing, NodeRowsFromAFullSnapshot) {
    Lay({HeapWithBlocks(0x00150000, 3), HeapWithBlocks(0x00250000, 1)});
    window.blockRows = {{"stale"}};
    EXPECT_TRUE(ShowHeapNodes(service, window, kProcess));
    EXPECT_TRUE(window.dumpLines.empty());
    EXPECT_TRUE(window.blockRows.empty());
    EXPECT_EQ(window.panels,
              (std::vector<std::pair<int, int>>{{PANEL_HEAPNODES, kShowCommand}, {PANEL_HEAPDATA, kHideCommand}}));
    EXPECT_EQ(service.queriedFlags, std::vector<std::uint32_t>{0x14});
    EXPECT_EQ(service.queriedProcesses, std::vector<std::uint32_t>{kProcess});
    ASSERT_EQ(window.nodeRows.size(), 2u);
    EXPECT_EQ(window.nodeRows[0],
              (std::vector<std::string>{"1", "0x00150000", "4", "0x00010000", "0x00002000", "0x40000062"}));
    EXPECT_EQ(window.nodeRows[1][0], "2");
    EXPECT_EQ(window.nodeRows[1][2], "2");
    EXPECT_EQ(window.nodeWidths[5], 104);
    EXPECT_EQ(window.focused, 1);
    EXPECT_TRUE(window.messages.empty());
    ExpectBufferReleased();
}

TEST_F(Listing, FlagsColumnWidthByHeapCount) {
    Lay(Heaps(13));
    ShowHeapNodes(service, window, kProcess);
    EXPECT_EQ(window.nodeWidths[5], 104);

    SyntheticMemory more;
    LaySnapshot(more, HeapRecordLayout::Classic32, kBuffer, kHeapList, Heaps(14));
    SyntheticDebugService service14(more, HeapRecordLayout::Classic32, kBuffer);
    ShowHeapNodes(service14, window, kProcess);
    EXPECT_EQ(window.nodeRows.size(), 14u);
    EXPECT_EQ(window.nodeWidths[5], 88);
}

TEST_F(Listing, ProcessWithoutHeapsGivesAnEmptyListQuietly) {
    Lay({});
    EXPECT_TRUE(ShowHeapNodes(service, window, kProcess));
    EXPECT_TRUE(window.nodeRows.empty());
    EXPECT_EQ(window.nodeWidths[5], 104);
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(Listing, NoBufferForNodes) {
    Lay(Heaps(1));
    service.failCreate = true;
    EXPECT_FALSE(ShowHeapNodes(service, window, kProcess));
    EXPECT_EQ(window.messages,
              (std::vector<std::pair<std::string, MessageIcon>>{
                  {"Failed to create debug buffer for heap storage due to insufficient memory", MessageIcon::Error}}));
    EXPECT_EQ(window.panels.size(), 2u) << "node view shown before the buffer is made";
    EXPECT_TRUE(window.dumpLines.empty());
    EXPECT_TRUE(service.queriedFlags.empty());
}

TEST_F(Listing, SummaryQueryAfterAFailedFullQuery) {
    const auto at = LaySnapshot(memory, HeapRecordLayout::Classic32, kBuffer, kHeapList, Heaps(3));
    memory.Unmap(at.entryArrays[2]); // a summary has no entry arrays to check
    service.fullQueryStatus = 0xC0000001;
    EXPECT_TRUE(ShowHeapNodes(service, window, kProcess));
    EXPECT_EQ(window.messages, (std::vector<std::pair<std::string, MessageIcon>>{
                                   {"First level heap enumeration failed", MessageIcon::Plain}}));
    EXPECT_EQ(service.queriedFlags, (std::vector<std::uint32_t>{0x14, 0x04}));
    EXPECT_EQ(window.nodeRows.size(), 3u);
    ExpectBufferReleased();
}

TEST_F(Listing, BothQueriesFailing) {
    Lay(Heaps(3));
    service.fullQueryStatus = service.summaryQueryStatus = 0xC0000022;
    EXPECT_FALSE(ShowHeapNodes(service, window, kProcess));
    ASSERT_EQ(window.messages.size(), 2u);
    EXPECT_EQ(window.messages[1],
              (std::pair<std::string, MessageIcon>{"Second level heap enumeration failed", MessageIcon::Error}));
    EXPECT_TRUE(window.nodeRows.empty());
    EXPECT_EQ(service.destroyed, 1);
}

TEST_F(Listing, AProcessThatHasEndedIsReportedOnceAndTheProcessListRefreshed) {
    const std::pair<std::string, MessageIcon> ended{"The process has ended. The process list has been refreshed.",
                                                    MessageIcon::Information};
    // Ended before the query: some systems would still answer it.
    Lay(Heaps(3));
    service.endsAtRunningCheck = 1;
    EXPECT_FALSE(ShowHeapNodes(service, window, kProcess));
    EXPECT_EQ(window.messages, (std::vector<std::pair<std::string, MessageIcon>>{ended}));
    EXPECT_EQ(window.refreshes, std::vector<std::int32_t>{kProcess});
    EXPECT_TRUE(service.queriedFlags.empty());
    EXPECT_TRUE(window.nodeRows.empty());
    ExpectBufferReleased();

    // Ended while the query ran: no summary query, no second message.
    window = FakeWindow();
    service.runningChecks = 0;
    service.endsAtRunningCheck = 2;
    service.fullQueryStatus = service.summaryQueryStatus = 0xC000000D;
    EXPECT_FALSE(ShowHeapNodes(service, window, kProcess));
    EXPECT_EQ(window.messages, (std::vector<std::pair<std::string, MessageIcon>>{ended}));
    EXPECT_EQ(window.refreshes, std::vector<std::int32_t>{kProcess});
    EXPECT_EQ(service.queriedFlags, std::vector<std::uint32_t>{0x14});
    ExpectBufferReleased();

    window = FakeWindow();
    service.runningChecks = 0;
    EXPECT_FALSE(ShowHeapBlocks(service, window, 0, kProcess, 0x00150000));
    EXPECT_EQ(window.messages, (std::vector<std::pair<std::string, MessageIcon>>{ended}));
    EXPECT_EQ(window.refreshes, std::vector<std::int32_t>{kProcess});
}

TEST_F(Listing, A64BitSnapshotShowsWholeAddressesAndSizes) {
    SyntheticMemory wide;
    SyntheticHeap heap = HeapWithBlocks(0x00007ff612340000, 1);
    heap.record.bytesCommitted = 0x0000000123450000;
    heap.entries.push_back({0x100000010, 0x0001, 0});
    heap.record.entryCount = 3;
    LaySnapshot(wide, HeapRecordLayout::Native64, kBuffer, kHeapList, {heap});
    SyntheticDebugService service64(wide, HeapRecordLayout::Native64, kBuffer);
    EXPECT_TRUE(ShowHeapNodes(service64, window, kProcess));
    EXPECT_EQ(window.nodeRows,
              (std::vector<std::vector<std::string>>{
                  {"1", "0x00007ff612340000", "3", "0x0000000123450000", "0x0000000000002000", "0x40000062"}}));
    EXPECT_TRUE(ShowHeapBlocks(service64, window, 0, kProcess, 0x00007ff612340000));
    EXPECT_EQ(window.blockRows, (std::vector<std::vector<std::string>>{
                                    {"1", "0x00007ff612340588", "0x0000000000000020", "FIXED", "Allocated"},
                                    {"2", "0x00007ff6123405a8", "0x0000000100000010", "FIXED", "Allocated"}}));
    EXPECT_TRUE(ShowHeapBlocks(service64, window, 0, kProcess, 0x12340000));
    EXPECT_TRUE(window.blockRows.empty()) << "a base that matches only in its low 32 bits is another heap";
}

class FakeWineHeapReader : public WineHeapReader {
public:
    bool applies = true;
    bool outOfMemory = false;
    WineHeapSnapshot snapshot;
    int reads = 0;
    bool Applies() const override { return applies; }
    WineHeapSnapshot Read(std::uint32_t) override {
        ++reads;
        if (outOfMemory) throw std::bad_alloc();
        return snapshot;
    }
};

// The buffers the service lays out lie in this program's memory: a 64-bit
// test program needs the 64-bit record layout, as the 64-bit edition has.
class WineHeapsListing : public Listing {
protected:
    SyntheticMemory wide;
    SyntheticDebugService platform{wide, HeapRecordLayout::Native64, kBuffer};
    FakeWineHeapReader wineHeaps;
    WineHeapsService wineHeapsService{platform, wineHeaps};
    void LayPlatform(const std::vector<SyntheticHeap>& heaps) {
        wide = SyntheticMemory();
        LaySnapshot(wide, HeapRecordLayout::Native64, kBuffer, heaps.empty() ? 0 : kHeapList, heaps);
    }
};

TEST_F(WineHeapsListing, HeapsTheQueryDoesNotReportAreReadFromWinesOwnStructuresAndListedTheSameWay) {
    LayPlatform({});
    wineHeaps.snapshot.heaps = {HeapWithBlocks(0x00150000, 3)};
    wineHeaps.snapshot.brokenHeaps = {{0x00250000, "Heap 2 at 0x250000 is left out: its header is not a heap's."}};

    EXPECT_TRUE(ShowHeapNodes(wineHeapsService, window, kProcess));
    EXPECT_EQ(window.nodeRows,
              (std::vector<std::vector<std::string>>{
                  {"1", "0x0000000000150000", "4", "0x0000000000010000", "0x0000000000002000", "0x40000062"}}));
    EXPECT_EQ(window.messages, (std::vector<std::pair<std::string, MessageIcon>>{
                                   {"Some heaps of this process could not be read and are not listed:\n"
                                    "Heap 2 at 0x250000 is left out: its header is not a heap's.",
                                    MessageIcon::Warning}}));
    EXPECT_TRUE(ShowHeapBlocks(wineHeapsService, window, 0, kProcess, 0x00150000));
    EXPECT_EQ(window.blockRows.size(), 3u);
    EXPECT_EQ(window.blockRows[0][1], "0x0000000000150588");
    window.messages.clear();
    ShowHeapBlocks(wineHeapsService, window, 0, kProcess, 0x00250000);
    EXPECT_EQ(window.messages.size(), 1u) << "the heap that could not be read says so when chosen";
    EXPECT_EQ(platform.created, platform.destroyed) << "each buffer goes with the platform's";

    // Many heaps left out: the first ten are named, the rest counted.
    wineHeaps.snapshot.brokenHeaps.assign(25, wineHeaps.snapshot.brokenHeaps[0]);
    window.messages.clear();
    ShowHeapNodes(wineHeapsService, window, kProcess);
    ASSERT_EQ(window.messages.size(), 1u);
    const std::string& text = window.messages[0].first;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11);
    EXPECT_EQ(text.substr(text.rfind('\n')), "\n... and 15 more.");

    // None could be read: the block list's frame says so.
    wineHeaps.snapshot = WineHeapSnapshot{};
    wineHeaps.snapshot.unreadable = "This system's heaps cannot be read.";
    ShowHeapNodes(wineHeapsService, window, kProcess);
    EXPECT_TRUE(window.nodeRows.empty());
    EXPECT_EQ(window.captions.back(), "Heap Blocks List - This system's heaps cannot be read.");

    // Heaps too large to hold are said in the same place, not thrown.
    wineHeaps.outOfMemory = true;
    ShowHeapNodes(wineHeapsService, window, kProcess);
    EXPECT_TRUE(window.nodeRows.empty());
    EXPECT_EQ(window.captions.back(), "Heap Blocks List - The heaps of this process cannot be read: they need more "
                                      "memory than is free here.");
}

TEST_F(WineHeapsListing, ThePlatformsOwnHeapsStandAndWinesHeapsAreOnlyReadWhereTheyApply) {
    wineHeaps.snapshot.heaps = {HeapWithBlocks(0x00990000, 1)};
    LayPlatform(Heaps(2));
    ShowHeapNodes(wineHeapsService, window, kProcess);
    EXPECT_EQ(window.nodeRows.size(), 2u);
    EXPECT_EQ(wineHeaps.reads, 0);

    LayPlatform({});
    wineHeaps.applies = false;
    ShowHeapNodes(wineHeapsService, window, kProcess);
    EXPECT_TRUE(window.nodeRows.empty());
    EXPECT_EQ(wineHeaps.reads, 0) << "not a system whose heaps it knows";
}

TEST_F(Listing, MalformedSnapshotIsReportedNotListed) {
    Lay(Heaps(2));
    memory.Put32(kHeapList, 5000);
    EXPECT_FALSE(ShowHeapNodes(service, window, kProcess));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].second, MessageIcon::Error);
    EXPECT_EQ(window.messages[0].first.rfind("Failed to read the heap information of the process: ", 0), 0u)
        << window.messages[0].first;
    EXPECT_TRUE(window.nodeRows.empty());
    ExpectBufferReleased();
}

class BlockListing : public Listing {
protected:
    // Fills the node list first, as the user does, then lists one heap.
    bool ListBlocks(int nodeRow, std::uint32_t base) {
        ShowHeapNodes(service, window, kProcess);
        window.captions.clear();
        return ShowHeapBlocks(service, window, nodeRow, kProcess, base);
    }
};

TEST_F(BlockListing, RowsOfTheChosenHeap) {
    SyntheticHeap heap = HeapWithBlocks(0x00250000, 0);
    heap.entries.push_back({0x20, 0x0001, 0});
    heap.entries.push_back({0x30, 0x0020, 0});
    heap.entries.push_back({0x40, 0x0100, 0});
    heap.entries.push_back({0x50, 0x0000, 0});
    heap.record.entryCount = 5;
    Lay({HeapWithBlocks(0x00150000, 7), heap});
    EXPECT_TRUE(ListBlocks(1, 0x00250000));
    EXPECT_EQ(window.blockRows, (std::vector<std::vector<std::string>>{
                                    {"1", "0x00250588", "0x00000020", "FIXED", "Allocated"},
                                    {"2", "0x002505a8", "0x00000030", "MOVEABLE", "Allocated"},
                                    {"3", "0x002505d8", "0x00000040", "Not applicable", "Free"},
                                    {"4", "0x00250618", "0x00000050", "Not applicable", "Free"},
                                }));
    EXPECT_EQ(window.captions, std::vector<std::string>{"Heap Blocks List"});
    EXPECT_EQ(window.blockWidths[4], 147) << "the node row counts 5 entries";
    ExpectBufferReleased();
}

TEST_F(BlockListing, StatusColumnWidthFromTheNodeRowText) {
    Lay({HeapWithBlocks(0x00150000, 10), HeapWithBlocks(0x00250000, 11)}); // 11 and 12 entries
    ListBlocks(0, 0x00150000);
    EXPECT_EQ(window.blockWidths[4], 147);
    ListBlocks(1, 0x00250000);
    EXPECT_EQ(window.blockWidths[4], 130);
    window.nodeRows[1][2] = "lots";
    window.captions.clear();
    ShowHeapBlocks(service, window, 1, kProcess, 0x00250000);
    EXPECT_EQ(window.blockWidths[4], 147) << "unparseable counts as 0";
}

// A clock that moves on by a given step each time it is read.
std::uint64_t g_now = 0;
std::uint64_t g_step = 0;
std::uint64_t SteppingClock() { return g_now += g_step; }

TEST_F(BlockListing, ProgressShowsEveryTwentyFiveRowsOnceAWalkHasRunForFiftyMilliseconds) {
    Lay({HeapWithBlocks(0x00150000, 24), HeapWithBlocks(0x00250000, 25), HeapWithBlocks(0x00350000, 101)});
    ShowHeapNodes(service, window, kProcess);
    auto walk = [&](int row, Address base, std::uint64_t step) {
        window.captions.clear();
        g_step = step;
        ShowHeapBlocks(service, window, row, kProcess, base, &SteppingClock);
        return window.captions;
    };
    EXPECT_EQ(walk(0, 0x00150000, 100), std::vector<std::string>{"Heap Blocks List"}) << "no 25th row";
    EXPECT_EQ(walk(1, 0x00250000, 100),
              (std::vector<std::string>{"Heap Blocks List - Processing 25 of 26 blocks...", "Heap Blocks List"}));
    EXPECT_EQ(walk(2, 0x00350000, 30),
              (std::vector<std::string>{"Heap Blocks List - Processing 50 of 102 blocks...",
                                        "Heap Blocks List - Processing 100 of 102 blocks...", "Heap Blocks List"}))
        << "at most every 50 ms";
    EXPECT_EQ(walk(2, 0x00350000, 0), std::vector<std::string>{"Heap Blocks List"}) << "a walk too quick to see";
    EXPECT_EQ(window.blockRows.size(), 101u);
}

TEST_F(BlockListing, HeapThatIsGoneGivesAnEmptyList) {
    Lay(Heaps(2));
    EXPECT_TRUE(ListBlocks(0, 0x12340000));
    EXPECT_TRUE(window.blockRows.empty());
    EXPECT_EQ(window.captions, std::vector<std::string>{"Heap Blocks List"});
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(BlockListing, OnlyTheFirstHeapWithTheBaseIsWalked) {
    Lay({HeapWithBlocks(0x00150000, 2), HeapWithBlocks(0x00150000, 5)});
    ListBlocks(0, 0x00150000);
    EXPECT_EQ(window.blockRows.size(), 2u);
}

TEST_F(BlockListing, NoBufferLeavesWidthsAndCaptionAlone) {
    Lay(Heaps(1));
    ShowHeapNodes(service, window, kProcess);
    window.blockRows = {{"stale"}};
    window.blockWidths.clear();
    window.captions.clear();
    service.failCreate = true;
    EXPECT_FALSE(ShowHeapBlocks(service, window, 0, kProcess, 0x00150000));
    EXPECT_TRUE(window.blockRows.empty());
    EXPECT_TRUE(window.blockWidths.empty());
    EXPECT_TRUE(window.captions.empty());
    EXPECT_EQ(window.messages.back(), (std::pair<std::string, MessageIcon>{
                                          "Failed to create debug buffer for heap storage", MessageIcon::Error}));
}

TEST_F(BlockListing, FailedQueryReportsTheStatusItReturned) {
    Lay(Heaps(1));
    ShowHeapNodes(service, window, kProcess);
    service.fullQueryStatus = 0xC0000005;
    EXPECT_FALSE(ShowHeapBlocks(service, window, 0, kProcess, 0x00150000));
    EXPECT_EQ(window.messages.back().first, "Failed to query process heap information, error = 0xc0000005");
    EXPECT_TRUE(window.refreshes.empty()) << "the process still runs";
    EXPECT_EQ(service.queriedFlags.back(), 0x14u) << "no summary-only fallback for blocks";
    ExpectBufferReleased();
}

TEST_F(BlockListing, UnreadableEntriesOfTheChosenHeap) {
    const auto at = LaySnapshot(memory, HeapRecordLayout::Classic32, kBuffer, kHeapList, Heaps(2));
    ShowHeapNodes(service, window, kProcess);
    memory.Unmap(at.entryArrays[1]);
    EXPECT_FALSE(ShowHeapBlocks(service, window, 1, kProcess, 0x00250000));
    EXPECT_TRUE(window.blockRows.empty());
    EXPECT_EQ(window.messages.back().second, MessageIcon::Error);
    EXPECT_EQ(window.captions.back(), "Heap Blocks List");
    ExpectBufferReleased();
}

} // namespace
} // namespace corvane
