#include "merge/data_sources.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "context/addin_context.h"
#include "context/safe_names.h"
#include "context/temp_files.h"

namespace tw::addin {
namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kTextDriver = "Provider=MSDASQL;Driver={Microsoft Text Driver (*.csv)}";
constexpr size_t kImageMarkLength = 4;

bool contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

void appendLine(std::string& text, std::string_view line) {
  text.append(line);
  text += kCrLf;
}

void appendCell(std::string& text, std::string_view content) {
  text += "<TD>";
  text.append(content);
  text += "</TD>";
  text += kCrLf;
}

// Values are text, not markup: "<" and ">" become entities so a value can neither end its cell nor vanish
// as an unknown tag; inside an attribute the quote too. "&" stays, so values the service escaped already
// read as before.
std::string escapeMarkup(std::string_view text, bool attribute = false) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    if (c == '<') {
      escaped += "&lt;";
    } else if (c == '>') {
      escaped += "&gt;";
    } else if (attribute && c == '\'') {
      escaped += "&#39;";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

// A picture the add-in wrote for this job: the value is its path, perhaps followed by ";" and a size.
bool namesWrittenPicture(const tallyweaveModule& m, const std::string& value) {
  if (!contains(value, "document_image")) return false;
  std::string_view path = std::string_view(value).substr(0, value.find(';'));
  return std::find(m.documentImages.begin(), m.documentImages.end(), path) != m.documentImages.end();
}

// A data cell: a picture for values that name a written picture (with its size when the value carries
// one), else the value as text.
void appendDataCell(std::string& text, const tallyweaveModule& m, const std::string& value) {
  if (!namesWrittenPicture(m, value)) {
    appendCell(text, escapeMarkup(value));
    return;
  }
  size_t semicolon = value.find(';');
  if (semicolon == std::string::npos) {
    appendCell(text, "<IMG  SRC='" + escapeMarkup(value, true) + "'>");
    return;
  }
  std::string picture = escapeMarkup(value.substr(0, semicolon), true);
  std::string attributes = escapeMarkup(value.substr(semicolon + 1), true);
  size_t comma = attributes.find(',');
  std::string size = comma == std::string::npos ? "width='" + attributes + "'"
                                                : "width='" + attributes.substr(0, comma) + "' height='" +
                                                      attributes.substr(comma + 1) + "'";
  appendCell(text, "<IMG " + size + " SRC='" + picture + "'>");
}

std::string htmlFrameStart() {
  std::string text;
  for (const char* line : {"<HTML>", "<BODY>", "<TABLE>", "<TR>"}) appendLine(text, line);
  return text;
}

void closeHtmlFrame(std::string& text) {
  text += "</TR>\r\n</TABLE>\r\n</BODY>\r\n</HTML>";
}

}  // namespace

void writeHtmlSources(AddinContext& ctx, bool writeDataFile) {
  tallyweaveModule& m = ctx.module;
  std::string header = htmlFrameStart();
  std::string data = htmlFrameStart();
  // The slots of each name, in list order: a name may stand in the list more than once.
  const size_t last = std::min(static_cast<size_t>(std::max<int>(m.fieldCount, 0)), m.fieldNames.size() - 1);
  std::unordered_map<std::string_view, std::vector<size_t>> slotsOf;
  for (size_t i = 0; i <= last; ++i) slotsOf[m.fieldNames[i]].push_back(i);
  auto walk = [&](const auto& names) {
    for (const std::string& name : names) {
      if (name.empty()) continue;
      auto slots = slotsOf.find(name);
      if (slots == slotsOf.end()) continue;
      for (size_t i : slots->second) {
        if (writeDataFile)
          appendDataCell(data, m, i < m.fieldValues.size() ? m.fieldValues[i] : std::string());
        appendCell(header, escapeMarkup(m.fieldNames[i]));
      }
    }
  };
  if (ctx.settings.generateMode == GenerateMode::kHtmlString) {
    walk(m.fieldNames);
  } else {
    walk(m.mergefieldInventory.names());
  }
  closeHtmlFrame(header);
  closeHtmlFrame(data);
  sys::System& sys = ctx.services.sys;
  sys.WriteFile(ctx.tempPath(tempfile::kHtmlHeader), header);
  if (writeDataFile) sys.WriteFile(ctx.tempPath(tempfile::kHtmlData), data);
}

std::string writeDocumentImage(AddinContext& ctx, const std::string& imageData, const std::string& attributes,
                               std::string& name, const std::string& extension) {
  if (imageData.empty()) return "";
  tallyweaveModule& m = ctx.module;
  sys::System& sys = ctx.services.sys;
  const GenerateMode::Kind mode = ctx.settings.generateMode.kind();

  // The names that become part of the path are checked before anything changes.
  std::string shortName;
  if (mode == GenerateMode::kCsvFile) {
    // The file is already in the daemon's folder and is deleted again by the clean-up: it must be there.
    refuseUnsafeFileName(ctx, name, imageData);
  } else if (mode != GenerateMode::kRecord) {
    shortName = name.size() > kImageMarkLength ? name.substr(kImageMarkLength) : std::string();
    refuseUnsafeFileName(ctx, name, shortName);
  }
  if (m.documentImageCount == INT16_MAX) throw runtime::Error::fromNumber(runtime::kOverflow);
  m.documentImageCount = static_cast<runtime::Integer>(m.documentImageCount + 1);
  const int k = m.documentImageCount;
  if (m.documentImages.size() < static_cast<size_t>(k)) m.documentImages.resize(static_cast<size_t>(k));

  std::string path;
  if (mode == GenerateMode::kRecord) {
    path = ctx.tempPath("document_image_" + std::to_string(k) + "." + extension);
  } else if (mode == GenerateMode::kCsvFile) {
    path = m.basePath + "\\" + imageData;
  } else {
    name = shortName;
    if (!ctx.dirExists(ctx.tempPath(tempfile::kSubFolderPrefix)))
      sys.MakeDirectory(ctx.tempPath(tempfile::kSubFolder));
    path = ctx.tempPath(std::string(tempfile::kSubFolderPrefix) + name + "." + extension);
    if (ctx.fileExists(path)) sys.DeleteFile(path);
  }
  m.documentImages[static_cast<size_t>(k) - 1] = path;
  if (mode == GenerateMode::kCsvFile) return "";
  sys.WriteFile(path, imageData);
  return attributes.empty() ? path : path + ";" + attributes;
}

void writeTempFile(AddinContext& ctx, const std::string& content, const std::string& fileName) {
  try {
    // Only a plain name inside TEMP; the reader refuses others already, this keeps the routine safe alone.
    if (!unsafeFileNameReason(fileName).empty()) return;
    ctx.services.sys.WriteFile(ctx.tempPath(fileName), content);
  } catch (...) {
  }
}

void writeCsvData(AddinContext& ctx, const std::string& content) {
  try {
    std::string path = ctx.tempPath(tempfile::kCsvData);
    if (ctx.fileExists(path)) ctx.services.sys.DeleteFile(path);
    ctx.services.sys.WriteFile(path, content);
  } catch (...) {
  }
}

void attachDataSource(AddinContext& ctx, word::MailMerge& mailMerge) {
  const GenerateMode::Kind mode = ctx.settings.generateMode.kind();
  word::DataSourceArgs csv;
  csv.connection = kTextDriver;
  if (mode == GenerateMode::kCsvString) {
    csv.name = ctx.tempPath(tempfile::kCsvData);
    mailMerge.OpenDataSource(csv);
  } else if (mode == GenerateMode::kCsvFile) {
    // The job names a file below its folder (the daemon's, else TEMP), never one elsewhere on the disk
    // or relative to whatever Word's current folder happens to be.
    refuseUnsafeSubPath(ctx, "_merge_data_file", ctx.settings.dataSourceCsvFileName);
    const std::string& basePath = ctx.module.basePath;
    csv.name = (basePath.empty() ? ctx.tempPath("") : basePath) + ctx.settings.dataSourceCsvFileName;
    mailMerge.OpenDataSource(csv);
  } else {
    writeHtmlSources(ctx, true);
    word::DataSourceArgs html;
    html.format = word::wdOpenFormatWebPages;
    html.confirmConversions = false;
    html.name = ctx.tempPath(tempfile::kHtmlHeader);
    mailMerge.OpenHeaderSource(html);
    html.name = ctx.tempPath(tempfile::kHtmlData);
    mailMerge.OpenDataSource(html);
  }
}

}  // namespace tw::addin
