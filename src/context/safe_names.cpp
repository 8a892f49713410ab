#include "context/safe_names.h"

#include "context/addin_context.h"

namespace tw::addin {
namespace {

bool isSeparator(char c) {
  return c == '\\' || c == '/';
}

// Checks one part of a path (the text between separators).
std::string unsafePartReason(std::string_view part) {
  if (part.empty()) return "empty path part";
  bool onlyDots = true;
  for (char c : part) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return "control character";
    if (c == ':') return "drive or stream colon";
    // A listing reads them as wildcards: deleting such a name could remove other files.
    if (c == '*' || c == '?') return "wildcard character";
    if (c != '.' && c != ' ') onlyDots = false;
  }
  // Windows drops trailing dots and blanks, so "..", ". ." and "..." all climb out of the folder.
  if (onlyDots) return "relative folder name";
  return "";
}

}  // namespace

std::string unsafeFileNameReason(std::string_view name) {
  if (name.empty()) return "";
  for (char c : name) {
    if (isSeparator(c)) return "path separator";
  }
  return unsafePartReason(name);
}

std::string unsafeSubPathReason(std::string_view path) {
  if (path.empty()) return "";
  if (isSeparator(path.front())) return "rooted path";
  size_t start = 0;
  while (start < path.size()) {
    size_t end = start;
    while (end < path.size() && !isSeparator(path[end])) ++end;
    // A trailing separator ends the sub-path; it adds no part.
    std::string reason = unsafePartReason(path.substr(start, end - start));
    if (!reason.empty()) return reason;
    start = end + 1;
  }
  return "";
}

namespace {

void refuseIf(const AddinContext& ctx, std::string_view source, std::string_view name,
              const std::string& reason) {
  if (reason.empty()) return;
  ctx.debugMsg("Refused unsafe name from " + std::string(source) + ": '" + std::string(name) + "' (" +
               reason + ")");
  throw UnsafeNameError();
}

}  // namespace

void refuseUnsafeFileName(const AddinContext& ctx, std::string_view source, std::string_view name) {
  refuseIf(ctx, source, name, unsafeFileNameReason(name));
}

void refuseUnsafeSubPath(const AddinContext& ctx, std::string_view source, std::string_view path) {
  refuseIf(ctx, source, path, unsafeSubPathReason(path));
}

}  // namespace tw::addin
