#include "engine/model/document_model.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/errors.h"

namespace tw::engine::model {
namespace {

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string relsPartOf(const std::string& part) {
  auto slash = part.rfind('/');
  std::string folder = slash == std::string::npos ? "" : part.substr(0, slash + 1);
  std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
  return folder + "_rels/" + file + ".rels";
}

// WdMailMergeMainDocType by its settings value.
const std::pair<const char*, int> kMainDocumentTypes[] = {
    {"formLetters", 0}, {"mailingLabels", 1}, {"envelopes", 2}, {"catalog", 3}, {"email", 4}, {"fax", 5}};

// The settings elements that come before w:mailMerge, in schema order.
const char* const kBeforeMailMerge[] = {"w:writeProtection",
                                        "w:view",
                                        "w:zoom",
                                        "w:removePersonalInformation",
                                        "w:removeDateAndTime",
                                        "w:doNotDisplayPageBoundaries",
                                        "w:displayBackgroundShape",
                                        "w:printPostScriptOverText",
                                        "w:printFractionalCharacterWidth",
                                        "w:printFormsData",
                                        "w:embedTrueTypeFonts",
                                        "w:embedSystemFonts",
                                        "w:saveSubsetFonts",
                                        "w:saveFormsData",
                                        "w:mirrorMargins",
                                        "w:alignBordersAndEdges",
                                        "w:bordersDoNotSurroundHeader",
                                        "w:bordersDoNotSurroundFooter",
                                        "w:gutterAtTop",
                                        "w:hideSpellingErrors",
                                        "w:hideGrammaticalErrors",
                                        "w:activeWritingStyle",
                                        "w:proofState",
                                        "w:formsDesign",
                                        "w:attachedTemplate",
                                        "w:linkStyles",
                                        "w:stylePaneFormatFilter",
                                        "w:stylePaneSortMethod",
                                        "w:documentType"};

}  // namespace

std::string resolvePartName(const std::string& sourcePart, const std::string& target) {
  std::string path;
  if (!target.empty() && target[0] == '/') {
    path = target.substr(1);
  } else {
    auto slash = sourcePart.rfind('/');
    path = (slash == std::string::npos ? "" : sourcePart.substr(0, slash + 1)) + target;
  }
  // The pieces between slashes, ".." taking back the piece before it; one pass, no piece copied twice.
  std::string out;
  out.reserve(path.size());
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    std::string_view piece(path.data() + start, slash - start);
    if (piece == "..") {
      // A target above the package's root stays outside it: no part has such a name.
      if (out.empty() || out.starts_with("..")) {
        out += out.empty() ? ".." : "/..";
      } else {
        std::size_t last = out.rfind('/');
        out.erase(last == std::string::npos ? 0 : last);
      }
    } else if (!piece.empty() && piece != ".") {
      if (!out.empty()) out += '/';
      out += piece;
    }
    start = slash + 1;
  }
  return out;
}

DocumentModel::DocumentModel(std::unique_ptr<ooxml::Package> package) : package_(std::move(package)) {
  for (const auto& [id, rel] : cachedRelationships("")) {
    if (endsWith(rel.type, "/officeDocument") && !rel.external) mainPart_ = rel.target;
  }
  if (mainPart_.empty() && package_->hasPart("word/document.xml")) mainPart_ = "word/document.xml";
  if (mainPart_.empty() || !package_->hasPart(mainPart_)) {
    throw corruptFile(package_->fileName(), "the package holds no main document part (word/document.xml)");
  }
  pugi::xml_node body = package_->xml(mainPart_).doc.child("w:document").child("w:body");
  if (!body) throw corruptFile(package_->fileName(), "the main document part has no w:document/w:body");
  main_ = std::make_shared<Story>(*this, StoryKind::Main, mainPart_, anchor(body));
}

DocumentModel::~DocumentModel() {
  // Handles may outlive the document: what they hold reports "object has been deleted" from now on.
  main_->detach();
  for (auto& [part, story] : partStories_) story->detach();
  for (auto& [node, story] : textBoxes_) story->detach();
  for (auto& [node, anchor] : anchors_) {
    if (auto held = anchor.lock()) held->alive = false;
  }
}

DocumentModel::Relationships DocumentModel::relationships(const std::string& part) {
  return cachedRelationships(part);
}

