#pragma once

namespace corvane {

// The two things the node list's frame (IDC_NODE_GROUP) can hold.
enum Panel {
    PANEL_HEAPDATA = 0,  // the dump list with its tool row
    PANEL_HEAPNODES = 1, // the heap node list
};

// Show commands, with the platform's values.
constexpr int kHideCommand = 0; // SW_HIDE
constexpr int kShowCommand = 5; // SW_SHOW

// The controls the view switch acts on, by control id.
class PanelControls {
public:
    virtual ~PanelControls() = default;
    virtual void ShowControl(int controlId, int showCommand) = 0;
    virtual void SetControlText(int controlId, const char* text) = 0;
};

extern const char* const kNodeViewTitle;
extern const char* const kDataViewTitle;

// Shows or hides one panel. Hiding never changes the group box's title, so
// the title is that of the panel shown last; the position label is hidden
// whenever the data panel is switched either way. Other panel numbers do
// nothing.
void SwitchPanel(PanelControls& controls, int panel, int showCommand);

} // namespace corvane
