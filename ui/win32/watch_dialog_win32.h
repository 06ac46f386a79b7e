#pragma once

// The watch: a snapshot of the process's heaps at a steady interval, each
// taken between the window's messages, drawn as busy bytes over time above
// the heaps' growth and the sizes that grew.

#include "heap/heap_snapshot.h"
#include "heap/heap_watch.h"
#include "ui/heap_listing.h"
#include "ui/watch_rows.h"
#include "ui/win32/tool_dialogs_win32.h"
#include "ui/win32/watch_chart_win32.h"

#include <cstdint>

namespace corvane {

class CWatchDlg : public CToolWindow {
public:
    // `service` (not owned) takes the snapshots of process `processId`;
    // `clock` gives the samples' times.
    CWatchDlg(DebugInfoService& service, std::uint32_t processId, AddressWidth width,
              MillisecondClock clock = &SteadyMilliseconds);

    const HeapWatch& Watch() const { return m_watch; }

    BOOL PreTranslateMessage(MSG* message) override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    bool IsTransparentLabel(int controlId) const override;

    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnContextMenu(WPARAM wParam, LPARAM lParam);
    void OnPause();
    void OnIntervalChosen();
    void OnExportSamples();
    void OnGetDispInfoHeaps(NMHDR* header, LRESULT* result);
    void OnGetDispInfoSizes(NMHDR* header, LRESULT* result);

    static const MessageMap* ThisMessageMap();
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

private:
    struct ListCommands;
    using HeapRows = RowList<WatchHeapRow, WatchHeapRowTexts, &FormatWatchHeapRow>;
    using SizeRows = RowList<SizeGrowthRow, SizeGrowthRowTexts, &FormatSizeGrowthRow>;

    void TakeSample();
    void StartTimer();
    void ShowStatus();
    // One of the two lists, with its rows and the name its export is offered
    // under; all null for another window.
    struct Pane {
        CListCtrl* list = nullptr;
        TableRows* rows = nullptr;
        const char* exportName = nullptr;
    };
    // The list a command of the lists' menu or Ctrl+C is for.
    Pane PaneOf(HWND window);
    void CopyRowOf(HWND window);

    DebugInfoService& m_service;
    std::uint32_t m_processId;
    AddressWidth m_width;
    MillisecondClock m_clock;
    std::uint64_t m_startMilliseconds = 0;
    HeapWatch m_watch;
    WatchStatus m_status;
    int m_interval = kFirstWatchInterval;
    HeapRows m_heapRows;
    SizeRows m_sizeRows;
    HWND m_menuList = nullptr; // the list whose menu is open

    CComboBox m_intervalCombo;
    CShadedButton m_pauseButton;
    CShadedButton m_exportButton;
    CShadedButton m_closeButton;
    CStatic m_summary;
    CWatchChart m_chart;
    CListCtrl m_heapList;
    CListCtrl m_sizeList;
};

} // namespace corvane
