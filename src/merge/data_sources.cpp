#include "merge/data_sources.h"

#include "addin/plugin.h"
#include "connector/connector_reader.h"
#include "connector/safe_names.h"

namespace tw::addin {
namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kHeaderFile = "temp_dat_header.htm";
constexpr const char* kDataFile = "temp_dat_source.htm";
constexpr const char* kCsvFile = "twDb.csv";
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

// A data cell: a picture for values that name a written picture (with its size when the value carries
// one), else the value itself.
void appendDataCell(std::string& text, const std::string& value) {
  if (!contains(value, "document_image")) {
    appendCell(text, value);
    return;
  }
  size_t semicolon = value.find(';');
  if (semicolon == std::string::npos) {
    appendCell(text, "<IMG  SRC='" + value + "'>");
    return;
  }
  std::string picture = value.substr(0, semicolon);
  std::string attributes = value.substr(semicolon + 1);
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

void writeHtmlSources(plugin& self, bool writeDataFile) {
  tallyweaveModule& m = self.module();
  std::string header = htmlFrameStart();
  std::string data = htmlFrameStart();
  auto walk = [&](const auto& names) {
    size_t last = std::min(static_cast<size_t>(std::max<int>(m.fieldCount, 0)), m.fieldNames.size() - 1);
    for (const std::string& name : names) {
      if (name.empty()) continue;
      for (size_t i = 0; i <= last; ++i) {
        if (m.fieldNames[i] != name) continue;
        if (writeDataFile) appendDataCell(data, i < m.fieldValues.size() ? m.fieldValues[i] : std::string());
        appendCell(header, m.fieldNames[i]);
      }
    }
  };
  if (self.generateMode == "htmlString") {
    // Copied, since a name of the walk is compared against the same list.
    walk(std::vector<std::string>(m.fieldNames));
  } else {
    walk(m.mergefieldInventory);
  }
  closeHtmlFrame(header);
  closeHtmlFrame(data);
  sys::System& sys = self.services().sys;
  sys.WriteFile(self.tempPath(kHeaderFile), header);
  if (writeDataFile) sys.WriteFile(self.tempPath(kDataFile), data);
}

std::string writeDocumentImage(plugin& self, const std::string& imageData, const std::string& attributes,
                               std::string& name, const std::string& extension) {
  if (imageData.empty()) return "";
  tallyweaveModule& m = self.module();
  sys::System& sys = self.services().sys;
  const std::string& mode = self.generateMode;

  // The names that become part of the path are checked before anything changes.
  std::string shortName;
  if (mode == "csvFile") {
    // The file is already in the daemon's folder and is deleted again by the clean-up: it must be there.
    refuseUnsafeFileName(self, name, imageData);
  } else if (mode != "record") {
    shortName = name.size() > kImageMarkLength ? name.substr(kImageMarkLength) : std::string();
    refuseUnsafeFileName(self, name, shortName);
  }
  if (m.documentImageCount == INT16_MAX) throw runtime::Error::fromNumber(runtime::kOverflow);
  m.documentImageCount = static_cast<runtime::Integer>(m.documentImageCount + 1);
  const int k = m.documentImageCount;
  if (m.documentImages.size() < static_cast<size_t>(k)) m.documentImages.resize(static_cast<size_t>(k));

  std::string path;
  if (mode == "record") {
    path = self.tempPath("document_image_" + std::to_string(k) + "." + extension);
  } else if (mode == "csvFile") {
    path = m.basePath + "\\" + imageData;
  } else {
    name = shortName;
    if (!self.DirExists(self.tempPath("twdoc\\"))) sys.MakeDirectory(self.tempPath("twdoc"));
    path = self.tempPath("twdoc\\" + name + "." + extension);
    if (self.FileExists(path)) sys.DeleteFile(path);
  }
  m.documentImages[static_cast<size_t>(k) - 1] = path;
  if (mode == "csvFile") return "";
  sys.WriteFile(path, imageData);
  return attributes.empty() ? path : path + ";" + attributes;
}

void writeTempFile(plugin& self, const std::string& content, const std::string& fileName) {
  try {
    // Only a plain name inside TEMP; the reader refuses others already, this keeps the routine safe alone.
    if (!unsafeFileNameReason(fileName).empty()) return;
    self.services().sys.WriteFile(self.tempPath(fileName), content);
  } catch (...) {
  }
}

void writeCsvData(plugin& self, const std::string& content) {
  try {
    std::string path = self.tempPath(kCsvFile);
    if (self.FileExists(path)) self.services().sys.DeleteFile(path);
    self.services().sys.WriteFile(path, content);
  } catch (...) {
  }
}

void attachDataSource(plugin& self, word::MailMerge& mailMerge) {
  const std::string& mode = self.generateMode;
  word::DataSourceArgs csv;
  csv.connection = kTextDriver;
  if (mode == "csvString") {
    csv.name = self.tempPath(kCsvFile);
    mailMerge.OpenDataSource(csv);
  } else if (mode == "csvFile") {
    csv.name = self.module().basePath + self.dataSourceCsvFileName;
    mailMerge.OpenDataSource(csv);
  } else {
    writeHtmlSources(self, true);
    word::DataSourceArgs html;
    html.format = word::wdOpenFormatWebPages;
    html.confirmConversions = false;
    html.name = self.tempPath(kHeaderFile);
    mailMerge.OpenHeaderSource(html);
    html.name = self.tempPath(kDataFile);
    mailMerge.OpenDataSource(html);
  }
}

}  // namespace tw::addin
