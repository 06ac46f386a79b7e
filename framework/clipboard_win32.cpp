#include "framework/clipboard_win32.h"

#include "framework/handles_win32.h"

#include <cstring>

namespace corvane {

namespace {

// Closes the clipboard that was opened.
struct ClipboardOpen {
    explicit ClipboardOpen(HWND owner) : open(::OpenClipboard(owner) != FALSE) {}
    ~ClipboardOpen() {
        if (open) ::CloseClipboard();
    }
    ClipboardOpen(const ClipboardOpen&) = delete;
    ClipboardOpen& operator=(const ClipboardOpen&) = delete;
    const bool open;
};

} // namespace

ClipboardResult PutTextOnClipboard(HWND owner, const std::string& text) {
    const ClipboardOpen clipboard(owner);
    if (!clipboard.open) return ClipboardResult::InUse;
    if (!::EmptyClipboard()) return ClipboardResult::Failed;
    UniqueGlobalMemory memory(::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1));
    if (!memory) return ClipboardResult::Failed;
    void* bytes = ::GlobalLock(memory.get());
    if (!bytes) return ClipboardResult::Failed;
    std::memcpy(bytes, text.c_str(), text.size() + 1);
    ::GlobalUnlock(memory.get());
    if (!::SetClipboardData(CF_TEXT, memory.get())) return ClipboardResult::Failed;
    // The clipboard owns the memory once it took it.
    memory.release();
    return ClipboardResult::Put;
}

} // namespace corvane
