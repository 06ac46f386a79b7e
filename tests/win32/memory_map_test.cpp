#include "framework/handles_win32.h"
#include "heap/win32/memory_map_win32.h"
#include "tests/win32/child_process.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

namespace corvane {
namespace {

ProcessMemoryMap DescribeSelf() {
    ProcessMemoryMap map;
    std::string error;
    EXPECT_TRUE(Win32MemoryMapSource().Describe(::GetCurrentProcessId(), map, error)) << error;
    return map;
}

Address AddressOf(const void* pointer) { return reinterpret_cast<std::uintptr_t>(pointer); }

const MemoryRegion* RegionHolding(const ProcessMemoryMap& map, const void* pointer) {
    for (const MemoryRegion& region : map.regions)
        if (AddressOf(pointer) >= region.base && AddressOf(pointer) - region.base < region.size) return &region;
    return nullptr;
}

const ThreadStack* StackOf(const ProcessMemoryMap& map, DWORD threadId) {
    for (const ThreadStack& stack : map.stacks)
        if (stack.threadId == threadId) return &stack;
    return nullptr;
}

bool Holds(const ThreadStack* stack, const void* pointer) {
    return stack && AddressOf(pointer) >= stack->low && AddressOf(pointer) < stack->high;
}

struct Page {
    explicit Page(DWORD protect, DWORD allocation = MEM_RESERVE | MEM_COMMIT)
        : address(::VirtualAlloc(nullptr, 4096, allocation, protect)) {}
    ~Page() { ::VirtualFree(address, 0, MEM_RELEASE); }
    void* address;
};

TEST(MemoryMap, RegionsAreCommittedInOrderWithWhatTheyAllow) {
    const Page readWrite(PAGE_READWRITE), readOnly(PAGE_READONLY), noAccess(PAGE_NOACCESS);
    const Page reserved(PAGE_READWRITE, MEM_RESERVE);
    const ProcessMemoryMap map = DescribeSelf();
    EXPECT_EQ(RegionHolding(map, reserved.address), nullptr);
    for (std::size_t i = 1; i < map.regions.size(); ++i)
        EXPECT_GE(map.regions[i].base, map.regions[i - 1].base + map.regions[i - 1].size) << i;
    const MemoryRegion* region = RegionHolding(map, readWrite.address);
    ASSERT_NE(region, nullptr);
    EXPECT_TRUE(region->readable && region->writable && region->use == RegionUse::Private);
    EXPECT_EQ(region->allocationBase, AddressOf(readWrite.address));
    ASSERT_NE(region = RegionHolding(map, readOnly.address), nullptr);
    EXPECT_TRUE(region->readable && !region->writable);
    ASSERT_NE(region = RegionHolding(map, noAccess.address), nullptr);
    EXPECT_FALSE(region->readable || region->writable);
    ASSERT_NE(region = RegionHolding(map, ::GetModuleHandleA(nullptr)), nullptr);
    EXPECT_EQ(region->use, RegionUse::Image);
}

TEST(MemoryMap, NamesTheModulesInAddressOrder) {
    const ProcessMemoryMap map = DescribeSelf();
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    const char* fileName = std::strrchr(path, '\\') ? std::strrchr(path, '\\') + 1 : path;
    bool executable = false, kernel32 = false;
    for (std::size_t i = 0; i < map.modules.size(); ++i) {
        const ModuleRange& module = map.modules[i];
        if (i > 0) {
            EXPECT_LT(map.modules[i - 1].base, module.base);
        }
        if (module.base == AddressOf(::GetModuleHandleA(nullptr)))
            executable = _stricmp(module.name.c_str(), fileName) == 0 && module.size > 0;
        kernel32 = kernel32 || _stricmp(module.name.c_str(), "kernel32.dll") == 0;
    }
    EXPECT_TRUE(executable) << fileName;
    EXPECT_TRUE(kernel32);
}

// A thread that tells where its local lies, then waits until it may end.
struct WaitingThread {
    UniqueHandle ready{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle done{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    const void* local = nullptr;
    static DWORD WINAPI Run(void* parameter) {
        auto* self = static_cast<WaitingThread*>(parameter);
        int onItsStack = 0;
        self->local = &onItsStack;
        ::SetEvent(self->ready.get());
        ::WaitForSingleObject(self->done.get(), 10000);
        return static_cast<DWORD>(onItsStack);
    }
};

TEST(MemoryMap, ListsTheStackOfEachThread) {
    WaitingThread waiting;
    DWORD threadId = 0;
    const UniqueHandle thread(::CreateThread(nullptr, 0, &WaitingThread::Run, &waiting, 0, &threadId));
    ASSERT_TRUE(thread);
    ASSERT_EQ(::WaitForSingleObject(waiting.ready.get(), 10000), WAIT_OBJECT_0);
    const int local = 0;
    const ProcessMemoryMap map = DescribeSelf();
    ::SetEvent(waiting.done.get());
    ::WaitForSingleObject(thread.get(), 10000);
    EXPECT_TRUE(Holds(StackOf(map, ::GetCurrentThreadId()), &local));
    EXPECT_TRUE(Holds(StackOf(map, threadId), waiting.local));
    EXPECT_FALSE(Holds(StackOf(map, threadId), &local));
}

TEST(MemoryMap, AProcessThatCannotBeOpenedIsRefused) {
    testing::ChildProcess child;
    ASSERT_TRUE(child.started());
    const DWORD ended = child.id();
    child.End();
    for (const std::uint32_t id : {static_cast<std::uint32_t>(ended), 0xFFFFFFF0u}) {
        ProcessMemoryMap map;
        std::string error;
        EXPECT_FALSE(Win32MemoryMapSource().Describe(id, map, error));
        EXPECT_EQ(error, "The memory of process " + std::to_string(id) +
                             " cannot be read: it has ended, or this user may not open it.");
    }
}

// A map that answers every question with `answer(address)`, counting them.
template <typename Answer> std::vector<MemoryRegion> Walk(Answer answer, std::size_t& queries) {
    queries = 0;
    bool answered = false;
    return CommittedRegions(
        [&](Address address, MEMORY_BASIC_INFORMATION& region) {
            ++queries;
            region.State = MEM_COMMIT;
            region.Protect = PAGE_READWRITE;
            answer(address, region);
            return true;
        },
        answered);
}

void Span(MEMORY_BASIC_INFORMATION& region, std::uintptr_t base, std::uintptr_t size) {
    region.BaseAddress = reinterpret_cast<void*>(base);
    region.RegionSize = size;
}

TEST(MemoryMap, AMapThatLiesEndsTheWalk) {
    std::size_t queries = 0;
    // The same region whatever is asked.
    EXPECT_EQ(Walk([](Address, MEMORY_BASIC_INFORMATION& r) { Span(r, 0x10000, 0x1000); }, queries).size(), 1u);
    EXPECT_EQ(queries, 2u);
    // A region past the first that reaches round the top of the address space.
    const auto wraps = [](Address address, MEMORY_BASIC_INFORMATION& r) {
        if (address == 0) return Span(r, 0, 0x1000);
        Span(r, 0x8000, UINTPTR_MAX - 0x8000 + 0x2000);
    };
    EXPECT_EQ(Walk(wraps, queries).size(), 1u);
    EXPECT_EQ(queries, 2u);
    // A page at a time, for ever.
    const auto endless = [](Address address, MEMORY_BASIC_INFORMATION& r) {
        Span(r, static_cast<std::uintptr_t>(address), 0x1000);
    };
    EXPECT_EQ(Walk(endless, queries).size(), kMaxMapRegions);
    EXPECT_EQ(queries, kMaxMapRegions);
}

} // namespace
} // namespace corvane
