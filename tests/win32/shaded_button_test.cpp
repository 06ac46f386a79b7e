// The shaded button on a live dialog, driven with real messages: kinds and
// edges read at attach time, checked states and radio groups, the mouse
// (hover, press, drag, double click), the space bar, losing the focus,
// tooltip texts, icons, and the pixels of every look.

#include "controls/win32/dib_draw_win32.h"
#include "controls/win32/shade_win32.h"
#include "controls/win32/shaded_button_win32.h"
#include "framework/dialog_win32.h"
#include "framework/gdi_win32.h"
#include "res/resource.h"
#include "tests/win32/framework_test_resource.h"
#include "tests/win32/framework_test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace corvane {
namespace testing {
namespace {

constexpr COLORREF kTint = RGB(0, 102, 0);
constexpr COLORREF kBlueText = RGB(0, 0, 255);
constexpr COLORREF kRedText = RGB(255, 0, 0);
constexpr WORD kMissingIcon = 9999;

// Reads the button's state, which the product keeps to itself.
class ShadedProbe : public CShadedButton {
public:
    using CShadedButton::HoverIcon;
    using CShadedButton::m_bBorder;
    using CShadedButton::m_bChecked;
    using CShadedButton::m_bFlat;
    using CShadedButton::m_bHover;
    using CShadedButton::m_bLButtonDown;
    using CShadedButton::m_bPushLike;
    using CShadedButton::m_crHoverText;
    using CShadedButton::m_crText;
    using CShadedButton::m_faceDisabled;
    using CShadedButton::m_faceHover;
    using CShadedButton::m_faceNormal;
    using CShadedButton::m_facePressed;
    using CShadedButton::m_FocusRectMargin;
    using CShadedButton::m_nIconAlign;
    using CShadedButton::m_nKind;
    using CShadedButton::m_nTextFormat;
    using CShadedButton::m_rcIcon;
    using CShadedButton::m_stripeHorz;
    using CShadedButton::m_stripeVert;
    using CShadedButton::m_toolTip;
    using CShadedButton::NormalIcon;
    using CShadedButton::PressedIcon;
};

// A control of another class in a radio group: counts what the group
// members post to it.
class UncheckCounter : public CStatic {
public:
    int unchecks = 0;

protected:
    LRESULT OnUncheckRadio(WPARAM, LPARAM) {
        ++unchecks;
        return 0;
    }
    static const MessageMap* ThisMessageMap() {
        static const MessageMapEntry entries[] = {
            MapMessage<&UncheckCounter::OnUncheckRadio>(WM_UNCHECK_RADIO),
        };
        static const MessageMap map{&CStatic::ThisMessageMap, entries, sizeof entries / sizeof entries[0]};
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }
};

// Sets the buttons up the way the main dialog does and records the
// commands they send.
class ShadedButtonDialog : public CDialog {
public:
    ShadedButtonDialog() : CDialog(IDD_SHADED_BUTTON_TEST) {}

    ShadedProbe m_refresh, m_search, m_save, m_close;
    ShadedProbe m_check, m_pushLike, m_flat;
    ShadedProbe m_radioOne, m_radioTwo, m_radioThree;
    ShadedProbe m_left, m_right, m_plain;
    UncheckCounter m_member, m_outside;

    std::vector<std::pair<int, int>> commands; // control id, notification code

    int Clicks(int id) const {
        int count = 0;
        for (const auto& command : commands)
            if (command.first == id && command.second == BN_CLICKED) ++count;
        return count;
    }

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        struct Setup {
            ShadedProbe& button;
            const char* tip;
            WORD icon;
            WORD hoverIcon;
            UINT align;
        };
        const Setup mainButtons[] = {
            {m_refresh, "Refresh the current process list", IDI_REFRESH, IDI_REFRESH_HOVER, BS_LEFT},
            {m_search, "Search for text in the heap data below", IDI_SEARCH, IDI_SEARCH_HOVER, BS_LEFT},
            {m_save, "Save the displayed heap data to the file", IDI_SAVE, IDI_SAVE_HOVER, BS_CENTER},
            {m_close, "Close the heap data window and display main heap list", IDI_CLOSE, IDI_CLOSE_HOVER, BS_CENTER},
        };
        for (const Setup& setup : mainButtons) {
            setup.button.SetToolTipTexts(setup.tip, "");
            setup.button.CreateShadeFaces(ShadeRowCurve, 8, 20, 5, kTint);
            setup.button.SetTextColors(kBlueText, kRedText);
            setup.button.SetIcon(setup.icon, setup.align, 0, setup.hoverIcon, 4);
        }
        ShadedProbe* others[] = {&m_check,    &m_pushLike,   &m_flat, &m_radioOne,
                                 &m_radioTwo, &m_radioThree, &m_left, &m_right};
        for (ShadedProbe* button : others) {
            button->SetToolTipTexts("Not chosen", "Chosen");
            button->CreateShadeFaces(ShadeRowCurve, 8, 20, 5, kTint);
            button->SetTextColors(kBlueText, kRedText);
        }
        // The plain button keeps its default colours and gets the size the
        // focus-frame figures are given for.
        m_plain.SetWindowPos(nullptr, 0, 0, 75, 23, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        m_plain.CreateShadeFaces(ShadeRowCurve, 8, 20, 5, kTint);
        return TRUE;
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_SHADED_REFRESH, m_refresh);
        DDX_Control(pDX, IDC_SHADED_SEARCH, m_search);
        DDX_Control(pDX, IDC_SHADED_SAVE, m_save);
        DDX_Control(pDX, IDC_SHADED_CLOSE, m_close);
        DDX_Control(pDX, IDC_SHADED_CHECK, m_check);
        DDX_Control(pDX, IDC_SHADED_PUSH_LIKE, m_pushLike);
        DDX_Control(pDX, IDC_SHADED_FLAT, m_flat);
        DDX_Control(pDX, IDC_SHADED_RADIO_ONE, m_radioOne);
        DDX_Control(pDX, IDC_SHADED_RADIO_TWO, m_radioTwo);
        DDX_Control(pDX, IDC_SHADED_GROUP_MEMBER, m_member);
        DDX_Control(pDX, IDC_SHADED_RADIO_THREE, m_radioThree);
        DDX_Control(pDX, IDC_SHADED_OUTSIDE, m_outside);
        DDX_Control(pDX, IDC_SHADED_LEFT, m_left);
        DDX_Control(pDX, IDC_SHADED_RIGHT, m_right);
        DDX_Control(pDX, IDC_SHADED_PLAIN, m_plain);
    }

    void OnPaint() {
        CPaintDC dc(*this);
        RECT client{};
        GetClientRect(&client);
        if (!m_background.IsValid())
            CreateShadeBackground(m_background, ShadeCrossCurve, client.right, client.bottom, kTint);
        DrawDib(m_background, dc, 0, 0);
    }
    LRESULT OnCommand(WPARAM wParam, LPARAM) {
        commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
        return 0;
    }

