#include "ui/view_switch.h"

#include "res/resource.h"

namespace corvane {

const char* const kNodeViewTitle = "Heap Node List";
const char* const kDataViewTitle = "Heap Data within the selected Block";

void SwitchPanel(PanelControls& controls, int panel, int showCommand) {
    switch (panel) {
    case PANEL_HEAPNODES:
        controls.ShowControl(IDC_NODE_LIST, showCommand);
        if (showCommand == kShowCommand) controls.SetControlText(IDC_NODE_GROUP, kNodeViewTitle);
        break;
    case PANEL_HEAPDATA: {
        static constexpr int kDataPanel[] = {IDC_DATA_LIST,   IDC_CLOSE_DATA,    IDC_SAVE_DATA,    IDC_SEARCH,
                                             IDC_SEARCH_EDIT, IDC_UNICODE_CHECK, IDC_UNICODE_LABEL};
        for (int id : kDataPanel)
            controls.ShowControl(id, showCommand);
        controls.ShowControl(IDC_POSITION_LABEL, kHideCommand);
        if (showCommand == kShowCommand) controls.SetControlText(IDC_NODE_GROUP, kDataViewTitle);
        break;
    }
    default: break;
    }
}

} // namespace corvane
