#include "dialog/MessageBox.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "dialog/Dialog.h"

void ShowMessageBox(QWidget* owner, const QString& text, const QString& caption, MessageIcon icon)
{
    const MessageBoxRequest request{owner, text, caption, icon};
    for (QWidget* holder = owner; holder != nullptr; holder = holder->parentWidget()) {
        auto* dialog = qobject_cast<CDialog*>(holder);
        if (dialog != nullptr && dialog->MessageBoxHandlerInForce()) {
            dialog->MessageBoxHandlerInForce()(request);
            return;
        }
    }
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    caption.isEmpty() ? QCoreApplication::applicationName() : caption, text, QMessageBox::Ok,
                    owner);
    box.exec();
}
