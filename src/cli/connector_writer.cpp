#include "cli/connector_writer.h"

#include <vector>

#include "context/module_state.h"
#include "runtime/codepage.h"
#include "runtime/error.h"
#include "server/base64.h"

namespace tw::addin {
namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kDefaultStartLine = "Tallyweave bestand";
constexpr size_t kMenuGroupSize = 50;
constexpr size_t kMergeMenus = 10;

[[noreturn]] void fail(const std::string& what) {
  throw runtime::Error(runtime::kInvalidProcedureCall, "connector description: " + what);
}

// A JSON scalar as the text the add-in reads: strings in Windows-1252, numbers as written, booleans as
// the words True and False.
std::string textOf(const Json& value, const std::string& member) {
  if (value.is_string()) return runtime::utf8ToCp1252(value.get<std::string>());
  if (value.is_boolean()) return value.get<bool>() ? "True" : "False";
  if (value.is_number()) return value.dump();
  fail(member + " must be a text, a number or a boolean");
}

const Json& member(const Json& object, const char* name, const std::string& where) {
  if (!object.is_object() || !object.contains(name)) fail(where + " needs \"" + name + "\"");
  return object.at(name);
}

std::string joined(const std::vector<std::string>& items, char separator) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += separator;
    text += items[i];
  }
  return text;
}

class Writer {
 public:
  Writer(const Json& description, const FileLoader& loadFile)
      : description_(description), loadFile_(loadFile) {}

  std::string write() {
    if (!description_.is_object()) fail("the description must be a JSON object");
    std::string kind = description_.contains("kind") ? textOf(description_["kind"], "kind") : "document";
    if (kind != "document" && kind != "template") fail("\"kind\" must be \"document\" or \"template\"");
    bool templateJob = kind == "template";

    line(description_.contains("start_line") ? textOf(description_["start_line"], "start_line")
                                             : kDefaultStartLine);
    if (description_.contains("template")) writeTemplate(description_["template"], templateJob);
    if (description_.contains("settings")) writeSettings(description_["settings"]);
    if (description_.contains("header_columns")) writeHeaderColumns(description_["header_columns"]);
    if (description_.contains("fields")) writeFields(description_["fields"]);
    if (description_.contains("records")) writeRecords(description_["records"]);
    if (description_.contains("images")) writeImages(description_["images"]);
    if (description_.contains("merge_menus")) writeMergeMenus(description_["merge_menus"]);
    if (description_.contains("ribbon")) writeRibbon(description_["ribbon"]);
    if (description_.contains("lines")) writeRawLines(description_["lines"]);
    return std::move(out_);
  }

 private:
  void line(const std::string& text) {
    out_ += text;
    out_ += "\r\n";
  }
  void entry(const std::string& key, const std::string& bytes) { line(key + "," + base64Encode(bytes)); }

  // A text or, with {"file": path}, the bytes of a file.
  std::string contentOf(const Json& value, const std::string& where) {
    if (value.is_object()) return loadFile_(textOf(member(value, "file", where), where + ".file"));
    return textOf(value, where);
  }

  void writeTemplate(const Json& t, bool templateJob) {
    entry("_template", loadFile_(textOf(member(t, "file", "template"), "template.file")));
    if (t.contains("name"))
      entry(templateJob ? "_template_name" : "template_name", textOf(t["name"], "template.name"));
    if (t.contains("title"))
      entry(templateJob ? "_template_title" : "template_title", textOf(t["title"], "template.title"));
  }

  // Settings are the connector keys without their leading underscore.
  void writeSettings(const Json& settings) {
    if (!settings.is_object()) fail("\"settings\" must be an object");
    for (const auto& [key, value] : settings.items()) {
      entry("_" + key, contentOf(value, "settings." + key));
    }
  }

  void writeHeaderColumns(const Json& columns) {
    std::vector<std::string> names;
    for (const Json& name : arrayOf(columns, "header_columns"))
      names.push_back(textOf(name, "header_columns"));
    entry("_header_cols", joined(names, ','));
  }

  // Fields in file order: an object of name -> value.
  void writeFields(const Json& fields) {
    if (!fields.is_object()) fail("\"fields\" must be an object of name -> value");
    for (const auto& [name, value] : fields.items()) {
      entry(runtime::utf8ToCp1252(name), contentOf(value, "fields." + name));
    }
  }

  // Record groups: col_<name>,<name>;<count>;<Base64 field>|<Base64 field>...
  void writeRecords(const Json& records) {
    for (const Json& record : arrayOf(records, "records")) {
      std::string name = textOf(member(record, "name", "records[]"), "records[].name");
      std::string count = textOf(member(record, "count", "records[]"), "records[].count");
      std::vector<std::string> items;
      for (const Json& field : arrayOf(member(record, "fields", "records[]"), "records[].fields")) {
        items.push_back(base64Encode(textOf(field, "records[].fields")));
      }
      line("col_" + name + "," + name + ";" + count + ";" + joined(items, '|'));
    }
  }

