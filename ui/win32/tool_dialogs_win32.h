#pragma once

// The tool windows of the main window and the tool dialogs among them: the
// comparison with a baseline, the size statistics of a heap and the search
// of all its blocks. Each dialog is a summary line over an owner-data list on
// the program's shaded background. They stand beside the main window rather
// than running a loop of their own: the main window is disabled while one is
// open and takes it down when it closes.

#include "controls/win32/shaded_button_win32.h"
#include "framework/controls_win32.h"
#include "heap/block_copy.h"
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

// A block the user asked to see from a tool.
struct BlockPick {
    Address heapBase = 0;
    Address address = 0;
    // Where a match lies in the block, for the search results, and what
    // was searched for.
    std::optional<std::uint64_t> matchOffset;
    std::string searchText;
    PatternKind searchKind = PatternKind::Text;
    // The offset whose dump line is selected, for a pick that follows a
    // pointer into the block.
    std::optional<std::uint64_t> lineOffset;
    // An address typed to go to: the block that holds it is looked up in a
    // fresh snapshot, and heapBase and address are not used.
    std::optional<Address> goTo;
};

// A small window of its own over the main window, which is disabled while
// it is open and takes it down when it closes.
class CToolWindow : public CShadedDialog {
public:
    // Opens the window over `owner`; `files` (not owned) saves what it exports.
    bool Open(CWnd& owner, SaveFiles& files);
    // The block picked, once the window has closed.
    const std::optional<BlockPick>& Pick() const { return m_pick; }

    // Dialog keys (Tab, Enter, Escape) for this window, which no dialog loop
    // of its own serves.
    BOOL PreTranslateMessage(MSG* message) override;

protected:
    explicit CToolWindow(UINT templateId) : CShadedDialog(templateId, nullptr) {}
    void OnCancel() override;
    // Closes the window; with a pick, the owner shows that block.
    void Close(std::optional<BlockPick> pick);
    // Copies the chosen (or else the focused) row of `list`, whose rows are
    // `rows`, with the headings; says so when it cannot.
    void CopyListRow(const CListCtrl& list, const TableRows& rows);
    // Asks where to save `rows` as CSV, offered as `name`, and writes them;
    // says so when it cannot.
    void ExportListRows(const TableRows& rows, const char* name);

    SaveFiles* m_files = nullptr; // not owned

private:
    HWND m_owner = nullptr; // not owned; the main window
    std::optional<BlockPick> m_pick;
};

// A tool that lists its results: a summary line over an owner-data list,
// whose rows copy (Ctrl+C) and export from the list's menu.
class CToolDialog : public CToolWindow {
public:
    BOOL PreTranslateMessage(MSG* message) override;

protected:
    // summaryText: the line above the list when the dialog opens.
    CToolDialog(UINT templateId, AddressWidth width, std::string summaryText);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Enter chooses the list's chosen row while the list has the focus.
    void OnOK() override;
    void OnDblClkList(NMHDR* header, LRESULT* result);
    void OnGetDispInfoList(NMHDR* header, LRESULT* result);
    LRESULT OnContextMenu(WPARAM wParam, LPARAM lParam);
    bool IsTransparentLabel(int controlId) const override;
    // Shows a new summary line.
    void SetSummaryText(const std::string& text);

    // The list's rows.
    virtual TableRows& Rows() = 0;
    // A row the user double-clicked (or chose with Enter).
    virtual void OnRowChosen(int) {}
    // Inserts the list's columns.
    virtual void LayOutList() = 0;
    // The name an export of the rows is offered under.
    virtual const char* ExportName() const = 0;

    static const MessageMap* ThisMessageMap();
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

    AddressWidth m_width;
    CListCtrl m_list;
    CStatic m_summary;
    CShadedButton m_closeButton;

private:
    struct ListCommands;
    std::string m_summaryText;
};

// A tool whose work runs a step at a time between the messages of the
// window, so that the window answers (and the work can be stopped) meanwhile.
class CSteppedToolDialog : public CToolDialog {
protected:
    using CToolDialog::CToolDialog;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    // Starts the steps; the Stop button stops them.
    void StartSteps();
    bool Running() const { return m_running; }
    // Ends the steps, done or stopped.
    void Finish(SearchState state);
    // Works on a little, for a few megabytes at most; false once the work
    // is done.
    virtual bool StepOnce() = 0;
    // Says how far the work has come, in the summary line.
    virtual void ShowProgress(SearchState state) = 0;
    // Called once the steps have ended and the progress is shown.
    virtual void OnFinished(SearchState) {}

    LRESULT OnStep(WPARAM wParam, LPARAM lParam);
    void OnStop();

    static const MessageMap* ThisMessageMap();
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

    CShadedButton m_stopButton;

private:
    bool m_running = false;
};

// The blocks that came and went since the baseline.
class CCompareDlg : public CToolDialog {
public:
    CCompareDlg(const SnapshotDifference& difference, AddressWidth width);

protected:
    TableRows& Rows() override { return m_rows; }
    void OnRowChosen(int row) override;
    void LayOutList() override;
    const char* ExportName() const override { return "Changes"; }

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
    const char* ExportName() const override { return "SizeStatistics"; }

private:
    RowList<StatisticsRow, StatisticsRowTexts, &FormatStatisticsRow> m_rows;
};

// Searches every block in use of a heap.
class CFindAllDlg : public CSteppedToolDialog {
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
    const char* ExportName() const override { return "Matches"; }
    void OnStart();
    void OnOK() override;
    bool StepOnce() override;
    void ShowProgress(SearchState state) override;
    void OnFinished(SearchState state) override;

    static const MessageMap* ThisMessageMap();
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

private:
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
};

} // namespace corvane
