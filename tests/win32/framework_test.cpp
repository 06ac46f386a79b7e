// The dialog framework driven through real windows: message maps and their
// chaining, reflection to controls, default processing and handlers that
// throw, data exchange, ending dialogs, the PreTranslateMessage hook, the
// message-box seam and the owners of GDI objects.

#include "framework/app_win32.h"
#include "framework/file_dialog_win32.h"
#include "framework/gdi_win32.h"
#include "tests/win32/framework_test_dialog.h"
#include "tests/win32/framework_test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <stdexcept>

namespace corvane {
namespace testing {
namespace {

class DialogFramework : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ShowTestDialog(dialog)); }
    void TearDown() override {
        dialog.DestroyWindow();
        PumpMessages(nullptr);
    }
    HWND Item(int id) const { return dialog.GetDlgItem(id); }

    TestDialog dialog;
};

// --- message maps ------------------------------------------------------

class BaseMapDialog : public CDialog {
public:
    BaseMapDialog() : CDialog(IDD_FRAMEWORK_TEST) {}
    int okCalls = 0;

protected:
    void OnOK() override { ++okCalls; } // keeps the dialog open
    LRESULT OnOne(WPARAM, LPARAM) { return 1; }
    LRESULT OnTwo(WPARAM, LPARAM) { return 2; }
    static const MessageMap* ThisMessageMap() {
        static const MessageMapEntry entries[] = {
            MapMessage<&BaseMapDialog::OnOne>(WM_APP + 1),
            MapMessage<&BaseMapDialog::OnTwo>(WM_APP + 2),
        };
        static const MessageMap map{&CDialog::ThisMessageMap, entries, sizeof entries / sizeof entries[0]};
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }
};

class DerivedMapDialog : public BaseMapDialog {
protected:
    LRESULT OnTwo(WPARAM, LPARAM) { return 22; }
    LRESULT OnThree(WPARAM wParam, LPARAM lParam) { return static_cast<LRESULT>(wParam) + lParam; }
    static const MessageMap* ThisMessageMap() {
        static const MessageMapEntry entries[] = {
            MapMessage<&DerivedMapDialog::OnTwo>(WM_APP + 2),
            MapMessage<&DerivedMapDialog::OnThree>(WM_APP + 3),
        };
        static const MessageMap map{&BaseMapDialog::ThisMessageMap, entries, sizeof entries / sizeof entries[0]};
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }
};

TEST(MessageMaps, DerivedEntriesComeFirstAndTheBaseMapsStillAnswer) {
    DerivedMapDialog dialog;
    ASSERT_TRUE(dialog.Create());
    const HWND window = dialog.GetSafeHwnd();
    EXPECT_EQ(::SendMessageA(window, WM_APP + 1, 0, 0), 1) << "entry of the base class's map";
    EXPECT_EQ(::SendMessageA(window, WM_APP + 2, 0, 0), 22) << "the derived entry hides the base one";
    EXPECT_EQ(::SendMessageA(window, WM_APP + 3, 40, 2), 42) << "wParam and lParam reach the handler";
    EXPECT_EQ(::SendMessageA(window, WM_APP + 4, 0, 0), 0) << "unmapped: the dialog manager's default";

    // IDOK is in CDialog's own map and reaches the override of OnOK.
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(dialog.GetDlgItem(IDOK)));
    EXPECT_EQ(dialog.okCalls, 1);
    EXPECT_EQ(dialog.GetEndResult(), -1);
    // IDCANCEL keeps the base OnCancel, which ends the dialog.
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(dialog.GetEndResult(), IDCANCEL);
}

// Commands handled by functions of a file of their own, with when each can
// run, in a map chained below the dialog's.
class CommandFileDialog : public BaseMapDialog {
public:
    int runs = 0;
    bool canRun = false;
    struct Commands {
        static void Run(CommandFileDialog& dialog) { ++dialog.runs; }
        static bool CanRun(CommandFileDialog& dialog) { return dialog.canRun; }
    };

protected:
    static const MessageMap* CommandsMessageMap() {
        static const MessageMapEntry entries[] = {
            MapCommand<&Commands::Run>(40001, 0),
            MapCommandEnabled<&Commands::CanRun>(40001),
        };
        static const MessageMap map{&BaseMapDialog::ThisMessageMap, entries, sizeof entries / sizeof entries[0]};
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return CommandsMessageMap(); }
};

