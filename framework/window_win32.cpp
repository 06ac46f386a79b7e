#include "framework/window_win32.h"

#include "framework/seams_win32.h"

#include <cassert>
#include <cstdio>
#include <exception>
#include <mutex>
#include <unordered_map>

namespace corvane {
namespace {

// A window property keeps the procedure an object replaced, so that the
// window can always reach it, also after its object has gone.
const char kSuperProperty[] = "Corvane.SuperProc";

// The objects of windows, by handle. Every message of a subclassed window
// looks its object up here; a window property would do too, but under Wine
// reading one is a round trip to the server, which costs tens of
// microseconds per message when a list is filled with a million lines.
std::unordered_map<HWND, CWnd*>& HandleMap() {
    static std::unordered_map<HWND, CWnd*> objects;
    return objects;
}

std::mutex& HandleMapLock() {
    static std::mutex lock;
    return lock;
}

HHOOK g_preTranslateHook = nullptr;
int g_preTranslateUsers = 0;

LRESULT CALLBACK MessageFilterProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX) {
        auto* message = reinterpret_cast<MSG*>(lParam);
        try {
            if (CWnd::WalkPreTranslateTree(message)) return TRUE;
        } catch (...) {
            // Nothing crosses into the dialog manager's loop, which then
            // handles the message as if nothing had looked at it.
            detail::LogHandlerException(message ? message->message : 0);
        }
    }
    return ::CallNextHookEx(g_preTranslateHook, code, wParam, lParam);
}

HWND ControlOfMessage(UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_COMMAND) return reinterpret_cast<HWND>(lParam);
    if (message == WM_NOTIFY) return lParam ? reinterpret_cast<const NMHDR*>(lParam)->hwndFrom : nullptr;
    if (IsCtlColorMessage(message)) return reinterpret_cast<HWND>(lParam);
    if (message == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        return item && item->CtlType != ODT_MENU ? item->hwndItem : nullptr;
    }
    return nullptr;
}

} // namespace

namespace detail {

void LogHandlerException(UINT message) noexcept {
    char line[512];
    try {
        throw;
    } catch (const std::exception& error) {
        std::snprintf(line, sizeof line, "Corvane: the handler of message 0x%04X threw: %s\n", message, error.what());
    } catch (...) {
        std::snprintf(line, sizeof line,
                      "Corvane: the handler of message 0x%04X threw something other than a std::exception\n", message);
    }
    ::OutputDebugStringA(line);
}

// IsDialogMessage, which the modal loop of DialogBoxParam calls for every
// message, first offers the message to the message-filter hooks with
// MSGF_DIALOGBOX. That is the one place where a modal dialog's loop lets
// the program look at a message before it is dispatched.
void RetainPreTranslateHook() {
    if (g_preTranslateUsers++ == 0)
        g_preTranslateHook = ::SetWindowsHookExA(WH_MSGFILTER, &MessageFilterProc, nullptr, ::GetCurrentThreadId());
}

void ReleasePreTranslateHook() {
    assert(g_preTranslateUsers > 0);
    if (g_preTranslateUsers > 0 && --g_preTranslateUsers == 0 && g_preTranslateHook) {
        ::UnhookWindowsHookEx(g_preTranslateHook);
        g_preTranslateHook = nullptr;
    }
}

} // namespace detail

CWnd::CurrentMessage::CurrentMessage(CWnd& window, UINT message, WPARAM wParam, LPARAM lParam)
    : m_window(window), m_saved(window.m_currentMsg) {
    m_window.m_currentMsg = MSG{};
    m_window.m_currentMsg.hwnd = window.m_hWnd;
    m_window.m_currentMsg.message = message;
    m_window.m_currentMsg.wParam = wParam;
    m_window.m_currentMsg.lParam = lParam;
}

CWnd::CurrentMessage::~CurrentMessage() { m_window.m_currentMsg = m_saved; }

