#pragma once

// A helper process for tests that read another process's memory: this test
// executable started with "--block-helper" places known bytes in a heap block
// and in a 64 KiB region that is followed by unallocated address space (above
// 4 GiB in a 64-bit process), sets pages aside that must not be read, reports
// the addresses, and stays until its standard input closes.

#include "tests/support/piped_child_win32.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
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

// Pages of the helper that are allocated but must not be read, in this
// order from its `unreadable()` address: inaccessible, guard, reserved only.
constexpr std::size_t kPageSize = 0x1000;
constexpr std::size_t kNoAccessPage = 0;
constexpr std::size_t kGuardPage = 1;
constexpr std::size_t kReservedPage = 2;

// Row text of an address or size as the program shows it: 8 hexadecimal
// digits in a 32-bit program, 16 in a 64-bit one.
std::string RowHex(std::uint64_t value);

// A running helper: its process id, the address of its heap block, of a
// region of 64 KiB that is followed by unallocated address space, and of the
// pages that must not be read.
class BlockHelper {
public:
    BlockHelper();
    BlockHelper(const BlockHelper&) = delete;
    BlockHelper& operator=(const BlockHelper&) = delete;

    bool ready() const { return m_block != 0 && m_region != 0 && m_unreadable != 0; }
    std::uint32_t id() const { return m_child.id(); }
    std::uint64_t block() const { return m_block; }
    std::uint64_t region() const { return m_region; }
    std::uint64_t unreadable() const { return m_unreadable; }

private:
    PipedChild m_child;
    std::uint64_t m_block = 0;
    std::uint64_t m_region = 0;
    std::uint64_t m_unreadable = 0;
};

} // namespace corvane::testing