const DocumentModel::Relationships& DocumentModel::cachedRelationships(const std::string& part) {
  if (auto kept = relationships_.find(part); kept != relationships_.end()) return kept->second;
  Relationships out;
  std::string rels = part.empty() ? "_rels/.rels" : relsPartOf(part);
  if (package_->hasPart(rels)) {
    for (auto rel : package_->xml(rels).doc.child("Relationships").children("Relationship")) {
      Relationship& r = out.emplace_back(rel.attribute("Id").value(), Relationship{}).second;
      r.type = rel.attribute("Type").value();
      r.external = std::strcmp(rel.attribute("TargetMode").value(), "External") == 0;
      r.target = r.external ? rel.attribute("Target").value()
                            : resolvePartName(part, rel.attribute("Target").value());
    }
  }
  return relationships_.emplace(part, std::move(out)).first->second;
}

std::vector<std::string> DocumentModel::relatedParts(const std::string& typeSuffix) {
  return relatedParts(cachedRelationships(mainPart_), typeSuffix);
}

std::vector<std::string> DocumentModel::relatedParts(const Relationships& mainRels,
                                                     std::string_view typeSuffix) {
  std::vector<std::string> out;
  for (const auto& [id, rel] : mainRels) {
    const std::string& type = rel.type;
    const bool typed = type.size() > typeSuffix.size() && type.ends_with(typeSuffix) &&
                       type[type.size() - typeSuffix.size() - 1] == '/';
    if (!rel.external && typed && package_->hasPart(rel.target)) out.push_back(rel.target);
  }
  return out;
}

std::vector<HeaderFooterRef> DocumentModel::headerFooterRefs() {
  return headerFooterRefs(cachedRelationships(mainPart_));
}

std::vector<HeaderFooterRef> DocumentModel::headerFooterRefs(const Relationships& mainRels) {
  std::vector<HeaderFooterRef> out;
  int section = 0;
  auto visit = [&](pugi::xml_node sectPr) {
    for (auto ref : sectPr.children()) {
      bool header = std::strcmp(ref.name(), "w:headerReference") == 0;
      bool footer = std::strcmp(ref.name(), "w:footerReference") == 0;
      if (!header && !footer) continue;
      std::string id = ref.attribute("r:id").value();
      for (const auto& [rid, rel] : mainRels) {
        if (rid == id && !rel.external && package_->hasPart(rel.target)) {
          out.push_back({footer, ref.attribute("w:type").value(), rel.target, section});
        }
      }
    }
    ++section;
  };
  pugi::xml_node body = main_->root();
  for (auto child : body.children()) {
    if (std::strcmp(child.name(), "w:p") == 0) {
      if (auto sectPr = child.child("w:pPr").child("w:sectPr")) visit(sectPr);
    } else if (std::strcmp(child.name(), "w:sectPr") == 0) {
      visit(child);
    }
  }
  return out;
}

std::shared_ptr<Story> DocumentModel::partStory(const std::string& part, StoryKind kind,
                                                const char* rootName) {
  auto it = partStories_.find(part);
  if (it != partStories_.end()) return it->second;
  pugi::xml_node root = package_->xml(part).doc.child(rootName);
  if (!root) return nullptr;
  auto story = std::make_shared<Story>(*this, kind, part, anchor(root));
  partStories_[part] = story;
  return story;
}

std::vector<std::shared_ptr<Story>> DocumentModel::stories() {
  std::vector<std::shared_ptr<Story>> out{main_};
  auto add = [&](const std::shared_ptr<Story>& story) {
    if (story && std::find(out.begin(), out.end(), story) == out.end()) out.push_back(story);
  };
  const Relationships& mainRels = cachedRelationships(mainPart_);
  for (const auto& part : relatedParts(mainRels, "footnotes"))
    add(partStory(part, StoryKind::Footnotes, "w:footnotes"));
  for (const auto& part : relatedParts(mainRels, "endnotes"))
    add(partStory(part, StoryKind::Endnotes, "w:endnotes"));
  for (const auto& ref : headerFooterRefs(mainRels)) {
    add(ref.footer ? partStory(ref.part, StoryKind::Footer, "w:ftr")
                   : partStory(ref.part, StoryKind::Header, "w:hdr"));
  }
  // Text boxes: those of the main text, then those of the headers and footers.
  std::vector<std::shared_ptr<Story>> owners(out.begin(), out.end());
  for (const auto& owner : owners) {
    if (owner->kind() != StoryKind::Main && owner->kind() != StoryKind::Header &&
        owner->kind() != StoryKind::Footer) {
      continue;
    }
    for (const auto& shape : owner->shapes()) {
      if (shape.textBox) add(textBoxStory(*owner, shape));
    }
  }
  return out;
}

