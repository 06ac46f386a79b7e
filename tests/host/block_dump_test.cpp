#include "heap/dump_text.h"
#include "tests/support/fake_block_source.h"
#include "ui/block_view.h"
#include "ui/view_switch.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace corvane {
namespace {

constexpr std::uint32_t kProcess = 77;
constexpr std::uint32_t kBlock = 0x00155a20;

using testing::FakeSource;
using testing::FakeTargetState;

// Records what showing a block does to the window. Past `keepLines` lines
// only the count and the last line are kept, so huge dumps stay cheap.
class FakeWindow : public BlockDataWindow {
public:
    std::vector<std::string> lines;
    std::size_t lineCount = 0;
    std::string lastLine;
    std::string previousLine;
    std::size_t keepLines = 1000;
    std::vector<std::pair<int, int>> panels;
    std::vector<int> selected;
    std::vector<std::string> captions;
    int nodeRow = -1;
    std::map<int, std::string> nodeColumns;
    std::vector<std::size_t> reserved;

    void AppendLine(const char* text, std::size_t length) override {
        ASSERT_EQ(text[length], '\0');
        ++lineCount;
        previousLine = lastLine;
        lastLine.assign(text, length);
        if (lines.size() < keepLines) lines.push_back(lastLine);
    }
    void ShowPanel(int panel, int command) override { panels.emplace_back(panel, command); }
    void ClearDumpLines() override {
        lines.clear();
        lineCount = 0;
    }
    void ReserveDumpLines(std::size_t count) override {
        EXPECT_EQ(lineCount, 0u) << "room is asked for before the first line";
        reserved.push_back(count);
    }
    void SelectDumpLine(int index) override { selected.push_back(index); }
    void SetSearchCaption(const char* caption) override { captions.emplace_back(caption); }
    int FirstSelectedNodeRow() override { return nodeRow; }
    std::string NodeRowText(int row, int column) override {
        EXPECT_EQ(row, nodeRow);
        return nodeColumns[column];
    }
};

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> bytes;
    for (int v : values)
        bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

std::string Line(std::uint32_t offset, const std::vector<std::uint8_t>& bytes) {
    DumpLineText line;
    const std::size_t length = FormatDumpLine(offset, bytes.data(), bytes.size(), line);
    EXPECT_EQ(line[length], '\0');
    return std::string(line, length);
}

TEST(DumpLine, FullLineHasOffsetUpperHexTwoSpacesAndCharacters) {
    const auto bytes =
        Bytes({0x48, 0x65, 0x61, 0x70, 0x00, 0x01, 0x7f, 0x80, 0xff, 0x20, 0x7e, 0x41, 0x5a, 0x61, 0x7a, 0x2e});
    const std::string line = Line(0x1234abc0, bytes);
    EXPECT_EQ(line, "1234abc0h  48 65 61 70 00 01 7F 80 FF 20 7E 41 5A 61 7A 2E   Heap..... ~AZaz.");
    EXPECT_EQ(line.size(), 77u);
}

TEST(DumpLine, ShortLineIsPaddedSoTheCharactersStartAtColumn61) {
    const std::string one = Line(0x10, Bytes({0x41}));
    EXPECT_EQ(one, "00000010h  41 " + std::string(47, ' ') + "A");
    EXPECT_EQ(one.size(), 62u);
    for (std::size_t n = 1; n <= 16; ++n) {
        const std::vector<std::uint8_t> bytes(n, 0x33);
        const std::string line = Line(0, bytes);
        ASSERT_EQ(line.size(), 61 + n) << n;
        EXPECT_EQ(line.substr(61), std::string(n, '3')) << n;
        EXPECT_EQ(line.substr(59, 2), "  ") << n;
    }
}

TEST(DumpLine, CharacterColumnShowsOnly0x20To0x7E) {
    EXPECT_EQ(Line(0, Bytes({0x41, 0x62, 0x00, 0x7f, 0x20, 0x7e})),
              "00000000h  41 62 00 7F 20 7E " + std::string(32, ' ') + "Ab.. ~");
    for (int value = 0; value < 256; ++value) {
        const std::string line = Line(0, Bytes({value}));
        const char expected = value >= 0x20 && value <= 0x7e ? static_cast<char>(value) : '.';
        EXPECT_EQ(line.back(), expected) << value;
        char hex[4];
        std::snprintf(hex, sizeof hex, "%.2X ", static_cast<unsigned>(value));
        EXPECT_EQ(line.substr(11, 3), hex);
    }
}

TEST(DumpText, FoldsOnlyCapitalsOfTheHeldBytesWhileLinesShowThemAsRead) {
    std::vector<std::uint8_t> bytes(256);
    for (int i = 0; i < 256; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    const std::vector<std::uint8_t> original = bytes;
    FakeWindow sink;
    WriteDumpLines(bytes.data(), static_cast<std::uint32_t>(bytes.size()), sink);
    ASSERT_EQ(sink.lines.size(), 16u);
    EXPECT_EQ(sink.lines[4], "00000040h  40 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F   @ABCDEFGHIJKLMNO");
    EXPECT_EQ(sink.lines[5], "00000050h  50 51 52 53 54 55 56 57 58 59 5A 5B 5C 5D 5E 5F   PQRSTUVWXYZ[\\]^_");
    for (int i = 0; i < 256; ++i) {
        const int expected = i >= 'A' && i <= 'Z' ? i + 0x20 : i;
        EXPECT_EQ(bytes[static_cast<std::size_t>(i)], expected) << i;
    }
    for (std::size_t i = 0; i < 16; ++i)
        EXPECT_EQ(sink.lines[i], Line(static_cast<std::uint32_t>(i * 16),
                                      {original.begin() + 16 * static_cast<std::ptrdiff_t>(i),
                                       original.begin() + 16 * static_cast<std::ptrdiff_t>(i + 1)}));
}

TEST(DumpText, HeaderCarriesAddressesAndSizeInHexAndSignedDecimal) {
    DumpHeaderText header;
    const std::size_t length = FormatDumpHeader(0x00150000, 0x00155a20, 0x11, AddressWidth::Bits32, header);
    EXPECT_EQ(std::string(header, length),
              "Heap Node Address=0x00150000, Block Address=0x00155a20, Size=0x00000011 (17)");
    FormatDumpHeader(0, 0xffffffff, 0x80000000, AddressWidth::Bits32, header);
    EXPECT_STREQ(header, "Heap Node Address=0x00000000, Block Address=0xffffffff, Size=0x80000000 (-2147483648)");
    FormatDumpHeader(0x7ff612340000, 0xffffffff00000010, 0x00ffffff, AddressWidth::Bits64, header);
    EXPECT_STREQ(header, "Heap Node Address=0x00007ff612340000, Block Address=0xffffffff00000010, "
                         "Size=0x0000000000ffffff (16777215)");
}

struct ShownBlock {
    FakeSource source;
    FakeWindow window;
    HeldBlock held;
    bool result = false;

    ShownBlock() { source.state.base = kBlock; }

    void Show(std::uint64_t size, Address address = kBlock) {
        result = ShowBlockData(source, window, held, kProcess, address, size);
    }
    void Fill(std::size_t size) {
        source.state.bytes.resize(size);
        for (std::size_t i = 0; i < size; ++i)
            source.state.bytes[i] = static_cast<std::uint8_t>('A' + i % 26);
    }
};

TEST(ShowBlockData, SixteenBytesGiveHeaderEmptyOneDumpLineEmptyAndSelectLine2) {
    ShownBlock shown;
    shown.Fill(16);
    shown.window.nodeRow = 3;
    shown.window.nodeColumns[1] = "0x00150000";
    shown.held.m_searchPos = 40;
    shown.Show(16);
    EXPECT_TRUE(shown.result);
    EXPECT_EQ(shown.window.lines,
              (std::vector<std::string>{
                  "Heap Node Address=0x00150000, Block Address=0x00155a20, Size=0x00000010 (16)", "",
                  "00000000h  41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50   ABCDEFGHIJKLMNOP", ""}));
    EXPECT_EQ(shown.window.selected, std::vector<int>{2});
    EXPECT_EQ(shown.window.reserved, std::vector<std::size_t>{4});
    EXPECT_EQ(shown.window.panels,
              (std::vector<std::pair<int, int>>{{PANEL_HEAPNODES, kHideCommand}, {PANEL_HEAPDATA, kShowCommand}}));
    EXPECT_EQ(shown.window.captions, std::vector<std::string>{"Find"});
    EXPECT_EQ(shown.source.pid, kProcess);
    EXPECT_EQ(shown.source.state.reads, (std::vector<std::pair<Address, std::size_t>>{{kBlock, 16}}));
    EXPECT_EQ(shown.source.state.closed, 1);
    ASSERT_TRUE(shown.held.IsHeld());
    EXPECT_EQ(shown.held.m_heapDataSize, 16u);
    EXPECT_EQ(shown.held.m_searchPos, 0);
    EXPECT_EQ(shown.held.m_blockAddress, kBlock);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(shown.held.m_heapData.get()), 16), "abcdefghijklmnop");
}

