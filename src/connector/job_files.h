#pragma once

// The job files the launcher leaves in TEMP (twDocTemplate.tmp, twDoc.tmp), as both jobs handle them:
// claimed for this Word alone, read whole and held open while read, and set aside under their .err name
// (tempfile::kRejected...) when rejected, so that the next start is an ordinary one.

#include <memory>
#include <string>
#include <string_view>

#include "platform/sys/sys.h"
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

// Holds the job file `jobName` in TEMP for this Word alone while it reads and sets it aside: two Words
// started on one TEMP must not both take it, nor call it invalid once the other has. nullptr, after
// saying so in the log, when another Word holds or has taken the file; the job is then left alone.
std::unique_ptr<sys::FileHold> claimJob(AddinContext& ctx, std::string_view jobName);

// Deletes TEMP\<errName> when it exists, then renames TEMP\<jobName> to it when that exists.
void moveJobAside(AddinContext& ctx, std::string_view jobName, std::string_view errName);

// Sets a rejected job aside as TEMP\<errName>, never failing: when that is not possible (the name taken by
// a folder, a file held open) the job goes to the first free TEMP\<errName>.<n>, else it is removed, so
// that the next start is an ordinary one. The debug log says which.
void setJobAside(AddinContext& ctx, std::string_view jobName, std::string_view errName);

}  // namespace tw::addin
