#include "heap/heap_search.h"

#include "heap/dump_text.h"
#include "heap/find_text.h"
#include "heap/heap_snapshot.h"
#include "heap/row_text.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace corvane {

namespace {

// Blocks are read together over gaps up to this size (block headers, small
// free blocks): reading a few bytes more costs less than another read.
constexpr std::uint64_t kMaxGapInRead = 16 << 10;
// What a read costs against a step's budget at least, so that a step through
// many tiny or unreadable blocks still ends in good time.
constexpr std::uint64_t kReadCost = 4 << 10;
// Capitals are folded a window at a time into a copy that stays in the
// fastest cache while it is searched; the read bytes keep their case for the
// hits' context.
constexpr std::size_t kFoldWindow = 32 << 10;
// Bytes are folded and compared a block of this many at a time: loops of a
// fixed length, which compilers turn into vector instructions.
constexpr std::size_t kLanes = 32;

// How rare a byte is in heap data, higher for rarer: zeros, all-ones and
// small numbers fill structures, lower-case letters fill text in the order
// of their frequency in English.
int Rarity(std::uint8_t b) {
    constexpr char kLettersByFrequency[] = "etaoinshrdlcumwfgypbvkjxqz";
    if (b == 0) return 0;
    if (b == 0xFF) return 1;
    if (b < 0x10) return 2;
    if (b == ' ') return 3;
    if (b >= 'a' && b <= 'z')
        return 4 + static_cast<int>(std::strchr(kLettersByFrequency, static_cast<char>(b)) - kLettersByFrequency);
    if (b >= '0' && b <= '9') return 12;
    if (b < 0x20) return 14;
    return 30;
}

// The position of the pattern's rarest byte, leaving out position `other`
// (when the pattern has more than one byte).
std::size_t RarestByte(const std::vector<std::uint8_t>& pattern, std::size_t other) {
    std::size_t rarest = other == 0 && pattern.size() > 1 ? 1 : 0;
    for (std::size_t i = rarest + 1; i < pattern.size(); ++i)
        if (i != other && Rarity(pattern[i]) > Rarity(pattern[rarest])) rarest = i;
    return rarest;
}

std::uint8_t FoldedCapital(std::uint8_t b) {
    return static_cast<std::uint8_t>(b + (static_cast<std::uint8_t>(b - 'A') < 26 ? 'a' - 'A' : 0));
}

// Copies `count` bytes with the capitals A to Z folded to lower case.
void CopyFoldingCapitals(const std::uint8_t* from, std::size_t count, std::uint8_t* to) {
    std::size_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        // Through a block of its own, so that the compiler need not fear that
        // the two ranges overlap.
        std::uint8_t lanes[kLanes];
        std::memcpy(lanes, from + i, kLanes);
        for (std::uint8_t& b : lanes)
            b = FoldedCapital(b);
        std::memcpy(to + i, lanes, kLanes);
    }
    for (; i < count; ++i)
        to[i] = FoldedCapital(from[i]);
}

// Calls report(start) for every start in [0, startCount) where the pattern
// lies in `bytes`, in order, until it returns false; false then. The caller
// sees to it that the bytes hold the pattern at every such start.
//
// A block of starts at a time is tested for the pattern's two rarest bytes;
// the whole pattern is compared only where both are in place.
template <typename Report>
bool ForEachMatch(const std::uint8_t* bytes, std::size_t startCount, const std::vector<std::uint8_t>& pattern,
                  std::size_t anchor, std::size_t check, Report&& report) {
    const std::size_t length = pattern.size();
    const std::uint8_t anchorByte = pattern[anchor];
    const std::uint8_t checkByte = pattern[check];
    const auto matchesAt = [&](std::size_t start) {
        return bytes[start + anchor] == anchorByte && bytes[start + check] == checkByte &&
               std::memcmp(bytes + start, pattern.data(), length) == 0;
    };
    std::size_t start = 0;
    for (; start + kLanes <= startCount; start += kLanes) {
        const std::uint8_t* const atAnchor = bytes + start + anchor;
        const std::uint8_t* const atCheck = bytes + start + check;
        std::uint8_t candidates[kLanes];
        std::uint8_t any = 0;
        for (std::size_t k = 0; k < kLanes; ++k) {
            candidates[k] = static_cast<std::uint8_t>((atAnchor[k] == anchorByte) & (atCheck[k] == checkByte));
            any |= candidates[k];
        }
        if (any == 0) continue;
        // Eight candidate flags at a time are skipped when all are clear.
        for (std::size_t eight = 0; eight < kLanes; eight += 8) {
            std::uint64_t flags;
            std::memcpy(&flags, candidates + eight, 8);
            if (flags == 0) continue;
            for (std::size_t k = eight; k < eight + 8; ++k)
                if (candidates[k] && std::memcmp(bytes + start + k, pattern.data(), length) == 0 && !report(start + k))
                    return false;
        }
    }
    for (; start < startCount; ++start)
        if (matchesAt(start) && !report(start)) return false;
    return true;
}

bool IsSeparator(char c) { return c == ' ' || c == ',' || c == '\t'; }

