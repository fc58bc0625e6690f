// Identifiers of the main window's controls that the jobs read.
// Shared by the Windows dialog and the portable jobs (which read them through the host).
#pragma once

constexpr int IDC_SRC_FILE = 101;
constexpr int IDC_BY_TIME = 103;
constexpr int IDC_HOURS = 104;
constexpr int IDC_MINUTES = 106;
constexpr int IDC_SECONDS = 108;
constexpr int IDC_BY_SIZE = 110;
constexpr int IDC_SIZE_MB = 111;
constexpr int IDC_CREATE_BOTH = 114;
constexpr int IDC_CREATE_FIRST = 115;
constexpr int IDC_CREATE_SECOND = 116;
constexpr int IDC_OVERLAP = 118;
constexpr int IDC_SPLIT_MERGE = 120;
constexpr int IDC_MERGE_FILE1 = 151;
constexpr int IDC_MERGE_FILE2 = 154;
