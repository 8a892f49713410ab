#include "connector/connector_reader.h"

#include <array>

#include "connector/field_lists.h"
#include "context/addin_context.h"
#include "context/safe_names.h"
#include "context/temp_files.h"
#include "merge/data_sources.h"
#include "server/base64.h"

namespace tw::addin {
namespace {

constexpr std::array<std::string_view, 3> kStartLines = {
    "Pelzo b.v. Prijskaart bestand",
    "Tallyweave bestand",
    "Kontavera Connector bestand",
};

constexpr std::string_view kImageMark = "img_";
constexpr std::string_view kIconMark = "ico_";
constexpr std::string_view kRecordMark = "col_";
constexpr size_t kMarkLength = 4;

bool contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// The text before the first `separator`, and the text between the first and the second one.
std::pair<std::string_view, std::string_view> firstTwoParts(std::string_view text, char separator) {
  size_t first = text.find(separator);
  if (first == std::string_view::npos) return {text, {}};
  std::string_view rest = text.substr(first + 1);
  return {text.substr(0, first), rest.substr(0, rest.find(separator))};
}

void interpretKey(ReadContext& context, const KeyTable& keys, const std::string& key, std::string& value) {
  auto action = keys.find(key);
  if (action != keys.end()) {
    action->second(context, value);
  } else {
    addField(context.ctx.module, key, value);
  }
}

void readEntry(ReadContext& context, const KeyTable& keys, std::string_view line) {
  auto [keyView, raw] = firstTwoParts(line, ',');
  std::string key(keyView);
  std::string value;
  if (contains(key, kImageMark)) {
    auto [data, attributes] = firstTwoParts(raw, ';');
    value = writeDocumentImage(context.ctx, base64Decode(data), base64Decode(attributes), key, "jpg");
  } else if (context.templateJob && contains(key, kIconMark)) {
    value = writeRibbonIcon(context.ctx, base64Decode(raw), key);
  } else if (contains(key, kRecordMark) && contains(raw, ";")) {
    std::vector<std::string_view> parts = splitList(raw, ';');
    if (parts.size() < 3) throw runtime::Error::fromNumber(runtime::kSubscriptOutOfRange);
    addRecordColumns(context.ctx.module, parts[0], parts[1], splitList(parts[2], '|'));
    return;
  } else {
    value = base64Decode(raw);
  }
  interpretKey(context, keys, key, value);
}

}  // namespace

ReadOutcome readEntries(ReadContext& context, JobFile& file, const KeyTable& keys) {
  std::string_view line;
  if (!file.nextLine(line)) return ReadOutcome::kEmptyFile;
  bool knownStart = false;
  for (std::string_view start : kStartLines) knownStart = knownStart || line == start;
  if (!knownStart) {
    context.startLine = line;
    return ReadOutcome::kBadStartLine;
  }
  while (file.nextLine(line)) {
    if (!contains(line, ",")) continue;
    readEntry(context, keys, line);
  }
  return ReadOutcome::kRead;
}

std::string writeRibbonIcon(AddinContext& ctx, const std::string& data, std::string& key) {
  sys::System& sys = ctx.services.sys;
  std::string name = key.size() > kMarkLength ? key.substr(kMarkLength) : std::string();
  // The rest of the key becomes a file name in TEMP\twdoc; it must not lead out of that folder.
  refuseUnsafeFileName(ctx, key, name);
  if (!ctx.dirExists(ctx.tempPath(tempfile::kSubFolderPrefix)))
    sys.MakeDirectory(ctx.tempPath(tempfile::kSubFolder));
  key = name;
  std::string path = ctx.tempPath(std::string(tempfile::kSubFolderPrefix) + key + ".png");
  if (ctx.fileExists(path)) sys.DeleteFile(path);
  sys.WriteFile(path, data);
  return "1";
}

// ---- Key tables -------------------------------------------------------------------------------------

void setIntegerSetting(ReadContext& context, runtime::Integer& setting, const std::string& value) {
  setting = runtime::toInteger(value, context.ctx.services.sys.UserLocale());
}

KeyTable withCommonKeys(KeyTable own) {
  own.insert({
      {"_generate_mode",
       [](ReadContext& c, std::string& v) { c.ctx.settings.generateMode = GenerateMode(v); }},
      {"_header_cols", [](ReadContext& c, std::string& v) { addHeaderColumns(c.ctx.module, v); }},
      {"_merge_data_str", [](ReadContext& c, std::string& v) { writeCsvData(c.ctx, v); }},
      {"_support_contact_string", [](ReadContext& c, std::string& v) { c.ctx.settings.supportContact = v; }},
      {"_minimum_version",
       [](ReadContext& c, std::string& v) {
         setIntegerSetting(c, c.ctx.settings.minimumConnectorVersion, v);
       }},
      {"_latest_version",
       [](ReadContext& c, std::string& v) {
         setIntegerSetting(c, c.ctx.settings.latestConnectorVersion, v);
       }},
      {"_update_exe_location", [](ReadContext& c, std::string& v) { c.ctx.settings.updatePath = v; }},
  });
  return own;
}

namespace {

// The keys of a document job.
const KeyTable& documentKeys() {
  static const KeyTable keys = withCommonKeys({
      {"_merge_data_file",
       [](ReadContext& c, std::string& v) {
         // Refused here, not only when the merge opens it, so such a job takes its failure path and is kept.
         refuseUnsafeSubPath(c.ctx, "_merge_data_file", v);
         c.ctx.settings.generateMode = GenerateMode("csvFile");
         c.ctx.settings.dataSourceCsvFileName = v;
       }},
      {"_template",
       [](ReadContext& c, std::string& v) { writeTempFile(c.ctx, v, std::string(tempfile::kJobTemplate)); }},
      {"_resultDocName",
       [](ReadContext& c, std::string& v) {
         // The daemon saves the result under this name inside its spool folder.
         refuseUnsafeFileName(c.ctx, "_resultDocName", v);
         c.ctx.module.resultDocName = v;
       }},
      {"_resultDocPath",
       [](ReadContext& c, std::string& v) {
         // A sub-path below the daemon's base folder, never a way out of it.
         refuseUnsafeSubPath(c.ctx, "_resultDocPath", v);
         c.ctx.module.resultDocPath = v;
       }},
  });
  return keys;
}

}  // namespace

bool readConnectorFile(AddinContext& ctx, const std::string& path) {
  tallyweaveModule& m = ctx.module;
  m.dataString.clear();
  m.fieldCount = 0;
  ctx.debugMsg("Generate Document: Opening template :" + path);
  JobFile file;
  try {
    file.open(ctx.services.sys, path);
    ReadContext context(ctx, false);
    ReadOutcome outcome = readEntries(context, file, documentKeys());
    if (outcome == ReadOutcome::kBadStartLine) {
      ctx.debugMsg("Generate Document: invalid startline :" + context.startLine);
    }
    // A bad start line and an empty file end like an error whose description is empty.
    if (outcome != ReadOutcome::kRead) throw runtime::Error(0, "");
    file.close();
    return true;
  } catch (...) {
    runtime::Error error = runtime::currentError();
    file.close();
    ctx.debugMsg("Error in readFile " + error.description());
    return false;
  }
}

}  // namespace tw::addin
