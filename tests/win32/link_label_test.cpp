// The link label on a live dialog, driven with real mouse messages: attach,
// colours and pixels, hover tracking with capture, clicks in both modes,
// tooltip texts and the relay of mouse messages to the tooltip.

#include "controls/win32/link_label_win32.h"
#include "res/resource.h"
#include "tests/support/fake_platform_win32.h"
#include "tests/win32/framework_test_dialog.h"
#include "tests/win32/framework_test_support.h"
#include "ui/win32/corvane_dialog_win32.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <utility>

namespace corvane {
namespace testing {
namespace {

struct ToolRecord {
    HWND tooltip = nullptr;
    TOOLINFOA info{};
    std::string text;
};

struct ToolSearch {
    HWND label;
    ToolRecord found;
};

BOOL CALLBACK MatchToolOfLabel(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<ToolSearch*>(context);
    char className[64] = {};
    ::GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, TOOLTIPS_CLASSA) != 0) return TRUE;
    char text[256] = {};
    TOOLINFOA info{};
    info.cbSize = kToolInfoSize;
    info.lpszText = text;
    if (!::SendMessageA(window, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&info)) || info.hwnd != search.label)
        return TRUE;
    search.found.tooltip = window;
    search.found.info = info;
    search.found.text = text;
    return FALSE;
}

