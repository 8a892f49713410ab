#pragma once

#include <string>

#include "platform/office/office.h"

namespace tw::addin {

class AddinContext;

// Builds the "Veld invoegen" popup with its ten submenus of merge-field buttons into `parent`.
void buildMergeMenu(AddinContext& ctx, office::CommandBarControl& parent, const std::string& progId);

// Builds submenu `menu` (1..10) afresh inside the "Veld invoegen" popup.
void buildMergeSubMenu(AddinContext& ctx, int menu, const std::string& progId);

// Inserts a MERGEFIELD with the name `tagname` and the format `format_` at the cursor of the active
// document. Refuses (with a message) when the template already holds more than 255 merge fields. Every
// failing statement shows its failure and the next one runs. Returns "".
std::string insert_mergefield(AddinContext& ctx, const std::string& tagname, const std::string& format_);

// The click of merge-field button `number` (100 * submenu + position).
void mergeButtonClick(AddinContext& ctx, int number);

// Inserts the merge field whose key is `key`, with the format of its menu slot; an unknown key does
// nothing.
void insertMergefieldByKey(AddinContext& ctx, const std::string& key);

}  // namespace tw::addin
