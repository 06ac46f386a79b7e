// Fuzz target: a made-up process of either width, described by the input,
// goes through every reader of the references between blocks: the block
// index, where an address lies, the pointers in a block, who points here and
// the leak search, stepped with small pieces and budgets. The process has a
// few small regions (writable, read-only, left out of the map's readable
// ones, or failing to read), heaps, and blocks anywhere: overlapping, of
// size 0, of huge sizes, outside every region, near the ends of 32-bit and
// 64-bit address spaces. Whatever the input, the answers must describe the
// process as it is, and every stepped search must end within a number of
// steps that its input bounds.
//
// The input: a header (flags, piece size, step budget, hit limit, the block
// searched for), then commands, each a byte and its operands: a region, a
// heap, a block, a value or bytes written, a module or a thread's stack.

#include "heap/dump_text.h"
#include "heap/heap_watch.h"
#include "heap/references.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/process_image.h"
#include "ui/heap_map.h"
#include "ui/watch_chart.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace corvane;
using corvane::testing::ProcessImage;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "references fuzz: %s\n", what);
    __builtin_trap();
}

void Check(bool holds, const char* what) {
    if (!holds) Fail(what);
}

using Input = corvane::testing::FuzzInput;

// Where made-up addresses start: low memory, both ends of 2 GiB and 4 GiB,
// just past 4 GiB, a 64-bit heap's and stack's neighbourhoods, and the top
// of the 64-bit address space.
constexpr Address kAnchors[] = {0,
                                0x00010000,
                                0x7FFE0000,
                                0xFFFF0000,
                                0x0000000100000000,
                                0x0000020000000000,
                                0x00007FFFFFFF0000,
                                0xFFFFFFFFFFFF0000};
constexpr std::size_t kAnchorCount = sizeof kAnchors / sizeof kAnchors[0];

constexpr std::size_t kMostRegions = 16, kMostHeaps = 4, kMostBlocks = 64, kMostModules = 6, kMostStacks = 3;
// What a search may spend per input byte: a region or a block costs at
// least 5 bytes of input, and one of at most 64 KiB takes at most 64 KiB / 57
// reads of the smallest pieces.
constexpr std::uint64_t kStepsPerInputByte = 512;
// A search whose ranges take more small pieces than this is run with the
// program's own pieces instead, as huge claimed sizes need.
constexpr std::uint64_t kMostSmallPieceReads = 1 << 16;
// More reads of the program's own 4 MiB pieces than this read terabytes the
// process described cannot have: such a search does not end in a user's
// time.
constexpr std::uint64_t kMostOwnPieceReads = 1 << 20;

struct Region {
    Address base = 0;
    std::uint64_t size = 0;
    bool writable = false;
    bool inMapReadable = true; // the map calls it readable
    bool fails = false;        // reading it fails
    bool sharesReservation = false;
    RegionUse use = RegionUse::Private;
    // Holds [address, address + size) wholly; the difference keeps the top
    // of the address space from wrapping.
    bool Holds(Address address, std::uint64_t bytes) const {
        return address - base < size && bytes <= size - (address - base);
    }
    bool Touches(Address address, std::uint64_t bytes) const {
        return address - base < size || (bytes != 0 && base - address < bytes);
    }
};

struct Block {
    Address address = 0;
    std::uint64_t size = 0; // cut short at the top of the address space
    std::uint32_t heap = 0;
    std::uint32_t block = 0;
    bool busy = false;
    bool Holds(Address value) const { return value - address < size; }
};

struct Reservation {
    Address begin = 0;
    Address end = 0;
};

struct Scene {
    explicit Scene(AddressWidth width) : image(width), p(PointerBytes(width)) {}

    ProcessImage image;
    unsigned p;
    std::vector<Region> regions;
    std::vector<Block> blocks;        // every block, in the snapshot's order
    std::vector<Block> sorted;        // by address, then size
    std::vector<Reservation> heapsAt; // the heaps' reservations, in address order
    bool wellFormed = false;          // no block's bytes overlap another block

    Address Place(Input& input) {
        const std::uint64_t choice = input.Take(1);
        if (choice % 4 != 0 && !regions.empty()) {
            const Region& region = regions[(choice / 4) % regions.size()];
            return region.base + input.Take(2) % (region.size + 32);
        }
        return kAnchors[(choice / 4) % kAnchorCount] + input.Take(2);
    }

