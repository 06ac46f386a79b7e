#include "ui/win32/corvane_dialog_win32.h"

#include "app/corvane_app_win32.h"

#include "controls/runtime_random.h"
#include "heap/process_list.h"
#include "res/resource.h"
#include "tests/support/fake_platform_win32.h"
#include "tests/win32/block_helper.h"
#include "tests/win32/framework_test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <utility>

namespace corvane {
namespace {

using testing::FakePlatform;
using testing::HasVisibleStyle;
using testing::MessageBoxRecorder;
using testing::PumpMessages;
using testing::ShowTestDialog;
using testing::WindowText;

// One control of a dialog template as the resource holds it.
struct TemplateItem {
    int id;
    std::string className;
    std::string text;
    DWORD style, exStyle;
    RECT units; // x, y, width, height in dialog units
};

struct Template {
    DWORD style = 0, exStyle = 0;
    int width = 0, height = 0;
    std::string caption, font;
    int pointSize = 0;
    std::vector<TemplateItem> items;
};

// Reads a string-or-ordinal field; ordinals of the predefined classes become their names.
std::string ReadField(const WORD*& p) {
    if (*p == 0x0000) {
        ++p;
        return "";
    }
    if (*p == 0xFFFF) {
        const WORD ordinal = p[1];
        p += 2;
        static const std::map<WORD, std::string> classes = {{0x80, "Button"},  {0x81, "Edit"},      {0x82, "Static"},
                                                            {0x83, "ListBox"}, {0x84, "ScrollBar"}, {0x85, "ComboBox"}};
        const auto it = classes.find(ordinal);
        return it != classes.end() ? it->second : "#" + std::to_string(ordinal);
    }
    std::string text;
    while (*p)
        text += static_cast<char>(*p++);
    ++p;
    return text;
}

Template ReadTemplate(int id) {
    Template result;
    HRSRC found = ::FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5)); // RT_DIALOG
    if (!found) return result;
    const auto* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(nullptr, found)));
    const WORD* p = reinterpret_cast<const WORD*>(bytes);
    if (p[1] != 0xFFFF) return result; // not an extended template
    DWORD fields[3];
    std::memcpy(fields, p + 2, sizeof fields);
    result.exStyle = fields[1];
    result.style = fields[2];
    const WORD count = p[8];
    result.width = static_cast<short>(p[11]);
    result.height = static_cast<short>(p[12]);
    p += 13;
    ReadField(p); // menu
    ReadField(p); // class
    result.caption = ReadField(p);
    result.pointSize = p[0];
    p += 3; // point size, weight, italic and charset
    result.font = ReadField(p);
    for (WORD i = 0; i < count; ++i) {
        p = reinterpret_cast<const WORD*>((reinterpret_cast<std::uintptr_t>(p) + 3) & ~std::uintptr_t{3});
        DWORD header[3];
        std::memcpy(header, p, sizeof header);
        TemplateItem item;
        item.exStyle = header[1];
        item.style = header[2];
        item.units = {static_cast<short>(p[6]), static_cast<short>(p[7]), static_cast<short>(p[8]),
                      static_cast<short>(p[9])};
        DWORD itemId;
        std::memcpy(&itemId, p + 10, sizeof itemId);
        item.id = static_cast<int>(itemId);
        p += 12;
        item.className = ReadField(p);
        item.text = ReadField(p);
        const WORD extra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
        result.items.push_back(item);
    }
    return result;
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

LOGFONTA FontOf(HWND window) {
    LOGFONTA font = {};
    auto handle = reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0));
    if (handle) ::GetObjectA(handle, sizeof font, &font);
    return font;
}

BOOL CALLBACK CollectToolTipTexts(HWND window, LPARAM found) {
    if (ClassOf(window) != TOOLTIPS_CLASSA) return TRUE;
    const int count = static_cast<int>(::SendMessageA(window, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[512] = {};
        TOOLINFOA tool = {};
        tool.cbSize = kToolInfoSize;
        tool.lpszText = text;
        if (::SendMessageA(window, TTM_ENUMTOOLSA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&tool)))
            reinterpret_cast<std::set<std::string>*>(found)->insert(text);
    }
    return TRUE;
}

