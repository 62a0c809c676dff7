#pragma once

#include "platform/core/NotificationCenter.h"

#include <QLineEdit>
#include <QString>

class HotKeyField;

/// The name of the notification a field's delegate gets when the user changes
/// the text ("NSControlTextDidChangeNotification"); its object is the field and
/// its user info holds the field under "NSFieldEditor".
extern const QString ControlTextDidChangeNotification;
/// The name of the notification a field's delegate gets when editing ends
/// ("NSControlTextDidEndEditingNotification"); its object is the field.
extern const QString ControlTextDidEndEditingNotification;

/// What a HotKeyField tells its delegate. Every operation is optional: the
/// defaults do nothing.
class HotKeyFieldDelegate
{
public:
    /// The field has gained the keyboard focus of its window: editing begins.
    virtual void didBecomeFirstResponder(HotKeyField *field) { Q_UNUSED(field); }
    /// The field has given up the keyboard focus of its window.
    virtual void didResignFirstResponder(HotKeyField *field) { Q_UNUSED(field); }
    /// The user changed the field's text (typing, pasting, cutting).
    virtual void controlTextDidChange(const platform::Notification &notification) { Q_UNUSED(notification); }
    /// Editing has ended: the field gave up the keyboard focus of its window.
    virtual void controlTextDidEndEditing(const platform::Notification &notification) { Q_UNUSED(notification); }

protected:
    ~HotKeyFieldDelegate() = default;
};

/// The text field that shows the hot key and tells its delegate when it gains and
/// loses focus, so that the delegate can capture keys exactly while it edits.
///
/// Editing runs from the moment the field gains the keyboard focus of its window
/// until it loses it to another widget or to the window itself, or until
/// resignFirstResponder(). Another window taking the keyboard (an alert sheet,
/// another application, a pop-up) does not end editing: the field stays the focus
/// of its own window, as it is when that window comes back. The field takes no
/// input-method composition, since it records keys rather than text.
class HotKeyField : public QLineEdit
{
    Q_OBJECT
public:
    explicit HotKeyField(QWidget *parent = nullptr);
    ~HotKeyField() override;

    /// The delegate (not owned; null: none). It must outlive the field or be
    /// replaced before it goes.
    HotKeyFieldDelegate *delegate() const { return m_delegate; }
    void setDelegate(HotKeyFieldDelegate *delegate) { m_delegate = delegate; }

    /// Whether editing is under way.
    bool isEditing() const { return m_editing; }

    /// Ends editing when it is under way: the delegate hears
    /// didResignFirstResponder() and then controlTextDidEndEditing(). Does nothing
    /// otherwise. Returns true: the field always lets go.
    bool resignFirstResponder();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void becomeFirstResponder();

    HotKeyFieldDelegate *m_delegate = nullptr;
    bool m_editing = false;
};
