// The main window itself: its controls, its start, the process list and the
// view switch. Its lists, its dump, its menus and copies, and its tools each
// have a file of their own, with the part of the message map they handle.

#include "ui/win32/corvane_dialog_win32.h"

#include "framework/app_win32.h"
#include "framework/redraw_suspended_win32.h"
#include "heap/process_list.h"
#include "res/resource.h"
#include "ui/win32/about_dialog_win32.h"
#include "ui/win32/controls_disabled_win32.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>

namespace corvane {

namespace {

constexpr const char* kSelectProcessMessage = "Please select the process from the list";
// Posted to itself at start-up to pick the process the command line names.
constexpr UINT WM_PICK_START_PROCESS = WM_APP + 1;

} // namespace

CCorvaneDlg::CCorvaneDlg(CorvanePlatform& platform, CWnd* parent)
    : CShadedDialog(IDD_CORVANE_DIALOG, parent), m_platform(platform),
      m_appIcon(GetApp() ? GetApp()->LoadIcon(IDR_MAINFRAME)
                         : ::LoadIconA(ResourceModule(), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_nodeRows(kNodeColumns), m_blockRows(kBlockColumns) {}

const MessageMap* CCorvaneDlg::ThisMessageMap() {
    static const MessageMapEntry entries[] = {
        MapSysCommand<&CCorvaneDlg::OnSysCommand>(),
        MapVoidMessage<&CCorvaneDlg::OnPaint>(WM_PAINT),
        MapQueryDragIcon<&CCorvaneDlg::OnQueryDragIcon>(),
        MapMessage<&CCorvaneDlg::OnHyperlinkClicked>(WM_HYPERLINK_CLICKED),
        MapVoidMessage<&CCorvaneDlg::OnPickStartProcess>(WM_PICK_START_PROCESS),
        MapCommand<&CCorvaneDlg::OnSelEndOkProcess>(IDC_PROCESS_COMBO, CBN_SELENDOK),
    };
    static const MessageMap map{&CCorvaneDlg::ListsMessageMap, entries, std::size(entries)};
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

    SetUpIconButton(m_refreshButton, "Refresh the current process list (F5)", IDI_REFRESH, BS_LEFT, IDI_REFRESH_HOVER);
    SetUpIconButton(m_searchButton, "Search for text in the heap data below (Ctrl+F, F3: find again)", IDI_SEARCH,
                    BS_LEFT, IDI_SEARCH_HOVER);
    SetUpIconButton(m_saveButton, "Save the displayed heap data to the file", IDI_SAVE, BS_CENTER, IDI_SAVE_HOVER);
    SetUpIconButton(m_closeButton, "Close the heap data window and display main heap list", IDI_CLOSE, BS_CENTER,
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

void CCorvaneDlg::SetUpIconButton(CShadedButton& button, const char* tip, WORD icon, UINT alignment, WORD hoverIcon) {
    button.SetToolTipTexts(tip, "");
    SetUpButton(button);
    button.SetIcon(icon, alignment, 0, hoverIcon, 4);
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

void CCorvaneDlg::OpenAboutBox() {
    CAboutDlg about;
    about.DoModal();
}

void CCorvaneDlg::OnOK() { RefreshProcessList(GetSelectedProcessId()); }

void CCorvaneDlg::OnSelEndOkProcess() {
    const std::int32_t processId = GetSelectedProcessId();
    if (processId == -1) return;
    // The blocks to go back to were another process's.
    m_backSteps.clear();
    const ControlsDisabled busy(*this, BusyLists::KeepEnabled);
    RedrawSuspended nodes(m_nodeList);
    ShowHeapNodes(m_platform.DebugInfo(), *this, static_cast<std::uint32_t>(processId));
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

void CCorvaneDlg::ShowMessage(const std::string& text, MessageIcon icon) { ShowProgramMessage(text, icon); }

} // namespace corvane
