// Compile-time check that no two resources of one kind share an id, and no
// two controls of one dialog do.

#include "res/resource.h"

namespace {

template <int N> constexpr bool AllDistinct(const int (&ids)[N]) {
    for (int i = 0; i < N; ++i)
        for (int k = i + 1; k < N; ++k)
            if (ids[i] == ids[k]) return false;
    return true;
}

constexpr int kImages[] = {IDR_MAINFRAME,     IDB_BANNER, IDB_ABOUT_PARTNER, IDB_ABOUT_BANNER,
                           IDI_SEARCH_HOVER,  IDI_CLOSE,  IDI_CLOSE_HOVER,   IDI_REFRESH,
                           IDI_REFRESH_HOVER, IDI_SAVE,   IDI_SAVE_HOVER,    IDI_SEARCH};
constexpr int kDialogs[] = {IDD_ABOUTBOX, IDD_CORVANE_DIALOG, IDD_COMPARE, IDD_STATISTICS, IDD_FIND_ALL, IDD_GO_TO,
                            IDD_POINTERS, IDD_WHO_POINTS,     IDD_LEAKS,   IDD_WATCH,      IDD_HEAP_MAP};
constexpr int kMainControls[] = {
    IDC_REFRESH,        IDC_PROCESS_COMBO, IDC_NODE_LIST,  IDC_BLOCK_LIST,    IDC_DATA_LIST,    IDC_CLOSE_DATA,
    IDC_SAVE_DATA,      IDC_SEARCH,        IDC_NODE_GROUP, IDC_BLOCK_GROUP,   IDC_SEARCH_EDIT,  IDC_UNICODE_CHECK,
    IDC_POSITION_LABEL, IDC_WEB_LINK,      IDC_ABOUT_LINK, IDC_PROCESS_LABEL, IDC_UNICODE_LABEL};
constexpr int kAboutControls[] = {IDC_ABOUT_TITLE,  IDC_ABOUT_SLOGAN,          IDC_ABOUT_WEB_LINK,
                                  IDC_ABOUT_CREDIT, IDC_ABOUT_PARTNER_CAPTION, IDC_ABOUT_LEGAL};

constexpr int kToolControls[] = {IDC_TOOL_SUMMARY,   IDC_TOOL_LIST,   IDC_FIND_ALL_TEXT,  IDC_FIND_ALL_KIND,
                                 IDC_FIND_ALL_START, IDC_TOOL_STOP,   IDC_FIND_ALL_LABEL, IDC_TOOL_NOTE,
                                 IDC_GO_TO_EDIT,     IDC_GO_TO_LABEL, 1 /* IDOK */,       2 /* IDCANCEL */};
constexpr int kWatchControls[] = {
    IDC_WATCH_CHART, IDC_WATCH_INTERVAL, IDC_WATCH_INTERVAL_LABEL, IDC_WATCH_PAUSE,  IDC_WATCH_EXPORT,
    IDC_WATCH_HEAPS, IDC_WATCH_SIZES,    IDC_WATCH_SIZES_LABEL,    IDC_TOOL_SUMMARY, 2 /* IDCANCEL */};
constexpr int kMapControls[] = {IDC_MAP_FIGURES, IDC_MAP_AREA, IDC_MAP_HOVER, IDC_MAP_LEGEND, 2 /* IDCANCEL */};
constexpr int kCommands[] = {ID_NODE_SET_BASELINE, ID_NODE_COMPARE,    ID_NODE_STATISTICS, ID_NODE_COPY,
                             ID_NODE_EXPORT,       ID_BLOCK_FIND_ALL,  ID_BLOCK_COPY,      ID_BLOCK_EXPORT,
                             ID_DUMP_COPY,         ID_DUMP_EXPORT,     ID_TOOL_COPY,       ID_TOOL_EXPORT,
                             ID_NODE_GO_TO,        ID_NODE_FIND_LEAKS, ID_BLOCK_GO_TO,     ID_BLOCK_WHO_POINTS,
                             ID_DUMP_BACK,         ID_DUMP_POINTERS,   ID_DUMP_WHO_POINTS, ID_NODE_WATCH,
                             ID_BLOCK_HEAP_MAP};

static_assert(AllDistinct(kImages), "two icons or bitmaps share an id");
static_assert(AllDistinct(kDialogs), "two dialogs share an id");
static_assert(AllDistinct(kMainControls), "two main dialog controls share an id");
static_assert(AllDistinct(kAboutControls), "two About box controls share an id");
static_assert(AllDistinct(kToolControls), "two tool dialog controls share an id");
static_assert(AllDistinct(kWatchControls), "two watch controls share an id");
static_assert(AllDistinct(kMapControls), "two heap map controls share an id");
static_assert(AllDistinct(kCommands), "two menu commands share an id");

} // namespace
