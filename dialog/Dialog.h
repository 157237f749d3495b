#pragma once

#include <QDialog>
#include <QPointer>
#include <initializer_list>
#include <map>

#include "dialog/MessageBox.h"
#include "res/DialogTemplate.h"

class CDataExchange;

// A dialog built from a template of res/: every control at its place in dialog units,
// with its caption and style, in template order (the tab order). Subclasses move their
// members to and from the controls in DoDataExchange, as UpdateData asks.
class CDialog : public QDialog {
    Q_OBJECT
public:
    CDialog(const res::DialogTemplate& dialogTemplate, QWidget* parent);

    QWidget* GetDlgItem(int id) const;
    template <typename Control>
    Control* Item(int id) const
    {
        return qobject_cast<Control*>(GetDlgItem(id));
    }

    // FALSE: members to controls. TRUE: controls to members, with the checks; false when one failed.
    bool UpdateData(bool saveAndValidate = true);
    // Runs OnInitDialog, once; DoModal does it when it has not been done.
    void InitDialog();
    // Runs the dialog modally; the result is the code it ended with.
    int DoModal();
    // The application's main window, owner of the dialogs that run without a parent.
    static void SetApplicationWindow(CDialog* window);

    const res::DialogTemplate& Template() const { return m_template; }

    // Message boxes over this dialog and the windows it holds go to handler instead of the
    // screen; an empty handler shows them again.
    void SetMessageBoxHandler(MessageBoxHandler handler) { m_messageBoxHandler = std::move(handler); }
    const MessageBoxHandler& MessageBoxHandlerInForce() const { return m_messageBoxHandler; }

protected:
    virtual void DoDataExchange(CDataExchange& exchange);
    // Called once, when the dialog has been built and before it is shown.
    virtual bool OnInitDialog();
    // A push button or check box of the template was clicked.
    virtual void OnCommand(int id);
    // Enter with no push button to press; the default closes when the data exchange succeeds.
    virtual void OnOK();
    // Escape and the close box.
    virtual void OnCancel();

    // Enables or disables the controls by id, while an operation they would start runs. A
    // control that had the focus hands it to the dialog itself while disabled, not to the
    // next control (which would select a box's text), and takes it back once enabled.
    void EnableControls(std::initializer_list<int> ids, bool enable);

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class QPushButton* DefaultButton() const;
    void CreateControls();
    QWidget* CreateControl(const res::ControlTemplate& control);
    static Qt::FocusPolicy FocusWithoutTabStop(res::ControlKind kind);
    // Gives each captionless control the accessible name its template lists for it.
    void NameControls();

    static CDialog* s_applicationWindow;

    const res::DialogTemplate& m_template;
    std::map<int, QWidget*> m_items;
    bool m_initialised = false;
    MessageBoxHandler m_messageBoxHandler;
    QPointer<QWidget> m_focusWhileDisabled;
};
