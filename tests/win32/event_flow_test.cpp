// The whole road through the main window, driven by real window messages:
// a process is picked, its heaps and blocks are listed from a synthetic
// snapshot whose blocks lie in a helper process, and a block's real bytes are
// dumped, searched and saved.

#include "tests/win32/main_window_fixture.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace corvane {
namespace {

using namespace testing;

TEST_F(EventFlow, ProcessHeapsBlocksAndTheDumpOfRealBytes) {
    PickProcess(helper.id(), "helper.exe");
    EXPECT_EQ(platform.debugInfo.queriedProcesses.back(), helper.id());
    ASSERT_EQ(Rows(IDC_NODE_LIST), 2);
    EXPECT_EQ(Cell(IDC_NODE_LIST, 0, 1), RowHex(kHeapBase));
    EXPECT_EQ(Cell(IDC_NODE_LIST, 0, 3), RowHex(0x10000));
    EXPECT_EQ(Cell(IDC_NODE_LIST, 1, 2), "4");
    ExpectWholeTexts(IDC_NODE_LIST, 0, {1, 3, 4, 5});
    for (int id : {IDC_REFRESH, IDC_SEARCH, IDC_SAVE_DATA, IDC_UNICODE_LABEL})
        EXPECT_TRUE(::IsWindowEnabled(item(id))) << id << " enabled again";

    PickRow(IDC_NODE_LIST, 0);
    ASSERT_EQ(Rows(IDC_BLOCK_LIST), kBlocks);
    const std::string address = RowHex(region);
    EXPECT_EQ(Cell(IDC_BLOCK_LIST, 0, 1), address);
    EXPECT_EQ(Cell(IDC_BLOCK_LIST, 0, 2), RowHex(kFirstBlockSize));
    ExpectWholeTexts(IDC_BLOCK_LIST, 0, {1, 2, 3, 4});
    EXPECT_EQ(Cell(IDC_BLOCK_LIST, 1, 4), "Free");
    EXPECT_EQ(WindowText(item(IDC_BLOCK_GROUP)), "Heap Blocks List");
    EXPECT_EQ(::GetFocus(), item(IDC_NODE_LIST));
    testing::CaptureScreen(hwnd()).SaveBmp(testing::OutputPath("road_node_view.bmp"));

    PickRow(IDC_BLOCK_LIST, 0);
    EXPECT_FALSE(HasVisibleStyle(item(IDC_NODE_LIST)));
    EXPECT_TRUE(HasVisibleStyle(item(IDC_DATA_LIST)));
    EXPECT_EQ(WindowText(item(IDC_NODE_GROUP)), "Heap Data within the selected Block");
    const std::vector<std::string> lines = DumpLines();
    ASSERT_EQ(lines.size(), 2u + kFirstBlockSize / 16 + 1);
    EXPECT_EQ(lines[0], "Heap Node Address=" + RowHex(kHeapBase) + ", Block Address=" + address +
                            ", Size=" + RowHex(kFirstBlockSize) + " (512)");
    for (std::size_t line = 0; line < kFirstBlockSize / 16; ++line) {
        std::uint8_t bytes[16];
        for (std::size_t k = 0; k < 16; ++k)
            bytes[k] = RegionByte(line * 16 + k);
        DumpLineText expected;
        FormatDumpLine(static_cast<std::uint32_t>(line * 16), bytes, 16, expected);
        ASSERT_EQ(lines[2 + line], expected) << line;
    }
    EXPECT_EQ(SelectedLine(), 2);
    EXPECT_EQ(WindowText(item(IDC_SEARCH)), "Find");
    EXPECT_EQ(dialog->Held().m_heapDataSize, kFirstBlockSize);
}

// Takes a picture of the screen just before the block list's frame gets its
// final title back, with the title it has then.
struct FillWatch {
    static inline FillWatch* current = nullptr;
    HWND dialog = nullptr;
    HWND frame = nullptr;
    WNDPROC previous = nullptr;
    testing::Pixels duringFill;
    std::string title;

