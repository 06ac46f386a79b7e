#pragma once

#include "heap/block_copy.h"
#include "heap/table_text.h"

#include <string>

namespace corvane {

extern const char* const kExportWriteFailedMessage;

// Writes a heading line and every row of `table` as comma-separated values
// to `path`. Nothing replaces what the path held until the whole file is
// written. Null on success, otherwise the message for the user.
const char* ExportCsv(const TableRows& table, SaveFiles& files, const std::string& path);

// Writes the first cell of every row of `table` as a line of text ending in
// CR LF, with no heading, under the same rule.
const char* ExportTextLines(const TableRows& table, SaveFiles& files, const std::string& path);

} // namespace corvane