    const Region* RegionHolding(Address address, std::uint64_t bytes) const {
        for (const Region& region : regions)
            if (region.Holds(address, bytes)) return &region;
        return nullptr;
    }
    // True when the image's reader hands out [address, address + size).
    // Whether the bytes can be read, and the map says they can: a search
    // reads nothing the map does not call readable.
    bool Backed(Address address, std::uint64_t bytes) const {
        const Region* region = RegionHolding(address, bytes);
        return region && !region->fails && region->inMapReadable;
    }
    bool InHeapReservation(Address address) const {
        for (const Reservation& reservation : heapsAt)
            if (address - reservation.begin < reservation.end - reservation.begin) return true;
        return false;
    }
    bool IsRoot(const Region& region) const {
        return region.inMapReadable && region.writable && !InHeapReservation(region.base);
    }
    std::uint64_t ValueAt(const std::uint8_t* bytes) const {
        std::uint64_t value = 0;
        std::memcpy(&value, bytes, p);
        return value;
    }
    // Every aligned value of [address, address + size), read from the image.
    template <typename Visit> void ForEachValue(Address address, std::uint64_t size, Visit&& visit) {
        const std::uint8_t* bytes = image.BytesAt(address, static_cast<std::size_t>(size));
        for (std::uint64_t at = (p - address % p) % p; at < size && size - at >= p; at += p)
            visit(address + at, ValueAt(bytes + at));
    }
    // The one block that holds `value`, in a well-formed snapshot.
    const Block* BlockHolding(Address value, bool busyOnly) const {
        for (const Block& block : sorted)
            if ((block.busy || !busyOnly) && block.Holds(value)) return &block;
        return nullptr;
    }
};

void AddRegion(Scene& scene, Input& input) {
    const std::uint64_t attributes = input.Take(1);
    Address base = kAnchors[input.Take(1) % kAnchorCount] + input.Take(2);
    if (attributes & 0x80) base &= ~Address{15};
    const std::uint64_t size = 1 + input.Take(2) % 0x1000;
    // A map's regions end below the top of the address space.
    if (scene.regions.size() >= kMostRegions || (base != 0 && size >= 0 - base)) return;
    for (const Region& other : scene.regions)
        if (other.Touches(base, size)) return;
    Region region;
    region.base = base;
    region.size = size;
    region.writable = attributes & 1;
    region.inMapReadable = (attributes & 6) != 6;
    region.fails = (attributes & 0x18) == 0x18;
    region.use = static_cast<RegionUse>((attributes >> 5) % 3);
    region.sharesReservation = attributes & 0x80 && attributes & 2;
    scene.regions.push_back(region);
    scene.image.AddRegion(base, size, region.writable, region.use);
    if (region.fails) scene.image.FailReadsOf(base);
}

void AddHeap(Scene& scene, Input& input) {
    const Address base = scene.Place(input);
    if (scene.image.snapshot.heaps.size() >= kMostHeaps) return;
    SnapshotHeap heap;
    heap.record.base = base;
    scene.image.snapshot.heaps.push_back(heap);
}

void AddBlock(Scene& scene, Input& input) {
    std::vector<SnapshotHeap>& heaps = scene.image.snapshot.heaps;
    if (heaps.empty()) AddHeap(scene, input);
    if (heaps.empty() || scene.blocks.size() >= kMostBlocks) return;
    const auto heap = static_cast<std::uint32_t>(input.Take(1) % heaps.size());
    std::vector<HeapBlockCursor>& walk = heaps[heap].blocks;
    const std::uint64_t choice = input.Take(1);
    HeapBlockCursor block;
    switch (choice % 4) {
    case 0: // after the heap's last block and a header, as a walk goes
        block.address =
            walk.empty() ? heaps[heap].record.base + 0x110 : walk.back().address + (walk.back().size & 0xFFFF) + 16;
        break;
    case 1:
        block.address =
            scene.blocks.empty() ? scene.Place(input) : scene.blocks[input.Take(1) % scene.blocks.size()].address;
        break;
    default: block.address = scene.Place(input); break;
    }
    const Region* region = scene.RegionHolding(block.address, 1);
    switch ((choice >> 2) % 8) {
    case 0: block.size = 0; break;
    case 5: {
        const std::uint64_t huge[] = {std::uint64_t{1} << 32, std::uint64_t{1} << 63,      ~std::uint64_t{0},
                                      0 - block.address,      0x100000000 - block.address, input.Take(8)};
        block.size = huge[input.Take(1) % 6];
        break;
    }
    case 6: block.size = region ? region->size - (block.address - region->base) : input.Take(2); break;
    case 7: block.size = input.Take(2); break;
    default: block.size = input.Take(2) % 0x400; break;
    }
    const BlockKind kinds[] = {BlockKind::Fixed, BlockKind::Free, BlockKind::None, BlockKind::Moveable,
                               static_cast<BlockKind>(0x80)};
    block.kind = kinds[(choice >> 5) % 5];
    block.entryIndex = static_cast<std::uint32_t>(walk.size());
    walk.push_back(block);
    Block known;
    known.address = block.address;
    known.size = std::min<std::uint64_t>(block.size, ~std::uint64_t{0} - block.address);
    known.heap = heap;
    known.block = block.entryIndex;
    known.busy = IsBusyBlock(block);
    scene.blocks.push_back(known);
}

