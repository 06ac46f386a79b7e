#include "ui/win32/tool_dialogs_win32.h"

#include "res/resource.h"
#include "ui/win32/list_layout_win32.h"
#include "ui/win32/table_commands_win32.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace corvane {

namespace {

// Posted by a stepped tool to itself for its next step.
constexpr UINT WM_TOOL_STEP = WM_APP + 3;
// How long one step of a tool's work may hold the window, in milliseconds:
// a person does not notice a pause this short.
constexpr DWORD kStepMilliseconds = 40;

std::string ScopeText(const std::vector<HeapBlockCursor>& blocks) {
    const BusyTotals busy = CountBusyBlocks(blocks);
    return SearchScopeText(busy.blocks, busy.bytes);
}

} // namespace

bool CToolWindow::Open(CWnd& owner, SaveFiles& files) {
    m_owner = owner.GetSafeHwnd();
    m_files = &files;
    if (!Create(&owner)) return false;
    ::EnableWindow(m_owner, FALSE);
    ShowWindow(SW_SHOW);
    return true;
}

BOOL CToolWindow::PreTranslateMessage(MSG* message) {
    // The dialog manager offers the message to this hook again while it
    // handles it; the second offer is declined.
    static bool handling = false;
    if (handling || !m_hWnd) return FALSE;
    handling = true;
    const BOOL handled = ::IsDialogMessageA(m_hWnd, message);
    handling = false;
    return handled;
}

void CToolWindow::OnCancel() { Close(std::nullopt); }

void CToolWindow::Close(std::optional<BlockPick> pick) {
    m_pick = std::move(pick);
    // The owner comes back first, so that it is the window activated when
    // this one goes.
    ::EnableWindow(m_owner, TRUE);
    EndDialog(IDCANCEL);
    ::PostMessageA(m_owner, WM_TOOL_CLOSED, 0, 0);
}

void CToolWindow::CopyListRow(const CListCtrl& list, const TableRows& rows) {
    if (const char* failure = CopyChosenRow(m_hWnd, list, rows)) ShowProgramMessage(failure, MessageIcon::Warning);
}

void CToolWindow::ExportListRows(const TableRows& rows, const char* name) {
    if (!m_files) return;
    if (const char* failure = ExportRows(*this, rows, name, true, *m_files))
        ShowProgramMessage(failure, MessageIcon::Error);
}

// Copying and exporting the list's rows, with when the list's menu offers them.
struct CToolDialog::ListCommands {
    static bool HasRowToCopy(CToolDialog& dialog) { return ChosenOrFocusedRow(dialog.m_list) >= 0; }
    static void CopyRow(CToolDialog& dialog) { dialog.CopyListRow(dialog.m_list, dialog.Rows()); }
    static bool HasRows(CToolDialog& dialog) { return dialog.Rows().RowCount() != 0; }
    static void ExportRows(CToolDialog& dialog) { dialog.ExportListRows(dialog.Rows(), dialog.ExportName()); }
};

CToolDialog::CToolDialog(UINT templateId, AddressWidth width, std::string summaryText)
    : CToolWindow(templateId), m_width(width), m_summaryText(std::move(summaryText)) {}

const MessageMap* CToolDialog::ThisMessageMap() {
    static const MessageMapEntry entries[] = {
        MapNotify<&CToolDialog::OnDblClkList>(IDC_TOOL_LIST, NM_DBLCLK),
        MapNotify<&CToolDialog::OnGetDispInfoList>(IDC_TOOL_LIST, LVN_GETDISPINFOA),
        MapMessage<&CToolDialog::OnContextMenu>(WM_CONTEXTMENU),
        MapCommand<&ListCommands::CopyRow>(ID_TOOL_COPY, 0),
        MapCommandEnabled<&ListCommands::HasRowToCopy>(ID_TOOL_COPY),
        MapCommand<&ListCommands::ExportRows>(ID_TOOL_EXPORT, 0),
        MapCommandEnabled<&ListCommands::HasRows>(ID_TOOL_EXPORT),
    };
    static const MessageMap map{&CShadedDialog::ThisMessageMap, entries, std::size(entries)};
    return &map;
}

BOOL CToolDialog::PreTranslateMessage(MSG* message) {
    if (IsCopyKey(*message) && message->hwnd == m_list.GetSafeHwnd()) {
        ListCommands::CopyRow(*this);
        return TRUE;
    }
    return CToolWindow::PreTranslateMessage(message);
}

void CToolDialog::DoDataExchange(CDataExchange* pDX) {
    CShadedDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_TOOL_LIST, m_list);
    DDX_Control(pDX, IDC_TOOL_SUMMARY, m_summary);
    DDX_Control(pDX, IDCANCEL, m_closeButton);
}

BOOL CToolDialog::OnInitDialog() {
    CShadedDialog::OnInitDialog();
    SetUpButton(m_closeButton);
    m_list.SetExtendedStyle(kToolListStyle);
    LayOutList();
    m_list.SetItemCount(static_cast<int>(Rows().RowCount()));
    m_summary.SetWindowText(m_summaryText.c_str());
    return TRUE;
}

