// Resource and control ids of the test dialogs. Plain defines: the resource
// compiler reads this file too.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_FRAMEWORK_TEST 9100

#define IDC_TEST_PUSH 9101
#define IDC_TEST_CHECK 9102
#define IDC_TEST_RADIO_FIRST 9103
#define IDC_TEST_RADIO_SECOND 9104
#define IDC_TEST_PUSH_LIKE 9105
#define IDC_TEST_DRAWN 9106
#define IDC_TEST_EDIT 9107
#define IDC_TEST_PLAIN_LABEL 9108
#define IDC_TEST_WEB_LINK 9110
#define IDC_TEST_ABOUT_LINK 9111
