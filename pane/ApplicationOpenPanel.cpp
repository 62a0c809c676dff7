#include "ApplicationOpenPanel.h"

#include <QDir>
#include <QFileInfo>

ApplicationOpenPanel::ApplicationOpenPanel(const QString &folder, QWidget *parent)
    : QFileDialog(parent)
{
    setFileMode(QFileDialog::ExistingFile);
    setOption(QFileDialog::DontUseNativeDialog);   // a native dialog would look into app folders
    setDirectory(folder);
    setNameFilter(tr("Applications (*.desktop *.app)"));
    // Opening a folder by double click.
    connect(this, &QFileDialog::directoryEntered, this, [this](const QString &entered) {
        if (isApplicationFolder(entered))
            chooseApplicationFolder(entered);
    });
}

QString ApplicationOpenPanel::chosenApplication() const
{
    if (!m_chosenFolder.isEmpty())
        return m_chosenFolder;
    return result() == QDialog::Accepted ? selectedFiles().value(0) : QString();
}

bool ApplicationOpenPanel::isApplicationFolder(const QString &path)
{
    return QDir::cleanPath(path).endsWith(QLatin1String(".app")) && QFileInfo(path).isDir();
}

void ApplicationOpenPanel::accept()
{
    // Return on a chosen folder, or its path typed in.
    const QString selected = selectedFiles().value(0);
    if (isApplicationFolder(selected)) {
        chooseApplicationFolder(selected);
        return;
    }
    QFileDialog::accept();
}

void ApplicationOpenPanel::chooseApplicationFolder(const QString &folder)
{
    m_chosenFolder = QDir::cleanPath(folder);
    QDialog::done(QDialog::Accepted);   // not QFileDialog's accept(), which would look inside
}
