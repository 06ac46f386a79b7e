#include "heap/heap_search.h"
#include "heap/heap_snapshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace corvane {
namespace {

// Blocks laid out one after another in one stretch of a fake target's memory.
struct TestHeap {
    Address base = 0x10000;
    std::vector<std::uint8_t> bytes;
    std::vector<HeapBlockCursor> blocks;

    // Adds a block `gap` bytes (a header, say) after the end of the last one.
    void Add(const std::string& content, bool busy = true, std::size_t gap = 8) {
        bytes.resize(bytes.size() + gap, 0xEE);
        HeapBlockCursor block;
        block.address = base + bytes.size();
        block.size = content.size();
        block.kind = busy ? BlockKind::Fixed : BlockKind::Free;
        bytes.insert(bytes.end(), content.begin(), content.end());
        blocks.push_back(block);
    }
};

// Reads from a TestHeap's bytes, except over holes, and records each read.
class HoleyMemory : public TargetMemory {
public:
    explicit HoleyMemory(const TestHeap& heap) : m_heap(heap) {}
    std::vector<std::pair<Address, Address>> holes; // [from, to)
    std::vector<std::size_t> readSizes;

    bool Read(Address address, void* destination, std::size_t size, std::size_t& bytesRead) override {
        bytesRead = 0;
        readSizes.push_back(size);
        if (size > std::numeric_limits<Address>::max() - address) ADD_FAILURE() << "a read wraps around";
        if (address < m_heap.base || address - m_heap.base > m_heap.bytes.size() ||
            size > m_heap.bytes.size() - (address - m_heap.base))
            return false;
        for (const auto& [from, to] : holes)
            if (address < to && from < address + size) return false;
        std::memcpy(destination, m_heap.bytes.data() + (address - m_heap.base), size);
        bytesRead = size;
        return true;
    }

private:
    const TestHeap& m_heap;
};

SearchPattern Pattern(const std::string& text, PatternKind kind = PatternKind::Text) {
    SearchPattern pattern;
    std::string error;
    EXPECT_TRUE(ParseSearchPattern(text, kind, pattern, error)) << error;
    return pattern;
}

std::vector<SearchHit> SearchAll(HeapSearch& search, std::uint64_t budget = ~std::uint64_t{0}) {
    std::vector<SearchHit> hits;
    for (int steps = 0; search.Step(budget, hits); ++steps)
        if (steps > 1000000) ADD_FAILURE() << "the search does not end";
    return hits;
}

std::vector<SearchHit> SearchAll(const TestHeap& heap, const SearchPattern& pattern,
                                 std::size_t pieceSize = kSearchPieceSize) {
    HoleyMemory memory(heap);
    HeapSearch search(memory, heap.blocks, pattern, pieceSize);
    return SearchAll(search);
}

std::vector<std::uint64_t> Offsets(const std::vector<SearchHit>& hits) {
    std::vector<std::uint64_t> offsets;
    for (const SearchHit& hit : hits)
        offsets.push_back(hit.offset);
    return offsets;
}

std::uint8_t Folded(std::uint8_t b) { return b >= 'A' && b <= 'Z' ? static_cast<std::uint8_t>(b + 32) : b; }

// Every match in every busy block, compared byte by byte, with its context
// taken from the whole block.
std::vector<SearchHit> PlainSearch(const TestHeap& heap, const SearchPattern& pattern) {
    std::vector<SearchHit> hits;
    const std::size_t length = pattern.bytes.size();
    for (std::size_t index = 0; index < heap.blocks.size(); ++index) {
        const HeapBlockCursor& block = heap.blocks[index];
        if (!IsBusyBlock(block)) continue;
        const std::uint8_t* bytes = heap.bytes.data() + (block.address - heap.base);
        for (std::size_t p = 0; p + length <= block.size; ++p) {
            std::size_t i = 0;
            while (i < length && (pattern.FoldsCapitals() ? Folded(bytes[p + i]) : bytes[p + i]) == pattern.bytes[i])
                ++i;
            if (i < length) continue;
            SearchHit hit{static_cast<std::uint32_t>(index), block.address, p, ""};
            for (std::size_t c = p >= 8 ? p - 8 : 0; c < std::min<std::size_t>(block.size, p + length + 8); ++c)
                hit.context.push_back(bytes[c] >= 0x20 && bytes[c] <= 0x7E ? static_cast<char>(bytes[c]) : '.');
            hits.push_back(hit);
        }
    }
    return hits;
}

void ExpectSameHits(const std::vector<SearchHit>& actual, const std::vector<SearchHit>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(std::tie(actual[i].blockIndex, actual[i].blockAddress, actual[i].offset, actual[i].context),
                  std::tie(expected[i].blockIndex, expected[i].blockAddress, expected[i].offset, expected[i].context))
            << "hit " << i;
    }
}

