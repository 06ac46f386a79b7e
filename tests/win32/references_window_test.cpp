// Following references between blocks through the main window, with the
// program's own services, over the sample's leak scene: the leaks, who
// points at a block, the pointers a block holds, going back, and going to
// an address.

#include "app/platform_win32.h"
#include "heap/dump_text.h"
#include "heap/process_list.h"
#include "res/resource.h"
#include "tests/support/piped_child_win32.h"
#include "tests/win32/block_helper.h"
#include "tests/win32/framework_test_support.h"
#include "tests/win32/main_window_fixture.h"
#include "ui/heap_rows.h"
#include "ui/heap_tools.h"
#include "ui/win32/corvane_dialog_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace corvane::testing {
namespace {

constexpr std::uint64_t kSceneBlockSize = 0x20, kLink = 0x10;

struct SceneBlock {
    Address address = 0;
    std::string kind; // reached, unreferenced or unreachable
};

class LeakSceneWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sample.started()) << SamplePath();
        ASSERT_EQ(sample.ReadLine().rfind("corvane_sample: process ", 0), 0u);
        SkipToEnd();
        ASSERT_TRUE(sample.WriteLine("leaks"));
        for (std::string line = sample.ReadLine(); !line.empty() && line != "end"; line = sample.ReadLine()) {
            unsigned long long address = 0, size = 0;
            char kind[16] = {}, role[16] = {};
            if (std::sscanf(line.c_str(), "leak-heap %llx", &address) == 1) leakHeap = address;
            if (std::sscanf(line.c_str(), "leak %llx %llx %15s %15s", &address, &size, kind, role) == 4)
                scene[role] = {address, kind};
        }
        ASSERT_EQ(scene.size(), 29u);
        ASSERT_NE(leakHeap, 0u);

        ASSERT_TRUE(ShowTestDialog(dialog));
        ASSERT_NO_FATAL_FAILURE(PickProcess("corvane_sample.exe", sample.id()));
        for (int row = 0; row < Rows(item(IDC_NODE_LIST)); ++row)
            if (ListCell(item(IDC_NODE_LIST), row, NodeColumn::Base) == RowHex(leakHeap)) leakHeapRow = row;
        ASSERT_GE(leakHeapRow, 0) << "the scene's heap is listed";
        ASSERT_TRUE(boxes.calls.empty()) << boxes.calls.front().text;
    }
    void TearDown() override { dialog.DestroyWindow(); }
    void SkipToEnd() {
        for (std::string line = sample.ReadLine(); !line.empty() && line != "end"; line = sample.ReadLine()) {
        }
    }

    void PickProcess(const char* name, std::uint32_t id) { PickListedProcess(hwnd(), name, id); }

    HWND hwnd() const { return dialog.GetSafeHwnd(); }
    HWND item(int id) const { return ::GetDlgItem(hwnd(), id); }
    static int Rows(HWND list) { return static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }
    void Command(int id, int code) {
        ::SendMessageA(hwnd(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(item(id)));
        PumpMessages(hwnd());
    }
    void Click(HWND window, int id) {
        ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(window, id)));
        PumpMessages(hwnd());
    }
    void PickRow(int listId, int row) {
        LVITEMA state = {};
        state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(item(listId), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
        PumpMessages(hwnd());
    }
    int ChosenRow(int listId) const {
        return static_cast<int>(::SendMessageA(item(listId), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }
    // Shows a block of the scene as a click on its row does.
    void ShowSceneBlock(const std::string& role) {
        PickRow(IDC_NODE_LIST, leakHeapRow);
        for (int row = 0; row < Rows(item(IDC_BLOCK_LIST)); ++row)
            if (ListCell(item(IDC_BLOCK_LIST), row, BlockColumn::Address) == RowHex(scene[role].address))
                return PickRow(IDC_BLOCK_LIST, row);
        ADD_FAILURE() << role << " is not in the block list";
    }
    std::string DumpLine(int line) const {
        char text[256] = {};
        ::SendMessageA(item(IDC_DATA_LIST), LB_GETTEXT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(text));
        return text;
    }
    int SelectedLine() const { return static_cast<int>(::SendMessageA(item(IDC_DATA_LIST), LB_GETCURSEL, 0, 0)); }
    // The dump shows the block at `address`, with the line of `offset` chosen.
    void ExpectShown(Address address, std::uint64_t offset) const {
        EXPECT_NE(DumpLine(0).find("Block Address=" + RowHex(address) + ","), std::string::npos) << DumpLine(0);
        EXPECT_EQ(ListCell(item(IDC_BLOCK_LIST), ChosenRow(IDC_BLOCK_LIST), BlockColumn::Address), RowHex(address));
        EXPECT_EQ(SelectedLine(), kFirstDumpLine + static_cast<int>(offset / kDumpBytesPerLine));
    }
    // Opens a tool from a menu and lets its work run to its end.
    HWND OpenTool(int command, const char* caption) {
        ::SendMessageA(hwnd(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
        const HWND tool = ::FindWindowA(nullptr, caption);
        for (const DWORD start = ::GetTickCount(); tool && ::GetTickCount() - start < 60000;) {
            PumpMessages(hwnd());
            const HWND stop = ::GetDlgItem(tool, IDC_TOOL_STOP);
            if (!stop || !::IsWindowEnabled(stop)) break;
        }
        return tool;
    }
    void Close(HWND tool) {
        Click(tool, IDCANCEL);
        EXPECT_FALSE(::IsWindow(tool));
    }

    PipedChild sample{SamplePath(), "--report"};
    Win32Platform platform;
    MessageBoxRecorder boxes{IDOK};
    CCorvaneDlg dialog{platform};
    Address leakHeap = 0;
    std::map<std::string, SceneBlock> scene; // by role
    int leakHeapRow = -1;
};

TEST_F(LeakSceneWindow, FindLeaksListsTheStagedLeaksWithTheirKindsLargestFirstAndTheTotals) {
    const HWND leaks = OpenTool(ID_NODE_FIND_LEAKS, "Leaks");
    ASSERT_NE(leaks, nullptr);
    const HWND list = ::GetDlgItem(leaks, IDC_TOOL_LIST);
    std::map<Address, std::string> listed; // of the scene's heap
    std::uint64_t blocks[2] = {}, bytes[2] = {}, previousSize = ~0ull;
    for (int row = 0; row < Rows(list); ++row) {
        const std::string kind = ListCell(list, row, 3);
        ASSERT_TRUE(kind == "Unreferenced" || kind == "Unreachable") << kind;
        const std::uint64_t size = std::stoull(ListCell(list, row, 2), nullptr, 16);
        EXPECT_LE(size, previousSize) << "largest first, row " << row;
        previousSize = size;
        ++blocks[kind == "Unreachable"];
        bytes[kind == "Unreachable"] += size;
        if (ListCell(list, row, 0) == RowHex(leakHeap)) listed[std::stoull(ListCell(list, row, 1), nullptr, 16)] = kind;
    }
    std::map<Address, std::string> staged;
    for (const auto& [role, block] : scene)
        if (block.kind != "reached")
            staged[block.address] = block.kind == "unreachable" ? "Unreachable" : "Unreferenced";
    EXPECT_EQ(listed, staged) << "the scene's heap holds exactly the staged leaks, and no reached block";
    EXPECT_EQ(staged.size(), 17u);
    // The first bytes of a lost block show as its label.
    for (int row = 0; row < Rows(list); ++row)
        if (ListCell(list, row, 1) == RowHex(scene["lost-1"].address)) {
            EXPECT_EQ(ListCell(list, row, 4).substr(0, 4), "lost") << ListCell(list, row, 4);
        }

    const auto count = [](std::uint64_t n, const char* one, const char* many) {
        return GroupedDecimal(n) + (n == 1 ? one : many);
    };
    const std::string totals = WindowText(::GetDlgItem(leaks, IDC_TOOL_SUMMARY));
    EXPECT_EQ(totals.rfind("Unreferenced: " + count(blocks[0], " block, ", " blocks, ") +
                               count(bytes[0], " byte", " bytes") + ". Unreachable: " +
                               count(blocks[1], " block, ", " blocks, ") + count(bytes[1], " byte", " bytes") +
                               ". In all: " + count(blocks[0] + blocks[1], " block, ", " blocks, ") +
                               count(bytes[0] + bytes[1], " byte", " bytes") + ".",
                           0),
              0u)
        << totals;
    EXPECT_EQ(WindowText(::GetDlgItem(leaks, IDC_TOOL_NOTE)),
              "Values held only in registers are not seen, and any value that looks like a pointer keeps a block "
              "alive.");
    CaptureScreen(leaks).SaveBmp(OutputPath("leaks_dialog.bmp"));

    // A double click shows the leak in the main window.
    for (int row = 0; row < Rows(list); ++row)
        if (ListCell(list, row, 1) == RowHex(scene["cycle-2"].address)) DoubleClickListRow(list, row);
    PumpMessages(hwnd());
    EXPECT_FALSE(::IsWindow(leaks));
    ExpectShown(scene["cycle-2"].address, 0);
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(LeakSceneWindow, WhoPointsHereFindsTheListsFirstBlockAtItsLinkAndShowsIt) {
    ShowSceneBlock("live-2");
    const HWND who = OpenTool(ID_BLOCK_WHO_POINTS, "Who Points Here");
    ASSERT_NE(who, nullptr);
    const HWND list = ::GetDlgItem(who, IDC_TOOL_LIST);
    // Only live-1 holds live-2 among the heaps' blocks. Outside them, the
    // 32-bit system libraries' data hold a few values that happen to lie in
    // the block, and a conservative search lists those too; each row's value
    // lies in the block.
    const std::uint64_t blockSize =
        std::stoull(ListCell(item(IDC_BLOCK_LIST), ChosenRow(IDC_BLOCK_LIST), BlockColumn::Size), nullptr, 16);
    int heapRow = -1, heapRows = 0;
    std::string rows;
    for (int row = 0; row < Rows(list); ++row) {
        rows += "\n" + ListCell(list, row, 0) + " at " + ListCell(list, row, 1);
        if (ListCell(list, row, 0).rfind("Heap ", 0) == 0) heapRow = row, ++heapRows;
        const std::uint64_t value = std::stoull(ListCell(list, row, 2), nullptr, 16);
        EXPECT_TRUE(value >= scene["live-2"].address && value < scene["live-2"].address + blockSize)
            << ListCell(list, row, 2);
    }
    ASSERT_EQ(heapRows, 1) << WindowText(::GetDlgItem(who, IDC_TOOL_SUMMARY)) << rows;
    if (sizeof(void*) == 8) {
        EXPECT_EQ(Rows(list), 1) << rows;
    }
    EXPECT_EQ(ListCell(list, heapRow, 0),
              "Heap " + RowHex(leakHeap) + ", block " + RowHex(scene["live-1"].address) + " +0x10");
    EXPECT_EQ(ListCell(list, heapRow, 1), RowHex(scene["live-1"].address + kLink));
    EXPECT_EQ(ListCell(list, heapRow, 2), RowHex(scene["live-2"].address));
    EXPECT_NE(WindowText(::GetDlgItem(who, IDC_TOOL_SUMMARY)).find("\nDone: "), std::string::npos);
    CaptureScreen(who).SaveBmp(OutputPath("who_points_here_dialog.bmp"));

    // Its row copies with the headings.
    LVITEMA state = {};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(heapRow), reinterpret_cast<LPARAM>(&state));
    ::SetFocus(list);
    ::OpenClipboard(nullptr);
    ::EmptyClipboard();
    ::CloseClipboard();
    PressKey(who, list, 'C', true);
    EXPECT_EQ(ClipboardText(), "Where\tAddress\tValue\r\n" + ListCell(list, heapRow, 0) + "\t" +
                                   ListCell(list, heapRow, 1) + "\t" + ListCell(list, heapRow, 2) + "\r\n");

    // And all of them export from the list's menu, under the headings.
    char folder[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "corvane_referrers.csv";
    std::string offered;
    const FileDialogHandler previous = SetFileDialogHandler([&](OPENFILENAMEA& request, bool) {
        offered = request.lpstrFile;
        lstrcpynA(request.lpstrFile, path.c_str(), static_cast<int>(request.nMaxFile));
        return true;
    });
    ::SendMessageA(who, WM_COMMAND, MAKEWPARAM(ID_TOOL_EXPORT, 0), 0);
    SetFileDialogHandler(previous);
    std::ifstream file(path, std::ios::binary);
    const std::string csv((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    file.close();
    ::DeleteFileA(path.c_str());
    EXPECT_EQ(offered, "Referrers");
    EXPECT_NE(csv.find("\r\n\"" + ListCell(list, heapRow, 0) + "\"," + ListCell(list, heapRow, 1) + "," +
                       ListCell(list, heapRow, 2) + "\r\n"),
              std::string::npos)
        << csv;
    EXPECT_EQ(csv.rfind("Where,Address,Value\r\n", 0), 0u);

    DoubleClickListRow(list, heapRow);
    PumpMessages(hwnd());
    EXPECT_FALSE(::IsWindow(who));
    ExpectShown(scene["live-1"].address, kLink);
}

TEST_F(LeakSceneWindow, PointersInTheFirstBlockListTheSecondWhichADoubleClickShowsAndBackLeaves) {
    ShowSceneBlock("live-1");
    const std::vector<MenuEntry> menu = ReadContextMenu(hwnd(), item(IDC_DATA_LIST), "dump_menu.bmp");
    ASSERT_EQ(menu.size(), 6u);
    EXPECT_EQ(menu[0].text, "&Back\tAlt+Left");
    EXPECT_FALSE(menu[0].enabled) << "no block to go back to yet";
    EXPECT_EQ(menu[1].text, "&Pointers in this block...");
    EXPECT_TRUE(menu[1].enabled);

    const HWND pointers = OpenTool(ID_DUMP_POINTERS, "Pointers in Block");
    ASSERT_NE(pointers, nullptr);
    const HWND list = ::GetDlgItem(pointers, IDC_TOOL_LIST);
    ASSERT_EQ(Rows(list), 1);
    EXPECT_EQ(ListCell(list, 0, 0), RowHex(kLink) + " (16)");
    EXPECT_EQ(ListCell(list, 0, 1), RowHex(scene["live-2"].address));
    EXPECT_EQ(ListCell(list, 0, 2), RowHex(leakHeap));
    EXPECT_EQ(ListCell(list, 0, 3), RowHex(scene["live-2"].address));
    // The size as the block list's row gives it, with what the heap adds.
    const std::uint64_t size =
        std::stoull(ListCell(item(IDC_BLOCK_LIST), ChosenRow(IDC_BLOCK_LIST), BlockColumn::Size), nullptr, 16);
    EXPECT_GE(size, kSceneBlockSize);
    EXPECT_EQ(ListCell(list, 0, 4), RowHex(size) + " (" + std::to_string(size) + ")");
    EXPECT_EQ(ListCell(list, 0, 5), RowHex(0) + " (0)");
    CaptureScreen(pointers).SaveBmp(OutputPath("pointers_in_block_dialog.bmp"));

    DoubleClickListRow(list, 0);
    PumpMessages(hwnd());
    EXPECT_FALSE(::IsWindow(pointers));
    ExpectShown(scene["live-2"].address, 0);

    // On along the list, then back twice with Alt+Left.
    ASSERT_NE(OpenTool(ID_DUMP_POINTERS, "Pointers in Block"), nullptr);
    DoubleClickListRow(::GetDlgItem(::FindWindowA(nullptr, "Pointers in Block"), IDC_TOOL_LIST), 0);
    PumpMessages(hwnd());
    ExpectShown(scene["live-3"].address, 0);
    for (const char* role : {"live-2", "live-1"}) {
        ::PostMessageA(item(IDC_DATA_LIST), WM_SYSKEYDOWN, VK_LEFT, 0x20000001);
        PumpMessages(hwnd());
        EXPECT_NE(DumpLine(0).find("Block Address=" + RowHex(scene[role].address) + ","), std::string::npos)
            << role << ": " << DumpLine(0);
    }
    EXPECT_FALSE(ReadContextMenu(hwnd(), item(IDC_DATA_LIST))[0].enabled) << "nothing more to go back to";
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(LeakSceneWindow, GoToAddressChoosesTheBlockAndLineOrSaysWhatTheAddressIs) {
    const auto goTo = [&](const std::string& text, const char* picture = nullptr) {
        PressKey(hwnd(), item(IDC_NODE_LIST), 'G', true);
        const HWND ask = ::FindWindowA(nullptr, "Go to Address");
        if (!ask) return ask;
        ::SetWindowTextA(::GetDlgItem(ask, IDC_GO_TO_EDIT), text.c_str());
        PumpMessages(hwnd());
        if (picture) CaptureScreen(ask).SaveBmp(OutputPath(picture));
        Click(ask, IDOK);
        return ask;
    };
    // 24 bytes into the third block of the live list, typed without "0x".
    const HWND ask = goTo(RowHex(scene["live-3"].address + 24).substr(2), "go_to_address_dialog.bmp");
    ASSERT_NE(ask, nullptr);
    EXPECT_FALSE(::IsWindow(ask));
    EXPECT_EQ(ChosenRow(IDC_NODE_LIST), leakHeapRow);
    ExpectShown(scene["live-3"].address, 24);
    EXPECT_TRUE(boxes.calls.empty());

    // The heap's own header lies in no block.
    goTo(RowHex(leakHeap));
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].text,
              RowHex(leakHeap) + " lies in the heap at " + RowHex(leakHeap) + ", but in none of its blocks.");
    // A text that is no address is refused, and the box stays for another try.
    const HWND refused = goTo("0x12g4");
    ASSERT_EQ(boxes.calls.size(), 2u);
    EXPECT_EQ(boxes.calls[1].text, "\"0x12g4\" is not an address: type hexadecimal digits, with or without 0x.");
    EXPECT_TRUE(::IsWindow(refused));
    Click(refused, IDCANCEL);
    EXPECT_FALSE(::IsWindow(refused));
    EXPECT_TRUE(::IsWindowEnabled(hwnd()));
}

TEST_F(LeakSceneWindow, ASearchOfTheWholeProcessStopsBetweenItsSteps) {
    // This process, with far more to read than one step reads: a gigabyte,
    // or a quarter of one where the address space is 2 GiB in all.
    constexpr std::size_t kBig = std::size_t{1} << (sizeof(void*) == 8 ? 30 : 28);
    void* const big = ::VirtualAlloc(nullptr, kBig, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    ASSERT_NE(big, nullptr);
    char name[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, name, MAX_PATH);
    const char* const base = std::max(std::strrchr(name, '\\'), std::strrchr(name, '/'));
    ASSERT_NO_FATAL_FAILURE(PickProcess(base ? base + 1 : name, ::GetCurrentProcessId()));
    PickRow(IDC_NODE_LIST, 0);
    PickRow(IDC_BLOCK_LIST, 0);
    for (const int command : {ID_NODE_FIND_LEAKS, ID_BLOCK_WHO_POINTS}) {
        ::SendMessageA(hwnd(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
        const HWND tool = ::GetActiveWindow();
        ASSERT_NE(tool, hwnd());
        // The click waits behind the first step, as one made while it runs would.
        ::PostMessageA(tool, WM_COMMAND, MAKEWPARAM(IDC_TOOL_STOP, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(tool, IDC_TOOL_STOP)));
        PumpMessages(hwnd());
        const std::string summary = WindowText(::GetDlgItem(tool, IDC_TOOL_SUMMARY));
        EXPECT_NE(summary.find("Stopped after"), std::string::npos) << summary;
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(tool, IDC_TOOL_STOP)));
        Close(tool);
    }
    ::VirtualFree(big, 0, MEM_RELEASE);
}

TEST_F(LeakSceneWindow, TheNewToolsOpenedAndClosedAgainAndAgainKeepNoMemoryOrGdiObjects) {
    ShowSceneBlock("live-1");
    const auto openAndClose = [&](int times) {
        for (int i = 0; i < times; ++i) {
            for (const auto& [command, caption] :
                 {std::pair{ID_DUMP_POINTERS, "Pointers in Block"}, std::pair{ID_DUMP_WHO_POINTS, "Who Points Here"},
                  std::pair{ID_NODE_FIND_LEAKS, "Leaks"}, std::pair{ID_NODE_GO_TO, "Go to Address"}}) {
                const HWND tool = OpenTool(command, caption);
                ASSERT_NE(tool, nullptr) << caption;
                Close(tool);
            }
        }
    };
    ExpectNothingAccumulates(openAndClose, 3, 30);
    EXPECT_TRUE(boxes.calls.empty());
}

} // namespace
} // namespace corvane::testing