TEST(MessageMaps, FunctionHandlersRunTheirCommandsAndSayWhenTheyCanRun) {
    CommandFileDialog dialog;
    ASSERT_TRUE(dialog.Create());
    ::SendMessageA(dialog.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(40001, 0), 0);
    EXPECT_EQ(dialog.runs, 1);
    EXPECT_EQ(::SendMessageA(dialog.GetSafeHwnd(), WM_APP + 1, 0, 0), 1) << "the chained map's base still answers";
    EXPECT_FALSE(dialog.IsCommandEnabled(40001));
    dialog.canRun = true;
    EXPECT_TRUE(dialog.IsCommandEnabled(40001));
    EXPECT_TRUE(dialog.IsCommandEnabled(40002)) << "a command the map says nothing of can run";
    dialog.DestroyWindow();
}

TEST_F(DialogFramework, PrivateMessagesCarryWParamLParamAndTheirResult) {
    EXPECT_EQ(::SendMessageA(dialog.GetSafeHwnd(), TestDialog::kSumMessage, 7, 35), 7035);
}

TEST_F(DialogFramework, CommandNotificationsFindTheHandlerOfTheirIdAndCode) {
    ::SendMessageA(Item(IDC_TEST_PUSH), BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.pushClicks, 1);
    ::SetWindowTextA(Item(IDC_TEST_EDIT), "typed"); // EN_CHANGE from the edit box
    EXPECT_EQ(dialog.editChanges, 1);
    EXPECT_EQ(dialog.pushClicks, 1) << "another code of another control reaches no other handler";
}

TEST_F(DialogFramework, NotificationResultsGoThroughDwlpMsgResult) {
    NMHDR header{Item(IDC_TEST_PLAIN_LABEL), IDC_TEST_PLAIN_LABEL, TestDialog::kTestNotification};
    const LRESULT result =
        ::SendMessageA(dialog.GetSafeHwnd(), WM_NOTIFY, IDC_TEST_PLAIN_LABEL, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(result, static_cast<LRESULT>(TestDialog::kTestNotificationResult));
    EXPECT_EQ(::GetWindowLongPtrA(dialog.GetSafeHwnd(), DWLP_MSGRESULT),
              static_cast<LONG_PTR>(TestDialog::kTestNotificationResult));

    NMHDR other{Item(IDC_TEST_PLAIN_LABEL), IDC_TEST_PLAIN_LABEL, TestDialog::kTestNotification + 1};
    EXPECT_EQ(::SendMessageA(dialog.GetSafeHwnd(), WM_NOTIFY, IDC_TEST_PLAIN_LABEL, reinterpret_cast<LPARAM>(&other)),
              0)
        << "a code without an entry is not handled";
}

// --- reflection ----------------------------------------------------------

TEST_F(DialogFramework, AControlHandlesItsOwnReflectedClickAndNotification) {
    ::SendMessageA(Item(IDC_TEST_DRAWN), BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.m_drawn.clicks, 1);
    EXPECT_EQ(dialog.drawnClicksSeenByDialog, 0) << "a reflected notification stops at the control";

    NMHDR header{Item(IDC_TEST_DRAWN), IDC_TEST_DRAWN, SelfDrawnButton::kOwnNotification};
    EXPECT_EQ(::SendMessageA(dialog.GetSafeHwnd(), WM_NOTIFY, IDC_TEST_DRAWN, reinterpret_cast<LPARAM>(&header)), 77)
        << "the control's answer, not the dialog's";
}

TEST_F(DialogFramework, OwnerDrawRequestsReachTheControlsDrawItem) {
    EXPECT_EQ(dialog.m_drawn.GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
    const Pixels pixels = PrintClient(Item(IDC_TEST_DRAWN), RGB(0, 255, 0));
    ASSERT_GT(dialog.m_drawn.draws, 0);
    EXPECT_EQ(dialog.m_drawn.lastItem.CtlType, static_cast<UINT>(ODT_BUTTON));
    EXPECT_EQ(dialog.m_drawn.lastItem.CtlID, static_cast<UINT>(IDC_TEST_DRAWN));
    EXPECT_EQ(dialog.m_drawn.lastItem.hwndItem, Item(IDC_TEST_DRAWN));
    EXPECT_EQ(pixels.At(0, 0), SelfDrawnButton::kFace);
    EXPECT_EQ(pixels.At(pixels.width - 1, pixels.height - 1), SelfDrawnButton::kFace);
}

TEST_F(DialogFramework, ParentColourHandlersStartFromTheDefaultAnswer) {
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    const HWND window = dialog.GetSafeHwnd();
    const auto nullBrush = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));

    // A reflecting control: the default is the control's own answer.
    EXPECT_EQ(::SendMessageA(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.GetSafeHdc()),
                             reinterpret_cast<LPARAM>(Item(IDC_TEST_WEB_LINK))),
              nullBrush);
    EXPECT_EQ(reinterpret_cast<LRESULT>(dialog.lastDefaultCtlColor), nullBrush);
    EXPECT_EQ(::GetTextColor(dc), CLinkLabel::kDefaultLinkColor);

    // A plain control: the system's default, which the dialog then replaces.
    ::SetBkMode(dc, OPAQUE);
    EXPECT_EQ(::SendMessageA(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.GetSafeHdc()),
                             reinterpret_cast<LPARAM>(Item(IDC_TEST_PLAIN_LABEL))),
              nullBrush);
    EXPECT_NE(dialog.lastDefaultCtlColor, nullptr);
    EXPECT_NE(reinterpret_cast<LRESULT>(dialog.lastDefaultCtlColor), nullBrush);
    EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);

    // Others keep the default.
    const LRESULT editBrush = ::SendMessageA(window, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc.GetSafeHdc()),
                                             reinterpret_cast<LPARAM>(Item(IDC_TEST_EDIT)));
    EXPECT_EQ(editBrush, reinterpret_cast<LRESULT>(dialog.lastDefaultCtlColor));
    EXPECT_NE(editBrush, 0);
}

