#pragma once

// The dump list: a list box of a block's lines, filled with its redraw off
// and told up front how many lines are coming.

#include "framework/controls_win32.h"

#include <cstddef>

namespace corvane {

class CDumpList : public CListBox {
public:
    // Room for `count` lines, asked for before the first one.
    void Reserve(std::size_t count);
    void Append(const char* text);
    // Empties the list; during a fill its redraw stays off from here on.
    void Clear();

    // A fill of the list: its redraw goes off once the list is shown and
    // emptied (showing a list turns its redraw on again), and back on, with
    // the list redrawn, when the fill ends.
    class Fill {
    public:
        explicit Fill(CDumpList& list) : m_list(list), m_wasFilling(list.m_filling) { list.m_filling = true; }
        ~Fill();
        Fill(const Fill&) = delete;
        Fill& operator=(const Fill&) = delete;

    private:
        CDumpList& m_list; // not owned; outlives the fill
        bool m_wasFilling;
    };

private:
    // The lines the list was told to expect, and those added since.
    std::size_t m_expected = 0;
    std::size_t m_added = 0;
    bool m_filling = false;
};

} // namespace corvane
