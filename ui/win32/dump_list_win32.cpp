#include "ui/win32/dump_list_win32.h"

#include "heap/dump_text.h"

namespace corvane {

namespace {

// From this length on, room for the rest of a dump is asked for again each
// time the length reaches a power of two.
constexpr std::size_t kFirstReservationRenewal = 16384;
static_assert((kFirstReservationRenewal & (kFirstReservationRenewal - 1)) == 0, "a power of two");

} // namespace

// Some list boxes give the room asked for back while the list is still short
// and then grow their index a few entries at a time, copying it at each step:
// a million lines take over twenty seconds that way. Asking again for the
// lines still to come each time the list doubles, from a few thousand lines
// on, keeps the room once the index is big, and the fill stays linear.
void CDumpList::Reserve(std::size_t count) {
    m_expected = count;
    m_added = 0;
    InitStorage(count, count * sizeof(DumpLineText));
}

void CDumpList::Append(const char* text) {
    AddString(text);
    const std::size_t added = ++m_added;
    const bool doubled = added >= kFirstReservationRenewal && (added & (added - 1)) == 0;
    if (doubled && added < m_expected) InitStorage(m_expected - added, 0);
}

void CDumpList::Clear() {
    ResetContent();
    m_expected = m_added = 0;
    if (m_filling) SendMessage(WM_SETREDRAW, FALSE);
}

CDumpList::Fill::~Fill() {
    m_list.m_filling = m_wasFilling;
    m_list.SendMessage(WM_SETREDRAW, TRUE);
    m_list.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

} // namespace corvane