TEST(ShowBlockData, SeventeenBytesGiveTwoDumpLinesTheSecondPadded) {
    ShownBlock shown;
    shown.Fill(17);
    shown.Show(17);
    ASSERT_EQ(shown.window.lines.size(), 5u);
    EXPECT_EQ(shown.window.reserved, std::vector<std::size_t>{5});
    EXPECT_EQ(shown.window.lines[0], "Heap Node Address=0x00000000, Block Address=0x00155a20, Size=0x00000011 (17)");
    EXPECT_EQ(shown.window.lines[3], "00000010h  51 " + std::string(47, ' ') + "Q");
    EXPECT_EQ(shown.window.lines[4], "");
}

TEST(ShowBlockData, EmptyBlockGivesHeaderAndTwoEmptyLinesAndSelectsTheLast) {
    ShownBlock shown;
    shown.Show(0);
    EXPECT_TRUE(shown.result);
    EXPECT_EQ(shown.window.lines,
              (std::vector<std::string>{"Heap Node Address=0x00000000, Block Address=0x00155a20, Size=0x00000000 (0)",
                                        "", ""}));
    EXPECT_EQ(shown.window.reserved, std::vector<std::size_t>{3});
    EXPECT_EQ(shown.window.selected, std::vector<int>{2});
    EXPECT_TRUE(shown.held.IsHeld());
    EXPECT_EQ(shown.held.m_heapDataSize, 0u);
}

