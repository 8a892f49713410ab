#include "engine/model/styles.h"

#include <algorithm>
#include <string_view>

#include "engine/model/document_model.h"
#include "runtime/error.h"

namespace tw::engine::model {
namespace {

bool isOnValue(std::string_view value) {
  return value != "0" && value != "false" && value != "off";
}

// The fonts Word's own theme gives documents that refer to a theme they do not carry.
constexpr const char* kMajorThemeFont = "Calibri Light";
constexpr const char* kMinorThemeFont = "Calibri";

// Whether an on/off property such as w:b is on: present and not switched off by its value.
bool isOn(pugi::xml_node property) {
  return property && isOnValue(property.attribute("w:val").as_string("1"));
}

}  // namespace

pugi::xml_node Formatting::property(const char* name, std::initializer_list<const char*> anyOf) const {
  for (const Level& level : levels_) {
    for (pugi::xml_node set : level.sets) {
      pugi::xml_node element = set.child(name);
      if (!element) continue;
      if (anyOf.size() == 0) return element;
      for (const char* attribute : anyOf)
        if (element.attribute(attribute)) return element;
    }
  }
  return {};
}

pugi::xml_attribute Formatting::value(const char* name, const char* attribute) const {
  return property(name, {attribute}).attribute(attribute);
}

bool Formatting::toggle(const char* name) const {
  bool on = false;
  for (auto level = levels_.rbegin(); level != levels_.rend(); ++level) {  // the weakest first
    pugi::xml_node element;
    for (pugi::xml_node set : level->sets)
      if ((element = set.child(name))) break;
    if (!element) continue;
    if (!level->style)
      on = isOn(element);  // the document defaults and the run's own properties say what it is
    else if (isOn(element))
      on = !on;
  }
  return on;
}

StyleSheet::StyleSheet(DocumentModel& document) {
  try {
    for (const std::string& part : document.relatedParts("styles")) {
      pugi::xml_node styles = document.package().xml(part).doc.child("w:styles");
      runDefaults_ = styles.child("w:docDefaults").child("w:rPrDefault").child("w:rPr");
      paragraphDefaults_ = styles.child("w:docDefaults").child("w:pPrDefault").child("w:pPr");
      for (pugi::xml_node style : styles.children("w:style")) {
        std::string type = style.attribute("w:type").as_string("paragraph");
        std::string id = style.attribute("w:styleId").as_string();
        styles_.emplace(type + "/" + id, style);
        if (isOnValue(style.attribute("w:default").as_string("0"))) defaultStyle_.emplace(type, id);
      }
      break;
    }
  } catch (const runtime::Error&) {
    // A damaged styles part counts as none: the text gets Word's defaults.
    runDefaults_ = paragraphDefaults_ = {};
    styles_.clear();
    defaultStyle_.clear();
  }
  majorFont_ = kMajorThemeFont;
  minorFont_ = kMinorThemeFont;
  try {
    for (const std::string& part : document.relatedParts("theme")) {
      pugi::xml_node fonts =
          document.package().xml(part).doc.child("a:theme").child("a:themeElements").child("a:fontScheme");
      auto latin = [&](const char* scheme, std::string& font) {
        std::string typeface = fonts.child(scheme).child("a:latin").attribute("typeface").as_string();
        if (!typeface.empty()) font = typeface;
      };
      latin("a:majorFont", majorFont_);
      latin("a:minorFont", minorFont_);
      break;
    }
  } catch (const runtime::Error&) {
    // A damaged theme: its fonts are those of Word's own theme.
  }
}

Formatting StyleSheet::paragraphFormatting(pugi::xml_node paragraph) const {
  pugi::xml_node own = paragraph.child("w:pPr");
  Formatting formatting;
  formatting.levels_ = {
      {{own}, false},
      {chain("paragraph", own.child("w:pStyle").attribute("w:val").as_string(), "w:pPr"), true},
      {{paragraphDefaults_}, false},
  };
  return formatting;
}

Formatting StyleSheet::runFormatting(pugi::xml_node paragraph, pugi::xml_node run) const {
  return formattingOfRun(paragraph, run.child("w:rPr"));
}

Formatting StyleSheet::markFormatting(pugi::xml_node paragraph) const {
  return formattingOfRun(paragraph, paragraph.child("w:pPr").child("w:rPr"));
}

Formatting StyleSheet::defaultRunFormatting() const {
  Formatting formatting;
  formatting.levels_ = {{{runDefaults_}, false}};
  return formatting;
}

Formatting StyleSheet::formattingOfRun(pugi::xml_node paragraph, pugi::xml_node rPr) const {
  std::string paragraphStyle = paragraph.child("w:pPr").child("w:pStyle").attribute("w:val").as_string();
  Formatting formatting;
  formatting.levels_ = {
      {{rPr}, false},
      {chain("character", rPr.child("w:rStyle").attribute("w:val").as_string(), "w:rPr"), true},
      {chain("paragraph", paragraphStyle, "w:rPr"), true},
      {{runDefaults_}, false},
  };
  return formatting;
}

std::string StyleSheet::font(const Formatting& run) const {
  pugi::xml_node fonts = run.property("w:rFonts", {"w:asciiTheme", "w:ascii", "w:hAnsiTheme", "w:hAnsi"});
  for (const char* attribute : {"w:asciiTheme", "w:ascii", "w:hAnsiTheme", "w:hAnsi"}) {
    std::string value = fonts.attribute(attribute).as_string();
    if (value.empty()) continue;
    if (std::string_view(attribute).ends_with("Theme"))
      return value.starts_with("major") ? majorFont_ : minorFont_;
    return value;
  }
  return "";
}

std::vector<pugi::xml_node> StyleSheet::chain(const std::string& type, std::string id,
                                              const char* set) const {
  auto style = styles_.find(type + "/" + id);
  if (style == styles_.end()) {
    auto fallback = defaultStyle_.find(type);
    if (fallback == defaultStyle_.end()) return {};
    style = styles_.find(type + "/" + fallback->second);
  }
  std::vector<pugi::xml_node> sets;
  std::vector<pugi::xml_node> passed;  // a chain that comes back to a style it passed ends there
  while (style != styles_.end() && std::find(passed.begin(), passed.end(), style->second) == passed.end()) {
    passed.push_back(style->second);
    if (pugi::xml_node properties = style->second.child(set)) sets.push_back(properties);
    std::string base = style->second.child("w:basedOn").attribute("w:val").as_string();
    style = base.empty() ? styles_.end() : styles_.find(type + "/" + base);
  }
  return sets;
}

}  // namespace tw::engine::model
