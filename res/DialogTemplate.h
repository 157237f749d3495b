#pragma once

#include <span>

// Dialog templates as data: the windows' controls, captions, places and styles, each
// template in one table. Places are in dialog units; the fixed base units below turn
// them into logical pixels the same way on every screen.
namespace res {

// Dialog base units 6 x 13, as Windows gives at 96 dots per inch:
// one dialog unit is 6/4 = 1.5 logical pixels across and 13/8 = 1.625 down.
inline constexpr int DialogBaseUnitX = 6;
inline constexpr int DialogBaseUnitY = 13;
constexpr int DialogUnitsToPixelsX(int units) { return (units * DialogBaseUnitX + 2) / 4; }
constexpr int DialogUnitsToPixelsY(int units) { return (units * DialogBaseUnitY + 4) / 8; }

enum class ControlKind {
    PushButton,
    DefPushButton,
    Label,
    Edit,
    ListBox,
    ProgressBar,
    RadioButton,
    CheckBox,  // toggles itself when clicked, and reports the click as a command
    ComboBox,
    GroupBox,
    Icon,
};

// Control styles, combinable.
enum ControlStyle : unsigned {
    TabStop = 1u << 0,
    ReadOnly = 1u << 1,
    Border = 1u << 2,
    AutoHScroll = 1u << 3,
    Number = 1u << 4,
    VScroll = 1u << 5,
    NoIntegralHeight = 1u << 6,
    Smooth = 1u << 7,
    Group = 1u << 8,
    Disabled = 1u << 9,
    Multiline = 1u << 10,
    NoPrefix = 1u << 11,
};

// Dialog styles, combinable.
enum DialogStyle : unsigned {
    SystemMenu = 1u << 0,
    MinimizeBox = 1u << 1,
    SizingBorder = 1u << 2,
    ModalFrame = 1u << 3,
    Child = 1u << 4,
    SunkenEdge = 1u << 5,
    Topmost = 1u << 6,
    Centered = 1u << 7,
};

inline constexpr int NoControlId = -1;

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* caption;
    int x, y, cx, cy;
    unsigned style;
};

// What a screen reader says of a control that has no caption of its own: its name (the
// caption beside it, if the template has one, which is then tied to it) and, where the name
// alone does not tell how to use it, a description.
struct ControlName {
    int id;
    const char* name;
    const char* description;
};

struct DialogTemplate {
    int id;
    const char* caption;
    const char* fontFace;  // nullptr: the platform's dialog font
    int fontPointSize;
    int cx, cy;
    unsigned style;
    std::span<const ControlTemplate> controls;  // template order, which is the tab order
    std::span<const char* const> comboItems;    // initialisation data of the one combo box, if any
    std::span<const ControlName> names;         // the accessible names of captionless controls
};

// The templates, one file each.
extern const DialogTemplate AboutDlgTemplate;      // 100
extern const DialogTemplate MainDlgTemplate;       // 102
extern const DialogTemplate TestDlgTemplate;       // 129
extern const DialogTemplate BoardViewFrameTemplate;  // 132

// The About entry of the main window's menu.
inline constexpr const char* AboutBoxMenuText = "&About Tarvik...";

}  // namespace res
