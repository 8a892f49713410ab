// The small public methods of plugin that the rest of the add-in builds on.
#include "menus/utilities.h"

#include "addin/plugin.h"

namespace tw::addin {

bool anyNormalFileMatches(sys::System& system, const std::string& pattern) {
  for (const sys::DirEntry& entry : system.ListDirectory(pattern)) {
    if (!entry.directory && !entry.hidden && !entry.system) return true;
  }
  return false;
}

bool plugin::FileExists(const std::string& sFile) {
  if (!active_) return false;
  return anyNormalFileMatches(services_.sys, sFile);
}

bool plugin::DirExists(const std::string& OrigFile) {
  return services_.sys.FolderExists(OrigFile);
}

bool plugin::ArrayContains(const std::vector<std::string>& values, std::string_view target) {
  // Every element framed by NULs, so only a whole element can match the framed target.
  std::string haystack(1, '\0');
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) haystack += '\0';
    haystack += values[i];
  }
  haystack += '\0';
  std::string needle(1, '\0');
  needle.append(target);
  needle += '\0';
  return haystack.find(needle) != std::string::npos;
}

}  // namespace tw::addin
