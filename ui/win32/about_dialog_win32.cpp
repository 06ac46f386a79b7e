#include "ui/win32/about_dialog_win32.h"

#include "res/resource.h"

#include <iterator>

namespace corvane {

const char* const kProductPageUrl = "https://www.example.com/Corvane.php";
const char* const kLatestVersionTip = "Click here to get the latest version of Corvane";

namespace {

// A static control of the template that shows a bitmap resource.
bool IsPictureControl(HWND control) {
    char className[16] = {};
    ::GetClassNameA(control, className, sizeof className);
    return ::lstrcmpiA(className, "Static") == 0 && (::GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
}

} // namespace

CAboutDlg::CAboutDlg() : CShadedDialog(IDD_ABOUTBOX, nullptr) {}

const MessageMap* CAboutDlg::ThisMessageMap() {
    static const MessageMapEntry entries[] = {
        MapVoidMessage<&CAboutDlg::OnDestroy>(WM_DESTROY),
        MapCtlColor<&CAboutDlg::OnCtlColor>(),
    };
    static const MessageMap map{&CShadedDialog::ThisMessageMap, entries, std::size(entries)};
    return &map;
}

void CAboutDlg::DoDataExchange(CDataExchange* pDX) {
    CShadedDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ABOUT_WEB_LINK, m_linkWeb);
}

BOOL CAboutDlg::OnInitDialog() {
    CShadedDialog::OnInitDialog();

    m_fontTitle.CreateFont(ScaleToSystemDpi(16), 0, 0, 0, 600, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 0, "Times New Roman");
    ::SendMessageA(GetDlgItem(IDC_ABOUT_TITLE), WM_SETFONT, reinterpret_cast<WPARAM>(m_fontTitle.GetSafeHandle()),
                   TRUE);

    m_linkWeb.SetLinkUrl(kProductPageUrl);
    m_linkWeb.SetLinkColor(RGB(0, 0, 102));
    m_linkWeb.SetToolTipEnabled(true);
    m_linkWeb.SetToolTipText(kLatestVersionTip);
    return TRUE;
}

void CAboutDlg::OnDestroy() {
    // The picture controls load their bitmaps from the template, and not
    // every system deletes them with the control (Wine does not): each About
    // box would leave its pictures behind. A bitmap taken out of its control
    // is the taker's to delete.
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!IsPictureControl(child)) continue;
        CBitmap picture;
        picture.Attach(reinterpret_cast<HBITMAP>(::SendMessageA(child, STM_SETIMAGE, IMAGE_BITMAP, 0)));
    }
    Default();
}

bool CAboutDlg::IsTransparentLabel(int controlId) const {
    switch (controlId) {
    case IDC_ABOUT_TITLE:
    case IDC_ABOUT_SLOGAN:
    case IDC_ABOUT_WEB_LINK:
    case IDC_ABOUT_CREDIT:
    case IDC_ABOUT_PARTNER_CAPTION:
    case IDC_ABOUT_LEGAL: return true;
    default: return false;
    }
}

HBRUSH CAboutDlg::OnCtlColor(HDC dc, HWND control, UINT ctlType) {
    const HBRUSH brush = CShadedDialog::OnCtlColor(dc, control, ctlType);
    if (::GetDlgCtrlID(control) == IDC_ABOUT_TITLE) ::SetTextColor(dc, RGB(0, 0, 255));
    return brush;
}

} // namespace corvane
