#pragma once

#include "MutableContainers.h"

#include <QByteArrayView>
#include <QObject>
#include <QUrl>
#include <QVariant>
#include <QVariantMap>

/// Operations the library adds to dictionaries (QVariantMap) and mutable
/// dictionaries. Equality is QVariant's.
namespace vl {

/// True when every value equals `object`; true for an empty dictionary.
bool areAllObjectsEqual(const QVariantMap &dictionary, const QVariant &object);

/// A new mutable copy in which every nested array and dictionary is copied
/// deeply (and marked mutable); keys and other values stay as they are.
MutableDictionary deepMutableCopy(const QVariantMap &dictionary);

/// Merges `other` into `dictionary` key by key: where both values are
/// dictionaries, or both arrays, the value becomes a mutable copy of this one
/// merged recursively with the other's (see mergeObjectsFromArray); otherwise
/// the other's value replaces or adds this one.
void mergeObjectsFromDictionary(QVariantMap &dictionary, const QVariantMap &other);

/// Start a background download of a dictionary from `url` on the calling
/// thread's event loop (see VLBackgroundPropertyListDownloader): `selector` of
/// `target` is later called once with the URL, the dictionary or none, and
/// `context`. The first gives plain containers, the second marked mutable ones
/// (nested arrays and dictionaries too); both accept any dictionary.
void beginBackgroundDownloadOfDictionaryWithContentsOfURL(const QUrl &url, QObject *target, QByteArrayView selector,
                                                          void *context);
void beginBackgroundDownloadOfMutableDictionaryWithContentsOfURL(const QUrl &url, QObject *target,
                                                                 QByteArrayView selector, void *context);

} // namespace vl