TEST(SearchPattern, TextsFoldOnlyTheCapitalsAToZ) {
    const std::string typed = "AZaz@[`{\xC4\xE4";
    EXPECT_EQ(Pattern(typed).bytes, (std::vector<std::uint8_t>{'a', 'z', 'a', 'z', '@', '[', '`', '{', 0xC4, 0xE4}));
    EXPECT_EQ(Pattern("Hi", PatternKind::WideText).bytes, (std::vector<std::uint8_t>{'h', 0, 'i', 0}));

    // Each byte value searched for as a one-character text finds exactly the
    // bytes that fold to the same value: its own and, for letters, the other
    // case, at every position within a word of the folding.
    TestHeap heap;
    std::string all;
    for (int value = 0; value < 256; ++value)
        all.push_back(static_cast<char>(value));
    std::string content;
    for (std::size_t shift = 0; shift < 8; ++shift) // each copy at another place within a word
        content += std::string(shift, '\0') + all;
    heap.Add(content);
    for (int value = 1; value < 256; ++value) {
        const SearchPattern pattern = Pattern(std::string(1, static_cast<char>(value)));
        ExpectSameHits(SearchAll(heap, pattern), PlainSearch(heap, pattern));
        const bool letter = (value | 0x20) >= 'a' && (value | 0x20) <= 'z';
        EXPECT_EQ(SearchAll(heap, pattern).size(), letter ? 16u : 8u) << "byte " << value;
    }
}

TEST(SearchPattern, EmptyTextsAreRefused) {
    for (PatternKind kind : {PatternKind::Text, PatternKind::WideText, PatternKind::HexBytes}) {
        SearchPattern pattern;
        std::string error;
        EXPECT_FALSE(ParseSearchPattern("", kind, pattern, error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(SearchPattern, HexBytesArePairsOfDigitsWithOptionalSeparators) {
    const std::vector<std::uint8_t> deadbeef{0xDE, 0xAD, 0xBE, 0xEF};
    for (const char* text : {"de ad be ef", "DEADBEEF", "de,ad,be,ef", " dEaD , bE\tEf "})
        EXPECT_EQ(Pattern(text, PatternKind::HexBytes).bytes, deadbeef) << text;

    const std::pair<const char*, const char*> refused[] = {
        {"zz", "\"zz\" holds 'z', which is not a hexadecimal digit (0-9, a-f)."},
        {"de 0x41", "\"0x41\" holds 'x', which is not a hexadecimal digit (0-9, a-f)."},
        {"de\xC3\xA4", "\"de\xC3\xA4\" holds a character that is not a hexadecimal digit (0-9, a-f)."},
        {"dea", "\"dea\" has an odd number of hexadecimal digits: each byte takes two."},
        {"de a d", "\"a\" has an odd number of hexadecimal digits: each byte takes two."},
        {" , ", "Enter the bytes to search for as pairs of hexadecimal digits, such as \"de ad be ef\"."},
    };
    for (const auto& [text, message] : refused) {
        SearchPattern pattern;
        std::string error;
        EXPECT_FALSE(ParseSearchPattern(text, PatternKind::HexBytes, pattern, error)) << text;
        EXPECT_EQ(error, message);
    }
}

TEST(HeapSearch, FindsEveryMatchOverlappingOnesToTheVeryEnd) {
    TestHeap heap;
    heap.Add("xAaaAx");
    heap.Add("..aa");
    const std::vector<SearchHit> hits = SearchAll(heap, Pattern("aa"));
    ASSERT_EQ(hits.size(), 4u);
    EXPECT_EQ(Offsets(hits), (std::vector<std::uint64_t>{1, 2, 3, 2}));
    EXPECT_EQ(hits[3].blockIndex, 1u);
    EXPECT_EQ(hits[3].blockAddress, heap.blocks[1].address);
}

TEST(HeapSearch, HexBytesMatchExactly) {
    TestHeap heap;
    heap.Add(std::string("ab\0AB\0", 6));
    EXPECT_EQ(Offsets(SearchAll(heap, Pattern("41 42 00", PatternKind::HexBytes))), std::vector<std::uint64_t>{3});
}

TEST(HeapSearch, WideTextShowsItsContextAsTheDumpDoes) {
    TestHeap heap;
    heap.Add(std::string("\x01xH\0e\0A\0p\0!", 11));
    const std::vector<SearchHit> hits = SearchAll(heap, Pattern("heap", PatternKind::WideText));
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].offset, 2u);
    EXPECT_EQ(hits[0].context, ".xH.e.A.p.!");
}

TEST(HeapSearch, ContextKeepsTheBytesAsTheyAreWithinTheBlock) {
    TestHeap heap;
    heap.Add("0123456789CorVane\tabcdefghij");
    heap.Add("corvane!");
    const std::vector<SearchHit> hits = SearchAll(heap, Pattern("CORVANE"));
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[0].context, "23456789CorVane.abcdefg");
    EXPECT_EQ(hits[1].context, "corvane!") << "nothing from outside the block";
}

TEST(HeapSearch, MatchesNeverSpanTwoBlocksAndFreeBlocksAreSkipped) {
    TestHeap heap;
    heap.Add("xxcor");
    heap.Add("vanexx", true, 0);
    heap.Add("corvane", false, 0);
    heap.Add("corvane", true, 0);
    HoleyMemory memory(heap);
    HeapSearch search(memory, heap.blocks, Pattern("corvane"));
    EXPECT_EQ(search.BytesTotal(), 18u);
    const std::vector<SearchHit> hits = SearchAll(search);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].blockIndex, 3u);
    EXPECT_EQ(memory.readSizes, std::vector<std::size_t>{25}) << "blocks next to each other are read at once";
    EXPECT_EQ(search.BytesSearched(), 18u);
}

