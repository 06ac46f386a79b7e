// A sample target for Corvane: a small program whose heaps hold contents
// that are easy to recognise in a dump. It makes its heaps, says its process
// id, and waits until it is ended.
//
//   corvane_sample            waits for good
//   corvane_sample --report   also writes what HeapWalk sees of each of its
//                             heaps, which heaps it made, and every block it
//                             allocated and did not free (what HeapWalk
//                             does not show of blocks that a heap's front
//                             end keeps in groups), then waits until its
//                             standard input
//                             closes; each line "grow" it reads there makes
//                             five more blocks in the last heap, each with
//                             the text "Corvane sample: grown block <n>",
//                             and it writes "grown <address> <size>" for
//                             each, then "end"; the first line "leaks"
//                             makes the leak scene in a heap of its own,
//                             and each one writes it, in hexadecimal:
//                               leak-heap <heap's base>
//                               leak-link <offset of a block's link>
//                               leak <address> <size> <kind> <role>
//                             and "end"; the kind is what a conservative
//                             reachability must find (reached,
//                             unreferenced or unreachable); the first line
//                             "many" makes a heap of its own with 100,000
//                             blocks of 16 to 264 bytes, every seventh one
//                             freed again, and writes "many-heap <base>"
//                             and "end"
//
// The heaps: the process heap gets a line of text; a heap of small blocks
// gets 300 numbered blocks, every third one freed, and 2,000 blocks of 40
// bytes, every fifth one freed; the last heap made gets,
// in this order, a text, every byte value from 0 to 255, a UTF-16 text, six
// blocks of which three are freed again, and a large block of 1 MiB that
// starts with a text.
//
// The leak scene: blocks of 32 bytes, each a label of 16 printable bytes and
// a link at 16. A list of ten whose head a global holds (live-1..live-10); a
// list of ten whose head was overwritten (lost-1..lost-10); two blocks that
// point at each other and nothing else at them (cycle-1, cycle-2); a block
// that only a local variable of a waiting thread holds (stack); one that
// only a pointer 16 bytes into it holds (interior); and five whose pointers
// were cleared (cleared-1..cleared-5). No other copy of a lost block's
// address is left in memory that a scan for pointers reads.

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace {

const char kProcessHeapText[] = "Corvane sample: a line in the process heap";
const char kFirstText[] = "Corvane sample: this text lives in a heap of its own.";
const wchar_t kWideText[] = L"Corvane sample: wide text";
const char kLargeText[] = "Corvane sample: the start of a large block";
const char kCountedText[40] = "Corvane sample: one of many of 40 bytes";
constexpr std::size_t kLargeSize = 1 << 20;

// The blocks allocated and not freed, kept in memory no heap owns.
struct Allocation {
    void* block;
    std::size_t size;
};
constexpr std::size_t kMostAllocations = 8192;
Allocation* g_allocations = static_cast<Allocation*>(
    ::VirtualAlloc(nullptr, kMostAllocations * sizeof(Allocation), MEM_COMMIT, PAGE_READWRITE));
std::size_t g_allocated = 0;

void* Allocate(HANDLE heap, DWORD flags, std::size_t size) {
    void* block = ::HeapAlloc(heap, flags, size);
    if (block && g_allocations && g_allocated < kMostAllocations) g_allocations[g_allocated++] = {block, size};
    return block;
}

void Free(HANDLE heap, void* block) {
    for (std::size_t i = 0; i < g_allocated; ++i)
        if (g_allocations[i].block == block) g_allocations[i] = g_allocations[--g_allocated];
    ::HeapFree(heap, 0, block);
}

void* Put(HANDLE heap, const void* bytes, std::size_t size) {
    void* block = Allocate(heap, 0, size);
    if (block) std::memcpy(block, bytes, size);
    return block;
}

HANDLE g_small = nullptr;
HANDLE g_texts = nullptr;
unsigned g_grown = 0;

void MakeHeaps() {
    Put(::GetProcessHeap(), kProcessHeapText, sizeof kProcessHeapText);

    const HANDLE small = g_small = ::HeapCreate(0, 0, 0);
    void* numbered[300] = {};
    for (unsigned i = 0; i < 300; ++i) {
        char text[32] = "block ";
        for (unsigned n = i, at = 9; at >= 6; --at, n /= 10)
            text[at] = static_cast<char>('0' + n % 10);
        numbered[i] = Put(small, text, 16 + i % 40);
    }
    for (unsigned i = 0; i < 300; i += 3)
        Free(small, numbered[i]);
    // Many blocks of one small size: where the heap has a low-fragmentation
    // front end, they are kept in its groups.
    static void* counted[2000] = {};
    for (unsigned i = 0; i < 2000; ++i)
        counted[i] = Put(small, kCountedText, sizeof kCountedText);
    for (unsigned i = 0; i < 2000; i += 5)
        Free(small, counted[i]);

    const HANDLE texts = g_texts = ::HeapCreate(0, 0, 0);
    Put(texts, kFirstText, sizeof kFirstText);
    unsigned char every[256];
    for (int i = 0; i < 256; ++i)
        every[i] = static_cast<unsigned char>(i);
    Put(texts, every, sizeof every);
    Put(texts, kWideText, sizeof kWideText);
    void* six[6] = {};
    for (int i = 0; i < 6; ++i)
        six[i] = Put(texts, kFirstText, 24 + 8 * i);
    for (int i = 0; i < 6; i += 2)
        Free(texts, six[i]);
    auto* large = static_cast<char*>(Allocate(texts, HEAP_ZERO_MEMORY, kLargeSize));
    if (large) std::memcpy(large, kLargeText, sizeof kLargeText);
}

// Text into memory that no heap owns, so that writing the report changes no
// heap it describes.
class Report {
public:
    Report() : m_text(static_cast<char*>(::VirtualAlloc(nullptr, kSize, MEM_COMMIT, PAGE_READWRITE))) {}
    ~Report() {
        if (m_text) ::VirtualFree(m_text, 0, MEM_RELEASE);
    }
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;
    void Text(const char* text) {
        while (*text)
            Char(*text++);
    }
    void Hex(std::uint64_t value) {
        char digits[16];
        int n = 0;
        do {
            digits[n++] = "0123456789abcdef"[value & 0xF];
            value >>= 4;
        } while (value != 0);
        while (n > 0)
            Char(digits[--n]);
    }
    void Send() const {
        DWORD written = 0;
        if (m_text)
            ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), m_text, static_cast<DWORD>(m_length), &written, nullptr);
    }

