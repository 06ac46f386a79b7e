// The watch through the main window, with the program's own services, over
// the sample target: growth seen between two samples, the lists' and the
// samples' exports, pausing, the end of the process, and nothing kept by a
// watch opened and closed while it samples.

#include "app/platform_win32.h"
#include "heap/heap_snapshot.h"
#include "res/resource.h"
#include "tests/support/piped_child_win32.h"
#include "tests/win32/block_helper.h"
#include "tests/win32/framework_test_support.h"
#include "tests/win32/main_window_fixture.h"
#include "ui/heap_rows.h"
#include "ui/heap_tools.h"
#include "ui/watch_rows.h"
#include "ui/win32/corvane_dialog_win32.h"
#include "ui/win32/watch_chart_win32.h"
#include "ui/win32/watch_dialog_win32.h"

#include <gtest/gtest.h>

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace corvane::testing {
namespace {

class WatchWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sample.started()) << SamplePath();
        ASSERT_EQ(sample.ReadLine().rfind("corvane_sample: process ", 0), 0u);
        for (std::string line = sample.ReadLine(); !line.empty() && line != "end"; line = sample.ReadLine()) {
            unsigned long long base = 0;
            // The last heap the sample made is the one that grows.
            if (std::sscanf(line.c_str(), "made %llx", &base) == 1) grownHeap = base;
        }
        ASSERT_NE(grownHeap, 0u);
        ASSERT_TRUE(ShowTestDialog(dialog));
        ASSERT_NO_FATAL_FAILURE(PickListedProcess(hwnd(), "corvane_sample.exe", sample.id()));
        ASSERT_TRUE(boxes.calls.empty()) << boxes.calls.front().text;
    }
    void TearDown() override { dialog.DestroyWindow(); }

    HWND hwnd() const { return dialog.GetSafeHwnd(); }
    static int Rows(HWND list) { return static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }
    HWND OpenWatch() {
        ::SendMessageA(hwnd(), WM_COMMAND, MAKEWPARAM(ID_NODE_WATCH, 0), 0);
        PumpMessages(hwnd());
        return ::FindWindowA(nullptr, "Watch");
    }
    void Click(HWND window, int id) {
        ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(window, id)));
        PumpMessages(hwnd());
    }
    void ChooseInterval(HWND watch, int index) {
        const HWND combo = ::GetDlgItem(watch, IDC_WATCH_INTERVAL);
        ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ::SendMessageA(watch, WM_COMMAND, MAKEWPARAM(IDC_WATCH_INTERVAL, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(combo));
    }
    int HeapRow(HWND watch) const {
        const HWND heaps = ::GetDlgItem(watch, IDC_WATCH_HEAPS);
        for (int row = 0; row < Rows(heaps); ++row)
            if (ListCell(heaps, row, WatchHeapColumn::Heap) == RowHex(grownHeap)) return row;
        return -1;
    }
    // Pumps until the status line passes `text` or ten seconds go by.
    bool WaitForStatus(HWND watch, const std::string& text) {
        for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < 10000;) {
            if (WindowText(::GetDlgItem(watch, IDC_TOOL_SUMMARY)).find(text) != std::string::npos) return true;
            PumpMessagesFor(hwnd(), 50);
        }
        return false;
    }
    // Exports with the file dialog answered by a temporary path; the file's
    // text, and the name the dialog offered.
    std::string Export(HWND watch, UINT command, std::string& offered) {
        char folder[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, folder);
        const std::string path = std::string(folder) + "corvane_watch.csv";
        const FileDialogHandler previous = SetFileDialogHandler([&](OPENFILENAMEA& request, bool) {
            offered = request.lpstrFile;
            lstrcpynA(request.lpstrFile, path.c_str(), static_cast<int>(request.nMaxFile));
            return true;
        });
        ::SendMessageA(watch, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
        SetFileDialogHandler(previous);
        std::ifstream file(path, std::ios::binary);
        std::string csv((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        file.close();
        ::DeleteFileA(path.c_str());
        return csv;
    }

    PipedChild sample{SamplePath(), "--report"};
    Win32Platform platform;
    MessageBoxRecorder boxes{IDOK};
    CCorvaneDlg dialog{platform};
    Address grownHeap = 0;
};

std::string WithoutCommas(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), ','), text.end());
    return text;
}

