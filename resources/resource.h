// resource.h - resource and command IDs of RulvView, shared by RulvView.rc
// and the program.
#pragma once

#define IDI_APPICON 1

#define IDM_MAIN 100
#define IDA_MAIN 101

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

// Child windows.
#define IDC_STATUSBAR 2001