// --- default processing and dispatch ----------------------------------------

// Handlers that build on Default(): the dialog manager's default button and
// dialog background, an edit box's own text length. With `refuse`, the
// default button's handler throws something other than a std::exception and
// the edit box's text handler a std::exception.
class DefaultProbeDialog : public TestDialog {
public:
    bool refuse = false;
    LRESULT defaultButton = 0;
    LRESULT sumSentFirst = 0;
    LRESULT defaultBackground = 0;

protected:
    LRESULT OnGetDefId(WPARAM, LPARAM) {
        if (refuse) throw 42;
        sumSentFirst = SendMessage(kSumMessage, 7, 35);
        defaultButton = Default();
        return MAKELRESULT(IDC_TEST_PUSH, DC_HASDEFID);
    }
    LRESULT OnDialogColour(WPARAM, LPARAM) {
        defaultBackground = Default();
        return reinterpret_cast<LRESULT>(::GetStockObject(BLACK_BRUSH));
    }
    static const MessageMap* ThisMessageMap() {
        static const MessageMapEntry entries[] = {
            MapMessage<&DefaultProbeDialog::OnGetDefId>(DM_GETDEFID),
            MapMessage<&DefaultProbeDialog::OnDialogColour>(WM_CTLCOLORDLG),
        };
        static const MessageMap map{&TestDialog::ThisMessageMap, entries, sizeof entries / sizeof entries[0]};
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }
};

class DefaultProbeEdit : public CEdit {
public:
    bool refuse = false;

protected:
    LRESULT OnGetTextLength(WPARAM, LPARAM) { return Default() * 10; }
    LRESULT OnSetText(WPARAM, LPARAM) {
        if (refuse) throw std::runtime_error("no new text");
        return Default();
    }
    static const MessageMap* ThisMessageMap() {
        static const MessageMapEntry entries[] = {
            MapMessage<&DefaultProbeEdit::OnGetTextLength>(WM_GETTEXTLENGTH),
            MapMessage<&DefaultProbeEdit::OnSetText>(WM_SETTEXT),
        };
        static const MessageMap map{&CEdit::ThisMessageMap, entries, sizeof entries / sizeof entries[0]};
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }
};

