// Measures, under Wine, how long the main window takes to fill its lists for
// big targets, through the real handlers: a heap of 100,000 blocks into the
// block list, and a 16 MiB block into the dump list. Each is printed beside a
// naive fill (redraw left on) of 2,000 rows timed in the same run and scaled.

#include "framework/app.h"
#include "framework/seams.h"
#include "heap/block_walk.h"
#include "heap/dump_text.h"
#include "heap/row_text.h"
#include "res/resource.h"
#include "tests/win32/fake_platform.h"
#include "ui/win32/corvane_dialog_win32.h"

#include <psapi.h>
#include <windows.h>

#include <cstdio>
#include <vector>

namespace corvane {
namespace {

using Clock = LARGE_INTEGER;

double Seconds(const Clock& start, const Clock& end) {
    Clock frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

Clock Now() {
    Clock now;
    ::QueryPerformanceCounter(&now);
    return now;
}

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

int Run() {
    UseLowFragmentationHeap(); // as the program does when it starts
    constexpr std::uint32_t kBlocks = 100000;
    constexpr std::uint32_t kDumpSize = 0x1000000; // 16 MiB: 1,048,576 dump lines
    constexpr int kNaiveRows = 2000;

    std::vector<std::uint8_t> block(kDumpSize);
    for (std::uint32_t i = 0; i < kDumpSize; ++i)
        block[i] = static_cast<std::uint8_t>(i * 7 + i / 251);

    testing::FakePlatform platform;
    platform.processes.processes = {{::GetCurrentProcessId(), "bench.exe"}};
    testing::SyntheticHeap big;
    big.record = {0x00150000, 2, 8, 0x100000, 0x1000000, 0, 0};
    big.entries.push_back({0x1000, kEntrySegment, reinterpret_cast<std::uintptr_t>(block.data()) - 8});
    big.entries.push_back({kDumpSize - 1, 0x0001, 0}); // the 16 MiB block, less one byte
    for (std::uint32_t i = 1; i < kBlocks; ++i)
        big.entries.push_back({0x20, 0x0001, 0});
    big.record.entryCount = static_cast<std::uint32_t>(big.entries.size());
    platform.LayHeaps({big});
    SetMessageBoxHandler([](HWND, const std::string& text, const std::string&, UINT) {
        std::printf("message: %s\n", text.c_str());
        return IDOK;
    });

    CCorvaneDlg dialog(platform);
    if (!dialog.Create()) return 1;
    ::ShowWindow(dialog.GetSafeHwnd(), SW_SHOW);
    Pump();
    const HWND nodes = ::GetDlgItem(dialog.GetSafeHwnd(), IDC_NODE_LIST);
    const HWND blocks = ::GetDlgItem(dialog.GetSafeHwnd(), IDC_BLOCK_LIST);
    const HWND lines = ::GetDlgItem(dialog.GetSafeHwnd(), IDC_DATA_LIST);
    ::SendMessageA(dialog.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDC_PROCESS_COMBO, CBN_SELENDOK),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog.GetSafeHwnd(), IDC_PROCESS_COMBO)));
    Pump();

    Clock start = Now();
    PickRow(nodes, 0);
    const double blockFill = Seconds(start, Now());
    const auto blockRows = ::SendMessageA(blocks, LVM_GETITEMCOUNT, 0, 0);
    Pump();

    start = Now();
    PickRow(blocks, 0);
    const double dumpFill = Seconds(start, Now());
    const auto dumpLines = ::SendMessageA(lines, LB_GETCOUNT, 0, 0);
    Pump();
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof memory);

    // The lists alone, redraw off, the same number of rows and lines added
    // straight to them (the dump list with the same room asked for as the
    // dialog asks): the floors under the two fills.
    ::SendMessageA(blocks, LVM_DELETEALLITEMS, 0, 0);
    ::SendMessageA(blocks, WM_SETREDRAW, FALSE, 0);
    start = Now();
    for (LRESULT i = 0; i < blockRows; ++i)
        AddRow(blocks, static_cast<int>(i), "0x0a6b2c40");
    const double floorRows = Seconds(start, Now());
    ::SendMessageA(blocks, WM_SETREDRAW, TRUE, 0);
    // The progress titles alone: set, painted and put on the screen the way
    // the fill does, once for every 25 rows.
    const HWND frame = ::GetDlgItem(dialog.GetSafeHwnd(), IDC_BLOCK_GROUP);
    start = Now();
    for (LRESULT done = 25; done <= blockRows; done += 25) {
        ::SetWindowTextA(frame, ProgressCaption(static_cast<std::uint32_t>(done), big.record.entryCount).c_str());
        PrintFrameTitle(frame);
        ShowDrawingNow();
    }
    const double titles = Seconds(start, Now());
    ::SetWindowTextA(frame, "Heap Blocks List");
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

    // The naive fills: the same visible lists, redraw left on.
    ::SendMessageA(blocks, LVM_DELETEALLITEMS, 0, 0);
    start = Now();
    for (int i = 0; i < kNaiveRows; ++i) {
        AddRow(blocks, i, "0x0a6b2c40");
        ::UpdateWindow(blocks);
    }
    const double naiveRows = Seconds(start, Now()) * (static_cast<double>(kBlocks) / kNaiveRows);
    ::SendMessageA(lines, LB_RESETCONTENT, 0, 0);
    start = Now();
    for (int i = 0; i < kNaiveRows; ++i) {
        ::SendMessageA(lines, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kLine));
        ::UpdateWindow(lines);
    }
    const double naiveLines = Seconds(start, Now()) * (static_cast<double>(dumpLines) / kNaiveRows);

    std::printf("block list: %ld rows in %.3f s; the list view alone: %.3f s; the progress titles alone: %.3f s; "
                "naive fill (%d rows, scaled): %.1f s; %.0fx faster\n",
                static_cast<long>(blockRows), blockFill, floorRows, titles, kNaiveRows, naiveRows,
                naiveRows / blockFill);
    std::printf("dump list:  %ld lines in %.3f s; the list box alone: %.3f s; naive fill (%d lines, scaled): %.1f s; "
                "%.0fx faster\n",
                static_cast<long>(dumpLines), dumpFill, floorLines, kNaiveRows, naiveLines, naiveLines / dumpFill);
    std::printf("peak working set: %.1f MiB\n", static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0));
    dialog.DestroyWindow();
    return 0;
}

} // namespace
} // namespace corvane

int main() { return corvane::Run(); }
