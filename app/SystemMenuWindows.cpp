#include <windows.h>

#include <QByteArray>
#include <QString>
#include <QWidget>

#include "app/SystemMenu.h"

void AddToSystemMenu(QWidget& window, int id, const char* text)
{
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(window.winId()), FALSE);
    if (menu == nullptr)
        return;
    const std::wstring entry = QString::fromUtf8(text).toStdWString();
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(id), entry.c_str());
}

std::optional<int> SystemMenuCommand(const QByteArray& eventType, const void* message)
{
    if (eventType != "windows_generic_MSG")
        return std::nullopt;
    const MSG* msg = static_cast<const MSG*>(message);
    // The low four bits of the system's own commands are theirs; the ids of a program's
    // entries sit below SC_SIZE (0xF000).
    if (msg->message != WM_SYSCOMMAND || (msg->wParam & 0xFFF0) >= SC_SIZE)
        return std::nullopt;
    return static_cast<int>(msg->wParam & 0xFFF0);
}
