#include "CorvaneControl.h"

#include "ApplicationStore.h"
#include "CorvaneServiceHelper.h"
#include "HotKeyPolicy.h"
#include "KeyCombo.h"
#include "ServiceLoginItem.h"
#include "ServiceSettings.h"
#include "platform/bus/DistantObject.h"
#include "platform/bus/Protocol.h"
#include "platform/desktop/Accelerator.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

const QString On = QStringLiteral("on");
const QString Off = QStringLiteral("off");
constexpr auto StoreBusyTimeout = std::chrono::milliseconds(5000);

/// Returns once the messages sent so far have left: the bus answers one
/// connection's messages in order, and the program may end right after.
void waitUntilSent()
{
    const QDBusMessage ping = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    QDBusConnection::sessionBus().call(ping, QDBus::Block, 5000);
}

void announced(bool sent)
{
    if (sent)
        waitUntilSent();
}

/// The service's launcher window, on the service's own object.
const platform::Protocol &launcherProtocol()
{
    const QString name = QStringLiteral("Corvane.Launcher");
    static const platform::Protocol declaration =
        platform::Protocol::fromIntrospectionFile(name, QStringLiteral(":/corvane/com.velora.Corvane.Launcher.xml"))
            .value_or(platform::Protocol(name, {}));
    return declaration;
}

std::optional<bool> onOff(const QString &word)
{
    if (word == On)
        return true;
    if (word == Off)
        return false;
    return std::nullopt;
}

QString onOffText(bool on)
{
    return on ? On : Off;
}

QString notOnOff(const QString &word)
{
    return QStringLiteral("\"%1\" is neither on nor off.").arg(word);
}

/// The hot key as the document gives it: by name where the key has one.
SettingsDocument::HotKey documentHotKey(const KeyCombo &combo)
{
    if (!combo.isValid())
        return std::monostate();
    if (const auto qt = combo.qtKeyCombination())
        return platform::portableAccelerator(*qt);
    return SettingsDocument::KeyCodes{combo.keyCode(), combo.storedModifiers()};
}

} // namespace

struct CorvaneControl::Command
{
    QStringList words;
    QStringList operands;
    const char *help;
    int (CorvaneControl::*handler)(const QStringList &operands);

    QString synopsis() const { return (words + operands).join(u' '); }
};

namespace {

using Control = CorvaneControl;

} // namespace

const std::vector<CorvaneControl::Command> &CorvaneControl::commands()
{
    static const std::vector<Command> commands{
        {{"status"}, {}, "whether the service runs, and every setting", &Control::status},
        {{"enable"}, {}, "starts the service", &Control::enable},
        {{"disable"}, {}, "quits the service", &Control::disable},
        {{"login-item"}, {"on|off"}, "whether the service starts at login", &Control::loginItem},
        {{"hotkey", "show"}, {}, "the show/hide hot key", &Control::showHotKey},
        {{"hotkey", "set"}, {"<keys>"}, "sets it: \"⌥Space\", \"Alt+Space\" or \"<Alt>space\"", &Control::setHotKey},
        {{"hotkey", "clear"}, {}, "removes it", &Control::clearHotKey},
        {{"corner"}, {"<corner>", "on|off"}, "a hot corner: top-left, top-right, bottom-left or bottom-right",
         &Control::corner},
        {{"sort"}, {"name|recent|frequent"}, "the order of the launcher's list", &Control::sort},
        {{"limit"}, {"on|off"}, "looks for applications on the system volume only", &Control::limit},
        {{"exclude"}, {"<path>"}, "never offers the application (an app folder or desktop entry)", &Control::exclude},
        {{"include"}, {"<path>"}, "offers it again", &Control::include},
        {{"excluded"}, {}, "the excluded applications, one path a line", &Control::listExcluded},
        {{"export"}, {"<file>"}, "writes every setting as JSON (\"-\": standard output)", &Control::exportSettings},
        {{"import"}, {"<file>"}, "sets everything an exported file holds, or nothing", &Control::importSettings},
        {{"show"}, {}, "asks the running service to show its launcher window", &Control::show},
    };
    return commands;
}

