// The service's settings: the hot corners, the sort order and the search limit,
// and the save that writes every setting into the service's preferences domain.

#include "CorvanePrefPane.h"

#include "CorvaneServiceHelper.h"
#include "PreferenceValue.h"
#include "platform/plist/UserDefaults.h"

#include <QCheckBox>
#include <QComboBox>

namespace {

const QString SortOrderKey = QStringLiteral("CVSortOrder");
const QString LimitSearchKey = QStringLiteral("LimitAppSearchesToSystemVolume");

// The pop-ups' one "on" item; item 0 is off.
constexpr int CornerOnItem = 1;

bool isOn(const QCheckBox *checkbox)
{
    // A mixed state counts as on, as any non-zero state does.
    return checkbox->checkState() != Qt::Unchecked;
}

} // namespace

std::vector<std::pair<QString, QComboBox *>> CorvanePrefPane::_hotCornerPickers() const
{
    return {{QStringLiteral("TopLeftCorner"), _topLeftPicker},
            {QStringLiteral("TopRightCorner"), _topRightPicker},
            {QStringLiteral("BottomLeftCorner"), _bottomLeftPicker},
            {QStringLiteral("BottomRightCorner"), _bottomRightPicker}};
}

void CorvanePrefPane::save()
{
    auto &defaults = platform::UserDefaults::standardUserDefaults();
    // The service writes keys of its own into this domain: start from the file
    // as it is now, not from a copy read earlier.
    defaults.synchronize();
    QVariantMap preferences = defaults.persistentDomainForName(ServiceBundleIdentifier).value_or(QVariantMap());

    if (_sortByPicker && _sortByPicker->currentIndex() >= 0)
        preferences.insert(SortOrderKey, _sortByPicker->currentIndex());
    saveHotKeys(preferences);
    saveHotCorners(preferences);
    if (_limitSearchCheckbox)
        preferences.insert(LimitSearchKey, isOn(_limitSearchCheckbox));

    // One atomic replacement of the whole domain: removing the file first would
    // lose every setting if the write then failed.
    if (!defaults.setPersistentDomain(preferences, ServiceBundleIdentifier)) {
        showAlertSheet("Settings Not Saved", localized("The settings could not be written to %1: %2.")
                                                 .arg(defaults.pathForDomain(ServiceBundleIdentifier),
                                                      defaults.lastWriteError()));
    }
    defaults.synchronize();
}

void CorvanePrefPane::saveHotCorners(QVariantMap &preferences) const
{
    for (const auto &[key, picker] : _hotCornerPickers()) {
        if (picker)
            preferences.insert(key, picker->currentIndex() == CornerOnItem);
    }
}

void CorvanePrefPane::transferHotCornersToUI(const QVariantMap &preferences)
{
    for (const auto &[key, picker] : _hotCornerPickers()) {
        if (picker && PreferenceValue::boolValue(preferences.value(key)))
            picker->setCurrentIndex(CornerOnItem);
    }
}

CorvaneProtocol CorvanePrefPane::proxy() const
{
    return CorvaneProtocol(CorvaneServiceHelper::serviceProxy());
}

void CorvanePrefPane::changeHotCorner(QObject *)
{
    save();
    proxy().hotCornersChanged();
}

void CorvanePrefPane::sortOrderChanged(QObject *)
{
    save();
    if (_sortByPicker)
        proxy().sortPreferenceChanged(_sortByPicker->currentIndex());
}

void CorvanePrefPane::limitSearchChanged(QObject *)
{
    save();
    if (_limitSearchCheckbox)
        proxy().limitApplicationSearchChanged(isOn(_limitSearchCheckbox));
}
