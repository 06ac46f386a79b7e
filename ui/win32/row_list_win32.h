#pragma once

// The rows of an owner-data list view: kept once, as numbers, in the
// program; each cell's text is made by the row formatting functions when the
// list asks for it, so the list holds no copies of the texts. The rows can
// be shown in another order; each keeps the number it was given.

#include "framework/controls_win32.h"
#include "heap/table_text.h"
#include "ui/heap_rows.h"
#include "ui/list_columns.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

namespace corvane {

// Fills in the text of the cell an owner-data list asks for: empty for a
// cell that `rows` does not hold, cut to the room the list gives.
inline void GiveCellText(const TableRows& rows, NMLVDISPINFOA& request) {
    LVITEMA& item = request.item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    item.pszText[0] = '\0';
    if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= rows.RowCount() || item.iSubItem < 0 ||
        item.iSubItem >= rows.ColumnCount())
        return;
    const std::string_view text = rows.Cell(static_cast<std::size_t>(item.iItem), item.iSubItem);
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(item.cchTextMax - 1));
    std::memcpy(item.pszText, text.data(), length);
    item.pszText[length] = '\0';
}

template <typename Values, typename Texts, void (*Format)(std::uint32_t, const Values&, AddressWidth, Texts&)>
class RowList : public TableRows {
public:
    template <std::size_t N> explicit RowList(const ListColumn (&columns)[N]) : m_headings(Headings(columns)) {}

    // Takes the rows, for a list that is told their count later.
    void SetRows(std::vector<Values> rows, AddressWidth width) {
        m_rows = std::move(rows);
        m_order.clear();
        m_width = width;
        m_cachedRow = -1;
    }
    void Show(CListCtrl& list, std::vector<Values> rows, AddressWidth width) {
        SetRows(std::move(rows), width);
        list.SetItemCount(static_cast<int>(m_rows.size()));
    }
    void Clear(CListCtrl& list) { Show(list, {}, m_width); }
    // Adds rows at the end, leaving the list where it is scrolled to.
    void Append(CListCtrl& list, const std::vector<Values>& rows) {
        if (rows.empty()) return;
        m_rows.insert(m_rows.end(), rows.begin(), rows.end());
        if (!m_order.empty()) {
            for (std::size_t number = m_order.size(); number < m_rows.size(); ++number)
                m_order.push_back(static_cast<std::uint32_t>(number));
        }
        list.SendMessage(LVM_SETITEMCOUNT, m_rows.size(), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    }

    // Puts the rows in the order `before` gives (a strict weak order over
    // the values and their numbers), keeping the given order among equals.
    template <typename Before> void Sort(Before before) {
        m_order.resize(m_rows.size());
        std::iota(m_order.begin(), m_order.end(), 0u);
        std::stable_sort(m_order.begin(), m_order.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return before(m_rows[a], a, m_rows[b], b); });
        m_cachedRow = -1;
    }

    // The number a shown row was given, and the row that shows a number.
    std::uint32_t NumberOfRow(int row) const {
        return m_order.empty() ? static_cast<std::uint32_t>(row) : m_order[static_cast<std::size_t>(row)];
    }
    int RowOfNumber(std::uint32_t number) const {
        if (m_order.empty()) return number < m_rows.size() ? static_cast<int>(number) : -1;
        const auto at = std::find(m_order.begin(), m_order.end(), number);
        return at == m_order.end() ? -1 : static_cast<int>(at - m_order.begin());
    }
    const Values& ValuesOfRow(int row) const { return m_rows[NumberOfRow(row)]; }
    const std::vector<Values>& AllValues() const { return m_rows; }

    // TableRows, in the order shown.
    int ColumnCount() const override { return static_cast<int>(m_headings.size()); }
    std::string Heading(int column) const override { return m_headings[static_cast<std::size_t>(column)]; }
    std::size_t RowCount() const override { return m_rows.size(); }
    std::string_view Cell(std::size_t row, int column) const override {
        return RowTexts(static_cast<int>(row)).Cells()[static_cast<std::size_t>(column)];
    }

    // Fills in the text of the cell the list asks for.
    void GiveText(NMLVDISPINFOA& request) const { GiveCellText(*this, request); }

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
            const bool matches = (flags & LVFI_PARTIAL) ? std::strlen(text) >= typed.size() &&
                                                              ::_strnicmp(text, typed.c_str(), typed.size()) == 0
                                                        : ::lstrcmpiA(text, typed.c_str()) == 0;
            if (matches) return static_cast<int>(row % count);
        }
        return -1;
    }

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
            const std::uint32_t number = NumberOfRow(row);
            Format(number, m_rows[number], m_width, m_cached);
            m_cachedRow = row;
        }
        return m_cached;
    }

    std::vector<std::string> m_headings;
    std::vector<Values> m_rows;
    // The number of the row shown at each place; empty while the rows show
    // in the order given.
    std::vector<std::uint32_t> m_order;
    AddressWidth m_width = AddressWidth::Bits32;
    mutable int m_cachedRow = -1;
    mutable Texts m_cached{};
};

using NodeRowList = RowList<HeapRecord, HeapNodeRow, &FormatHeapNodeRow>;
using BlockRowList = RowList<HeapBlockCursor, HeapBlockRow, &FormatHeapBlockRow>;

} // namespace corvane
