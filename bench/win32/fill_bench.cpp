// Measures, under Wine, how long the main window takes to fill its lists for
// big targets, through the real handlers: heaps of 100,000 and 1,000,000
// blocks into the block list, and a 16 MiB block into the dump list. Each is
// printed beside the way such lists are commonly filled, timed in the same
// run: a list view that holds its own texts, and a list box drawn as it grows.

#include "bench/win32/clock.h"
#include "framework/app_win32.h"
#include "framework/seams_win32.h"
#include "heap/block_walk.h"
#include "heap/dump_text.h"
#include "res/resource.h"
#include "tests/support/fake_platform_win32.h"
#include "ui/heap_rows.h"
#include "ui/win32/corvane_dialog_win32.h"

#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace corvane {
namespace {

using Clock = LARGE_INTEGER;

void Pump() {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

void PickRow(HWND list, int row) {
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
}

// A dump line as the dialog adds it.
constexpr const char* kLine = "00000000h  00 07 0E 15 1C 23 2A 31 38 3F 46 4D 54 5B 62 69   .......#*18?FMT[bi";

// A block row of five cells, each `text`, as the dialog adds one.
void AddRow(HWND list, int row, const char* text) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(text);
    const auto index = static_cast<int>(::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    for (int column = 1; column < 5; ++column) {
        LVITEMA cell = {};
        cell.iSubItem = column;
        cell.pszText = const_cast<char*>(text);
        ::SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&cell));
    }
}

// The process's working set, in MiB. (Wine does not count private bytes.)
double WorkingSetMiB() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

struct Fill {
    double seconds = 0;
    double addedMiB = 0;
    long rows = 0;
};

void ChooseFirstProcess(HWND dialog) {
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_PROCESS_COMBO, CBN_SELENDOK),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDC_PROCESS_COMBO)));
    Pump();
}

// A heap of `blocks` blocks of 32 bytes picked in a fresh main window:
// from the pick to the first screen of rows drawn.
Fill FillBlockList(std::uint32_t blocks) {
    testing::FakePlatform platform;
    platform.processes.processes = {{::GetCurrentProcessId(), "bench.exe"}};
    testing::SyntheticHeap heap;
    heap.record = {0x00150000, 2, 8, 0x100000, 0x1000000, blocks + 1, 0};
    heap.entries.reserve(blocks + 1);
    heap.entries.push_back({0x1000, kEntrySegment, 0x00151000});
    heap.entries.resize(blocks + 1, {0x20, 0x0001, 0});
    platform.LayHeaps({heap});
    heap = {};

    CCorvaneDlg dialog(platform);
    if (!dialog.Create()) return {};
    ::ShowWindow(dialog.GetSafeHwnd(), SW_SHOW);
    Pump();
    ChooseFirstProcess(dialog.GetSafeHwnd());
    const HWND list = ::GetDlgItem(dialog.GetSafeHwnd(), IDC_BLOCK_LIST);

    Fill fill;
    const double before = WorkingSetMiB();
    const Clock start = Now();
    PickRow(::GetDlgItem(dialog.GetSafeHwnd(), IDC_NODE_LIST), 0);
    ::UpdateWindow(dialog.GetSafeHwnd());
    fill.seconds = Seconds(start, Now());
    fill.addedMiB = WorkingSetMiB() - before;
    fill.rows = static_cast<long>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    dialog.DestroyWindow();
    Pump();
    return fill;
}

// The same rows in a report list view that keeps its own texts: five
// columns, redraw off while they go in, then the first screen drawn.
Fill FillTextList(int rows) {
    const HWND list = ::CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | WS_VISIBLE | LVS_REPORT, 0, 0, 600, 400,
                                        nullptr, nullptr, nullptr, nullptr);
    for (int column = 0; column < 5; ++column) {
        LVCOLUMNA format = {};
        format.mask = LVCF_WIDTH;
        format.cx = 100;
        ::SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&format));
    }
    Pump();
    Fill fill;
    const double before = WorkingSetMiB();
    const Clock start = Now();
    ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < rows; ++i)
        AddRow(list, i, "0x0a6b2c40");
    ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
    ::UpdateWindow(list);
    fill.seconds = Seconds(start, Now());
    fill.addedMiB = WorkingSetMiB() - before;
    fill.rows = static_cast<long>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    ::DestroyWindow(list);
    Pump();
    return fill;
}

void PrintFill(const char* name, const Fill& fill) {
    std::printf("  %-40s %8ld rows %8.3f s %+9.1f MiB working set\n", name, fill.rows, fill.seconds, fill.addedMiB);
}

void BenchBlockLists() {
    constexpr int kTextRows = 100000;
    const Fill text = FillTextList(kTextRows);
    std::printf("block list, to the first drawn screen:\n");
    PrintFill("list view holding its texts", text);
    for (const std::uint32_t blocks : {100000u, 1000000u}) {
        const Fill fill = FillBlockList(blocks);
        // A million rows of texts do not fit in a 32-bit process; that way
        // is scaled from the rows it took.
        const double scale = static_cast<double>(blocks) / kTextRows;
        char name[64];
        std::snprintf(name, sizeof name, "Corvane, %u blocks", static_cast<unsigned>(blocks));
        PrintFill(name, fill);
        std::printf("  %-44s %.0fx faster, %.0fx less working set than texts held (scaled x%.0f)\n", "",
                    text.seconds * scale / fill.seconds, text.addedMiB * scale / std::max(fill.addedMiB, 0.1), scale);
    }
}

