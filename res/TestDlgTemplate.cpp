#include "res/DialogTemplate.h"

namespace res {
namespace {

constexpr ControlTemplate TestDlgControls[] = {
    {1008, ControlKind::RadioButton, "Drive all pins HIGH", 24, 21, 75, 10, Group | TabStop},
    {1009, ControlKind::RadioButton, "Drive all pins LOW", 24, 35, 73, 10, TabStop},
    {1010, ControlKind::RadioButton, "FPGA configuration toggle", 24, 50, 113, 10, TabStop | Disabled},
    {1011, ControlKind::RadioButton, "Clear configuration sector", 24, 64, 105, 10, TabStop | Disabled},
    {1012, ControlKind::RadioButton, "Capture pins", 24, 78, 57, 10, TabStop},
    {1013, ControlKind::RadioButton, "Drive pin", 24, 92, 48, 10, TabStop},
    {1016, ControlKind::Edit, "", 69, 91, 25, 14, Border | AutoHScroll | Group},
    {NoControlId, ControlKind::Label, "to", 98, 93, 8, 8, Group},
    {1014, ControlKind::ComboBox, "", 109, 91, 33, 61, VScroll},
    {1025, ControlKind::CheckBox, "Watch pins", 24, 121, 60, 10, Group | TabStop},
    {1017, ControlKind::DefPushButton, "Execute Test", 140, 119, 50, 14, TabStop},
    {2, ControlKind::PushButton, "Leave Test Mode", 259, 119, 64, 14, TabStop},
    {1018, ControlKind::Edit, "", 153, 13, 323, 99, Multiline | ReadOnly},
    {NoControlId, ControlKind::GroupBox, "Select a test", 17, 9, 131, 103, 0},
    {1024, ControlKind::GroupBox, "", 17, 144, 461, 145, 0},
};

constexpr const char* LevelItems[] = {"High", "Low", "Hi-Z"};

constexpr ControlName TestDlgNames[] = {
    {1016, "Pin number", "The FPGA pin (1 to 144) that Drive pin drives"},
    {1014, "Level", "The level Drive pin drives the pin to: High, Low or Hi-Z"},
    {1018, "Test result", "What the last test did; after Capture pins, the state of each header pin"},
};

}  // namespace

const DialogTemplate TestDlgTemplate = {
    129, "Morvane FPGA JTAG Tests", "Microsoft Sans Serif", 8, 492, 310,
    ModalFrame | Topmost | Centered, TestDlgControls, LevelItems, TestDlgNames,
};

}  // namespace res
