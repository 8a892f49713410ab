#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/sys/sys.h"
#include "runtime/conversions.h"
#include "runtime/error.h"
#include "runtime/line_reader.h"

namespace tw::addin {

class AddinContext;

// The open job file: read whole when opened, walked line by line without copying a line, and held open
// (as an input file is on Windows, so it cannot be moved) until closed. Closing a closed file is harmless.
class JobFile {
 public:
  JobFile() = default;
  ~JobFile() { close(); }
  JobFile(const JobFile&) = delete;
  JobFile& operator=(const JobFile&) = delete;

  // Error 53 when the file does not exist.
  void open(sys::System& sys, const std::string& path);
  void close() { hold_.reset(); }
  bool isOpen() const { return hold_ != nullptr; }
  // False at the end of the file; otherwise `line` is the next line (a view valid while this object lives).
  bool nextLine(std::string_view& line) { return lines_.next(line); }

 private:
  std::string text_;
  std::unique_ptr<sys::FileHold> hold_;
  runtime::LineReader lines_{std::string_view()};
};

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
