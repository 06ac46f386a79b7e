#pragma once

// The tool dialogs of the main window: the comparison with a baseline, the
// size statistics of a heap and the search of all its blocks. Each is a
// summary line over an owner-data list on the program's shaded background.
// They stand beside the main window rather than running a loop of their
// own: the main window is disabled while one is open and takes it down when
// it closes.

#include "controls/win32/shaded_button_win32.h"
#include "framework/controls_win32.h"
#include "heap/block_source.h"
#include "heap/heap_search.h"
#include "ui/heap_tools.h"
#include "ui/win32/row_list_win32.h"
#include "ui/win32/shaded_dialog_win32.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// Sent (posted) to the owner when a tool dialog has closed.
constexpr UINT WM_TOOL_CLOSED = WM_APP + 2;

// A block the user asked to see from a tool's list.
struct BlockPick {
    Address heapBase = 0;
    Address address = 0;
    // Where a match lies in the block, for the search results, and what
    // was searched for.
    std::optional<std::uint64_t> matchOffset;
    std::string searchText;
    PatternKind searchKind = PatternKind::Text;
};

class CToolDialog : public CShadedDialog {
public:
    // Opens the dialog over `owner`, which stays disabled until it closes.
    bool Open(CWnd& owner);
    // The block picked in the list, once the dialog has closed.
    const std::optional<BlockPick>& Pick() const { return m_pick; }

    // Dialog keys (Tab, Enter, Escape) for this window, which no dialog loop
    // of its own serves.
    BOOL PreTranslateMessage(MSG* message) override;

protected:
    // summaryText: the line above the list when the dialog opens.
    CToolDialog(UINT templateId, AddressWidth width, std::string summaryText);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    // Enter chooses the list's chosen row while the list has the focus.
    void OnOK() override;
    void OnDblClkList(NMHDR* header, LRESULT* result);
    void OnGetDispInfoList(NMHDR* header, LRESULT* result);
    bool IsTransparentLabel(int controlId) const override;

    // Closes the dialog; with a pick, the owner shows that block.
    void Close(std::optional<BlockPick> pick);

    // The list's rows.
    virtual TableRows& Rows() = 0;
    // A row the user double-clicked (or chose with Enter).
    virtual void OnRowChosen(int) {}
    // Inserts the list's columns.
    virtual void LayOutList() = 0;

    static const MessageMap* ThisMessageMap();
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

    AddressWidth m_width;
    CListCtrl m_list;
    CStatic m_summary;
    CShadedButton m_closeButton;

private:
    HWND m_owner = nullptr; // not owned; the main window
    std::optional<BlockPick> m_pick;
    std::string m_summaryText;
};

// The blocks that came and went since the baseline.
class CCompareDlg : public CToolDialog {
public:
    CCompareDlg(const SnapshotDifference& difference, AddressWidth width);

protected:
    TableRows& Rows() override { return m_rows; }
    void OnRowChosen(int row) override;
    void LayOutList() override;

private:
    RowList<ChangeRow, ChangeRowTexts, &FormatChangeRow> m_rows;
};

// How many blocks of each size a heap holds.
class CStatisticsDlg : public CToolDialog {
public:
    CStatisticsDlg(Address heapBase, const SizeStatistics& statistics, AddressWidth width);

protected:
    TableRows& Rows() override { return m_rows; }
    void LayOutList() override;

private:
    RowList<StatisticsRow, StatisticsRowTexts, &FormatStatisticsRow> m_rows;
};

// Searches every block in use of a heap, a step at a time between the
// messages of the window, so that it answers (and can be stopped) meanwhile.
class CFindAllDlg : public CToolDialog {
public:
    // memory: the process, opened for reading; owned by the dialog.
    CFindAllDlg(Address heapBase, std::vector<HeapBlockCursor> blocks, std::unique_ptr<TargetMemory> memory,
                AddressWidth width);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    TableRows& Rows() override { return m_rows; }
    void OnRowChosen(int row) override;
    void LayOutList() override;
    void OnStart();
    void OnStop();
    LRESULT OnStep(WPARAM wParam, LPARAM lParam);
    void OnOK() override;

    static const MessageMap* ThisMessageMap();
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

private:
    void ShowProgress(SearchState state);
    void Finish(SearchState state);

    Address m_heapBase;
    std::vector<HeapBlockCursor> m_blocks;
    std::unique_ptr<TargetMemory> m_memory;
    std::unique_ptr<HeapSearch> m_search;
    RowList<SearchHit, HitRowTexts, &FormatHitRow> m_rows;
    std::string m_searchText;
    PatternKind m_searchKind = PatternKind::Text;
    CEdit m_textEdit;
    CComboBox m_kindCombo;
    CShadedButton m_startButton;
    CShadedButton m_stopButton;
};

} // namespace corvane
