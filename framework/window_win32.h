#pragma once

// Window objects attached to window handles, and the static message maps
// through which every message reaches a handler.
//
// A message for a window that has an object goes, in this order:
// 1. WM_COMMAND from a control and WM_NOTIFY go first to the object of the
//    control that raised them; if its map has a reflected entry for the
//    notification code, the control handles it and the parent sees nothing.
// 2. The object's own map, then the maps of its base classes in turn.
// 3. Not mapped: WM_CTLCOLOR* and WM_DRAWITEM go to the control they concern
//    (its reflected colour entry, its DrawItem); anything else gets the
//    default processing of the window (the procedure that was there before
//    the object subclassed it, or the dialog manager for a dialog).
// The virtual WindowProc does this for every message of the window, a
// dialog's included. A handler that throws: the exception stops at the
// window procedure, goes to the debugger output with the message number, and
// the message gets the default processing as if no handler had taken it.

#include <windows.h>

#include <cstddef>
#include <string>
#include <type_traits>
#include <utility>

namespace corvane {

class CWnd;

// A map entry's handler: cracks the message, calls the member function and
// turns what it returns into the message result.
using MessageInvoker = LRESULT (*)(CWnd& window, UINT message, WPARAM wParam, LPARAM lParam);

enum class MessageMatch : unsigned char {
    Message,           // this message, whatever its parameters
    AnyCtlColor,       // WM_CTLCOLORMSGBOX .. WM_CTLCOLORSTATIC
    Command,           // WM_COMMAND with this control id and notification code
    Notify,            // WM_NOTIFY with this control id and notification code
    ReflectedCommand,  // a control's own WM_COMMAND notification, back from its parent
    ReflectedNotify,   // a control's own WM_NOTIFY, back from its parent
    ReflectedCtlColor, // a control's own WM_CTLCOLOR* query, back from its parent
    CommandEnabled,    // whether a command can run now, asked by IsCommandEnabled; no message
};

struct MessageMapEntry {
    UINT message;
    UINT code; // notification code (WM_COMMAND, WM_NOTIFY)
    UINT id;   // control id (WM_COMMAND, WM_NOTIFY)
    MessageMatch match;
    MessageInvoker invoke;
};

struct MessageMap {
    const MessageMap* (*base)(); // null for the root
    const MessageMapEntry* entries;
    std::size_t count;
};

namespace detail {

template <class MemberPointer> struct MemberClass;
template <class Class, class Member> struct MemberClass<Member Class::*> { using type = Class; };
template <auto Handler> using HandlerClass = typename MemberClass<decltype(Handler)>::type;

template <auto Handler> LRESULT InvokeWParamLParam(CWnd& w, UINT, WPARAM wParam, LPARAM lParam) {
    return (static_cast<HandlerClass<Handler>&>(w).*Handler)(wParam, lParam);
}
template <auto Handler> LRESULT InvokeVoid(CWnd& w, UINT, WPARAM, LPARAM) {
    (static_cast<HandlerClass<Handler>&>(w).*Handler)();
    return 0;
}
// A handler that is a function of the window rather than a member: a file
// that handles some of a window's commands keeps them to itself.
template <class Function> struct FunctionWindow;
template <class Result, class Window> struct FunctionWindow<Result (*)(Window&)> { using type = Window; };
template <auto Handler> LRESULT InvokeFunction(CWnd& w, UINT, WPARAM, LPARAM) {
    using Window = typename FunctionWindow<decltype(Handler)>::type;
    if constexpr (std::is_void_v<decltype(Handler(std::declval<Window&>()))>) {
        Handler(static_cast<Window&>(w));
        return 0;
    } else {
        return Handler(static_cast<Window&>(w)) ? 1 : 0;
    }
}
template <auto Handler> constexpr MessageInvoker VoidOrFunction() {
    if constexpr (std::is_member_function_pointer_v<decltype(Handler)>)
        return &InvokeVoid<Handler>;
    else
        return &InvokeFunction<Handler>;
}
template <auto Handler> LRESULT InvokeMouse(CWnd& w, UINT, WPARAM wParam, LPARAM lParam) {
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    (static_cast<HandlerClass<Handler>&>(w).*Handler)(static_cast<UINT>(wParam), point);
    return 0;
}
template <auto Handler> LRESULT InvokeKey(CWnd& w, UINT, WPARAM wParam, LPARAM lParam) {
    (static_cast<HandlerClass<Handler>&>(w).*Handler)(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
    return 0;
}
template <auto Handler> LRESULT InvokeSetCursor(CWnd& w, UINT, WPARAM wParam, LPARAM lParam) {
    return (static_cast<HandlerClass<Handler>&>(w).*Handler)(reinterpret_cast<HWND>(wParam), LOWORD(lParam),
                                                             HIWORD(lParam));
}
template <auto Handler> LRESULT InvokeFocus(CWnd& w, UINT, WPARAM wParam, LPARAM) {
    (static_cast<HandlerClass<Handler>&>(w).*Handler)(reinterpret_cast<HWND>(wParam));
    return 0;
}
template <auto Handler> LRESULT InvokeEraseBkgnd(CWnd& w, UINT, WPARAM wParam, LPARAM) {
    return (static_cast<HandlerClass<Handler>&>(w).*Handler)(reinterpret_cast<HDC>(wParam));
}
template <auto Handler> LRESULT InvokeSysCommand(CWnd& w, UINT, WPARAM wParam, LPARAM lParam) {
    (static_cast<HandlerClass<Handler>&>(w).*Handler)(static_cast<UINT>(wParam), lParam);
    return 0;
}
template <auto Handler> LRESULT InvokeQueryDragIcon(CWnd& w, UINT, WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>((static_cast<HandlerClass<Handler>&>(w).*Handler)());
}
template <auto Handler> LRESULT InvokeCtlColor(CWnd& w, UINT message, WPARAM wParam, LPARAM lParam) {
    return reinterpret_cast<LRESULT>((static_cast<HandlerClass<Handler>&>(w).*Handler)(
        reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), message - WM_CTLCOLORMSGBOX));
}
template <auto Handler> LRESULT InvokeReflectedCtlColor(CWnd& w, UINT message, WPARAM wParam, LPARAM) {
    return reinterpret_cast<LRESULT>(
        (static_cast<HandlerClass<Handler>&>(w).*Handler)(reinterpret_cast<HDC>(wParam), message - WM_CTLCOLORMSGBOX));
}
template <auto Handler> LRESULT InvokeNotify(CWnd& w, UINT, WPARAM, LPARAM lParam) {
    LRESULT result = 0;
    (static_cast<HandlerClass<Handler>&>(w).*Handler)(reinterpret_cast<NMHDR*>(lParam), &result);
    return result;
}

} // namespace detail

// Entry builders. Each names the handler's signature; a handler of another
// signature does not compile.

// LRESULT Handler(WPARAM, LPARAM): any message, private ones included.
template <auto Handler> constexpr MessageMapEntry MapMessage(UINT message) {
    return {message, 0, 0, MessageMatch::Message, &detail::InvokeWParamLParam<Handler>};
}
// void Handler(): WM_PAINT, WM_MOUSELEAVE and the like; the result is 0.
template <auto Handler> constexpr MessageMapEntry MapVoidMessage(UINT message) {
    return {message, 0, 0, MessageMatch::Message, &detail::InvokeVoid<Handler>};
}
// void Handler(UINT keyFlags, POINT clientPoint): WM_MOUSEMOVE, WM_LBUTTON*.
template <auto Handler> constexpr MessageMapEntry MapMouseMessage(UINT message) {
    return {message, 0, 0, MessageMatch::Message, &detail::InvokeMouse<Handler>};
}
// void Handler(UINT key, UINT repeatCount, UINT flags): WM_KEYDOWN, WM_KEYUP.
template <auto Handler> constexpr MessageMapEntry MapKeyMessage(UINT message) {
    return {message, 0, 0, MessageMatch::Message, &detail::InvokeKey<Handler>};
}
// void Handler(HWND otherWindow): WM_SETFOCUS, WM_KILLFOCUS.
template <auto Handler> constexpr MessageMapEntry MapFocusMessage(UINT message) {
    return {message, 0, 0, MessageMatch::Message, &detail::InvokeFocus<Handler>};
}
// BOOL Handler(HWND window, UINT hitTest, UINT mouseMessage).
template <auto Handler> constexpr MessageMapEntry MapSetCursor() {
    return {WM_SETCURSOR, 0, 0, MessageMatch::Message, &detail::InvokeSetCursor<Handler>};
}
// BOOL Handler(HDC).
template <auto Handler> constexpr MessageMapEntry MapEraseBkgnd() {
    return {WM_ERASEBKGND, 0, 0, MessageMatch::Message, &detail::InvokeEraseBkgnd<Handler>};
}
// void Handler(UINT commandId, LPARAM).
template <auto Handler> constexpr MessageMapEntry MapSysCommand() {
    return {WM_SYSCOMMAND, 0, 0, MessageMatch::Message, &detail::InvokeSysCommand<Handler>};
}
// HCURSOR Handler().
template <auto Handler> constexpr MessageMapEntry MapQueryDragIcon() {
    return {WM_QUERYDRAGICON, 0, 0, MessageMatch::Message, &detail::InvokeQueryDragIcon<Handler>};
}
// HBRUSH Handler(HDC, HWND control, UINT ctlType): every WM_CTLCOLOR* message;
// ctlType is CTLCOLOR_MSGBOX .. CTLCOLOR_STATIC. Call CWnd::OnCtlColor for
// the default answer.
template <auto Handler> constexpr MessageMapEntry MapCtlColor() {
    return {WM_CTLCOLORMSGBOX, 0, 0, MessageMatch::AnyCtlColor, &detail::InvokeCtlColor<Handler>};
}
// void Handler(), or void Handler(Window&): WM_COMMAND from control id with
// notification code (BN_CLICKED also matches menu and accelerator commands of
// that id).
template <auto Handler> constexpr MessageMapEntry MapCommand(UINT id, UINT code) {
    return {WM_COMMAND, code, id, MessageMatch::Command, detail::VoidOrFunction<Handler>()};
}
// bool Handler(Window&): whether command id can run now, for the menus that
// offer it (CWnd::IsCommandEnabled). A command without one always can.
template <auto Handler> constexpr MessageMapEntry MapCommandEnabled(UINT id) {
    return {0, 0, id, MessageMatch::CommandEnabled, &detail::InvokeFunction<Handler>};
}
// void Handler(NMHDR*, LRESULT* result): WM_NOTIFY from control id with code;
// *result starts at 0 and becomes the message result.
template <auto Handler> constexpr MessageMapEntry MapNotify(UINT id, UINT code) {
    return {WM_NOTIFY, code, id, MessageMatch::Notify, &detail::InvokeNotify<Handler>};
}
// In a control's map: its own notification, reflected back from the parent.
template <auto Handler> constexpr MessageMapEntry MapReflectedCommand(UINT code) {
    return {WM_COMMAND, code, 0, MessageMatch::ReflectedCommand, &detail::InvokeVoid<Handler>};
}
template <auto Handler> constexpr MessageMapEntry MapReflectedNotify(UINT code) {
    return {WM_NOTIFY, code, 0, MessageMatch::ReflectedNotify, &detail::InvokeNotify<Handler>};
}
// HBRUSH Handler(HDC, UINT ctlType): the control answers its parent's colour
// query for itself.
template <auto Handler> constexpr MessageMapEntry MapReflectedCtlColor() {
    return {WM_CTLCOLORMSGBOX, 0, 0, MessageMatch::ReflectedCtlColor, &detail::InvokeReflectedCtlColor<Handler>};
}

// Every window class declares, in its class body:
//     protected:
//         static const MessageMap* ThisMessageMap();
//         const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }
// and defines ThisMessageMap with a function-local static table whose base
// is the direct base class's ThisMessageMap. A class whose handlers live in
// several files gives each file a map of its own, chained between the two.

// A window object. Not copyable and not movable: the window refers to it by
// address. It either subclasses an existing window (a dialog's template
// control) and gives it back when the object goes, or owns a window it
// created and destroys it when the object goes.
class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The object of a window, when one is attached to it.
    static CWnd* FromHandle(HWND window);