// Every tooltip text of this thread's tooltip windows.
std::set<std::string> ToolTipTexts() {
    std::set<std::string> texts;
    ::EnumThreadWindows(::GetCurrentThreadId(), &CollectToolTipTexts, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

class MainDialog : public ::testing::Test {
protected:
    FakePlatform platform;
    std::unique_ptr<CCorvaneDlg> dialog;
    std::unique_ptr<MessageBoxRecorder> boxes;

    void SetUp() override {
        platform.processes.processes = {{4, "System"}, {1234, "notepad.exe"}, {99, "a[1].exe"}, {77, "zeta.exe"}};
    }
    // Shows the dialog; with `argument`, as the command line hands it over.
    void Start(const char* argument = nullptr) {
        // The recorders restore the handler they found, so the old one goes first.
        boxes.reset();
        boxes = std::make_unique<MessageBoxRecorder>(IDOK);
        dialog.reset();
        dialog = std::make_unique<CCorvaneDlg>(platform);
        if (argument) dialog->PickProcessAtStart(ReadProcessArgument(argument));
        ASSERT_TRUE(ShowTestDialog(*dialog));
    }
    int NodeRows() const { return static_cast<int>(::SendMessageA(item(IDC_NODE_LIST), LVM_GETITEMCOUNT, 0, 0)); }
    void TearDown() override {
        if (dialog) dialog->DestroyWindow();
    }
    HWND hwnd() const { return dialog->GetSafeHwnd(); }
    HWND item(int id) const { return ::GetDlgItem(hwnd(), id); }
    std::string ComboText(int index) const {
        char text[512] = {};
        ::SendMessageA(item(IDC_PROCESS_COMBO), CB_GETLBTEXT, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(text));
        return text;
    }
};

struct ExpectedControl {
    int id;
    const char* className;
    const char* text;
    DWORD style, exStyle;
    RECT units;
};

// The layout of the main window, control by control in template order.
const ExpectedControl kLayout[] = {
    {IDC_REFRESH, "Button", "&Refresh", 0x50010301, 0x1000, {296, 98, 66, 17}},
    {IDC_PROCESS_LABEL, "Static", "Process Name:", 0x50020000, 0, {65, 103, 48, 9}},
    {IDC_PROCESS_COMBO, "ComboBox", "", 0x50210103, 0, {117, 100, 166, 13}},
    // The lists ask for their texts (owner data, 0x1000).
    {IDC_NODE_LIST, "SysListView32", "", 0x5081180D, 0, {16, 141, 393, 135}},
    {IDC_BLOCK_LIST, "SysListView32", "", 0x5081180D, 0, {16, 301, 394, 117}},
    {IDC_DATA_LIST, "ListBox", "", 0x40A10141, 0, {16, 153, 393, 124}},
    {IDC_CLOSE_DATA, "Button", "", 0x50010340, 0, {388, 135, 21, 16}},
    {IDC_SAVE_DATA, "Button", "", 0x50010300, 0, {361, 135, 21, 16}},
    // The banner stretches to its control (SS_REALSIZECONTROL).
    {IDC_STATIC, "Static", "", 0x5000004E, 0, {7, 8, 415, 74}},
    {IDC_NODE_GROUP, "Button", "Heap Node List", 0x50000007, 0, {7, 128, 413, 156}},
    {IDC_BLOCK_GROUP, "Button", "Heap Blocks List", 0x50000007, 0, {7, 289, 413, 134}},
    {IDC_STATIC, "Button", "Select the Process", 0x50000007, 0, {7, 88, 413, 35}},
#if defined(_WIN64)
    // The 64-bit tool row makes room for a position of sixteen digits.
    {IDC_SEARCH, "Button", "", 0x50010300, 0, {149, 135, 54, 16}},
    {IDC_SEARCH_EDIT, "Edit", "", 0x50810080, 0, {16, 137, 94, 12}},
    {IDC_UNICODE_CHECK, "Button", "", 0x50010003, 0, {112, 139, 10, 10}},
    {IDC_POSITION_LABEL, "Static", "Position:", 0x50020000, 0x20000, {208, 137, 150, 12}},
#else
    {IDC_SEARCH, "Button", "", 0x50010300, 0, {171, 135, 54, 16}},
    {IDC_SEARCH_EDIT, "Edit", "", 0x50810080, 0, {16, 137, 116, 12}},
    {IDC_UNICODE_CHECK, "Button", "", 0x50010003, 0, {134, 139, 10, 10}},
    {IDC_POSITION_LABEL, "Static", "Position:", 0x50020000, 0x20000, {230, 137, 128, 12}},
#endif
    {IDC_WEB_LINK, "Static", "www.example.com", 0x50020000, 0, {261, 68, 113, 11}},
    {IDC_ABOUT_LINK, "Static", "About", 0x50020000, 0, {385, 68, 29, 11}},
#if defined(_WIN64)
    {IDC_UNICODE_LABEL, "Static", "unicode", 0x50020000, 0, {122, 140, 27, 9}},
#else
    {IDC_UNICODE_LABEL, "Static", "unicode", 0x50020000, 0, {144, 140, 27, 9}},
#endif
};

TEST(MainDialogTemplate, EveryControlInOrderWithItsStylesAndPlace) {
    const Template layout = ReadTemplate(IDD_CORVANE_DIALOG);
    EXPECT_EQ(layout.style, 0x90CA00C8u);
    EXPECT_EQ(layout.exStyle, 0x00040000u);
    EXPECT_EQ(layout.width, 429);
    EXPECT_EQ(layout.height, 431);
    EXPECT_EQ(layout.caption, "Corvane - www.example.com");
    EXPECT_EQ(layout.font, "MS Shell Dlg");
    EXPECT_EQ(layout.pointSize, 8);
    ASSERT_EQ(layout.items.size(), std::size(kLayout));
    for (std::size_t i = 0; i < layout.items.size(); ++i) {
        const TemplateItem& item = layout.items[i];
        const ExpectedControl& want = kLayout[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(item.id, want.id);
        EXPECT_EQ(_stricmp(item.className.c_str(), want.className), 0) << item.className;
        if (want.id != IDC_STATIC || std::string(want.className) != "Static") {
            EXPECT_EQ(item.text, want.text);
        }
        EXPECT_EQ(item.style, want.style) << std::hex << item.style;
        EXPECT_EQ(item.exStyle, want.exStyle) << std::hex << item.exStyle;
        EXPECT_EQ(item.units.left, want.units.left);
        EXPECT_EQ(item.units.top, want.units.top);
        EXPECT_EQ(item.units.right, want.units.right);
        EXPECT_EQ(item.units.bottom, want.units.bottom);
    }
}

TEST_F(MainDialog, ControlsStandWhereTheTemplatePutsThem) {
    Start();
    for (const ExpectedControl& want : kLayout) {
        if (want.id == IDC_STATIC) continue;
        SCOPED_TRACE(want.id);
        HWND control = item(want.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(_stricmp(ClassOf(control).c_str(), want.className), 0) << ClassOf(control);
        // The dialog manager converts the position and the size separately.
        RECT expected = {want.units.left, want.units.top, want.units.left, want.units.top};
        RECT size = {0, 0, want.units.right, want.units.bottom};
        ::MapDialogRect(hwnd(), &expected);
        ::MapDialogRect(hwnd(), &size);
        expected.right = expected.left + size.right;
        expected.bottom = expected.top + size.bottom;
        RECT actual = {};
        ::GetWindowRect(control, &actual);
        ::MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        if (want.id == IDC_PROCESS_COMBO) {
            EXPECT_EQ(actual.right - actual.left, 250) << "resized to 250 pixels";
        } else {
            EXPECT_EQ(actual.right, expected.right);
            EXPECT_EQ(actual.bottom, expected.bottom);
        }
    }
    EXPECT_EQ(WindowText(item(IDC_SEARCH_EDIT)), "Search...");
}

TEST_F(MainDialog, ListsGetTheirColumnsAndStyles) {
    Start();
    struct Want {
        int id;
        std::vector<std::pair<std::string, int>> columns;
    };
    const Want lists[] = {
        {IDC_NODE_LIST,
         {{"Heap Node Index", 100},
          {"Node Base Address", 110},
          {"Block Count", 80},
          {"Committed Size", 95},
          {"Allocated Size", 95},
          {"Flags", 104}}},
        {IDC_BLOCK_LIST,
         {{"Heap Block Index", 100},
          {"Block Address", 120},
          {"Block Size", 120},
          {"Allocation Type", 100},
          {"Status", 147}}},
    };
    for (const Want& list : lists) {
        const HWND view = item(list.id);
        EXPECT_EQ(::SendMessageA(view, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0x4421);
        HWND header = reinterpret_cast<HWND>(::SendMessageA(view, LVM_GETHEADER, 0, 0));
        ASSERT_EQ(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(list.columns.size()));
        int widths = 0;
        for (std::size_t c = 0; c < list.columns.size(); ++c) {
            char heading[64] = {};
            LVCOLUMNA column = {};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            column.pszText = heading;
            column.cchTextMax = sizeof heading;
            ASSERT_TRUE(::SendMessageA(view, LVM_GETCOLUMNA, c, reinterpret_cast<LPARAM>(&column)));
            EXPECT_EQ(heading, list.columns[c].first);
            // A 64-bit process's addresses and sizes may need wider columns
            // than these, which the last column then gives back.
            const bool hexadecimal = list.id == IDC_NODE_LIST ? (c == 1 || c == 3 || c == 4) : (c == 1 || c == 2);
            if (sizeof(void*) == 4 || (!hexadecimal && c + 1 < list.columns.size()))
                EXPECT_EQ(column.cx, list.columns[c].second) << heading;
            else if (hexadecimal)
                EXPECT_GE(column.cx, list.columns[c].second) << heading;
            else
                EXPECT_LE(column.cx, list.columns[c].second) << heading;
            // Whatever its digits, an address or size fits its column.
            for (const char digit : std::string("0123456789abcdef")) {
                if (!hexadecimal) break;
                const std::string text = "0x" + std::string(sizeof(void*) * 2, digit);
                EXPECT_LE(::SendMessageA(view, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text.c_str())) + 12,
                          column.cx)
                    << text << " in " << heading;
            }
            widths += column.cx;
            EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
        }
        if (list.id == IDC_BLOCK_LIST) {
            RECT client = {};
            ::GetClientRect(view, &client);
            EXPECT_LE(widths, client.right) << "the block list needs no sideways scrolling";
        }
    }
}

TEST_F(MainDialog, ThePositionLabelHoldsTheWidestPositionOfTheProgramsAddresses) {
    Start();
    const HWND label = item(IDC_POSITION_LABEL);
    const std::string widest = " Position: " + testing::RowHex(0) + " (16777215)";
    const HDC dc = ::GetDC(label);
    const HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    ::GetTextExtentPoint32A(dc, widest.c_str(), static_cast<int>(widest.size()), &extent);
    ::SelectObject(dc, previous);
    ::ReleaseDC(label, dc);
    RECT client = {};
    ::GetClientRect(label, &client);
    EXPECT_LE(extent.cx, client.right) << widest;
}

TEST_F(MainDialog, FontsAndToolTips) {
    Start();
    const LOGFONTA data = FontOf(item(IDC_DATA_LIST));
    EXPECT_STREQ(data.lfFaceName, "Courier New");
    EXPECT_EQ(data.lfHeight, 14);
    EXPECT_EQ(data.lfWeight, FW_NORMAL);
    EXPECT_EQ(data.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(::SendMessageA(item(IDC_DATA_LIST), LB_GETHORIZONTALEXTENT, 0, 0), 740);
    for (int id : {IDC_WEB_LINK, IDC_ABOUT_LINK}) {
        const LOGFONTA link = FontOf(item(id));
        EXPECT_STREQ(link.lfFaceName, "Georgia") << id;
        EXPECT_EQ(link.lfHeight, 14);
        EXPECT_EQ(link.lfWeight, FW_BOLD);
        EXPECT_FALSE(link.lfUnderline) << "the bold font replaces the link's underlined one";
        EXPECT_EQ(link.lfQuality, ANTIALIASED_QUALITY);
    }
    const std::set<std::string> tips = ToolTipTexts();
    for (const char* tip :
         {"Refresh the current process list (F5)", "Search for text in the heap data below (Ctrl+F, F3: find again)",
          "Save the displayed heap data to the file", "Close the heap data window and display main heap list",
          "Click here to get the latest version of Corvane"})
        EXPECT_TRUE(tips.count(tip)) << tip;
}

TEST_F(MainDialog, StartsInTheNodeViewWithTheFirstProcessChosen) {
    Start();
    EXPECT_TRUE(HasVisibleStyle(item(IDC_NODE_LIST)));
    for (int id : {IDC_DATA_LIST, IDC_CLOSE_DATA, IDC_SAVE_DATA, IDC_SEARCH, IDC_SEARCH_EDIT, IDC_UNICODE_CHECK,
                   IDC_UNICODE_LABEL, IDC_POSITION_LABEL})
        EXPECT_FALSE(HasVisibleStyle(item(id))) << id;
    EXPECT_EQ(WindowText(item(IDC_NODE_GROUP)), "Heap Node List");
    ASSERT_EQ(::SendMessageA(item(IDC_PROCESS_COMBO), CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(::SendMessageA(item(IDC_PROCESS_COMBO), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(ComboText(0), "a[1].exe    [99]") << "kept sorted by text";
    EXPECT_EQ(dialog->GetSelectedProcessId(), 99);
    EXPECT_EQ(platform.privilegeCalls, 1);
    EXPECT_TRUE(platform.exits.empty());
    EXPECT_TRUE(boxes->calls.empty());
    EXPECT_EQ(::SendMessageA(item(IDC_NODE_LIST), LVM_GETITEMCOUNT, 0, 0), 0) << "no heap listed before a choice";

    HMENU menu = ::GetSystemMenu(hwnd(), FALSE);
    char entry[64] = {};
    ::GetMenuStringA(menu, IDM_ABOUTBOX, entry, sizeof entry, MF_BYCOMMAND);
    EXPECT_STREQ(entry, "&About Corvane...");
}

TEST_F(MainDialog, StartUpFailuresEndTheProgram) {
    platform.processes.fails = true;
    Start();
    ASSERT_EQ(boxes->calls.size(), 1u);
    EXPECT_EQ(boxes->calls[0].text, "Failed to get list of running processes");
    EXPECT_EQ(boxes->calls[0].caption, "Corvane");
    EXPECT_EQ(boxes->calls[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(platform.exits, std::vector<int>{1});

    platform.processes.fails = false;
    platform.exits.clear();
    platform.bindFails = true;
    Start();
    ASSERT_EQ(boxes->calls.size(), 1u);
    EXPECT_EQ(boxes->calls[0].text, "Failed to get exported heap functions of NTDLL");
    EXPECT_EQ(platform.exits, std::vector<int>{2});
}

// Every process the tests list has one heap, so that a pick lists a row.
const testing::SyntheticHeap kOneHeap{{0x00150000, 0x00000002, 8, 0x1000, 0x10000, 0, 0}, {}};

TEST_F(MainDialog, TheProcessNamedAtStartIsPickedAndItsHeapsListed) {
    platform.LayHeaps({kOneHeap});
    Start("1234");
    EXPECT_EQ(dialog->GetSelectedProcessId(), 1234);
    EXPECT_EQ(NodeRows(), 1);
    ASSERT_FALSE(platform.debugInfo.queriedProcesses.empty());
    EXPECT_EQ(platform.debugInfo.queriedProcesses.back(), 1234u);
    EXPECT_TRUE(boxes->calls.empty());
}

TEST_F(MainDialog, AStartArgumentThatIsNoListedProcessIdGetsOneMessage) {
    platform.LayHeaps({kOneHeap});
    const std::pair<const char*, const char*> cases[] = {{"5555", "No process with the id 5555 can be inspected."},
                                                         {"abc", "\"abc\" is not a process id."}};
    for (const auto& [argument, message] : cases) {
        Start(argument);
        ASSERT_EQ(boxes->calls.size(), 1u) << argument;
        EXPECT_EQ(boxes->calls[0].text, message);
        EXPECT_EQ(boxes->calls[0].caption, "Corvane");
        EXPECT_EQ(boxes->calls[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_EQ(dialog->GetSelectedProcessId(), 99) << "the first entry, as without an argument";
        EXPECT_EQ(NodeRows(), 0);
        EXPECT_TRUE(platform.exits.empty());
    }
}

TEST_F(MainDialog, ViewSwitchAndPositionLabel) {
    Start();
    ::ShowWindow(item(IDC_POSITION_LABEL), SW_SHOW);
    dialog->ShowPanel(PANEL_HEAPNODES, SW_HIDE);
    dialog->ShowPanel(PANEL_HEAPDATA, SW_SHOW);
    EXPECT_FALSE(HasVisibleStyle(item(IDC_NODE_LIST)));
    EXPECT_TRUE(HasVisibleStyle(item(IDC_DATA_LIST)));
    EXPECT_FALSE(HasVisibleStyle(item(IDC_POSITION_LABEL)));
    EXPECT_EQ(WindowText(item(IDC_NODE_GROUP)), "Heap Data within the selected Block");
    dialog->ShowPanel(PANEL_HEAPDATA, SW_HIDE);
    EXPECT_EQ(WindowText(item(IDC_NODE_GROUP)), "Heap Data within the selected Block");
    dialog->ShowPanel(PANEL_HEAPNODES, SW_SHOW);
    EXPECT_TRUE(HasVisibleStyle(item(IDC_NODE_LIST)));
    EXPECT_EQ(WindowText(item(IDC_NODE_GROUP)), "Heap Node List");
}

TEST_F(MainDialog, RefreshKeepsALiveChoiceAndForgetsAGoneOne) {
    Start();
    ::SendMessageA(item(IDC_PROCESS_COMBO), CB_SETCURSEL, 1, 0); // notepad.exe
    ASSERT_EQ(dialog->GetSelectedProcessId(), 1234);
    EXPECT_TRUE(dialog->RefreshProcessList(1234));
    EXPECT_EQ(dialog->GetSelectedProcessId(), 1234);

    platform.processes.processes.erase(platform.processes.processes.begin() + 1);
    dialog->ShowPanel(PANEL_HEAPNODES, SW_HIDE);
    dialog->ShowPanel(PANEL_HEAPDATA, SW_SHOW);
    EXPECT_TRUE(dialog->RefreshProcessList(1234));
    EXPECT_EQ(::SendMessageA(item(IDC_PROCESS_COMBO), CB_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(HasVisibleStyle(item(IDC_NODE_LIST))) << "back to the node view";
    EXPECT_FALSE(HasVisibleStyle(item(IDC_DATA_LIST)));

    ::SendMessageA(item(IDC_PROCESS_COMBO), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    EXPECT_EQ(dialog->GetSelectedProcessId(), -1);
    ASSERT_FALSE(boxes->calls.empty());
    EXPECT_EQ(boxes->calls.back().text, "Please select the process from the list");
}

TEST(MainDialogKeys, EnterRefreshesAndEscapeEndsTheDialogInItsOwnLoop) {
    FakePlatform platform;
    platform.processes.processes = {{4, "System"}, {1234, "notepad.exe"}};
    MessageBoxRecorder boxes(IDOK);
    testing::DialogCloser presser("Corvane - www.example.com", {VK_RETURN, VK_ESCAPE});
    CCorvaneDlg dialog(platform);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(presser.closed(), 1);
    EXPECT_EQ(platform.processes.calls, 2) << "the list made at the start, and once again for Enter";
}

// Closes the About box when it shows, from inside its modal loop.
struct AboutCloser {
    static int opened;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (HWND about = ::FindWindowA(nullptr, "About Corvane")) {
            if (::IsWindowVisible(about)) {
                ++opened;
                ::PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
            }
        }
    }
};
int AboutCloser::opened = 0;

TEST_F(MainDialog, AboutBoxFromTheSystemMenuAndTheAboutLink) {
    Start();
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &AboutCloser::Tick);
    AboutCloser::opened = 0;
    for (WPARAM command : {0x10, 0x13, 0x1F})
        ::SendMessageA(hwnd(), WM_SYSCOMMAND, command, 0);
    EXPECT_EQ(AboutCloser::opened, 3);
    EXPECT_EQ(::SendMessageA(hwnd(), WM_HYPERLINK_CLICKED, IDC_ABOUT_LINK, 0), 0);
    EXPECT_EQ(AboutCloser::opened, 4);
    EXPECT_EQ(::SendMessageA(hwnd(), WM_HYPERLINK_CLICKED, IDC_WEB_LINK, 0), 0);
    EXPECT_EQ(::SendMessageA(hwnd(), WM_HYPERLINK_CLICKED, 7, 0), 0);
    EXPECT_EQ(AboutCloser::opened, 4) << "other ids open nothing";
    ::KillTimer(nullptr, timer);
}

TEST_F(MainDialog, BackgroundIsGeneratedOnceAndControlsLabelsAreTransparent) {
    Start();
    const std::uint32_t state = ThreadRandom().State();
    ::InvalidateRect(hwnd(), nullptr, TRUE);
    ::UpdateWindow(hwnd());
    PumpMessages(hwnd());
    EXPECT_EQ(ThreadRandom().State(), state) << "a repaint only copies the cached background";

    HDC dc = ::CreateCompatibleDC(nullptr);
    for (int id : {IDC_PROCESS_LABEL, IDC_UNICODE_LABEL}) {
        ::SetBkMode(dc, OPAQUE);
        const auto brush = reinterpret_cast<HBRUSH>(::SendMessageA(
            hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(item(id))));
        EXPECT_EQ(brush, ::GetStockObject(NULL_BRUSH)) << id;
        EXPECT_EQ(::GetBkMode(dc), TRANSPARENT) << id;
    }
    ::SetBkMode(dc, OPAQUE);
    const auto position = reinterpret_cast<HBRUSH>(::SendMessageA(
        hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(item(IDC_POSITION_LABEL))));
    EXPECT_NE(position, ::GetStockObject(NULL_BRUSH)) << "the position label keeps its opaque background";
    ::DeleteDC(dc);

    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageA(hwnd(), WM_QUERYDRAGICON, 0, 0)),
              reinterpret_cast<HICON>(::SendMessageA(hwnd(), WM_GETICON, ICON_BIG, 0)));
    testing::CaptureScreen(hwnd()).SaveBmp(testing::OutputPath("main_window.bmp"));
}

// Runs `--startup <mode>` of this executable as a child and returns its exit
// code, with what it printed.
DWORD RunProbe(const char* mode, std::string& output) {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string command = std::string("\"") + path + "\" --startup " + mode;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return 0xFFFFFFFF;
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION child = {};
    const BOOL started =
        ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child);
    ::CloseHandle(writeEnd);
    if (!started) {
        ::CloseHandle(readEnd);
        return 0xFFFFFFFF;
    }
    char chunk[256];
    DWORD got = 0;
    while (::ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0)
        output.append(chunk, got);
    ::WaitForSingleObject(child.hProcess, 30000);
    DWORD code = 0xFFFFFFFF;
    ::GetExitCodeProcess(child.hProcess, &code);
    ::CloseHandle(child.hProcess);
    ::CloseHandle(child.hThread);
    ::CloseHandle(readEnd);
    return code;
}

TEST(StartUp, FailuresEndTheProgramWithTheirExitCodes) {
    std::string output;
    EXPECT_EQ(RunProbe("fail-enumeration", output), 1u);
    EXPECT_NE(output.find("message: Failed to get list of running processes | Corvane"), std::string::npos) << output;
    EXPECT_EQ(output.find("dialog ended"), std::string::npos) << "the process ends inside start-up";
    output.clear();
    EXPECT_EQ(RunProbe("fail-binding", output), 2u);
    EXPECT_NE(output.find("message: Failed to get the handle of NTDLL module | Corvane"), std::string::npos) << output;
}

} // namespace

namespace testing {

namespace {
void CALLBACK CloseMainWindow(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND main = ::FindWindowA(nullptr, "Corvane - www.example.com")) ::PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
}
} // namespace

// The program's start-up with one failure put in: the real application
// object and dialog, the real exit, message boxes printed and answered.
int RunStartupProbe(const char* mode) {
    class ExitingPlatform : public FakePlatform {
    public:
        void ExitProcess(int exitCode) override {
            std::fflush(stdout);
            ::ExitProcess(static_cast<UINT>(exitCode));
        }
    };
    static ExitingPlatform platform;
    platform.processes.processes = {{4, "System"}};
    platform.processes.fails = std::strcmp(mode, "fail-enumeration") == 0;
    platform.bindFails = std::strcmp(mode, "fail-binding") == 0;
    platform.bindError = "Failed to get the handle of NTDLL module";
    SetMessageBoxHandler([](HWND, const std::string& text, const std::string& caption, UINT) {
        std::printf("message: %s | %s\n", text.c_str(), caption.c_str());
        return IDOK;
    });
    static CCorvaneApp app(platform);
    // Should start-up go through, the dialog is closed at once.
    ::SetTimer(nullptr, 0, 100, &CloseMainWindow);
    const int code = RunApp(app, ::GetModuleHandleA(nullptr));
    std::printf("dialog ended\n");
    return code;
}

} // namespace testing
} // namespace corvane
