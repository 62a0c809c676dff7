// Interface files of pane bundles: whatever bytes a bundle's .ui file holds, loading
// it gives a view or none (with a log line), and its connections to the pane are
// made or refused one by one; never a crash or a read out of bounds.

#include "platform/system/Bundle.h"
#include "platform/core/Log.h"
#include "platform/ui/PreferencePane.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdint>
#include <memory>

namespace {

class FuzzPane : public platform::PreferencePane
{
    Q_OBJECT
public:
    using PreferencePane::PreferencePane;
    Q_INVOKABLE void act(QObject *sender) { m_senders += sender ? 1 : 0; }

private:
    int m_senders = 0;
};

QTemporaryDir *bundleFolder;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    static QApplication app(*argc, *argv);
    static platform::ScopedLogSink quiet([](const platform::LogRecord &) {});
    bundleFolder = new QTemporaryDir;
    QDir(bundleFolder->path()).mkdir(QStringLiteral("Resources"));
    QFile info(bundleFolder->path() + QStringLiteral("/Info.plist"));
    info.open(QIODevice::WriteOnly);
    info.write("<plist version=\"1.0\"><dict><key>NSMainNibFile</key><string>Fuzz</string></dict></plist>");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 64 * 1024)
        return 0;
    {
        QFile ui(bundleFolder->path() + QStringLiteral("/Resources/Fuzz.ui"));
        if (!ui.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        ui.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    FuzzPane pane(*platform::Bundle::bundleWithPath(bundleFolder->path()));
    if (QWidget *view = pane.loadMainView())
        (void)view->sizeHint();
    return 0;
}

#include "InterfaceFileFuzzer.moc"
