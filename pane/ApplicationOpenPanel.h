#pragma once

#include <QFileDialog>

/// The open panel that chooses an application: it starts in a folder of
/// applications, offers desktop entries and app folders, and takes an app folder
/// as the choice when the user opens it, instead of looking into it.
class ApplicationOpenPanel : public QFileDialog
{
    Q_OBJECT
public:
    ApplicationOpenPanel(const QString &folder, QWidget *parent = nullptr);

    /// The application chosen: a desktop entry's or an app folder's path; empty
    /// before the panel was accepted.
    QString chosenApplication() const;

    /// Whether `path` is an app folder: a folder whose name ends in ".app".
    static bool isApplicationFolder(const QString &path);

public Q_SLOTS:
    void accept() override;

private:
    void chooseApplicationFolder(const QString &folder);

    QString m_chosenFolder;
};