private:
    static constexpr std::size_t kSize = 64 << 20;
    void Char(char c) {
        if (m_text && m_length < kSize) m_text[m_length++] = c;
    }
    char* m_text;
    std::size_t m_length = 0;
};

// One line per heap and per entry HeapWalk gives, then one per heap this
// program made and per block it allocated and did not free, in hexadecimal:
//   heap <base>
//   entry <flags> <data> <data size> <overhead> <committed size of a region>
//   made <base>
//   allocation <address> <size asked for>
void ReportHeaps() {
    Report report;
    HANDLE heaps[256];
    const DWORD count = ::GetProcessHeaps(256, heaps);
    for (DWORD i = 0; i < count && i < 256; ++i) {
        report.Text("heap ");
        report.Hex(reinterpret_cast<std::uintptr_t>(heaps[i]));
        report.Text("\n");
        PROCESS_HEAP_ENTRY entry = {};
        while (::HeapWalk(heaps[i], &entry)) {
            report.Text("entry ");
            report.Hex(entry.wFlags);
            report.Text(" ");
            report.Hex(reinterpret_cast<std::uintptr_t>(entry.lpData));
            report.Text(" ");
            report.Hex(entry.cbData);
            report.Text(" ");
            report.Hex(entry.cbOverhead);
            report.Text(" ");
            report.Hex((entry.wFlags & PROCESS_HEAP_REGION) ? entry.Region.dwCommittedSize : 0);
            report.Text("\n");
        }
    }
    for (const HANDLE made : {g_small, g_texts}) {
        report.Text("made ");
        report.Hex(reinterpret_cast<std::uintptr_t>(made));
        report.Text("\n");
    }
    for (std::size_t i = 0; i < g_allocated; ++i) {
        report.Text("allocation ");
        report.Hex(reinterpret_cast<std::uintptr_t>(g_allocations[i].block));
        report.Text(" ");
        report.Hex(g_allocations[i].size);
        report.Text("\n");
    }
    report.Text("end\n");
    report.Send();
}