TEST_F(WatchWindow, GrowthBetweenTwoSamplesShowsInTheHeapsRowTheSizesThatGrewTheChartAndTheExports) {
    const HWND watch = OpenWatch();
    ASSERT_NE(watch, nullptr);
    EXPECT_FALSE(::IsWindowEnabled(hwnd())) << "the main window waits for the watch";
    ASSERT_TRUE(WaitForStatus(watch, ": 1 sample, one every 1 s."));
    const int row = HeapRow(watch);
    ASSERT_GE(row, 0) << "the growing heap is listed";
    const HWND heaps = ::GetDlgItem(watch, IDC_WATCH_HEAPS), sizes = ::GetDlgItem(watch, IDC_WATCH_SIZES);
    EXPECT_EQ(ListCell(heaps, row, WatchHeapColumn::Change), "0");
    const std::string atStart = ListCell(heaps, row, WatchHeapColumn::AtStart);

    ChooseInterval(watch, 0);
    ASSERT_TRUE(WaitForStatus(watch, "one every 0.5 s."));
    ASSERT_TRUE(sample.WriteLine("grow"));
    std::vector<Address> grownAt;
    for (std::string line = sample.ReadLine(); !line.empty() && line != "end"; line = sample.ReadLine()) {
        unsigned long long address = 0, size = 0;
        if (std::sscanf(line.c_str(), "grown %llx %llx", &address, &size) == 2) grownAt.push_back(address);
    }
    ASSERT_EQ(grownAt.size(), 5u);
    // The sizes the heap's walk gives the new blocks, as the block list
    // shows them: what was asked for and the heap's rounding.
    HeapSnapshot snapshot;
    std::string error;
    ASSERT_EQ(TakeHeapSnapshot(platform.DebugInfo(), sample.id(), snapshot, error), SnapshotResult::Taken) << error;
    std::vector<std::uint64_t> grown;
    for (const SnapshotHeap& heap : snapshot.heaps)
        for (const HeapBlockCursor& block : heap.blocks)
            if (std::find(grownAt.begin(), grownAt.end(), block.address) != grownAt.end()) grown.push_back(block.size);
    ASSERT_EQ(grown.size(), 5u);
    std::sort(grown.begin(), grown.end());
    std::uint64_t grownBytes = 0;
    for (const std::uint64_t size : grown)
        grownBytes += size;
    for (const DWORD start = ::GetTickCount();
         ListCell(heaps, HeapRow(watch), WatchHeapColumn::Change) == "0" && ::GetTickCount() - start < 10000;)
        PumpMessagesFor(hwnd(), 50);

    const int grownRow = HeapRow(watch);
    EXPECT_EQ(ListCell(heaps, grownRow, WatchHeapColumn::Change), "+" + GroupedDecimal(grownBytes));
    EXPECT_EQ(ListCell(heaps, grownRow, WatchHeapColumn::AtStart), atStart);
    EXPECT_EQ(std::stoull(WithoutCommas(ListCell(heaps, grownRow, WatchHeapColumn::Now))),
              std::stoull(WithoutCommas(atStart)) + grownBytes);
    // The sizes no other block has, largest change first.
    ASSERT_GE(Rows(sizes), 5);
    for (int i = 0; i < 5; ++i) {
        const std::uint64_t size = grown[4 - i];
        SizeText text;
        FormatSizeText(size, AddressWidthOf(platform.DebugInfo().Layout()), text);
        EXPECT_EQ(ListCell(sizes, i, SizeGrowthColumn::Size), text);
        EXPECT_EQ(ListCell(sizes, i, SizeGrowthColumn::CountChange), "+1");
        EXPECT_EQ(ListCell(sizes, i, SizeGrowthColumn::BytesChange), "+" + GroupedDecimal(size));
    }

    // The chart draws the lines of the two largest heaps in their colours:
    // more of each than the legend's sample of it.
    const Pixels chart = CaptureScreen(::GetDlgItem(watch, IDC_WATCH_CHART));
    EXPECT_GT(chart.Count(WatchLineColour(WatchLineKind::Heap, 0)), 40);
    EXPECT_GT(chart.Count(WatchLineColour(WatchLineKind::Heap, 1)), 40);
    CaptureScreen(watch).SaveBmp(OutputPath("watch_dialog.bmp"));

    // A heap's row copies with the headings, as every list's rows do.
    ListView_SetItemState(heaps, grownRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    PressKey(watch, heaps, 'C', true);
    EXPECT_EQ(ClipboardText().rfind("Heap\tBusy Blocks\tBusy Bytes at Start\tBusy Bytes Now\tChange\tRate\r\n" +
                                        RowHex(grownHeap) + "\t",
                                    0),
              0u)
        << ClipboardText();

    // Every sample exports: its time, heap, busy blocks and busy bytes; the
    // last row of the growing heap holds what its row shows now.
    std::string offered;
    const std::string csv = Export(watch, IDC_WATCH_EXPORT, offered);
    EXPECT_EQ(offered, "WatchSamples");
    ASSERT_EQ(csv.rfind("Time (s),Heap,Busy Blocks,Busy Bytes\r\n", 0), 0u) << csv.substr(0, 80);
    const std::string heapCells = "," + RowHex(grownHeap) + ",";
    const std::size_t last = csv.rfind(heapCells);
    ASSERT_NE(last, std::string::npos);
    const std::string lastRow = csv.substr(last + heapCells.size(), csv.find("\r\n", last) - last - heapCells.size());
    EXPECT_EQ(lastRow, WithoutCommas(ListCell(heaps, grownRow, WatchHeapColumn::Blocks)) + "," +
                           WithoutCommas(ListCell(heaps, grownRow, WatchHeapColumn::Now)));

    // The sizes export from their list's menu, under their headings.
    ASSERT_FALSE(ReadContextMenu(watch, sizes).empty());
    const std::string sizesCsv = Export(watch, ID_TOOL_EXPORT, offered);
    EXPECT_EQ(offered, "SizesThatGrew");
    EXPECT_EQ(sizesCsv.rfind("Size,Change in Count,Change in Bytes\r\n", 0), 0u) << sizesCsv.substr(0, 80);
    SizeText largest;
    FormatSizeText(grown[4], AddressWidthOf(platform.DebugInfo().Layout()), largest);
    EXPECT_NE(sizesCsv.find("\r\n\"" + std::string(largest) + "\",+1,\"+" + GroupedDecimal(grown[4]) + "\"\r\n"),
              std::string::npos)
        << sizesCsv;

    Click(watch, IDCANCEL);
    EXPECT_FALSE(::IsWindow(watch));
    EXPECT_TRUE(::IsWindowEnabled(hwnd()));
}

TEST_F(WatchWindow, PauseHoldsTheSamplesAndTheEndOfTheProcessStopsTheWatchKeepingItsChart) {
    const HWND watch = OpenWatch();
    ASSERT_NE(watch, nullptr);
    ChooseInterval(watch, 0);
    ASSERT_TRUE(WaitForStatus(watch, ": 2 samples"));
    Click(watch, IDC_WATCH_PAUSE);
    EXPECT_EQ(WindowText(::GetDlgItem(watch, IDC_WATCH_PAUSE)), "Resume");
    const std::string paused = WindowText(::GetDlgItem(watch, IDC_TOOL_SUMMARY));
    EXPECT_EQ(paused.rfind("Paused after ", 0), 0u) << paused;
    PumpMessagesFor(hwnd(), 1500);
    EXPECT_EQ(WindowText(::GetDlgItem(watch, IDC_TOOL_SUMMARY)), paused) << "no samples while paused";
    Click(watch, IDC_WATCH_PAUSE);
    EXPECT_EQ(WindowText(::GetDlgItem(watch, IDC_WATCH_PAUSE)), "Pause");
    EXPECT_TRUE(WaitForStatus(watch, "Watching process "));

    sample.CloseInput(); // the sample ends once its input closes
    ASSERT_TRUE(WaitForStatus(watch, "Process " + std::to_string(sample.id()) + " has ended: the watch stopped"));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(watch, IDC_WATCH_PAUSE)));
    EXPECT_GE(HeapRow(watch), 0) << "the lists keep what was seen";
    EXPECT_TRUE(boxes.calls.empty()) << "the end is told in the window, not in a box";
    CaptureScreen(watch).SaveBmp(OutputPath("watch_ended.bmp"));
    Click(watch, IDCANCEL);
}