    FillWatch(HWND dialogWindow, HWND frameWindow) : dialog(dialogWindow), frame(frameWindow) {
        current = this;
        previous =
            reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Frame)));
    }
    ~FillWatch() {
        ::SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        current = nullptr;
    }
    static LRESULT CALLBACK Frame(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        FillWatch& self = *current;
        if (message == WM_SETTEXT && self.duringFill.values.empty() &&
            std::string(reinterpret_cast<const char*>(lParam)) == "Heap Blocks List" &&
            WindowText(self.frame) != "Heap Blocks List") {
            self.duringFill = testing::CaptureScreen(self.dialog);
            self.title = WindowText(self.frame);
        }
        return ::CallWindowProcA(self.previous, window, message, wParam, lParam);
    }
};

// The pixels of the frame's title strip, as the window picture shows them.
std::vector<COLORREF> TitleStrip(const testing::Pixels& picture, HWND dialog, HWND frame) {
    RECT title = {};
    ::GetWindowRect(frame, &title);
    RECT window = {};
    ::GetWindowRect(dialog, &window);
    std::vector<COLORREF> strip;
    for (int y = title.top - window.top; y < title.top - window.top + 12; ++y)
        for (int x = title.left - window.left; x < title.right - window.left; ++x)
            strip.push_back(picture.At(x, y));
    return strip;
}

// The frame's title shows the progress while the rows are added: with no
// messages handled during the fill, it must reach the screen there and then,
// looking as the same title does when the window paints it.
TEST_F(EventFlow, TheProgressTitleShowsDuringTheFill) {
    PickProcess(helper.id(), "helper.exe");
    const HWND frame = item(IDC_BLOCK_GROUP);
    {
        // A walk that seems to take a tenth of a second a step.
        FakePlatform::step = 100;
        FillWatch watch(hwnd(), frame);
        PickRow(IDC_NODE_LIST, 0);
        FakePlatform::step = 0;
        ::UpdateWindow(hwnd());
        // Heap 1 has 31 entry records and 30 blocks: one progress title, at 25.
        EXPECT_EQ(watch.title, "Heap Blocks List - Processing 25 of 31 blocks...");
        ASSERT_FALSE(watch.duringFill.values.empty());
        watch.duringFill.SaveBmp(testing::OutputPath("road_progress_title.bmp"));
        EXPECT_EQ(WindowText(frame), "Heap Blocks List");
        const auto final = TitleStrip(testing::CaptureScreen(hwnd()), hwnd(), frame);

        // The same title, painted by the window in its own time.
        ::SetWindowTextA(frame, watch.title.c_str());
        ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessages(hwnd());
        const auto painted = TitleStrip(testing::CaptureScreen(hwnd()), hwnd(), frame);
        const auto during = TitleStrip(watch.duringFill, hwnd(), frame);
        EXPECT_NE(painted, final) << "the strip holds the title";
        EXPECT_EQ(during, painted) << "the progress title was on the screen during the fill";
    }
}

