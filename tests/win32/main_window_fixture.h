#pragma once

// The main window over a synthetic snapshot whose blocks lie in a helper
// process, driven by real window messages: the fixture of the tests that
// walk the road through it.

#include "heap/dump_text.h"
#include "heap/process_list.h"
#include "res/resource.h"
#include "tests/support/fake_platform_win32.h"
#include "tests/win32/block_helper.h"
#include "tests/win32/framework_test_support.h"
#include "ui/win32/corvane_dialog_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace corvane::testing {

// Picks a process in the window's process box, as a pick in its list does.
inline void PickListedProcess(HWND window, const char* name, std::uint32_t id) {
    const HWND combo = ::GetDlgItem(window, IDC_PROCESS_COMBO);
    const std::string entry = FormatProcessEntry(name, static_cast<std::int32_t>(id));
    const LRESULT index =
        ::SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry.c_str()));
    ASSERT_NE(index, CB_ERR) << entry;
    ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_PROCESS_COMBO, CBN_SELENDOK), reinterpret_cast<LPARAM>(combo));
    PumpMessages(window);
}

// Above 4 GiB in a 64-bit program, as its heaps usually are.
constexpr Address kHeapBase = sizeof(void*) == 8 ? 0x0000123400150000 : 0x00150000;
constexpr std::uint32_t kFirstBlockSize = 0x200;
constexpr int kBlocks = 30;

class EventFlow : public ::testing::Test {
protected:
    testing::BlockHelper helper;
    FakePlatform platform;
    std::unique_ptr<MessageBoxRecorder> boxes;
    std::unique_ptr<CCorvaneDlg> dialog;
    Address region = 0;

    void SetUp() override {
        ASSERT_TRUE(helper.ready());
        region = helper.region();
        platform.processes.processes = {{helper.id(), "helper.exe"}, {::GetCurrentProcessId(), "self.exe"}};

        LayHelperHeaps(false);

        boxes = std::make_unique<MessageBoxRecorder>(IDOK);
        dialog = std::make_unique<CCorvaneDlg>(platform);
        ASSERT_TRUE(ShowTestDialog(*dialog));
    }
    // Heap 1: a segment pointing at the helper's region, then a block of
    // 0x200 bytes, a free block and more small blocks. Heap 2: three blocks.
    // Grown, heap 1 has one more block at its end and heap 2's last block is
    // free.
    void LayHelperHeaps(bool grown) {
        SyntheticHeap first;
        first.record = {kHeapBase, 0x00000002, 8, 0x1000, 0x10000, 0, 0};
        first.entries.push_back({0x1000, kEntrySegment, region - 8});
        first.entries.push_back({kFirstBlockSize, 0x0001, 0});
        first.entries.push_back({0x100, 0x0100, 0});
        for (int i = 2; i < kBlocks; ++i)
            first.entries.push_back({0x40, 0x0001, 0});
        if (grown) first.entries.push_back({0x80, 0x0001, 0});
        first.record.entryCount = static_cast<std::uint32_t>(first.entries.size());
        SyntheticHeap second;
        second.record = {0x00250000, 0x00000002, 8, 0x100, 0x1000, 0, 0};
        const std::uint16_t lastFlags = grown ? 0x0100 : 0x0001;
        second.entries = {{0x1000, kEntrySegment, region - 8}, {0x10, 1, 0}, {0x10, 1, 0}, {0x10, lastFlags, 0}};
        second.record.entryCount = 4;
        platform.LayHeaps({first, second});
    }
    void TearDown() override {
        if (dialog) dialog->DestroyWindow();
    }

    HWND hwnd() const { return dialog->GetSafeHwnd(); }
    HWND item(int id) const { return ::GetDlgItem(hwnd(), id); }
    void Command(int id, int code) {
        ::SendMessageA(hwnd(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(item(id)));
        PumpMessages(hwnd());
    }
    void PickProcess(std::uint32_t id, const char* name) { PickListedProcess(hwnd(), name, id); }
    // Selects a row as a click does; the list tells the dialog.
    void PickRow(int listId, int row) {
        LVITEMA state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(item(listId), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
        PumpMessages(hwnd());
    }
    int Rows(int listId) const { return static_cast<int>(::SendMessageA(item(listId), LVM_GETITEMCOUNT, 0, 0)); }
    std::string Cell(int listId, int row, int column) const {
        char text[128] = {};
        LVITEMA cell = {};
        cell.iSubItem = column;
        cell.pszText = text;
        cell.cchTextMax = sizeof text;
        ::SendMessageA(item(listId), LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
        return text;
    }
    std::vector<std::string> DumpLines() const {
        std::vector<std::string> lines;
        const int count = static_cast<int>(::SendMessageA(item(IDC_DATA_LIST), LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char line[256] = {};
            ::SendMessageA(item(IDC_DATA_LIST), LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line));
            lines.push_back(line);
        }
        return lines;
    }
    int SelectedLine() const { return static_cast<int>(::SendMessageA(item(IDC_DATA_LIST), LB_GETCURSEL, 0, 0)); }
    void Search(const char* text) {
        ::SetWindowTextA(item(IDC_SEARCH_EDIT), text);
        Command(IDC_SEARCH, BN_CLICKED);
    }
    // Each of the row's texts fits its column: nothing is cut off.
    void ExpectWholeTexts(int listId, int row, std::initializer_list<int> columns) const {
        constexpr int kCellMargins = 12; // the list's own space around a cell's text
        for (int column : columns) {
            const std::string text = Cell(listId, row, column);
            const auto needed =
                ::SendMessageA(item(listId), LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text.c_str())) +
                kCellMargins;
            EXPECT_LE(needed, ::SendMessageA(item(listId), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0))
                << text << " in column " << column;
        }
    }
    void ShowFirstBlock() {
        PickProcess(helper.id(), "helper.exe");
        PickRow(IDC_NODE_LIST, 0);
        PickRow(IDC_BLOCK_LIST, 0);
    }
};

} // namespace corvane::testing
