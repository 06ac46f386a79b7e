#include "tests/win32/framework_test_support.h"

#include "framework/drawing_win32.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <utility>

#include <commctrl.h>
#include <psapi.h>

namespace corvane {
namespace testing {
namespace {

DialogCloser* g_closer = nullptr;             // not owned; the one that lives
DebugOutputRecorder* g_debugOutput = nullptr; // not owned; the one that lives

} // namespace

void PumpMessages(HWND dialog) {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (dialog && ::IsWindow(dialog) && ::IsDialogMessageA(dialog, &message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

void PumpMessagesFor(HWND dialog, DWORD milliseconds) {
    const DWORD start = ::GetTickCount();
    do {
        PumpMessages(dialog);
        ::Sleep(5);
    } while (::GetTickCount() - start < milliseconds);
}

std::string WindowText(HWND window) {
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool HasVisibleStyle(HWND window) { return (::GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0; }

int Pixels::Count(COLORREF color) const {
    int count = 0;
    for (COLORREF value : values)
        if (value == color) ++count;
    return count;
}

bool Pixels::SaveBmp(const std::string& path) const {
    const int rowBytes = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(rowBytes * height);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    std::vector<unsigned char> row(static_cast<std::size_t>(rowBytes), 0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF c = At(x, y);
            row[static_cast<std::size_t>(x) * 3 + 0] = GetBValue(c);
            row[static_cast<std::size_t>(x) * 3 + 1] = GetGValue(c);
            row[static_cast<std::size_t>(x) * 3 + 2] = GetRValue(c);
        }
        std::fwrite(row.data(), row.size(), 1, out);
    }
    return std::fclose(out) == 0;
}

PixelCanvas::PixelCanvas(int width, int height, COLORREF fill) : m_width(width), m_height(height) {
    m_dc = ::CreateCompatibleDC(nullptr);
    m_bitmap = CreateTopDownBitmap(m_dc, width, height, &m_bits);
    if (!m_dc || !m_bitmap) return;
    m_previous = ::SelectObject(m_dc, m_bitmap);
    const RECT all{0, 0, width, height};
    HBRUSH brush = ::CreateSolidBrush(fill);
    ::FillRect(m_dc, &all, brush);
    ::DeleteObject(brush);
}

PixelCanvas::~PixelCanvas() {
    if (m_previous) ::SelectObject(m_dc, m_previous);
    if (m_bitmap) ::DeleteObject(m_bitmap);
    if (m_dc) ::DeleteDC(m_dc);
}

Pixels PixelCanvas::Read() const {
    ::GdiFlush();
    Pixels pixels;
    pixels.width = m_width;
    pixels.height = m_height;
    pixels.values.resize(static_cast<std::size_t>(m_width) * m_height);
    const auto* quads = static_cast<const RGBQUAD*>(m_bits);
    if (!quads) return pixels;
    for (std::size_t i = 0; i < pixels.values.size(); ++i)
        pixels.values[i] = RGB(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue);
    return pixels;
}

Pixels PrintClient(HWND window, COLORREF background) {
    RECT client{};
    ::GetClientRect(window, &client);
    PixelCanvas canvas(client.right, client.bottom, background);
    ::SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    return canvas.Read();
}

Pixels CaptureScreen(HWND window) {
    RECT frame{};
    ::GetWindowRect(window, &frame);
    PixelCanvas canvas(frame.right - frame.left, frame.bottom - frame.top, RGB(0, 0, 0));
    HDC screen = ::GetDC(nullptr);
    ::BitBlt(canvas.dc(), 0, 0, frame.right - frame.left, frame.bottom - frame.top, screen, frame.left, frame.top,
             SRCCOPY);
    ::ReleaseDC(nullptr, screen);
    return canvas.Read();
}

DialogCloser::DialogCloser(std::string caption, std::vector<UINT> keys)
    : m_caption(std::move(caption)), m_keys(std::move(keys)) {
    g_closer = this;
    m_hook = ::SetWindowsHookExA(WH_GETMESSAGE, &DialogCloser::OnGetMessage, nullptr, ::GetCurrentThreadId());
}

DialogCloser::~DialogCloser() {
    if (m_hook) ::UnhookWindowsHookEx(m_hook);
    if (m_timer) ::KillTimer(nullptr, m_timer);
    if (g_closer == this) g_closer = nullptr;
}

void CALLBACK DialogCloser::OnStillOpen(HWND, UINT, UINT_PTR, DWORD) {
    DialogCloser* closer = g_closer;
    if (!closer) return;
    ::KillTimer(nullptr, std::exchange(closer->m_timer, 0));
    if (::IsWindow(closer->m_lastClosed)) ::EndDialog(closer->m_lastClosed, kStillOpen);
}

LRESULT CALLBACK DialogCloser::OnGetMessage(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    DialogCloser* closer = g_closer;
    // The paint comes out of the queue only when nothing else waits, so the
    // dialog has shown and settled; the first paint of each dialog ends it.
    if (closer && code == HC_ACTION && wParam == PM_REMOVE && message->message == WM_PAINT &&
        message->hwnd != closer->m_lastClosed) {
        char className[16] = {};
        ::GetClassNameA(message->hwnd, className, sizeof className);
        if (std::strcmp(className, "#32770") == 0 && WindowText(message->hwnd) == closer->m_caption) {
            closer->m_lastClosed = message->hwnd;
            ++closer->m_closed;
            if (closer->m_keys.empty()) {
                ::PostMessageA(message->hwnd, WM_COMMAND, IDCANCEL, 0);
            } else {
                const HWND focus = ::GetFocus();
                const HWND target = focus && ::IsChild(message->hwnd, focus) ? focus : message->hwnd;
                for (const UINT key : closer->m_keys) {
                    const UINT scan = ::MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
                    ::PostMessageA(target, WM_KEYDOWN, key, MAKELPARAM(1, scan));
                    ::PostMessageA(target, WM_KEYUP, key, MAKELPARAM(1, scan | KF_REPEAT | KF_UP));
                }
                closer->m_timer = ::SetTimer(nullptr, 0, kStillOpenSeconds * 1000, &DialogCloser::OnStillOpen);
            }
        }
    }
    return ::CallNextHookEx(closer ? closer->m_hook : nullptr, code, wParam, lParam);
}

std::string OutputPath(const char* fileName) {
    const std::string folder = CORVANE_TEST_OUTPUT_DIR;
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "/" + fileName;
}

MessageBoxRecorder::MessageBoxRecorder(int answer) {
    m_previous = SetMessageBoxHandler(
        [this, answer](HWND owner, const std::string& text, const std::string& caption, UINT type) {
            calls.push_back({owner, text, caption, type});
            return answer;
        });
}

MessageBoxRecorder::~MessageBoxRecorder() { SetMessageBoxHandler(std::move(m_previous)); }

DebugOutputRecorder::DebugOutputRecorder() {
    g_debugOutput = this;
    m_handler = ::AddVectoredExceptionHandler(1, &DebugOutputRecorder::OnException);
}

DebugOutputRecorder::~DebugOutputRecorder() {
    if (m_handler) ::RemoveVectoredExceptionHandler(m_handler);
    if (g_debugOutput == this) g_debugOutput = nullptr;
}

LONG CALLBACK DebugOutputRecorder::OnException(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD* record = exception->ExceptionRecord;
    // The parameters: the length of the text, its terminating zero counted,
    // and its address.
    if (!g_debugOutput || record->ExceptionCode != DBG_PRINTEXCEPTION_C || record->NumberParameters < 2)
        return EXCEPTION_CONTINUE_SEARCH;
    g_debugOutput->text += reinterpret_cast<const char*>(record->ExceptionInformation[1]);
    return EXCEPTION_CONTINUE_EXECUTION;
}

ShellRecorder::ShellRecorder() {
    m_previous = SetShellExecuteHandler([this](HWND owner, const char* verb, const char* file, const char* parameters,
                                               const char* directory, int show) {
        calls.push_back({owner, verb ? verb : "", file ? file : "", parameters != nullptr, directory != nullptr, show});
        // What the shell answers for success.
        return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
    });
}

ShellRecorder::~ShellRecorder() { SetShellExecuteHandler(std::move(m_previous)); }

bool ShowTestDialog(CDialog& dialog, bool activate) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    ::SetCursorPos(1200, 1000);
    if (!dialog.Create()) return false;
    ::SetWindowPos(dialog.GetSafeHwnd(), nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    dialog.ShowWindow(SW_SHOW);
    if (activate) {
        ::SetForegroundWindow(dialog.GetSafeHwnd());
        ::SetActiveWindow(dialog.GetSafeHwnd());
    }
    dialog.UpdateWindow();
    PumpMessages(dialog.GetSafeHwnd());
    return true;
}

namespace {

std::vector<MenuEntry> g_menuSeen;
std::string g_menuPicture;
HWND g_menuOwner = nullptr;

// Runs inside the menu's own loop: reads the menu that shows and ends it.
void CALLBACK ReadShownMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND menuWindow = ::FindWindowA("#32768", nullptr);
    if (!menuWindow || !::IsWindowVisible(menuWindow)) return; // not yet: the timer comes again
    ::KillTimer(nullptr, timer);
    const auto menu = reinterpret_cast<HMENU>(::SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
    for (int i = 0; menu && i < ::GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        MENUITEMINFOA item = {};
        item.cbSize = sizeof item;
        item.fMask = MIIM_STATE | MIIM_STRING | MIIM_FTYPE;
        item.dwTypeData = text;
        item.cch = sizeof text;
        ::GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &item);
        g_menuSeen.push_back(
            {(item.fType & MFT_SEPARATOR) ? std::string() : std::string(text), (item.fState & MFS_DISABLED) == 0});
    }
    if (!g_menuPicture.empty()) {
        ::UpdateWindow(menuWindow);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT); // puts what was drawn on the screen
        CaptureScreen(g_menuOwner).SaveBmp(OutputPath(g_menuPicture.c_str()));
    }
    ::EndMenu();
}

} // namespace

std::vector<MenuEntry> ReadContextMenu(HWND dialog, HWND control, const char* pictureName) {
    g_menuSeen.clear();
    g_menuPicture = pictureName ? pictureName : "";
    g_menuOwner = dialog;
    POINT corner = {4, 4};
    ::ClientToScreen(control, &corner);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ReadShownMenu);
    ::SendMessageA(dialog, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control), MAKELPARAM(corner.x, corner.y));
    ::KillTimer(nullptr, timer);
    PumpMessages(dialog);
    return g_menuSeen;
}

std::size_t PrivateMemory() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.PagefileUsage;
}

DWORD GdiObjects() { return ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS); }

