#pragma once
// Resource identifiers of the wizard: dialog templates, pictures and the
// control ids of the frame, the pages and the About box. Plain #defines so
// that the resource compiler reads the same file as the code.

// Pictures.
#define IDR_MAINFRAME 128  // the application icon
#define IDB_BANNER 137     // the banner picture in the frame's left band
// The same picture drawn at 125, 150 and 200 % display scale.
#define IDB_BANNER_125 138
#define IDB_BANNER_150 139
#define IDB_BANNER_200 140

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_INSTALL_DIALOG 102
#define IDD_PAGE_START 132
#define IDD_PAGE_PATH 133
#define IDD_PAGE_SHORTCUT 134
#define IDD_PAGE_INSTALL 135
#define IDD_PAGE_MODE 136
#define IDD_PAGE_END 137

// Frame (IDOK is Next, IDCANCEL is Exit).
#define IDC_BACK 3
#define IDC_BAND 1005
#define IDC_SEPARATOR 1002
// The system-menu command of the About item.
#define IDM_ABOUTBOX 0x0010

// Pages; 1003 is the status line of every page.
#define IDC_STATUS 1003
#define IDC_BROWSE 1006
#define IDC_FOLDER 1007
#define IDC_PATH_GROUP 1008
#define IDC_PATH_LABEL 1009
#define IDC_DESKTOP_SHORTCUT 1010
#define IDC_MENU_SHORTCUT 1011
#define IDC_MENU_GROUP 1012
#define IDC_PROGRESS 1014
#define IDC_LOG 1015
#define IDC_INFO 1016
#define IDC_QUICK 1018
#define IDC_ADVANCED 1019
#define IDC_COPYRIGHT 1020
#define IDC_MODE_GROUP 1021
#define IDC_LANGUAGE_LABEL 1022
#define IDC_LANGUAGE 1023

// About box.
#define IDC_ABOUT_NAME 1019
#define IDC_ABOUT_COPYRIGHT 1020

// Controls that the code never addresses.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
