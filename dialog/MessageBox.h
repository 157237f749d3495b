#pragma once

#include <QString>
#include <functional>

class QWidget;

// Message boxes for the user: one OK button, an optional icon. Tests put a recorder in
// place of the real box so that a modal box never blocks them.
enum class MessageIcon { None, Exclamation };

struct MessageBoxRequest {
    QWidget* owner;
    QString text;
    QString caption;
    MessageIcon icon;
};

void ShowMessageBox(QWidget* owner, const QString& text, const QString& caption = QString(),
                    MessageIcon icon = MessageIcon::None);

using MessageBoxHandler = std::function<void(const MessageBoxRequest&)>;
// An empty handler returns to the real message box.
void SetMessageBoxHandler(MessageBoxHandler handler);
