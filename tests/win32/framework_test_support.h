#pragma once

// Helpers for tests that drive real windows: message pumping, pixels of a
// window printed into memory, screenshots, and answers for the seams.

#include "framework/dialog_win32.h"
#include "framework/seams_win32.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace corvane {
namespace testing {

// Handles every queued message the way a dialog's loop does (IsDialogMessage
// first, so that PreTranslateMessage runs), until the queue is empty.
void PumpMessages(HWND dialog);
// Pumps for about the given time.
void PumpMessagesFor(HWND dialog, DWORD milliseconds);

// The window's text.
std::string WindowText(HWND window);
// Whether the window has the WS_VISIBLE style. Unlike IsWindowVisible, this
// holds for a child of a window that was never shown.
bool HasVisibleStyle(HWND window);

// 32-bit pixels, top row first, as COLORREF values.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> values;

    COLORREF At(int x, int y) const { return values[static_cast<std::size_t>(y) * width + x]; }
    int Count(COLORREF color) const;
    bool SaveBmp(const std::string& path) const;
};

// A memory device context drawing into a top-down 32-bit bitmap, filled with
// one colour to start with, whose pixels can be read back.
class PixelCanvas {
public:
    PixelCanvas(int width, int height, COLORREF fill);
    ~PixelCanvas();
    PixelCanvas(const PixelCanvas&) = delete;
    PixelCanvas& operator=(const PixelCanvas&) = delete;

    bool ready() const { return m_previous != nullptr && m_bits != nullptr; }
    HDC dc() const { return m_dc; }
    // What has been drawn so far.
    Pixels Read() const;

private:
    int m_width;
    int m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
    void* m_bits = nullptr;
};

// The window's client area painted through WM_PRINTCLIENT onto a background
// of the given colour.
Pixels PrintClient(HWND window, COLORREF background);
// What the screen shows of the window, frame included.
Pixels CaptureScreen(HWND window);

// Creates the dialog modeless and shows it at (40, 40), the real pointer kept
// away so that its moves do not hover over controls; with `activate`, also
// makes it the active window (tips without TTS_ALWAYSTIP show only there).
// Handles what showing it queued. False when the dialog cannot be created.
bool ShowTestDialog(CDialog& dialog, bool activate = false);

// Closes each dialog of this thread with the given caption, with IDCANCEL,
// once it has painted, for as long as the object lives: modal dialogs that a
// test opens through real messages end from inside their own loop. With
// `keys`, it presses those keys instead, in the window that has the focus,
// for the dialog's own loop to handle; a dialog that is still open
// kStillOpenSeconds later is ended with kStillOpen. One object at a time.
class DialogCloser {
public:
    static constexpr int kStillOpen = -2;
    static constexpr UINT kStillOpenSeconds = 10;

    explicit DialogCloser(std::string caption, std::vector<UINT> keys = {});
    ~DialogCloser();
    DialogCloser(const DialogCloser&) = delete;
    DialogCloser& operator=(const DialogCloser&) = delete;

    int closed() const { return m_closed; }

private:
    static LRESULT CALLBACK OnGetMessage(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK OnStillOpen(HWND, UINT, UINT_PTR, DWORD);

    std::string m_caption;
    std::vector<UINT> m_keys;
    UINT_PTR m_timer = 0;
    HHOOK m_hook = nullptr;
    HWND m_lastClosed = nullptr;
    int m_closed = 0;
};

// One entry of a popup menu as it showed.
struct MenuEntry {
    std::string text; // empty for a separator
    bool enabled = false;
};
// Asks `dialog` for the context menu of `control` with WM_CONTEXTMENU at the
// control's top left corner and reads the menu while it shows (saving a
// picture of the screen as `pictureName` when given); the menu is then
// dismissed without a choice. Empty when no menu showed.
std::vector<MenuEntry> ReadContextMenu(HWND dialog, HWND control, const char* pictureName = nullptr);

// The process's private memory: its commit charge. Under Wine PrivateUsage
// reads 0, and the committed private regions that VirtualQuery lists leave
// out what the graphics side allocates (the bits of bitmaps among it); the
// commit charge counts that too.
std::size_t PrivateMemory();
// The process's GDI objects; Wine counts none (0).
DWORD GdiObjects();
// Does an action `warmUp` times (what lives for the run is made then, such
// as cached backgrounds), then `times` times more, and expects the private
// memory to have grown by less than 1 MiB and the GDI objects by at most 4
// (where they are counted) over those. `repeat(n)` does the action n times.
void ExpectNothingAccumulates(const std::function<void(int)>& repeat, int warmUp, int times);

// A cell's text as a list view gives it back (LVM_GETITEMTEXT).
std::string ListCell(HWND list, int row, int column);
// The number of rows of a list view.
int ListRowCount(HWND list);
// Selects and focuses a row of a list view, as a click does (the list tells
// its parent), then handles the queue as `dialog`'s loop would.
void SelectListRow(HWND dialog, HWND list, int row);
// A double click on a row of a list view, as the mouse gives it.
void DoubleClickListRow(HWND list, int row);

// The text on the clipboard, empty when it holds none.
std::string ClipboardText();

// Posts a key press to `window` as the keyboard would give it, with the
// Control key held down while it is handled when `control` is set; then
// handles the queue as `dialog`'s loop would.
void PressKey(HWND dialog, HWND window, UINT key, bool control = false);

// Where tests leave pictures for people to look at; created on first use.
std::string OutputPath(const char* fileName);

// Answers message boxes for the lifetime of the object and records them.
class MessageBoxRecorder {
public:
    struct Call {
        HWND owner;
        std::string text;
        std::string caption;
        UINT type;
    };
    explicit MessageBoxRecorder(int answer);
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    std::vector<Call> calls;

private:
    MessageBoxHandler m_previous;
};

// Takes what the program writes to the debugger output (OutputDebugStringA)
// for the lifetime of the object, instead of letting it through. The call
// raises an exception for the debugger, which a vectored handler sees first
// when no debugger is attached. One object at a time.
class DebugOutputRecorder {
public:
    DebugOutputRecorder();
    ~DebugOutputRecorder();
    DebugOutputRecorder(const DebugOutputRecorder&) = delete;
    DebugOutputRecorder& operator=(const DebugOutputRecorder&) = delete;

    std::string text;

private:
    static LONG CALLBACK OnException(EXCEPTION_POINTERS* exception);
    void* m_handler = nullptr;
};

// Records shell calls instead of making them.
class ShellRecorder {
public:
    struct Call {
        HWND owner;
        std::string verb;
        std::string file;
        bool hasParameters;
        bool hasDirectory;
        int show;
    };
    ShellRecorder();
    ~ShellRecorder();
    ShellRecorder(const ShellRecorder&) = delete;
    ShellRecorder& operator=(const ShellRecorder&) = delete;

    std::vector<Call> calls;

private:
    ShellExecuteHandler m_previous;
};

} // namespace testing
} // namespace corvane
