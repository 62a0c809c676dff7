#include "platform/ui/AlertSheet.h"

#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>

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

namespace {

// Opens the sheet after the first Show of the view it watches, then goes.
class SheetOnShow : public QObject
{
public:
    SheetOnShow(QWidget *view, QString title, QString message)
        : QObject(view)
        , m_title(std::move(title))
        , m_message(std::move(message))
    {
        view->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            watched->removeEventFilter(this);
            // The window is mapped once the show that told us has returned.
            QMetaObject::invokeMethod(this, [this, view = QPointer(static_cast<QWidget *>(watched))] {
                if (view)
                    beginAlertSheet(view, m_title, m_message);
                deleteLater();
            }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    QString m_title;
    QString m_message;
};

} // namespace

void beginAlertSheetWhenShown(QWidget *view, const QString &title, const QString &message)
{
    if (!view || view->isVisible())
        beginAlertSheet(view, title, message);
    else
        new SheetOnShow(view, title, message); // owned by the view
}

} // namespace platform
