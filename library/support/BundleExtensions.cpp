#include "BundleExtensions.h"

namespace vl {

QString pathForFramework(const platform::Bundle &bundle, const QString &name)
{
    return bundle.bundlePath() + QStringLiteral("/Frameworks/") + name + QStringLiteral(".framework");
}

std::optional<platform::Bundle> bundleForFramework(const platform::Bundle &bundle, const QString &name)
{
    return platform::Bundle::bundleWithPath(pathForFramework(bundle, name));
}

std::optional<platform::Bundle> bundleForResource(const platform::Bundle &bundle, const QString &name,
                                                  const QString &type)
{
    const auto path = bundle.pathForResource(name, type);
    return path ? platform::Bundle::bundleWithPath(*path) : std::nullopt;
}

std::optional<QString> bundleName(const platform::Bundle &bundle)
{
    const QVariant name = bundle.objectForInfoDictionaryKey(QStringLiteral("CFBundleName"));
    if (!name.isValid())
        return std::nullopt;
    return bundle.localizedString(name.toString(), name.toString(), QStringLiteral("InfoPlist"));
}

} // namespace vl
