#include "runtime/file_rule.h"

#include <algorithm>

namespace tw::runtime {
namespace {

bool isSeparator(char c) {
  return c == '\\' || c == '/';
}

bool hasDrive(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

// The parts of a path between separators, "." dropped and ".." taking back the part before it. Returns
// false when a ".." has nothing left to take back.
bool resolvedParts(std::string_view path, std::vector<std::string_view>& parts) {
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = start;
    while (end < path.size() && !isSeparator(path[end])) ++end;
    std::string_view part = path.substr(start, end - start);
    if (part == "..") {
      if (parts.empty()) return false;
      parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  return true;
}

// A rooted path: "/x", "\x", "C:\x". The root is kept apart so that "/a" and "a" differ.
std::string_view rootOf(std::string_view path) {
  if (hasDrive(path)) return path.substr(0, path.size() > 2 && isSeparator(path[2]) ? 3 : 2);
  if (!path.empty() && isSeparator(path[0])) return path.substr(0, 1);
  return {};
}

bool sameRoot(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (isSeparator(x) && isSeparator(y)) continue;
    if ((x | 0x20) != (y | 0x20)) return false;  // drive letters in either case
  }
  return true;
}

}  // namespace

std::string fileOutsideFoldersReason(std::string_view path, const std::vector<std::string>& folders) {
  std::string_view root = rootOf(path);
  if (root.empty() || (root.size() == 2 && hasDrive(root))) return "not a full path";
  std::vector<std::string_view> parts;
  if (!resolvedParts(path.substr(root.size()), parts)) return "climbs above its root";
  for (const std::string& folder : folders) {
    std::string_view folderRoot = rootOf(folder);
    std::vector<std::string_view> folderParts;
    if (folderRoot.empty() || !sameRoot(root, folderRoot) ||
        !resolvedParts(std::string_view(folder).substr(folderRoot.size()), folderParts))
      continue;
    if (folderParts.size() < parts.size() &&
        std::equal(folderParts.begin(), folderParts.end(), parts.begin()))
      return "";
  }
  return "outside the job's folders";
}

std::string packageNameReason(std::string_view name) {
  if (!name.empty() && isSeparator(name[0])) return "rooted name";
  if (hasDrive(name)) return "drive in the name";
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = start;
    while (end < name.size() && !isSeparator(name[end])) ++end;
    if (name.substr(start, end - start) == "..") return "\"..\" leaves the package";
    start = end + 1;
  }
  return "";
}

std::string refusalLine(std::string_view what, std::string_view name, std::string_view reason) {
  return "Refused " + std::string(what) + " '" + std::string(name) + "': " + std::string(reason);
}

bool FileRule::allowsFile(std::string_view what, std::string_view path) const {
  if (!folders) return true;
  std::string reason = fileOutsideFoldersReason(path, folders());
  if (reason.empty()) return true;
  if (report) report(refusalLine(what, path, reason));
  return false;
}

bool FileRule::allowsPart(std::string_view what, std::string_view name) const {
  std::string reason = packageNameReason(name);
  if (reason.empty()) return true;
  if (report) report(refusalLine(what, name, reason));
  return false;
}

}  // namespace tw::runtime
