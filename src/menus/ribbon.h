#pragma once

// The ribbon callbacks: the ribbon XML of the job, and the merge-field buttons and gallery it defines.

#include <string>
#include <string_view>

#include <memory>

#include "platform/office/office.h"
#include "platform/ui/ui.h"

namespace tw::addin {

class AddinContext;

// The ribbon XML of the job when the ribbon is used, else "".
std::string getCustomUI(const AddinContext& ctx, std::string_view ribbonId);

// The picture TEMP\twdoc\<imageName>.png that the job wrote for the ribbon; nullptr before the add-in
// is active or when the file is missing or not a readable image.
std::shared_ptr<ui::Picture> GetImage(AddinContext& ctx, const std::string& imageName);

// A ribbon button whose id is "mergefield" + key (any nine characters, then the key).
void insertMergefieldButton(AddinContext& ctx, office::RibbonControl& control);
// A gallery item whose id is built the same way.
void insertMergefieldGallery(AddinContext& ctx, const std::string& selectedId);

}  // namespace tw::addin
