#include "framework/handles_win32.h"
#include "heap/win32/debug_info_service_win32.h"
#include "heap/win32/privilege_win32.h"
#include "heap/win32/process_enumerator_win32.h"
#include "heap/win32/wine_heaps_win32.h"
#include "tests/win32/child_process.h"
#include "ui/heap_listing.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace corvane {
namespace {

std::string OwnModuleName() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    const char* slash = std::strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

// Whether the program's own token holds the debug privilege enabled: the
// adjustment call reports success even when the token lacks the privilege.
bool DebugPrivilegeEnabledInToken() {
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
    const UniqueHandle token(raw);
    LUID debug = {};
    if (!::LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &debug)) return false;
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !::GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), size, &size)) return false;
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID_AND_ATTRIBUTES& held = privileges->Privileges[i];
        if (held.Luid.LowPart == debug.LowPart && held.Luid.HighPart == debug.HighPart)
            return (held.Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
    return false;
}

TEST(Privilege, DebugPrivilegeIsEnabledInTheToken) {
    EXPECT_TRUE(EnableDebugPrivilege());
    EXPECT_TRUE(DebugPrivilegeEnabledInToken());
}

TEST(ProcessEnumeration, ListsThisProcessWithItsModuleName) {
    std::vector<ProcessInfo> processes;
    ASSERT_TRUE(Win32ProcessEnumerator().Enumerate(processes));
    const DWORD self = ::GetCurrentProcessId();
    const auto it =
        std::find_if(processes.begin(), processes.end(), [&](const ProcessInfo& p) { return p.id == self; });
    ASSERT_NE(it, processes.end());
    EXPECT_TRUE(_stricmp(it->name.c_str(), OwnModuleName().c_str()) == 0) << it->name;
    for (const ProcessInfo& p : processes)
        EXPECT_FALSE(p.name.empty());
}

TEST(ProcessEnumeration, GrowsTheIdArrayUntilEveryProcessFits) {
    testing::ChildProcess a, b;
    ASSERT_TRUE(a.started() && b.started());
    std::vector<DWORD> all, fromOne;
    ASSERT_TRUE(RunningProcessIds(all));
    ASSERT_TRUE(RunningProcessIds(fromOne, 1));
    ASSERT_GE(fromOne.size(), 3u);
    for (DWORD id : {::GetCurrentProcessId(), a.id(), b.id()})
        EXPECT_NE(std::find(fromOne.begin(), fromOne.end(), id), fromOne.end()) << id;
}

TEST(ProcessEnumeration, ProcessesThatCannotBeOpenedHaveNoName) {
    testing::ChildProcess child;
    ASSERT_TRUE(child.started());
    const DWORD id = child.id();
    EXPECT_EQ(_stricmp(MainModuleName(id).c_str(), OwnModuleName().c_str()), 0)
        << MainModuleName(id) << " vs " << OwnModuleName();
    child.End();
    EXPECT_EQ(MainModuleName(id), "") << "a process that has ended";
    EXPECT_EQ(MainModuleName(0xFFFFFFF0), "");
}

TEST(DebugFunctions, BindFromNtdll) {
    DebugBufferFunctions functions;
    std::string error;
    EXPECT_TRUE(BindDebugBufferFunctions("ntdll.dll", functions, error)) << error;
    EXPECT_NE(functions.create, nullptr);
    EXPECT_NE(functions.query, nullptr);
    EXPECT_NE(functions.destroy, nullptr);
    Win32DebugInfoService service;
    EXPECT_TRUE(service.Bind(error));
    const Address buffer = service.CreateBuffer();
    EXPECT_NE(buffer, 0u) << "the bound functions make buffers";
    service.DestroyBuffer(buffer);
}

TEST(DebugFunctions, BindingFailuresCarryTheUsersMessage) {
    DebugBufferFunctions functions;
    std::string error;
    EXPECT_FALSE(BindDebugBufferFunctions("no_such_module.dll", functions, error));
    EXPECT_EQ(error, "Failed to get the handle of NTDLL module");
    EXPECT_FALSE(BindDebugBufferFunctions("kernel32.dll", functions, error));
    EXPECT_EQ(error, "Failed to get exported heap functions of NTDLL");
    EXPECT_EQ(functions.create, nullptr);
}

