#include "ui/win32/reference_dialogs_win32.h"

#include "heap/row_text.h"
#include "res/resource.h"
#include "ui/win32/list_layout_win32.h"

#include <algorithm>
#include <utility>

namespace corvane {

CGoToAddressDlg::CGoToAddressDlg(AddressWidth width) : CToolWindow(IDD_GO_TO), m_width(width) {}

void CGoToAddressDlg::DoDataExchange(CDataExchange* pDX) {
    CShadedDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_GO_TO_EDIT, m_edit);
    DDX_Control(pDX, IDOK, m_goButton);
    DDX_Control(pDX, IDCANCEL, m_cancelButton);
}

BOOL CGoToAddressDlg::OnInitDialog() {
    CShadedDialog::OnInitDialog();
    SetUpButton(m_goButton);
    SetUpButton(m_cancelButton);
    // "0x" and as many digits as an address of the process has.
    m_edit.SendMessage(EM_LIMITTEXT, 40, 0);
    m_edit.SetFocus();
    return FALSE; // the focus is set
}

bool CGoToAddressDlg::IsTransparentLabel(int controlId) const { return controlId == IDC_GO_TO_LABEL; }

void CGoToAddressDlg::OnOK() {
    std::string message;
    const std::optional<Address> address = ParseTypedAddress(m_edit.GetWindowText(), m_width, message);
    if (!address) {
        ShowProgramMessage(message, MessageIcon::Warning);
        m_edit.SetFocus();
        m_edit.SendMessage(EM_SETSEL, 0, -1);
        return;
    }
    BlockPick pick;
    pick.goTo = *address;
    Close(std::move(pick));
}

CPointersDlg::CPointersDlg(std::vector<PointerRow> rows, std::string summary, AddressWidth width)
    : CToolDialog(IDD_POINTERS, width, std::move(summary)), m_rows(kPointerColumns) {
    m_rows.SetRows(std::move(rows), width);
}

void CPointersDlg::LayOutList() { LayOutColumns(m_list, kPointerColumns, m_width, std::nullopt); }

void CPointersDlg::OnRowChosen(int row) {
    const PointerRow& pointer = m_rows.ValuesOfRow(row);
    BlockPick pick;
    pick.heapBase = pointer.heapBase;
    pick.address = pointer.blockAddress;
    pick.lineOffset = pointer.offsetInBlock;
    Close(std::move(pick));
}

namespace {

std::string TargetBlockLine(Address block, std::uint64_t size, AddressWidth width) {
    HexText address;
    FormatHex(block, width, address);
    return std::string("Values that point into the block at ") + address + " (" + GroupedDecimal(size) +
           (size == 1 ? " byte)." : " bytes).");
}

} // namespace

CWhoPointsHereDlg::CWhoPointsHereDlg(ProcessParts process, Address block, std::uint64_t size)
    : CSteppedToolDialog(IDD_WHO_POINTS, process.snapshot.width, {}), m_process(std::move(process)),
      m_index(m_process.snapshot, IndexUse::Addresses), m_places(m_process.snapshot, m_index, m_process.map),
      m_search(*m_process.memory, m_process.map, block, size, m_width),
      m_blockLine(TargetBlockLine(block, size, m_width)), m_rows(kReferrerColumns) {
    m_rows.SetRows({}, m_width);
}

BOOL CWhoPointsHereDlg::OnInitDialog() {
    CSteppedToolDialog::OnInitDialog();
    StartSteps();
    return FALSE; // the focus is on Stop
}

void CWhoPointsHereDlg::LayOutList() {
    LayOutColumns(m_list, kReferrerColumns, m_width, std::nullopt);
    // The widest place of a heap block, with the widest digits.
    AddressPlace widest;
    widest.kind = PlaceKind::BusyBlock;
    widest.heapBase = widest.start = m_width == AddressWidth::Bits64 ? ~Address{0} : 0xFFFFFFFFu;
    widest.offset = 0xFFFF;
    std::string text = WhereText(widest, m_width);
    std::replace(text.begin(), text.end(), 'f', '0');
    const int needed = m_list.GetStringWidth(text.c_str()) + kCellMargins;
    if (m_list.SendMessage(LVM_GETCOLUMNWIDTH, ReferrerColumn::Where, 0) < needed)
        m_list.SetColumnWidth(ReferrerColumn::Where, needed);
}