void Write(Scene& scene, Input& input) {
    const std::uint64_t choice = input.Take(1);
    Address at = scene.Place(input);
    if (choice & 1) at -= at % scene.p;
    Address value = input.Take(8);
    if (!scene.blocks.empty() && (choice & 6) != 0) {
        const Block& block = scene.blocks[input.Take(1) % scene.blocks.size()];
        switch ((choice >> 1) % 4) {
        case 1: value = block.address + input.Take(1); break;
        case 2: value = block.address + block.size - (choice >> 3) % 2; break;
        default: value = block.address - 1; break;
        }
    }
    if (choice & 0x80) {
        scene.image.PutBytes(at, &value, static_cast<std::size_t>(1 + (choice >> 3) % 8));
    } else {
        scene.image.PutPointer(at, value);
    }
}

void AddModuleOrStack(Scene& scene, Input& input) {
    const std::uint64_t choice = input.Take(1);
    const Address base = scene.Place(input);
    const std::uint64_t size = 1 + input.Take(2);
    ProcessMemoryMap& map = scene.image.map;
    if (choice & 1) {
        if (map.stacks.size() >= kMostStacks) return;
        ThreadStack stack;
        stack.threadId = static_cast<std::uint32_t>(choice);
        stack.low = base;
        stack.high = choice & 2 ? base - size : base + size;
        map.stacks.push_back(stack);
        return;
    }
    if (map.modules.size() >= kMostModules || (base != 0 && size >= 0 - base)) return;
    for (const ModuleRange& other : map.modules)
        if (base - other.base < other.size || other.base - base < size) return;
    ModuleRange module{base, size, std::string(1, static_cast<char>('a' + choice % 26))};
    map.modules.insert(std::upper_bound(map.modules.begin(), map.modules.end(), module,
                                        [](const ModuleRange& a, const ModuleRange& b) { return a.base < b.base; }),
                       module);
}

// The map as a real one has it: each region in the reservation of the one
// before it, or in one of its own; the heaps' reservations from it.
void Finish(Scene& scene) {
    std::sort(scene.regions.begin(), scene.regions.end(),
              [](const Region& a, const Region& b) { return a.base < b.base; });
    std::vector<MemoryRegion>& map = scene.image.map.regions;
    for (std::size_t i = 0; i < map.size(); ++i) {
        const Region& region = scene.regions[i];
        Check(map[i].base == region.base, "the image's map is not in address order");
        map[i].readable = region.inMapReadable;
        if (i > 0 && region.sharesReservation) map[i].allocationBase = map[i - 1].allocationBase;
    }
    for (std::size_t i = 0; i < map.size();) {
        std::size_t last = i;
        while (last + 1 < map.size() && map[last + 1].allocationBase == map[i].allocationBase)
            ++last;
        const Reservation reservation{map[i].allocationBase, map[last].base + map[last].size};
        i = last + 1;
        bool heap = false;
        for (const SnapshotHeap& h : scene.image.snapshot.heaps)
            heap = heap || h.record.base - reservation.begin < reservation.end - reservation.begin;
        for (const Block& block : scene.blocks)
            heap = heap || block.address - reservation.begin < reservation.end - reservation.begin;
        if (heap) scene.heapsAt.push_back(reservation);
    }
    scene.sorted = scene.blocks;
    std::stable_sort(scene.sorted.begin(), scene.sorted.end(), [](const Block& a, const Block& b) {
        return std::tie(a.address, a.size) < std::tie(b.address, b.size);
    });
    scene.wellFormed = true;
    Address reach = 0;
    for (const Block& block : scene.sorted) {
        if (block.address < reach) scene.wellFormed = false;
        reach = std::max(reach, block.address + block.size);
    }
}

