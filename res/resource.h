// Resource and control ids of Corvane. Plain defines: the resource compiler
// reads this file too.
#pragma once

#define IDC_STATIC (-1)

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
