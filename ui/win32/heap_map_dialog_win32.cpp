#include "ui/win32/heap_map_dialog_win32.h"

#include "controls/shade.h"
#include "framework/app_win32.h"
#include "framework/drawing_win32.h"
#include "res/resource.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

namespace corvane {

namespace {

// The legend's squares and gaps, in dialog units.
constexpr int kLegendGapUnits = 10;

RECT DialogUnits(HWND dialog, int left, int top, int right, int bottom) {
    RECT rect{left, top, right, bottom};
    ::MapDialogRect(dialog, &rect);
    return rect;
}

} // namespace

bool CHeapMapView::RegisterWindowClass() {
    static const bool registered = [] {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = &::DefWindowProcA;
        windowClass.hInstance = ResourceModule();
        windowClass.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
        // No background brush: the bitmap covers the whole window.
        windowClass.lpszClassName = kClassName;
        return ::RegisterClassA(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

const MessageMap* CHeapMapView::ThisMessageMap() {
    static const MessageMapEntry entries[] = {
        MapVoidMessage<&CHeapMapView::OnPaint>(WM_PAINT),
        MapEraseBkgnd<&CHeapMapView::OnEraseBkgnd>(),
        MapMessage<&CHeapMapView::OnSize>(WM_SIZE),
        MapMouseMessage<&CHeapMapView::OnMouseMove>(WM_MOUSEMOVE),
        MapVoidMessage<&CHeapMapView::OnMouseLeave>(WM_MOUSELEAVE),
        MapMouseMessage<&CHeapMapView::OnLButtonDown>(WM_LBUTTONDOWN),
        MapMouseMessage<&CHeapMapView::OnLButtonUp>(WM_LBUTTONUP),
        MapMessage<&CHeapMapView::OnMouseWheel>(WM_MOUSEWHEEL),
    };
    static const MessageMap map{&CWnd::ThisMessageMap, entries, std::size(entries)};
    return &map;
}

void CHeapMapView::SetMap(const std::vector<MapBlock>& blocks, const std::vector<MapRegion>& regions,
                          Listener& listener) {
    m_blocks = &blocks;
    m_regions = &regions;
    m_listener = &listener;
    m_whole = m_shown = WholeHeapRange(regions);
    LayOutAndDraw();
}

bool CHeapMapView::MakeBitmap(int width, int height) {
    if (m_bits && width == m_bitmapWidth && height == m_bitmapHeight) return true;
    m_selection = CSelectObject();
    m_bitmap.DeleteObject();
    m_bits = nullptr;
    m_bitmapWidth = m_bitmapHeight = 0;
    if (!m_memoryDC.GetSafeHdc()) {
        CClientDC screen(m_hWnd);
        if (!m_memoryDC.CreateCompatibleDC(screen)) return false;
    }
    void* bits = nullptr;
    if (!m_bitmap.Attach(CreateTopDownBitmap(m_memoryDC, width, height, &bits)) || !bits) return false;
    m_selection = CSelectObject(m_memoryDC, m_bitmap.GetSafeHandle());
    if (!m_selection.Succeeded()) return false;
    m_bits = static_cast<std::uint32_t*>(bits);
    m_bitmapWidth = width;
    m_bitmapHeight = height;
    return true;
}

void CHeapMapView::LayOutAndDraw() {
    if (!m_hWnd || !m_blocks) return;
    RECT client = {};
    GetClientRect(&client);
    const int width = client.right - client.left, height = client.bottom - client.top;
    if (width <= 0 || height <= 0 || !MakeBitmap(width, height)) {
        m_layout.reset();
        return;
    }
    m_layout.emplace(*m_blocks, *m_regions, width, height, m_shown);
    // The bitmap's 32-bit pixels are 0x00RRGGBB, as the layout draws them.
    ::GdiFlush();
    m_layout->Draw(m_bits, static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    Invalidate(false);
}

void CHeapMapView::OnPaint() {
    CPaintDC dc(*this);
    const RECT& area = dc.m_ps.rcPaint;
    if (m_bits)
        ::BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, m_memoryDC, area.left,
                 area.top, SRCCOPY);
    else
        ::FillRect(dc, &area, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
}

BOOL CHeapMapView::OnEraseBkgnd(HDC) { return TRUE; } // the paint covers everything

LRESULT CHeapMapView::OnSize(WPARAM, LPARAM) {
    LayOutAndDraw();
    Hover(kNoMapBlock);
    return 0;
}

std::size_t CHeapMapView::BlockAt(POINT point) const {
    return m_layout ? m_layout->BlockAt(point.x, point.y) : kNoMapBlock;
}

void CHeapMapView::Hover(std::size_t block) {
    if (block == m_hovered) return;
    m_hovered = block;
    if (m_listener) m_listener->OnMapHover(block);
}

void CHeapMapView::OnMouseMove(UINT, POINT point) {
    if (!m_trackingLeave) {
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, m_hWnd, 0};
        m_trackingLeave = ::TrackMouseEvent(&track) != FALSE;
    }
    Hover(BlockAt(point));
}

void CHeapMapView::OnMouseLeave() {
    m_trackingLeave = false;
    Hover(kNoMapBlock);
}

void CHeapMapView::OnLButtonDown(UINT, POINT point) { m_pressed = BlockAt(point); }

void CHeapMapView::OnLButtonUp(UINT, POINT point) {
    const std::size_t block = std::exchange(m_pressed, kNoMapBlock);
    // A press that ends on the block it began on is a click on it.
    if (block != kNoMapBlock && block == BlockAt(point) && m_listener) m_listener->OnMapClick(block);
}

LRESULT CHeapMapView::OnMouseWheel(WPARAM wParam, LPARAM lParam) {
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ::ScreenToClient(m_hWnd, &point);
    m_wheelRest += static_cast<short>(HIWORD(wParam));
    const int notches = m_wheelRest / WHEEL_DELTA;
    m_wheelRest -= notches * WHEEL_DELTA;
    if (notches != 0) Zoom(point, notches);
    return 0;
}

void CHeapMapView::Zoom(POINT point, int notches) {
    if (!m_layout || m_whole.Bytes() == 0) return;
    Address pointer = m_shown.begin + m_shown.Bytes() / 2; // the middle, off the bands
    m_layout->AddressAt(point.x, point.y, pointer);
    m_shown = ZoomHeapMap(m_shown, m_whole, pointer, notches, static_cast<std::uint64_t>(m_layout->width()));
    LayOutAndDraw();
    Hover(BlockAt(point));
}

CHeapMapDlg::CHeapMapDlg(SnapshotHeap heap, AddressWidth width)
    : CToolWindow(IDD_HEAP_MAP), m_heapBase(heap.record.base), m_width(width), m_blocks(MapBlocks(heap)) {
    m_cursors = std::move(heap.blocks);
    m_regions = MapRegions(m_blocks);
    m_figures = MapFigures(m_blocks, m_regions);
    // The template's map control needs its class before the dialog is made.
    CHeapMapView::RegisterWindowClass();
}

const MessageMap* CHeapMapDlg::ThisMessageMap() {
    static const MessageMapEntry entries[] = {
        MapVoidMessage<&CHeapMapDlg::OnPaint>(WM_PAINT),
        MapEraseBkgnd<&CHeapMapDlg::OnEraseBkgnd>(),
        MapMessage<&CHeapMapDlg::OnSize>(WM_SIZE),
        MapMessage<&CHeapMapDlg::OnGetMinMaxInfo>(WM_GETMINMAXINFO),
        MapMessage<&CHeapMapDlg::OnMouseWheel>(WM_MOUSEWHEEL),
    };
    static const MessageMap map{&CShadedDialog::ThisMessageMap, entries, std::size(entries)};
    return &map;
}

void CHeapMapDlg::DoDataExchange(CDataExchange* pDX) {
    CShadedDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_MAP_FIGURES, m_figuresLabel);
    DDX_Control(pDX, IDC_MAP_AREA, m_view);
    DDX_Control(pDX, IDC_MAP_HOVER, m_hoverLabel);
    DDX_Control(pDX, IDC_MAP_LEGEND, m_legendArea);
    DDX_Control(pDX, IDCANCEL, m_closeButton);
}

BOOL CHeapMapDlg::OnInitDialog() {
    CShadedDialog::OnInitDialog();
    SetUpButton(m_closeButton);
    m_figuresLabel.SetWindowText(MapFiguresText(m_figures).c_str());

    RECT client = {};
    GetClientRect(&client);
    m_startClient = {client.right, client.bottom};
    m_anchors = {
        {&m_figuresLabel, ChildRect(m_figuresLabel), false, false, true, false},
        {&m_view, ChildRect(m_view), false, false, true, true},
        {&m_hoverLabel, ChildRect(m_hoverLabel), false, true, true, false},
        {&m_legendArea, ChildRect(m_legendArea), false, true, true, false},
        {&m_closeButton, ChildRect(m_closeButton), true, true, false, false},
    };
    // Room for the legend, the Close button and a map of a few rows.
    const RECT least = DialogUnits(m_hWnd, 0, 0, 300, 150);
    RECT window = least;
    ::AdjustWindowRectEx(&window, GetStyle(), FALSE, static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE)));
    m_leastWindow = {window.right - window.left, window.bottom - window.top};

    LayOutControls(client.right, client.bottom);
    m_view.SetMap(m_blocks, m_regions, *this);
    return TRUE;
}

bool CHeapMapDlg::IsTransparentLabel(int controlId) const {
    return controlId == IDC_MAP_FIGURES || controlId == IDC_MAP_HOVER;
}

void CHeapMapDlg::LayOutControls(int width, int height) {
    if (m_anchors.empty() || width <= 0 || height <= 0) return;
    const int dx = width - m_startClient.cx, dy = height - m_startClient.cy;
    // The figures take as many lines as their text needs at this width; the
    // map starts below them.
    const RECT& figures = m_anchors.front().start;
    const int figuresWidth = std::max(1, static_cast<int>(figures.right - figures.left) + dx);
    int figuresHeight = figures.bottom - figures.top;
    {
        CClientDC dc(m_figuresLabel.GetSafeHwnd());
        const CSelectObject font(dc, m_figuresLabel.GetFont());
        RECT needed{0, 0, figuresWidth, 0};
        const std::string text = m_figuresLabel.GetWindowText();
        ::DrawTextA(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        figuresHeight = std::max(figuresHeight, static_cast<int>(needed.bottom));
    }
    const int extra = figuresHeight - (figures.bottom - figures.top);
    for (const Anchor& anchor : m_anchors) {
        RECT rect = anchor.start;
        if (anchor.moveLeft) rect.left += dx;
        if (anchor.moveLeft || anchor.stretchWidth) rect.right += dx;
        if (anchor.moveTop) rect.top += dy;
        if (anchor.moveTop || anchor.stretchHeight) rect.bottom += dy;
        if (anchor.control == &m_figuresLabel) rect.bottom = rect.top + figuresHeight;
        if (anchor.control == &m_view) rect.top += extra;
        rect.right = std::max(rect.right, rect.left + 1);
        rect.bottom = std::max(rect.bottom, rect.top + 1);
        anchor.control->SetWindowPos(nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CHeapMapDlg::OnPaint() {
    CPaintDC dc(*this);
    RECT client = {};
    GetClientRect(&client);
    const SIZE size{client.right, client.bottom};
    if (!m_background || size.cx != m_backgroundSize.cx || size.cy != m_backgroundSize.cy) {
        m_background.reset();
        m_background.emplace();
        m_backgroundSize = size;
    }
    // The map paints itself: painting the background under it first would
    // make it flicker.
    const RECT map = ChildRect(m_view);
    ::ExcludeClipRect(dc, map.left, map.top, map.right, map.bottom);
    m_background->Paint(dc, dc.m_ps.rcPaint, size.cx, size.cy, ShadeCrossCurve, kShadeTint);
    PaintLegend(dc);
}

void CHeapMapDlg::PaintLegend(HDC dc) {
    const RECT area = ChildRect(m_legendArea);
    const CSelectObject font(dc, GetFont());
    TEXTMETRICA metrics = {};
    ::GetTextMetricsA(dc, &metrics);
    const int square = metrics.tmAscent;
    const int gap = DialogUnits(m_hWnd, 0, 0, kLegendGapUnits, 0).right;
    const int top = (area.top + area.bottom) / 2;
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    int x = area.left;
    for (const MapLegendEntry& entry : kMapLegend) {
        RECT box{x, top - square / 2, x + square, top - square / 2 + square};
        const UniqueGdiObject<HBRUSH> brush(::CreateSolidBrush(MapColorRef(entry.colour)));
        if (brush) ::FillRect(dc, &box, brush.get());
        ::FrameRect(dc, &box, static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));
        x = box.right + square / 2;
        SIZE extent = {};
        ::GetTextExtentPoint32A(dc, entry.text, static_cast<int>(std::strlen(entry.text)), &extent);
        RECT text{x, top - metrics.tmHeight / 2, x + extent.cx, top - metrics.tmHeight / 2 + metrics.tmHeight};
        ::DrawTextA(dc, entry.text, -1, &text, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
        x = text.right + gap;
    }
}

BOOL CHeapMapDlg::OnEraseBkgnd(HDC) { return TRUE; } // the paint covers everything but the map

LRESULT CHeapMapDlg::OnSize(WPARAM wParam, LPARAM lParam) {
    if (wParam == SIZE_MINIMIZED) return 0;
    LayOutControls(LOWORD(lParam), HIWORD(lParam));
    // The background is made anew at the new size, and the labels over it
    // drawn again.
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    return 0;
}

LRESULT CHeapMapDlg::OnGetMinMaxInfo(WPARAM, LPARAM lParam) {
    const LRESULT result = Default();
    if (m_leastWindow.cx > 0) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = std::max(info->ptMinTrackSize.x, m_leastWindow.cx);
        info->ptMinTrackSize.y = std::max(info->ptMinTrackSize.y, m_leastWindow.cy);
    }
    return result;
}

LRESULT CHeapMapDlg::OnMouseWheel(WPARAM wParam, LPARAM lParam) {
    // The wheel goes to the focus (the Close button), which hands it up
    // here; over the map it is the map's.
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    RECT map = {};
    m_view.GetWindowRect(&map);
    if (::PtInRect(&map, point)) m_view.SendMessage(WM_MOUSEWHEEL, wParam, lParam);
    return 0;
}

void CHeapMapDlg::OnMapHover(std::size_t block) {
    SetLabelText(m_hoverLabel, block < m_cursors.size() ? MapBlockText(block, m_cursors[block], m_width) : "");
}

void CHeapMapDlg::OnMapClick(std::size_t block) {
    if (block >= m_blocks.size()) return;
    BlockPick pick;
    pick.heapBase = m_heapBase;
    pick.address = m_blocks[block].address;
    Close(std::move(pick));
}

} // namespace corvane
