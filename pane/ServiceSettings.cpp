#include "ServiceSettings.h"

#include "CorvaneProtocol.h"
#include "CorvaneServiceHelper.h"
#include "platform/plist/PreferenceValue.h"
#include "platform/plist/UserDefaults.h"

#include <utility>

namespace {

constexpr qint16 kReturnKeyCode = 36;

CorvaneProtocol runningService()
{
    return CorvaneProtocol(CorvaneServiceHelper::serviceProxy());
}

} // namespace

const QString ServiceSettings::SortOrderKey = QStringLiteral("CVSortOrder");
const QString ServiceSettings::LimitSearchKey = QStringLiteral("LimitAppSearchesToSystemVolume");
const QString ServiceSettings::HotKeyKey = QStringLiteral("ShowHideHotKey");

QString ServiceSettings::cornerKey(Corner corner)
{
    switch (corner) {
    case Corner::TopLeft: return QStringLiteral("TopLeftCorner");
    case Corner::TopRight: return QStringLiteral("TopRightCorner");
    case Corner::BottomLeft: return QStringLiteral("BottomLeftCorner");
    case Corner::BottomRight: return QStringLiteral("BottomRightCorner");
    }
    return {};
}

ServiceSettings ServiceSettings::load()
{
    auto &defaults = platform::UserDefaults::standardUserDefaults();
    // Not a copy read earlier: the service writes keys of its own into this domain.
    defaults.synchronize();
    return ServiceSettings(defaults.persistentDomainForName(ServiceBundleIdentifier).value_or(QVariantMap()));
}

ServiceSettings::ServiceSettings(QVariantMap values)
    : m_values(std::move(values))
{
}

std::optional<ServiceSettings::SortOrder> ServiceSettings::sortOrder() const
{
    const auto index = platform::PreferenceValue::integerValue(m_values.value(SortOrderKey));
    if (!index || *index < 0 || *index > static_cast<qint64>(SortOrder::Frequent))
        return std::nullopt;
    return static_cast<SortOrder>(*index);
}

void ServiceSettings::setSortOrder(SortOrder order)
{
    m_values.insert(SortOrderKey, static_cast<int>(order));
}

bool ServiceSettings::isCornerOn(Corner corner) const
{
    return platform::PreferenceValue::boolValue(m_values.value(cornerKey(corner)));
}

void ServiceSettings::setCornerOn(Corner corner, bool on)
{
    m_values.insert(cornerKey(corner), on);
}

std::optional<bool> ServiceSettings::limitSearch() const
{
    const QVariant value = m_values.value(LimitSearchKey);
    if (!value.isValid())
        return std::nullopt;
    return platform::PreferenceValue::boolValue(value);
}

void ServiceSettings::setLimitSearch(bool limit)
{
    m_values.insert(LimitSearchKey, limit);
}

std::shared_ptr<const KeyCombo> ServiceSettings::hotKey() const
{
    const QVariant stored = m_values.value(HotKeyKey);
    if (stored.typeId() != QMetaType::QByteArray)
        return nullptr;
    return KeyCombo::unarchiveObjectWithData(stored.toByteArray());
}

void ServiceSettings::setHotKey(const KeyCombo &combo)
{
    m_values.insert(HotKeyKey, combo.archivedData());
}

void ServiceSettings::migrateHotKey()
{
    if (m_values.contains(HotKeyKey))
        return;
    const qint64 keyCode = platform::PreferenceValue::integerValue(m_values.value(QStringLiteral("HotKeyCode"))).value_or(0);
    const qint64 modifiers =
        platform::PreferenceValue::integerValue(m_values.value(QStringLiteral("HotKeyModifiers"))).value_or(0);
    // A value out of the range of its type is no key: narrowing it would make one up.
    const bool inRange = std::in_range<qint16>(keyCode) && std::in_range<qint32>(modifiers);
    const auto combo = inRange && keyCode != 0 && modifiers != 0
                           ? KeyCombo::keyComboWithKeyCode(static_cast<qint16>(keyCode), static_cast<qint32>(modifiers))
                           : KeyCombo::keyComboWithKeyCode(kReturnKeyCode, KeyCombo::CommandKey);
    setHotKey(*combo);
}

std::optional<ServiceSettings::WriteError> ServiceSettings::save() const
{
    auto &defaults = platform::UserDefaults::standardUserDefaults();
    // One atomic replacement of the whole domain: removing the file first would
    // lose every setting if the write then failed.
    std::optional<WriteError> error;
    if (!defaults.setPersistentDomain(m_values, ServiceBundleIdentifier))
        error = WriteError{defaults.pathForDomain(ServiceBundleIdentifier), defaults.lastWriteError()};
    defaults.synchronize();
    return error;
}

bool ServiceSettings::announceSortOrder(int index)
{
    return runningService().sortPreferenceChanged(index);
}

bool ServiceSettings::announceLimitSearch(bool limit)
{
    return runningService().limitApplicationSearchChanged(limit);
}

bool ServiceSettings::announceCorners()
{
    return runningService().hotCornersChanged();
}

bool ServiceSettings::announceHotKey(const KeyCombo &combo)
{
    return runningService().hotKeyChanged(combo.keyCode(), combo.storedModifiers());
}

bool ServiceSettings::announceExcludedApplication(const QString &objectUri)
{
    return runningService().excludedApplicationsChanged(objectUri);
}
