#pragma once
// Resource and control ids shared by the resource script and the pages. The
// numbers are fixed: outside tools and tests find the controls by them.

// Pictures and the program icon.
#define IDB_HEADER 102
#define IDB_WATERMARK 103
#define IDI_PROGRAM 104

// Page templates, in the order the sheet shows them.
#define IDD_WELCOME 107
#define IDD_SOURCE 108
#define IDD_OUTPUT 109
#define IDD_COMPLETION 110
#define IDD_PROGRESS 111
// The window that shows the usage text.
#define IDD_USAGE 120
// The window that shows the parameter text.
#define IDD_PARAMETERS 121

// Header texts of the interior pages.
#define IDS_SOURCE_TITLE 1
#define IDS_SOURCE_SUBTITLE 2
#define IDS_OUTPUT_TITLE 3
#define IDS_OUTPUT_SUBTITLE 4
#define IDS_PROGRESS_TITLE 5
#define IDS_PROGRESS_SUBTITLE 6

// Controls. Several pages reuse a number for different controls.
#define IDC_TITLE 1000
#define IDC_DESCRIPTION 1001
#define IDC_HELP_BUTTON 1048

#define IDC_SOURCE_BROWSE 1012
#define IDC_SOURCE_TABLES 1015
#define IDC_SOURCE_PATH 1017
#define IDC_SOURCE_PASSWORD 1022
#define IDC_SOURCE_ALL 1049
#define IDC_SOURCE_NONE 1050
#define IDC_SOURCE_REASON 1051

#define IDC_OUTPUT_PATH 200
#define IDC_OUTPUT_BROWSE 1015
#define IDC_OUTPUT_OVERWRITE 1018
#define IDC_OUTPUT_REMOVECRLF 1020
#define IDC_OUTPUT_QUOTES 1021
#define IDC_OUTPUT_TRIM 1023
#define IDC_OUTPUT_HEADER 1024
#define IDC_OUTPUT_ASIS 1025
#define IDC_OUTPUT_ANSI 1026
#define IDC_OUTPUT_OEM 1027
#define IDC_OUTPUT_FIELDS 1030
#define IDC_OUTPUT_RECORDS 1031
#define IDC_OUTPUT_ESCAPE_LABEL 1032
#define IDC_OUTPUT_ESCAPE 1033
#define IDC_OUTPUT_DELIMITERS 1034
#define IDC_OUTPUT_CHARACTERS 1035
#define IDC_OUTPUT_DATE 1037

#define IDC_PROGRESS_BAR 1016
#define IDC_PROGRESS_FILE 1021
#define IDC_PROGRESS_TIMES 1022

#define IDC_COMPLETION_RESULT 1019
#define IDC_COMPLETION_OPEN 1020
#define IDC_COMPLETION_SAVE 1021
#define IDC_COMPLETION_PARAMETERS 1034
#define IDC_COMPLETION_FAILURES 1040

#define IDC_USAGE_TEXT 1100
#define IDC_PARAMETERS_TEXT 1101
