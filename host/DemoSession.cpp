#include "DemoSession.h"

#include "PaneWindow.h"

#include "platform/system/AutostartFolders.h"
#include "platform/system/DesktopEntry.h"
#include "platform/system/ProcessList.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QTableView>
#include <QThread>
#include <QWindow>

namespace {

// The service's process name, as the pane looks for it.
const QString ServiceProcess = QStringLiteral("Corvane");

bool serviceRunning()
{
    return platform::isProcessRunning(ServiceProcess);
}

// The executable the running service was started from, so the transcript tells
// which installation's service ran.
QString serviceExecutable()
{
    const auto found = platform::findProcessWithCommandPrefix(ServiceProcess);
    if (found.status != platform::ProcessSearchResult::Status::Found)
        return QStringLiteral("(unknown)");
    return QFileInfo(QStringLiteral("/proc/%1/exe").arg(found.pid)).symLinkTarget();
}

// Runs the event loop (so that the service's notifications arrive) until `done`
// holds or `seconds` pass.
bool waitFor(const std::function<bool()> &done, int seconds)
{
    QDeadlineTimer deadline(seconds * 1000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
    return true;
}

// A left click at `point` of `widget`, as the window system would deliver it.
void click(QWidget *widget, QPoint point)
{
    const QPointF global = widget->mapToGlobal(QPointF(point));
    QMouseEvent press(QEvent::MouseButtonPress, point, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, point, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

} // namespace

DemoSession::DemoSession(PaneWindow &window, QString folder)
    : m_window(window)
    , m_folder(std::move(folder))
{
}

void DemoSession::note(const QString &line)
{
    const QString stamped = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz ")) + line;
    m_transcript << stamped;
    std::fprintf(stdout, "%s\n", qPrintable(stamped));
    std::fflush(stdout);
}

bool DemoSession::snapshot(const QString &name)
{
    QApplication::processEvents();
    const QString path = m_folder + QLatin1Char('/') + name;
    const bool saved = m_window.grab().save(path, "PNG");
    note(saved ? QStringLiteral("screenshot %1").arg(name) : QStringLiteral("could not write %1").arg(path));
    return saved;
}

bool DemoSession::run()
{
    QDir().mkpath(m_folder);
    const bool ok = script();
    note(ok ? QStringLiteral("session complete") : QStringLiteral("session FAILED"));
    QFile transcript(m_folder + QStringLiteral("/transcript.txt"));
    if (!transcript.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    transcript.write(m_transcript.join(QLatin1Char('\n')).toUtf8() + '\n');
    return ok;
}

bool DemoSession::script()
{
    QWidget *view = m_window.pane().mainView();
    auto *toggle = view ? view->findChild<QAbstractButton *>(QStringLiteral("_enableCheckbox")) : nullptr;
    auto *version = view ? view->findChild<QLabel *>(QStringLiteral("_versionLabel")) : nullptr;
    if (!toggle) {
        note(QStringLiteral("the pane has no switch \"_enableCheckbox\": not the Corvane pane"));
        return false;
    }
    auto switchState = [toggle] { return toggle->property("state").toInt(); };
    auto describe = [&] {
        return QStringLiteral("switch %1, service %2")
            .arg(switchState() == 1 ? QStringLiteral("on") : QStringLiteral("off"),
                 serviceRunning() ? QStringLiteral("running") : QStringLiteral("not running"));
    };

    // The pane knows the service by its process name only: another Corvane of
    // this user (a real one, or another sandbox's) would stand in for ours.
    if (serviceRunning()) {
        note(QStringLiteral("another Corvane process runs: waiting up to a minute for it to end"));
        if (!waitFor([] { return !serviceRunning(); }, 60)) {
            note(QStringLiteral("it still runs: the session cannot tell the services apart"));
            return false;
        }
    }

    bool ok = true;
    m_window.show();
    waitFor([&] { return m_window.windowHandle() && m_window.windowHandle()->isExposed(); }, 5);
    note(QStringLiteral("pane \"%1\" from %2 shown, version label \"%3\"; %4")
             .arg(m_window.windowTitle(), m_window.pane().bundle().bundlePath(),
                  version ? version->text() : QString(), describe()));
    ok &= snapshot(QStringLiteral("1-shown.png"));

    // A click at the far end of the track always lands off the handle: the switch
    // slides over and sends its action on release.
    note(QStringLiteral("click on the switch's on side"));
    click(toggle, QPoint(toggle->width() - 4, toggle->height() / 2));
    const bool started = waitFor(serviceRunning, 15) && waitFor([&] { return switchState() == 1; }, 5);
    note(QStringLiteral("%1; %2").arg(started ? QStringLiteral("service started: ") + serviceExecutable()
                                              : QStringLiteral("service did not start"),
                                      describe()));
    ok &= started;
    ok &= startAtLogin();
    ok &= snapshot(QStringLiteral("2-on.png"));

    ok &= excludeAnApplication();

    note(QStringLiteral("click on the switch's off side"));
    click(toggle, QPoint(3, toggle->height() / 2));
    const bool stopped = waitFor([] { return !serviceRunning(); }, 25);
    QApplication::processEvents();
    note(QStringLiteral("%1; %2").arg(stopped ? QStringLiteral("service quit") : QStringLiteral("service still running"), describe()));
    ok &= stopped && switchState() == 0;
    ok &= snapshot(QStringLiteral("4-off.png"));

    if (!view->window()->findChildren<QMessageBox *>().isEmpty()) {
        note(QStringLiteral("an alert sheet is open"));
        ok = false;
    }
    m_window.close();
    return ok;
}

bool DemoSession::startAtLogin()
{
    QWidget *view = m_window.pane().mainView();
    auto *checkbox = view->findChild<QAbstractButton *>(QStringLiteral("_enableAtStartupCheckbox"));
    if (!checkbox) {
        note(QStringLiteral("the pane has no \"Start at login\" checkbox"));
        return false;
    }
    note(QStringLiteral("click on \"%1\"").arg(checkbox->text()));
    if (!checkbox->isChecked())
        checkbox->click();
    const QString path = platform::AutostartFolders::userFolder() + QStringLiteral("/Corvane.desktop");
    const auto entry = platform::DesktopEntry::read(path);
    const QString exec = entry ? entry->value(QStringLiteral("Exec")) : QString();
    note(exec.isEmpty() ? QStringLiteral("no login item in %1").arg(path)
                        : QStringLiteral("login item %1 runs %2").arg(path, exec));
    return checkbox->isChecked() && !exec.isEmpty();
}

bool DemoSession::excludeAnApplication()
{
    // The first desktop entry of the user's applications folder, which the
    // service has catalogued now that it runs.
    const QDir applications(QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation));
    const QStringList entries = applications.entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name);
    QWidget *view = m_window.pane().mainView();
    auto *add = view->findChild<QAbstractButton *>(QStringLiteral("_addApplicationButton"));
    auto *table = view->findChild<QTableView *>(QStringLiteral("_excludedApplicationsTable"));
    if (entries.isEmpty() || !add || !table) {
        note(QStringLiteral("no application to exclude in %1").arg(applications.path()));
        return false;
    }
    const QString path = applications.filePath(entries.first());
    const QString name = QFileInfo(path).completeBaseName();
    const auto listed = [&] {
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            if (table->model()->index(row, 0).data().toString() == name)
                return true;
        }
        return false;
    };
    note(QStringLiteral("click on the add button and choose %1 in the open panel").arg(path));
    // The service may still be cataloguing: a choice it does not know yet changes nothing.
    const bool excluded = waitFor([&] {
        add->click();
        auto *panel = view->window()->findChild<QFileDialog *>();
        if (!panel)
            return false;
        panel->selectFile(path);
        static_cast<QDialog *>(panel)->accept();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return listed();
    }, 10);
    note(excluded ? QStringLiteral("the excluded list shows %1").arg(name)
                  : QStringLiteral("the excluded list does not show %1").arg(name));
    return snapshot(QStringLiteral("3-excluded.png")) && excluded;
}