const CorvaneControl::Command *CorvaneControl::command(const QStringList &arguments)
{
    for (const Command &candidate : commands()) {
        if (arguments.mid(0, candidate.words.size()) == candidate.words
            && arguments.size() == candidate.words.size() + candidate.operands.size())
            return &candidate;
    }
    return nullptr;
}

CorvaneControl::CorvaneControl(QTextStream &out, QTextStream &err, QString modelPath)
    : m_out(out)
    , m_err(err)
    , m_modelPath(std::move(modelPath))
{
}

CorvaneControl::~CorvaneControl() = default;

QString CorvaneControl::usage()
{
    QString text = QStringLiteral("Usage: corvanectl COMMAND [ARGUMENT]...\n"
                                  "Changes the settings of the Corvane launcher as its preference pane does,\n"
                                  "and tells a running launcher service about each change.\n"
                                  "\n"
                                  "Commands:\n");
    for (const Command &each : commands())
        text += QStringLiteral("  %1%2\n").arg(each.synopsis().leftJustified(30), QString::fromUtf8(each.help));
    text += QStringLiteral("\n"
                           "Options:\n"
                           "  -h, --help                    this text\n"
                           "  -V, --version                 the version\n"
                           "\n"
                           "Errors go to standard error, with exit status 1.\n");
    return text;
}

int CorvaneControl::run(const QStringList &arguments)
{
    const QString first = arguments.value(0);
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        m_out << usage();
        return 0;
    }
    if (first == QLatin1String("--version") || first == QLatin1String("-V")) {
        m_out << "corvanectl " CORVANE_VERSION "\n";
        return 0;
    }
    if (const Command *found = command(arguments))
        return (this->*found->handler)(arguments.mid(found->words.size()));
    if (first.isEmpty())
        return fail(QStringLiteral("a command is needed; corvanectl --help lists them."));
    QStringList forms;
    for (const Command &each : commands()) {
        if (each.words.first() == first)
            forms.append(QStringLiteral("corvanectl ") + each.synopsis());
    }
    if (forms.isEmpty())
        return fail(QStringLiteral("\"%1\" is no command; corvanectl --help lists them.").arg(first));
    return fail(QStringLiteral("usage: ") + forms.join(QStringLiteral("\n       ")));
}

// ===== The service =============================================================

int CorvaneControl::status(const QStringList &)
{
    const SettingsDocument settings = currentSettings();
    m_out << (CorvaneServiceHelper::isServiceRunning() ? "running" : "stopped") << '\n';
    showHotKey({});
    m_out << "start at login: " << onOffText(*settings.startAtLogin) << '\n';
    m_out << "sort: " << SettingsDocument::sortOrderNames().value(settings.sortOrder.value_or(0)) << '\n';
    m_out << "limit: " << onOffText(settings.limitSearch.value_or(false)) << '\n';
    QStringList corners;
    for (qsizetype i = 0; i < SettingsDocument::cornerNames().size(); ++i) {
        if (settings.corners[static_cast<size_t>(i)].value_or(false))
            corners.append(SettingsDocument::cornerNames()[i]);
    }
    m_out << "corners: " << (corners.isEmpty() ? QStringLiteral("none") : corners.join(u' ')) << '\n';
    return 0;
}

int CorvaneControl::enable(const QStringList &)
{
    if (!CorvaneServiceHelper::launchService())
        return fail(QStringLiteral("The Corvane service could not be started."));
    return 0;
}

int CorvaneControl::disable(const QStringList &)
{
    if (!CorvaneServiceHelper::stopService())
        return fail(QStringLiteral("Unable to quit the Velora Corvane service within maximum wait time."));
    return 0;
}

