#pragma once

#include <memory>
#include <string>

#include "platform/ui/ui.h"

namespace tw::posix {

// Decodes PNG bytes (libpng) into a picture of 8-bit RGBA pixels; nullptr for anything unreadable.
std::shared_ptr<ui::Picture> decodePng(const std::string& bytes);

}  // namespace tw::posix
