// Block reads and saves against a real process: this executable started as a
// helper that places known bytes in a heap block of its own.

#include "framework/handles_win32.h"
#include "heap/win32/block_source_win32.h"
#include "heap/win32/save_files_win32.h"
#include "ui/block_view.h"
#include "ui/save.h"
#include "ui/search.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/win32/block_helper.h"

namespace corvane::testing {

namespace {

class DumpWindow : public BlockDataWindow {
public:
    std::vector<std::string> lines;
    std::vector<int> selected;
    void AppendLine(const char* text, std::size_t length) override { lines.emplace_back(text, length); }
    void ShowPanel(int, int) override {}
    void ClearDumpLines() override { lines.clear(); }
    void ReserveDumpLines(std::size_t) override {}
    void SelectDumpLine(int index) override { selected.push_back(index); }
    void SetSearchCaption(const char*) override {}
    int FirstSelectedNodeRow() override { return -1; }
    std::string NodeRowText(int, int) override { return ""; }
};

class SaveDialog : public SaveWindow {
public:
    std::int32_t processId = 0;
    std::string address, size, status = "Busy";
    std::string path;
    std::vector<std::string> messages;
    std::int32_t GetSelectedProcessId() override { return processId; }
    int FirstSelectedBlockRow() override { return 0; }
    std::string BlockRowText(int, int column) override {
        return column == 1 ? address : column == 2 ? size : column == 4 ? status : "";
    }
    bool AskSavePath(std::string& chosen) override {
        chosen = path;
        return true;
    }
    void ShowMessage(const std::string& text, MessageIcon) override { messages.push_back(text); }
};

// A fresh folder under the temporary folder, removed with its files.
class TempFolder {
public:
    TempFolder() {
        char base[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, base);
        static int counter = 0;
        m_path = std::string(base) + "corvane-save-" + std::to_string(::GetCurrentProcessId()) + "-" +
                 std::to_string(++counter);
        ::CreateDirectoryA(m_path.c_str(), nullptr);
    }
    ~TempFolder() {
        for (const std::string& name : Files())
            ::DeleteFileA((m_path + "\\" + name).c_str());
        ::RemoveDirectoryA(m_path.c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string File(const char* name) const { return m_path + "\\" + name; }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        const HANDLE search = ::FindFirstFileA((m_path + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0)
                names.emplace_back(found.cFileName);
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
        return names;
    }

private:
    std::string m_path;
};

std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
}

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(BlockRead, DumpsAndHoldsTheBlockOfALiveProcess) {
    BlockHelper helper;
    ASSERT_TRUE(helper.ready());
    const std::vector<std::uint8_t> pattern = HelperBlockBytes();
    Win32BlockSource source;
    DumpWindow window;
    HeldBlock held;
    const Address address = helper.block();
    ASSERT_TRUE(ShowBlockData(source, window, held, helper.id(), address, pattern.size()));

    ASSERT_EQ(window.lines.size(), 2u + 19u + 1u);
    EXPECT_EQ(window.lines[0], "Heap Node Address=" + RowHex(0) + ", Block Address=" + RowHex(address) +
                                   ", Size=" + RowHex(0x12b) + " (299)");
    EXPECT_EQ(window.lines[1], "");
    EXPECT_EQ(window.lines[2], "00000000h  43 6F 72 76 61 6E 65 20 48 45 41 50 20 42 6C 6F   Corvane HEAP Blo");
    EXPECT_EQ(window.lines[3], "00000010h  63 6B 00 00 57 00 69 00 64 00 65 00 20 00 54 00   ck..W.i.d.e. .T.");
    EXPECT_EQ(window.lines[20], "00000120h  F8 F9 FA FB FC FD FE FF 5A 5A 5A " + std::string(17, ' ') + "........ZZZ");
    EXPECT_EQ(window.lines[21], "");
    EXPECT_EQ(window.selected, std::vector<int>{2});

    ASSERT_EQ(held.m_heapDataSize, pattern.size());
    EXPECT_EQ(held.m_blockAddress, address);
    const std::string copy(reinterpret_cast<const char*>(held.m_heapData.get()), held.m_heapDataSize);
    EXPECT_EQ(copy.substr(0, 18), "corvane heap block");
    EXPECT_EQ(copy.substr(20, 4), std::string("w\0i\0", 4));
    EXPECT_EQ(copy.substr(296), "zzz");

    // The held copy is what searches run over.
    SearchHistory history;
    SearchRequest request;
    request.text = "Wide TEXT";
    request.wide = true;
    SearchAnswer answer = DecideSearch(request, held, history);
    EXPECT_EQ(answer.result, SearchResult::Found);
    EXPECT_EQ(answer.offset, 20);
    request.text = "heap block";
    request.wide = false;
    EXPECT_EQ(DecideSearch(request, held, history).offset, 8);
}

TEST(BlockRead, UnreadableRangesAndUnknownProcessesGiveTheirErrorLines) {
    BlockHelper helper;
    ASSERT_TRUE(helper.ready());
    const Address region = helper.region();
    Win32BlockSource source;
    DumpWindow window;
    HeldBlock held;
    const std::pair<Address, const char*> unreadable[] = {
        {region + kRegionCommitted, "unallocated"},
        {region + kRegionCommitted - 8, "partly"},
        {helper.unreadable() + kNoAccessPage * kPageSize, "inaccessible"},
        {helper.unreadable() + kGuardPage * kPageSize, "guard page"},
        {helper.unreadable() + kReservedPage * kPageSize, "reserved"},
        {helper.unreadable() + kGuardPage * kPageSize - 8, "inaccessible into guard"},
    };
    for (const auto& [address, what] : unreadable) {
        EXPECT_FALSE(ShowBlockData(source, window, held, helper.id(), address, 16)) << what;
        EXPECT_EQ(window.lines, std::vector<std::string>{"ERROR : Failed to read heap data from the target process"})
            << what;
        EXPECT_FALSE(held.IsHeld()) << what;
    }
    EXPECT_TRUE(ShowBlockData(source, window, held, helper.id(), region + kRegionCommitted - 16, 16));
    EXPECT_EQ(held.m_heapData[15], RegionByte(kRegionCommitted - 1));

    EXPECT_FALSE(ShowBlockData(source, window, held, kNoSuchProcess, region, 16));
    EXPECT_EQ(window.lines,
              std::vector<std::string>{"ERROR : Failed to open target process due to insufficient rights"});
}

TEST(BlockRead, ReadsTheProgramsOwnMemoryAtFullAddresses) {
    const char text[] = "Corvane reads itself";
    char copy[sizeof text] = {};
    const std::unique_ptr<TargetMemory> own = Win32BlockSource().Open(::GetCurrentProcessId());
    ASSERT_NE(own, nullptr);
    std::size_t read = 0;
    EXPECT_TRUE(own->Read(reinterpret_cast<std::uintptr_t>(text), copy, sizeof text, read));
    EXPECT_EQ(read, sizeof text);
    EXPECT_STREQ(copy, text);
    EXPECT_FALSE(own->Read(0, copy, 4, read)) << "page zero is never mapped";
    EXPECT_FALSE(own->Read(~Address{0} - 2, copy, 4, read)) << "a range that wraps around";
}

TEST(BlockSave, WritesTheRawBytesAndReplacesAnExistingFile) {
    BlockHelper helper;
    ASSERT_TRUE(helper.ready());
    const std::vector<std::uint8_t> pattern = HelperBlockBytes();
    TempFolder folder;
    SaveDialog dialog;
    dialog.processId = static_cast<std::int32_t>(helper.id());
    dialog.address = RowHex(helper.block());
    dialog.size = RowHex(pattern.size());
    dialog.path = folder.File("HeapData");
    WriteFileBytes(dialog.path, std::string(1000, 'x'));

    Win32BlockSource source;
    Win32SaveFiles files;
    EXPECT_TRUE(SaveHeapData(source, files, dialog));
    EXPECT_TRUE(dialog.messages.empty());
    EXPECT_EQ(FileBytes(dialog.path), pattern) << "capitals kept, the old longer file replaced";
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"HeapData"}) << "no temporary file left";

