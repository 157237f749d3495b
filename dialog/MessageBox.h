#pragma once

#include <QString>
#include <functional>

class QWidget;

// Message boxes for the user: one OK button, an optional icon.
enum class MessageIcon { None, Exclamation };

struct MessageBoxRequest {
    QWidget* owner;
    QString text;
    QString caption;
    MessageIcon icon;
};

// What a dialog does with the message boxes shown over it instead of showing them; tests
// record them this way, so that a modal box never blocks them.
using MessageBoxHandler = std::function<void(const MessageBoxRequest&)>;

// Shows a message box over owner. When owner or a window that holds it is a dialog with a
// message box handler, the nearest such handler gets the request instead.
void ShowMessageBox(QWidget* owner, const QString& text, const QString& caption = QString(),
                    MessageIcon icon = MessageIcon::None);
