// The heap map through the main window, with the program's own services,
// over the sample's text heap: its colours on screen, the block under the
// pointer, a click that shows the block, the wheel, the figures, resizing,
// and nothing left behind by opening and closing it.

#include "app/platform_win32.h"
#include "heap/heap_snapshot.h"
#include "res/resource.h"
#include "tests/support/piped_child_win32.h"
#include "tests/win32/block_helper.h"
#include "tests/win32/framework_test_support.h"
#include "tests/win32/main_window_fixture.h"
#include "ui/heap_map.h"
#include "ui/heap_rows.h"
#include "ui/win32/corvane_dialog_win32.h"
#include "ui/win32/heap_map_dialog_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <map>
#include <string>

namespace corvane::testing {
namespace {

constexpr std::uint64_t kLargeBlockSize = 0x100000, kEveryByteSize = 0x100;

class HeapMapWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sample.started()) << SamplePath();
        ASSERT_EQ(sample.ReadLine().rfind("corvane_sample: process ", 0), 0u);
        // The text heap holds the large block; its block of every byte value
        // is one the sample allocated and kept.
        std::map<Address, Address> heapOfData;
        Address heap = 0, large = 0;
        for (std::string line = sample.ReadLine(); !line.empty() && line != "end"; line = sample.ReadLine()) {
            unsigned long long a = 0, b = 0;
            if (std::sscanf(line.c_str(), "heap %llx", &a) == 1) heap = a;
            if (std::sscanf(line.c_str(), "entry %*x %llx", &a) == 1) heapOfData[a] = heap;
            if (std::sscanf(line.c_str(), "allocation %llx %llx", &a, &b) == 2 && b == kLargeBlockSize) large = a;
            if (std::sscanf(line.c_str(), "allocation %llx %llx", &a, &b) == 2 && b == kEveryByteSize) busyAddress = a;
        }
        textHeap = heapOfData[large];
        ASSERT_NE(textHeap, 0u);
        ASSERT_NE(busyAddress, 0u);

        ASSERT_TRUE(ShowTestDialog(dialog));
        ASSERT_NO_FATAL_FAILURE(PickListedProcess(hwnd(), "corvane_sample.exe", sample.id()));
        const HWND nodes = item(IDC_NODE_LIST);
        for (int row = 0; row < ListRowCount(nodes); ++row)
            if (ListCell(nodes, row, NodeColumn::Base) == RowHex(textHeap)) SelectListRow(hwnd(), nodes, row);
        const HWND blocks = item(IDC_BLOCK_LIST);
        ASSERT_GT(ListRowCount(blocks), 0) << "the text heap is listed";
        // The busy block, and the largest free block, as the block list shows them.
        std::uint64_t largestFree = 0;
        for (int row = 0; row < ListRowCount(blocks); ++row) {
            const std::uint64_t size = std::stoull(ListCell(blocks, row, BlockColumn::Size), nullptr, 16);
            if (ListCell(blocks, row, BlockColumn::Address) == RowHex(busyAddress)) busyRow = row;
            if (ListCell(blocks, row, BlockColumn::Status) == "Free" && size > largestFree) {
                largestFree = size;
                freeRow = row;
            }
        }
        ASSERT_GE(busyRow, 0);
        ASSERT_GE(freeRow, 0);
        ASSERT_TRUE(boxes.calls.empty()) << boxes.calls.front().text;
    }
    void TearDown() override { dialog.DestroyWindow(); }

    HWND hwnd() const { return dialog.GetSafeHwnd(); }
    HWND item(int id) const { return ::GetDlgItem(hwnd(), id); }
    // The block's index in the walk, as its row numbers it from 1.
    std::size_t BlockIndex(int row) const { return std::stoul(ListCell(item(IDC_BLOCK_LIST), row, 0)) - 1; }

    HWND OpenMap() {
        ::SendMessageA(hwnd(), WM_COMMAND, MAKEWPARAM(ID_BLOCK_HEAP_MAP, 0), 0);
        PumpMessages(hwnd());
        map = ::FindWindowA(nullptr, "Heap Map");
        view = map ? dynamic_cast<CHeapMapView*>(CWnd::FromHandle(::GetDlgItem(map, IDC_MAP_AREA))) : nullptr;
        return map;
    }
    void CloseMap() {
        ::SendMessageA(map, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        PumpMessages(hwnd());
        EXPECT_FALSE(::IsWindow(map));
    }
    const HeapMapLayout& Layout() const { return *view->Layout(); }
    // The middle pixel of the block's span, in the map's client coordinates.
    POINT PixelOf(std::size_t block) const {
        const PixelSpan span = Layout().BlockPixels(block);
        EXPECT_GE(span.end - span.first, 3u) << "block " << block << " has pixels of its own";
        const std::uint64_t middle = (span.first + span.end) / 2;
        const auto width = static_cast<std::uint64_t>(Layout().width());
        return {static_cast<LONG>(middle % width), static_cast<LONG>(middle / width)};
    }
    void Mouse(UINT message, POINT at) const {
        ::SendMessageA(view->GetSafeHwnd(), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(at.x, at.y));
        PumpMessages(hwnd());
    }
    void Wheel(POINT at, int delta) const {
        ::ClientToScreen(view->GetSafeHwnd(), &at);
        ::SendMessageA(map, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(at.x, at.y));
        PumpMessages(hwnd());
    }
    // The block list's row under its headings, as the hover line reads.
    std::string LabelledRow(int row) const {
        std::string text;
        for (const ListColumn& column : kBlockColumns)
            text += (text.empty() ? "" : "   ") + std::string(column.heading) + ": " +
                    ListCell(item(IDC_BLOCK_LIST), row, column.column);
        return text;
    }
    std::string HoverText() const { return WindowText(::GetDlgItem(map, IDC_MAP_HOVER)); }

    PipedChild sample{SamplePath(), "--report"};
    Win32Platform platform;
    MessageBoxRecorder boxes{IDOK};
    CCorvaneDlg dialog{platform};
    Address textHeap = 0, busyAddress = 0;
    int busyRow = -1, freeRow = -1;
    HWND map = nullptr;
    CHeapMapView* view = nullptr; // not owned; the map's
};