TEST_F(WatchWindow, AHeapOfManyBlocksThatAppearsMeanwhileGetsItsRowAndItsSizes) {
    const HWND watch = OpenWatch();
    ASSERT_NE(watch, nullptr);
    ChooseInterval(watch, 0);
    ASSERT_TRUE(sample.WriteLine("many"));
    unsigned long long base = 0;
    for (std::string line = sample.ReadLine(); !line.empty() && line != "end"; line = sample.ReadLine())
        std::sscanf(line.c_str(), "many-heap %llx", &base);
    ASSERT_NE(base, 0u);
    const HWND heaps = ::GetDlgItem(watch, IDC_WATCH_HEAPS);
    int row = -1;
    for (const DWORD start = ::GetTickCount(); row < 0 && ::GetTickCount() - start < 10000;) {
        PumpMessagesFor(hwnd(), 50);
        for (int i = 0; i < Rows(heaps); ++i)
            if (ListCell(heaps, i, WatchHeapColumn::Heap) == RowHex(base)) row = i;
    }
    ASSERT_GE(row, 0) << "the new heap is listed";
    // 100,000 blocks of which every seventh was freed.
    EXPECT_GE(std::stoull(WithoutCommas(ListCell(heaps, row, WatchHeapColumn::Blocks))), 85715u);
    EXPECT_EQ(ListCell(heaps, row, WatchHeapColumn::AtStart), "0") << "a heap that came later had nothing at first";
    // Every new block counts under its size.
    const HWND sizes = ::GetDlgItem(watch, IDC_WATCH_SIZES);
    std::uint64_t grown = 0;
    for (int i = 0; i < Rows(sizes); ++i)
        grown += std::stoull(WithoutCommas(ListCell(sizes, i, SizeGrowthColumn::CountChange)));
    EXPECT_GE(grown, 85715u);
    CaptureScreen(watch).SaveBmp(OutputPath("watch_many_blocks.bmp"));
    Click(watch, IDCANCEL);
}