CWnd::~CWnd() {
    if (!m_hWnd) return;
    if (m_ownsWindow) {
        const HWND window = m_hWnd;
        UnsubclassWindow();
        ::DestroyWindow(window);
    } else {
        UnsubclassWindow();
    }
}

const MessageMap* CWnd::ThisMessageMap() {
    static const MessageMap map{nullptr, nullptr, 0};
    return &map;
}

CWnd* CWnd::FromHandle(HWND window) {
    if (!window) return nullptr;
    const std::lock_guard<std::mutex> hold(HandleMapLock());
    const auto found = HandleMap().find(window);
    return found != HandleMap().end() ? found->second : nullptr;
}

void CWnd::BindHandle(HWND window) {
    m_hWnd = window;
    const std::lock_guard<std::mutex> hold(HandleMapLock());
    HandleMap()[window] = this;
}

void CWnd::UnbindHandle() {
    if (m_hWnd) {
        const std::lock_guard<std::mutex> hold(HandleMapLock());
        HandleMap().erase(m_hWnd);
    }
    m_hWnd = nullptr;
}

bool CWnd::SubclassWindow(HWND window) {
    if (m_hWnd || !::IsWindow(window) || FromHandle(window)) return false;
    BindHandle(window);
    PreSubclassWindow();
    const auto previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
    if (!previous) {
        UnbindHandle();
        return false;
    }
    m_superProc = previous;
    ::SetPropA(window, kSuperProperty, reinterpret_cast<HANDLE>(previous));
    return true;
}

bool CWnd::SubclassDlgItem(int id, const CWnd& parent) {
    const HWND item = parent.GetDlgItem(id);
    return item && SubclassWindow(item);
}

void CWnd::UnsubclassWindow() {
    if (!m_hWnd) return;
    if (m_superProc) {
        // Another procedure put on top of ours cannot be unwound; our
        // procedure then stays and forwards to the saved one on its own.
        const auto current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC));
        if (current == &CWnd::SubclassProc) {
            ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
            ::RemovePropA(m_hWnd, kSuperProperty);
        }
    }
    UnbindHandle();
    m_superProc = nullptr;
    m_ownsWindow = false;
}

bool CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menuOrId) {
    if (m_hWnd) return false;
    const HWND window = ::CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent, menuOrId,
                                          ::GetModuleHandleA(nullptr), nullptr);
    if (!window) return false;
    if (!SubclassWindow(window)) {
        ::DestroyWindow(window);
        return false;
    }
    m_ownsWindow = true;
    return true;
}

bool CWnd::DestroyWindow() {
    if (!m_hWnd) return false;
    // WM_NCDESTROY detaches the object.
    return ::DestroyWindow(m_hWnd) != FALSE;
}

LRESULT CALLBACK CWnd::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* object = FromHandle(window);
    if (!object) {
        const auto super = reinterpret_cast<WNDPROC>(::GetPropA(window, kSuperProperty));
        if (message == WM_NCDESTROY) ::RemovePropA(window, kSuperProperty);
        return super ? ::CallWindowProcA(super, window, message, wParam, lParam)
                     : ::DefWindowProcA(window, message, wParam, lParam);
    }
    LRESULT result = 0;
    try {
        CurrentMessage current(*object, message, wParam, lParam);
        result = object->WindowProc(message, wParam, lParam);
    } catch (...) {
        // Nothing crosses a window procedure: the message is handled as if
        // no handler had taken it.
        detail::LogHandlerException(message);
        result = object->DefWindowProc(message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) object->UnsubclassWindow();
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, result)) return result;
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_hWnd) return 0;
    return m_superProc ? ::CallWindowProcA(m_superProc, m_hWnd, message, wParam, lParam)
                       : ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    if (!m_currentMsg.message && !m_currentMsg.hwnd) return 0;
    return DefWindowProc(m_currentMsg.message, m_currentMsg.wParam, m_currentMsg.lParam);
}

