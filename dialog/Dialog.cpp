#include "dialog/Dialog.h"

#include <QCloseEvent>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "res/AppIcon.h"
#include "dialog/DataExchange.h"

namespace {

using res::ControlKind;

// The dialog font the templates were laid out for is 8-point and narrow; Liberation Sans
// drawn at 90 % of its width keeps every caption inside its place.
constexpr const char* ShellDialogFont = "Liberation Sans";
constexpr int ShellDialogFontStretch = 90;

QFont TemplateFont(const res::DialogTemplate& dialogTemplate, QFont font)
{
    static const bool substituted = [] {
        QFont::insertSubstitution(QStringLiteral("Microsoft Sans Serif"), QString::fromUtf8(ShellDialogFont));
        QFont::insertSubstitution(QStringLiteral("MS Shell Dlg"), QString::fromUtf8(ShellDialogFont));
        QFont::insertSubstitution(QStringLiteral("Courier"), QStringLiteral("Liberation Mono"));
        return true;
    }();
    (void)substituted;
    font.setFamily(QString::fromUtf8(dialogTemplate.fontFace != nullptr ? dialogTemplate.fontFace : ShellDialogFont));
    // Points at 96 dots per inch, like the fixed dialog base units.
    font.setPixelSize((dialogTemplate.fontPointSize * 96 + 36) / 72);
    font.setStretch(ShellDialogFontStretch);
    return font;
}

QRect PlaceOf(const res::ControlTemplate& control)
{
    return {res::DialogUnitsToPixelsX(control.x), res::DialogUnitsToPixelsY(control.y),
            res::DialogUnitsToPixelsX(control.cx), res::DialogUnitsToPixelsY(control.cy)};
}

// Template captions mark the mnemonic letter with '&', as Qt does; a label without
// mnemonic processing shows the ampersand itself.
QString CaptionOf(const res::ControlTemplate& control)
{
    return QString::fromUtf8(control.caption);
}

QWidget* CreateEdit(const res::ControlTemplate& control, QWidget* parent)
{
    if (control.style & res::Multiline) {
        auto* text = new QPlainTextEdit(parent);
        text->setReadOnly(control.style & res::ReadOnly);
        text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        text->setLineWrapMode(QPlainTextEdit::NoWrap);
        if (!(control.style & res::Border))
            text->setFrameShape(QFrame::NoFrame);
        return text;
    }
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(control.style & res::ReadOnly);
    edit->setFrame(control.style & res::Border);
    return edit;
}

}  // namespace

CDialog::CDialog(const res::DialogTemplate& dialogTemplate, QWidget* parent)
    : QDialog(parent), m_template(dialogTemplate)
{
    setWindowTitle(QString::fromUtf8(m_template.caption));
    setWindowIcon(LoadAppIcon());
    setFont(TemplateFont(m_template, font()));

    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (m_template.style & res::SystemMenu)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (m_template.style & res::MinimizeBox)
        flags |= Qt::WindowMinimizeButtonHint;
    if (m_template.style & res::Topmost)
        flags |= Qt::WindowStaysOnTopHint;
    setWindowFlags(flags);

    const QSize size(res::DialogUnitsToPixelsX(m_template.cx), res::DialogUnitsToPixelsY(m_template.cy));
    resize(size);
    if (!(m_template.style & res::SizingBorder))
        setFixedSize(size);
    setSizeGripEnabled(false);
    CreateControls();
}

void CDialog::CreateControls()
{
    QWidget* previous = nullptr;
    for (const res::ControlTemplate& control : m_template.controls) {
        QWidget* widget = CreateControl(control);
        QRect place = PlaceOf(control);
        // A combo box's place includes its open list; closed it is one line high.
        if (control.kind == ControlKind::ComboBox)
            place.setHeight(std::min(place.height(), widget->sizeHint().height()));
        widget->setGeometry(place);
        // Group boxes only frame the controls inside them; they must never cover them.
        if (control.kind == ControlKind::GroupBox)
            widget->lower();
        widget->setEnabled(!(control.style & res::Disabled));
        if (!(control.style & res::TabStop))
            widget->setFocusPolicy(FocusWithoutTabStop(control.kind));
        if (control.id != res::NoControlId)
            m_items[control.id] = widget;
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previous != nullptr)
                setTabOrder(previous, widget);
            previous = widget;
        }
    }
    NameControls();
}

Qt::FocusPolicy CDialog::FocusWithoutTabStop(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Label:
    case ControlKind::Icon:
        return Qt::NoFocus;
    // Boxes and lists hold what the user reads or types. The template leaves some of them out
    // of the tab order, which would keep keyboard and screen-reader users from them; they join
    // it at their place in the template order.
    case ControlKind::Edit:
    case ControlKind::ListBox:
    case ControlKind::ComboBox:
        return Qt::StrongFocus;
    default:
        return Qt::ClickFocus;
    }
}

void CDialog::NameControls()
{
    for (const res::ControlName& named : m_template.names) {
        QWidget* widget = GetDlgItem(named.id);
        if (widget == nullptr)
            continue;
        const QString name = QString::fromUtf8(named.name);
        widget->setAccessibleName(name);
        if (named.description != nullptr)
            widget->setAccessibleDescription(QString::fromUtf8(named.description));
        // The caption beside a box is tied to it, so the two are one to assistive tools.
        for (QLabel* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
            if (label->text() == name)
                label->setBuddy(widget);
        }
    }
}