// The tooltip window that holds a tool for the label (the label keeps its
// tooltip to itself), with that tool.
ToolRecord FindToolFor(HWND label) {
    ToolSearch search{label, {}};
    ::EnumThreadWindows(::GetCurrentThreadId(), &MatchToolOfLabel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ToolText(HWND label) { return FindToolFor(label).text; }

class LinkLabel : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ShowTestDialog(dialog));
        web = dialog.m_linkWeb.GetSafeHwnd();
        about = dialog.m_linkAbout.GetSafeHwnd();
        ::GetClientRect(web, &webClient);
    }
    void TearDown() override {
        ::ReleaseCapture();
        dialog.DestroyWindow();
        PumpMessages(nullptr);
    }

    static void Move(HWND label, int x, int y) { ::SendMessageA(label, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
    static void Click(HWND label) {
        ::SendMessageA(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        ::SendMessageA(label, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    }
    COLORREF TextColourAnswered(HWND label) {
        HDC dc = ::CreateCompatibleDC(nullptr);
        const LRESULT brush = ::SendMessageA(dialog.GetSafeHwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                             reinterpret_cast<LPARAM>(label));
        const COLORREF color = ::GetTextColor(dc);
        lastBkMode = ::GetBkMode(dc);
        lastBrush = reinterpret_cast<HBRUSH>(brush);
        ::DeleteDC(dc);
        return color;
    }

    TestDialog dialog;
    HWND web = nullptr;
    HWND about = nullptr;
    RECT webClient{};
    int lastBkMode = 0;
    HBRUSH lastBrush = nullptr;
};

TEST_F(LinkLabel, AttachingMakesANotifyingUnderlinedLinkWithHandCursorAndAnEmptyHiddenTip) {
    EXPECT_TRUE(::GetWindowLongA(web, GWL_STYLE) & SS_NOTIFY);
    EXPECT_FALSE(::GetWindowLongA(dialog.GetDlgItem(IDC_TEST_PLAIN_LABEL), GWL_STYLE) & SS_NOTIFY);

    LOGFONTA linkFont{}, dialogFont{};
    ASSERT_TRUE(::GetObjectA(dialog.m_linkWeb.GetFont(), sizeof linkFont, &linkFont));
    ASSERT_TRUE(::GetObjectA(dialog.GetFont(), sizeof dialogFont, &dialogFont));
    EXPECT_TRUE(linkFont.lfUnderline);
    EXPECT_FALSE(dialogFont.lfUnderline);
    EXPECT_EQ(linkFont.lfHeight, dialogFont.lfHeight);
    EXPECT_STREQ(linkFont.lfFaceName, dialogFont.lfFaceName);
    EXPECT_NE(dialog.m_linkWeb.GetFont(), dialog.m_linkAbout.GetFont()) << "each label owns its font";

    // The cursor the label sets over itself.
    ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));
    EXPECT_EQ(::SendMessageA(web, WM_SETCURSOR, reinterpret_cast<WPARAM>(web), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    EXPECT_EQ(::GetCursor(), ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));

    const ToolRecord tool = FindToolFor(web);
    ASSERT_NE(tool.tooltip, nullptr);
    EXPECT_EQ(tool.info.uId, CLinkLabel::kToolId);
    EXPECT_EQ(tool.info.uFlags, 0u);
    EXPECT_TRUE(::EqualRect(&tool.info.rect, &webClient));
    EXPECT_EQ(tool.text, "");
    EXPECT_EQ(::SendMessageA(tool.tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_TRUE(::GetWindowLongA(tool.tooltip, GWL_STYLE) & TTS_ALWAYSTIP);
    EXPECT_TRUE(::GetWindowLongA(tool.tooltip, GWL_STYLE) & WS_POPUP);
    EXPECT_FALSE(HasVisibleStyle(tool.tooltip));
    EXPECT_NE(FindToolFor(about).tooltip, tool.tooltip);
}

TEST_F(LinkLabel, TooltipTextChangesOnlyOnceEnabled) {
    dialog.m_linkAbout.SetToolTipText("Not shown");
    EXPECT_EQ(ToolText(about), "");
    dialog.m_linkWeb.SetToolTipEnabled(true);
    dialog.m_linkWeb.SetToolTipText("Click here to get the latest version of Corvane");
    EXPECT_EQ(ToolText(web), "Click here to get the latest version of Corvane");
    dialog.m_linkWeb.SetToolTipEnabled(false);
    dialog.m_linkWeb.SetToolTipText("Later");
    EXPECT_EQ(ToolText(web), "Click here to get the latest version of Corvane");
}

TEST_F(LinkLabel, ColoursAreTheLinkColourAndTheHoverColourOnNoBackground) {
    EXPECT_EQ(TextColourAnswered(web), RGB(180, 180, 180));
    EXPECT_EQ(lastBkMode, TRANSPARENT);
    EXPECT_EQ(lastBrush, static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)));

    Move(web, 1, 1);
    EXPECT_EQ(TextColourAnswered(web), RGB(255, 99, 0));
    EXPECT_EQ(TextColourAnswered(about), RGB(180, 180, 180)) << "only the hovered label";

    dialog.m_linkWeb.SetLinkColor(RGB(0, 0, 102));
    EXPECT_EQ(TextColourAnswered(web), RGB(255, 99, 0)) << "hover wins over the link colour";
    Move(web, webClient.right + 5, 1);
    EXPECT_EQ(TextColourAnswered(web), RGB(0, 0, 102));
}

TEST_F(LinkLabel, PrintedTextShowsInTheStateColourOverTheParentsBackground) {
    const COLORREF background = RGB(10, 200, 30);
    const Pixels normal = PrintClient(web, background);
    EXPECT_GT(normal.Count(RGB(180, 180, 180)), 20) << "underline and strokes in the link colour";
    EXPECT_EQ(normal.Count(RGB(255, 99, 0)), 0);
    EXPECT_EQ(normal.At(normal.width - 1, 0), background) << "no background of its own";
    EXPECT_GT(normal.Count(background), normal.width * normal.height / 2);

    Move(web, 2, 2);
    const Pixels hover = PrintClient(web, background);
    EXPECT_GT(hover.Count(RGB(255, 99, 0)), 20);
    EXPECT_EQ(hover.Count(RGB(180, 180, 180)), 0);
    EXPECT_EQ(hover.At(hover.width - 1, 0), background);
    normal.SaveBmp(OutputPath("link_label_normal_print.bmp"));
    hover.SaveBmp(OutputPath("link_label_hover_print.bmp"));
}

TEST_F(LinkLabel, HoverRedrawsOnceOnEntryOnceOnLeavingAndHoldsTheCapture) {
    PumpMessages(dialog.GetSafeHwnd());
    const int before = dialog.m_linkWeb.paints;
    Move(web, 4, 4);
    EXPECT_EQ(dialog.m_linkWeb.paints, before + 1) << "redrawn at once on entry";
    EXPECT_EQ(::GetCapture(), web);
    Move(web, 6, 5);
    Move(web, webClient.right - 1, webClient.bottom - 1);
    EXPECT_EQ(dialog.m_linkWeb.paints, before + 1) << "moves within redraw nothing";
    EXPECT_EQ(::GetCapture(), web);

    Move(web, webClient.right, 2); // the right edge is outside
    EXPECT_EQ(dialog.m_linkWeb.paints, before + 2);
    EXPECT_NE(::GetCapture(), web);
    EXPECT_EQ(TextColourAnswered(web), RGB(180, 180, 180));

    Move(web, 2, 2);
    EXPECT_EQ(::GetCapture(), web);
    Move(web, 2, webClient.bottom); // so is the bottom edge
    EXPECT_NE(::GetCapture(), web);
    Move(web, -1, 2);
    EXPECT_EQ(dialog.m_linkWeb.paints, before + 5) << "a move from outside is an entry again";
    Move(web, 2, -1);
    EXPECT_EQ(dialog.m_linkWeb.paints, before + 6);
    EXPECT_NE(::GetCapture(), web);
}

TEST_F(LinkLabel, NotifyParentModeSendsTheIdToTheParentAndNeverCallsTheShell) {
    ShellRecorder shell;
    dialog.m_linkAbout.SetLinkUrl("http://www.example.com/Corvane.php");
    dialog.m_linkAbout.SetNotifyParent(true);
    ::ValidateRect(about, nullptr);
    Click(about);
    ASSERT_EQ(dialog.hyperlinkClicks.size(), 1u);
    EXPECT_EQ(dialog.hyperlinkClicks[0].first, static_cast<WPARAM>(IDC_TEST_ABOUT_LINK));
    EXPECT_EQ(dialog.hyperlinkClicks[0].second, 0);
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_NE(::GetCapture(), about) << "no capture after notifying";
    RECT update{};
    EXPECT_TRUE(::GetUpdateRect(about, &update, FALSE)) << "the label invalidates itself";
    EXPECT_EQ(TextColourAnswered(about), RGB(180, 180, 180)) << "a clicked label keeps the link colour";

    ::SendMessageA(about, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 3));
    EXPECT_EQ(dialog.hyperlinkClicks.size(), 1u) << "double clicks are not handled";
}

TEST_F(LinkLabel, ClickOpensTheLinkMinimizedThroughTheShellAndTakesTheCapture) {
    ShellRecorder shell;
    dialog.m_linkWeb.SetLinkUrl("http://www.example.com/Corvane.php");
    ::ReleaseCapture();
    Click(web);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].owner, nullptr);
    EXPECT_EQ(shell.calls[0].verb, "open");
    EXPECT_EQ(shell.calls[0].file, "http://www.example.com/Corvane.php");
    EXPECT_FALSE(shell.calls[0].hasParameters);
    EXPECT_FALSE(shell.calls[0].hasDirectory);
    EXPECT_EQ(shell.calls[0].show, SW_SHOWMINIMIZED);
    EXPECT_EQ(::GetCapture(), web);
    EXPECT_TRUE(dialog.hyperlinkClicks.empty());

    dialog.m_linkWeb.SetLinkUrl("");
    ::SendMessageA(web, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(shell.calls[1].file, "") << "an empty target is handed over as it is";
}

