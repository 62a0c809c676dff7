#include "CorvaneControl.h"

#include "CorvaneProtocol.h"
#include "CorvaneServiceHelper.h"
#include "HotKeyPolicy.h"
#include "KeyCombo.h"
#include "platform/desktop/Accelerator.h"
#include "platform/plist/UserDefaults.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace {

const QString ShowHideHotKey = QStringLiteral("ShowHideHotKey");

/// The hot key in the service's domain as it is on disk now; null when none.
std::shared_ptr<const KeyCombo> storedHotKey()
{
    auto &defaults = platform::UserDefaults::standardUserDefaults();
    defaults.synchronize();
    const QVariant stored =
        defaults.persistentDomainForName(ServiceBundleIdentifier).value_or(QVariantMap()).value(ShowHideHotKey);
    if (stored.typeId() != QMetaType::QByteArray)
        return nullptr;
    return KeyCombo::unarchiveObjectWithData(stored.toByteArray());
}

CorvaneProtocol serviceProtocol()
{
    return CorvaneProtocol(CorvaneServiceHelper::serviceProxy());
}

/// Returns once the messages sent so far have left: the bus answers one
/// connection's messages in order, and the program may end right after.
void waitUntilSent()
{
    const QDBusMessage ping = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    QDBusConnection::sessionBus().call(ping, QDBus::Block, 5000);
}

void sendHotKey(const KeyCombo &combo)
{
    if (serviceProtocol().hotKeyChanged(combo.keyCode(), combo.storedModifiers()))
        waitUntilSent();
}

} // namespace

CorvaneControl::CorvaneControl(QTextStream &out, QTextStream &err)
    : m_out(out)
    , m_err(err)
{
}

QString CorvaneControl::usage()
{
    return QStringLiteral("Usage: corvanectl <command>\n"
                          "\n"
                          "Commands:\n"
                          "  status                 whether the Corvane service runs, and its hot key\n"
                          "  enable                 starts the service\n"
                          "  disable                quits the service\n"
                          "  hotkey show            the show/hide hot key\n"
                          "  hotkey set <keys>      sets it: \"⌥Space\", \"Alt+Space\" or \"<Alt>space\"\n"
                          "  hotkey clear           removes it\n"
                          "  --help                 this text\n");
}

int CorvaneControl::run(const QStringList &arguments)
{
    const QString command = arguments.value(0);
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        m_out << usage();
        return 0;
    }
    if (command == QLatin1String("status") && arguments.size() == 1)
        return status();
    if (command == QLatin1String("enable") && arguments.size() == 1)
        return enable();
    if (command == QLatin1String("disable") && arguments.size() == 1)
        return disable();
    if (command == QLatin1String("hotkey"))
        return hotKey(arguments.mid(1));
    m_err << usage();
    return 2;
}

int CorvaneControl::status()
{
    m_out << (CorvaneServiceHelper::isServiceRunning() ? "running" : "stopped") << '\n';
    return showHotKey();
}

int CorvaneControl::enable()
{
    if (!CorvaneServiceHelper::launchService())
        return fail(QStringLiteral("The Corvane service could not be started."));
    return 0;
}

int CorvaneControl::disable()
{
    if (!CorvaneServiceHelper::stopService())
        return fail(QStringLiteral("Unable to quit the Velora Corvane service within maximum wait time."));
    return 0;
}

int CorvaneControl::hotKey(const QStringList &arguments)
{
    const QString verb = arguments.value(0);
    if (verb == QLatin1String("show") && arguments.size() == 1)
        return showHotKey();
    if (verb == QLatin1String("clear") && arguments.size() == 1)
        return clearHotKey();
    if (verb == QLatin1String("set") && arguments.size() == 2)
        return setHotKey(arguments.at(1));
    m_err << usage();
    return 2;
}

int CorvaneControl::showHotKey()
{
    auto &defaults = platform::UserDefaults::standardUserDefaults();
    defaults.synchronize();
    const QVariant stored =
        defaults.persistentDomainForName(ServiceBundleIdentifier).value_or(QVariantMap()).value(ShowHideHotKey);
    std::shared_ptr<const KeyCombo> combo;
    if (stored.typeId() == QMetaType::QByteArray)
        combo = KeyCombo::unarchiveObjectWithData(stored.toByteArray());
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

int CorvaneControl::setHotKey(const QString &text)
{
    const auto combo = KeyCombo::keyComboWithText(text);
    if (!combo)
        return fail(QStringLiteral("\"%1\" names no key combination.").arg(text));
    const auto current = storedHotKey();
    if (const auto refusal = HotKeyPolicy::refusal(*combo, current.get()))
        return fail(refusal->title + QStringLiteral(": ") + refusal->message);
    if (!writePreference(ShowHideHotKey, combo->archivedData()))
        return 1;
    sendHotKey(*combo);
    return 0;
}

int CorvaneControl::clearHotKey()
{
    const auto combo = KeyCombo::clearKeyCombo();
    if (!writePreference(ShowHideHotKey, combo->archivedData()))
        return 1;
    sendHotKey(*combo);
    return 0;
}

bool CorvaneControl::writePreference(const QString &key, const QVariant &value)
{
    auto &defaults = platform::UserDefaults::standardUserDefaults();
    // As the pane saves: the domain as it is on disk now, replaced whole.
    defaults.synchronize();
    QVariantMap preferences = defaults.persistentDomainForName(ServiceBundleIdentifier).value_or(QVariantMap());
    preferences.insert(key, value);
    if (!defaults.setPersistentDomain(preferences, ServiceBundleIdentifier)) {
        fail(QStringLiteral("The settings could not be written to %1: %2.")
                 .arg(defaults.pathForDomain(ServiceBundleIdentifier), defaults.lastWriteError()));
        return false;
    }
    defaults.synchronize();
    return true;
}

int CorvaneControl::fail(const QString &message)
{
    m_err << "corvanectl: " << message << '\n';
    m_err.flush();
    return 1;
}