TEST(ShowBlockData, LargestBlockIsDumpedAndOneByteMoreIsRefused) {
    ShownBlock shown;
    shown.Fill(kMaxHeapDataSize);
    shown.window.keepLines = 4;
    shown.Show(kMaxHeapDataSize);
    EXPECT_TRUE(shown.result);
    // 1,048,575 full lines, one of 15 bytes, and three more lines around them.
    EXPECT_EQ(shown.window.lineCount, 2u + 1048576u + 1u);
    EXPECT_EQ(shown.window.reserved, std::vector<std::size_t>{shown.window.lineCount});
    EXPECT_EQ(shown.window.lines[0],
              "Heap Node Address=0x00000000, Block Address=0x00155a20, Size=0x00ffffff (16777215)");
    EXPECT_EQ(shown.window.lines[2], "00000000h  41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50   ABCDEFGHIJKLMNOP");
    EXPECT_EQ(shown.window.lines[3], "00000010h  51 52 53 54 55 56 57 58 59 5A 41 42 43 44 45 46   QRSTUVWXYZABCDEF");
    // 0xfffff0 % 26 is 24: the last line, of 15 bytes, starts at Y.
    EXPECT_EQ(shown.window.previousLine,
              "00fffff0h  59 5A 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D " + std::string(5, ' ') + "YZABCDEFGHIJKLM");
    EXPECT_EQ(shown.window.lastLine, "");
    EXPECT_EQ(shown.held.m_heapDataSize, kMaxHeapDataSize);
    EXPECT_EQ(shown.held.m_heapData[kMaxHeapDataSize - 1], 'm');
    EXPECT_EQ(shown.held.m_heapData[0], 'a');

    shown.window.keepLines = 1000;
    shown.source.state.opened = 0;
    shown.Show(kMaxHeapDataSize + 1);
    EXPECT_FALSE(shown.result);
    EXPECT_EQ(shown.window.lines,
              std::vector<std::string>{"ERROR : Heap data size is exceeded the maximum supported size"});
    EXPECT_EQ(shown.source.state.opened, 0) << "nothing is read";
    EXPECT_EQ(shown.window.reserved.size(), 1u) << "no room is asked for an error line";
    EXPECT_FALSE(shown.held.IsHeld()) << "the copy of the block shown before is released";
    EXPECT_EQ(shown.held.m_heapDataSize, 0u);
}