// The reads a scan of `ranges` takes at most: a piece of at least its
// piece size less 7 bytes at a time, and one failed read of a run per range.
std::uint64_t MostReads(const std::vector<std::pair<Address, std::uint64_t>>& ranges, std::size_t pieceSize) {
    const std::uint64_t piece = std::max<std::size_t>(pieceSize & ~std::size_t{7}, 64) - 7;
    std::uint64_t reads = 0;
    for (const auto& [address, size] : ranges)
        if (size != 0 && address + size > address) reads = AddBytes(reads, size / piece + 3);
    return reads;
}

// Steps a search over `ranges` to its end; aborts when it takes more steps
// than its scan can need, or than `mostSteps`, what the process the input
// describes can call for.
template <typename StepOnce>
void StepToEnd(StepOnce&& step, const std::vector<std::pair<Address, std::uint64_t>>& ranges, std::size_t pieceSize,
               std::uint64_t mostSteps, const char* what) {
    const std::uint64_t mostReads = MostReads(ranges, pieceSize);
    for (std::uint64_t steps = 0; step(); ++steps) {
        if (steps <= mostReads + 2 && steps <= mostSteps) continue;
        std::pair<Address, std::uint64_t> largest{0, 0};
        for (const auto& range : ranges)
            if (range.second > largest.second) largest = range;
        std::fprintf(stderr,
                     "%s: %llu steps in pieces of %zu bytes; its ranges take %llu reads, the largest %llu "
                     "bytes at %llx\n",
                     what, static_cast<unsigned long long>(steps), pieceSize,
                     static_cast<unsigned long long>(mostReads), static_cast<unsigned long long>(largest.second),
                     static_cast<unsigned long long>(largest.first));
        Fail(steps > mostReads + 2 ? "a search runs past its scan's pieces"
                                   : "a search does not end in proportion to the process described");
    }
}

void CheckIndex(const Scene& scene, const BlockIndex& index, const BlockIndex& forAddresses,
                const std::vector<Address>& probes) {
    std::size_t busyCount = 0;
    for (const Block& block : scene.blocks)
        busyCount += block.busy && scene.image.snapshot.heaps[block.heap].blocks[block.block].size != 0;
    Check(index.BusyCount() == busyCount, "the busy blocks are not those of the snapshot of a size");
    for (std::uint32_t b = 0; b < index.BusyCount(); ++b) {
        const IndexedBlock block = index.BusyBlock(b);
        Check(block.busy && block.size <= ~std::uint64_t{0} - block.address, "a busy block is free or wraps");
        if (b > 0) {
            const IndexedBlock before = index.BusyBlock(b - 1);
            Check(std::tie(before.address, before.size) <= std::tie(block.address, block.size),
                  "the busy blocks are not in address order");
        }
    }
    for (const Address address : probes) {
        for (const BlockIndex* each : {&index, &forAddresses}) {
            const std::optional<IndexedBlock> found = each->Find(address);
            if (found) {
                Check(found->Holds(address), "Find gives a block that does not hold the address");
                Check(found->heap < scene.image.snapshot.heaps.size() &&
                          found->block < scene.image.snapshot.heaps[found->heap].blocks.size() &&
                          scene.image.snapshot.heaps[found->heap].blocks[found->block].address == found->address,
                      "Find gives a block the snapshot does not have there");
            }
            if (scene.wellFormed) {
                const Block* expected = scene.BlockHolding(address, false);
                Check(found.has_value() == (expected != nullptr), "Find misses the block that holds the address");
                if (expected)
                    Check(found->heap == expected->heap && found->block == expected->block &&
                              found->size == expected->size && found->busy == expected->busy,
                          "Find gives another block than the one that holds the address");
            }
            const std::optional<IndexedBlock> next = each->FirstFrom(address);
            std::optional<Address> first;
            for (const Block& block : scene.blocks)
                if (block.address >= address && (!first || block.address < *first)) first = block.address;
            Check(next.has_value() == first.has_value() && (!next || next->address == *first),
                  "FirstFrom is not the first block from the address");
        }
        const std::uint32_t busy = index.FindBusy(address);
        if (busy != kNoBlock)
            Check(busy < index.BusyCount() && index.BusyBlock(busy).Holds(address),
                  "FindBusy gives a block that does not hold the value");
        if (scene.wellFormed) {
            const Block* expected = scene.BlockHolding(address, true);
            Check((busy != kNoBlock) == (expected != nullptr), "FindBusy misses the busy block that holds the value");
            if (expected)
                Check(index.BusyBlock(busy).address == expected->address, "FindBusy gives another busy block");
        }
    }
}

