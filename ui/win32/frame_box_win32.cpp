#include "ui/win32/frame_box_win32.h"

#include "framework/gdi_win32.h"

namespace corvane {

int CFrameBox::TitleHeight() { return 2 * ::GetSystemMetrics(SM_CYMENUSIZE) / 3 + 4; }

void CFrameBox::PrintTitle() {
    RECT client = {};
    GetClientRect(&client);
    CClientDC dc(m_hWnd);
    ::IntersectClipRect(dc, client.left, client.top, client.right, client.top + TitleHeight());
    SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), PRF_CLIENT);
}

void CFrameBox::SetTitleNow(const std::string& title) {
    const std::size_t previousLength = GetWindowText().size();
    SetWindowText(title.c_str());
    // The title is drawn on its own opaque background, so a title at least
    // as long as the last one simply covers it; a shorter one needs the
    // dialog's background repainted behind the old text.
    if (title.size() >= previousLength) {
        PrintTitle();
    } else {
        const HWND dialog = ::GetParent(m_hWnd);
        RECT strip = {};
        GetWindowRect(&strip);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&strip), 2);
        strip.bottom = strip.top + TitleHeight();
        ::RedrawWindow(dialog, &strip, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    ShowDrawingNow();
}

void ShowDrawingNow() {
    // Windows shows what was drawn at once; some implementations keep it off
    // the screen until the thread next waits for its message queue (Wine 8.0
    // already when it asks about the queue, Wine 10.0 only when it waits). A
    // wait that times out at once takes and handles nothing, not even a
    // message sent from another thread.
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
}

} // namespace corvane
