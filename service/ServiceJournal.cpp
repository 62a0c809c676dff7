#include "ServiceJournal.h"

#include "platform/system/SearchPaths.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace {

QString escaped(QString field)
{
    return field.replace(u'\\', QStringLiteral("\\\\")).replace(u'\t', QStringLiteral("\\t")).replace(u'\n', QStringLiteral("\\n"));
}

} // namespace

ServiceJournal::ServiceJournal(const QString &path)
    : m_path(path)
    , m_file(path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    m_file.open(QIODevice::WriteOnly | QIODevice::Append);
}

QString ServiceJournal::defaultPath()
{
    const QStringList logs = platform::searchPathForDirectoriesInDomains(platform::SearchPathDirectory::Logs,
                                                                         platform::SearchPathDomain::User, true);
    return logs.value(0) + QStringLiteral("/Corvane/journal.log");
}

void ServiceJournal::write(const QString &kind, const QStringList &fields)
{
    QStringList columns{QDateTime::currentDateTime().toString(Qt::ISODateWithMs),
                        QString::number(QCoreApplication::applicationPid()), escaped(kind)};
    for (const QString &field : fields)
        columns.append(escaped(field));
    m_file.write((columns.join(u'\t') + u'\n').toUtf8());
    m_file.flush();
}
