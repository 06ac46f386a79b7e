#include "heap/size_statistics.h"

#include <gtest/gtest.h>

#include <limits>

namespace corvane {
namespace {

HeapBlockCursor Busy(std::uint64_t size) { return {0x10000, size, BlockKind::Fixed, false, 0}; }
HeapBlockCursor Free(std::uint64_t size) { return {0x20000, size, BlockKind::Free, false, 0}; }

// Busy: three of 0x10, one each of 0x30, 0x20 and 0x100 (0x180 bytes);
// free: 0x40 twice and 0x10 once.
class SizeStatisticsOfAHeap : public ::testing::Test {
protected:
    const std::vector<HeapBlockCursor> blocks = {Busy(0x10),  Free(0x40), Busy(0x30), Busy(0x10), Free(0x10),
                                                 Busy(0x100), Busy(0x20), Free(0x40), Busy(0x10)};
    const SizeStatistics statistics = ComputeSizeStatistics(blocks);

    const SizeRow& RowOf(std::uint64_t size) {
        for (const SizeRow& row : statistics.rows)
            if (row.size == size) return row;
        ADD_FAILURE() << "no row for size " << size;
        static const SizeRow none;
        return none;
    }
};

TEST_F(SizeStatisticsOfAHeap, CountsEachBusySizeWithItsShareAndTheFreeBlocksSeparately) {
    ASSERT_EQ(statistics.rows.size(), 4u);
    EXPECT_EQ(RowOf(0x10).count, 3u);
    EXPECT_EQ(RowOf(0x10).totalBytes, 0x30u);
    EXPECT_DOUBLE_EQ(RowOf(0x10).share, 0.125);
    EXPECT_EQ(RowOf(0x100).count, 1u);
    EXPECT_DOUBLE_EQ(RowOf(0x100).share, 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(RowOf(0x20).share, 1.0 / 12.0);
    EXPECT_EQ(statistics.busyCount, 6u);
    EXPECT_EQ(statistics.busyBytes, 0x180u);
    EXPECT_EQ(statistics.freeCount, 3u);
    EXPECT_EQ(statistics.freeBytes, 0x90u);
}

TEST_F(SizeStatisticsOfAHeap, RowsRunFromMostBytesToLeastEqualTotalsSmallerSizeFirst) {
    ASSERT_EQ(statistics.rows.size(), 4u);
    const std::uint64_t sizes[] = {0x100, 0x10, 0x30, 0x20}; // 0x10 and 0x30 both total 0x30
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(statistics.rows[i].size, sizes[i]) << i;
}

TEST(SizeStatistics, ManyDistinctSizesEachKeepTheirOwnCount) {
    std::vector<HeapBlockCursor> blocks;
    for (std::uint64_t size = 8; size <= 8 * 1000; size += 8)
        for (std::uint64_t n = 0; n < 1 + size / 8 % 3; ++n)
            blocks.push_back(Busy(size));
    const SizeStatistics statistics = ComputeSizeStatistics(blocks);
    ASSERT_EQ(statistics.rows.size(), 1000u);
    for (const SizeRow& row : statistics.rows)
        EXPECT_EQ(row.count, 1 + row.size / 8 % 3) << row.size;
    EXPECT_EQ(statistics.busyCount, blocks.size());
}

TEST(SizeStatistics, AHeapWithoutBusyBytesHasZeroSharesAndNoDivisionByZero) {
    const SizeStatistics empty = ComputeSizeStatistics({});
    EXPECT_TRUE(empty.rows.empty());
    EXPECT_EQ(empty.busyCount + empty.busyBytes + empty.freeCount + empty.freeBytes, 0u);

    const SizeStatistics zeroSized = ComputeSizeStatistics({Busy(0), Free(0x40), Busy(0)});
    ASSERT_EQ(zeroSized.rows.size(), 1u);
    EXPECT_EQ(zeroSized.rows[0].count, 2u);
    EXPECT_EQ(zeroSized.rows[0].totalBytes, 0u);
    EXPECT_EQ(zeroSized.rows[0].share, 0.0);
    EXPECT_EQ(zeroSized.busyCount, 2u);
    EXPECT_EQ(zeroSized.freeBytes, 0x40u);
}

TEST(SizeStatistics, ByteTotalsStopAtTheLargestValueInsteadOfWrapping) {
    constexpr std::uint64_t most = std::numeric_limits<std::uint64_t>::max();
    const std::uint64_t half = std::uint64_t{1} << 63;
    const SizeStatistics statistics = ComputeSizeStatistics({Busy(half), Busy(half), Busy(0x10)});
    ASSERT_EQ(statistics.rows.size(), 2u);
    EXPECT_EQ(statistics.rows[0].size, half);
    EXPECT_EQ(statistics.rows[0].totalBytes, most);
    EXPECT_EQ(statistics.busyBytes, most);
    EXPECT_LE(statistics.rows[0].share, 1.0);
}

} // namespace
} // namespace corvane