// The program's snapshots, with a heap left out as broken while `broken`
// is set, as a heap that changes while it is read is.
class BreakingDebugInfo : public DebugInfoService {
public:
    explicit BreakingDebugInfo(DebugInfoService& real) : m_real(real) {}
    bool broken = false;
    Address CreateBuffer() override { return m_real.CreateBuffer(); }
    std::uint32_t Query(std::uint32_t processId, std::uint32_t flags, Address buffer) override {
        return m_real.Query(processId, flags, buffer);
    }
    void DestroyBuffer(Address buffer) override { m_real.DestroyBuffer(buffer); }
    bool IsRunning(std::uint32_t processId) override { return m_real.IsRunning(processId); }
    SnapshotNotes Notes() const override {
        SnapshotNotes notes = m_real.Notes();
        if (broken) notes.brokenHeaps.push_back({0x10000, "Heap 1 at 0x10000 is left out: it changed."});
        return notes;
    }
    const MemoryView& Memory() const override { return m_real.Memory(); }
    HeapRecordLayout Layout() const override { return m_real.Layout(); }

private:
    DebugInfoService& m_real;
};

TEST_F(WatchWindow, ASampleWithABrokenHeapIsAGapAndTheWatchGoesOn) {
    BreakingDebugInfo service(platform.DebugInfo());
    CWatchDlg watch(service, sample.id(), AddressWidthOf(service.Layout()));
    ASSERT_TRUE(watch.Open(dialog, platform.Files()));
    ChooseInterval(watch.GetSafeHwnd(), 0);
    ASSERT_TRUE(WaitForStatus(watch.GetSafeHwnd(), ": 2 samples"));
    const std::string atStart = ListCell(::GetDlgItem(watch.GetSafeHwnd(), IDC_WATCH_HEAPS),
                                         HeapRow(watch.GetSafeHwnd()), WatchHeapColumn::Now);
    service.broken = true;
    ASSERT_TRUE(WaitForStatus(watch.GetSafeHwnd(), " 1 sample was broken (a heap changed while it was read)"));
    service.broken = false;
    EXPECT_TRUE(WaitForStatus(watch.GetSafeHwnd(), ": 5 samples, one every 0.5 s. 1 sample was broken"));
    const WatchLine total = watch.Watch().Lines().back();
    EXPECT_EQ(std::count_if(total.points.begin(), total.points.end(), [](const WatchPoint& p) { return p.gapBefore; }),
              1)
        << "the broken sample is a gap in the chart, not a heap that emptied";
    EXPECT_EQ(ListCell(::GetDlgItem(watch.GetSafeHwnd(), IDC_WATCH_HEAPS), HeapRow(watch.GetSafeHwnd()),
                       WatchHeapColumn::Now),
              atStart);
    Click(watch.GetSafeHwnd(), IDCANCEL);
}

TEST_F(WatchWindow, OpenedAndClosedWhileItSamplesItLeavesNothingBehind) {
    ExpectNothingAccumulates(
        [&](int times) {
            for (int i = 0; i < times; ++i) {
                const HWND watch = OpenWatch();
                ASSERT_NE(watch, nullptr);
                ChooseInterval(watch, 0);
                PumpMessagesFor(hwnd(), 120);
                Click(watch, IDCANCEL);
                ASSERT_FALSE(::IsWindow(watch));
            }
        },
        3, 30);
}

} // namespace
} // namespace corvane::testing