    HWND GetSafeHwnd() const { return m_hWnd; }

    // Whether command `id` can run now, as its map says (see
    // MapCommandEnabled); true when the map says nothing of it.
    bool IsCommandEnabled(UINT id);

    // Attaches to an existing window and routes its messages through this
    // object. PreSubclassWindow runs first, while the window still has its
    // own procedure. False when already attached or the window is unknown.
    bool SubclassWindow(HWND window);
    bool SubclassDlgItem(int id, const CWnd& parent);
    // Gives the window its own procedure back and forgets it.
    void UnsubclassWindow();
    // Creates a window that this object owns.
    bool CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y, int width,
                  int height, HWND parent, HMENU menuOrId);
    bool DestroyWindow();

    // Called for messages that the dialog manager filters (every message a
    // modal dialog's loop or IsDialogMessage handles), for the target window
    // and then each parent up to the top-level window. True stops the
    // message there.
    virtual BOOL PreTranslateMessage(MSG* message);
    // Runs PreTranslateMessage of the message's window and its parents.
    static bool WalkPreTranslateTree(MSG* message);

    // The default answer to a control-colour query: the control's own answer
    // when it maps its reflected colour query, otherwise the system's.
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlType);

    int GetDlgCtrlID() const;
    HWND GetParent() const;
    HWND GetDlgItem(int id) const;
    bool SetWindowText(const char* text);
    std::string GetWindowText() const;
    bool ShowWindow(int command);
    bool EnableWindow(bool enable);
    bool IsWindowEnabled() const;
    bool IsWindowVisible() const;
    bool Invalidate(bool erase = true);
    bool InvalidateRect(const RECT* rect, bool erase = true);
    bool UpdateWindow();
    bool RedrawWindow(const RECT* rect, HRGN region, UINT flags);
    void SetFont(HFONT font, bool redraw = true);
    HFONT GetFont() const;
    DWORD GetStyle() const;
    bool ModifyStyle(DWORD remove, DWORD add);
    bool GetClientRect(RECT* rect) const;
    bool GetWindowRect(RECT* rect) const;
    bool SetWindowPos(HWND insertAfter, int x, int y, int width, int height, UINT flags);
    HICON SetIcon(HICON icon, bool big);
    HMENU GetSystemMenu(bool revert) const;
    HWND SetFocus();
    HWND SetCapture();
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    bool PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // A message box owned by this window, through the replaceable handler.
    int MessageBox(const char* text, const char* caption, UINT type = MB_OK) const;