bool CToolDialog::IsTransparentLabel(int controlId) const {
    return controlId == IDC_TOOL_SUMMARY || controlId == IDC_FIND_ALL_LABEL || controlId == IDC_TOOL_NOTE;
}

void CToolDialog::SetSummaryText(const std::string& text) { SetLabelText(m_summary, text); }

void CToolDialog::OnOK() {
    const int row = m_list.GetNextItem(-1, LVNI_SELECTED);
    if (::GetFocus() == m_list.GetSafeHwnd() && row >= 0) OnRowChosen(row);
}

void CToolDialog::OnDblClkList(NMHDR* header, LRESULT* result) {
    *result = 0;
    const int row = reinterpret_cast<const NMITEMACTIVATE*>(header)->iItem;
    if (row >= 0 && static_cast<std::size_t>(row) < Rows().RowCount()) OnRowChosen(row);
}

void CToolDialog::OnGetDispInfoList(NMHDR* header, LRESULT* result) {
    GiveCellText(Rows(), *reinterpret_cast<NMLVDISPINFOA*>(header));
    *result = 0;
}

LRESULT CToolDialog::OnContextMenu(WPARAM wParam, LPARAM lParam) {
    const auto window = reinterpret_cast<HWND>(wParam);
    if (window != m_list.GetSafeHwnd()) return Default();
    TrackListMenu(*this, window, MENU_TOOL_LIST, lParam);
    return 0;
}

const MessageMap* CSteppedToolDialog::ThisMessageMap() {
    static const MessageMapEntry entries[] = {
        MapCommand<&CSteppedToolDialog::OnStop>(IDC_TOOL_STOP, BN_CLICKED),
        MapMessage<&CSteppedToolDialog::OnStep>(WM_TOOL_STEP),
    };
    static const MessageMap map{&CToolDialog::ThisMessageMap, entries, std::size(entries)};
    return &map;
}

void CSteppedToolDialog::DoDataExchange(CDataExchange* pDX) {
    CToolDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_TOOL_STOP, m_stopButton);
}

BOOL CSteppedToolDialog::OnInitDialog() {
    CToolDialog::OnInitDialog();
    SetUpButton(m_stopButton);
    return TRUE;
}

void CSteppedToolDialog::StartSteps() {
    m_running = true;
    m_stopButton.EnableWindow(TRUE);
    m_stopButton.SetFocus();
    ShowProgress(SearchState::Running);
    PostMessage(WM_TOOL_STEP);
}

LRESULT CSteppedToolDialog::OnStep(WPARAM, LPARAM) {
    if (!m_running) return 0;
    const DWORD start = ::GetTickCount();
    bool more = true;
    while (more && ::GetTickCount() - start < kStepMilliseconds)
        more = StepOnce();
    if (!more) {
        Finish(SearchState::Done);
        return 0;
    }
    ShowProgress(SearchState::Running);
    // Posted, so that the messages waiting meanwhile (a click on Stop, a
    // paint) are handled before the next step.
    PostMessage(WM_TOOL_STEP);
    return 0;
}

void CSteppedToolDialog::OnStop() {
    if (m_running) Finish(SearchState::Stopped);
}

void CSteppedToolDialog::Finish(SearchState state) {
    m_running = false;
    ShowProgress(state);
    // The focus leaves the button before it is disabled, or it is lost.
    if (::GetFocus() == m_stopButton.GetSafeHwnd()) m_closeButton.SetFocus();
    m_stopButton.EnableWindow(FALSE);
    OnFinished(state);
}

CCompareDlg::CCompareDlg(const SnapshotDifference& difference, AddressWidth width)
    : CToolDialog(IDD_COMPARE, width, DifferenceSummary(difference)), m_rows(kChangeColumns) {
    m_rows.SetRows(ChangeRows(difference), width);
}

void CCompareDlg::LayOutList() { LayOutColumns(m_list, kChangeColumns, m_width, std::nullopt); }

void CCompareDlg::OnRowChosen(int row) {
    const ChangeRow& change = m_rows.ValuesOfRow(row);
    if (!change.added) {
        ShowProgramMessage("That block is gone since the baseline: there is nothing to show.",
                           MessageIcon::Information);
        return;
    }
    BlockPick pick;
    pick.heapBase = change.heapBase;
    pick.address = change.block.address;
    Close(std::move(pick));
}

CStatisticsDlg::CStatisticsDlg(Address heapBase, const SizeStatistics& statistics, AddressWidth width)
    : CToolDialog(IDD_STATISTICS, width, StatisticsSummary(heapBase, width, statistics)), m_rows(kStatisticsColumns) {
    m_rows.SetRows(StatisticsRows(statistics), width);
}

