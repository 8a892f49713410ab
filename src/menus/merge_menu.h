#pragma once

#include <string>

#include "platform/office/office.h"

namespace tw::addin {

class plugin;

// Builds the "Veld invoegen" popup with its ten submenus of merge-field buttons into `parent`.
void buildMergeMenu(plugin& self, office::CommandBarControl& parent, const std::string& progId);

// Builds submenu `menu` (1..10) afresh inside the "Veld invoegen" popup.
void buildMergeSubMenu(plugin& self, int menu, const std::string& progId);

}  // namespace tw::addin
