#pragma once

// Word reads through the wrappers WordprocessingML may put around paragraphs, tables, rows, cells and
// runs: content controls (w:sdt, whose content is w:sdtContent) and custom XML (w:customXml). Every walk
// of the engine that looks for such children goes through here, so the story index, the table objects
// and the print layout see the same rows and cells.

#include <pugixml.hpp>

#include <cstring>
#include <vector>

namespace tw::engine::model {

// Whether `node` is a wrapper: a content control, its content, or custom XML.
inline bool isWrapper(pugi::xml_node node) {
  const char* name = node.name();
  return std::strcmp(name, "w:sdt") == 0 || std::strcmp(name, "w:sdtContent") == 0 ||
         std::strcmp(name, "w:customXml") == 0;
}

// Calls `visit` for every child of `container` that is not a wrapper, in document order, looking inside
// the wrappers.
template <class Visit>
void forEachThroughWrappers(pugi::xml_node container, const Visit& visit) {
  for (pugi::xml_node child : container.children()) {
    if (std::strcmp(child.name(), "w:sdt") == 0) {
      forEachThroughWrappers(child.child("w:sdtContent"), visit);
    } else if (std::strcmp(child.name(), "w:customXml") == 0) {
      forEachThroughWrappers(child, visit);
    } else {
      visit(child);
    }
  }
}

// The same for the children named `name` only.
template <class Visit>
void forEachWrapped(pugi::xml_node container, const char* name, const Visit& visit) {
  forEachThroughWrappers(container, [&](pugi::xml_node child) {
    if (std::strcmp(child.name(), name) == 0) visit(child);
  });
}

inline std::vector<pugi::xml_node> wrappedChildren(pugi::xml_node container, const char* name) {
  std::vector<pugi::xml_node> out;
  forEachWrapped(container, name, [&](pugi::xml_node child) { out.push_back(child); });
  return out;
}

}  // namespace tw::engine::model