bool CWhoPointsHereDlg::StepOnce() {
    std::vector<Referrer> found;
    const bool more = m_search.Step(kSearchPieceSize, found);
    std::vector<ReferrerRow> rows;
    rows.reserve(found.size());
    for (const Referrer& referrer : found)
        rows.push_back({referrer.address, referrer.value, m_places.Locate(referrer.address)});
    m_rows.Append(m_list, rows);
    return more;
}

void CWhoPointsHereDlg::ShowProgress(SearchState state) {
    const MemoryScan& scan = m_search.Scan();
    SearchProgress progress;
    progress.state = state;
    progress.bytesSearched = scan.BytesRead() + scan.BytesUnreadable();
    progress.bytesTotal = scan.BytesTotal();
    progress.matches = m_rows.RowCount();
    progress.unreadableBytes = scan.BytesUnreadable();
    progress.capped = m_search.HitLimitReached();
    SetSummaryText(m_blockLine + "\n" + SearchProgressText(progress));
}

void CWhoPointsHereDlg::OnRowChosen(int row) {
    const AddressPlace& place = m_rows.ValuesOfRow(row).place;
    if (place.kind != PlaceKind::BusyBlock && place.kind != PlaceKind::FreeBlock) {
        ShowProgramMessage("That value lies outside the heaps' blocks: there is no block to show.",
                           MessageIcon::Information);
        return;
    }
    if (Running()) Finish(SearchState::Stopped);
    BlockPick pick;
    pick.heapBase = place.heapBase;
    pick.address = place.start;
    pick.lineOffset = place.offset;
    Close(std::move(pick));
}

CLeaksDlg::CLeaksDlg(ProcessParts process)
    : CSteppedToolDialog(IDD_LEAKS, process.snapshot.width, {}), m_process(std::move(process)),
      m_search(*m_process.memory, m_process.snapshot, m_process.map), m_rows(kLeakColumns) {
    m_rows.SetRows({}, m_width);
}

void CLeaksDlg::DoDataExchange(CDataExchange* pDX) {
    CSteppedToolDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_TOOL_NOTE, m_note);
}

BOOL CLeaksDlg::OnInitDialog() {
    CSteppedToolDialog::OnInitDialog();
    m_note.SetWindowText(kLeakLimitsText);
    StartSteps();
    return FALSE; // the focus is on Stop
}

void CLeaksDlg::LayOutList() { LayOutColumns(m_list, kLeakColumns, m_width, std::nullopt); }

bool CLeaksDlg::StepOnce() {
    if (m_search.Step(kSearchPieceSize)) return true;
    m_rows.Show(m_list, m_search.Rows(), m_width);
    return false;
}

void CLeaksDlg::ShowProgress(SearchState state) {
    const MemoryScan& scan = m_search.Scan();
    if (state == SearchState::Done) {
        SetSummaryText(LeakTotalsText(TotalLeaks(m_rows.AllValues()), scan.BytesUnreadable()));
        return;
    }
    LeakProgress progress;
    progress.state = state;
    progress.bytesRead = scan.BytesRead() + scan.BytesUnreadable();
    progress.bytesTotal = scan.BytesTotal();
    progress.marking = scan.Done();
    SetSummaryText(LeakProgressText(progress));
}

void CLeaksDlg::OnRowChosen(int row) {
    const LeakRow& leak = m_rows.ValuesOfRow(row);
    BlockPick pick;
    pick.heapBase = leak.heapBase;
    pick.address = leak.address;
    Close(std::move(pick));
}

} // namespace corvane