class DefaultProcessing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dialog.Create());
        dialog.m_edit.UnsubclassWindow();
        ASSERT_TRUE(edit.SubclassDlgItem(IDC_TEST_EDIT, dialog));
    }

    DefaultProbeDialog dialog;
    DefaultProbeEdit edit; // goes before the dialog
};

TEST_F(DefaultProcessing, DefaultReturnsTheDialogManagersOrThePreviousProceduresAnswerToTheHandler) {
    const HWND window = dialog.GetSafeHwnd();
    EXPECT_EQ(::SendMessageA(window, DM_GETDEFID, 0, 0), MAKELRESULT(IDC_TEST_PUSH, DC_HASDEFID))
        << "the handler's answer is the result";
    EXPECT_EQ(dialog.defaultButton, MAKELRESULT(IDOK, DC_HASDEFID)) << "the template's default button";
    EXPECT_EQ(dialog.sumSentFirst, 7035) << "a message sent before Default() keeps its own handler";

    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    EXPECT_EQ(::SendMessageA(window, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc.GetSafeHdc()),
                             reinterpret_cast<LPARAM>(window)),
              reinterpret_cast<LRESULT>(::GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(dialog.defaultBackground, reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_3DFACE)));

    edit.SetWindowText("four");
    EXPECT_EQ(edit.SendMessage(WM_GETTEXTLENGTH), 40);
}

TEST(DialogDispatch, AWindowProcOverrideSeesItsDialogsMessages) {
    class Watching : public TestDialog {
    public:
        std::vector<UINT> seen;

    protected:
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
            seen.push_back(message);
            const LRESULT result = TestDialog::WindowProc(message, wParam, lParam);
            return message == kSumMessage ? result + 1 : result;
        }
    } dialog;
    ASSERT_TRUE(dialog.Create());
    ASSERT_FALSE(dialog.seen.empty());
    EXPECT_EQ(dialog.seen.front(), static_cast<UINT>(WM_INITDIALOG));
    EXPECT_EQ(dialog.initDialogCalls, 1);
    EXPECT_EQ(::SendMessageA(dialog.GetSafeHwnd(), TestDialog::kSumMessage, 7, 35), 7036);
}

TEST_F(DefaultProcessing, AThrowingHandlersMessageIsLoggedAndGetsTheDefaultProcessing) {
    dialog.refuse = edit.refuse = true;
    DebugOutputRecorder debugOutput;

    EXPECT_TRUE(::SetWindowTextA(edit.GetSafeHwnd(), "set all the same"));
    EXPECT_EQ(WindowText(edit.GetSafeHwnd()), "set all the same") << "the edit box's own procedure";
    EXPECT_NE(debugOutput.text.find("message 0x000C threw: no new text\n"), std::string::npos) << debugOutput.text;

    EXPECT_EQ(::SendMessageA(dialog.GetSafeHwnd(), DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID))
        << "the dialog manager's answer";
    EXPECT_NE(debugOutput.text.find("message 0x0400 threw something other than a std::exception"), std::string::npos)
        << debugOutput.text;
}

// --- data exchange and dialog life ------------------------------------------

TEST_F(DialogFramework, DataExchangeBindsControlsInTheOrderOfItsCalls) {
    EXPECT_EQ(dialog.bindOrder, TestDialogBindOrder());
    EXPECT_EQ(dialog.initDialogCalls, 1);
    EXPECT_EQ(CWnd::FromHandle(Item(IDC_TEST_WEB_LINK)), &dialog.m_linkWeb);
    EXPECT_EQ(CWnd::FromHandle(Item(IDC_TEST_PUSH)), &dialog.m_push);
    EXPECT_EQ(CWnd::FromHandle(Item(IDOK)), nullptr) << "controls without a member stay unbound";
    EXPECT_EQ(CWnd::FromHandle(dialog.GetSafeHwnd()), &dialog);

    // A second exchange leaves bound controls alone.
    EXPECT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_EQ(dialog.bindOrder, TestDialogBindOrder());
}

