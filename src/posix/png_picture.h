#pragma once

#include <memory>
#include <string>

#include "platform/ui/ui.h"

namespace tw::posix {

// Decodes PNG bytes (libpng) into a picture of 8-bit RGBA pixels; nullptr for anything unreadable.
std::shared_ptr<ui::Picture> decodePng(const std::string& bytes);
// The picture in the PNG file at `path` (UTF-8); nullptr when it cannot be read or decoded.
std::shared_ptr<ui::Picture> loadPng(const std::string& path);

}  // namespace tw::posix
