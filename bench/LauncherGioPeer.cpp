// The peer of the launcher's catalogue: GLib's own, which reads the XDG
// application folders by the same rules (desktop-file IDs, overrides, Hidden,
// NoDisplay, OnlyShowIn/NotShowIn, TryExec). Prints how many it offers.

#include <gio/gio.h>

#include <cstdio>

int main()
{
    GList *apps = g_app_info_get_all();
    int shown = 0;
    for (GList *l = apps; l; l = l->next)
        shown += g_app_info_should_show(G_APP_INFO(l->data)) ? 1 : 0;
    std::printf("%d\n", shown);
    g_list_free_full(apps, g_object_unref);
    return 0;
}
