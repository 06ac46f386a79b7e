#include "ui/win32/watch_dialog_win32.h"

#include "res/resource.h"
#include "ui/win32/list_layout_win32.h"
#include "ui/win32/table_commands_win32.h"
#include "ui/win32/watch_chart_win32.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace corvane {

namespace {

constexpr UINT_PTR kSampleTimer = 1;

} // namespace

// Copying and exporting the rows of either list, with when its menu offers them.
struct CWatchDlg::ListCommands {
    static bool HasRowToCopy(CWatchDlg& dialog) {
        const Pane pane = dialog.PaneOf(dialog.m_menuList);
        return pane.list && ChosenOrFocusedRow(*pane.list) >= 0;
    }
    static void CopyRow(CWatchDlg& dialog) { dialog.CopyRowOf(dialog.m_menuList); }
    static bool HasRows(CWatchDlg& dialog) {
        const Pane pane = dialog.PaneOf(dialog.m_menuList);
        return pane.rows && pane.rows->RowCount() != 0;
    }
    static void ExportRows(CWatchDlg& dialog) {
        const Pane pane = dialog.PaneOf(dialog.m_menuList);
        if (pane.rows) dialog.ExportListRows(*pane.rows, pane.exportName);
    }
};

CWatchDlg::CWatchDlg(DebugInfoService& service, std::uint32_t processId, AddressWidth width, MillisecondClock clock)
    : CToolWindow(IDD_WATCH), m_service(service), m_processId(processId), m_width(width), m_clock(clock),
      m_heapRows(kWatchHeapColumns), m_sizeRows(kSizeGrowthColumns) {
    m_status.processId = processId;
    m_status.interval = kWatchIntervals[m_interval].text;
    m_heapRows.SetRows({}, width);
    m_sizeRows.SetRows({}, width);
}

const MessageMap* CWatchDlg::ThisMessageMap() {
    static const MessageMapEntry entries[] = {
        MapMessage<&CWatchDlg::OnTimer>(WM_TIMER),
        MapMessage<&CWatchDlg::OnContextMenu>(WM_CONTEXTMENU),
        MapCommand<&CWatchDlg::OnPause>(IDC_WATCH_PAUSE, BN_CLICKED),
        MapCommand<&CWatchDlg::OnExportSamples>(IDC_WATCH_EXPORT, BN_CLICKED),
        MapCommand<&CWatchDlg::OnIntervalChosen>(IDC_WATCH_INTERVAL, CBN_SELCHANGE),
        MapNotify<&CWatchDlg::OnGetDispInfoHeaps>(IDC_WATCH_HEAPS, LVN_GETDISPINFOA),
        MapNotify<&CWatchDlg::OnGetDispInfoSizes>(IDC_WATCH_SIZES, LVN_GETDISPINFOA),
        MapCommand<&ListCommands::CopyRow>(ID_TOOL_COPY, 0),
        MapCommandEnabled<&ListCommands::HasRowToCopy>(ID_TOOL_COPY),
        MapCommand<&ListCommands::ExportRows>(ID_TOOL_EXPORT, 0),
        MapCommandEnabled<&ListCommands::HasRows>(ID_TOOL_EXPORT),
    };
    static const MessageMap map{&CShadedDialog::ThisMessageMap, entries, std::size(entries)};
    return &map;
}

void CWatchDlg::DoDataExchange(CDataExchange* pDX) {
    CShadedDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_WATCH_INTERVAL, m_intervalCombo);
    DDX_Control(pDX, IDC_WATCH_PAUSE, m_pauseButton);
    DDX_Control(pDX, IDC_WATCH_EXPORT, m_exportButton);
    DDX_Control(pDX, IDCANCEL, m_closeButton);
    DDX_Control(pDX, IDC_TOOL_SUMMARY, m_summary);
    DDX_Control(pDX, IDC_WATCH_CHART, m_chart);
    DDX_Control(pDX, IDC_WATCH_HEAPS, m_heapList);
    DDX_Control(pDX, IDC_WATCH_SIZES, m_sizeList);
}

BOOL CWatchDlg::OnInitDialog() {
    CShadedDialog::OnInitDialog();
    for (CShadedButton* button : {&m_pauseButton, &m_exportButton, &m_closeButton})
        SetUpButton(*button);
    for (const WatchInterval& interval : kWatchIntervals)
        m_intervalCombo.AddString(interval.text);
    m_intervalCombo.SetCurSel(m_interval);
    m_heapList.SetExtendedStyle(kToolListStyle);
    m_sizeList.SetExtendedStyle(kToolListStyle);
    LayOutColumns(m_heapList, kWatchHeapColumns, m_width, std::nullopt);
    LayOutColumns(m_sizeList, kSizeGrowthColumns, m_width, std::nullopt);
    m_startMilliseconds = m_clock();
    TakeSample();
    if (m_status.state == WatchState::Running) StartTimer();
    return TRUE;
}

