#pragma once

// A document's styles (its styles part) and the formatting they give paragraphs and runs. Word builds a
// run's formatting in this order, each level over the one before: the document defaults, the paragraph
// style with the styles it is based on, the character style with its bases, then the run's own
// properties. A paragraph's is the same without the character style.

#include <initializer_list>
#include <string>
#include <unordered_map>
#include <vector>

#include <pugixml.hpp>

namespace tw::engine::model {

class DocumentModel;

// The property sets (w:rPr or w:pPr) that format one run or paragraph, from all levels.
class Formatting {
 public:
  // The property element that counts: the one of the strongest set that has it, or, with `anyOf`, the
  // strongest that has one of those attributes. Attributes are separate properties where Word keeps them
  // apart: a paragraph's w:spacing may set w:before while its style's sets w:after.
  pugi::xml_node property(const char* name, std::initializer_list<const char*> anyOf = {}) const;
  // The attribute of `name` that counts, as `property` finds it.
  pugi::xml_attribute value(const char* name, const char* attribute = "w:val") const;
  // A toggle property (w:b, w:i, ...). Set on the run itself it is what it says. Otherwise the document
  // defaults give its start, and each style that turns it on (the nearest in its basedOn chain that sets
  // it) switches it: bold text in a bold paragraph style prints regular.
  bool toggle(const char* name) const;

 private:
  friend class StyleSheet;
  struct Level {
    std::vector<pugi::xml_node> sets;  // a style's own set first, then those of the styles it is based on
    bool style = false;
  };
  std::vector<Level> levels_;  // the strongest first
};

class StyleSheet {
 public:
  // Reads the styles and the theme of `document`. A document without a styles part, or with one that is
  // damaged, has no styles: its text gets Word's defaults.
  explicit StyleSheet(DocumentModel& document);

  Formatting paragraphFormatting(pugi::xml_node paragraph) const;
  Formatting runFormatting(pugi::xml_node paragraph, pugi::xml_node run) const;
  // The formatting of the paragraph mark, which gives an empty paragraph its height.
  Formatting markFormatting(pugi::xml_node paragraph) const;
  // The run properties of the document defaults alone.
  Formatting defaultRunFormatting() const;

  // The font family a run's Latin text is set in (w:rFonts w:ascii, a theme font looked up in the
  // theme); empty when no level names one.
  std::string font(const Formatting& run) const;

 private:
  // A run's formatting from its own properties `rPr` (a run's, or the paragraph mark's).
  Formatting formattingOfRun(pugi::xml_node paragraph, pugi::xml_node rPr) const;
  // The `set` (w:rPr or w:pPr) of the style `id` of `type` and of the styles it is based on, nearest
  // first; the type's default style when `id` names none.
  std::vector<pugi::xml_node> chain(const std::string& type, std::string id, const char* set) const;

  pugi::xml_node runDefaults_;                                 // w:docDefaults/w:rPrDefault/w:rPr
  pugi::xml_node paragraphDefaults_;                           // w:docDefaults/w:pPrDefault/w:pPr
  std::unordered_map<std::string, pugi::xml_node> styles_;     // by type + "/" + id
  std::unordered_map<std::string, std::string> defaultStyle_;  // id by type
  std::string majorFont_;
  std::string minorFont_;
};

}  // namespace tw::engine::model
