/* Identifiers of the main window's controls and menu commands and of the
   program's resources, as plain macros so that the .rc files can use them. */
#ifndef TAVRIN_UI_RESOURCE_IDS_H
#define TAVRIN_UI_RESOURCE_IDS_H

/* The fields from which the window builds its split and merge requests */
#define IDC_SRC_FILE 101
#define IDC_BY_TIME 103
#define IDC_HOURS 104
#define IDC_MINUTES 106
#define IDC_SECONDS 108
#define IDC_BY_SIZE 110
#define IDC_SIZE_MB 111
#define IDC_CREATE_BOTH 114
#define IDC_CREATE_FIRST 115
#define IDC_CREATE_SECOND 116
#define IDC_OVERLAP 118
#define IDC_SPLIT_MERGE 120
#define IDC_MERGE_FILE1 151
#define IDC_MERGE_FILE2 154

/* Split page */
#define IDC_SRC_LABEL 100
#define IDC_SRC_BROWSE 102
#define IDC_HOURS_LABEL 105
#define IDC_MINUTES_LABEL 107
#define IDC_SECONDS_LABEL 109
#define IDC_SIZE_LABEL 112
#define IDC_CREATE_LABEL 113
#define IDC_OVERLAP_LABEL 117
#define IDC_OVERLAP_UNIT 119
#define IDC_HOW_LABEL 121
#define IDC_SRC_HINT 124
#define IDC_PREVIEW 125
#define IDC_SPLIT_EXACT 126
/* Merge page */
#define IDC_MERGE_LABEL1 150
#define IDC_MERGE_BROWSE1 152
#define IDC_MERGE_LABEL2 153
#define IDC_MERGE_BROWSE2 155
#define IDC_MERGE_HINT1 156
#define IDC_MERGE_HINT2 157
/* Both pages */
// The Split page's Save in row (ui/save_in.h).
#define IDC_SAVE_IN_LABEL 158
#define IDC_SAVE_IN 159
#define IDC_SAVE_IN_BROWSE 160
#define IDC_EXECUTE 122
#define IDC_EXIT 123
#define IDC_TABS 131

/* The About box's focus holder */
#define IDC_ABOUT_FOCUS 101

/* Menu commands */
#define IDM_REF 200
#define IDM_REF1 202
#define IDM_REF2 204
#define IDM_EXIT 210
#define IDM_EXECUTE 220
#define IDM_SWITCH_TAB 230
#define IDM_HELP 240
#define IDM_ABOUT 250
/* The Operate menu's tools, after its first item */
#define IDM_JOIN 260
#define IDM_PIECES 262
#define IDM_REPAIR 264
#define IDM_CUT 268
#define IDM_STREAMS 270
#define IDM_BATCH 272
/* The Operate menu's preview, after the execute item */
#define IDM_PREVIEW 266

#endif
