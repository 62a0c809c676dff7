#include "Xvfb.h"

#include <QTest>

#include <unistd.h>
#include <xcb/xcb.h>

namespace corvane::test {

Xvfb::Xvfb(const QString &geometry)
    : m_display(QByteArray(":") + QByteArray::number(300 + ::getpid() % 600))
{
    m_process.start(QStringLiteral("Xvfb"), {QString::fromLatin1(m_display), QStringLiteral("-noreset"),
                                             QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                             QStringLiteral("-screen"), QStringLiteral("0"), geometry});
    m_started = m_process.waitForStarted() && QTest::qWaitFor([this] { return accepts(); }, 20000);
}

Xvfb::~Xvfb()
{
    m_process.terminate();
    if (!m_process.waitForFinished(10000))
        m_process.kill();
    m_process.waitForFinished();
}

QProcessEnvironment Xvfb::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(m_display));
    return environment;
}

bool Xvfb::xdotool(const QStringList &arguments) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished() && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool Xvfb::accepts() const
{
    xcb_connection_t *connection = xcb_connect(m_display.constData(), nullptr);
    const bool ok = !xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    return ok;
}

} // namespace corvane::test