int CorvaneControl::loginItem(const QStringList &arguments)
{
    const auto on = onOff(arguments.at(0));
    if (!on)
        return fail(notOnOff(arguments.at(0)));
    switch (ServiceLoginItem::setEnabled(*on)) {
    case ServiceLoginItem::Change::Done: return 0;
    case ServiceLoginItem::Change::NoService: return fail(QStringLiteral("The Corvane service cannot be found."));
    case ServiceLoginItem::Change::Failed: break;
    }
    return fail(QStringLiteral("The login item could not be changed."));
}

int CorvaneControl::show(const QStringList &)
{
    auto proxy = CorvaneServiceHelper::serviceProxy();
    if (!proxy)
        return fail(QStringLiteral("The Corvane service is not running; corvanectl enable starts it."));
    proxy->setProtocolForProxy(launcherProtocol());
    if (!proxy->sendOneway(QStringLiteral("Show")))
        return fail(QStringLiteral("The Corvane service could not be reached."));
    waitUntilSent();
    return 0;
}

// ===== Settings of the preferences domain =======================================

int CorvaneControl::showHotKey(const QStringList &)
{
    const auto combo = ServiceSettings::load().hotKey();
    if (!combo || !combo->isValid()) {
        m_out << "hot key: none\n";
        return 0;
    }
    m_out << "hot key: " << combo->userDisplayRep();
    if (const auto qt = combo->qtKeyCombination())
        m_out << " (" << platform::portableAccelerator(*qt) << ')';
    m_out << '\n';
    return 0;
}

std::shared_ptr<const KeyCombo> CorvaneControl::hotKeyFromText(const QString &text)
{
    auto combo = KeyCombo::keyComboWithText(text);
    if (!combo) {
        fail(QStringLiteral("\"%1\" names no key combination.").arg(text));
        return nullptr;
    }
    return acceptable(*combo) ? combo : nullptr;
}

bool CorvaneControl::acceptable(const KeyCombo &combo)
{
    if (!combo.isValid())
        return true; // no hot key at all
    const auto current = ServiceSettings::load().hotKey();
    if (const auto refusal = HotKeyPolicy::refusal(combo, current.get())) {
        fail(refusal->title + QStringLiteral(": ") + refusal->message);
        return false;
    }
    return true;
}

int CorvaneControl::setHotKey(const QStringList &arguments)
{
    const auto combo = hotKeyFromText(arguments.at(0));
    if (!combo)
        return 1;
    return changeSettings([&](ServiceSettings &settings) { settings.setHotKey(*combo); },
                          [&] { return ServiceSettings::announceHotKey(*combo); });
}

int CorvaneControl::clearHotKey(const QStringList &)
{
    const auto combo = KeyCombo::clearKeyCombo();
    return changeSettings([&](ServiceSettings &settings) { settings.setHotKey(*combo); },
                          [&] { return ServiceSettings::announceHotKey(*combo); });
}

int CorvaneControl::corner(const QStringList &arguments)
{
    const qsizetype index = SettingsDocument::cornerNames().indexOf(arguments.at(0));
    if (index < 0)
        return fail(QStringLiteral("\"%1\" is no corner: top-left, top-right, bottom-left or bottom-right.")
                        .arg(arguments.at(0)));
    const auto on = onOff(arguments.at(1));
    if (!on)
        return fail(notOnOff(arguments.at(1)));
    return changeSettings(
        [&](ServiceSettings &settings) { settings.setCornerOn(ServiceSettings::Corners[static_cast<size_t>(index)], *on); },
        [] { return ServiceSettings::announceCorners(); });
}

int CorvaneControl::sort(const QStringList &arguments)
{
    const qsizetype index = SettingsDocument::sortOrderNames().indexOf(arguments.at(0));
    if (index < 0)
        return fail(QStringLiteral("\"%1\" is no order: name, recent or frequent.").arg(arguments.at(0)));
    return changeSettings(
        [&](ServiceSettings &settings) { settings.setSortOrder(static_cast<ServiceSettings::SortOrder>(index)); },
        [&] { return ServiceSettings::announceSortOrder(static_cast<int>(index)); });
}

