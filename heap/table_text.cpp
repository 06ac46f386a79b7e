#include "heap/table_text.h"

namespace corvane {

namespace {

void AppendCsvField(std::string_view field, std::string& out) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += field;
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void AppendTabField(std::string_view field, std::string& out) {
    for (const char c : field)
        out += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
}

} // namespace

void AppendCsvRecord(const TableRows& table, std::size_t row, std::string& out) {
    for (int column = 0; column < table.ColumnCount(); ++column) {
        if (column) out += ',';
        AppendCsvField(table.Cell(row, column), out);
    }
    out += "\r\n";
}

void AppendCsvHeading(const TableRows& table, std::string& out) {
    for (int column = 0; column < table.ColumnCount(); ++column) {
        if (column) out += ',';
        AppendCsvField(table.Heading(column), out);
    }
    out += "\r\n";
}

std::string TabSeparatedRow(const TableRows& table, std::size_t row) {
    std::string text;
    for (int column = 0; column < table.ColumnCount(); ++column) {
        if (column) text += '\t';
        AppendTabField(table.Heading(column), text);
    }
    text += "\r\n";
    for (int column = 0; column < table.ColumnCount(); ++column) {
        if (column) text += '\t';
        AppendTabField(table.Cell(row, column), text);
    }
    text += "\r\n";
    return text;
}

} // namespace corvane