// A heap of random letters, some blocks larger than the pieces, searched with
// pieces of many sizes: matches on and around every piece boundary are found
// once each, with the context the whole block gives them.
TEST(HeapSearch, PiecesOfLargeBlocksFindEachMatchOnce) {
    std::mt19937 random(7);
    TestHeap heap;
    for (int i = 0; i < 40; ++i) {
        std::string content(random() % 300, ' ');
        for (char& c : content)
            c = "aAbB\0"[random() % 5];
        heap.Add(content, random() % 4 != 0, random() % 3 == 0 ? 0 : random() % 40);
    }
    std::string large(100000, ' '); // folded and compared in several windows at once
    for (char& c : large)
        c = "aAbB\0"[random() % 5];
    heap.Add(large);
    const std::pair<const char*, PatternKind> patterns[] = {{"ab", PatternKind::Text},
                                                            {"aBa", PatternKind::Text},
                                                            {"bbabb", PatternKind::Text},
                                                            {"aB", PatternKind::WideText},
                                                            {"41 00 62", PatternKind::HexBytes}};
    for (const auto& [text, kind] : patterns) {
        const SearchPattern pattern = Pattern(text, kind);
        const std::vector<SearchHit> expected = PlainSearch(heap, pattern);
        ASSERT_GT(expected.size(), 10u);
        for (std::size_t piece : {1, 41, 42, 57, 64, 100, 1000, 1 << 20}) {
            HoleyMemory memory(heap);
            HeapSearch search(memory, heap.blocks, pattern, piece, std::numeric_limits<std::size_t>::max());
            ExpectSameHits(SearchAll(search), expected);
            EXPECT_LE(*std::max_element(memory.readSizes.begin(), memory.readSizes.end()),
                      std::max<std::size_t>(piece, 2 * (pattern.bytes.size() + 16)))
                << "piece " << piece;
            EXPECT_EQ(search.BytesSearched(), search.BytesTotal());
        }
    }
}