void CStatisticsDlg::LayOutList() {
    // The share gives back the room the sizes take in a 64-bit list, down to
    // what its heading and its widest value need.
    const int shareLeast = std::max(m_list.GetStringWidth(kStatisticsColumns[StatisticsColumn::Share].heading),
                                    m_list.GetStringWidth("100.0%"));
    LayOutColumns(m_list, kStatisticsColumns, m_width, shareLeast + kCellMargins);
}

CFindAllDlg::CFindAllDlg(Address heapBase, std::vector<HeapBlockCursor> blocks, std::unique_ptr<TargetMemory> memory,
                         AddressWidth width)
    : CSteppedToolDialog(IDD_FIND_ALL, width, ScopeText(blocks)), m_heapBase(heapBase), m_blocks(std::move(blocks)),
      m_memory(std::move(memory)), m_rows(kHitColumns) {
    m_rows.SetRows({}, width);
}

const MessageMap* CFindAllDlg::ThisMessageMap() {
    static const MessageMapEntry entries[] = {
        MapCommand<&CFindAllDlg::OnStart>(IDC_FIND_ALL_START, BN_CLICKED),
    };
    static const MessageMap map{&CSteppedToolDialog::ThisMessageMap, entries, std::size(entries)};
    return &map;
}

void CFindAllDlg::DoDataExchange(CDataExchange* pDX) {
    CSteppedToolDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_FIND_ALL_TEXT, m_textEdit);
    DDX_Control(pDX, IDC_FIND_ALL_KIND, m_kindCombo);
    DDX_Control(pDX, IDC_FIND_ALL_START, m_startButton);
}

BOOL CFindAllDlg::OnInitDialog() {
    CSteppedToolDialog::OnInitDialog();
    SetUpButton(m_startButton);
    for (const char* kind : {"Text", "Unicode text", "Hex bytes"})
        m_kindCombo.AddString(kind);
    m_kindCombo.SetCurSel(0);
    m_textEdit.SetFocus();
    return FALSE; // the focus is set
}

void CFindAllDlg::LayOutList() { LayOutColumns(m_list, kHitColumns, m_width, ScaleToSystemDpi(kHitTextColumnLeast)); }

void CFindAllDlg::OnOK() {
    if (::GetFocus() == m_list.GetSafeHwnd())
        CToolDialog::OnOK();
    else
        OnStart();
}

void CFindAllDlg::OnStart() {
    if (m_search) return;
    const std::string text = m_textEdit.GetWindowText();
    const int kind = m_kindCombo.GetCurSel();
    const PatternKind patternKind = kind == 2   ? PatternKind::HexBytes
                                    : kind == 1 ? PatternKind::WideText
                                                : PatternKind::Text;
    SearchPattern pattern;
    std::string error;
    if (!ParseSearchPattern(text, patternKind, pattern, error)) {
        ShowProgramMessage(error, MessageIcon::Warning);
        m_textEdit.SetFocus();
        return;
    }
    m_searchText = text;
    m_searchKind = patternKind;
    m_rows.Clear(m_list);
    m_search = std::make_unique<HeapSearch>(*m_memory, m_blocks, std::move(pattern));
    for (const int id : {IDC_FIND_ALL_START, IDC_FIND_ALL_TEXT, IDC_FIND_ALL_KIND})
        ::EnableWindow(GetDlgItem(id), FALSE);
    StartSteps();
}

bool CFindAllDlg::StepOnce() {
    std::vector<SearchHit> found;
    const bool more = m_search->Step(kSearchPieceSize, found);
    m_rows.Append(m_list, found);
    return more;
}

void CFindAllDlg::OnFinished(SearchState) {
    m_search.reset();
    for (const int id : {IDC_FIND_ALL_START, IDC_FIND_ALL_TEXT, IDC_FIND_ALL_KIND})
        ::EnableWindow(GetDlgItem(id), TRUE);
    (m_rows.RowCount() ? static_cast<CWnd&>(m_list) : static_cast<CWnd&>(m_textEdit)).SetFocus();
}

void CFindAllDlg::ShowProgress(SearchState state) {
    if (!m_search) return;
    SearchProgress progress;
    progress.state = state;
    progress.bytesSearched = m_search->BytesSearched();
    progress.bytesTotal = m_search->BytesTotal();
    progress.matches = m_rows.RowCount();
    progress.unreadableBlocks = m_search->UnreadableBlocks();
    progress.capped = m_search->HitLimitReached();
    SetSummaryText(SearchProgressText(progress));
}

void CFindAllDlg::OnRowChosen(int row) {
    if (Running()) Finish(SearchState::Stopped);
    const SearchHit& hit = m_rows.ValuesOfRow(row);
    BlockPick pick;
    pick.heapBase = m_heapBase;
    pick.address = hit.blockAddress;
    pick.matchOffset = hit.offset;
    pick.searchText = m_searchText;
    pick.searchKind = m_searchKind;
    Close(std::move(pick));
}

} // namespace corvane
