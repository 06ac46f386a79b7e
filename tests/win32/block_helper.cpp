#include "tests/win32/block_helper.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace corvane::testing {

std::vector<std::uint8_t> HelperBlockBytes() {
    std::vector<std::uint8_t> bytes;
    for (char c : std::string("Corvane HEAP Block"))
        bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.insert(bytes.end(), {0, 0});
    for (char c : std::string("Wide Text"))
        bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c), 0});
    bytes.insert(bytes.end(), {0, 0});
    for (int value = 0; value < 256; ++value)
        bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.insert(bytes.end(), {'Z', 'Z', 'Z'});
    return bytes;
}

std::uint8_t RegionByte(std::size_t offset) { return static_cast<std::uint8_t>(offset * 7 + offset / 251); }

std::string RowHex(std::uint64_t value) {
    char text[24];
    if (sizeof(void*) == 8)
        std::snprintf(text, sizeof text, "0x%.16llx", static_cast<unsigned long long>(value));
    else
        std::snprintf(text, sizeof text, "0x%.8x", static_cast<unsigned>(value));
    return text;
}

namespace {

// Where the region is looked for: above 4 GiB in a 64-bit process, so that
// its addresses need all their digits; anywhere a 32-bit one can name.
#if defined(_WIN64)
constexpr std::uintptr_t kRegionSearchStart = 0x0000123400000000;
#else
constexpr std::uintptr_t kRegionSearchStart = 0x70000000;
#endif

// 64 KiB of readable memory followed by address space that is not allocated
// at all. Some systems let another process read such free space as zeros.
std::uint8_t* RegionBeforeAHole() {
    for (std::uintptr_t at = kRegionSearchStart; at < kRegionSearchStart + 0x80000000; at += 0x01000000) {
        void* region =
            ::VirtualAlloc(reinterpret_cast<void*>(at), kRegionCommitted, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (!region) continue;
        MEMORY_BASIC_INFORMATION next = {};
        if (::VirtualQuery(static_cast<char*>(region) + kRegionCommitted, &next, sizeof next) == sizeof next &&
            next.State == MEM_FREE && next.RegionSize >= kRegionCommitted)
            return static_cast<std::uint8_t*>(region);
        ::VirtualFree(region, 0, MEM_RELEASE);
    }
    return nullptr;
}

// Three pages that are allocated but not readable: one inaccessible, one a
// guard page, one reserved and never committed.
std::uint8_t* UnreadablePages() {
    auto* pages = static_cast<std::uint8_t*>(::VirtualAlloc(nullptr, 3 * kPageSize, MEM_RESERVE, PAGE_NOACCESS));
    if (!pages) return nullptr;
    if (!::VirtualAlloc(pages + kNoAccessPage * kPageSize, kPageSize, MEM_COMMIT, PAGE_NOACCESS) ||
        !::VirtualAlloc(pages + kGuardPage * kPageSize, kPageSize, MEM_COMMIT, PAGE_READWRITE | PAGE_GUARD))
        return nullptr;
    return pages;
}

} // namespace

int RunBlockHelper() {
    const std::vector<std::uint8_t> pattern = HelperBlockBytes();
    auto* block = static_cast<std::uint8_t*>(::HeapAlloc(::GetProcessHeap(), 0, pattern.size()));
    std::uint8_t* region = RegionBeforeAHole();
    std::uint8_t* unreadable = UnreadablePages();
    if (!block || !region || !unreadable) return 3;
    std::memcpy(block, pattern.data(), pattern.size());
    for (std::size_t i = 0; i < kRegionCommitted; ++i)
        region[i] = RegionByte(i);

    char report[80];
    const int length = std::snprintf(report, sizeof report, "%llx %llx %llx\n",
                                     static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(block)),
                                     static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(region)),
                                     static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(unreadable)));
    ReportAndWait(report, static_cast<std::size_t>(length));
    return 0;
}

BlockHelper::BlockHelper() : m_child(TestExecutablePath(), "--block-helper") {
    unsigned long long block = 0, region = 0, unreadable = 0;
    if (std::sscanf(m_child.ReadLine().c_str(), "%llx %llx %llx", &block, &region, &unreadable) == 3) {
        m_block = block;
        m_region = region;
        m_unreadable = unreadable;
    }
}

} // namespace corvane::testing