QWidget* CDialog::CreateControl(const res::ControlTemplate& control)
{
    switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        auto* button = new QPushButton(CaptionOf(control), this);
        // Enter is dispatched by the dialog itself (keyPressEvent), never swallowed by a
        // button that Qt would make the default.
        button->setAutoDefault(false);
        button->setDefault(false);
        connect(button, &QPushButton::clicked, this, [this, id = control.id] { OnCommand(id); });
        return button;
    }
    case ControlKind::Label: {
        // A label without a buddy shows its caption as written, so "no mnemonic" needs nothing.
        return new QLabel(CaptionOf(control), this);
    }
    case ControlKind::Icon: {
        auto* label = new QLabel(this);
        label->setPixmap(LoadAppIcon().pixmap(32, 32));
        return label;
    }
    case ControlKind::Edit:
        return CreateEdit(control, this);
    case ControlKind::ListBox: {
        auto* list = new QListWidget(this);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setVerticalScrollBarPolicy((control.style & res::VScroll) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
        list->setTextElideMode(Qt::ElideNone);
        list->setWordWrap(false);
        list->setUniformItemSizes(true);
        return list;
    }
    case ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(this);
        bar->setTextVisible(false);
        return bar;
    }
    case ControlKind::RadioButton:
        return new QRadioButton(CaptionOf(control), this);
    case ControlKind::CheckBox: {
        auto* box = new QCheckBox(CaptionOf(control), this);
        connect(box, &QCheckBox::clicked, this, [this, id = control.id] { OnCommand(id); });
        return box;
    }
    case ControlKind::ComboBox: {
        auto* combo = new QComboBox(this);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        for (const char* item : m_template.comboItems)
            combo->addItem(QString::fromUtf8(item));
        // The template's height includes the open list; the closed box is one line high.
        return combo;
    }
    case ControlKind::GroupBox:
        return new QGroupBox(CaptionOf(control), this);
    }
    return new QWidget(this);
}

QWidget* CDialog::GetDlgItem(int id) const
{
    auto it = m_items.find(id);
    return it == m_items.end() ? nullptr : it->second;
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    CDataExchange exchange(*this, saveAndValidate);
    DoDataExchange(exchange);
    return !exchange.Failed();
}

void CDialog::InitDialog()
{
    if (!m_initialised) {
        m_initialised = true;
        OnInitDialog();
    }
}

CDialog* CDialog::s_applicationWindow = nullptr;

void CDialog::SetApplicationWindow(CDialog* window) { s_applicationWindow = window; }

int CDialog::DoModal()
{
    // A dialog without a parent is owned by the application's main window, which it blocks
    // while it runs; it blocks no other window (the simulated board's stays usable). It gets
    // its owner before its controls are set up: a window that already holds an OpenGL
    // surface, given a parent, turns the parent's window into one that composes OpenGL
    // surfaces, and that window then keeps showing the dialog's picture after it closes.
    if (parentWidget() == nullptr && s_applicationWindow != nullptr && s_applicationWindow != this)
        setParent(s_applicationWindow, windowFlags());
    InitDialog();
    setWindowModality(Qt::WindowModal);
    return exec();
}

void CDialog::DoDataExchange(CDataExchange&) {}

bool CDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void CDialog::OnCommand(int) {}

void CDialog::OnOK()
{
    if (UpdateData(true))
        accept();
}

void CDialog::OnCancel() { reject(); }

void CDialog::EnableControls(std::initializer_list<int> ids, bool enable)
{
    if (!enable) {
        QWidget* focused = focusWidget();
        for (const int id : ids) {
            if (focused != nullptr && focused == GetDlgItem(id)) {
                m_focusWhileDisabled = focused;
                setFocus(Qt::OtherFocusReason);
            }
        }
    }
    for (const int id : ids)
        if (QWidget* control = GetDlgItem(id))
            control->setEnabled(enable);
    if (enable && m_focusWhileDisabled) {
        // Only when the focus is still the dialog's own: the user may have moved it meanwhile.
        if (focusWidget() == nullptr || focusWidget() == this)
            m_focusWhileDisabled->setFocus(Qt::OtherFocusReason);
        m_focusWhileDisabled.clear();
    }
}

QPushButton* CDialog::DefaultButton() const
{
    for (const res::ControlTemplate& control : m_template.controls)
        if (control.kind == ControlKind::DefPushButton)
            return Item<QPushButton>(control.id);
    return nullptr;
}

void CDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Enter presses the focused push button, else the template's default button,
            // else it is the dialog's OK.
            if (auto* focused = qobject_cast<QPushButton*>(focusWidget()))
                focused->click();
            else if (QPushButton* button = DefaultButton(); button && button->isEnabled())
                button->click();
            else
                OnOK();
            return;
        case Qt::Key_Escape:
            OnCancel();
            return;
        default:
            break;
        }
    }
    QDialog::keyPressEvent(event);
}

void CDialog::closeEvent(QCloseEvent* event)
{
    // The close box is Escape: the dialog decides in OnCancel.
    event->ignore();
    OnCancel();
}