// A heap of a million blocks of 32 bytes, all in memory of this process: the
// block list holds them as numbers and makes each text when it is shown.
TEST_F(EventFlow, AMillionBlocksAreListedAsNumbersAndShownAsTheirTexts) {
    constexpr std::uint32_t kMany = 1000000;
    constexpr std::uint32_t kSize = 32;
    std::vector<std::uint8_t> memory(std::size_t{kMany} * kSize);
    for (std::size_t i = 0; i < memory.size(); ++i)
        memory[i] = static_cast<std::uint8_t>(i / kSize * 3 + i % kSize);
    const Address start = reinterpret_cast<std::uintptr_t>(memory.data());
    SyntheticHeap heap;
    heap.record = {kHeapBase, 0x00000002, 8, 0x1000, 0x10000, kMany + 1, 0};
    heap.entries.reserve(kMany + 1);
    heap.entries.push_back({0x1000, kEntrySegment, start - 8});
    heap.entries.resize(kMany + 1, {kSize, 0x0001, 0});
    platform.LayHeaps({heap});
    PickProcess(::GetCurrentProcessId(), "self.exe");
    PickRow(IDC_NODE_LIST, 0);
    ASSERT_EQ(Rows(IDC_BLOCK_LIST), static_cast<int>(kMany));

    // Each text as the list gives it back is the row's own.
    for (const std::uint32_t row : {0u, 1u, kMany / 2, kMany - 1}) {
        EXPECT_EQ(Cell(IDC_BLOCK_LIST, static_cast<int>(row), 0), std::to_string(row + 1));
        EXPECT_EQ(Cell(IDC_BLOCK_LIST, static_cast<int>(row), 1), RowHex(start + std::uint64_t{row} * kSize));
        EXPECT_EQ(Cell(IDC_BLOCK_LIST, static_cast<int>(row), 2), RowHex(kSize));
        EXPECT_EQ(Cell(IDC_BLOCK_LIST, static_cast<int>(row), 3), "FIXED");
        EXPECT_EQ(Cell(IDC_BLOCK_LIST, static_cast<int>(row), 4), "Allocated");
    }

    // Typing a row's number goes to it, as in a list that holds its texts.
    ::SetFocus(item(IDC_BLOCK_LIST));
    for (const char c : {'1', '2'})
        ::SendMessageA(item(IDC_BLOCK_LIST), WM_CHAR, static_cast<WPARAM>(c), 1);
    PumpMessages(hwnd());
    EXPECT_EQ(::SendMessageA(item(IDC_BLOCK_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 11);

    // The row in the middle and the last show their own blocks.
    for (const std::uint32_t row : {kMany / 2, kMany - 1}) {
        PickRow(IDC_BLOCK_LIST, static_cast<int>(row));
        const std::vector<std::string> lines = DumpLines();
        ASSERT_EQ(lines.size(), 2u + 2u + 1u) << row;
        DumpLineText expected;
        FormatDumpLine(0, memory.data() + std::size_t{row} * kSize, 16, expected);
        EXPECT_EQ(lines[2], expected) << row;
    }

    // Scrolled to its end, the list shows its last rows.
    ::SendMessageA(item(IDC_BLOCK_LIST), LVM_ENSUREVISIBLE, kMany - 1, FALSE);
    PumpMessages(hwnd());
    const auto top = ::SendMessageA(item(IDC_BLOCK_LIST), LVM_GETTOPINDEX, 0, 0);
    const auto page = ::SendMessageA(item(IDC_BLOCK_LIST), LVM_GETCOUNTPERPAGE, 0, 0);
    EXPECT_GE(top + page, static_cast<LRESULT>(kMany));
    testing::CaptureScreen(hwnd()).SaveBmp(testing::OutputPath("road_million_blocks_end.bmp"));
}

// A dump of more than 65,536 lines: the list makes room for the lines in
// steps as it grows, and must still end up with every line once, in order.
TEST_F(EventFlow, ABigBlockIsDumpedWholeAndInOrder) {
    constexpr std::uint32_t kBigSize = 0x100005; // 65,536 full lines and one of 5 bytes
    std::vector<std::uint8_t> memory(kBigSize + 0x40);
    for (std::uint32_t i = 0; i < kBigSize + 0x40; ++i)
        memory[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    const Address start = reinterpret_cast<std::uintptr_t>(memory.data());
    SyntheticHeap heap;
    heap.record = {kHeapBase, 0x00000002, 8, 0x1000, 0x10000, 0, 0};
    heap.entries = {{0x1000, kEntrySegment, start - 8}, {kBigSize, 1, 0}, {0x20, 1, 0}};
    heap.record.entryCount = 3;
    platform.LayHeaps({heap});

    PickProcess(::GetCurrentProcessId(), "self.exe");
    PickRow(IDC_NODE_LIST, 0);
    ASSERT_EQ(Rows(IDC_BLOCK_LIST), 2);
    PickRow(IDC_BLOCK_LIST, 0);
    const std::vector<std::string> lines = DumpLines();
    ASSERT_EQ(lines.size(), 2u + 65537u + 1u);
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines.back(), "");
    for (std::uint32_t line = 0; line < 65537; ++line) {
        const std::uint32_t offset = line * 16;
        DumpLineText expected;
        FormatDumpLine(offset, memory.data() + offset, std::min<std::uint32_t>(16, kBigSize - offset), expected);
        ASSERT_EQ(lines[2 + line], expected) << line;
    }
    EXPECT_EQ(SelectedLine(), 2);

    // The next block's dump starts from an empty list again.
    PickRow(IDC_BLOCK_LIST, 1);
    const std::vector<std::string> next = DumpLines();
    ASSERT_EQ(next.size(), 2u + 2u + 1u);
    const Address nextOffset = std::stoull(Cell(IDC_BLOCK_LIST, 1, 1), nullptr, 16) - start;
    ASSERT_LE(nextOffset + 0x20, kBigSize + 0x40);
    DumpLineText expected;
    FormatDumpLine(0, memory.data() + nextOffset, 16, expected);
    EXPECT_EQ(next[2], expected);
}

TEST_F(EventFlow, SearchFindAgainHandPickedLineAndNotFound) {
    ShowFirstBlock();
    // Three bytes of the block that read as lower-case letters.
    std::string word;
    std::size_t at = 0;
    for (std::size_t i = 0; i + 3 <= kFirstBlockSize && word.empty(); ++i) {
        const std::uint8_t a = RegionByte(i), b = RegionByte(i + 1), c = RegionByte(i + 2);
        if (a >= 'a' && a <= 'z' && b >= 'a' && b <= 'z' && c >= 'a' && c <= 'z') {
            word = {static_cast<char>(a - 32), static_cast<char>(b), static_cast<char>(c)};
            at = i;
        }
    }
    ASSERT_FALSE(word.empty());
    Search(word.c_str());
    EXPECT_EQ(SelectedLine(), static_cast<int>(at / 16 + 2));
    EXPECT_TRUE(HasVisibleStyle(item(IDC_POSITION_LABEL)));
    EXPECT_EQ(WindowText(item(IDC_POSITION_LABEL)),
              " Position: " + RowHex(region + at) + " (" + std::to_string(at) + ")");
    testing::CaptureScreen(hwnd()).SaveBmp(testing::OutputPath("road_data_view.bmp"));
    EXPECT_EQ(WindowText(item(IDC_SEARCH)), "Find Again");

    // Pressing again goes on after the match until none is left.
    for (int press = 0; press < 64 && WindowText(item(IDC_SEARCH)) == "Find Again"; ++press)
        Command(IDC_SEARCH, BN_CLICKED);
    ASSERT_FALSE(boxes->calls.empty());
    EXPECT_EQ(boxes->calls.back().text, "Search string not found.");
    EXPECT_EQ(boxes->calls.back().type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(SelectedLine(), 2);
    EXPECT_FALSE(HasVisibleStyle(item(IDC_POSITION_LABEL)));
    EXPECT_EQ(WindowText(item(IDC_SEARCH)), "Find");

    // A wide search of bytes that are not followed by zeros finds nothing.
    ::SendMessageA(item(IDC_UNICODE_CHECK), BM_SETCHECK, BST_CHECKED, 0);
    const std::size_t calls = boxes->calls.size();
    Search(word.c_str());
    EXPECT_EQ(boxes->calls.size(), calls + 1);
    ::SendMessageA(item(IDC_UNICODE_CHECK), BM_SETCHECK, BST_UNCHECKED, 0);

    // An empty search box is filled in, not searched.
    Search("");
    EXPECT_EQ(WindowText(item(IDC_SEARCH_EDIT)), "Enter the search string");
}

TEST_F(EventFlow, SaveWritesTheBlocksBytes) {
    ShowFirstBlock();
    char folder[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "corvane_road_save.bin";
    ::DeleteFileA(path.c_str());
    DWORD flags = 0;
    std::string initialName, filter;
    const FileDialogHandler previous = SetFileDialogHandler([&](OPENFILENAMEA& request, bool open) {
        EXPECT_FALSE(open);
        flags = request.Flags;
        initialName = request.lpstrFile;
        filter.assign(request.lpstrFilter, 21);
        lstrcpynA(request.lpstrFile, path.c_str(), static_cast<int>(request.nMaxFile));
        return true;
    });
    Command(IDC_SAVE_DATA, BN_CLICKED);
    SetFileDialogHandler(previous);
    EXPECT_TRUE(flags & OFN_PATHMUSTEXIST);
    EXPECT_FALSE(flags & OFN_OVERWRITEPROMPT);
    EXPECT_EQ(initialName, "HeapData");
    EXPECT_EQ(filter, std::string("All Files (*.*)\0*.*\0\0", 21));
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> saved((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_EQ(saved.size(), kFirstBlockSize);
    for (std::size_t i = 0; i < saved.size(); ++i)
        ASSERT_EQ(static_cast<std::uint8_t>(saved[i]), RegionByte(i)) << i;
    EXPECT_TRUE(boxes->calls.empty());
    file.close();
    ::DeleteFileA(path.c_str());
}

TEST_F(EventFlow, FreeBlockNoteAndClose) {
    ShowFirstBlock();
    ASSERT_NE(dialog->Held().m_heapData, nullptr);
    PickRow(IDC_BLOCK_LIST, 1);
    EXPECT_EQ(DumpLines(), std::vector<std::string>{"Note: You have selected the FREE heap block"});
    EXPECT_EQ(dialog->Held().m_heapData, nullptr) << "the copy is released";

    Command(IDC_CLOSE_DATA, BN_CLICKED);
    EXPECT_TRUE(HasVisibleStyle(item(IDC_NODE_LIST)));
    EXPECT_FALSE(HasVisibleStyle(item(IDC_DATA_LIST)));
    EXPECT_EQ(WindowText(item(IDC_NODE_GROUP)), "Heap Node List");
    EXPECT_EQ(Rows(IDC_BLOCK_LIST), kBlocks) << "the block list keeps its rows";
}

TEST_F(EventFlow, RefreshKeepsTheListsWhileTheProcessLivesAndEmptiesThemAfter) {
    PickProcess(helper.id(), "helper.exe");
    PickRow(IDC_NODE_LIST, 0);
    Command(IDOK, BN_CLICKED);
    EXPECT_EQ(Rows(IDC_NODE_LIST), 2);
    EXPECT_EQ(Rows(IDC_BLOCK_LIST), kBlocks);
    EXPECT_EQ(::IsWindow(hwnd()), TRUE) << "Refresh never closes the dialog";

    // Enter in the search box is the dialog's default command: Refresh.
    const int refreshes = platform.processes.calls;
    ::SetFocus(item(IDC_SEARCH_EDIT));
    ::PostMessageA(item(IDC_SEARCH_EDIT), WM_KEYDOWN, VK_RETURN, 0);
    PumpMessages(hwnd());
    EXPECT_EQ(platform.processes.calls, refreshes + 1);

    platform.processes.processes.erase(platform.processes.processes.begin()); // the helper has gone
    Command(IDOK, BN_CLICKED);
    EXPECT_EQ(Rows(IDC_NODE_LIST), 0);
    EXPECT_EQ(Rows(IDC_BLOCK_LIST), 0);
    EXPECT_EQ(::SendMessageA(item(IDC_PROCESS_COMBO), CB_GETCURSEL, 0, 0), 0);
}

TEST_F(EventFlow, PickingTheSameProcessAgainTakesAFreshSnapshot) {
    ShowFirstBlock();
    const std::size_t queries = platform.debugInfo.queriedFlags.size();
    PickProcess(helper.id(), "helper.exe");
    EXPECT_GT(platform.debugInfo.queriedFlags.size(), queries);
    EXPECT_TRUE(HasVisibleStyle(item(IDC_NODE_LIST))) << "back to the node view";
    EXPECT_EQ(Rows(IDC_BLOCK_LIST), 0);
}

TEST_F(EventFlow, RowInfoTips) {
    PickProcess(helper.id(), "helper.exe");
    NMLVGETINFOTIPA tip = {};
    tip.hdr.hwndFrom = item(IDC_NODE_LIST);
    tip.hdr.idFrom = IDC_NODE_LIST;
    tip.hdr.code = LVN_GETINFOTIPA;
    ::SendMessageA(hwnd(), WM_NOTIFY, IDC_NODE_LIST, reinterpret_cast<LPARAM>(&tip));
    ASSERT_NE(tip.pszText, nullptr);
    EXPECT_STREQ(tip.pszText, "Click to view the heap blocks within this node");
    tip.hdr.hwndFrom = item(IDC_BLOCK_LIST);
    tip.hdr.idFrom = IDC_BLOCK_LIST;
    ::SendMessageA(hwnd(), WM_NOTIFY, IDC_BLOCK_LIST, reinterpret_cast<LPARAM>(&tip));
    EXPECT_STREQ(tip.pszText, "Click to view the contents of this heap block");
}

TEST_F(EventFlow, SummaryQueryAfterAFailedFullQueryStillListsTheHeaps) {
    platform.debugInfo.fullQueryStatus = 0xC0000001;
    PickProcess(helper.id(), "helper.exe");
    ASSERT_EQ(boxes->calls.size(), 1u);
    EXPECT_EQ(boxes->calls[0].text, "First level heap enumeration failed");
    EXPECT_EQ(boxes->calls[0].caption, "Corvane") << "the program's name, as the window's caption spells it";
    EXPECT_EQ(boxes->calls[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(Rows(IDC_NODE_LIST), 2);
    EXPECT_TRUE(::IsWindowEnabled(item(IDC_REFRESH)));
}

TEST_F(EventFlow, BothQueriesFailing) {
    platform.debugInfo.fullQueryStatus = platform.debugInfo.summaryQueryStatus = 0xC0000001;
    PickProcess(helper.id(), "helper.exe");
    ASSERT_EQ(boxes->calls.size(), 2u);
    EXPECT_EQ(boxes->calls[1].text, "Second level heap enumeration failed");
    EXPECT_EQ(boxes->calls[1].caption, "Corvane");
    EXPECT_EQ(boxes->calls[1].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(Rows(IDC_NODE_LIST), 0);
    EXPECT_EQ(platform.debugInfo.created, platform.debugInfo.destroyed);
    for (int id : {IDC_REFRESH, IDC_SEARCH, IDC_UNICODE_CHECK})
        EXPECT_TRUE(::IsWindowEnabled(item(id))) << id;
}

TEST_F(EventFlow, NoBufferForTheBlockList) {
    PickProcess(helper.id(), "helper.exe");
    platform.debugInfo.failCreate = true;
    PickRow(IDC_NODE_LIST, 0);
    ASSERT_EQ(boxes->calls.size(), 1u);
    EXPECT_EQ(boxes->calls[0].text, "Failed to create debug buffer for heap storage");
    EXPECT_EQ(boxes->calls[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(Rows(IDC_BLOCK_LIST), 0);
    EXPECT_TRUE(::IsWindowEnabled(item(IDC_NODE_LIST))) << "enabled again";
}

TEST_F(EventFlow, ABlockThatCannotBeReadShowsTheErrorLine) {
    // A block past the helper's region, where nothing is mapped.
    SyntheticHeap heap;
    heap.record = {kHeapBase, 0x00000002, 8, 0x100, 0x1000, 2, 0};
    heap.entries = {{0x1000, kEntrySegment, region + testing::kRegionCommitted - 8}, {0x40, 0x0001, 0}};
    platform.LayHeaps({heap});
    PickProcess(helper.id(), "helper.exe");
    PickRow(IDC_NODE_LIST, 0);
    ASSERT_EQ(Cell(IDC_BLOCK_LIST, 0, 1), RowHex(region + testing::kRegionCommitted));
    PickRow(IDC_BLOCK_LIST, 0);
    EXPECT_EQ(DumpLines(), std::vector<std::string>{"ERROR : Failed to read heap data from the target process"});
    EXPECT_EQ(SelectedLine(), -1);
    EXPECT_EQ(dialog->Held().m_heapData, nullptr);
    EXPECT_TRUE(boxes->calls.empty()) << "block reads report in the dump list only";
    for (int id : {IDC_REFRESH, IDC_PROCESS_COMBO, IDC_SEARCH, IDC_SEARCH_EDIT})
        EXPECT_TRUE(::IsWindowEnabled(item(id))) << id;
}

TEST_F(EventFlow, AProcessThatHasEndedIsSaidOnceAndLeavesTheList) {
    // The helper ends after the list was made: the platform no longer lists it.
    platform.processes.processes.erase(platform.processes.processes.begin());
    platform.debugInfo.endsAtRunningCheck = 1;
    PickProcess(helper.id(), "helper.exe");
    ASSERT_EQ(boxes->calls.size(), 1u);
    EXPECT_EQ(boxes->calls[0].text, "The process has ended. The process list has been refreshed.");
    EXPECT_EQ(boxes->calls[0].caption, "Corvane");
    EXPECT_EQ(boxes->calls[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    const std::string entry = FormatProcessEntry("helper.exe", static_cast<std::int32_t>(helper.id()));
    EXPECT_EQ(::SendMessageA(item(IDC_PROCESS_COMBO), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                             reinterpret_cast<LPARAM>(entry.c_str())),
              CB_ERR);
    EXPECT_EQ(::SendMessageA(item(IDC_PROCESS_COMBO), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(Rows(IDC_NODE_LIST), 0);
    EXPECT_TRUE(::IsWindowEnabled(item(IDC_REFRESH)));
}

} // namespace
} // namespace corvane
