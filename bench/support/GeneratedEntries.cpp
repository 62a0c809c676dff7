#include "GeneratedEntries.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <utility>

namespace corvane::bench {

namespace {

const char *const Words[] = {"Mail", "Terminal", "Editor", "Browser", "Calendar", "Photos", "Music", "Notes",
                             "Maps", "Files", "Player", "Viewer", "Chess", "Clock", "Weather", "Office"};

} // namespace

bool writeGeneratedEntries(const QString &folder, const QString &bin, int count)
{
    QDir().mkpath(bin);
    for (int i = 0; i < count; ++i) {
        if (!QFile::link(QStringLiteral("/bin/true"), bin + QStringLiteral("/app%1").arg(i)))
            return false;
        const QByteArray first = Words[i % 16];
        const QByteArray second = Words[(i / 16) % 16];
        const QString relative = i % 10 == 0 ? QStringLiteral("vendor%1/app%2.desktop").arg(i % 7).arg(i)
                                             : QStringLiteral("org.example.App%1.desktop").arg(i);
        QDir().mkpath(QFileInfo(folder + u'/' + relative).absolutePath());
        QFile file(folder + u'/' + relative);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write("[Desktop Entry]\nType=Application\nName=" + first + ' ' + second + ' ' + QByteArray::number(i)
                   + "\nName[de]=" + second + ' ' + first + "\nGenericName=" + second + " Tool\nKeywords=" + first + ';'
                   + second + ";tool;\nExec=app" + QByteArray::number(i) + " %U\nIcon=app\n"
                   + (i % 50 == 0 ? "NoDisplay=true\n" : "") + "\n[Desktop Action New]\nName=New\nExec=app --new\n");
    }
    return true;
}

void useThrowAwayFolders(const QString &root)
{
    for (const auto &[variable, folder] : {std::pair{"HOME", "/home"}, {"XDG_DATA_HOME", "/data"},
                                           {"XDG_DATA_DIRS", "/usr-share"}, {"XDG_CONFIG_HOME", "/config"},
                                           {"XDG_STATE_HOME", "/state"}, {"XDG_CACHE_HOME", "/cache"}}) {
        QDir().mkpath(root + QLatin1String(folder));
        qputenv(variable, (root + QLatin1String(folder)).toUtf8());
    }
    qputenv("PATH", (root + QStringLiteral("/bin:") + qEnvironmentVariable("PATH")).toUtf8());
}

} // namespace corvane::bench
