// The service's settings: the hot corners, the sort order and the search limit,
// and the save that writes every setting into the service's preferences domain.

#include "CorvanePrefPane.h"

#include "CorvaneServiceHelper.h"
#include "ServiceSettings.h"

#include <QCheckBox>
#include <QComboBox>

namespace {

// The pop-ups' one "on" item; item 0 is off.
constexpr int CornerOnItem = 1;

bool isOn(const QCheckBox *checkbox)
{
    // A mixed state counts as on, as any non-zero state does.
    return checkbox->checkState() != Qt::Unchecked;
}

} // namespace

std::vector<std::pair<ServiceSettings::Corner, QComboBox *>> CorvanePrefPane::_hotCornerPickers() const
{
    using Corner = ServiceSettings::Corner;
    return {{Corner::TopLeft, _topLeftPicker},
            {Corner::TopRight, _topRightPicker},
            {Corner::BottomLeft, _bottomLeftPicker},
            {Corner::BottomRight, _bottomRightPicker}};
}

void CorvanePrefPane::save()
{
    ServiceSettings settings = ServiceSettings::load();
    if (_sortByPicker && _sortByPicker->currentIndex() >= 0)
        settings.values().insert(ServiceSettings::SortOrderKey, _sortByPicker->currentIndex());
    saveHotKeys(settings.values());
    saveHotCorners(settings.values());
    if (_limitSearchCheckbox)
        settings.setLimitSearch(isOn(_limitSearchCheckbox));
    if (const auto error = settings.save()) {
        showAlertSheet("Settings Not Saved",
                       localized("The settings could not be written to %1: %2.").arg(error->path, error->reason));
    }
}

void CorvanePrefPane::saveHotCorners(QVariantMap &preferences) const
{
    ServiceSettings settings(preferences);
    for (const auto &[corner, picker] : _hotCornerPickers()) {
        if (picker)
            settings.setCornerOn(corner, picker->currentIndex() == CornerOnItem);
    }
    preferences = settings.values();
}

void CorvanePrefPane::transferHotCornersToUI(const QVariantMap &preferences)
{
    const ServiceSettings settings(preferences);
    for (const auto &[corner, picker] : _hotCornerPickers()) {
        if (picker && settings.isCornerOn(corner))
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
    ServiceSettings::announceCorners();
}

void CorvanePrefPane::sortOrderChanged(QObject *)
{
    save();
    if (_sortByPicker)
        ServiceSettings::announceSortOrder(_sortByPicker->currentIndex());
}

void CorvanePrefPane::limitSearchChanged(QObject *)
{
    save();
    if (_limitSearchCheckbox)
        ServiceSettings::announceLimitSearch(isOn(_limitSearchCheckbox));
}