int CorvaneControl::limit(const QStringList &arguments)
{
    const auto on = onOff(arguments.at(0));
    if (!on)
        return fail(notOnOff(arguments.at(0)));
    return changeSettings([&](ServiceSettings &settings) { settings.setLimitSearch(*on); },
                          [&] { return ServiceSettings::announceLimitSearch(*on); });
}

int CorvaneControl::changeSettings(const std::function<void(ServiceSettings &)> &change,
                                   const std::function<bool()> &announce)
{
    ServiceSettings settings = ServiceSettings::load();
    change(settings);
    if (!saveSettings(settings))
        return 1;
    announced(announce());
    return 0;
}

bool CorvaneControl::saveSettings(const ServiceSettings &settings)
{
    if (const auto error = settings.save()) {
        fail(QStringLiteral("The settings could not be written to %1: %2.").arg(error->path, error->reason));
        return false;
    }
    return true;
}

// ===== The excluded applications ===============================================

ApplicationStore *CorvaneControl::openStore()
{
    if (m_store)
        return m_store.get();
    QString error;
    const auto model = m_modelPath.isEmpty() ? std::nullopt : platform::ManagedObjectModel::fromFile(m_modelPath, &error);
    if (!model) {
        fail(QStringLiteral("The application store's model cannot be read: %1")
                 .arg(m_modelPath.isEmpty() ? QStringLiteral("the Corvane pane is not installed") : error));
        return nullptr;
    }
    auto store = std::make_unique<ApplicationStore>(*model, StoreBusyTimeout);
    if (const auto failure = store->open()) {
        fail(failure->neverCatalogued
                 ? QStringLiteral("Corvane has not catalogued your applications yet: turn it on and the list fills")
                 : QStringLiteral("The excluded applications cannot be shown: ") + failure->error.description);
        return nullptr;
    }
    m_store = std::move(store);
    return m_store.get();
}

int CorvaneControl::exclude(const QStringList &arguments)
{
    return setExcluded(arguments.at(0), true);
}

int CorvaneControl::include(const QStringList &arguments)
{
    return setExcluded(arguments.at(0), false);
}

int CorvaneControl::setExcluded(const QString &path, bool excluded)
{
    ApplicationStore *store = openStore();
    if (!store)
        return 1;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const platform::ManagedObjectPtr app = store->applicationWithPath(absolute);
    if (!app)
        return fail(QStringLiteral("Corvane knows no application at %1.").arg(absolute));
    ApplicationStore::setExcluded(app, excluded);
    platform::StoreError error;
    if (!store->save(&error))
        return fail(QStringLiteral("The application store could not be saved: %1. The list of excluded applications "
                                   "is unchanged.")
                        .arg(error.description));
    announced(ServiceSettings::announceExcludedApplication(ApplicationStore::objectURLString(app)));
    return 0;
}

int CorvaneControl::listExcluded(const QStringList &)
{
    const auto paths = excludedPaths(QStringLiteral("The excluded applications cannot be shown: "));
    if (!paths)
        return 1;
    for (const QString &path : *paths)
        m_out << path << '\n';
    return 0;
}

std::optional<QStringList> CorvaneControl::excludedPaths(const QString &failure)
{
    ApplicationStore *store = openStore();
    if (!store)
        return std::nullopt;
    platform::StoreError error;
    const auto apps = store->excludedApplications(&error);
    if (!apps) {
        fail(failure + error.description);
        return std::nullopt;
    }
    QStringList paths;
    for (const platform::ManagedObjectPtr &app : *apps)
        paths.append(ApplicationStore::path(*app));
    return paths;
}

// ===== Export and import ========================================================