const MessageMapEntry* CWnd::FindEntry(UINT message, WPARAM wParam, LPARAM lParam, bool reflected) const {
    for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
        for (std::size_t i = 0; i < map->count; ++i) {
            const MessageMapEntry& entry = map->entries[i];
            bool matches = false;
            switch (entry.match) {
            case MessageMatch::Message: matches = !reflected && entry.message == message; break;
            case MessageMatch::AnyCtlColor: matches = !reflected && IsCtlColorMessage(message); break;
            case MessageMatch::Command:
                matches =
                    !reflected && message == WM_COMMAND && entry.id == LOWORD(wParam) && entry.code == HIWORD(wParam);
                break;
            case MessageMatch::Notify:
                matches = !reflected && message == WM_NOTIFY && lParam &&
                          entry.id == reinterpret_cast<const NMHDR*>(lParam)->idFrom &&
                          entry.code == reinterpret_cast<const NMHDR*>(lParam)->code;
                break;
            case MessageMatch::ReflectedCommand:
                matches = reflected && message == WM_COMMAND && entry.code == HIWORD(wParam);
                break;
            case MessageMatch::ReflectedNotify:
                matches = reflected && message == WM_NOTIFY && lParam &&
                          entry.code == reinterpret_cast<const NMHDR*>(lParam)->code;
                break;
            case MessageMatch::ReflectedCtlColor: matches = reflected && IsCtlColorMessage(message); break;
            case MessageMatch::CommandEnabled: break;
            }
            if (matches) return &entry;
        }
    }
    return nullptr;
}

bool CWnd::IsCommandEnabled(UINT id) {
    for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
        for (std::size_t i = 0; i < map->count; ++i) {
            const MessageMapEntry& entry = map->entries[i];
            if (entry.match == MessageMatch::CommandEnabled && entry.id == id) return entry.invoke(*this, 0, 0, 0) != 0;
        }
    }
    return true;
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // Notifications: the control that raised them comes first.
    if ((message == WM_COMMAND && lParam) || message == WM_NOTIFY) {
        CWnd* control = FromHandle(ControlOfMessage(message, wParam, lParam));
        if (control && control != this && control->OnChildNotify(message, wParam, lParam, result)) return true;
    }
    if (const MessageMapEntry* entry = FindEntry(message, wParam, lParam, false)) {
        result = entry->invoke(*this, message, wParam, lParam);
        return true;
    }
    // Colour queries and draw requests that the window does not map itself.
    if (IsCtlColorMessage(message) || message == WM_DRAWITEM) {
        CWnd* control = FromHandle(ControlOfMessage(message, wParam, lParam));
        if (control && control != this && control->OnChildNotify(message, wParam, lParam, result)) return true;
    }
    return false;
}

bool CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const MessageMapEntry* entry = FindEntry(message, wParam, lParam, true);
    if (!entry) return false;
    CurrentMessage current(*this, message, wParam, lParam);
    result = entry->invoke(*this, message, wParam, lParam);
    return true;
}

HBRUSH CWnd::OnCtlColor(HDC dc, HWND control, UINT ctlType) {
    const UINT message = WM_CTLCOLORMSGBOX + ctlType;
    const auto wParam = reinterpret_cast<WPARAM>(dc);
    const auto lParam = reinterpret_cast<LPARAM>(control);
    LRESULT result = 0;
    CWnd* object = FromHandle(control);
    if (object && object != this && object->OnChildNotify(message, wParam, lParam, result))
        return reinterpret_cast<HBRUSH>(result);
    return reinterpret_cast<HBRUSH>(::DefWindowProcA(m_hWnd, message, wParam, lParam));
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

bool CWnd::WalkPreTranslateTree(MSG* message) {
    if (!message) return false;
    for (HWND window = message->hwnd; window;) {
        CWnd* object = FromHandle(window);
        if (object && object->PreTranslateMessage(message)) return true;
        if (!(::GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD)) break;
        window = ::GetParent(window);
    }
    return false;
}

int CWnd::GetDlgCtrlID() const { return m_hWnd ? ::GetDlgCtrlID(m_hWnd) : 0; }
HWND CWnd::GetParent() const { return m_hWnd ? ::GetParent(m_hWnd) : nullptr; }
HWND CWnd::GetDlgItem(int id) const { return m_hWnd ? ::GetDlgItem(m_hWnd, id) : nullptr; }

bool CWnd::SetWindowText(const char* text) { return m_hWnd && ::SetWindowTextA(m_hWnd, text); }

std::string CWnd::GetWindowText() const {
    if (!m_hWnd) return {};
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(m_hWnd)) + 1, '\0');
    const int length = ::GetWindowTextA(m_hWnd, &text[0], static_cast<int>(text.size()));
    text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return text;
}