void CheckPlaces(const Scene& scene, const BlockIndex& index, const std::vector<Address>& probes) {
    const HeapSnapshot& snapshot = scene.image.snapshot;
    const ProcessMemoryMap& map = scene.image.map;
    const std::vector<HeapAllocation> allocations = HeapAllocations(snapshot, index, map);
    Check(allocations.size() == scene.heapsAt.size(), "the heaps' reservations are not those the map has");
    for (std::size_t i = 0; i < allocations.size(); ++i)
        Check(allocations[i].begin == scene.heapsAt[i].begin && allocations[i].end == scene.heapsAt[i].end &&
                  allocations[i].heap < snapshot.heaps.size(),
              "a heap's reservation is not one of the map's");
    const AddressPlaces places(snapshot, index, map);
    for (const Address address : probes) {
        const AddressPlace place = places.Locate(address);
        const std::optional<IndexedBlock> block = index.Find(address);
        if (block) {
            Check(place.kind == (block->busy ? PlaceKind::BusyBlock : PlaceKind::FreeBlock) &&
                      place.start == block->address && place.offset == address - block->address &&
                      place.heapBase == snapshot.heaps[block->heap].record.base,
                  "an address in a block is not placed in it");
            continue;
        }
        if (scene.InHeapReservation(address)) {
            bool known = false;
            for (const SnapshotHeap& heap : snapshot.heaps)
                known = known || heap.record.base == place.heapBase;
            Check(place.kind == PlaceKind::Heap && known, "an address in a heap's reservation is not placed there");
            continue;
        }
        const auto stack = std::find_if(map.stacks.begin(), map.stacks.end(),
                                        [&](const ThreadStack& s) { return address >= s.low && address < s.high; });
        if (stack != map.stacks.end()) {
            Check(place.kind == PlaceKind::Stack && place.threadId == stack->threadId,
                  "an address on a stack is not placed there");
            continue;
        }
        const auto module = std::find_if(map.modules.begin(), map.modules.end(),
                                         [&](const ModuleRange& m) { return address - m.base < m.size; });
        if (module != map.modules.end()) {
            Check(place.kind == PlaceKind::Module && place.module == module->name && place.start == module->base &&
                      place.offset == address - module->base,
                  "an address in a module is not placed there");
            continue;
        }
        if (const Region* region = scene.RegionHolding(address, 1)) {
            const PlaceKind kind = region->use == RegionUse::Image    ? PlaceKind::Image
                                   : region->use == RegionUse::Mapped ? PlaceKind::Mapped
                                                                      : PlaceKind::Private;
            Check(place.kind == kind && place.start == region->base && place.offset == address - region->base,
                  "an address in a region is not placed there");
            continue;
        }
        Check(place.kind == PlaceKind::Uncommitted, "an address in nothing is placed somewhere");
    }
}

void CheckPointersInBlocks(Scene& scene, const BlockIndex& index) {
    Check(PointersInBlock(index, nullptr, 0, 0x1000, scene.image.width).empty(), "no bytes hold pointers");
    for (const Block& block : scene.blocks) {
        if (block.size > 0x2000 || !scene.RegionHolding(block.address, block.size)) continue;
        const auto size = static_cast<std::size_t>(block.size);
        const std::uint8_t* bytes = scene.image.BytesAt(block.address, size);
        const std::vector<BlockPointer> pointers =
            PointersInBlock(index, bytes, size, block.address, scene.image.width);
        for (std::size_t i = 0; i < pointers.size(); ++i) {
            const BlockPointer& pointer = pointers[i];
            Check(pointer.offset < size && size - pointer.offset >= scene.p &&
                      (block.address + pointer.offset) % scene.p == 0,
                  "a pointer lies outside the block or off its alignment");
            Check(i == 0 || pointers[i - 1].offset < pointer.offset, "the pointers are not in order");
            Check(scene.ValueAt(bytes + pointer.offset) == pointer.value, "a pointer's value is not its bytes'");
            Check(pointer.target < index.BusyCount() && index.BusyBlock(pointer.target).Holds(pointer.value),
                  "a pointer's target does not hold its value");
        }
        if (!scene.wellFormed) continue;
        std::size_t expected = 0;
        scene.ForEachValue(block.address, block.size,
                           [&](Address, Address value) { expected += scene.BlockHolding(value, true) != nullptr; });
        Check(pointers.size() == expected, "PointersInBlock misses values into busy blocks");
    }
}

