#include "ui/search.h"

#include "heap/dump_text.h"
#include "heap/row_text.h"

#include <cstdio>
#include <cstring>

namespace corvane {

const char* const kEnterSearchText = "Enter the search string";
const char* const kSearchNotFoundText = "Search string not found.";

SearchHistory& ProgramSearchHistory() {
    static SearchHistory history;
    return history;
}

SearchAnswer DecideSearch(const SearchRequest& request, HeldBlock& held, SearchHistory& history) {
    SearchAnswer answer;
    const std::string text = LowerCaseText(request.text);
    if (text.empty()) {
        answer.result = SearchResult::EmptyText;
        return answer;
    }
    if (!held.IsHeld() || held.m_heapDataSize == 0) {
        answer.result = SearchResult::NothingHeld;
        return answer;
    }

    // A line chosen by hand since the last search moves the start to it.
    constexpr auto kLineBytes = static_cast<std::int64_t>(kDumpBytesPerLine);
    const std::int64_t selected = request.selectedLine;
    if (history.lastLine != -1 && selected != history.lastLine &&
        selected - kFirstDumpLine != held.m_searchPos / kLineBytes) {
        const std::int64_t line = selected - kFirstDumpLine;
        const std::int64_t position = line > 0 ? line * kLineBytes : 0;
        held.m_searchPos = position > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(position);
    }
    if (text != history.previousText) {
        held.m_searchPos = 0;
        history.previousText = text;
    }

    const std::int32_t found =
        FindInHeapData(held.m_heapData.get(), held.m_heapDataSize, text, held.m_searchPos, request.wide);
    if (found < 0) {
        held.m_searchPos = 0;
        history.lastLine = kFirstDumpLine;
        answer.result = SearchResult::NotFound;
        answer.line = kFirstDumpLine;
        return answer;
    }
    return MatchAnswer(held, static_cast<std::uint32_t>(found), history);
}

SearchAnswer MatchAnswer(HeldBlock& held, std::uint32_t offset, SearchHistory& history) {
    SearchAnswer answer;
    if (offset >= held.m_heapDataSize) return answer;
    const auto found = static_cast<std::int32_t>(offset);
    answer.result = SearchResult::Found;
    answer.offset = found;
    answer.line = found / static_cast<std::int32_t>(kDumpBytesPerLine) + kFirstDumpLine;
    history.lastLine = answer.line;
    HexText address;
    FormatHex(held.m_blockAddress + offset, held.m_addressWidth, address);
    char position[48];
    std::snprintf(position, sizeof position, " Position: %s (%d)", address, static_cast<int>(found));
    answer.positionText = position;
    held.m_searchPos = found + 1;
    return answer;
}

void ApplySearchAnswer(const SearchAnswer& answer, SearchWindow& window) {
    switch (answer.result) {
    case SearchResult::EmptyText: window.SetSearchText(kEnterSearchText); break;
    case SearchResult::NothingHeld: break;
    case SearchResult::NotFound:
        window.ShowMessage(kSearchNotFoundText, MessageIcon::Warning);
        window.SelectDumpLine(answer.line);
        window.SetSearchCaption(kFindCaption);
        window.ShowPositionLabel(false);
        break;
    case SearchResult::Found:
        window.SelectDumpLine(answer.line);
        window.ShowPositionLabel(true);
        window.SetPositionText(answer.positionText);
        window.SetSearchCaption(kFindAgainCaption);
        break;
    }
}

void RunSearch(SearchWindow& window, HeldBlock& held, SearchHistory& history) {
    ApplySearchAnswer(DecideSearch(window.ReadSearchControls(), held, history), window);
}

} // namespace corvane