  // Pictures: img_<column>,<Base64 bytes>[;<Base64 "width[,height]">].
  void writeImages(const Json& images) {
    for (const Json& image : arrayOf(images, "images")) {
      std::string column = textOf(member(image, "column", "images[]"), "images[].column");
      if (column.find("img_") == std::string::npos) column = "img_" + column;
      std::string value = base64Encode(loadFile_(textOf(member(image, "file", "images[]"), "images[].file")));
      std::string size;
      if (image.contains("width")) size = textOf(image["width"], "images[].width");
      if (image.contains("height")) size += "," + textOf(image["height"], "images[].height");
      if (!size.empty()) value += ";" + base64Encode(size);
      line(column + "," + value);
    }
  }

  // Up to ten submenus of fields; submenu g takes the list items 50 * (g - 1) onwards, so that the n-th
  // label, key and format land in the slots of that submenu.
  void writeMergeMenus(const Json& menus) {
    const Json& list = arrayOf(menus, "merge_menus");
    if (list.size() > kMergeMenus) fail("\"merge_menus\" holds at most 10 menus");
    std::vector<std::string> captions, visibility, labels, keys, formats;
    for (size_t g = 0; g < list.size(); ++g) {
      const Json& menu = list[g];
      captions.push_back(
          base64Encode(textOf(member(menu, "caption", "merge_menus[]"), "merge_menus[].caption")));
      visibility.push_back(visibilityOf(menu));
      const Json& fields = arrayOf(member(menu, "fields", "merge_menus[]"), "merge_menus[].fields");
      if (fields.size() > kMenuGroupSize) fail("a merge menu holds at most 50 fields");
      // Pad the previous group to its fifty slots.
      labels.resize(g * kMenuGroupSize);
      keys.resize(g * kMenuGroupSize);
      formats.resize(g * kMenuGroupSize);
      for (const Json& field : fields) {
        std::string key =
            textOf(member(field, "key", "merge_menus[].fields[]"), "merge_menus[].fields[].key");
        labels.push_back(base64Encode(field.contains("label") ? textOf(field["label"], "label") : key));
        keys.push_back(base64Encode(key));
        formats.push_back(base64Encode(field.contains("format") ? textOf(field["format"], "format") : ""));
      }
    }
    if (description_.contains("merge_menu_caption")) {
      entry("_merge_menu_caption", textOf(description_["merge_menu_caption"], "merge_menu_caption"));
    }
    entry("_merge_menus", joined(captions, ','));
    entry("_merge_menu_visibility", joined(visibility, ','));
    entry("_merge_labels", joined(labels, ','));
    entry("_merge_keys", joined(keys, ','));
    entry("_merge_formats", joined(formats, ','));
  }

  // "1" shows a submenu, any other text hides it; a boolean is written as "1" or "0".
  static std::string visibilityOf(const Json& menu) {
    if (!menu.contains("visible")) return "1";
    const Json& visible = menu["visible"];
    if (visible.is_boolean()) return visible.get<bool>() ? "1" : "0";
    return textOf(visible, "merge_menus[].visible");
  }

  void writeRibbon(const Json& ribbon) {
    if (ribbon.contains("xml")) entry("_ribbon_xml", contentOf(ribbon["xml"], "ribbon.xml"));
    if (!ribbon.contains("icons")) return;
    if (!ribbon["icons"].is_object()) fail("\"ribbon.icons\" must be an object of name -> file");
    for (const auto& [name, file] : ribbon["icons"].items()) {
      entry("ico_" + runtime::utf8ToCp1252(name), loadFile_(textOf(file, "ribbon.icons." + name)));
    }
  }

  // Lines written as they stand, for jobs a description cannot express otherwise.
  void writeRawLines(const Json& lines) {
    for (const Json& text : arrayOf(lines, "lines")) line(textOf(text, "lines"));
  }

  static const Json& arrayOf(const Json& value, const std::string& where) {
    if (!value.is_array()) fail("\"" + where + "\" must be an array");
    return value;
  }

  const Json& description_;
  const FileLoader& loadFile_;
  std::string out_;
};

}  // namespace

std::string writeConnectorFile(const nlohmann::ordered_json& description, const FileLoader& loadFile) {
  try {
    return Writer(description, loadFile).write();
  } catch (const nlohmann::json::exception& e) {
    fail(e.what());
  }
}

}  // namespace tw::addin
