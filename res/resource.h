// Resource and control ids of Corvane. Plain defines: the resource compiler
// reads this file too.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Dialogs and strings.
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_CORVANE_DIALOG 102
#define IDD_COMPARE 103
#define IDD_STATISTICS 104
#define IDD_FIND_ALL 105
#define IDD_GO_TO 106
#define IDD_POINTERS 107
#define IDD_WHO_POINTS 108
#define IDD_LEAKS 109
#define IDD_WATCH 110
#define IDD_HEAP_MAP 111

// The context menus of the lists: one popup each, in this order.
#define IDR_LIST_MENUS 200
#define MENU_NODE_LIST 0
#define MENU_BLOCK_LIST 1
#define MENU_DUMP 2
#define MENU_TOOL_LIST 3

// Icons and bitmaps.
#define IDR_MAINFRAME 128
#define IDB_BANNER 136
#define IDB_ABOUT_PARTNER 141
#define IDB_ABOUT_BANNER 142
#define IDI_SEARCH_HOVER 143
#define IDI_CLOSE 144
#define IDI_CLOSE_HOVER 145
#define IDI_REFRESH 146
#define IDI_REFRESH_HOVER 147
#define IDI_SAVE 148
#define IDI_SAVE_HOVER 149
#define IDI_SEARCH 150

// Main dialog controls.
#define IDC_REFRESH 1
#define IDC_PROCESS_COMBO 1000
#define IDC_NODE_LIST 1001
#define IDC_BLOCK_LIST 1002
#define IDC_DATA_LIST 1009
#define IDC_CLOSE_DATA 1010
#define IDC_SAVE_DATA 1011
#define IDC_SEARCH 1012
#define IDC_NODE_GROUP 1013
#define IDC_BLOCK_GROUP 1014
#define IDC_SEARCH_EDIT 1015
#define IDC_UNICODE_CHECK 1021
#define IDC_POSITION_LABEL 1022
#define IDC_WEB_LINK 1023
#define IDC_ABOUT_LINK 1024
#define IDC_PROCESS_LABEL 1028
#define IDC_UNICODE_LABEL 1029

// About box controls.
#define IDC_ABOUT_TITLE 1018
#define IDC_ABOUT_SLOGAN 1019
#define IDC_ABOUT_WEB_LINK 1024
#define IDC_ABOUT_CREDIT 1025
#define IDC_ABOUT_PARTNER_CAPTION 1026
#define IDC_ABOUT_LEGAL 1027

// Tool dialog controls (the three tool dialogs share them).
#define IDC_TOOL_SUMMARY 1100
#define IDC_TOOL_LIST 1101
#define IDC_FIND_ALL_TEXT 1102
#define IDC_FIND_ALL_KIND 1103
#define IDC_FIND_ALL_START 1104
#define IDC_TOOL_STOP 1105
#define IDC_FIND_ALL_LABEL 1106
#define IDC_TOOL_NOTE 1107
#define IDC_GO_TO_EDIT 1108
#define IDC_GO_TO_LABEL 1109

// Watch controls.
#define IDC_WATCH_CHART 1120
#define IDC_WATCH_INTERVAL 1121
#define IDC_WATCH_INTERVAL_LABEL 1122
#define IDC_WATCH_PAUSE 1123
#define IDC_WATCH_EXPORT 1124
#define IDC_WATCH_HEAPS 1125
#define IDC_WATCH_SIZES 1126
#define IDC_WATCH_SIZES_LABEL 1127

// Heap map controls.
#define IDC_MAP_FIGURES 1140
#define IDC_MAP_AREA 1141
#define IDC_MAP_HOVER 1142
#define IDC_MAP_LEGEND 1143

// Context menu commands.
#define ID_NODE_SET_BASELINE 32771
#define ID_NODE_COMPARE 32772
#define ID_NODE_STATISTICS 32773
#define ID_NODE_COPY 32774
#define ID_NODE_EXPORT 32775
#define ID_BLOCK_FIND_ALL 32776
#define ID_BLOCK_COPY 32777
#define ID_BLOCK_EXPORT 32778
#define ID_DUMP_COPY 32779
#define ID_DUMP_EXPORT 32780
#define ID_TOOL_COPY 32781
#define ID_TOOL_EXPORT 32782
#define ID_NODE_GO_TO 32783
#define ID_NODE_FIND_LEAKS 32784
#define ID_BLOCK_GO_TO 32785
#define ID_BLOCK_WHO_POINTS 32786
#define ID_DUMP_BACK 32787
#define ID_DUMP_POINTERS 32788
#define ID_DUMP_WHO_POINTS 32789
#define ID_NODE_WATCH 32790
#define ID_BLOCK_HEAP_MAP 32791

// System menu command of the About box entry.
#define IDM_ABOUTBOX 0x0010