SettingsDocument CorvaneControl::currentSettings()
{
    // As the pane shows them: a domain without a hot key gets the default one.
    ServiceSettings settings = ServiceSettings::load();
    settings.migrateHotKey();
    SettingsDocument document;
    document.sortOrder = static_cast<int>(settings.sortOrder().value_or(ServiceSettings::SortOrder::Name));
    document.limitSearch = settings.limitSearch().value_or(false);
    if (const auto combo = settings.hotKey())
        document.hotKey = documentHotKey(*combo);
    for (size_t i = 0; i < ServiceSettings::Corners.size(); ++i)
        document.corners[i] = settings.isCornerOn(ServiceSettings::Corners[i]);
    document.startAtLogin = ServiceLoginItem::isEnabled();
    return document;
}

int CorvaneControl::exportSettings(const QStringList &arguments)
{
    SettingsDocument document = currentSettings();
    document.excluded = excludedPaths(QStringLiteral("The excluded applications cannot be read: "));
    if (!document.excluded)
        return 1;
    const QByteArray json = document.toJson();
    if (arguments.at(0) == QLatin1String("-")) {
        m_out << QString::fromUtf8(json);
        return 0;
    }
    QSaveFile file(arguments.at(0));
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit())
        return fail(QStringLiteral("%1 could not be written: %2.").arg(arguments.at(0), file.errorString()));
    return 0;
}

int CorvaneControl::importSettings(const QStringList &arguments)
{
    const QString name = arguments.at(0);
    QFile file;
    const bool opened = name == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly) : (file.setFileName(name), file.open(QIODevice::ReadOnly));
    if (!opened)
        return fail(QStringLiteral("%1 cannot be read: %2.").arg(name, file.errorString()));
    // One byte past the limit tells a file that is too large from one that fits.
    const QByteArray json = file.read(SettingsDocument::MaximumSize + 1);
    QString error;
    const auto document = SettingsDocument::fromJson(json, &error);
    if (!document)
        return fail(QStringLiteral("%1: %2.").arg(name, error));
    std::shared_ptr<const KeyCombo> hotKey;
    if (!checkImport(*document, &hotKey) || !applyImport(*document, hotKey.get()))
        return 1;
    return 0;
}

bool CorvaneControl::checkImport(const SettingsDocument &document, std::shared_ptr<const KeyCombo> *hotKey)
{
    if (document.hotKey) {
        if (const auto *text = std::get_if<QString>(&*document.hotKey))
            *hotKey = KeyCombo::keyComboWithText(*text);
        else if (const auto *codes = std::get_if<SettingsDocument::KeyCodes>(&*document.hotKey))
            *hotKey = KeyCombo::keyComboWithKeyCode(static_cast<qint16>(codes->keyCode),
                                                     static_cast<qint32>(codes->modifiers));
        else
            *hotKey = KeyCombo::clearKeyCombo();
        if (!*hotKey) {
            fail(QStringLiteral("\"%1\" names no key combination.").arg(std::get<QString>(*document.hotKey)));
            return false;
        }
        if (!acceptable(**hotKey))
            return false;
    }
    if (document.startAtLogin && *document.startAtLogin != ServiceLoginItem::isEnabled()
        && !CorvaneServiceHelper::serviceApplicationPath()) {
        fail(QStringLiteral("The Corvane service cannot be found, so it cannot start at login."));
        return false;
    }
    if (!document.excluded)
        return true;
    ApplicationStore *store = openStore();
    if (!store)
        return false;
    for (const QString &path : *document.excluded) {
        if (!store->applicationWithPath(path)) {
            fail(QStringLiteral("Corvane knows no application at %1.").arg(path));
            return false;
        }
    }
    return true;
}

bool CorvaneControl::applyImport(const SettingsDocument &document, const KeyCombo *hotKey)
{
    // Each step that succeeded is undone when a later one fails: an import
    // changes everything or nothing.
    Undo undo;
    std::vector<platform::ManagedObjectPtr> flipped;
    const bool applied = importLoginItem(document, undo) && importExcluded(document, undo, &flipped)
                         && saveSettings(importedSettings(document, hotKey));
    if (!applied) {
        for (auto step = undo.rbegin(); step != undo.rend(); ++step)
            (*step)();
        return false;
    }
    announceImport(document, hotKey, flipped);
    return true;
}