TEST(DialogLife, ModalDialogsEndWithTheResultOfTheirCommand) {
    class EndingDialog : public TestDialog {
    public:
        explicit EndingDialog(int command) : m_command(command) {}
        HWND boundWhileOpen = nullptr;
        BOOL OnInitDialog() override {
            const BOOL result = TestDialog::OnInitDialog();
            boundWhileOpen = m_linkWeb.GetSafeHwnd();
            // Handled by the modal loop once it runs.
            PostMessage(WM_COMMAND, MAKEWPARAM(m_command, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(m_command)));
            return result;
        }

    private:
        int m_command;
    };
    EndingDialog ok(IDOK);
    EXPECT_EQ(ok.DoModal(), IDOK);
    EXPECT_EQ(ok.initDialogCalls, 1);
    EXPECT_NE(ok.boundWhileOpen, nullptr);
    EXPECT_EQ(ok.GetSafeHwnd(), nullptr) << "the window is gone when DoModal returns";
    EXPECT_EQ(ok.m_linkWeb.GetSafeHwnd(), nullptr) << "and the controls are detached";

    EndingDialog cancel(IDCANCEL);
    EXPECT_EQ(cancel.DoModal(), IDCANCEL);

    // The caption's close command ends it with IDCANCEL too.
    class ClosingDialog : public TestDialog {
    public:
        BOOL OnInitDialog() override {
            const BOOL result = TestDialog::OnInitDialog();
            PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
            return result;
        }
    } closed;
    EXPECT_EQ(closed.DoModal(), IDCANCEL);
}

TEST(DialogLife, AModelessDialogThatEndsIsDestroyed) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    const HWND window = dialog.GetSafeHwnd();
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
    EXPECT_EQ(dialog.m_linkWeb.GetSafeHwnd(), nullptr) << "and its controls are detached";
    EXPECT_EQ(dialog.GetEndResult(), IDOK);
}

TEST(DialogLife, AMissingTemplateFailsWithoutAWindow) {
    CDialog missing(4242);
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_FALSE(missing.Create());
}

TEST(DialogLife, TheModalLoopOffersMessagesToPreTranslateMessage) {
    class HoverDialog : public TestDialog {
    public:
        BOOL OnInitDialog() override {
            const BOOL result = TestDialog::OnInitDialog();
            ::PostMessageA(GetDlgItem(IDC_TEST_WEB_LINK), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
            PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return result;
        }
    } dialog;
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_linkWeb.preTranslatedMoves, 1);
    EXPECT_EQ(dialog.m_linkAbout.preTranslatedMoves, 0);
}

// --- seams ------------------------------------------------------------------

TEST_F(DialogFramework, MessageBoxesGoThroughTheSeamWithOwnerTextCaptionAndIcon) {
    {
        MessageBoxRecorder answers(IDRETRY);
        EXPECT_EQ(dialog.MessageBox("Failed to read", "Corvane", MB_ICONERROR), IDRETRY);
        ASSERT_EQ(answers.calls.size(), 1u);
        EXPECT_EQ(answers.calls[0].owner, dialog.GetSafeHwnd());
        EXPECT_EQ(answers.calls[0].text, "Failed to read");
        EXPECT_EQ(answers.calls[0].caption, "Corvane");
        EXPECT_EQ(answers.calls[0].type, static_cast<UINT>(MB_ICONERROR));
        {
            MessageBoxRecorder inner(IDNO);
            EXPECT_EQ(ShowMessageBox(nullptr, "inner", "c", MB_OK), IDNO);
        }
        EXPECT_EQ(ShowMessageBox(nullptr, "outer again", "c", MB_OK), IDRETRY) << "the previous handler is back";
        EXPECT_EQ(answers.calls.size(), 2u);
    }
}

// The platform's own message box, answered by a hook when it activates: the
// seam's empty handler really calls it with the owner, text and caption.
HHOOK g_answerHook = nullptr;
HWND g_boxOwner = nullptr;
std::string g_seenCaption;
LRESULT CALLBACK AnswerMessageBox(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        const auto window = reinterpret_cast<HWND>(wParam);
        char className[32] = {};
        ::GetClassNameA(window, className, sizeof className);
        if (std::strcmp(className, "#32770") == 0 && ::GetWindow(window, GW_OWNER) == g_boxOwner) {
            char caption[64] = {};
            ::GetWindowTextA(window, caption, sizeof caption);
            g_seenCaption = caption;
            ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    }
    return ::CallNextHookEx(g_answerHook, code, wParam, lParam);
}