TEST(ShowBlockData, EachFailureLeavesOneErrorLineNoCopyAndTheTargetClosed) {
    struct Case {
        const char* name;
        void (*arrange)(FakeTargetState&);
        const char* line;
        int opened;
    };
    const Case cases[] = {
        {"open", [](FakeTargetState& s) { s.failOpen = true; },
         "ERROR : Failed to open target process due to insufficient rights", 0},
        {"allocate", [](FakeTargetState& s) { s.failAllocate = true; },
         "ERROR : Failed to allocate memory for heap data", 1},
        {"read", [](FakeTargetState& s) { s.failRead = true; },
         "ERROR : Failed to read heap data from the target process", 1},
        {"range", [](FakeTargetState& s) { s.bytes.resize(20); },
         "ERROR : Failed to read heap data from the target process", 1},
    };
    for (const Case& c : cases) {
        ShownBlock shown;
        shown.Fill(32);
        shown.Show(32); // a block shown before
        ASSERT_TRUE(shown.held.IsHeld());
        shown.held.m_searchPos = 17;
        shown.window.captions.clear();
        shown.window.selected.clear();
        shown.window.panels.clear();
        shown.window.reserved.clear();
        shown.source.state.opened = shown.source.state.closed = 0;
        c.arrange(shown.source.state);

        shown.Show(32);
        EXPECT_FALSE(shown.result) << c.name;
        EXPECT_EQ(shown.window.lines, std::vector<std::string>{c.line}) << c.name;
        EXPECT_FALSE(shown.held.IsHeld()) << c.name;
        EXPECT_EQ(shown.held.m_heapDataSize, 0u) << c.name;
        EXPECT_EQ(shown.held.m_searchPos, 0) << c.name;
        EXPECT_EQ(shown.window.captions, std::vector<std::string>{"Find"}) << c.name;
        EXPECT_TRUE(shown.window.selected.empty()) << c.name;
        EXPECT_TRUE(shown.window.reserved.empty()) << c.name;
        EXPECT_EQ(shown.window.panels.size(), 2u) << c.name;
        EXPECT_EQ(shown.source.state.opened, c.opened) << c.name;
        EXPECT_EQ(shown.source.state.closed, c.opened) << c.name;
    }
}

TEST(ShowBlockData, HoldsAndDumpsTheCountActuallyRead) {
    ShownBlock shown;
    shown.Fill(40);
    shown.source.state.shortReadBy = 8;
    shown.Show(40);
    EXPECT_TRUE(shown.result);
    EXPECT_EQ(shown.held.m_heapDataSize, 32u);
    ASSERT_EQ(shown.window.lines.size(), 5u);
    EXPECT_EQ(shown.window.reserved, std::vector<std::size_t>{5}) << "room for the lines of the bytes read";
    EXPECT_EQ(shown.window.lines[0], "Heap Node Address=0x00000000, Block Address=0x00155a20, Size=0x00000028 (40)");
}

