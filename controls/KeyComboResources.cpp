#include "KeyComboResources.h"

KeyComboResources KeyComboResources::bundleResources()
{
    // Until the pane's bundle can be located, there is no table (key names fall
    // back to hexadecimal) and "(None)" shows as itself.
    return {};
}
