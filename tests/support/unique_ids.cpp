#include "support/unique_ids.h"

#include <cstring>
#include <functional>
#include <set>

#include "engine/ooxml/package.h"

namespace tw::testing {

std::vector<std::string> repeatedIdentifiers(const std::string& bytes) {
  engine::ooxml::Package package(bytes, "result.docx");
  std::set<std::string> seen;
  std::vector<std::string> repeated;
  auto note = [&](const std::string& what) {
    if (!seen.insert(what).second) repeated.push_back(what);
  };
  const std::function<void(pugi::xml_node)> visit = [&](pugi::xml_node node) {
    if (std::strcmp(node.name(), "wp:docPr") == 0)
      note(std::string("drawing id ") + node.attribute("id").value());
    if (std::strcmp(node.name(), "w:bookmarkStart") == 0) {
      note(std::string("bookmark name ") + node.attribute("w:name").value());
      note(std::string("bookmark id ") + node.attribute("w:id").value());
    }
  };
  for (const std::string& name : package.partNames()) {
    if (name.rfind("word/", 0) != 0 || !name.ends_with(".xml")) continue;
    engine::ooxml::forEachDescendant(package.xml(name).doc, visit);
  }
  return repeated;
}

}  // namespace tw::testing
