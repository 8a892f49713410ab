#include "menus/merge_menu.h"

#include "addin/plugin.h"

namespace tw::addin {

void buildMergeMenu(plugin& /*self*/, office::CommandBarControl& /*parent*/, const std::string& /*progId*/) {}

}  // namespace tw::addin
