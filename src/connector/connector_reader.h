#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "connector/job_files.h"
#include "runtime/conversions.h"
#include "runtime/error.h"

namespace tw::addin {

class AddinContext;

// What one reading pass collects besides the job state: the validity counter and the template bytes of
// a template job.
struct ReadContext {
  ReadContext(AddinContext& owner, bool isTemplateJob) : ctx(owner), templateJob(isTemplateJob) {}

  AddinContext& ctx;
  bool templateJob = false;
  int validityCount = 0;
  std::string templateBytes;
  std::string startLine;
};

// One entry of a key table: what the key does with its decoded value.
using KeyAction = void (*)(ReadContext& context, std::string& value);
using KeyTable = std::unordered_map<std::string_view, KeyAction>;

// A reader's key table: its own keys plus the keys both readers treat alike (generate mode, header
// columns, CSV data, support contact, versions, update location).
KeyTable withCommonKeys(KeyTable own);

// Assigns a decoded value to an Integer setting as the property conversion does (errors 6 and 13).
void setIntegerSetting(ReadContext& context, runtime::Integer& setting, const std::string& value);

enum class ReadOutcome { kRead, kEmptyFile, kBadStartLine };

// The reading loop both readers share: checks the start line, then takes every entry line in file order,
// applies the img_/ico_/col_ marks and hands the key to `keys` (any other key becomes a field). Errors
// (conversions, list overflows, repeated record keys, unsafe names) pass to the caller.
ReadOutcome readEntries(ReadContext& context, JobFile& file, const KeyTable& keys);

// Writes a ribbon icon to TEMP\twdoc\<key without its first four characters>.png; shortens `key` the same
// way and returns "1".
std::string writeRibbonIcon(AddinContext& ctx, const std::string& data, std::string& key);

// Reads a document-job connector file; true when it was read to its end. A bad start line, an empty or
// missing file and any error while reading are logged and give false.
bool readConnectorFile(AddinContext& ctx, const std::string& path);

}  // namespace tw::addin
