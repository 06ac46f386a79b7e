// The sample target's leak scene, checked from outside against what it
// claims: the blocks' own bytes, and what the memory that holds the process's
// pointers (committed writable memory outside the heaps) points at.

#include "framework/handles_win32.h"
#include "tests/support/piped_child_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace corvane::testing {
namespace {

constexpr std::uintptr_t kBlockSize = 0x20, kLink = 0x10;

struct SceneBlock {
    std::uintptr_t address = 0;
    std::string kind;
    unsigned char bytes[kBlockSize] = {};
    std::uintptr_t Word(std::uintptr_t offset) const {
        std::uintptr_t word = 0;
        std::memcpy(&word, bytes + offset, sizeof word);
        return word;
    }
};

std::vector<std::string> ReadUntilEnd(PipedChild& child) {
    std::vector<std::string> lines;
    for (std::string line = child.ReadLine(); !line.empty() && line != "end"; line = child.ReadLine())
        lines.push_back(line);
    return lines;
}

class LeakScene : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sample.started()) << SamplePath();
        ASSERT_TRUE(process);
        ASSERT_EQ(sample.ReadLine().rfind("corvane_sample: process ", 0), 0u);
        unsigned long long value = 0, size = 0;
        for (const std::string& line : ReadUntilEnd(sample))
            if (std::sscanf(line.c_str(), "heap %llx", &value) == 1 ||
                std::sscanf(line.c_str(), "allocation %llx", &value) == 1 ||
                std::sscanf(line.c_str(), "entry %*x %llx", &value) == 1)
                heapAddresses.push_back(value);
        ASSERT_TRUE(sample.WriteLine("leaks"));
        scene = ReadUntilEnd(sample);
        char kind[16] = {}, role[16] = {};
        for (const std::string& line : scene) {
            if (std::sscanf(line.c_str(), "leak-heap %llx", &value) == 1) heapAddresses.push_back(value);
            if (std::sscanf(line.c_str(), "leak-link %llx", &value) == 1) link = value;
            if (std::sscanf(line.c_str(), "leak %llx %llx %15s %15s", &value, &size, kind, role) != 4) continue;
            EXPECT_EQ(size, kBlockSize) << line;
            SceneBlock& block = blocks[role];
            block.address = static_cast<std::uintptr_t>(value);
            block.kind = kind;
            heapAddresses.push_back(value);
            ASSERT_TRUE(::ReadProcessMemory(process.get(), reinterpret_cast<LPCVOID>(block.address), block.bytes,
                                            kBlockSize, nullptr))
                << line;
        }
        ASSERT_EQ(blocks.size(), 29u) << "one line per block of the scene";
        ASSERT_EQ(link, kLink);
    }
    // The block that `value` points into, if any.
    const std::string* BlockAt(std::uintptr_t value) const {
        for (const auto& [role, block] : blocks)
            if (value - block.address < kBlockSize) return &role;
        return nullptr;
    }

    PipedChild sample{SamplePath(), "--report"};
    UniqueHandle process{::OpenProcess(PROCESS_VM_READ | PROCESS_QUERY_INFORMATION, FALSE, sample.id())};
    std::vector<unsigned long long> heapAddresses; // heaps' bases and blocks the reports name
    std::vector<std::string> scene;
    std::map<std::string, SceneBlock> blocks; // by role
    unsigned long long link = 0;
};

TEST_F(LeakScene, BlocksHoldPrintableLabelsAndTheLinksTheScenesStoryHas) {
    std::map<std::string, std::string> links = {{"cycle-1", "cycle-2"}, {"cycle-2", "cycle-1"}};
    for (int i = 1; i < 10; ++i) {
        links["live-" + std::to_string(i)] = "live-" + std::to_string(i + 1);
        links["lost-" + std::to_string(i)] = "lost-" + std::to_string(i + 1);
    }
    for (const auto& [role, block] : blocks) {
        for (std::size_t at = 0; at < 16; ++at)
            EXPECT_TRUE(block.bytes[at] >= 0x20 && block.bytes[at] < 0x7F) << role << " byte " << at;
        for (std::size_t at = 3; at < 16; at += 4)
            EXPECT_TRUE((block.bytes[at] >= 'a' && block.bytes[at] <= 'z') || block.bytes[at] == '~')
                << role << ": a 4-byte word of the label could pass for an address";
        const auto next = links.find(role);
        EXPECT_EQ(block.Word(kLink), next == links.end() ? 0 : blocks[next->second].address) << role;
        for (std::size_t at = kLink + sizeof(void*); at < kBlockSize; ++at)
            EXPECT_EQ(block.bytes[at], 0) << role << " byte " << at;
    }
}