    // A save over 64 KiB goes through several pieces.
    dialog.address = RowHex(helper.region());
    dialog.size = RowHex(0x10000);
    EXPECT_TRUE(SaveHeapData(source, files, dialog));
    const std::vector<std::uint8_t> saved = FileBytes(dialog.path);
    ASSERT_EQ(saved.size(), kRegionCommitted);
    for (std::size_t i = 0; i < saved.size(); i += 0x1001)
        ASSERT_EQ(saved[i], RegionByte(i)) << i;
    EXPECT_EQ(saved.back(), RegionByte(kRegionCommitted - 1));
}

TEST(BlockSave, FailedSavesLeaveTheExistingFileAsItWas) {
    BlockHelper helper;
    ASSERT_TRUE(helper.ready());
    TempFolder folder;
    SaveDialog dialog;
    dialog.processId = static_cast<std::int32_t>(helper.id());
    dialog.path = folder.File("kept.bin");
    WriteFileBytes(dialog.path, "the user's file");
    Win32BlockSource source;
    Win32SaveFiles files;

    // Two pieces are read, the third runs into unallocated memory; and a
    // save of pages that are allocated but unreadable.
    const std::pair<Address, std::size_t> ranges[] = {
        {helper.region(), 0x18000},
        {helper.unreadable(), 3 * kPageSize},
    };
    for (const auto& [address, size] : ranges) {
        dialog.address = RowHex(address);
        dialog.size = RowHex(size);
        dialog.messages.clear();
        EXPECT_FALSE(SaveHeapData(source, files, dialog)) << dialog.address;
        EXPECT_EQ(dialog.messages,
                  std::vector<std::string>{"Failed to read the heap data from the target process memory"});
        EXPECT_EQ(FileBytes(dialog.path), Bytes("the user's file"));
        EXPECT_EQ(folder.Files(), std::vector<std::string>{"kept.bin"});
    }

    dialog.processId = static_cast<std::int32_t>(kNoSuchProcess);
    dialog.messages.clear();
    EXPECT_FALSE(SaveHeapData(source, files, dialog));
    EXPECT_EQ(dialog.messages, std::vector<std::string>{"Failed to open target process due to insufficient rights"});
    EXPECT_EQ(FileBytes(dialog.path), Bytes("the user's file"));
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"kept.bin"});
}

TEST(BlockSave, UnwritablePathsGiveTheOpenFailureMessage) {
    TempFolder folder;
    ::CreateDirectoryA(folder.File("a folder").c_str(), nullptr);
    SaveDialog dialog;
    dialog.processId = static_cast<std::int32_t>(::GetCurrentProcessId());
    dialog.address = RowHex(0x1000);
    dialog.size = RowHex(0x10);
    Win32BlockSource source;
    Win32SaveFiles files;
    for (const std::string& path : {folder.File("missing\\out.bin"), folder.File("a folder")}) {
        dialog.path = path;
        dialog.messages.clear();
        EXPECT_FALSE(SaveHeapData(source, files, dialog)) << path;
        EXPECT_EQ(
            dialog.messages,
            std::vector<std::string>{
                "Failed to open the file for writing.\nMake sure you have write access to the specified directory."})
            << path;
    }
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"a folder"});
    ::RemoveDirectoryA(folder.File("a folder").c_str());
}

} // namespace
} // namespace corvane::testing