HANDLE g_many = nullptr;

// A heap of many blocks, for the tools that must stay quick on one.
void MakeManyBlocks() {
    constexpr unsigned kBlocks = 100000;
    if (!g_many) {
        g_many = ::HeapCreate(0, 0, 0);
        // Freed once all are made, so that no later block fills the holes.
        auto** made = static_cast<void**>(::VirtualAlloc(nullptr, kBlocks * sizeof(void*), MEM_COMMIT, PAGE_READWRITE));
        for (unsigned i = 0; g_many && made && i < kBlocks; ++i)
            made[i] = ::HeapAlloc(g_many, 0, 16 + (i % 32) * 8);
        for (unsigned i = 6; g_many && made && i < kBlocks; i += 7)
            ::HeapFree(g_many, 0, made[i]);
        if (made) ::VirtualFree(made, 0, MEM_RELEASE);
    }
    Report report;
    report.Text("many-heap ");
    report.Hex(reinterpret_cast<std::uintptr_t>(g_many));
    report.Text("\nend\n");
    report.Send();
}

// Five more blocks in the last heap, of sizes no other block has.
void Grow() {
    Report report;
    for (int i = 0; i < 5; ++i, ++g_grown) {
        char text[48] = "Corvane sample: grown block ";
        std::size_t length = std::strlen(text);
        for (unsigned n = g_grown, div = 1000; div != 0; div /= 10)
            if (n / div != 0 || div == 1) text[length++] = static_cast<char>('0' + n / div % 10);
        text[length] = '\0';
        const std::size_t size = 0x3000 + 0x100 * g_grown;
        auto* block = static_cast<char*>(Allocate(g_texts, HEAP_ZERO_MEMORY, size));
        if (!block) continue;
        std::memcpy(block, text, length + 1);
        report.Text("grown ");
        report.Hex(reinterpret_cast<std::uintptr_t>(block));
        report.Text(" ");
        report.Hex(size);
        report.Text("\n");
    }
    report.Text("end\n");
    report.Send();
}

#if defined(_MSC_VER)
#define CORVANE_NOINLINE __declspec(noinline)
#else
#define CORVANE_NOINLINE __attribute__((noinline))
#endif

constexpr std::size_t kSceneBlockSize = 32;
constexpr std::size_t kSceneLink = 16;

// The scene's blocks in groups, in the order of their report. A label is the
// group's text (12 bytes), a space, the block's number in two digits and '~':
// in the 32-bit edition each 4-byte word of it ends in a byte of 0x61 or
// more, a value at 0x61000000 or above, where Wine puts no heap, so that no
// label passes for a pointer (in the 64-bit one, 8 printable bytes are far
// above the user address space).
struct SceneGroup {
    const char* role;
    const char* text;
    int count;
    const char* firstKind;
    const char* otherKind;
};
constexpr SceneGroup kSceneGroups[] = {
    {"live", "live list no", 10, "reached", "reached"},
    {"lost", "lost list no", 10, "unreferenced", "unreachable"},
    {"cycle", "cyclic block", 2, "unreachable", "unreachable"},
    {"stack", "thread stack", 1, "reached", "reached"},
    {"interior", "inner target", 1, "reached", "reached"},
    {"cleared", "refs cleared", 5, "unreferenced", "unreferenced"},
};
enum SceneGroupIndex { kLive, kLost, kCycle, kStack, kInterior, kCleared, kSceneGroupCount };
static_assert(sizeof kSceneGroups / sizeof kSceneGroups[0] == kSceneGroupCount, "one group per index");

