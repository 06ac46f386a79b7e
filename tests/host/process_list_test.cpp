#include "heap/process_list.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(ProcessEntry, NameFourSpacesAndBracketedId) {
    EXPECT_EQ(FormatProcessEntry("notepad.exe", 1234), "notepad.exe    [1234]");
    EXPECT_EQ(ParseProcessEntryId("notepad.exe    [1234]"), 1234);
}

TEST(ProcessEntry, IdComesFromTheLastBracketPair) {
    const std::string entry = FormatProcessEntry("a[1].exe", 8);
    EXPECT_EQ(entry, "a[1].exe    [8]");
    EXPECT_EQ(ParseProcessEntryId(entry), 8);
    EXPECT_EQ(ParseProcessEntryId("x]y    [ 77]"), 77) << "leading white space is skipped";
    EXPECT_EQ(ParseProcessEntryId("x    [12ab]"), 12);
    EXPECT_EQ(ParseProcessEntryId("x    []"), 0) << "no digits give 0";
    EXPECT_EQ(ParseProcessEntryId(FormatProcessEntry("big", -5)), -5);
}

TEST(ProcessEntry, TextsWithoutABracketPairCarryNoId) {
    EXPECT_EQ(ParseProcessEntryId(""), std::nullopt);
    EXPECT_EQ(ParseProcessEntryId("notepad.exe"), std::nullopt);
    EXPECT_EQ(ParseProcessEntryId("notepad.exe [12"), std::nullopt);
    EXPECT_EQ(ParseProcessEntryId("notepad.exe 12]"), std::nullopt);
    EXPECT_EQ(ParseProcessEntryId("odd ]12["), std::nullopt) << "closing bracket before the opening one";
}

TEST(ProcessEntry, LongNamesAreCutTo1023Characters) {
    const std::string name(2000, 'n');
    const std::string entry = FormatProcessEntry(name, 3);
    EXPECT_EQ(entry, std::string(1023, 'n') + "    [3]");
    EXPECT_EQ(ParseProcessEntryId(entry), 3);
}

TEST(ProcessEntries, KeepsNamedProcessesAndFindsTheWantedOne) {
    const std::vector<ProcessInfo> processes = {{4, "System"}, {8, ""}, {1234, "notepad.exe"}, {99, "a[1].exe"}};
    const ProcessEntries found = MakeProcessEntries(processes, 1234);
    EXPECT_EQ(found.entries, (std::vector<std::string>{"System    [4]", "notepad.exe    [1234]", "a[1].exe    [99]"}));
    EXPECT_EQ(found.wantedEntry, "notepad.exe    [1234]");
    EXPECT_EQ(MakeProcessEntries(processes, 5555).wantedEntry, "") << "the wanted process is gone";
    EXPECT_EQ(MakeProcessEntries(processes, -1).wantedEntry, "");
    EXPECT_EQ(MakeProcessEntries(processes, 8).wantedEntry, "") << "a process without a name is not listed";
}

TEST(ProcessArgument, DecimalDigitsUpTo2147483647AreAProcessId) {
    const ProcessArgument argument = ReadProcessArgument("1234");
    EXPECT_EQ(argument.id, 1234);
    EXPECT_EQ(argument.error, "");
    EXPECT_EQ(ReadProcessArgument("0042").id, 42);
    EXPECT_EQ(ReadProcessArgument("2147483647").id, 2147483647);
}

TEST(ProcessArgument, AnyOtherTextIsRefusedWithAMessageThatQuotesIt) {
    for (const char* text : {"abc", "", "-4", "+4", " 4", "4 ", "12ab", "0x10", "2147483648", "99999999999999999999"}) {
        const ProcessArgument argument = ReadProcessArgument(text);
        EXPECT_EQ(argument.id, std::nullopt) << text;
        EXPECT_EQ(argument.error, "\"" + std::string(text) + "\" is not a process id.");
    }
    EXPECT_EQ(NoListedProcessText(1234), "No process with the id 1234 can be inspected.");
}

} // namespace
} // namespace corvane
