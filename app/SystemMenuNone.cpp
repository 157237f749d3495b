#include "app/SystemMenu.h"

// The window manager's menu of a Linux window belongs to it alone.
void AddToSystemMenu(QWidget&, int, const char*) {}

std::optional<int> SystemMenuCommand(const QByteArray&, const void*) { return std::nullopt; }
