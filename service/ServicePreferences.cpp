#include "ServicePreferences.h"

#include "platform/archive/ArchiveClassRegistry.h"
#include "platform/archive/Archiver.h"
#include "platform/archive/Unarchiver.h"
#include "platform/plist/UserDefaults.h"

#include <QVariantMap>

namespace ServicePreferences {

namespace {

// The key combination as the pane archives it: class "KeyCombo" version 0 below
// NSObject, holding the key code as "s" and the modifiers as "l". The service keeps
// its own reading of that stored form, as the real launcher does.
class ArchivedKeyCombo : public platform::ArchivedObject
{
public:
    static constexpr platform::ArchivedClass archivedClass{"KeyCombo", 0, &platform::ArchivedClass::NSObject};

    const platform::ArchivedClass &classForArchiver() const override { return archivedClass; }
    void encodeWithCoder(platform::Archiver &coder) const override
    {
        coder.encodeValueOfObjCType("s", keyCode);
        coder.encodeValueOfObjCType("l", modifiers);
    }
    void initWithCoder(platform::Unarchiver &coder) override
    {
        keyCode = qint16(coder.decodeValueOfObjCType("s").toLongLong());
        modifiers = qint32(coder.decodeValueOfObjCType("l").toLongLong());
    }

    qint16 keyCode = -1;
    qint32 modifiers = -1;
};

// Only KeyCombo: anything else in the stored value is refused, never guessed at.
const platform::ArchiveClassRegistry &keyComboRegistry()
{
    struct Registry : platform::ArchiveClassRegistry
    {
        Registry() { registerClass<ArchivedKeyCombo>(); }
    };
    static const Registry registry;
    return registry;
}

const QString ShowHideHotKey = QStringLiteral("ShowHideHotKey");

QString rendered(const QString &key, const QVariant &value)
{
    if (key == ShowHideHotKey) {
        const auto combo = value.metaType().id() == QMetaType::QByteArray ? decodeHotKey(value.toByteArray())
                                                                          : std::nullopt;
        return combo ? QStringLiteral("%1 %2").arg(combo->first).arg(combo->second) : QStringLiteral("undecodable");
    }
    if (value.metaType().id() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return value.toString();
}

} // namespace

QStringList allKeys()
{
    return QStringList{QStringLiteral("CVSortOrder"), QStringLiteral("LimitAppSearchesToSystemVolume")} + cornerKeys()
           + QStringList{ShowHideHotKey, QStringLiteral("HotKeyCode"), QStringLiteral("HotKeyModifiers")};
}

QStringList cornerKeys()
{
    return {QStringLiteral("TopLeftCorner"), QStringLiteral("TopRightCorner"), QStringLiteral("BottomLeftCorner"),
            QStringLiteral("BottomRightCorner")};
}

QList<Setting> read(const QStringList &keys)
{
    auto &defaults = platform::UserDefaults::standardUserDefaults();
    defaults.synchronize();   // the pane wrote the file: forget any copy read before
    const QVariantMap domain = defaults.persistentDomainForName(QLatin1String(Domain)).value_or(QVariantMap());
    QList<Setting> settings;
    for (const QString &key : keys) {
        if (domain.contains(key))
            settings.append({key, rendered(key, domain.value(key))});
    }
    return settings;
}

std::optional<std::pair<qint16, qint32>> decodeHotKey(const QByteArray &archive)
{
    const auto combo = platform::Unarchiver::unarchiveObjectWithData<ArchivedKeyCombo>(archive, keyComboRegistry());
    if (!combo)
        return std::nullopt;
    return std::pair((*combo)->keyCode, (*combo)->modifiers);
}

} // namespace ServicePreferences