TEST_F(LeakScene, RootsHoldNoLostBlockAndReachabilityFindsEachKindReported) {
    // The memory map; an allocation that holds a heap's base or a block is the heaps'.
    std::vector<MEMORY_BASIC_INFORMATION> regions;
    MEMORY_BASIC_INFORMATION info = {};
    for (std::uintptr_t at = 0; ::VirtualQueryEx(process.get(), reinterpret_cast<LPCVOID>(at), &info, sizeof info);) {
        regions.push_back(info);
        const std::uintptr_t next = reinterpret_cast<std::uintptr_t>(info.BaseAddress) + info.RegionSize;
        if (next <= at) break;
        at = next;
    }
    std::set<void*> heapAllocations;
    for (const unsigned long long address : heapAddresses)
        for (const MEMORY_BASIC_INFORMATION& region : regions)
            if (region.State != MEM_FREE &&
                address - reinterpret_cast<std::uintptr_t>(region.BaseAddress) < region.RegionSize)
                heapAllocations.insert(region.AllocationBase);

    const DWORD writable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    std::set<std::string> pointedByRoots;
    std::set<std::uintptr_t> values;
    std::size_t rootBytes = 0, unread = 0;
    for (const MEMORY_BASIC_INFORMATION& region : regions) {
        if (region.State != MEM_COMMIT || (region.Protect & PAGE_GUARD) || !(region.Protect & writable) ||
            heapAllocations.count(region.AllocationBase))
            continue;
        std::vector<std::uintptr_t> words(0x10000 / sizeof(std::uintptr_t));
        for (std::size_t offset = 0; offset < region.RegionSize; offset += 0x10000) {
            const SIZE_T size = std::min<SIZE_T>(0x10000, region.RegionSize - offset);
            SIZE_T read = 0;
            if (!::ReadProcessMemory(process.get(), static_cast<const char*>(region.BaseAddress) + offset, words.data(),
                                     size, &read)) {
                ++unread;
                continue;
            }
            rootBytes += read;
            for (std::size_t i = 0; i < read / sizeof(std::uintptr_t); ++i)
                if (const std::string* role = BlockAt(words[i])) {
                    pointedByRoots.insert(*role);
                    values.insert(words[i]);
                }
        }
    }
    ASSERT_GT(rootBytes, 0u);
    EXPECT_EQ(unread, 0u) << "pieces of the roots that could not be read";
    for (const auto& [role, block] : blocks)
        EXPECT_TRUE(block.kind == "reached" || !pointedByRoots.count(role))
            << role << " is reported " << block.kind << " but a root points into it";
    EXPECT_TRUE(values.count(blocks["live-1"].address)) << "the live list's head";
    EXPECT_TRUE(values.count(blocks["interior"].address + 16)) << "the pointer 16 bytes into its block";
    EXPECT_TRUE(values.count(blocks["stack"].address)) << "the waiting thread's local";

    // Blocks reached from the roots and on through blocks are reached; of
    // the rest, those another block points into are unreachable.
    std::set<std::string> reached = pointedByRoots, pointedByBlocks;
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto& [role, block] : blocks)
            for (std::uintptr_t at = 0; at < kBlockSize; at += sizeof(std::uintptr_t))
                if (const std::string* target = BlockAt(block.Word(at))) {
                    pointedByBlocks.insert(*target);
                    if (reached.count(role) && reached.insert(*target).second) grew = true;
                }
    }
    for (const auto& [role, block] : blocks)
        EXPECT_EQ(block.kind, reached.count(role)           ? "reached"
                              : pointedByBlocks.count(role) ? "unreachable"
                                                            : "unreferenced")
            << role;
}

TEST_F(LeakScene, IsReportedAgainUnchanged) {
    ASSERT_TRUE(sample.WriteLine("leaks"));
    EXPECT_EQ(ReadUntilEnd(sample), scene);
}

} // namespace
} // namespace corvane::testing
