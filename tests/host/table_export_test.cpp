#include "tests/support/fake_save_files.h"
#include "ui/save.h"
#include "ui/table_export.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane {
namespace {

using testing::FakeFiles;

class Table : public TableRows {
public:
    std::vector<std::string> headings;
    std::vector<std::vector<std::string>> rows;
    int ColumnCount() const override { return static_cast<int>(headings.size()); }
    std::string Heading(int column) const override { return headings[static_cast<std::size_t>(column)]; }
    std::size_t RowCount() const override { return rows.size(); }
    std::string_view Cell(std::size_t row, int column) const override {
        return rows[row][static_cast<std::size_t>(column)];
    }
};

std::string FileText(const FakeFiles& files, const std::string& path) {
    const auto& bytes = files.disk.files.at(path);
    return std::string(bytes.begin(), bytes.end());
}

TEST(TableText, CsvQuotesOnlyTheFieldsThatNeedItAndEndsEveryRecordWithCrLf) {
    Table table;
    table.headings = {"Block Address", "Note"};
    table.rows = {{"0x00150000", "plain"}, {"a,b", "say \"hi\""}, {"two\nlines", "cr\rhere"}};
    FakeFiles files;
    ASSERT_EQ(ExportCsv(table, files, "out.csv"), nullptr);
    EXPECT_EQ(FileText(files, "out.csv"), "Block Address,Note\r\n"
                                          "0x00150000,plain\r\n"
                                          "\"a,b\",\"say \"\"hi\"\"\"\r\n"
                                          "\"two\nlines\",\"cr\rhere\"\r\n");
}

TEST(TableText, ACopiedRowHasTheHeadingLineAndKeepsItsColumns) {
    Table table;
    table.headings = {"Heap Block Index", "Status"};
    table.rows = {{"1", "Allocated"}, {"2", "tab\there\r\n"}};
    EXPECT_EQ(TabSeparatedRow(table, 1), "Heap Block Index\tStatus\r\n2\ttab here  \r\n");
}

TEST(TableText, ABigExportGoesOutInPiecesAndAFailedOneLeavesTheOldFile) {
    Table table;
    table.headings = {"Line"};
    std::string expected;
    for (int i = 0; i < 20000; ++i) {
        table.rows.push_back({"00000000h  line " + std::to_string(i)});
        expected += table.rows.back()[0] + "\r\n";
    }
    FakeFiles files;
    ASSERT_EQ(ExportTextLines(table, files, "dump.txt"), nullptr);
    EXPECT_EQ(FileText(files, "dump.txt"), expected);
    EXPECT_GT(files.disk.writes.size(), 3u) << "written in pieces";

    files.disk.failAtWrite = static_cast<int>(files.disk.writes.size()) + 1;
    EXPECT_EQ(ExportCsv(table, files, "dump.txt"), kExportWriteFailedMessage);
    EXPECT_EQ(FileText(files, "dump.txt"), expected);
    files.disk.failCreate = true;
    EXPECT_EQ(ExportCsv(table, files, "other.csv"), kSaveFileOpenFailedMessage);
    EXPECT_EQ(files.disk.openFiles, 0);
}

} // namespace
} // namespace corvane
