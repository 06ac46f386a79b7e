#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {

// A table of texts with a heading per column: the rows of a list as they
// are copied and exported.
class TableRows {
public:
    virtual ~TableRows() = default;
    virtual int ColumnCount() const = 0;
    virtual std::string Heading(int column) const = 0;
    virtual std::size_t RowCount() const = 0;
    // The text of a cell; valid until the next call on the table.
    virtual std::string_view Cell(std::size_t row, int column) const = 0;
};

// Appends one record of comma-separated values ending in CR LF: a field
// that holds a comma, a double quote, a CR or an LF is put in double quotes,
// with each double quote in it doubled.
void AppendCsvRecord(const TableRows& table, std::size_t row, std::string& out);
void AppendCsvHeading(const TableRows& table, std::string& out);

// The heading line and the row's line, cells separated by tabs, each line
// ending in CR LF, as the clipboard takes text. Tabs and line breaks inside a
// cell become spaces, so that the columns stay where they are.
std::string TabSeparatedRow(const TableRows& table, std::size_t row);

} // namespace corvane