    static const MessageMap* ThisMessageMap() {
        static const MessageMapEntry entries[] = {
            MapVoidMessage<&ShadedButtonDialog::OnPaint>(WM_PAINT),
            MapMessage<&ShadedButtonDialog::OnCommand>(WM_COMMAND),
        };
        static const MessageMap map{&CDialog::ThisMessageMap, entries, sizeof entries / sizeof entries[0]};
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

private:
    CDib m_background;
};

COLORREF FaceColour(const CDib& face, int x, int y) {
    const std::uint8_t index = face.GetBits()[(face.GetHeight() - 1 - y) * face.GetLineWidth() + x];
    const auto* palette = reinterpret_cast<const RGBQUAD*>(face.GetBlock() + kDibHeaderSize);
    return RGB(palette[index].rgbRed, palette[index].rgbGreen, palette[index].rgbBlue);
}

const RGBQUAD& PaletteEntry(const CDib& dib, int index) {
    return reinterpret_cast<const RGBQUAD*>(dib.GetBlock() + kDibHeaderSize)[index];
}

// Pixel by pixel; the padding at the end of each stored row is not part of
// the picture.
bool SamePixels(const CDib& a, const CDib& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
    for (int row = 0; row < a.GetHeight(); ++row)
        if (std::memcmp(a.GetBits() + row * a.GetLineWidth(), b.GetBits() + row * b.GetLineWidth(),
                        static_cast<std::size_t>(a.GetWidth())) != 0)
            return false;
    return true;
}

bool SamePalette(const CDib& a, const CDib& b) {
    return std::memcmp(a.GetBlock() + kDibHeaderSize, b.GetBlock() + kDibHeaderSize, 256 * 4) == 0;
}

bool RectIs(const RECT& rect, int left, int top, int right, int bottom) {
    return rect.left == left && rect.top == top && rect.right == right && rect.bottom == bottom;
}

RECT ClientOf(HWND window) {
    RECT client{};
    ::GetClientRect(window, &client);
    return client;
}

std::string RectText(const RECT& rect) {
    return "(" + std::to_string(rect.left) + ", " + std::to_string(rect.top) + ", " + std::to_string(rect.right) +
           ", " + std::to_string(rect.bottom) + ")";
}

// The smallest box holding every pixel (x, y) of a width x height area,
// `inset` pixels in from its sides, that is marked; left > right when none is.
template <typename Marked> RECT BoxOfMarked(int width, int height, int inset, Marked marked) {
    RECT box{width, height, 0, 0};
    for (int y = inset; y < height - inset; ++y)
        for (int x = inset; x < width - inset; ++x)
            if (marked(x, y)) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box;
}

// Where two pictures of one size differ.
RECT DifferingBox(const Pixels& a, const Pixels& b) {
    return BoxOfMarked(a.width, a.height, 0, [&](int x, int y) { return a.At(x, y) != b.At(x, y); });
}

// Where the button's caption lands when drawn in the button's font and
// format into the given caption box: the ink DrawText itself leaves there.
RECT CaptionInkInBox(const ShadedProbe& button, RECT box) {
    const RECT client = ClientOf(button.GetSafeHwnd());
    PixelCanvas blank(client.right, client.bottom, RGB(255, 255, 255));
    PixelCanvas written(client.right, client.bottom, RGB(255, 255, 255));
    if (!blank.ready() || !written.ready()) return RECT{};
    CSelectObject font(written.dc(), ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(written.dc(), TRANSPARENT);
    ::DrawTextA(written.dc(), button.GetWindowText().c_str(), -1, &box, button.m_nTextFormat);
    return DifferingBox(written.Read(), blank.Read());
}

class ShadedButtons : public ::testing::Test {
protected:
    void SetUp() override {
        // Tips without TTS_ALWAYSTIP show only in the active window.
        ASSERT_TRUE(ShowTestDialog(dialog, true));
    }
    void TearDown() override {
        ::ReleaseCapture();
        ::SetCursorPos(1200, 1000);
        dialog.DestroyWindow();
        PumpMessages(nullptr);
    }

    void Pump() { PumpMessages(dialog.GetSafeHwnd()); }

    // Puts the real pointer on a point of the button (the button reads it
    // back while a press is held) and sends the message with that point.
    static void Mouse(const CWnd& button, UINT message, WPARAM flags, int x, int y) {
        POINT screen{x, y};
        ::ClientToScreen(button.GetSafeHwnd(), &screen);
        ::SetCursorPos(screen.x, screen.y);
        ::SendMessageA(button.GetSafeHwnd(), message, flags, MAKELPARAM(x, y));
    }
    static void ClickCentre(const CWnd& button) {
        const RECT client = ClientOf(button.GetSafeHwnd());
        Mouse(button, WM_LBUTTONDOWN, MK_LBUTTON, client.right / 2, client.bottom / 2);
        Mouse(button, WM_LBUTTONUP, 0, client.right / 2, client.bottom / 2);
    }
    static LRESULT Check(const CWnd& button) { return ::SendMessageA(button.GetSafeHwnd(), BM_GETCHECK, 0, 0); }
    static bool Pushed(const CWnd& button) {
        return (::SendMessageA(button.GetSafeHwnd(), BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
    }
    // Hovers the button with the real pointer resting on it.
    void Hover(const CWnd& button) {
        const RECT client = ClientOf(button.GetSafeHwnd());
        Mouse(button, WM_MOUSEMOVE, 0, client.right / 2, client.bottom / 2);
    }
    static std::string TipText(ShadedProbe& button) {
        return button.m_toolTip.GetText(button.GetParent(), reinterpret_cast<UINT_PTR>(button.GetSafeHwnd()));
    }
    // Takes the real pointer away and waits until no button hovers.
    void LeaveAll() {
        // Moves of the pointer put on a button earlier may still be on their
        // way; they must arrive while it is there. (Wine tracks no leave for
        // a window the pointer is not over when tracking is asked for, and
        // sends no WM_MOUSELEAVE then either.)
        PumpMessagesFor(dialog.GetSafeHwnd(), 50);
        ::SetCursorPos(1200, 1000);
        const ShadedProbe* buttons[] = {&dialog.m_refresh, &dialog.m_search,   &dialog.m_save, &dialog.m_close,
                                        &dialog.m_check,   &dialog.m_pushLike, &dialog.m_flat};
        for (const ShadedProbe* button : buttons)
            for (int i = 0; i < 100 && button->m_bHover; ++i)
                PumpMessagesFor(dialog.GetSafeHwnd(), 10);
        for (const ShadedProbe* button : buttons)
            EXPECT_FALSE(button->m_bHover);
    }
    static Pixels Print(const CWnd& button) { return PrintClient(button.GetSafeHwnd(), RGB(255, 0, 255)); }
    // Where the caption's ink is: what printing the button with and without
    // its caption changes.
    static RECT CaptionInk(ShadedProbe& button) {
        const std::string caption = button.GetWindowText();
        const Pixels with = Print(button);
        button.SetWindowText("");
        const Pixels without = Print(button);
        button.SetWindowText(caption.c_str());
        return DifferingBox(with, without);
    }

    ShadedButtonDialog dialog;
};

TEST_F(ShadedButtons, AttachingReadsKindEdgesAndCaptionFormatAndMakesEveryButtonOwnerDrawn) {
    struct Expected {
        ShadedProbe& button;
        ButtonKind kind;
        bool pushLike;
        BOOL border;
        bool flat;
        UINT format;
    };
    const Expected expected[] = {
        {dialog.m_refresh, ButtonKind::Push, true, TRUE, false, DT_CENTER | DT_VCENTER | DT_SINGLELINE},
        {dialog.m_check, ButtonKind::CheckBox, false, FALSE, false, DT_CENTER | DT_VCENTER | DT_SINGLELINE},
        {dialog.m_pushLike, ButtonKind::CheckBox, true, TRUE, false, DT_CENTER | DT_VCENTER | DT_SINGLELINE},
        {dialog.m_flat, ButtonKind::Push, true, TRUE, true, DT_CENTER | DT_VCENTER | DT_SINGLELINE},
        {dialog.m_radioOne, ButtonKind::Radio, false, FALSE, false, DT_CENTER | DT_VCENTER | DT_SINGLELINE},
        {dialog.m_radioThree, ButtonKind::Radio, true, TRUE, false, DT_CENTER | DT_VCENTER | DT_SINGLELINE},
        {dialog.m_left, ButtonKind::Push, true, TRUE, false, DT_LEFT | DT_VCENTER | DT_SINGLELINE},
        {dialog.m_right, ButtonKind::Push, true, TRUE, false, DT_RIGHT | DT_VCENTER | DT_SINGLELINE},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.button.GetWindowText());
        EXPECT_EQ(e.button.m_nKind, e.kind);
        EXPECT_EQ(e.button.m_bPushLike, e.pushLike);
        EXPECT_EQ(e.button.m_bBorder, e.border);
        EXPECT_EQ(e.button.m_bFlat, e.flat);
        EXPECT_EQ(e.button.m_nTextFormat, e.format);
        EXPECT_EQ(e.button.GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
        EXPECT_EQ(e.button.m_FocusRectMargin, 4);
    }
    // Colours: set ones, and the defaults of a button whose owner set none.
    EXPECT_EQ(dialog.m_refresh.m_crText, kBlueText);
    EXPECT_EQ(dialog.m_refresh.m_crHoverText, kRedText);
    EXPECT_EQ(dialog.m_plain.m_crText, ::GetSysColor(COLOR_BTNTEXT));
    EXPECT_EQ(dialog.m_plain.m_crHoverText, ::GetSysColor(COLOR_BTNTEXT));
    EXPECT_EQ(dialog.m_plain.SetTextColors(RGB(1, 2, 3), RGB(4, 5, 6)), ::GetSysColor(COLOR_BTNTEXT));
    EXPECT_EQ(dialog.m_plain.SetTextColors(RGB(7, 8, 9), RGB(4, 5, 6)), RGB(1, 2, 3));

    dialog.m_plain.SetTextAlignment(BS_RIGHT);
    EXPECT_EQ(dialog.m_plain.m_nTextFormat, static_cast<UINT>(DT_RIGHT | DT_VCENTER | DT_SINGLELINE));
    dialog.m_plain.SetTextAlignment(BS_TOP);
    EXPECT_EQ(dialog.m_plain.m_nTextFormat, static_cast<UINT>(DT_CENTER | DT_VCENTER | DT_SINGLELINE));
}

TEST_F(ShadedButtons, FacesShareOnePatternFromTheSharedGeneratorAndStripesFitTheMargin) {
    ShadedProbe& plain = dialog.m_plain;
    const RuntimeRandom before = ThreadRandom();
    plain.CreateShadeFaces(ShadeRowCurve, 8, 20, 5, kTint);

    // The same pattern, generated apart from the button from the same state.
    RuntimeRandom replay = before;
    CDib expected;
    expected.Create(75, 23, 8);
    BuildShadePalette(expected);
    expected.BlendPalette(kTint, 5);
    GenerateShade(expected, ShadeRowCurve, 8, replay);
    EXPECT_TRUE(SamePixels(plain.m_faceNormal, expected));
    EXPECT_TRUE(SamePalette(plain.m_faceNormal, expected));
    EXPECT_EQ(ThreadRandom().State(), replay.State()) << "the button drew from the thread's generator";

    EXPECT_TRUE(SamePixels(plain.m_faceHover, plain.m_faceNormal));
    EXPECT_TRUE(SamePixels(plain.m_facePressed, plain.m_faceNormal));
    EXPECT_TRUE(SamePixels(plain.m_faceDisabled, plain.m_faceNormal));
    EXPECT_TRUE(SamePalette(plain.m_faceDisabled, plain.m_faceNormal));
    EXPECT_TRUE(SamePalette(plain.m_facePressed, plain.m_faceHover));
    EXPECT_FALSE(SamePalette(plain.m_faceHover, plain.m_faceNormal));
    // Hover is the normal palette moved toward the highlight.
    const COLORREF highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    for (int i : {0, 64, 128, 200}) {
        const RGBQUAD& normal = PaletteEntry(plain.m_faceNormal, i);
        const RGBQUAD& hover = PaletteEntry(plain.m_faceHover, i);
        EXPECT_GE(hover.rgbRed, std::min<int>(normal.rgbRed, GetRValue(highlight)));
        EXPECT_LE(std::abs(hover.rgbRed - GetRValue(highlight)), std::abs(normal.rgbRed - GetRValue(highlight)));
    }

    EXPECT_EQ(plain.m_stripeHorz.GetWidth(), 66);
    EXPECT_EQ(plain.m_stripeHorz.GetHeight(), 1);
    EXPECT_EQ(plain.m_stripeVert.GetWidth(), 1);
    EXPECT_EQ(plain.m_stripeVert.GetHeight(), 15);
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    for (int x = 0; x < 66; ++x)
        EXPECT_EQ(FaceColour(plain.m_stripeHorz, x, 0), x % 2 == 0 ? shadow : highlight) << x;
    for (int y = 0; y < 15; ++y) // stored row 0, the even one, is the bottom pixel
        EXPECT_EQ(FaceColour(plain.m_stripeVert, 0, y), (14 - y) % 2 == 0 ? shadow : highlight) << y;

    // A margin larger than the button leaves one-pixel stripes.
    plain.m_FocusRectMargin = 40;
    plain.CreateShadeFaces(ShadeGrain, 8, 20, 5, kTint);
    EXPECT_EQ(plain.m_stripeHorz.GetWidth(), 1);
    EXPECT_EQ(plain.m_stripeVert.GetHeight(), 1);
}

TEST_F(ShadedButtons, CheckedStatesFromOutsideAndPushButtonsNeverCheck) {
    ::SendMessageA(dialog.m_refresh.GetSafeHwnd(), BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(Check(dialog.m_refresh), 0);
    ClickCentre(dialog.m_refresh);
    EXPECT_EQ(Check(dialog.m_refresh), 0);
    EXPECT_EQ(dialog.Clicks(IDC_SHADED_REFRESH), 1) << "the system button still reports the click";

    ::SendMessageA(dialog.m_check.GetSafeHwnd(), BM_SETCHECK, 7, 0);
    EXPECT_EQ(Check(dialog.m_check), 1);
    ::SendMessageA(dialog.m_check.GetSafeHwnd(), BM_SETCHECK, 0, 0);
    EXPECT_EQ(Check(dialog.m_check), 0);

    ::CheckDlgButton(dialog.GetSafeHwnd(), IDC_SHADED_PUSH_LIKE, BST_CHECKED);
    EXPECT_EQ(::IsDlgButtonChecked(dialog.GetSafeHwnd(), IDC_SHADED_PUSH_LIKE), static_cast<UINT>(BST_CHECKED));
}

TEST_F(ShadedButtons, CheckingARadioButtonUnchecksEveryOtherControlOfItsGroupAfterwards) {
    ::SendMessageA(dialog.m_radioTwo.GetSafeHwnd(), BM_SETCHECK, TRUE, 0);
    Pump();
    EXPECT_EQ(dialog.m_member.unchecks, 1);
    ASSERT_EQ(Check(dialog.m_radioTwo), 1);
    EXPECT_EQ(TipText(dialog.m_radioTwo), "Chosen");

    ::SendMessageA(dialog.m_radioOne.GetSafeHwnd(), BM_SETCHECK, TRUE, 0);
    EXPECT_EQ(Check(dialog.m_radioTwo), 1) << "the uncheck is posted, not sent";
    EXPECT_EQ(Check(dialog.m_radioOne), 1);
    Pump();
    EXPECT_EQ(Check(dialog.m_radioTwo), 0);
    EXPECT_EQ(Check(dialog.m_radioThree), 0);
    EXPECT_EQ(Check(dialog.m_radioOne), 1);
    EXPECT_EQ(TipText(dialog.m_radioTwo), "Not chosen");
    EXPECT_EQ(dialog.m_member.unchecks, 2) << "a static of the group gets it too";
    EXPECT_EQ(dialog.m_outside.unchecks, 0) << "the next group is left alone";
    EXPECT_EQ(Check(dialog.m_check), 0);

    // Unchecking a radio button posts nothing.
    ::SendMessageA(dialog.m_radioOne.GetSafeHwnd(), BM_SETCHECK, FALSE, 0);
    Pump();
    EXPECT_EQ(dialog.m_member.unchecks, 2);

    // A click checks the push-like radio button and unchecks the others.
    ::SendMessageA(dialog.m_radioOne.GetSafeHwnd(), BM_SETCHECK, TRUE, 0);
    Pump();
    ClickCentre(dialog.m_radioThree);
    Pump();
    EXPECT_EQ(Check(dialog.m_radioThree), 1);
    EXPECT_EQ(Check(dialog.m_radioOne), 0);
    ClickCentre(dialog.m_radioThree);
    EXPECT_EQ(Check(dialog.m_radioThree), 1) << "a second click keeps a radio button checked";

    // An uncheck message to a button that is not checked changes nothing.
    ::SendMessageA(dialog.m_check.GetSafeHwnd(), BM_SETCHECK, TRUE, 0);
    ::SendMessageA(dialog.m_radioOne.GetSafeHwnd(), WM_UNCHECK_RADIO, 0, 0);
    EXPECT_EQ(Check(dialog.m_radioOne), 0);
    ::SendMessageA(dialog.m_check.GetSafeHwnd(), WM_UNCHECK_RADIO, 0, 0);
    EXPECT_EQ(Check(dialog.m_check), 0) << "any checked shaded button obeys it";
}

TEST_F(ShadedButtons, ClicksToggleCheckBoxesOnlyWhenReleasedOverThem) {
    ShadedProbe& check = dialog.m_pushLike;
    const RECT client = ClientOf(check.GetSafeHwnd());
    ClickCentre(check);
    EXPECT_EQ(Check(check), 1);
    EXPECT_FALSE(check.m_bLButtonDown);
    EXPECT_NE(::GetCapture(), check.GetSafeHwnd());
    ClickCentre(check);
    EXPECT_EQ(Check(check), 0);
    EXPECT_EQ(dialog.Clicks(IDC_SHADED_PUSH_LIKE), 2);

    // Press, drag off and back and off again, release outside.
    Mouse(check, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
    EXPECT_TRUE(check.m_bLButtonDown);
    EXPECT_EQ(::GetCapture(), check.GetSafeHwnd());
    EXPECT_TRUE(Pushed(check));
    Mouse(check, WM_MOUSEMOVE, MK_LBUTTON, client.right + 20, 5);
    EXPECT_FALSE(Pushed(check));
    Mouse(check, WM_MOUSEMOVE, MK_LBUTTON, 6, 6);
    EXPECT_TRUE(Pushed(check));
    Mouse(check, WM_MOUSEMOVE, MK_LBUTTON, 6, client.bottom + 20);
    EXPECT_FALSE(Pushed(check));
    Pump();
    EXPECT_FALSE(Pushed(check)) << "drawing while off the button keeps it raised";
    Mouse(check, WM_LBUTTONUP, 0, 6, client.bottom + 20);
    EXPECT_EQ(Check(check), 0) << "released outside: no toggle";
    EXPECT_EQ(dialog.Clicks(IDC_SHADED_PUSH_LIKE), 2) << "and no click";
    EXPECT_FALSE(check.m_bLButtonDown);

    // The plain check box without edges behaves the same.
    ClickCentre(dialog.m_check);
    EXPECT_EQ(Check(dialog.m_check), 1);
}

TEST_F(ShadedButtons, WhileHeldThePushedLookFollowsTheRealPointerWhenDrawn) {
    ShadedProbe& button = dialog.m_search;
    Mouse(button, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
    ASSERT_TRUE(Pushed(button));
    // The pointer leaves; the button is drawn before the move message for
    // it is handled (no pumping in between), so only the draw can see it.
    ::SetCursorPos(1200, 1000);
    button.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_FALSE(Pushed(button));
    Pump();
    EXPECT_FALSE(Pushed(button));
    POINT inside{5, 5};
    ::ClientToScreen(button.GetSafeHwnd(), &inside);
    ::SetCursorPos(inside.x, inside.y);
    button.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(Pushed(button));
    Pump();
    EXPECT_TRUE(Pushed(button));
    Mouse(button, WM_LBUTTONUP, 0, 5, 5);
    EXPECT_FALSE(Pushed(button));
    EXPECT_EQ(dialog.Clicks(IDC_SHADED_SEARCH), 1);
}

TEST_F(ShadedButtons, ADoubleClickIsASecondPressAndNothingMore) {
    ShadedProbe& check = dialog.m_check;
    Mouse(check, WM_LBUTTONDOWN, MK_LBUTTON, 4, 4);
    Mouse(check, WM_LBUTTONUP, 0, 4, 4);
    EXPECT_EQ(Check(check), 1);
    Mouse(check, WM_LBUTTONDBLCLK, MK_LBUTTON, 4, 4);
    EXPECT_TRUE(check.m_bLButtonDown);
    EXPECT_EQ(::GetCapture(), check.GetSafeHwnd());
    EXPECT_TRUE(Pushed(check));
    Mouse(check, WM_LBUTTONUP, 0, 4, 4);
    EXPECT_EQ(Check(check), 0);

    Mouse(dialog.m_refresh, WM_LBUTTONDOWN, MK_LBUTTON, 4, 4);
    Mouse(dialog.m_refresh, WM_LBUTTONUP, 0, 4, 4);
    Mouse(dialog.m_refresh, WM_LBUTTONDBLCLK, MK_LBUTTON, 4, 4);
    Mouse(dialog.m_refresh, WM_LBUTTONUP, 0, 4, 4);
    EXPECT_EQ(dialog.Clicks(IDC_SHADED_REFRESH), 2);
    for (const auto& command : dialog.commands)
        EXPECT_NE(command.second, BN_DOUBLECLICKED) << "no double-click notification";
}

TEST_F(ShadedButtons, TheSpaceBarTogglesOnEveryKeyDownIncludingRepeats) {
    const HWND check = dialog.m_check.GetSafeHwnd();
    ::SendMessageA(check, WM_KEYDOWN, VK_SPACE, 0x00390001);
    EXPECT_EQ(Check(dialog.m_check), 1);
    ::SendMessageA(check, WM_KEYDOWN, VK_SPACE, 0x40390001); // auto-repeat
    EXPECT_EQ(Check(dialog.m_check), 0);
    ::SendMessageA(check, WM_KEYDOWN, VK_SPACE, 0x40390001);
    EXPECT_EQ(Check(dialog.m_check), 1);
    ::SendMessageA(check, WM_KEYUP, VK_SPACE, 0xC0390001);
    ::SendMessageA(check, WM_KEYDOWN, 'A', 0x001E0001);
    EXPECT_EQ(Check(dialog.m_check), 1) << "other keys do nothing";

    ::SendMessageA(dialog.m_radioTwo.GetSafeHwnd(), WM_KEYDOWN, VK_SPACE, 0x00390001);
    ::SendMessageA(dialog.m_radioTwo.GetSafeHwnd(), WM_KEYDOWN, VK_SPACE, 0x40390001);
    ::SendMessageA(dialog.m_radioTwo.GetSafeHwnd(), WM_KEYUP, VK_SPACE, 0xC0390001);
    EXPECT_EQ(Check(dialog.m_radioTwo), 1);

    ::SendMessageA(dialog.m_refresh.GetSafeHwnd(), WM_KEYDOWN, VK_SPACE, 0x00390001);
    ::SendMessageA(dialog.m_refresh.GetSafeHwnd(), WM_KEYUP, VK_SPACE, 0xC0390001);
    EXPECT_EQ(Check(dialog.m_refresh), 0);
}

TEST_F(ShadedButtons, LosingTheFocusEndsAHeldPress) {
    ShadedProbe& check = dialog.m_pushLike;
    Mouse(check, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
    ASSERT_EQ(::GetCapture(), check.GetSafeHwnd());
    ::SendMessageA(check.GetSafeHwnd(), WM_KILLFOCUS, reinterpret_cast<WPARAM>(dialog.m_plain.GetSafeHwnd()), 0);
    EXPECT_NE(::GetCapture(), check.GetSafeHwnd());
    EXPECT_FALSE(check.m_bLButtonDown);
    EXPECT_FALSE(Pushed(check));
    Mouse(check, WM_LBUTTONUP, 0, 5, 5);
    EXPECT_EQ(Check(check), 0) << "the release no longer belongs to a press";

    // Without a press, losing the focus leaves the capture alone.
    ::SetCapture(dialog.GetSafeHwnd());
    ::SendMessageA(check.GetSafeHwnd(), WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(::GetCapture(), dialog.GetSafeHwnd());
}

TEST_F(ShadedButtons, HoverLastsUntilThePointerLeavesAndShowsTheLighterFaceHoverIconAndColour) {
    ShadedProbe& refresh = dialog.m_refresh;
    const Pixels normal = Print(refresh);
    Hover(refresh);
    EXPECT_TRUE(refresh.m_bHover);
    Pump();
    EXPECT_TRUE(refresh.m_bHover) << "the pointer is still over it";
    const Pixels hover = Print(refresh);

    // A face pixel away from the edges, icon and caption.
    const int x = refresh.m_rcIcon.left - 2, y = 3;
    EXPECT_EQ(normal.At(x, y), FaceColour(refresh.m_faceNormal, x, y));
    EXPECT_EQ(hover.At(x, y), FaceColour(refresh.m_faceHover, x, y));
    EXPECT_NE(normal.At(x, y), hover.At(x, y));

    const int red = hover.Count(kRedText), blue = hover.Count(kBlueText);
    EXPECT_GT(normal.Count(kBlueText), 10);
    EXPECT_EQ(normal.Count(kRedText), 0);
    EXPECT_GT(red, 10) << "hover caption colour";
    EXPECT_EQ(blue, 0);

    // The arrow icon: blue normally, red under the pointer.
    auto countIconPixels = [&](const Pixels& pixels, bool reddish) {
        int count = 0;
        const RECT& box = refresh.m_rcIcon;
        for (int py = box.top; py < box.bottom && py < pixels.height; ++py)
            for (int px = box.left; px < box.right; ++px) {
                const COLORREF c = pixels.At(px, py);
                const int r = GetRValue(c), b = GetBValue(c);
                if (reddish ? r > b + 80 : b > r + 80) ++count;
            }
        return count;
    };
    EXPECT_GT(countIconPixels(normal, false), 20);
    EXPECT_EQ(countIconPixels(normal, true), 0);
    EXPECT_GT(countIconPixels(hover, true), 20);
    EXPECT_EQ(countIconPixels(hover, false), 0);

    // The pointer goes: the tracking ends the hover.
    ::SetCursorPos(1200, 1000);
    for (int i = 0; i < 100 && refresh.m_bHover; ++i)
        PumpMessagesFor(dialog.GetSafeHwnd(), 10);
    EXPECT_FALSE(refresh.m_bHover);
    EXPECT_EQ(Print(refresh).At(x, y), FaceColour(refresh.m_faceNormal, x, y));

    // Pressing ends the hover as well.
    Hover(refresh);
    ASSERT_TRUE(refresh.m_bHover);
    Mouse(refresh, WM_LBUTTONDOWN, MK_LBUTTON, 6, 6);
    EXPECT_FALSE(refresh.m_bHover);
    Mouse(refresh, WM_LBUTTONUP, 0, 6, 6);
}

TEST_F(ShadedButtons, TooltipTextFollowsTheCheckedState) {
    ShadedProbe& check = dialog.m_pushLike;
    const HWND tooltip = check.m_toolTip.GetSafeHwnd();
    ASSERT_NE(tooltip, nullptr);
    EXPECT_EQ(::SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);
    TOOLINFOA tool{};
    tool.cbSize = kToolInfoSize;
    ASSERT_TRUE(::SendMessageA(tooltip, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&tool)));
    EXPECT_TRUE(tool.uFlags & TTF_IDISHWND);
    EXPECT_EQ(tool.uId, reinterpret_cast<UINT_PTR>(check.GetSafeHwnd()));
    EXPECT_EQ(tool.hwnd, dialog.GetSafeHwnd());
    EXPECT_EQ(::SendMessageA(tooltip, TTM_GETMAXTIPWIDTH, 0, 0), 300);

    EXPECT_EQ(TipText(check), "Not chosen");
    ClickCentre(check);
    EXPECT_EQ(TipText(check), "Chosen");
    ::SendMessageA(check.GetSafeHwnd(), BM_SETCHECK, FALSE, 0);
    EXPECT_EQ(TipText(check), "Not chosen");

    // New texts while checked update the one tool.
    ::SendMessageA(check.GetSafeHwnd(), BM_SETCHECK, TRUE, 0);
    check.SetToolTipTexts("Plain tip", "");
    EXPECT_EQ(TipText(check), "Plain tip") << "an empty checked text shows the plain one";
    check.SetToolTipTexts("Plain tip", "Checked tip");
    EXPECT_EQ(TipText(check), "Checked tip");
    EXPECT_EQ(::SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_EQ(check.m_toolTip.GetSafeHwnd(), tooltip);

    EXPECT_EQ(TipText(dialog.m_refresh), "Refresh the current process list");
    ::SendMessageA(dialog.m_refresh.GetSafeHwnd(), BM_SETCHECK, TRUE, 0);
    EXPECT_EQ(TipText(dialog.m_refresh), "Refresh the current process list");
    EXPECT_EQ(dialog.m_plain.m_toolTip.GetSafeHwnd(), nullptr) << "no tooltip until texts are set";
}

TEST_F(ShadedButtons, RelayedPointerMessagesShowTheTip) {
    ShadedProbe& refresh = dialog.m_refresh;
    const HWND tooltip = refresh.m_toolTip.GetSafeHwnd();
    ::SendMessageA(tooltip, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(10, 0));
    ASSERT_EQ(::GetActiveWindow(), dialog.GetSafeHwnd());
    Hover(refresh);
    bool shown = false;
    for (int i = 0; i < 100 && !shown; ++i) {
        PumpMessagesFor(dialog.GetSafeHwnd(), 10);
        shown = HasVisibleStyle(tooltip);
    }
    EXPECT_TRUE(shown) << "the relayed move starts the tip";
    if (shown) {
        EXPECT_EQ(WindowText(tooltip), "Refresh the current process list");
    }
    if (shown) CaptureScreen(tooltip).SaveBmp(OutputPath("shaded_button_tooltip.bmp"));
}

TEST_F(ShadedButtons, IconBoxComesFromTheHotSpotAndTheAlignment) {
    ShadedProbe& plain = dialog.m_plain; // 75 x 23, margin 4
    // The application icon is larger than the button: its box is clamped
    // to the top (and, centred, to the left). Which of its images the
    // loader picks is the platform's choice; the box follows its hot spot.
    plain.SetIcon(IDR_MAINFRAME, BS_LEFT, 0, 0, 4);
    ASSERT_NE(plain.NormalIcon(), nullptr);
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(plain.NormalIcon(), &info));
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    const int hot = static_cast<int>(info.xHotspot);
    ASSERT_GE(hot, 16);
    EXPECT_TRUE(RectIs(plain.m_rcIcon, 8, 0, 8 + 2 * hot, 2 * hot));
    EXPECT_EQ(plain.m_nIconAlign, static_cast<UINT>(BS_LEFT));
    plain.SetIcon(IDR_MAINFRAME, BS_RIGHT, 0, 0, 4);
    EXPECT_TRUE(RectIs(plain.m_rcIcon, 75 - 2 * hot - 4, 0, 71, 2 * hot));
    EXPECT_EQ(plain.m_nIconAlign, static_cast<UINT>(BS_RIGHT));
    plain.SetIcon(IDR_MAINFRAME, BS_CENTER, 0, 0, 4);
    EXPECT_TRUE(RectIs(plain.m_rcIcon, std::max(0, 37 - hot), 0, std::max(0, 37 - hot) + 2 * hot, 2 * hot));

    // A 20 x 20 icon, centred for any alignment but left and right.
    plain.SetIcon(IDI_SAVE, BS_TOP, 0, 0, 4);
    EXPECT_TRUE(RectIs(plain.m_rcIcon, 27, 1, 47, 21));
    EXPECT_EQ(plain.m_nIconAlign, static_cast<UINT>(BS_CENTER));

    // The main dialog's buttons: 20 x 20 icons, left with the extra inset.
    EXPECT_EQ(dialog.m_refresh.m_rcIcon.left, 8);
    EXPECT_EQ(dialog.m_refresh.m_rcIcon.right - dialog.m_refresh.m_rcIcon.left, 20);
    EXPECT_EQ(dialog.m_save.m_nIconAlign, static_cast<UINT>(BS_CENTER));
}

TEST_F(ShadedButtons, ALeftIconNarrowsTheCaptionBoxByItsWidth) {
    // The main dialog's Refresh and Find buttons: the caption is laid out
    // in the room right of the icon, so it never runs over the icon.
    for (ShadedProbe* button : {&dialog.m_refresh, &dialog.m_search}) {
        SCOPED_TRACE(button->GetWindowText());
        const RECT client = ClientOf(button->GetSafeHwnd());
        const RECT& icon = button->m_rcIcon;
        const int m = button->m_FocusRectMargin;
        const RECT ink = CaptionInk(*button);
        ASSERT_LT(ink.left, ink.right) << "the caption shows";
        EXPECT_EQ(RectText(ink), RectText(CaptionInkInBox(*button, RECT{m + 2 + (icon.right - icon.left), 0,
                                                                        client.right - m - 2, client.bottom})));
        EXPECT_GE(ink.left, icon.right);
    }
}

TEST_F(ShadedButtons, ACentredIconPutsTheCaptionBoxBelowIt) {
    // Tall enough for a 20 x 20 icon with a line of caption under it.
    ShadedProbe& plain = dialog.m_plain;
    plain.SetWindowPos(nullptr, 0, 0, 75, 64, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    plain.CreateShadeFaces(ShadeRowCurve, 8, 20, 5, kTint);
    plain.SetIcon(IDI_SAVE, BS_CENTER, 0, 0, 4);
    ASSERT_TRUE(RectIs(plain.m_rcIcon, 27, 22, 47, 42));
    plain.SetWindowText("Save");
    const int m = plain.m_FocusRectMargin;
    const RECT ink = CaptionInk(plain);
    ASSERT_LT(ink.left, ink.right) << "the caption shows";
    // From the icon's bottom to m + 1 pixels above the button's bottom.
    EXPECT_EQ(RectText(ink), RectText(CaptionInkInBox(plain, RECT{m + 2, 42, 75 - m - 2, 64 - m - 1})));
    EXPECT_GE(ink.top, plain.m_rcIcon.bottom);
    Print(plain).SaveBmp(OutputPath("shaded_button_caption_below_icon.bmp"));
}

TEST_F(ShadedButtons, PressedAndHoverIconsFallBackToTheNormalIcon) {
    ShadedProbe& plain = dialog.m_plain;
    plain.SetIcon(IDI_SAVE, BS_LEFT, 0, 0, 0);
    EXPECT_NE(plain.NormalIcon(), nullptr);
    EXPECT_EQ(plain.PressedIcon(), plain.NormalIcon());
    EXPECT_EQ(plain.HoverIcon(), plain.NormalIcon());

    plain.SetIcon(IDI_SAVE, BS_LEFT, IDI_CLOSE, IDI_SAVE_HOVER, 0);
    const HICON normal = plain.NormalIcon(), pressed = plain.PressedIcon(), hover = plain.HoverIcon();
    EXPECT_NE(pressed, normal);
    EXPECT_NE(hover, normal);
    EXPECT_NE(hover, pressed);

    plain.SetIcon(IDI_SAVE, BS_LEFT, kMissingIcon, kMissingIcon, 0);
    EXPECT_EQ(plain.PressedIcon(), plain.NormalIcon());
    EXPECT_EQ(plain.HoverIcon(), plain.NormalIcon());
    ICONINFO info{};
    for (HICON old : {normal, pressed, hover}) {
        if (old == plain.NormalIcon()) continue; // a handle may be handed out again
        EXPECT_FALSE(::GetIconInfo(old, &info)) << "icons replaced are destroyed";
    }

    // A normal icon that cannot be loaded leaves no icon at all and the box
    // where it was.
    plain.SetIcon(IDI_SAVE, BS_LEFT, IDI_CLOSE, IDI_SAVE_HOVER, 0);
    ASSERT_NE(plain.PressedIcon(), plain.NormalIcon());
    ASSERT_NE(plain.HoverIcon(), plain.NormalIcon());
    const RECT box = plain.m_rcIcon;
    const Pixels withIcon = Print(plain);
    plain.SetIcon(kMissingIcon, BS_RIGHT, IDI_CLOSE, IDI_SAVE_HOVER, 0);
    EXPECT_EQ(plain.NormalIcon(), nullptr);
    EXPECT_EQ(plain.PressedIcon(), nullptr);
    EXPECT_EQ(plain.HoverIcon(), nullptr);
    EXPECT_TRUE(::EqualRect(&plain.m_rcIcon, &box));
    const Pixels without = Print(plain);
    const int x = box.left + 10, y = box.top + 10;
    EXPECT_NE(withIcon.At(x, y), FaceColour(plain.m_faceNormal, x, y));
    EXPECT_EQ(without.At(x, y), FaceColour(plain.m_faceNormal, x, y));
    ::SendMessageA(plain.GetSafeHwnd(), BM_SETSTATE, TRUE, 0);
    ::EnableWindow(plain.GetSafeHwnd(), FALSE);
    EXPECT_EQ(Print(plain).At(x, y), FaceColour(plain.m_faceDisabled, x, y)) << "nothing stale is drawn";
}

TEST_F(ShadedButtons, FocusStripesSitInsideTheMarginOfA75By23Button) {
    ShadedProbe& plain = dialog.m_plain;
    plain.SetWindowText("");
    const Pixels unfocused = Print(plain);
    plain.SetFocus();
    ASSERT_EQ(::GetFocus(), plain.GetSafeHwnd());
    const Pixels focused = Print(plain);
    ASSERT_EQ(focused.width, 75);
    ASSERT_EQ(focused.height, 23);
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW), highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    for (int x = 5; x <= 70; ++x) {
        const COLORREF expected = (x - 5) % 2 == 0 ? shadow : highlight;
        EXPECT_EQ(focused.At(x, 4), expected) << x;
        EXPECT_EQ(focused.At(x, 19), expected) << x;
        EXPECT_NE(unfocused.At(x, 4), expected) << x;
    }
    for (int y = 5; y <= 19; ++y) {
        const COLORREF expected = (19 - y) % 2 == 0 ? shadow : highlight;
        EXPECT_EQ(focused.At(4, y), expected) << y;
        EXPECT_EQ(focused.At(71, y), expected) << y;
    }
    EXPECT_EQ(focused.At(4, 4), FaceColour(plain.m_faceNormal, 4, 4)) << "the corner stays open";
    EXPECT_EQ(focused.At(72, 10), FaceColour(plain.m_faceNormal, 72, 10));
    EXPECT_EQ(focused.At(10, 20), FaceColour(plain.m_faceNormal, 10, 20));

    // With the default frame the edges take one more pixel and the stripes
    // move in by one; a crafted draw request asks for it.
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    CClientDC screen(nullptr);
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(screen, 75, 23));
    {
        CSelectObject select(dc, bitmap);
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.CtlID = IDC_SHADED_PLAIN;
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = ODS_FOCUS | ODS_DEFAULT;
        item.hwndItem = plain.GetSafeHwnd();
        item.hDC = dc;
        item.rcItem = RECT{0, 0, 75, 23};
        ::SendMessageA(dialog.GetSafeHwnd(), WM_DRAWITEM, IDC_SHADED_PLAIN, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(::GetPixel(dc, 6, 5), shadow);
        EXPECT_EQ(::GetPixel(dc, 7, 5), highlight);
        EXPECT_EQ(::GetPixel(dc, 6, 18), shadow);
        EXPECT_EQ(::GetPixel(dc, 5, 18), shadow);
        EXPECT_EQ(::GetPixel(dc, 70, 18), shadow);
        EXPECT_EQ(::GetPixel(dc, 70, 17), highlight);
    }

    // No margin, no frame.
    plain.m_FocusRectMargin = 0;
    const Pixels noMargin = Print(plain);
    EXPECT_EQ(noMargin.At(10, 4), FaceColour(plain.m_faceNormal, 10, 4));
    EXPECT_EQ(noMargin.At(4, 10), FaceColour(plain.m_faceNormal, 4, 10));
}

TEST_F(ShadedButtons, ADisabledButtonDrawsItsTextTwiceEmbossedOnTheDisabledFace) {
    ShadedProbe& plain = dialog.m_plain;
    plain.SetWindowText("Disabled");
    plain.EnableWindow(false);
    plain.m_bHover = true; // no hover colour when disabled
    const Pixels pixels = Print(plain);
    const COLORREF highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT), grey = ::GetSysColor(COLOR_GRAYTEXT);
    int highlights = 0, greys = 0, highlightsWithGreyAboveLeft = 0;
    for (int y = 2; y < 21; ++y)
        for (int x = 2; x < 73; ++x) {
            if (pixels.At(x, y) == grey) ++greys;
            if (pixels.At(x, y) != highlight) continue;
            ++highlights;
            if (pixels.At(x - 1, y - 1) == grey) ++highlightsWithGreyAboveLeft;
        }
    EXPECT_GT(greys, 20);
    EXPECT_GT(highlights, 5);
    EXPECT_EQ(highlightsWithGreyAboveLeft, highlights) << "grey copy one pixel up and left of the light one";
    EXPECT_EQ(pixels.Count(plain.m_crText), 0);
    EXPECT_EQ(pixels.Count(plain.m_crHoverText), 0);
    EXPECT_EQ(pixels.At(3, 3), FaceColour(plain.m_faceDisabled, 3, 3));
    EXPECT_EQ(pixels.At(0, 0), ::GetSysColor(COLOR_3DLIGHT)) << "raised edge";
    pixels.SaveBmp(OutputPath("shaded_button_disabled_print.bmp"));

    // Disabled with an icon: the pressed icon, greyed.
    ShadedProbe& refresh = dialog.m_refresh;
    refresh.EnableWindow(false);
    const Pixels disabledIcon = Print(refresh);
    int colourful = 0;
    const RECT& box = refresh.m_rcIcon;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) {
            const COLORREF c = disabledIcon.At(x, y);
            if (std::abs(GetRValue(c) - GetBValue(c)) > 80) ++colourful;
        }
    EXPECT_EQ(colourful, 0) << "no blue arrow left";
    EXPECT_GT(disabledIcon.Count(grey) + disabledIcon.Count(::GetSysColor(COLOR_BTNSHADOW)), 10);
}

TEST_F(ShadedButtons, ThePressedFaceIsShiftedByTheBorderAndTheCaptionMovesWithIt) {
    ShadedProbe& plain = dialog.m_plain;
    plain.SetWindowText("");
    ::SendMessageA(plain.GetSafeHwnd(), BM_SETSTATE, TRUE, 0);
    const Pixels pressed = Print(plain);
    int shiftedMatches = 0, unshiftedMatches = 0;
    for (int y = 3; y < 20; ++y)
        for (int x = 3; x < 72; ++x) {
            if (pressed.At(x, y) == FaceColour(plain.m_facePressed, x - 1, y - 1)) ++shiftedMatches;
            if (pressed.At(x, y) == FaceColour(plain.m_facePressed, x, y)) ++unshiftedMatches;
        }
    EXPECT_EQ(shiftedMatches, 17 * 69) << "every inner pixel is the face one pixel up and left";
    EXPECT_LT(unshiftedMatches, 17 * 69 / 2) << "the grain differs from pixel to pixel";
    EXPECT_EQ(pressed.At(0, 0), ::GetSysColor(COLOR_3DSHADOW)) << "sunken edge";
    ::SendMessageA(plain.GetSafeHwnd(), BM_SETSTATE, FALSE, 0);

    // A checked check box without edges shows the pressed face unshifted.
    ShadedProbe& check = dialog.m_check;
    ::SendMessageA(check.GetSafeHwnd(), BM_SETCHECK, TRUE, 0);
    const Pixels checked = Print(check);
    EXPECT_EQ(checked.At(0, 0), FaceColour(check.m_facePressed, 0, 0));
    EXPECT_EQ(checked.At(1, 1), FaceColour(check.m_facePressed, 1, 1));

    // The caption of a push-like button moves one pixel right and down.
    ShadedProbe& pushLike = dialog.m_pushLike;
    auto captionTopLeft = [&](const Pixels& pixels) {
        POINT first{-1, -1};
        for (int y = 0; y < pixels.height && first.x < 0; ++y)
            for (int x = 0; x < pixels.width; ++x)
                if (pixels.At(x, y) == kBlueText) {
                    first = POINT{x, y};
                    break;
                }
        return first;
    };
    const POINT up = captionTopLeft(Print(pushLike));
    ::SendMessageA(pushLike.GetSafeHwnd(), BM_SETCHECK, TRUE, 0);
    const POINT down = captionTopLeft(Print(pushLike));
    ASSERT_GE(up.x, 0);
    EXPECT_EQ(down.x, up.x + 1);
    EXPECT_EQ(down.y, up.y + 1);
}

TEST_F(ShadedButtons, ThePressedIconMovesOnePixelRightAndDown) {
    // Away from the edges, so that the sunken edge hides no part of it.
    ShadedProbe& plain = dialog.m_plain;
    plain.SetWindowPos(nullptr, 0, 0, 75, 40, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    plain.CreateShadeFaces(ShadeRowCurve, 8, 20, 5, kTint);
    plain.SetIcon(IDI_SEARCH, BS_LEFT, 0, 0, 4);
    plain.SetWindowText("");
    ASSERT_TRUE(RectIs(plain.m_rcIcon, 8, 10, 28, 30));
    // The icon's ink: every pixel inside the edges that is not the face
    // behind it (the pressed face lies one pixel right and down).
    auto iconInk = [](const Pixels& pixels, const CDib& face, int faceShift) {
        return BoxOfMarked(pixels.width, pixels.height, 2, [&](int x, int y) {
            return pixels.At(x, y) != FaceColour(face, x - faceShift, y - faceShift);
        });
    };
    const RECT up = iconInk(Print(plain), plain.m_faceNormal, 0);
    ::SendMessageA(plain.GetSafeHwnd(), BM_SETSTATE, TRUE, 0);
    const RECT down = iconInk(Print(plain), plain.m_facePressed, 1);
    ::SendMessageA(plain.GetSafeHwnd(), BM_SETSTATE, FALSE, 0);
    ASSERT_LT(up.left, up.right) << "the icon shows";
    EXPECT_GE(up.left, 8);
    EXPECT_LE(up.bottom, 30);
    EXPECT_EQ(RectText(down), RectText(RECT{up.left + 1, up.top + 1, up.right + 1, up.bottom + 1}));
}

TEST_F(ShadedButtons, AFlatButtonShowsItsThinFrameOnlyUnderThePointer) {
    ShadedProbe& flat = dialog.m_flat;
    const RECT client = ClientOf(flat.GetSafeHwnd());
    const int right = client.right - 1, bottom = client.bottom - 1;
    const Pixels normal = Print(flat);
    EXPECT_EQ(normal.At(0, 0), FaceColour(flat.m_faceNormal, 0, 0));
    EXPECT_EQ(normal.At(right, bottom), FaceColour(flat.m_faceNormal, right, bottom));

    Hover(flat);
    const Pixels hover = Print(flat);
    const COLORREF highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT), shadow = ::GetSysColor(COLOR_BTNSHADOW);
    EXPECT_EQ(hover.At(0, 0), highlight);
    EXPECT_EQ(hover.At(right - 1, 0), highlight);
    EXPECT_EQ(hover.At(0, bottom - 1), highlight);
    EXPECT_EQ(hover.At(right, 0), shadow);
    EXPECT_EQ(hover.At(0, bottom), shadow);
    EXPECT_EQ(hover.At(1, 1), FaceColour(flat.m_faceHover, 1, 1)) << "one pixel wide";

    ::SendMessageA(flat.GetSafeHwnd(), BM_SETSTATE, TRUE, 0);
    const Pixels pressed = Print(flat);
    EXPECT_EQ(pressed.At(0, 0), shadow);
    EXPECT_EQ(pressed.At(right, bottom), highlight);
    EXPECT_EQ(pressed.At(1, 1), FaceColour(flat.m_facePressed, 0, 0));
    ::SendMessageA(flat.GetSafeHwnd(), BM_SETSTATE, FALSE, 0);
}

TEST_F(ShadedButtons, ADisabledFlatButtonHasNoRaisedEdge) {
    ShadedProbe& flat = dialog.m_flat;
    flat.EnableWindow(false);
    const Pixels pixels = Print(flat);
    // The two outer rings, where a raised edge would be, show the face.
    int edgePixels = 0, faceOnEdge = 0;
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x) {
            if (x > 1 && y > 1 && x < pixels.width - 2 && y < pixels.height - 2) continue;
            ++edgePixels;
            if (pixels.At(x, y) == FaceColour(flat.m_faceDisabled, x, y)) ++faceOnEdge;
        }
    EXPECT_GT(edgePixels, 200);
    EXPECT_EQ(faceOnEdge, edgePixels);
    EXPECT_GT(pixels.Count(::GetSysColor(COLOR_GRAYTEXT)), 10) << "drawn disabled";
}

TEST_F(ShadedButtons, ScreenshotsOfEveryState) {
    const HWND window = dialog.GetSafeHwnd();
    auto shoot = [&](const char* name) {
        dialog.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        // Wine copies painted windows to the screen a little later.
        PumpMessagesFor(window, 100);
        const Pixels pixels = CaptureScreen(window);
        EXPECT_TRUE(pixels.SaveBmp(OutputPath(name)));
        return pixels;
    };
    ::SendMessageA(dialog.m_radioTwo.GetSafeHwnd(), BM_SETCHECK, TRUE, 0);
    ::SendMessageA(dialog.m_pushLike.GetSafeHwnd(), BM_SETCHECK, TRUE, 0);
    ::SetFocus(dialog.GetDlgItem(IDCANCEL)); // no shaded button shows a focus frame
    Pump();
    const Pixels normal = shoot("shaded_buttons_normal.bmp");
    EXPECT_GT(normal.Count(kBlueText), 100);

    Hover(dialog.m_refresh);
    const Pixels hover = shoot("shaded_buttons_hover.bmp");
    EXPECT_GT(hover.Count(kRedText), 10);
    LeaveAll();

    Mouse(dialog.m_search, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
    ::SendMessageA(dialog.m_check.GetSafeHwnd(), BM_SETCHECK, TRUE, 0);
    shoot("shaded_buttons_pressed.bmp");
    EXPECT_TRUE(Pushed(dialog.m_search));
    Mouse(dialog.m_search, WM_LBUTTONUP, 0, 5, 5);
    LeaveAll();

    dialog.m_refresh.SetFocus();
    shoot("shaded_buttons_focused.bmp");

    for (int id = IDC_SHADED_REFRESH; id <= IDC_SHADED_PLAIN; ++id)
        ::EnableWindow(dialog.GetDlgItem(id), FALSE);
    const Pixels disabled = shoot("shaded_buttons_disabled.bmp");
    EXPECT_EQ(disabled.Count(kBlueText), 0);
    EXPECT_GT(disabled.Count(::GetSysColor(COLOR_GRAYTEXT)), 100);
}

TEST(ShadedButtonLife, TheButtonReleasesItsIconsAndTooltip) {
    HICON normal = nullptr, hover = nullptr;
    HWND tooltip = nullptr;
    {
        ShadedButtonDialog dialog;
        ASSERT_TRUE(dialog.Create());
        dialog.m_plain.SetIcon(IDI_SAVE, BS_LEFT, 0, IDI_SAVE_HOVER, 4);
        dialog.m_plain.SetToolTipTexts("tip", "");
        normal = dialog.m_plain.NormalIcon();
        hover = dialog.m_plain.HoverIcon();
        tooltip = dialog.m_plain.m_toolTip.GetSafeHwnd();
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(normal, &info));
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
        ASSERT_TRUE(::IsWindow(tooltip));
    }
    ICONINFO info{};
    EXPECT_FALSE(::GetIconInfo(normal, &info));
    EXPECT_FALSE(::GetIconInfo(hover, &info));
    EXPECT_FALSE(::IsWindow(tooltip));
    PumpMessages(nullptr);
}

} // namespace
} // namespace testing
} // namespace corvane
