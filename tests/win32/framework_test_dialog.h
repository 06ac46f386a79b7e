#pragma once

// The test dialog's class: binds its controls in a fixed order that differs
// from the template's, records what reaches its handlers, and paints a dark
// background so that transparent labels show as such.

#include "controls/win32/link_label_win32.h"
#include "framework/controls_win32.h"
#include "framework/dialog_win32.h"
#include "tests/win32/framework_test_resource.h"

#include <vector>

namespace corvane {
namespace testing {

// Records the order in which controls are attached.
template <class Control> class Recorded : public Control {
public:
    explicit Recorded(std::vector<int>* order = nullptr) : m_order(order) {}

protected:
    void PreSubclassWindow() override {
        if (m_order) m_order->push_back(this->GetDlgCtrlID());
        Control::PreSubclassWindow();
    }

private:
    std::vector<int>* m_order; // not owned
};

// A link label that counts its paints and the mouse moves offered to its
// PreTranslateMessage.
class CountingLinkLabel : public Recorded<CLinkLabel> {
public:
    using Recorded<CLinkLabel>::Recorded;
    BOOL PreTranslateMessage(MSG* message) override;

    int paints = 0;
    int preTranslatedMoves = 0;

protected:
    void OnPaint();
    static const MessageMap* ThisMessageMap();
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }
};

// An owner-drawn button that handles its own click and a notification of
// its own, and fills itself with one colour.
class SelfDrawnButton : public Recorded<CButton> {
public:
    using Recorded<CButton>::Recorded;
    static constexpr COLORREF kFace = RGB(200, 0, 0);
    static constexpr UINT kOwnNotification = 0xFFFFF000; // a private WM_NOTIFY code

    void DrawItem(DRAWITEMSTRUCT* item) override;

    int clicks = 0;
    int draws = 0;
    DRAWITEMSTRUCT lastItem{};

protected:
    void PreSubclassWindow() override;
    void OnClicked();
    void OnOwnNotification(NMHDR* header, LRESULT* result);
    static const MessageMap* ThisMessageMap();
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }
};

class TestDialog : public CDialog {
public:
    static constexpr COLORREF kBackground = RGB(28, 44, 72);
    static constexpr UINT kSumMessage = WM_APP + 1;       // answers wParam * 1000 + lParam
    static constexpr UINT kTestNotification = 0xFFFFF100; // a private WM_NOTIFY code
    static constexpr UINT_PTR kTestNotificationResult = 0x1234;

    TestDialog();

    std::vector<int> bindOrder;
    Recorded<CButton> m_push{&bindOrder};
    Recorded<CButton> m_check{&bindOrder};
    Recorded<CButton> m_radioFirst{&bindOrder};
    Recorded<CButton> m_radioSecond{&bindOrder};
    Recorded<CButton> m_pushLike{&bindOrder};
    SelfDrawnButton m_drawn{&bindOrder};
    Recorded<CEdit> m_edit{&bindOrder};
    Recorded<CStatic> m_plainLabel{&bindOrder};
    CountingLinkLabel m_linkWeb{&bindOrder};
    CountingLinkLabel m_linkAbout{&bindOrder};

    // What reached the handlers.
    int initDialogCalls = 0;
    int pushClicks = 0;
    int drawnClicksSeenByDialog = 0;
    int editChanges = 0;
    std::vector<std::pair<WPARAM, LPARAM>> hyperlinkClicks;
    HBRUSH lastDefaultCtlColor = nullptr;

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    void OnPaint();
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlType);
    LRESULT OnHyperlinkClicked(WPARAM wParam, LPARAM lParam);
    LRESULT OnSum(WPARAM wParam, LPARAM lParam);
    void OnPushClicked();
    void OnDrawnClicked();
    void OnEditChange();
    void OnTestNotification(NMHDR* header, LRESULT* result);

    static const MessageMap* ThisMessageMap();
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }
};

// The order in which TestDialog::DoDataExchange binds its controls.
std::vector<int> TestDialogBindOrder();

} // namespace testing
} // namespace corvane
