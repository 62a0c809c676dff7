#include "DictionaryExtensions.h"

#include "ArrayExtensions.h"
#include "VLBackgroundPropertyListDownloader.h"

#include <algorithm>

namespace vl {

bool areAllObjectsEqual(const QVariantMap &dictionary, const QVariant &object)
{
    return std::all_of(dictionary.begin(), dictionary.end(), [&](const QVariant &value) { return value == object; });
}

MutableDictionary deepMutableCopy(const QVariantMap &dictionary)
{
    return vl::deepMutableCopy(QVariant(dictionary)).value<MutableDictionary>();
}

void mergeObjectsFromDictionary(QVariantMap &dictionary, const QVariantMap &other)
{
    for (auto it = other.begin(); it != other.end(); ++it) {
        const QVariant mine = dictionary.value(it.key());
        const auto myDictionary = dictionaryValue(mine);
        const auto theirDictionary = dictionaryValue(it.value());
        const auto myArray = arrayValue(mine);
        const auto theirArray = arrayValue(it.value());
        if (myDictionary && theirDictionary) {
            MutableDictionary merged(*myDictionary);
            mergeObjectsFromDictionary(merged, *theirDictionary);
            dictionary.insert(it.key(), QVariant::fromValue(merged));
        } else if (myArray && theirArray) {
            MutableArray merged(*myArray);
            mergeObjectsFromArray(merged, *theirArray);
            dictionary.insert(it.key(), QVariant::fromValue(merged));
        } else {
            dictionary.insert(it.key(), it.value());
        }
    }
}

void beginBackgroundDownloadOfDictionaryWithContentsOfURL(const QUrl &url, QObject *target, QByteArrayView selector,
                                                          void *context)
{
    VLBackgroundPropertyListDownloader::beginDownloadOfPropertyListWithURL(url, target, selector, context,
                                                                           PropertyListClass::Dictionary, false);
}

void beginBackgroundDownloadOfMutableDictionaryWithContentsOfURL(const QUrl &url, QObject *target,
                                                                 QByteArrayView selector, void *context)
{
    VLBackgroundPropertyListDownloader::beginDownloadOfPropertyListWithURL(url, target, selector, context,
                                                                           PropertyListClass::Dictionary, true);
}

} // namespace vl
