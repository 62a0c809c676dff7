#include "HotKeyField.h"

#include <QFocusEvent>

const QString ControlTextDidChangeNotification = QStringLiteral("NSControlTextDidChangeNotification");
const QString ControlTextDidEndEditingNotification = QStringLiteral("NSControlTextDidEndEditingNotification");

HotKeyField::HotKeyField(QWidget *parent)
    : QLineEdit(parent)
{
    // An input method would swallow key presses before anyone could record them.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (!m_delegate)
            return;
        m_delegate->controlTextDidChange(
            {ControlTextDidChangeNotification, this,
             {{QStringLiteral("NSFieldEditor"), QVariant::fromValue<QObject *>(this)}}});
    });
}

HotKeyField::~HotKeyField() = default;

bool HotKeyField::resignFirstResponder()
{
    if (!m_editing)
        return true;
    m_editing = false;
    if (m_delegate)
        m_delegate->didResignFirstResponder(this);
    if (m_delegate)
        m_delegate->controlTextDidEndEditing({ControlTextDidEndEditingNotification, this, {}});
    return true;
}

void HotKeyField::becomeFirstResponder()
{
    // The window coming back gives the focus back to a field that never lost it.
    if (std::exchange(m_editing, true))
        return;
    if (m_delegate)
        m_delegate->didBecomeFirstResponder(this);
}

void HotKeyField::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    becomeFirstResponder();
}

void HotKeyField::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return;
    resignFirstResponder();
}