bool CorvaneControl::importLoginItem(const SettingsDocument &document, Undo &undo)
{
    if (!document.startAtLogin || *document.startAtLogin == ServiceLoginItem::isEnabled())
        return true;
    if (ServiceLoginItem::setEnabled(*document.startAtLogin) != ServiceLoginItem::Change::Done) {
        fail(QStringLiteral("The login item could not be changed."));
        return false;
    }
    undo.push_back([was = !*document.startAtLogin] { ServiceLoginItem::setEnabled(was); });
    return true;
}

bool CorvaneControl::importExcluded(const SettingsDocument &document, Undo &undo,
                                    std::vector<platform::ManagedObjectPtr> *flipped)
{
    if (!document.excluded)
        return true;
    ApplicationStore *store = openStore(); // opened by checkImport()
    platform::StoreError error;
    const auto excluded = store->excludedApplications(&error);
    if (!excluded) {
        fail(QStringLiteral("The excluded applications cannot be read: ") + error.description);
        return false;
    }
    // The document's list replaces the store's: what it leaves out is included.
    for (const platform::ManagedObjectPtr &app : *excluded) {
        if (!document.excluded->contains(ApplicationStore::path(*app)))
            flipped->push_back(app);
    }
    for (const QString &path : *document.excluded) {
        const platform::ManagedObjectPtr app = store->applicationWithPath(path);
        if (app && !ApplicationStore::isExcluded(*app))
            flipped->push_back(app);
    }
    const auto flip = [store, apps = *flipped] {
        for (const auto &app : apps)
            ApplicationStore::setExcluded(app, !ApplicationStore::isExcluded(*app));
    };
    flip();
    if (!store->save(&error)) {
        fail(QStringLiteral("The application store could not be saved: %1. The list of excluded applications is "
                            "unchanged.")
                 .arg(error.description));
        flip();
        return false;
    }
    undo.push_back([store, flip] {
        flip();
        store->save();
    });
    return true;
}

ServiceSettings CorvaneControl::importedSettings(const SettingsDocument &document, const KeyCombo *hotKey)
{
    ServiceSettings settings = ServiceSettings::load();
    if (document.sortOrder)
        settings.setSortOrder(static_cast<ServiceSettings::SortOrder>(*document.sortOrder));
    if (document.limitSearch)
        settings.setLimitSearch(*document.limitSearch);
    if (hotKey)
        settings.setHotKey(*hotKey);
    for (size_t i = 0; i < ServiceSettings::Corners.size(); ++i) {
        if (document.corners[i])
            settings.setCornerOn(ServiceSettings::Corners[i], *document.corners[i]);
    }
    return settings;
}

void CorvaneControl::announceImport(const SettingsDocument &document, const KeyCombo *hotKey,
                                    const std::vector<platform::ManagedObjectPtr> &flipped)
{
    // The pane's message for each setting the document holds.
    bool sent = false;
    if (document.sortOrder)
        sent |= ServiceSettings::announceSortOrder(*document.sortOrder);
    if (document.limitSearch)
        sent |= ServiceSettings::announceLimitSearch(*document.limitSearch);
    if (hotKey)
        sent |= ServiceSettings::announceHotKey(*hotKey);
    if (std::any_of(document.corners.begin(), document.corners.end(), [](const auto &on) { return on.has_value(); }))
        sent |= ServiceSettings::announceCorners();
    for (const auto &app : flipped)
        sent |= ServiceSettings::announceExcludedApplication(ApplicationStore::objectURLString(app));
    announced(sent);
}

int CorvaneControl::fail(const QString &message)
{
    m_err << "corvanectl: " << message << '\n';
    m_err.flush();
    return 1;
}
