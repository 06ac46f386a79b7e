// The heaps of real processes under Wine, read from outside: compared with
// what HeapWalk sees inside the sample target, with heaps that a helper
// breaks on purpose, and on the whole road through the main window.

#include "app/platform_win32.h"
#include "heap/block_walk.h"
#include "heap/dump_text.h"
#include "heap/heap_snapshot.h"
#include "heap/process_list.h"
#include "heap/win32/wine_heaps_win32.h"
#include "res/resource.h"
#include "tests/support/piped_child_win32.h"
#include "tests/support/synthetic_snapshot.h"
#include "tests/support/wine_heap_layout.h"
#include "tests/win32/block_helper.h"
#include "tests/win32/framework_test_support.h"
#include "tests/win32/main_window_fixture.h"
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
#include <tuple>
#include <vector>

namespace corvane::testing {

namespace {

// Where this process's heaps keep their list of regions, for the layout its
// own heap has: Wine 10.0's magic lies 4 or 8 bytes further on than 8.0's.
bool OwnHeapsAreWine10(std::uintptr_t base) {
    return *reinterpret_cast<const std::uint32_t*>(base + (sizeof(void*) == 8 ? 0xC0 : 0x6C)) == 0x50414548;
}
std::uintptr_t RegionListOf(std::uintptr_t base) {
    const bool ten = OwnHeapsAreWine10(base);
    return base + (sizeof(void*) == 8 ? (ten ? 0x90 : 0x88) : (ten ? 0x54 : 0x50));
}

// Forty heaps whose first regions claim to commit nearly 1 GiB that is not
// there: their bases are reported, one a line, and the sizes put right
// before the helper ends.
int RunHugeRegionsHelper() {
    constexpr int kHeaps = 40;
    const unsigned p = sizeof(void*);
    std::uintptr_t fields[kHeaps] = {};
    std::uintptr_t saved[kHeaps][2] = {};
    char report[kHeaps * 24] = {};
    std::size_t length = 0;
    for (int i = 0; i < kHeaps; ++i) {
        const HANDLE heap = ::HeapCreate(0, 0, 0);
        ::HeapAlloc(heap, 0, 64);
        const auto base = reinterpret_cast<std::uintptr_t>(heap);
        // The region's reserved and committed sizes lie just before its link.
        auto* link = *reinterpret_cast<std::uintptr_t**>(RegionListOf(base));
        fields[i] = reinterpret_cast<std::uintptr_t>(link) - 2 * p;
        auto* sizes = reinterpret_cast<std::uintptr_t*>(fields[i]);
        saved[i][0] = sizes[0];
        saved[i][1] = sizes[1];
        sizes[0] = 0x40010000;
        sizes[1] = 0x3FFF0000;
        length += static_cast<std::size_t>(
            std::snprintf(report + length, sizeof report - length, "%llx\n", static_cast<unsigned long long>(base)));
    }
    ReportAndWait(report, length);
    for (int i = 0; i < kHeaps; ++i) {
        auto* sizes = reinterpret_cast<std::uintptr_t*>(fields[i]);
        sizes[0] = saved[i][0];
        sizes[1] = saved[i][1];
    }
    return 0;
}

} // namespace

// The helper's side: breaks one of its own heaps as `mode` says, reports
// the heap's address, and puts the heap right again before it ends. The
// modes that break a front-end group report "none" where the heap has none.
int RunHeapFaultHelper(const char* mode) {
    if (std::strcmp(mode, "huge-regions") == 0) return RunHugeRegionsHelper();
    const HANDLE heap = ::HeapCreate(0, 0, 0);
    void* blocks[8] = {};
    for (void*& block : blocks)
        block = ::HeapAlloc(heap, 0, 64);
    // Enough blocks of one small size for the front end to keep them in groups.
    void* small[400] = {};
    for (void*& block : small)
        block = ::HeapAlloc(heap, 0, 40);
    const unsigned p = sizeof(void*);
    const auto base = reinterpret_cast<std::uintptr_t>(heap);
    // The first region's link in the heap's list of regions.
    const std::uintptr_t regionLink = *reinterpret_cast<std::uintptr_t*>(RegionListOf(base));
    void* unmapped = ::VirtualAlloc(nullptr, 0x10000, MEM_RESERVE, PAGE_NOACCESS);
    ::VirtualFree(unmapped, 0, MEM_RELEASE);

    unsigned char* changed = nullptr;
    unsigned char saved[8] = {};
    std::size_t length = 0;
    auto change = [&](std::uintptr_t at, const void* bytes, std::size_t size) {
        changed = reinterpret_cast<unsigned char*>(at);
        length = size;
        std::memcpy(saved, changed, size);
        std::memcpy(changed, bytes, size);
    };
    const std::uintptr_t header = reinterpret_cast<std::uintptr_t>(blocks[3]) - 8;
    const std::uint16_t zero = 0, huge = 0x7FFF;
    const auto nowhere = reinterpret_cast<std::uintptr_t>(unmapped);
    if (std::strcmp(mode, "size0") == 0) change(header, &zero, sizeof zero);
    if (std::strcmp(mode, "past-end") == 0) change(header, &huge, sizeof huge);
    if (std::strcmp(mode, "bad-link") == 0) change(regionLink, &nowhere, p);
    if (std::strcmp(mode, "cycle") == 0) change(regionLink, &regionLink, p);

    if (std::strncmp(mode, "group-", 6) == 0) {
        // A busy block of a group other than its first (whose size is the
        // group's): its header's flags carry 0x80, its WORD at 4 is its
        // index, and the group starts before its first block.
        std::uintptr_t element = 0;
        for (void* block : small)
            if (OwnHeapsAreWine10(base) && (static_cast<unsigned char*>(block)[-1] & 0x80) &&
                *reinterpret_cast<std::uint16_t*>(static_cast<unsigned char*>(block) - 4) != 0) {
                element = reinterpret_cast<std::uintptr_t>(block) - 8;
                break;
            }
        if (element == 0) {
            ReportAndWait("none\n", 5);
            return 0;
        }
        const std::uint16_t units = *reinterpret_cast<std::uint16_t*>(element);
        const std::uint16_t index = *reinterpret_cast<std::uint16_t*>(element + 4);
        const std::uintptr_t group = element - index * units * 2 * p - WineGroupFirstBlock(p);
        const std::uintptr_t freeBits = group + WineGroupFreeBits(p);
        const std::uint16_t larger = static_cast<std::uint16_t>(units + 1);
        const std::uint16_t smaller = static_cast<std::uint16_t>(*reinterpret_cast<std::uint16_t*>(group - 8) - 2);
        const std::uint32_t bits = *reinterpret_cast<std::uint32_t*>(freeBits) ^ (1u << index);
        if (std::strcmp(mode, "group-type") == 0) change(element + 6, "x", 1);
        if (std::strcmp(mode, "group-size") == 0) change(element, &larger, sizeof larger);
        if (std::strcmp(mode, "group-bits") == 0) change(freeBits, &bits, sizeof bits);
        if (std::strcmp(mode, "group-holder") == 0) change(group - 8, &smaller, sizeof smaller);
    }

    char report[32];
    const int size = std::snprintf(report, sizeof report, "%llx\n", static_cast<unsigned long long>(base));
    ReportAndWait(report, static_cast<std::size_t>(size));
    if (changed) std::memcpy(changed, saved, length);
    return 0;
}

namespace {

using Row = BlockRowValues;

std::vector<Row> Rows(const WineHeap& heap) { return WalkBlockRows(heap); }

// What the sample allocated and did not free: address and size asked for.
using Allocations = std::map<Address, std::uint64_t>;

// Whether a row of `rows` (sorted) starts at `address`, and whether it is free.
const Row* RowAt(const std::vector<Row>& rows, Address address) {
    const auto found = std::lower_bound(rows.begin(), rows.end(), Row{address, 0, false});
    return found != rows.end() && std::get<0>(*found) == address ? &*found : nullptr;
}

// What HeapWalk saw of one heap, and the rows that it makes by the lists'
// definition: a block's row starts at its data, right after its 8-byte
// header, and runs to the next block's data, but not past its region's
// committed end; a large block's row is its data.
struct WalkedHeap {
    Address base = 0;
    bool madeBySample = false;
    std::vector<std::pair<Address, Address>> regions;                 // start, committed end
    std::vector<std::tuple<unsigned, Address, std::uint64_t>> blocks; // flags, data, data size

