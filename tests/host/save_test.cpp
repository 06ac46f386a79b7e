#include "tests/support/fake_block_source.h"
#include "tests/support/fake_save_files.h"
#include "ui/save.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace corvane {
namespace {

constexpr Address kBlock = 0x00400000;
constexpr std::int32_t kProcess = 321;

using testing::Disk;
using testing::FakeFiles;
using testing::FakeSource;

class FakeSaveWindow : public SaveWindow {
public:
    std::int32_t processId = kProcess;
    int row = 6;
    std::map<int, std::string> columns = {{1, "0x00400000"}, {2, "0x00000010"}, {4, "Busy "}};
    std::string path = "C:\\out\\HeapData";
    bool cancel = false;
    int asked = 0;
    std::vector<std::pair<std::string, MessageIcon>> messages;

    std::int32_t GetSelectedProcessId() override { return processId; }
    int FirstSelectedBlockRow() override { return row; }
    std::string BlockRowText(int r, int column) override {
        EXPECT_EQ(r, row);
        return columns[column];
    }
    bool AskSavePath(std::string& chosen) override {
        ++asked;
        chosen = path;
        return !cancel;
    }
    void ShowMessage(const std::string& text, MessageIcon icon) override { messages.emplace_back(text, icon); }
};

struct Save {
    FakeSource source;
    FakeFiles files;
    FakeSaveWindow window;
    bool result = false;

