#pragma once

// Turns a window's redraw off for a fill and back on afterwards: a visible
// list that repaints after every row takes milliseconds per row.

#include "framework/window_win32.h"

namespace corvane {

class RedrawSuspended {
public:
    explicit RedrawSuspended(CWnd& window) : m_window(window) { m_window.SendMessage(WM_SETREDRAW, FALSE); }
    ~RedrawSuspended() {
        m_window.SendMessage(WM_SETREDRAW, TRUE);
        m_window.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    RedrawSuspended(const RedrawSuspended&) = delete;
    RedrawSuspended& operator=(const RedrawSuspended&) = delete;

private:
    CWnd& m_window; // not owned; outlives the fill
};

} // namespace corvane
