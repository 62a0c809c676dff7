#pragma once

#include "ServiceSettings.h"
#include "SettingsDocument.h"
#include "platform/store/ManagedObject.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ApplicationStore;
class KeyCombo;

/// The commands of corvanectl: the settings the pane edits, changed by the
/// pane's own rules and written where the pane writes them (the service's
/// preferences domain, the login items, the application store), each followed
/// by the pane's message to a running service. Texts go to `out`; refusals and
/// errors to `err`, with exit status 1.
class CorvaneControl
{
public:
    /// `modelPath`: the application store's object model (in the pane bundle's
    /// resources); without one the commands of the excluded list fail.
    CorvaneControl(QTextStream &out, QTextStream &err, QString modelPath = {});
    ~CorvaneControl();

    /// Runs one command line (without the program's name); the exit status.
    int run(const QStringList &arguments);

    /// The text of --help, which the manual page is made from.
    static QString usage();

private:
    struct Command;
    static const std::vector<Command> &commands();
    /// The command these arguments call, with the right number of operands.
    static const Command *command(const QStringList &arguments);

    int status(const QStringList &);
    int enable(const QStringList &);
    int disable(const QStringList &);
    int loginItem(const QStringList &arguments);
    int showHotKey(const QStringList &);
    int setHotKey(const QStringList &arguments);
    int clearHotKey(const QStringList &);
    int corner(const QStringList &arguments);
    int sort(const QStringList &arguments);
    int limit(const QStringList &arguments);
    int exclude(const QStringList &arguments);
    int include(const QStringList &arguments);
    int listExcluded(const QStringList &);
    int exportSettings(const QStringList &arguments);
    int importSettings(const QStringList &arguments);
    int show(const QStringList &);

    int setExcluded(const QString &path, bool excluded);
    SettingsDocument currentSettings();
    bool checkImport(const SettingsDocument &document, std::shared_ptr<const KeyCombo> *hotKey);
    using Undo = std::vector<std::function<void()>>;
    bool applyImport(const SettingsDocument &document, const KeyCombo *hotKey);
    bool importLoginItem(const SettingsDocument &document, Undo &undo);
    bool importExcluded(const SettingsDocument &document, Undo &undo,
                        std::vector<platform::ManagedObjectPtr> *flipped);
    static ServiceSettings importedSettings(const SettingsDocument &document, const KeyCombo *hotKey);
    static void announceImport(const SettingsDocument &document, const KeyCombo *hotKey,
                               const std::vector<platform::ManagedObjectPtr> &flipped);
    std::shared_ptr<const KeyCombo> hotKeyFromText(const QString &text);
    /// False, with the pane's refusal on standard error, for a combination that
    /// cannot be the hot key.
    bool acceptable(const KeyCombo &combo);
    ApplicationStore *openStore();
    /// The excluded applications' paths; none, with `failure` and the reason
    /// on standard error, when the store cannot be read.
    std::optional<QStringList> excludedPaths(const QString &failure);
    /// Loads the settings, applies `change`, saves them and, once saved, sends
    /// what `announce` sends to a running service; the exit status.
    int changeSettings(const std::function<void(ServiceSettings &)> &change, const std::function<bool()> &announce);
    bool saveSettings(const ServiceSettings &settings);
    int fail(const QString &message);

    QTextStream &m_out;
    QTextStream &m_err;
    QString m_modelPath;
    std::unique_ptr<ApplicationStore> m_store;
};