bool CWatchDlg::IsTransparentLabel(int controlId) const {
    return controlId == IDC_TOOL_SUMMARY || controlId == IDC_WATCH_INTERVAL_LABEL || controlId == IDC_WATCH_SIZES_LABEL;
}

BOOL CWatchDlg::PreTranslateMessage(MSG* message) {
    if (IsCopyKey(*message) && PaneOf(message->hwnd).list) {
        CopyRowOf(message->hwnd);
        return TRUE;
    }
    return CToolWindow::PreTranslateMessage(message);
}

CWatchDlg::Pane CWatchDlg::PaneOf(HWND window) {
    if (window && window == m_heapList.GetSafeHwnd()) return {&m_heapList, &m_heapRows, "WatchedHeaps"};
    if (window && window == m_sizeList.GetSafeHwnd()) return {&m_sizeList, &m_sizeRows, "SizesThatGrew"};
    return {};
}

void CWatchDlg::CopyRowOf(HWND window) {
    const Pane pane = PaneOf(window);
    if (pane.list) CopyListRow(*pane.list, *pane.rows);
}

void CWatchDlg::StartTimer() { ::SetTimer(m_hWnd, kSampleTimer, kWatchIntervals[m_interval].milliseconds, nullptr); }

LRESULT CWatchDlg::OnTimer(WPARAM wParam, LPARAM) {
    if (wParam == kSampleTimer && m_status.state == WatchState::Running) TakeSample();
    return 0;
}

void CWatchDlg::TakeSample() {
    const double t = static_cast<double>(m_clock() - m_startMilliseconds) / 1000.0;
    HeapSnapshot snapshot;
    std::string error;
    switch (TakeHeapSnapshot(m_service, m_processId, snapshot, error)) {
    case SnapshotResult::Taken:
        // A heap left out because it changed while it was read would show
        // as a heap that emptied: the sample is a gap instead.
        if (m_service.Notes().brokenHeaps.empty()) {
            m_watch.Add(t, snapshot);
            break;
        }
        [[fallthrough]];
    case SnapshotResult::Failed:
        m_watch.AddBroken(t);
        ++m_status.brokenSamples;
        break;
    case SnapshotResult::ProcessEnded:
        // The chart and the lists keep what was seen.
        ::KillTimer(m_hWnd, kSampleTimer);
        m_status.state = WatchState::ProcessEnded;
        m_pauseButton.EnableWindow(false);
        ShowStatus();
        return;
    }
    ++m_status.samples;
    m_heapRows.Show(m_heapList, m_watch.HeapRows(), m_width);
    m_sizeRows.Show(m_sizeList, m_watch.SizesThatGrew(), m_width);
    // An owner-data list of the same length does not ask for its texts again.
    m_heapList.Invalidate(false);
    m_sizeList.Invalidate(false);
    m_chart.Show(m_watch.Lines(), m_width);
    ShowStatus();
}

void CWatchDlg::ShowStatus() { SetLabelText(m_summary, WatchStatusText(m_status)); }

void CWatchDlg::OnPause() {
    if (m_status.state == WatchState::ProcessEnded) return;
    if (m_status.state == WatchState::Running) {
        ::KillTimer(m_hWnd, kSampleTimer);
        m_status.state = WatchState::Paused;
        m_pauseButton.SetWindowText("Resume");
    } else {
        m_status.state = WatchState::Running;
        m_pauseButton.SetWindowText("Pause");
        TakeSample();
        if (m_status.state == WatchState::Running) StartTimer();
    }
    m_pauseButton.Invalidate();
    ShowStatus();
}

void CWatchDlg::OnIntervalChosen() {
    const int chosen = m_intervalCombo.GetCurSel();
    if (chosen < 0 || chosen >= static_cast<int>(std::size(kWatchIntervals))) return;
    m_interval = chosen;
    m_status.interval = kWatchIntervals[m_interval].text;
    if (m_status.state == WatchState::Running) StartTimer(); // the same timer, at the new pace
    ShowStatus();
}

void CWatchDlg::OnExportSamples() { ExportListRows(*m_watch.CsvRows(m_width), "WatchSamples"); }

void CWatchDlg::OnGetDispInfoHeaps(NMHDR* header, LRESULT* result) {
    GiveCellText(m_heapRows, *reinterpret_cast<NMLVDISPINFOA*>(header));
    *result = 0;
}

void CWatchDlg::OnGetDispInfoSizes(NMHDR* header, LRESULT* result) {
    GiveCellText(m_sizeRows, *reinterpret_cast<NMLVDISPINFOA*>(header));
    *result = 0;
}

LRESULT CWatchDlg::OnContextMenu(WPARAM wParam, LPARAM lParam) {
    const auto window = reinterpret_cast<HWND>(wParam);
    if (!PaneOf(window).list) return Default();
    m_menuList = window;
    TrackListMenu(*this, window, MENU_TOOL_LIST, lParam);
    return 0;
}

} // namespace corvane