TEST_F(HeapMapWindow, ShowsBusyAndFreeBlocksInTheirColoursOnScreenAndTheFiguresOfTheHeap) {
    ASSERT_NE(OpenMap(), nullptr);
    ASSERT_NE(view, nullptr);
    ASSERT_NE(view->Layout(), nullptr);
    ::UpdateWindow(map);
    const Pixels screen = CaptureScreen(map);
    screen.SaveBmp(OutputPath("heap_map.bmp"));
    RECT frame = {};
    ::GetWindowRect(map, &frame);
    const auto colourAt = [&](std::size_t block) {
        POINT at = PixelOf(block);
        ::ClientToScreen(view->GetSafeHwnd(), &at);
        return screen.At(at.x - frame.left, at.y - frame.top);
    };
    EXPECT_EQ(colourAt(BlockIndex(busyRow)), MapColorRef(MapKindColour(MapKind::Busy)));
    EXPECT_EQ(colourAt(BlockIndex(freeRow)), MapColorRef(MapKindColour(MapKind::Free)));

    // The figures are those of the heap as a fresh snapshot has it.
    HeapSnapshot snapshot;
    std::string error;
    ASSERT_EQ(TakeHeapSnapshot(platform.DebugInfo(), sample.id(), snapshot, error), SnapshotResult::Taken) << error;
    for (const SnapshotHeap& heap : snapshot.heaps)
        if (heap.record.base == textHeap) {
            const std::vector<MapBlock> blocks = MapBlocks(heap);
            EXPECT_EQ(WindowText(::GetDlgItem(map, IDC_MAP_FIGURES)),
                      MapFiguresText(MapFigures(blocks, MapRegions(blocks))));
        }
    CloseMap();
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(HeapMapWindow, TheBlockUnderThePointerShowsItsRowAndAClickShowsItsDump) {
    ASSERT_NE(OpenMap(), nullptr);
    const POINT busy = PixelOf(BlockIndex(busyRow));
    Mouse(WM_MOUSEMOVE, busy);
    EXPECT_EQ(HoverText(), LabelledRow(busyRow));
    Mouse(WM_MOUSEMOVE, PixelOf(BlockIndex(freeRow)));
    EXPECT_EQ(HoverText(), LabelledRow(freeRow));
    // The row between two bands holds no block.
    ASSERT_GE(Layout().bands().size(), 2u);
    Mouse(WM_MOUSEMOVE, {0, Layout().bands()[1].top - 1});
    EXPECT_EQ(HoverText(), "");

    Mouse(WM_LBUTTONDOWN, busy);
    Mouse(WM_LBUTTONUP, busy);
    EXPECT_FALSE(::IsWindow(map));
    char line[256] = {};
    ::SendMessageA(item(IDC_DATA_LIST), LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
    EXPECT_NE(std::string(line).find("Block Address=" + RowHex(busyAddress) + ","), std::string::npos) << line;
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(HeapMapWindow, TheWheelZoomsIntoTheAddressesUnderThePointerAndOutAgain) {
    ASSERT_NE(OpenMap(), nullptr);
    const std::string figures = WindowText(::GetDlgItem(map, IDC_MAP_FIGURES));
    const std::uint64_t whole = Layout().bytesPerPixel();
    const AddressRange all = view->Shown();
    const POINT busy = PixelOf(BlockIndex(busyRow));
    Wheel(busy, 2 * WHEEL_DELTA);
    EXPECT_LT(Layout().bytesPerPixel(), whole);
    EXPECT_LT(view->Shown().Bytes(), all.Bytes());
    EXPECT_EQ(Layout().BlockAt(busy.x, busy.y), BlockIndex(busyRow)) << "the block stays under the pointer";
    EXPECT_EQ(WindowText(::GetDlgItem(map, IDC_MAP_FIGURES)), figures) << "the figures stay the whole heap's";
    CaptureScreen(map).SaveBmp(OutputPath("heap_map_zoomed.bmp"));
    Wheel(busy, -2 * WHEEL_DELTA);
    EXPECT_EQ(Layout().bytesPerPixel(), whole);
    EXPECT_EQ(view->Shown().begin, all.begin);
    EXPECT_EQ(view->Shown().end, all.end);
    CloseMap();
}

TEST_F(HeapMapWindow, AResizeLaysTheMapOutForTheNewSizeAndKeepsTheCloseButtonInTheCorner) {
    ASSERT_NE(OpenMap(), nullptr);
    const std::uint64_t before = Layout().bytesPerPixel();
    RECT frame = {}, client = {}, close = {};
    ::GetWindowRect(map, &frame);
    const auto closeCorner = [&] {
        ::GetClientRect(map, &client);
        ::GetWindowRect(::GetDlgItem(map, IDCANCEL), &close);
        ::MapWindowPoints(nullptr, map, reinterpret_cast<POINT*>(&close), 2);
        return POINT{client.right - close.right, client.bottom - close.bottom};
    };
    const POINT corner = closeCorner();
    ::SetWindowPos(map, nullptr, 0, 0, frame.right - frame.left + 240, frame.bottom - frame.top + 160,
                   SWP_NOMOVE | SWP_NOZORDER);
    PumpMessages(hwnd());
    RECT area = {};
    ::GetClientRect(view->GetSafeHwnd(), &area);
    EXPECT_EQ(Layout().width(), area.right);
    EXPECT_EQ(Layout().height(), area.bottom);
    EXPECT_LT(Layout().bytesPerPixel(), before);
    const POINT moved = closeCorner();
    EXPECT_EQ(moved.x, corner.x);
    EXPECT_EQ(moved.y, corner.y);
    // The hover still finds the blocks in the new layout.
    Mouse(WM_MOUSEMOVE, PixelOf(BlockIndex(busyRow)));
    EXPECT_EQ(HoverText(), LabelledRow(busyRow));
    ::UpdateWindow(map);
    CaptureScreen(map).SaveBmp(OutputPath("heap_map_resized.bmp"));

    // No smaller than its least size.
    ::SetWindowPos(map, nullptr, 0, 0, 60, 40, SWP_NOMOVE | SWP_NOZORDER);
    PumpMessages(hwnd());
    ::GetClientRect(map, &client);
    EXPECT_GT(client.right, 300);
    EXPECT_GT(client.bottom, 150);
    CloseMap();
}

TEST_F(HeapMapWindow, AHeapOfManyBlocksIsDrawnWholeAndTheBlockUnderThePointerIsFound) {
    ASSERT_TRUE(sample.WriteLine("many"));
    unsigned long long many = 0;
    for (std::string line = sample.ReadLine(); !line.empty() && line != "end"; line = sample.ReadLine())
        std::sscanf(line.c_str(), "many-heap %llx", &many);
    ASSERT_NE(many, 0u);
    ASSERT_NO_FATAL_FAILURE(PickListedProcess(hwnd(), "corvane_sample.exe", sample.id()));
    const HWND nodes = item(IDC_NODE_LIST), blocks = item(IDC_BLOCK_LIST);
    for (int row = 0; row < ListRowCount(nodes); ++row)
        if (ListCell(nodes, row, NodeColumn::Base) == RowHex(many)) SelectListRow(hwnd(), nodes, row);
    ASSERT_GE(ListRowCount(blocks), 85715) << "the heap of many blocks is listed, its busy ones at least";

    ASSERT_NE(OpenMap(), nullptr);
    ASSERT_NE(view->Layout(), nullptr);
    EXPECT_TRUE(Layout().complete()) << "every region fits";
    // A busy block in the middle of the heap, at the last pixel its span
    // has: the pixel shows it, and the line under the map gives its row.
    int row = ListRowCount(blocks) / 2;
    while (ListCell(blocks, row, BlockColumn::Status) != "Allocated")
        ++row;
    const PixelSpan span = Layout().BlockPixels(BlockIndex(row));
    ASSERT_FALSE(span.Empty());
    const auto width = static_cast<std::uint64_t>(Layout().width());
    const POINT at{static_cast<LONG>((span.end - 1) % width), static_cast<LONG>((span.end - 1) / width)};
    Mouse(WM_MOUSEMOVE, at);
    EXPECT_EQ(HoverText(), LabelledRow(row));
    CaptureScreen(map).SaveBmp(OutputPath("heap_map_many_blocks.bmp"));
    CloseMap();
}

TEST_F(HeapMapWindow, OpenedAndClosedAgainAndAgainKeepsNoMemoryOrGdiObjects) {
    const auto openAndClose = [&](int times) {
        for (int i = 0; i < times; ++i) {
            ASSERT_NE(OpenMap(), nullptr);
            CloseMap();
        }
    };
    ExpectNothingAccumulates(openAndClose, 3, 30);
    EXPECT_TRUE(boxes.calls.empty());
}

} // namespace
} // namespace corvane::testing
