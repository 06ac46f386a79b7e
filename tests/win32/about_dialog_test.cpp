#include "ui/win32/about_dialog_win32.h"

#include "controls/runtime_random.h"
#include "res/resource.h"
#include "tests/support/fake_platform_win32.h"
#include "tests/win32/framework_test_support.h"
#include "ui/win32/corvane_dialog_win32.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>

namespace corvane {
namespace {

using testing::GdiObjects;
using testing::MessageBoxRecorder;
using testing::PrintClient;
using testing::PrivateMemory;
using testing::PumpMessages;
using testing::ShellRecorder;
using testing::ShowTestDialog;
using testing::WindowText;

class ShownAbout {
public:
    ShownAbout() { EXPECT_TRUE(ShowTestDialog(dialog)); }
    ~ShownAbout() { dialog.DestroyWindow(); }
    HWND hwnd() const { return dialog.GetSafeHwnd(); }
    HWND item(int id) const { return ::GetDlgItem(hwnd(), id); }

    // What the dialog answers to a static control's colour query.
    struct Colours {
        HBRUSH brush;
        COLORREF text;
        int mode;
    };
    Colours AskColours(int id) const {
        HDC dc = ::CreateCompatibleDC(nullptr);
        ::SetTextColor(dc, RGB(1, 2, 3));
        ::SetBkMode(dc, OPAQUE);
        auto brush = reinterpret_cast<HBRUSH>(::SendMessageA(hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                             reinterpret_cast<LPARAM>(item(id))));
        Colours colours{brush, ::GetTextColor(dc), ::GetBkMode(dc)};
        ::DeleteDC(dc);
        return colours;
    }

    CAboutDlg dialog;
};

TEST(AboutBox, ShowsItsLinesAndTitleFont) {
    ShownAbout about;
    ASSERT_NE(about.hwnd(), nullptr);
    EXPECT_EQ(WindowText(about.hwnd()), "About Corvane");
    EXPECT_EQ(WindowText(about.item(IDC_ABOUT_TITLE)), "Corvane 3.0");
    EXPECT_EQ(WindowText(about.item(IDC_ABOUT_PARTNER_CAPTION)), "In association with...");
    EXPECT_EQ(WindowText(about.item(IDC_ABOUT_SLOGAN)), "Scan process heaps faster than ever...");

    LOGFONTA font = {};
    auto titleFont = reinterpret_cast<HFONT>(::SendMessageA(about.item(IDC_ABOUT_TITLE), WM_GETFONT, 0, 0));
    ASSERT_NE(titleFont, nullptr);
    ASSERT_NE(::GetObjectA(titleFont, sizeof font, &font), 0);
    EXPECT_STREQ(font.lfFaceName, "Times New Roman");
    EXPECT_EQ(font.lfHeight, 16);
    EXPECT_EQ(font.lfWeight, 600);
    EXPECT_FALSE(font.lfItalic || font.lfUnderline || font.lfStrikeOut);

    // The link keeps the underlined dialog font it made when it was bound.
    auto linkFont = reinterpret_cast<HFONT>(::SendMessageA(about.item(IDC_ABOUT_WEB_LINK), WM_GETFONT, 0, 0));
    ASSERT_NE(::GetObjectA(linkFont, sizeof font, &font), 0);
    EXPECT_TRUE(font.lfUnderline);
}

TEST(AboutBox, TextLinesDrawOnTheShadedBackground) {
    ShownAbout about;
    const HBRUSH hollow = static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    for (int id : {IDC_ABOUT_SLOGAN, IDC_ABOUT_CREDIT, IDC_ABOUT_PARTNER_CAPTION, IDC_ABOUT_LEGAL}) {
        const auto colours = about.AskColours(id);
        EXPECT_EQ(colours.brush, hollow) << id;
        EXPECT_EQ(colours.mode, TRANSPARENT) << id;
        EXPECT_EQ(colours.text, ::GetSysColor(COLOR_WINDOWTEXT)) << "default text colour kept for " << id;
    }
    const auto title = about.AskColours(IDC_ABOUT_TITLE);
    EXPECT_EQ(title.brush, hollow);
    EXPECT_EQ(title.text, RGB(0, 0, 255));
    const auto link = about.AskColours(IDC_ABOUT_WEB_LINK);
    EXPECT_EQ(link.brush, hollow);
    EXPECT_EQ(link.mode, TRANSPARENT);
    EXPECT_EQ(link.text, RGB(0, 0, 102));
}

TEST(AboutBox, LinkOpensTheProductPage) {
    ShownAbout about;
    ShellRecorder shell;
    const HWND link = about.item(IDC_ABOUT_WEB_LINK);
    ::SendMessageA(about.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_ABOUT_WEB_LINK, STN_CLICKED),
                   reinterpret_cast<LPARAM>(link));
    PumpMessages(about.hwnd());
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].verb, "open");
    EXPECT_EQ(shell.calls[0].file, "https://www.example.com/Corvane.php");
    EXPECT_EQ(shell.calls[0].show, SW_SHOWMINIMIZED);
}