TEST_F(LinkLabel, TheLabelTakingTheCaptureItHoldsKeepsTheHover) {
    ShellRecorder shell;
    ::ReleaseCapture();
    Click(web); // takes the capture after the shell call, not hovering
    ASSERT_EQ(::GetCapture(), web);
    Move(web, 3, 3);
    EXPECT_EQ(TextColourAnswered(web), RGB(255, 99, 0)) << "entered while holding the capture";
    Click(web);
    EXPECT_EQ(::GetCapture(), web);
    EXPECT_EQ(TextColourAnswered(web), RGB(255, 99, 0)) << "clicked while hovering";
}

TEST_F(LinkLabel, AShellThatTakesThePointerLeavesTheHoverToEndWhenThePointerMovesOff) {
    // What the shell shows or starts may take the capture while it runs; the
    // label takes it back afterwards and keeps hovering.
    ShellExecuteHandler previous =
        SetShellExecuteHandler([this](HWND, const char*, const char*, const char*, const char*, int) {
            ::SetCapture(dialog.GetSafeHwnd());
            return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
        });
    Move(web, 3, 3);
    Click(web);
    SetShellExecuteHandler(std::move(previous));
    EXPECT_EQ(::GetCapture(), web);
    EXPECT_EQ(TextColourAnswered(web), RGB(255, 99, 0));

    const int before = dialog.m_linkWeb.paints;
    Move(web, webClient.right + 5, 2);
    EXPECT_EQ(dialog.m_linkWeb.paints, before + 1) << "left once, redrawn once";
    EXPECT_NE(::GetCapture(), web);
    EXPECT_EQ(TextColourAnswered(web), RGB(180, 180, 180));
}