TEST(ShowBlockData, A64BitTargetIsReadAndShownAtItsFullAddresses) {
    constexpr Address kHighBlock = 0x000012345678a020;
    ShownBlock shown;
    shown.source.width = AddressWidth::Bits64;
    shown.source.state.base = kHighBlock;
    shown.Fill(17);
    shown.window.nodeRow = 0;
    shown.window.nodeColumns[1] = "0x0000123456780000";
    ASSERT_TRUE(ShowBlockOfRow(shown.source, shown.window, shown.held, kProcess,
                               {"0x000012345678a020", "0x0000000000000011", "Allocated"}));
    EXPECT_EQ(shown.window.lines[0],
              "Heap Node Address=0x0000123456780000, Block Address=0x000012345678a020, Size=0x0000000000000011 (17)");
    EXPECT_EQ(shown.source.state.reads, (std::vector<std::pair<Address, std::size_t>>{{kHighBlock, 17}}));
    EXPECT_EQ(shown.held.m_blockAddress, kHighBlock);
    EXPECT_EQ(shown.held.m_addressWidth, AddressWidth::Bits64);
}

TEST(ShowBlockData, RowTextsThatDoNotReadAsNumbersGiveAnErrorLineAndReadNothing) {
    struct Case {
        const char *address, *size, *node, *line;
    };
    const Case cases[] = {
        {"0x0015zz20", "0x00000010", "0x00150000",
         "ERROR : The Block Address \"0x0015zz20\" cannot be read as a number."},
        {"0x00155a20", "", "0x00150000", "ERROR : The Block Size \"\" cannot be read as a number."},
        {"0x100155a20", "0x00000010", "0x00150000",
         "ERROR : The Block Address \"0x100155a20\" cannot be read as a number."},
        {"0x00155a20", "0x00000010", "base", "ERROR : The Node Base Address \"base\" cannot be read as a number."},
    };
    for (const Case& c : cases) {
        ShownBlock shown;
        shown.Fill(32);
        shown.Show(16); // a block shown before
        shown.window.nodeRow = 0;
        shown.window.nodeColumns[1] = c.node;
        EXPECT_FALSE(ShowBlockOfRow(shown.source, shown.window, shown.held, kProcess, {c.address, c.size, "Allocated"}))
            << c.line;
        EXPECT_EQ(shown.window.lines, std::vector<std::string>{c.line});
        EXPECT_FALSE(shown.held.IsHeld()) << c.line;
        EXPECT_EQ(shown.window.panels.back(), std::make_pair(int{PANEL_HEAPDATA}, kShowCommand)) << c.line;
    }
}

TEST(ShowBlockData, AFreeBlockGetsANoteAndReleasesTheCopy) {
    ShownBlock shown;
    shown.Fill(32);
    shown.Show(16); // a block shown before
    shown.held.m_searchPos = 9;
    shown.source.state.opened = 0;
    shown.window.panels.clear();
    EXPECT_FALSE(
        ShowBlockOfRow(shown.source, shown.window, shown.held, kProcess, {"0x00155a20", "0x00000010", " fREE"}));
    EXPECT_EQ(shown.window.lines, std::vector<std::string>{"Note: You have selected the FREE heap block"});
    EXPECT_EQ(shown.window.panels,
              (std::vector<std::pair<int, int>>{{PANEL_HEAPNODES, kHideCommand}, {PANEL_HEAPDATA, kShowCommand}}));
    EXPECT_FALSE(shown.held.IsHeld());
    EXPECT_EQ(shown.held.m_searchPos, 0);
    EXPECT_EQ(shown.source.state.opened, 0) << "nothing is read";
}

} // namespace
} // namespace corvane
