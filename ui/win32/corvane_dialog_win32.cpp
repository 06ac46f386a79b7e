#include "ui/win32/corvane_dialog_win32.h"

#include "controls/shade.h"
#include "controls/win32/shaded_background_win32.h"
#include "framework/app.h"
#include "framework/file_dialog.h"
#include "heap/process_list.h"
#include "heap/row_text.h"
#include "res/resource.h"
#include "ui/heap_tools.h"
#include "ui/table_export.h"
#include "ui/win32/about_dialog_win32.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>
#include <utility>

namespace corvane {

namespace {

// Every message box carries the program's name as the window's caption
// spells it.
constexpr const char* kCaption = "Corvane";
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
    for (std::size_t i = 0; i < count; ++i)
        if (columns[i].hexadecimal && hexWidth > ScaleToSystemDpi(columns[i].width))
            fit.extra += hexWidth - ScaleToSystemDpi(columns[i].width);
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

// The lines of the dump list, for exporting them.
class DumpLines : public TableRows {
public:
    explicit DumpLines(const CListBox& list) : m_list(list) {}
    int ColumnCount() const override { return 1; }
    std::string Heading(int) const override { return {}; }
    std::size_t RowCount() const override {
        const int count = m_list.GetCount();
        return count > 0 ? static_cast<std::size_t>(count) : 0;
    }
    std::string_view Cell(std::size_t row, int) const override {
        m_line = m_list.GetText(static_cast<int>(row));
        return m_line;
    }

private:
    const CListBox& m_list; // not owned; the dialog's dump list
    mutable std::string m_line;
};

// The order of the block list by one of its columns: numbers as numbers,
// texts as texts; equal rows keep the walk's order.
bool BlockRowBefore(int column, const HeapBlockCursor& a, std::uint32_t numberA, const HeapBlockCursor& b,
                    std::uint32_t numberB) {
    switch (column) {
    case kBlockColumnAddress: return a.address < b.address;
    case kBlockColumnSize: return a.size < b.size;
    case kBlockColumnType: return std::strcmp(AllocationTypeText(a.kind), AllocationTypeText(b.kind)) < 0;
    case kBlockColumnStatus: return std::strcmp(StatusText(a.kind), StatusText(b.kind)) < 0;
    default: return numberA < numberB;
    }
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
    // the screen until the thread next looks at its message queue. Looking
    // takes and handles nothing.
    ::GetQueueStatus(QS_ALLINPUT);
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
    const int selected = m_processCombo.GetCurSel();
    const std::string text = selected == CB_ERR ? std::string() : m_processCombo.GetLBText(selected);
    const auto id = ParseProcessEntryId(text);
    if (text.empty() || !id) {
        ShowMessage(kSelectProcessMessage, MessageIcon::Error);
        return -1;
    }
    return *id;
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

void CCorvaneDlg::ShowMessage(const std::string& text, MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Plain: MessageBox(text.c_str(), kCaption, MB_OK); break;
    case MessageIcon::Error: MessageBox(text.c_str(), kCaption, MB_OK | MB_ICONERROR); break;
    case MessageIcon::Warning: MessageBox(text.c_str(), kCaption, MB_OK | MB_ICONWARNING); break;
    case MessageIcon::Information: MessageBox(text.c_str(), kCaption, MB_OK | MB_ICONINFORMATION); break;
    }
}

BOOL CCorvaneDlg::PreTranslateMessage(MSG* message) {
    if (message->message != WM_KEYDOWN) return FALSE;
    const bool control = ::GetKeyState(VK_CONTROL) < 0;
    const bool dumpShown = m_dataList.IsWindowVisible();
    switch (message->wParam) {
    case VK_F5:
        if (control) return FALSE;
        OnOK();
        return TRUE;
    case VK_F3:
        if (control || !dumpShown) return FALSE;
        OnSearch();
        return TRUE;
    case 'F':
        if (!control || !dumpShown) return FALSE;
        m_searchEdit.SetFocus();
        m_searchEdit.SendMessage(EM_SETSEL, 0, -1);
        return TRUE;
    case 'C':
        if (!control) return FALSE;
        if (message->hwnd == m_nodeList.GetSafeHwnd()) {
            OnCopyNodeRow();
        } else if (message->hwnd == m_blockList.GetSafeHwnd()) {
            OnCopyBlockRow();
        } else if (message->hwnd == m_dataList.GetSafeHwnd()) {
            OnCopyDumpLine();
        } else {
            return FALSE; // the edit boxes copy their own text
        }
        return TRUE;
    default: return FALSE;
    }
}

LRESULT CCorvaneDlg::OnContextMenu(WPARAM wParam, LPARAM lParam) {
    const auto window = reinterpret_cast<HWND>(wParam);
    int popup = -1;
    if (window == m_nodeList.GetSafeHwnd()) popup = MENU_NODE_LIST;
    if (window == m_blockList.GetSafeHwnd()) popup = MENU_BLOCK_LIST;
    if (window == m_dataList.GetSafeHwnd()) popup = MENU_DUMP;
    if (popup < 0) return Default();

    const UniqueMenu menus(::LoadMenuA(ResourceModule(), MAKEINTRESOURCEA(IDR_LIST_MENUS)));
    const HMENU menu = menus ? ::GetSubMenu(menus.get(), popup) : nullptr;
    if (!menu) return 0;
    const auto enable = [menu](UINT command, bool enabled) {
        ::EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    };
    const int nodeRow = m_nodeList.GetNextItem(-1, LVNI_SELECTED);
    const std::optional<std::uint32_t> processId = ParseProcessEntryId(
        m_processCombo.GetCurSel() == CB_ERR ? std::string() : m_processCombo.GetLBText(m_processCombo.GetCurSel()));
    enable(ID_NODE_SET_BASELINE, processId && m_nodeRows.RowCount() != 0);
    enable(ID_NODE_COMPARE, processId && HasBaseline(*processId));
    enable(ID_NODE_STATISTICS, nodeRow >= 0);
    enable(ID_NODE_COPY, m_nodeList.GetNextItem(-1, LVNI_FOCUSED) >= 0 || nodeRow >= 0);
    enable(ID_NODE_EXPORT, m_nodeRows.RowCount() != 0);
    enable(ID_BLOCK_FIND_ALL, m_blockRows.RowCount() != 0);
    enable(ID_BLOCK_COPY,
           m_blockList.GetNextItem(-1, LVNI_FOCUSED) >= 0 || m_blockList.GetNextItem(-1, LVNI_SELECTED) >= 0);
    enable(ID_BLOCK_EXPORT, m_blockRows.RowCount() != 0);
    enable(ID_DUMP_COPY, m_dataList.GetCurSel() >= 0);
    enable(ID_DUMP_EXPORT, m_dataList.GetCount() > 0);

    POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (lParam == -1) {
        // From the keyboard: at the window's top left corner.
        at = {8, 8};
        ::ClientToScreen(window, &at);
    }
    ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, m_hWnd, nullptr);
    return 0;
}

void CCorvaneDlg::OnColumnClickBlockList(NMHDR* header, LRESULT* result) {
    *result = 0;
    const int column = reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem;
    m_blockSortAscending = column == m_blockSortColumn ? !m_blockSortAscending : true;
    m_blockSortColumn = column;
    SortBlockRows();
}

void CCorvaneDlg::SortBlockRows() {
    const int chosenRow = m_blockList.GetNextItem(-1, LVNI_SELECTED);
    const std::optional<std::uint32_t> chosen =
        chosenRow >= 0 ? std::optional<std::uint32_t>(m_blockRows.NumberOfRow(chosenRow)) : std::nullopt;
    const int column = m_blockSortColumn;
    const bool ascending = m_blockSortAscending;
    m_blockRows.Sort([column, ascending](const HeapBlockCursor& a, std::uint32_t numberA, const HeapBlockCursor& b,
                                         std::uint32_t numberB) {
        return ascending ? BlockRowBefore(column, a, numberA, b, numberB)
                         : BlockRowBefore(column, b, numberB, a, numberA);
    });
    // The heading shows the order where the list can draw it.
    const auto heading = reinterpret_cast<HWND>(m_blockList.SendMessage(LVM_GETHEADER));
    for (int i = 0; i < kBlockColumnCount; ++i) {
        HDITEMA item = {};
        item.mask = HDI_FORMAT;
        ::SendMessageA(heading, HDM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == column) item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
        ::SendMessageA(heading, HDM_SETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    if (chosen) {
        const int row = m_blockRows.RowOfNumber(*chosen);
        SelectRow(m_blockList, row, true);
    }
    m_blockList.Invalidate();
}

void CCorvaneDlg::SelectRow(CListCtrl& list, int row, bool quiet) {
    const bool wasQuiet = std::exchange(m_quietSelection, quiet);
    list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row >= 0) {
        list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        list.EnsureVisible(row);
    }
    m_quietSelection = wasQuiet;
}

void CCorvaneDlg::CopyRow(const CListCtrl& list, const TableRows& rows) {
    int row = list.GetNextItem(-1, LVNI_SELECTED);
    if (row < 0) row = list.GetNextItem(-1, LVNI_FOCUSED);
    if (row < 0 || static_cast<std::size_t>(row) >= rows.RowCount()) return;
    PutOnClipboard(TabSeparatedRow(rows, static_cast<std::size_t>(row)));
}

void CCorvaneDlg::OnCopyNodeRow() { CopyRow(m_nodeList, m_nodeRows); }
void CCorvaneDlg::OnCopyBlockRow() { CopyRow(m_blockList, m_blockRows); }

void CCorvaneDlg::OnCopyDumpLine() {
    const int line = m_dataList.GetCurSel();
    if (line >= 0) PutOnClipboard(m_dataList.GetText(line) + "\r\n");
}

bool CCorvaneDlg::PutOnClipboard(const std::string& text) {
    if (!::OpenClipboard(m_hWnd)) {
        ShowMessage("The clipboard is in use by another program. Please try again.", MessageIcon::Warning);
        return false;
    }
    bool put = false;
    if (::EmptyClipboard()) {
        if (const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
            if (void* bytes = ::GlobalLock(memory)) {
                std::memcpy(bytes, text.c_str(), text.size() + 1);
                ::GlobalUnlock(memory);
                put = ::SetClipboardData(CF_TEXT, memory) != nullptr;
            }
            // The clipboard owns the memory only once it took it.
            if (!put) ::GlobalFree(memory);
        }
    }
    ::CloseClipboard();
    if (!put) ShowMessage("The text could not be put on the clipboard.", MessageIcon::Warning);
    return put;
}

void CCorvaneDlg::ExportRows(const TableRows& rows, const char* fileName, bool csv) {
    CFileDialog dialog(
        FALSE, csv ? "csv" : "txt", fileName, OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT,
        csv ? "CSV Files (*.csv)|*.csv|All Files (*.*)|*.*||" : "Text Files (*.txt)|*.txt|All Files (*.*)|*.*||", this);
    if (dialog.DoModal() != IDOK) return;
    const std::string path = dialog.GetPathName();
    const char* failure =
        csv ? ExportCsv(rows, m_platform.Files(), path) : ExportTextLines(rows, m_platform.Files(), path);
    if (failure) ShowMessage(failure, MessageIcon::Error);
}

void CCorvaneDlg::OnExportNodeRows() { ExportRows(m_nodeRows, "HeapNodes", true); }
void CCorvaneDlg::OnExportBlockRows() { ExportRows(m_blockRows, "HeapBlocks", true); }
void CCorvaneDlg::OnExportDump() { ExportRows(DumpLines(m_dataList), "HeapData", false); }

void CCorvaneDlg::OnSetBaseline() {
    const std::int32_t processId = GetSelectedProcessId();
    if (processId == -1) return;
    HeapSnapshot snapshot;
    std::string error;
    switch (TakeHeapSnapshot(m_platform.DebugInfo(), static_cast<std::uint32_t>(processId), snapshot, error)) {
    case SnapshotResult::ProcessEnded:
        ShowMessage(kProcessEndedMessage, MessageIcon::Information);
        RefreshProcessList(processId);
        return;
    case SnapshotResult::Failed: ShowMessage(error, MessageIcon::Error); return;
    case SnapshotResult::Taken: break;
    }
    ShowMessage(BaselineSetText(snapshot), MessageIcon::Information);
    m_baselines[static_cast<std::uint32_t>(processId)] = std::move(snapshot);
}

bool CCorvaneDlg::ShowBlockAt(Address heapBase, Address address, std::optional<std::uint64_t> matchOffset) {
    const AddressWidth width = AddressWidthOf(m_platform.DebugInfo().Layout());
    int nodeRow = -1;
    for (int row = 0; row < static_cast<int>(m_nodeRows.RowCount()); ++row)
        if (m_nodeRows.ValuesOfRow(row).base == heapBase) nodeRow = row;
    if (nodeRow < 0) {
        ShowMessage(HeapNotListedText(heapBase, width), MessageIcon::Warning);
        return false;
    }
    // The blocks are walked afresh, as a pick of the heap walks them.
    if (m_nodeList.GetNextItem(-1, LVNI_SELECTED) == nodeRow) {
        m_nodeList.EnsureVisible(nodeRow);
        ListBlocksOfNodeRow(nodeRow);
    } else {
        SelectRow(m_nodeList, nodeRow, false);
    }
    int blockRow = -1;
    const std::vector<HeapBlockCursor>& blocks = m_blockRows.AllValues();
    for (std::size_t i = 0; i < blocks.size(); ++i)
        if (blocks[i].address == address) blockRow = m_blockRows.RowOfNumber(static_cast<std::uint32_t>(i));
    if (blockRow < 0) {
        ShowMessage(BlockNotListedText(address, width), MessageIcon::Warning);
        return false;
    }
    SelectRow(m_blockList, -1, true);
    SelectRow(m_blockList, blockRow, false);
    if (matchOffset && m_held.IsHeld()) {
        const auto offset = static_cast<std::uint32_t>(std::min<std::uint64_t>(*matchOffset, UINT32_MAX));
        ApplySearchAnswer(MatchAnswer(m_held, offset, ProgramSearchHistory()), *this);
        m_dataList.SetFocus();
    }
    return true;
}

bool CCorvaneDlg::ChosenHeap(std::uint32_t& processId, HeapRecord& heap) {
    const std::int32_t id = GetSelectedProcessId();
    if (id == -1) return false;
    const int row = m_nodeList.GetNextItem(-1, LVNI_SELECTED);
    if (row < 0 || static_cast<std::size_t>(row) >= m_nodeRows.RowCount()) {
        ShowMessage("Please select a heap in the heap node list.", MessageIcon::Information);
        return false;
    }
    processId = static_cast<std::uint32_t>(id);
    heap = m_nodeRows.ValuesOfRow(row);
    return true;
}

void CCorvaneDlg::OpenTool(std::unique_ptr<CToolDialog> tool) {
    if (m_tool) return; // one at a time; the window is disabled meanwhile anyway
    m_tool = std::move(tool);
    if (!m_tool->Open(*this)) {
        m_tool.reset();
        ShowMessage("The window could not be opened.", MessageIcon::Error);
    }
}

LRESULT CCorvaneDlg::OnToolClosed(WPARAM, LPARAM) {
    if (!m_tool || m_tool->GetSafeHwnd()) return 0;
    const std::unique_ptr<CToolDialog> tool = std::move(m_tool);
    const std::optional<BlockPick> pick = tool->Pick();
    if (!pick) return 0;
    if (!ShowBlockAt(pick->heapBase, pick->address, pick->matchOffset)) return 0;
    // A text search goes on from the match with Find Again.
    if (pick->matchOffset && pick->searchKind != PatternKind::HexBytes) {
        m_searchEdit.SetWindowText(pick->searchText.c_str());
        m_unicodeCheck.SetCheck(pick->searchKind == PatternKind::WideText ? BST_CHECKED : BST_UNCHECKED);
        ProgramSearchHistory().previousText = LowerCaseText(pick->searchText);
    }
    return 0;
}

void CCorvaneDlg::OnCompareWithBaseline() {
    const std::int32_t processId = GetSelectedProcessId();
    if (processId == -1) return;
    const auto baseline = m_baselines.find(static_cast<std::uint32_t>(processId));
    if (baseline == m_baselines.end()) {
        ShowMessage("There is no baseline for this process yet: set one first.", MessageIcon::Information);
        return;
    }
    HeapSnapshot current;
    std::string error;
    switch (TakeHeapSnapshot(m_platform.DebugInfo(), static_cast<std::uint32_t>(processId), current, error)) {
    case SnapshotResult::ProcessEnded:
        m_baselines.erase(baseline);
        ShowMessage(kProcessEndedMessage, MessageIcon::Information);
        RefreshProcessList(processId);
        return;
    case SnapshotResult::Failed: ShowMessage(error, MessageIcon::Error); return;
    case SnapshotResult::Taken: break;
    }
    OpenTool(std::make_unique<CCompareDlg>(CompareSnapshots(baseline->second, current), current.width));
}

bool CCorvaneDlg::ChosenHeapBlocks(std::uint32_t& processId, Address& heapBase, std::vector<HeapBlockCursor>& blocks,
                                   AddressWidth& width) {
    HeapRecord heap;
    if (!ChosenHeap(processId, heap)) return false;
    HeapSnapshot snapshot;
    std::string error;
    switch (TakeHeapSnapshot(m_platform.DebugInfo(), processId, snapshot, error)) {
    case SnapshotResult::ProcessEnded:
        ShowMessage(kProcessEndedMessage, MessageIcon::Information);
        RefreshProcessList(static_cast<std::int32_t>(processId));
        return false;
    case SnapshotResult::Failed: ShowMessage(error, MessageIcon::Error); return false;
    case SnapshotResult::Taken: break;
    }
    for (SnapshotHeap& fresh : snapshot.heaps) {
        if (fresh.record.base != heap.base) continue;
        heapBase = heap.base;
        blocks = std::move(fresh.blocks);
        width = snapshot.width;
        return true;
    }
    ShowMessage(HeapNotListedText(heap.base, snapshot.width), MessageIcon::Warning);
    return false;
}

void CCorvaneDlg::OnSizeStatistics() {
    std::uint32_t processId = 0;
    Address heapBase = 0;
    std::vector<HeapBlockCursor> blocks;
    AddressWidth width = AddressWidth::Bits32;
    if (!ChosenHeapBlocks(processId, heapBase, blocks, width)) return;
    OpenTool(std::make_unique<CStatisticsDlg>(heapBase, ComputeSizeStatistics(blocks), width));
}

void CCorvaneDlg::OnFindInAllBlocks() {
    std::uint32_t processId = 0;
    Address heapBase = 0;
    std::vector<HeapBlockCursor> blocks;
    AddressWidth width = AddressWidth::Bits32;
    if (!ChosenHeapBlocks(processId, heapBase, blocks, width)) return;
    std::unique_ptr<TargetMemory> memory = m_platform.Blocks().Open(processId);
    if (!memory) {
        ShowMessage(kSaveTargetOpenFailedMessage, MessageIcon::Error);
        return;
    }
    OpenTool(std::make_unique<CFindAllDlg>(heapBase, std::move(blocks), std::move(memory), width));
}

} // namespace corvane
