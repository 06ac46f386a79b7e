#pragma once

// The heap map: one heap of the chosen process drawn as bands of coloured
// spans, with its figures above, the block under the pointer below and a
// legend of the colours. A click shows the block in the main window, the
// wheel zooms into the addresses under the pointer and out again.

#include "controls/win32/shaded_background_win32.h"
#include "framework/gdi_win32.h"
#include "heap/heap_snapshot.h"
#include "ui/heap_map.h"
#include "ui/win32/tool_dialogs_win32.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// A map colour (0x00RRGGBB) as the system's colour value.
constexpr COLORREF MapColorRef(std::uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// The map's own window: draws the layout into a bitmap of the window's size
// and tells its dialog what the pointer does over it. The dialog template's
// control of class kClassName is bound to it.
class CHeapMapView : public CWnd {
public:
    static constexpr const char* kClassName = "CorvaneHeapMap";
    // Registers the window class, once in a run; true when it is registered.
    static bool RegisterWindowClass();

    class Listener {
    public:
        // The block under the pointer changed; kNoMapBlock off every block.
        virtual void OnMapHover(std::size_t block) = 0;
        virtual void OnMapClick(std::size_t block) = 0;

    protected:
        ~Listener() = default;
    };

    // blocks, regions, listener: not owned; they outlive the view.
    void SetMap(const std::vector<MapBlock>& blocks, const std::vector<MapRegion>& regions, Listener& listener);

    // The layout drawn now; null before the window has a size.
    const HeapMapLayout* Layout() const { return m_layout ? &*m_layout : nullptr; }
    AddressRange Shown() const { return m_shown; }
    // Zooms by wheel notches (in > 0, out < 0) around the client point.
    void Zoom(POINT point, int notches);

protected:
    void OnPaint();
    BOOL OnEraseBkgnd(HDC dc);
    LRESULT OnSize(WPARAM wParam, LPARAM lParam);
    void OnMouseMove(UINT keys, POINT point);
    void OnMouseLeave();
    void OnLButtonDown(UINT keys, POINT point);
    void OnLButtonUp(UINT keys, POINT point);
    LRESULT OnMouseWheel(WPARAM wParam, LPARAM lParam);

    static const MessageMap* ThisMessageMap();
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

private:
    // Lays the shown range out for the window's size and draws it.
    void LayOutAndDraw();
    // A 32-bit top-down bitmap of the size, selected into the memory DC.
    bool MakeBitmap(int width, int height);
    void Hover(std::size_t block);
    std::size_t BlockAt(POINT point) const;

    const std::vector<MapBlock>* m_blocks = nullptr;   // not owned
    const std::vector<MapRegion>* m_regions = nullptr; // not owned
    Listener* m_listener = nullptr;                    // not owned
    AddressRange m_whole;
    AddressRange m_shown;
    std::optional<HeapMapLayout> m_layout;

    CDC m_memoryDC;
    CBitmap m_bitmap;
    // The bitmap stays selected while it lives; the selection goes first.
    CSelectObject m_selection;
    std::uint32_t* m_bits = nullptr; // the bitmap's pixels, owned by it
    int m_bitmapWidth = 0;
    int m_bitmapHeight = 0;

    std::size_t m_hovered = kNoMapBlock;
    std::size_t m_pressed = kNoMapBlock;
    bool m_trackingLeave = false;
    int m_wheelRest = 0; // wheel delta short of a notch
};

class CHeapMapDlg : public CToolWindow, private CHeapMapView::Listener {
public:
    // heap: the chosen heap as a fresh snapshot has it (record.base names it).
    CHeapMapDlg(SnapshotHeap heap, AddressWidth width);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    bool IsTransparentLabel(int controlId) const override;

    void OnPaint();
    BOOL OnEraseBkgnd(HDC dc);
    LRESULT OnSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseWheel(WPARAM wParam, LPARAM lParam);

    static const MessageMap* ThisMessageMap();
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

private:
    // Where a control stood in the template, and which edges it follows.
    struct Anchor {
        CWnd* control; // not owned; a member
        RECT start;
        bool moveLeft, moveTop, stretchWidth, stretchHeight;
    };

    void OnMapHover(std::size_t block) override;
    void OnMapClick(std::size_t block) override;
    // Places the controls for a client area of width x height.
    void LayOutControls(int width, int height);
    void PaintLegend(HDC dc);

    Address m_heapBase;
    AddressWidth m_width;
    std::vector<HeapBlockCursor> m_cursors; // the block list's rows
    std::vector<MapBlock> m_blocks;
    std::vector<MapRegion> m_regions;
    HeapMapFigures m_figures;

    CStatic m_figuresLabel;
    CStatic m_hoverLabel;
    CStatic m_legendArea; // hidden; the legend is painted where it stands
    CHeapMapView m_view;
    CShadedButton m_closeButton;

    std::vector<Anchor> m_anchors;
    SIZE m_startClient{};
    SIZE m_leastWindow{}; // the smallest window size WM_GETMINMAXINFO allows

    // The background at the window's size: made anew when the size changes.
    std::optional<CShadedBackgroundCache> m_background;
    SIZE m_backgroundSize{};
};

} // namespace corvane
