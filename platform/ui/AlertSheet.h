#pragma once

#include <QString>

class QMessageBox;
class QWidget;

namespace platform {

/// Opens an alert sheet on the window of `view` and returns at once, as the original
/// platform's NSBeginAlertSheet: a window-modal QMessageBox with `title` as its text,
/// `message` as its informative text (both shown literally, never as markup) and one
/// default button with the platform's default title (OK). The box deletes itself
/// when answered. Returns the box so that a caller (or a test) can see and answer
/// it; a test finds it as well as the one QMessageBox child of that window. A null
/// `view` gives an application-modal box with no parent.
QMessageBox *beginAlertSheet(QWidget *view, const QString &title, const QString &message);

/// The same sheet once `view` is on screen in the window that will keep it: at once
/// when it is visible already, else from the event loop after it is first shown (a
/// pane's view is loaded before its host puts it into a window). Nothing is shown
/// if `view` goes first; a null `view` gives the application-modal box at once.
void beginAlertSheetWhenShown(QWidget *view, const QString &title, const QString &message);

} // namespace platform
