#include "ui/search.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace corvane {
namespace {

std::vector<std::uint8_t> Data(const std::string& text) { return {text.begin(), text.end()}; }

std::int32_t Find(const std::vector<std::uint8_t>& data, const std::string& text, std::int32_t start = 0,
                  bool wide = false) {
    return FindInHeapData(data.data(), static_cast<std::uint32_t>(data.size()), text, start, wide);
}

// The plain scan, for comparison: every offset whose byte is
// the first character starts a forward comparison.
std::int32_t StraightforwardFind(const std::vector<std::uint8_t>& data, const std::string& text, std::int32_t start,
                                 bool wide) {
    const std::size_t length = wide ? text.size() * 2 : text.size();
    const auto size = static_cast<std::int64_t>(data.size());
    for (std::int64_t p = start; p < size; ++p) {
        if (data[static_cast<std::size_t>(p)] != static_cast<std::uint8_t>(text[0])) continue;
        std::size_t i = 0;
        for (std::int64_t j = p; i < length && j < size; ++i, ++j) {
            const std::uint8_t expected = !wide        ? static_cast<std::uint8_t>(text[i])
                                          : i % 2 == 0 ? static_cast<std::uint8_t>(text[i / 2])
                                                       : 0;
            if (data[static_cast<std::size_t>(j)] != expected) break;
        }
        if (i == length) return static_cast<std::int32_t>(p);
    }
    return -1;
}

TEST(FindInHeapData, NarrowFindsFirstMatchAtOrAfterTheStart) {
    const auto data = Data("xxheapyyheap");
    EXPECT_EQ(Find(data, "heap"), 2);
    EXPECT_EQ(Find(data, "heap", 2), 2);
    EXPECT_EQ(Find(data, "heap", 3), 8);
    EXPECT_EQ(Find(data, "heap", 9), -1);
    EXPECT_EQ(Find(data, "heap", 12), -1);
    EXPECT_EQ(Find(data, "heap", 1000), -1);
    EXPECT_EQ(Find(data, "heap", -5), 2) << "a start before the bytes searches from the first";
    EXPECT_EQ(Find(data, "x"), 0);
    EXPECT_EQ(Find(data, "p", 6), 11) << "a match ending on the last byte";
    EXPECT_EQ(Find(data, "HEAP"), -1) << "bytes compare exactly; case is folded by the callers";
}

TEST(FindInHeapData, MatchesRunningPastTheEndDoNotCount) {
    EXPECT_EQ(Find(Data("xxhea"), "heap"), -1);
    EXPECT_EQ(Find(Data("heaxheap"), "heap"), 4);
    EXPECT_EQ(Find(Data("hheap"), "heap"), 1) << "a failed comparison does not skip the next candidate";
    EXPECT_EQ(Find(Data("ab"), "abc"), -1) << "a text longer than the bytes";
    EXPECT_EQ(Find({}, "a"), -1);
}

TEST(FindInHeapData, EmptyTextMatchesNowhere) {
    EXPECT_EQ(Find(Data("a\0b"), ""), -1);
    EXPECT_EQ(Find(Data("ab"), "", 0, true), -1);
}

TEST(FindInHeapData, WideLooksForEachCharacterFollowedByZero) {
    const std::vector<std::uint8_t> wideAb = {0x61, 0x00, 0x62, 0x00};
    EXPECT_EQ(Find(wideAb, "ab", 0, true), 0);
    EXPECT_EQ(Find(Data("ab"), "ab", 0, true), -1);
    EXPECT_EQ(Find(wideAb, "ab", 1, true), -1);
    const std::vector<std::uint8_t> missingLastZero = {0x61, 0x00, 0x62};
    EXPECT_EQ(Find(missingLastZero, "ab", 0, true), -1) << "the final zero byte would lie past the end";
    const std::vector<std::uint8_t> odd = {0x00, 0x61, 0x00, 0x61, 0x00, 0x62, 0x00};
    EXPECT_EQ(Find(odd, "ab", 0, true), 3) << "matches may start at odd offsets";
    const std::vector<std::uint8_t> notZero = {0x61, 0x01, 0x62, 0x00, 0x61, 0x00, 0x62, 0x00};
    EXPECT_EQ(Find(notZero, "ab", 0, true), 4);
    const std::vector<std::uint8_t> high = {0xe9, 0x00, 0x41, 0xe9, 0x00};
    EXPECT_EQ(Find(high, "\xe9", 1, true), 3) << "characters above 0x7F are zero-extended";
}

TEST(FindInHeapData, AgreesWithTheStraightforwardScan) {
    std::mt19937 random(7);
    // A small alphabet makes near matches, candidates at the edges and
    // partial matches at the end common.
    const std::string alphabet = std::string("ab\0", 3);
    for (int round = 0; round < 4000; ++round) {
        std::vector<std::uint8_t> data(random() % 120);
        for (auto& b : data)
            b = static_cast<std::uint8_t>(alphabet[random() % alphabet.size()]);
        std::string text(1 + random() % 4, 'a');
        for (char& c : text)
            c = alphabet[random() % 2];
        const bool wide = random() % 2 == 0;
        const auto start = static_cast<std::int32_t>(random() % (data.size() + 3));
        ASSERT_EQ(Find(data, text, start, wide), StraightforwardFind(data, text, start, wide))
            << "round " << round << " text " << text << " wide " << wide << " start " << start;
    }
}

TEST(LowerCaseText, FoldsOnlyAsciiCapitals) {
    EXPECT_EQ(LowerCaseText("HeAp Z@[`{09"), "heap z@[`{09");
    EXPECT_EQ(LowerCaseText("\xC0\xC9"), "\xC0\xC9");
}

// A block holding the lower-case word heap at 0x25 and again at 0x53.
HeldBlock HeapBlock() {
    HeldBlock held;
    held.m_heapDataSize = 0x60;
    held.m_heapData.reset(new std::uint8_t[held.m_heapDataSize]);
    std::memset(held.m_heapData.get(), '.', held.m_heapDataSize);
    std::memcpy(held.m_heapData.get() + 0x25, "heap", 4);
    std::memcpy(held.m_heapData.get() + 0x53, "heap", 4);
    held.m_blockAddress = 0x00155a20;
    return held;
}

SearchRequest Request(const std::string& text, int selectedLine = -1, bool wide = false) {
    SearchRequest request;
    request.text = text;
    request.selectedLine = selectedLine;
    request.wide = wide;
    return request;
}

TEST(Search, FindsFromTheStartThenContinuesAfterEachMatchThenReportsNotFound) {
    HeldBlock held = HeapBlock();
    SearchHistory history;

    SearchAnswer answer = DecideSearch(Request("HEAP", 2), held, history);
    EXPECT_EQ(answer.result, SearchResult::Found);
    EXPECT_EQ(answer.offset, 0x25);
    EXPECT_EQ(answer.line, 4);
    EXPECT_EQ(answer.positionText, " Position: 0x00155a45 (37)");
    EXPECT_EQ(held.m_searchPos, 0x26);
    EXPECT_EQ(history.lastLine, 4);
    EXPECT_EQ(history.previousText, "heap");

    answer = DecideSearch(Request("Heap", 4), held, history);
    EXPECT_EQ(answer.result, SearchResult::Found) << "a change of letter case is the same text";
    EXPECT_EQ(answer.offset, 0x53);
    EXPECT_EQ(answer.line, 7);
    EXPECT_EQ(answer.positionText, " Position: 0x00155a73 (83)");

    answer = DecideSearch(Request("heap", 7), held, history);
    EXPECT_EQ(answer.result, SearchResult::NotFound);
    EXPECT_EQ(answer.line, 2);
    EXPECT_EQ(held.m_searchPos, 0);
    EXPECT_EQ(history.lastLine, 2);

    answer = DecideSearch(Request("heap", 2), held, history);
    EXPECT_EQ(answer.offset, 0x25) << "no wrap-around, but the next press starts over";
}

TEST(Search, APositionInA64BitTargetShowsTheWholeAddress) {
    HeldBlock held = HeapBlock();
    held.m_blockAddress = 0x00007ff612340000;
    held.m_addressWidth = AddressWidth::Bits64;
    SearchHistory history;
    EXPECT_EQ(DecideSearch(Request("heap"), held, history).positionText, " Position: 0x00007ff612340025 (37)");
}

TEST(Search, ChangedTextRestartsAtTheFirstByte) {
    HeldBlock held = HeapBlock();
    std::memcpy(held.m_heapData.get() + 0x10, "hea", 3);
    SearchHistory history;
    EXPECT_EQ(DecideSearch(Request("heap"), held, history).offset, 0x25);
    EXPECT_EQ(DecideSearch(Request("hea", 4), held, history).offset, 0x10);
    EXPECT_EQ(history.previousText, "hea");
}

TEST(Search, HandSelectedLineMovesTheStartOnlyAfterAFirstSearch) {
    HeldBlock held = HeapBlock();
    SearchHistory history;
    // Before the first search of the run the selection is ignored.
    EXPECT_EQ(DecideSearch(Request("heap", 6), held, history).offset, 0x25);

    // Line 5 (offsets 0x30 to 0x3f) chosen by hand: the search starts there.
    held.m_searchPos = 0x26;
    EXPECT_EQ(DecideSearch(Request("heap", 5), held, history).offset, 0x53);

    // Line 0 or 1 (the header or the empty line) starts at offset 0.
    for (int line : {0, 1, -1}) {
        held.m_searchPos = 0x54;
        history.lastLine = 7;
        EXPECT_EQ(DecideSearch(Request("heap", line), held, history).offset, 0x25) << line;
    }

    // The line holding the search position counts as not moved.
    history.lastLine = 4;
    held.m_searchPos = 0x26;
    EXPECT_EQ(DecideSearch(Request("heap", 4), held, history).offset, 0x53);
    history.lastLine = 9;
    held.m_searchPos = 0x26;
    EXPECT_EQ(DecideSearch(Request("heap", 4), held, history).offset, 0x53) << "line 4 is where position 0x26 lies";
}

TEST(Search, EmptyTextAndNoCopyChangeNothing) {
    HeldBlock held = HeapBlock();
    held.m_searchPos = 0x26;
    SearchHistory history;
    history.previousText = "heap";
    history.lastLine = 4;
    EXPECT_EQ(DecideSearch(Request("", 9), held, history).result, SearchResult::EmptyText);
    EXPECT_EQ(held.m_searchPos, 0x26);
    EXPECT_EQ(history.previousText, "heap");

    HeldBlock none;
    EXPECT_EQ(DecideSearch(Request("x", 9), none, history).result, SearchResult::NothingHeld);
    HeldBlock empty;
    empty.m_heapData.reset(new std::uint8_t[1]);
    EXPECT_EQ(DecideSearch(Request("x", 9), empty, history).result, SearchResult::NothingHeld);
    EXPECT_EQ(history.previousText, "heap");
    EXPECT_EQ(history.lastLine, 4);
}

TEST(Search, WideSearchAndTheHistoryOutliveTheBlock) {
    HeldBlock held;
    const std::uint8_t bytes[] = {'x', 'a', 0, 'b', 0, 'a', 'b'};
    held.m_heapDataSize = sizeof bytes;
    held.m_heapData.reset(new std::uint8_t[sizeof bytes]);
    std::memcpy(held.m_heapData.get(), bytes, sizeof bytes);
    SearchHistory history;
    SearchAnswer answer = DecideSearch(Request("AB", -1, true), held, history);
    EXPECT_EQ(answer.offset, 1);
    EXPECT_EQ(answer.positionText, " Position: 0x00000001 (1)");
    EXPECT_EQ(DecideSearch(Request("ab", 2, true), held, history).result, SearchResult::NotFound);

    // Another block shown: its search position is 0 but the history goes on.
    HeldBlock next = HeapBlock();
    EXPECT_EQ(history.lastLine, 2);
    EXPECT_EQ(DecideSearch(Request("heap", 2), next, history).offset, 0x25);
}

TEST(Search, TheProgramsHistoryIsKeptFromOneSearchToTheNext) {
    HeldBlock held = HeapBlock();
    const SearchHistory saved = ProgramSearchHistory();
    DecideSearch(Request("heap"), held, ProgramSearchHistory());
    EXPECT_EQ(ProgramSearchHistory().previousText, "heap");
    EXPECT_EQ(ProgramSearchHistory().lastLine, 4);
    ProgramSearchHistory() = saved;
}

class FakeSearchWindow : public SearchWindow {
public:
    SearchRequest request;
    std::vector<std::string> calls;
    SearchRequest ReadSearchControls() override { return request; }
    void SetSearchText(const char* text) override { calls.push_back(std::string("text:") + text); }
    void SelectDumpLine(int index) override { calls.push_back("select:" + std::to_string(index)); }
    void SetSearchCaption(const char* caption) override { calls.push_back(std::string("caption:") + caption); }
    void ShowPositionLabel(bool show) override { calls.push_back(show ? "label:show" : "label:hide"); }
    void SetPositionText(const std::string& text) override { calls.push_back("position:" + text); }
    void ShowMessage(const std::string& text, MessageIcon icon) override {
        calls.push_back("message:" + text + (icon == MessageIcon::Warning ? " (warning)" : " (other)"));
    }
};

TEST(RunSearch, ShowsEachOutcomeInTheControls) {
    HeldBlock held = HeapBlock();
    SearchHistory history;
    FakeSearchWindow window;

    window.request = Request("");
    RunSearch(window, held, history);
    EXPECT_EQ(window.calls, std::vector<std::string>{"text:Enter the search string"});

    window.calls.clear();
    window.request = Request("heap", 2);
    RunSearch(window, held, history);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"select:4", "label:show", "position: Position: 0x00155a45 (37)",
                                                      "caption:Find Again"}));

    window.calls.clear();
    window.request = Request("absent", 4);
    RunSearch(window, held, history);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"message:Search string not found. (warning)", "select:2",
                                                      "caption:Find", "label:hide"}));

    window.calls.clear();
    HeldBlock none;
    RunSearch(window, none, history);
    EXPECT_TRUE(window.calls.empty());
}

} // namespace
} // namespace corvane
