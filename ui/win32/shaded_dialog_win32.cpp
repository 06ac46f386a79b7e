#include "ui/win32/shaded_dialog_win32.h"

#include "controls/shade.h"

#include <iterator>
#include <map>

namespace corvane {

namespace {

// The dialogs of one template share one background.
CShadedBackgroundCache& BackgroundOf(UINT templateId) {
    static std::map<UINT, CShadedBackgroundCache> caches;
    return caches[templateId];
}

} // namespace

CShadedDialog::CShadedDialog(UINT templateId, CWnd* parent)
    : CDialog(templateId, parent), m_background(BackgroundOf(templateId)) {}

const MessageMap* CShadedDialog::ThisMessageMap() {
    static const MessageMapEntry entries[] = {
        MapCtlColor<&CShadedDialog::OnCtlColor>(),
    };
    static const MessageMap map{&CDialog::ThisMessageMap, entries, std::size(entries)};
    return &map;
}

void CShadedDialog::PaintBackground(CPaintDC& dc) {
    RECT client = {};
    GetClientRect(&client);
    m_background.Paint(dc, dc.m_ps.rcPaint, client.right - client.left, client.bottom - client.top, m_dibBackground,
                       ShadeCrossCurve, kShadeTint);
}

HBRUSH CShadedDialog::OnCtlColor(HDC dc, HWND control, UINT ctlType) {
    HBRUSH brush = CWnd::OnCtlColor(dc, control, ctlType);
    if (IsTransparentLabel(::GetDlgCtrlID(control))) {
        ::SetBkMode(dc, TRANSPARENT);
        brush = static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    }
    return brush;
}

} // namespace corvane