TEST(OwnMemory, ReadsOnlyCommittedReadablePages) {
    const OwnMemoryView memory;
    const char text[] = "corvane";
    char copy[sizeof text] = {};
    const auto at = [](const void* p) { return static_cast<Address>(reinterpret_cast<std::uintptr_t>(p)); };
    EXPECT_TRUE(memory.Read(at(text), copy, sizeof text));
    EXPECT_STREQ(copy, "corvane");
    EXPECT_FALSE(memory.IsReadable(0, 4));
    EXPECT_FALSE(memory.IsReadable(0xFFFFFFFFFFFFFFF0ull, 0x20)) << "wraps around";

    SYSTEM_INFO system;
    ::GetSystemInfo(&system);
    const SIZE_T page = system.dwPageSize;
    auto* pages = static_cast<unsigned char*>(::VirtualAlloc(nullptr, 3 * page, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(pages, nullptr);
    ASSERT_NE(::VirtualAlloc(pages, 2 * page, MEM_COMMIT, PAGE_READWRITE), nullptr);
    std::memset(pages, 0x5A, 2 * page);
    EXPECT_TRUE(memory.IsReadable(at(pages), 2 * page)) << "two committed pages";
    EXPECT_FALSE(memory.IsReadable(at(pages + page), page + 1)) << "runs into a reserved page";
    EXPECT_FALSE(memory.IsReadable(at(pages + 2 * page), 1));
    DWORD old = 0;
    ASSERT_TRUE(::VirtualProtect(pages + page, page, PAGE_NOACCESS, &old));
    EXPECT_FALSE(memory.IsReadable(at(pages), 2 * page)) << "second page made inaccessible";
    std::vector<unsigned char> buffer(2 * page, 0);
    EXPECT_FALSE(memory.Read(at(pages), buffer.data(), buffer.size()));
    ASSERT_TRUE(::VirtualProtect(pages + page, page, PAGE_READONLY | PAGE_GUARD, &old));
    EXPECT_FALSE(memory.IsReadable(at(pages + page), 1)) << "guard page";
    ::VirtualFree(pages, 0, MEM_RELEASE);
}

// Counts buffers around the real service, so that the test can see each one
// destroyed whatever the platform answers.
class CountingService : public DebugInfoService {
public:
    explicit CountingService(Win32DebugInfoService& inner) : m_inner(inner) {}
    int created = 0, destroyed = 0;
    Address CreateBuffer() override {
        const Address buffer = m_inner.CreateBuffer();
        created += buffer != 0;
        return buffer;
    }
    std::uint32_t Query(std::uint32_t id, std::uint32_t flags, Address buffer) override {
        return m_inner.Query(id, flags, buffer);
    }
    void DestroyBuffer(Address buffer) override {
        ++destroyed;
        m_inner.DestroyBuffer(buffer);
    }
    bool IsRunning(std::uint32_t id) override { return m_inner.IsRunning(id); }
    const MemoryView& Memory() const override { return m_inner.Memory(); }
    HeapRecordLayout Layout() const override { return m_inner.Layout(); }

private:
    Win32DebugInfoService& m_inner;
};

class RecordingWindow : public HeapListWindow {
public:
    int nodeRows = 0, blockRows = 0;
    Address firstHeap = 0;
    std::vector<std::string> messages;
    std::vector<std::int32_t> refreshes;
    void ClearNodeRows() override { nodeRows = 0; }
    void ClearBlockRows() override { blockRows = 0; }
    void ClearDumpLines() override {}
    void ShowPanel(int, int) override {}
    void ShowNodeRows(std::vector<HeapRecord> heaps, AddressWidth) override {
        nodeRows = static_cast<int>(heaps.size());
        firstHeap = heaps.empty() ? 0 : heaps[0].base;
    }
    void ShowBlockRows(std::vector<HeapBlockCursor> blocks, AddressWidth) override {
        blockRows = static_cast<int>(blocks.size());
    }
    void SetNodeColumnWidth(int, int) override {}
    void SetBlockColumnWidth(int, int) override {}
    std::string NodeRowText(int, int) override { return ""; }
    void SetBlockFrameCaption(const std::string&) override {}
    void FocusNodeList() override {}
    void ShowMessage(const std::string& text, MessageIcon) override { messages.push_back(text); }
    bool RefreshProcessList(std::int32_t wantedId) override {
        refreshes.push_back(wantedId);
        return true;
    }
};

TEST(RealSnapshot, LiveProcessesGoThroughTheReaderWhateverThePlatformAnswers) {
    Win32DebugInfoService real;
    std::string error;
    ASSERT_TRUE(real.Bind(error)) << error;
    CountingService service(real);
    testing::ChildProcess child;
    ASSERT_TRUE(child.started());
    // Wine's own query hands over an empty snapshot; elsewhere every process
    // has at least its process heap, with blocks in it.
    const bool wine = Win32WineHeapReader().Applies();
    for (DWORD id : {::GetCurrentProcessId(), child.id()}) {
        RecordingWindow window;
        EXPECT_TRUE(ShowHeapNodes(service, window, id)) << id;
        std::printf("  process %lu: %d heap rows\n", id, window.nodeRows);
        if (wine)
            EXPECT_EQ(window.nodeRows, 0) << id;
        else
            EXPECT_GE(window.nodeRows, 1) << id;
        // The first heap's blocks; under Wine, a heap that is not there,
        // which lists nothing, quietly.
        EXPECT_TRUE(ShowHeapBlocks(service, window, 0, id, window.firstHeap)) << id;
        EXPECT_EQ(window.blockRows == 0, wine) << id << ": " << window.blockRows << " block rows";
        EXPECT_TRUE(window.messages.empty()) << id << ": " << window.messages.front();
        EXPECT_TRUE(window.refreshes.empty()) << "the process runs";
    }
    EXPECT_GT(service.created, 0);
    EXPECT_EQ(service.created, service.destroyed);
}

TEST(RealSnapshot, AProcessThatHasEndedIsToldOnceAndTheListRefreshed) {
    Win32DebugInfoService service;
    std::string error;
    ASSERT_TRUE(service.Bind(error)) << error;
    testing::ChildProcess child;
    ASSERT_TRUE(child.started());
    const DWORD id = child.id();
    EXPECT_TRUE(service.IsRunning(id));
    EXPECT_TRUE(service.IsRunning(::GetCurrentProcessId()));
    child.End();
    EXPECT_FALSE(service.IsRunning(id));
    EXPECT_FALSE(service.IsRunning(0xFFFFFFF0)) << "no process has that id";

    RecordingWindow window;
    EXPECT_FALSE(ShowHeapNodes(service, window, id));
    EXPECT_EQ(window.messages, std::vector<std::string>{kProcessEndedMessage});
    EXPECT_EQ(window.refreshes, std::vector<std::int32_t>{static_cast<std::int32_t>(id)});
}

} // namespace
} // namespace corvane