TEST_F(LinkLabel, MouseMovesThroughTheDialogLoopReachTheTooltip) {
    dialog.m_linkWeb.SetToolTipEnabled(true);
    dialog.m_linkWeb.SetToolTipText("Click here to get the latest version of Corvane");
    const HWND tooltip = FindToolFor(web).tooltip;
    ASSERT_NE(tooltip, nullptr);
    ::SendMessageA(tooltip, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(10, 0));

    POINT centre{webClient.right / 2, webClient.bottom / 2};
    ::ClientToScreen(web, &centre);
    ::SetCursorPos(centre.x, centre.y);
    PumpMessagesFor(dialog.GetSafeHwnd(), 50);
    const int before = dialog.m_linkWeb.preTranslatedMoves;
    POINT client{webClient.right / 2, webClient.bottom / 2};
    ::PostMessageA(web, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
    bool shown = false;
    for (int i = 0; i < 100 && !shown; ++i) {
        PumpMessagesFor(dialog.GetSafeHwnd(), 10);
        shown = HasVisibleStyle(tooltip);
    }
    EXPECT_GT(dialog.m_linkWeb.preTranslatedMoves, before);
    EXPECT_TRUE(shown) << "the relayed move starts the tip";
    if (shown) CaptureScreen(tooltip).SaveBmp(OutputPath("link_label_tooltip.bmp"));
    ::SetCursorPos(1200, 1000);
}

TEST_F(LinkLabel, TheRealPointerHoversAndLeavesThroughTheCapture) {
    POINT inside{5, 5};
    ::ClientToScreen(web, &inside);
    ::SetCursorPos(inside.x, inside.y);
    for (int i = 0; i < 50 && ::GetCapture() != web; ++i)
        PumpMessagesFor(dialog.GetSafeHwnd(), 10);
    EXPECT_EQ(::GetCapture(), web) << "the pointer's own move made the label hover";
    EXPECT_EQ(TextColourAnswered(web), RGB(255, 99, 0));

    // Far off the label and the dialog: only the capture brings the move.
    ::SetCursorPos(1200, 1000);
    for (int i = 0; i < 50 && ::GetCapture() == web; ++i)
        PumpMessagesFor(dialog.GetSafeHwnd(), 10);
    EXPECT_NE(::GetCapture(), web);
    EXPECT_EQ(TextColourAnswered(web), RGB(180, 180, 180));
}

TEST_F(LinkLabel, ScreenshotsOfNormalAndHoverStates) {
    dialog.m_linkAbout.SetNotifyParent(true);
    dialog.Invalidate(true);
    dialog.UpdateWindow();
    PumpMessages(dialog.GetSafeHwnd());
    const Pixels normal = CaptureScreen(dialog.GetSafeHwnd());
    EXPECT_GT(normal.Count(RGB(180, 180, 180)), 40);
    EXPECT_GT(normal.Count(TestDialog::kBackground), 1000) << "the dialog's own background shows";
    EXPECT_TRUE(normal.SaveBmp(OutputPath("link_labels_normal.bmp")));

    Move(web, 3, 3);
    PumpMessages(dialog.GetSafeHwnd());
    const Pixels hover = CaptureScreen(dialog.GetSafeHwnd());
    EXPECT_GT(hover.Count(RGB(255, 99, 0)), 20);
    EXPECT_TRUE(hover.SaveBmp(OutputPath("link_labels_hover.bmp")));
}

TEST(LinkLabelLife, TheLabelReleasesItsFontAndTooltip) {
    HGDIOBJ font = nullptr;
    HWND tooltip = nullptr;
    {
        TestDialog dialog;
        ASSERT_TRUE(dialog.Create());
        font = dialog.m_linkWeb.GetFont();
        tooltip = FindToolFor(dialog.m_linkWeb.GetSafeHwnd()).tooltip;
        ASSERT_EQ(::GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
        ASSERT_TRUE(::IsWindow(tooltip));
        dialog.DestroyWindow();
    }
    EXPECT_EQ(::GetObjectType(font), 0u);
    EXPECT_FALSE(::IsWindow(tooltip));

    // Objects that go while the dialog still stands.
    {
        TestDialog dialog;
        ASSERT_TRUE(dialog.Create());
        font = dialog.m_linkAbout.GetFont();
        tooltip = FindToolFor(dialog.m_linkAbout.GetSafeHwnd()).tooltip;
    }
    EXPECT_EQ(::GetObjectType(font), 0u);
    EXPECT_FALSE(::IsWindow(tooltip));
}

// The colour that the label's dialog gives it for drawing its text.
COLORREF TextColourOf(HWND label) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    ::SendMessageA(::GetParent(label), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(label));
    const COLORREF color = ::GetTextColor(dc);
    ::DeleteDC(dc);
    return color;
}

TEST(LinkLabelOfTheMainDialog, HoverEndsWhenTheAboutBoxThatItsClickOpenedTakesThePointer) {
    FakePlatform platform;
    platform.processes.processes = {{4, "System"}, {1234, "notepad.exe"}};
    MessageBoxRecorder boxes(IDOK);
    CCorvaneDlg mainDialog(platform);
    ASSERT_TRUE(ShowTestDialog(mainDialog));
    const HWND main = mainDialog.GetSafeHwnd();
    const HWND about = mainDialog.GetDlgItem(IDC_ABOUT_LINK);
    RECT client{};
    ::GetClientRect(about, &client);

    POINT inside{client.right / 2, client.bottom / 2};
    ::ClientToScreen(about, &inside);
    ::SetCursorPos(inside.x, inside.y);
    for (int i = 0; i < 50 && ::GetCapture() != about; ++i)
        PumpMessagesFor(main, 10);
    ASSERT_EQ(::GetCapture(), about) << "the pointer's own move made the label hover";
    ASSERT_EQ(TextColourOf(about), RGB(255, 99, 0));

    // A real click: the label notifies the main dialog, whose About box runs
    // modally, takes the pointer and closes again.
    DialogCloser closer("About Corvane");
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(::SendInput(2, click, sizeof click[0]), 2u);
    for (int i = 0; i < 100 && closer.closed() == 0; ++i)
        PumpMessagesFor(main, 10);
    ASSERT_EQ(closer.closed(), 1) << "the click opened the About box";

    ::SetCursorPos(1200, 1000);
    PumpMessagesFor(main, 100);
    EXPECT_NE(::GetCapture(), about);
    EXPECT_EQ(TextColourOf(about), RGB(180, 180, 180));
    const Pixels shown = CaptureScreen(about);
    EXPECT_EQ(shown.Count(RGB(255, 99, 0)), 0) << "no text left in the hover colour";
    EXPECT_GT(shown.Count(RGB(180, 180, 180)), 20);
    shown.SaveBmp(OutputPath("about_link_after_about_box.bmp"));
    mainDialog.DestroyWindow();
}

} // namespace
} // namespace testing
} // namespace corvane
