#include "dialog/DataExchange.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QValidator>

#include "board/LeadingInt.h"
#include "dialog/Dialog.h"
#include "dialog/MessageBox.h"

namespace {

// Stops typing past the limit without cutting a longer text that the program put there:
// the user can still shorten it.
class TypingLimit final : public QValidator {
public:
    TypingLimit(QLineEdit* edit, int limit) : QValidator(edit), m_limit(limit), m_length(edit->text().size())
    {
        // The box's text is already the new one while it is validated, so keep the length
        // it had before the edit.
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { m_length = text.size(); });
    }
    State validate(QString& input, int&) const override
    {
        return input.size() <= m_limit || input.size() <= m_length ? Acceptable : Invalid;
    }

private:
    qsizetype m_limit;
    qsizetype m_length;
};

QString ControlText(QWidget* control)
{
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return edit->text();
    // A multi-line box keeps its lines apart with "\n"; the texts shown there end their
    // lines with "\r\n", and take them back as they were.
    if (auto* text = qobject_cast<QPlainTextEdit*>(control))
        return text->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return {};
}

void SetControlText(QWidget* control, const QString& value)
{
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(value);
    else if (auto* text = qobject_cast<QPlainTextEdit*>(control))
        text->setPlainText(value);
}

}  // namespace

CDataExchange::CDataExchange(CDialog& dialog, bool saveAndValidate)
    : m_saveAndValidate(saveAndValidate), m_dialog(dialog)
{
}

void CDataExchange::Fail(int id)
{
    m_failed = true;
    if (QWidget* control = m_dialog.GetDlgItem(id)) {
        control->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            edit->selectAll();
        else if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->lineEdit())
            combo->lineEdit()->selectAll();
    }
}

void CDataExchange::Text(int id, std::string& value, int maxChars)
{
    if (m_failed)
        return;
    QWidget* control = m_dialog.GetDlgItem(id);
    if (!m_saveAndValidate) {
        SetControlText(control, QString::fromStdString(value));
        if (auto* edit = qobject_cast<QLineEdit*>(control); edit && maxChars > 0 && !edit->validator())
            edit->setValidator(new TypingLimit(edit, maxChars));
        return;
    }
    const QString text = ControlText(control);
    value = text.toStdString();
    if (maxChars > 0 && text.size() > maxChars) {
        ShowMessageBox(&m_dialog, QStringLiteral("Please enter no more than %1 characters.").arg(maxChars),
                       QString(), MessageIcon::Exclamation);
        Fail(id);
    }
}

void CDataExchange::Int(int id, int& value)
{
    if (m_failed)
        return;
    QWidget* control = m_dialog.GetDlgItem(id);
    if (!m_saveAndValidate) {
        SetControlText(control, QString::number(value));
        return;
    }
    const std::optional<int> parsed = board::ParseLeadingInt(ControlText(control).toStdString());
    if (!parsed) {
        ShowMessageBox(&m_dialog, QStringLiteral("Please enter an integer."));
        Fail(id);
        return;
    }
    value = *parsed;
}

void CDataExchange::Range(int id, int value, int minimum, int maximum)
{
    if (m_failed || !m_saveAndValidate)
        return;
    if (value < minimum || value > maximum) {
        ShowMessageBox(&m_dialog, QStringLiteral("Please enter an integer between %1 and %2.").arg(minimum).arg(maximum),
                       QString(), MessageIcon::Exclamation);
        Fail(id);
    }
}

void CDataExchange::Radio(int firstId, int& index)
{
    if (m_failed)
        return;
    std::vector<QRadioButton*> group;
    bool inGroup = false;
    for (const res::ControlTemplate& control : m_dialog.Template().controls) {
        if (control.id == firstId)
            inGroup = true;
        else if (inGroup && (control.kind != res::ControlKind::RadioButton || (control.style & res::Group)))
            break;
        if (inGroup)
            group.push_back(m_dialog.Item<QRadioButton>(control.id));
    }
    if (m_saveAndValidate) {
        index = -1;
        for (std::size_t i = 0; i < group.size(); ++i)
            if (group[i]->isChecked())
                index = static_cast<int>(i);
        return;
    }
    for (std::size_t i = 0; i < group.size(); ++i) {
        // Auto-exclusive buttons refuse to uncheck the checked one; clear all, then check.
        group[i]->setAutoExclusive(false);
        group[i]->setChecked(static_cast<int>(i) == index);
        group[i]->setAutoExclusive(true);
    }
}

void CDataExchange::ComboItem(int id, std::string& value)
{
    if (m_failed)
        return;
    auto* combo = m_dialog.Item<QComboBox>(id);
    if (m_saveAndValidate) {
        const QString typed = combo->currentText().trimmed();
        QStringList items;
        for (int i = 0; i < combo->count(); ++i) {
            if (combo->itemText(i).compare(typed, Qt::CaseInsensitive) == 0) {
                value = combo->itemText(i).toStdString();
                return;
            }
            items.append(combo->itemText(i));
        }
        ShowMessageBox(&m_dialog, QStringLiteral("Please enter one of: %1.").arg(items.join(QStringLiteral(", "))),
                       QString(), MessageIcon::Exclamation);
        Fail(id);
        return;
    }
    const QString text = QString::fromStdString(value);
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i).startsWith(text, Qt::CaseInsensitive)) {
            combo->setCurrentIndex(i);
            return;
        }
    }
    combo->setEditText(text);
}