void CheckReferrers(Scene& scene, Address target, std::uint64_t targetSize, std::size_t pieceSize, std::uint64_t budget,
                    std::size_t hitLimit, std::uint64_t inputBytes) {
    ReferrerSearch search(scene.image, scene.image.map, target, targetSize, scene.image.width, pieceSize, hitLimit);
    std::vector<std::pair<Address, std::uint64_t>> ranges;
    for (const Region& region : scene.regions)
        if (region.inMapReadable) ranges.emplace_back(region.base, region.size);
    std::vector<Referrer> found;
    StepToEnd([&] { return search.Step(budget, found); }, ranges, pieceSize, kStepsPerInputByte * inputBytes + 4096,
              "who points here");
    Check(search.Done() && !search.Step(budget, found), "who points here steps on after its end");
    Check(found.size() <= hitLimit, "who points here finds more than its limit");
    for (std::size_t i = 0; i < found.size(); ++i) {
        const Referrer& hit = found[i];
        const Region* region = scene.RegionHolding(hit.address, scene.p);
        Check(region && region->inMapReadable && !region->fails && hit.address % scene.p == 0,
              "a referrer lies outside the readable regions or off its alignment");
        Check(hit.value - target < targetSize, "a referrer does not point into the block");
        Check(scene.ValueAt(scene.image.BytesAt(hit.address, scene.p)) == hit.value,
              "a referrer's value is not what its memory holds");
        Check(i == 0 || found[i - 1].address < hit.address, "a referrer is found twice or out of order");
    }
    std::size_t expected = 0;
    std::uint32_t failing = 0;
    for (const Region& region : scene.regions) {
        if (!region.inMapReadable) continue;
        failing += region.fails;
        if (!region.fails)
            scene.ForEachValue(region.base, region.size,
                               [&](Address, Address value) { expected += value - target < targetSize; });
    }
    if (search.HitLimitReached()) {
        Check(found.size() == hitLimit && expected > hitLimit, "who points here stops short of its limit");
    } else {
        Check(found.size() == expected, "who points here misses values into the block");
        Check(search.Scan().UnreadableRanges() == failing, "who points here miscounts the regions it cannot read");
    }
}

// The leaks a search must find where no block overlaps another and each
// busy block is wholly readable or lies outside every region: the busy
// blocks no root reaches, by (address, size, kind).
std::vector<std::tuple<Address, std::uint64_t, LeakKind>> ExpectedLeaks(Scene& scene) {
    std::vector<const Block*> busy;
    for (const Block& block : scene.sorted)
        if (block.busy && scene.image.snapshot.heaps[block.heap].blocks[block.block].size != 0) busy.push_back(&block);
    const auto position = [&](Address value) -> std::ptrdiff_t {
        for (std::size_t b = 0; b < busy.size(); ++b)
            if (busy[b]->Holds(value)) return static_cast<std::ptrdiff_t>(b);
        return -1;
    };
    std::vector<std::vector<std::size_t>> edges(busy.size());
    std::vector<bool> reached(busy.size()), pointedAt(busy.size());
    std::vector<std::size_t> pending;
    for (const Region& region : scene.regions) {
        if (!scene.IsRoot(region) || region.fails) continue;
        scene.ForEachValue(region.base, region.size, [&](Address, Address value) {
            const std::ptrdiff_t target = position(value);
            if (target >= 0 && !reached[target]) {
                reached[target] = true;
                pending.push_back(static_cast<std::size_t>(target));
            }
        });
    }
    for (std::size_t b = 0; b < busy.size(); ++b) {
        if (!scene.Backed(busy[b]->address, busy[b]->size)) continue;
        scene.ForEachValue(busy[b]->address, busy[b]->size, [&](Address, Address value) {
            const std::ptrdiff_t target = position(value);
            if (target < 0 || static_cast<std::size_t>(target) == b) return;
            edges[b].push_back(static_cast<std::size_t>(target));
            pointedAt[target] = true;
        });
    }
    while (!pending.empty()) {
        const std::size_t b = pending.back();
        pending.pop_back();
        for (const std::size_t target : edges[b])
            if (!reached[target]) {
                reached[target] = true;
                pending.push_back(target);
            }
    }
    std::vector<std::tuple<Address, std::uint64_t, LeakKind>> leaks;
    for (std::size_t b = 0; b < busy.size(); ++b)
        if (!reached[b])
            leaks.emplace_back(busy[b]->address, busy[b]->size,
                               pointedAt[b] ? LeakKind::Unreachable : LeakKind::Unreferenced);
    std::sort(leaks.begin(), leaks.end());
    return leaks;
}