constexpr bool WordsEndInLetters(const char* text) {
    int length = 0;
    while (text[length] != '\0')
        ++length;
    if (length != 12) return false;
    for (int at = 3; at < 12; at += 4)
        if (!((text[at] >= 'a' && text[at] <= 'z') || text[at] == '~')) return false;
    return true;
}
static_assert(WordsEndInLetters(kSceneGroups[kLive].text) && WordsEndInLetters(kSceneGroups[kLost].text) &&
                  WordsEndInLetters(kSceneGroups[kCycle].text) && WordsEndInLetters(kSceneGroups[kStack].text) &&
                  WordsEndInLetters(kSceneGroups[kInterior].text) && WordsEndInLetters(kSceneGroups[kCleared].text),
              "no label word may end in a byte that makes it look like an address");

constexpr std::size_t SceneFirst(int group) {
    std::size_t first = 0;
    for (int i = 0; i < group; ++i)
        first += static_cast<std::size_t>(kSceneGroups[i].count);
    return first;
}
constexpr std::size_t kSceneBlocks = SceneFirst(kSceneGroupCount);

HANDLE g_leakHeap = nullptr;
// The scene's roots. Volatile, so that the compiler keeps every store the
// story needs, the ones that overwrite and clear too.
void* volatile g_liveHead = nullptr;
void* volatile g_lostHead = nullptr;
char* volatile g_interior = nullptr;
void* volatile g_cleared[5] = {};
// The scene's addresses for its report, in the order of the groups, each
// kept complemented: above the user address space, no scan takes it for a
// pointer, and a lost block stays lost.
std::uintptr_t g_sceneAddresses[kSceneBlocks] = {};

void* NewSceneBlock(int group, int number) {
    auto* block = static_cast<char*>(::HeapAlloc(g_leakHeap, HEAP_ZERO_MEMORY, kSceneBlockSize));
    if (!block) return nullptr;
    std::memcpy(block, kSceneGroups[group].text, 12);
    block[12] = ' ';
    block[13] = static_cast<char>('0' + number / 10);
    block[14] = static_cast<char>('0' + number % 10);
    block[15] = '~';
    g_sceneAddresses[SceneFirst(group) + static_cast<std::size_t>(number - 1)] =
        ~reinterpret_cast<std::uintptr_t>(block);
    return block;
}

void LinkSceneBlock(void* block, void* next) {
    if (block) std::memcpy(static_cast<char*>(block) + kSceneLink, &next, sizeof next);
}

// A list of ten of `group`, each block linked to the next; returns its head.
void* MakeSceneList(int group) {
    void* blocks[10] = {};
    for (int i = 0; i < 10; ++i)
        blocks[i] = NewSceneBlock(group, i + 1);
    for (int i = 0; i + 1 < 10; ++i)
        LinkSceneBlock(blocks[i], blocks[i + 1]);
    return blocks[0];
}

// The thread whose stack alone holds a block: it waits for good.
DWORD WINAPI HoldBlockOnStack(void* made) {
    void* volatile held = NewSceneBlock(kStack, 1);
    static_cast<void>(held);
    ::SetEvent(static_cast<HANDLE>(made));
    ::Sleep(INFINITE);
    return 0;
}

