#include "ui/table_export.h"

#include "ui/save.h"

#include <memory>

namespace corvane {

const char* const kExportWriteFailedMessage =
    "Failed to write the file.\nMake sure there is enough free space on the disk.";

namespace {

// Text goes to the file a few tens of kilobytes at a time, so that a list
// of a million rows never stands in memory as one text.
constexpr std::size_t kExportPiece = 0x10000;

template <typename AppendRow>
const char* WriteRows(const TableRows& table, SaveFiles& files, const std::string& path, std::string text,
                      AppendRow appendRow) {
    const std::unique_ptr<SaveFile> file = files.Create(path);
    if (!file) return kSaveFileOpenFailedMessage;
    for (std::size_t row = 0; row < table.RowCount(); ++row) {
        appendRow(row, text);
        if (text.size() < kExportPiece) continue;
        if (!file->Write(text.data(), text.size())) return kExportWriteFailedMessage;
        text.clear();
    }
    if (!text.empty() && !file->Write(text.data(), text.size())) return kExportWriteFailedMessage;
    return file->Commit() ? nullptr : kExportWriteFailedMessage;
}

} // namespace

const char* ExportCsv(const TableRows& table, SaveFiles& files, const std::string& path) {
    std::string heading;
    AppendCsvHeading(table, heading);
    return WriteRows(table, files, path, std::move(heading),
                     [&table](std::size_t row, std::string& text) { AppendCsvRecord(table, row, text); });
}

const char* ExportTextLines(const TableRows& table, SaveFiles& files, const std::string& path) {
    return WriteRows(table, files, path, std::string(), [&table](std::size_t row, std::string& text) {
        text += table.Cell(row, 0);
        text += "\r\n";
    });
}

} // namespace corvane