    // HeapWalk shows a front-end group as one busy block, in which the
    // reader lists blocks of its own instead: 31 of them, of one stride,
    // from the group's first block on. Those the sample allocated are busy and, in a heap only the
    // sample allocates from, the others free; in the others their state is
    // what `listed` says. `groups` counts them.
    std::vector<Row> ExpectedRows(const std::vector<Row>& listed, const Allocations& live, unsigned& groups) const {
        const Address firstBlock = WineGroupFirstBlock(sizeof(void*));
        const Address freeLinks = 2 * sizeof(void*); // a free block's data starts after its list link
        const Address ba = 2 * sizeof(void*);
        std::vector<Row> rows;
        // Where each row starts, and its state: busy, free, or a group's own
        // header, which is no row's but ends the row before it.
        enum State { Busy, Free, GroupHeader };
        std::vector<std::vector<std::pair<Address, State>>> inRegion(regions.size());
        for (const auto& [flags, data, size] : blocks) {
            const bool free = (flags & PROCESS_HEAP_ENTRY_BUSY) == 0;
            const Address row = free ? data - freeLinks : data;
            const auto region = std::find_if(regions.begin(), regions.end(),
                                             [&](const auto& r) { return row > r.first && row <= r.second; });
            if (region == regions.end()) {
                rows.emplace_back(data, size, false); // a large block, in memory of its own
                continue;
            }
            auto& starts = inRegion[static_cast<std::size_t>(region - regions.begin())];
            const auto inside = std::upper_bound(listed.begin(), listed.end(), Row{data, ~0ull, true});
            const bool group =
                !free && !RowAt(listed, data) && inside != listed.end() && std::get<0>(*inside) < data + size;
            if (!group) {
                starts.emplace_back(row, free ? Free : Busy);
                continue;
            }
            ++groups;
            starts.emplace_back(data, GroupHeader);
            const Address stride = (size - firstBlock) / 31 / ba * ba;
            for (unsigned i = 0; i < 31; ++i) {
                const Address element = data + firstBlock + i * stride + 8;
                const Row* seen = RowAt(listed, element);
                const bool freeElement = madeBySample ? live.count(element) == 0 : !seen || std::get<2>(*seen);
                starts.emplace_back(element, freeElement ? Free : Busy);
            }
        }
        for (std::size_t r = 0; r < regions.size(); ++r) {
            std::sort(inRegion[r].begin(), inRegion[r].end());
            for (std::size_t b = 0; b < inRegion[r].size(); ++b) {
                if (inRegion[r][b].second == GroupHeader) continue;
                const Address next = b + 1 < inRegion[r].size() ? inRegion[r][b + 1].first : regions[r].second;
                rows.emplace_back(inRegion[r][b].first, next - inRegion[r][b].first, inRegion[r][b].second == Free);
            }
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }
};

// Reads the sample's report of its heaps and of what it allocated.
std::vector<WalkedHeap> ReadReport(PipedChild& sample, Allocations& live) {
    std::vector<WalkedHeap> heaps;
    for (std::string line = sample.ReadLine(); !line.empty() && line != "end"; line = sample.ReadLine()) {
        unsigned long long a = 0, b = 0, c = 0, d = 0, e = 0;
        if (std::sscanf(line.c_str(), "heap %llx", &a) == 1) {
            heaps.emplace_back();
            heaps.back().base = a;
        } else if (std::sscanf(line.c_str(), "entry %llx %llx %llx %llx %llx", &a, &b, &c, &d, &e) == 5 &&
                   !heaps.empty()) {
            if (a & PROCESS_HEAP_REGION)
                heaps.back().regions.emplace_back(b, b + e);
            else if (!(a & PROCESS_HEAP_UNCOMMITTED_RANGE))
                heaps.back().blocks.emplace_back(static_cast<unsigned>(a), b, c);
        } else if (std::sscanf(line.c_str(), "made %llx", &a) == 1) {
            for (WalkedHeap& heap : heaps)
                heap.madeBySample = heap.madeBySample || heap.base == a;
        } else if (std::sscanf(line.c_str(), "allocation %llx %llx", &a, &b) == 2) {
            live[a] = b;
        }
    }
    return heaps;
}

class RealWineHeaps : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(reader.Applies()) << "these tests run under Wine";
        ASSERT_TRUE(sample.started()) << SamplePath();
        ASSERT_EQ(sample.ReadLine().rfind("corvane_sample: process ", 0), 0u);
        walked = ReadReport(sample, live);
        ASSERT_GE(walked.size(), 3u);
    }
    Win32WineHeapReader reader;
    PipedChild sample{SamplePath(), "--report"};
    std::vector<WalkedHeap> walked;
    Allocations live;
};

TEST_F(RealWineHeaps, AgreeBlockForBlockWithWhatTheSampleAllocatedAndHeapWalkSees) {
    const WineHeapSnapshot snapshot = reader.Read(sample.id());
    EXPECT_TRUE(snapshot.brokenHeaps.empty()) << snapshot.brokenHeaps.front().text;
    ASSERT_EQ(snapshot.heaps.size(), walked.size()) << "as many heaps as GetProcessHeaps gives";
    std::size_t blocks = 0;
    unsigned groups = 0, groupsOfTheSample = 0;
    std::vector<Row> all;
    for (std::size_t i = 0; i < walked.size(); ++i) {
        EXPECT_EQ(snapshot.heaps[i].record.base, walked[i].base) << i;
        const std::vector<Row> listed = Rows(snapshot.heaps[i]);
        unsigned found = 0;
        const std::vector<Row> expected = walked[i].ExpectedRows(listed, live, found);
        EXPECT_EQ(listed, expected) << "heap " << i + 1;
        groups += found;
        groupsOfTheSample += walked[i].madeBySample ? found : 0;
        blocks += listed.size();
        all.insert(all.end(), listed.begin(), listed.end());
    }
    // Every block the sample holds is listed, busy, at its own address.
    std::sort(all.begin(), all.end());
    std::size_t hidden = 0;
    std::vector<Row> walkedRows;
    for (const WalkedHeap& heap : walked)
        for (const auto& [flags, data, size] : heap.blocks)
            walkedRows.emplace_back(data, size, false);
    std::sort(walkedRows.begin(), walkedRows.end());
    for (const auto& [address, size] : live) {
        hidden += RowAt(walkedRows, address) == nullptr;
        const Row* row = RowAt(all, address);
        ASSERT_NE(row, nullptr) << std::hex << address;
        EXPECT_FALSE(std::get<2>(*row)) << std::hex << address;
        EXPECT_GE(std::get<1>(*row), size) << std::hex << address;
    }
    if (snapshot.version == WineHeapVersion::Wine10)
        EXPECT_GT(groupsOfTheSample, 10u) << "the sample's many small blocks lie in front-end groups";
    else
        EXPECT_EQ(groups, 0u);

    // Through the program's own road (the buffer the service lays out, then
    // the walk), a block the sample holds is marked as a group's exactly
    // when HeapWalk does not show it, which is when it lies in a group.
    Win32Platform platform;
    std::string error;
    ASSERT_TRUE(platform.BindDebugFunctions(error)) << error;
    HeapSnapshot taken;
    ASSERT_EQ(TakeHeapSnapshot(platform.DebugInfo(), sample.id(), taken, error), SnapshotResult::Taken) << error;
    std::map<Address, bool> marked;
    std::size_t markedInAll = 0;
    for (const SnapshotHeap& heap : taken.heaps)
        for (const HeapBlockCursor& block : heap.blocks) {
            marked[block.address] = block.inFrontEndGroup;
            markedInAll += block.inFrontEndGroup;
        }
    std::size_t markedOfTheSample = 0, unmarkedOfTheSample = 0;
    for (const auto& [address, size] : live) {
        const auto found = marked.find(address);
        ASSERT_NE(found, marked.end()) << std::hex << address;
        EXPECT_EQ(found->second, RowAt(walkedRows, address) == nullptr) << std::hex << address;
        (found->second ? markedOfTheSample : unmarkedOfTheSample) += 1;
    }
    if (snapshot.version == WineHeapVersion::Wine10) {
        EXPECT_EQ(markedOfTheSample, hidden);
        EXPECT_GT(unmarkedOfTheSample, 0u) << "the sample's larger blocks lie outside the groups";
    } else {
        EXPECT_EQ(markedInAll, 0u) << "Wine 8.0 has no front end";
    }
    std::printf("  %s: %zu heaps, %zu blocks agree; %u front-end groups (%u in the sample's own heaps) hold %zu of "
                "the sample's %zu live blocks, which HeapWalk does not show; %zu of them marked as a group's, %zu "
                "not; %zu blocks marked in all\n",
                WineHeapVersionName(snapshot.version), walked.size(), blocks, groups, groupsOfTheSample, hidden,
                live.size(), markedOfTheSample, unmarkedOfTheSample, markedInAll);
}

TEST_F(RealWineHeaps, AHeapBrokenOnPurposeIsNamedAndTheOthersAreStillRead) {
    const std::pair<const char*, const char*> faults[] = {
        {"size0", "has a size of 0"},
        {"past-end", "runs past the committed end"},
        {"bad-link", "which cannot be read"},
        {"cycle", "runs in a circle"},
        {"group-type", "is of no known type"},
        {"group-size", "not the group's"},
        {"group-bits", "disagree with its block"},
        {"group-holder", "cannot hold 31 blocks"},
    };
    for (const auto& [mode, text] : faults) {
        PipedChild helper(TestExecutablePath(), std::string("--corrupt-heap ") + mode);
        const std::string line = helper.ReadLine();
        if (line == "none") {
            std::printf("  %s: this system's heaps keep no groups\n", mode);
            continue;
        }
        unsigned long long base = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%llx", &base), 1) << mode;
        const WineHeapSnapshot snapshot = reader.Read(helper.id());
        ASSERT_EQ(snapshot.brokenHeaps.size(), 1u) << mode;
        EXPECT_EQ(snapshot.brokenHeaps[0].base, base) << mode;
        EXPECT_NE(snapshot.brokenHeaps[0].text.find(text), std::string::npos) << snapshot.brokenHeaps[0].text;
        EXPECT_FALSE(snapshot.heaps.empty()) << mode << ": the process heap is still read";
        for (const WineHeap& heap : snapshot.heaps)
            EXPECT_NE(heap.record.base, base) << mode;
    }
}

// Forty heaps whose first regions claim nearly 1 GiB that their memory does
// not hold: nothing is made for those sizes; each heap is named and the
// others are listed, by the reader and through the window.
TEST(RealWineHeapsThatLie, AreNamedAtLittleCostWhileTheOthersAreListed) {
    PipedChild helper(TestExecutablePath(), "--corrupt-heap huge-regions");
    std::vector<Address> lying;
    for (int i = 0; i < 40; ++i)
        lying.push_back(std::stoull(helper.ReadLine(), nullptr, 16));
    const ULONGLONG start = ::GetTickCount64();
    const WineHeapSnapshot snapshot = Win32WineHeapReader().Read(helper.id());
    std::printf("  40 lying heaps read in %llu ms\n", static_cast<unsigned long long>(::GetTickCount64() - start));
    ASSERT_EQ(snapshot.brokenHeaps.size(), 40u);
    for (std::size_t i = 0; i < lying.size(); ++i) {
        EXPECT_NE(std::find(lying.begin(), lying.end(), snapshot.brokenHeaps[i].base), lying.end());
        EXPECT_NE(snapshot.brokenHeaps[i].text.find("committed bytes that its memory does not hold"), std::string::npos)
            << snapshot.brokenHeaps[i].text;
    }
    ASSERT_FALSE(snapshot.heaps.empty());

    Win32Platform platform;
    MessageBoxRecorder boxes(IDOK);
    DebugOutputRecorder output;
    CCorvaneDlg dialog(platform);
    ASSERT_TRUE(ShowTestDialog(dialog));
    const HWND window = dialog.GetSafeHwnd();
    const std::string name = TestExecutablePath().substr(TestExecutablePath().find_last_of('\\') + 1);
    ASSERT_NO_FATAL_FAILURE(PickListedProcess(window, name.c_str(), helper.id()));
    EXPECT_EQ(::SendMessageA(::GetDlgItem(window, IDC_NODE_LIST), LVM_GETITEMCOUNT, 0, 0),
              static_cast<LRESULT>(snapshot.heaps.size()));
    ASSERT_EQ(boxes.calls.size(), 1u) << "one message says which heaps are left out";
    EXPECT_NE(boxes.calls[0].text.find("does not hold"), std::string::npos) << boxes.calls[0].text;
    EXPECT_EQ(output.text, "") << "nothing failed unsaid";
    dialog.DestroyWindow();
}

TEST(RealWineHeapsOfTheOtherWidth, AreRefusedInPlainWords) {
    if (sizeof(void*) != 8) GTEST_SKIP() << "the 64-bit edition meets the 32-bit sample";
    std::string path = SamplePath();
    const std::size_t edition = path.rfind("\\win64\\");
    if (edition == std::string::npos) GTEST_SKIP() << path;
    path.replace(edition, 7, "\\win32\\");
    PipedChild sample(path, "");
    if (!sample.started() || sample.ReadLine().rfind("corvane_sample: process ", 0) != 0)
        GTEST_SKIP() << "no 32-bit program runs here";
    const WineHeapSnapshot snapshot = Win32WineHeapReader().Read(sample.id());
    EXPECT_TRUE(snapshot.heaps.empty());
    EXPECT_EQ(snapshot.unreadable, "This 64-bit edition cannot read the heaps of a 32-bit process.");
}

// The road through the main window with the program's own services.
TEST_F(RealWineHeaps, TheSamplesHeapsBlocksDumpSearchAndSaveThroughTheWindow) {
    Win32Platform platform;
    MessageBoxRecorder boxes(IDOK);
    CCorvaneDlg dialog(platform);
    ASSERT_TRUE(ShowTestDialog(dialog));
    const HWND window = dialog.GetSafeHwnd();
    auto item = [&](int id) { return ::GetDlgItem(window, id); };
    auto rows = [&](int id) { return static_cast<int>(::SendMessageA(item(id), LVM_GETITEMCOUNT, 0, 0)); };
    auto cell = [&](int row, int column) {
        char text[64] = {};
        LVITEMA request = {};
        request.iSubItem = column;
        request.pszText = text;
        request.cchTextMax = sizeof text;
        ::SendMessageA(item(IDC_BLOCK_LIST), LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(&request));
        return std::string(text);
    };
    auto pickRow = [&](int id, int row) {
        LVITEMA state = {};
        state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(item(id), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
        PumpMessages(window);
    };
    ASSERT_NO_FATAL_FAILURE(PickListedProcess(window, "corvane_sample.exe", sample.id()));
    ASSERT_EQ(rows(IDC_NODE_LIST), static_cast<int>(walked.size()));
    EXPECT_TRUE(boxes.calls.empty());

    // The process lists its heaps from the process heap on, the newest first:
    // the second is the sample's last, whose first block holds its text.
    pickRow(IDC_NODE_LIST, 1);
    ASSERT_GT(rows(IDC_BLOCK_LIST), 6);
    pickRow(IDC_BLOCK_LIST, 0);
    char line[128] = {};
    ::SendMessageA(item(IDC_DATA_LIST), LB_GETTEXT, 2, reinterpret_cast<LPARAM>(line));
    EXPECT_NE(std::string(line).find("Corvane sample: "), std::string::npos) << line;
    CaptureScreen(window).SaveBmp(OutputPath("sample_dump.bmp"));

    ::SetWindowTextA(item(IDC_SEARCH_EDIT), "lives in a HEAP");
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_SEARCH, BN_CLICKED), reinterpret_cast<LPARAM>(item(IDC_SEARCH)));
    PumpMessages(window);
    EXPECT_EQ(WindowText(item(IDC_SEARCH)), "Find Again") << "the sample's text is found";
    EXPECT_EQ(::SendMessageA(item(IDC_DATA_LIST), LB_GETCURSEL, 0, 0), 3) << "at offset 26, on the dump's second line";

