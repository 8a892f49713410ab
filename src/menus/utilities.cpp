#include "menus/utilities.h"

namespace tw::addin {

bool ArrayContains(const std::vector<std::string>& values, std::string_view target) {
  // Every element framed by NULs, so only a whole element can match the framed target (a target that
  // holds a NUL can span elements, and an empty list holds the empty text, as the classic routine has it).
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
