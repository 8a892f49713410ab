#include "connector/job_files.h"

#include "context/addin_context.h"
#include "runtime/error.h"

namespace tw::addin {

void JobFile::open(sys::System& sys, const std::string& path) {
  close();
  text_ = sys.ReadAndHold(path, hold_);
  lines_ = runtime::LineReader(text_);
}

void moveJobAside(AddinContext& ctx, std::string_view jobName, std::string_view errName) {
  sys::System& sys = ctx.services.sys;
  std::string errPath = ctx.tempPath(errName);
  std::string jobPath = ctx.tempPath(jobName);
  if (ctx.fileExists(errPath)) sys.DeleteFile(errPath);
  if (ctx.fileExists(jobPath)) sys.MoveFile(jobPath, errPath);
}

void setJobAside(AddinContext& ctx, std::string_view jobName, std::string_view errName) {
  auto log = [&](const std::string& line) { runtime::resumeNext([&] { ctx.debugMsg(line); }); };
  const std::string job(jobName);
  ctx.rejectedJob = job;
  try {
    moveJobAside(ctx, jobName, errName);
    return;
  } catch (...) {
    log("Could not set " + job + " aside as " + std::string(errName) + ": " +
        runtime::currentError().logText());
  }
  sys::System& sys = ctx.services.sys;
  const std::string jobPath = ctx.tempPath(jobName);
  constexpr int kSpareNames = 9;
  for (int n = 1; n <= kSpareNames; ++n) {
    const std::string spare = std::string(errName) + "." + std::to_string(n);
    try {
      if (sys.PathExists(ctx.tempPath(spare))) continue;
      sys.MoveFile(jobPath, ctx.tempPath(spare));
      log("Set " + job + " aside as " + spare);
      return;
    } catch (...) {
      break;
    }
  }
  try {
    sys.DeleteFile(jobPath);
    log("Removed " + job + ", which could not be set aside");
  } catch (...) {
    log("Could not remove " + job + ": " + runtime::currentError().logText());
  }
}

std::unique_ptr<sys::FileHold> claimJob(AddinContext& ctx, std::string_view jobName) {
  auto hold = ctx.services.sys.LockExclusive(ctx.tempPath(jobName));
  if (!hold) ctx.debugMsg("Job " + std::string(jobName) + " is taken by another Word; left alone");
  return hold;
}

}  // namespace tw::addin
