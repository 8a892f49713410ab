#include "engine/print/layout.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>

#include "engine/model/document_model.h"
#include "engine/model/story.h"
#include "engine/model/styles.h"
#include "engine/model/wrappers.h"
#include "runtime/codepage.h"

namespace tw::engine::print {
namespace {

using model::DocumentModel;
using model::Formatting;
using model::Story;
using model::StyleSheet;

constexpr double kTwipsPerPoint = 20;
constexpr double kEmuPerPoint = 12700;
constexpr double kLineUnitsPerLine = 240;  // w:spacing w:line with the rule "auto"
// What Word sets text in when no style and no formatting names a font or a size.
constexpr const char* kWordDefaultFont = "Times New Roman";
constexpr double kWordDefaultSize = 10;

bool isNamed(pugi::xml_node node, const char* name) {
  return std::strcmp(node.name(), name) == 0;
}

double twipsAttribute(pugi::xml_node node, const char* attribute, double fallback) {
  pugi::xml_attribute value = node.attribute(attribute);
  return value ? value.as_double() / kTwipsPerPoint : fallback;
}

pugi::xml_node findDescendant(pugi::xml_node node, const char* name) {
  return node.find_node([name](pugi::xml_node n) { return isNamed(n, name); });
}

PageGeometry geometryOf(pugi::xml_node sectPr) {
  PageGeometry page;
  pugi::xml_node size = sectPr.child("w:pgSz");
  page.width = twipsAttribute(size, "w:w", page.width);
  page.height = twipsAttribute(size, "w:h", page.height);
  if (size.attribute("w:orient").as_string() == std::string("landscape") && page.width < page.height)
    std::swap(page.width, page.height);
  pugi::xml_node margins = sectPr.child("w:pgMar");
  page.top = twipsAttribute(margins, "w:top", page.top);
  page.right = twipsAttribute(margins, "w:right", page.right);
  page.bottom = twipsAttribute(margins, "w:bottom", page.bottom);
  page.left = twipsAttribute(margins, "w:left", page.left);
  page.header = twipsAttribute(margins, "w:header", page.header);
  page.footer = twipsAttribute(margins, "w:footer", page.footer);
  return page;
}

Alignment alignmentOf(const Formatting& paragraph) {
  std::string jc = paragraph.value("w:jc").as_string();
  if (jc == "center") return Alignment::kCenter;
  if (jc == "right" || jc == "end") return Alignment::kRight;
  if (jc == "both" || jc == "distribute") return Alignment::kJustify;
  return Alignment::kLeft;
}

ParagraphSpacing spacingOf(const Formatting& paragraph) {
  ParagraphSpacing spacing;
  // Values Word would not take (negative, no line height) leave the default.
  spacing.before =
      std::max(0.0, twipsAttribute(paragraph.property("w:spacing", {"w:before"}), "w:before", 0));
  spacing.after = std::max(0.0, twipsAttribute(paragraph.property("w:spacing", {"w:after"}), "w:after", 0));
  pugi::xml_node line = paragraph.property("w:spacing", {"w:line"});
  double value = line.attribute("w:line").as_double();
  if (value <= 0) return spacing;
  std::string rule = line.attribute("w:lineRule").as_string("auto");
  if (rule == "exact" || rule == "atLeast") {
    spacing.rule = rule == "exact" ? LineRule::kExact : LineRule::kAtLeast;
    spacing.line = value / kTwipsPerPoint;
  } else {
    spacing.line = value / kLineUnitsPerLine;
  }
  return spacing;
}

// The format of a run (its text left empty) as its levels of formatting give it.
TextRun formatOf(const StyleSheet& styles, const Formatting& run) {
  TextRun format;
  format.bold = run.toggle("w:b");
  format.italic = run.toggle("w:i");
  double halfPoints = run.value("w:sz").as_double();
  format.size = halfPoints > 0 ? halfPoints / 2 : kWordDefaultSize;
  format.font = styles.font(run);
  if (format.font.empty()) format.font = kWordDefaultFont;
  std::string underline = run.value("w:u").as_string("none");
  format.underline = underline == "none"     ? Underline::kNone
                     : underline == "double" ? Underline::kDouble
                                             : Underline::kSingle;
  return format;
}

// Collects the runs of one story's paragraphs: shown text and field results, not field codes or deleted
// text.
class RunCollector {
 public:
  RunCollector(DocumentModel& document, const StyleSheet& styles, const Story& story, sys::System& system,
               const runtime::FileRule& files)
      : document_(document), styles_(styles), part_(story.part()), system_(system), files_(files) {}

