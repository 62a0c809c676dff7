#pragma once

#include "platform/system/Bundle.h"

#include <QString>

#include <optional>

/// Bundle helpers: private frameworks, the bundle holding a resource, the bundle's name.
namespace vl {

/// `bundle`'s private frameworks folder ("Frameworks" in the bundle folder) with
/// "<name>.framework" appended. Whether it exists is not checked.
QString pathForFramework(const platform::Bundle &bundle, const QString &name);

/// The bundle at pathForFramework(); none when there is no such folder.
std::optional<platform::Bundle> bundleForFramework(const platform::Bundle &bundle, const QString &name);

/// The bundle at the path of `bundle`'s resource `name`.`type` (a resource that is
/// itself a bundle folder); none when the resource or the folder is missing.
std::optional<platform::Bundle> bundleForResource(const platform::Bundle &bundle, const QString &name,
                                                  const QString &type);

/// The info dictionary's "CFBundleName", translated through the bundle's
/// "InfoPlist" strings table where it has one; none when the key is absent.
std::optional<QString> bundleName(const platform::Bundle &bundle);

} // namespace vl
