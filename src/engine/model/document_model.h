#pragma once

// One open document: its package, its stories and the state Word keeps beside the file (saved flag,
// field-code display, selection). The object-model handles and the mail merge work on this.

#include <any>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/model/story.h"
#include "engine/ooxml/package.h"

namespace tw::engine::model {

// A header or footer part as a section refers to it.
struct HeaderFooterRef {
  bool footer = false;
  std::string type;  // default, first, even
  std::string part;  // package part name
  int section = 0;   // 0 for the document's first section
};

class DocumentModel {
 public:
  // Takes a package whose main document part is known to exist; throws for a package without one.
  explicit DocumentModel(std::unique_ptr<ooxml::Package> package);
  ~DocumentModel();
  DocumentModel(const DocumentModel&) = delete;
  DocumentModel& operator=(const DocumentModel&) = delete;

  ooxml::Package& package() { return *package_; }
  const std::string& mainPart() const { return mainPart_; }
  // Package-relative part names of the main part's relationships, by type suffix ("header", ...).
  std::vector<std::string> relatedParts(const std::string& typeSuffix);
  // The relationships of `part` ("" for the package) by id; an internal target is a part name.
  struct Relationship {
    std::string type;
    std::string target;
    bool external = false;
  };
  using Relationships = std::vector<std::pair<std::string, Relationship>>;
  Relationships relationships(const std::string& part);

  std::shared_ptr<Story> mainStory() { return main_; }
  // Every story in Word's order: main text, footnotes, endnotes, headers and footers (in the order the
  // sections refer to them), then the text boxes of the main text.
  std::vector<std::shared_ptr<Story>> stories();
  std::vector<HeaderFooterRef> headerFooterRefs();
  // The story of a shape's text box (one story object per text box while it lives).
  std::shared_ptr<Story> textBoxStory(const Story& owner, const ShapeInfo& shape);

  // Stores picture bytes as a media part related to `sourcePart`; returns the relationship id.
  std::string addImage(const std::string& sourcePart, const std::string& fileName, const std::string& bytes);

  // Adds a relationship of `sourcePart` of the given type ("image", "settings", ...) and returns its id.
  // `target` is UTF-8: a part name relative to the source's folder, or an external address.
  std::string addRelationship(const std::string& sourcePart, const std::string& type,
                              const std::string& target, bool external);

  // A copy of `part` (with its relationships and content type) named with `suffix` before the extension.
  std::string copyPart(const std::string& part, const std::string& suffix);

  std::shared_ptr<Anchor> anchor(pugi::xml_node node);
  // Removes a node from its parent; anchors inside it die.
  void removeNode(pugi::xml_node node);
  // Records an edit of `part`: serialised on save, the document is no longer saved.
  void touch(const std::string& part);

  bool saved = true;
  bool showFieldCodes = false;

  // WdMailMergeMainDocType from the settings part: -1 when the document is no merge document.
  int mainDocumentType();
  void setMainDocumentType(int type);

  // What the mail merge keeps with this document (its data sources): it lives and dies with the document.
  std::any mailMergeState;

 private:
  // The relationships of `part`, read from its relationship part on first use and kept. Relationship
  // parts change only through this class (addRelationship, copyPart), which drops what it kept of them.
  const Relationships& cachedRelationships(const std::string& part);
  // relatedParts and headerFooterRefs from the main part's relationships.
  std::vector<std::string> relatedParts(const Relationships& mainRels, std::string_view typeSuffix);
  std::vector<HeaderFooterRef> headerFooterRefs(const Relationships& mainRels);
  std::string addSettingsPart();
  std::shared_ptr<Story> partStory(const std::string& part, StoryKind kind, const char* rootName);

  std::unique_ptr<ooxml::Package> package_;
  std::string mainPart_;
  std::shared_ptr<Story> main_;
  std::unordered_map<std::string, std::shared_ptr<Story>> partStories_;
  std::unordered_map<pugi::xml_node_struct*, std::shared_ptr<Story>> textBoxes_;
  std::unordered_map<pugi::xml_node_struct*, std::weak_ptr<Anchor>> anchors_;
  std::size_t anchorsAfterSweep_ = 0;
  std::unordered_map<std::string, Relationships> relationships_;  // by source part, "" for the package
};

// Resolves a relationship target against the folder of the part that holds it. A target that climbs above
// the package's root keeps a leading "..", so it names no part.
std::string resolvePartName(const std::string& sourcePart, const std::string& target);

}  // namespace tw::engine::model