  std::vector<Run> paragraph(pugi::xml_node p) {
    runs_.clear();
    paragraph_ = p;
    walk(p);
    return std::move(runs_);
  }

 private:
  void walk(pugi::xml_node container) {
    for (pugi::xml_node node : container.children()) {
      if (isNamed(node, "w:r")) {
        run(node);
      } else if (isNamed(node, "w:del") || isNamed(node, "w:pPr") || isNamed(node, "w:moveFrom")) {
        continue;
      } else {
        walk(node);  // hyperlinks, simple fields, insertions, content controls, smart tags
      }
    }
  }

  bool inCode() const {
    for (bool code : fieldCode_)
      if (code) return true;
    return false;
  }

  void run(pugi::xml_node r) {
    const TextRun format = formatOf(styles_, styles_.runFormatting(paragraph_, r));
    for (pugi::xml_node item : r.children()) {
      if (isNamed(item, "w:fldChar")) {
        std::string type = item.attribute("w:fldCharType").as_string();
        if (type == "begin") fieldCode_.push_back(true);
        if (type == "separate" && !fieldCode_.empty()) fieldCode_.back() = false;
        if (type == "end" && !fieldCode_.empty()) fieldCode_.pop_back();
        continue;
      }
      if (inCode()) continue;
      if (isNamed(item, "w:t")) {
        append(format, item.text().get());
      } else if (isNamed(item, "w:tab")) {
        append(format, "\t");
      } else if (isNamed(item, "w:br")) {
        append(format, item.attribute("w:type").as_string() == std::string("page") ? "\f" : "\v");
      } else if (isNamed(item, "w:cr")) {
        append(format, "\v");
      } else if (isNamed(item, "w:noBreakHyphen")) {
        append(format, "-");
      } else if (isNamed(item, "w:drawing")) {
        picture(item);
      }
    }
  }

  void append(const TextRun& format, const char* text) {
    if (!runs_.empty()) {
      if (auto* last = std::get_if<TextRun>(&runs_.back()); last && last->sameFormat(format)) {
        last->text += text;
        return;
      }
    }
    TextRun run = format;
    run.text = text;
    runs_.emplace_back(std::move(run));
  }

  // An inline picture; floating ones are not printed.
  void picture(pugi::xml_node drawing) {
    pugi::xml_node inlined = drawing.child("wp:inline");
    if (!inlined) return;
    PictureRun picture;
    picture.width = inlined.child("wp:extent").attribute("cx").as_double() / kEmuPerPoint;
    picture.height = inlined.child("wp:extent").attribute("cy").as_double() / kEmuPerPoint;
    pugi::xml_node blip = findDescendant(inlined, "a:blip");
    std::string id = blip.attribute("r:embed").as_string();
    if (id.empty()) id = blip.attribute("r:link").as_string();
    picture.bytes = imageBytes(id);
    runs_.emplace_back(std::move(picture));
  }

  std::string imageBytes(const std::string& id) {
    if (id.empty()) return {};
    if (relationships_.empty()) {
      for (auto& [key, relationship] : document_.relationships(part_)) relationships_[key] = relationship;
    }
    auto found = relationships_.find(id);
    if (found == relationships_.end()) return {};
    const auto& relationship = found->second;
    try {
      if (!relationship.external) {
        if (!files_.allowsPart("picture part", relationship.target)) return {};
        return document_.package().readPart(relationship.target);
      }
      std::string path = relationship.target;
      if (path.starts_with("file:///")) path = path.substr(8);
      path = runtime::utf8ToCp1252(path);
      if (!files_.allowsFile("linked picture", path)) return {};
      return system_.ReadFile(path);
    } catch (const std::exception&) {
      return {};  // a missing picture prints as its frame
    }
  }