std::shared_ptr<Story> DocumentModel::textBoxStory(const Story& owner, const ShapeInfo& shape) {
  std::erase_if(textBoxes_, [](const auto& entry) { return !entry.second->alive(); });
  auto& story = textBoxes_[shape.textBox.internal_object()];
  if (!story)
    story =
        std::make_shared<Story>(*this, StoryKind::TextBox, owner.part(), anchor(shape.textBox), shape.mirror);
  return story;
}

std::string DocumentModel::addImage(const std::string& sourcePart, const std::string& fileName,
                                    const std::string& bytes) {
  std::string ext = "jpeg";
  auto dot = fileName.find_last_of('.');
  if (dot != std::string::npos && fileName.find_first_of("\\/", dot) == std::string::npos)
    ext = fileName.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string media;
  for (int n = 1; media.empty() || package_->hasPart(media); ++n)
    media = "word/media/image_linked" + std::to_string(n) + "." + ext;
  package_->writePart(media, bytes);

  std::string sourceFolder = sourcePart.substr(0, sourcePart.rfind('/') + 1);
  std::string id = addRelationship(sourcePart, "image", media.substr(sourceFolder.size()), false);

  ooxml::XmlPart& types = package_->xml("[Content_Types].xml");
  pugi::xml_node root = types.doc.child("Types");
  bool known = false;
  for (auto def : root.children("Default")) {
    std::string e = def.attribute("Extension").value();
    for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    known = known || e == ext;
  }
  if (!known) {
    pugi::xml_node def = root.prepend_child("Default");
    def.append_attribute("Extension") = ext.c_str();
    std::string type = ext == "jpg" || ext == "jpeg" ? "image/jpeg"
                       : ext == "png"                ? "image/png"
                       : ext == "gif"                ? "image/gif"
                       : ext == "bmp"                ? "image/bmp"
                                                     : "image/" + ext;
    def.append_attribute("ContentType") = type.c_str();
    types.dirty = true;
  }
  saved = false;
  return id;
}

std::shared_ptr<Anchor> DocumentModel::anchor(pugi::xml_node node) {
  // Handles come and go by the thousand in a long merge: the entries of anchors no handle holds any more
  // are swept out, so the map stays the size of what is held.
  if (anchors_.size() > 2 * anchorsAfterSweep_ + 64) {
    std::erase_if(anchors_, [](const auto& entry) { return entry.second.expired(); });
    anchorsAfterSweep_ = anchors_.size();
  }
  auto& slot = anchors_[node.internal_object()];
  if (auto existing = slot.lock()) return existing;
  auto made = std::make_shared<Anchor>();
  made->node = node;
  slot = made;
  return made;
}

void DocumentModel::removeNode(pugi::xml_node node) {
  if (!anchors_.empty()) {
    auto kill = [&](pugi::xml_node n) {
      auto it = anchors_.find(n.internal_object());
      if (it == anchors_.end()) return;
      if (auto a = it->second.lock()) a->alive = false;
      anchors_.erase(it);
    };
    kill(node);
    ooxml::forEachDescendant(node, kill);
  }
  node.parent().remove_child(node);
}

void DocumentModel::touch(const std::string& part) {
  package_->xml(part).dirty = true;
  saved = false;
}

int DocumentModel::mainDocumentType() {
  auto settings = relatedParts("settings");
  if (settings.empty()) return -1;
  pugi::xml_node merge = package_->xml(settings.front()).doc.child("w:settings").child("w:mailMerge");
  if (!merge) return -1;
  std::string value = merge.child("w:mainDocumentType").attribute("w:val").value();
  for (const auto& [name, type] : kMainDocumentTypes) {
    if (value == name) return type;
  }
  return 0;
}