bool CWnd::ShowWindow(int command) { return m_hWnd && ::ShowWindow(m_hWnd, command); }
bool CWnd::EnableWindow(bool enable) { return m_hWnd && ::EnableWindow(m_hWnd, enable); }
bool CWnd::IsWindowEnabled() const { return m_hWnd && ::IsWindowEnabled(m_hWnd); }
bool CWnd::IsWindowVisible() const { return m_hWnd && ::IsWindowVisible(m_hWnd); }
bool CWnd::Invalidate(bool erase) { return InvalidateRect(nullptr, erase); }
bool CWnd::InvalidateRect(const RECT* rect, bool erase) { return m_hWnd && ::InvalidateRect(m_hWnd, rect, erase); }
bool CWnd::UpdateWindow() { return m_hWnd && ::UpdateWindow(m_hWnd); }

bool CWnd::RedrawWindow(const RECT* rect, HRGN region, UINT flags) {
    return m_hWnd && ::RedrawWindow(m_hWnd, rect, region, flags);
}

void CWnd::SetFont(HFONT font, bool redraw) {
    if (m_hWnd) ::SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), MAKELPARAM(redraw ? 1 : 0, 0));
}

HFONT CWnd::GetFont() const {
    return m_hWnd ? reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0)) : nullptr;
}

DWORD CWnd::GetStyle() const { return m_hWnd ? static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE)) : 0; }

bool CWnd::ModifyStyle(DWORD remove, DWORD add) {
    if (!m_hWnd) return false;
    const DWORD style = GetStyle();
    const DWORD changed = (style & ~remove) | add;
    if (changed == style) return false;
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(changed));
    return true;
}

bool CWnd::GetClientRect(RECT* rect) const { return m_hWnd && ::GetClientRect(m_hWnd, rect); }
bool CWnd::GetWindowRect(RECT* rect) const { return m_hWnd && ::GetWindowRect(m_hWnd, rect); }

bool CWnd::SetWindowPos(HWND insertAfter, int x, int y, int width, int height, UINT flags) {
    return m_hWnd && ::SetWindowPos(m_hWnd, insertAfter, x, y, width, height, flags);
}

HICON CWnd::SetIcon(HICON icon, bool big) {
    return m_hWnd ? reinterpret_cast<HICON>(
                        ::SendMessageA(m_hWnd, WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)))
                  : nullptr;
}

HMENU CWnd::GetSystemMenu(bool revert) const { return m_hWnd ? ::GetSystemMenu(m_hWnd, revert) : nullptr; }
HWND CWnd::SetFocus() { return m_hWnd ? ::SetFocus(m_hWnd) : nullptr; }
HWND CWnd::SetCapture() { return m_hWnd ? ::SetCapture(m_hWnd) : nullptr; }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return m_hWnd ? ::SendMessageA(m_hWnd, message, wParam, lParam) : 0;
}

bool CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return m_hWnd && ::PostMessageA(m_hWnd, message, wParam, lParam);
}

int CWnd::MessageBox(const char* text, const char* caption, UINT type) const {
    return ShowMessageBox(m_hWnd, text ? text : "", caption ? caption : "", type);
}

} // namespace corvane
