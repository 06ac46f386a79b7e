#include "ui/win32/corvane_dialog_win32.h"

#include "controls/shade.h"
#include "controls/win32/shaded_background_win32.h"
#include "framework/app.h"
#include "framework/file_dialog.h"
#include "heap/process_list.h"
#include "heap/row_text.h"
#include "res/resource.h"
#include "ui/win32/about_dialog_win32.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>

namespace corvane {

namespace {

constexpr const char* kSelectProcessMessage = "Please select the process from the list";
// Posted to itself at start-up to pick the process the command line names.
constexpr UINT WM_PICK_START_PROCESS = WM_APP + 1;
// From this length of the dump list on, room for the rest of a dump is asked
// for again each time the length reaches a power of two.
constexpr std::size_t kFirstDumpReservationRenewal = 16384;
static_assert((kFirstDumpReservationRenewal & (kFirstDumpReservationRenewal - 1)) == 0, "a power of two");

// Turns a list's redraw off for a fill and back on afterwards: a visible
// list that repaints after every row takes milliseconds per row.
class RedrawSuspended {
public:
    explicit RedrawSuspended(CWnd& list) : m_list(list) { m_list.SendMessage(WM_SETREDRAW, FALSE); }
    ~RedrawSuspended() {
        m_list.SendMessage(WM_SETREDRAW, TRUE);
        m_list.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    RedrawSuspended(const RedrawSuspended&) = delete;
    RedrawSuspended& operator=(const RedrawSuspended&) = delete;

private:
    CWnd& m_list;
};

// Which of the process list and the heap node list an operation disables
// besides the buttons and the search row.
enum BusyLists { KeepListsEnabled, AlsoProcessList, AlsoProcessAndNodeList };

// Disables, while an operation runs, the controls that would start another
// one, in one fixed order, and enables them again in that order.
class ControlsDisabled {
public:
    ControlsDisabled(const CWnd& dialog, BusyLists lists) : m_dialog(dialog), m_lists(lists) { Enable(false); }
    ~ControlsDisabled() { Enable(true); }
    ControlsDisabled(const ControlsDisabled&) = delete;
    ControlsDisabled& operator=(const ControlsDisabled&) = delete;

private:
    void Enable(bool enable) const {
        static constexpr int kOrder[] = {IDC_REFRESH,   IDC_CLOSE_DATA,    IDC_SAVE_DATA,
                                         IDC_SEARCH,    IDC_SEARCH_EDIT,   IDC_PROCESS_COMBO,
                                         IDC_NODE_LIST, IDC_UNICODE_CHECK, IDC_UNICODE_LABEL};
        for (const int id : kOrder) {
            if (id == IDC_PROCESS_COMBO && m_lists == KeepListsEnabled) continue;
            if (id == IDC_NODE_LIST && m_lists != AlsoProcessAndNodeList) continue;
            ::EnableWindow(m_dialog.GetDlgItem(id), enable ? TRUE : FALSE);
        }
    }

