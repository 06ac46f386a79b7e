#pragma once

// A helper process for tests that read another process's memory: this test
// executable started with "--block-helper" places known bytes in a heap block
// and in a 64 KiB region below 4 GiB that is followed by unallocated address
// space, reports both addresses, and stays until its standard input closes.

#include "heap/win32/unique_handle.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane::testing {

constexpr std::size_t kRegionCommitted = 0x10000;

// No process has this id.
constexpr std::uint32_t kNoSuchProcess = 0xFFFFFFF0;

// Capital letters, zero bytes, a UTF-16 string and every byte value; 299
// bytes, so the last dump line is a short one.
std::vector<std::uint8_t> HelperBlockBytes();

// The byte at `offset` of the helper's low region.
std::uint8_t RegionByte(std::size_t offset);

// The helper's side: allocate and fill, report the addresses on standard
// output, then stay until standard input closes.
int RunBlockHelper();

// A running helper: its process id, the address of its heap block and of a
// region of 64 KiB that is followed by unallocated address space.
class BlockHelper {
public:
    BlockHelper();
    ~BlockHelper();
    BlockHelper(const BlockHelper&) = delete;
    BlockHelper& operator=(const BlockHelper&) = delete;

    bool ready() const { return m_block != 0 && m_region != 0; }
    std::uint32_t id() const { return m_id; }
    std::uint64_t block() const { return m_block; }
    std::uint64_t region() const { return m_region; }

private:
    UniqueHandle m_process;
    UniqueHandle m_toChild;
    std::uint32_t m_id = 0;
    std::uint64_t m_block = 0;
    std::uint64_t m_region = 0;
};

} // namespace corvane::testing
