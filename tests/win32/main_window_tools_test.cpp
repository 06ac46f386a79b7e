// What the main window offers beyond the listing, through real messages:
// the lists' menus, a baseline and its comparison, size statistics, sorting
// the block list, copying, exporting and the keys.

#include "heap/table_text.h"
#include "tests/win32/main_window_fixture.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>

namespace corvane {
namespace {

using namespace testing;

class MainWindowTools : public EventFlow {
protected:
    // A menu's choice: the command it sends its owner.
    void MenuCommand(int id) {
        ::SendMessageA(hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
        PumpMessages(hwnd());
    }
    // The tool dialog that is open over the main window.
    HWND Tool(const char* caption) const { return ::FindWindowA(nullptr, caption); }
    std::string ToolCell(HWND tool, int row, int column) const {
        return ListCell(::GetDlgItem(tool, IDC_TOOL_LIST), row, column);
    }
    int ToolRows(HWND tool) const {
        return static_cast<int>(::SendMessageA(::GetDlgItem(tool, IDC_TOOL_LIST), LVM_GETITEMCOUNT, 0, 0));
    }
    // A click on a column's heading.
    void ClickHeading(int listId, int column) {
        const auto heading = reinterpret_cast<HWND>(::SendMessageA(item(listId), LVM_GETHEADER, 0, 0));
        RECT area = {};
        ::SendMessageA(heading, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&area));
        const LPARAM at = MAKELPARAM((area.left + area.right) / 2, (area.top + area.bottom) / 2);
        ::SendMessageA(heading, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageA(heading, WM_LBUTTONUP, 0, at);
        PumpMessages(hwnd());
    }
    std::string ReadFile(const std::string& path) const {
        std::ifstream file(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    }
    std::string TempPath(const char* name) const {
        char folder[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, folder);
        return std::string(folder) + name;
    }
};

TEST_F(MainWindowTools, TheMenusOfferWhatAppliesAndABaselineComparesWithAFreshSnapshot) {
    PickProcess(helper.id(), "helper.exe");
    std::vector<MenuEntry> menu = ReadContextMenu(hwnd(), item(IDC_NODE_LIST));
    ASSERT_EQ(menu.size(), 9u);
    EXPECT_EQ(menu[0].text, "Set as &baseline");
    EXPECT_TRUE(menu[0].enabled);
    EXPECT_EQ(menu[1].text, "Compare &with baseline...");
    EXPECT_FALSE(menu[1].enabled) << "no baseline yet";
    EXPECT_FALSE(menu[2].enabled) << "no heap chosen for statistics";
    EXPECT_EQ(menu[3].text, "Find &leaks...");
    EXPECT_TRUE(menu[3].enabled) << "every heap of the process is searched";
    EXPECT_EQ(menu[4].text, "W&atch...");
    EXPECT_EQ(menu[5].text, "&Go to address...\tCtrl+G");
    EXPECT_EQ(menu[7].text, "&Copy\tCtrl+C");

    MenuCommand(ID_NODE_SET_BASELINE);
    ASSERT_FALSE(boxes->calls.empty());
    EXPECT_EQ(boxes->calls.back().text.rfind("Baseline set for process " + std::to_string(helper.id()) +
                                                 ": 2 heaps, 32 blocks in use, 2,352 bytes.",
                                             0),
              0u)
        << boxes->calls.back().text;
    menu = ReadContextMenu(hwnd(), item(IDC_NODE_LIST), "node_list_menu.bmp");
    ASSERT_EQ(menu.size(), 9u);
    EXPECT_TRUE(menu[1].enabled) << "a baseline is kept for this process";

    LayHelperHeaps(true);
    MenuCommand(ID_NODE_COMPARE);
    const HWND compare = Tool("Compare with Baseline");
    ASSERT_NE(compare, nullptr);
    EXPECT_FALSE(::IsWindowEnabled(hwnd())) << "the main window waits for the comparison";
    EXPECT_EQ(WindowText(::GetDlgItem(compare, IDC_TOOL_SUMMARY)),
              "New since the baseline: 1 block, 128 bytes. Gone: 1 block, 16 bytes.\n"
              "Double-click a new block to see its data.");
    ASSERT_EQ(ToolRows(compare), 2);
    const Address added = region + kFirstBlockSize + 0x100 + 0x40 * (kBlocks - 2);
    EXPECT_EQ(ToolCell(compare, 0, 0), RowHex(kHeapBase));
    EXPECT_EQ(ToolCell(compare, 0, 1), "New");
    EXPECT_EQ(ToolCell(compare, 0, 2), RowHex(added));
    EXPECT_EQ(ToolCell(compare, 0, 3), RowHex(0x80) + " (128)");
    EXPECT_EQ(ToolCell(compare, 1, 1), "Gone");
    EXPECT_EQ(ToolCell(compare, 1, 2), RowHex(region + 0x20));
    CaptureScreen(compare).SaveBmp(OutputPath("compare_dialog.bmp"));

    // The new block, double-clicked, shows in the main window.
    DoubleClickListRow(::GetDlgItem(compare, IDC_TOOL_LIST), 0);
    PumpMessages(hwnd());
    EXPECT_FALSE(::IsWindow(compare));
    EXPECT_TRUE(::IsWindowEnabled(hwnd()));
    ASSERT_TRUE(HasVisibleStyle(item(IDC_DATA_LIST)));
    EXPECT_EQ(DumpLines()[0], "Heap Node Address=" + RowHex(kHeapBase) + ", Block Address=" + RowHex(added) +
                                  ", Size=" + RowHex(0x80) + " (128)");
    EXPECT_EQ(Rows(IDC_BLOCK_LIST), kBlocks + 1) << "the heap's blocks walked afresh";

    // The baseline goes with its process.
    platform.processes.processes = {{::GetCurrentProcessId(), "self.exe"}};
    Command(IDC_REFRESH, BN_CLICKED);
    EXPECT_FALSE(dialog->HasBaseline(helper.id()));
}

TEST_F(MainWindowTools, SizeStatisticsOfTheChosenHeap) {
    PickProcess(helper.id(), "helper.exe");
    PickRow(IDC_NODE_LIST, 0);
    MenuCommand(ID_NODE_STATISTICS);
    const HWND statistics = Tool("Size Statistics");
    ASSERT_NE(statistics, nullptr);
    EXPECT_EQ(WindowText(::GetDlgItem(statistics, IDC_TOOL_SUMMARY)),
              "Heap " + RowHex(kHeapBase) + ": 29 blocks, 2,304 bytes in use in 2 sizes; 1 block, 256 bytes free.");
    ASSERT_EQ(ToolRows(statistics), 3);
    // 28 blocks of 0x40 hold more than the one of 0x200.
    EXPECT_EQ(ToolCell(statistics, 0, 0), RowHex(0x40) + " (64)");
    EXPECT_EQ(ToolCell(statistics, 0, 1), "28");
    EXPECT_EQ(ToolCell(statistics, 0, 2), "1,792");
    EXPECT_EQ(ToolCell(statistics, 0, 3), "77.8%");
    EXPECT_EQ(ToolCell(statistics, 1, 2), "512");
    EXPECT_EQ(ToolCell(statistics, 2, 0), "Free blocks");
    EXPECT_EQ(ToolCell(statistics, 2, 2), "256");
    CaptureScreen(statistics).SaveBmp(OutputPath("statistics_dialog.bmp"));
    ::SendMessageA(statistics, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(statistics, IDCANCEL)));
    PumpMessages(hwnd());
    EXPECT_FALSE(::IsWindow(statistics));
    EXPECT_TRUE(::IsWindowEnabled(hwnd()));
}

TEST_F(MainWindowTools, TheBlockListSortsByAColumnAndBackAndAPickStillShowsItsBlock) {
    PickProcess(helper.id(), "helper.exe");
    PickRow(IDC_NODE_LIST, 0);
    ClickHeading(IDC_BLOCK_LIST, BlockColumn::Size);
    // Smallest first; equal sizes keep the walk's order and every row its
    // number.
    EXPECT_EQ(Cell(IDC_BLOCK_LIST, 0, BlockColumn::Size), RowHex(0x40));
    EXPECT_EQ(Cell(IDC_BLOCK_LIST, 0, BlockColumn::Index), "3");
    EXPECT_EQ(Cell(IDC_BLOCK_LIST, kBlocks - 2, BlockColumn::Index), "2");
    EXPECT_EQ(Cell(IDC_BLOCK_LIST, kBlocks - 1, BlockColumn::Size), RowHex(kFirstBlockSize));
    ClickHeading(IDC_BLOCK_LIST, BlockColumn::Size);
    EXPECT_EQ(Cell(IDC_BLOCK_LIST, 0, BlockColumn::Size), RowHex(kFirstBlockSize));
    EXPECT_EQ(Cell(IDC_BLOCK_LIST, 0, BlockColumn::Index), "1");
    ClickHeading(IDC_BLOCK_LIST, BlockColumn::Status);
    EXPECT_EQ(Cell(IDC_BLOCK_LIST, 0, BlockColumn::Status), "Allocated");
    EXPECT_EQ(Cell(IDC_BLOCK_LIST, kBlocks - 1, BlockColumn::Status), "Free");

    PickRow(IDC_BLOCK_LIST, 0);
    EXPECT_NE(DumpLines()[0].find("Block Address=" + RowHex(region) + ", Size=" + RowHex(kFirstBlockSize)),
              std::string::npos)
        << DumpLines()[0];
    // Sorting again keeps that block chosen, where it now stands.
    ClickHeading(IDC_BLOCK_LIST, BlockColumn::Size);
    const int chosen =
        static_cast<int>(::SendMessageA(item(IDC_BLOCK_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    EXPECT_EQ(chosen, kBlocks - 1);
    EXPECT_EQ(Cell(IDC_BLOCK_LIST, chosen, BlockColumn::Index), "1");
    CaptureScreen(hwnd()).SaveBmp(OutputPath("sorted_blocks.bmp"));
}

TEST_F(MainWindowTools, RowsAndLinesAreCopiedAndExported) {
    ShowFirstBlock(); // block row 0 chosen, its dump shown
    ::SetFocus(item(IDC_BLOCK_LIST));
    ::OpenClipboard(nullptr);
    ::EmptyClipboard();
    ::CloseClipboard();
    PressKey(hwnd(), item(IDC_BLOCK_LIST), 'C', true);
    EXPECT_EQ(ClipboardText(), "Heap Block Index\tBlock Address\tBlock Size\tAllocation Type\tStatus\r\n1\t" +
                                   RowHex(region) + "\t" + RowHex(kFirstBlockSize) + "\tFIXED\tAllocated\r\n");
    ::SendMessageA(item(IDC_DATA_LIST), LB_SETCURSEL, 2, 0);
    PressKey(hwnd(), item(IDC_DATA_LIST), 'C', true);
    EXPECT_EQ(ClipboardText(), DumpLines()[2] + "\r\n");

    // Every row of the list, as comma-separated values after the headings.
    const std::string csv = TempPath("corvane_blocks.csv");
    const std::string text = TempPath("corvane_dump.txt");
    std::string answer = csv;
    const FileDialogHandler previous = SetFileDialogHandler([&](OPENFILENAMEA& request, bool) {
        lstrcpynA(request.lpstrFile, answer.c_str(), static_cast<int>(request.nMaxFile));
        return true;
    });
    MenuCommand(ID_BLOCK_EXPORT);
    std::string expected = "Heap Block Index,Block Address,Block Size,Allocation Type,Status\r\n";
    for (int row = 0; row < kBlocks; ++row) {
        for (int column = 0; column < BlockColumn::Count; ++column)
            expected += Cell(IDC_BLOCK_LIST, row, column) + (column + 1 < BlockColumn::Count ? "," : "\r\n");
    }
    EXPECT_EQ(ReadFile(csv), expected);
    answer = text;
    MenuCommand(ID_DUMP_EXPORT);
    std::string lines;
    for (const std::string& line : DumpLines())
        lines += line + "\r\n";
    EXPECT_EQ(ReadFile(text), lines);
    SetFileDialogHandler(previous);
    ::DeleteFileA(csv.c_str());
    ::DeleteFileA(text.c_str());
    EXPECT_TRUE(boxes->calls.empty());
}

TEST_F(MainWindowTools, KeysRefreshFindAndFindAgain) {
    ShowFirstBlock();
    const int listed = platform.processes.calls;
    PressKey(hwnd(), item(IDC_DATA_LIST), VK_F5);
    EXPECT_EQ(platform.processes.calls, listed + 1) << "F5 refreshes";

    PressKey(hwnd(), item(IDC_DATA_LIST), 'F', true);
    EXPECT_EQ(::GetFocus(), item(IDC_SEARCH_EDIT)) << "Ctrl+F goes to the search box";
    ::SetWindowTextA(item(IDC_SEARCH_EDIT), "a"); // 0x41 and 0x61 are among the block's bytes, several times
    PressKey(hwnd(), item(IDC_SEARCH_EDIT), VK_F3);
    EXPECT_EQ(WindowText(item(IDC_SEARCH)), "Find Again") << "F3 finds";
    const int first = SelectedLine();
    PressKey(hwnd(), item(IDC_DATA_LIST), VK_F3);
    EXPECT_GT(SelectedLine(), first) << "and finds again";
}

TEST_F(MainWindowTools, OpeningAndClosingTheToolsAgainAndAgainKeepsNoMemoryOrGdiObjects) {
    PickProcess(helper.id(), "helper.exe");
    PickRow(IDC_NODE_LIST, 0);
    MenuCommand(ID_NODE_SET_BASELINE);
    const struct {
        int command;
        const char* caption;
    } tools[] = {{ID_NODE_COMPARE, "Compare with Baseline"},
                 {ID_NODE_STATISTICS, "Size Statistics"},
                 {ID_BLOCK_FIND_ALL, "Find in All Blocks"}};
    const auto openAndClose = [&](int times) {
        for (int i = 0; i < times; ++i) {
            for (const auto& tool : tools) {
                MenuCommand(tool.command);
                const HWND window = Tool(tool.caption);
                ASSERT_NE(window, nullptr) << tool.caption;
                if (tool.command == ID_BLOCK_FIND_ALL) {
                    // A search that runs to its end on the way.
                    ::SetWindowTextA(::GetDlgItem(window, IDC_FIND_ALL_TEXT), "a");
                    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_FIND_ALL_START, BN_CLICKED),
                                   reinterpret_cast<LPARAM>(::GetDlgItem(window, IDC_FIND_ALL_START)));
                    PumpMessages(hwnd());
                }
                ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(window, IDCANCEL)));
                PumpMessages(hwnd());
                ASSERT_FALSE(::IsWindow(window));
            }
        }
    };
    ExpectNothingAccumulates(openAndClose, 4, 30);
    EXPECT_TRUE(::IsWindowEnabled(hwnd()));
}

} // namespace
} // namespace corvane
