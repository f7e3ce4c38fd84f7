#pragma once
// Resource identifiers of "Uninstall.exe": its two dialog templates and
// their controls. Plain #defines so that the resource compiler reads the
// same file as the code.

#define IDI_UNINSTALLER 128
#define IDD_UNINSTALL_QUESTION 200
#define IDD_UNINSTALL_PROGRESS 201

#define IDC_QUESTION_TEXT 1201
#define IDC_QUESTION_NOTE 1202
#define IDC_REMOVE_USER_DATA 1203
#define IDC_PROGRESS_TEXT 1204
#define IDC_PROGRESS_BAR 1205