// Kept out of line, so that the addresses it leaves in its frame lie below
// the caller's, where ScrubStack writes over them.
CORVANE_NOINLINE void MakeLeakScene() {
    g_leakHeap = ::HeapCreate(0, 0, 0);
    if (!g_leakHeap) return;
    g_liveHead = MakeSceneList(kLive);
    g_lostHead = MakeSceneList(kLost);
    g_lostHead = nullptr;

    void* first = NewSceneBlock(kCycle, 1);
    void* second = NewSceneBlock(kCycle, 2);
    LinkSceneBlock(first, second);
    LinkSceneBlock(second, first);

    if (char* block = static_cast<char*>(NewSceneBlock(kInterior, 1))) g_interior = block + 16;
    for (int i = 0; i < 5; ++i)
        g_cleared[i] = NewSceneBlock(kCleared, i + 1);
    for (int i = 0; i < 5; ++i)
        g_cleared[i] = nullptr;

    const HANDLE made = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!made) return;
    const HANDLE thread = ::CreateThread(nullptr, 0, HoldBlockOnStack, made, 0, nullptr);
    if (thread) {
        ::WaitForSingleObject(made, INFINITE);
        ::CloseHandle(thread);
    }
    ::CloseHandle(made);
}

CORVANE_NOINLINE void ReportLeakScene() {
    Report report;
    report.Text("leak-heap ");
    report.Hex(reinterpret_cast<std::uintptr_t>(g_leakHeap));
    report.Text("\nleak-link ");
    report.Hex(kSceneLink);
    report.Text("\n");
    std::size_t at = 0;
    for (const SceneGroup& group : kSceneGroups)
        for (int number = 1; number <= group.count; ++number, ++at) {
            if (g_sceneAddresses[at] == 0) continue; // its allocation failed
            char role[16] = {};
            std::size_t length = std::strlen(group.role);
            std::memcpy(role, group.role, length);
            if (group.count > 1) {
                role[length++] = '-';
                if (number >= 10) role[length++] = static_cast<char>('0' + number / 10);
                role[length++] = static_cast<char>('0' + number % 10);
            }
            report.Text("leak ");
            report.Hex(~g_sceneAddresses[at]);
            report.Text(" ");
            report.Hex(kSceneBlockSize);
            report.Text(" ");
            report.Text(number == 1 ? group.firstKind : group.otherKind);
            report.Text(" ");
            report.Text(role);
            report.Text("\n");
        }
    report.Text("end\n");
    report.Send();
}

// Writes zeros over the stack below the caller, where the scene's making
// and its report left copies of its addresses.
CORVANE_NOINLINE void ScrubStack() {
    volatile std::uintptr_t words[8192];
    for (std::size_t i = 0; i < sizeof words / sizeof words[0]; ++i)
        words[i] = 0;
}

} // namespace

int main(int argc, char** argv) {
    MakeHeaps();
    const bool report = argc > 1 && std::strcmp(argv[1], "--report") == 0;
    char line[64] = "corvane_sample: process ";
    std::size_t length = std::strlen(line);
    for (DWORD id = ::GetCurrentProcessId(), div = 1000000000; div != 0; div /= 10)
        if (id / div != 0 || div == 1 || length > 24) line[length++] = static_cast<char>('0' + id / div % 10);
    line[length++] = '\n';
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), line, static_cast<DWORD>(length), &written, nullptr);
    if (!report) {
        ::Sleep(INFINITE);
        return 0;
    }
    ReportHeaps();
    char command[16] = {};
    std::size_t used = 0;
    char c = 0;
    DWORD read = 0;
    while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), &c, 1, &read, nullptr) && read != 0) {
        if (c != '\n') {
            if (used + 1 < sizeof command) command[used++] = c;
            continue;
        }
        command[used] = '\0';
        used = 0;
        if (std::strcmp(command, "grow") == 0) Grow();
        if (std::strcmp(command, "many") == 0) MakeManyBlocks();
        if (std::strcmp(command, "leaks") == 0) {
            if (!g_leakHeap) MakeLeakScene();
            ScrubStack();
            ReportLeakScene();
            ScrubStack();
        }
    }
    return 0;
}
