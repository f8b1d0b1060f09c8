// resource.h - resource and command IDs of RulvView, shared by RulvView.rc
// and the program.
#pragma once

#define IDI_APPICON 1

#define IDM_MAIN 100
#define IDA_MAIN 101
#define IDM_STRIP 102

#define IDB_OPEN 110
#define IDB_REOPEN 111
#define IDB_REVIEW 112

// Menu commands (and their shortcuts).
#define IDC_FILE_OPEN 1001
#define IDC_FILE_REOPEN 1002
#define IDC_FILE_EXIT 1003
#define IDC_VIEW_REVIEW 1011
#define IDC_VIEW_TOOLBAR 1012
#define IDC_VIEW_STATUSBAR 1013
#define IDC_HELP_HELP 1021
#define IDC_HELP_ABOUT 1022
// The strip's own menu; the views in the order of TVisionView.
#define IDC_STRIP_COPY_COLOR 1031
#define IDC_STRIP_COPY_PICTURE 1032
#define IDC_STRIP_VIEW_NORMAL 1041
#define IDC_STRIP_VIEW_GREY 1042
#define IDC_STRIP_VIEW_PROTAN 1043
#define IDC_STRIP_VIEW_DEUTAN 1044
#define IDC_STRIP_VIEW_TRITAN 1045
#define IDC_STRIP_FOLLOW_FILE 1051

// Child windows.
#define IDC_STATUSBAR 2001