TEST_F(DialogFramework, WithoutAHandlerTheSystemMessageBoxShows) {
    g_boxOwner = dialog.GetSafeHwnd();
    g_seenCaption.clear();
    g_answerHook = ::SetWindowsHookExA(WH_CBT, &AnswerMessageBox, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(g_answerHook, nullptr);
    const int answer = dialog.MessageBox("Shown for real", "Corvane real box", MB_OKCANCEL | MB_ICONINFORMATION);
    ::UnhookWindowsHookEx(g_answerHook);
    EXPECT_EQ(answer, IDCANCEL);
    EXPECT_EQ(g_seenCaption, "Corvane real box");
}

TEST(FileDialog, TurnsTheBarSeparatedFilterIntoPairsAndReturnsThePath) {
    std::string filter, initialName;
    DWORD flags = 0;
    bool openMode = true;
    auto previous = SetFileDialogHandler([&](OPENFILENAMEA& request, bool open) {
        openMode = open;
        flags = request.Flags;
        initialName = request.lpstrFile;
        for (const char* p = request.lpstrFilter; *p; p += std::strlen(p) + 1)
            filter += std::string(p) + "|";
        std::strcpy(request.lpstrFile, "C:\\out\\HeapData");
        return true;
    });
    CFileDialog save(FALSE, nullptr, "HeapData", OFN_PATHMUSTEXIST, "All Files (*.*)|*.*||");
    EXPECT_EQ(save.DoModal(), IDOK);
    EXPECT_FALSE(openMode);
    EXPECT_EQ(filter, "All Files (*.*)|*.*|");
    EXPECT_EQ(initialName, "HeapData");
    EXPECT_EQ(flags & ~static_cast<DWORD>(OFN_EXPLORER), static_cast<DWORD>(OFN_PATHMUSTEXIST));
    EXPECT_EQ(save.GetPathName(), "C:\\out\\HeapData");

    SetFileDialogHandler([](OPENFILENAMEA&, bool) { return false; });
    CFileDialog cancelled(FALSE, nullptr, "HeapData", OFN_PATHMUSTEXIST, "All Files (*.*)|*.*||");
    EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
    SetFileDialogHandler(std::move(previous));
}

// --- application object -------------------------------------------------------

TEST(Application, RunsInitInstanceAndEndsWhenItReturnsFalse) {
    class App : public CWinApp {
    public:
        int runs = 0;
        BOOL InitInstance() override {
            ++runs;
            CWinApp::InitInstance();
            return FALSE;
        }
        int ExitInstance() override { return 7; }
    } app;
    EXPECT_EQ(GetApp(), &app);
    EXPECT_EQ(RunApp(app, nullptr), 7);
    EXPECT_EQ(app.runs, 1);
    EXPECT_EQ(app.m_hInstance, ::GetModuleHandleA(nullptr));
    EXPECT_EQ(ResourceModule(), ::GetModuleHandleA(nullptr));
}

TEST(Application, DialogsWithoutAParentAreOwnedByTheMainWindow) {
    class OwnerProbe : public CDialog {
    public:
        OwnerProbe() : CDialog(IDD_FRAMEWORK_TEST) {}
        HWND owner = nullptr;
        BOOL OnInitDialog() override {
            owner = ::GetWindow(GetSafeHwnd(), GW_OWNER);
            EndDialog(IDOK);
            return CDialog::OnInitDialog();
        }
    };
    CWinApp app;
    TestDialog main;
    ASSERT_TRUE(main.Create());
    app.m_pMainWnd = &main;
    OwnerProbe probe;
    EXPECT_EQ(probe.DoModal(), IDOK);
    EXPECT_EQ(probe.owner, main.GetSafeHwnd());
    main.DestroyWindow();
}

// --- owners of GDI objects and device contexts ---------------------------------

TEST(GdiOwners, ReleaseWhatTheyCreateExactlyOnce) {
    HGDIOBJ font = nullptr;
    {
        CFont owner;
        ASSERT_TRUE(owner.CreateFont(14, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Georgia"));
        font = owner.GetSafeHandle();
        EXPECT_EQ(::GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
        CFont moved(std::move(owner));
        EXPECT_EQ(owner.GetSafeHandle(), nullptr);
        EXPECT_EQ(moved.GetSafeHandle(), font);
    }
    EXPECT_EQ(::GetObjectType(font), 0u) << "deleted when its last owner went";

    HDC memory = nullptr;
    HGDIOBJ bitmap = nullptr;
    {
        CDC dc;
        ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
        memory = dc.GetSafeHdc();
        EXPECT_EQ(::GetObjectType(memory), static_cast<DWORD>(OBJ_MEMDC));
        const HGDIOBJ original = ::GetCurrentObject(dc, OBJ_BITMAP);
        CBitmap owner;
        ASSERT_TRUE(owner.CreateCompatibleBitmap(dc, 8, 8));
        bitmap = owner.GetSafeHandle();
        {
            CSelectObject selected(dc, owner.GetSafeHandle());
            EXPECT_TRUE(selected.Succeeded());
            EXPECT_EQ(::GetCurrentObject(dc, OBJ_BITMAP), bitmap);
        }
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_BITMAP), original) << "the previous bitmap is back";
        // Declared after the DC, the bitmap goes first; it could not if it
        // were still selected.
    }
    EXPECT_EQ(::GetObjectType(bitmap), 0u);
    EXPECT_EQ(::GetObjectType(memory), 0u);

    CFont replaced;
    ASSERT_TRUE(replaced.CreateFont(10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"));
    const HGDIOBJ first = replaced.GetSafeHandle();
    ASSERT_TRUE(replaced.CreateFont(12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"));
    EXPECT_EQ(::GetObjectType(first), 0u) << "creating again releases the previous font";
}

TEST_F(DialogFramework, PaintScopesValidateWhatTheyPaint) {
    dialog.Invalidate(true);
    dialog.UpdateWindow();
    RECT update{};
    EXPECT_FALSE(::GetUpdateRect(dialog.GetSafeHwnd(), &update, FALSE));
}

TEST(WindowOwners, OwnedWindowsGoWithTheirObjectOrDetachWhenDestroyedFirst) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    HWND tipWindow = nullptr;
    {
        CToolTipCtrl tip;
        ASSERT_TRUE(tip.Create(dialog));
        tipWindow = tip.GetSafeHwnd();
        EXPECT_TRUE(::IsWindow(tipWindow));
        EXPECT_EQ(CWnd::FromHandle(tipWindow), &tip);
    }
    EXPECT_FALSE(::IsWindow(tipWindow));

    CToolTipCtrl outlived;
    ASSERT_TRUE(outlived.Create(dialog));
    tipWindow = outlived.GetSafeHwnd();
    dialog.DestroyWindow(); // takes its owned popups with it
    EXPECT_FALSE(::IsWindow(tipWindow));
    EXPECT_EQ(outlived.GetSafeHwnd(), nullptr) << "the object saw its window go";
    EXPECT_FALSE(outlived.UpdateTipText("x", nullptr, 1)) << "no window: an invalid argument";
}

TEST(WindowOwners, AnObjectGoingBeforeItsControlGivesTheControlItsProcedureBack) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    const HWND edit = dialog.GetDlgItem(IDC_TEST_EDIT);
    const auto bound = ::GetWindowLongPtrA(edit, GWLP_WNDPROC);
    dialog.m_edit.UnsubclassWindow();
    const auto own = ::GetWindowLongPtrA(edit, GWLP_WNDPROC);
    EXPECT_NE(own, bound);
    EXPECT_EQ(dialog.m_edit.GetSafeHwnd(), nullptr);
    {
        CEdit temporary;
        ASSERT_TRUE(temporary.SubclassWindow(edit));
        EXPECT_FALSE(dialog.m_edit.SubclassWindow(edit)) << "one object per window";
        EXPECT_EQ(::GetWindowLongPtrA(edit, GWLP_WNDPROC), bound);
        temporary.SetWindowText("still works");
    }
    EXPECT_EQ(CWnd::FromHandle(edit), nullptr);
    EXPECT_EQ(::GetWindowLongPtrA(edit, GWLP_WNDPROC), own);
    EXPECT_EQ(WindowText(edit), "still works");
    ::SetWindowTextA(edit, "and after"); // the control's own procedure answers
    EXPECT_EQ(WindowText(edit), "and after");
}

} // namespace
} // namespace testing
} // namespace corvane