std::string DocumentModel::addRelationship(const std::string& sourcePart, const std::string& type,
                                           const std::string& target, bool external) {
  std::string rels = relsPartOf(sourcePart);
  if (!package_->hasPart(rels)) {
    package_->writePart(rels, std::string(ooxml::kWordXmlDeclaration) +
                                  "<Relationships "
                                  "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"/>");
  }
  ooxml::XmlPart& relsXml = package_->xml(rels);
  pugi::xml_node list = relsXml.doc.child("Relationships");
  std::string id;
  for (int n = 1; id.empty() || list.find_child_by_attribute("Relationship", "Id", id.c_str()); ++n) {
    id = "rId" + std::to_string(n);
  }
  pugi::xml_node rel = list.append_child("Relationship");
  rel.append_attribute("Id") = id.c_str();
  rel.append_attribute("Type") =
      ("http://schemas.openxmlformats.org/officeDocument/2006/relationships/" + type).c_str();
  rel.append_attribute("Target") = target.c_str();
  if (external) rel.append_attribute("TargetMode") = "External";
  relsXml.dirty = true;
  relationships_.erase(sourcePart);
  return id;
}

std::string DocumentModel::copyPart(const std::string& part, const std::string& suffix) {
  auto dot = part.rfind('.');
  std::string copy = part.substr(0, dot) + suffix + (dot == std::string::npos ? "" : part.substr(dot));
  package_->writePart(copy, package_->readPart(part));
  std::string rels = relsPartOf(part);
  if (package_->hasPart(rels)) package_->writePart(relsPartOf(copy), package_->readPart(rels));
  relationships_.erase(copy);
  ooxml::XmlPart& types = package_->xml("[Content_Types].xml");
  pugi::xml_node list = types.doc.child("Types");
  pugi::xml_node original = list.find_child_by_attribute("Override", "PartName", ("/" + part).c_str());
  if (original) {
    pugi::xml_node added = list.append_copy(original);
    added.attribute("PartName") = ("/" + copy).c_str();
    types.dirty = true;
  }
  return copy;
}

// Word gives a document without document settings a settings part the moment it needs one.
std::string DocumentModel::addSettingsPart() {
  std::string folder = mainPart_.substr(0, mainPart_.rfind('/') + 1);
  std::string part = folder + "settings.xml";
  package_->writePart(part, std::string(ooxml::kWordXmlDeclaration) +
                                "<w:settings "
                                "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"/>");
  addRelationship(mainPart_, "settings", "settings.xml", false);
  ooxml::XmlPart& types = package_->xml("[Content_Types].xml");
  pugi::xml_node overrideNode = types.doc.child("Types").append_child("Override");
  overrideNode.append_attribute("PartName") = ("/" + part).c_str();
  overrideNode.append_attribute("ContentType") =
      "application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml";
  types.dirty = true;
  return part;
}

void DocumentModel::setMainDocumentType(int type) {
  auto settingsParts = relatedParts("settings");
  if (settingsParts.empty()) {
    if (type == -1) return;
    settingsParts.push_back(addSettingsPart());
  }
  const std::string& part = settingsParts.front();
  pugi::xml_node settings = package_->xml(part).doc.child("w:settings");
  pugi::xml_node merge = settings.child("w:mailMerge");
  if (type == mainDocumentType()) return;  // nothing changes, the document stays saved
  if (type == -1) {
    removeNode(merge);
    touch(part);
    return;
  }
  const char* name = nullptr;
  for (const auto& [n, t] : kMainDocumentTypes) {
    if (t == type) name = n;
  }
  if (!name) throw wordError(kWordBadParameter, "The value is out of range.");
  if (!merge) {
    pugi::xml_node after;
    for (auto child : settings.children()) {
      for (const char* before : kBeforeMailMerge) {
        if (std::strcmp(child.name(), before) == 0) after = child;
      }
    }
    merge = after ? settings.insert_child_after("w:mailMerge", after) : settings.prepend_child("w:mailMerge");
    merge.append_child("w:mainDocumentType");
    merge.append_child("w:dataType").append_attribute("w:val") = "textFile";
  }
  pugi::xml_node typeNode = merge.child("w:mainDocumentType");
  if (!typeNode) typeNode = merge.prepend_child("w:mainDocumentType");
  if (!typeNode.attribute("w:val")) typeNode.append_attribute("w:val");
  typeNode.attribute("w:val").set_value(name);
  touch(part);
}

}  // namespace tw::engine::model