void CheckLeaks(Scene& scene, std::size_t pieceSize, std::uint64_t budget, std::uint64_t inputBytes) {
    const HeapSnapshot& snapshot = scene.image.snapshot;
    std::vector<std::pair<Address, std::uint64_t>> ranges;
    std::uint64_t rootBytes = 0;
    for (const Region& region : scene.regions)
        if (scene.IsRoot(region)) {
            ranges.emplace_back(region.base, region.size);
            rootBytes += region.size;
        }
    std::uint64_t busyCount = 0;
    for (const Block& block : scene.blocks)
        if (block.busy && snapshot.heaps[block.heap].blocks[block.block].size != 0) {
            ranges.emplace_back(block.address, block.size);
            ++busyCount;
        }
    std::uint64_t mostSteps = kStepsPerInputByte * inputBytes + 4096;
    if (MostReads(ranges, pieceSize) > kMostSmallPieceReads) {
        pieceSize = kSearchPieceSize;
        mostSteps = kStepsPerInputByte * inputBytes + kMostOwnPieceReads;
    }
    LeakSearch search(scene.image, snapshot, scene.image.map, pieceSize);
    Check(search.Rows().empty(), "leaks are listed before the search is done");
    StepToEnd([&] { return search.Step(budget); }, ranges, pieceSize, mostSteps, "find leaks");
    Check(search.Done() && !search.Step(budget), "find leaks steps on after its end");
    Check(search.RootBytes() == rootBytes, "the root bytes are not the writable regions' outside the heaps");
    Check(search.UnreadableBlocks() <= busyCount, "more unreadable blocks than busy ones");

    const std::vector<LeakRow> rows = search.Rows();
    Check(rows.size() <= busyCount, "more leaks than busy blocks");
    LeakTotals sums;
    std::vector<std::tuple<Address, std::uint64_t, LeakKind>> found;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const LeakRow& row = rows[i];
        Check(row.kind == LeakKind::Unreferenced || row.kind == LeakKind::Unreachable, "a leak of no kind");
        Check(i == 0 || rows[i - 1].size >= row.size, "the leaks are not largest first");
        const auto block = std::find_if(scene.blocks.begin(), scene.blocks.end(), [&](const Block& b) {
            return b.busy && b.address == row.address && b.size == row.size &&
                   snapshot.heaps[b.heap].record.base == row.heapBase;
        });
        Check(block != scene.blocks.end(), "a leak is no busy block of the snapshot");
        const std::size_t shown = static_cast<std::size_t>(std::min<std::uint64_t>(row.size, kLeakTextBytes));
        const std::uint8_t* bytes = scene.Backed(row.address, row.size) && row.size <= 0x10000
                                        ? scene.image.BytesAt(row.address, static_cast<std::size_t>(row.size))
                                        : nullptr;
        for (std::size_t c = 0; c <= kLeakTextBytes; ++c) {
            if (c >= shown) {
                Check(row.text[c] == '\0', "a leak's text runs past its first bytes");
                continue;
            }
            Check(row.text[c] >= 0x20 && row.text[c] < 0x7F, "a leak's text is not printable");
            if (bytes) Check(row.text[c] == DumpCharacter(bytes[c]), "a leak's text is not its first bytes");
        }
        const auto kind = static_cast<std::size_t>(row.kind);
        ++sums.blocks[kind];
        sums.bytes[kind] = AddBytes(sums.bytes[kind], row.size);
        found.emplace_back(row.address, row.size, row.kind);
    }
    const LeakTotals totals = TotalLeaks(rows);
    for (int kind = 0; kind < 2; ++kind)
        Check(totals.blocks[kind] == sums.blocks[kind] && totals.bytes[kind] == sums.bytes[kind],
              "the totals are not the rows' sums");

    if (!scene.wellFormed) return;
    for (const Block& block : scene.blocks)
        if (block.busy && block.size != 0 && !scene.Backed(block.address, block.size))
            for (const Region& region : scene.regions)
                if (region.Touches(block.address, block.size)) return;
    std::sort(found.begin(), found.end());
    Check(found == ExpectedLeaks(scene), "the leaks are not the busy blocks no root reaches, of their kind");
}

} // namespace

