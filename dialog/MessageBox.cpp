#include "dialog/MessageBox.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace {
MessageBoxHandler Handler;
}

void SetMessageBoxHandler(MessageBoxHandler handler) { Handler = std::move(handler); }

void ShowMessageBox(QWidget* owner, const QString& text, const QString& caption, MessageIcon icon)
{
    const MessageBoxRequest request{owner, text, caption, icon};
    if (Handler) {
        Handler(request);
        return;
    }
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    caption.isEmpty() ? QCoreApplication::applicationName() : caption, text, QMessageBox::Ok,
                    owner);
    box.exec();
}
