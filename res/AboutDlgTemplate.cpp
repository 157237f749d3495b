#include "res/DialogTemplate.h"

namespace res {
namespace {

constexpr ControlTemplate AboutDlgControls[] = {
    {NoControlId, ControlKind::Icon, "", 11, 11, 20, 20, 0},
    {NoControlId, ControlKind::Label, "Tarvik Version 1.02", 40, 10, 119, 8, NoPrefix},
    {1, ControlKind::DefPushButton, "OK", 178, 7, 50, 16, TabStop | Group},
};

}  // namespace

const DialogTemplate AboutDlgTemplate = {
    100, "About Tarvik", nullptr, 8, 235, 55, ModalFrame | SystemMenu, AboutDlgControls, {}, {},
};

}  // namespace res
