#pragma once

#include "heap/block_source.h"
#include "heap/block_walk.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// What the text of a whole-heap search means.
enum class PatternKind {
    Text,     // the characters as bytes; A to Z match in either case
    WideText, // each character followed by a zero byte; A to Z match in either case
    HexBytes, // pairs of hexadecimal digits, matched exactly
};

// The bytes a match holds. For the two text kinds the capitals A to Z are
// already folded to lower case, and the searched bytes are folded the same
// way before they are compared.
struct SearchPattern {
    PatternKind kind = PatternKind::Text;
    std::vector<std::uint8_t> bytes;

    bool FoldsCapitals() const { return kind != PatternKind::HexBytes; }
};

// Turns the text a user typed into a pattern. False, with a one-line message
// for the user in `error`, for an empty text or hexadecimal bytes that are
// not pairs of digits (separated by spaces or commas, if at all).
bool ParseSearchPattern(std::string_view text, PatternKind kind, SearchPattern& pattern, std::string& error);

// One place the pattern was found.
struct SearchHit {
    std::uint32_t blockIndex = 0; // position in the blocks the search was given, from 0
    Address blockAddress = 0;
    std::uint64_t offset = 0; // of the match's first byte, from the block's start
    // Up to kHitContextBytes bytes before the match, the match and up to as
    // many after it, all within the block, each byte shown as the dump's
    // character column shows it: 0x20 to 0x7E as itself, others as '.'. A
    // wide match shows that way too ("h.e.a.p."), as the block's dump will.
    std::string context;
};

constexpr std::size_t kHitContextBytes = 8;
// Bytes read at once. A read of another process has a cost of its own (a
// system call, a look at the target's memory map), which this size makes
// small beside the bytes it brings; searching runs as fast with it as with
// smaller pieces, and the buffer stays a few MiB.
constexpr std::size_t kSearchPieceSize = std::size_t{4} << 20;
// Hits kept before the search stops, so that its memory stays bounded.
constexpr std::size_t kSearchHitLimit = 10000;

// Searches every busy block of a heap of another process, a few pieces of
// memory at a time, so that the window driving it stays responsive.
//
// Blocks that follow each other in memory (with at most small gaps, such as
// block headers or small free blocks, between them) are read in one Read of
// up to a piece; a larger block is read in pieces that overlap, so that a
// match across two pieces is found exactly once and its context is whole. A
// combined read that fails is retried block by block. A block or a piece of
// one that cannot be read is skipped and counted, never guessed at. Blocks of
// size 0 and blocks whose end wraps around the address space are not read.
//
// A match lies wholly within one block and may start at any offset; every
// match is reported, overlapping ones too ("aa" in "aaaa" at 0, 1 and 2), in
// the order of the blocks and then of the offsets.
class HeapSearch {
public:
    // `memory` is not owned and must outlive the search.
    HeapSearch(TargetMemory& memory, std::vector<HeapBlockCursor> blocks, SearchPattern pattern,
               std::size_t pieceSize = kSearchPieceSize, std::size_t hitLimit = kSearchHitLimit);

    // Searches on until about `byteBudget` bytes were gone through (whole
    // reads only, so up to a piece more; each read counts as at least a few
    // KiB), and appends the hits found to `hits`. Each call gets on by at
    // least one read. False once the search is over: everything searched, or
    // the hit limit reached.
    bool Step(std::uint64_t byteBudget, std::vector<SearchHit>& hits);

    bool Done() const;
    // Bytes of busy blocks searched, and those skipped as unreadable; once
    // everything is searched the two add up to BytesTotal.
    std::uint64_t BytesSearched() const { return m_bytesSearched; }
    std::uint64_t BytesUnreadable() const { return m_bytesUnreadable; }
    // Bytes of all busy blocks that can be searched at all.
    std::uint64_t BytesTotal() const { return m_bytesTotal; }
    // Busy blocks with bytes that could not be read (each counted once), and
    // those whose end wraps around the address space.
    std::uint32_t UnreadableBlocks() const { return m_unreadableBlocks; }
    // True when more matches were found than the hit limit keeps; the search
    // stopped at the first one past the limit.
    bool HitLimitReached() const { return m_hitLimitReached; }

private:
    bool Searchable(const HeapBlockCursor& block) const;
    void SkipBlocksNotSearched();
    std::size_t CombinedRunEnd() const;
    bool ReadIntoBuffer(Address address, std::size_t size);
    std::uint64_t SearchCombinedRun(std::size_t runEnd, std::vector<SearchHit>& hits);
    std::uint64_t SearchBlockPiece(std::vector<SearchHit>& hits);
    void MoveToNextBlock();
    void SearchRegion(std::size_t blockIndex, const std::uint8_t* bytes, std::size_t size, std::uint64_t regionOffset,
                      std::size_t firstStart, std::size_t matchEnd, std::vector<SearchHit>& hits);
    bool KeepHit(std::size_t blockIndex, const std::uint8_t* bytes, std::size_t size, std::uint64_t regionOffset,
                 std::size_t start, std::vector<SearchHit>& hits);

    TargetMemory& m_memory; // not owned
    std::vector<HeapBlockCursor> m_blocks;
    SearchPattern m_pattern;
    std::size_t m_anchor = 0; // the pattern's two rarest bytes, looked for first
    std::size_t m_check = 0;
    std::size_t m_pieceSize;
    std::size_t m_hitLimit;
    std::vector<std::uint8_t> m_buffer; // the bytes of one read, reused
    std::vector<std::uint8_t> m_folded; // a window of them with the capitals folded

    std::size_t m_next = 0;          // the block searched next
    std::uint64_t m_nextOffset = 0;  // where its next piece starts
    std::uint64_t m_nextCovered = 0; // its bytes already counted
    bool m_nextCounted = false;      // it is already counted as unreadable
    std::size_t m_oneByOneUntil = 0; // blocks before this one are read singly: their combined read failed

    std::uint64_t m_bytesSearched = 0;
    std::uint64_t m_bytesUnreadable = 0;
    std::uint64_t m_bytesTotal = 0;
    std::uint32_t m_unreadableBlocks = 0;
    std::size_t m_hitCount = 0;
    bool m_hitLimitReached = false;
};

} // namespace corvane