bool ParseHexBytes(std::string_view text, std::vector<std::uint8_t>& bytes, std::string& error) {
    std::size_t i = 0;
    while (i < text.size()) {
        if (IsSeparator(text[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !IsSeparator(text[end]))
            ++end;
        const std::string group(text.substr(i, end - i));
        for (char c : group) {
            if (HexValue(c) >= 0) continue;
            if (c > 0x20 && c < 0x7F)
                error = "\"" + group + "\" holds '" + c + "', which is not a hexadecimal digit (0-9, a-f).";
            else
                error = "\"" + group + "\" holds a character that is not a hexadecimal digit (0-9, a-f).";
            return false;
        }
        if (group.size() % 2 != 0) {
            error = "\"" + group + "\" has an odd number of hexadecimal digits: each byte takes two.";
            return false;
        }
        for (std::size_t k = 0; k < group.size(); k += 2)
            bytes.push_back(static_cast<std::uint8_t>(HexValue(group[k]) * 16 + HexValue(group[k + 1])));
        i = end;
    }
    if (bytes.empty()) {
        error = "Enter the bytes to search for as pairs of hexadecimal digits, such as \"de ad be ef\".";
        return false;
    }
    return true;
}

} // namespace

bool ParseSearchPattern(std::string_view text, PatternKind kind, SearchPattern& pattern, std::string& error) {
    pattern = SearchPattern{};
    pattern.kind = kind;
    error.clear();
    if (kind == PatternKind::HexBytes) return ParseHexBytes(text, pattern.bytes, error);
    if (text.empty()) {
        error = "Enter the text to search for.";
        return false;
    }
    for (char c : LowerCaseText(text)) {
        pattern.bytes.push_back(static_cast<std::uint8_t>(c));
        if (kind == PatternKind::WideText) pattern.bytes.push_back(0);
    }
    return true;
}

HeapSearch::HeapSearch(TargetMemory& memory, std::vector<HeapBlockCursor> blocks, SearchPattern pattern,
                       std::size_t pieceSize, std::size_t hitLimit)
    : m_memory(memory), m_blocks(std::move(blocks)), m_pattern(std::move(pattern)), m_hitLimit(hitLimit) {
    const std::size_t length = m_pattern.bytes.size();
    // Consecutive pieces of a block overlap by the pattern and the context on
    // both sides of it; a piece at least twice that always gets on.
    m_pieceSize = std::max(pieceSize, 2 * (length + 2 * kHitContextBytes));
    if (length > 0) {
        m_anchor = RarestByte(m_pattern.bytes, length);
        m_check = RarestByte(m_pattern.bytes, m_anchor);
    }
    if (m_pattern.FoldsCapitals()) m_folded.resize(kFoldWindow + length);
    for (const HeapBlockCursor& block : m_blocks)
        if (Searchable(block)) m_bytesTotal = AddBytes(m_bytesTotal, block.size);
}

bool HeapSearch::Done() const { return m_pattern.bytes.empty() || m_hitLimitReached || m_next >= m_blocks.size(); }

bool HeapSearch::Searchable(const HeapBlockCursor& block) const {
    return IsBusyBlock(block) && block.size > 0 && block.size <= std::numeric_limits<Address>::max() - block.address;
}

bool HeapSearch::Step(std::uint64_t byteBudget, std::vector<SearchHit>& hits) {
    std::uint64_t spent = 0;
    for (;;) {
        SkipBlocksNotSearched();
        if (Done()) return false;
        if (spent > 0 && spent >= byteBudget) return true;
        const std::size_t runEnd = CombinedRunEnd();
        spent += runEnd > 0 ? SearchCombinedRun(runEnd, hits) : SearchBlockPiece(hits);
    }
}

void HeapSearch::SkipBlocksNotSearched() {
    while (m_next < m_blocks.size() && !Searchable(m_blocks[m_next])) {
        const HeapBlockCursor& block = m_blocks[m_next];
        if (IsBusyBlock(block) && block.size > 0) ++m_unreadableBlocks; // its end wraps around
        MoveToNextBlock();
    }
}

void HeapSearch::MoveToNextBlock() {
    ++m_next;
    m_nextOffset = 0;
    m_nextCovered = 0;
    m_nextCounted = false;
}

// One past the last block read together with the next one, or 0 when the
// next block is read on its own.
std::size_t HeapSearch::CombinedRunEnd() const {
    if (m_next < m_oneByOneUntil || m_nextOffset != 0) return 0;
    const HeapBlockCursor& first = m_blocks[m_next];
    if (first.size > m_pieceSize) return 0;
    const Address start = first.address;
    Address end = start + first.size;
    std::size_t runEnd = 0;
    for (std::size_t i = m_next + 1; i < m_blocks.size(); ++i) {
        const HeapBlockCursor& block = m_blocks[i];
        if (!IsBusyBlock(block) || block.size == 0) continue;
        if (!Searchable(block) || block.address < end || block.address - end > kMaxGapInRead) break;
        const std::uint64_t offset = block.address - start;
        if (offset > m_pieceSize || block.size > m_pieceSize - offset) break;
        end = block.address + block.size;
        runEnd = i + 1;
    }
    return runEnd;
}

bool HeapSearch::ReadIntoBuffer(Address address, std::size_t size) {
    if (m_buffer.size() < size) m_buffer.resize(size);
    std::size_t read = 0;
    return m_memory.Read(address, m_buffer.data(), size, read) && read == size;
}

std::uint64_t HeapSearch::SearchCombinedRun(std::size_t runEnd, std::vector<SearchHit>& hits) {
    const Address start = m_blocks[m_next].address;
    const HeapBlockCursor& last = m_blocks[runEnd - 1];
    const auto span = static_cast<std::size_t>(last.address + last.size - start);
    if (!ReadIntoBuffer(start, span)) {
        m_oneByOneUntil = runEnd;
        return kReadCost;
    }
    for (std::size_t i = m_next; i < runEnd && !m_hitLimitReached; ++i) {
        const HeapBlockCursor& block = m_blocks[i];
        if (!Searchable(block)) continue;
        const auto size = static_cast<std::size_t>(block.size);
        m_bytesSearched += size;
        SearchRegion(i, m_buffer.data() + (block.address - start), size, 0, 0, size, hits);
    }
    m_next = runEnd - 1;
    MoveToNextBlock();
    return std::max<std::uint64_t>(span, kReadCost);
}

std::uint64_t HeapSearch::SearchBlockPiece(std::vector<SearchHit>& hits) {
    const HeapBlockCursor& block = m_blocks[m_next];
    const std::uint64_t from = m_nextOffset;
    const std::uint64_t to = block.size - from > m_pieceSize ? from + m_pieceSize : block.size;
    const auto count = static_cast<std::size_t>(to - from);
    const std::uint64_t fresh = to - m_nextCovered;
    m_nextCovered = to;
    if (ReadIntoBuffer(block.address + from, count)) {
        m_bytesSearched += fresh;
        // Matches that start in the overlap with the piece before, or end in
        // the one with the piece after, are that piece's: each is found once,
        // with its whole context.
        const std::size_t lead = from > 0 ? kHitContextBytes : 0;
        const std::size_t trail = to < block.size ? kHitContextBytes : 0;
        SearchRegion(m_next, m_buffer.data(), count, from, lead, count - trail, hits);
    } else {
        m_bytesUnreadable += fresh;
        if (!m_nextCounted) ++m_unreadableBlocks;
        m_nextCounted = true;
    }
    if (to == block.size)
        MoveToNextBlock();
    else
        m_nextOffset = to - (m_pattern.bytes.size() - 1) - 2 * kHitContextBytes;
    return std::max<std::uint64_t>(count, kReadCost);
}

// Finds the matches among the `size` bytes read of block `blockIndex`, the
// first of which lies `regionOffset` into the block, that start at or after
// `firstStart` and end at or before `matchEnd`.
void HeapSearch::SearchRegion(std::size_t blockIndex, const std::uint8_t* bytes, std::size_t size,
                              std::uint64_t regionOffset, std::size_t firstStart, std::size_t matchEnd,
                              std::vector<SearchHit>& hits) {
    const std::size_t length = m_pattern.bytes.size();
    if (matchEnd < length || matchEnd - length < firstStart) return;
    if (!m_pattern.FoldsCapitals()) {
        ForEachMatch(bytes + firstStart, matchEnd - length - firstStart + 1, m_pattern.bytes, m_anchor, m_check,
                     [&](std::size_t start) {
                         return KeepHit(blockIndex, bytes, size, regionOffset, firstStart + start, hits);
                     });
        return;
    }
    // Each window holds the starts of kFoldWindow matches and the bytes the
    // last of them runs on into.
    for (std::size_t window = firstStart; window + length <= matchEnd; window += kFoldWindow) {
        const std::size_t count = std::min(kFoldWindow + length - 1, matchEnd - window);
        CopyFoldingCapitals(bytes + window, count, m_folded.data());
        const bool more = ForEachMatch(
            m_folded.data(), std::min(kFoldWindow, count - length + 1), m_pattern.bytes, m_anchor, m_check,
            [&](std::size_t start) { return KeepHit(blockIndex, bytes, size, regionOffset, window + start, hits); });
        if (!more) return;
    }
}

bool HeapSearch::KeepHit(std::size_t blockIndex, const std::uint8_t* bytes, std::size_t size,
                         std::uint64_t regionOffset, std::size_t start, std::vector<SearchHit>& hits) {
    if (m_hitCount == m_hitLimit) {
        m_hitLimitReached = true;
        return false;
    }
    ++m_hitCount;
    SearchHit hit;
    hit.blockIndex = static_cast<std::uint32_t>(blockIndex);
    hit.blockAddress = m_blocks[blockIndex].address;
    hit.offset = regionOffset + start;
    const std::size_t from = start > kHitContextBytes ? start - kHitContextBytes : 0;
    const std::size_t to = std::min(size, start + m_pattern.bytes.size() + kHitContextBytes);
    hit.context.reserve(to - from);
    for (std::size_t i = from; i < to; ++i)
        hit.context.push_back(DumpCharacter(bytes[i]));
    hits.push_back(std::move(hit));
    return true;
}

} // namespace corvane
