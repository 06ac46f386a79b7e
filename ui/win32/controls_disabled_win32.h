#pragma once

// Disables, while an operation of the main window runs, the controls that
// would start another one, in one fixed order, and enables them again in
// that order.

#include "framework/window_win32.h"
#include "res/resource.h"

namespace corvane {

// Which of the process list and the heap node list an operation disables
// besides the buttons and the search row.
enum class BusyLists { KeepEnabled, AlsoProcessList, AlsoProcessAndNodeList };

class ControlsDisabled {
public:
    ControlsDisabled(const CWnd& dialog, BusyLists lists) : m_dialog(dialog), m_lists(lists) { Enable(false); }
    ~ControlsDisabled() { Enable(true); }
    ControlsDisabled(const ControlsDisabled&) = delete;
    ControlsDisabled& operator=(const ControlsDisabled&) = delete;

private:
    void Enable(bool enable) const {
        static constexpr int kOrder[] = {IDC_REFRESH,   IDC_CLOSE_DATA,    IDC_SAVE_DATA,
                                         IDC_SEARCH,    IDC_SEARCH_EDIT,   IDC_PROCESS_COMBO,
                                         IDC_NODE_LIST, IDC_UNICODE_CHECK, IDC_UNICODE_LABEL};
        for (const int id : kOrder) {
            if (id == IDC_PROCESS_COMBO && m_lists == BusyLists::KeepEnabled) continue;
            if (id == IDC_NODE_LIST && m_lists != BusyLists::AlsoProcessAndNodeList) continue;
            ::EnableWindow(m_dialog.GetDlgItem(id), enable ? TRUE : FALSE);
        }
    }

    const CWnd& m_dialog; // not owned; the dialog whose controls these are
    BusyLists m_lists;
};

} // namespace corvane
