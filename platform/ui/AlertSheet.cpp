#include "platform/ui/AlertSheet.h"

#include <QLabel>
#include <QMessageBox>

namespace platform {

QMessageBox *beginAlertSheet(QWidget *view, const QString &title, const QString &message)
{
    QWidget *window = view ? view->window() : nullptr;
    auto *box = new QMessageBox(window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(title);
    box->setTextFormat(Qt::PlainText);
    box->setText(title);
    box->setInformativeText(message);
    // Translations are text, not markup: a "<" in a message must show as itself.
    if (auto *informative = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    box->setStandardButtons(QMessageBox::Ok);
    box->setDefaultButton(QMessageBox::Ok);
    if (window) {
        box->open(); // window-modal
    } else {
        box->setWindowModality(Qt::ApplicationModal);
        box->show();
    }
    return box;
}

} // namespace platform