protected:
    // Runs once, when the object is attached to its window.
    virtual void PreSubclassWindow() {}
    // Handles one message: maps, reflection, defaults (see the top of the file).
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // In a handler: runs the default processing of the message being handled
    // now and returns its result, so that a handler can build on the
    // system's answer or add its work before or after the system's. The
    // handler's own return value stays the message's result; the default
    // processing is not run again afterwards. Outside a handler: 0.
    LRESULT Default();
    // The window's default processing of a message: the procedure that was
    // there before the object subclassed the window; for a dialog, the
    // dialog manager's (what a dialog procedure gets by returning FALSE).
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Searches the maps; true when a handler or a reflecting control took the
    // message, with its result.
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // A notification, colour query or draw request of this control, handed
    // back by its parent. True when this control handled it.
    virtual bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    static const MessageMap* ThisMessageMap();
    virtual const MessageMap* GetMessageMap() const { return ThisMessageMap(); }

    // For CDialog, which binds its window itself.
    void BindHandle(HWND window);
    void UnbindHandle();

    // Messages being handled, innermost last, for Default().
    struct CurrentMessage {
        CurrentMessage(CWnd& window, UINT message, WPARAM wParam, LPARAM lParam);
        ~CurrentMessage();
        CurrentMessage(const CurrentMessage&) = delete;
        CurrentMessage& operator=(const CurrentMessage&) = delete;
        CWnd& m_window;
        MSG m_saved;
    };

    HWND m_hWnd = nullptr;
    MSG m_currentMsg{};

private:
    const MessageMapEntry* FindEntry(UINT message, WPARAM wParam, LPARAM lParam, bool reflected) const;
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_superProc = nullptr;
    bool m_ownsWindow = false;
};

namespace detail {
// Inside a catch block of a window procedure or hook: writes the exception
// being handled to the debugger output, with the number of the message whose
// handler threw and, for a std::exception, its what().
void LogHandlerException(UINT message) noexcept;

// The message-filter hook that calls PreTranslateMessage is installed while
// at least one framework dialog exists (user-interface thread only).
void RetainPreTranslateHook();
void ReleasePreTranslateHook();
} // namespace detail

inline bool IsCtlColorMessage(UINT message) { return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC; }

} // namespace corvane
