#include "ui/win32/list_layout_win32.h"

#include "framework/gdi_win32.h"
#include "heap/row_text.h"

namespace corvane {

int NumberColumnWidth(const CListCtrl& list, AddressWidth width) {
    HexText text;
    FormatHex(0, width, text);
    int widest = 0;
    for (const char digit : {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'}) {
        for (char* at = text + 2; *at; ++at)
            *at = digit;
        widest = std::max(widest, list.GetStringWidth(text));
    }
    return widest + kCellMargins;
}

ColumnFit LayOutColumns(CListCtrl& list, const ListColumn* columns, std::size_t count, AddressWidth width,
                        std::optional<int> lastColumnLeast) {
    const int numberWidth = NumberColumnWidth(list, width);
    const int longerNumbers = numberWidth - NumberColumnWidth(list, AddressWidth::Bits32);
    const auto widthOf = [&](const ListColumn& column) {
        const int usual = ScaleToSystemDpi(column.width);
        switch (column.values) {
        case ColumnValues::Number: return std::max(usual, numberWidth);
        case ColumnValues::NumberAndDecimal: return usual + longerNumbers;
        case ColumnValues::Text: break;
        }
        return usual;
    };
    ColumnFit fit;
    fit.lastColumnLeast = lastColumnLeast.value_or(0);
    fit.lastGivesBack = count > 0 && lastColumnLeast && columns[count - 1].values == ColumnValues::Text;
    for (std::size_t i = 0; i < count; ++i)
        fit.extra += widthOf(columns[i]) - ScaleToSystemDpi(columns[i].width);
    for (std::size_t i = 0; i < count; ++i) {
        int columnWidth = widthOf(columns[i]);
        if (i + 1 == count) columnWidth = fit.LastColumnWidth(columnWidth);
        list.InsertColumn(static_cast<int>(i), columns[i].heading, LVCFMT_LEFT, columnWidth);
    }
    return fit;
}

} // namespace corvane
