#pragma once

#include <QString>

#include <cstdint>
#include <optional>

/// Finding the system's standard folders by the four-character folder types and
/// the domains the original platform used.
namespace vl {

/// Folder domains.
enum FolderDomain : std::int16_t {
    SystemDomain = -32766,
    LocalDomain = -32764,
    UserDomain = -32763,
};

/// A four-character folder type, e.g. fourCharCode("asup").
constexpr std::uint32_t fourCharCode(const char (&code)[5])
{
    return std::uint32_t(std::uint8_t(code[0])) << 24 | std::uint32_t(std::uint8_t(code[1])) << 16
           | std::uint32_t(std::uint8_t(code[2])) << 8 | std::uint32_t(std::uint8_t(code[3]));
}

/// The path of the folder of `type` in `domain`, without creating it; none when
/// the type has no counterpart in that domain here or the folder does not exist.
///
/// User domain: "asup" (Application Support) and "dlib" (Library) are
/// $XDG_DATA_HOME; "pref" is $XDG_CONFIG_HOME; "cach" is $XDG_CACHE_HOME; "desk",
/// "docs", "apps" (~/Applications) and "temp" as their names say. Local domain:
/// "asup" and "dlib" are /usr/local/share, "apps" is /usr/local/share/applications.
/// System domain: "asup" and "dlib" are /usr/share, "apps" is
/// /usr/share/applications.
std::optional<QString> findSystemFolderType(std::uint32_t type, std::int16_t domain);

} // namespace vl
