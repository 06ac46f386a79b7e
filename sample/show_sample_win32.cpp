// Steers a running Corvane through the keys a user would press, one step per
// run, so that a script can take pictures of a first run:
//
//   corvane_show nodes        waits until the heap node list has rows
//   corvane_show heaps [row]  waits for the heap node list's rows, selects the
//                             row (counted from 1; the last by default) and
//                             waits until the block list has rows
//   corvane_show block        selects the first block and waits until the
//                             dump has lines
//   corvane_show map          opens the chosen heap's map from the block
//                             list's menu and waits until it shows
//
// A list counts as filled once it has rows and keeps their number for three
// looks in a row. Exits 0 when the step is done; otherwise prints why in one
// line and exits 1, at the latest after 20 seconds. Only messages that carry
// no pointers go to the other process: a pointer would mean nothing there.

#include "res/resource.h"

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD kTimeoutMs = 20000;
constexpr DWORD kPollMs = 100;
constexpr int kSteadyLooks = 3;
constexpr char kCaptionStart[] = "Corvane - ";

struct Deadline {
    DWORD start = ::GetTickCount();
    bool Passed() const { return ::GetTickCount() - start >= kTimeoutMs; }
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM found) {
    char caption[128] = {};
    ::GetWindowTextA(window, caption, sizeof caption);
    if (std::strncmp(caption, kCaptionStart, sizeof kCaptionStart - 1) != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// Waits for the main window and its lists: the dialog has its caption a
// moment before its template's controls are made.
HWND WaitForMainWindow(const Deadline& deadline) {
    for (;;) {
        HWND main = nullptr;
        ::EnumWindows(&FindMainWindow, reinterpret_cast<LPARAM>(&main));
        const bool complete = main && ::GetDlgItem(main, IDC_NODE_LIST) && ::GetDlgItem(main, IDC_BLOCK_LIST) &&
                              ::GetDlgItem(main, IDC_DATA_LIST);
        if (complete || deadline.Passed()) return main;
        ::Sleep(kPollMs);
    }
}

// The answer of a count message, or -1 when the window did not answer in time.
LRESULT Count(HWND control, UINT message) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(control, message, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &result)) return -1;
    return static_cast<LRESULT>(result);
}

// Waits until the control's count is above zero and steady.
bool WaitForRows(HWND control, UINT countMessage, const Deadline& deadline) {
    LRESULT last = -1;
    int steady = 0;
    while (!deadline.Passed()) {
        const LRESULT count = Count(control, countMessage);
        steady = count > 0 && count == last ? steady + 1 : 0;
        if (steady + 1 >= kSteadyLooks) return true;
        last = count;
        ::Sleep(kPollMs);
    }
    return false;
}

// A press and release of a key of the navigation block, as the keyboard
// sends them.
void PressKey(HWND control, WPARAM key) {
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC)) << 16;
    const LPARAM extended = LPARAM{1} << 24;
    ::PostMessageA(control, WM_KEYDOWN, key, 1 | scan | extended);
    ::PostMessageA(control, WM_KEYUP, key, 1 | scan | extended | (LPARAM{3} << 30));
}

// Waits until `row` is the list's selected row. The list tells the dialog of
// a new selection while it handles the key, and the dialog lists what the row
// shows before the list answers any other message: once the row reads as
// selected, the dialog is done with it.
bool WaitForSelection(HWND list, int row, const Deadline& deadline) {
    while (!deadline.Passed()) {
        DWORD_PTR selected = 0;
        if (::SendMessageTimeoutA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED, SMTO_ABORTIFHUNG,
                                  kTimeoutMs, &selected) &&
            static_cast<int>(selected) == row)
            return true;
        ::Sleep(kPollMs);
    }
    return false;
}

// Selects the list's row as the keyboard does, one key at a time: End for
// the last row, otherwise Home and then Down until it is reached.
bool SelectRow(HWND list, int row, const Deadline& deadline) {
    if (row == Count(list, LVM_GETITEMCOUNT) - 1) {
        PressKey(list, VK_END);
        return WaitForSelection(list, row, deadline);
    }
    PressKey(list, VK_HOME);
    if (!WaitForSelection(list, 0, deadline)) return false;
    for (int next = 1; next <= row; ++next) {
        PressKey(list, VK_DOWN);
        if (!WaitForSelection(list, next, deadline)) return false;
    }
    return true;
}

// Opens the heap map of the chosen heap, as its menu entry does, and waits
// for the map's window.
bool OpenHeapMap(HWND main, const Deadline& deadline) {
    ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(ID_BLOCK_HEAP_MAP, 0), 0);
    while (!deadline.Passed()) {
        const HWND map = ::FindWindowA(nullptr, "Heap Map");
        if (map && ::IsWindowVisible(map) && ::GetDlgItem(map, IDC_MAP_AREA)) return true;
        ::Sleep(kPollMs);
    }
    return false;
}

int Fail(const char* reason) {
    std::printf("corvane_show: %s\n", reason);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const char* step = argc > 1 ? argv[1] : "";
    const bool nodes = argc == 2 && std::strcmp(step, "nodes") == 0;
    const bool heaps = (argc == 2 || argc == 3) && std::strcmp(step, "heaps") == 0;
    const bool block = argc == 2 && std::strcmp(step, "block") == 0;
    const bool map = argc == 2 && std::strcmp(step, "map") == 0;
    const int heapRow = argc == 3 ? std::atoi(argv[2]) : 0;
    if ((!nodes && !heaps && !block && !map) || (argc == 3 && heapRow < 1))
        return Fail("usage: corvane_show nodes | heaps [row, counted from 1; the last by default] | block | map");

    const Deadline deadline;
    const HWND main = WaitForMainWindow(deadline);
    if (!main) return Fail("no Corvane main window within 20 s");
    const HWND nodeList = ::GetDlgItem(main, IDC_NODE_LIST);
    const HWND blockList = ::GetDlgItem(main, IDC_BLOCK_LIST);
    const HWND dumpList = ::GetDlgItem(main, IDC_DATA_LIST);
    if (!nodeList || !blockList || !dumpList) return Fail("the main window lacks its lists");

    if (nodes || heaps) {
        if (!WaitForRows(nodeList, LVM_GETITEMCOUNT, deadline))
            return Fail("the heap node list got no rows within 20 s");
        if (nodes) return 0;
        const int rows = static_cast<int>(Count(nodeList, LVM_GETITEMCOUNT));
        if (heapRow > rows) return Fail("the heap node list has fewer rows than asked for");
        if (!SelectRow(nodeList, heapRow > 0 ? heapRow - 1 : rows - 1, deadline))
            return Fail("the heap node list did not select the row within 20 s");
        if (!WaitForRows(blockList, LVM_GETITEMCOUNT, deadline)) return Fail("the block list got no rows within 20 s");
        return 0;
    }
    if (Count(blockList, LVM_GETITEMCOUNT) <= 0) return Fail("the block list has no rows to pick from");
    if (map) return OpenHeapMap(main, deadline) ? 0 : Fail("the heap map did not show within 20 s");
    PressKey(blockList, VK_HOME);
    if (!WaitForSelection(blockList, 0, deadline))
        return Fail("the block list did not select its first row within 20 s");
    if (!WaitForRows(dumpList, LB_GETCOUNT, deadline)) return Fail("the dump got no lines within 20 s");
    return 0;
}
