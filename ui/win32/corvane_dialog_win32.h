#pragma once

// The main window: process list, heap node list or heap data panel, and
// heap block list, on a shaded background.

#include "controls/dib.h"
#include "controls/win32/link_label_win32.h"
#include "controls/win32/shaded_button_win32.h"
#include "framework/controls_win32.h"
#include "framework/gdi_win32.h"
#include "heap/heap_snapshot.h"
#include "heap/process_list.h"
#include "ui/block_view.h"
#include "ui/heap_listing.h"
#include "ui/platform.h"
#include "ui/save.h"
#include "ui/search.h"
#include "ui/view_switch.h"
#include "ui/win32/dump_list_win32.h"
#include "ui/win32/frame_box_win32.h"
#include "ui/win32/list_layout_win32.h"
#include "ui/win32/row_list_win32.h"
#include "ui/win32/shaded_dialog_win32.h"
#include "ui/win32/tool_dialogs_win32.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace corvane {

class CCorvaneDlg : public CShadedDialog,
                    private PanelControls,
                    private HeapListWindow,
                    private BlockDataWindow,
                    private SearchWindow,
                    private SaveWindow {
public:
    // platform: not owned; lives as long as the dialog.
    explicit CCorvaneDlg(CorvanePlatform& platform, CWnd* parent = nullptr);

    // The process the command line names, picked as the user would pick it
    // once the window shows; a refused argument's message shows instead.
    void PickProcessAtStart(const ProcessArgument& argument) { m_startProcess = argument; }

    // Switches the node list's frame between the heap node list and the
    // heap data panel.
    void ShowPanel(int panel, int showCommand) override;

    // Rebuilds the process list and selects `wantedId` again when it is
    // still listed (-1: the first entry). False when the running processes
    // cannot be listed.
    bool RefreshProcessList(std::int32_t wantedId) override;
    // The id of the chosen process, or -1 after telling the user to choose
    // (also what a save asks for).
    std::int32_t GetSelectedProcessId() override;
    // The id of the chosen process, if one is chosen; says nothing.
    std::optional<std::int32_t> ChosenProcessId();
    bool EnableDebugPrivilege();
    // Binds the debug-information functions; false after the message.
    bool LoadHeapDebugFunctions();

    const HeldBlock& Held() const { return m_held; }

    // The keys of the main window: F5 refreshes, Ctrl+F goes to the search
    // box and F3 finds the next match while a dump shows, Ctrl+C copies from
    // the list that has the focus, Ctrl+G goes to an address and Alt+Left
    // goes back to the block shown before.
    BOOL PreTranslateMessage(MSG* message) override;

    // Shows the dump of the block at `address` in the heap at `heapBase`, as
    // a pick in the lists would; with a match's offset, the match's line is
    // selected as a search selects it, and with a line's offset the line
    // that holds it. False after telling the user why not.
    bool ShowBlockAt(Address heapBase, Address address, std::optional<std::uint64_t> matchOffset = std::nullopt,
                     std::optional<std::uint64_t> lineOffset = std::nullopt);
    // Finds the block that holds `address` in a fresh snapshot of the chosen
    // process and shows it with the address's line selected, or says in
    // words what the address lies in.
    void GoToAddress(Address address);
    // Shows the block that was shown before the last one a tool went to;
    // false when there is none to go back to.
    bool GoBack();

    // Whether a baseline is kept for the process.
    bool HasBaseline(std::uint32_t processId) const { return m_baselines.count(processId) != 0; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    bool IsTransparentLabel(int controlId) const override;
    void OnSysCommand(UINT commandId, LPARAM lParam);
    LRESULT OnHyperlinkClicked(WPARAM wParam, LPARAM lParam);
    // Refresh: the Enter key and button 1. The dialog never closes on Enter.
    void OnOK() override;
    void OnSelEndOkProcess();
    void OnItemChangedNodeList(NMHDR* header, LRESULT* result);
    void OnItemChangedBlockList(NMHDR* header, LRESULT* result);
    void OnCloseHeapData();
    void OnGetInfoTipNodeList(NMHDR* header, LRESULT* result);
    void OnGetInfoTipBlockList(NMHDR* header, LRESULT* result);
    void OnGetDispInfoNodeList(NMHDR* header, LRESULT* result);
    void OnGetDispInfoBlockList(NMHDR* header, LRESULT* result);
    void OnFindItemNodeList(NMHDR* header, LRESULT* result);
    void OnFindItemBlockList(NMHDR* header, LRESULT* result);
    void OnSave();
    void OnSearch();
    LRESULT OnContextMenu(WPARAM wParam, LPARAM lParam);
    void OnColumnClickBlockList(NMHDR* header, LRESULT* result);
    LRESULT OnToolClosed(WPARAM wParam, LPARAM lParam);
    // Selects the start-up process's entry and handles the choice, or says
    // why it cannot.
    void OnPickStartProcess();

    // The dialog's map, chained through the maps of the files that hold the
    // handlers: each file maps the messages it handles.
    static const MessageMap* ThisMessageMap();
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }
    static const MessageMap* ListsMessageMap();
    static const MessageMap* DumpMessageMap();
    static const MessageMap* CopyMessageMap();
    static const MessageMap* ToolsMessageMap();

private:
    // PanelControls
    void ShowControl(int controlId, int showCommand) override;
    void SetControlText(int controlId, const char* text) override;
    // HeapListWindow
    void ClearNodeRows() override;
    void ClearBlockRows() override;
    void ClearDumpLines() override;
    void ShowNodeRows(std::vector<HeapRecord> heaps, AddressWidth width) override;
    void ShowBlockRows(std::vector<HeapBlockCursor> blocks, AddressWidth width) override;
    void SetNodeColumnWidth(int column, int width) override;
    void SetBlockColumnWidth(int column, int width) override;
    std::string NodeRowText(int row, int column) override;
    void SetBlockFrameCaption(const std::string& caption) override;
    void FocusNodeList() override;
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    // BlockDataWindow (ShowPanel, ClearDumpLines and NodeRowText above)
    void ReserveDumpLines(std::size_t count) override;
    void AppendLine(const char* text, std::size_t length) override;
    void SelectDumpLine(int index) override;
    void SetSearchCaption(const char* caption) override;
    int FirstSelectedNodeRow() override;
    // SearchWindow
    SearchRequest ReadSearchControls() override;
    void SetSearchText(const char* text) override;
    void ShowPositionLabel(bool show) override;
    void SetPositionText(const std::string& text) override;
    // SaveWindow (GetSelectedProcessId above)
    int FirstSelectedBlockRow() override;
    std::string BlockRowText(int row, int column) override;
    bool AskSavePath(std::string& path) override;

    void SetUpIconButton(CShadedButton& button, const char* tip, WORD icon, UINT alignment, WORD hoverIcon);
    void SetUpLists();

    void OpenAboutBox();

    // Lists the blocks of the heap of node row `row`, as a pick of the row
    // does.
    void ListBlocksOfNodeRow(int row);
    // Puts the block rows in the order of the chosen column, keeping the
    // chosen block chosen.
    void SortBlockRows();
    // The commands of the lists' menus, with their map entries, in the files
    // that handle them.
    struct ToolCommands;
    struct CopyCommands;
    // Selects a row of a list and shows it, without the pick's own handling
    // when `quiet`.
    void SelectRow(CListCtrl& list, int row, bool quiet);

    CorvanePlatform& m_platform;
    ProcessArgument m_startProcess;

    HICON m_appIcon; // shared resource icon, never destroyed
    CFont m_dataFont;
    char m_nodeTip[256] = {};
    char m_blockTip[256] = {};
    CComboBox m_processCombo;
    CListCtrl m_nodeList;
    CListCtrl m_blockList;
    CDumpList m_dataList;
    CStatic m_nodeGroup;
    CFrameBox m_blockGroup;
    CShadedButton m_refreshButton;
    CShadedButton m_closeButton;
    CShadedButton m_saveButton;
    CShadedButton m_searchButton;
    CEdit m_searchEdit;
    CButton m_unicodeCheck;
    CStatic m_positionLabel;
    // The held copy of the shown block with its size, search position and
    // address in the target.
    HeldBlock m_held;
    CLinkLabel m_linkWeb;
    CLinkLabel m_linkAbout;
    CFont m_linkLabelFont;
    CStatic m_unicodeLabel;
    ColumnFit m_nodeFit;
    ColumnFit m_blockFit;
    // The rows of the two lists, as numbers.
    NodeRowList m_nodeRows;
    BlockRowList m_blockRows;
    // The tool window that is open, if any.
    std::unique_ptr<CToolWindow> m_tool;
    // The blocks shown before each that a tool went to, the latest last; at
    // most kMostBackSteps of them.
    struct ShownBlock {
        Address heapBase = 0;
        Address address = 0;
    };
    std::vector<ShownBlock> m_backSteps;
    static constexpr std::size_t kMostBackSteps = 100;
    // The block whose dump shows, if one does.
    std::optional<ShownBlock> BlockShown();
    // Shows a block a tool went to, keeping the one shown before for Back.
    bool GoToBlock(Address heapBase, Address address, std::optional<std::uint64_t> matchOffset,
                   std::optional<std::uint64_t> lineOffset);
    // The snapshot each process's comparisons start from.
    std::map<std::uint32_t, HeapSnapshot> m_baselines;
    // The block list's order: a column, or -1 for the walk's order.
    int m_blockSortColumn = -1;
    bool m_blockSortAscending = true;
    // True while the program itself changes a list's selection.
    bool m_quietSelection = false;
};

} // namespace corvane