    // The save holds the block's bytes as they are in the sample.
    char folder[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "corvane_sample_block.bin";
    const FileDialogHandler previous = SetFileDialogHandler([&](OPENFILENAMEA& request, bool) {
        lstrcpynA(request.lpstrFile, path.c_str(), static_cast<int>(request.nMaxFile));
        return true;
    });
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_SAVE_DATA, BN_CLICKED),
                   reinterpret_cast<LPARAM>(item(IDC_SAVE_DATA)));
    SetFileDialogHandler(previous);
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> saved((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    file.close();
    ::DeleteFileA(path.c_str());
    const Address address = std::stoull(cell(0, BlockColumn::Address), nullptr, 16);
    ASSERT_EQ(saved.size(), std::stoull(cell(0, BlockColumn::Size), nullptr, 16));
    std::vector<char> inside(saved.size());
    const UniqueHandle process(::OpenProcess(PROCESS_VM_READ, FALSE, sample.id()));
    SIZE_T read = 0;
    ASSERT_TRUE(::ReadProcessMemory(process.get(), reinterpret_cast<LPCVOID>(static_cast<std::uintptr_t>(address)),
                                    inside.data(), inside.size(), &read));
    EXPECT_EQ(saved, inside);
    EXPECT_EQ(std::string(saved.data(), 15), "Corvane sample:");
    dialog.DestroyWindow();
}

// A baseline, five more blocks in the sample, the comparison that finds
// them, and the search of all blocks that finds their texts and a byte
// pattern, all through the window with the program's own services.
TEST_F(RealWineHeaps, NewBlocksAreComparedAndEveryBlockSearchedInTheSample) {
    Win32Platform platform;
    MessageBoxRecorder boxes(IDOK);
    CCorvaneDlg dialog(platform);
    ASSERT_TRUE(ShowTestDialog(dialog));
    const HWND window = dialog.GetSafeHwnd();
    auto item = [&](int id) { return ::GetDlgItem(window, id); };
    auto menuCommand = [&](int id) {
        ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        PumpMessages(window);
    };
    auto close = [&](HWND tool) {
        ::SendMessageA(tool, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(tool, IDCANCEL)));
        PumpMessages(window);
    };
    ASSERT_NO_FATAL_FAILURE(PickListedProcess(window, "corvane_sample.exe", sample.id()));
    LVITEMA state = {};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(item(IDC_NODE_LIST), LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state)); // the text heap
    PumpMessages(window);
    const std::string textHeap = ListCell(item(IDC_NODE_LIST), 1, NodeColumn::Base);

    menuCommand(ID_NODE_SET_BASELINE);
    ASSERT_EQ(boxes.calls.size(), 1u);
    ASSERT_TRUE(sample.WriteLine("grow"));
    std::vector<std::pair<Address, std::uint64_t>> grown;
    for (std::string line = sample.ReadLine(); !line.empty() && line != "end"; line = sample.ReadLine()) {
        unsigned long long address = 0, size = 0;
        if (std::sscanf(line.c_str(), "grown %llx %llx", &address, &size) == 2) grown.emplace_back(address, size);
    }
    ASSERT_EQ(grown.size(), 5u);

    menuCommand(ID_NODE_COMPARE);
    const HWND compare = ::FindWindowA(nullptr, "Compare with Baseline");
    ASSERT_NE(compare, nullptr);
    const HWND changes = ::GetDlgItem(compare, IDC_TOOL_LIST);
    std::uint64_t newBlocks = 0, newBytes = 0;
    std::vector<Address> newInTextHeap;
    std::vector<std::string> newSizesInTextHeap;
    for (int row = 0; row < static_cast<int>(::SendMessageA(changes, LVM_GETITEMCOUNT, 0, 0)); ++row) {
        if (ListCell(changes, row, 1) != "New") continue;
        ++newBlocks;
        const std::string size = ListCell(changes, row, 3); // "0x00003100 (12,544)"
        newBytes += std::stoull(size, nullptr, 16);
        if (ListCell(changes, row, 0) != textHeap) continue;
        newInTextHeap.push_back(std::stoull(ListCell(changes, row, 2), nullptr, 16));
        newSizesInTextHeap.push_back(size);
    }
    std::vector<Address> grownAddresses;
    for (const auto& [address, size] : grown) {
        grownAddresses.push_back(address);
        EXPECT_GE(size, 0x3000u);
    }
    std::sort(newInTextHeap.begin(), newInTextHeap.end());
    std::sort(grownAddresses.begin(), grownAddresses.end());
    EXPECT_EQ(newInTextHeap, grownAddresses) << "the text heap's new blocks are the grown ones";
    const std::string summary = WindowText(::GetDlgItem(compare, IDC_TOOL_SUMMARY));
    EXPECT_EQ(summary.rfind("New since the baseline: " + GroupedDecimal(newBlocks) + " blocks, " +
                                GroupedDecimal(newBytes) + " bytes.",
                            0),
              0u)
        << summary;
    CaptureScreen(compare).SaveBmp(OutputPath("sample_compare.bmp"));
    close(compare);

    // The text heap's statistics count each new block's size.
    menuCommand(ID_NODE_STATISTICS);
    const HWND statistics = ::FindWindowA(nullptr, "Size Statistics");
    ASSERT_NE(statistics, nullptr);
    const HWND sizes = ::GetDlgItem(statistics, IDC_TOOL_LIST);
    std::vector<std::string> listedSizes;
    for (int row = 0; row < static_cast<int>(::SendMessageA(sizes, LVM_GETITEMCOUNT, 0, 0)); ++row)
        listedSizes.push_back(ListCell(sizes, row, 0));
    for (const std::string& size : newSizesInTextHeap)
        EXPECT_NE(std::find(listedSizes.begin(), listedSizes.end(), size), listedSizes.end()) << size;
    EXPECT_EQ(listedSizes.back(), "Free blocks");
    close(statistics);

    // The search of all blocks finds the text of the fourth grown block at
    // 16, after "Corvane sample: ", whatever its letters' case.
    menuCommand(ID_BLOCK_FIND_ALL);
    const HWND find = ::FindWindowA(nullptr, "Find in All Blocks");
    ASSERT_NE(find, nullptr);
    const HWND results = ::GetDlgItem(find, IDC_TOOL_LIST);
    auto search = [&](const char* text, int kind) {
        ::SetWindowTextA(::GetDlgItem(find, IDC_FIND_ALL_TEXT), text);
        ::SendMessageA(::GetDlgItem(find, IDC_FIND_ALL_KIND), CB_SETCURSEL, static_cast<WPARAM>(kind), 0);
        ::SendMessageA(find, WM_COMMAND, MAKEWPARAM(IDC_FIND_ALL_START, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(find, IDC_FIND_ALL_START)));
        for (int wait = 0; wait < 200 && WindowText(::GetDlgItem(find, IDC_TOOL_SUMMARY)).rfind("Done", 0) != 0; ++wait)
            PumpMessagesFor(window, 25);
        return static_cast<int>(::SendMessageA(results, LVM_GETITEMCOUNT, 0, 0));
    };
    ASSERT_EQ(search("GROWN BLOCK 3", 0), 1) << WindowText(::GetDlgItem(find, IDC_TOOL_SUMMARY));
    EXPECT_EQ(std::stoull(ListCell(results, 0, 1), nullptr, 16), grown[3].first);
    EXPECT_EQ(std::stoull(ListCell(results, 0, 2), nullptr, 16), 16u);
    EXPECT_NE(ListCell(results, 0, 3).find("grown block 3"), std::string::npos) << ListCell(results, 0, 3);
    CaptureScreen(find).SaveBmp(OutputPath("sample_find_all.bmp"));

    // Bytes given in hexadecimal: the end of the block of every byte value.
    ASSERT_EQ(search("fd fe ff", 2), 1) << WindowText(::GetDlgItem(find, IDC_TOOL_SUMMARY));
    EXPECT_EQ(std::stoull(ListCell(results, 0, 2), nullptr, 16), 253u);
    ASSERT_EQ(search("grown block 3", 0), 1);
    DoubleClickListRow(results, 0);
    PumpMessages(window);
    EXPECT_FALSE(::IsWindow(find));
    EXPECT_EQ(::SendMessageA(item(IDC_DATA_LIST), LB_GETCURSEL, 0, 0), kFirstDumpLine + 1) << "the match's line";
    EXPECT_EQ(WindowText(item(IDC_SEARCH)), "Find Again");
    EXPECT_EQ(WindowText(item(IDC_SEARCH_EDIT)), "grown block 3");
    char line[128] = {};
    ::SendMessageA(item(IDC_DATA_LIST), LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
    EXPECT_NE(std::string(line).find(RowHex(grown[3].first)), std::string::npos) << line;
    const int chosen =
        static_cast<int>(::SendMessageA(item(IDC_BLOCK_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    EXPECT_EQ(ListCell(item(IDC_BLOCK_LIST), chosen, BlockColumn::Address), RowHex(grown[3].first))
        << "the block's row is the chosen one";
    PressKey(window, item(IDC_BLOCK_LIST), 'C', true);
    EXPECT_EQ(ClipboardText().rfind("Heap Block Index\tBlock Address\tBlock Size\tAllocation Type\tStatus\r\n" +
                                        ListCell(item(IDC_BLOCK_LIST), chosen, BlockColumn::Index) + "\t" +
                                        RowHex(grown[3].first) + "\t",
                                    0),
              0u)
        << ClipboardText();
    CaptureScreen(window).SaveBmp(OutputPath("sample_find_all_shown.bmp"));
    dialog.DestroyWindow();
}

} // namespace
} // namespace corvane::testing
