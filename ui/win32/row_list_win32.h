#pragma once

// The rows of an owner-data list view: kept once, as numbers, in the
// program; each cell's text is made by the row formatting functions when the
// list asks for it, so the list holds no copies of the texts.

#include "framework/controls.h"
#include "heap/row_text.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace corvane {

template <typename Values, typename Texts, void (*Format)(std::uint32_t, const Values&, AddressWidth, Texts&)>
class RowList {
public:
    void Show(CListCtrl& list, std::vector<Values> rows, AddressWidth width) {
        m_rows = std::move(rows);
        m_width = width;
        m_cachedRow = -1;
        list.SetItemCount(static_cast<int>(m_rows.size()));
    }
    void Clear(CListCtrl& list) {
        m_rows.clear();
        m_cachedRow = -1;
        list.SetItemCount(0);
    }

    // Fills in the text of the cell the list asks for.
    void GiveText(NMLVDISPINFOA& request) const {
        LVITEMA& item = request.item;
        if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
        item.pszText[0] = '\0';
        if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= m_rows.size() || item.iSubItem < 0) return;
        const auto cells = RowTexts(item.iItem).Cells();
        if (static_cast<std::size_t>(item.iSubItem) < cells.size())
            ::lstrcpynA(item.pszText, cells[static_cast<std::size_t>(item.iSubItem)], item.cchTextMax);
    }

    // Type-ahead: the first row from the start (going round when asked)
    // whose first column begins with, or is, the text typed; -1 for none.
    // The request comes in either character set: lists tell an ANSI parent
    // about other things in ANSI but some send this one in UTF-16 anyway.
    int Find(const NMHDR& header) const {
        UINT flags = 0;
        int start = 0;
        std::string typed;
        if (header.code == LVN_ODFINDITEMW) {
            const auto& request = reinterpret_cast<const NMLVFINDITEMW&>(header);
            flags = request.lvfi.flags;
            start = request.iStart;
            if (request.lvfi.psz) typed = NarrowText(request.lvfi.psz);
        } else {
            const auto& request = reinterpret_cast<const NMLVFINDITEMA&>(header);
            flags = request.lvfi.flags;
            start = request.iStart;
            if (request.lvfi.psz) typed = request.lvfi.psz;
        }
        if (!(flags & (LVFI_STRING | LVFI_PARTIAL)) || typed.empty()) return -1;
        const std::size_t count = m_rows.size();
        const std::size_t first = start > 0 ? static_cast<std::size_t>(start) : 0;
        for (std::size_t step = 0; step < count; ++step) {
            const std::size_t row = first + step;
            if (row >= count && !(flags & LVFI_WRAP)) break;
            const char* text = RowTexts(static_cast<int>(row % count)).Cells()[0];
            const bool matches = (flags & LVFI_PARTIAL)
                                     ? std::strlen(text) >= typed.size() &&
                                           ::_strnicmp(text, typed.c_str(), typed.size()) == 0
                                     : ::lstrcmpiA(text, typed.c_str()) == 0;
            if (matches) return static_cast<int>(row % count);
        }
        return -1;
    }

    std::size_t size() const { return m_rows.size(); }

private:
    static std::string NarrowText(const wchar_t* text) {
        const int size = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
        if (size <= 1) return {};
        std::string narrow(static_cast<std::size_t>(size), '\0');
        ::WideCharToMultiByte(CP_ACP, 0, text, -1, &narrow[0], size, nullptr, nullptr);
        narrow.resize(static_cast<std::size_t>(size - 1));
        return narrow;
    }

    // The texts of one row; the list asks for a row's cells one after another.
    const Texts& RowTexts(int row) const {
        if (row != m_cachedRow) {
            Format(static_cast<std::uint32_t>(row), m_rows[static_cast<std::size_t>(row)], m_width, m_cached);
            m_cachedRow = row;
        }
        return m_cached;
    }

    std::vector<Values> m_rows;
    AddressWidth m_width = AddressWidth::Bits32;
    mutable int m_cachedRow = -1;
    mutable Texts m_cached{};
};

using NodeRowList = RowList<HeapRecord, HeapNodeRow, &FormatHeapNodeRow>;
using BlockRowList = RowList<HeapBlockCursor, HeapBlockRow, &FormatHeapBlockRow>;

} // namespace corvane
