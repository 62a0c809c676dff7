#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

/// The reference service's side of its preferences domain "com.velora.Corvane"
/// ($XDG_CONFIG_HOME/com.velora.Corvane.plist), which the pane writes.
namespace ServicePreferences {

/// A key and the value the service took up, as its journal shows it.
using Setting = std::pair<QString, QString>;

inline constexpr char Domain[] = "com.velora.Corvane";

/// The keys the service takes up: the sort order, the search limit, the four
/// corners, the hot key in its archived form and in its older two keys.
QStringList allKeys();
/// The four corner keys, which hotCornersChanged asks the service to re-read.
QStringList cornerKeys();

/// Reads the domain afresh from its file and gives each of `keys` that it holds,
/// in the order of `keys`. A hot key that does not decode shows as "undecodable".
QList<Setting> read(const QStringList &keys);

/// The key code and modifiers of an archived key combination ("ShowHideHotKey"),
/// or none when the bytes are not such an archive.
std::optional<std::pair<qint16, qint32>> decodeHotKey(const QByteArray &archive);

} // namespace ServicePreferences
