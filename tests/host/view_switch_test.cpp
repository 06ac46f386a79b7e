#include "ui/view_switch.h"

#include "res/resource.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace corvane {
namespace {

// Controls as the dialog template creates them: node list shown, data panel
// hidden, title "Heap Node List".
class FakePanel : public PanelControls {
public:
    std::map<int, bool> visible = {{IDC_NODE_LIST, true},     {IDC_DATA_LIST, false},    {IDC_CLOSE_DATA, true},
                                   {IDC_SAVE_DATA, true},     {IDC_SEARCH, true},        {IDC_SEARCH_EDIT, true},
                                   {IDC_UNICODE_CHECK, true}, {IDC_UNICODE_LABEL, true}, {IDC_POSITION_LABEL, true}};
    std::string title = "Heap Node List";
    std::vector<int> order;

    void ShowControl(int id, int command) override {
        ASSERT_TRUE(visible.count(id)) << "unexpected control " << id;
        visible[id] = command != kHideCommand;
        order.push_back(id);
    }
    void SetControlText(int id, const char* text) override {
        ASSERT_EQ(id, IDC_NODE_GROUP);
        title = text;
    }
    bool DataPanelVisible() const {
        for (int id : {IDC_DATA_LIST, IDC_CLOSE_DATA, IDC_SAVE_DATA, IDC_SEARCH, IDC_SEARCH_EDIT, IDC_UNICODE_CHECK,
                       IDC_UNICODE_LABEL})
            if (!visible.at(id)) return false;
        return true;
    }
    bool DataPanelHidden() const {
        for (int id : {IDC_DATA_LIST, IDC_CLOSE_DATA, IDC_SAVE_DATA, IDC_SEARCH, IDC_SEARCH_EDIT, IDC_UNICODE_CHECK,
                       IDC_UNICODE_LABEL})
            if (visible.at(id)) return false;
        return true;
    }
};

TEST(ViewSwitch, StartUpHidesTheDataPanelAndKeepsTheTitle) {
    FakePanel panel;
    SwitchPanel(panel, PANEL_HEAPDATA, kHideCommand);
    EXPECT_TRUE(panel.DataPanelHidden());
    EXPECT_FALSE(panel.visible[IDC_POSITION_LABEL]);
    EXPECT_TRUE(panel.visible[IDC_NODE_LIST]);
    EXPECT_EQ(panel.title, "Heap Node List");
    EXPECT_EQ(panel.order, (std::vector<int>{IDC_DATA_LIST, IDC_CLOSE_DATA, IDC_SAVE_DATA, IDC_SEARCH, IDC_SEARCH_EDIT,
                                             IDC_UNICODE_CHECK, IDC_UNICODE_LABEL, IDC_POSITION_LABEL}));
}

TEST(ViewSwitch, OpeningAndClosingABlock) {
    FakePanel panel;
    SwitchPanel(panel, PANEL_HEAPNODES, kHideCommand);
    SwitchPanel(panel, PANEL_HEAPDATA, kShowCommand);
    EXPECT_FALSE(panel.visible[IDC_NODE_LIST]);
    EXPECT_TRUE(panel.DataPanelVisible());
    EXPECT_FALSE(panel.visible[IDC_POSITION_LABEL]) << "showing the data panel hides the position label";
    EXPECT_EQ(panel.title, "Heap Data within the selected Block");

    panel.visible[IDC_POSITION_LABEL] = true; // a search found something
    SwitchPanel(panel, PANEL_HEAPDATA, kHideCommand);
    EXPECT_EQ(panel.title, "Heap Data within the selected Block") << "hiding keeps the title";
    SwitchPanel(panel, PANEL_HEAPNODES, kShowCommand);
    EXPECT_TRUE(panel.visible[IDC_NODE_LIST]);
    EXPECT_TRUE(panel.DataPanelHidden());
    EXPECT_FALSE(panel.visible[IDC_POSITION_LABEL]);
    EXPECT_EQ(panel.title, "Heap Node List");
}

TEST(ViewSwitch, HidingTheNodeListKeepsTheTitle) {
    FakePanel panel;
    panel.title = "something else";
    SwitchPanel(panel, PANEL_HEAPNODES, kHideCommand);
    EXPECT_EQ(panel.title, "something else");
    EXPECT_FALSE(panel.visible[IDC_NODE_LIST]);
}

TEST(ViewSwitch, OtherPanelNumbersChangeNothing) {
    FakePanel panel;
    const auto before = panel.visible;
    for (int number : {-1, 2, 5, 1000}) {
        SwitchPanel(panel, number, kShowCommand);
        SwitchPanel(panel, number, kHideCommand);
    }
    EXPECT_EQ(panel.visible, before);
    EXPECT_TRUE(panel.order.empty());
    EXPECT_EQ(panel.title, "Heap Node List");
}

} // namespace
} // namespace corvane
