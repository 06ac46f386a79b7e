#include "tests/win32/framework_test_dialog.h"

#include "framework/gdi_win32.h"

namespace corvane {
namespace testing {

BOOL CountingLinkLabel::PreTranslateMessage(MSG* message) {
    if (message->message == WM_MOUSEMOVE) ++preTranslatedMoves;
    return Recorded<CLinkLabel>::PreTranslateMessage(message);
}

void CountingLinkLabel::OnPaint() {
    ++paints;
    Default();
}

const MessageMap* CountingLinkLabel::ThisMessageMap() {
    static const MessageMapEntry entries[] = {
        MapVoidMessage<&CountingLinkLabel::OnPaint>(WM_PAINT),
    };
    static const MessageMap map{&CLinkLabel::ThisMessageMap, entries, sizeof entries / sizeof entries[0]};
    return &map;
}

void SelfDrawnButton::PreSubclassWindow() {
    Recorded<CButton>::PreSubclassWindow();
    ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW);
}

void SelfDrawnButton::DrawItem(DRAWITEMSTRUCT* item) {
    ++draws;
    lastItem = *item;
    HBRUSH brush = ::CreateSolidBrush(kFace);
    ::FillRect(item->hDC, &item->rcItem, brush);
    ::DeleteObject(brush);
}

void SelfDrawnButton::OnClicked() { ++clicks; }

void SelfDrawnButton::OnOwnNotification(NMHDR*, LRESULT* result) { *result = 77; }

const MessageMap* SelfDrawnButton::ThisMessageMap() {
    static const MessageMapEntry entries[] = {
        MapReflectedCommand<&SelfDrawnButton::OnClicked>(BN_CLICKED),
        MapReflectedNotify<&SelfDrawnButton::OnOwnNotification>(kOwnNotification),
    };
    static const MessageMap map{&CButton::ThisMessageMap, entries, sizeof entries / sizeof entries[0]};
    return &map;
}

TestDialog::TestDialog() : CDialog(IDD_FRAMEWORK_TEST) {}

std::vector<int> TestDialogBindOrder() {
    return {IDC_TEST_ABOUT_LINK,  IDC_TEST_DRAWN,        IDC_TEST_PUSH,      IDC_TEST_CHECK,    IDC_TEST_EDIT,
            IDC_TEST_RADIO_FIRST, IDC_TEST_RADIO_SECOND, IDC_TEST_PUSH_LIKE, IDC_TEST_WEB_LINK, IDC_TEST_PLAIN_LABEL};
}

void TestDialog::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_TEST_ABOUT_LINK, m_linkAbout);
    DDX_Control(pDX, IDC_TEST_DRAWN, m_drawn);
    DDX_Control(pDX, IDC_TEST_PUSH, m_push);
    DDX_Control(pDX, IDC_TEST_CHECK, m_check);
    DDX_Control(pDX, IDC_TEST_EDIT, m_edit);
    DDX_Control(pDX, IDC_TEST_RADIO_FIRST, m_radioFirst);
    DDX_Control(pDX, IDC_TEST_RADIO_SECOND, m_radioSecond);
    DDX_Control(pDX, IDC_TEST_PUSH_LIKE, m_pushLike);
    DDX_Control(pDX, IDC_TEST_WEB_LINK, m_linkWeb);
    DDX_Control(pDX, IDC_TEST_PLAIN_LABEL, m_plainLabel);
}

BOOL TestDialog::OnInitDialog() {
    ++initDialogCalls;
    return CDialog::OnInitDialog();
}

const MessageMap* TestDialog::ThisMessageMap() {
    static const MessageMapEntry entries[] = {
        MapVoidMessage<&TestDialog::OnPaint>(WM_PAINT),
        MapCtlColor<&TestDialog::OnCtlColor>(),
        MapMessage<&TestDialog::OnHyperlinkClicked>(WM_HYPERLINK_CLICKED),
        MapMessage<&TestDialog::OnSum>(kSumMessage),
        MapCommand<&TestDialog::OnPushClicked>(IDC_TEST_PUSH, BN_CLICKED),
        MapCommand<&TestDialog::OnDrawnClicked>(IDC_TEST_DRAWN, BN_CLICKED),
        MapCommand<&TestDialog::OnEditChange>(IDC_TEST_EDIT, EN_CHANGE),
        MapNotify<&TestDialog::OnTestNotification>(IDC_TEST_PLAIN_LABEL, kTestNotification),
        MapNotify<&TestDialog::OnTestNotification>(IDC_TEST_DRAWN, SelfDrawnButton::kOwnNotification),
    };
    static const MessageMap map{&CDialog::ThisMessageMap, entries, sizeof entries / sizeof entries[0]};
    return &map;
}

void TestDialog::OnPaint() {
    CPaintDC dc(*this);
    RECT client{};
    GetClientRect(&client);
    HBRUSH brush = ::CreateSolidBrush(kBackground);
    ::FillRect(dc, &client, brush);
    ::DeleteObject(brush);
}

HBRUSH TestDialog::OnCtlColor(HDC dc, HWND control, UINT ctlType) {
    HBRUSH brush = CDialog::OnCtlColor(dc, control, ctlType);
    lastDefaultCtlColor = brush;
    if (::GetDlgCtrlID(control) == IDC_TEST_PLAIN_LABEL) {
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, RGB(255, 255, 255));
        brush = static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    }
    return brush;
}

LRESULT TestDialog::OnHyperlinkClicked(WPARAM wParam, LPARAM lParam) {
    hyperlinkClicks.emplace_back(wParam, lParam);
    return 0;
}

LRESULT TestDialog::OnSum(WPARAM wParam, LPARAM lParam) { return static_cast<LRESULT>(wParam) * 1000 + lParam; }

void TestDialog::OnPushClicked() { ++pushClicks; }
void TestDialog::OnDrawnClicked() { ++drawnClicksSeenByDialog; }
void TestDialog::OnEditChange() { ++editChanges; }

void TestDialog::OnTestNotification(NMHDR*, LRESULT* result) {
    *result = static_cast<LRESULT>(kTestNotificationResult);
}

} // namespace testing
} // namespace corvane