// A pixel of the client area as the screen shows it.
COLORREF ScreenPixel(const testing::Pixels& screen, HWND window, POINT client) {
    RECT frame = {};
    ::GetWindowRect(window, &frame);
    ::ClientToScreen(window, &client);
    return screen.At(client.x - frame.left, client.y - frame.top);
}

TEST(AboutBox, BackgroundIsGeneratedOnceAndReused) {
    // The shade draws from the user-interface thread's generator; a second
    // About box that only copies the cached background draws nothing from it.
    COLORREF firstCorner = 0;
    RECT client = {};
    {
        ShownAbout about;
        const testing::Pixels screen = testing::CaptureScreen(about.hwnd());
        screen.SaveBmp(testing::OutputPath("about_box.bmp"));
        ::GetClientRect(about.hwnd(), &client);
        firstCorner = ScreenPixel(screen, about.hwnd(), {3, client.bottom - 3});
        // The shade is a grey-green, not the dialog's plain face colour.
        EXPECT_NE(firstCorner, ::GetSysColor(COLOR_BTNFACE));
    }
    const std::uint32_t state = ThreadRandom().State();
    ShownAbout again;
    ::InvalidateRect(again.hwnd(), nullptr, TRUE);
    ::UpdateWindow(again.hwnd());
    EXPECT_EQ(ThreadRandom().State(), state) << "the shade was generated again";
    const testing::Pixels screen = testing::CaptureScreen(again.hwnd());
    EXPECT_EQ(ScreenPixel(screen, again.hwnd(), {3, client.bottom - 3}), firstCorner);
}

TEST(AboutBox, EnterAndEscapeCloseItInItsOwnLoop) {
    for (const UINT key : {VK_RETURN, VK_ESCAPE}) {
        testing::DialogCloser presser("About Corvane", {key});
        CAboutDlg about;
        EXPECT_EQ(about.DoModal(), key == VK_RETURN ? IDOK : IDCANCEL) << "key " << key;
        EXPECT_EQ(presser.closed(), 1);
    }
}

TEST(AboutBox, OpeningAndClosingItAgainAndAgainKeepsNoMemoryOrGdiObjects) {
    testing::FakePlatform platform;
    platform.processes.processes = {{4, "System"}, {1234, "notepad.exe"}};
    MessageBoxRecorder boxes(IDOK);
    CCorvaneDlg mainDialog(platform);
    ASSERT_TRUE(ShowTestDialog(mainDialog));
    const HWND aboutLink = mainDialog.GetDlgItem(IDC_ABOUT_LINK);
    testing::DialogCloser closer("About Corvane");
    // Every other time through the system menu's About command, else through
    // a click on the About link.
    const auto openAndClose = [&](int times) {
        for (int i = 0; i < times; ++i) {
            if (i % 2 == 0) {
                ::SendMessageA(mainDialog.GetSafeHwnd(), WM_SYSCOMMAND, 0x10, 0);
            } else {
                ::SendMessageA(aboutLink, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
                ::SendMessageA(aboutLink, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
            }
            PumpMessages(mainDialog.GetSafeHwnd());
        }
    };

    // Two pictures of about 190 KiB in all would stay behind each time.
    testing::ExpectNothingAccumulates(openAndClose, 8, 40);
    ASSERT_EQ(closer.closed(), 48) << "every box opened and closed";
    mainDialog.DestroyWindow();
}

} // namespace
} // namespace corvane
