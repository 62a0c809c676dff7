#include "GnomeKeybindings.h"

#include "Accelerator.h"

#include <QByteArray>
#include <QProcessEnvironment>

#include <gio/gio.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace platform {

namespace {

const char *const mediaKeysSchema = "org.gnome.settings-daemon.plugins.media-keys";
const char *const customSchema = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
const char *const customListKey = "custom-keybindings";
const char *const customPathPrefix = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";

struct GObjectDeleter
{
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct SchemaDeleter
{
    void operator()(GSettingsSchema *schema) const { g_settings_schema_unref(schema); }
};
struct SchemaKeyDeleter
{
    void operator()(GSettingsSchemaKey *key) const { g_settings_schema_key_unref(key); }
};
struct StrvDeleter
{
    void operator()(gchar **strings) const { g_strfreev(strings); }
};
struct StringDeleter
{
    void operator()(gchar *string) const { g_free(string); }
};

using Settings = std::unique_ptr<GSettings, GObjectDeleter>;
using Schema = std::unique_ptr<GSettingsSchema, SchemaDeleter>;
using Strv = std::unique_ptr<gchar *, StrvDeleter>;
using String = std::unique_ptr<gchar, StringDeleter>;

// g_settings_new aborts the process on a schema that is not installed.
Schema lookUp(const char *id)
{
    GSettingsSchemaSource *source = g_settings_schema_source_get_default();
    return Schema(source ? g_settings_schema_source_lookup(source, id, TRUE) : nullptr);
}

bool bindsTo(const gchar *accelerator, QKeyCombination combination)
{
    const auto bound = parseAccelerator(QString::fromUtf8(accelerator));
    return bound && *bound == combination;
}

QString summary(GSettingsSchema *schema, const gchar *name)
{
    const std::unique_ptr<GSettingsSchemaKey, SchemaKeyDeleter> key(g_settings_schema_get_key(schema, name));
    const gchar *text = g_settings_schema_key_get_summary(key.get());
    return text ? QString::fromUtf8(text) : QString::fromUtf8(name);
}

QString ownerInSchema(const char *id, QKeyCombination combination)
{
    const Schema schema = lookUp(id);
    if (!schema)
        return {};
    const Settings settings(g_settings_new_full(schema.get(), nullptr, nullptr));
    const Strv keys(g_settings_schema_list_keys(schema.get()));
    for (gchar **name = keys.get(); *name; ++name) {
        if (g_strcmp0(*name, customListKey) == 0)
            continue;
        const std::unique_ptr<GVariant, decltype(&g_variant_unref)> value(g_settings_get_value(settings.get(), *name),
                                                                          &g_variant_unref);
        if (!g_variant_is_of_type(value.get(), G_VARIANT_TYPE_STRING_ARRAY))
            continue;
        const std::unique_ptr<const gchar *, decltype(&g_free)> accelerators(g_variant_get_strv(value.get(), nullptr),
                                                                             &g_free);
        for (const gchar **accelerator = accelerators.get(); *accelerator; ++accelerator) {
            if (bindsTo(*accelerator, combination))
                return summary(schema.get(), *name);
        }
    }
    return {};
}

QString ownerInCustomBindings(QKeyCombination combination)
{
    const Schema listSchema = lookUp(mediaKeysSchema);
    const Schema schema = lookUp(customSchema);
    if (!listSchema || !schema || !g_settings_schema_has_key(listSchema.get(), customListKey))
        return {};
    const Settings list(g_settings_new_full(listSchema.get(), nullptr, nullptr));
    const Strv paths(g_settings_get_strv(list.get(), customListKey));
    for (gchar **path = paths.get(); *path; ++path) {
        // GSettings aborts on a path that does not start and end with a slash
        // or holds an empty step; such an entry is skipped.
        if (!g_str_has_prefix(*path, "/") || !g_str_has_suffix(*path, "/") || strstr(*path, "//"))
            continue;
        const Settings custom(g_settings_new_full(schema.get(), nullptr, *path));
        const String binding(g_settings_get_string(custom.get(), "binding"));
        if (bindsTo(binding.get(), combination)) {
            const String name(g_settings_get_string(custom.get(), "name"));
            return QString::fromUtf8(name.get()).isEmpty() ? QString::fromUtf8(binding.get())
                                                           : QString::fromUtf8(name.get());
        }
    }
    return {};
}

// The desktop splits the command as a shell does, so only words that a shell
// would read otherwise are quoted.
QByteArray shellCommand(const QStringList &arguments)
{
    QByteArrayList words;
    for (const QString &argument : arguments) {
        const QByteArray word = argument.toUtf8();
        const bool plain = !word.isEmpty() && std::all_of(word.begin(), word.end(), [](char c) {
            return g_ascii_isalnum(c) || (c != '\0' && strchr("_-./:=,+@", c));
        });
        words << (plain ? word : QByteArray(String(g_shell_quote(word.constData())).get()));
    }
    return words.join(' ');
}

bool writeEntry(GSettings *entry, const QString &name, const QByteArray &command, const QByteArray &binding)
{
    for (const char *key : {"name", "command", "binding"}) {
        if (!g_settings_is_writable(entry, key))
            return false;
    }
    // Together, so that the desktop sees the entry whole.
    g_settings_delay(entry);
    g_settings_set_string(entry, "name", name.toUtf8().constData());
    g_settings_set_string(entry, "command", command.constData());
    g_settings_set_string(entry, "binding", binding.constData());
    g_settings_apply(entry);
    return true;
}

bool listEntry(GSettings *list, const QByteArray &path)
{
    const Strv paths(g_settings_get_strv(list, customListKey));
    if (g_strv_contains(paths.get(), path.constData()))
        return true;
    if (!g_settings_is_writable(list, customListKey))
        return false;
    std::vector<const gchar *> listed(paths.get(), paths.get() + g_strv_length(paths.get()));
    listed.push_back(path.constData());
    listed.push_back(nullptr);
    return g_settings_set_strv(list, customListKey, listed.data());
}

bool kept(GSettings *list, GSettings *entry, const QByteArray &path, const QByteArray &binding)
{
    const Strv paths(g_settings_get_strv(list, customListKey));
    const String stored(g_settings_get_string(entry, "binding"));
    return g_strv_contains(paths.get(), path.constData()) && binding == stored.get();
}

} // namespace

QStringList GnomeKeybindings::bindingSchemas()
{
    return {QStringLiteral("org.gnome.desktop.wm.keybindings"), QStringLiteral("org.gnome.shell.keybindings"),
            QStringLiteral("org.gnome.mutter.keybindings"), QStringLiteral("org.gnome.mutter.wayland.keybindings"),
            QStringLiteral("org.gnome.settings-daemon.plugins.media-keys")};
}

bool GnomeKeybindings::isSessionDesktop()
{
    static const QStringList relatives{QStringLiteral("GNOME"), QStringLiteral("Unity"), QStringLiteral("Budgie"),
                                       QStringLiteral("Pantheon"), QStringLiteral("GNOME-Flashback")};
    const QString desktops = QProcessEnvironment::systemEnvironment().value(QStringLiteral("XDG_CURRENT_DESKTOP"));
    const QStringList names = desktops.split(u':', Qt::SkipEmptyParts);
    for (const QString &name : names) {
        if (relatives.contains(name, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString GnomeKeybindings::owner(QKeyCombination combination)
{
    for (const QString &id : bindingSchemas()) {
        const QString found = ownerInSchema(id.toUtf8().constData(), combination);
        if (!found.isEmpty())
            return found;
    }
    return ownerInCustomBindings(combination);
}

QString GnomeKeybindings::addCustomBinding(const CommandShortcut &shortcut)
{
    const QByteArray binding = gtkAccelerator(shortcut.keys).toUtf8();
    if (binding.isEmpty())
        return QStringLiteral("GNOME has no name for these keys.");
    const Schema listSchema = lookUp(mediaKeysSchema);
    const Schema entrySchema = lookUp(customSchema);
    if (!listSchema || !entrySchema || !g_settings_schema_has_key(listSchema.get(), customListKey))
        return QStringLiteral("GNOME's custom shortcuts are not installed.");
    const QByteArray path = customPathPrefix + shortcut.id.toUtf8() + '/';
    const Settings list(g_settings_new_full(listSchema.get(), nullptr, nullptr));
    const Settings entry(g_settings_new_full(entrySchema.get(), nullptr, path.constData()));
    if (!writeEntry(entry.get(), shortcut.name, shellCommand(shortcut.command), binding) || !listEntry(list.get(), path))
        return QStringLiteral("GNOME's custom shortcuts are locked.");
    // Written through a service (dconf), a change the service refuses is
    // undone after the fact: read back what stays.
    g_settings_sync();
    if (!kept(list.get(), entry.get(), path, binding))
        return QStringLiteral("GNOME's settings did not keep the shortcut.");
    return {};
}

} // namespace platform
