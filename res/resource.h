#pragma once

// Control and command identifiers of the dialog templates.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDM_ABOUTBOX = 0x0010;

// Main window (template 102).
inline constexpr int IDC_SERIAL = 1001;
inline constexpr int IDC_FILE = 1003;
inline constexpr int IDC_BROWSE = 1004;
inline constexpr int IDC_LASTPROGRAMMED = 1005;
inline constexpr int IDC_DOWNLOAD = 1006;
inline constexpr int IDC_BOARDTEST = 1007;
inline constexpr int IDC_ACTIVITYLOG = 1020;
inline constexpr int IDC_CYCLES = 1021;
inline constexpr int IDC_PROGRESS = 1022;
