#pragma once

// How a list's columns are described: one table per list, beside the row
// formatter that fills it, from which the list is laid out and its headings
// are taken.

#include <cstddef>
#include <string>
#include <vector>

namespace corvane {

// What a column shows, for the room it needs in a list of a 64-bit
// process's rows.
enum class ColumnValues {
    Text,             // the same in either list
    Number,           // an address or size at the process's width
    NumberAndDecimal, // such a number with its decimal value beside it
};

struct ListColumn {
    int column; // its index, the row texts' index of its cell
    const char* heading;
    int width; // in pixels at 96 DPI, for a list of a 32-bit process's rows
    ColumnValues values;
};

// True when the table holds the columns in their order, each once, so that
// a heading, its width and its index cannot drift apart.
template <std::size_t N> constexpr bool InColumnOrder(const ListColumn (&columns)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        if (columns[i].column != static_cast<int>(i)) return false;
    return true;
}

template <std::size_t N> std::vector<std::string> Headings(const ListColumn (&columns)[N]) {
    std::vector<std::string> headings;
    for (const ListColumn& column : columns)
        headings.emplace_back(column.heading);
    return headings;
}

} // namespace corvane
