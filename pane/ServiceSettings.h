#pragma once

#include "KeyCombo.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <array>
#include <memory>
#include <optional>

/// The service's settings as its preferences domain holds them, and the one-way
/// message that tells a running service about each change. The pane and
/// corvanectl both read, change and announce them here, so that the keys, their
/// stored forms and the messages cannot drift apart.
///
/// An instance is a copy of the whole domain: load() reads the file as it is now
/// (the service writes keys of its own there), the setters change the copy, and
/// save() replaces the domain whole in one atomic write.
class ServiceSettings
{
public:
    enum class Corner { TopLeft, TopRight, BottomLeft, BottomRight };
    static constexpr std::array<Corner, 4> Corners{Corner::TopLeft, Corner::TopRight, Corner::BottomLeft,
                                                   Corner::BottomRight};
    /// The launcher's orders, by the index the domain stores.
    enum class SortOrder { Name = 0, Recent = 1, Frequent = 2 };

    static const QString SortOrderKey;
    static const QString LimitSearchKey;
    static const QString HotKeyKey;
    /// "TopLeftCorner" and so on.
    static QString cornerKey(Corner corner);

    /// Why a save failed: the domain file and the writer's reason.
    struct WriteError
    {
        QString path;
        QString reason;
    };

    /// The domain as it is on disk now; empty when there is none.
    static ServiceSettings load();
    explicit ServiceSettings(QVariantMap values = {});

    /// Every key of the domain, the service's own included.
    const QVariantMap &values() const { return m_values; }
    QVariantMap &values() { return m_values; }

    /// The stored index when it names an order; none for a missing or damaged
    /// value, which the pane and the service take for the order by name.
    std::optional<SortOrder> sortOrder() const;
    void setSortOrder(SortOrder order);
    /// False unless the stored value is true in the service's reading of it.
    bool isCornerOn(Corner corner) const;
    void setCornerOn(Corner corner, bool on);
    /// None when the domain has no value (the pane then keeps its default, off).
    std::optional<bool> limitSearch() const;
    void setLimitSearch(bool limit);
    /// The stored combination; null when there is none or it is no archive of one.
    std::shared_ptr<const KeyCombo> hotKey() const;
    void setHotKey(const KeyCombo &combo);
    /// Gives the domain a hot key when it has none: from the older "HotKeyCode"
    /// and "HotKeyModifiers" when both are non-zero and fit a key code (16 bits)
    /// and a mask (32 bits), else Command-Return.
    void migrateHotKey();

    /// Replaces the domain whole with values() and reads it back; the file stays
    /// as it was when the write fails.
    std::optional<WriteError> save() const;

    // The messages to a running service; each returns whether one was sent (false
    // when no service runs: it reads the domain when it next starts).
    static bool announceSortOrder(int index);
    static bool announceLimitSearch(bool limit);
    static bool announceCorners();
    static bool announceHotKey(const KeyCombo &combo);
    static bool announceExcludedApplication(const QString &objectUri);

private:
    QVariantMap m_values;
};