    const CWnd& m_dialog; // not owned; the dialog whose controls these are
    BusyLists m_lists;
};

struct Column {
    const char* heading;
    int width;
    bool hexadecimal; // shows an address or a size, as wide as the process's addresses
};
constexpr Column kNodeColumns[] = {{"Heap Node Index", 100, false}, {"Node Base Address", 110, true},
                                   {"Block Count", 80, false},      {"Committed Size", 95, true},
                                   {"Allocated Size", 95, true},    {"Flags", 104, false}};
constexpr Column kBlockColumns[] = {{"Heap Block Index", 100, false},
                                    {"Block Address", 120, true},
                                    {"Block Size", 120, true},
                                    {"Allocation Type", 100, false},
                                    {"Status", 147, false}};
constexpr DWORD kListExtendedStyle =
    LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_LABELTIP; // 0x4421
// The room a list leaves around the text of a cell.
constexpr int kCellMargins = 12;

// The width a column needs for an address or size of `width` in the list's
// font: that of the widest digits, so that no value is cut off.
int HexColumnWidth(const CListCtrl& list, AddressWidth width) {
    HexText text;
    FormatHex(0, width, text);
    int widest = 0;
    for (const char digit : {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'}) {
        for (char* at = text + 2; *at; ++at)
            *at = digit;
        widest = std::max(widest, list.GetStringWidth(text));
    }
    return widest + kCellMargins;
}

// A 64-bit process's addresses and sizes need more room than the columns'
// usual widths give. The last column, which the listings size to fill the
// list, gives that room back as far as its own texts allow, so that the list
// still fits where it can; where it cannot, the list scrolls sideways.
ColumnFit InsertColumns(CListCtrl& list, const Column* columns, std::size_t count, AddressWidth width,
                        int lastColumnLeast) {
    const int hexWidth = HexColumnWidth(list, width);
    ColumnFit fit;
    fit.lastColumnLeast = lastColumnLeast;
    for (std::size_t i = 0; i < count; ++i) {
        const int usual = ScaleToSystemDpi(columns[i].width);
        if (columns[i].hexadecimal && hexWidth > usual) fit.extra += hexWidth - usual;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const int usual = ScaleToSystemDpi(columns[i].width);
        int columnWidth = columns[i].hexadecimal ? std::max(usual, hexWidth) : usual;
        if (i + 1 == count) columnWidth = fit.LastColumnWidth(columnWidth);
        list.InsertColumn(static_cast<int>(i), columns[i].heading, LVCFMT_LEFT, columnWidth);
    }
    return fit;
}

template <std::size_t N> std::vector<std::string> Headings(const Column (&columns)[N]) {
    std::vector<std::string> headings;
    for (const Column& column : columns)
        headings.emplace_back(column.heading);
    return headings;
}

} // namespace

int FrameTitleHeight() { return 2 * ::GetSystemMetrics(SM_CYMENUSIZE) / 3 + 4; }

void PrintFrameTitle(HWND frame) {
    RECT client = {};
    ::GetClientRect(frame, &client);
    CClientDC dc(frame);
    ::IntersectClipRect(dc, client.left, client.top, client.right, client.top + FrameTitleHeight());
    ::SendMessageA(frame, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), PRF_CLIENT);
}

void ShowDrawingNow() {
    // Windows shows what was drawn at once; some implementations keep it off
    // the screen until the thread next waits for its message queue (Wine 8.0
    // already when it asks about the queue, Wine 10.0 only when it waits). A
    // wait that times out at once takes and handles nothing, not even a
    // message sent from another thread.
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
}

CCorvaneDlg::CCorvaneDlg(CorvanePlatform& platform, CWnd* parent)
    : CShadedDialog(IDD_CORVANE_DIALOG, parent), m_platform(platform),
      m_appIcon(GetApp() ? GetApp()->LoadIcon(IDR_MAINFRAME)
                         : ::LoadIconA(ResourceModule(), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_nodeRows(Headings(kNodeColumns)), m_blockRows(Headings(kBlockColumns)) {}

const MessageMap* CCorvaneDlg::ThisMessageMap() {
    static const MessageMapEntry entries[] = {
        MapSysCommand<&CCorvaneDlg::OnSysCommand>(),
        MapVoidMessage<&CCorvaneDlg::OnPaint>(WM_PAINT),
        MapQueryDragIcon<&CCorvaneDlg::OnQueryDragIcon>(),
        MapMessage<&CCorvaneDlg::OnHyperlinkClicked>(WM_HYPERLINK_CLICKED),
        MapVoidMessage<&CCorvaneDlg::OnPickStartProcess>(WM_PICK_START_PROCESS),
        MapNotify<&CCorvaneDlg::OnItemChangedNodeList>(IDC_NODE_LIST, LVN_ITEMCHANGED),
        MapCommand<&CCorvaneDlg::OnSelEndOkProcess>(IDC_PROCESS_COMBO, CBN_SELENDOK),
        MapNotify<&CCorvaneDlg::OnItemChangedBlockList>(IDC_BLOCK_LIST, LVN_ITEMCHANGED),
        MapCommand<&CCorvaneDlg::OnCloseHeapData>(IDC_CLOSE_DATA, BN_CLICKED),
        MapNotify<&CCorvaneDlg::OnGetInfoTipNodeList>(IDC_NODE_LIST, LVN_GETINFOTIPA),
        MapNotify<&CCorvaneDlg::OnGetInfoTipBlockList>(IDC_BLOCK_LIST, LVN_GETINFOTIPA),
        MapNotify<&CCorvaneDlg::OnGetDispInfoNodeList>(IDC_NODE_LIST, LVN_GETDISPINFOA),
        MapNotify<&CCorvaneDlg::OnGetDispInfoBlockList>(IDC_BLOCK_LIST, LVN_GETDISPINFOA),
        MapNotify<&CCorvaneDlg::OnFindItemNodeList>(IDC_NODE_LIST, LVN_ODFINDITEMA),
        MapNotify<&CCorvaneDlg::OnFindItemNodeList>(IDC_NODE_LIST, LVN_ODFINDITEMW),
        MapNotify<&CCorvaneDlg::OnFindItemBlockList>(IDC_BLOCK_LIST, LVN_ODFINDITEMA),
        MapNotify<&CCorvaneDlg::OnFindItemBlockList>(IDC_BLOCK_LIST, LVN_ODFINDITEMW),
        MapCommand<&CCorvaneDlg::OnSave>(IDC_SAVE_DATA, BN_CLICKED),
        MapCommand<&CCorvaneDlg::OnSearch>(IDC_SEARCH, BN_CLICKED),
        MapMessage<&CCorvaneDlg::OnContextMenu>(WM_CONTEXTMENU),
        MapNotify<&CCorvaneDlg::OnColumnClickBlockList>(IDC_BLOCK_LIST, LVN_COLUMNCLICK),
        MapCommand<&CCorvaneDlg::OnSetBaseline>(ID_NODE_SET_BASELINE, 0),
        MapCommand<&CCorvaneDlg::OnCompareWithBaseline>(ID_NODE_COMPARE, 0),
        MapCommand<&CCorvaneDlg::OnSizeStatistics>(ID_NODE_STATISTICS, 0),
        MapCommand<&CCorvaneDlg::OnCopyNodeRow>(ID_NODE_COPY, 0),
        MapCommand<&CCorvaneDlg::OnExportNodeRows>(ID_NODE_EXPORT, 0),
        MapCommand<&CCorvaneDlg::OnFindInAllBlocks>(ID_BLOCK_FIND_ALL, 0),
        MapCommand<&CCorvaneDlg::OnCopyBlockRow>(ID_BLOCK_COPY, 0),
        MapCommand<&CCorvaneDlg::OnExportBlockRows>(ID_BLOCK_EXPORT, 0),
        MapCommand<&CCorvaneDlg::OnCopyDumpLine>(ID_DUMP_COPY, 0),
        MapCommand<&CCorvaneDlg::OnExportDump>(ID_DUMP_EXPORT, 0),
        MapMessage<&CCorvaneDlg::OnToolClosed>(WM_TOOL_CLOSED),
    };
    static const MessageMap map{&CShadedDialog::ThisMessageMap, entries, std::size(entries)};
    return &map;
}

void CCorvaneDlg::DoDataExchange(CDataExchange* pDX) {
    CShadedDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PROCESS_COMBO, m_processCombo);
    DDX_Control(pDX, IDC_NODE_LIST, m_nodeList);
    DDX_Control(pDX, IDC_BLOCK_LIST, m_blockList);
    DDX_Control(pDX, IDC_DATA_LIST, m_dataList);
    DDX_Control(pDX, IDC_NODE_GROUP, m_nodeGroup);
    DDX_Control(pDX, IDC_BLOCK_GROUP, m_blockGroup);
    DDX_Control(pDX, IDC_REFRESH, m_refreshButton);
    DDX_Control(pDX, IDC_CLOSE_DATA, m_closeButton);
    DDX_Control(pDX, IDC_SAVE_DATA, m_saveButton);
    DDX_Control(pDX, IDC_SEARCH, m_searchButton);
    DDX_Control(pDX, IDC_SEARCH_EDIT, m_searchEdit);
    DDX_Control(pDX, IDC_UNICODE_CHECK, m_unicodeCheck);
    DDX_Control(pDX, IDC_POSITION_LABEL, m_positionLabel);
    DDX_Control(pDX, IDC_WEB_LINK, m_linkWeb);
    DDX_Control(pDX, IDC_ABOUT_LINK, m_linkAbout);
    DDX_Control(pDX, IDC_UNICODE_LABEL, m_unicodeLabel);
}

BOOL CCorvaneDlg::OnInitDialog() {
    CShadedDialog::OnInitDialog();

    if (HMENU systemMenu = GetSystemMenu(false)) {
        char about[256] = {};
        ::LoadStringA(ResourceModule(), IDS_ABOUTBOX, about, sizeof about);
        if (about[0] != '\0') {
            ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    SetIcon(m_appIcon, true);
    SetIcon(m_appIcon, false);

    m_linkLabelFont.CreateFont(ScaleToSystemDpi(14), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, 0, "Georgia");
    m_linkWeb.SetFont(m_linkLabelFont, true);
    m_linkAbout.SetFont(m_linkLabelFont, true);
    m_linkAbout.SetNotifyParent(true);
    m_linkWeb.SetLinkUrl(kProductPageUrl);
    m_linkWeb.SetToolTipEnabled(true);
    m_linkWeb.SetToolTipText(kLatestVersionTip);

    m_dataFont.CreateFont(ScaleToSystemDpi(14), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 0, "Courier New");
    m_dataList.SetFont(m_dataFont, true);
    m_dataList.SetHorizontalExtent(ScaleToSystemDpi(740));

    ShowPanel(PANEL_HEAPDATA, kHideCommand);
    m_searchEdit.SetWindowText("Search...");

    SetUpButton(m_refreshButton, "Refresh the current process list (F5)", IDI_REFRESH, BS_LEFT, IDI_REFRESH_HOVER);
    SetUpButton(m_searchButton, "Search for text in the heap data below (Ctrl+F, F3: find again)", IDI_SEARCH, BS_LEFT,
                IDI_SEARCH_HOVER);
    SetUpButton(m_saveButton, "Save the displayed heap data to the file", IDI_SAVE, BS_CENTER, IDI_SAVE_HOVER);
    SetUpButton(m_closeButton, "Close the heap data window and display main heap list", IDI_CLOSE, BS_CENTER,
                IDI_CLOSE_HOVER);

    SetUpLists();
    lstrcpynA(m_nodeTip, "Click to view the heap blocks within this node", sizeof m_nodeTip);
    lstrcpynA(m_blockTip, "Click to view the contents of this heap block", sizeof m_blockTip);

    m_processCombo.SetWindowPos(nullptr, 0, 0, ScaleToSystemDpi(250), ScaleToSystemDpi(150),
                                SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW);
    m_processCombo.SetCurSel(-1);

    EnableDebugPrivilege();
    if (!RefreshProcessList(-1)) {
        m_platform.ExitProcess(1);
        return TRUE;
    }
    if (!LoadHeapDebugFunctions()) {
        m_platform.ExitProcess(2);
        return TRUE;
    }
    m_held.Reset();
    // Once the window shows and its loop runs, so that a message about the
    // argument stands in front of it.
    if (m_startProcess.id || !m_startProcess.error.empty()) PostMessage(WM_PICK_START_PROCESS);
    return TRUE;
}

void CCorvaneDlg::OnPickStartProcess() {
    // Once only, whoever sends the message again.
    const ProcessArgument argument = std::exchange(m_startProcess, ProcessArgument());
    if (!argument.error.empty()) {
        ShowMessage(argument.error, MessageIcon::Error);
        return;
    }
    if (!argument.id) return;
    for (int entry = 0; entry < m_processCombo.GetCount(); ++entry) {
        if (ParseProcessEntryId(m_processCombo.GetLBText(entry)) != argument.id) continue;
        m_processCombo.SetCurSel(entry);
        // The notification a pick in the list sends, so that the heaps are
        // listed as for any other pick.
        SendMessage(WM_COMMAND, MAKEWPARAM(IDC_PROCESS_COMBO, CBN_SELENDOK),
                    reinterpret_cast<LPARAM>(m_processCombo.GetSafeHwnd()));
        return;
    }
    ShowMessage(NoListedProcessText(*argument.id), MessageIcon::Error);
}

void CCorvaneDlg::SetUpButton(CShadedButton& button, const char* tip, WORD icon, UINT alignment, WORD hoverIcon) {
    button.SetToolTipTexts(tip, "");
    button.CreateShadeFaces(ShadeRowCurve, 8, 20, 5, kShadeTint);
    button.SetTextColors(RGB(0, 0, 255), RGB(255, 0, 0));
    button.SetIcon(icon, alignment, 0, hoverIcon, 4);
}

void CCorvaneDlg::SetUpLists() {
    // The flags are a 32-bit number; the status reads "Allocated" or "Free".
    m_nodeList.SetExtendedStyle(kListExtendedStyle);
    m_nodeFit = InsertColumns(m_nodeList, kNodeColumns, std::size(kNodeColumns),
                              AddressWidthOf(m_platform.DebugInfo().Layout()),
                              HexColumnWidth(m_nodeList, AddressWidth::Bits32));
    m_blockList.SetExtendedStyle(kListExtendedStyle);
    const int statusWidth = std::max(m_blockList.GetStringWidth(StatusText(BlockKindNone)),
                                     m_blockList.GetStringWidth(StatusText(BlockKindFree)));
    m_blockFit = InsertColumns(m_blockList, kBlockColumns, std::size(kBlockColumns), m_platform.Blocks().Width(),
                               statusWidth + kCellMargins);
}

void CCorvaneDlg::OnPaint() {
    CPaintDC dc(*this);
    if (!::IsIconic(m_hWnd)) {
        PaintBackground(dc);
        return;
    }
    RECT client = {};
    GetClientRect(&client);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_appIcon);
}

HCURSOR CCorvaneDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_appIcon); }

bool CCorvaneDlg::IsTransparentLabel(int controlId) const {
    return controlId == IDC_PROCESS_LABEL || controlId == IDC_UNICODE_LABEL;
}

void CCorvaneDlg::OnSysCommand(UINT commandId, LPARAM) {
    if ((commandId & 0xFFF0) == IDM_ABOUTBOX)
        OpenAboutBox();
    else
        Default();
}

LRESULT CCorvaneDlg::OnHyperlinkClicked(WPARAM wParam, LPARAM) {
    if (wParam == IDC_ABOUT_LINK) OpenAboutBox();
    return 0;
}

void CCorvaneDlg::OnOK() { RefreshProcessList(GetSelectedProcessId()); }

void CCorvaneDlg::OnSelEndOkProcess() {
    const std::int32_t processId = GetSelectedProcessId();
    if (processId == -1) return;
    const ControlsDisabled busy(*this, KeepListsEnabled);
    RedrawSuspended nodes(m_nodeList);
    ShowHeapNodes(m_platform.DebugInfo(), *this, static_cast<std::uint32_t>(processId));
}

void CCorvaneDlg::OnItemChangedNodeList(NMHDR* header, LRESULT* result) {
    *result = 0;
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if (change->uNewState == 0 || m_quietSelection) return;
    ListBlocksOfNodeRow(change->iItem);
}

void CCorvaneDlg::ListBlocksOfNodeRow(int row) {
    const std::string baseText = m_nodeList.GetItemText(row, kNodeColumnBase);
    const std::optional<std::uint64_t> heapBase =
        ParseHexNumber(baseText, AddressWidthOf(m_platform.DebugInfo().Layout()));
    const std::int32_t processId = GetSelectedProcessId();
    if (processId == -1) return;
    if (!heapBase) {
        ClearBlockRows();
        ShowMessage(UnreadableNumberText("Node Base Address", baseText), MessageIcon::Error);
        return;
    }
    {
        const ControlsDisabled busy(*this, AlsoProcessAndNodeList);
        RedrawSuspended blocks(m_blockList);
        ShowHeapBlocks(m_platform.DebugInfo(), *this, row, static_cast<std::uint32_t>(processId), *heapBase,
                       m_platform.Clock());
    }
    m_nodeList.SetFocus();
}

void CCorvaneDlg::OnItemChangedBlockList(NMHDR* header, LRESULT* result) {
    *result = 0;
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if (change->uNewState == 0 || m_quietSelection) return;
    const std::int32_t processId = GetSelectedProcessId();
    if (processId == -1) return;
    const int row = change->iItem;
    const BlockRowTexts texts{m_blockList.GetItemText(row, kBlockColumnAddress),
                              m_blockList.GetItemText(row, kBlockColumnSize),
                              m_blockList.GetItemText(row, kBlockColumnStatus)};
    const ControlsDisabled busy(*this, AlsoProcessList);
    // Showing the list turns its redraw on again, so the fill suspends it
    // once the list is shown and emptied (ClearDumpLines).
    const bool wasFilling = std::exchange(m_fillingDump, true);
    ShowBlockOfRow(m_platform.Blocks(), *this, m_held, static_cast<std::uint32_t>(processId), texts);
    m_fillingDump = wasFilling;
    m_dataList.SendMessage(WM_SETREDRAW, TRUE);
    m_dataList.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

void CCorvaneDlg::OnCloseHeapData() {
    ShowPanel(PANEL_HEAPDATA, kHideCommand);
    ShowPanel(PANEL_HEAPNODES, kShowCommand);
    m_positionLabel.ShowWindow(SW_HIDE);
    m_held.Reset();
}

void CCorvaneDlg::OnGetInfoTipNodeList(NMHDR* header, LRESULT* result) {
    reinterpret_cast<NMLVGETINFOTIPA*>(header)->pszText = m_nodeTip;
    *result = 0;
}

void CCorvaneDlg::OnGetDispInfoNodeList(NMHDR* header, LRESULT* result) {
    m_nodeRows.GiveText(*reinterpret_cast<NMLVDISPINFOA*>(header));
    *result = 0;
}

void CCorvaneDlg::OnGetDispInfoBlockList(NMHDR* header, LRESULT* result) {
    m_blockRows.GiveText(*reinterpret_cast<NMLVDISPINFOA*>(header));
    *result = 0;
}

void CCorvaneDlg::OnFindItemNodeList(NMHDR* header, LRESULT* result) { *result = m_nodeRows.Find(*header); }

void CCorvaneDlg::OnFindItemBlockList(NMHDR* header, LRESULT* result) { *result = m_blockRows.Find(*header); }

void CCorvaneDlg::OnGetInfoTipBlockList(NMHDR* header, LRESULT* result) {
    reinterpret_cast<NMLVGETINFOTIPA*>(header)->pszText = m_blockTip;
    *result = 0;
}

void CCorvaneDlg::OnSave() { SaveHeapData(m_platform.Blocks(), m_platform.Files(), *this); }

void CCorvaneDlg::OnSearch() { RunSearch(*this, m_held, ProgramSearchHistory()); }

// Room for the lines is asked for before the first one. Some list boxes give
// such room back while the list is still short and then grow their index a
// few entries at a time, copying it at each step: a million lines take over
// twenty seconds that way. Asking again for the lines still to come each time
// the list doubles, from a few thousand lines on, keeps the room once the
// index is big, and the fill stays linear.
void CCorvaneDlg::ReserveDumpLines(std::size_t count) {
    m_dumpLinesExpected = count;
    m_dumpLinesAdded = 0;
    m_dataList.InitStorage(count, count * sizeof(DumpLineText));
}

void CCorvaneDlg::AppendLine(const char* text, std::size_t) {
    m_dataList.AddString(text);
    const std::size_t added = ++m_dumpLinesAdded;
    const bool doubled = added >= kFirstDumpReservationRenewal && (added & (added - 1)) == 0;
    if (doubled && added < m_dumpLinesExpected) m_dataList.InitStorage(m_dumpLinesExpected - added, 0);
}

void CCorvaneDlg::SelectDumpLine(int index) { m_dataList.SetCurSel(index); }

void CCorvaneDlg::SetSearchCaption(const char* caption) { m_searchButton.SetWindowText(caption); }

int CCorvaneDlg::FirstSelectedNodeRow() { return m_nodeList.GetNextItem(-1, LVNI_SELECTED); }

SearchRequest CCorvaneDlg::ReadSearchControls() {
    SearchRequest request;
    request.text = m_searchEdit.GetWindowText();
    request.wide = m_unicodeCheck.GetCheck() == BST_CHECKED;
    request.selectedLine = m_dataList.GetCurSel();
    return request;
}

void CCorvaneDlg::SetSearchText(const char* text) { m_searchEdit.SetWindowText(text); }

void CCorvaneDlg::ShowPositionLabel(bool show) { m_positionLabel.ShowWindow(show ? SW_SHOW : SW_HIDE); }

void CCorvaneDlg::SetPositionText(const std::string& text) { m_positionLabel.SetWindowText(text.c_str()); }

int CCorvaneDlg::FirstSelectedBlockRow() { return m_blockList.GetNextItem(-1, LVNI_SELECTED); }

std::string CCorvaneDlg::BlockRowText(int row, int column) { return m_blockList.GetItemText(row, column); }

bool CCorvaneDlg::AskSavePath(std::string& path) {
    CFileDialog dialog(FALSE, nullptr, "HeapData", OFN_PATHMUSTEXIST, "All Files (*.*)|*.*||", this);
    if (dialog.DoModal() != IDOK) return false;
    path = dialog.GetPathName();
    return true;
}

void CCorvaneDlg::OpenAboutBox() {
    CAboutDlg about;
    about.DoModal();
}

void CCorvaneDlg::ShowPanel(int panel, int showCommand) { SwitchPanel(*this, panel, showCommand); }

void CCorvaneDlg::ShowControl(int controlId, int showCommand) { ::ShowWindow(GetDlgItem(controlId), showCommand); }

void CCorvaneDlg::SetControlText(int controlId, const char* text) { ::SetWindowTextA(GetDlgItem(controlId), text); }

bool CCorvaneDlg::EnableDebugPrivilege() { return m_platform.EnableDebugPrivilege(); }

bool CCorvaneDlg::RefreshProcessList(std::int32_t wantedId) {
    m_processCombo.ResetContent();
    std::vector<ProcessInfo> processes;
    if (!m_platform.Processes().Enumerate(processes)) {
        ShowMessage("Failed to get list of running processes", MessageIcon::Error);
        return false;
    }
    // A baseline goes with its process.
    for (auto baseline = m_baselines.begin(); baseline != m_baselines.end();) {
        const bool running = std::any_of(processes.begin(), processes.end(),
                                         [&](const ProcessInfo& process) { return process.id == baseline->first; });
        baseline = running ? std::next(baseline) : m_baselines.erase(baseline);
    }
    const ProcessEntries listed = MakeProcessEntries(processes, wantedId);
    for (const std::string& entry : listed.entries)
        m_processCombo.AddString(entry.c_str());

    if (wantedId == -1) {
        m_processCombo.SetCurSel(0);
        return true;
    }
    if (!listed.wantedEntry.empty() &&
        m_processCombo.SendMessage(CB_SELECTSTRING, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(listed.wantedEntry.c_str())) != CB_ERR)
        return true;

    // The chosen process is gone: nothing listed belongs to it any more.
    ClearNodeRows();
    ClearBlockRows();
    ClearDumpLines();
    ShowPanel(PANEL_HEAPNODES, kShowCommand);
    ShowPanel(PANEL_HEAPDATA, kHideCommand);
    m_processCombo.SetCurSel(0);
    return true;
}

std::int32_t CCorvaneDlg::GetSelectedProcessId() {
    if (const std::optional<std::int32_t> id = ChosenProcessId()) return *id;
    ShowMessage(kSelectProcessMessage, MessageIcon::Error);
    return -1;
}

std::optional<std::int32_t> CCorvaneDlg::ChosenProcessId() {
    const int selected = m_processCombo.GetCurSel();
    if (selected == CB_ERR) return std::nullopt;
    return ParseProcessEntryId(m_processCombo.GetLBText(selected));
}

bool CCorvaneDlg::LoadHeapDebugFunctions() {
    std::string error;
    if (m_platform.BindDebugFunctions(error)) return true;
    ShowMessage(error, MessageIcon::Error);
    return false;
}

void CCorvaneDlg::ClearNodeRows() { m_nodeRows.Clear(m_nodeList); }
void CCorvaneDlg::ClearBlockRows() { m_blockRows.Clear(m_blockList); }
void CCorvaneDlg::ClearDumpLines() {
    m_dataList.ResetContent();
    m_dumpLinesExpected = m_dumpLinesAdded = 0;
    if (m_fillingDump) m_dataList.SendMessage(WM_SETREDRAW, FALSE);
}

void CCorvaneDlg::ShowNodeRows(std::vector<HeapRecord> heaps, AddressWidth width) {
    m_nodeRows.Show(m_nodeList, std::move(heaps), width);
}

void CCorvaneDlg::ShowBlockRows(std::vector<HeapBlockCursor> blocks, AddressWidth width) {
    m_blockRows.Show(m_blockList, std::move(blocks), width);
    if (m_blockSortColumn >= 0) SortBlockRows();
}

void CCorvaneDlg::SetNodeColumnWidth(int column, int width) {
    width = ScaleToSystemDpi(width);
    m_nodeList.SetColumnWidth(column, column == kNodeColumnFlags ? m_nodeFit.LastColumnWidth(width) : width);
}
void CCorvaneDlg::SetBlockColumnWidth(int column, int width) {
    width = ScaleToSystemDpi(width);
    m_blockList.SetColumnWidth(column, column == kBlockColumnStatus ? m_blockFit.LastColumnWidth(width) : width);
}
std::string CCorvaneDlg::NodeRowText(int row, int column) { return m_nodeList.GetItemText(row, column); }
void CCorvaneDlg::SetBlockFrameCaption(const std::string& caption) {
    const std::size_t previousLength = m_blockGroup.GetWindowText().size();
    m_blockGroup.SetWindowText(caption.c_str());
    // No messages are dispatched during a fill: draw the title now so that the
    // progress shows. The title is drawn on its own opaque background, so a
    // title at least as long as the last one simply covers it; a shorter one
    // needs the dialog's background repainted behind the old text.
    if (caption.size() >= previousLength) {
        PrintFrameTitle(m_blockGroup.GetSafeHwnd());
    } else {
        RECT strip = {};
        m_blockGroup.GetWindowRect(&strip);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&strip), 2);
        strip.bottom = strip.top + FrameTitleHeight();
        RedrawWindow(&strip, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    ShowDrawingNow();
}

void CCorvaneDlg::FocusNodeList() { m_nodeList.SetFocus(); }

void CCorvaneDlg::ShowMessage(const std::string& text, MessageIcon icon) { ShowProgramMessage(text, icon); }

} // namespace corvane