    explicit Save(std::size_t blockBytes = 0x20000) {
        source.state.base = kBlock;
        source.state.bytes.resize(blockBytes);
        for (std::size_t i = 0; i < blockBytes; ++i)
            source.state.bytes[i] = static_cast<std::uint8_t>('A' + i % 26);
        files.disk.files[window.path] = {'o', 'l', 'd'};
    }
    void Run(const char* size) {
        window.columns[2] = size;
        result = SaveHeapData(source, files, window);
    }
    const std::vector<std::uint8_t>& Saved() { return files.disk.files[window.path]; }
    // Every handle and file of the save is gone once it returns.
    void ExpectAllClosed() {
        EXPECT_EQ(source.state.opened, source.state.closed);
        EXPECT_EQ(files.disk.openFiles, 0);
    }
};

using Message = std::pair<std::string, MessageIcon>;

TEST(SaveHeapData, CopiesInPiecesOf32KiBAndReplacesTheFileSilently) {
    Save save;
    save.Run("0x00010001");
    EXPECT_TRUE(save.result);
    EXPECT_EQ(save.source.pid, static_cast<std::uint32_t>(kProcess));
    EXPECT_EQ(save.source.state.reads, (std::vector<std::pair<Address, std::size_t>>{
                                           {kBlock, 0x8000}, {kBlock + 0x8000, 0x8000}, {kBlock + 0x10000, 1}}));
    EXPECT_EQ(save.Saved(),
              std::vector<std::uint8_t>(save.source.state.bytes.begin(), save.source.state.bytes.begin() + 0x10001));
    EXPECT_EQ(save.Saved().size(), 65537u);
    EXPECT_EQ(save.Saved()[0], 'A') << "raw bytes, capitals kept";
    EXPECT_TRUE(save.window.messages.empty());
    save.ExpectAllClosed();
}

TEST(SaveHeapData, ZeroNegativeAndUnreadableRowTextsAreRefusedWithAMessage) {
    const std::pair<const char*, Message> cases[] = {
        {"0x00000000", {"The block's size is zero or negative: there is nothing to save.", MessageIcon::Information}},
        {"0x80000000", {"The block's size is zero or negative: there is nothing to save.", MessageIcon::Information}},
        {"", {"The Block Size \"\" cannot be read as a number.", MessageIcon::Error}},
        {"garbage", {"The Block Size \"garbage\" cannot be read as a number.", MessageIcon::Error}},
        {"0x100000000", {"The Block Size \"0x100000000\" cannot be read as a number.", MessageIcon::Error}},
    };
    for (const auto& [size, message] : cases) {
        Save save;
        save.Run(size);
        EXPECT_FALSE(save.result) << size;
        EXPECT_EQ(save.window.messages, std::vector<Message>{message}) << size;
        EXPECT_EQ(save.window.asked, 0) << size;
        EXPECT_EQ(save.source.state.opened, 0) << size;
        EXPECT_EQ(save.Saved(), (std::vector<std::uint8_t>{'o', 'l', 'd'})) << size;
    }
    Save badAddress;
    badAddress.window.columns[1] = "0x0040zz00";
    badAddress.Run("0x00000010");
    EXPECT_EQ(
        badAddress.window.messages,
        std::vector<Message>({{"The Block Address \"0x0040zz00\" cannot be read as a number.", MessageIcon::Error}}));
}

TEST(SaveHeapData, FailuresKeepTheFileThatWasThereAndSayWhat) {
    struct Case {
        const char* name;
        void (*arrange)(Save&);
        const char* message;
        std::size_t reads;
    };
    const Case cases[] = {
        {"file cannot be created", [](Save& s) { s.files.disk.failCreate = true; },
         "Failed to open the file for writing.\nMake sure you have write access to the specified directory.", 0},
        {"target cannot be opened", [](Save& s) { s.source.state.failOpen = true; },
         "Failed to open target process due to insufficient rights", 0},
        {"second read fails", [](Save& s) { s.source.state.failAtRead = 1; },
         "Failed to read the heap data from the target process memory", 2},
        {"first read fails", [](Save& s) { s.source.state.failAtRead = 0; },
         "Failed to read the heap data from the target process memory", 1},
        {"block ends early", [](Save& s) { s.source.state.bytes.resize(0x9000); },
         "Failed to read the heap data from the target process memory", 2},
        {"read delivers nothing", [](Save& s) { s.source.state.readNothing = true; },
         "Failed to read the heap data from the target process memory", 1},
        {"write fails", [](Save& s) { s.files.disk.failAtWrite = 1; },
         "Failed to write the heap data to the file.\nMake sure there is enough free space on the disk.", 2},
        {"replacing fails", [](Save& s) { s.files.disk.failCommit = true; },
         "Failed to open the file for writing.\nMake sure you have write access to the specified directory.", 3},
    };
    for (const Case& c : cases) {
        Save save;
        c.arrange(save);
        save.Run("0x00010001");
        EXPECT_FALSE(save.result) << c.name;
        EXPECT_EQ(save.window.messages, std::vector<Message>({{c.message, MessageIcon::Error}})) << c.name;
        EXPECT_EQ(save.source.state.reads.size(), c.reads) << c.name;
        EXPECT_EQ(save.Saved(), (std::vector<std::uint8_t>{'o', 'l', 'd'})) << c.name;
        save.ExpectAllClosed();
    }
}

TEST(SaveHeapData, FreeBlocksAreRefusedInAnyLetterCase) {
    for (const char* status : {"Free", "FREE", " free\t", "fReE "}) {
        Save save;
        save.window.columns[4] = status;
        save.Run("0x00000010");
        EXPECT_FALSE(save.result);
        EXPECT_EQ(save.window.messages,
                  std::vector<Message>({{"You have selected the FREE heap block.", MessageIcon::Information}}))
            << status;
        EXPECT_EQ(save.window.asked, 0) << status;
        EXPECT_EQ(save.source.state.opened, 0) << status;
    }
    Save notFree;
    notFree.window.columns[4] = "Freed";
    notFree.Run("0x00000010");
    EXPECT_TRUE(notFree.result);
}

TEST(SaveHeapData, NoProcessNoRowOrCancelStopsQuietly) {
    Save noProcess;
    noProcess.window.processId = -1;
    noProcess.Run("0x10");
    Save noRow;
    noRow.window.row = -1;
    noRow.Run("0x10");
    Save cancelled;
    cancelled.window.cancel = true;
    cancelled.Run("0x10");
    for (Save* save : {&noProcess, &noRow, &cancelled}) {
        EXPECT_FALSE(save->result);
        EXPECT_TRUE(save->window.messages.empty());
        EXPECT_EQ(save->source.state.opened, 0);
        EXPECT_EQ(save->Saved(), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    }
    EXPECT_EQ(noProcess.window.asked + noRow.window.asked, 0);
}

TEST(CopyBlockToFile, ReadsAtTheAddressParsedFromTheRow) {
    Save save;
    save.window.columns[1] = "0x00401000";
    save.Run("0x00000003");
    EXPECT_EQ(save.source.state.reads, (std::vector<std::pair<Address, std::size_t>>{{kBlock + 0x1000, 3}}));
    EXPECT_EQ(save.Saved(), (std::vector<std::uint8_t>{'O', 'P', 'Q'})); // 0x1000 % 26 == 14

    // A 64-bit target: addresses above 4 GiB and sizes with the 32-bit sign
    // bit set are whole numbers.
    Save wide(0x10);
    wide.source.width = AddressWidth::Bits64;
    wide.source.state.base = 0x0000123400000000;
    wide.window.columns[1] = "0x0000123400000008";
    wide.Run("0x0000000000000004");
    EXPECT_EQ(wide.source.state.reads, (std::vector<std::pair<Address, std::size_t>>{{0x0000123400000008, 4}}));
    EXPECT_EQ(wide.Saved(), (std::vector<std::uint8_t>{'I', 'J', 'K', 'L'}));
    wide.Run("0x0000000080000000");
    EXPECT_EQ(
        wide.window.messages,
        std::vector<Message>({{"Failed to read the heap data from the target process memory", MessageIcon::Error}}))
        << "2 GiB is a size to copy, not a negative one";
}

} // namespace
} // namespace corvane