void ExpectNothingAccumulates(const std::function<void(int)>& repeat, int warmUp, int times) {
    repeat(warmUp);
    const std::size_t memoryBefore = PrivateMemory();
    const DWORD gdiBefore = GdiObjects();
    repeat(times);
    const std::size_t memoryAfter = PrivateMemory();
    ASSERT_NE(memoryBefore, 0u);
    EXPECT_LT(memoryAfter, memoryBefore + 1024 * 1024) << "grew by " << (memoryAfter - memoryBefore) << " bytes";
    if (gdiBefore != 0) {
        EXPECT_LE(GdiObjects(), gdiBefore + 4);
    }
}

std::string ListCell(HWND list, int row, int column) {
    char text[256] = {};
    LVITEMA cell = {};
    cell.iSubItem = column;
    cell.pszText = text;
    cell.cchTextMax = sizeof text;
    ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    return text;
}

int ListRowCount(HWND list) { return static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

void SelectListRow(HWND dialog, HWND list, int row) {
    LVITEMA state = {};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
    PumpMessages(dialog);
}

void DoubleClickListRow(HWND list, int row) {
    RECT cell = {};
    cell.left = LVIR_LABEL;
    ::SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    const LPARAM at = MAKELPARAM(cell.left + 4, (cell.top + cell.bottom) / 2);
    ::SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(list, WM_LBUTTONUP, 0, at);
    ::SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ::SendMessageA(list, WM_LBUTTONUP, 0, at);
}

std::string ClipboardText() {
    std::string text;
    if (!::OpenClipboard(nullptr)) return text;
    if (const HANDLE data = ::GetClipboardData(CF_TEXT)) {
        if (const auto* bytes = static_cast<const char*>(::GlobalLock(data))) {
            text = bytes;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

void PressKey(HWND dialog, HWND window, UINT key, bool control) {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    const BYTE saved = keys[VK_CONTROL];
    if (control) {
        keys[VK_CONTROL] = 0x80;
        ::SetKeyboardState(keys);
    }
    ::PostMessageA(window, WM_KEYDOWN, key, 1);
    ::PostMessageA(window, WM_KEYUP, key, 0xC0000001);
    PumpMessages(dialog);
    if (control) {
        keys[VK_CONTROL] = saved;
        ::SetKeyboardState(keys);
    }
}

} // namespace testing
} // namespace corvane
