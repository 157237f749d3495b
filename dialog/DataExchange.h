#pragma once

#include <optional>
#include <string>

class CDialog;
class QWidget;

// One run of a dialog's data exchange: members to controls (showing) or controls to members
// (taking, with the checks). The first failed check shows its message, puts the focus into
// the control with its text selected, and skips every later step of the run.
class CDataExchange {
public:
    CDataExchange(CDialog& dialog, bool saveAndValidate);

    const bool m_saveAndValidate;
    bool Failed() const { return m_failed; }

    // Edit-box text. With a limit, showing sets the typing limit and taking refuses a
    // longer text with "Please enter no more than %1 characters.".
    void Text(int id, std::string& value, int maxChars = 0);
    // A signed integer read as "%d" reads it: blanks, optional sign, digits, the rest ignored.
    void Int(int id, int& value);
    // Taking only: value must lie in minimum..maximum.
    void Range(int id, int value, int minimum, int maximum);
    // The radio group whose first button is firstId: the position of the checked button
    // (disabled ones counted), -1 when none is checked.
    void Radio(int firstId, int& index);
    // A combo box with an edit field that must name one of its items. Taking matches the
    // field without regard to case or surrounding blanks and gives the item's own text; a
    // field that names none is refused with a message that lists them. Showing selects the
    // first item that begins with the text (ignoring case) or else puts the text in the field.
    void ComboItem(int id, std::string& value);

private:
    void Fail(int id);

    CDialog& m_dialog;
    bool m_failed = false;
};