TEST(HeapSearch, UnreadableBytesAreSkippedAndCountedWhileTheRestIsSearched) {
    TestHeap heap;
    heap.Add("heap one");
    heap.Add("heap two"); // in a hole: the combined read fails, the others are read one by one
    heap.Add("heap three");
    std::string large(1000, '.');
    for (std::size_t at : {0, 450, 600, 800, 990})
        large.replace(at, 4, "heap");
    heap.Add(large, true, 50000); // too far away to be read with the others
    HoleyMemory memory(heap);
    // The second hole lies in two of the large block's pieces of 200 bytes:
    // those from 362 and from 543.
    memory.holes = {{heap.blocks[1].address + 2, heap.blocks[1].address + 3},
                    {heap.blocks[3].address + 545, heap.blocks[3].address + 550}};
    HeapSearch search(memory, heap.blocks, Pattern("heap"), 200);
    const std::vector<SearchHit> hits = SearchAll(search);
    ASSERT_EQ(hits.size(), 5u);
    EXPECT_EQ(hits[0].blockIndex, 0u);
    EXPECT_EQ(hits[1].blockIndex, 2u);
    EXPECT_EQ(Offsets(hits), (std::vector<std::uint64_t>{0, 0, 0, 800, 990})) << "the pieces over the hole are skipped";
    EXPECT_EQ(search.UnreadableBlocks(), 2u) << "a block with unreadable pieces counts once";
    EXPECT_GT(search.BytesUnreadable(), 8u);
    EXPECT_EQ(search.BytesSearched() + search.BytesUnreadable(), search.BytesTotal());
}

TEST(HeapSearch, SizesThatCannotBeTrustedAreNeverRead) {
    TestHeap heap;
    heap.Add("corvane");
    heap.Add("");
    heap.Add("corvane");
    std::vector<HeapBlockCursor> blocks = heap.blocks;
    blocks.push_back({std::numeric_limits<Address>::max() - 3, 8, BlockKind::Fixed, false, 0});
    blocks.push_back(heap.blocks[0]); // behind the block before it: read on its own
    HoleyMemory memory(heap);
    HeapSearch search(memory, blocks, Pattern("corvane"));
    EXPECT_EQ(search.BytesTotal(), 21u);
    EXPECT_EQ(Offsets(SearchAll(search)), (std::vector<std::uint64_t>{0, 0, 0}));
    EXPECT_EQ(search.UnreadableBlocks(), 1u) << "the one whose end wraps around";
    EXPECT_EQ(memory.readSizes, (std::vector<std::size_t>{30, 7}));
}

TEST(HeapSearch, StepsKeepToTheirBudgetAndResumeWhereTheyStopped) {
    std::mt19937 random(3);
    TestHeap heap;
    for (int i = 0; i < 200; ++i) {
        std::string content(random() % 100000, 'x');
        for (int k = 0; k < 5; ++k)
            if (!content.empty()) content.replace(random() % content.size(), 1, "q");
        heap.Add(content, true, random() % 2 ? 0 : 1 << 15);
    }
    const SearchPattern pattern = Pattern("q");
    const std::vector<SearchHit> expected = PlainSearch(heap, pattern);
    constexpr std::size_t kPiece = 64 << 10;
    constexpr std::uint64_t kBudget = 100 << 10;
    HoleyMemory memory(heap);
    HeapSearch search(memory, heap.blocks, pattern, kPiece);
    std::vector<SearchHit> hits;
    std::uint64_t before = 0;
    bool more = true;
    while (more) {
        const std::size_t reads = memory.readSizes.size();
        more = search.Step(kBudget, hits);
        std::uint64_t read = 0;
        for (std::size_t i = reads; i < memory.readSizes.size(); ++i)
            read += std::max<std::uint64_t>(memory.readSizes[i], 4096);
        EXPECT_LT(read, kBudget + kPiece);
        EXPECT_GT(search.BytesSearched(), before) << "every step gets on";
        before = search.BytesSearched();
    }
    EXPECT_GT(memory.readSizes.size(), 20u);
    ExpectSameHits(hits, expected);
    EXPECT_FALSE(search.Step(kBudget, hits));
}

TEST(HeapSearch, StopsPastTheHitLimit) {
    TestHeap heap;
    heap.Add("aaaa");
    heap.Add("xa");
    HoleyMemory memory(heap);
    HeapSearch exact(memory, heap.blocks, Pattern("a"), kSearchPieceSize, 5);
    EXPECT_EQ(SearchAll(exact).size(), 5u);
    EXPECT_FALSE(exact.HitLimitReached()) << "no match was left out";
    HeapSearch capped(memory, heap.blocks, Pattern("a"), kSearchPieceSize, 3);
    EXPECT_EQ(Offsets(SearchAll(capped)), (std::vector<std::uint64_t>{0, 1, 2}));
    EXPECT_TRUE(capped.HitLimitReached());
    EXPECT_TRUE(capped.Done());
}

} // namespace
} // namespace corvane
