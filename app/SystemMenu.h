#pragma once

#include <optional>

class QByteArray;
class QWidget;

// The window's system menu (the menu of its title bar's icon), where the platform has one a
// program may extend: on Windows the About entry goes there, as a separator and the entry
// under the system's own ones. Elsewhere nothing is added, and the entry lives in the
// window's context menu alone.
void AddToSystemMenu(QWidget& window, int id, const char* text);

// The command of the program's own system-menu entry that a native message chooses
// (WM_SYSCOMMAND with an id below the system's own), if it is one.
std::optional<int> SystemMenuCommand(const QByteArray& eventType, const void* message);