  DocumentModel& document_;
  const StyleSheet& styles_;
  std::string part_;
  sys::System& system_;
  const runtime::FileRule& files_;
  std::map<std::string, DocumentModel::Relationship> relationships_;
  std::vector<bool> fieldCode_;  // per open field: still in its code
  pugi::xml_node paragraph_;
  std::vector<Run> runs_;
};

std::string paragraphText(Story& story, pugi::xml_node node) {
  auto [start, end] = story.extent(node);
  std::string text = story.text(start, end, false);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\a')) text.pop_back();
  return text;
}

class BlockCollector {
 public:
  BlockCollector(DocumentModel& document, const StyleSheet& styles, Story& story, sys::System& system,
                 const runtime::FileRule& files)
      : styles_(styles), story_(story), runs_(document, styles, story, system, files) {}

  // The blocks of a container's paragraphs and tables; `onSectionEnd` runs after a paragraph that ends a
  // section, with that section's properties.
  void collect(pugi::xml_node container, const std::function<void(Block)>& add,
               const std::function<void(pugi::xml_node)>& onSectionEnd = {}) {
    model::forEachThroughWrappers(container, [&](pugi::xml_node node) {
      if (isNamed(node, "w:p")) {
        add(paragraph(node));
        if (pugi::xml_node sectPr = node.child("w:pPr").child("w:sectPr"); onSectionEnd && sectPr)
          onSectionEnd(sectPr);
      } else if (isNamed(node, "w:tbl")) {
        add(table(node));
      }
    });
  }

 private:
  ParagraphBlock paragraph(pugi::xml_node p) {
    Formatting formatting = styles_.paragraphFormatting(p);
    ParagraphBlock block(paragraphText(story_, p), runs_.paragraph(p), alignmentOf(formatting));
    block.spacing = spacingOf(formatting);
    block.mark = formatOf(styles_, styles_.markFormatting(p));
    return block;
  }

  TableBlock table(pugi::xml_node tbl) {
    TableBlock table;
    for (pugi::xml_node column : tbl.child("w:tblGrid").children("w:gridCol"))
      table.columnWidths.push_back(twipsAttribute(column, "w:w", 0));
    pugi::xml_node properties = tbl.child("w:tblPr");
    table.borders = static_cast<bool>(properties.child("w:tblStyle"));
    for (pugi::xml_node border : properties.child("w:tblBorders").children()) {
      std::string value = border.attribute("w:val").as_string();
      table.borders = table.borders || (value != "nil" && value != "none");
    }
    model::forEachWrapped(tbl, "w:tr", [&](pugi::xml_node row) {
      std::vector<std::string> texts;
      std::vector<std::vector<ParagraphBlock>> cells;
      model::forEachWrapped(row, "w:tc", [&](pugi::xml_node cell) {
        std::string text;
        std::vector<ParagraphBlock> paragraphs;
        model::forEachWrapped(cell, "w:p", [&](pugi::xml_node p) {
          paragraphs.push_back(paragraph(p));
          text += (text.empty() ? "" : "\r") + paragraphs.back().text;
        });
        texts.push_back(std::move(text));
        cells.push_back(std::move(paragraphs));
      });
      table.rows.push_back(std::move(texts));
      table.cells.push_back(std::move(cells));
    });
    return table;
  }

  const StyleSheet& styles_;
  Story& story_;
  RunCollector runs_;
};

}  // namespace

PrintLayout layoutOf(DocumentModel& document, sys::System& system, const runtime::FileRule& files) {
  PrintLayout layout;
  layout.title = document.package().fileName();
  const StyleSheet styles(document);
  std::vector<Block> header;
  std::vector<Block> footer;
  for (const auto& ref : document.headerFooterRefs()) {
    if (ref.type != "default") continue;
    for (const auto& story : document.stories()) {
      if (story->part() != ref.part) continue;
      auto& blocks = ref.footer ? footer : header;
      blocks.clear();
      BlockCollector(document, styles, *story, system, files).collect(story->root(), [&](Block block) {
        blocks.push_back(std::move(block));
      });
    }
  }
  Story& main = *document.mainStory();
  layout.pages.emplace_back(header, std::vector<Block>{}, footer);
  BlockCollector(document, styles, main, system, files)
      .collect(
          main.root(), [&](Block block) { layout.pages.back().body.push_back(std::move(block)); },
          [&](pugi::xml_node sectPr) {
            layout.pages.back().geometry = geometryOf(sectPr);
            layout.pages.emplace_back(header, std::vector<Block>{}, footer);
          });
  layout.pages.back().geometry = geometryOf(main.root().child("w:sectPr"));
  return layout;
}

}  // namespace tw::engine::print