// The pictures of the made-up heaps: every map pixel shows a block of its
// heap or none, zooming stays inside the heap, and the watch of two samples
// lays out its lines inside the plot.
void CheckPictures(const Scene& scene, std::uint64_t shape) {
    const int width = 1 + static_cast<int>(shape % 48), height = 1 + static_cast<int>(shape / 48 % 24);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (const SnapshotHeap& heap : scene.image.snapshot.heaps) {
        const std::vector<MapBlock> blocks = MapBlocks(heap);
        const std::vector<MapRegion> regions = MapRegions(blocks);
        const AddressRange whole = WholeHeapRange(regions);
        Check(whole.begin <= whole.end, "the heap's range is ordered");
        const HeapMapLayout layout(blocks, regions, width, height, whole);
        Check(layout.Draw(pixels.data(), pixels.size()), "the map draws into its pixels");
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const std::size_t block = layout.BlockAt(x, y);
                Check(block == kNoMapBlock || block < blocks.size(), "a pixel shows one of the heap's blocks");
            }
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            const PixelSpan span = layout.BlockPixels(i);
            Check(span.first <= span.end && span.end <= pixels.size(), "a block's pixels lie in the map");
        }
        // Zooms in, out and out again at a pointer anywhere in the heap.
        const Address pointer = whole.begin + (whole.Bytes() == 0 ? 0 : shape * 2654435761u % whole.Bytes());
        AddressRange shown = whole;
        for (const int notches : {3, -1, -5}) {
            shown = ZoomHeapMap(shown, whole, pointer, notches, static_cast<std::uint64_t>(width));
            Check(shown.begin >= whole.begin && shown.end <= whole.end && shown.begin <= shown.end,
                  "a zoom stays inside the heap");
        }
        FragmentationText(MapFigures(blocks, regions));
    }
    HeapWatch watch;
    watch.Add(0, scene.image.snapshot);
    watch.AddBroken(1);
    watch.Add(2, scene.image.snapshot);
    const ChartRect plot{10, 5, 10 + width * 8, 5 + height * 8};
    for (const ChartPolyline& line : LayOutWatchChart(watch.Lines(), plot, scene.image.snapshot.width).lines)
        for (const ChartPixel& point : line.points)
            Check(point.x >= plot.left && point.x <= plot.right && point.y >= plot.top && point.y <= plot.bottom,
                  "the watch's lines stay in the plot");
    Check(watch.SizesThatGrew().empty(), "nothing grew between two samples of one snapshot");
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input{data, size};
    const std::uint64_t flags = input.Take(1);
    const auto pieceSize = static_cast<std::size_t>(input.Take(2) % 0x1100);
    const std::uint64_t budget = input.Take(2) % 0x4000;
    const auto hitLimit = static_cast<std::size_t>(input.Take(1) % 24);
    const std::uint64_t searched = input.Take(1);
    const std::uint64_t searchedSize = input.Take(2);

    Scene scene(flags & 1 ? AddressWidth::Bits64 : AddressWidth::Bits32);
    while (input.size > 0) {
        switch (input.Take(1) % 8) {
        case 0:
        case 1: AddRegion(scene, input); break;
        case 2: AddHeap(scene, input); break;
        case 3:
        case 4: AddBlock(scene, input); break;
        case 5:
        case 6: Write(scene, input); break;
        default: AddModuleOrStack(scene, input); break;
        }
    }
    Finish(scene);

    const BlockIndex index(scene.image.snapshot);
    const BlockIndex forAddresses(scene.image.snapshot, IndexUse::Addresses);
    std::vector<Address> probes = {0, ~Address{0}, 0xFFFFFFFF, 0x100000000};
    for (const Block& block : scene.blocks)
        for (const Address address : {block.address, block.address - 1, block.address + block.size - 1,
                                      block.address + block.size, block.address + block.size / 2})
            probes.push_back(address);
    for (const Region& region : scene.regions)
        for (const Address address : {region.base, region.base + region.size - 1, region.base + region.size})
            probes.push_back(address);
    for (const SnapshotHeap& heap : scene.image.snapshot.heaps)
        probes.push_back(heap.record.base);
    for (const ThreadStack& stack : scene.image.map.stacks)
        probes.push_back(stack.low);
    for (const ModuleRange& module : scene.image.map.modules)
        probes.push_back(module.base + module.size / 2);
    CheckIndex(scene, index, forAddresses, probes);
    CheckPlaces(scene, index, probes);
    CheckPointersInBlocks(scene, index);

    // The block searched for: a block of the snapshot, or any range.
    Address target = kAnchors[searched % kAnchorCount] + searchedSize;
    std::uint64_t targetSize = flags & 2 ? ~std::uint64_t{0} : searchedSize % 0x200;
    if (!scene.blocks.empty() && (flags & 4)) {
        const Block& block = scene.blocks[searched % scene.blocks.size()];
        target = block.address;
        targetSize = block.size;
    }
    CheckReferrers(scene, target, targetSize, pieceSize, budget, hitLimit, size);
    CheckLeaks(scene, pieceSize, budget, size);
    CheckPictures(scene, searched * 7 + searchedSize);
    return 0;
}