// The 16 MiB block into the dump list, beside the list box alone with redraw
// off and a naive fill of 2,000 lines with redraw on, scaled.
void BenchDumpList() {
    constexpr std::uint32_t kDumpSize = 0x1000000; // 16 MiB: 1,048,576 dump lines
    constexpr int kNaiveLines = 2000;
    std::vector<std::uint8_t> block(kDumpSize);
    for (std::uint32_t i = 0; i < kDumpSize; ++i)
        block[i] = static_cast<std::uint8_t>(i * 7 + i / 251);

    testing::FakePlatform platform;
    platform.processes.processes = {{::GetCurrentProcessId(), "bench.exe"}};
    testing::SyntheticHeap heap;
    heap.record = {0x00150000, 2, 8, 0x100000, 0x1000000, 2, 0};
    heap.entries.push_back({0x1000, kEntrySegment, reinterpret_cast<std::uintptr_t>(block.data()) - 8});
    heap.entries.push_back({kDumpSize - 1, 0x0001, 0}); // the 16 MiB block, less one byte
    platform.LayHeaps({heap});

    CCorvaneDlg dialog(platform);
    if (!dialog.Create()) return;
    ::ShowWindow(dialog.GetSafeHwnd(), SW_SHOW);
    Pump();
    ChooseFirstProcess(dialog.GetSafeHwnd());
    PickRow(::GetDlgItem(dialog.GetSafeHwnd(), IDC_NODE_LIST), 0);
    Pump();
    const HWND lines = ::GetDlgItem(dialog.GetSafeHwnd(), IDC_DATA_LIST);

    const double before = WorkingSetMiB();
    Clock start = Now();
    PickRow(::GetDlgItem(dialog.GetSafeHwnd(), IDC_BLOCK_LIST), 0);
    ::UpdateWindow(dialog.GetSafeHwnd());
    const double dumpFill = Seconds(start, Now());
    const double added = WorkingSetMiB() - before;
    const auto dumpLines = ::SendMessageA(lines, LB_GETCOUNT, 0, 0);
    Pump();

    ::SendMessageA(lines, LB_RESETCONTENT, 0, 0);
    ::SendMessageA(lines, WM_SETREDRAW, FALSE, 0);
    start = Now();
    ::SendMessageA(lines, LB_INITSTORAGE, static_cast<WPARAM>(dumpLines), dumpLines * sizeof(DumpLineText));
    for (LRESULT i = 0, renew = 16384; i < dumpLines; ++i) {
        ::SendMessageA(lines, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kLine));
        if (i + 1 == renew) {
            ::SendMessageA(lines, LB_INITSTORAGE, static_cast<WPARAM>(dumpLines - renew), 0);
            renew *= 2;
        }
    }
    const double floorLines = Seconds(start, Now());
    ::SendMessageA(lines, WM_SETREDRAW, TRUE, 0);

    ::SendMessageA(lines, LB_RESETCONTENT, 0, 0);
    start = Now();
    for (int i = 0; i < kNaiveLines; ++i) {
        ::SendMessageA(lines, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kLine));
        ::UpdateWindow(lines);
    }
    const double naiveLines = Seconds(start, Now()) * (static_cast<double>(dumpLines) / kNaiveLines);
    std::printf("dump list:  %ld lines in %.3f s (%+.1f MiB working set); the list box alone: %.3f s; naive fill "
                "(%d lines, scaled): %.1f s; %.0fx faster\n",
                static_cast<long>(dumpLines), dumpFill, added, floorLines, kNaiveLines, naiveLines,
                naiveLines / dumpFill);
    dialog.DestroyWindow();
    Pump();
}

// What the progress title cost when it was drawn every 25 rows of a
// 100,000-block walk: 4,000 titles, set, painted and put on the screen.
void BenchProgressTitles() {
    testing::FakePlatform platform;
    CCorvaneDlg dialog(platform);
    if (!dialog.Create()) return;
    ::ShowWindow(dialog.GetSafeHwnd(), SW_SHOW);
    Pump();
    // The dialog's own frame box, as the walk's progress sets its title.
    auto* frame = dynamic_cast<CFrameBox*>(CWnd::FromHandle(::GetDlgItem(dialog.GetSafeHwnd(), IDC_BLOCK_GROUP)));
    if (!frame) return;
    const Clock start = Now();
    for (std::uint32_t done = 25; done <= 100000; done += 25)
        frame->SetTitleNow(ProgressCaption(done, 100001));
    std::printf("progress titles every 25 rows of 100,000 blocks: %.3f s; now at most one per %u ms of walk\n",
                Seconds(start, Now()), static_cast<unsigned>(kProgressPeriodMs));
    dialog.DestroyWindow();
    Pump();
}

int Run() {
    UseLowFragmentationHeap(); // as the program does when it starts
    SetMessageBoxHandler([](HWND, const std::string& text, const std::string&, UINT) {
        std::printf("message: %s\n", text.c_str());
        return IDOK;
    });
    BenchBlockLists();
    BenchDumpList();
    BenchProgressTitles();
    std::printf("peak working set: %.1f MiB\n", [] {
        PROCESS_MEMORY_COUNTERS counters = {};
        counters.cb = sizeof counters;
        ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
        return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
    }());
    return 0;
}

} // namespace
} // namespace corvane

int main() { return corvane::Run(); }
