#pragma once

#include <string>

namespace tw::addin {

class plugin;

// Builds the add-in's popup in Word's "Menu Bar": the upload button and, with a template loaded, the
// merge-field menus, "Maak voorbeeld" and the update button. Clicks reach the plugin `owner`.
void buildMenu(plugin& owner, const std::string& progId);

}  // namespace tw::addin
