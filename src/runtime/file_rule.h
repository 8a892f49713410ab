#pragma once

// One rule for the files a job's documents make Word read: pictures and data named by merge values,
// linked pictures, and the parts a package's relationships and zip entries name. A file is read only
// inside the job's folders (TEMP, the daemon's base folder); a part only inside its package.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tw::runtime {

// Why `path` lies outside every folder of `folders`, or "" when it lies inside one. Both separators count;
// "." and ".." are resolved on the text (a path never climbs out through them) and a relative path is
// outside, since it would be read from whatever the current folder is.
std::string fileOutsideFoldersReason(std::string_view path, const std::vector<std::string>& folders);

// Why a name inside a package (a zip entry, a resolved relationship target) would leave it, or "": a
// leading separator, a drive, or a ".." part.
std::string packageNameReason(std::string_view name);

// The log line of a refusal: what was refused, its name and the rule it broke.
std::string refusalLine(std::string_view what, std::string_view name, std::string_view reason);

struct FileRule {
  // The job's folders, asked at every check (a daemon learns its base folder after Word has started).
  // Without it every file may be read, as Word on its own reads them.
  std::function<std::vector<std::string>()> folders;
  // Where a refusal is told.
  std::function<void(const std::string& line)> report;

  // Whether the file `path` (a `what`, "picture" ...) may be read; a refusal is reported.
  bool allowsFile(std::string_view what, std::string_view path) const;
  // Whether the package part `name` stays inside its package; a refusal is reported.
  bool allowsPart(std::string_view what, std::string_view name) const;
};

}  // namespace tw::runtime
