#pragma once

// Lays a list view's columns out from its column table.

#include "framework/controls_win32.h"
#include "heap/memory_view.h"
#include "ui/list_columns.h"

#include <algorithm>
#include <cstddef>
#include <optional>

namespace corvane {

// How a list's columns were widened for a 64-bit process's numbers: by
// `extra` pixels in all, which its last column gives back down to the
// `lastColumnLeast` pixels that its own texts need.
struct ColumnFit {
    int extra = 0;
    int lastColumnLeast = 0;
    bool lastGivesBack = false;
    int LastColumnWidth(int width) const {
        return lastGivesBack && extra > 0 ? std::max(width - extra, lastColumnLeast) : width;
    }
};

// The room a list leaves around the text of a cell.
constexpr int kCellMargins = 12;

// The width a column needs for an address or size of `width` in the list's
// font: that of the widest digits, so that no value is cut off.
int NumberColumnWidth(const CListCtrl& list, AddressWidth width);

// Inserts the columns at their usual widths, scaled to the system's DPI. For
// a 64-bit process, a Number column is as wide as its numbers need, and a
// NumberAndDecimal column gains the room the longer numbers take; a last
// Text column then gives that room back, down to `lastColumnLeast` pixels
// (none: it keeps its width), so that the list still fits where it can;
// where it cannot, the list scrolls sideways.
ColumnFit LayOutColumns(CListCtrl& list, const ListColumn* columns, std::size_t count, AddressWidth width,
                        std::optional<int> lastColumnLeast);
template <std::size_t N>
ColumnFit LayOutColumns(CListCtrl& list, const ListColumn (&columns)[N], AddressWidth width,
                        std::optional<int> lastColumnLeast) {
    return LayOutColumns(list, columns, N, width, lastColumnLeast);
}

} // namespace corvane
