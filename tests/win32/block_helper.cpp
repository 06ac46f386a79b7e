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

namespace {

// 64 KiB of readable memory below 4 GiB (the rows the tool parses addresses
// from carry eight hexadecimal digits, as a 32-bit program's addresses do),
// followed by address space that is not allocated at all. Free space is
// unreadable everywhere; reserved or inaccessible pages of another process
// still read as zeros under Wine.
std::uint8_t* LowRegionBeforeAHole() {
    for (std::uintptr_t at = 0x70000000; at < 0xF0000000; at += 0x01000000) {
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

} // namespace

int RunBlockHelper() {
    const std::vector<std::uint8_t> pattern = HelperBlockBytes();
    auto* block = static_cast<std::uint8_t*>(::HeapAlloc(::GetProcessHeap(), 0, pattern.size()));
    std::uint8_t* region = LowRegionBeforeAHole();
    if (!block || !region) return 3;
    std::memcpy(block, pattern.data(), pattern.size());
    for (std::size_t i = 0; i < kRegionCommitted; ++i)
        region[i] = RegionByte(i);

    char report[64];
    const int length = std::snprintf(report, sizeof report, "%llx %llx\n",
                                     static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(block)),
                                     static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(region)));
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), report, static_cast<DWORD>(length), &written, nullptr);
    char c = 0;
    DWORD read = 0;
    while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), &c, 1, &read, nullptr) && read != 0) {
    }
    return 0;
}

BlockHelper::BlockHelper() {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE childInput = nullptr, childOutput = nullptr, toChild = nullptr, fromChild = nullptr;
    if (!::CreatePipe(&childInput, &toChild, &inherit, 0)) return;
    UniqueHandle childInputOwner(childInput);
    m_toChild.reset(toChild);
    if (!::CreatePipe(&fromChild, &childOutput, &inherit, 0)) return;
    UniqueHandle childOutputOwner(childOutput);
    UniqueHandle fromChildOwner(fromChild);
    ::SetHandleInformation(toChild, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(fromChild, HANDLE_FLAG_INHERIT, 0);

    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string command = std::string("\"") + path + "\" --block-helper";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = childOutput;
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        return;
    m_process.reset(info.hProcess);
    ::CloseHandle(info.hThread);
    m_id = info.dwProcessId;
    childInputOwner.reset();
    childOutputOwner.reset();

    std::string line;
    char c = 0;
    DWORD read = 0;
    while (line.size() < 64 && ::ReadFile(fromChild, &c, 1, &read, nullptr) && read == 1 && c != '\n')
        line += c;
    unsigned long long block = 0, region = 0;
    if (std::sscanf(line.c_str(), "%llx %llx", &block, &region) == 2) {
        m_block = block;
        m_region = region;
    }
}

BlockHelper::~BlockHelper() {
    m_toChild.reset(); // the helper's signal to end
    if (m_process && ::WaitForSingleObject(m_process.get(), 5000) != WAIT_OBJECT_0)
        ::TerminateProcess(m_process.get(), 1);
}

} // namespace corvane::testing
