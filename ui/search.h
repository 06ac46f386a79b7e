#pragma once

#include "heap/find_text.h"
#include "ui/block_view.h"
#include "ui/message_icon.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

// What searches remember for the whole run of the program, across blocks:
// the lower-cased text of the last search and the dump line it selected.
struct SearchHistory {
    std::string previousText;
    int lastLine = -1;
};
// The one history the program's searches share.
SearchHistory& ProgramSearchHistory();

extern const char* const kEnterSearchText;
extern const char* const kSearchNotFoundText;

// The controls a search reads as they stand when the search button is pressed.
struct SearchRequest {
    std::string text;      // the search box
    bool wide = false;     // the "unicode" check box
    int selectedLine = -1; // the selected dump line, -1 when none
};

// What a press of the search button comes to.
enum class SearchResult {
    EmptyText,   // the search box is filled with kEnterSearchText
    NothingHeld, // no copy, or an empty one: nothing happens
    NotFound,    // warning message, line 2 selected, caption "Find", label hidden
    Found,       // `line` selected, label shows `positionText`, caption "Find Again"
};
struct SearchAnswer {
    SearchResult result = SearchResult::NothingHeld;
    int line = -1;
    std::int32_t offset = -1;
    std::string positionText;
};

// Runs one search over the held copy, moving its search position and the
// history as a press of the search button does.
SearchAnswer DecideSearch(const SearchRequest& request, HeldBlock& held, SearchHistory& history);

// The search controls of the data view.
class SearchWindow {
public:
    virtual ~SearchWindow() = default;
    virtual SearchRequest ReadSearchControls() = 0;
    virtual void SetSearchText(const char* text) = 0;
    virtual void SelectDumpLine(int index) = 0;
    virtual void SetSearchCaption(const char* caption) = 0;
    virtual void ShowPositionLabel(bool show) = 0;
    virtual void SetPositionText(const std::string& text) = 0;
    virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
};

// The answer for a match at `offset` in the held copy, as a search that
// found it there gives it; the next search goes on after it. Nothing is
// found (NothingHeld) for an offset outside the copy.
SearchAnswer MatchAnswer(HeldBlock& held, std::uint32_t offset, SearchHistory& history);

// Shows an answer in the data view's controls.
void ApplySearchAnswer(const SearchAnswer& answer, SearchWindow& window);

// One press of the search button: read the controls, search, show the result.
void RunSearch(SearchWindow& window, HeldBlock& held, SearchHistory& history);

} // namespace corvane
