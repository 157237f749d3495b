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

// Test dialog (template 129).
inline constexpr int IDC_DRIVEALLHIGH = 1008;
inline constexpr int IDC_LEVEL = 1014;
inline constexpr int IDC_PINNUMBER = 1016;
inline constexpr int IDC_EXECUTETEST = 1017;
inline constexpr int IDC_RESULT = 1018;
inline constexpr int IDC_BOARDVIEWFRAME = 1024;
inline constexpr int IDC_WATCHPINS = 1025;
