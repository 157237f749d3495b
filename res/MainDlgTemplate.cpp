#include "res/DialogTemplate.h"

namespace res {
namespace {

constexpr ControlTemplate MainDlgControls[] = {
    {1006, ControlKind::PushButton, "Download", 48, 88, 50, 16, TabStop},
    {1007, ControlKind::PushButton, "Board Test", 275, 88, 50, 16, TabStop},
    {1000, ControlKind::Label, "Board serial number", 18, 21, 64, 8, 0},
    {1001, ControlKind::Edit, "", 85, 19, 53, 14, ReadOnly | Border | TabStop | AutoHScroll},
    {1002, ControlKind::Label, "FPGA file", 17, 65, 30, 8, 0},
    {1003, ControlKind::Edit, "", 49, 64, 275, 14, Border | TabStop | AutoHScroll},
    {1004, ControlKind::PushButton, "Browse", 336, 64, 50, 14, TabStop},
    {NoControlId, ControlKind::Label, "Last programmed", 167, 21, 56, 8, 0},
    {1005, ControlKind::Edit, "", 226, 19, 98, 14, ReadOnly | Border | AutoHScroll},
    {1020, ControlKind::ListBox, "", 23, 117, 360, 66, Border | VScroll | NoIntegralHeight},
    {1021, ControlKind::Edit, "", 85, 41, 53, 14, ReadOnly | Number | Border | AutoHScroll},
    {1008, ControlKind::Label, "Programming cycles", 17, 43, 64, 8, 0},
    {1022, ControlKind::ProgressBar, "", 104, 93, 141, 7, Smooth | Border},
};

constexpr ControlName MainDlgNames[] = {
    {1001, "Board serial number", nullptr},
    {1021, "Programming cycles", nullptr},
    {1005, "Last programmed", nullptr},
    {1003, "FPGA file", "The configuration file (.rbf) that Download writes into the board's flash"},
    {1020, "Activity log", nullptr},
    {1022, "Download progress", nullptr},
};

}  // namespace

const DialogTemplate MainDlgTemplate = {
    102, "Morvane FPGA Tool", nullptr, 8, 410, 196,
    SystemMenu | MinimizeBox | SizingBorder, MainDlgControls, {}, MainDlgNames,
};

}  // namespace res
