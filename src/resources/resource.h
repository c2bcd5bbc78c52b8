// Resource ids of the program: dialog templates, controls, icons, commands.
// Shared by the .rc file and the C++ code (plain defines, so windres reads it).
#pragma once

// Icons
#define IDR_MAINFRAME 128

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_PROGRESS 131
#define IDD_SPECIFY_LOC 133
#define IDD_EXISTING_FILES 134
#define IDD_SEARCH 137
#define IDD_MAIN 138
#define IDD_ERROR 139
#define IDD_FOUND 140
#define IDD_PREFERENCE 143
#define IDD_DROP_CHOICE 144
#define IDD_CHECK_REPORT 150

// Main dialog
#define IDC_FIX 1012
#define IDC_MOVE 1013
#define IDC_COPY 1014
#define IDC_PREFERENCE 1015
#define IDC_FIX_TEXT 1016
#define IDC_MOVE_TEXT 1017
#define IDC_COPY_TEXT 1018
#define IDC_PREFERENCE_TEXT 1019
#define IDC_WELCOME_TEXT 1020
#define IDC_EXPORT 1150
#define IDC_EXPORT_TEXT 1151

// Drop question (its buttons are the main dialog's IDC_FIX, IDC_MOVE, IDC_COPY)
#define IDC_DROP_QUESTION 1032
#define IDC_DROP_FILES 1033
#define IDC_CHECK 1120
#define IDC_CHECK_TEXT 1121

// About box
#define IDC_VERSION_TEXT 1028
#define IDC_NOTICE_TEXT 1029

// Error dialog
#define IDC_ERROR_MESSAGE 1009

// Progress dialog
#define IDC_PROGRESS_BAR 1004

// Manual locate dialog (child template inside the open-file dialog)
#define IDC_SPECIFY_NAME 1003
#define IDC_SPECIFY_PROMPT 1004

// Existing files dialog
#define IDC_EXISTING_WARNING 1009
#define IDC_EXISTING_LIST 1010
#define IDC_EXISTING_QUESTION 1011

// Search dialog
#define IDC_SEARCH_HEADING 1005
#define IDC_SEARCH_MISSING 1006
#define IDC_SEARCH_FOLDER 1025
#define IDC_SEARCH_FOLDER_LABEL 1027

// Found similar file dialog
#define IDC_FOUND_NEXT 1000
#define IDC_FOUND_QUESTION 1001
#define IDC_FOUND_REFERENCE 1002
#define IDC_FOUND_MISSING 1007
#define IDC_FOUND_SIMILAR 1008

// Preference dialog
#define IDC_DRIVE_TREE 1024
#define IDC_TREE_CAPTION 1026
#define IDC_BACKUP_CHECK 1030
#define IDC_BACKUP_LABEL 1031

// Check report
#define IDC_REPORT_LIST 1122
#define IDC_REPORT_SAVE 1123
#define IDC_REPORT_HINT 1124

// System menu command of the About box (the system keeps the low four bits)
#define IDM_ABOUTBOX 0x0010
